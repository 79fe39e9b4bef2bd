// Connection threads and their rows in the connection monitor.
#include "newsgate/Serverthread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "nntp_fixture.h"
#include "nntp_fixture_proxy.h"

namespace newsgate {
namespace {

using namespace std::chrono_literals;
using nntp_fixture::NntpClient;

template <class Cond>
bool Eventually(Cond cond) {
  for (int i = 0; i < 500 && !cond(); ++i) std::this_thread::sleep_for(10ms);
  return cond();
}

TEST(ServerThreadTest, AConnectionThatEndsAtOnceStillGetsItsRowAndGreeting) {
  nntp_fixture::Proxy proxy;
  {
    NntpClient client(proxy.Port());
    EXPECT_EQ(client.Line(), "200 Feldrun ready");
    EXPECT_EQ(proxy.Rows().size(), 1u);  // added before the greeting
    EXPECT_TRUE(Eventually([&] { return proxy.Rows()[0][1] == "127.0.0.1"; }));
  }
  EXPECT_TRUE(Eventually([&] { return proxy.Rows().empty(); }));
}

TEST(ServerThreadTest, SimultaneousConnectionsHaveRowsOfTheirOwnAndThreadsAreReused) {
  nntp_fixture::Proxy proxy;
  std::vector<std::unique_ptr<NntpClient>> clients;
  for (int i = 0; i < 10; ++i) {
    clients.push_back(std::make_unique<NntpClient>(proxy.Port()));
    EXPECT_EQ(clients.back()->Line(), "200 Feldrun ready");
  }
  std::set<std::string> ids;
  EXPECT_TRUE(Eventually([&] {
    ids.clear();
    for (const auto& row : proxy.Rows()) ids.insert(row[0]);
    return ids.size() == 10 && !ids.contains("");
  }));
  clients.clear();
  EXPECT_TRUE(Eventually([&] {
    return proxy.Rows().empty() && proxy.Server().IdleThreads() == 5 &&
           proxy.Server().ThreadCount() == 5;
  }));
  for (int i = 0; i < 10; ++i) {
    clients.push_back(std::make_unique<NntpClient>(proxy.Port()));
    EXPECT_EQ(clients.back()->Line(), "200 Feldrun ready");
  }
  EXPECT_EQ(proxy.ThreadsMade(), 15);
}

TEST(ServerThreadTest, TheRowFollowsTheCommands) {
  nntp_fixture::Server server;
  server.Start();
  nntp_fixture::Proxy proxy;
  NntpClient client(proxy.Port());
  client.Line();
  client.Command("AUTHINFO USER 127.0.0.1:" + std::to_string(server.Port()));
  EXPECT_TRUE(Eventually([&] { return proxy.Rows()[0][3] == "127.0.0.1"; }));
  client.Command("AUTHINFO PASS x");
  client.Command("STAT 1");  // relayed: in progress until the next input
  EXPECT_TRUE(Eventually([&] { return proxy.Rows()[0][5] == "STAT 1"; }));
  client.Command("MODE");
  EXPECT_TRUE(Eventually([&] { return proxy.Rows()[0][5].empty(); }));
}

TEST(ServerThreadTest, ClosingTheListenerEndsEveryConnection) {
  auto proxy = std::make_unique<nntp_fixture::Proxy>();
  NntpClient first(proxy->Port()), second(proxy->Port());
  first.Line();
  second.Line();
  proxy.reset();
  EXPECT_EQ(first.UntilClosed(), "");
  EXPECT_EQ(second.UntilClosed(), "");
}

}  // namespace
}  // namespace newsgate
