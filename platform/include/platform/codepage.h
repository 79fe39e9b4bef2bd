#pragma once
// The ANSI code page and the conversions at the platform's edges. Program text is ANSI bytes.
#include <string>
#include <string_view>

namespace win {

using UINT = unsigned;

// The active code page: value ACP of HKLM\System\CurrentControlSet\Control\Nls\CodePage
// ("932" for a new root); 932, 65001 and 1252 are supported.
UINT GetACP();
// Overrides the code page of this process (tests); 0 returns to the registry's value.
void SetACPOverride(UINT codePage);

bool IsDBCSLeadByte(unsigned char c);

std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);  // characters the code page lacks become '?'
std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Locale mappings (LCMapString): upper case (ASCII letters and, in 932, the full-width Latin letters)
// and full width (ASCII to full-width forms, half-width katakana to full-width katakana).
std::string MapUpperCase(std::string_view ansi);
std::string MapFullWidth(std::string_view ansi);

// Comparison without regard to case by the locale's rules (CompareString with NORM_IGNORECASE):
// <0, 0 or >0.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace win
