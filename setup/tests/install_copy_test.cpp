// The copy phase: the overwrite rule, compressed files, disk changes, failed copies, shared
// libraries and controls, and the progress by size or by entries.
#include <chrono>

#include "install_fixture.h"
#include "platform/testing/write_errors.h"
#include "setup/MainShared.h"

namespace setup {
namespace {

using forms::IDCANCEL;
using forms::IDNO;
using forms::IDOK;
using forms::IDYES;

// A file as COMPRESS.EXE writes it, its data all literals: the header stores the character that
// "_" replaced at the end of the name.
std::string Szdd(char missing, const std::string& original) {
  std::string packed =
      "SZDD\x88\xF0\x27\x33"
      "A";
  packed += missing;
  for (int i = 0; i < 4; ++i) packed += static_cast<char>(original.size() >> (8 * i) & 0xFF);
  for (std::size_t i = 0; i < original.size(); i += 8) packed += '\xFF' + original.substr(i, 8);
  return packed;
}

class InstallCopyTest : public InstallTest {
 protected:
  // Sets the last change of a file an hour before or after now.
  static void Age(const std::string& windowsPath, int hours) {
    std::filesystem::last_write_time(
        *win::HostPath(windowsPath),
        std::filesystem::file_time_type::clock::now() + std::chrono::hours(hours));
  }
  static void SameDate(const std::string& target, const std::string& source) {
    std::filesystem::last_write_time(*win::HostPath(target),
                                     std::filesystem::last_write_time(*win::HostPath(source)));
  }
};

TEST_F(InstallCopyTest, AnExistingTargetIsReplacedByTheOverwriteRule) {
  enum Target { Older, Same, Newer };
  struct Case {
    const char* name;
    bool overwrite;
    Target target;
    const char* flags;
    int answer;  // to the overwrite question, 0 when none is asked
    bool copied;
  } cases[] = {
      {"older target", true, Older, "", 0, true},
      {"same date", true, Same, "", 0, false},
      {"newer target", true, Newer, "", 0, false},
      {"same date, always", true, Same, ",/W", 0, true},
      {"asked, yes", false, Newer, "", IDYES, true},
      {"asked, no", false, Older, "", IDNO, false},
      {"asked, no, always", false, Same, ",/w", IDNO, true},
  };
  WriteFile("C:\\dist\\A.TXT", "new");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NextRun();
    WriteInstallScript({"[CopyFile]", std::string("File1=(App)\\A.TXT") + c.flags});
    MakeFolder(kApp);
    WriteFile("C:\\App\\A.TXT", "old");
    if (c.target == Same) SameDate("C:\\App\\A.TXT", "C:\\dist\\A.TXT");
    if (c.target != Same) Age("C:\\App\\A.TXT", c.target == Older ? -2 : 2);
    if (c.answer) app->QueueAnswer(c.answer);
    Install([&](TfrmMain& m) { m.chkOverWrite->SetChecked(c.overwrite); });
    EXPECT_EQ(ReadFile("C:\\App\\A.TXT"), c.copied ? "new" : "old");
    EXPECT_EQ(LogFamily("DeleteFile", "File"),
              (std::vector<std::string>{std::string("C:\\App\\A.TXT") + c.flags, kLog}))
        << "recorded also when left as it was";
    const std::vector<std::string> captions = Captions();
    EXPECT_EQ(captions.front(), c.answer ? A("上書き確認") : A("完了"));
    if (c.answer) {
      EXPECT_EQ(
          app->MessageBoxes()[0].text,
          A("C:\\App\\A.TXT\r\rこのファイルは既に存在します．\r上書きしてもよろしいですか？"));
      EXPECT_EQ(app->MessageBoxes()[0].flags, 0x24u);
    }
  }
}

TEST_F(InstallCopyTest, CompressedFilesAreExpandedUnderTheirNames) {
  struct Case {
    std::string file, source, bytes, installed, contents;
  } cases[] = {
      {"(App)\\X.EX_", "X.EX_", Szdd('E', "program"), "C:\\App\\X.EXE", "program"},
      {"(App)\\x.tx_", "x.tx_", Szdd('t', "text"), "C:\\App\\X.TXT", "text"},
      {"(App)\\Y.EX_|Name.exe", "Y.EX_", Szdd('E', "named"), "C:\\App\\Name.exe", "named"},
      {"(App)\\PLAIN.TX_", "PLAIN.TX_", "not compressed", "C:\\App\\PLAIN.TX_", "not compressed"},
  };
  const std::string kExpandFile = Temp() + "EXPAND.DIZ";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    NextRun();
    WriteInstallScript({"[CopyFile]", "File1=" + c.file});
    WriteFile("C:\\dist\\" + c.source, c.bytes);
    WriteFile(kExpandFile, "left by an earlier run");
    Install();
    EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")});
    EXPECT_EQ(ReadFile(c.installed), c.contents);
    EXPECT_EQ(LogFamily("DeleteFile", "File"), (std::vector<std::string>{c.installed, kLog}));
    EXPECT_FALSE(Exists(kExpandFile));
  }
}

