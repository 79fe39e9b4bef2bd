// Wildcard matching of file names and the folder search.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "fs_host.h"
#include "platform/codepage.h"
#include "platform/system.h"

namespace win {

using namespace fs_detail;

namespace {

// The pattern is read as Windows reads it: "?" may match nothing at a dot or at the end of the
// name, "*" before a dot stops at the name's last dot, and a dot before "*", "?" or the end also
// matches the end of the name.
enum class Token { Literal, Star, StarToLastDot, OneOrNone, DotOrEnd };

struct PatternItem {
  Token token;
  std::string_view unit;  // the character, for literals
};

std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> units;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = CharLength(text, i);
    units.push_back(text.substr(i, length));
    i += length;
  }
  return units;
}

std::vector<PatternItem> Translate(const std::vector<std::string_view>& units) {
  std::vector<PatternItem> items;
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::string_view next = i + 1 < units.size() ? units[i + 1] : std::string_view();
    Token token = Token::Literal;
    if (units[i] == "?")
      token = Token::OneOrNone;
    else if (units[i] == "*")
      token = next == "." ? Token::StarToLastDot : Token::Star;
    else if (units[i] == "." && (next.empty() || next == "*" || next == "?"))
      token = Token::DotOrEnd;
    items.push_back({token, units[i]});
  }
  return items;
}

}  // namespace

bool MatchFileName(std::string_view pattern, std::string_view name) {
  const std::string upperPattern = MapUpperCase(pattern);
  const std::string upperName = MapUpperCase(name);
  const std::vector<PatternItem> items = Translate(Characters(upperPattern));
  const std::vector<std::string_view> units = Characters(upperName);
  const std::size_t n = units.size();
  std::size_t lastDot = n;
  for (std::size_t j = 0; j < n; ++j)
    if (units[j] == ".") lastDot = j;

  // matches[j]: the items from the current one on match the name units from j on.
  std::vector<char> after(n + 1, 0), matches(n + 1, 0);
  after[n] = 1;
  for (std::size_t i = items.size(); i-- > 0;) {
    const PatternItem& item = items[i];
    for (std::size_t j = n + 1; j-- > 0;) {
      const bool atEnd = j == n;
      const bool atDot = !atEnd && units[j] == ".";
      bool ok = false;
      switch (item.token) {
        case Token::Literal:
          ok = !atEnd && units[j] == item.unit && after[j + 1];
          break;
        case Token::Star:
          ok = after[j] || (!atEnd && matches[j + 1]);
          break;
        case Token::StarToLastDot:
          ok = after[j] || (!atEnd && j != lastDot && matches[j + 1]);
          break;
        case Token::OneOrNone:
          ok = (atEnd || atDot) ? after[j] : after[j + 1];
          break;
        case Token::DotOrEnd:
          ok = atEnd ? after[j] : atDot && after[j + 1];
          break;
      }
      matches[j] = ok;
    }
    std::swap(after, matches);
  }
  return after[0];
}

namespace fs_detail {

DWORD MatchingEntries(const stdfs::path& folder, std::string_view pattern, bool withDots,
                      std::vector<FolderEntry>& entries) {
  auto add = [&](const stdfs::path& host, std::string ansiName) {
    struct stat st;
    if (stat(host.c_str(), &st) != 0 && lstat(host.c_str(), &st) != 0) return;
    FolderEntry entry{host, {}};
    static_cast<WIN32_FILE_ATTRIBUTE_DATA&>(entry.data) = AttributeDataOf(host, st);
    entry.data.cFileName = std::move(ansiName);
    entries.push_back(std::move(entry));
  };
  entries.clear();
  if (withDots) {
    for (const char* dots : {".", ".."})
      if (MatchFileName(pattern, dots)) add(folder / dots, dots);
  }
  const std::size_t firstNamed = entries.size();
  std::error_code ec;
  for (stdfs::directory_iterator item(folder, ec), end; !ec && item != end; item.increment(ec)) {
    std::string ansi = Utf8ToAnsi(item->path().filename().string());
    if (MatchFileName(pattern, ansi)) add(item->path(), std::move(ansi));
  }
  if (ec) return ErrorFromErrno(ec.value(), folder / ".");
  std::sort(entries.begin() + static_cast<std::ptrdiff_t>(firstNamed), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) {
              return a.data.cFileName < b.data.cFileName;
            });
  return ERROR_SUCCESS;
}

}  // namespace fs_detail

BOOL FileSearch::First(std::string_view pattern, WIN32_FIND_DATAA& data) {
  entries_.clear();
  next_ = 0;
  if (pattern.size() >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE);
  const SplitPath parts = Split(pattern);
  if (parts.name.empty()) return Fail(ERROR_FILE_NOT_FOUND);
  if (DWORD code = CheckNameCharacters(parts.name, true)) return Fail(code);
  stdfs::path folder;
  if (DWORD code = Resolve(parts.folder, folder)) return Fail(code);
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(ERROR_PATH_NOT_FOUND);
  std::vector<FolderEntry> found;
  if (DWORD code = MatchingEntries(folder, parts.name, !IsDriveRoot(folder), found))
    return Fail(code);
  for (FolderEntry& entry : found) entries_.push_back(std::move(entry.data));
  if (entries_.empty()) return Fail(ERROR_FILE_NOT_FOUND);
  return Next(data);
}

BOOL FileSearch::Next(WIN32_FIND_DATAA& data) {
  if (next_ >= entries_.size()) return Fail(ERROR_NO_MORE_FILES);
  data = entries_[next_++];
  return TRUE;
}

}  // namespace win
