// The uninstall run on logs that name the system's own folders, wildcards, malformed or missing
// entries, and very many entries: it never removes a protected folder, never more than the log
// names, and always ends.
#include <gtest/gtest.h>

#include "platform/profile.h"
#include "platform/root.h"
#include "setup/MainUnSetup.h"
#include "uninstall_fixture.h"

namespace setup {
namespace {

using win::HKEY;

const std::string kProfile = "C:\\users\\" + win::LoginName() + "\\";

std::string Folder(int csidl) {
  std::string path;
  EXPECT_TRUE(win::SpecialFolderPath(csidl, path));
  return path + "\\";
}

class UninstallSafetyTest : public UninstallTest {
 protected:
  // The drive_c folder of the system root as seen through drive Z:.
  std::string ThroughZ(const std::string& pathOnC) const {
    return win::WindowsPath(root_.driveC()) + pathOnC.substr(2);
  }
};

TEST_F(UninstallSafetyTest, ProtectedFoldersAreTheSystemsWhateverTheirSpelling) {
  const ProtectedFolders protect(DetermineFolders("C:\\dist\\"));
  const std::string desktop = Folder(win::CSIDL_DESKTOPDIRECTORY);
  const std::string covered[] = {
      "C:\\",
      "\\",
      "Z:\\",
      "c:\\WINDOWS\\",
      "C:\\windows",
      "C:\\windows\\system32\\",
      Temp(),
      "C:\\Program Files\\",
      kProfile,
      "C:\\users\\",
      "C:\\users\\Public\\",
      "C:\\ProgramData\\",
      "C:\\ProgramData\\Microsoft\\",
      desktop,
      Folder(win::CSIDL_STARTMENU),
      Folder(win::CSIDL_SENDTO),
      Folder(win::CSIDL_COMMON_STARTUP),
      kProfile + "AppData\\",
      "C:\\Program Files\\Sample\\..\\..\\users\\",
      "C:/users/" + win::LoginName() + "/",
      ThroughZ(kProfile),
      ThroughZ("C:\\Program Files\\"),
      win::WindowsPath(root_.path()),
  };
  for (const std::string& folder : covered) EXPECT_TRUE(protect.Covers(folder)) << folder;
  const std::string free[] = {
      "C:\\Program Files\\Sample\\",
      kProfile + "Documents\\",
      "C:\\ProgramData\\Other\\",
      "C:\\Other\\",
      "C:\\windowsold\\",
      desktop + "Sample\\",
      ThroughZ("C:\\Other\\"),
  };
  for (const std::string& folder : free) EXPECT_FALSE(protect.Covers(folder)) << folder;
}

// A log whose setup folder is one of the system's folders removes nothing there, not even in
// delete-all mode, and reports nothing for it.
TEST_F(UninstallSafetyTest, AProtectedSetupFolderIsLeftAlone) {
  const std::string folders[] = {
      "C:\\Program Files\\",
      "C:\\WINDOWS\\",
      "C:\\windows\\system32\\",
      Temp(),
      "C:\\",
      kProfile,
      "C:\\users\\",
      "C:\\ProgramData\\",
      Folder(win::CSIDL_DESKTOPDIRECTORY),
      Folder(win::CSIDL_PROGRAMS),
      "C:\\Program Files\\Sample\\..\\",
      ThroughZ(kProfile),
  };
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    const std::string sentinel = folder + "USER.INI";
    WriteFile(sentinel, "the user's");
    WriteLog({"[SetupFolder]", "Folder=" + folder, "[UnSetupOption]", "CheckBox=DeleteAll",
              "[DeleteFolder]", "Folder1=" + folder, "[DeleteFile]", "File1=" + std::string(kLog)},
             false);
    Uninstall();
    EXPECT_TRUE(Main().chkSCutDesktop->Checked());
    EXPECT_TRUE(Exists(sentinel));
    EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")});
  }
}

// Folders of the log inside the setup folder lose the chosen patterns' files, unless they are
// the system's: a path that only looks as if it were inside reaches nothing protected.
TEST_F(UninstallSafetyTest, FoldersOfTheLogThatAreTheSystemsKeepTheirFiles) {
  const std::string desktop = Folder(win::CSIDL_DESKTOPDIRECTORY);
  WriteFile(desktop + "USER.INI", "the user's");
  WriteFile(kProfile + "USER.GID", "the user's");
  WriteFile(std::string(kSetupFolder) + "Data\\DATA.INI", "x");
  const std::string up = std::string(kSetupFolder) + "..\\..\\";
  WriteLog({"[UnSetupOption]", "CheckBox=1,1,0,0", "[DeleteFolder]",
            "Folder1=" + up + desktop.substr(3), "Folder2=" + up + kProfile.substr(3),
            "Folder3=" + std::string(kSetupFolder) + "Data\\", "[DeleteFile]",
            "File1=" + std::string(kLog)});
  Uninstall();
  EXPECT_TRUE(Exists(desktop + "USER.INI"));
  EXPECT_TRUE(Exists(kProfile + "USER.GID"));
  EXPECT_FALSE(Exists(kSetupFolder));
  EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")});
}

// A pattern deletes what it matches, but never a protected folder among its matches.
TEST_F(UninstallSafetyTest, WildcardsNeverReachAProtectedFolder) {
  const std::string desktop = Folder(win::CSIDL_DESKTOPDIRECTORY);
  for (const std::string& file :
       {kProfile + "NOTES.TXT", kProfile + "Stuff\\A.TXT", desktop + "USER.TXT",
        std::string(kSetupFolder) + "A.TMP", std::string(kSetupFolder) + "Cache\\B.TMP",
        std::string("C:\\windows\\OLD.TMP"), std::string("C:\\windows\\system32\\KEEP.TMP"),
        std::string("C:\\users\\Public\\P.TXT")})
    WriteFile(file, "x");
  WriteLog({"[DeleteFile]", "File1=" + kProfile + "*", "File2=" + std::string(kSetupFolder) + "*.*",
            "[AddDeleteFile]", "File1=C:\\users\\*", "File2=C:\\windows\\*"});
  Uninstall();
  EXPECT_FALSE(Exists(kProfile + "NOTES.TXT"));
  EXPECT_FALSE(Exists(kProfile + "Stuff\\"));
  EXPECT_TRUE(Exists(desktop + "USER.TXT"));
  EXPECT_TRUE(Exists(Folder(win::CSIDL_STARTUP)));
  EXPECT_TRUE(Exists(Temp()));
  EXPECT_TRUE(Exists("C:\\users\\Public\\P.TXT"));
  EXPECT_FALSE(Exists(kSetupFolder)) << "the log named everything in it";
  EXPECT_FALSE(Exists("C:\\windows\\OLD.TMP"));
  EXPECT_TRUE(Exists("C:\\windows\\system32\\KEEP.TMP"));
}

TEST_F(UninstallSafetyTest, MalformedAndMissingEntriesChangeNothingElse) {
  for (const char* file : {"C:\\Program Files\\Sample\\AFTER.TXT", "C:\\Other\\O.TXT",
                           "C:\\Other\\AFTER.TXT", "C:\\Program Files\\Sample\\SHARED.DLL"})
    WriteFile(file, "x");
  MakeKey(HKEY::ClassesRoot, ".txt", "txtfile");
  MakeKey(HKEY::LocalMachine, "SOFTWARE\\Sample");
  WriteLog({"[DeleteFile]", "File1=C:\\Other\\O.TXT", "File2=", "File3=C:\\Other\\AFTER.TXT",
            "[AddDeleteFile]", "File1=,/S", "File2=C:\\Program Files\\Sample\\AFTER.TXT",
            "[DeleteFolder]", "Folder1=C:\\Other\\", "[DeleteRegistry]", "Key1=(Local)",
            "Key2=(Local)\\", "Key3=(Class)\\\\", "[RestoreRelate]", "Key1=,Old", "Key2=\\,",
            "[ProgramID]", "ID=SampleID"});
  Uninstall({forms::IDNO});
  EXPECT_FALSE(Exists("C:\\Other\\O.TXT")) << "outside the setup folder, but named";
  EXPECT_TRUE(Exists("C:\\Other\\AFTER.TXT")) << "after the first empty value";
  EXPECT_TRUE(Exists("C:\\Program Files\\Sample\\AFTER.TXT")) << "after a value without path";
  EXPECT_EQ(DefaultValue(HKEY::ClassesRoot, ".txt"), "txtfile");
  EXPECT_TRUE(KeyExists(HKEY::LocalMachine, "SOFTWARE\\Sample"));
  EXPECT_EQ(DefaultValue(HKEY::ClassesRoot, ""), "") << "an empty extension names no key";
  EXPECT_FALSE(Exists(win::GetWindowsDirectoryA() + "\\ORVAN98.INI")) << "no record is made";
  // The folders still holding files are reported; the registry steps report nothing.
  ASSERT_EQ(Captions(), (std::vector<std::string>{A("警告"), A("完了")}));
}

// 10,000 entries: 5,000 files and 5,000 folders.
TEST_F(UninstallSafetyTest, TenThousandEntriesAreAllUndone) {
  constexpr int kEntries = 5000;
  std::vector<std::string> lines = {"[DeleteFile]"};
  const std::filesystem::path host = *win::HostPath(kSetupFolder);
  for (int n = 1; n <= kEntries; ++n) {
    const std::string name = "F" + std::to_string(n) + ".DAT";
    std::filesystem::create_directories(host / ("D" + std::to_string(n)));
    std::ofstream(host / name) << n;
    lines.push_back("File" + std::to_string(n) + "=" + kSetupFolder + name);
  }
  lines.push_back("File" + std::to_string(kEntries + 1) + "=" + kLog);
  lines.push_back("[DeleteFolder]");
  for (int n = 1; n <= kEntries; ++n)
    lines.push_back("Folder" + std::to_string(n) + "=" + kSetupFolder + "D" + std::to_string(n) +
                    "\\");
  WriteLog(lines);
  Uninstall();
  EXPECT_FALSE(Exists(kSetupFolder));
  EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")});
}

}  // namespace
}  // namespace setup
