#include "platform/net.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace win::net {
namespace {

using namespace std::chrono_literals;

// Waits until cond holds, at most about five seconds.
template <class Cond>
bool Eventually(Cond cond) {
  for (int i = 0; i < 500; ++i) {
    if (cond()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return cond();
}

std::unique_ptr<Socket> ConnectTo(std::uint16_t port, const std::string& host = "127.0.0.1") {
  std::unique_ptr<Socket> socket;
  if (SystemNetwork().Connect(host, port, socket) != 0) return nullptr;
  WaitItem item{socket.get(), kWritable};
  while (true) {
    if (SystemNetwork().Wait({&item, 1}, nullptr, 5000) == 0) return nullptr;
    DWORD result = socket->FinishConnect();
    if (result == 0) return socket;
    if (result != WSAEWOULDBLOCK) return nullptr;
  }
}

// Everything until the peer closes, or what arrived within the time limit.
std::string ReceiveUntilClosed(Socket& socket, int timeoutMs = 5000) {
  std::string text;
  char buffer[4096];
  while (true) {
    WaitItem item{&socket, kReadable};
    if (SystemNetwork().Wait({&item, 1}, nullptr, timeoutMs) == 0) return text;
    std::size_t n = 0;
    if (socket.Receive(buffer, sizeof buffer, n) != 0 || n == 0) return text;
    text.append(buffer, n);
  }
}

// Echoes every byte until the peer closes; ends early when asked to terminate.
class EchoThread : public TServerClientThread {
 public:
  explicit EchoThread(TServerClientWinSocket* socket) : TServerClientThread(true, socket) {
    Resume();
  }

 protected:
  void ServeConnection() override {
    Socket& socket = *ClientSocket();
    if (socket.RemoteAddress() != "127.0.0.1") throw std::runtime_error("peer address");
    char buffer[4096];
    while (!Terminated()) {
      WaitItem item{&socket, kReadable};
      if (SystemNetwork().Wait({&item, 1}, &Wake(), -1) == 0) continue;
      if (ServerSocket()->OnClientRead) ServerSocket()->OnClientRead(*ClientSocket());
      std::size_t n = 0;
      if (socket.Receive(buffer, sizeof buffer, n) != 0 || n == 0) return;
      if (std::string_view(buffer, n) == "fail") throw std::runtime_error("asked to fail");
      SendAll(SystemNetwork(), socket, std::string_view(buffer, n), 1000);
    }
  }
};

class ServerSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.ThreadCacheSize = 5;
    server.OnGetThread = [this](TServerClientWinSocket* socket) {
      ++made;
      return new EchoThread(socket);
    };
    ASSERT_EQ(server.Open(), 0u);
    ASSERT_NE(server.LocalPort(), 0);
  }

  std::string Echo(Socket& socket, const std::string& text) {
    EXPECT_EQ(SendAll(SystemNetwork(), socket, text, 1000), 0u);
    std::string got;
    char buffer[256];
    while (got.size() < text.size()) {
      WaitItem item{&socket, kReadable};
      if (SystemNetwork().Wait({&item, 1}, nullptr, 5000) == 0) break;
      std::size_t n = 0;
      if (socket.Receive(buffer, sizeof buffer, n) != 0 || n == 0) break;
      got.append(buffer, n);
    }
    return got;
  }

  TServerSocket server;
  std::atomic<int> made{0};
};

TEST_F(ServerSocketTest, ServesEachConnectionAndReusesAtMostTheCacheSize) {
  std::vector<std::unique_ptr<Socket>> clients;
  for (int i = 0; i < 10; ++i) {
    clients.push_back(ConnectTo(server.LocalPort()));
    ASSERT_TRUE(clients.back());
  }
  for (int i = 0; i < 10; ++i) {
    std::string text = "hello " + std::to_string(i);
    EXPECT_EQ(Echo(*clients[i], text), text);
  }
  EXPECT_EQ(server.ActiveConnections(), 10);
  EXPECT_EQ(made, 10);
  clients.clear();
  EXPECT_TRUE(Eventually([&] { return server.ThreadCount() == 5 && server.IdleThreads() == 5; }));

  for (int i = 0; i < 10; ++i) clients.push_back(ConnectTo(server.LocalPort()));
  for (auto& client : clients) EXPECT_EQ(Echo(*client, "again"), "again");
  EXPECT_EQ(made, 15);  // five cached threads took five of the connections
}

TEST_F(ServerSocketTest, CloseEndsBusyThreadsAndTheirConnections) {
  auto client = ConnectTo(server.LocalPort());
  ASSERT_TRUE(client);
  EXPECT_EQ(Echo(*client, "x"), "x");
  int pumped = 0;
  server.OnWaitForThreads = [&] { ++pumped; };
  server.Close();
  EXPECT_FALSE(server.Active());
  EXPECT_EQ(server.ThreadCount(), 0);
  EXPECT_EQ(ReceiveUntilClosed(*client), "");
  EXPECT_EQ(ConnectTo(server.LocalPort()), nullptr);
}

TEST_F(ServerSocketTest, AThreadWhoseServeFailsReportsAndIsNotKept) {
  std::string reported;
  std::mutex lock;
  server.OnThreadError = [&](const std::string& message) {
    std::lock_guard guard(lock);
    reported = message;
  };
  auto client = ConnectTo(server.LocalPort());
  ASSERT_TRUE(client);
  ASSERT_EQ(SendAll(SystemNetwork(), *client, "fail", 1000), 0u);
  EXPECT_EQ(ReceiveUntilClosed(*client), "");
  EXPECT_TRUE(Eventually([&] { return server.ThreadCount() == 0; }));
  std::lock_guard guard(lock);
  EXPECT_EQ(reported, "asked to fail");
  EXPECT_EQ(server.IdleThreads(), 0);
}

TEST_F(ServerSocketTest, TheReadHandlerIsTheProgramsToCall) {
  int reads = 0;
  server.OnClientRead = [&](TServerClientWinSocket& socket) {
    EXPECT_EQ(socket.ServerSocket(), &server);
    ++reads;
  };
  auto client = ConnectTo(server.LocalPort());
  ASSERT_TRUE(client);
  EXPECT_EQ(Echo(*client, "abc"), "abc");
  EXPECT_GE(reads, 1);
}

TEST(ServerSocketOpenTest, ReportsAddressesThatCannotBeOpened) {
  TServerSocket first;
  ASSERT_EQ(first.Open(), 0u);
  TServerSocket second;
  second.Port = first.LocalPort();
  EXPECT_EQ(second.Open(), WSAEADDRINUSE);
  TServerSocket named;
  named.Address = "localhost";
  EXPECT_EQ(named.Open(), WSAEINVAL);
  EXPECT_EQ(first.Open(), WSAEINVAL);  // already open
}

TEST(ConnectTest, FailuresComeAsWinSockCodes) {
  std::unique_ptr<Socket> socket;
  EXPECT_EQ(SystemNetwork().Connect("127.0.0.1", 0, socket), WSAEADDRNOTAVAIL);
  DWORD unresolved = SystemNetwork().Connect("no-such-host.invalid", 119, socket);
  EXPECT_TRUE(unresolved == WSAHOST_NOT_FOUND || unresolved == WSATRY_AGAIN ||
              unresolved == WSANO_DATA)
      << unresolved;
  EXPECT_EQ(SystemNetwork().Connect("", 119, socket), WSAHOST_NOT_FOUND);
  EXPECT_FALSE(socket);

  // A port that nobody listens on: refused once the attempt has its outcome.
  std::uint16_t closedPort;
  {
    TServerSocket probe;
    ASSERT_EQ(probe.Open(), 0u);
    closedPort = probe.LocalPort();
  }
  ASSERT_EQ(SystemNetwork().Connect("127.0.0.1", closedPort, socket), 0u);
  WaitItem item{socket.get(), kWritable};
  DWORD result = WSAEWOULDBLOCK;
  while (result == WSAEWOULDBLOCK && SystemNetwork().Wait({&item, 1}, nullptr, 5000) == 1)
    result = socket->FinishConnect();
  EXPECT_EQ(result, WSAECONNREFUSED);
}

TEST(ConnectTest, TriesEveryAddressOfTheHost) {
  TServerSocket server;  // IPv4 loopback only, while localhost may resolve to ::1 first
  server.OnGetThread = [](TServerClientWinSocket* socket) { return new EchoThread(socket); };
  ASSERT_EQ(server.Open(), 0u);
  auto client = ConnectTo(server.LocalPort(), "localhost");
  ASSERT_TRUE(client);
  EXPECT_EQ(client->RemoteAddress(), "127.0.0.1");
}

class ConnectedPairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server.OnGetThread = [this](TServerClientWinSocket* socket) {
      std::lock_guard guard(lock);
      accepted = socket;
      return new Holder(socket, this);
    };
    ASSERT_EQ(server.Open(), 0u);
    client = ConnectTo(server.LocalPort());
    ASSERT_TRUE(client);
    ASSERT_TRUE(Eventually([&] {
      std::lock_guard guard(lock);
      return accepted != nullptr;
    }));
  }
  void TearDown() override {
    release.Signal();
    server.Close();
  }

  // Keeps the accepted connection open until the test ends, for the test to use.
  class Holder : public TServerClientThread {
   public:
    Holder(TServerClientWinSocket* socket, ConnectedPairTest* test)
        : TServerClientThread(true, socket), test_(test) {
      Resume();
    }
    void ServeConnection() override {
      while (!Terminated() && !test_->release.Signalled())
        SystemNetwork().Wait({}, &test_->release, 1000);
    }
    ConnectedPairTest* test_;
  };

  TServerSocket server;
  std::unique_ptr<Socket> client;
  std::mutex lock;
  TServerClientWinSocket* accepted = nullptr;
  Waker release;
};

