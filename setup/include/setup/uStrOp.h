#pragma once
// Copies, backslash handling, locale mapping and field splitting of ANSI text. Counts and positions
// are bytes, positions 1-based; counts and positions out of range are clamped, never an error.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

// Locale mapping flags of MapString (the values of LCMapString).
constexpr unsigned LCMAP_UPPERCASE = 0x00000200;
constexpr unsigned LCMAP_FULLWIDTH = 0x00800000;

std::string LeftStr(std::string_view text, std::ptrdiff_t count);
std::string RightStr(std::string_view text, std::ptrdiff_t count);
std::string MidStr(std::string_view text, std::ptrdiff_t position);

// True when the last byte is a "\" that is not the trail byte of a double-byte character.
bool EndsWithDelimiter(std::string_view text);

// Option "T" puts a "\" in front unless the text starts with one, "B" appends one unless the text
// ends with a single-byte "\" (a trail byte of the same value does not count). Only the first
// character of the option counts.
std::string AddDelimiter(std::string_view text, std::string_view option);
// Option "T" removes a leading "\", "B" a trailing single-byte "\".
std::string RemoveDelimiter(std::string_view text, std::string_view option);

// The text mapped by the system locale (upper case and/or full width); the text unchanged when the
// mapping yields nothing.
std::string MapString(std::string_view text, unsigned flags);

// Every field of text split at each occurrence of the separator character (at least one field);
// the separator is never found inside a double-byte character.
std::vector<std::string> SplitFields(std::string_view text, char separator);

// The n-th field (from 1) of text split at every occurrence of the separator character; empty when
// there are fewer fields. The separator is never found inside a double-byte character.
std::string GetField(std::string_view text, char separator, std::size_t n);

}  // namespace setup
