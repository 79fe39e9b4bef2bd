#pragma once
// Character-level pieces shared by the conversions and the locale mappings.
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace win::codepage {

struct Utf8Char {
  char32_t code;  // U+FFFD when invalid
  size_t length;  // bytes taken, at least 1
  bool valid;
};

// The character that starts at s[i] (i < s.size()).
Utf8Char DecodeUtf8(std::string_view s, size_t i);
void AppendUtf8(std::string& out, char32_t code);

// ANSI text of a code page as code points, and back; exact is cleared when a character became '?'.
std::u32string DecodeAnsi(UINT codePage, std::string_view ansi);
std::string EncodeAnsi(UINT codePage, std::u32string_view text, bool* exact = nullptr);

}  // namespace win::codepage
