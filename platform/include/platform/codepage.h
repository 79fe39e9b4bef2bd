#pragma once
// The ANSI code page and the conversions at the platform's edges. Program text is ANSI bytes.
#include <optional>
#include <string>
#include <string_view>

namespace win {

using UINT = unsigned;

constexpr UINT CP_UTF8 = 65001;

// The active code page: value ACP of HKLM\System\CurrentControlSet\Control\Nls\CodePage
// ("932" for a new root); 932, 65001 and 1252 are supported, any other value gives 932. Read once
// per system root.
UINT GetACP();
// Overrides the code page of this process (tests); 0 returns to the registry's value.
void SetACPOverride(UINT codePage);

// Lead byte of a double-byte character: 0x81-0x9F and 0xE0-0xFC in 932, none in 1252 and 65001.
bool IsDBCSLeadByteEx(UINT codePage, unsigned char c);
bool IsDBCSLeadByte(unsigned char c);

// Conversions never fail. ANSI bytes the code page does not define become U+30FB in 932 (U+FFFD
// for 65001), except the single bytes Windows maps to private or control code points (0x80, 0xA0,
// 0xFD-0xFF in 932; 0x81, 0x8D, 0x8F, 0x90, 0x9D in 1252), which convert both ways. Characters
// the code page lacks become '?'; never an ASCII character by similarity (U+00A5 is not "\").
std::string AnsiToUtf8(std::string_view ansi);
std::string Utf8ToAnsi(std::string_view utf8);
std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view utf16);
std::u16string Utf8ToUtf16(std::string_view utf8);   // invalid UTF-8 becomes U+FFFD
std::string Utf16ToUtf8(std::u16string_view utf16);  // unpaired surrogates become U+FFFD
// The ANSI text of valid UTF-8 whose every character the code page holds exactly; else nullopt.
std::optional<std::string> Utf8ToAnsiExact(std::string_view utf8);

// Locale mappings (LCMapString) in the active code page. Upper case: ASCII, Latin-1, Greek,
// Cyrillic and full-width Latin letters (in 932 the double-byte ones). Full width: ASCII 0x20-0x7E
// to the full-width forms, half-width katakana to full-width katakana with a following voiced or
// semi-voiced mark combined. Bytes that are no character of the code page stay as they are.
std::string MapUpperCase(std::string_view ansi);
std::string MapFullWidth(std::string_view ansi);

// Comparison without regard to case by the locale's rules (CompareString with NORM_IGNORECASE):
// <0, 0 or >0.
int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace win
