#include "newsgate/filter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace newsgate {
namespace {

// Rules read the code page when they are prepared: Shift-JIS, without looking for a system root.
const bool kShiftJis = [] {
  win::SetACPOverride(932);
  return true;
}();

TOverviewInfo Info(std::string_view group, std::string_view subject, std::string_view from = "",
                   std::int32_t bytes = 0, std::string_view xref = "") {
  TOverviewInfo info;
  info.group = group;
  info.subject = subject;
  info.from = from;
  info.bytes = bytes;
  info.xref = xref;
  return info;
}

struct MatchCase {
  const char* name;
  std::function<void(TFilter&)> setup;
  TOverviewInfo info;
  bool matches;
};

void RunMatchCases(const std::vector<MatchCase>& cases) {
  for (const MatchCase& c : cases) {
    SCOPED_TRACE(c.name);
    TFilter filter;
    filter.FilterType = ftFilter;
    c.setup(filter);
    filter.Prepare();
    int type = -7;
    EXPECT_EQ(filter.Match(c.info, type), c.matches);
    EXPECT_EQ(type, c.matches ? ftFilter : -7);
    EXPECT_EQ(filter.HitCount(), c.matches ? 1 : 0);
  }
}

auto Groups(std::vector<std::string> groups) {
  return [groups](TFilter& f) { f.Groups = groups; };
}

TEST(FilterTest, NewFilterCatchesEverythingAsMark) {
  TFilter filter;
  filter.Prepare();
  int type = -1;
  EXPECT_TRUE(filter.Match(Info("", ""), type));
  EXPECT_TRUE(filter.Match(Info("fj.rec", "anything", "x", 99999999, "h a:1 b:2"), type));
  EXPECT_EQ(type, ftMark);
  EXPECT_EQ(filter.HitCount(), 2);
}

TEST(FilterTest, GroupWildcards) {
  RunMatchCases({
      {"last match decides: include", Groups({"fj.*", "!fj.test"}), Info("fj.rec", ""), true},
      {"last match decides: exclude", Groups({"fj.*", "!fj.test"}), Info("fj.test", ""), false},
      {"exclusion first, then all", Groups({"!fj.test", "fj.*"}), Info("fj.test", ""), true},
      {"only exclusions", Groups({"!fj.test"}), Info("alt.misc", ""), false},
      {"letter case ignored", Groups({"FJ.Rec.*"}), Info("fj.rec.games", ""), true},
      {"anchored at both ends", Groups({"fj.rec"}), Info("fj.rec.games", ""), false},
      {"dot is only a dot", Groups({"fj.rec"}), Info("fjxrec", ""), false},
      {"leading star", Groups({"*.test"}), Info("alt.test", ""), true},
      {"leading star, end anchored", Groups({"*.test"}), Info("alt.testing", ""), false},
      {"other characters are pattern syntax", Groups({"fj.(rec|sci).*"}), Info("fj.sci.x", ""),
       true},
      {"no group selected", Groups({"fj.*"}), Info("", ""), false},
      {"entry that does not compile", Groups({"fj.(", "!"}), Info("fj.(", ""), false},
      {"bad entry dropped, others apply", Groups({"fj.[", "alt.*"}), Info("alt.x", ""), true},
      {"empty entry has no pattern", Groups({""}), Info("", ""), false},
  });
}

TEST(FilterTest, KeywordsAndPatterns) {
  auto subject = [](std::string s) { return [s](TFilter& f) { f.Subject = s; }; };
  auto regexp = [](std::string s, std::string from) {
    return [s, from](TFilter& f) {
      f.UseRegExp = 1;
      f.Subject = s;
      f.From = from;
    };
  };
  RunMatchCases({
      {"keywords are case-sensitive", subject("Spam"), Info("", "spam offer"), false},
      {"all keywords, any order", subject("foo bar"), Info("", "bar and foo"), true},
      {"one keyword missing", subject("foo bar"), Info("", "foo only"), false},
      {"runs of spaces count once", subject("foo   bar "), Info("", "foobar"), true},
      {"leading space: empty keyword never occurs", subject(" foo"), Info("", "foo"), false},
      {"sender keywords", [](TFilter& f) { f.From = "@spam"; }, Info("", "", "x@spam.jp"), true},
      {"keyword after a zero byte", subject("tail"), Info("", std::string_view("a\0tail", 6)),
       true},
      {"pattern anywhere, caseless", regexp("sale$", ""), Info("", "BIG SALE"), true},
      {"pattern anchored", regexp("^sale", ""), Info("", "big sale"), false},
      {"both patterns must match", regexp("sale", "^bob"), Info("", "sale", "alice"), false},
      {"a pattern that does not compile is dropped", regexp("sale", "(("),
       Info("", "sale", "alice"), true},
      {"keywords not used in pattern mode", regexp("a b", ""), Info("", "b a"), false},
  });
}

TEST(FilterTest, KeywordsRespectDoubleByteCharacters) {
  struct Case {
    unsigned codePage;
    const char* subject;
    bool matches;
  } cases[] = {
      {932, "\x83\x41", false},  // ア: "A" is its second byte
      {932,
       "\x83\x41"
       "A",
       true},                       // then a real A
      {932, "\x82\xA0\x41", true},  // あA
      {1252, "\x83\x41", true},     // single-byte code page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.subject);
    win::SetACPOverride(c.codePage);
    TFilter filter;
    filter.Subject = "A";
    filter.Prepare();
    int type;
    EXPECT_EQ(filter.Match(Info("", c.subject), type), c.matches);
  }
  win::SetACPOverride(932);
}

TEST(FilterTest, SizeAndCrossPost) {
  auto size = [](int kb, bool larger) {
    return [=](TFilter& f) {
      f.CheckSize = true;
      f.Size = kb;
      f.SizeLarger = larger;
    };
  };
  auto cross = [](TFilter& f) { f.CrossPost = true; };
  RunMatchCases({
      {"at most 10 KB: bound included", size(10, false), Info("", "", "", 10240), true},
      {"at most 10 KB: one byte over", size(10, false), Info("", "", "", 10241), false},
      {"at least 10 KB: bound included", size(10, true), Info("", "", "", 10240), true},
      {"at least 10 KB: one byte short", size(10, true), Info("", "", "", 10239), false},
      {"at least 0 KB: everything", size(0, true), Info("", "", "", 0), true},
      {"huge size does not overflow", size(INT32_MAX, false), Info("", "", "", INT32_MAX), true},
      {"two Xref items", cross, Info("", "", "", 0, "host a.b:1"), false},
      {"three Xref items", cross, Info("", "", "", 0, "host a.b:1 c.d:2"), true},
      {"empty Xref", cross, Info("", "", "", 0, ""), false},
      {"header name in front adds one", cross, Info("", "", "", 0, "Xref: host a.b:1"), true},
  });
}

TEST(FilterTest, RegularExpressionsHaveAStepLimit) {
  TFilter filter;
  filter.UseRegExp = 1;
  filter.Subject = "^(a|aa)+$";
  filter.Prepare();
  int type;
  // exponential backtracking: counts as not matched instead of running for ages
  EXPECT_FALSE(filter.Match(Info("", std::string(64, 'a') + "b"), type));
  EXPECT_TRUE(filter.Match(Info("", std::string(64, 'a')), type));
  filter.Subject = "(x+x+)+y";
  filter.Prepare();
  EXPECT_FALSE(filter.Match(Info("", std::string(100 * 1024, 'x')), type));
}

TEST(FilterTest, DescriptionAndListRow) {
  TFilter filter;
  EXPECT_EQ(filter.GetDescription(), "");
  filter.From = "spam";
  filter.CheckSize = true;
  filter.Size = 10;
  EXPECT_EQ(filter.GetDescription(), " From:spam 10KB\x88\xC8\x89\xBA");  // " From:spam 10KB以下"

  filter.UseRegExp = 1;
  filter.From = "";
  filter.Subject = "x";
  filter.SizeLarger = true;
  filter.CrossPost = true;
  filter.Groups = {"fj.*", "a b"};
  // " 正規表現 Subject:x 10KB以上 クロスポスト 対象:fj.*,"a b""
  EXPECT_EQ(filter.GetDescription(),
            " \x90\xB3\x8B\x4B\x95\x5C\x8C\xBB Subject:x 10KB\x88\xC8\x8F\xE3"
            " \x83\x4E\x83\x8D\x83\x58\x83\x7C\x83\x58\x83\x67 \x91\xCE\x8F\xDB:fj.*,\"a b\"");
  filter.Description = "mine";
  EXPECT_EQ(filter.GetDescription(), "mine");

  TListItemData row;
  row.SubItems = {"stale", "stale", "stale"};
  filter.FilterType = ftExclude;
  filter.Enabled = false;
  filter.SetHitCount(42);
  filter.ToListItem(row);
  EXPECT_EQ(row.Caption, "\x83\x74\x83\x42\x83\x8B\x83\x5E\x82\xA9\x82\xE7\x8F\x9C\x8A\x4F");
  EXPECT_EQ(row.SubItems, (std::vector<std::string>{"42", "mine"}));
  EXPECT_FALSE(row.Checked);
  filter.FilterType = 7;
  filter.ToListItem(row);
  EXPECT_EQ(row.Caption, "7");
}

TEST(FilterTest, SaveWritesTheStoredForm) {
  TFilter filter;
  filter.Enabled = false;
  filter.Description = "  padded ";
  filter.SetHitCount(-3);
  filter.FilterType = ftAlwaysFilter;
  filter.Subject = "\"quoted\"";
  filter.From = "\x83\x5C";  // ソ, whose second byte is a backslash
  filter.UseRegExp = 1;
  filter.CheckSize = true;
  filter.Size = 10;
  filter.CrossPost = true;
  filter.Groups = {"fj.*", "!fj.test", "with space", ""};
  TMemIniFile store;
  filter.Save(store, "S");
  EXPECT_EQ(store.GetText(),
            "[S]\r\nEnabled=0\r\nDescription=\"  padded \"\r\nHitCount=-3\r\nFilterType=3\r\n"
            "Subject=\"\"quoted\"\"\r\nFrom=\x83\x5C\r\nUseRegExp=1\r\nSize=-10\r\n"
            "CheckSize=1\r\nCrossPost=1\r\nGroups=fj.*,!fj.test,\"with space\",\r\n");

  TFilter loaded;
  loaded.Load(TMemIniFile(store.GetText()), "s");
  EXPECT_EQ(loaded.Enabled, false);
  EXPECT_EQ(loaded.Description, filter.Description);
  EXPECT_EQ(loaded.HitCount(), -3);
  EXPECT_EQ(loaded.FilterType, ftAlwaysFilter);
  EXPECT_EQ(loaded.Subject, filter.Subject);
  EXPECT_EQ(loaded.From, filter.From);
  EXPECT_EQ(loaded.UseRegExp, 1);
  EXPECT_TRUE(loaded.CheckSize);
  EXPECT_EQ(loaded.Size, 10);
  EXPECT_FALSE(loaded.SizeLarger);
  EXPECT_TRUE(loaded.CrossPost);
  EXPECT_EQ(loaded.Groups, filter.Groups);
}

TEST(FilterTest, LoadRulesAndDefaults) {
  struct Case {
    const char* values;
    std::function<void(const TFilter&)> check;
  } cases[] = {
      {"",
       [](const TFilter& f) {
         EXPECT_TRUE(f.Enabled);
         EXPECT_EQ(f.FilterType, ftMark);
         EXPECT_EQ(f.Size, 1);
         EXPECT_TRUE(f.SizeLarger);  // a missing size reads as 1 KB or more
         EXPECT_FALSE(f.CheckSize);
         EXPECT_TRUE(f.Groups.empty());
       }},
      {"Size=-5",
       [](const TFilter& f) { EXPECT_EQ(std::pair(f.Size, f.SizeLarger), std::pair(5, false)); }},
      {"Size=0",
       [](const TFilter& f) { EXPECT_EQ(std::pair(f.Size, f.SizeLarger), std::pair(0, true)); }},
      {"Size=-2147483648",
       [](const TFilter& f) {
         EXPECT_EQ(std::pair(f.Size, f.SizeLarger), std::pair(INT32_MAX, false));
       }},
      {"Size=12KB", [](const TFilter& f) { EXPECT_EQ(f.Size, 1); }},
      {"Enabled=abc", [](const TFilter& f) { EXPECT_TRUE(f.Enabled); }},
      {"Enabled=0", [](const TFilter& f) { EXPECT_FALSE(f.Enabled); }},
      {"CheckSize=2", [](const TFilter& f) { EXPECT_TRUE(f.CheckSize); }},
      {"UseRegExp=-1", [](const TFilter& f) { EXPECT_EQ(f.UseRegExp, 1); }},
      {"HitCount=many", [](const TFilter& f) { EXPECT_EQ(f.HitCount(), 0); }},
      {"Groups=a b,\"c,d\"",
       [](const TFilter& f) {
         EXPECT_EQ(f.Groups, (std::vector<std::string>{"a", "b", "c,d"}));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.values);
    TFilter filter;
    filter.Enabled = false;  // Load sets every setting, also to its default
    filter.Groups = {"old"};
    filter.Load(TMemIniFile(std::string("[F]\n") + c.values), "F");
    c.check(filter);
  }
}

TEST(FilterTest, AssignCopiesSettingsButNotPatterns) {
  TFilter source;
  source.Groups = {"fj.*"};
  source.Subject = "foo";
  source.SetHitCount(5);
  source.Prepare();

  TFilter copy;
  copy.Prepare();  // a new filter matches everything until the copy replaces its settings
  copy.Assign(source);
  EXPECT_EQ(copy.HitCount(), 5);
  EXPECT_EQ(copy.Groups, source.Groups);
  int type;
  EXPECT_FALSE(copy.Match(Info("fj.rec", "foo"), type));  // unprepared
  copy.Prepare();
  EXPECT_TRUE(copy.Match(Info("fj.rec", "foo"), type));
  EXPECT_EQ(source.HitCount(), 5);
}

TEST(FilterTest, EditRunsTheInstalledDialogOnAnUnpreparedFilter) {
  TFilter filter;
  filter.Groups = {"fj.*"};
  filter.Prepare();
  EXPECT_THROW(filter.Edit(), std::logic_error);

  filter.Prepare();
  TFilter::EditDialog = [](TFilter& f) {
    int type;
    EXPECT_FALSE(f.Match(Info("fj.rec", ""), type));  // the patterns are gone
    f.Subject = "edited";
    return true;
  };
  EXPECT_TRUE(filter.Edit());
  EXPECT_EQ(filter.Subject, "edited");
  TFilter::EditDialog = nullptr;
}

TEST(SplitTextTest, Items) {
  struct Case {
    const char* text;
    char separator;
    int minimum;
    std::vector<std::string> items;
  } cases[] = {
      {"foo bar", ' ', 0, {"foo", "bar"}},
      {" foo", ' ', 0, {"", "foo"}},
      {"foo  bar  ", ' ', 0, {"foo", "bar"}},
      {"a\rb", ' ', 0, {"a"}},
      {"", ' ', 2, {"", ""}},
      {"host a.b:1 c.d:2", ':', 0, {"host a.b", "1 c.d", "2"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(SplitText(c.text, list, c.separator, c.minimum), static_cast<int>(c.items.size()));
    EXPECT_EQ(list, c.items) << c.text;
  }
}

}  // namespace
}  // namespace newsgate
