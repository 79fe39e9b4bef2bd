// The syntax of the script's values: what each family's parser makes of well-formed and odd values.
#include <gtest/gtest.h>

#include "setup/MainScript.h"

namespace setup {
namespace {

FolderValues SampleFolders() {
  FolderValues f;
  f.source = "D:\\";
  f.app = "C:\\Program Files\\Sample\\";
  f.programFiles = "C:\\Program Files\\";
  f.windows = "C:\\WINDOWS\\";
  f.system = "C:\\WINDOWS\\SYSTEM\\";
  f.programs = "C:\\Menu\\Programs\\";
  f.desktop = "C:\\Desktop\\";
  return f;
}

TEST(ValuesTest, CopyFileLines) {
  struct Case {
    std::string value;
    bool diskChange;
    std::string target, sourceName, flagText;
    bool shared, overwrite, registers;
  } cases[] = {
      {"C:\\P\\SAMPLE.EX_|SAMPLE.EXE", false, "C:\\P\\SAMPLE.EXE", "SAMPLE.EX_", "", false, false,
       false},
      {"C:\\SYS\\SAMPLE.DLL,/S/R", false, "C:\\SYS\\SAMPLE.DLL", "SAMPLE.DLL", ",/S/R", true, false,
       true},
      {"(Dch)C:\\P\\Data\\SAMPLE.DA_", true, "C:\\P\\Data\\AUTO.EXT", "SAMPLE.DA_", "", false,
       false, false},
      // the comma is found first: the bar belongs to the flag text
      {"C:\\A.EX_,/s|B.EXE", false, "C:\\AUTO.EXT", "A.EX_", ",/s|B.EXE", true, false, false},
      {"C:\\A.EXE,/w", false, "C:\\A.EXE", "A.EXE", ",/w", false, true, false},
      {"(dch)A.EXE", false, "(dch)A.EXE", "(dch)A.EXE", "", false, false, false},
      {"A.EX_|B.EXE", false, "\\B.EXE", "A.EX_", "", false, false, false},
      {"C:B.TXT", false, "C:B.TXT", "B.TXT", "", false, false, false},
      {"", false, "", "", "", false, false, false},
      {",,,", false, "", "", ",,,", false, false, false},
      {"C:\\\x95_", false, "C:\\\x95_", "\x95_", "", false, false, false},  // "_" as a trail byte
  };
  for (const Case& c : cases) {
    CopyFileLine line = ParseCopyFile(c.value);
    EXPECT_EQ(line.diskChange, c.diskChange) << c.value;
    EXPECT_EQ(line.target, c.target) << c.value;
    EXPECT_EQ(line.sourceName, c.sourceName) << c.value;
    EXPECT_EQ(line.flagText, c.flagText) << c.value;
    EXPECT_EQ(line.shared, c.shared) << c.value;
    EXPECT_EQ(line.alwaysOverwrite, c.overwrite) << c.value;
    EXPECT_EQ(line.registerControl, c.registers) << c.value;
  }
}

TEST(ValuesTest, RegistryValues) {
  using T = RegistryValueType;
  FolderValues folders = SampleFolders();
  struct Case {
    std::string value;
    T type;
    std::string text;
    std::int32_t number;
  } cases[] = {
      {"(Str)X", T::String, "X", 0},
      {"(Pdd)(Str)(App)", T::String, "C:\\Program Files\\Sample", 0},
      {"(Str)(App)", T::String, "C:\\Program Files\\Sample\\", 0},
      {"(Str)(pdd)(App)", T::String, "C:\\Program Files\\Sample", 0},
      {"(Exp)%PATH%", T::Expandable, "%PATH%", 0},
      {"(Int)-42", T::Integer, "", -42},
      {"(Dwd)2147483647", T::Integer, "", 2147483647},
      {"(Dwd)2147483648", T::Integer, "", 0},
      {"(Dwd)12abc", T::Integer, "", 0},
      {"(Int)", T::Integer, "", 0},
      {"(Xyz)data", T::Whole, "(Xyz)data", 0},
      {"(str)x", T::Whole, "(str)x", 0},
      {"ab", T::Whole, "ab", 0},
  };
  for (const Case& c : cases) {
    RegistryValue v = ParseRegistryValue(c.value, folders);
    EXPECT_FALSE(v.empty) << c.value;
    EXPECT_EQ(v.type, c.type) << c.value;
    EXPECT_EQ(v.text, c.text) << c.value;
    EXPECT_EQ(v.number, c.number) << c.value;
  }
  EXPECT_TRUE(ParseRegistryValue("", folders).empty);
  EXPECT_TRUE(ParseRegistryValue("(Pdd)", folders).empty);
}

TEST(ValuesTest, BinaryRegistryValuesAreFourBytesLowFirst) {
  using Bytes = std::array<std::uint8_t, 4>;
  struct Case {
    std::string data;
    std::optional<Bytes> bytes;
  } cases[] = {
      {"1A2B3C4D", Bytes{0x4D, 0x3C, 0x2B, 0x1A}},
      {"FF", Bytes{0xFF, 0, 0, 0}},
      {"ff", Bytes{0xFF, 0, 0, 0}},
      {"FFFFFFFF", Bytes{0xFF, 0xFF, 0xFF, 0xFF}},
      {"100000000", std::nullopt},
      {"", std::nullopt},
      {"XY", std::nullopt},
      {"-1", std::nullopt},
  };
  for (const Case& c : cases) {
    RegistryValue v = ParseRegistryValue("(Bin)" + c.data, FolderValues{});
    EXPECT_EQ(v.type, RegistryValueType::Binary);
    EXPECT_EQ(v.bytes, c.bytes) << c.data;
  }
}

TEST(ValuesTest, IniEntriesKeepCommasInTheFileName) {
  struct Case {
    std::string value, section, key, data, file;
  } cases[] = {
      {"Viewer,Path,C:\\X,C:\\WINDOWS\\A,B.INI", "Viewer", "Path", "C:\\X", "C:\\WINDOWS\\A,B.INI"},
      {"S,K,,F.INI", "S", "K", "", "F.INI"},
      {",,,", "", "", "", ""},
      {"S,K,V", "", "", "", ""},  // no profile file: nothing to write
      {"no separators", "", "", "", ""},
  };
  for (const Case& c : cases) {
    IniEntry e = ParseIniEntry(c.value);
    EXPECT_EQ(e.section, c.section) << c.value;
    EXPECT_EQ(e.key, c.key) << c.value;
    EXPECT_EQ(e.value, c.data) << c.value;
    EXPECT_EQ(e.file, c.file) << c.value;
  }
}

TEST(ValuesTest, RelatePairs) {
  FolderValues folders = SampleFolders();
  struct Case {
    RelatePair pair;
    std::string extension, description, verb, program, command, icon;
  } cases[] = {
      {{"smp,Sample Document", "open,(App)SAMPLE.EXE,%1,0"},
       "smp",
       "Sample Document",
       "open",
       "C:\\Program Files\\Sample\\SAMPLE.EXE",
       "\"C:\\Program Files\\Sample\\SAMPLE.EXE\" %1",
       "C:\\Program Files\\Sample\\SAMPLE.EXE,0"},
      {{"smp", "open,C:\\MY APP.EXE,/p,,%1,1"},
       "smp",
       "smp File",
       "open",
       "C:\\MY APP.EXE",
       "\"C:\\MY APP.EXE\" /p %1",
       "C:\\MY APP.EXE,1"},
      {{"x,", "open,C:\\A.EXE,2"}, "x", "", "open", "C:\\A.EXE", "C:\\A.EXE", "C:\\A.EXE,2"},
      {{"x", "open,C:\\A.EXE"}, "x", "x File", "open", "", "", ",C:\\A.EXE"},
      {{"x", "open"}, "x", "x File", "open", "", "", ","},
      {{",", ",,,"}, "", "", "", "", "", ","},
  };
  for (const Case& c : cases) {
    RelateEntry e = ParseRelate(c.pair, folders);
    EXPECT_EQ(e.extension, c.extension) << c.pair.name;
    EXPECT_EQ(e.description, c.description) << c.pair.name;
    EXPECT_EQ(e.verb, c.verb) << c.pair.file;
    EXPECT_EQ(e.program, c.program) << c.pair.file;
    EXPECT_EQ(e.command, c.command) << c.pair.file;
    EXPECT_EQ(e.icon, c.icon) << c.pair.file;
  }
}

TEST(ValuesTest, ExecuteFileAndUnSetupOption) {
  FolderValues folders = SampleFolders();
  EXPECT_TRUE(ParseExecuteFile("WINDOWS_REBOOT", folders).reboot);
  EXPECT_FALSE(ParseExecuteFile("windows_reboot", folders).reboot);
  ExecuteFile run = ParseExecuteFile("(App)SAMPLE.EXE,/first,/second", folders);
  EXPECT_EQ(run.program, "C:\\Program Files\\Sample\\SAMPLE.EXE");
  EXPECT_EQ(run.parameters, "/first,/second");
  EXPECT_EQ(ParseExecuteFile("(App)README.TXT", folders).parameters, "");

  struct Case {
    std::string value;
    bool deleteAll;
    std::array<bool, 4> checked;
  } cases[] = {
      {"DeleteAll", true, {}},
      {"deleteall", false, {}},
      {"1,0,0,0", false, {true, false, false, false}},
      {"0,1,1,1", false, {false, true, true, true}},
      {"11", false, {true, false, false, false}},
      {"", false, {}},
  };
  for (const Case& c : cases) {
    UnSetupOption option = ParseUnSetupOption(c.value);
    EXPECT_EQ(option.deleteAll, c.deleteAll) << c.value;
    EXPECT_EQ(option.checked, c.checked) << c.value;
  }
}

TEST(ValuesTest, ReferRegistryAndReferIniFile) {
  ReferRegistry reg = ParseReferRegistry("(Local)SOFTWARE\\Sample,Path,extra");
  EXPECT_EQ(reg.key.rootToken, "(Local)");
  EXPECT_EQ(reg.key.key, "SOFTWARE\\Sample");
  EXPECT_EQ(reg.valueName, "Path");
  ReferRegistry bare = ParseReferRegistry("SOFTWARE\\(App)");
  EXPECT_EQ(bare.key.rootToken, "(Cuser)");
  EXPECT_EQ(bare.key.key, "SOFTWARE\\(App)");  // not expanded
  EXPECT_EQ(bare.valueName, "");

  ReferIniFile ini = ParseReferIniFile("Viewer,Path,(Win)SAMPLE.INI", SampleFolders());
  EXPECT_EQ(ini.section, "Viewer");
  EXPECT_EQ(ini.key, "Path");
  EXPECT_EQ(ini.file, "C:\\WINDOWS\\SAMPLE.INI");
  EXPECT_EQ(ParseReferIniFile("Viewer", SampleFolders()).key, "");
}

TEST(ValuesTest, ShortcutBoxesAndPlaces) {
  using B = ShortcutBox;
  struct Case {
    std::string name;
    B box;
    bool desktop, startMenu, startup, sendTo;
  } cases[] = {
      {"(Dsk)Sample", B::Desktop, true, false, false, false},
      {"(C_Dsk)Sample", B::Desktop, true, false, false, false},
      {"(Sta)Sample\\Viewer", B::StartMenu, false, true, false, false},
      {"Default", B::StartMenu, false, false, false, false},
      {"(sup)X", B::Startup, false, false, true, false},
      {"(Sen)X", B::SendTo, false, false, false, true},
      {"(Dsk)A(Sen)B", B::Desktop, true, false, false, true},
      {"(Win)X", B::None, false, false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortcutBoxOf(c.name), c.box) << c.name;
    ShortcutBoxes boxes = ShortcutBoxesNamed(c.name);
    EXPECT_EQ(boxes.desktop, c.desktop) << c.name;
    EXPECT_EQ(boxes.startMenu, c.startMenu) << c.name;
    EXPECT_EQ(boxes.startup, c.startup) << c.name;
    EXPECT_EQ(boxes.sendTo, c.sendTo) << c.name;
  }

  FolderValues folders = SampleFolders();
  ShortcutTarget make = ParseShortcutMake("(App)SAMPLE.EXE,/a,/b", folders);
  EXPECT_EQ(make.target, "C:\\Program Files\\Sample\\SAMPLE.EXE");
  EXPECT_EQ(make.arguments, "/a,/b");
  struct Place {
    std::string name, linkName, workingFolder;
  } places[] = {
      {"Default", "C:\\Menu\\Programs\\SAMPLE.EXE", ""},
      {"Sample Viewer", "C:\\Menu\\Programs\\Sample Viewer", ""},
      {"(Dsk)Sample,(App)Data", "C:\\Desktop\\Sample", "C:\\Program Files\\Sample\\Data"},
      {"Viewer (old", "Viewer (old", ""},
  };
  for (const Place& p : places) {
    ShortcutPlace place = ParseShortcutName(p.name, make.target, folders);
    EXPECT_EQ(place.linkName, p.linkName) << p.name;
    EXPECT_EQ(place.workingFolder, p.workingFolder) << p.name;
  }
}

TEST(ValuesTest, StepPauseAndSmallRules) {
  struct Case {
    std::string speed;
    int pause;
  } cases[] = {
      {"100", 100},  {"0", 1},      {"-5", 1},
      {"1", 1},      {"+20", 20},   {"", 350},
      {"fast", 350}, {"10ms", 350}, {"99999999999", 350},
  };
  for (const Case& c : cases) EXPECT_EQ(StepPause(c.speed), c.pause) << c.speed;

  EXPECT_TRUE(IsSetupOnly("Sample (SETUP ONLY.)"));
  EXPECT_FALSE(IsSetupOnly("Sample Setup Only"));
  SetupScript script;
  script.extend.enabled = "false";
  EXPECT_TRUE(ChoicesEnabled(script));
  script.extend.enabled = "False";
  EXPECT_FALSE(ChoicesEnabled(script));

  FolderValues folders = SampleFolders();
  EXPECT_EQ(MakeFolderPath("(App)Data", folders), "C:\\Program Files\\Sample\\Data\\");
  EXPECT_EQ(MakeFolderPath("(App)", folders), "C:\\Program Files\\Sample\\");
  EXPECT_EQ(ReadmePath("D:\\", "\\README.TXT"), "D:\\README.TXT");
  EXPECT_EQ(ReadmePath("D:\\", "DOC\\README.TXT"), "D:\\DOC\\README.TXT");
  EXPECT_EQ(ReadmePath("D:\\", ""), "");
}

}  // namespace
}  // namespace setup
