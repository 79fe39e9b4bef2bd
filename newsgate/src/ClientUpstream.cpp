// The login to the news server the newsreader names, and the primitives every relaying command
// uses: sending a command line to the server, waiting for its status line, receiving its data.
#include <cstring>

#include "newsgate/Client.h"
#include "newsgate/strconv.h"

namespace newsgate {

namespace {

constexpr std::string_view kUsage = "501 user [Name@]RealHost[:port]|pass [Password]\r\n";
constexpr std::size_t kReadChunk = 256 * 1024;

}  // namespace

void TProxyClient::DoAuthInfo(std::vector<std::string>& args) {
  args.emplace_back();
  args.emplace_back();
  std::string sub = UpperCase(args[0]);
  if (sub == "PASS") return DoPass(args[1]);
  if (sub != "USER") throw EReply(std::string(kUsage));
  Host = args[1];
  if (std::size_t at = Host.find('@'); at != std::string::npos) {
    UserName = Host.substr(0, at);
    Host.erase(0, at + 1);
  }
  if (std::size_t colon = Host.find(':'); colon != std::string::npos) {
    Port = static_cast<std::uint16_t>(StrToIntDef(std::string_view(Host).substr(colon + 1), 0));
    Host.erase(colon);
  }
  CommandLine.clear();
  SendToClient("381 PASS required for " + Host + "\r\n");
}

void TProxyClient::DoPass(const std::string& password) {
  Password = password;
  if (UpstreamState == usIdle) {
    if (!ConnectUpstream()) throw EReply("502 Connection failed.\r\n");
    int code = WaitUpstreamReply();
    if (code != 200 && code != 201) throw EReply("502 connection failed.[" + StatusLine + "]\r\n");
  }
  if (!UserName.empty()) {
    SendToUpstream("AUTHINFO USER " + UserName + "\r\n");
    if (WaitUpstreamReply() != 381) throw EReply("502 authinfo user fail.\r\n");
    SendToUpstream("AUTHINFO PASS " + Password + "\r\n");
    if (WaitUpstreamReply() != 281) throw EReply("502 authinfo pass fail.\r\n");
  }
  CommandLine.clear();
  SendToClient("281 " + StatusLine + "\r\n");
}

bool TProxyClient::ConnectUpstream() {
  // What an earlier connection left must not pass for this server's greeting.
  StatusLine.clear();
  UpstreamPending = 0;
  UpstreamState = usConnecting;
  if (network_.Connect(Host, Port, Upstream) != 0) {
    UpstreamLost();
    return false;
  }
  std::uint64_t deadline = network_.Now() + kConnectTimeoutMs;
  while (UpstreamState == usConnecting && Connected()) {
    std::uint64_t now = network_.Now();
    if (now >= deadline) break;
    Wait(static_cast<int>(deadline - now), false);
  }
  if (UpstreamState == usConnected) return true;
  UpstreamLost();
  return false;
}

bool TProxyClient::SendToUpstream(std::string_view text) {
  StatusLine.clear();
  UpstreamPending = 0;
  if (UpstreamState != usConnected) return false;
  lastServerData_ = network_.Now();
  if (win::net::SendAll(network_, *Upstream, text, kSendTimeoutMs) == 0) return true;
  UpstreamLost();
  return false;
}

int TProxyClient::WaitUpstreamReply() {
  std::uint64_t deadline = network_.Now() + kReplyTimeoutMs;
  while (StatusLine.empty() && UpstreamState == usConnected && Connected()) {
    std::uint64_t now = network_.Now();
    if (now >= deadline) break;
    Wait(static_cast<int>(deadline - now), false);
  }
  if (StatusLine.empty()) {
    UpstreamLost();  // closed, silent for too long, or the session ends
    return -1;
  }
  std::int32_t code = -1;
  return TryStrToInt(std::string_view(StatusLine).substr(0, 3), code) ? code : -1;
}

bool TProxyClient::WaitForEvents(int timeoutMs) {
  bool readable = Wait(timeoutMs, ClientPending < kClientBacklog);
  if (AwaitingServer() && network_.Now() - lastServerData_ >= kReplyTimeoutMs) {
    UpstreamLost();
    ProcessUpstream(false);
  }
  if (ClientPending > 0) RunCommands();  // an answer may have ended with lines waiting behind it
  return readable;
}

// While a command handler waits, only the newsreader's going away counts on its side: its
// further lines wait until the command is complete.
bool TProxyClient::Wait(int timeoutMs, bool clientInput) {
  using namespace win::net;
  WaitItem items[2] = {
      {&Client, (clientInput ? kReadable : 0u) | kHangup},
      {Upstream.get(), UpstreamState == usConnecting ? kWritable : kReadable},
  };
  std::size_t count = Upstream ? 2 : 1;
  network_.Wait({items, count}, wake_, timeoutMs);
  if (wake_ && wake_->Signalled()) ending_ = true;
  if (count == 2 && items[1].ready) OnUpstreamEvent();
  if (clientInput) return items[0].ready != 0;
  if (items[0].ready) ending_ = true;
  return false;
}

void TProxyClient::OnUpstreamEvent() {
  if (UpstreamState == usConnecting) {
    win::DWORD result = Upstream->FinishConnect();
    if (result == 0)
      UpstreamState = usConnected;
    else if (result != win::WSAEWOULDBLOCK)
      UpstreamLost();
    return;
  }
  OnUpstreamRead();
}

void TProxyClient::OnUpstreamRead() {
  char* place = ReserveUpstreamSpace(kReadChunk);
  std::size_t received = 0;
  win::DWORD error = Upstream->Receive(place, kReadChunk, received);
  UpstreamPending -= kReadChunk - received;
  if (error == win::WSAEWOULDBLOCK) return;
  if (error != 0 || received == 0) UpstreamLost();
  lastServerData_ = network_.Now();
  ProcessUpstream(false);
}

char* TProxyClient::ReserveUpstreamSpace(std::size_t n) {
  UpstreamBuffer.Fit(UpstreamPending + n, UpstreamPending, kBufferStep);
  char* place = UpstreamBuffer.data() + UpstreamPending;
  UpstreamPending += n;
  return place;
}

bool TProxyClient::ExtractStatusLine() {
  const char* data = UpstreamBuffer.data();
  std::size_t end = FindLineEnd(data, UpstreamPending);
  if (end == UpstreamPending) return false;
  StatusLine.assign(data, end);
  ConsumeUpstream(end + 2);
  return true;
}

// The buffered data stay: what arrived before the end is still handled.
void TProxyClient::UpstreamLost() {
  Upstream.reset();
  UpstreamState = usIdle;
}

bool TProxyClient::AwaitingServer() const {
  return ResponseState == rsOverview || ResponseState == rsArticle ||
         (ResponseState == rsRelay && relayTracked_);
}

}  // namespace newsgate
