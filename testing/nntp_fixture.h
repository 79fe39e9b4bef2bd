#pragma once
// A small NNTP server for tests and benchmarks, on the loopback address only: greeting,
// AUTHINFO, MODE READER, LIST, GROUP, XOVER/OVER, ARTICLE, BODY, HEAD, STAT, POST, IHAVE, DATE
// and QUIT over the articles it is given. A test can answer commands its own way and drop the
// connection at a chosen point. Also a blocking newsreader side (NntpClient) for the tests.
//
// Plain POSIX sockets, one thread per connection, independent of the code under test.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace nntp_fixture {

struct Article {
  std::int64_t number = 0;
  std::string messageId;  // "<...>"
  std::string subject, from, date, references, xref;
  std::string body;  // lines ended by CR LF, not dot-stuffed
};

// CR LF lines with a "." in front of every line that starts with one.
inline std::string DotStuff(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 64 + 16);
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = c == '\n';
  }
  return out;
}

inline std::string UpperWord(std::string_view line) {
  std::string word(line.substr(0, line.find_first_of(" \t")));
  for (char& c : word)
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
  return word;
}

inline bool SendAllFd(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Reads CR LF lines from a descriptor; timeoutMs < 0 waits without limit.
class LineReader {
 public:
  explicit LineReader(int fd, int timeoutMs = 10000) : fd_(fd), timeoutMs_(timeoutMs) {}
  // The next line without CR LF, or nullopt when the connection ended or timed out.
  std::optional<std::string> ReadLine() {
    std::size_t searched = 0;  // bytes after pos_ known to hold no CR LF
    while (true) {
      std::size_t end = buffer_.find("\r\n", pos_ + searched);
      if (end != std::string::npos) {
        std::string line = buffer_.substr(pos_, end - pos_);
        pos_ = end + 2;
        return line;
      }
      std::size_t left = buffer_.size() - pos_;
      searched = left > 0 ? left - 1 : 0;
      if (!Fill()) return std::nullopt;
    }
  }
  // Everything until the peer closes (or the time limit), the buffered bytes included.
  std::string ReadToEnd() {
    while (Fill()) {
    }
    std::string all = buffer_.substr(pos_);
    buffer_.clear();
    pos_ = 0;
    return all;
  }

 private:
  bool Fill() {
    if (pos_ > 0) {
      buffer_.erase(0, pos_);
      pos_ = 0;
    }
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, timeoutMs_) <= 0) return false;
    char chunk[65536];
    ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  int fd_;
  int timeoutMs_;
  std::string buffer_;
  std::size_t pos_ = 0;  // start of the bytes not yet taken
};

