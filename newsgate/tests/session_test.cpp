// Sessions as the program runs them, over loopback against the fixture news server.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "nntp_fixture.h"
#include "nntp_fixture_proxy.h"
#include "session_support.h"

namespace newsgate {
namespace {

using namespace std::chrono_literals;
using nntp_fixture::NntpClient;

const std::string kLost = "400 Connection to the news server lost.";
const std::string kAuth = "480 Authentication required for command";

template <class Cond>
bool Eventually(Cond cond) {
  for (int i = 0; i < 500 && !cond(); ++i) std::this_thread::sleep_for(10ms);
  return cond();
}

// The status line and the lines of a multi-line answer, each with its CR LF.
std::string Multi(NntpClient& client, const std::string& command) {
  std::string status = client.Command(command);
  return status + "\r\n" + client.Block();
}

void FillServer(nntp_fixture::Server& server) {
  const char* subjects[] = {"hello", "buy spam now", "bye"};
  for (int i = 1; i <= 3; ++i)
    server.AddArticle("misc.test", {i, "", subjects[i - 1], "poster@example.com",
                                    "Thu, 03 Jul 2003 12:34:56 +0000", "", "example misc.test",
                                    "line one\r\n.starts with a dot\r\n\r\nlast\r\n"});
  server.AddGroup("Alt.Test");
}

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() {
    server.users = {{"alice", "pw"}};
    FillServer(server);
    server.Start();
  }

  std::string User(const std::string& host = "127.0.0.1") {
    return "alice@" + host + ":" + std::to_string(server.Port());
  }
  std::unique_ptr<NntpClient> LoggedIn() {
    auto client = std::make_unique<NntpClient>(proxy->Port());
    EXPECT_EQ(client->Line(), "200 Feldrun ready");
    client->Command("AUTHINFO USER " + User());
    EXPECT_EQ(client->Command("AUTHINFO PASS pw"), "281 281 authentication accepted");
    return client;
  }
  // The same commands straight to the fixture.
  std::unique_ptr<NntpClient> Direct() {
    auto client = std::make_unique<NntpClient>(server.Port());
    client->Line();
    client->Command("AUTHINFO USER alice");
    client->Command("AUTHINFO PASS pw");
    return client;
  }

