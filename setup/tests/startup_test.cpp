// The start-up of the main window: the mode, the work folder and its copies, the folder proposal,
// and the page of each state.
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/testing/write_errors.h"
#include "windows_fixture.h"

namespace setup {
namespace {

using forms::TCheckBox;

class StartupTest : public WindowsTest {
 protected:
  void ExpectMessagePage() {
    TfrmMain& m = Main();
    EXPECT_FALSE(m.fraReadme->Visible());
    EXPECT_TRUE(m.grpMessage->Visible());
    EXPECT_TRUE(m.grpSetupFolder->Visible());
    EXPECT_TRUE(m.grpOption->Visible());
  }
  static void ExpectBox(const TCheckBox* box, const std::string& caption, bool checked,
                        bool enabled, bool visible = true) {
    EXPECT_EQ(box->Caption(), A(caption)) << box->Name();
    EXPECT_EQ(box->Checked(), checked) << box->Name();
    EXPECT_EQ(box->Enabled(), enabled) << box->Name();
    EXPECT_EQ(box->Visible(), visible) << box->Name();
  }
};

TEST_F(StartupTest, InstallWithoutReadmeShowsTheMessagePageWithTheScriptsWords) {
  WriteScript({"[Title]", "Setup=Sample", "CopyRight1=(C) Sample Works", "CopyRight2=Line two",
               "[Extend]", "SetupString=セットアップ", "SetupSpeed=0", "[TopMessage]",
               "Message3=Hello", "[ShortCut]", "Name1=(Dsk)Sample", "Name2=(Sta)Sample\\Sample",
               "Name3=(Sup)Sample", "Make4=(App)NoName.exe"});
  std::string work;
  Run({}, [&] {
    work = Main().State.workFolder;
    EXPECT_EQ(work, Temp() + "BSTMP1\\");
    EXPECT_TRUE(Exists(work + "SETUPB.EXE")) << "the program's copy";
    EXPECT_TRUE(Exists(work + "SETUP.INI")) << "the script's copy";
  });
  TfrmMain& m = Main();
  const ProgramState& s = m.State;
  EXPECT_EQ(s.mode, SetupMode::Setup);
  EXPECT_EQ(s.folders.source, "C:\\dist\\");
  EXPECT_EQ(s.scriptCopy, work + "SETUP.INI");
  EXPECT_EQ(s.setupWord, A("セットアップ"));
  EXPECT_EQ(s.unSetupWord, A("アンインストール"));
  EXPECT_EQ(s.stepPause, 1);
  EXPECT_EQ(s.setupTitle, "Sample");
  EXPECT_EQ(s.unSetupTitle, "Sample");
  EXPECT_FALSE(m.CloseCommandEnabled());
  EXPECT_EQ(m.Caption(), "Sample");
  ExpectMessagePage();
  EXPECT_EQ(
      m.lblMessage->Caption(),
      A("\r\rHello\r\r\r\r※　処理を開始する前に，必ずすべてのプログラムを終了させてください．"));
  EXPECT_EQ(s.messageText, m.lblMessage->Caption());
  EXPECT_EQ(m.btnEvent->Caption(), A("セットアップ開始(&S)"));
  EXPECT_TRUE(m.btnEvent->Enabled());
  EXPECT_EQ(m.btnEnd->Caption(), A("セットアップ終了(&E)"));
  EXPECT_TRUE(m.btnEnd->Enabled());
  EXPECT_EQ(m.grpSetupFolder->Caption(), A("セットアップフォルダ"));
  EXPECT_EQ(m.grpOption->Caption(), A("セットアップオプション"));
  EXPECT_EQ(m.txtFolder->Text(), s.folders.programFiles);
  EXPECT_TRUE(m.txtFolder->Enabled());
  EXPECT_TRUE(m.btnRefer->Enabled());
  EXPECT_TRUE(m.chkOverWrite->Enabled());
  EXPECT_TRUE(m.chkOverWrite->Checked());
  ExpectBox(m.chkSCutDesktop, "デスクトップ", true, true);
  ExpectBox(m.chkSCutStartMenu, "スタートメニュー", true, true);
  ExpectBox(m.chkSCutStartUp, "スタートアップ", true, true);
  ExpectBox(m.chkSCutSendTo, "送る", false, false);
  EXPECT_FALSE(m.lblUnSetupInfo->Visible());

  // The background: title, credit lines at the bottom right with their shadow.
  const TfrmBack& b = *forms.frmBack;
  EXPECT_EQ(b.GradBox->BoundsRect(), (forms::TRect{0, 0, b.ClientWidth(), b.ClientHeight()}));
  EXPECT_EQ(b.GradBox->StartColor(), forms::clBlue);
  EXPECT_EQ(b.Caption(), "Orvane Standard Version" + VersionText(SplitVersion(ProgramVersion())));
  for (const forms::TLabel* title : {b.lblBackTitle1, b.lblBackTitle2}) {
    EXPECT_EQ(title->Caption(), "Sample");
    EXPECT_FALSE(title->AutoSize());
    EXPECT_EQ(title->Width(), b.Width() - 24);
  }
  EXPECT_EQ(b.lblBackTitle2->Left(), b.lblBackTitle1->Left() + 2);
  EXPECT_EQ(b.lblBackTitle2->Top(), b.lblBackTitle1->Top() + 2);
  const forms::TLabel* credit = b.lblPrgTitle1;
  EXPECT_EQ(credit->Caption(), "(C) Sample Works\r\nLine two");
  EXPECT_EQ(b.lblPrgTitle2->Caption(), credit->Caption());
  const forms::TSize text = forms::TextExtent(credit->Font(), credit->Caption());
  EXPECT_EQ(credit->Width(), text.cx + 8);
  EXPECT_EQ(credit->Left(), b.Width() - credit->Width() - 24);
  EXPECT_EQ(credit->Top(), b.Height() - text.cy - 48);
  EXPECT_EQ(b.lblPrgTitle2->Left(), credit->Left() + 2);
  EXPECT_EQ(b.lblPrgTitle2->Top(), credit->Top() + 2);
  EXPECT_TRUE(credit->Visible() && b.lblPrgTitle2->Visible());

  // Closing before any run asks, and the work folder goes with the window.
  ASSERT_EQ(app->MessageBoxes().size(), 1u);
  EXPECT_EQ(app->MessageBoxes()[0].caption, A("終了確認"));
  EXPECT_FALSE(Exists(work));
}

TEST_F(StartupTest, InstallWithReadmeShowsTheReadmePageUntilContinued) {
  WriteScript({"[Readme]", "File=\\README.TXT", "Title=お読みください", "ScrollBars=ssBoth"});
  WriteFile("C:\\dist\\README.TXT", A("一行目\nline 2\r\n\r\nline 4\n"));
  Run({}, [&] {
    TfrmMain& m = Main();
    EXPECT_TRUE(m.fraReadme->Visible());
    EXPECT_FALSE(m.grpMessage->Visible() || m.grpSetupFolder->Visible() || m.grpOption->Visible());
    EXPECT_EQ(m.fraReadme->Caption(), A("お読みください"));
    EXPECT_EQ(m.txtReadme->Text(), A("一行目\r\nline 2\r\n\r\nline 4"));
    EXPECT_EQ(m.txtReadme->ScrollBars(), forms::ssBoth);
    EXPECT_EQ(m.btnEvent->Caption(), A("インストール続行(&C)"));
    EXPECT_TRUE(m.btnEvent->Focused());
    EXPECT_TRUE(m.btnEnd->Enabled());
    EXPECT_EQ(m.lblMessage->Caption(), A("インストールを行います．\r\r※　処理を開始する前に，"
                                         "必ずすべてのプログラムを終了させてください．"));
    ASSERT_EQ(m.btnEvent->UserClick(), forms::InputResult::Done);
    ExpectMessagePage();
    EXPECT_EQ(m.btnEvent->Caption(), A("インストール開始(&S)"));
    EXPECT_EQ(Main().setupRuns, 0);
  });
}

TEST_F(StartupTest, ReadmeScrollBarsTakeOnlyTheThreeExactNames) {
  const std::pair<const char*, forms::TScrollStyle> cases[] = {
      {"ssHorizontal", forms::ssHorizontal},
      {"ssVertical", forms::ssVertical},
      {"ssboth", forms::ssVertical},
      {"ssNone", forms::ssVertical},
  };
  WriteFile("C:\\dist\\README.TXT", "text");
  for (auto [name, style] : cases) {
    WriteScript({"[Readme]", "File=README.TXT", std::string("ScrollBars=") + name});
    Run();
    EXPECT_EQ(Main().txtReadme->ScrollBars(), style) << name;
  }
}

TEST_F(StartupTest, AMissingReadmeFileShowsTheMessagePage) {
  WriteScript({"[Readme]", "File=\\README.TXT"});
  Run();
  ExpectMessagePage();
  EXPECT_EQ(Main().btnEvent->Caption(), A("インストール開始(&S)"));
}

TEST_F(StartupTest, EarlierWorkFoldersAreKeptUntilTheEndAndANewOneIsTaken) {
  for (int n : {1, 2, 3}) WriteFile(WorkFolderPath(Temp(), n) + "OLD.TXT", "old");
  Run({}, [&] { EXPECT_EQ(Main().State.workFolder, Temp() + "BSTMP4\\"); });
  for (int n : {1, 2, 3, 4}) EXPECT_FALSE(Exists(WorkFolderPath(Temp(), n))) << n;
}

TEST_F(StartupTest, TheFolderProposalIsOverriddenInTurn) {
  const std::string kRefer = "ReferRegistry=(Cuser)\\Software\\Sample\\,Path";
  const std::string kReferMissing = "ReferRegistry=(Local)Software\\Missing,Path";
  const std::string kIni = "ReferIniFile=Paths,Folder,(Win)SAMPLE.INI";
  struct Case {
    std::vector<std::string> defaultFolder;  // lines of [DefaultFolder]
    bool programId;                          // [ProgramID] ID=SMP
    std::string expected;
  } cases[] = {
      {{}, false, "C:\\Program Files\\"},
      {{"Folder=(Win)Sample"}, false, "C:\\windows\\Sample\\"},
      {{"Folder=(Win)Sample"}, true, "C:\\Old\\Sample\\"},
      {{"Folder=(Win)Sample", kRefer}, true, "D:\\Reg\\"},
      {{"Folder=(Win)Sample", kReferMissing}, true, "C:\\Old\\Sample\\"},
      {{kRefer, kIni}, true, "E:\\Ini\\"},
      {{kRefer, "ReferIniFile=Paths,Folder,(Win)MISSING.INI"}, false, "D:\\Reg\\"},
      {{"Folder=(App)Sample"}, false, "(App)Sample\\"},
  };
  WriteIni("C:\\windows\\ORVAN98.INI", {"[SMP]", "Folder=C:\\Old\\Sample\\"});
  WriteIni("C:\\windows\\SAMPLE.INI", {"[Paths]", "Folder=E:\\Ini"});
  win::RegKey key;
  ASSERT_EQ(win::RegKey::Create(win::HKEY::CurrentUser, "Software\\Sample", key), 0u);
  ASSERT_EQ(key.SetString("Path", "D:\\Reg\\"), 0u);
  for (const Case& c : cases) {
    std::vector<std::string> lines = {"[DefaultFolder]"};
    lines.insert(lines.end(), c.defaultFolder.begin(), c.defaultFolder.end());
    if (c.programId) lines.insert(lines.end(), {"[ProgramID]", "ID=SMP"});
    WriteScript(lines);
    Run();
    EXPECT_EQ(Main().txtFolder->Text(), c.expected) << testing::PrintToString(c.defaultFolder);
    EXPECT_EQ(Main().State.programId, c.programId ? "SMP" : "");
  }
}

TEST_F(StartupTest, ShortcutBoxesFollowTheNamesAndTheLock) {
  struct Case {
    std::vector<std::string> lines;
    bool desktop, startMenu, startup, sendTo, enabled;
  } cases[] = {
      {{}, false, false, false, false, true},
      {{"[ShortCut]", "Make1=(App)A.EXE", "Name1=Default"}, false, false, false, false, true},
      {{"[ShortCut]", "Name1=(C_Dsk)A", "Name2=(sen)A", "Name4=(Sup)A"},
       true,
       false,
       false,
       true,
       true},
      {{"[ShortCut]", "Name1=(Sta)A,(Dsk)"}, true, true, false, false, true},
      {{"[ShortCut]", "Name1=(Sup)A", "[Extend]", "Enabled=False"},
       false,
       false,
       true,
       false,
       false},
      {{"[ShortCut]", "Name1=(Sup)A", "[Extend]", "Enabled=false"},
       false,
       false,
       true,
       false,
       true},
  };
  for (const Case& c : cases) {
    WriteScript(c.lines);
    Run();
    TfrmMain& m = Main();
    const std::string what = testing::PrintToString(c.lines);
    const std::pair<TCheckBox*, bool> boxes[] = {{m.chkSCutDesktop, c.desktop},
                                                 {m.chkSCutStartMenu, c.startMenu},
                                                 {m.chkSCutStartUp, c.startup},
                                                 {m.chkSCutSendTo, c.sendTo}};
    for (auto [box, named] : boxes) {
      EXPECT_EQ(box->Checked(), named) << box->Name() << " " << what;
      EXPECT_EQ(box->Enabled(), named && c.enabled) << box->Name() << " " << what;
    }
    for (forms::TControl* choice :
         {static_cast<forms::TControl*>(m.txtFolder), static_cast<forms::TControl*>(m.btnRefer),
          static_cast<forms::TControl*>(m.chkOverWrite)})
      EXPECT_EQ(choice->Enabled(), c.enabled) << choice->Name() << " " << what;
  }
}

TEST_F(StartupTest, TheBannerFallsBackOnlyWhenBothLinesAreEmpty) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"CopyRight2=Only the second"}, "\r\nOnly the second"},
      {{"CopyRight1=Only the first"}, "Only the first\r\n"},
      {{}, "Orvane Standard Setup\r\nScript-driven installer"},
  };
  for (const auto& [copyright, banner] : cases) {
    std::vector<std::string> lines = {"[Title]"};
    lines.insert(lines.end(), copyright.begin(), copyright.end());
    WriteScript(lines);
    Run();
    EXPECT_EQ(forms.frmBack->lblPrgTitle1->Caption(), banner);
  }
}

