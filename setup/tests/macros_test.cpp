// Path macros and registry-root macros.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/registry.h"
#include "platform/system.h"
#include "scratch_root.h"
#include "setup/MainMacros.h"

namespace setup {
namespace {

FolderValues Folders() {
  FolderValues f;
  f.source = "D:\\SETUP\\";
  f.app = "C:\\Program Files\\Sample\\";
  f.programFiles = "C:\\Program Files\\";
  f.windows = "C:\\WINDOWS\\";
  f.system = "C:\\WINDOWS\\SYSTEM\\";
  f.temp = "C:\\TEMP\\";
  f.bootRoot = "C:\\";
  f.setupRoot = "C:\\";
  f.sourceRoot = "D:\\";
  f.startMenu = "C:\\Menu\\";
  f.programs = "C:\\Menu\\Programs\\";
  f.desktop = "C:\\Desktop\\";
  f.startup = "C:\\Menu\\Programs\\Startup\\";
  f.sendTo = "C:\\SendTo\\";
  f.commonStartMenu = "C:\\All\\Menu\\";
  f.commonPrograms = "C:\\All\\Menu\\Programs\\";
  f.commonDesktop = "C:\\All\\Desktop\\";
  f.commonStartup = "C:\\All\\Menu\\Programs\\Startup\\";
  return f;
}

TEST(MacrosTest, ExpandsEveryTokenWithoutRegardToCase) {
  struct Case {
    std::string text, expanded;
  } cases[] = {
      {"(App)\\Data\\", "C:\\Program Files\\Sample\\Data\\"},
      {"(app)Data", "C:\\Program Files\\Sample\\Data"},
      {"(sys)X.DLL", "C:\\WINDOWS\\SYSTEM\\X.DLL"},
      {"(Win)A;(Win)B", "C:\\WINDOWS\\A;C:\\WINDOWS\\B"},
      {"(Prg)(Tmp)(Boo)(Set)(Edr)", "C:\\Program Files\\C:\\TEMP\\C:\\C:\\D:\\"},
      {"(Smn)|(Sta)|(Dsk)|(Sup)|(Sen)",
       "C:\\Menu\\|C:\\Menu\\Programs\\|C:\\Desktop\\|C:\\Menu\\Programs\\Startup\\|C:\\SendTo\\"},
      {"(C_Smn)|(C_Sta)|(C_Dsk)|(C_Sup)",
       "C:\\All\\Menu\\|C:\\All\\Menu\\Programs\\|C:\\All\\Desktop\\|"
       "C:\\All\\Menu\\Programs\\Startup\\"},
      {"(Win)\\\\X", "C:\\WINDOWS\\\\X"},  // only one backslash is dropped
      {"(Abc)X", "(Abc)X"},
      {"(App", "(App"},
      {"", ""},
  };
  FolderValues folders = Folders();
  for (const Case& c : cases) EXPECT_EQ(ExpandPathMacros(folders, c.text), c.expanded) << c.text;
}

TEST(MacrosTest, DoubleByteTextIsNeverSplit) {
  FolderValues folders = Folders();
  // "(Win)" directly after a lead byte is its trail byte "(" and not a token
  EXPECT_EQ(ExpandPathMacros(folders, "\x95(Win)"), "\x95(Win)");
  // a value ending in a double-byte character whose trail byte is "\" keeps the next backslash
  EXPECT_EQ(ReplaceMacro("(X)\\A", "(X)", "C:\\\x95\x5c"), "C:\\\x95\x5c\\A");
}

TEST(MacrosTest, ValuesHoldingTheirOwnTokenAreLeftAsTheyAre) {
  FolderValues folders = Folders();
  folders.app = "(App)";  // before the install run fixes the setup folder
  EXPECT_EQ(ExpandPathMacros(folders, "(App)Data\\(App)"), "(App)Data\\(App)");
  EXPECT_EQ(ReplaceMacro("a(X)b(x)c", "(X)", "[(X)]"), "a[(X)]b[(X)]c");
}

TEST(MacrosTest, RegistryKeys) {
  using win::HKEY;
  struct Case {
    std::string value, rootToken, key, openPath;
    HKEY root;
  } cases[] = {
      {"SOFTWARE\\Sample", "(Cuser)", "SOFTWARE\\Sample", "SOFTWARE\\Sample", HKEY::CurrentUser},
      {"(Cuser)SOFTWARE\\Sample", "(Cuser)", "SOFTWARE\\Sample", "SOFTWARE\\Sample",
       HKEY::CurrentUser},
      {"(Local)\\SOFTWARE\\Sample\\", "(Local)", "\\SOFTWARE\\Sample\\", "SOFTWARE\\Sample",
       HKEY::LocalMachine},
      {"(Class).smp", "(Class)", ".smp", ".smp", HKEY::ClassesRoot},
      {"(Users).Default\\X", "(Users)", ".Default\\X", ".Default\\X", HKEY::Users},
      {"(local)SOFTWARE", "(local)", "SOFTWARE", "SOFTWARE", HKEY::CurrentUser},
      {"(Pdd)\\Soft", "(Cuser)", "(Pdd)\\Soft", "(Pdd)\\Soft", HKEY::CurrentUser},
      {"(Local)", "(Local)", "", "", HKEY::LocalMachine},
      {"(Loc)", "(Cuser)", "(Loc)", "(Loc)", HKEY::CurrentUser},
      {"", "(Cuser)", "", "", HKEY::CurrentUser},
  };
  for (const Case& c : cases) {
    RegistryKeySpec keySpec = ParseRegistryKey(c.value);
    EXPECT_EQ(keySpec.rootToken, c.rootToken) << c.value;
    EXPECT_EQ(keySpec.key, c.key) << c.value;
    EXPECT_EQ(keySpec.openPath(), c.openPath) << c.value;
    EXPECT_EQ(keySpec.root(), c.root) << c.value;
  }
}

class FoldersTest : public testing_support::ScratchRootTest {
 protected:
  void SetVersion(const char* version) {
    win::RegKey key;
    ASSERT_EQ(win::RegKey::Create(win::HKEY::CurrentUser, "Software\\Wine", key), 0u);
    ASSERT_EQ(key.SetString("Version", version), 0u);
  }
  void SetProgramFilesDir(const char* path) {
    win::RegKey key;
    ASSERT_EQ(win::RegKey::Create(win::HKEY::LocalMachine,
                                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", key),
              0u);
    ASSERT_EQ(key.SetString("ProgramFilesDir", path), 0u);
  }
  static std::string Special(int csidl) { return SpecialFolder(csidl) + "\\"; }
};

TEST_F(FoldersTest, ComeFromTheSystem) {
  SetVersion("winxp");
  FolderValues f = DetermineFolders("D:\\SETUP");
  EXPECT_EQ(f.source, "D:\\SETUP\\");
  EXPECT_EQ(f.sourceRoot, "D:\\");
  EXPECT_EQ(f.windows, win::GetWindowsDirectoryA() + "\\");
  EXPECT_EQ(f.system, win::GetSystemDirectoryA() + "\\");
  EXPECT_EQ(f.temp, win::GetTempPathA());
  EXPECT_EQ(f.bootRoot, "C:\\");
  EXPECT_FALSE(f.windowsMissing || f.systemMissing);
  EXPECT_EQ(f.app, "(App)");
  EXPECT_EQ(f.setupRoot, "");
  EXPECT_EQ(f.platformId, 2);
  EXPECT_EQ(f.programs, Special(win::CSIDL_PROGRAMS));
  EXPECT_EQ(f.startMenu, Special(win::CSIDL_STARTMENU));
  EXPECT_EQ(f.desktop, Special(win::CSIDL_DESKTOPDIRECTORY));
  EXPECT_EQ(f.startup, Special(win::CSIDL_STARTUP));
  EXPECT_EQ(f.sendTo, Special(win::CSIDL_SENDTO));
  EXPECT_EQ(f.commonDesktop, Special(win::CSIDL_COMMON_DESKTOPDIRECTORY));
  EXPECT_EQ(f.commonPrograms, Special(win::CSIDL_COMMON_PROGRAMS));
  EXPECT_NE(f.commonDesktop, f.desktop);

  SetSetupFolder(f, "E:\\Sample");
  SetSetupRoot(f);
  EXPECT_EQ(f.app, "E:\\Sample\\");
  EXPECT_EQ(f.setupRoot, "E:\\");
}

TEST_F(FoldersTest, AllUsersFoldersOutsideTheNtFamilyAreTheUsersOnes) {
  SetVersion("win98");
  FolderValues f = DetermineFolders("C:\\");
  EXPECT_EQ(f.platformId, 1);
  EXPECT_EQ(f.commonStartMenu, f.startMenu);
  EXPECT_EQ(f.commonPrograms, f.programs);
  EXPECT_EQ(f.commonDesktop, f.desktop);
  EXPECT_EQ(f.commonStartup, f.startup);
  EXPECT_EQ(ExpandPathMacros(f, "(C_Dsk)Name"), f.desktop + "Name");
}

TEST_F(FoldersTest, ProgramFilesFallsBackOnTheWindowsDrive) {
  std::filesystem::create_directories(root_.driveC() / "Apps");
  struct Case {
    const char* value;
    std::string folder;
  } cases[] = {
      {"C:\\Apps", "C:\\Apps\\"},
      {"C:\\Apps\\", "C:\\Apps\\"},
      {"C:\\Missing", "C:\\Program Files\\"},
      {"", "C:\\Program Files\\"},
  };
  for (const Case& c : cases) {
    SetProgramFilesDir(c.value);
    EXPECT_EQ(DetermineFolders("C:\\").programFiles, c.folder) << c.value;
  }
}

}  // namespace
}  // namespace setup