TEST_F(ConnectedPairTest, WaitsReportTimeoutsWakesDataAndHangups) {
  WaitItem item{accepted, kReadable | kHangup};
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(SystemNetwork().Wait({&item, 1}, nullptr, 50), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);

  Waker waker;
  std::thread other([&] {
    std::this_thread::sleep_for(20ms);
    waker.Signal();
  });
  EXPECT_EQ(SystemNetwork().Wait({&item, 1}, &waker, 5000), 0);
  EXPECT_TRUE(waker.Signalled());
  other.join();
  waker.Clear();
  EXPECT_FALSE(waker.Signalled());

  ASSERT_EQ(SendAll(SystemNetwork(), *client, "ping", 1000), 0u);
  ASSERT_EQ(SystemNetwork().Wait({&item, 1}, &waker, 5000), 1);
  EXPECT_EQ(item.ready, kReadable);
  EXPECT_EQ(accepted->Available(), 4u);

  client->Shutdown();
  ASSERT_EQ(SystemNetwork().Wait({&item, 1}, &waker, 5000), 1);
  EXPECT_EQ(item.ready, kReadable | kHangup);
  char buffer[16];
  std::size_t n = 0;
  EXPECT_EQ(accepted->Receive(buffer, sizeof buffer, n), 0u);
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(accepted->Receive(buffer, sizeof buffer, n), 0u);
  EXPECT_EQ(n, 0u);  // the end of the stream
  EXPECT_EQ(accepted->Available(), 0u);
}