TEST_F(StartupTest, AnArgumentNotExactlyNamedUnsetupIniMeansInstall) {
  WriteScript({});
  WriteIni("C:\\App\\unsetup.ini", {"[SetupFolder]", "Folder=C:\\App\\"});
  Run({"C:\\App\\unsetup.ini"});
  EXPECT_EQ(Main().State.mode, SetupMode::Setup);
  EXPECT_EQ(Main().btnEvent->Caption(), A("インストール開始(&S)"));
}

class UninstallStartupTest : public StartupTest {
 protected:
  static constexpr char kLog[] = "C:\\Sample\\UNSETUP.INI";
  void RunLog(const std::vector<std::string>& extra) {
    std::vector<std::string> lines = {"[Title]", "UnSetup=Sample Remover", "[SetupFolder]",
                                      "Folder=(Prg)Sample\\"};
    lines.insert(lines.end(), extra.begin(), extra.end());
    WriteIni(kLog, lines);
    Run({kLog}, [&] { EXPECT_TRUE(Exists(Main().State.scriptCopy)); });
  }
  // What both option layouts share.
  void ExpectUninstallPage() {
    TfrmMain& m = Main();
    const ProgramState& s = m.State;
    EXPECT_EQ(s.mode, SetupMode::UnSetup);
    EXPECT_EQ(s.scriptCopy, s.workFolder + "UNSETUP.INI");
    EXPECT_EQ(m.Caption(), "Sample Remover");
    EXPECT_EQ(forms.frmBack->lblBackTitle1->Caption(), "Sample Remover");
    ExpectMessagePage();
    EXPECT_EQ(m.lblMessage->Caption(),
              A("アンインストールを行います．\r\r開始するには，「アンインストール開始(S)」を"
                "選択してください．\r"));
    EXPECT_EQ(m.grpSetupFolder->Caption(), A("アンインストールフォルダ"));
    EXPECT_EQ(m.txtFolder->Text(), s.folders.programFiles + "Sample\\");
    EXPECT_TRUE(m.txtFolder->ReadOnly());
    EXPECT_TRUE(m.txtFolder->Enabled());
    EXPECT_FALSE(m.btnRefer->Enabled());
    EXPECT_EQ(m.btnEvent->Caption(), A("アンインストール開始(&S)"));
    EXPECT_TRUE(m.btnEvent->Enabled());
    EXPECT_EQ(m.btnEnd->Caption(), A("アンインストール終了(&E)"));
    EXPECT_TRUE(m.btnEnd->Enabled());
    EXPECT_EQ(m.grpOption->Caption(), A("アンインストールオプション"));
    EXPECT_FALSE(m.chkOverWrite->Visible());
    EXPECT_EQ(m.fraShortCut->Caption(), A("ファイルの追加削除"));
    EXPECT_EQ(m.fraShortCut->BoundsRect(), (forms::TRect{8, 16, 8 + 457, 16 + 65}));
    EXPECT_TRUE(m.lblUnSetupInfo->Visible());
    EXPECT_EQ(m.lblUnSetupInfo->Top(), 16 + 17 + 2);
    EXPECT_EQ(m.lblUnSetupInfo->Caption(),
              A("　アンインストールフォルダの中で，コピーされたファイル以外に追加削除するファイル"
                "をチェック(選択)してください．"));
  }
};

