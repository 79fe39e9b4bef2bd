// The relay of commands and answers: GROUP, XOVER with its overview lines run through the filter
// list, posting, and every other command passed on unchanged.
#include <cstring>

#include "newsgate/Client.h"
#include "newsgate/filterman.h"
#include "newsgate/xover.h"

namespace newsgate {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kServerLost = "400 Connection to the news server lost.\r\n";

// Answers of these codes are multi-line, so the next command waits for their end. 211 is
// multi-line only as the answer to LISTGROUP.
bool IsMultiLineReply(const std::string& command, int code) {
  switch (code) {
    case 100:  // HELP
    case 101:  // CAPABILITIES
    case 215:  // LIST
    case 220:  // ARTICLE
    case 221:  // HEAD, XHDR, XPAT
    case 222:  // BODY
    case 224:  // OVER
    case 225:  // HDR
    case 230:  // NEWNEWS
    case 231:  // NEWGROUPS
    case 282:  // XGTITLE
      return true;
    case 211:
      return command == "LISTGROUP";
    default:
      return false;
  }
}

}  // namespace

std::size_t TEndScanner::Feed(const char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    char c = data[i];
    switch (state_) {
      case kText: {
        const void* cr = std::memchr(data + i, '\r', size - i);
        if (!cr) return npos;
        i = static_cast<const char*>(cr) - data;
        state_ = kTextCr;
        break;
      }
      case kTextCr:
        state_ = c == '\n' ? kLineStart : c == '\r' ? kTextCr : kText;
        break;
      case kLineStart:
        state_ = c == '.' ? kDot : c == '\r' ? kTextCr : kText;
        break;
      case kDot:
        state_ = c == '\r' ? kDotCr : kText;
        break;
      case kDotCr:
        if (c == '\n') {
          state_ = kLineStart;
          return i + 1;
        }
        state_ = c == '\r' ? kTextCr : kText;
        break;
    }
  }
  return npos;
}

int TProxyClient::Relay() {
  SendToUpstream(CommandLine + "\r\n");
  return WaitUpstreamReply();
}

// A lost server gets a status line of its own instead of an empty one.
void TProxyClient::PassStatus() {
  if (StatusLine.empty())
    SendToClient(kServerLost);
  else
    SendToClient(StatusLine + "\r\n");
}

void TProxyClient::DoGroup(const std::vector<std::string>& args) {
  int code = Relay();
  if (code == 211) Group = args.empty() ? std::string() : args.front();
  CommandLine.clear();
  PassStatus();
}

void TProxyClient::DoXover() {
  int code = Relay();
  if (code == 224) ResponseState = rsOverview;
  PassStatus();
  ProcessUpstream(true);
  if (code != 224) CommandLine.clear();
}

void TProxyClient::DoRelay(const std::string& command) {
  int code = Relay();
  PassStatus();
  if (StatusLine.empty()) {
    CommandLine.clear();
    return;
  }
  if ((command == "POST" && code == 340) || (command == "IHAVE" && code == 335)) {
    // The server's final reply is the first line it sends after the article.
    StatusLine.clear();
    UpstreamPending = 0;
    posting_ = true;
    return;
  }
  ResponseState = rsRelay;
  relayTracked_ = IsMultiLineReply(command, code);
  relayEnd_ = TEndScanner();
  ProcessUpstream(true);
}

// Passes the newsreader's lines to the server unchanged up to and including the terminating "."
// line, then the server's final reply back. False while the article is incomplete.
bool TProxyClient::ForwardArticle() {
  const char* data = ClientBuffer.data();
  std::size_t used = 0;
  bool last = false;
  while (!last) {
    std::size_t end = FindLineEnd(data + used, ClientPending - used);
    if (end == ClientPending - used) break;
    last = end == 1 && data[used] == '.';
    used += end + 2;
  }
  if (used > 0 && UpstreamState == usConnected &&
      win::net::SendAll(network_, *Upstream, {data, used}, kSendTimeoutMs) != 0)
    UpstreamLost();  // the rest of the article is taken and dropped; the reply tells the loss
  std::memmove(ClientBuffer.data(), data + used, ClientPending - used);
  ClientPending -= used;
  if (!last) {
    if (ClientPending > kMaxClientLine) CloseClient();
    return false;
  }
  posting_ = false;
  Busy busy(inCommand_);
  WaitUpstreamReply();
  PassStatus();
  CommandLine.clear();
  return true;
}