TEST_F(ConnectedPairTest, SendAllWaitsForAReaderAndGivesUpOnOneThatNeverReads) {
  std::string big(8 << 20, 'x');
  std::string got;
  std::thread reader([&] {
    char buffer[65536];
    while (got.size() < big.size()) {
      WaitItem item{accepted, kReadable};
      if (SystemNetwork().Wait({&item, 1}, nullptr, 5000) == 0) return;
      std::size_t n = 0;
      if (accepted->Receive(buffer, sizeof buffer, n) != 0 || n == 0) return;
      got.append(buffer, n);
    }
  });
  EXPECT_EQ(SendAll(SystemNetwork(), *client, big, 5000), 0u);
  reader.join();
  EXPECT_EQ(got.size(), big.size());

  EXPECT_EQ(SendAll(SystemNetwork(), *client, std::string(64 << 20, 'y'), 100), WSAETIMEDOUT);
}

TEST(MemorySocketTest, BehavesAsAConnection) {
  auto [a, b] = MemorySocket::Pair();
  std::size_t n = 0;
  char buffer[8];
  EXPECT_EQ(b->Receive(buffer, sizeof buffer, n), WSAEWOULDBLOCK);
  EXPECT_EQ(b->Ready(kReadable | kWritable | kHangup), kWritable);
  ASSERT_EQ(SendAll(SystemNetwork(), *a, "hello world", 10), 0u);
  EXPECT_EQ(b->Available(), 11u);
  EXPECT_EQ(b->Receive(buffer, 5, n), 0u);
  EXPECT_EQ(std::string(buffer, n), "hello");
  a->ShutdownSend();
  EXPECT_EQ(a->Send("x", 1, n), WSAESHUTDOWN);
  EXPECT_EQ(b->Ready(kReadable | kHangup), kReadable | kHangup);
  EXPECT_EQ(b->ReceiveAll(), " world");
  EXPECT_EQ(b->Receive(buffer, sizeof buffer, n), 0u);
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(b->PeerClosed());
  b->Reset();
  EXPECT_EQ(a->Receive(buffer, sizeof buffer, n), WSAECONNRESET);
  EXPECT_EQ(a->Ready(0), kHangup);

  auto [c, d] = MemorySocket::Pair();
  c.reset();
  EXPECT_EQ(d->Send("x", 1, n), WSAECONNRESET);
  EXPECT_TRUE(d->PeerClosed());
}

