// The numbers of the log's values: duplicates collapse into the key of their first occurrence,
// "/S" is kept, and the numbers kept in memory are those a walk through the file would find.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "scratch_root.h"
#include "setup/MainHelpers.h"
#include "setup/MainLog.h"
#include "setup/MainLogTexts.h"
#include "setup/MainScript.h"
#include "setup/uIniFile.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

constexpr char kSetup[] = "C:\\Sample\\";
constexpr char kLog[] = "C:\\Sample\\UNSETUP.INI";
constexpr LogList kLists[] = {LogList::Folders, LogList::Files, LogList::Shortcuts,
                              LogList::RegistryKeys, LogList::AdditionalFiles};

std::string A(std::string_view utf8) { return win::Utf8ToAnsi(utf8); }

std::string Bytes(const std::string& windowsPath) {
  std::ifstream in(*win::HostPath(windowsPath), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LogSlotsTest : public testing_support::ScratchRootTest {
 protected:
  LogSlotsTest() {
    ForceFolder(kSetup);
    ForceFolder(work);
  }

  UninstallLogRun Run() const {
    return {A("インストール"), A("アンインストール"), "Sample", "", "", "", "ID", windows};
  }

  // The log written for the values of each list.
  std::string WriteLog(const std::vector<std::vector<std::string>>& lists) {
    TUninstallLog log;
    log.Prepare(kSetup, work);
    for (std::size_t i = 0; i < lists.size(); ++i)
      for (const std::string& value : lists[i]) log.Add(kLists[i], value);
    log.Write(Run());
    return Bytes(kLog);
  }

  const std::string windows = win::GetWindowsDirectoryA() + "\\";
  const std::string work = win::GetTempPathA() + "BSTMP1\\";
};

TEST_F(LogSlotsTest, DuplicatesTakeTheNumberOfTheirFirstOccurrence) {
  struct Case {
    std::vector<std::string> files, logged;
  } cases[] = {
      {{"C:\\A.EXE", "C:\\B.EXE", "c:\\a.exe", "C:\\C.EXE"},
       {"c:\\a.exe", "C:\\B.EXE", "C:\\C.EXE"}},
      // the text after the first comma does not count, also inside a path
      {{"C:\\D,1\\", "C:\\D,2\\"}, {"C:\\D,2\\"}},
      {{"C:\\S.DLL,/S", "C:\\S.DLL"}, {"C:\\S.DLL,/S"}},
      {{"C:\\S.DLL,/S/R", "C:\\S.DLL,/W"}, {"C:\\S.DLL,/W/S"}},
      {{"C:\\S.DLL,/s", "C:\\S.DLL,/R"}, {"C:\\S.DLL,/R/S"}},
      {{"C:\\S.DLL", "C:\\S.DLL,/S"}, {"C:\\S.DLL,/S"}},
      {{"C:\\S.DLL,/R", "C:\\S.DLL"}, {"C:\\S.DLL"}},
      // full-width letters compare without regard to case; a trail byte 0x5C is no separator
      {{A("C:\\ａ\\表.TXT"), A("C:\\Ａ\\表.txt")}, {A("C:\\Ａ\\表.txt")}},
      // an empty value holds its number only until the next value
      {{"C:\\A.EXE", "", "C:\\B.EXE"}, {"C:\\A.EXE", "C:\\B.EXE"}},
      // a value without a path counts as an empty number, and passes on its "/S"
      {{"C:\\A.EXE", ",/S", "C:\\B.EXE"}, {"C:\\A.EXE", "C:\\B.EXE,/S"}},
  };
  for (const Case& c : cases) {
    WriteLog({{}, c.files});
    EXPECT_EQ(ReadFamily(kLog, "DeleteFile", "File"), c.logged) << c.files.front();
    fs::remove(*win::HostPath(kLog));
  }
}

// The log as the slot search writes it through the file: every number found by reading File1,
// File2, ... until an empty or equal value.
void WriteFamilyThroughTheFile(LogList list, const std::vector<std::string>& values) {
  const LogFamily family = FamilyOf(list);
  for (const std::string& value : values) {
    const std::string compare = value.substr(0, value.find(','));
    std::string key, stored;
    for (std::size_t n = 1;; ++n) {
      key = family.prefix + std::to_string(n);
      stored = ReadIniString(family.section, key, "", kLog);
      const std::string cut = stored.substr(0, stored.find(','));
      if (cut.empty() || win::CompareNoCase(cut, compare) == 0) break;
    }
    std::string written = value;
    if (list == LogList::Files && PosText("/S", stored) != 0 && PosText("/S", value) == 0)
      written += PosText(",/", value) != 0 ? "/S" : ",/S";
    WriteIniString(family.section, key, written, kLog);
  }
}

TEST_F(LogSlotsTest, NumbersAreThoseTheFileWouldGive) {
  const std::vector<std::string> pool = {
      "C:\\A.EXE",
      "c:\\a.exe",
      "C:\\A.EXE,/S",
      "c:\\A.exe,/R",
      "C:\\B,1\\",
      "C:\\B,2\\",
      ",/S",
      "",
      " C:\\PAD.EXE ",
      "C:\\PAD.EXE",
      "\"C:\\Q\"",
      "C:\\Q",
      A("C:\\ａ.TXT"),
      A("C:\\Ａ.TXT"),
      A("C:\\表\\X"),
      A("c:\\表\\x,/W/R/S"),
      "C:\\D.DLL,/s",
      "C:\\D.DLL",
      "(Local)SOFTWARE\\Sample",
  };
  std::mt19937 random(7);
  std::vector<std::vector<std::string>> lists(5);
  for (auto& list : lists) {
    for (int i = 0; i < 200; ++i) {
      std::size_t pick = random() % (pool.size() + 8);
      list.push_back(pick < pool.size() ? pool[pick] : "C:\\U" + std::to_string(random() % 60));
    }
  }
  const std::string written = WriteLog(lists);

  fs::remove(*win::HostPath(kLog));
  const std::string word = A("アンインストール");
  WriteIniString("Information", "Message1", "Orvane UnSetup(UnInstall) Initialize File", kLog);
  WriteIniString("Information", "Message2", A("！！！　警告　！！！"), kLog);
  WriteIniString("Information", "Message3",
                 A("このファイルをエディタなどで書き換えたり，削除しないでください．"), kLog);
  WriteIniString("Information", "Message4",
                 A("書き換えた場合，") + word + A("動作の保証はできません．"), kLog);
  WriteIniString("Title", "UnSetup", "Sample", kLog);
  WriteIniString("SetupFolder", "Folder", kSetup, kLog);
  for (std::size_t i = 0; i < lists.size(); ++i) WriteFamilyThroughTheFile(kLists[i], lists[i]);
  WriteIniString("Extend", "SetupString", A("インストール"), kLog);
  WriteIniString("Extend", "UnSetupString", word, kLog);
  WriteIniString("UnSetupRegistryKey", "Key",
                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample", kLog);
  WriteIniString("ProgramID", "ID", "ID", kLog);

  EXPECT_EQ(written, Bytes(kLog));
}

}  // namespace
}  // namespace setup
