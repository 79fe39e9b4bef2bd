#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "code_page_932.h"
#include "forms/forms.h"
#include "forms/test_application.h"

namespace forms {
namespace {

// A dialog with an OK button and a log of its events.
struct Dialog : TForm {
  explicit Dialog(std::string name) : TForm(std::move(name)) {
    ok = Add<TButton>("btnOK");
    ok->SetModalResult(mrOk);
    OnShow = [this] { log.push_back("show"); };
    OnActivate = [this] { log.push_back("activate"); };
    OnResize = [this] { log.push_back("resize"); };
    OnCloseQuery = [this](bool& canClose) {
      log.push_back("query");
      canClose = allowClose;
    };
    OnClose = [this](TCloseAction& action) {
      log.push_back("close");
      if (keepOpen) action = caNone;
    };
  }
  TButton* ok;
  bool allowClose = true, keepOpen = false;
  std::vector<std::string> log;
};

TEST(ModalLoop, EndsWhenTheModalResultIsSetAndClosingIsAllowed) {
  TestApplication app;
  Dialog dlg("dlg");
  dlg.allowClose = false;
  app.QueueStep([&] { dlg.ok->UserClick(); });  // refused by OnCloseQuery
  app.QueueStep([&] {
    EXPECT_TRUE(dlg.Visible());
    EXPECT_EQ(dlg.ModalResult(), mrNone) << "a refused close clears the result";
    dlg.allowClose = true;
    dlg.ok->UserClick();
  });
  EXPECT_EQ(dlg.ShowModal(), mrOk);
  EXPECT_FALSE(dlg.Visible());
  EXPECT_FALSE(dlg.Modal());
  EXPECT_EQ(dlg.log,
            (std::vector<std::string>{"show", "activate", "resize", "query", "query", "close"}));
}

TEST(ModalLoop, CloseGivesCancelAndOnCloseMayKeepTheFormOpen) {
  TestApplication app;
  Dialog dlg("dlg");
  dlg.keepOpen = true;
  app.QueueStep([&] { dlg.Close(); });
  app.QueueStep([&] {
    EXPECT_TRUE(dlg.Visible());
    dlg.keepOpen = false;
    dlg.Close();
  });
  EXPECT_EQ(dlg.ShowModal(), mrCancel);
  EXPECT_THROW(
      {
        dlg.Show();
        dlg.ShowModal();
      },
      std::logic_error);
}

TEST(ModalLoop, BlocksTheFormsBehindItOnly) {
  TestApplication app;
  Dialog back("back"), dlg("dlg"), status("status");
  back.Show();
  app.QueueStep([&] {
    EXPECT_TRUE(back.BlockedByModal());
    EXPECT_EQ(back.ok->UserClick(), InputResult::Unavailable);
    status.Show();  // shown during the modal loop: takes input
    EXPECT_EQ(status.ok->UserClick(), InputResult::Done);
    dlg.ok->UserClick();
  });
  dlg.ShowModal();
  EXPECT_FALSE(back.BlockedByModal());
  EXPECT_EQ(back.ok->UserClick(), InputResult::Done);
}

TEST(Forms, ActivationFollowsTheFrontForm) {
  TestApplication app;
  Dialog a("a"), b("b");
  a.Show();
  b.Show();
  a.log.clear();
  b.Hide();
  EXPECT_EQ(a.log, std::vector<std::string>{"activate"});
  EXPECT_TRUE(a.Active());
  b.Show();
  EXPECT_EQ(b.log.back(), "activate") << "resize only on the first show";
  EXPECT_EQ(std::count(b.log.begin(), b.log.end(), "resize"), 1);
}

TEST(Forms, PlacementOnFirstShow) {
  Screen().SetSize(1024, 768);
  TForm centred("centred"), maximised("maximised");
  centred.SetBorderStyle(bsSingle);
  centred.SetClientSize(494, 294);
  centred.SetPosition(poScreenCenter);
  maximised.SetWindowState(wsMaximized);
  centred.Show();
  maximised.Show();
  EXPECT_EQ(centred.BoundsRect(), (TRect{262, 224, 762, 543}));
  EXPECT_EQ(maximised.ClientWidth(), 1024);
  EXPECT_EQ(maximised.ClientHeight(), 768 - 19);
  maximised.Add<TMainMenu>("menu");
  EXPECT_EQ(maximised.ClientHeight(), 768 - 19) << "a menu bar keeps the client size";
}

TEST(Run, ClosingTheMainFormEndsTheMessageLoopAndNestedModalLoops) {
  TestApplication app;
  Dialog main("main"), dlg("dlg");
  TModalResult nested = mrNone;
  main.OnResize = [&] { nested = dlg.ShowModal(); };  // runs inside the main form's Show
  app.QueueStep([&] { main.Close(); });
  app.Run(main);
  EXPECT_TRUE(app.Terminated());
  EXPECT_EQ(nested, mrCancel);
  EXPECT_FALSE(main.Visible());
  EXPECT_FALSE(dlg.Visible());
}

TEST(EndOfInput, TheWaitingFormGetsACloseRequestEvenWithoutItsCloseCommand) {
  TestApplication app;
  Dialog main("main"), dlg("dlg");
  dlg.SetCloseCommandEnabled(false);
  main.OnResize = [&] { EXPECT_EQ(dlg.ShowModal(), mrCancel); };
  app.Run(main);  // no steps queued: the input has ended at once
  EXPECT_EQ(dlg.log.back(), "close");
  EXPECT_EQ(main.log.back(), "close");
  EXPECT_TRUE(app.Terminated());
}

TEST(EndOfInput, AFormThatRefusesTwiceEndsTheApplication) {
  TestApplication app;
  Dialog main("main");
  main.allowClose = false;
  app.Run(main);
  EXPECT_EQ(std::count(main.log.begin(), main.log.end(), "query"), 1);
  EXPECT_TRUE(app.Terminated());
}

TEST(Forms, CreateAndDestroyEventsRunAroundTheForm) {
  struct Logged : TForm {
    explicit Logged(std::vector<std::string>& log) : TForm("logged") {
      OnCreate = [&log] { log.push_back("create"); };
      OnDestroy = [&log, this] { log.push_back("destroy " + Name()); };
    }
  };
  std::vector<std::string> log;
  {
    FormPtr<Logged> form = CreateForm<Logged>(log);
    EXPECT_EQ(log, std::vector<std::string>{"create"});
    EXPECT_EQ(Screen().FindForm("LOGGED"), form.get());
  }
  EXPECT_EQ(log, (std::vector<std::string>{"create", "destroy logged"}));
  EXPECT_EQ(Screen().FindForm("logged"), nullptr);
}

}  // namespace
}  // namespace forms
