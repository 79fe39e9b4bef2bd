// The main window: its design and menu, the connection monitor's rows made by the connection
// threads through synchronised steps, and a listening socket that cannot be opened.
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <regex>

#include "newsgate/Main.h"
#include "newsgate/MainProgram.h"
#include "nntp_fixture.h"
#include "window_support.h"

namespace newsgate {
namespace {

constexpr TListenAddress kAnyFreePort{"127.0.0.1", 0};

// A listening socket on a free loopback port, which the test holds.
class TakenPort {
 public:
  TakenPort() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd_, 1) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("cannot listen");
    port_ = ntohs(address.sin_port);
  }
  ~TakenPort() { close(fd_); }
  std::uint16_t Port() const { return port_; }

 private:
  int fd_;
  std::uint16_t port_;
};

class MainFormTest : public WindowTest {
 protected:
  // Runs the synchronised steps of the connection threads until cond holds (or 10 s pass).
  template <class Cond>
  bool PumpUntil(Cond cond) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!cond() && std::chrono::steady_clock::now() < end) app->CheckSynchronize(10);
    return cond();
  }
  static std::vector<std::string> Cells(const forms::TListItem& row) {
    std::vector<std::string> cells{row.Caption()};
    cells.insert(cells.end(), row.SubItems().begin(), row.SubItems().end());
    return cells;
  }
};

TEST_F(MainFormTest, TheDesign) {
  TFilterRows stored;
  stored.push_back(std::make_unique<TFilter>());
  stored.back()->Subject = "stored";
  FilterManager->SetFilters(std::move(stored));
  FilterManager->Save();
  FilterManager = std::make_unique<TFilterManager>();
  auto main = forms::CreateForm<TFormMain>(kAnyFreePort);
  ASSERT_EQ(FilterManager->Filters()->Count(), 1) << "the window loads the stored filter list";
  EXPECT_EQ(FilterAt(*FilterManager->Filters(), 0).Subject, "stored");
  EXPECT_EQ(main->Caption(), A("Feldrun[接続モニタ]"));
  EXPECT_EQ(main->Width(), 637);
  EXPECT_EQ(main->Height(), 259);
  EXPECT_EQ(main->Position(), forms::poDefaultPosOnly);
  EXPECT_EQ(main->Color(), forms::clBtnFace);
  ExpectDialogFont(*main);
  struct Item {
    const char* name;
    const char* parent;
    const char* caption;
  } items[] = {
      {"MnFile", "MainMenu1", "接続"}, {"MnExit", "MnFile", "終了"},  {"N1", "MainMenu1", "設定"},
      {"N2", "N1", "フィルタの編集"},  {"N3", "MainMenu1", "ヘルプ"}, {"N5", "N3", "-"},
      {"About1", "N3", "About"},
  };
  EXPECT_EQ(main->Menu(), main->MainMenu1);
  for (const Item& item : items) {
    forms::TControl* control = main->FindControl(item.name);
    ASSERT_NE(control, nullptr) << item.name;
    EXPECT_EQ(control->Kind(), forms::ControlKind::MenuItem) << item.name;
    EXPECT_EQ(control->Parent()->Name(), item.parent) << item.name;
    EXPECT_EQ(control->Caption(), A(item.caption)) << item.name;
  }
  const forms::TListView& list = *main->ClientList;
  EXPECT_EQ(list.ViewStyle(), forms::vsReport);
  EXPECT_EQ(list.Align(), forms::alClient);
  EXPECT_EQ(list.Columns(), (std::vector<forms::TListColumn>{{"ID", 50},
                                                             {A("接続クライアント"), 100},
                                                             {A("接続時間"), 75},
                                                             {A("接続サーバ"), 150},
                                                             {A("グループ"), 150},
                                                             {A("状態"), 100}}));
  EXPECT_EQ(list.Count(), 0) << "no connections, no rows";
  EXPECT_TRUE(main->StatusBar1->Panels().empty());
  EXPECT_FALSE(main->StatusBar1->SimplePanel());
  EXPECT_EQ(main->ToolBar1->Height(), 29);
  EXPECT_EQ(main->ToolBar1->Caption(), "ToolBar1");
  EXPECT_TRUE(main->ToolBar1->Controls().empty());
  EXPECT_EQ(main->ServerSocket.ThreadCacheSize, 5);
  EXPECT_TRUE(main->ServerSocket.Active());
  const TListenAddress byDefault;
  EXPECT_EQ(byDefault.Address, "127.0.0.1") << "only this host reaches the proxy by default";
  EXPECT_EQ(byDefault.Port, 119);
}

TEST_F(MainFormTest, TheMenuOpensTheFilterListAndTheAboutBoxAndEndsTheProgram) {
  auto main = forms::CreateForm<TFormMain>(kAnyFreePort);
  std::vector<std::string> shown;
  auto front = [&] { shown.push_back(forms::Screen().ActiveForm()->Name()); };
  app->QueueStep([&] { EXPECT_EQ(main->N3->UserClick(), forms::InputResult::Done); });
  app->QueueStep([&] { main->About1->UserClick(); });
  app->QueueStep([&] {
    front();
    forms::Screen().ActiveForm()->FindControl("BtnOK")->UserClick();
  });
  app->QueueStep([&] { main->N2->UserClick(); });
  app->QueueStep([&] {
    front();
    forms::Screen().ActiveForm()->FindControl("BtnCancel")->UserClick();
  });
  app->QueueStep([&] { main->MnExit->UserClick(); });
  app->Run(*main);
  EXPECT_EQ(shown, (std::vector<std::string>{"FormAbout", "FormConfigDialog"}));
  EXPECT_FALSE(main->Visible());
  EXPECT_TRUE(app->MessageBoxes().empty());
  EXPECT_EQ(forms::Screen().Forms().size(), 1u) << "the dialogs are destroyed after use";
}

