#include "newsgate/Client.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "forms/list_view.h"
#include "newsgate/xover.h"

namespace newsgate {

namespace {

constexpr std::string_view kGreeting = "200 Feldrun ready\r\n";
constexpr std::string_view kBye = "205 OK. Bye!\r\n";
constexpr std::string_view kAuthRequired = "480 Authentication required for command\r\n";
constexpr std::string_view kWhat = "500 What?\r\n";

std::atomic<std::uint32_t> lastSessionId{0};

}  // namespace

// Words are only compared with ASCII keywords, so upper-casing the ASCII letters decides the same
// as the locale's mapping.
std::string TProxyClient::UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::size_t FindLineEnd(const char* data, std::size_t size) {
  const char* end = data + size;
  for (const char* p = data; p < end; ++p) {
    p = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (!p) break;
    if (p > data && p[-1] == '\r') return p - 1 - data;
  }
  return size;
}

void TByteBuffer::Fit(std::size_t needed, std::size_t keep, std::size_t step) {
  if (needed <= size_) return;
  std::size_t size = size_;
  while (size < needed) size += step;
  std::unique_ptr<char[]> grown(new char[size]);
  std::memcpy(grown.get(), data_.get(), keep);
  data_ = std::move(grown);
  size_ = size;
}

TProxyClient::TProxyClient(win::net::Socket& client, forms::TListItem* row,
                           win::net::Network& network, const win::net::Waker* wake)
    : network_(network),
      wake_(wake),
      Client(client),
      Row(row),
      id_(++lastSessionId),
      clientAddress_(client.RemoteAddress()) {
  Client.Data = this;
  SendToClient(kGreeting);
}

TProxyClient::~TProxyClient() { Client.Data = nullptr; }

char* TProxyClient::ReserveClientSpace(std::size_t n) {
  ClientBuffer.Fit(ClientPending + n, ClientPending, kBufferStep);
  char* place = ClientBuffer.data() + ClientPending;
  ClientPending += n;
  return place;
}

// Receives without asking first how much is waiting: one system call per read.
bool TProxyClient::ReadClient() {
  char* place = ReserveClientSpace(kClientReadChunk);
  std::size_t received = 0;
  win::DWORD error = Client.Receive(place, kClientReadChunk, received);
  ClientPending -= kClientReadChunk - received;
  if (error == win::WSAEWOULDBLOCK) return true;  // woken with nothing to read after all
  if (error != 0 || received == 0) {
    CloseClient();
    return false;
  }
  OnClientData();
  return true;
}

void TProxyClient::OnClientData() {
  if (ResponseState == rsRelay && !relayTracked_) EndRelay();
  RunCommands();
}

// The newsreader's next input ends an answer passed on unchanged.
void TProxyClient::EndRelay() {
  ResponseState = rsStatus;
  CommandLine.clear();
}

// A line is taken only while no command is in progress; an answer whose end the session knows
// (overview, article, a multi-line relayed answer) completes first, however early the next line
// came.
void TProxyClient::RunCommands() {
  if (inCommand_) return;
  while (Connected()) {
    if (posting_) {
      if (!ForwardArticle()) return;
      continue;
    }
    if (ResponseState == rsRelay && !relayTracked_ && ClientPending > 0) EndRelay();
    if (!CommandLine.empty()) return;
    std::string line;
    if (!ExtractClientLine(line)) {
      if (ClientPending > kMaxClientLine) CloseClient();
      return;
    }
    CommandLine = std::move(line);
    ProcessCommand();
  }
}

bool TProxyClient::ExtractClientLine(std::string& line) {
  std::size_t end = FindLineEnd(ClientBuffer.data(), ClientPending);
  if (end == ClientPending) return false;
  line.assign(ClientBuffer.data(), end);
  std::memmove(ClientBuffer.data(), ClientBuffer.data() + end + 2, ClientPending - end - 2);
  ClientPending -= end + 2;
  return true;
}

void TProxyClient::ProcessCommand() {
  Busy busy(inCommand_);
  ResponseState = rsStatus;
  try {
    Dispatch();
  } catch (const std::exception& e) {
    SendToClient(e.what());
    CommandLine.clear();
    ResponseState = rsStatus;
    posting_ = false;
  }
}

void TProxyClient::Dispatch() {
  std::vector<std::string> args;
  SplitWords(CommandLine, args, 1);
  std::string command = UpperCase(args.front());
  args.erase(args.begin());
  if (command == "QUIT") return DoQuit();
  if (command == "AUTHINFO") return DoAuthInfo(args);
  bool connected = UpstreamState == usConnected;
  if (command == "MODE" || command == "GROUP" || command == "XOVER" || command == "ARTICLE" ||
      command == "BODY") {
    if (!connected) throw EReply(std::string(kAuthRequired));
    if (command == "MODE") return DoMode(args);
    if (command == "GROUP") return DoGroup(args);
    if (command == "XOVER") return DoXover();
    return DoArticle();
  }
  if (connected) return DoRelay(command);
  SendToClient(kWhat);
  CommandLine.clear();
}

void TProxyClient::DoQuit() {
  SendToClient(kBye);
  CloseClient();
}

void TProxyClient::DoMode(std::vector<std::string>& args) {
  if (args.size() != 1) {
    SendToClient(FilterMode ? "501 filter\r\n" : "501 reader\r\n");
    CommandLine.clear();
    return;
  }
  if (UpperCase(args[0]) == "FILTER") FilterMode = true;
  SendToUpstream("MODE READER\r\n");
  WaitUpstreamReply();
  PassStatus();
  CommandLine.clear();
}

bool TProxyClient::SendToClient(std::string_view text) {
  if (clientClosed_) return false;
  if (win::net::SendAll(network_, Client, text, kSendTimeoutMs) == 0) return true;
  CloseClient();  // gone, or it takes nothing for too long
  return false;
}

void TProxyClient::CloseClient() {
  Client.Shutdown();
  clientClosed_ = true;
}

void TProxyClient::UpdateRow() {
  if (!Row) return;
  char id[9];
  std::snprintf(id, sizeof id, "%08X", id_);
  Row->SetCaption(id);
  Row->SetSubItems({clientAddress_, "", Host, Group, CommandLine});
}

}  // namespace newsgate
