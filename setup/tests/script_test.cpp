// Reading a setup script: every section, key and family, with the defaults of absent keys.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/paths.h"
#include "scratch_root.h"
#include "setup/MainScript.h"
#include "setup/Texts.h"

namespace setup {
namespace {

class ScriptTest : public testing_support::ScratchRootTest {
 protected:
  // Writes the script's lines (joined with CR LF) and returns its Windows path.
  std::string Script(const std::string& lines) {
    std::ofstream(root_.driveC() / "SETUP.INI", std::ios::binary) << lines;
    return "C:\\SETUP.INI";
  }
};

TEST_F(ScriptTest, AbsentKeysTakeTheirDefaults) {
  SetupScript s = ReadSetupScript(Script("[Title]\r\n"));
  EXPECT_EQ(s.title.setup, "Orvane");
  EXPECT_EQ(s.title.unSetup, "Orvane");
  EXPECT_EQ(s.title.unSetupKey, "Orvane");
  EXPECT_EQ(s.title.unSetupDisplay, "Orvane");
  EXPECT_EQ(s.title.copyRight1, "");
  EXPECT_EQ(s.extend.setupString, texts::kSetupWord);
  EXPECT_EQ(s.extend.unSetupString, texts::kUnSetupWord);
  EXPECT_EQ(StepPause(s.extend.setupSpeed), 350);
  EXPECT_TRUE(ChoicesEnabled(s));
  EXPECT_EQ(s.defaultFolder.folder, "(Prg)\\");
  EXPECT_EQ(s.readme.scrollBars, "ssVertical");
  EXPECT_EQ(s.programId, "");
  EXPECT_EQ(s.executeFile, "");
  EXPECT_TRUE(s.copyFiles.empty());
  EXPECT_TRUE(s.shortcuts.empty());
  EXPECT_TRUE(RelateTable(s).empty());
}

TEST_F(ScriptTest, TitleDefaultsFollowEachOther) {
  SetupScript s = ReadSetupScript(Script("[Title]\r\nSetup=Sample\r\nUnSetupKey=Key\r\n"));
  EXPECT_EQ(s.title.unSetup, "Sample");
  EXPECT_EQ(s.title.unSetupKey, "Key");
  EXPECT_EQ(s.title.unSetupDisplay, "Key");
  s = ReadSetupScript(Script("[Title]\r\nSetup=Sample\r\nUnSetup=\r\n"));
  EXPECT_EQ(s.title.unSetup, "");  // present but empty is not absent
}

TEST_F(ScriptTest, ReadsEverySectionAndFamily) {
  SetupScript s = ReadSetupScript(
      Script("[Title]\r\nSetup=Sample Viewer\r\nUnSetup=Sample Remover\r\nUnSetupKey=SampleKey\r\n"
             "UnSetupDisplay=Sample Display\r\nCopyRight1=Line 1\r\nCopyRight2=Line 2\r\n"
             "[Extend]\r\nSetupString=Install\r\nUnSetupString=Remove\r\nSetupSpeed=100\r\n"
             "Enabled=False\r\nUnSetupOption=1,0,0,0\r\n"
             "[DefaultFolder]\r\nFolder=(Prg)Sample\\\r\nReferRegistry=(Local)SOFTWARE\\S,Path\r\n"
             "ReferIniFile=S,K,(Win)S.INI\r\n"
             "[ProgramID]\r\nID=SAMPLEVIEW\r\n"
             "[TopMessage]\r\nMessage3=Welcome\r\n"
             "[Readme]\r\nFile=README.TXT\r\nTitle=Read me\r\nScrollBars=ssBoth\r\n"
             "[MakeFolder]\r\nFolder1=(App)Data\r\nFolder2=(App)Data\\Sub\r\n"
             "[CopyFile]\r\nFile1=(App)SAMPLE.EX_|SAMPLE.EXE\r\nFile2=(Sys)SAMPLE.DLL,/S/R\r\n"
             "File4=(App)NEVER.TXT\r\n"
             "[ShortCut]\r\nMake1=(App)SAMPLE.EXE\r\nName1=(Sta)Sample\\Sample Viewer\r\n"
             "Make2=(App)SAMPLE.EXE\r\n"
             "[Registry]\r\nKey1=(Local)SOFTWARE\\Sample\\Viewer\r\nName1=Path\r\n"
             "Value1=(Pdd)(Str)(App)\r\nKey2=(Cuser)X\r\n"
             "[IniFile]\r\nData1=Viewer,Path,(App),(Win)SAMPLE.INI\r\n"
             "[Relate]\r\nName1=smp,Sample Document\r\nFile1=open,(App)SAMPLE.EXE,%1,0\r\n"
             "Name3=abc\r\nName4=def\r\nFile4=open,(App)DEF.EXE,0\r\nFile20=open,X,0\r\n"
             "[DeleteRegistry]\r\nKey1=(Local)SOFTWARE\\Sample\r\n"
             "[AddDeleteFile]\r\nFile1=(App)*.LOG\r\n"
             "[ExecuteFile]\r\nFile=(App)README.TXT\r\n"));
  EXPECT_EQ(s.title.setup, "Sample Viewer");
  EXPECT_EQ(s.title.unSetup, "Sample Remover");
  EXPECT_EQ(s.title.unSetupKey, "SampleKey");
  EXPECT_EQ(s.title.unSetupDisplay, "Sample Display");
  EXPECT_EQ(s.title.copyRight2, "Line 2");
  EXPECT_EQ(s.extend.setupString, "Install");
  EXPECT_EQ(s.extend.unSetupString, "Remove");
  EXPECT_EQ(StepPause(s.extend.setupSpeed), 100);
  EXPECT_FALSE(ChoicesEnabled(s));
  EXPECT_EQ(s.extend.unSetupOption, "1,0,0,0");
  EXPECT_EQ(s.defaultFolder.folder, "(Prg)Sample\\");
  EXPECT_EQ(s.defaultFolder.referRegistry, "(Local)SOFTWARE\\S,Path");
  EXPECT_EQ(s.defaultFolder.referIniFile, "S,K,(Win)S.INI");
  EXPECT_EQ(s.programId, "SAMPLEVIEW");
  EXPECT_EQ(s.topMessage, (std::array<std::string, 5>{"", "", "Welcome", "", ""}));
  EXPECT_EQ(s.readme.file, "README.TXT");
  EXPECT_EQ(s.readme.title, "Read me");
  EXPECT_EQ(s.readme.scrollBars, "ssBoth");
  EXPECT_EQ(s.makeFolders, (std::vector<std::string>{"(App)Data", "(App)Data\\Sub"}));
  // a gap ends a family: File4 is never read
  EXPECT_EQ(s.copyFiles,
            (std::vector<std::string>{"(App)SAMPLE.EX_|SAMPLE.EXE", "(Sys)SAMPLE.DLL,/S/R"}));
  ASSERT_EQ(s.shortcuts.size(), 2u);
  EXPECT_EQ(s.shortcuts[0].name, "(Sta)Sample\\Sample Viewer");
  EXPECT_EQ(s.shortcuts[1].make, "(App)SAMPLE.EXE");
  EXPECT_EQ(s.shortcuts[1].name, "Default");
  EXPECT_EQ(s.shortcutNames, (std::vector<std::string>{"(Sta)Sample\\Sample Viewer"}));
  ASSERT_EQ(s.registry.size(), 2u);
  EXPECT_EQ(s.registry[0].key, "(Local)SOFTWARE\\Sample\\Viewer");
  EXPECT_EQ(s.registry[0].name, "Path");
  EXPECT_EQ(s.registry[0].value, "(Pdd)(Str)(App)");
  EXPECT_EQ(s.registry[1].name, "");
  EXPECT_EQ(s.iniFiles, (std::vector<std::string>{"Viewer,Path,(App),(Win)SAMPLE.INI"}));
  // all twenty relate pairs are read; the table keeps those with a name and a file
  std::vector<RelatePair> table = RelateTable(s);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].name, "smp,Sample Document");
  EXPECT_EQ(table[1].name, "def");
  EXPECT_EQ(table[1].file, "open,(App)DEF.EXE,0");
  EXPECT_EQ(s.relate[2].name, "abc");
  EXPECT_EQ(s.relate[19].file, "open,X,0");
  EXPECT_EQ(s.deleteRegistry, (std::vector<std::string>{"(Local)SOFTWARE\\Sample"}));
  EXPECT_EQ(s.addDeleteFiles, (std::vector<std::string>{"(App)*.LOG"}));
  EXPECT_EQ(s.executeFile, "(App)README.TXT");
}

TEST_F(ScriptTest, ShortcutNamesAtStartUpEndAtTheFirstEmptyName) {
  SetupScript s =
      ReadSetupScript(Script("[ShortCut]\r\nMake1=A.EXE\r\nMake2=B.EXE\r\nName2=(Dsk)B\r\n"));
  EXPECT_TRUE(s.shortcutNames.empty());
  ASSERT_EQ(s.shortcuts.size(), 2u);
  EXPECT_EQ(s.shortcuts[0].name, "Default");
  EXPECT_EQ(s.shortcuts[1].name, "(Dsk)B");
}

}  // namespace
}  // namespace setup
