#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "platform/registry.h"
#include "platform/root.h"
#include "scratch_root.h"
#include "winroot/commands.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out, err;
};

Result Winroot(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int status = winroot::Run(args, out, err);
  return {status, out.str(), err.str()};
}

class InfoTest : public testing_support::ScratchRootTest {};

TEST_F(InfoTest, InfoShowsTheSystem) {
  Result r = Winroot({"info"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string user = "C:\\users\\" + win::HostLoginName();
  for (const std::string& line : {
           "System root:              " + root_.path().string() + "\n",
           std::string("Code page:                932\n"),
           std::string("Platform:                 2\n"),
           std::string("Drives:                   C: Z:\n"),
           std::string("Windows folder:           C:\\windows\n"),
           std::string("System folder:            C:\\windows\\system32\n"),
           "Temporary folder:         " + user + "\\AppData\\Local\\Temp\\\n",
           "Desktop (0x10):           " + user + "\\Desktop\n",
           std::string("Common Desktop (0x19):    C:\\users\\Public\\Desktop\n"),
       })
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "in\n" << r.out;

  win::RegKey key;
  ASSERT_EQ(win::RegKey::Create(win::HKEY::CurrentUser, "Software\\Wine", key), 0u);
  ASSERT_EQ(key.SetString("Version", "win98"), 0u);
  r = Winroot({"info"});
  EXPECT_NE(r.out.find("Platform:                 1\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Common Programs (0x17):   (none on this platform)\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(Winroot({"info", "extra"}).status, 1);
}

TEST_F(InfoTest, PathMapsExistingComponentsWithoutRegardToCase) {
  fs::create_directories(root_.driveC() / u8"表");
  struct Case {
    std::string path;
    fs::path host;
  };
  const Case cases[] = {
      {"C:\\WINDOWS\\System32", root_.driveC() / "windows/system32"},
      {"c:/windows/../../New", root_.driveC() / "New"},
      {"C:\\表\\x", root_.driveC() / u8"表" / "x"},  // the argument is UTF-8
  };
  for (const Case& c : cases) {
    Result r = Winroot({"path", c.path});
    EXPECT_EQ(r.status, 0) << c.path << ": " << r.err;
    EXPECT_EQ(r.out, c.host.string() + "\n") << c.path;
  }
}

TEST_F(InfoTest, PathThatCannotBeMappedFails) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"path", "Q:\\x"}, "drive Q: is not mapped"},
      {{"path", "\\\\server\\share"}, "is no path on a drive letter"},
      {{"path", "C:\\€"}, "cannot be written in code page 932"},
      {{"path"}, "usage: winroot path WINPATH"},
      {{"path", "C:\\", "D:\\"}, "usage: winroot path WINPATH"},
  };
  for (const Case& c : cases) {
    Result r = Winroot(c.args);
    EXPECT_EQ(r.status, 1) << c.message;
    EXPECT_EQ(r.out, "") << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

// The program takes its root from WINROOT.
TEST_F(InfoTest, ProgramUsesTheRootOfTheEnvironment) {
  const fs::path program = fs::read_symlink("/proc/self/exe").parent_path() / "winroot";
  ASSERT_TRUE(fs::exists(program)) << "build the winroot program first";
  const fs::path other = root_.path().parent_path() / "from env";
  const std::string command = "WINROOT='" + other.string() + "' '" + program.string() + "' info";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_NE(out.find("System root:              " + other.string() + "\n"), std::string::npos)
      << out;
  EXPECT_TRUE(fs::is_directory(other / "drive_c/windows/system32"));
}

}  // namespace
