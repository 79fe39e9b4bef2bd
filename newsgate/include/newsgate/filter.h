#pragma once
// One filter rule: up to five conditions on an overview record (newsgroup wildcards, subject,
// sender, article size, cross-posting), every one switched on must hold, and the action the rule
// stands for. A rule with no condition switched on catches every article.
#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "newsgate/inifile.h"
#include "newsgate/regexp.h"
#include "newsgate/xover.h"

namespace newsgate {

// The action of a rule; when several rules match, the highest value wins.
enum TFilterType { ftMark = 0, ftFilter = 1, ftExclude = 2, ftAlwaysFilter = 3 };

bool IsKnownFilterType(int type);
// The caption of an action in the type column of the filter list; an action the program does not
// know shows as its number.
std::string FilterTypeCaption(int type);

// What a row of the filter list shows.
struct TListItemData {
  std::string Caption;
  std::vector<std::string> SubItems;
  bool Checked = false;
};

// Items of text separated by runs of separator, ending at a carriage return: a leading separator
// gives an empty first item, trailing separators add nothing. Pads with empty items to minimum;
// returns the count.
int SplitText(std::string_view text, std::vector<std::string>& list, char separator, int minimum);

// A signed 32-bit count that many threads increment at once. Each thread adds on one of several
// cache lines, chosen once per thread, so scans running side by side do not contend; the value is
// the sum (modulo 2^32).
class THitCounter {
 public:
  void Increment();
  std::int32_t Value() const;
  void Set(std::int32_t value);  // while no thread increments

 private:
  static constexpr int kLanes = 8;
  struct alignas(64) Lane {
    std::atomic<std::uint32_t> count{0};
  };
  std::array<Lane, kLanes> lanes_;
};

class TFilter {
 public:
  // The dialog that Edit runs, installed by the dialog unit: shows the filter's settings and, when
  // the user confirms, writes them back and returns true.
  using TEditDialog = bool (*)(TFilter& filter);
  static inline TEditDialog EditDialog = nullptr;

  TFilter() = default;
  TFilter(const TFilter&) = delete;  // copies go through Assign, which never copies patterns
  TFilter& operator=(const TFilter&) = delete;

  bool Enabled = true;
  std::string Description;
  int FilterType = ftMark;
  std::string Subject;  // keywords separated by spaces, or one regular expression
  std::string From;
  int UseRegExp = 0;  // 1: Subject and From are regular expressions
  bool CheckSize = false;
  int Size = 1;  // KB
  bool SizeLarger = false;
  bool CrossPost = false;
  std::vector<std::string> Groups;  // wildcards; "!" in front excludes

  std::int32_t HitCount() const { return HitCounter.Value(); }
  void SetHitCount(std::int32_t count) { HitCounter.Set(count); }

  // Builds the patterns and keyword lists from the settings; needed before Match.
  void Prepare();
  void ReleasePrepared();

  // True when every condition holds: then type = FilterType and the hit count has grown by one.
  // Safe from many threads at once on a prepared filter.
  bool Match(const TOverviewInfo& info, int& type) const;
  bool MatchGroup(std::string_view group) const;
  // Match without the group test, for a caller that knows MatchGroup of info.group holds.
  bool MatchArticle(const TOverviewInfo& info, int& type) const;

  // Copies every setting and the hit count; the copy is unprepared.
  void Assign(const TFilter& source);
  std::string GetDescription() const;
  void ToListItem(TListItemData& row) const;
  void Save(TCustomIniFile& store, std::string_view section) const;
  void Load(const TCustomIniFile& store, std::string_view section);  // does not prepare
  // Runs the edit dialog on this filter (releasing the prepared state first); true on OK.
  bool Edit();

 private:
  struct GroupPattern {
    bool exclude;
    TRegExp pattern;
  };

  bool Occurs(std::string_view text, std::string_view keyword) const;

  mutable THitCounter HitCounter;
  std::vector<GroupPattern> GroupPatterns;  // the entries that have a pattern, in list order
  TRegExp SubjectPattern;
  TRegExp FromPattern;
  std::vector<std::string> SubjectKeywords;
  std::vector<std::string> FromKeywords;
  std::bitset<256> LeadBytes;  // double-byte lead bytes of the code page at Prepare
};

}  // namespace newsgate