TEST_F(InstallCopyTest, EachDiskChangeAsksForTheNextDisk) {
  WriteInstallScript(
      {"[CopyFile]", "File1=(App)\\A.TXT", "File2=(Dch)(App)\\B.TXT", "File3=(Dch)(App)\\C.TXT"});
  for (const char* name : {"A.TXT", "B.TXT", "C.TXT"})
    WriteFile(std::string("C:\\dist\\") + name, name);
  Install();
  ASSERT_EQ(Captions(),
            (std::vector<std::string>{A("ディスク交換"), A("ディスク交換"), A("完了")}));
  EXPECT_EQ(app->MessageBoxes()[0].text, A("2枚目のディスクに交換してください．"));
  EXPECT_EQ(app->MessageBoxes()[0].flags, 0x41u);
  EXPECT_EQ(app->MessageBoxes()[1].text, A("3枚目のディスクに交換してください．"));
  EXPECT_EQ(ReadFile("C:\\App\\C.TXT"), "C.TXT");
  EXPECT_EQ(progress, (std::vector<std::string>{"0%(0/0)", "33%(1/3)", "66%(2/3)", "100%(3/3)"}))
      << "sources on later disks count by entries";
}

TEST_F(InstallCopyTest, ARefusedDiskChangeEndsTheRunWithoutALog) {
  WriteInstallScript({"[CopyFile]", "File1=(App)\\A.TXT", "File2=(Dch)(App)\\B.TXT"});
  WriteFile("C:\\dist\\A.TXT", "a");
  const std::string kEarlierLog = "[DeleteFile]\r\nFile1=C:\\App\\OLD.TXT\r\n";
  MakeFolder(kApp);
  WriteFile(kLog, kEarlierLog);
  app->QueueAnswer(IDOK);  // the disk in the drive lacks B.TXT: asked again
  app->QueueAnswer(IDCANCEL);
  Install();
  ASSERT_EQ(Captions(),
            (std::vector<std::string>{A("ディスク交換"), A("ディスク交換"), A("致命的エラー")}));
  EXPECT_EQ(app->MessageBoxes()[1].text, A("2枚目のディスクに交換してください．"));
  EXPECT_EQ(app->MessageBoxes()[2].text, A("インストールを続行できませんでした．"));
  EXPECT_EQ(app->MessageBoxes()[2].flags, 0x10u);
  EXPECT_EQ(ReadFile("C:\\App\\A.TXT"), "a") << "what was copied stays";
  EXPECT_EQ(ReadFile(kLog), kEarlierLog);
  EXPECT_FALSE(Exists("C:\\windows\\ZUREVAZ.EXE"));
  EXPECT_EQ(Main().ModalResult(), forms::mrOk);
}