  ScopedFilters filters{{"spam"}};
  nntp_fixture::Server server;
  std::unique_ptr<nntp_fixture::Proxy> proxy = std::make_unique<nntp_fixture::Proxy>();
};

TEST_F(SessionTest, LogsInWhereTheUserNameSays) {
  std::uint16_t closedPort;
  {
    nntp_fixture::Server probe;
    probe.Start();
    closedPort = probe.Port();
  }
  struct Case {
    std::string user, password, reply;
    std::vector<std::string> serverSaw;
  } cases[] = {
      {User(),
       "pw",
       "281 281 authentication accepted",
       {"AUTHINFO USER alice", "AUTHINFO PASS pw"}},
      {User("localhost"),
       "pw",
       "281 281 authentication accepted",
       {"AUTHINFO USER alice", "AUTHINFO PASS pw"}},
      {User(), "wrong", "502 authinfo pass fail.", {"AUTHINFO USER alice", "AUTHINFO PASS wrong"}},
      {"127.0.0.1:" + std::to_string(server.Port()), "pw", "281 200 fixture news server ready", {}},
      {"alice@127.0.0.1:" + std::to_string(closedPort), "pw", "502 Connection failed.", {}},
      {"alice@no-such-host.invalid", "pw", "502 Connection failed.", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user);
    std::size_t before = server.Commands().size();
    NntpClient client(proxy->Port());
    client.Line();
    client.Command("AUTHINFO USER " + c.user);
    EXPECT_EQ(client.Command("AUTHINFO PASS " + c.password), c.reply);
    std::vector<std::string> commands = server.Commands();
    EXPECT_EQ(std::vector<std::string>(commands.begin() + before, commands.end()), c.serverSaw);
  }
}

TEST_F(SessionTest, ATypicalDialogue) {
  auto client = LoggedIn();
  auto direct = Direct();
  EXPECT_EQ(client->Command("MODE READER"), "200 posting allowed");
  EXPECT_EQ(client->Command("GROUP misc.test"), "211 3 1 3 misc.test");
  direct->Command("GROUP misc.test");

  // Without MODE FILTER the caught line is dropped; with it, marked.
  std::string all = Multi(*direct, "XOVER 1-3");
  std::string line2 = all.substr(all.find("\r\n2\t") + 2);
  line2 = line2.substr(0, line2.find("\r\n") + 2);
  std::string dropped = all;
  dropped.erase(dropped.find(line2), line2.size());
  EXPECT_EQ(Multi(*client, "XOVER 1-3"), dropped);
  EXPECT_EQ(client->Command("MODE FILTER"), "200 posting allowed");
  std::string marked = all;
  marked.replace(marked.find(line2), line2.size(), "filtered\r\n");
  EXPECT_EQ(Multi(*client, "XOVER 1-3"), marked);

  EXPECT_EQ(Multi(*client, "ARTICLE 1"), Multi(*direct, "ARTICLE 1"));
  EXPECT_EQ(client->Command("QUIT"), "205 OK. Bye!");
  EXPECT_EQ(client->UntilClosed(), "");
  EXPECT_EQ(server.Commands().back(), "ARTICLE 1");  // QUIT is the proxy's own
}

TEST_F(SessionTest, PipelinedCommandsAnswerAsOnADirectConnection) {
  const std::string pipeline =
      "GROUP misc.test\r\nLIST\r\nXOVER 3-3\r\nSTAT 2\r\nHEAD 1\r\nBODY 1\r\nARTICLE 9\r\n"
      "GROUP Alt.Test\r\nDATE\r\n";
  auto transcript = [&](NntpClient& client) {
    client.Send(pipeline);
    std::string all;
    for (std::string line; !line.starts_with("111 ");) all += (line = client.Line()) + "\r\n";
    return all;
  };
  auto client = LoggedIn();
  auto direct = Direct();
  std::string expected = transcript(*direct);
  EXPECT_EQ(transcript(*client), expected);
  EXPECT_NE(expected.find("\r\n..starts with a dot\r\n"), std::string::npos);
}

TEST_F(SessionTest, PostsArticlesUnchanged) {
  const std::string article = "From: a@example.com\r\nSubject: s\r\n\r\n..dot\r\nbody\r\n";
  auto client = LoggedIn();
  EXPECT_EQ(client->Command("POST"), "340 send article");
  client->Send(article + ".\r\n");
  EXPECT_EQ(client->Line(), "240 article received");
  EXPECT_EQ(client->Command("IHAVE <x@y>"), "335 send article");
  client->Send(article + ".\r\nSTAT 1\r\n");
  EXPECT_EQ(client->Line(), "235 article transferred");
  EXPECT_EQ(client->Line(), "412 no newsgroup selected");
  EXPECT_EQ(server.Posted(), (std::vector<std::string>{article, article}));
}

TEST_F(SessionTest, ALostServerIsReportedAndALaterLoginConnectsAgain) {
  struct Case {
    const char* drop;  // the command whose answer breaks off
    std::size_t afterBytes;
    bool reset;
    const char* commands;
    std::vector<std::string> answer;
  } cases[] = {
      {"GROUP", 0, false, "GROUP misc.test", {kLost}},
      {"MODE", 5, true, "MODE READER", {kLost}},
      // no terminator comes, and the half line never reaches the newsreader
      {"XOVER",
       60,
       false,
       "GROUP misc.test\r\nXOVER 1-3",
       {"211 3 1 3 misc.test", "224 overview information follows"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commands);
    server.drop = nntp_fixture::Server::Drop{c.drop, c.afterBytes, c.reset};
    auto client = LoggedIn();
    client->Send(std::string(c.commands) + "\r\nGROUP misc.test\r\n");
    std::vector<std::string> lines;
    for (int i = 0; i < 4 && (lines.empty() || lines.back() != kAuth); ++i)
      lines.push_back(client->Line());
    ASSERT_EQ(lines.back(), kAuth);
    lines.pop_back();
    EXPECT_EQ(lines, c.answer);
    server.drop.reset();
    EXPECT_EQ(client->Command("AUTHINFO PASS pw"), "281 281 authentication accepted");
    EXPECT_EQ(client->Command("GROUP misc.test"), "211 3 1 3 misc.test");
  }
}

TEST_F(SessionTest, ANewsreaderThatLeavesWhileTheServerHangsEndsItsSession) {
  std::mutex lock;
  std::condition_variable released;
  bool release = false;
  server.onCommand = [&](const std::string& line) -> std::optional<std::string> {
    if (line != "HANG") return std::nullopt;
    std::unique_lock guard(lock);
    released.wait_for(guard, 10s, [&] { return release; });
    return "500 late\r\n";
  };
  {
    auto client = LoggedIn();
    client->Send("HANG\r\n");
    EXPECT_TRUE(Eventually([&] { return server.Commands().back() == "HANG"; }));
    EXPECT_EQ(proxy->Rows().size(), 1u);
  }
  EXPECT_TRUE(Eventually([&] { return proxy->Rows().empty(); }));
  {
    std::lock_guard guard(lock);
    release = true;
  }
  released.notify_all();
  server.Stop();  // its connection thread uses the lock and the condition
}

}  // namespace
}  // namespace newsgate
