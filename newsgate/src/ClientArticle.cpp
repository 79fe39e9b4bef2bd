// ARTICLE and BODY: the article passes line by line up to its terminating "." line, each line
// through the article conversion.
#include "newsgate/Client.h"

namespace newsgate {

void TProxyClient::DoArticle() {
  int code = Relay();
  if (code == 220 || code == 222) {
    ResponseState = rsArticle;
    article_.Start(code == 222);
  }
  PassStatus();
  ProcessUpstream(true);
  if (code != 220 && code != 222) CommandLine.clear();
}

// Lines arrive dot-stuffed as the server sent them; the terminating line is exactly ".".
void TProxyClient::RelayArticle() {
  lines_.clear();
  TakeUpstreamLines(lines_);
  out_.clear();
  std::size_t used = 0;
  bool ended = false;
  for (std::string_view line : lines_) {
    used = LineEnd(line);
    if (line == ".") {
      ended = true;
      break;
    }
    article_.Feed(line, out_);
  }
  if (ended) {
    article_.Finish(out_);
    out_.append(".\r\n");
  }
  if (!out_.empty()) SendToClient(out_);
  ConsumeUpstream(used);
  if (ended) {
    ResponseState = rsStatus;
    CommandLine.clear();
  } else {
    CheckServerLine();
  }
}

}  // namespace newsgate
