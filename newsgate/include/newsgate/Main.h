#pragma once
// The main window: the connection monitor with one row per live newsreader connection, the menu
// that opens the filter list and the about box, and the listening socket whose connections are
// each served by a thread of their own. The rows are changed only on the UI thread, by the
// connection threads' synchronised steps.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "forms/controls.h"
#include "forms/form.h"
#include "forms/list_view.h"
#include "platform/net.h"

namespace newsgate {

// Where the proxy listens: the loopback address by default, so that no other host can use it to
// reach any server it likes.
struct TListenAddress {
  std::string Address = "127.0.0.1";  // numeric IPv4 or IPv6
  std::uint16_t Port = 119;           // 0: a free port
};

// "ADDRESS:PORT" with a numeric address ("[...]" around an IPv6 one) and a port from 1 to 65535.
bool ParseListenAddress(std::string_view text, TListenAddress& listen);

// The listening socket could not be opened; the message names the address and the reason.
class ESocketError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The message of a listening socket that failed with a WinSock error code.
std::string ListenErrorText(const TListenAddress& listen, win::DWORD error);

class TFormMain : public forms::TForm {
 public:
  // Creates and loads FilterManager, then opens the listening socket; throws ESocketError when
  // it cannot be opened.
  explicit TFormMain(const TListenAddress& listen = {});
  // Closes the listening socket and every connection; their rows go first.
  ~TFormMain() override;

  forms::TMainMenu* MainMenu1;
  forms::TMenuItem* MnFile;
  forms::TMenuItem* MnExit;
  forms::TMenuItem* N1;
  forms::TMenuItem* N2;
  forms::TMenuItem* N3;
  forms::TMenuItem* N5;
  forms::TMenuItem* About1;
  forms::TListView* ClientList;
  forms::TStatusBar* StatusBar1;
  forms::TToolBar* ToolBar1;
  win::net::TServerSocket ServerSocket;

  // The thread of an accepted connection that no idle thread takes; runs on the listening thread.
  void ServerSocketGetThread(win::net::TServerClientWinSocket* ClientSocket,
                             win::net::TServerClientThread*& SocketThread);
  // The read step of a connection, on the connection's own thread: the waiting newsreader bytes
  // go to the session attached to the socket; a socket without one, or whose session takes
  // nothing, is closed.
  void ServerSocketClientRead(win::net::TServerClientWinSocket& Socket);

  void MnExitClick();
  void N2Click();
  void N3Click();
  void About1Click();

 private:
  void CreateMenu();
  void CreateClientList();
};

}  // namespace newsgate
