#include "newsgate/filterman.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "platform/registry.h"
#include "scratch_root.h"

namespace newsgate {
namespace {

// Rules read the code page when they are prepared: Shift-JIS, without looking for a system root.
const bool kShiftJis = [] {
  win::SetACPOverride(932);
  return true;
}();

using testing_support::ScratchRootTest;

// A filter that matches records whose subject holds keyword.
std::unique_ptr<TFilter> Rule(int type, std::string keyword, bool enabled = true) {
  auto filter = std::make_unique<TFilter>();
  filter->FilterType = type;
  filter->Subject = std::move(keyword);
  filter->Enabled = enabled;
  return filter;
}

TOverviewInfo Subject(std::string_view subject) {
  TOverviewInfo info;
  info.subject = subject;
  return info;
}

std::vector<std::int32_t> Hits(const TFilterManager& manager) {
  auto list = manager.Filters();
  std::vector<std::int32_t> hits;
  for (std::int32_t i = 0; i < list->Count(); ++i) hits.push_back(FilterAt(*list, i).HitCount());
  return hits;
}

std::string Saved(const TFilter& filter) {
  TMemIniFile ini;
  filter.Save(ini, "F");
  return ini.GetText();
}

struct RuleRow {
  int type;
  bool matches;
  bool enabled = true;
};

TEST(FilterManagerTest, Verdicts) {
  struct Case {
    const char* name;
    std::vector<RuleRow> rules;
    bool caught;
    int type;
    std::vector<std::int32_t> hits;
  } cases[] = {
      {"empty list", {}, false, -1, {}},
      {"nothing matches", {{ftFilter, false}}, false, -1, {0}},
      {"mark", {{ftMark, true}}, true, ftMark, {1}},
      {"exclusion outranks filter",
       {{ftExclude, true}, {ftFilter, true}},
       false,
       ftExclude,
       {1, 1}},
      {"always-filter stops the scan",
       {{ftAlwaysFilter, true}, {ftFilter, true}},
       true,
       ftAlwaysFilter,
       {1, 0}},
      {"always-filter after an exclusion",
       {{ftExclude, true}, {ftAlwaysFilter, true}},
       true,
       ftAlwaysFilter,
       {1, 1}},
      {"non-matching always-filter",
       {{ftAlwaysFilter, false}, {ftMark, true}},
       true,
       ftMark,
       {0, 1}},
      {"disabled rule", {{ftAlwaysFilter, true, false}, {ftMark, true}}, true, ftMark, {0, 1}},
      {"unknown action takes no part", {{7, true}, {-1, true}}, false, -1, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFilterRows rows;
    for (const RuleRow& r : c.rules)
      rows.push_back(Rule(r.type, r.matches ? "hit" : "miss", r.enabled));
    TFilterManager manager;
    manager.SetFilters(std::move(rows));
    int type = 99;
    EXPECT_EQ(manager.Check(Subject("a hit"), type), c.caught);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(Hits(manager), c.hits);
  }
}

TEST(FilterManagerTest, GroupTestsFollowTheGroupAndTheList) {
  auto groupRule = [](int type, std::vector<std::string> groups) {
    auto rule = Rule(type, "");
    rule->Groups = std::move(groups);
    return rule;
  };
  TFilterManager manager;
  TFilterRows rows;
  rows.push_back(groupRule(ftFilter, {"fj.*"}));
  rows.push_back(groupRule(ftExclude, {"fj.test"}));
  manager.SetFilters(std::move(rows));
  struct Step {
    const char* group;
    int type;
  } steps[] = {
      {"fj.rec", ftFilter}, {"fj.test", ftExclude}, {"alt.test", -1}, {"fj.rec", ftFilter}};
  for (const Step& step : steps) {
    TOverviewInfo info;
    info.group = step.group;
    int type;
    manager.Check(info, type);
    EXPECT_EQ(type, step.type) << step.group;
  }
  TFilterRows other;
  other.push_back(groupRule(ftMark, {"alt.*"}));
  manager.SetFilters(std::move(other));
  TOverviewInfo info;
  info.group = "fj.rec";
  int type;
  EXPECT_FALSE(manager.Check(info, type));
  info.group = "alt.test";
  EXPECT_TRUE(manager.Check(info, type));
}

TEST(FilterManagerTest, ManyThreadsCountEveryHit) {
  TFilterManager manager;
  TFilterRows rows;
  rows.push_back(Rule(ftMark, ""));
  rows.push_back(Rule(ftFilter, "x"));
  manager.SetFilters(std::move(rows));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      int type;
      for (int i = 0; i < 5000; ++i) manager.Check(Subject(i % 2 ? "x" : "y"), type);
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(Hits(manager), (std::vector<std::int32_t>{20000, 10000}));
}

TEST(FilterManagerTest, ScansNeverSeeAHalfBuiltList) {
  // List A: marks, then an exclusion at the end: false, type 2. List B: filters only: true, type
  // 1. Every rule is limited to group fj.*, so an unprepared rule would not match at all. A scan of
  // a torn or unprepared list would give another verdict.
  auto makeList = [](bool a) {
    TFilterRows rows;
    for (int i = 0; i < 20; ++i) {
      rows.push_back(Rule(a ? (i == 19 ? ftExclude : ftMark) : ftFilter, "hit"));
      rows.back()->Groups = {"fj.*"};
    }
    return rows;
  };
  TFilterManager manager;
  manager.SetFilters(makeList(true));
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0}, scans{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&] {
      TOverviewInfo info = Subject("a hit");
      info.group = "fj.rec";
      while (!stop) {
        int type;
        const bool caught = manager.Check(info, type);
        if (!((!caught && type == ftExclude) || (caught && type == ftFilter))) ++wrong;
        ++scans;
      }
    });
  for (int round = 0; round < 300; ++round) manager.SetFilters(makeList(round % 2 == 1));
  while (scans < 1000) std::this_thread::yield();
  stop = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
}

TEST(FilterManagerTest, EfficientOrderKeepsEveryVerdict) {
  TFilterRows rows;
  rows.push_back(Rule(ftMark, "a"));
  rows.push_back(Rule(ftAlwaysFilter, "b"));
  rows.push_back(Rule(ftExclude, "c"));
  rows.push_back(Rule(ftAlwaysFilter, "d"));
  rows.push_back(Rule(ftFilter, ""));
  rows.push_back(Rule(ftAlwaysFilter, "e", false));
  rows.back()->SetHitCount(1);
  rows[3]->SetHitCount(10);
  std::vector<const TFilter*> filters;
  for (const auto& row : rows) filters.push_back(row.get());
  const std::vector<int> order = EfficientOrder(filters);
  EXPECT_EQ(order, (std::vector<int>{3, 5, 1, 0, 2, 4}));

  std::vector<std::string> settings;
  for (const auto& row : rows) settings.push_back(Saved(*row));
  TFilterManager before, after;
  auto copies = [&](const std::vector<int>& indices) {
    TFilterRows out;
    for (int i : indices) {
      out.push_back(std::make_unique<TFilter>());
      out.back()->Assign(*rows[i]);
    }
    return out;
  };
  before.SetFilters(copies({0, 1, 2, 3, 4, 5}));
  after.SetFilters(copies(order));
  const char* subjects[] = {"", "a", "b", "c", "d", "e", "ac", "abcd", "cd", "ce", "xyz"};
  for (const char* subject : subjects) {
    int t1, t2;
    EXPECT_EQ(before.Check(Subject(subject), t1), after.Check(Subject(subject), t2)) << subject;
    EXPECT_EQ(t1, t2) << subject;
  }
}

class FilterManagerStoreTest : public ScratchRootTest {
 protected:
  static std::string SectionPath(const std::string& name) {
    return std::string(kFiltersKey) + "\\" + name;
  }
};

TEST_F(FilterManagerStoreTest, SaveAndLoadThroughTheRegistry) {
  TFilterManager manager;
  TFilterRows rows;
  for (int i = 0; i < 12; ++i) {
    rows.push_back(Rule(i % 4, "k" + std::to_string(i)));
    rows.back()->SetHitCount(i * 3);
  }
  rows[4]->CheckSize = true;
  rows[4]->Size = 5;
  rows[5]->Groups = {"fj.*", "a b"};
  rows[6]->Enabled = false;
  std::vector<std::string> expected;
  for (const auto& row : rows) expected.push_back(Saved(*row));
  manager.SetFilters(std::move(rows));
  manager.Save();

  win::RegKey key;
  ASSERT_EQ(win::RegKey::Open(win::HKEY::CurrentUser, SectionPath("4"), key), 0u);
  win::DWORD number = 0;
  EXPECT_EQ(key.QueryDword("Size", number), 0u);
  EXPECT_EQ(number, 0xFFFFFFFBu);  // -5: at most 5 KB
  EXPECT_EQ(key.QueryDword("HitCount", number), 0u);
  EXPECT_EQ(number, 12u);
  std::string text;
  EXPECT_EQ(key.QueryString("Enabled", text), 0u);
  EXPECT_EQ(text, "1");

  TFilterManager loaded;
  loaded.Load();
  auto list = loaded.Filters();
  ASSERT_EQ(list->Count(), 12);  // 10 and 11 after 9
  for (int i = 0; i < 12; ++i) EXPECT_EQ(Saved(FilterAt(*list, i)), expected[i]) << i;
  int type;
  EXPECT_TRUE(loaded.Check(Subject("k9"), type));  // prepared
  EXPECT_EQ(type, ftFilter);
}

TEST_F(FilterManagerStoreTest, SaveRenumbersAndKeepsStrangeSubkeys) {
  win::RegKey key;
  ASSERT_EQ(win::RegKey::Create(win::HKEY::CurrentUser, SectionPath("007"), key), 0u);
  key.SetString("Subject", "seven");
  key.SetString("FilterType", "1");  // a number kept as text
  ASSERT_EQ(win::RegKey::Create(win::HKEY::CurrentUser, SectionPath("extra"), key), 0u);
  key.SetString("Subject", "extra");
  ASSERT_EQ(win::RegKey::Create(win::HKEY::CurrentUser, SectionPath("3"), key), 0u);
  key.SetString("Subject", "three");
  key.SetString("Stale", "value");

  TFilterManager manager;
  manager.Load();
  auto list = manager.Filters();
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(FilterAt(*list, 0).Subject, "three");
  EXPECT_EQ(FilterAt(*list, 1).Subject, "seven");
  EXPECT_EQ(FilterAt(*list, 1).FilterType, ftFilter);
  EXPECT_EQ(FilterAt(*list, 2).Subject, "extra");

  manager.Save();
  std::vector<std::string> names;
  ASSERT_EQ(win::RegKey::Open(win::HKEY::CurrentUser, std::string(kFiltersKey), key), 0u);
  key.SubkeyNames(names);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"0", "1", "2"}));
  ASSERT_EQ(win::RegKey::Open(win::HKEY::CurrentUser, SectionPath("0"), key), 0u);
  EXPECT_FALSE(key.HasValue("Stale"));

  TFilterRows one;
  one.push_back(Rule(ftMark, "only"));
  manager.SetFilters(std::move(one));
  manager.Save();
  EXPECT_FALSE(win::RegKeyExists(win::HKEY::CurrentUser, SectionPath("1")));
  EXPECT_FALSE(win::RegKeyExists(win::HKEY::CurrentUser, SectionPath("2")));

  manager.Clear();
  EXPECT_EQ(manager.Filters()->Count(), 0);
}