TEST_F(InstallCopyTest, FailedCopiesAreReportedAndNotLogged) {
  WriteInstallScript({"[CopyFile]", "File1=(App)GONE.TXT", "File2=(App)Full\\A.TXT",
                      "File3=(App)\\LOCKED.TXT", "File4=(App)\\B.TXT", "File5=(App)\\SUB,/W",
                      "File6=(App)\\CUT.EX_"});
  WriteFile("C:\\dist\\CUT.EX_", "SZDD\x88\xF0\x27\x33");  // a header cut short
  WriteFile("C:\\dist\\SUB", "a file where a folder is");
  MakeFolder("C:\\App\\SUB");
  WriteFile("C:\\dist\\A.TXT", "a");
  WriteFile("C:\\dist\\B.TXT", "b");
  WriteFile("C:\\dist\\LOCKED.TXT", "new");
  MakeFolder("C:\\App\\Full");
  WriteFile("C:\\App\\LOCKED.TXT", "old");
  Age("C:\\App\\LOCKED.TXT", -2);
  ASSERT_TRUE(win::SetFileAttributesA("C:\\App\\LOCKED.TXT", win::FILE_ATTRIBUTE_READONLY));
  win::testing::ScopedWriteError full("C:\\App\\Full", win::ERROR_DISK_FULL);
  app->QueueAnswer(IDYES);  // show the details
  Install();
  EXPECT_EQ(failureDetails,
            A("<File> C:\\dist\\GONE.TXT\r\nコピー元のファイルが見つかりません．\r\n\r\n") +
                "<File> C:\\App\\Full\\A.TXT\r\n" + ErrorText(win::ERROR_DISK_FULL) + "\r\n" +
                "<File> C:\\App\\SUB\r\n" + ErrorText(win::ERROR_ACCESS_DENIED) + "\r\n" +
                "<File> C:\\App\\CUT.EX_\r\n" + ErrorText(win::ERROR_FILE_NOT_FOUND) + "\r\n");
  EXPECT_FALSE(Exists(Temp() + "EXPAND.DIZ"));
  EXPECT_FALSE(Exists("C:\\App\\Full\\A.TXT"));
  EXPECT_EQ(ReadFile("C:\\App\\LOCKED.TXT"), "new") << "a read-only target is replaced";
  EXPECT_EQ(win::GetFileAttributesA("C:\\App\\LOCKED.TXT"), win::FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(LogFamily("DeleteFile", "File"),
            (std::vector<std::string>{"C:\\App\\LOCKED.TXT", "C:\\App\\B.TXT", kLog}));
  EXPECT_EQ(progress, (std::vector<std::string>{"0%(0/0)", "16%(1/6)", "33%(2/6)", "50%(3/6)",
                                                "66%(4/6)", "83%(5/6)", "100%(6/6)"}));
}

TEST_F(InstallCopyTest, ValuesWithoutAFileNameNameAMissingSource) {
  WriteInstallScript({"[CopyFile]", "File1=,/S", "File2=|B.TXT", "File3=(App)\\"});
  WriteFile("C:\\dist\\B.TXT", "b");
  app->QueueAnswer(IDYES);
  Install();
  std::string report;
  for (int n = 0; n < 3; ++n)
    report += A("<File> C:\\dist\\\r\nコピー元のファイルが見つかりません．\r\n\r\n");
  EXPECT_EQ(failureDetails, report);
  EXPECT_EQ(SharedCount(""), 0);
  EXPECT_FALSE(Exists("C:\\B.TXT"));
  EXPECT_EQ(LogFamily("DeleteFile", "File"), std::vector<std::string>{kLog});
}

TEST_F(InstallCopyTest, ProgressFollowsTheSizesWhileTheyCanBeRead) {
  WriteInstallScript({"[CopyFile]", "File1=(App)\\EMPTY.TXT", "File2=(App)\\B.TXT",
                      "File3=(App)\\C.TXT", "File4=(App)\\D.TXT"});
  WriteFile("C:\\dist\\EMPTY.TXT", "");  // counts as one byte
  WriteFile("C:\\dist\\B.TXT", "bbb");
  WriteFile("C:\\dist\\C.TXT", "cccc");
  WriteFile("C:\\dist\\D.TXT", "dd");
  // C.TXT goes away while it is being copied: its size cannot be read after the copy
  whileRunning = [&] {
    if (Status().lblMessage->Caption() ==
        A("ファイルをコピーしています．．．\rCopying -> C:\\App\\C.TXT"))
      std::filesystem::remove(*win::HostPath("C:\\dist\\C.TXT"));
  };
  Install();
  EXPECT_EQ(progress,
            (std::vector<std::string>{"0%(0/0)", "10%(1/4)", "40%(2/4)", "75%(3/4)", "100%(4/4)"}))
      << "by size (1 + 3 of 10 bytes), then by entries";
  const auto* box = BoxCaptioned(A("内部エラー"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text, A("ファイルサイズの取得に失敗したため，進行状況の表示方法を変更します．"));
  EXPECT_EQ(box->flags, 0x30u);
}

TEST_F(InstallCopyTest, SharedLibrariesAreCountedAndControlsRegistered) {
  WriteInstallScript({"[CopyFile]", "File1=(App)\\NEW.DLL,/S", "File2=(App)\\OLD.DLL,/S",
                      "File3=(App)\\OK.DLL,/S/R", "File4=(App)\\FAIL.OCX,/R",
                      "File5=(App)\\TEXT.DLL,/r"});
  auto copyLibrary = [](const char* host, const std::string& name) {
    std::filesystem::copy_file(host, *win::HostPath("C:\\dist\\" + name));
  };
  WriteFile("C:\\dist\\NEW.DLL", "new");
  WriteFile("C:\\dist\\OLD.DLL", "old");
  MakeFolder(kApp);
  WriteFile("C:\\App\\OLD.DLL", "old");
  SameDate("C:\\App\\OLD.DLL", "C:\\dist\\OLD.DLL");  // left as it is, counted all the same
  copyLibrary(CONTROL_OK, "OK.DLL");
  copyLibrary(CONTROL_FAIL, "FAIL.OCX");
  WriteFile("C:\\dist\\TEXT.DLL", "no library");
  Install();
  EXPECT_EQ(SharedCount("C:\\App\\NEW.DLL"), 1);
  EXPECT_EQ(SharedCount("C:\\App\\OLD.DLL"), 2) << "a library there before had one user";
  EXPECT_EQ(SharedCount("C:\\App\\OK.DLL"), 1);
  EXPECT_EQ(SharedCount("C:\\App\\FAIL.OCX"), 0);
  EXPECT_EQ(Captions(), (std::vector<std::string>{A("OCX/DLL登録エラー(Procedure)"),
                                                  A("OCX/DLL登録エラー(LoadLibrary)"), A("完了")}))
      << "registration problems are no failures of the run";
  EXPECT_EQ(LogFamily("DeleteFile", "File"),
            (std::vector<std::string>{"C:\\App\\NEW.DLL,/S", "C:\\App\\OLD.DLL,/S",
                                      "C:\\App\\OK.DLL,/S/R", "C:\\App\\FAIL.OCX,/R",
                                      "C:\\App\\TEXT.DLL,/r", kLog}));
}

}  // namespace
}  // namespace setup