TEST(MemoryNetworkTest, WaitsAskForProgressThenLetTheirTimePass) {
  MemoryNetwork network;
  auto [mine, theirs] = MemorySocket::Pair();
  int idle = 0;
  network.OnIdle = [&, &theirs = theirs] {
    if (++idle > 2) return false;
    if (idle == 2) theirs->ShutdownSend();
    return true;
  };
  WaitItem item{mine.get(), kReadable};
  EXPECT_EQ(network.Wait({&item, 1}, nullptr, 250), 1);
  EXPECT_EQ(idle, 2);
  EXPECT_EQ(network.Now(), 0u);
  item.events = kWritable;
  mine->SetConnectResult(WSAEWOULDBLOCK);
  EXPECT_EQ(network.Wait({&item, 1}, nullptr, 250), 0);
  EXPECT_EQ(network.Now(), 250u);

  std::unique_ptr<Socket> socket;
  EXPECT_EQ(network.Connect("host", 0, socket), WSAEADDRNOTAVAIL);
  EXPECT_EQ(network.Connect("host", 119, socket), WSAEHOSTUNREACH);
  network.OnConnect = [](const std::string& host, std::uint16_t port,
                         std::unique_ptr<Socket>& out) -> DWORD {
    if (host != "news" || port != 119) return WSAECONNREFUSED;
    out = std::move(MemorySocket::Pair().first);
    return 0;
  };
  EXPECT_EQ(network.Connect("other", 119, socket), WSAECONNREFUSED);
  EXPECT_EQ(network.Connect("news", 119, socket), 0u);
  EXPECT_EQ(socket->FinishConnect(), 0u);
}

}  // namespace
}  // namespace win::net