inline int ConnectLoopback(std::uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

class Server {
 public:
  struct Drop {
    std::string command;         // command word in upper case
    std::size_t afterBytes = 0;  // of its reply
    bool reset = false;          // RST instead of an orderly close
  };

  std::string greeting = "200 fixture news server ready";  // empty: close at once
  std::map<std::string, std::string> users;  // name -> password; empty: no login needed
  // The test's own reply to a command line (raw bytes), or nullopt for the usual answer.
  std::function<std::optional<std::string>(const std::string& line)> onCommand;
  std::optional<Drop> drop;

  ~Server() { Stop(); }

  void AddArticle(const std::string& group, Article article) {
    if (article.messageId.empty())
      article.messageId = "<" + std::to_string(article.number) + "." + group + "@fixture>";
    std::string wire = DotStuff(article.body) + ".\r\n";
    std::lock_guard lock(mutex_);
    groups_[group][article.number] = {std::move(article), std::move(wire)};
  }
  void AddGroup(const std::string& group) {
    std::lock_guard lock(mutex_);
    groups_[group];
  }

  void Start() {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int on = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listen_, SOMAXCONN);
    socklen_t length = sizeof address;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }

  void Stop() {
    if (listen_ < 0) return;
    stopping_ = true;
    shutdown(listen_, SHUT_RDWR);
    acceptor_.join();
    close(listen_);
    listen_ = -1;
    std::lock_guard lock(mutex_);
    for (auto& c : connections_) shutdown(c.fd, SHUT_RDWR);
    for (auto& c : connections_) c.thread.join();
    connections_.clear();
  }

  std::uint16_t Port() const { return port_; }
  std::vector<std::string> Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
  }
  // Articles received by POST and IHAVE, as sent (dot-stuffed, without the "." line).
  std::vector<std::string> Posted() const {
    std::lock_guard lock(mutex_);
    return posted_;
  }
  int Accepted() const { return accepted_; }

 private:
  struct Connection {
    int fd;
    std::thread thread;
    std::atomic<bool> done{false};
  };
  struct Stored {
    Article article;
    std::string wireBody;  // dot-stuffed, with the terminating line
  };
  struct Reply {
    std::string text;
    std::string_view tail = {};  // sent after text: a stored article body
  };
  struct Session {
    int fd;
    LineReader reader;
    std::string user = {};
    bool authed = false;
    std::string group = {};
  };

  void AcceptLoop() {
    while (!stopping_) {
      int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        if (stopping_) return;
        continue;
      }
      int on = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      ++accepted_;
      std::lock_guard lock(mutex_);
      std::erase_if(connections_, [](Connection& c) {
        if (!c.done) return false;
        c.thread.join();
        return true;
      });
      Connection& c = connections_.emplace_back();
      c.fd = fd;
      c.thread = std::thread([this, &c] {
        Serve(c.fd);
        close(c.fd);
        c.done = true;
      });
    }
  }

  void Serve(int fd) {
    Session s{fd, LineReader(fd, -1)};
    if (greeting.empty() || !SendAllFd(fd, greeting + "\r\n")) return;
    while (auto line = s.reader.ReadLine()) {
      {
        std::lock_guard lock(mutex_);
        commands_.push_back(*line);
      }
      std::string word = UpperWord(*line);
      Reply reply;
      if (auto own = onCommand ? onCommand(*line) : std::nullopt)
        reply.text = *own;
      else
        reply = Answer(s, word, *line);
      if (drop && drop->command == word) {
        std::size_t n = std::min(drop->afterBytes, reply.text.size());
        SendAllFd(fd, std::string_view(reply.text).substr(0, n));
        SendAllFd(fd, reply.tail.substr(0, std::min(drop->afterBytes - n, reply.tail.size())));
        if (drop->reset) {
          linger hard{1, 0};
          setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        return;
      }
      if (!SendAllFd(fd, reply.text) || !SendAllFd(fd, reply.tail) || word == "QUIT") return;
    }
  }

  // The answer to one command; POST and IHAVE read their article here.
  Reply Answer(Session& s, const std::string& word, const std::string& line) {
    std::string arg = line.size() > word.size() ? line.substr(word.size() + 1) : "";
    if (word == "QUIT") return {"205 closing connection\r\n"};
    if (word == "AUTHINFO") return {Login(s, arg)};
    if (!users.empty() && !s.authed && word != "MODE") return {"480 authentication required\r\n"};
    if (word == "MODE") return {"200 posting allowed\r\n"};
    if (word == "DATE") return {"111 20240101000000\r\n"};
    if (word == "POST" || word == "IHAVE") return {Receive(s, word == "POST")};
    std::lock_guard lock(mutex_);
    if (word == "LIST" && UpperWord(arg) == "OVERVIEW.FMT")
      return {
          "215 order of fields\r\nSubject:\r\nFrom:\r\nDate:\r\nMessage-ID:\r\n"
          "References:\r\nBytes:\r\nLines:\r\nXref:full\r\n.\r\n"};
    if (word == "LIST") {
      std::string out = "215 list of newsgroups follows\r\n";
      for (auto& [name, articles] : groups_) out += name + " " + Range(articles) + " y\r\n";
      return {out + ".\r\n"};
    }
    if (word == "GROUP") {
      auto it = groups_.find(arg);
      if (it == groups_.end()) return {"411 no such newsgroup\r\n"};
      s.group = arg;
      auto& a = it->second;
      std::string first = a.empty() ? "0" : std::to_string(a.begin()->first);
      std::string last = a.empty() ? "0" : std::to_string(a.rbegin()->first);
      return {"211 " + std::to_string(a.size()) + " " + first + " " + last + " " + arg + "\r\n"};
    }
    if (word == "XOVER" || word == "OVER") {
      if (s.group.empty()) return {"412 no newsgroup selected\r\n"};
      auto [low, high] = ParseRange(arg);
      std::string out = "224 overview information follows\r\n";
      for (auto& [number, stored] : groups_[s.group])
        if (number >= low && number <= high) out += Overview(stored.article);
      return {out + ".\r\n"};
    }
    if (word == "ARTICLE" || word == "BODY" || word == "HEAD" || word == "STAT") {
      if (s.group.empty() && !arg.starts_with("<")) return {"412 no newsgroup selected\r\n"};
      const Stored* found = Find(s, arg);
      if (!found)
        return {arg.starts_with("<") ? "430 no such article\r\n" : "423 no such article\r\n"};
      const Article& a = found->article;
      std::string id = std::to_string(a.number) + " " + a.messageId;
      if (word == "STAT") return {"223 " + id + "\r\n"};
      if (word == "HEAD") return {"221 " + id + "\r\n" + Head(a) + ".\r\n"};
      if (word == "BODY") return {"222 " + id + "\r\n", found->wireBody};
      return {"220 " + id + "\r\n" + Head(a) + "\r\n", found->wireBody};
    }
    return {"500 unknown command\r\n"};
  }

  std::string Login(Session& s, const std::string& arg) {
    std::string sub = UpperWord(arg);
    std::string value = arg.size() > sub.size() ? arg.substr(sub.size() + 1) : "";
    if (sub == "USER") {
      s.user = value;
      return "381 password required\r\n";
    }
    if (sub == "PASS") {
      auto it = users.find(s.user);
      s.authed = it != users.end() && it->second == value;
      return s.authed ? "281 authentication accepted\r\n" : "481 authentication failed\r\n";
    }
    return "501 syntax error\r\n";
  }

  std::string Receive(Session& s, bool post) {
    if (!SendAllFd(s.fd, post ? "340 send article\r\n" : "335 send article\r\n")) return "";
    std::string article;
    while (auto line = s.reader.ReadLine()) {
      if (*line == ".") {
        std::lock_guard lock(mutex_);
        posted_.push_back(article);
        return post ? "240 article received\r\n" : "235 article transferred\r\n";
      }
      article += *line + "\r\n";
    }
    return "";
  }

  const Stored* Find(Session& s, const std::string& arg) {
    if (arg.starts_with("<")) {
      for (auto& [name, articles] : groups_)
        for (auto& [number, stored] : articles)
          if (stored.article.messageId == arg) return &stored;
      return nullptr;
    }
    auto& articles = groups_[s.group];
    auto it = articles.find(std::atoll(arg.c_str()));
    return it == articles.end() ? nullptr : &it->second;
  }

  static std::string Head(const Article& a) {
    return "From: " + a.from + "\r\nSubject: " + a.subject + "\r\nDate: " + a.date +
           "\r\nMessage-ID: " + a.messageId + "\r\n";
  }
  static std::string Overview(const Article& a) {
    std::size_t lines = std::count(a.body.begin(), a.body.end(), '\n');
    return std::to_string(a.number) + "\t" + a.subject + "\t" + a.from + "\t" + a.date + "\t" +
           a.messageId + "\t" + a.references + "\t" + std::to_string(a.body.size()) + "\t" +
           std::to_string(lines) + "\tXref: " + a.xref + "\r\n";
  }
  static std::string Range(const std::map<std::int64_t, Stored>& a) {
    if (a.empty()) return "0 1";
    return std::to_string(a.rbegin()->first) + " " + std::to_string(a.begin()->first);
  }
  static std::pair<std::int64_t, std::int64_t> ParseRange(const std::string& arg) {
    if (arg.empty()) return {INT64_MIN, INT64_MAX};
    std::size_t dash = arg.find('-');
    std::int64_t low = std::atoll(arg.c_str());
    if (dash == std::string::npos) return {low, low};
    std::string high = arg.substr(dash + 1);
    return {low, high.empty() ? INT64_MAX : std::atoll(high.c_str())};
  }

  int listen_ = -1;
  std::uint16_t port_ = 0;
  std::thread acceptor_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  mutable std::mutex mutex_;
  std::map<std::string, std::map<std::int64_t, Stored>> groups_;
  std::vector<std::string> commands_;
  std::vector<std::string> posted_;
  std::list<Connection> connections_;
};

