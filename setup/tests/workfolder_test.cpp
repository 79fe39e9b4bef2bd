// The numbering of the work folders and their removal.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/paths.h"
#include "platform/system.h"
#include "scratch_root.h"
#include "setup/MainWorkFolder.h"

namespace setup {
namespace {

class WorkFolderTest : public testing_support::ScratchRootTest {
 protected:
  const std::string temp_ = win::GetTempPathA();
  static std::filesystem::path Host(const std::string& path) { return *win::HostPath(path); }
  void MakeFile(const std::string& path) {
    std::filesystem::create_directories(Host(path).parent_path());
    std::ofstream(Host(path)) << "x";
  }
};

TEST_F(WorkFolderTest, TheFirstFreeNumberIsTakenAndTheLastWhenAllAreUsed) {
  EXPECT_EQ(WorkFolderPath(temp_, 12), temp_ + "BSTMP12\\");
  EXPECT_EQ(CreateWorkFolder(temp_), temp_ + "BSTMP1\\");
  EXPECT_TRUE(std::filesystem::is_directory(Host(temp_ + "BSTMP1")));
  std::filesystem::create_directory(Host(temp_ + "BSTMP3"));
  EXPECT_EQ(CreateWorkFolder(temp_), temp_ + "BSTMP2\\");
  EXPECT_EQ(CreateWorkFolder(temp_), temp_ + "BSTMP4\\") << "BSTMP3 was there already";
  for (int n = 1; n <= kWorkFolders; ++n)
    std::filesystem::create_directories(Host(WorkFolderPath(temp_, n)));
  MakeFile(temp_ + "BSTMP99\\SETUP.INI");
  EXPECT_EQ(CreateWorkFolder(temp_), temp_ + "BSTMP99\\");
  EXPECT_TRUE(std::filesystem::exists(Host(temp_ + "BSTMP99\\SETUP.INI"))) << "reused as it is";
}

TEST_F(WorkFolderTest, RemovalTakesEveryNumberedFolderWithItsContentsAndNothingElse) {
  for (const char* path : {"BSTMP1\\SETUPB.EXE", "BSTMP7\\SUB\\FILE.INI", "BSTMP99\\A.TXT",
                           "BSTMP100\\KEEP.TXT", "BSTMP0\\KEEP.TXT", "OTHER\\KEEP.TXT"})
    MakeFile(temp_ + path);
  std::filesystem::create_directory(Host(temp_ + "BSTMP5"));
  std::filesystem::permissions(Host(temp_ + "BSTMP1\\SETUPB.EXE"),
                               std::filesystem::perms::owner_read);  // read-only goes too
  RemoveWorkFolders(temp_, SetupMode::Setup);
  for (const char* gone : {"BSTMP1", "BSTMP5", "BSTMP7", "BSTMP99"})
    EXPECT_FALSE(std::filesystem::exists(Host(temp_ + gone))) << gone;
  for (const char* kept : {"BSTMP100\\KEEP.TXT", "BSTMP0\\KEEP.TXT", "OTHER\\KEEP.TXT"})
    EXPECT_TRUE(std::filesystem::exists(Host(temp_ + kept))) << kept;
}

}  // namespace
}  // namespace setup
