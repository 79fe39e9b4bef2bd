#pragma once
// One NNTP session: the connection of one newsreader, and at most one connection to the news
// server that the newsreader names at login ("[Name@]RealHost[:port]"). The session greets the
// newsreader, takes its command lines one at a time, answers some itself and relays the others,
// and passes the server's answers back: overview lines through the filter list, articles through
// the article conversion.
//
// Everything runs on the connection's thread. The session's waits watch the newsreader, the
// server and the thread's waker together, so server data are handled as soon as they arrive.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "newsgate/Yenc.h"
#include "platform/net.h"

namespace forms {
class TListItem;
}

namespace newsgate {

enum TResponseState { rsStatus = 0, rsOverview = 1, rsArticle = 2, rsRelay = 3 };
enum TUpstreamState { usIdle = 0, usConnecting = 1, usConnected = 2 };

// A reply that ends a command: the message is the complete reply line, CR LF included.
class EReply : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The position of the first CR LF within size bytes, or size when there is none. A bare CR or LF
// ends no line.
std::size_t FindLineEnd(const char* data, std::size_t size);

// Finds the end of a multi-line answer in a stream of bytes that starts at a line start: the
// line "." after a CR LF.
class TEndScanner {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  // The count of bytes up to and including the terminating line, or npos while it has not come.
  std::size_t Feed(const char* data, std::size_t size);

 private:
  enum State { kLineStart, kDot, kDotCr, kText, kTextCr };
  State state_ = kLineStart;
};

// A byte buffer that grows in steps and never shrinks; its bytes are not initialised, so a large
// buffer costs memory only where it is written.
class TByteBuffer {
 public:
  explicit TByteBuffer(std::size_t size) : data_(new char[size]), size_(size) {}
  char* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  // Grows in steps of `step` until `needed` bytes fit, keeping the first `keep` bytes.
  void Fit(std::size_t needed, std::size_t keep, std::size_t step);

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_;
};

class TProxyClient {
 public:
  static constexpr std::size_t kBufferStep = 1048576;
  static constexpr std::size_t kMaxClientLine = 65536;        // a longer line closes the connection
  static constexpr std::size_t kMaxServerLine = kBufferStep;  // a longer one drops the server
  static constexpr std::size_t kClientBacklog = kBufferStep;  // newsreader bytes read ahead at most
  static constexpr std::size_t kClientReadChunk = 65536;
  static constexpr int kConnectTimeoutMs = 30000;
  static constexpr int kReplyTimeoutMs = 120000;  // also the longest silence within an answer
  static constexpr int kSendTimeoutMs = 120000;

  // Greets the newsreader. The session is stored in client.Data; row may be nullptr. A signalled
  // `wake` ends the session's waits and the session.
  TProxyClient(win::net::Socket& client, forms::TListItem* row,
               win::net::Network& network = win::net::SystemNetwork(),
               const win::net::Waker* wake = nullptr);
  ~TProxyClient();
  TProxyClient(const TProxyClient&) = delete;
  TProxyClient& operator=(const TProxyClient&) = delete;

  // Room for n more newsreader bytes at the end of the buffered ones; they count as received.
  char* ReserveClientSpace(std::size_t n);
  // Takes the newsreader bytes just added: ends a relayed answer, then runs the buffered command
  // lines one after another as long as each completes.
  void OnClientData();
  // The read step of the connection: receives the waiting newsreader bytes and takes them. False
  // when the newsreader closed the connection (or it broke); the session then ends.
  bool ReadClient();
  // Waits at most timeoutMs for newsreader bytes, server data and the waker, handling server data
  // and events meanwhile. True when the newsreader connection is readable (bytes or its end).
  bool WaitForEvents(int timeoutMs);
  // The session goes on: the newsreader connection is open and nothing asked the session to end.
  bool Connected() const { return !clientClosed_ && !ending_; }
  // Writes the session's row: identity, newsreader address, server, group, command in progress.
  // Run on the UI thread while the connection's thread waits.
  void UpdateRow();

 private:
  // Marks a command handler as running while it lives.
  struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
  };
  static std::string UpperCase(std::string text);

  // Newsreader side.
  bool ExtractClientLine(std::string& line);
  void RunCommands();
  void ProcessCommand();
  void Dispatch();
  bool SendToClient(std::string_view text);
  void CloseClient();
  void DoQuit();
  void DoMode(std::vector<std::string>& args);

  // Server side: login, sending, waiting.
  void DoAuthInfo(std::vector<std::string>& args);
  void DoPass(const std::string& password);
  bool ConnectUpstream();
  bool SendToUpstream(std::string_view text);
  int WaitUpstreamReply();
  bool Wait(int timeoutMs, bool clientInput);
  void OnUpstreamEvent();
  void OnUpstreamRead();
  char* ReserveUpstreamSpace(std::size_t n);
  bool ExtractStatusLine();
  void UpstreamLost();
  bool AwaitingServer() const;

  // Relay of answers.
  int Relay();
  void PassStatus();
  void DoGroup(const std::vector<std::string>& args);
  void DoXover();
  void DoRelay(const std::string& command);
  bool ForwardArticle();
  void ProcessUpstream(bool calledByHandler);
  std::size_t TakeUpstreamLines(std::vector<std::string_view>& lines);
  void ConsumeUpstream(std::size_t count);
  std::size_t LineEnd(std::string_view line) const;
  void CheckServerLine();
  void EndBatch(std::size_t used, bool ended);
  void FilterOverview();
  bool Caught(std::string_view line) const;
  void EndRelay();

  // Articles.
  void DoArticle();
  void RelayArticle();
  std::size_t UnchangedLines(const char* data, std::size_t size, bool& ended);

  win::net::Network& network_;
  const win::net::Waker* wake_;
  std::unique_ptr<win::net::Socket> Upstream;
  win::net::Socket& Client;
  std::string Host;
  std::uint16_t Port = 119;
  std::string UserName;
  std::string Password;
  std::string Group;
  TByteBuffer ClientBuffer{kBufferStep};
  std::size_t ClientPending = 0;
  TByteBuffer UpstreamBuffer{kBufferStep};
  std::size_t UpstreamPending = 0;
  forms::TListItem* Row;
  bool FilterMode = false;
  TResponseState ResponseState = rsStatus;
  std::string CommandLine;
  std::string StatusLine;
  TUpstreamState UpstreamState = usIdle;

  std::uint32_t id_;
  std::string clientAddress_;
  bool clientClosed_ = false;  // QUIT, an overlong line, or a send that failed
  bool ending_ = false;        // the waker, or the newsreader went away during a wait
  bool inCommand_ = false;     // a command handler is running (and maybe waiting)
  bool posting_ = false;       // the newsreader's lines are an article for the server
  bool relayTracked_ = false;  // a relayed multi-line answer whose end is still to come
  TEndScanner relayEnd_;
  std::uint64_t lastServerData_ = 0;
  std::vector<std::string_view> lines_;  // the current batch, pointing into UpstreamBuffer
  std::string out_;                      // what the current batch sends
  TYencConverter article_;               // the conversion of the article in progress
};

}  // namespace newsgate
