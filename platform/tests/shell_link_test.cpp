#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "host_files.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/testing/write_errors.h"
#include "scratch_root.h"

namespace {

namespace fs = std::filesystem;
using testing_support::LinkFields;
using testing_support::Listing;
using testing_support::ReadFile;
using namespace win;

void WriteFile(const std::string& windowsPath, const std::string& bytes) {
  const fs::path host = *HostPath(windowsPath);
  fs::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary) << bytes;
}

const std::string kWindowsProgram = [] {
  std::string pe(0x80, '\0');
  pe[0] = 'M', pe[1] = 'Z', pe[0x3C] = 0x40;
  return pe.replace(0x40, 4, std::string("PE\0\0", 4));
}();

class ShellLinkTest : public testing_support::ScratchRootTest {};

TEST_F(ShellLinkTest, LnkinfoReadsTargetFolderAndArguments) {
  struct Case {
    std::string target, folder, arguments;
    std::string shownTarget, shownFolder, shownArguments;  // as lnkinfo shows them (UTF-8)
  } cases[] = {
      {"C:\\Program Files\\Sample\\SAMPLE.EXE", "C:\\Program Files\\Sample\\", "/p \"x y\"",
       "C:\\Program Files\\Sample\\SAMPLE.EXE", "C:\\Program Files\\Sample\\", "/p \"x y\""},
      // ア表 and 示: the second byte of 表 is 0x5C
      {"C:\\\x83\x41\x95\x5C\\\x8E\xA6.EXE", "C:\\\x83\x41\x95\x5C\\", "/f \x95\x5C.txt",
       "C:\\ア表\\示.EXE", "C:\\ア表\\", "/f 表.txt"},
      {"C:\\Sample\\VIEWER.EXE", "", "", "C:\\Sample\\VIEWER.EXE", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shownTarget);
    WriteFile(c.target, kWindowsProgram);
    ShellLink link;
    ASSERT_EQ(link.SetPath(c.target), S_OK);
    ASSERT_EQ(link.SetWorkingDirectory(c.folder), S_OK);  // empty texts are left out
    ASSERT_EQ(link.SetArguments(c.arguments), S_OK);
    ASSERT_EQ(link.Save("C:\\Links\\Sample Viewer.lnk"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    fs::create_directory(root_.driveC() / "Links");
    ASSERT_EQ(link.Save("C:\\Links\\Sample Viewer.lnk"), S_OK);

    const fs::path file = root_.driveC() / "Links" / "Sample Viewer.lnk";
    std::map<std::string, std::string> fields = LinkFields(file);
    EXPECT_EQ(fields["Local path"], c.shownTarget);
    EXPECT_EQ(fields["Working directory"], c.shownFolder);
    EXPECT_EQ(fields["Command line arguments"], c.shownArguments);
    EXPECT_EQ(fields["File size"], std::to_string(kWindowsProgram.size()) + " bytes");
    EXPECT_EQ(fields.count("Description"), 0u);
    EXPECT_EQ(Listing(file.parent_path()), std::vector<std::string>{"Sample Viewer.lnk"});
    fs::remove_all(file.parent_path());
  }
}

TEST_F(ShellLinkTest, HeaderAndOptionalStrings) {
  WriteFile("C:\\APP\\APP.EXE", kWindowsProgram);
  ShellLink link;
  link.SetPath("C:\\APP\\APP.EXE");
  link.SetDescription(std::string("Sample\0ignored", 14));  // a C string ends at its NUL
  link.SetIconLocation("C:\\APP\\APP.EXE", 2);
  link.SetShowCmd(SW_SHOWMAXIMIZED);
  EXPECT_EQ(link.SetArguments(std::string(70000, 'a')), E_INVALIDARG);
  ASSERT_EQ(link.Save("C:\\APP\\App.lnk"), S_OK);

  const std::string bytes = ReadFile(root_.driveC() / "APP" / "App.lnk");
  ASSERT_GE(bytes.size(), 0x4Cu);
  EXPECT_EQ(bytes.substr(0, 0x18),
            std::string("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20) +
                std::string("\x46\0\0\0", 4));  // link info, description, icon; not Unicode
  EXPECT_EQ(bytes[0x3C], SW_SHOWMAXIMIZED);
  std::map<std::string, std::string> fields = LinkFields(root_.driveC() / "APP" / "App.lnk");
  EXPECT_EQ(fields["Description"], "Sample");
  EXPECT_EQ(fields["Icon location"], "C:\\APP\\APP.EXE");
  EXPECT_EQ(fields["Icon index"], "2");
  EXPECT_EQ(fields.count("Command line arguments"), 0u);
}

TEST_F(ShellLinkTest, DosProgramsGetAProgramInformationFile) {
  struct Case {
    std::string target, content;
    bool dos;
  } cases[] = {
      {"C:\\DOS\\RUN.BAT", "@echo off\r\n", true},
      {"C:\\DOS\\edit.com", "\xB4\x4C\xCD\x21", true},
      {"C:\\DOS\\OLD.PIF", "", true},
      {"C:\\DOS\\TOOL.EXE", "MZ" + std::string(0x60, '\0'), true},  // no new header
      {"C:\\DOS\\TINY.EXE", "MZ\x90", true},
      {"C:\\DOS\\WIN16.EXE", "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0NE", 6),
       false},
      {"C:\\DOS\\WIN32.EXE", kWindowsProgram, false},
      {"C:\\DOS\\README.TXT", "MZ is no program header here", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    WriteFile(c.target, c.content);
    fs::create_directory(root_.driveC() / "Links");
    ShellLink link;
    link.SetPath(c.target);
    link.SetWorkingDirectory("C:\\DOS\\");
    link.SetArguments("/X");
    ASSERT_EQ(link.Save("C:\\Links\\Tool.lnk"), S_OK);
    const std::vector<std::string> made = Listing(root_.driveC() / "Links");
    if (!c.dos) {
      EXPECT_EQ(made, std::vector<std::string>{"Tool.lnk"});
    } else {
      ASSERT_EQ(made, std::vector<std::string>{"Tool.pif"});
      const std::string pif = ReadFile(root_.driveC() / "Links" / "Tool.pif");
      ASSERT_EQ(pif.size(), 0x171u + 22);
      EXPECT_EQ(pif.substr(0x02, 30), "Tool" + std::string(26, ' '));
      EXPECT_EQ(pif.substr(0x24, c.target.size() + 1), c.target + '\0');
      EXPECT_EQ(pif.substr(0x65, 8), std::string("C:\\DOS\\\0", 8));
      EXPECT_EQ(pif.substr(0xA5, 3), std::string("/X\0", 3));
      EXPECT_EQ(pif.substr(0x171, 16), std::string("MICROSOFT PIFEX\0", 16));
      unsigned sum = 0;
      for (std::size_t i = 2; i < 0x171; ++i) sum += static_cast<unsigned char>(pif[i]);
      EXPECT_EQ(static_cast<unsigned char>(pif[1]), sum & 0xFF);
    }
    fs::remove_all(root_.driveC() / "Links");
  }
}

TEST_F(ShellLinkTest, SaveReplacesAtOnceAndFailsCleanly) {
  fs::create_directory(root_.driveC() / "Links");
  ShellLink link;
  link.SetPath("C:\\A.EXE");
  ASSERT_EQ(link.Save("C:\\Links\\A.lnk"), S_OK);
  link.SetPath("C:\\LONGER\\PATH\\B.EXE");
  ASSERT_EQ(link.Save("C:\\Links\\A.lnk"), S_OK);
  EXPECT_EQ(LinkFields(root_.driveC() / "Links" / "A.lnk")["Local path"],
            "C:\\LONGER\\PATH\\B.EXE");

  // a DOS program path that does not fit the program information file
  link.SetPath("C:\\" + std::string(60, 'D') + "\\RUN.BAT");
  EXPECT_EQ(link.Save("C:\\Links\\Long.lnk"), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
  link.SetPath("C:\\A.EXE");
  EXPECT_NE(link.Save("C:\\Links"), S_OK);  // a folder is in the way
  {
    win::testing::ScopedWriteError full("C:\\Links", ERROR_DISK_FULL);
    EXPECT_EQ(link.Save("C:\\Links\\A.lnk"), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
  }
  EXPECT_EQ(LinkFields(root_.driveC() / "Links" / "A.lnk")["Local path"],
            "C:\\LONGER\\PATH\\B.EXE");
  EXPECT_EQ(Listing(root_.driveC() / "Links"), std::vector<std::string>{"A.lnk"});
}

TEST(ProgramInformationPath, ChangesTheExtensionOfTheName) {
  EXPECT_EQ(ProgramInformationPath("C:\\Links\\Tool.lnk"), "C:\\Links\\Tool.pif");
  EXPECT_EQ(ProgramInformationPath("C:\\Links.d\\Tool"), "C:\\Links.d\\Tool.pif");
  EXPECT_EQ(ProgramInformationPath("C:\\a.b.lnk"), "C:\\a.b.pif");
  EXPECT_EQ(ProgramInformationPath("C:\\\x95\x5C.lnk"), "C:\\\x95\x5C.pif");
}

}  // namespace
