#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "host_files.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "scratch_root.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ReadFile;
using namespace win;

// A shell script that records its working folder and its arguments, one a line, in `record`.
void WriteRecorder(const fs::path& script, const fs::path& record) {
  fs::create_directories(script.parent_path());
  std::ofstream(script) << "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > '"
                        << record.string() << ".part'\n/bin/mv '" << record.string() << ".part' '"
                        << record.string() << "'\n";
  fs::permissions(script, fs::perms::owner_all);
}

// The record a detached program leaves, once it is complete.
std::string AwaitRecord(const fs::path& record) {
  for (int i = 0; i < 500 && !fs::exists(record); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return ReadFile(record);
}

class ShellExecuteTest : public testing_support::ScratchRootTest {
 protected:
  void SetUp() override {
    path_ = std::getenv("PATH");
    fs::create_directory(bin_);
    setenv("PATH", bin_.c_str(), 1);  // no desktop opener unless a test puts one there
  }
  void TearDown() override { setenv("PATH", path_.c_str(), 1); }

  std::string path_;
  const fs::path bin_ = root_.path().parent_path() / "bin";
  const fs::path record_ = root_.path().parent_path() / "record";
};

TEST_F(ShellExecuteTest, StartsAProgramWithItsArgumentsAndFolder) {
  WriteRecorder(root_.driveC() / "APP" / "tool", record_);
  fs::create_directory(root_.driveC() / "WORK");
  const int result = ShellExecuteA("open", "C:\\APP\\TOOL", R"(a "b c" d\"e f\\"g h" "" \x)",
                                   "C:\\WORK", SW_SHOWNORMAL);
  EXPECT_GT(result, 32);
  const std::string record = AwaitRecord(record_);
  const std::size_t line = record.find('\n');
  ASSERT_NE(line, std::string::npos);
  EXPECT_TRUE(fs::equivalent(record.substr(0, line), root_.driveC() / "WORK")) << record;
  EXPECT_EQ(record.substr(line + 1), "a\nb c\nd\"e\nf\\g h\n\n\\x\n");
}

TEST_F(ShellExecuteTest, OpensADocumentWithTheDesktopOpener) {
  std::ofstream(root_.driveC() / "README.TXT") << "read me";
  EXPECT_EQ(ShellExecuteA("open", "C:\\README.TXT", "", "", SW_SHOWNORMAL), SE_ERR_NOASSOC);

  WriteRecorder(bin_ / "xdg-open", record_);
  EXPECT_GT(ShellExecuteA("", "C:\\readme.txt", "", "", SW_SHOWNORMAL), 32);
  const std::string record = AwaitRecord(record_);
  const std::size_t line = record.find('\n') + 1;
  ASSERT_GT(record.size(), line);
  const fs::path opened = record.substr(line, record.size() - line - 1);
  EXPECT_TRUE(fs::equivalent(opened, root_.driveC() / "README.TXT")) << record;
}

TEST_F(ShellExecuteTest, FailuresAreAtMost32) {
  std::ofstream(root_.driveC() / "BROKEN") << "neither a script nor a program";
  fs::permissions(root_.driveC() / "BROKEN", fs::perms::owner_all);
  std::ofstream(root_.driveC() / "README.TXT") << "read me";
  struct Case {
    const char *verb, *file, *folder;
    int result;
  } cases[] = {
      {"open", "C:\\MISSING.EXE", "", SE_ERR_FNF},
      {"open", "C:\\NO\\MISSING.EXE", "", SE_ERR_FNF},
      {"open", "Q:\\MISSING.EXE", "", SE_ERR_PNF},
      {"open", "C:\\README.TXT", "C:\\NO", SE_ERR_PNF},
      {"print", "C:\\README.TXT", "", SE_ERR_NOASSOC},
      {"open", "C:\\BROKEN", "", static_cast<int>(ERROR_BAD_FORMAT)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(ShellExecuteA(c.verb, c.file, "", c.folder, SW_SHOWNORMAL), c.result);
  }
}

TEST(ShellChangeNotify, KeepsEachNotification) {
  ClearShellChanges();
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST);
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, "C:\\APP");
  SHChangeNotify(SHCNE_UPDATEITEM, SHCNF_IDLIST, "not a path");
  EXPECT_EQ(ShellChanges(), (std::vector<ShellChange>{
                                {SHCNE_ASSOCCHANGED, SHCNF_IDLIST, "", ""},
                                {SHCNE_UPDATEDIR, SHCNF_PATHA, "C:\\APP", ""},
                                {SHCNE_UPDATEITEM, SHCNF_IDLIST, "", ""},
                            }));
  ClearShellChanges();
  EXPECT_TRUE(ShellChanges().empty());
}

}  // namespace
