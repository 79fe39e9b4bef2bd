#pragma once
// Double-byte aware helpers over ANSI text in the system's code page. Positions are 1-based byte
// positions; 0 means "not found".
#include <cstddef>
#include <string_view>

namespace setup {

// True for a byte that the system's code page marks as the first byte of a double-byte character.
bool IsLeadByte(unsigned char c);

// Position of the first occurrence of pattern in text that starts at a character start (never at a
// trail byte); 0 when there is none or the pattern is empty.
std::size_t MBPos(std::string_view pattern, std::string_view text);

// True when the byte at position pos (1-based) is the trail byte of a double-byte character.
bool IsTrailByte(std::string_view text, std::size_t pos);

}  // namespace setup
