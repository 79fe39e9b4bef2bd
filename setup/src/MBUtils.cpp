#include "setup/MBUtils.h"

#include "platform/codepage.h"

namespace setup {

namespace {
std::size_t CharLength(std::string_view text, std::size_t index) {
  return IsLeadByte(static_cast<unsigned char>(text[index])) ? 2 : 1;
}
}  // namespace

bool IsLeadByte(unsigned char c) { return win::IsDBCSLeadByte(c); }

std::size_t MBPos(std::string_view pattern, std::string_view text) {
  if (pattern.empty()) return 0;
  // Walk the character starts only as far as each byte-wise occurrence.
  std::size_t start = 0;
  for (std::size_t at = text.find(pattern); at != std::string_view::npos;
       at = text.find(pattern, at + 1)) {
    while (start < at) start += CharLength(text, start);
    if (start == at) return at + 1;
  }
  return 0;
}

bool IsTrailByte(std::string_view text, std::size_t pos) {
  if (pos < 2 || pos > text.size()) return false;
  std::size_t i = 0;
  while (i + 1 < pos) i += CharLength(text, i);
  return i + 1 > pos;
}

}  // namespace setup
