#include "newsgate/filter.h"

#include <string.h>

#include <algorithm>
#include <stdexcept>

#include "newsgate/commatext.h"
#include "platform/codepage.h"

namespace newsgate {

namespace {

// Captions of the actions in the filter list (Shift-JIS).
constexpr std::string_view kTypeCaptions[] = {
    "\x83\x7D\x81\x5B\x83\x4E\x82\xF0\x91\x7D\x93\xFC",                  // マークを挿入
    "\x83\x74\x83\x42\x83\x8B\x83\x5E\x82\xB7\x82\xE9",                  // フィルタする
    "\x83\x74\x83\x42\x83\x8B\x83\x5E\x82\xA9\x82\xE7\x8F\x9C\x8A\x4F",  // フィルタから除外
    "\x95\x4B\x82\xB8\x83\x74\x83\x42\x83\x8B\x83\x5E\x82\xB7\x82\xE9",  // 必ずフィルタする
};

// Pieces of the generated summary (Shift-JIS).
constexpr std::string_view kRegExpNote = " \x90\xB3\x8B\x4B\x95\x5C\x8C\xBB";  // " 正規表現"
constexpr std::string_view kAtLeast = "KB\x88\xC8\x8F\xE3";                    // "KB以上"
constexpr std::string_view kAtMost = "KB\x88\xC8\x89\xBA";                     // "KB以下"
constexpr std::string_view kCrossPostNote =
    " \x83\x4E\x83\x8D\x83\x58\x83\x7C\x83\x58\x83\x67";        // " クロスポスト"
constexpr std::string_view kGroupsNote = " \x91\xCE\x8F\xDB:";  // " 対象:"

constexpr std::int64_t kBytesPerKB = 1024;

// Calls item(view) for every item of text as SplitText cuts it, while item returns true.
template <class Item>
void ForEachItem(std::string_view text, char separator, Item&& item) {
  size_t i = 0;
  while (i < text.size() && text[i] != '\r') {
    size_t end = i;
    while (end < text.size() && text[end] != separator && text[end] != '\r') ++end;
    if (!item(text.substr(i, end - i))) return;
    i = end;
    while (i < text.size() && text[i] == separator) ++i;
  }
}

// Cross-posted: the Xref text has more than two items separated by ":".
bool IsCrossPosted(std::string_view xref) {
  int count = 0;
  ForEachItem(xref, ':', [&](std::string_view) { return ++count <= 2; });
  return count > 2;
}

// A group wildcard as a pattern: anchored at the ends that have no "*", "." only a dot and "*" any
// run of characters; nothing else is escaped.
std::string WildcardPattern(std::string_view text) {
  std::string pattern;
  if (text.front() != '*') pattern += '^';
  for (char c : text) {
    if (c == '.')
      pattern += "\\.";
    else if (c == '*')
      pattern += ".*";
    else
      pattern += c;
  }
  if (text.back() != '*') pattern += '$';
  return pattern;
}

}  // namespace

bool IsKnownFilterType(int type) { return type >= ftMark && type <= ftAlwaysFilter; }

std::string FilterTypeCaption(int type) {
  return IsKnownFilterType(type) ? std::string(kTypeCaptions[type]) : std::to_string(type);
}

int SplitText(std::string_view text, std::vector<std::string>& list, char separator, int minimum) {
  list.clear();
  ForEachItem(text, separator, [&](std::string_view item) {
    list.emplace_back(item);
    return true;
  });
  if (static_cast<int>(list.size()) < minimum) list.resize(minimum);
  return static_cast<int>(list.size());
}

void THitCounter::Increment() {
  static std::atomic<unsigned> nextLane{0};
  thread_local const unsigned lane = nextLane.fetch_add(1, std::memory_order_relaxed) % kLanes;
  lanes_[lane].count.fetch_add(1, std::memory_order_relaxed);
}

std::int32_t THitCounter::Value() const {
  std::uint32_t sum = 0;
  for (const Lane& lane : lanes_) sum += lane.count.load(std::memory_order_relaxed);
  return static_cast<std::int32_t>(sum);
}

void THitCounter::Set(std::int32_t value) {
  for (Lane& lane : lanes_) lane.count.store(0, std::memory_order_relaxed);
  lanes_[0].count.store(static_cast<std::uint32_t>(value), std::memory_order_relaxed);
}

void TFilter::Prepare() {
  ReleasePrepared();
  for (const std::string& entry : Groups) {
    const bool exclude = !entry.empty() && entry.front() == '!';
    const std::string_view text = std::string_view(entry).substr(exclude ? 1 : 0);
    if (text.empty()) continue;
    TRegExp pattern;
    if (pattern.Compile(WildcardPattern(text)))
      GroupPatterns.push_back({exclude, std::move(pattern)});
  }
  if (UseRegExp == 1) {
    if (!Subject.empty()) SubjectPattern.Compile(Subject);
    if (!From.empty()) FromPattern.Compile(From);
  } else {
    SplitText(Subject, SubjectKeywords, ' ', 0);
    SplitText(From, FromKeywords, ' ', 0);
  }
  const win::UINT codePage = win::GetACP();
  for (int c = 0; c < 256; ++c)
    LeadBytes[c] = win::IsDBCSLeadByteEx(codePage, static_cast<unsigned char>(c));
}

void TFilter::ReleasePrepared() {
  GroupPatterns.clear();
  SubjectPattern.Clear();
  FromPattern.Clear();
  SubjectKeywords.clear();
  FromKeywords.clear();
}

bool TFilter::MatchGroup(std::string_view group) const {
  // the last matching entry decides, so the first match from the end is the answer
  for (auto it = GroupPatterns.rbegin(); it != GroupPatterns.rend(); ++it)
    if (it->pattern.Matches(group)) return !it->exclude;
  return Groups.empty();
}

// A case-sensitive search that never reports a match starting on the second byte of a double-byte
// character. An empty keyword never occurs.
bool TFilter::Occurs(std::string_view text, std::string_view keyword) const {
  if (keyword.empty()) return false;
  size_t boundary = 0;  // a character start at or before the candidate
  for (size_t from = 0; from < text.size();) {
    const void* hit =
        memmem(text.data() + from, text.size() - from, keyword.data(), keyword.size());
    if (!hit) return false;
    const size_t at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    while (boundary < at) boundary += LeadBytes[static_cast<unsigned char>(text[boundary])] ? 2 : 1;
    if (boundary == at) return true;
    from = at + 1;
  }
  return false;
}

bool TFilter::Match(const TOverviewInfo& info, int& type) const {
  return MatchGroup(info.group) && MatchArticle(info, type);
}

bool TFilter::MatchArticle(const TOverviewInfo& info, int& type) const {
  // the patterns exist in regular-expression mode only, the keywords in keyword mode only
  if (SubjectPattern && !SubjectPattern.Matches(info.subject)) return false;
  if (FromPattern && !FromPattern.Matches(info.from)) return false;
  for (const std::string& keyword : SubjectKeywords)
    if (!Occurs(info.subject, keyword)) return false;
  for (const std::string& keyword : FromKeywords)
    if (!Occurs(info.from, keyword)) return false;
  if (CheckSize) {
    const std::int64_t limit = Size * kBytesPerKB;
    if (SizeLarger ? info.bytes < limit : info.bytes > limit) return false;
  }
  if (CrossPost && !IsCrossPosted(info.xref)) return false;
  HitCounter.Increment();
  type = FilterType;
  return true;
}

void TFilter::Assign(const TFilter& source) {
  if (this == &source) return;
  ReleasePrepared();
  Enabled = source.Enabled;
  SetHitCount(source.HitCount());
  FilterType = source.FilterType;
  Description = source.Description;
  Subject = source.Subject;
  From = source.From;
  UseRegExp = source.UseRegExp;
  CheckSize = source.CheckSize;
  Size = source.Size;
  SizeLarger = source.SizeLarger;
  CrossPost = source.CrossPost;
  Groups = source.Groups;
}

std::string TFilter::GetDescription() const {
  if (!Description.empty()) return Description;
  std::string text;
  if (UseRegExp == 1) text += kRegExpNote;
  if (!From.empty()) text.append(" From:").append(From);
  if (!Subject.empty()) text.append(" Subject:").append(Subject);
  if (CheckSize)
    text.append(" ").append(std::to_string(Size)).append(SizeLarger ? kAtLeast : kAtMost);
  if (CrossPost) text += kCrossPostNote;
  if (!Groups.empty()) text.append(kGroupsNote).append(GetCommaText(Groups));
  return text;
}

void TFilter::ToListItem(TListItemData& row) const {
  row.Caption = FilterTypeCaption(FilterType);
  row.SubItems.clear();
  row.SubItems.push_back(std::to_string(HitCount()));
  row.SubItems.push_back(GetDescription());
  row.Checked = Enabled;
}

void TFilter::Save(TCustomIniFile& store, std::string_view section) const {
  // the size is kept signed: negative for "at most", zero or positive for "at least"
  const std::int64_t size = SizeLarger ? std::int64_t{Size} : -std::int64_t{Size};
  store.WriteBool(section, "Enabled", Enabled);
  store.WriteString(section, "Description", Description);
  store.WriteInteger(section, "HitCount", HitCount());
  store.WriteInteger(section, "FilterType", FilterType);
  store.WriteString(section, "Subject", Subject);
  store.WriteString(section, "From", From);
  store.WriteBool(section, "UseRegExp", UseRegExp == 1);
  store.WriteInteger(
      section, "Size",
      static_cast<std::int32_t>(std::clamp<std::int64_t>(size, INT32_MIN, INT32_MAX)));
  store.WriteBool(section, "CheckSize", CheckSize);
  store.WriteBool(section, "CrossPost", CrossPost);
  store.WriteString(section, "Groups", GetCommaText(Groups));
}

void TFilter::Load(const TCustomIniFile& store, std::string_view section) {
  Enabled = store.ReadBool(section, "Enabled", true);
  Description = store.ReadString(section, "Description", "");
  SetHitCount(store.ReadInteger(section, "HitCount", 0));
  FilterType = store.ReadInteger(section, "FilterType", ftMark);
  Subject = store.ReadString(section, "Subject", "");
  From = store.ReadString(section, "From", "");
  UseRegExp = store.ReadBool(section, "UseRegExp", false) ? 1 : 0;
  const std::int32_t size = store.ReadInteger(section, "Size", 1);
  SizeLarger = size >= 0;
  Size = size >= 0 ? size : size == INT32_MIN ? INT32_MAX : -size;
  CheckSize = store.ReadBool(section, "CheckSize", false);
  CrossPost = store.ReadBool(section, "CrossPost", false);
  SetCommaText(store.ReadString(section, "Groups", ""), Groups);
}

bool TFilter::Edit() {
  ReleasePrepared();
  if (!EditDialog) throw std::logic_error("no filter edit dialog is installed");
  return EditDialog(*this);
}

}  // namespace newsgate
