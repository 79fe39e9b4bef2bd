#include "forms/test_application.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "code_page_932.h"
#include "forms/forms.h"

namespace forms {
namespace {

// A long run with an abort button, as the programs' status windows have.
struct RunForm : TForm {
  RunForm() : TForm("frmRun") {
    start = Add<TButton>("btnStart");
    abort = Add<TButton>("btnAbort");
    status = Add<TLabel>("lblStatus");
    abort->SetEnabled(false);
    start->OnClick = [this] { DoRun(); };
    abort->OnClick = [this] {
      if (App().MessageBox("Abort?", "Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES)
        aborted = true;
    };
  }
  void DoRun() {
    abort->SetEnabled(true);
    for (steps = 0; steps < 10 && !aborted; ++steps) {
      status->SetCaption("step " + std::to_string(steps));
      App().ProcessMessages();
      App().Sleep(100);
    }
    abort->SetEnabled(false);
    App().MessageBox(aborted ? "Aborted." : "Done.", "End", MB_OK);
    SetModalResult(mrOk);
  }
  TButton *start, *abort;
  TLabel* status;
  bool aborted = false;
  int steps = 0;
};

TEST(TestApplication, DrivesALongRunThroughHooksAndQueuedAnswers) {
  TestApplication app;
  RunForm form;
  app.QueueStep([&] { form.start->UserClick(); });
  app.OnProcessMessages = [&] {
    if (app.ProcessMessagesCalls() == 3) {
      EXPECT_EQ(form.abort->UserClick(), InputResult::Done);
    }
  };
  app.QueueAnswer(IDYES);
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(form.steps, 3);
  EXPECT_EQ(app.Sleeps(), (std::vector<win::DWORD>{100, 100, 100}));
  EXPECT_EQ(app.Now(), 300u);
  ASSERT_EQ(app.MessageBoxes().size(), 2u);
  const auto& asked = app.MessageBoxes()[0];
  EXPECT_EQ(asked.text, "Abort?");
  EXPECT_EQ(asked.caption, "Confirm");
  EXPECT_EQ(asked.flags, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(asked.answer, IDYES);
  EXPECT_TRUE(asked.queued);
  const auto& unexpected = app.MessageBoxes()[1];
  EXPECT_EQ(unexpected.text, "Aborted.");
  EXPECT_FALSE(unexpected.queued) << "no answer left: the default, recorded";
  EXPECT_EQ(unexpected.answer, IDOK);
}

TEST(TestApplication, UnexpectedQuestionsTakeTheirDefaultButton) {
  TestApplication app;
  struct Case {
    UINT flags;
    int expected;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_YESNO, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_OKCANCEL | MB_DEFBUTTON3, IDOK},  // no third button: the first
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
      {MB_RETRYCANCEL, IDRETRY},
  };
  for (const Case& c : cases) EXPECT_EQ(app.MessageBox("?", "", c.flags), c.expected) << c.flags;
}

TEST(TestApplication, DialogsTakeQueuedPathsOrCancel) {
  TestApplication app;
  app.QueueDialogAnswer("C:\\Data");
  app.QueueDialogAnswer(std::nullopt);
  EXPECT_EQ(app.BrowseForFolder("Choose", BIF_RETURNONLYFSDIRS), "C:\\Data");
  TOpenDialog open;
  open.Title = "Import";
  open.FileName = "old.npf";
  EXPECT_FALSE(open.Execute());
  EXPECT_EQ(open.FileName, "old.npf") << "cancel keeps the file name";
  EXPECT_FALSE(open.Execute());
  ASSERT_EQ(app.Dialogs().size(), 3u);
  EXPECT_EQ(app.Dialogs()[1].title, "Import");
  EXPECT_TRUE(app.Dialogs()[1].queued);
  EXPECT_FALSE(app.Dialogs()[2].queued);
}

TEST(TestApplication, AnExceptionInAHandlerBecomesTheStandardErrorBox) {
  TestApplication app;
  app.SetTitle("Tool");
  TForm form("frmMain");
  auto* item = form.Add<TMainMenu>("menu")->Add<TMenuItem>("MnFail");
  item->OnClick = [] { throw std::runtime_error("Disk full"); };
  app.QueueStep([&] { item->UserClick(); });
  app.QueueStep([&] { form.Close(); });
  app.Run(form);
  ASSERT_EQ(app.MessageBoxes().size(), 1u);
  EXPECT_EQ(app.MessageBoxes()[0].text, "Disk full.");
  EXPECT_EQ(app.MessageBoxes()[0].caption, "Tool");
  EXPECT_EQ(app.MessageBoxes()[0].flags, MB_OK | MB_ICONSTOP);
  for (auto [message, shown] : {std::pair{"Ends here.", "Ends here."},
                                {"", ""},
                                {"Socket error\r\n", "Socket error\r\n"}}) {
    app.ShowException(message);
    EXPECT_EQ(app.MessageBoxes().back().text, shown);
  }
}

}  // namespace
}  // namespace forms
