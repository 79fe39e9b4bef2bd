// The uninstall log of an install run: its bytes, the merge with an earlier log, the uninstaller,
// the shared record, the uninstall key, and an earlier log that survives every failure.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/testing/write_errors.h"
#include "scratch_root.h"
#include "setup/MainHelpers.h"
#include "setup/MainLog.h"
#include "setup/MainLogTexts.h"
#include "setup/MainScript.h"
#include "setup/uIniFile.h"

namespace setup {
namespace {

namespace fs = std::filesystem;

std::string A(std::string_view utf8) { return win::Utf8ToAnsi(utf8); }

// UTF-8 lines as the ANSI bytes of an INI file with CR LF line ends.
std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += A(line) + "\r\n";
  return text;
}

fs::path Host(const std::string& windowsPath) { return *win::HostPath(windowsPath); }

std::string Bytes(const std::string& windowsPath) {
  std::ifstream in(Host(windowsPath), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& windowsPath, std::string_view bytes) {
  fs::create_directories(Host(windowsPath).parent_path());
  std::ofstream(Host(windowsPath), std::ios::binary) << bytes;
}

bool Exists(const std::string& windowsPath) { return fs::exists(Host(windowsPath)); }

std::string RegString(const std::string& key, const std::string& name) {
  win::RegKey opened;
  std::string text;
  if (win::RegKey::Open(win::HKEY::LocalMachine, key, opened) != 0) return "<no key>";
  if (opened.QueryString(name, text) != 0) return "<no value>";
  return text;
}

constexpr char kSetup[] = "C:\\Program Files\\Sample\\";
constexpr char kLog[] = "C:\\Program Files\\Sample\\UNSETUP.INI";
constexpr char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample";

class LogTest : public testing_support::ScratchRootTest {
 protected:
  LogTest() {
    ForceFolder(kSetup);
    ForceFolder(work);
  }

  UninstallLogRun Run() const {
    return {
        A("インストール"), A("アンインストール"), "Sample", "", "", "1,0,0,0", "SAMPLE", windows};
  }

  // A run that records the given files after an earlier log (if any) was taken in.
  LogWriteResult WriteFiles(const std::vector<std::string>& files, const LogStatus& status = {}) {
    TUninstallLog log;
    log.Prepare(kSetup, work);
    for (const std::string& file : files) log.AddFile(file);
    return log.Write(Run(), status);
  }

  const std::string windows = win::GetWindowsDirectoryA() + "\\";
  const std::string work = win::GetTempPathA() + "BSTMP1\\";
};

TEST_F(LogTest, SmallInstallWritesEverySectionInOrder) {
  TUninstallLog log;
  log.Prepare(kSetup, work);
  log.AddFolder("C:\\Program Files\\Sample\\Data\\");
  log.AddFile("C:\\Program Files\\Sample\\SAMPLE.EXE");
  log.AddFile("C:\\windows\\system32\\SAMPLE.DLL,/S");
  log.AddFile(log.LogPath());
  log.AddShortcut("C:\\Menu\\Sample\\Sample.lnk");
  log.AddRegistryKey("(Local)SOFTWARE\\Sample");
  log.AddAdditionalFile("C:\\Program Files\\Sample\\*.log");
  log.AddAssociation("smp", "OldViewer");
  log.AddAssociation("dat", "");

  std::vector<std::string> messages;
  int abortDisabled = 0;
  LogStatus status{[&](const std::string& m) { messages.push_back(m); },
                   [&] { abortDisabled += messages.size() == 1 ? 1 : 100; }};
  LogWriteResult result = log.Write(Run(), status);

  EXPECT_EQ(result.failures, "");
  EXPECT_EQ(result.failureCount, 0);
  EXPECT_EQ(Bytes(kLog),
            Lines({
                "[Information]",
                "Message1=Orvane UnSetup(UnInstall) Initialize File",
                "Message2=！！！　警告　！！！",
                "Message3=このファイルをエディタなどで書き換えたり，削除しないでください．",
                "Message4=書き換えた場合，アンインストール動作の保証はできません．",
                "[Title]",
                "UnSetup=Sample",
                "[SetupFolder]",
                "Folder=C:\\Program Files\\Sample\\",
                "[DeleteFolder]",
                "Folder1=C:\\Program Files\\Sample\\Data\\",
                "[DeleteFile]",
                "File1=C:\\Program Files\\Sample\\SAMPLE.EXE",
                "File2=C:\\windows\\system32\\SAMPLE.DLL,/S",
                "File3=C:\\Program Files\\Sample\\UNSETUP.INI",
                "[DeleteShortCut]",
                "File1=C:\\Menu\\Sample\\Sample.lnk",
                "[DeleteRegistry]",
                "Key1=(Local)SOFTWARE\\Sample",
                "[AddDeleteFile]",
                "File1=C:\\Program Files\\Sample\\*.log",
                "[RestoreRelate]",
                "Key1=smp,OldViewer",
                "Key2=dat,",
                "[UnSetupOption]",
                "CheckBox=1,0,0,0",
                "[Extend]",
                "SetupString=インストール",
                "UnSetupString=アンインストール",
                "[UnSetupRegistryKey]",
                "Key=SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample",
                "[ProgramID]",
                "ID=SAMPLE",
            }));
  EXPECT_FALSE(Exists("C:\\Program Files\\Sample\\UNSETUP.TMP"));
  EXPECT_FALSE(Exists(work + "UNSETUPB.INI"));  // there was no earlier log

  EXPECT_EQ(RegString(kKey, "DisplayName"), "Sample");
  EXPECT_EQ(RegString(kKey, "UninstallString"),
            windows + "ZUREVAZ.EXE \"C:\\Program Files\\Sample\\UNSETUP.INI\"");

  EXPECT_EQ(abortDisabled, 1);  // once, right after the first message
  const std::string word = A("アンインストール");
  EXPECT_EQ(messages,
            (std::vector<std::string>{
                word + A("情報を更新しています．しばらくお待ちください．．．"),
                word + A("情報(削除フォルダ)を更新しています．しばらくお待ちください．．．"),
                word + A("情報(削除ファイル)を更新しています．しばらくお待ちください．．．"),
                word + A("情報(削除ショートカット)を更新しています．しばらくお待ちください．．．"),
                word + A("情報(削除レジストリ)を更新しています．しばらくお待ちください．．．"),
                word + A("情報(追加削除ファイル)を更新しています．しばらくお待ちください．．．"),
                word + A("情報(復元関連付け)を更新しています．しばらくお待ちください．．．"),
            }));
}

TEST_F(LogTest, UninstallKeyNameAndDisplayNameFollowTheScript) {
  struct Case {
    std::string key, display, expectKey, expectDisplay;
  } cases[] = {
      {"", "", "Sample", "Sample"},
      {"SampleKey", "", "SampleKey", "SampleKey"},
      {"SampleKey", A("サンプル"), "SampleKey", A("サンプル")},
      {"", "Shown", "Sample", "Shown"},
  };
  for (const Case& c : cases) {
    TUninstallLog log;
    log.Prepare(kSetup, work);
    UninstallLogRun run = Run();
    run.unSetupKey = c.key;
    run.unSetupDisplay = c.display;
    log.Write(run);
    const std::string key =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + c.expectKey;
    EXPECT_EQ(ReadIniString("UnSetupRegistryKey", "Key", "", kLog), key) << c.key;
    EXPECT_EQ(RegString(key, "DisplayName"), c.expectDisplay) << c.key;
    EXPECT_EQ(RegString(key, "UninstallString"), windows + "ZUREVAZ.EXE \"" + kLog + "\"");
  }
}

TEST_F(LogTest, SecondInstallMergesTheEarlierLog) {
  const std::string earlier = Lines({
      "[DeleteFolder]",
      "Folder1=C:\\Program Files\\Sample\\Data\\",
      "[DeleteFile]",
      "File1=C:\\Program Files\\Sample\\SAMPLE.EXE",
      "File2=C:\\windows\\system32\\SAMPLE.DLL,/S",
      "File3=C:\\Program Files\\Sample\\UNSETUP.INI",
      "[DeleteShortCut]",
      "File1=C:\\Menu\\Old.lnk",
      "[DeleteRegistry]",
      "Key1=(Local)SOFTWARE\\Sample",
      "[AddDeleteFile]",
      "File1=C:\\Program Files\\Sample\\*.log",
      "[RestoreRelate]",
      "Key1=smp,OldViewer",
      "Key3=doc,Word.Document",
      "Key4=smp,Old",
  });
  WriteBytes(kLog, earlier);

  TUninstallLog log;
  log.Prepare(kSetup, work);
  EXPECT_EQ(Bytes(work + "UNSETUPB.INI"), earlier);
  log.AddFolder("C:\\Program Files\\Sample\\DATA\\");
  log.AddFolder("C:\\Program Files\\Sample\\Help\\");
  log.AddFile("C:\\Program Files\\Sample\\NEW.EXE");
  log.AddFile("C:\\WINDOWS\\SYSTEM32\\sample.dll,/R");
  log.AddFile(log.LogPath());
  log.AddShortcut("C:\\Menu\\New.lnk");
  log.AddRegistryKey("(Local)SOFTWARE\\Sample");
  log.AddAssociation("SMP", "smp_auto_file");  // in the table already
  log.AddAssociation("do", "X");               // occurs in "doc"
  log.AddAssociation("txt", "txtfile");
  log.Write(Run());

  const std::string log2 = Bytes(kLog);
  auto between = [&](const std::string& from, const std::string& to) {
    std::size_t begin = log2.find(from), end = log2.find(to);
    return begin == std::string::npos || end == std::string::npos ? std::string("<missing>")
                                                                  : log2.substr(begin, end - begin);
  };
  EXPECT_EQ(between("[DeleteFolder]", "[UnSetupOption]"),
            Lines({
                "[DeleteFolder]",
                "Folder1=C:\\Program Files\\Sample\\DATA\\",
                "Folder2=C:\\Program Files\\Sample\\Help\\",
                "[DeleteFile]",
                "File1=C:\\Program Files\\Sample\\SAMPLE.EXE",
                "File2=C:\\WINDOWS\\SYSTEM32\\sample.dll,/R/S",
                "File3=C:\\Program Files\\Sample\\UNSETUP.INI",
                "File4=C:\\Program Files\\Sample\\NEW.EXE",
                "[DeleteShortCut]",
                "File1=C:\\Menu\\Old.lnk",
                "File2=C:\\Menu\\New.lnk",
                "[DeleteRegistry]",
                "Key1=(Local)SOFTWARE\\Sample",
                "[AddDeleteFile]",
                "File1=C:\\Program Files\\Sample\\*.log",
                "[RestoreRelate]",
                "Key1=smp,OldViewer",
                "Key2=doc,Word.Document",
                "Key3=txt,txtfile",
            }));
}

TEST_F(LogTest, RestoreTableKeepsTwentyDistinctExtensions) {
  std::vector<std::string> earlier = {"[RestoreRelate]"};
  for (int n = 1; n <= 25; n += 2)
    earlier.push_back("Key" + std::to_string(n) + "=e" + std::to_string(n) + ",C" +
                      std::to_string(n));
  WriteBytes(kLog, Lines(earlier));  // Key1, Key3 ... Key19 are read; Key21 and later are not
  TUninstallLog log;
  log.Prepare(kSetup, work);
  for (int n = 100; n < 115; ++n) log.AddAssociation("x" + std::to_string(n), "");
  log.AddAssociation("E1", "again");  // occurs in e1 and e11 ...

  const auto& table = log.RestoreTable();
  EXPECT_EQ(table[0], "e1,C1");
  EXPECT_EQ(table[9], "e19,C19");
  EXPECT_EQ(table[10], "x100,");
  EXPECT_EQ(table[19], "x109,");  // x110 and later find no slot
  log.Write(Run());
  EXPECT_EQ(ReadFamily(kLog, "RestoreRelate", "Key").size(), 20u);
  EXPECT_EQ(ReadIniString("RestoreRelate", "Key20", "", kLog), "x109,");
}

TEST_F(LogTest, UninstallerIsRefreshedWhenTheProgramIsNewer) {
  using namespace std::chrono_literals;
  const std::string copy = work + "SETUPB.EXE", uninstaller = windows + "ZUREVAZ.EXE";
  struct Case {
    const char* name;
    bool targetExists;
    std::chrono::hours targetAge;  // relative to the program copy
    bool replaced;
  } cases[] = {
      {"missing", false, 0h, true},
      {"older", true, 48h, true},
      {"same date", true, 0h, false},
      {"newer", true, -48h, false},
  };
  for (const Case& c : cases) {
    fs::remove(Host(uninstaller));
    WriteBytes(copy, "new program");
    fs::permissions(Host(copy), fs::perms(0755));
    const auto time = fs::last_write_time(Host(copy));
    if (c.targetExists) {
      WriteBytes(uninstaller, "old program");
      fs::last_write_time(Host(uninstaller), time - c.targetAge);
    }
    LogWriteResult result = WriteFiles({});
    EXPECT_EQ(result.failureCount, 0) << c.name;
    EXPECT_EQ(Bytes(uninstaller), c.replaced ? "new program" : "old program") << c.name;
    if (c.replaced) {
      struct stat st {};
      ASSERT_EQ(stat(Host(uninstaller).c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0111, 0111u) << c.name;  // the copy starts as the program does
    }
  }
}

TEST_F(LogTest, FailedUninstallerCopyIsReportedAndTheLogStillWritten) {
  WriteBytes(work + "SETUPB.EXE", "program");
  LogWriteResult result;
  {
    win::testing::ScopedWriteError full(windows, win::ERROR_DISK_FULL);
    result = WriteFiles({"C:\\Program Files\\Sample\\A.EXE"});
  }
  EXPECT_EQ(result.failures, "<SetupFile> " + windows + "ZUREVAZ.EXE\r\n" +
                                 ErrorText(win::ERROR_DISK_FULL) + "\r\n");
  EXPECT_EQ(result.failureCount, 1);
  EXPECT_EQ(ReadIniString("DeleteFile", "File1", "", kLog), "C:\\Program Files\\Sample\\A.EXE");
  EXPECT_EQ(RegString(kKey, "DisplayName"), "Sample");
}

TEST_F(LogTest, InstalledProgramsRecordAndSetupOnly) {
  const std::string earlier = Lines({"[DeleteFile]", "File1=C:\\Old\\OLD.EXE"});
  WriteBytes(kLog, earlier);
  WriteBytes(work + "SETUPB.EXE", "program");
  TUninstallLog log;
  log.Prepare(kSetup, work);
  log.AddFile("C:\\Program Files\\Sample\\A.EXE");
  UninstallLogRun run = Run();
  run.unSetupTitle = "Sample setup ONLY.";
  std::vector<std::string> messages;
  LogWriteResult result =
      log.Write(run, {[&](const std::string& m) { messages.push_back(m); }, {}});

  EXPECT_EQ(result.failureCount, 0);
  EXPECT_EQ(Bytes(kLog), earlier);
  EXPECT_EQ(RegString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample setup ONLY.",
                      "DisplayName"),
            "<no key>");
  EXPECT_EQ(Bytes(windows + "ZUREVAZ.EXE"), "program");
  EXPECT_EQ(ReadIniString("SAMPLE", "Folder", "", windows + "ORVAN98.INI"), kSetup);
  EXPECT_EQ(messages.size(), 1u);

  // Without a program identifier the record is left alone and the log holds an empty ID.
  fs::remove(Host(windows + "ORVAN98.INI"));
  run = Run();
  run.programId = "";
  TUninstallLog again;
  again.Prepare(kSetup, work);
  again.Write(run);
  EXPECT_FALSE(Exists(windows + "ORVAN98.INI"));
  const std::string bytes = Bytes(kLog);
  EXPECT_EQ(bytes.substr(bytes.size() - 18), "[ProgramID]\r\nID=\r\n");
}

// The earlier log stays as it was until the new one is complete.
TEST_F(LogTest, EarlierLogSurvivesARunThatStopsBeforeTheLogIsComplete) {
  const std::string earlier =
      Lines({"[DeleteFile]", "File1=C:\\Old\\OLD.EXE", "File2=" + std::string(kLog)});
  WriteBytes(kLog, earlier);
  const std::string restoreMessage =
      A("アンインストール情報(復元関連付け)を更新しています．しばらくお待ちください．．．");
  // The program ends in the middle of the write.
  LogStatus crash{[&](const std::string& m) {
                    if (m == restoreMessage) throw std::runtime_error("power loss");
                  },
                  {}};
  EXPECT_THROW(WriteFiles({"C:\\Program Files\\Sample\\A.EXE"}, crash), std::runtime_error);
  EXPECT_EQ(Bytes(kLog), earlier);

  // The disk fills up in the middle of the write.
  LogStatus full{[&](const std::string& m) {
                   if (m == restoreMessage)
                     win::testing::InjectWriteError(kSetup, win::ERROR_DISK_FULL);
                 },
                 {}};
  LogWriteResult result = WriteFiles({"C:\\Program Files\\Sample\\A.EXE"}, full);
  win::testing::ClearInjectedWriteErrors();
  EXPECT_EQ(Bytes(kLog), earlier);
  EXPECT_EQ(result.failures,
            "<SetupFile> " + std::string(kLog) + "\r\n" + ErrorText(win::ERROR_DISK_FULL) + "\r\n");
  EXPECT_EQ(result.failureCount, 1);

  // The next run starts from the earlier log and leaves no temporary file behind.
  result = WriteFiles({"C:\\Program Files\\Sample\\A.EXE"});
  EXPECT_EQ(result.failureCount, 0);
  EXPECT_EQ(
      ReadFamily(kLog, "DeleteFile", "File"),
      (std::vector<std::string>{"C:\\Old\\OLD.EXE", kLog, "C:\\Program Files\\Sample\\A.EXE"}));
  EXPECT_FALSE(Exists("C:\\Program Files\\Sample\\UNSETUP.TMP"));
}

TEST_F(LogTest, MalformedEarlierLogsAreMergedAsTheyRead) {
  const std::string huge(100000, 'h');
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> earlierFiles;
  } cases[] = {
      {"gap", "[DeleteFile]\r\nFile1=A\r\nFile3=C\r\n", {"A"}},
      {"huge value", "[DeleteFile]\r\nFile1=" + huge + "\r\nFile2=B", {huge, "B"}},
      {"no line ends", "[DeleteFile]File1=A", {}},
      {"bare CR", "[DeleteFile]\rFile1=A\rFile2=B\r", {"A", "B"}},
      {"binary", std::string("\0\xff[\x81]\r\n\0File1=\x81", 15), {}},
      {"lead byte at end", "[DeleteFile]\r\nFile1=\x95", {"\x95"}},
      {"lines without =", "[DeleteFile]\r\nFile1\r\n=x\r\n[\r\nFile1=A\r\n", {"A"}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) {
    WriteBytes(kLog, c.bytes);
    TUninstallLog log;
    log.Prepare(kSetup, work);
    EXPECT_EQ(Bytes(work + "UNSETUPB.INI"), c.bytes) << c.name;
    EXPECT_EQ(log.Pending(LogList::Files), c.earlierFiles) << c.name;
    log.AddFile("C:\\NEW.EXE");
    EXPECT_EQ(log.Write(Run()).failureCount, 0) << c.name;
    std::vector<std::string> expected = c.earlierFiles;
    expected.push_back("C:\\NEW.EXE");
    EXPECT_EQ(ReadFamily(kLog, "DeleteFile", "File"), expected) << c.name;
  }
}

}  // namespace
}  // namespace setup
