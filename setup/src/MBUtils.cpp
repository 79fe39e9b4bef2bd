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
  for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (text.compare(i, pattern.size(), pattern) == 0) return i + 1;
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