TEST_F(UninstallStartupTest, FourFlagsOfferTheIniAndGidFiles) {
  const std::pair<const char*, std::array<bool, 4>> cases[] = {
      {nullptr, {false, false, false, false}},
      {"1,0,1,1", {true, false, true, true}},
      {"0,1", {false, true, false, false}},
  };
  for (const auto& [option, checked] : cases) {
    std::vector<std::string> extra;
    if (option) extra = {"[UnSetupOption]", std::string("CheckBox=") + option};
    RunLog(extra);
    ExpectUninstallPage();
    TfrmMain& m = Main();
    ExpectBox(m.chkSCutDesktop, "*.INIファイル", checked[0], true);
    ExpectBox(m.chkSCutStartMenu, "*.GIDファイル", checked[1], true);
    ExpectBox(m.chkSCutStartUp, "", checked[2], false);
    ExpectBox(m.chkSCutSendTo, "", checked[3], false);
    EXPECT_EQ(m.chkSCutDesktop->Width(), 105);
  }
}

TEST_F(UninstallStartupTest, DeleteAllOffersTheWholeFolderWithTheLogsWords) {
  RunLog({"[UnSetupOption]", "CheckBox=DeleteAll", "[Extend]", "UnSetupString=削除"});
  TfrmMain& m = Main();
  EXPECT_EQ(m.State.unSetupWord, A("削除"));
  EXPECT_EQ(m.btnEvent->Caption(), A("削除開始(&S)"));
  ExpectBox(m.chkSCutDesktop, "削除フォルダ以下の全ファイル・フォルダ", true, true);
  EXPECT_EQ(m.chkSCutDesktop->Width(), 457 - 16);
  ExpectBox(m.chkSCutStartMenu, "スタートメニュー", false, false, false);
  ExpectBox(m.chkSCutStartUp, "スタートアップ", false, false, false);
  ExpectBox(m.chkSCutSendTo, "送る", false, false, false);
}

