#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "code_page_932.h"
#include "forms/console_application.h"
#include "forms/forms.h"
#include "forms/test_application.h"

namespace forms {
namespace {

// A connection monitor: one row per worker, added and changed from the workers' threads.
struct Monitor : TForm {
  Monitor() : TForm("frmMonitor") {
    rows = Add<TListView>("ClientList");
    quit = Add<TButton>("btnQuit");
    quit->OnClick = [this] { Close(); };
  }
  TListView* rows;
  TButton* quit;
};

TEST(Synchronize, StepsOfOtherThreadsRunOnTheUiThreadInTurn) {
  TestApplication app;
  app.SetServer(true);  // the message loop outlives the (empty) input
  Monitor monitor;
  const std::thread::id ui = std::this_thread::get_id();
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w)
    workers.emplace_back([&, w] {
      TListItem* row = nullptr;
      App().Synchronize([&] {
        EXPECT_EQ(std::this_thread::get_id(), ui);
        row = monitor.rows->AddItem();
      });
      for (int i = 0; i < 50; ++i)
        App().Synchronize([&] { row->SetCaption(std::to_string(w) + ":" + std::to_string(i)); });
      if (++finished == 4) App().Synchronize([&] { monitor.Close(); });
    });
  app.Run(monitor);
  for (auto& worker : workers) worker.join();
  ASSERT_EQ(monitor.rows->Count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(monitor.rows->Item(i)->Caption().substr(1), ":49");
}

TEST(Synchronize, AnExceptionOfTheStepReachesTheCaller) {
  TestApplication app;
  std::atomic<bool> caught{false};
  std::thread worker([&] {
    try {
      App().Synchronize([] { throw std::runtime_error("step failed"); });
    } catch (const std::runtime_error& e) {
      caught = std::string(e.what()) == "step failed";
    }
  });
  while (!caught) app.CheckSynchronize(10);
  worker.join();
  bool ranInline = false;
  EXPECT_TRUE(app.Synchronize([&] { ranInline = true; }));
  EXPECT_TRUE(ranInline) << "on the UI thread a step runs at once";
}

TEST(Synchronize, TheConsoleRunsStepsWhileItWaitsForInput) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::ostringstream out;
  Monitor monitor;
  {
    ConsoleApplication app(fds[0], out);
    std::thread worker([&] {
      App().Synchronize([&] { monitor.rows->AddItem()->SetCaption("from the worker"); });
      const std::string line = "click btnQuit\n";
      EXPECT_EQ(write(fds[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    });
    app.Run(monitor);
    worker.join();
  }
  close(fds[0]);
  close(fds[1]);
  EXPECT_NE(out.str().find("frmMonitor.ClientList: [0] \"from the worker\"\n> click btnQuit"),
            std::string::npos)
      << out.str();
}

TEST(Synchronize, AServerStopsOnSigtermByClosingItsMainForm) {
  struct sigaction before;
  sigaction(SIGTERM, nullptr, &before);
  {
    TestApplication app;
    app.SetServer(true);
    Monitor monitor;
    bool asked = false;
    monitor.OnCloseQuery = [&](bool&) { asked = true; };
    std::thread signaller([] { kill(getpid(), SIGTERM); });
    app.Run(monitor);
    signaller.join();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(monitor.Visible());
  }
  struct sigaction after;
  sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler) << "the handler goes with the Application";
}

}  // namespace
}  // namespace forms