TEST_F(FilterManagerStoreTest, LoadCreatesAMissingKey) {
  TFilterManager manager;
  manager.Load();
  EXPECT_EQ(manager.Filters()->Count(), 0);
  EXPECT_TRUE(win::RegKeyExists(win::HKEY::CurrentUser, std::string(kFiltersKey)));
}

TEST_F(FilterManagerStoreTest, ConfigureWorksOnCopies) {
  TFilterManager manager;
  EXPECT_THROW(manager.Configure(), std::logic_error);

  TFilterRows rows;
  rows.push_back(Rule(ftFilter, "keep"));
  rows.push_back(Rule(ftMark, "drop"));
  manager.SetFilters(std::move(rows));
  int type;
  manager.Check(Subject("keep"), type);

  static TFilterManager* live;
  live = &manager;
  // Cancel after changes: nothing reaches the live list or the registry
  TFilterManager::ConfigureDialog = [](TFilterRows& dialogRows) {
    EXPECT_EQ(dialogRows.size(), 2u);
    EXPECT_EQ(dialogRows[0]->HitCount(), 1);
    dialogRows.clear();
    return false;
  };
  manager.Configure();
  EXPECT_EQ(manager.Filters()->Count(), 2);
  EXPECT_FALSE(win::RegKeyExists(win::HKEY::CurrentUser, SectionPath("0")));

  // OK: the rows become the live list, prepared and saved; hits counted meanwhile are lost
  TFilterManager::ConfigureDialog = [](TFilterRows& dialogRows) {
    int t;
    live->Check(Subject("keep"), t);
    EXPECT_EQ(dialogRows[0]->HitCount(), 1);
    dialogRows.erase(dialogRows.begin() + 1);
    dialogRows.push_back(Rule(ftAlwaysFilter, "new"));
    dialogRows.back()->Groups = {"fj.*"};
    return true;
  };
  manager.Configure();
  TFilterManager::ConfigureDialog = nullptr;
  EXPECT_EQ(Hits(manager), (std::vector<std::int32_t>{1, 0}));
  TOverviewInfo info = Subject("new");
  info.group = "fj.rec";
  EXPECT_TRUE(manager.Check(info, type));
  EXPECT_EQ(type, ftAlwaysFilter);
  EXPECT_TRUE(win::RegKeyExists(win::HKEY::CurrentUser, SectionPath("1")));
  EXPECT_FALSE(win::RegKeyExists(win::HKEY::CurrentUser, SectionPath("2")));
}