TEST_F(StartupTest, FatalFailuresStopTheStartUpAndTheEndButtonClosesWithoutAQuestion) {
  const std::string kNoScript = A("【致命的エラー  →  iniファイル読み込み失敗】\r");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    bool script;
    bool tempWriteError;
  } cases[] = {
      {"no SETUP.INI beside the program", {}, false, false},
      {"a log that does not exist", {"C:\\Gone\\UNSETUP.INI"}, true, false},
      {"no work folder", {}, true, true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(*win::HostPath("C:\\dist\\SETUP.INI"));
    if (c.script) WriteScript({"[Title]", "Setup=Sample"});
    std::optional<win::testing::ScopedWriteError> error;
    if (c.tempWriteError) error.emplace(Temp(), win::ERROR_ACCESS_DENIED);
    Run(c.args, [&] {
      forms.frmBack->SetBounds(0, 0, 800, 600);  // a later resize opens no second main window
      EXPECT_EQ(Main().btnEnd->UserClick(), forms::InputResult::Done);
    });
    TfrmMain& m = Main();
    EXPECT_EQ(m.lblMessage->Caption(), kNoScript + "\r\n" + A("処理は続行できません．")) << c.what;
    EXPECT_EQ(m.btnEvent->Caption(), A("処理開始(&S)")) << c.what;
    EXPECT_FALSE(m.btnEvent->Enabled()) << c.what;
    EXPECT_EQ(m.btnEnd->Caption(), A("終了(&E)")) << c.what;
    EXPECT_EQ(m.Caption(), "Orvane") << c.what;
    EXPECT_EQ(m.txtFolder->Text(), "") << c.what;
    ExpectMessagePage();
    EXPECT_FALSE(forms.frmBack->lblPrgTitle1->Visible()) << c.what;
    EXPECT_TRUE(app->MessageBoxes().empty()) << c.what;
    EXPECT_EQ(m.ModalResult(), forms::mrOk) << c.what << ": closed by the end button";
  }
}

TEST(StartupFailures, EachMissingFolderAndTheScriptCopyAddALine) {
  const std::string kWindows = A("【致命的エラー  →  Windowsフォルダ取得失敗】\r");
  const std::string kSystem = A("【致命的エラー  →  WindowsSystemフォルダ取得失敗】\r");
  const std::string kScript = A("【致命的エラー  →  iniファイル読み込み失敗】\r");
  struct Case {
    bool windowsMissing, systemMissing, scriptCopied;
    std::string expected;
  } cases[] = {
      {false, false, true, ""},
      {true, false, true, kWindows},
      {false, true, true, kSystem},
      {true, true, false, kWindows + kSystem + kScript},
  };
  for (const Case& c : cases) {
    FolderValues folders;
    folders.windowsMissing = c.windowsMissing;
    folders.systemMissing = c.systemMissing;
    EXPECT_EQ(StartupFailures(folders, c.scriptCopied), c.expected);
  }
}

}  // namespace
}  // namespace setup
