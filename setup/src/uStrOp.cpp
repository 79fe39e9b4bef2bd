#include "setup/uStrOp.h"

#include "platform/codepage.h"
#include "setup/MBUtils.h"

namespace setup {

bool EndsWithDelimiter(std::string_view text) {
  return !text.empty() && text.back() == '\\' && !IsTrailByte(text, text.size());
}

std::string LeftStr(std::string_view text, std::ptrdiff_t count) {
  if (count <= 0) return {};
  return std::string(text.substr(0, static_cast<std::size_t>(count)));
}

std::string RightStr(std::string_view text, std::ptrdiff_t count) {
  if (count <= 0) return {};
  auto n = static_cast<std::size_t>(count);
  return std::string(n >= text.size() ? text : text.substr(text.size() - n));
}

std::string MidStr(std::string_view text, std::ptrdiff_t position) {
  if (position < 1) position = 1;
  auto start = static_cast<std::size_t>(position - 1);
  return start >= text.size() ? std::string() : std::string(text.substr(start));
}

std::string AddDelimiter(std::string_view text, std::string_view option) {
  std::string result(text);
  if (option.starts_with('T') && !text.starts_with('\\')) result.insert(0, 1, '\\');
  if (option.starts_with('B') && !EndsWithDelimiter(text)) result.push_back('\\');
  return result;
}

std::string RemoveDelimiter(std::string_view text, std::string_view option) {
  if (option.starts_with('T') && text.starts_with('\\')) text.remove_prefix(1);
  if (option.starts_with('B') && EndsWithDelimiter(text)) text.remove_suffix(1);
  return std::string(text);
}

std::string MapString(std::string_view text, unsigned flags) {
  std::string mapped(text);
  if (flags & LCMAP_UPPERCASE) mapped = win::MapUpperCase(mapped);
  if (flags & LCMAP_FULLWIDTH) mapped = win::MapFullWidth(mapped);
  return mapped.empty() ? std::string(text) : mapped;
}

std::vector<std::string> SplitFields(std::string_view text, char separator) {
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == separator) {
      fields.emplace_back();
      continue;
    }
    fields.back().push_back(text[i]);
    if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      fields.back().push_back(text[++i]);
    }
  }
  return fields;
}

std::string GetField(std::string_view text, char separator, std::size_t n) {
  std::vector<std::string> fields = SplitFields(text, separator);
  return n >= 1 && n <= fields.size() ? fields[n - 1] : std::string();
}

}  // namespace setup
