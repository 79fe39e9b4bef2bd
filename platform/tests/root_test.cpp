#include "platform/root.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/codepage.h"
#include "platform/registry.h"
#include "scratch_root.h"

namespace {

namespace fs = std::filesystem;

const char kVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kCodePageKey[] = "System\\CurrentControlSet\\Control\\Nls\\CodePage";

std::string ReadString(const char* key, const char* name) {
  win::RegKey k;
  std::string text;
  if (win::RegKey::Open(win::HKEY::LocalMachine, key, k) != 0 || k.QueryString(name, text) != 0)
    return "(missing)";
  return text;
}

std::vector<std::string> LayoutFolders() {
  const std::string user = "drive_c/users/" + win::HostLoginName();
  return {"drive_c/windows/system32",
          "drive_c/Program Files",
          user + "/Desktop",
          user + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/StartUp",
          user + "/AppData/Roaming/Microsoft/Windows/SendTo",
          user + "/AppData/Local/Temp",
          "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/StartUp",
          "drive_c/users/Public/Desktop"};
}

class RootTest : public testing_support::ScratchRootTest {};

TEST_F(RootTest, NewRootGetsTheWholeLayout) {
  const fs::path& root = root_.path();
  EXPECT_EQ(win::SystemRoot(), root);
  for (const std::string& folder : LayoutFolders())
    EXPECT_TRUE(fs::is_directory(root / folder)) << folder;
  EXPECT_EQ(fs::read_symlink(root / "dosdevices/c:"), "../drive_c");
  EXPECT_EQ(fs::read_symlink(root / "dosdevices/z:"), "/");
  EXPECT_EQ(ReadString(kVersionKey, "ProgramFilesDir"), "C:\\Program Files");
  EXPECT_EQ(ReadString(kCodePageKey, "ACP"), "932");
}

// A root that already holds a system (a Wine prefix) keeps everything it holds.
TEST_F(RootTest, ExistingRootIsCompletedNotChanged) {
  const fs::path prefix = root_.path().parent_path() / "prefix";
  fs::create_directories(prefix / "dosdevices");
  fs::create_directories(prefix / "c/Windows/System32");
  fs::create_directory_symlink("../c", prefix / "dosdevices/c:");
  std::ofstream(prefix / "c/Windows/win.ini") << "[windows]\r\n";
  std::ofstream(prefix / "system.reg") << "WINE REGISTRY Version 2\n"
                                          ";; All keys relative to \\\\Machine\n\n"
                                          "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1\n"
                                          "\"ProgramFilesDir\"=\"D:\\\\Apps\"\n";
  for (int pass = 0; pass < 2; ++pass) {
    win::UseSystemRoot(prefix);
    win::SystemRoot();
    EXPECT_EQ(fs::read_symlink(prefix / "dosdevices/c:"), "../c");
    EXPECT_TRUE(fs::exists(prefix / "c/Windows/win.ini"));
    EXPECT_FALSE(fs::exists(prefix / "c/windows"));  // found without regard to case
    EXPECT_TRUE(fs::is_directory(prefix / "c/Windows/System32"));
    EXPECT_TRUE(fs::is_directory(prefix / "c/Program Files"));
    EXPECT_EQ(ReadString(kVersionKey, "ProgramFilesDir"), "D:\\Apps");
    EXPECT_EQ(ReadString(kCodePageKey, "ACP"), "932");  // missing values are added
  }
}

TEST_F(RootTest, SwitchingRootsRunsTheHandlers) {
  static int calls = 0;
  static fs::path seen;
  win::OnSystemRootChange([] {
    ++calls;
    seen = win::SystemRoot();
  });
  const fs::path other = root_.path().parent_path() / "other";
  win::UseSystemRoot(other);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, other);
  EXPECT_TRUE(fs::is_directory(other / "drive_c/windows"));
}

TEST_F(RootTest, LoginNameIsTheHostsInTheCodePage) {
  EXPECT_FALSE(win::HostLoginName().empty());
  EXPECT_EQ(win::LoginName(), win::Utf8ToAnsi(win::HostLoginName()));
}

}  // namespace