void TProxyClient::ProcessUpstream(bool calledByHandler) {
  switch (ResponseState) {
    case rsStatus:
      if (StatusLine.empty()) {
        while (StatusLine.empty() && ExtractStatusLine()) {
        }
        if (StatusLine.empty()) CheckServerLine();
      } else if (calledByHandler) {
        SendToClient({UpstreamBuffer.data(), UpstreamPending});
        UpstreamPending = 0;
      } else if (!inCommand_) {
        UpstreamPending = 0;  // nothing waits for them; the next command would drop them anyway
      }
      break;
    case rsOverview:
      FilterOverview();
      break;
    case rsArticle:
      RelayArticle();
      break;
    case rsRelay:
      if (relayTracked_ && relayEnd_.Feed(UpstreamBuffer.data(), UpstreamPending) != relayEnd_.npos)
        relayTracked_ = false;  // the answer is complete; the command ends with the next input
      SendToClient({UpstreamBuffer.data(), UpstreamPending});
      UpstreamPending = 0;
      break;
  }
  if (UpstreamState != usConnected && AwaitingServer()) {
    // The answer cannot end any more: the command is over, incomplete.
    ResponseState = rsStatus;
    relayTracked_ = false;
    CommandLine.clear();
  }
}

std::size_t TProxyClient::TakeUpstreamLines(std::vector<std::string_view>& lines) {
  const char* start = UpstreamBuffer.data();
  const char* end = start + UpstreamPending;
  while (start < end) {
    std::size_t length = FindLineEnd(start, end - start);
    if (length == static_cast<std::size_t>(end - start)) break;
    lines.emplace_back(start, length);
    start += length + 2;
  }
  return lines.size();
}

// The count of buffered bytes up to the end of line (a view into the buffer), CR LF included.
std::size_t TProxyClient::LineEnd(std::string_view line) const {
  return line.data() + line.size() + 2 - UpstreamBuffer.data();
}

void TProxyClient::ConsumeUpstream(std::size_t count) {
  std::memmove(UpstreamBuffer.data(), UpstreamBuffer.data() + count, UpstreamPending - count);
  UpstreamPending -= count;
}

// The buffered bytes hold no line end: beyond the line limit the server is dropped.
void TProxyClient::CheckServerLine() {
  if (UpstreamPending > kMaxServerLine) UpstreamLost();
}

// After a batch of a multi-line answer: what it produced goes out, its used bytes leave the
// buffer, and the answer ends at its terminating line.
void TProxyClient::EndBatch(std::size_t used, bool ended) {
  if (!out_.empty()) SendToClient(out_);
  ConsumeUpstream(used);
  if (ended) {
    ResponseState = rsStatus;
    CommandLine.clear();
  } else {
    CheckServerLine();
  }
}

// Filtered in the batches in which the lines arrive: one send per batch.
void TProxyClient::FilterOverview() {
  lines_.clear();
  TakeUpstreamLines(lines_);
  out_.clear();
  std::size_t used = 0;
  bool ended = false;
  for (std::string_view line : lines_) {
    used = LineEnd(line);
    if (!line.empty() && line.front() == '.') {
      out_.append(line).append(kCrLf);
      ended = true;
      break;
    }
    if (!Caught(line))
      out_.append(line).append(kCrLf);
    else if (FilterMode)
      out_.append("filtered").append(kCrLf);
  }
  EndBatch(used, ended);
}

// A line the overview parser rejects passes unfiltered.
bool TProxyClient::Caught(std::string_view line) const {
  if (!FilterManager) return false;
  TXOVER record;
  try {
    record.Parse(line);
  } catch (const std::exception&) {
    return false;
  }
  TOverviewInfo info;
  record.FillInfo(info);
  info.group = Group;
  int type = 0;
  return FilterManager->Check(info, type);
}

}  // namespace newsgate
