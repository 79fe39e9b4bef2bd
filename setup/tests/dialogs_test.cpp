// The status window with its abort button, the four-answer question, and the folder browser.
#include <gtest/gtest.h>

#include "setup/FldrDlg.h"
#include "windows_fixture.h"

namespace setup {
namespace {

class DialogsTest : public WindowsTest {
 protected:
  DialogsTest() { forms = CreateSetupForms({kProgram, {}}); }
  TfrmStatus& Status() { return *forms.frmStatus; }
};

TEST_F(DialogsTest, TheStatusWindowCannotBeClosedByTheUser) {
  EXPECT_FALSE(Status().CloseCommandEnabled());
  EXPECT_EQ(Status().Caption(), A("進行状況"));
  EXPECT_EQ(Status().ClientWidth(), 497);
  EXPECT_EQ(Status().ClientHeight(), 153);
  EXPECT_FALSE(Status().btnAbort->Enabled());
  EXPECT_FALSE(Status().fraStatus->Visible());
  EXPECT_EQ(Status().lblStatus->Caption(), "0%(0/0)");
  EXPECT_EQ(Status().prgStatus->Max(), 100);
  Status().Show();
  EXPECT_EQ(Status().UserClose(), forms::InputResult::Unavailable);
  EXPECT_TRUE(Status().Visible());
}

TEST_F(DialogsTest, AbortAnsweredNoLeavesTheRunGoing) {
  Status().Show();
  Status().btnAbort->SetEnabled(true);
  app->QueueAnswer(forms::IDNO);
  EXPECT_EQ(Status().btnAbort->UserClick(), forms::InputResult::Done);
  ASSERT_EQ(app->MessageBoxes().size(), 1u);
  EXPECT_EQ(app->MessageBoxes()[0].text,
            A("ここでセットアップを中断すると，すでにコピー済みのファイルは削除されません．\r"
              "一度，セットアップを完了してから，アンセットアップ(アンインストール)することを"
              "おすすめします．\r\r本当にセットアップを中断しますか？"));
  EXPECT_EQ(app->MessageBoxes()[0].caption, A("中断の確認"));
  EXPECT_EQ(app->MessageBoxes()[0].flags, forms::MB_YESNO | forms::MB_ICONQUESTION);
  EXPECT_TRUE(Status().Visible());
  EXPECT_TRUE(forms.frmMain->Enabled());
  EXPECT_FALSE(forms.frmBack->Enabled());
  EXPECT_EQ(forms.frmMain->ModalResult(), forms::mrNone);
}

TEST_F(DialogsTest, AbortAnsweredYesSignalsTheRunAndClosesTheWindows) {
  WriteScript({});
  bool stopped = false;
  Run({}, [&] {
    // A run that shows the status window and checks for the abort whenever it processes
    // messages; the user presses the abort button and confirms.
    app->OnProcessMessages = [&] {
      if (Status().btnAbort->Enabled() && !forms.frmBack->Enabled()) {
        EXPECT_EQ(Status().btnAbort->UserClick(), forms::InputResult::Done);
      }
    };
    app->QueueAnswer(forms::IDYES);
    TfrmMain& m = Main();
    m.Hide();
    Status().Show();
    Status().btnAbort->SetEnabled(true);
    for (int i = 0; i < 5 && m.Enabled(); ++i) app->ProcessMessages();
    stopped = !m.Enabled();
  });
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(forms.frmBack->Enabled());
  EXPECT_FALSE(Status().Visible());
  ASSERT_EQ(app->MessageBoxes().size(), 2u) << "the question, the report; no closing question";
  EXPECT_EQ(app->MessageBoxes()[1].text, A("セットアップを中断しました．"));
  EXPECT_EQ(app->MessageBoxes()[1].caption, A("中断"));
  EXPECT_EQ(app->MessageBoxes()[1].flags, forms::MB_OK | forms::MB_ICONWARNING);
  EXPECT_EQ(Main().ModalResult(), forms::mrOk);
  EXPECT_TRUE(app->Terminated());
}

TEST_F(DialogsTest, EachAnswerOfTheCustomDialogIsLeftInTheMainWindow) {
  TfrmCustomDlg& dialog = *forms.frmCustomDlg;
  EXPECT_EQ(dialog.Caption(), A("ファイル削除の確認"));
  EXPECT_EQ(dialog.BorderIcons(), 0u);
  EXPECT_EQ(forms.frmMain->lblFormShare->Caption(), "Can't Delete");
  const std::pair<forms::TButton*, const char*> cases[] = {
      {dialog.btnYes, "Yes"},
      {dialog.btnNo, "No"},
      {dialog.btnDelete, "Delete"},
      {dialog.btnSave, "Save"},
  };
  for (auto [button, answer] : cases) {
    forms.frmMain->lblFormShare->SetCaption("");
    app->QueueStep([button] { EXPECT_EQ(button->UserClick(), forms::InputResult::Done); });
    EXPECT_EQ(dialog.ShowModal(), forms::mrOk) << answer;
    EXPECT_EQ(forms.frmMain->lblFormShare->Caption(), answer);
  }
  const std::vector<std::string> captions = {dialog.btnYes->Caption(), dialog.btnNo->Caption(),
                                             dialog.btnDelete->Caption(),
                                             dialog.btnSave->Caption()};
  EXPECT_EQ(captions, (std::vector<std::string>{A("はい(&Y)"), A("いいえ(&N)"), A("すべて削除(&D)"),
                                                A("すべて保存(&A)")}));
}

TEST(FolderDialogTest, OptionsGiveTheBrowseFlags) {
  const std::pair<TFolderDlgOptions, unsigned> cases[] = {
      {{}, 0},
      {{bifReturnOnlyFSDirs}, 0x0001},
      {{bifBrowseForComputer, bifBrowseForPrinter}, 0x3000},
      {{bifDontGoBelowDomain, bifReturnFSAncestors, bifStatusText}, 0x000E},
  };
  for (const auto& [options, flags] : cases) EXPECT_EQ(BrowseFlags(options), flags);
  TFolderDialog dialog(nullptr);
  EXPECT_EQ(dialog.Option, TFolderDlgOptions{bifReturnOnlyFSDirs});
}

TEST(FolderDialogTest, ACancelledBrowserKeepsTheLastFolder) {
  forms::TestApplication app;
  app.QueueDialogAnswer("C:\\Data");
  app.QueueDialogAnswer(std::nullopt);
  TFolderDialog dialog(nullptr);
  dialog.Title = "Where?";
  EXPECT_TRUE(dialog.Execute());
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(dialog.FolderPath(), "C:\\Data");
  EXPECT_EQ(app.Dialogs()[0].title, "Where?");
}

}  // namespace
}  // namespace setup
