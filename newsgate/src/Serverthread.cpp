#include "newsgate/Serverthread.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "forms/application.h"
#include "forms/list_view.h"
#include "newsgate/Client.h"

namespace newsgate {

namespace {

using Clock = std::chrono::steady_clock;

// The longest wait of an idle connection; newsreader and server data end it at once.
constexpr int kIdleWaitMs = 250;
// Rows are refreshed at most this often: a busy connection does not wait for the UI thread after
// every command, and the monitor is still current to the eye.
constexpr auto kRowRefresh = std::chrono::milliseconds(100);

}  // namespace

TServerThread::TServerThread(bool createSuspended, win::net::TServerClientWinSocket* socket,
                             forms::TListView* clientList)
    : TServerClientThread(createSuspended, socket), ClientList(clientList) {
  Resume();
}

void TServerThread::ServeConnection() {
  forms::Application& app = forms::App();
  app.Synchronize([this] { AddRow(); });
  std::unique_ptr<TProxyClient> session;
  // The row goes on every way out, an error's included, before the session is destroyed.
  struct RowRemover {
    TServerThread& thread;
    forms::Application& app;
    ~RowRemover() {
      try {
        app.Synchronize([this] { thread.RemoveRow(); });
      } catch (...) {
      }
    }
  } remover{*this, app};

  session =
      std::make_unique<TProxyClient>(*ClientSocket(), Row, win::net::SystemNetwork(), &Wake());
  bool dirty = true;
  Clock::time_point refreshed = Clock::now() - kRowRefresh;
  while (!Terminated() && session->Connected()) {
    int waitMs = kIdleWaitMs;
    if (dirty) {
      auto due = refreshed + kRowRefresh;
      if (Clock::now() >= due) {
        app.Synchronize([&] { session->UpdateRow(); });
        refreshed = Clock::now();
        dirty = false;
      } else {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now()).count();
        waitMs = static_cast<int>(std::max<long long>(1, left));
      }
    }
    if (session->WaitForEvents(waitMs) && !Terminated()) {
      if (ServerSocket()->OnClientRead)
        ServerSocket()->OnClientRead(*ClientSocket());
      else
        session->ReadClient();
      dirty = true;
    }
  }
}

void TServerThread::AddRow() {
  Row = ClientList->AddItem();
  Row->SetCaption("");
  Row->SetSubItems({"", "", "", "", ""});
}

void TServerThread::RemoveRow() {
  if (Row) ClientList->DeleteItem(Row);
  Row = nullptr;
}

}  // namespace newsgate
