// The proxy against the fixture news server on loopback, each figure beside the same work done
// directly against the server: short commands, a 64 MiB article, many sessions at once, and
// connection cycles that must leave no thread or descriptor behind.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "nntp_fixture.h"
#include "nntp_fixture_proxy.h"

namespace {

using nntp_fixture::NntpClient;

constexpr std::size_t kArticleBytes = 64u << 20;

struct Setup {
  nntp_fixture::Server server;
  std::unique_ptr<nntp_fixture::Proxy> proxy;

  Setup() {
    for (int i = 1; i <= 10; ++i)
      server.AddArticle("misc.test", {i, "", "subject " + std::to_string(i), "a@example.com",
                                      "Thu, 03 Jul 2003 12:34:56 +0000", "", "", "short body\r\n"});
    std::string line(78, 'x');
    line += "\r\n";
    std::string body;
    body.reserve(kArticleBytes);
    while (body.size() + line.size() <= kArticleBytes) body += line;
    server.AddArticle(
        "big", {1, "", "big", "a@example.com", "Thu, 03 Jul 2003 12:34:56 +0000", "", "", body});
    server.Start();
    proxy = std::make_unique<nntp_fixture::Proxy>();
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

// A logged-in newsreader: through the proxy, or straight to the server.
std::unique_ptr<NntpClient> Connect(bool proxied) {
  Setup& s = Shared();
  auto client = std::make_unique<NntpClient>(proxied ? s.proxy->Port() : s.server.Port(), 60000);
  client->Line();
  if (proxied) {
    client->Command("AUTHINFO USER 127.0.0.1:" + std::to_string(s.server.Port()));
    client->Command("AUTHINFO PASS x");
  }
  return client;
}

const char* Label(bool proxied) { return proxied ? "proxy" : "direct"; }

void BM_ShortCommands(benchmark::State& state) {
  bool proxied = state.range(0);
  auto client = Connect(proxied);
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      if (!client->Command("GROUP misc.test").starts_with("211")) state.SkipWithError("GROUP");
      if (!client->Command("STAT " + std::to_string(i % 10 + 1)).starts_with("223"))
        state.SkipWithError("STAT");
    }
  }
  state.SetItemsProcessed(state.iterations() * 2000);
  state.SetLabel(std::string(Label(proxied)) + ", 2000 commands per iteration");
}
BENCHMARK(BM_ShortCommands)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reads one whole ARTICLE answer as a newsreader would: until the terminating line.
std::size_t ReadArticle(int fd) {
  std::vector<char> buffer(1 << 20);
  std::size_t total = 0;
  char tail[5] = {};
  while (true) {
    ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
    if (n <= 0) return 0;
    total += static_cast<std::size_t>(n);
    for (ssize_t i = n >= 5 ? n - 5 : 0; i < n; ++i) {
      std::memmove(tail, tail + 1, 4);
      tail[4] = buffer[i];
    }
    if (std::string_view(tail, 5) == "\r\n.\r\n") return total;
  }
}

// A relay for one connection that only copies bytes both ways without looking at them: what any
// relay reaches on this machine, beside which the proxy's inspection of every line is seen.
class BareRelay {
 public:
  explicit BareRelay(std::uint16_t target) : listener_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 1);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, target] { Serve(target); });
  }
  ~BareRelay() {
    thread_.join();
    close(listener_);
  }
  std::uint16_t Port() const { return port_; }

 private:
  void Serve(std::uint16_t target) {
    const int client = accept(listener_, nullptr, nullptr);
    const int server = nntp_fixture::ConnectLoopback(target);
    int on = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::vector<char> buffer(256 << 10);
    pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    auto pass = [&](int from, int to) {
      ssize_t n = recv(from, buffer.data(), buffer.size(), 0);
      return n > 0 && nntp_fixture::SendAllFd(to, {buffer.data(), static_cast<std::size_t>(n)});
    };
    bool open = client >= 0 && server >= 0;
    while (open && poll(ends, 2, -1) > 0) {
      if (ends[0].revents) open = pass(client, server);
      if (open && ends[1].revents) open = pass(server, client);
    }
    close(client);
    close(server);
  }

  int listener_;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