TEST_F(FilterManagerStoreTest, ExportedFilesImportToTheSameFilters) {
  TFilterRows rows;
  rows.push_back(Rule(ftExclude, " spaced  keywords "));
  rows.back()->Description = "\"quoted\" summary";
  rows.back()->From = "'x'";
  rows.back()->Groups = {"", "a,b", "\"q\""};
  rows.back()->SetHitCount(-1);
  rows.push_back(Rule(ftAlwaysFilter, "^re:.*\x83\x5C"));
  rows.back()->UseRegExp = 1;
  rows.back()->CheckSize = true;
  rows.back()->SizeLarger = true;
  rows.back()->Size = 0;
  rows.back()->CrossPost = true;
  rows.push_back(std::make_unique<TFilter>());
  std::vector<const TFilter*> filters;
  for (const auto& row : rows) filters.push_back(row.get());

  ExportFilterFile("C:\\export.npf", filters);
  const TFilterRows imported = ImportFilterFile("C:\\export.npf");
  ASSERT_EQ(imported.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(Saved(*imported[i]), Saved(*rows[i])) << i;
  EXPECT_THROW(ImportFilterFile("C:\\missing.npf"), EStoreError);
}

TEST(FilterFileTest, SectionsInFileOrderWhateverTheirNames) {
  const TFilterRows filters =
      ReadFilterFile(TMemIniFile("[Spam]\r\nSubject=first\r\nFilterType=1\r\n"
                                 "[Spam]\r\nSubject=second\r\n"
                                 "[]\r\nSize=-5\r\nCheckSize=1\r\nGroups=fj.*\r\n"));
  ASSERT_EQ(filters.size(), 3u);
  EXPECT_EQ(filters[0]->Subject, "first");
  EXPECT_EQ(filters[0]->FilterType, ftFilter);
  EXPECT_EQ(filters[1]->Subject, "second");
  EXPECT_EQ(filters[1]->FilterType, ftMark);
  EXPECT_EQ(filters[2]->Size, 5);
  EXPECT_FALSE(filters[2]->SizeLarger);
  EXPECT_EQ(filters[2]->Groups, std::vector<std::string>{"fj.*"});
  EXPECT_TRUE(ReadFilterFile(TMemIniFile("no sections at all\n")).empty());
}

TEST(FilterFileTest, HostileFiles) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "[x]\nSubject=s" + std::to_string(i) + "\n";
  text += "[big]\nSubject=" + std::string(100 * 1024, 'a') +
          "\nGroups=" + std::string(100 * 1024, ',') + "\nFrom=(((((\nUseRegExp=1\n[bin]\n";
  for (int c = 0; c < 256; ++c) text += std::string("Subject=") + static_cast<char>(c) + "\n";
  const TFilterRows filters = ReadFilterFile(TMemIniFile(text));
  ASSERT_EQ(filters.size(), 10002u);
  EXPECT_EQ(filters[9999]->Subject, "s9999");
  EXPECT_EQ(filters[10000]->Groups.size(), 100u * 1024 + 1);

  TFilterManager manager;  // prepares them all: bad patterns are dropped
  manager.SetFilters(ReadFilterFile(TMemIniFile(text)));
  int type;
  EXPECT_TRUE(manager.Check(Subject("s5"), type));
}

}  // namespace
}  // namespace newsgate
