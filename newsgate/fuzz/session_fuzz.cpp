// A session over in-memory sockets, fed random newsreader and server byte streams: the input is a
// script of steps, each an operation byte, a 16-bit length and that many bytes.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "newsgate/Client.h"
#include "newsgate/filterman.h"
#include "platform/codepage.h"
#include "platform/net.h"

namespace {

using newsgate::TProxyClient;
using win::net::MemorySocket;

enum Op { kClientBytes, kServerBytes, kServerReset, kServerClose, kTimePasses, kLongServerLine };

struct Step {
  Op op;
  std::string bytes;
};

class Harness {
 public:
  Harness(const std::uint8_t* data, std::size_t size) {
    bool login = size > 0 && (data[0] & 1);
    for (std::size_t at = 1; at + 3 <= size;) {
      Op op = static_cast<Op>(data[at] % 6);
      std::size_t length = std::min<std::size_t>(data[at + 1] | (data[at + 2] << 8), size - at - 3);
      steps_.push_back({op, std::string(reinterpret_cast<const char*>(data + at + 3), length)});
      at += 3 + length;
    }
    if (login) {
      steps_.push_front({kClientBytes, "AUTHINFO USER news\r\nAUTHINFO PASS x\r\n"});
      serverQueue_.push_back("200 fuzz server\r\n");
    }
    auto [reader, client] = MemorySocket::Pair();
    reader_ = std::move(reader);
    client_ = std::move(client);
    network_.OnConnect = [this](const std::string& host, std::uint16_t,
                                std::unique_ptr<win::net::Socket>& socket) -> win::DWORD {
      if (host != "news") return win::WSAHOST_NOT_FOUND;
      auto [mine, theirs] = MemorySocket::Pair();
      server_ = std::move(theirs);
      socket = std::move(mine);
      return 0;
    };
    network_.OnIdle = [this] { return Next(); };
  }

  void Run() {
    TProxyClient session(*client_, nullptr, network_);
    for (int turns = 0; turns < 100000 && session.Connected(); ++turns) {
      if (session.WaitForEvents(250)) {
        if (!session.ReadClient()) break;
      } else if (ended_) {
        break;
      }
    }
  }

 private:
  // One step of the script; false when it made nothing happen.
  bool Next() {
    reader_->ReceiveAll();  // what the newsreader got is not kept
    if (server_) server_->ReceiveAll();
    if (server_ && !serverQueue_.empty()) {
      Send(*server_, serverQueue_.front());
      serverQueue_.pop_front();
      return true;
    }
    if (steps_.empty()) {
      if (ended_) return false;
      reader_->ShutdownSend();  // the newsreader leaves at the end of the script
      ended_ = true;
      return true;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    switch (step.op) {
      case kClientBytes:
        Send(*reader_, step.bytes);
        return true;
      case kServerBytes:
        serverQueue_.push_back(std::move(step.bytes));
        return true;
      case kLongServerLine: {
        // up to about 13 MB without a line end
        std::string chunk = step.bytes.empty() ? std::string(65536, 'x') : step.bytes;
        for (std::size_t i = 0, n = chunk.size() % 200 + 1; i < n; ++i)
          serverQueue_.push_back(chunk);
        return true;
      }
      case kServerReset:
        if (server_) server_->Reset();
        return true;
      case kServerClose:
        server_.reset();
        return true;
      case kTimePasses:
        return false;
    }
    return false;
  }

  static void Send(MemorySocket& socket, const std::string& bytes) {
    std::size_t sent;
    socket.Send(bytes.data(), bytes.size(), sent);
  }

  std::deque<Step> steps_;
  std::deque<std::string> serverQueue_;
  bool ended_ = false;
  std::unique_ptr<MemorySocket> reader_, client_, server_;
  win::net::MemoryNetwork network_;
};

void InstallFilters() {
  win::SetACPOverride(932);
  newsgate::FilterManager = std::make_unique<newsgate::TFilterManager>();
  newsgate::TFilterRows rows;
  auto filter = std::make_unique<newsgate::TFilter>();
  filter->FilterType = newsgate::ftFilter;
  filter->Subject = "spam";
  rows.push_back(std::move(filter));
  newsgate::FilterManager->SetFilters(std::move(rows));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool installed = (InstallFilters(), true);
  (void)installed;
  Harness(data, size).Run();
  return 0;
}
