// The main window's buttons, its closing rules and the clean-up when it closes.
#include <gtest/gtest.h>

#include "platform/shell.h"
#include "windows_fixture.h"

namespace setup {
namespace {

class MainWindowTest : public WindowsTest {};

TEST_F(MainWindowTest, TheStartButtonsCaptionChoosesWhatAPressDoes) {
  const std::vector<std::string> kEqualWords = {"[Extend]", "SetupString=セットアップ",
                                                "UnSetupString=セットアップ"};
  struct Case {
    const char* what;
    bool uninstall;
    std::vector<std::string> words;
    const char* caption;  // nullptr: the caption the start-up set
    int setupRuns, unSetupRuns;
    bool enabledAfter;
  } cases[] = {
      {"install", false, {}, nullptr, 1, 0, true},
      {"uninstall", true, {}, nullptr, 0, 1, true},
      {"equal words, install mode", false, kEqualWords, nullptr, 1, 0, true},
      {"equal words, uninstall mode", true, kEqualWords, nullptr, 0, 1, true},
      {"the uninstall caption in install mode", false, {}, "アンインストール開始(&S)", 0, 0, true},
      {"the end of a details page", false, {}, "続行(&C)", 0, 0, false},
      {"the failed state's caption", false, {}, "処理開始(&S)", 0, 0, true},
      {"case counts", false, {}, "インストール開始(&s)", 0, 0, true},
  };
  for (const Case& c : cases) {
    WriteScript(c.words);
    WriteIni("C:\\Sample\\UNSETUP.INI", c.words);
    std::vector<std::string> args;
    if (c.uninstall) args = {"C:\\Sample\\UNSETUP.INI"};
    Run(args, [&] {
      TfrmMain& m = Main();
      if (c.caption) m.btnEvent->SetCaption(A(c.caption));
      EXPECT_EQ(m.btnEvent->UserClick(), forms::InputResult::Done) << c.what;
    });
    EXPECT_EQ(Main().setupRuns, c.setupRuns) << c.what;
    EXPECT_EQ(Main().unSetupRuns, c.unSetupRuns) << c.what;
    EXPECT_EQ(Main().btnEvent->Enabled(), c.enabledAfter) << c.what;
  }
}

TEST_F(MainWindowTest, ContinueOnTheReadmePageShowsTheMessagePageOnce) {
  WriteScript({"[Readme]", "File=README.TXT"});
  WriteFile("C:\\dist\\README.TXT", "text");
  Run({}, [&] {
    CountingMain& m = Main();
    m.btnEvent->Click();
    EXPECT_FALSE(m.fraReadme->Visible());
    EXPECT_TRUE(m.grpMessage->Visible());
    EXPECT_EQ(m.btnEvent->Caption(), A("インストール開始(&S)"));
    EXPECT_EQ(m.setupRuns, 0);
    m.btnEvent->Click();
    EXPECT_EQ(m.setupRuns, 1);
  });
}

TEST_F(MainWindowTest, EndingBeforeARunAsksAndNoKeepsTheWindow) {
  WriteScript({"[Extend]", "SetupString=導入", "UnSetupString=削除"});
  app->QueueAnswer(forms::IDNO);
  app->QueueAnswer(forms::IDYES);
  bool stillUp = false;
  Run({}, [&] {
    Main().btnEnd->UserClick();
    app->QueueStep([&] {
      stillUp = Main().Visible() && Main().Modal();
      EXPECT_FALSE(forms.frmBack->Enabled());
      Main().btnEnd->UserClick();
    });
  });
  EXPECT_TRUE(stillUp) << "No keeps the main window";
  ASSERT_EQ(app->MessageBoxes().size(), 2u);
  const auto& question = app->MessageBoxes()[0];
  EXPECT_EQ(question.text, A("導入/削除は終了していません．\r終了してもよろしいですか？"));
  EXPECT_EQ(question.caption, A("終了確認"));
  EXPECT_EQ(question.flags, forms::MB_YESNO | forms::MB_ICONQUESTION);
  EXPECT_TRUE(forms.frmBack->Enabled()) << "Yes enables the background";
  EXPECT_EQ(Main().ModalResult(), forms::mrOk);
  EXPECT_FALSE(Main().Visible());
  EXPECT_FALSE(forms.frmBack->Visible()) << "the background closes after the main window";
  EXPECT_TRUE(app->Terminated());
}

TEST_F(MainWindowTest, AFinishedRunClosesWithoutAQuestionAndTheCloseCommandIsOff) {
  WriteScript({});
  Run({}, [&] {
    EXPECT_EQ(Main().UserClose(), forms::InputResult::Unavailable) << "the Close command is off";
    forms.frmBack->SetEnabled(true);  // as a run does before it closes the main window
    Main().SetModalResult(forms::mrOk);
  });
  EXPECT_TRUE(app->MessageBoxes().empty());
  EXPECT_FALSE(Main().Visible());
}

TEST_F(MainWindowTest, ClosingRemovesEveryWorkFolderAndNotifiesTheShell) {
  WriteScript({});
  WriteFile(WorkFolderPath(Temp(), 1) + "SETUP.INI", "old");
  WriteFile(WorkFolderPath(Temp(), 7) + "SUB\\DEEP\\FILE.TXT", "old");
  WriteFile(Temp() + "BSTMPX\\KEEP.TXT", "other");
  win::ClearShellChanges();
  Run({}, [&] {
    EXPECT_EQ(Main().State.workFolder, WorkFolderPath(Temp(), 2));
    EXPECT_TRUE(win::ShellChanges().empty());
  });
  for (int n : {1, 2, 7}) EXPECT_FALSE(Exists(WorkFolderPath(Temp(), n))) << n;
  EXPECT_TRUE(Exists(Temp() + "BSTMPX\\KEEP.TXT"));
  const std::vector<win::ShellChange> expected = {
      {win::SHCNE_ASSOCCHANGED, win::SHCNF_IDLIST, "", ""},
      {win::SHCNE_UPDATEITEM, win::SHCNF_IDLIST, "", ""},
      {win::SHCNE_UPDATEDIR, win::SHCNF_IDLIST, "", ""},
  };
  EXPECT_EQ(win::ShellChanges(), expected);
}

TEST_F(MainWindowTest, TheReferButtonPutsTheChosenFolderWithABackslash) {
  WriteScript({"[DefaultFolder]", "Folder=C:\\Start"});
  app->QueueDialogAnswer("D:\\Apps\\Sample");
  app->QueueDialogAnswer(std::nullopt);
  app->QueueDialogAnswer("E:\\");
  std::vector<std::string> folders;
  Run({}, [&] {
    for (int i = 0; i < 3; ++i) {
      Main().btnRefer->UserClick();
      folders.push_back(Main().txtFolder->Text());
    }
  });
  EXPECT_EQ(folders,
            (std::vector<std::string>{"D:\\Apps\\Sample\\", "D:\\Apps\\Sample\\", "E:\\"}));
  ASSERT_EQ(app->Dialogs().size(), 3u);
  EXPECT_EQ(app->Dialogs()[0].title, A("セットアップフォルダを選択してください．"));
  EXPECT_EQ(Main().dlgFolder.FolderPath(), "E:\\");
}

}  // namespace
}  // namespace setup
