#include "forms/types.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/codepage.h"

namespace forms {

TColor ColorToRGB(TColor color) {
  if ((color & 0xFF000000) != 0xFF000000) return color & 0xFFFFFF;
  switch (color & 0xFF) {
    case 0x05:
      return clWhite;  // window
    case 0x08:
      return clBlack;  // window text
    case 0x0F:
      return clSilver;  // button face
    default:
      return clSilver;
  }
}

namespace {

int CharHeight(const TFont& font) { return font.Height == 0 ? 12 : std::abs(font.Height); }

// Calls line(widths) for each line of `text`, with the width of each character of the line.
template <class F>
void ForEachLine(const TFont& font, std::string_view text, F line) {
  const int full = CharHeight(font), half = (full + 1) / 2;
  std::vector<int> widths;
  for (size_t i = 0; i <= text.size();) {
    if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
      line(widths);
      widths.clear();
      if (i == text.size()) break;
      i += (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      continue;
    }
    bool pair = win::IsDBCSLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
    widths.push_back(pair ? full : half);
    i += pair ? 2 : 1;
  }
}

}  // namespace

TSize TextExtent(const TFont& font, std::string_view ansi) {
  TSize size;
  ForEachLine(font, ansi, [&](const std::vector<int>& widths) {
    int w = 0;
    for (int c : widths) w += c;
    size.cx = std::max(size.cx, w);
    size.cy += CharHeight(font);
  });
  return size;
}

int WrappedTextHeight(const TFont& font, std::string_view ansi, int width) {
  int lines = 0;
  ForEachLine(font, ansi, [&](const std::vector<int>& widths) {
    ++lines;
    int used = 0;
    for (int c : widths) {
      if (used > 0 && used + c > width) {
        ++lines;
        used = 0;
      }
      used += c;
    }
  });
  return lines * CharHeight(font);
}

}  // namespace forms