enum Route { kDirect, kProxy, kBareRelay };

void BM_Article64MiB(benchmark::State& state) {
  const auto route = static_cast<Route>(state.range(0));
  const bool proxied = route == kProxy;
  Setup& s = Shared();
  std::optional<BareRelay> relay;
  if (route == kBareRelay) relay.emplace(s.server.Port());
  int fd = nntp_fixture::ConnectLoopback(relay     ? relay->Port()
                                         : proxied ? s.proxy->Port()
                                                   : s.server.Port());
  nntp_fixture::LineReader greeting(fd);
  greeting.ReadLine();
  auto command = [&](const std::string& line) {
    nntp_fixture::SendAllFd(fd, line + "\r\n");
    return nntp_fixture::LineReader(fd).ReadLine().value_or("");
  };
  if (proxied) {
    command("AUTHINFO USER 127.0.0.1:" + std::to_string(s.server.Port()));
    command("AUTHINFO PASS x");
  }
  command("GROUP big");
  std::size_t bytes = 0;
  for (auto _ : state) {
    nntp_fixture::SendAllFd(fd, "ARTICLE 1\r\n");
    std::size_t got = ReadArticle(fd);
    if (got < kArticleBytes) state.SkipWithError("short article");
    bytes += got;
  }
  close(fd);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.SetLabel(relay ? "bare relay, for reference" : Label(proxied));
}
BENCHMARK(BM_Article64MiB)
    ->Arg(kDirect)
    ->Arg(kProxy)
    ->Arg(kBareRelay)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_SimultaneousSessions(benchmark::State& state) {
  bool proxied = state.range(0);
  int sessions = static_cast<int>(state.range(1));
  for (auto _ : state) {
    std::vector<std::unique_ptr<NntpClient>> clients;
    for (int i = 0; i < sessions; ++i) clients.push_back(Connect(proxied));
    int served = 0;
    for (auto& client : clients) client->Send("GROUP misc.test\r\n");
    for (auto& client : clients)
      if (client->Line().starts_with("211")) ++served;
    if (served != sessions) state.SkipWithError("a session was not served");
    state.counters["served"] = served;
  }
  state.SetLabel(Label(proxied));
}
BENCHMARK(BM_SimultaneousSessions)
    ->Args({0, 200})
    ->Args({1, 200})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

int Entries(const char* folder) {
  int count = 0;
  if (DIR* dir = opendir(folder)) {
    while (dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') ++count;
    closedir(dir);
  }
  return count;
}

// Threads and descriptors once every connection has ended and the thread cache is settled.
std::pair<int, int> Settled() {
  Setup& s = Shared();
  for (int i = 0; i < 500 && s.proxy->Server().ActiveConnections() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  return {Entries("/proc/self/task"), Entries("/proc/self/fd") - 1};  // less the listing's own
}

void BM_ConnectCycles(benchmark::State& state) {
  bool proxied = state.range(0);
  Setup& s = Shared();
  std::uint16_t port = proxied ? s.proxy->Port() : s.server.Port();
  for (int i = 0; i < 10; ++i) NntpClient(port).Line();  // fills the thread cache
  auto [threads, fds] = Settled();
  for (auto _ : state) {
    for (int i = 0; i < 10000; ++i) {
      NntpClient client(port);
      if (client.Line().empty()) state.SkipWithError("no greeting");
    }
  }
  auto [threadsAfter, fdsAfter] = Settled();
  state.counters["threads_left"] = threadsAfter - threads;
  state.counters["fds_left"] = fdsAfter - fds;
  state.counters["idle_threads"] = proxied ? s.proxy->Server().IdleThreads() : 0;
  state.SetLabel(std::string(Label(proxied)) + ", 10000 cycles per iteration");
}
BENCHMARK(BM_ConnectCycles)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
