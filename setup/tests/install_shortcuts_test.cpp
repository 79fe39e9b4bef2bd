// The shortcut phase: the boxes that allow each entry, where and under which name its file is
// made, the working folder and arguments in it, copied shortcut files and program information
// files; every file made is logged.
#include <cstdio>
#include <map>

#include "host_files.h"
#include "install_fixture.h"

namespace setup {
namespace {

// A program of this system's kind (PE), so that its shortcut is a ".lnk" file.
const std::string kWindowsProgram = [] {
  std::string pe(0x80, '\0');
  pe[0] = 'M', pe[1] = 'Z', pe[0x3C] = 0x40;
  return pe.replace(0x40, 4, std::string("PE\0\0", 4));
}();

// The fields lnkinfo shows for a shortcut file ("Local path", "Working directory" ...).
std::map<std::string, std::string> LinkFields(const std::string& windowsPath) {
  return testing_support::LinkFields(*win::HostPath(windowsPath));
}

class InstallShortcutsTest : public InstallTest {};

TEST_F(InstallShortcutsTest, EachPlaceNameAndKindOfShortcut) {
  WriteInstallScript({"[MakeFolder]", "Folder1=(App)Data", "[ShortCut]", "Make1=(App)A.EXE",
                      "Name1=(Sup)Started", "Make2=(App)A.EXE", "Make3=(App)A.EXE,/p x",
                      "Name3=(Sta)Sample\\Sample Viewer,(App)Data", "Make4=(App)A.EXE",
                      "Name4=Sample Viewer,C:\\Nowhere", "Make5=(App)A.EXE", "Name5=(C_Dsk)Common",
                      "Make6=(App)A.EXE", "Name6=(Dsk)Named.lnk", "Make7=(App)OLD.LNK",
                      "Name7=(Sen)Copied", "Make8=(App)DOS.COM", "Name8=(Dsk)Dos"});
  MakeFolder(kApp);
  WriteFile("C:\\App\\A.EXE", kWindowsProgram);
  WriteFile("C:\\App\\OLD.LNK", "a shortcut made before");
  WriteFile("C:\\App\\DOS.COM", "an MS-DOS program");
  Install([](TfrmMain& m) {
    m.chkSCutDesktop->SetChecked(true);
    m.chkSCutStartMenu->SetChecked(true);
    m.chkSCutStartUp->SetChecked(false);
    m.chkSCutSendTo->SetChecked(true);
  });

  const FolderValues& f = Main().State.folders;
  const std::vector<std::string> made = {
      f.programs + "A.EXE.lnk",
      f.programs + "Sample\\Sample Viewer.lnk",
      f.programs + "Sample Viewer.lnk",
      f.commonDesktop + "Common.lnk",
      f.desktop + "Named.lnk",
      f.sendTo + "Copied.lnk",
      f.desktop + "Dos.pif",
  };
  EXPECT_EQ(LogFamily("DeleteShortCut", "File"), made);
  for (const std::string& path : made) EXPECT_TRUE(Exists(path)) << path;
  EXPECT_FALSE(Exists(f.startup + "Started.lnk")) << "its box was unchecked";
  EXPECT_FALSE(Exists(f.desktop + "Dos.lnk"));
  EXPECT_EQ(ReadFile(f.sendTo + "Copied.lnk"), "a shortcut made before");

  auto viewer = LinkFields(made[1]);
  EXPECT_EQ(viewer["Local path"], "C:\\App\\A.EXE");
  EXPECT_EQ(viewer["Working directory"], "C:\\App\\Data\\");
  EXPECT_EQ(viewer["Command line arguments"], "/p x");
  auto fallback = LinkFields(made[2]);
  EXPECT_EQ(fallback["Working directory"], "C:\\App\\") << "the folder named does not exist";
  EXPECT_EQ(fallback.count("Command line arguments"), 0u);
  EXPECT_EQ(LinkFields(made[0])["Local path"], "C:\\App\\A.EXE");
}

TEST_F(InstallShortcutsTest, UncheckedBoxesMakeAndRecordNothing) {
  WriteInstallScript(
      {"[ShortCut]", "Make1=(App)A.EXE", "Name1=(Dsk)Sample", "Make2=(App)A.EXE", "Name2=Default"});
  MakeFolder(kApp);
  WriteFile("C:\\App\\A.EXE", kWindowsProgram);
  Install([](TfrmMain& m) {
    EXPECT_TRUE(m.chkSCutDesktop->Checked());
    EXPECT_FALSE(m.chkSCutStartMenu->Checked()) << "\"Default\" ticks no box";
    m.chkSCutDesktop->SetChecked(false);
  });
  EXPECT_TRUE(LogFamily("DeleteShortCut", "File").empty());
  EXPECT_FALSE(Exists(Main().State.folders.desktop + "Sample.lnk"));
  EXPECT_FALSE(Exists(Main().State.folders.programs + "A.EXE.lnk"));
}

}  // namespace
}  // namespace setup
