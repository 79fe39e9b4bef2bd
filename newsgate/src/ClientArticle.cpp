// ARTICLE and BODY: the article passes up to its terminating "." line through the article
// conversion.
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

// Lines arrive dot-stuffed as the server sent them; the terminating line is exactly ".". Lines
// that pass unchanged go out as they came, straight from the receive buffer and in one send per
// run; only the lines the conversion changes are built in out_.
void TProxyClient::RelayArticle() {
  const char* data = UpstreamBuffer.data();
  std::size_t used = 0;
  std::size_t run = 0;  // the unchanged bytes just before `used`, not sent yet
  bool ended = false;
  out_.clear();
  while (!ended) {
    if (std::size_t n = UnchangedLines(data + used, UpstreamPending - used, ended)) {
      if (!out_.empty()) SendToClient(out_);
      out_.clear();
      run += n;
      used += n;
      continue;
    }
    std::size_t length = FindLineEnd(data + used, UpstreamPending - used);
    if (length == UpstreamPending - used) break;
    if (run > 0) SendToClient({data + used - run, run});
    run = 0;
    std::string_view line(data + used, length);
    used += length + 2;
    if (line == ".") {
      ended = true;
      article_.Finish(out_);
      out_.append(".\r\n");
    } else {
      article_.Feed(line, out_);
    }
  }
  if (run > 0) SendToClient({data + used - run, run});
  EndBatch(used, ended);
}

// The count of the leading complete lines of data that pass unchanged; outside yEnc data the
// terminating line is one of them, and ended is then set.
std::size_t TProxyClient::UnchangedLines(const char* data, std::size_t size, bool& ended) {
  std::size_t used = 0;
  while (article_.ArticlePhase() != apYenc) {
    std::size_t length = FindLineEnd(data + used, size - used);
    if (length == size - used) break;
    std::string_view line(data + used, length);
    if (line == ".") {
      ended = true;
      return used + 3;
    }
    if (!article_.TakeUnchanged(line)) break;
    used += length + 2;
  }
  return used;
}

}  // namespace newsgate
