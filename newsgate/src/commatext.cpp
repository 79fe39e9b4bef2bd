#include "newsgate/commatext.h"

namespace newsgate {

namespace {

bool IsBlank(char c) { return c >= 1 && c <= 32; }

bool NeedsQuotes(std::string_view item) {
  for (char c : item)
    if (IsBlank(c) || c == ',' || c == '"') return true;
  return false;
}

void AppendQuoted(std::string& out, std::string_view item) {
  out += '"';
  for (char c : item) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// A quoted item starting at text[i] == '"': up to the closing quote (to the end when there is
// none), with doubled quotes undoubled. i ends after the closing quote.
std::string ReadQuoted(std::string_view text, size_t& i) {
  std::string item;
  ++i;
  while (i < text.size()) {
    if (text[i] == '"') {
      if (i + 1 < text.size() && text[i + 1] == '"') {
        item += '"';
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    item += text[i++];
  }
  return item;
}

}  // namespace

std::string GetCommaText(const std::vector<std::string>& items) {
  if (items.size() == 1 && items.front().empty()) return "\"\"";
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    if (NeedsQuotes(items[i]))
      AppendQuoted(out, items[i]);
    else
      out += items[i];
  }
  return out;
}

void SetCommaText(std::string_view text, std::vector<std::string>& items) {
  items.clear();
  text = text.substr(0, text.find('\0'));
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    if (text[i] == '"') {
      items.push_back(ReadQuoted(text, i));
    } else {
      const size_t start = i;
      while (i < text.size() && !IsBlank(text[i]) && text[i] != ',') ++i;
      items.emplace_back(text.substr(start, i - start));
    }
    skipBlanks();
    if (i < text.size() && text[i] == ',') {
      if (i + 1 == text.size()) items.emplace_back();
      ++i;
      skipBlanks();
    }
  }
}

}  // namespace newsgate
