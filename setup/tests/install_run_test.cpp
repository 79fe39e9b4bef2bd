// The install run as a whole: the order and pacing of its phases, the checks of disk space and
// setup folder, the failure summary, the completion, and the abort at each of its check points.
#include <unistd.h>

#include <chrono>
#include <optional>
#include <thread>

#include "install_fixture.h"
#include "platform/testing/write_errors.h"

namespace setup {
namespace {

using forms::IDNO;
using forms::IDYES;

class InstallRunTest : public InstallTest {};

TEST_F(InstallRunTest, PhasesRunInOrderAtTheirPaceAndLandInTheLog) {
  WriteInstallScript({"[Extend]",
                      "SetupSpeed=5",
                      "[MakeFolder]",
                      "Folder1=(App)Data",
                      "[CopyFile]",
                      "File1=(App)\\README.TXT",
                      "File2=(App)Data\\DATA.BIN,/W",
                      "[ShortCut]",
                      "Make1=(App)README.TXT",
                      "Name1=(Sta)Sample\\Read me",
                      "[Registry]",
                      "Key1=(Local)SOFTWARE\\Sample",
                      "Name1=Path",
                      "Value1=(Pdd)(Str)(App)",
                      "[IniFile]",
                      "Data1=Viewer,Path,(App),(Win)S.INI",
                      "[Relate]",
                      "Name1=smp,Sample Document",
                      "File1=open,(App)README.TXT,%1,0",
                      "[DeleteRegistry]",
                      "Key1=(Local)SOFTWARE\\Sample",
                      "[AddDeleteFile]",
                      "File1=(App)*.TMP"});
  WriteFile("C:\\dist\\README.TXT", "read me");
  WriteFile("C:\\dist\\DATA.BIN", "data");
  app->QueueAnswer(IDYES);  // the association
  Install();

  const std::string programs = Main().State.folders.programs;
  const std::vector<std::string> phases = {
      A("インストールを開始します．．．"),
      A("インストールの情報を作成しています．．．"),
      A("インストールに必要な容量を調べています．．．"),
      A("ディスクの空き容量をチェックしています．．．"),
      A("インストールフォルダをチェックしています．．．"),
      A("フォルダを作成しています．．．\rCreating -> C:\\App\\Data\\"),
      A("ファイルをコピーしています．．．\rCopying -> C:\\App\\README.TXT"),
      A("ファイルをコピーしています．．．\rCopying -> C:\\App\\Data\\DATA.BIN"),
      A("ショートカットを作成しています．．．\rCreateTarget -> C:\\App\\README.TXT\rCreating -> ") +
          programs + "Sample\\Read me",
      A("レジストリを設定しています．．．"),
      A("Iniファイルを設定しています．．．"),
      A("関連付けを設定しています．．．"),
  };
  ASSERT_GT(statusMessages.size(), phases.size());
  EXPECT_EQ(std::vector<std::string>(statusMessages.begin(), statusMessages.begin() + 12), phases);
  EXPECT_EQ(statusMessages.back(), A("インストールが完了しました．"));
  // 500 and 1000 ms at the start, then the step pause after the relate table, in the count pass,
  // after the disk check, the folder, each file and the shortcut
  EXPECT_EQ(app->Sleeps(), (std::vector<win::DWORD>{500, 1000, 5, 5, 5, 5, 5, 5, 5}));

  EXPECT_EQ(Captions(), (std::vector<std::string>{A("関連付けの確認"), A("完了")}));
  EXPECT_EQ(app->MessageBoxes()[0].text,
            A("拡張子 *.smp を\rC:\\App\\README.TXT\rに関連付けします．よろしいですか？"));
  EXPECT_EQ(app->MessageBoxes()[1].text,
            A("インストールが完了しました．\r\rプログラムのアンインストールは，\r"
              "「アプリケーションの追加と削除」から行ってください．"));
  EXPECT_EQ(app->MessageBoxes()[1].flags, 0x40u);

  EXPECT_EQ(ReadFile("C:\\App\\Data\\DATA.BIN"), "data");
  EXPECT_EQ(RegString(win::HKEY::LocalMachine, "SOFTWARE\\Sample", "Path"), "C:\\App");
  EXPECT_EQ(ReadIniString("Viewer", "Path", "", "C:\\windows\\S.INI"), "C:\\App\\");
  EXPECT_EQ(RegString(win::HKEY::ClassesRoot, ".smp", ""), "smp_auto_file");
  EXPECT_TRUE(Exists("C:\\windows\\ZUREVAZ.EXE"));

  EXPECT_EQ(LogFamily("DeleteFolder", "Folder"), std::vector<std::string>{"C:\\App\\Data\\"});
  EXPECT_EQ(LogFamily("DeleteFile", "File"),
            (std::vector<std::string>{"C:\\App\\README.TXT", "C:\\App\\Data\\DATA.BIN,/W", kLog}));
  EXPECT_EQ(LogFamily("DeleteShortCut", "File"),
            std::vector<std::string>{programs + "Sample\\Read me.lnk"});
  EXPECT_EQ(LogFamily("DeleteRegistry", "Key"),
            std::vector<std::string>{"(Local)SOFTWARE\\Sample"});
  EXPECT_EQ(LogFamily("AddDeleteFile", "File"), std::vector<std::string>{"C:\\App\\*.TMP"});
  EXPECT_EQ(ReadIniString("RestoreRelate", "Key1", "", kLog), "smp,");

  EXPECT_EQ(Status().lblStatus->Caption(), "100%(2/2)");
  EXPECT_FALSE(Status().fraStatus->Visible());
  EXPECT_FALSE(Status().Visible());
  EXPECT_FALSE(Main().btnEnd->Visible());
  EXPECT_EQ(Main().btnEvent->Left(), (489 - 161) / 2);
  EXPECT_TRUE(forms.frmBack->Enabled());
  EXPECT_EQ(Main().ModalResult(), forms::mrOk);
  EXPECT_FALSE(Main().RestartRequested);
}

TEST_F(InstallRunTest, AScriptWithNothingToCopyStillLogsItself) {
  struct Case {
    const char* unSetupTitle;
    bool logged;
    std::string completion;
  } cases[] = {
      {"Sample", true,
       A("インストールが完了しました．\r\rプログラムのアンインストールは，\r"
         "「アプリケーションの追加と削除」から行ってください．")},
      {"Sample (setup only.)", false, A("インストールが完了しました．")},
  };
  for (const Case& c : cases) {
    NextRun();
    WriteInstallScript({"[Title]", std::string("UnSetup=") + c.unSetupTitle});
    bool progressShown = false;
    whileRunning = [&] { progressShown = progressShown || Status().fraStatus->Visible(); };
    Install();
    EXPECT_EQ(Captions(), std::vector<std::string>{A("完了")}) << "no disk-space question";
    EXPECT_EQ(app->MessageBoxes()[0].text, c.completion);
    EXPECT_FALSE(progressShown) << "shown and hidden without processing messages between";
    EXPECT_EQ(Exists(kLog), c.logged) << c.unSetupTitle;
    if (c.logged) {
      EXPECT_EQ(LogFamily("DeleteFile", "File"), std::vector<std::string>{kLog});
    }
    EXPECT_TRUE(Exists("C:\\windows\\ZUREVAZ.EXE"));
  }
}

TEST_F(InstallRunTest, AMissingSetupFolderIsMadeOnlyWhenTheUserAgrees) {
  const std::string kQuestion =
      A("C:\\App\\\r\rこのフォルダは存在しません．作成してもよろしいですか？");
  struct Case {
    int answer;
    bool refused;  // creating the folder fails
    std::vector<std::string> captions;
  } cases[] = {
      {IDNO, false, {A("フォルダ作成"), A("インストール中止")}},
      {IDYES, true, {A("フォルダ作成"), A("致命的エラー"), A("インストール中止")}},
      {IDYES, false, {A("フォルダ作成"), A("完了")}},
  };
  WriteInstallScript({"[CopyFile]", "File1=(App)A.TXT"});
  WriteFile("C:\\dist\\A.TXT", "a");
  for (const Case& c : cases) {
    NextRun();
    std::optional<win::testing::ScopedWriteError> error;
    if (c.refused) error.emplace(kApp, win::ERROR_ACCESS_DENIED);
    app->QueueAnswer(c.answer);
    Install({}, false);
    EXPECT_EQ(Captions(), c.captions) << c.answer << c.refused;
    EXPECT_EQ(app->MessageBoxes()[0].text, kQuestion);
    EXPECT_EQ(app->MessageBoxes()[0].flags, 0x24u);
    const bool completed = c.answer == IDYES && !c.refused;
    EXPECT_EQ(Exists("C:\\App\\A.TXT"), completed);
    EXPECT_EQ(Exists("C:\\windows\\ZUREVAZ.EXE"), completed);
    EXPECT_EQ(Main().ModalResult(), forms::mrOk);
    EXPECT_TRUE(forms.frmBack->Enabled());
    if (completed) continue;
    const auto& last = app->MessageBoxes().back();
    EXPECT_EQ(last.text, A("インストールを続行できませんでした．"));
    EXPECT_EQ(last.flags, 0x10u);
    EXPECT_TRUE(Status().Visible()) << "cancelling leaves the status window alone";
    if (c.refused) {
      EXPECT_EQ(
          app->MessageBoxes()[1].text,
          A("インストールフォルダの作成に失敗しました．\r\rプログラム作者へご報告ください．"));
    }
  }
}

TEST_F(InstallRunTest, TooLittleFreeSpaceAsksWhetherToGoOn) {
  // a sparse source larger than the free space of the host, never copied
  WriteInstallScript({"[CopyFile]", "File1=(App)\\BIG.BIN"});
  WriteFile("C:\\dist\\BIG.BIN", "");
  std::uint64_t free = 0;
  ASSERT_TRUE(win::GetDiskFreeSpaceExA("C:\\", &free, nullptr, nullptr));
  std::filesystem::resize_file(*win::HostPath("C:\\dist\\BIG.BIN"), free + (1u << 30));
  whileRunning = [&] {
    if (Main().Enabled() && Status().lblMessage->Caption().starts_with(A("ファイルをコピー"))) {
      ADD_FAILURE() << "the copy of a file larger than the disk started";
      Main().SetEnabled(false);
    }
  };
  app->QueueAnswer(IDNO);
  Install();
  EXPECT_EQ(Captions(), (std::vector<std::string>{A("空き容量不足"), A("セットアップ中止")}));
  EXPECT_EQ(app->MessageBoxes()[0].text,
            A("ディスクの空き容量が不足しているため，エラーになる可能性があります．\r"
              "このままインストールを続行しますか？"));
  EXPECT_EQ(app->MessageBoxes()[0].flags, 0x24u);
  EXPECT_EQ(app->MessageBoxes()[1].text, A("インストールを続行できませんでした．"));
  EXPECT_EQ(app->MessageBoxes()[1].flags, 0x10u);
  EXPECT_FALSE(Exists("C:\\App\\BIG.BIN"));
  EXPECT_FALSE(Exists("C:\\windows\\ZUREVAZ.EXE"));
}

TEST_F(InstallRunTest, AFreeSpaceTheSystemCannotGiveNamesTheSizeNeeded) {
  // Q: is no drive of this system: both queries fail
  WriteInstallScript({"[CopyFile]", "File1=(App)\\A.TXT", "File2=(App)\\B.TXT"});
  WriteFile("C:\\dist\\A.TXT", "12345");
  WriteFile("C:\\dist\\B.TXT", "");
  app->QueueAnswer(IDNO);
  Install([](TfrmMain& m) { m.txtFolder->SetText("Q:\\App\\"); });
  ASSERT_EQ(Captions(), (std::vector<std::string>{A("空き容量不足"), A("セットアップ中止")}));
  EXPECT_EQ(app->MessageBoxes()[0].text,
            A("ディスクの空き容量取得関数が失敗しました．\r"
              "インストールに必要なディスク容量は 6 Byteです．\r"
              "空き容量があるようであれば，インストールを続行してください．\r\r"
              "インストールを続行しますか？"));
}

TEST_F(InstallRunTest, FailuresAreSummedUpAndShownOnRequest) {
  WriteInstallScript({"[MakeFolder]", "Folder1=(App)No\\Parent", "[CopyFile]",
                      "File1=(App)GONE.TXT", "File2=(App)A.TXT"});
  WriteFile("C:\\dist\\A.TXT", "a");
  // the uninstaller cannot be written either
  win::testing::ScopedWriteError full("C:\\windows", win::ERROR_DISK_FULL);
  const std::string kReport =
      A("<Folder> C:\\App\\No\\Parent\\\r\n") + ErrorText(win::ERROR_PATH_NOT_FOUND) + "\r\n" +
      A("<File> C:\\dist\\GONE.TXT\r\nコピー元のファイルが見つかりません．\r\n\r\n") +
      "<SetupFile> C:\\windows\\ZUREVAZ.EXE\r\n" + ErrorText(win::ERROR_DISK_FULL) + "\r\n";
  for (int answer : {IDYES, IDNO}) {
    NextRun();
    app->QueueAnswer(answer);
    Install();
    ASSERT_EQ(Captions(), (std::vector<std::string>{A("警告"), A("完了")}));
    EXPECT_EQ(app->MessageBoxes()[0].text,
              A("フォルダの作成・ファイルのコピーで，一部の処理が失敗しました．\r"
                "詳細を表示しますか？"));
    EXPECT_EQ(app->MessageBoxes()[0].flags, 0x34u);
    EXPECT_EQ(failureDetails, answer == IDYES ? kReport : "");
    if (answer == IDYES) {
      EXPECT_EQ(Main().fraReadme->Caption(), A("作成・コピー処理失敗　詳細表示"));
      EXPECT_FALSE(Main().btnEvent->Enabled());
    }
    EXPECT_NE(std::find(statusMessages.begin(), statusMessages.end(),
                        A("インストールで一部の処理が失敗しました．")),
              statusMessages.end());
    EXPECT_EQ(LogFamily("DeleteFile", "File"), (std::vector<std::string>{"C:\\App\\A.TXT", kLog}));
    EXPECT_TRUE(LogFamily("DeleteFolder", "Folder").empty());
  }
}

TEST_F(InstallRunTest, TheExecuteFileRunsAfterTheCompletion) {
  // a host program that leaves its arguments in a file
  const std::filesystem::path marker = root_.path() / "started.txt";
  const std::filesystem::path program = root_.path() / "program.sh";
  std::ofstream(program) << "#!/bin/sh\necho \"$@\" > '" << marker.string() << ".tmp'\nmv '"
                         << marker.string() << ".tmp' '" << marker.string() << "'\n";
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  const std::string kWarning =
      A("終了後プログラムの起動に失敗しました．\riniファイルの記述ミスの可能性があります．\r"
        "プログラム提供者へご報告ください．");
  struct Case {
    std::string file;
    std::vector<std::string> captions;
    bool restart;
  } cases[] = {
      {"WINDOWS_REBOOT", {}, true},
      {win::WindowsPath(program) + ",one two", {A("完了")}, false},
      {"(App)NOPE.EXE", {A("完了"), A("警告")}, false},
  };
  for (const Case& c : cases) {
    NextRun();
    WriteInstallScript({"[ExecuteFile]", "File=" + c.file});
    Install();
    EXPECT_EQ(Captions(), c.captions) << c.file;
    EXPECT_EQ(Main().RestartRequested, c.restart);
    if (c.captions.size() == 2) {
      EXPECT_EQ(app->MessageBoxes()[1].text, kWarning);
      EXPECT_EQ(app->MessageBoxes()[1].flags, 0x30u);
    }
  }
  for (int waited = 0; waited < 100 && !std::filesystem::exists(marker); ++waited)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ReadFile(win::WindowsPath(marker)), "one two\n");
}

// The user presses the abort button where the run processes messages before a check point; what
// the run did before stays, nothing after it is done and no log is written.
TEST_F(InstallRunTest, AnAbortEndsTheRunAtEachCheckPoint) {
  struct Case {
    const char* name;
    std::string trigger;  // the start of the status message (or the progress) at the abort
    std::vector<std::string> made, notMade;
    bool registryKey = false;  // made before the abort
  } cases[] = {
      {"count pass", A("インストールに必要な容量を調べています．．．"), {}, {"C:\\App\\Data"}},
      {"setup folder", A("インストールフォルダをチェックしています．．．"), {}, {"C:\\App\\Data"}},
      {"folder",
       A("フォルダを作成しています．．．\rCreating -> C:\\App\\Data\\"),
       {},
       {"C:\\App\\Data"}},
      {"missing source",
       A("ファイルが存在しないためコピーをスキップしています．．．\r"
         "Skipping -> C:\\App\\GONE.TXT"),
       {"C:\\App\\A.TXT"},
       {"C:\\App\\B.TXT"}},
      {"file",
       A("ファイルをコピーしています．．．\rCopying -> C:\\App\\B.TXT"),
       {"C:\\App\\Data"},
       {"C:\\App\\B.TXT"}},
      {"progress", "33%(1/3)", {"C:\\App\\A.TXT"}, {"C:\\App\\B.TXT"}},
      {"shortcut", A("ショートカットを作成しています．．．"), {"C:\\App\\B.TXT"}, {"LINK"}},
      {"registry", A("レジストリを設定しています．．．"), {"LINK"}, {}},
      {"ini entry", A("Iniファイルを設定しています．．．"), {}, {"C:\\App\\X.INI"}, true},
      {"association", A("関連付けを設定しています．．．"), {"C:\\App\\X.INI"}, {}, true},
  };
  WriteInstallScript({"[MakeFolder]", "Folder1=(App)Data", "[CopyFile]", "File1=(App)A.TXT",
                      "File2=(App)GONE.TXT", "File3=(App)B.TXT", "[ShortCut]", "Make1=(App)A.TXT",
                      "Name1=Sample", "[Registry]", "Key1=(Local)SOFTWARE\\Sample", "[IniFile]",
                      "Data1=S,K,V,(App)X.INI", "[Relate]", "Name1=smp",
                      "File1=open,(App)A.TXT,%1,0"});
  WriteFile("C:\\dist\\A.TXT", "a");
  WriteFile("C:\\dist\\B.TXT", "b");
  const std::string kEarlierLog =
      "[SetupFolder]\r\nFolder=C:\\App\\\r\n[DeleteFile]\r\nFile1=X\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NextRun();
    win::RegDeleteTree(win::HKEY::LocalMachine, "SOFTWARE\\Sample");
    MakeFolder(kApp);
    WriteFile(kLog, kEarlierLog);
    whileRunning = [&] {
      const bool reached =
          Status().lblMessage->Caption().starts_with(c.trigger) ||
          (Status().fraStatus->Visible() && Status().lblStatus->Caption() == c.trigger);
      if (!reached || !Main().Enabled()) return;
      Status().btnAbort->SetEnabled(true);  // the user cannot before the folders; the run checks
      app->QueueAnswer(IDYES);
      EXPECT_EQ(Status().btnAbort->UserClick(), forms::InputResult::Done);
    };
    Install();
    EXPECT_EQ(Captions(), (std::vector<std::string>{A("中断の確認"), A("中断")}));
    const std::string link = Main().State.folders.programs + "Sample.lnk";
    for (std::string path : c.made) EXPECT_TRUE(Exists(path == "LINK" ? link : path)) << path;
    for (std::string path : c.notMade) EXPECT_FALSE(Exists(path == "LINK" ? link : path)) << path;
    EXPECT_EQ(win::RegKeyExists(win::HKEY::LocalMachine, "SOFTWARE\\Sample"), c.registryKey);
    EXPECT_EQ(ReadFile(kLog), kEarlierLog);
    EXPECT_FALSE(Exists("C:\\windows\\ZUREVAZ.EXE"));
    EXPECT_FALSE(win::RegKeyExists(win::HKEY::ClassesRoot, ".smp"));
    EXPECT_EQ(Main().ModalResult(), forms::mrOk);
    std::filesystem::remove(*win::HostPath(link));
  }
}

}  // namespace
}  // namespace setup
