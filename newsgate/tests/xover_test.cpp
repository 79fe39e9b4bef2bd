#include "newsgate/xover.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace newsgate {
namespace {

enum class Outcome { Ok, Timezone, Convert };

struct DateCase {
  const char* text;
  Outcome outcome;
  const char* normalized;
};

TEST(NormalizeDateTest, ConvertsToJapanTimeOrFails) {
  const DateCase cases[] = {
      {"Thu, 03 Jul 2003 12:34:56 +0000", Outcome::Ok, "2003/07/03 21:34 "},
      {"03 Jul 2003 23:10:00 -0500", Outcome::Ok, "2003/07/04 13:10 "},
      {"Thu, 3 jul 2003 1:02 GMT", Outcome::Ok, "2003/07/03 10:02 "},
      {"3 Jul 2003 12:00:00 +0900 (JST)", Outcome::Ok, "2003/07/03 12:00 "},  // six words
      {"3 Jul 2003 12:00:00 +0900", Outcome::Ok, "2003/07/03 12:00 "},
      {"3 Jul 2003 12:00:00 +900", Outcome::Ok, "2003/07/03 12:00 "},
      {"3 Jul 2003 12:00:00 +0530", Outcome::Ok, "2003/07/03 15:30 "},
      {"3 Jul 2003 12:00:00", Outcome::Ok, "2003/07/03 12:00 "},  // no zone word
      {"1 Jan 2004 01:00 +0200", Outcome::Ok, "2004/01/01 08:00 "},
      {"31 Dec 2003 20:00 -1100", Outcome::Ok, "2004/01/01 16:00 "},
      {"28 Feb 2004 23:30 -0100", Outcome::Ok, "2004/02/29 09:30 "},           // leap day
      {"Mon ,  5 10 2003 07:05:09 +0000 ", Outcome::Ok, "2003/10/05 16:05 "},  // numeric month
      {"7 Jul 03 10:00 +0900", Outcome::Ok, "2003/07/07 10:00 "},
      {"7 Jul 99 10:00 +0900", Outcome::Ok, "1999/07/07 10:00 "},
      {"3 Jul 2003 12:00:00 EST", Outcome::Timezone, nullptr},
      {"3 Jul 2003 12:00:00 gmt", Outcome::Timezone, nullptr},
      {"3 Jul 2003 12:00:00 +05x0", Outcome::Convert, nullptr},
      {"3 Jul 2003 12:00:00 +", Outcome::Convert, nullptr},
      {"3 Jul 2003 12:00:00 +2400", Outcome::Convert, nullptr},
      {"3 Jul 2003 12:00:00 +0060", Outcome::Convert, nullptr},
      {"3 Jul 2003 12:00:00 +99999999999", Outcome::Convert, nullptr},
      {" 3 Jul 2003 12:00:00 +0000", Outcome::Convert, nullptr},  // empty first word shifts all
      {"", Outcome::Convert, nullptr},
      {"Thu,", Outcome::Convert, nullptr},
      {"31 Feb 2003 12:00", Outcome::Convert, nullptr},
      {"29 Feb 2003 12:00", Outcome::Convert, nullptr},
      {"3 Foo 2003 12:00", Outcome::Convert, nullptr},
      {"3 Jul 2003 24:00", Outcome::Convert, nullptr},
      {"3 Jul 2003 12:60", Outcome::Convert, nullptr},
      {"3 Jul 2003 12", Outcome::Convert, nullptr},
      {"3 Jul 2003 12:00:00:00", Outcome::Convert, nullptr},
      {"3 Jul 2003 -1:00", Outcome::Convert, nullptr},
      {"3/4 Jul 2003 12:00", Outcome::Convert, nullptr},
      {"3 Jul 0 12:00 +0900", Outcome::Ok, "2000/07/03 12:00 "},
      {"3 Jul 0000 12:00", Outcome::Convert, nullptr},
      {"1 Jan 0001 00:00 +2300", Outcome::Convert, nullptr},  // runs back before year 1
      {"31 Dec 9999 23:00 GMT", Outcome::Convert, nullptr},   // runs past year 9999
  };
  for (const DateCase& c : cases) {
    SCOPED_TRACE(c.text);
    switch (c.outcome) {
      case Outcome::Ok:
        EXPECT_EQ(NormalizeDate(c.text), c.normalized);
        break;
      case Outcome::Timezone:
        try {
          NormalizeDate(c.text);
          ADD_FAILURE() << "no error";
        } catch (const ETimezoneError& e) {
          EXPECT_STREQ(e.what(), "Invalid timezone format");
        }
        break;
      case Outcome::Convert:
        EXPECT_THROW(NormalizeDate(c.text), EConvertError);
        break;
    }
  }
}

TEST(SplitWordsTest, CutsAtBlanksAndStopsAtCarriageReturn) {
  struct Case {
    const char* text;
    int minimum;
    std::vector<std::string> words;
  } cases[] = {
      {"GROUP  fj.test\tx", 1, {"GROUP", "fj.test", "x"}},
      {"  lead", 0, {"", "lead"}},
      {"trail \t ", 0, {"trail"}},
      {"a b\rc d", 0, {"a", "b"}},
      {"\rrest", 0, {}},
      {"", 1, {""}},
      {"one", 3, {"one", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> list{"stale"};
    EXPECT_EQ(SplitWords(c.text, list, c.minimum), static_cast<int>(c.words.size()));
    EXPECT_EQ(list, c.words);
  }
}

TEST(XoverTest, ParsesFieldsAndFillsInfo) {
  TXOVER x;
  x.Parse(
      "123\tRe: hello\talice@example.jp\tThu, 03 Jul 2003 12:34:56 +0000\t<id@x>\t<ref@x>\t"
      "2048\t40\tXref: host fj.test:1 fj.rec:2\textra");
  EXPECT_EQ(x.subject, "Re: hello");
  EXPECT_EQ(x.from, "alice@example.jp");
  EXPECT_EQ(x.date, "2003/07/03 21:34 ");
  EXPECT_EQ(x.bytes, 2048);
  EXPECT_EQ(x.xref, "Xref: host fj.test:1 fj.rec:2");

  TOverviewInfo info;
  x.FillInfo(info);
  EXPECT_EQ(info.bytes, 2048);
  EXPECT_EQ(info.subject.data(), x.subject.data());  // a reference, not a copy
  EXPECT_EQ(info.from, "alice@example.jp");
  EXPECT_EQ(info.xref, x.xref);
  EXPECT_NE(info.group.data(), nullptr);
}

TEST(XoverTest, MissingAndOddFields) {
  TXOVER x;
  x.Parse("1\t\t\t3 Jul 2003 12:00\t\t\tlots\t");  // 8 fields, bytes not a number
  EXPECT_EQ(x.subject, "");
  EXPECT_EQ(x.bytes, 0);
  EXPECT_EQ(x.xref, "");

  x.Parse("1\ts\tf\t3 Jul 2003 12:00\t\t\t-7\t\t\t");
  EXPECT_EQ(x.bytes, -7);

  TXOVER y;
  y.bytes = 5;
  EXPECT_THROW(y.Parse("1\tsubject\tfrom"), EConvertError);  // empty Date field
  EXPECT_EQ(y.subject, "subject");                           // assigned before the date
  EXPECT_EQ(y.bytes, 5);                                     // not reached

  const std::string big(100 * 1024, 'x');
  TXOVER z;
  z.Parse("1\t" + big + "\t" + big + "\t3 Jul 2003 12:00\t\t\t99999999999\t\t" + big);
  EXPECT_EQ(z.subject.size(), big.size());
  EXPECT_EQ(z.bytes, 0);  // out of range is not a number
  EXPECT_EQ(z.xref.size(), big.size());
  EXPECT_THROW(z.Parse("1\ts\tf\t" + big), EConvertError);
}

}  // namespace
}  // namespace newsgate
