#pragma once
// What the session tests share: filters, overview lines, and a session over in-memory sockets
// with a scripted news server.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "forms/list_view.h"
#include "newsgate/Client.h"
#include "newsgate/filterman.h"
#include "platform/codepage.h"
#include "platform/net.h"

namespace newsgate {

// A filter list of one rule that catches subjects holding the keyword (every article when it is
// empty), installed as the program's filter list for the life of the object.
class ScopedFilters {
 public:
  explicit ScopedFilters(std::vector<std::string> keywords = {}) {
    win::SetACPOverride(932);
    FilterManager = std::make_unique<TFilterManager>();
    TFilterRows rows;
    for (std::string& keyword : keywords) {
      auto filter = std::make_unique<TFilter>();
      filter->FilterType = ftFilter;
      filter->Subject = std::move(keyword);
      rows.push_back(std::move(filter));
    }
    FilterManager->SetFilters(std::move(rows));
  }
  ~ScopedFilters() { FilterManager.reset(); }
};

inline std::string OverviewLine(int number, const std::string& subject,
                                const std::string& date = "Thu, 03 Jul 2003 12:34:56 +0000") {
  return std::to_string(number) + "\t" + subject + "\tposter@example.com\t" + date + "\t<" +
         std::to_string(number) +
         "@example>\t\t1234\t20\tXref: example misc.test:" + std::to_string(number);
}

// A news server that answers each command line with the chunks `answer` gives, one chunk per
// step, so that each chunk reaches the session in a read of its own.
class ScriptedServer {
 public:
  std::function<std::vector<std::string>(const std::string& line)> answer;
  std::vector<std::string> greeting{"200 scripted server\r\n"};
  std::vector<std::string> received;  // command lines, in order
  std::unique_ptr<win::net::MemorySocket> end;

  void Connected(std::unique_ptr<win::net::MemorySocket> socket) {
    end = std::move(socket);
    chunks.insert(chunks.end(), greeting.begin(), greeting.end());
  }
  // One step: takes the lines sent so far, then sends one chunk. False when nothing happened.
  bool Step() {
    if (!end) return false;
    input += end->ReceiveAll();
    bool took = false;
    for (std::size_t at; (at = input.find("\r\n")) != std::string::npos;) {
      std::string line = input.substr(0, at);
      input.erase(0, at + 2);
      received.push_back(line);
      took = true;
      if (answer)
        for (std::string& chunk : answer(line)) chunks.push_back(std::move(chunk));
    }
    if (chunks.empty()) return took;
    std::string chunk = std::move(chunks.front());
    chunks.pop_front();
    if (chunk == "<reset>") {
      end->Reset();
    } else if (chunk == "<close>") {
      end.reset();
    } else {
      std::size_t sent;
      end->Send(chunk.data(), chunk.size(), sent);
    }
    return true;
  }

  std::deque<std::string> chunks;
  std::string input;
};

// A session over in-memory sockets: the test is the newsreader; every connection goes to the
// scripted server (host "news"; any other host does not resolve).
class MemorySession {
 public:
  explicit MemorySession(forms::TListItem* row = nullptr) {
    auto [reader, client] = win::net::MemorySocket::Pair();
    reader_ = std::move(reader);
    client_ = std::move(client);
    client_->SetRemoteAddress("192.0.2.7");
    network.OnConnect = [this](const std::string& host, std::uint16_t port,
                               std::unique_ptr<win::net::Socket>& socket) -> win::DWORD {
      if (host != "news") return win::WSAHOST_NOT_FOUND;
      ports.push_back(port);
      auto [mine, theirs] = win::net::MemorySocket::Pair();
      if (neverConnect)
        mine->SetConnectResult(win::WSAEWOULDBLOCK);
      else
        server.Connected(std::move(theirs));
      socket = std::move(mine);
      return 0;
    };
    network.OnIdle = [this] { return server.Step(); };
    session = std::make_unique<TProxyClient>(*client_, row, network, &wake);
  }

  // Sends bytes as the newsreader, runs the session until nothing more happens and returns what
  // the newsreader received meanwhile.
  std::string Send(const std::string& bytes) {
    std::size_t sent;
    if (!bytes.empty()) reader_->Send(bytes.data(), bytes.size(), sent);
    Run();
    return reader_->ReceiveAll();
  }
  // Runs the connection loop until a wait passes with nothing to do or the session ends.
  void Run() {
    while (session->Connected()) {
      std::uint64_t before = network.Now();
      if (session->WaitForEvents(250)) {
        if (!session->ReadClient()) return;
      } else if (network.Now() != before) {
        return;
      }
    }
  }
  // Logs in to the scripted server (which answers the login commands itself).
  std::string Login() {
    Send("");
    Send("AUTHINFO USER news\r\n");
    return Send("AUTHINFO PASS pw\r\n");
  }
  win::net::MemorySocket& Reader() { return *reader_; }

  // Declared first, destroyed last: the session refers to them.
 private:
  std::unique_ptr<win::net::MemorySocket> reader_;
  std::unique_ptr<win::net::MemorySocket> client_;

 public:
  win::net::MemoryNetwork network;
  ScriptedServer server;
  win::net::Waker wake;
  std::vector<std::uint16_t> ports;
  bool neverConnect = false;
  std::unique_ptr<TProxyClient> session;
};

}  // namespace newsgate
