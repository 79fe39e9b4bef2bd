// The registry, INI and association phases: each value type, "(Pdd)", malformed values, profile
// files named with commas, and associations with their question and restore values.
#include "install_fixture.h"

namespace setup {
namespace {

using forms::IDNO;
using forms::IDYES;

class InstallRegistryTest : public InstallTest {
 protected:
  static win::RegValue Value(win::HKEY root, const std::string& key, const std::string& name) {
    win::RegKey opened;
    win::RegValue value;
    if (win::RegKey::Open(root, key, opened) == win::ERROR_SUCCESS) opened.Query(name, value);
    return value;
  }
  static std::vector<std::uint8_t> Utf16(const std::string& ascii) {
    std::vector<std::uint8_t> bytes;
    for (char c : ascii) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
  }
};

TEST_F(InstallRegistryTest, ValuesAreWrittenByTheirTypeTokens) {
  constexpr char kTypes[] = "SOFTWARE\\Sample\\Types";
  struct Case {
    std::string name, value;
    win::DWORD type;  // REG_NONE: no value is written
    std::vector<std::uint8_t> data;
  } cases[] = {
      {"Int", "(Int)-12", win::REG_DWORD, {0xF4, 0xFF, 0xFF, 0xFF}},
      {"Dwd", "(Dwd)12abc", win::REG_DWORD, {0, 0, 0, 0}},
      {"Bin", "(Bin)FF", win::REG_BINARY, {0xFF, 0, 0, 0}},
      {"Bin2", "(Bin)1A2B3C4D", win::REG_BINARY, {0x4D, 0x3C, 0x2B, 0x1A}},
      {"NoBin", "(Bin)XYZ", win::REG_NONE, {}},
      {"Exp", "(Exp)%PATH%;(App)", win::REG_EXPAND_SZ, Utf16("%PATH%;C:\\App\\")},
      {"Pdd", "(Pdd)(Str)(App)", win::REG_SZ, Utf16("C:\\App")},
      {"NoPdd", "(Str)(App)", win::REG_SZ, Utf16("C:\\App\\")},
      {"Other", "(Xyz)data", win::REG_SZ, Utf16("(Xyz)data")},
      {"Empty", "", win::REG_NONE, {}},
  };
  std::vector<std::string> script = {"[Registry]", "Key1=(Local)SOFTWARE\\Sample",
                                     "Name1=", "Value1=(Str)X"};
  int n = 2;
  for (const Case& c : cases) {
    const std::string number = std::to_string(n++);
    // the key written with the backslashes that are removed
    script.push_back("Key" + number + "=(Local)\\" + kTypes + "\\");
    script.push_back("Name" + number + "=" + c.name);
    script.push_back("Value" + number + "=" + c.value);
  }
  for (const char* line :
       {"Key12=SOFTWARE\\Sample\\User", "Name12=U", "Value12=(Str)u", "Key13=(Users)Refused\\Key",
        "Value13=(Str)x", "Key14=(Pdd)\\Soft", "Value14=(Int)1"}) {
    script.push_back(line);
  }
  WriteInstallScript(script);
  Install();
  EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")});
  EXPECT_EQ(RegString(win::HKEY::LocalMachine, "SOFTWARE\\Sample", ""), "X");
  for (const Case& c : cases) {
    const win::RegValue value = Value(win::HKEY::LocalMachine, kTypes, c.name);
    EXPECT_EQ(value.type, c.type) << c.value;
    EXPECT_EQ(value.data, c.data) << c.value;
  }
  EXPECT_EQ(RegString(win::HKEY::CurrentUser, "SOFTWARE\\Sample\\User", "U"), "u");
  EXPECT_FALSE(win::RegKeyExists(win::HKEY::Users, "Refused"));
  EXPECT_TRUE(win::RegKeyExists(win::HKEY::CurrentUser, "(Pdd)\\Soft"));
}

TEST_F(InstallRegistryTest, IniEntriesGoToTheProfileFileNamedAfterTheThirdComma) {
  WriteInstallScript({"[IniFile]", "Data1=Viewer,Path,C:\\X,(Win)A,B.INI", "Data2=Only,Two",
                      "Data3=S,Empty,,(App)E.INI", "Data4=S,K,V,C:\\No\\Folder\\F.INI"});
  Install();
  EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")}) << "profile writes are not checked";
  EXPECT_EQ(ReadIniString("Viewer", "Path", "", "C:\\windows\\A,B.INI"), "C:\\X");
  EXPECT_EQ(ReadFile("C:\\App\\E.INI"), "[S]\r\nEmpty=\r\n");
  EXPECT_FALSE(Exists("C:\\No"));
}

TEST_F(InstallRegistryTest, AcceptedAssociationsRecordTheClassTheyReplace) {
  WriteInstallScript({"[Relate]", "Name1=doc,Document", "File1=open,(App)MY APP.EXE,/p,,%1,1",
                      "Name3=txt", "File3=edit,C:\\X.EXE,%1,0", "Name4=zzz",
                      "File4=open,C:\\Z.EXE,%1,0", "Name5=nofile"});
  {
    win::RegKey doc;
    ASSERT_EQ(win::RegKey::Create(win::HKEY::ClassesRoot, ".doc", doc), 0u);
    doc.SetString("", "OldViewer");
  }
  app->QueueAnswer(IDYES);
  app->QueueAnswer(IDYES);
  app->QueueAnswer(IDNO);
  Install();
  EXPECT_EQ(Captions(), (std::vector<std::string>{A("関連付けの確認"), A("関連付けの確認"),
                                                  A("関連付けの確認"), A("完了")}));
  EXPECT_EQ(app->MessageBoxes()[0].text,
            A("拡張子 *.doc を\rC:\\App\\MY APP.EXE\rに関連付けします．よろしいですか？"));
  EXPECT_EQ(app->MessageBoxes()[0].flags, 0x24u);
  const win::HKEY classes = win::HKEY::ClassesRoot;
  EXPECT_EQ(RegString(classes, ".doc", ""), "doc_auto_file");
  EXPECT_EQ(RegString(classes, "doc_auto_file", ""), "Document");
  EXPECT_EQ(RegString(classes, "doc_auto_file\\DefaultIcon", ""), "C:\\App\\MY APP.EXE,1");
  EXPECT_EQ(RegString(classes, "doc_auto_file\\shell\\open\\command", ""),
            "\"C:\\App\\MY APP.EXE\" /p %1");
  EXPECT_EQ(RegString(classes, "txt_auto_file", ""), "txt File");
  EXPECT_EQ(RegString(classes, "txt_auto_file\\shell\\edit\\command", ""), "C:\\X.EXE %1");
  EXPECT_FALSE(win::RegKeyExists(classes, ".zzz"));
  EXPECT_FALSE(win::RegKeyExists(classes, "zzz_auto_file"));
  EXPECT_EQ(ReadIniString("RestoreRelate", "Key1", "", kLog), "doc,OldViewer");
  EXPECT_EQ(ReadIniString("RestoreRelate", "Key2", "", kLog), "txt,");
  EXPECT_EQ(ReadIniString("RestoreRelate", "Key3", "", kLog), "");
}

}  // namespace
}  // namespace setup
