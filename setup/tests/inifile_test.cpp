// The INI reader reads values of any length whole; the writer flushes and writes.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/paths.h"
#include "scratch_root.h"
#include "setup/uIniFile.h"

namespace setup {
namespace {

class IniFileTest : public testing_support::ScratchRootTest {
 protected:
  const std::string file_ = "C:\\TEST.INI";
};

TEST_F(IniFileTest, ReadsValuesAroundTheBufferSteps) {
  for (std::size_t length : {0u, 1u, 255u, 256u, 257u, 300u, 511u, 512u, 70000u}) {
    std::string value(length, 'v');
    if (length > 0) value.back() = 'e';
    ASSERT_TRUE(WriteIniString("S", "K", value, file_));
    std::string read = ReadIniString("S", "K", "default", file_);
    EXPECT_EQ(read.size(), length);
    EXPECT_TRUE(read == value) << length;
  }
}

TEST_F(IniFileTest, MissingKeyGivesTheDefaultOfAnyLength) {
  EXPECT_EQ(ReadIniString("S", "Missing", "d", file_), "d");
  std::string longDefault(600, 'd');
  EXPECT_EQ(ReadIniString("S", "Missing", longDefault, file_), longDefault);
}

TEST_F(IniFileTest, EmptyValueLeavesTheKeyWithNothingAfterTheSign) {
  ASSERT_TRUE(WriteIniString("S", "K", "", file_));
  EXPECT_EQ(ReadIniString("S", "K", "default", file_), "");
  std::ifstream in(*win::HostPath(file_), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("K=\r\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace setup
