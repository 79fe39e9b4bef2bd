#include "newsgate/Serverthread.h"

#include <memory>

#include "forms/application.h"
#include "forms/list_view.h"
#include "newsgate/Client.h"

namespace newsgate {

namespace {

// The longest wait of an idle connection; newsreader and server data end it at once.
constexpr int kIdleWaitMs = 250;

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
  while (!Terminated() && session->Connected()) {
    if (dirty) {
      app.Synchronize([&] { session->UpdateRow(); });
      dirty = false;
    }
    if (session->WaitForEvents(kIdleWaitMs) && !Terminated()) {
      if (ClientSocket()->Available() == 0) break;  // the newsreader closed the connection
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
