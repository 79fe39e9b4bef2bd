#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/errors.h"
#include "scratch_root.h"

namespace {

using ErrorTextTest = testing_support::ScratchRootTest;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(ErrorTextTest, EveryCodeTheProgramsMeetHasItsOwnText) {
  const std::string ending = win::Utf8ToAnsi("。\r\n");
  const win::DWORD codes[] = {0,   1,   2,   3,   4,   5,   6,   8,    15,   17,   18,   19,
                              20,  21,  31,  32,  39,  80,  87,  112,  122,  123,  126,  127,
                              145, 183, 193, 206, 234, 259, 267, 1009, 1013, 1018, 1117, 1921};
  for (win::DWORD code : codes) {
    const std::string text = win::SystemMessage(code);
    EXPECT_TRUE(EndsWith(text, ending)) << code;
    EXPECT_EQ(text.find(std::to_string(code)), std::string::npos) << code;
    EXPECT_GT(text.size(), ending.size() + 4) << code;
  }
  EXPECT_EQ(win::AnsiToUtf8(win::SystemMessage(5)), "アクセスが許可されていません。\r\n");
  EXPECT_EQ(win::SystemMessage(2), win::Utf8ToAnsi("指定のファイルが見つかりません。\r\n"));
}

TEST_F(ErrorTextTest, OtherCodesNameTheNumber) {
  const std::string text = win::SystemMessage(4321);
  EXPECT_NE(text.find("4321"), std::string::npos);
  EXPECT_TRUE(EndsWith(text, win::Utf8ToAnsi("。\r\n")));
  EXPECT_NE(text, win::SystemMessage(4322));
}

}  // namespace
