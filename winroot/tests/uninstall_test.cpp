#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "platform/registry.h"
#include "scratch_root.h"
#include "winroot/commands.h"

namespace {

namespace fs = std::filesystem;

constexpr char kList[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

struct Result {
  int status;
  std::string out, err;
};

Result Winroot(std::vector<std::string> args) {
  args.insert(args.begin(), "uninstall");
  std::ostringstream out, err;
  int status = winroot::Run(args, out, err);
  return {status, out.str(), err.str()};
}

class UninstallTest : public testing_support::ScratchRootTest {
 protected:
  // A program of the emulated system that records its arguments and the system root it was given
  // in args.txt of the root, says so on its standard output and ends with status 3.
  void MakeProgram(const std::string& windowsPath) {
    const fs::path host = *win::HostPath(windowsPath);
    fs::create_directories(host.parent_path());
    std::ofstream(host)
        << "#!/bin/sh\n"
           "{ echo \"root=$WINROOT\"; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; }"
           " > \"$WINROOT/args.txt\"\n"
           "echo ran\n"
           "exit 3\n";
    fs::permissions(host, fs::perms::owner_all);
  }
  static void AddEntry(const std::string& name, const std::string& display,
                       const std::string& command) {
    win::RegKey key;
    ASSERT_EQ(win::RegKey::Create(win::HKEY::LocalMachine, kList + name, key), 0u);
    if (!display.empty()) key.SetString("DisplayName", display);
    if (!command.empty()) key.SetString("UninstallString", command);
  }
  std::string RecordedArgs() const {
    std::stringstream text;
    text << std::ifstream(root_.path() / "args.txt").rdbuf();
    return text.str();
  }
};

TEST_F(UninstallTest, ListsTheEntriesWithTheirDisplayNames) {
  EXPECT_EQ(Winroot({}).out, "") << "no programs installed";
  AddEntry("Sample", "Sample Viewer", "C:\\windows\\ZUREVAZ.EXE \"C:\\S\\UNSETUP.INI\"");
  AddEntry("\x95\x5c\x8e\xa6", "\x93\xfa\x96\x7b", "");  // 表示, 日本 in Shift-JIS
  AddEntry("Bare", "", "");
  Result r = Winroot({});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Bare\t\nSample\tSample Viewer\n表示\t日本\n");
}

// The command line is split by the rules of the Windows C runtime; options given to winroot
// come before the command's own arguments; the program's standard output is ours and its exit
// status is returned.
TEST_F(UninstallTest, RunsTheUninstallStringOfAnEntry) {
  MakeProgram("C:\\Program Files\\Tool\\SHOW.EXE");
  MakeProgram("C:\\tools\\SHOW.EXE");
  struct Case {
    std::string command;
    std::vector<std::string> options;
    std::string args;
  } cases[] = {
      {"\"C:\\Program Files\\Tool\\SHOW.EXE\" \"C:\\Program Files\\Sample\\UNSETUP.INI\"",
       {"--console"},
       "[--console]\n[C:\\Program Files\\Sample\\UNSETUP.INI]\n"},
      {"C:\\tools\\SHOW.EXE a  \"b c\" d\\\"e \"f\\\\\" g\\\\h \"\" \"i\"\"j\"",
       {},
       "[a]\n[b c]\n[d\"e]\n[f\\]\n[g\\\\h]\n[]\n[i\"j]\n"},
      {"  C:\\tools\\SHOW.EXE\t\"C:\\\x95\x5c\" x",
       {"--no-sleep", "-x"},
       "[--no-sleep]\n[-x]\n[C:\\\x95\x5c]\n[x]\n"},  // 表 ends in the byte of "\"
      {"c:\\TOOLS\\show.exe", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    AddEntry("Sample", "Sample", c.command);
    std::vector<std::string> args = {"sample"};
    args.insert(args.end(), c.options.begin(), c.options.end());

    const fs::path captured = root_.path().parent_path() / "stdout.txt";
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    const int file = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDOUT_FILENO);
    Result r = Winroot(args);
    dup2(saved, STDOUT_FILENO);
    close(file);
    close(saved);

    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(RecordedArgs(), "root=" + root_.path().string() + "\n" + c.args);
    std::stringstream out;
    out << std::ifstream(captured).rdbuf();
    EXPECT_EQ(out.str(), "ran\n");
  }
}

TEST_F(UninstallTest, MissingEntriesAndProgramsAreErrors) {
  AddEntry("NoCommand", "x", "");
  AddEntry("NoProgram", "x", "C:\\windows\\GONE.EXE \"C:\\S\\UNSETUP.INI\"");
  AddEntry("Folder", "x", "C:\\windows");
  const std::pair<std::string, std::string> cases[] = {
      {"Unknown", "winroot: no uninstall entry \"Unknown\"\n"},
      {"NoCommand", "winroot: the uninstall entry \"NoCommand\" has no UninstallString\n"},
      {"NoProgram", "winroot: the program C:\\windows\\GONE.EXE of \"NoProgram\" does not exist\n"},
      {"Folder", "winroot: the program C:\\windows of \"Folder\" does not exist\n"},
  };
  for (const auto& [name, message] : cases) {
    Result r = Winroot({name});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_EQ(r.err, message);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
