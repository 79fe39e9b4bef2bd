#pragma once
// The thread that serves newsreader connections, one at a time: for each it adds a row to the
// connection monitor, runs the connection's session and removes the row when the connection
// ends. The rows are changed only on the UI thread, through synchronised steps.
#include "platform/net.h"

namespace forms {
class TListItem;
class TListView;
}  // namespace forms

namespace newsgate {

class TServerThread : public win::net::TServerClientThread {
 public:
  // Starts the thread once its fields are set (createSuspended is true from the factory).
  TServerThread(bool createSuspended, win::net::TServerClientWinSocket* socket,
                forms::TListView* clientList);

 protected:
  void ServeConnection() override;

 private:
  void AddRow();
  void RemoveRow();

  forms::TListView* ClientList;
  forms::TListItem* Row = nullptr;
};

}  // namespace newsgate