TEST_F(MainFormTest, EachConnectionHasARowWhileItLasts) {
  auto main = forms::CreateForm<TFormMain>(kAnyFreePort);
  const std::uint16_t port = main->ServerSocket.LocalPort();
  forms::TListView& list = *main->ClientList;
  auto first = std::make_unique<nntp_fixture::NntpClient>(port);
  ASSERT_TRUE(PumpUntil([&] { return list.Count() == 1 && !list.Item(0)->Caption().empty(); }));
  EXPECT_EQ(first->Line(), "200 Feldrun ready");
  const std::vector<std::string> cells = Cells(*list.Item(0));
  ASSERT_EQ(cells.size(), 6u);
  EXPECT_TRUE(std::regex_match(cells[0], std::regex("[0-9A-F]{8}"))) << cells[0];
  EXPECT_EQ(cells[1], "127.0.0.1");
  EXPECT_EQ(std::vector<std::string>(cells.begin() + 2, cells.end()),
            (std::vector<std::string>{"", "", "", ""}));
  nntp_fixture::NntpClient second(port);
  ASSERT_TRUE(PumpUntil([&] { return list.Count() == 2 && !list.Item(1)->Caption().empty(); }));
  EXPECT_NE(list.Item(1)->Caption(), list.Item(0)->Caption());
  first.reset();
  ASSERT_TRUE(PumpUntil([&] { return list.Count() == 1; }));
  EXPECT_NE(list.Item(0)->Caption(), cells[0]) << "the first connection's row went";
}

TEST_F(MainFormTest, ClosingTheWindowEndsTheConnectionsAndTheirRows) {
  auto main = forms::CreateForm<TFormMain>(kAnyFreePort);
  nntp_fixture::NntpClient client(main->ServerSocket.LocalPort());
  forms::TListView& list = *main->ClientList;
  // the row is written once the session has greeted the newsreader
  ASSERT_TRUE(PumpUntil([&] { return list.Count() == 1 && !list.Item(0)->Caption().empty(); }));
  main.reset();  // the rows go through the UI thread's steps while the threads end
  EXPECT_EQ(client.Line(), "200 Feldrun ready");
  EXPECT_EQ(client.UntilClosed(), "");
}

TEST_F(MainFormTest, AListeningSocketThatCannotBeOpenedEndsTheProgramWithStatus1) {
  TakenPort taken;
  const TListenAddress listen{"127.0.0.1", taken.Port()};
  const std::string message = "127.0.0.1:" + std::to_string(taken.Port()) + " " +
                              A("で待ち受けできません: アドレスは既に使用されています (10048)");
  EXPECT_THROW(
      {
        try {
          TFormMain main(listen);
        } catch (const ESocketError& e) {
          EXPECT_EQ(e.what(), message);
          throw;
        }
      },
      ESocketError);
  EXPECT_EQ(RunNewsgate(*app, listen, nullptr), 1);
  ASSERT_EQ(app->MessageBoxes().size(), 1u) << "the standard error box";
  EXPECT_EQ(app->MessageBoxes()[0].text, message);
  EXPECT_EQ(app->MessageBoxes()[0].caption, "Feldrun");
  EXPECT_TRUE(forms::Screen().Forms().empty()) << "no window was shown";
  std::ostringstream errors;
  EXPECT_EQ(RunNewsgate(*app, listen, &errors), 1);
  EXPECT_EQ(errors.str(), "newsgate: " + win::AnsiToUtf8(message) + "\n");
  EXPECT_EQ(app->MessageBoxes().size(), 1u);
}

TEST(ListenAddressTest, Parse) {
  struct Case {
    const char* text;
    bool valid;
    const char* address = nullptr;
    std::uint16_t port = 0;
  } cases[] = {
      {"127.0.0.1:119", true, "127.0.0.1", 119},
      {"0.0.0.0:1119", true, "0.0.0.0", 1119},
      {"[::1]:65535", true, "::1", 65535},
      {"127.0.0.1:0", false},
      {"127.0.0.1:65536", false},
      {"127.0.0.1:+119", false},
      {"127.0.0.1:", false},
      {"127.0.0.1", false},
      {"localhost:119", false},
      {"::1:119", false},
      {"[127.0.0.1]:119", false},
      {":119", false},
  };
  for (const Case& c : cases) {
    TListenAddress listen{"unchanged", 1};
    EXPECT_EQ(ParseListenAddress(c.text, listen), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(listen.Address, c.address) << c.text;
      EXPECT_EQ(listen.Port, c.port) << c.text;
    } else {
      EXPECT_EQ(listen.Address, "unchanged") << c.text;
    }
  }
}

TEST(ListenAddressTest, ErrorTexts) {
  win::SetACPOverride(932);
  struct Case {
    TListenAddress listen;
    win::DWORD error;
    const char* text;
  } cases[] = {
      {{"127.0.0.1", 119},
       win::WSAEACCES,
       "127.0.0.1:119 で待ち受けできません: アクセスが拒否されました (10013)"},
      {{"::1", 1119},
       win::WSAEADDRNOTAVAIL,
       "[::1]:1119 で待ち受けできません: 要求されたアドレスは使用できません (10049)"},
      {{"1.2.3.4", 119},
       win::WSAEINVAL,
       "1.2.3.4:119 で待ち受けできません: アドレスが正しくありません (10022)"},
      {{"10.0.0.1", 5},
       win::WSAENETDOWN,
       "10.0.0.1:5 で待ち受けできません: ソケット エラー (10050)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(win::AnsiToUtf8(ListenErrorText(c.listen, c.error)), c.text);
  win::SetACPOverride(0);
}

}  // namespace
}  // namespace newsgate
