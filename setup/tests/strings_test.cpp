// Double-byte aware search, copies, delimiters and fields over Shift-JIS text.
#include <gtest/gtest.h>

#include "scratch_root.h"
#include "setup/MBUtils.h"
#include "setup/MainHelpers.h"
#include "setup/uStrOp.h"

namespace setup {
namespace {

// Shift-JIS characters whose trail byte looks like an ASCII separator.
constexpr char kHyo[] = "\x95\x5c";    // a kanji whose trail byte is "\"
constexpr char kPo[] = "\x83\x7c";     // a katakana whose trail byte is "|"
constexpr char kFullA[] = "\x82\x81";  // full-width small a
constexpr char kFullCapA[] = "\x82\x60";

class StringsTest : public testing_support::ScratchRootTest {};

TEST_F(StringsTest, MBPosFindsOnlyAtCharacterStarts) {
  struct Case {
    std::string pattern, text;
    std::size_t position;
  } cases[] = {
      {"b", "abc", 2},
      {"", "abc", 0},
      {"abcd", "abc", 0},
      {"\\", kHyo, 0},
      {"\\", std::string(kHyo) + "\\", 3},
      {"|", std::string(kPo) + "|", 3},
      {"\x5c\x95", std::string("a") + kHyo + kHyo, 0},  // never across a character boundary
      {"\x95", "a\x95", 2},                             // a lead byte as the last byte
      {"x", "a\x95", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MBPos(c.pattern, c.text), c.position) << c.text;
}

TEST_F(StringsTest, PosTextIgnoresCase) {
  struct Case {
    std::string pattern, text;
    std::size_t position;
  } cases[] = {
      {"SETUP ONLY.", "Sample (Setup Only.)", 9},
      {"(app)", "x(App)Data", 2},
      {kFullA, std::string("x") + kFullCapA, 2},
      {"\\", kHyo, 0},
      {"z", "abc", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PosText(c.pattern, c.text), c.position) << c.text;
}

TEST_F(StringsTest, CopiesClampTheirCounts) {
  EXPECT_EQ(LeftStr("abc", 2), "ab");
  EXPECT_EQ(LeftStr("abc", -1), "");
  EXPECT_EQ(LeftStr("abc", 9), "abc");
  EXPECT_EQ(RightStr("abc", 2), "bc");
  EXPECT_EQ(RightStr("abc", 0), "");
  EXPECT_EQ(RightStr("abc", 9), "abc");
  EXPECT_EQ(MidStr("abc", 2), "bc");
  EXPECT_EQ(MidStr("abc", 0), "abc");
  EXPECT_EQ(MidStr("abc", 4), "");
}

TEST_F(StringsTest, DelimitersRespectTrailBytes) {
  const std::string hyoPath = std::string("C:\\") + kHyo;
  struct Case {
    std::string text, option, added, removed;
  } cases[] = {
      {"C:\\A", "B", "C:\\A\\", "C:\\A"},
      {"C:\\A\\", "B", "C:\\A\\", "C:\\A"},
      {"", "B", "\\", ""},
      {hyoPath, "B", hyoPath + "\\", hyoPath},
      {"A", "T", "\\A", "A"},
      {"\\A", "T", "\\A", "A"},
      {"A", "Bottom", "A\\", "A"},
      {"\\A\\", "X", "\\A\\", "\\A\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddDelimiter(c.text, c.option), c.added) << c.text << " " << c.option;
    EXPECT_EQ(RemoveDelimiter(c.text, c.option), c.removed) << c.text << " " << c.option;
  }
}

TEST_F(StringsTest, GetFieldSplitsAtEverySeparator) {
  const char* fields[] = {"a", "b", "", "d", ""};
  for (std::size_t n = 0; n < 5; ++n) EXPECT_EQ(GetField("a,b,,d", ',', n + 1), fields[n]) << n;
  EXPECT_EQ(GetField("a,b", ',', 0), "");
  EXPECT_EQ(GetField("", ',', 1), "");
  EXPECT_EQ(GetField(std::string(kPo) + "|x", '|', 1), kPo);
  EXPECT_EQ(GetField(std::string(kPo) + "|x", '|', 2), "x");
}

TEST_F(StringsTest, MapStringMapsByTheLocale) {
  EXPECT_EQ(MapString("abc", LCMAP_UPPERCASE), "ABC");
  EXPECT_EQ(MapString("A1", LCMAP_FULLWIDTH), std::string(kFullCapA) + "\x82\x50");
  EXPECT_EQ(MapString("", LCMAP_UPPERCASE), "");
}

}  // namespace
}  // namespace setup