// A blocking newsreader for tests: one connection, lines in and out.
class NntpClient {
 public:
  explicit NntpClient(std::uint16_t port, int timeoutMs = 10000)
      : fd_(ConnectLoopback(port)), reader_(fd_, timeoutMs) {}
  ~NntpClient() {
    if (fd_ >= 0) close(fd_);
  }
  NntpClient(const NntpClient&) = delete;
  NntpClient& operator=(const NntpClient&) = delete;

  bool Connected() const { return fd_ >= 0; }
  bool Send(std::string_view bytes) { return SendAllFd(fd_, bytes); }
  // Sends the line with CR LF and returns the status line of the answer ("" when none came).
  std::string Command(std::string_view line) {
    Send(std::string(line) + "\r\n");
    return Line();
  }
  std::string Line() { return reader_.ReadLine().value_or(""); }
  // The lines of a multi-line answer up to and including ".", each with its CR LF.
  std::string Block() {
    std::string block;
    while (auto line = reader_.ReadLine()) {
      block += *line + "\r\n";
      if (*line == ".") break;
    }
    return block;
  }
  std::string UntilClosed() { return reader_.ReadToEnd(); }
  void CloseSend() { shutdown(fd_, SHUT_WR); }

 private:
  int fd_;
  LineReader reader_;
};

}  // namespace nntp_fixture
