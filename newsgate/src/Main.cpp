#include "newsgate/Main.h"

#include <arpa/inet.h>

#include "forms/application.h"
#include "newsgate/About.h"
#include "newsgate/Client.h"
#include "newsgate/Configdialog.h"
#include "newsgate/FormLayout.h"
#include "newsgate/Serverthread.h"
#include "newsgate/Texts.h"
#include "newsgate/filterman.h"

namespace newsgate {

namespace {

bool IsNumericAddress(const std::string& text, int family) {
  unsigned char address[sizeof(in6_addr)];
  return inet_pton(family, text.c_str(), address) == 1;
}

bool ParsePort(std::string_view text, std::uint16_t& port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

const char* ListenErrorReason(win::DWORD error) {
  switch (error) {
    case win::WSAEADDRINUSE:
      return texts::kAddressInUse;
    case win::WSAEACCES:
      return texts::kAccessDenied;
    case win::WSAEADDRNOTAVAIL:
      return texts::kAddressNotAvailable;
    case win::WSAEINVAL:
      return texts::kAddressInvalid;
    default:
      return texts::kSocketError;
  }
}

}  // namespace

bool ParseListenAddress(std::string_view text, TListenAddress& listen) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return false;
  std::string_view host = text.substr(0, colon);
  const bool bracketed = host.size() >= 2 && host.front() == '[' && host.back() == ']';
  if (bracketed) host = host.substr(1, host.size() - 2);
  const std::string address(host);
  if (!IsNumericAddress(address, bracketed ? AF_INET6 : AF_INET)) return false;
  std::uint16_t port;
  if (!ParsePort(text.substr(colon + 1), port)) return false;
  listen.Address = address;
  listen.Port = port;
  return true;
}

std::string ListenErrorText(const TListenAddress& listen, win::DWORD error) {
  const bool v6 = listen.Address.find(':') != std::string::npos;
  const std::string where =
      (v6 ? "[" + listen.Address + "]" : listen.Address) + ":" + std::to_string(listen.Port);
  return where + " " + texts::kListenFailed + ": " + ListenErrorReason(error) + " (" +
         std::to_string(error) + ")";
}

TFormMain::TFormMain(const TListenAddress& listen) : TForm("FormMain") {
  SetCaption(texts::kMainCaption);
  SetPosition(forms::poDefaultPosOnly);
  SetColor(forms::clBtnFace);
  SetFont(UiFont());
  CreateMenu();
  SetWidth(637);  // the outer size, menu bar included
  SetHeight(259);
  CreateClientList();
  StatusBar1 = Add<forms::TStatusBar>("StatusBar1");
  StatusBar1->SetHeight(19);
  StatusBar1->SetAlign(forms::alBottom);
  ToolBar1 = Add<forms::TToolBar>("ToolBar1");
  ToolBar1->SetCaption("ToolBar1");
  ToolBar1->SetHeight(29);
  ToolBar1->SetAlign(forms::alTop);

  // The filter list is in place before the first connection can ask it for a verdict.
  InstallFilterDialogs();
  FilterManager = std::make_unique<TFilterManager>();
  FilterManager->Load();

  ServerSocket.Address = listen.Address;
  ServerSocket.Port = listen.Port;
  ServerSocket.ThreadCacheSize = 5;
  ServerSocket.OnGetThread = [this](win::net::TServerClientWinSocket* socket) {
    win::net::TServerClientThread* thread = nullptr;
    ServerSocketGetThread(socket, thread);
    return thread;
  };
  ServerSocket.OnClientRead = [this](win::net::TServerClientWinSocket& socket) {
    ServerSocketClientRead(socket);
  };
  // A connection thread that ends waits for its row to go, a step of this (the UI) thread.
  ServerSocket.OnWaitForThreads = [] {
    if (forms::Application* app = forms::CurrentApp()) app->CheckSynchronize(0);
  };
  if (const win::DWORD error = ServerSocket.Open())
    throw ESocketError(ListenErrorText(listen, error));
}

TFormMain::~TFormMain() { ServerSocket.Close(); }

void TFormMain::CreateMenu() {
  MainMenu1 = Add<forms::TMainMenu>("MainMenu1");
  auto item = [](forms::TControl* parent, const char* name, const char* caption) {
    auto* menuItem = parent->Add<forms::TMenuItem>(name);
    menuItem->SetCaption(caption);
    return menuItem;
  };
  MnFile = item(MainMenu1, "MnFile", texts::kMenuFile);
  MnExit = item(MnFile, "MnExit", texts::kMenuExit);
  MnExit->OnClick = [this] { MnExitClick(); };
  N1 = item(MainMenu1, "N1", texts::kMenuSettings);
  N2 = item(N1, "N2", texts::kMenuEditFilters);
  N2->OnClick = [this] { N2Click(); };
  N3 = item(MainMenu1, "N3", texts::kMenuHelp);
  N3->OnClick = [this] { N3Click(); };
  N5 = item(N3, "N5", "-");
  About1 = item(N3, "About1", texts::kMenuAbout);
  About1->OnClick = [this] { About1Click(); };
}

void TFormMain::CreateClientList() {
  ClientList = Add<forms::TListView>("ClientList");
  ClientList->SetViewStyle(forms::vsReport);
  ClientList->SetAlign(forms::alClient);
  ClientList->AddColumn(texts::kColumnId);
  ClientList->AddColumn(texts::kColumnClient, 100);
  ClientList->AddColumn(texts::kColumnTime, 75);
  ClientList->AddColumn(texts::kColumnServer, 150);
  ClientList->AddColumn(texts::kColumnGroup, 150);
  ClientList->AddColumn(texts::kColumnState, 100);
}

void TFormMain::ServerSocketGetThread(win::net::TServerClientWinSocket* ClientSocket,
                                      win::net::TServerClientThread*& SocketThread) {
  SocketThread = new TServerThread(true, ClientSocket, ClientList);
}

void TFormMain::ServerSocketClientRead(win::net::TServerClientWinSocket& Socket) {
  auto* session = static_cast<TProxyClient*>(Socket.Data);
  if (!session || !session->ReadClient()) Socket.Shutdown();
}

void TFormMain::MnExitClick() { Close(); }

void TFormMain::N2Click() { FilterManager->Configure(); }

// The help menu's title only opens the menu.
void TFormMain::N3Click() {}

void TFormMain::About1Click() {
  forms::FormPtr<TFormAbout> about = forms::CreateForm<TFormAbout>();
  about->ShowModal();
}

}  // namespace newsgate
