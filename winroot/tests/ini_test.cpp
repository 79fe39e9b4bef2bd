#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/codepage.h"
#include "scratch_root.h"
#include "winroot/commands.h"

namespace {

struct Step {
  std::vector<std::string> args;  // after "winroot ini"
  int status;
  std::string out;
  std::string errPart;  // a part of the message, empty when none is expected
};

class IniCommandTest : public testing_support::ScratchRootTest {
 protected:
  void SetUp() override { win::SetACPOverride(932); }
  void TearDown() override { win::SetACPOverride(0); }

  void Run(const Step& step) {
    std::vector<std::string> args{"ini"};
    args.insert(args.end(), step.args.begin(), step.args.end());
    std::ostringstream out, err;
    EXPECT_EQ(winroot::Run(args, out, err), step.status);
    EXPECT_EQ(out.str(), step.out);
    if (step.errPart.empty()) {
      EXPECT_EQ(err.str(), "");
    } else {
      EXPECT_NE(err.str().find(step.errPart), std::string::npos) << err.str();
    }
  }
  std::string Bytes(const std::string& name) const {
    std::ifstream in(root_.driveC() / "windows" / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
};

TEST_F(IniCommandTest, GetsAndSetsValues) {
  const Step steps[] = {
      {{"set", "app.ini", "設定", "Key", "値 one"}, 0, "", ""},
      {{"get", "app.ini", "設定", "KEY"}, 0, "値 one\n", ""},
      {{"get", "C:\\Windows\\APP.INI", "設定", "key", "dflt"}, 0, "値 one\n", ""},
      {{"get", "app.ini", "設定", "missing", "既定"}, 0, "既定\n", ""},
      {{"get", "app.ini", "設定", "missing"}, 1, "\n", "no key \"missing\""},
      {{"set", "app.ini", "設定", "Key"}, 0, "", ""},
      {{"get", "app.ini", "設定", "Key"}, 1, "\n", "no key"},
      {{"set", "C:\\no folder\\x.ini", "s", "k", "v"}, 1, "", "cannot write C:\\no folder\\x.ini"},
      {{"get", "app.ini", "s", "\xF0\x9F\x98\x80"}, 1, "", "cannot hold"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.args[0] + " " + step.args[1] + " " + step.args[3]);
    Run(step);
  }
  EXPECT_EQ(Bytes("app.ini"), "[\x90\xdd\x92\xe8]\r\n");  // Shift-JIS, the key deleted
}

TEST_F(IniCommandTest, RejectsBadArguments) {
  const Step steps[] = {
      {{}, 1, "", "wrong number of arguments"},
      {{"get", "app.ini", "s"}, 1, "", "usage: winroot ini get"},
      {{"set", "app.ini", "s", "k", "v", "extra"}, 1, "", "wrong number of arguments"},
      {{"put", "app.ini", "s", "k"}, 1, "", "unknown action \"put\""},
      {{"get", "", "s", "k"}, 1, "", "FILE is empty"},
  };
  for (const Step& step : steps) Run(step);
}

}  // namespace
