// Stub until the code-page unit lands: identity conversions.
#include "platform/codepage.h"

namespace win {
UINT GetACP() { return 932; }
void SetACPOverride(UINT) {}
bool IsDBCSLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
std::string AnsiToUtf8(std::string_view s) { return std::string(s); }
std::string Utf8ToAnsi(std::string_view s) { return std::string(s); }
std::u16string AnsiToUtf16(std::string_view s) { return std::u16string(s.begin(), s.end()); }
std::string Utf16ToAnsi(std::u16string_view s) { return std::string(s.begin(), s.end()); }
std::u16string Utf8ToUtf16(std::string_view s) { return std::u16string(s.begin(), s.end()); }
std::string Utf16ToUtf8(std::u16string_view s) { return std::string(s.begin(), s.end()); }
std::string MapUpperCase(std::string_view s) { return std::string(s); }
std::string MapFullWidth(std::string_view s) { return std::string(s); }
int CompareNoCase(std::string_view a, std::string_view b) { return a.compare(b); }
}  // namespace win
