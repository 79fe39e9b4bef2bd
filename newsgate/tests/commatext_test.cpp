#include "newsgate/commatext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace newsgate {
namespace {

using List = std::vector<std::string>;

TEST(CommaTextTest, Writes) {
  const std::pair<List, std::string> cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"", ""}, ","},
      {{"a", ""}, "a,"},
      {{"fj.*", "!fj.test"}, "fj.*,!fj.test"},
      {{"a b", "c,d", "say \"hi\"", "tab\there"},
       "\"a b\",\"c,d\",\"say \"\"hi\"\"\",\"tab\there\""},
      {{"\x83\x5C", "\x01"}, "\x83\x5C,\"\x01\""},
  };
  for (const auto& [items, text] : cases) EXPECT_EQ(GetCommaText(items), text);
}

TEST(CommaTextTest, Reads) {
  const std::pair<std::string, List> cases[] = {
      {"", {}},
      {"   ", {}},
      {"\"\"", {""}},
      {"a,", {"a", ""}},
      {"a, ", {"a"}},  // the comma is not directly before the end
      {",", {"", ""}},
      {"a,,b", {"a", "", "b"}},
      {"  a  ,  b  ", {"a", "b"}},
      {"a b", {"a", "b"}},  // an unquoted blank separates too
      {"\"a b\",\"c\"\"d\"", {"a b", "c\"d"}},
      {"\"unterminated, still", {"unterminated, still"}},
      {"\"ab\"cd", {"ab", "cd"}},
      {std::string("a,b\0,c", 6), {"a", "b"}},
  };
  for (const auto& [text, items] : cases) {
    List list{"stale"};
    SetCommaText(text, list);
    EXPECT_EQ(list, items) << text;
  }
}

TEST(CommaTextTest, WrittenListsReadBack) {
  const List lists[] = {
      {""},
      {"", ""},
      {"", "x", ""},
      {" lead", "trail ", "\"", "\"\"", ",", "a\x7f"},
      {"\x83\x40\x20"},
  };
  for (const List& list : lists) {
    List read;
    SetCommaText(GetCommaText(list), read);
    EXPECT_EQ(read, list) << GetCommaText(list);
  }
}

}  // namespace
}  // namespace newsgate
