#include "newsgate/Client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/list_view.h"
#include "session_support.h"

namespace newsgate {
namespace {

using Chunks = std::vector<std::string>;

const std::string kLost = "400 Connection to the news server lost.\r\n";
const std::string kAuth = "480 Authentication required for command\r\n";

TEST(ProxyClientTest, AnswersOwnCommandsBeforeLogin) {
  struct Case {
    const char* line;
    const char* reply;
  } cases[] = {
      {"MODE READER", "480 Authentication required for command\r\n"},
      {"MODE", "480 Authentication required for command\r\n"},
      {"group misc.test", "480 Authentication required for command\r\n"},
      {"XOVER 1-3", "480 Authentication required for command\r\n"},
      {"ARTICLE 1", "480 Authentication required for command\r\n"},
      {"Body 1", "480 Authentication required for command\r\n"},
      {"LIST", "500 What?\r\n"},
      {"", "500 What?\r\n"},
      {" QUIT", "500 What?\r\n"},
      {"AUTHINFO", "501 user [Name@]RealHost[:port]|pass [Password]\r\n"},
      {"AUTHINFO GENERIC x", "501 user [Name@]RealHost[:port]|pass [Password]\r\n"},
      {"AUTHINFO USER", "381 PASS required for \r\n"},
      {"authinfo user a@b@host:99", "381 PASS required for b@host\r\n"},
      {"AUTHINFO USER alice@news:8119", "381 PASS required for news\r\n"},
  };
  MemorySession s;
  EXPECT_EQ(s.Send(""), "200 Feldrun ready\r\n");
  for (const Case& c : cases) EXPECT_EQ(s.Send(std::string(c.line) + "\r\n"), c.reply) << c.line;
  EXPECT_TRUE(s.session->Connected());
}

TEST(ProxyClientTest, QuitInAnyCaseEndsTheSession) {
  for (const char* quit : {"QUIT", "quit", "Quit"}) {
    MemorySession s;
    s.Send("");
    EXPECT_EQ(s.Send(std::string(quit) + "\r\nLIST\r\n"), "205 OK. Bye!\r\n");
    EXPECT_FALSE(s.session->Connected());
    EXPECT_TRUE(s.Reader().PeerClosed());
  }
}

TEST(ProxyClientTest, TakesOnlyLinesEndedByCrLf) {
  MemorySession s;
  s.Send("");
  EXPECT_EQ(s.Send("LIST\n"), "");
  EXPECT_EQ(s.Send("\r"), "");
  EXPECT_EQ(s.Send("\n"), "500 What?\r\n");  // the line "LIST\n" is no known command
  EXPECT_EQ(s.Send("LI"), "");
  EXPECT_EQ(s.Send("ST\r\nMODE\r\n"), "500 What?\r\n" + kAuth);
}

TEST(ProxyClientTest, ClosesOnANewsreaderLineBeyondTheLimit) {
  MemorySession s;
  s.Send("");
  s.Send(std::string(TProxyClient::kMaxClientLine, 'x'));
  EXPECT_TRUE(s.session->Connected());
  s.Send("xx");
  EXPECT_FALSE(s.session->Connected());
  EXPECT_TRUE(s.Reader().PeerClosed());
}

TEST(ProxyClientTest, LoginChoosesHostPortAndUser) {
  struct Case {
    std::vector<const char*> users;
    std::uint16_t port;  // 0: no attempt is made
    const char* reply;
  } cases[] = {
      {{"news"}, 119, "281 200 scripted server\r\n"},
      {{"alice@news:8119"}, 8119, "502 authinfo user fail.\r\n"},  // the server has no logins
      {{"news:70000"}, 4464, "281 200 scripted server\r\n"},       // the low 16 bits
      {{"news:-1"}, 65535, "281 200 scripted server\r\n"},
      {{"news:8119", "news"}, 8119, "281 200 scripted server\r\n"},  // the port stays
      {{"news:abc"}, 0, "502 Connection failed.\r\n"},
      {{"other"}, 0, "502 Connection failed.\r\n"},
  };
  for (const Case& c : cases) {
    MemorySession s;
    s.Send("");
    for (const char* user : c.users) s.Send(std::string("AUTHINFO USER ") + user + "\r\n");
    EXPECT_EQ(s.Send("AUTHINFO PASS pw\r\n"), c.reply) << c.users.back();
    EXPECT_EQ(s.ports, c.port ? std::vector<std::uint16_t>{c.port} : std::vector<std::uint16_t>{});
  }
}

TEST(ProxyClientTest, ForwardsTheLoginAndChecksEachAnswer) {
  struct Case {
    Chunks greeting;
    const char* userAnswer;
    const char* passAnswer;
    const char* reply;
  } cases[] = {
      {{"201 no posting\r\n"}, "381 more\r\n", "281 welcome\r\n", "281 281 welcome\r\n"},
      {{"200 ok\r\n"}, "281 already\r\n", "", "502 authinfo user fail.\r\n"},
      {{"200 ok\r\n"}, "381 more\r\n", "481 no\r\n", "502 authinfo pass fail.\r\n"},
      {{"400 busy\r\n"}, "", "", "502 connection failed.[400 busy]\r\n"},
      {{"20", "<close>"}, "", "", "502 connection failed.[]\r\n"},
      {{"\r\n", "\r\n201 late\r\n"}, "381 more\r\n", "281 ok\r\n", "281 281 ok\r\n"},
  };
  for (const Case& c : cases) {
    MemorySession s;
    s.server.greeting = c.greeting;
    s.server.answer = [&](const std::string& line) -> Chunks {
      if (line == "AUTHINFO USER alice") return {c.userAnswer};
      if (line == "AUTHINFO PASS secret") return {c.passAnswer};
      return {};
    };
    s.Send("");
    s.Send("AUTHINFO USER alice@news\r\n");
    EXPECT_EQ(s.Send("AUTHINFO PASS secret\r\n"), c.reply) << c.reply;
  }
}

TEST(ProxyClientTest, ModeSendsModeReaderAndRemembersFilterMode) {
  MemorySession s;
  s.server.answer = [](const std::string& line) -> Chunks {
    return {line == "MODE READER" ? "200 reader\r\n" : "500 ?\r\n"};
  };
  s.Login();
  EXPECT_EQ(s.Send("MODE\r\n"), "501 reader\r\n");
  EXPECT_EQ(s.Send("MODE a b\r\n"), "501 reader\r\n");
  EXPECT_EQ(s.Send("MODE STREAM\r\n"), "200 reader\r\n");
  EXPECT_EQ(s.Send("mode filter\r\n"), "200 reader\r\n");
  EXPECT_EQ(s.Send("MODE\r\n"), "501 filter\r\n");
  EXPECT_EQ(s.server.received, (std::vector<std::string>{"MODE READER", "MODE READER"}));
}

TEST(ProxyClientTest, RelaysOtherCommandsUnchanged) {
  const std::string list = "215 list follows\r\nmisc.test 3 1 y\r\n..dotted 1 1 y\r\n.\r\n";
  MemorySession s;
  s.server.answer = [&](const std::string& line) -> Chunks {
    if (line == "LIST") return {list.substr(0, 20), list.substr(20, 22), list.substr(42)};
    if (line == "STAT 1") {
      EXPECT_TRUE(s.server.chunks.empty()) << "STAT went out before LIST had ended";
      return {"223 1 <1@x>\r\n"};
    }
    return {"500 unknown\r\n"};
  };
  s.Login();
  // Both lines in one packet: the second waits for the end of the first answer.
  EXPECT_EQ(s.Send("LIST\r\nSTAT 1\r\n"), list + "223 1 <1@x>\r\n");
  EXPECT_EQ(s.Send(" QUIT\r\n"), "500 unknown\r\n");
  EXPECT_EQ(s.server.received, (std::vector<std::string>{"LIST", "STAT 1", " QUIT"}));
}

TEST(ProxyClientTest, TakesTheFirstNonEmptyServerLineAsTheStatus) {
  MemorySession s;
  s.server.answer = [](const std::string& line) -> Chunks {
    if (line == "GROUP a") return {"\r\n\r\n211 1 1 1 a\r\n"};
    if (line == "GROUP b") return {"junk\r\n211 1 1 1 b\r\n"};
    return {"223 1 <1@x>\r\n"};
  };
  s.Login();
  EXPECT_EQ(s.Send("GROUP a\r\n"), "211 1 1 1 a\r\n");
  EXPECT_EQ(s.Send("GROUP b\r\n"), "junk\r\n");
  EXPECT_EQ(s.Send("STAT 1\r\n"), "223 1 <1@x>\r\n");  // the stray line is not its answer
}

struct XoverCase {
  const char* name;
  std::vector<std::string> keywords;
  bool filterMode;
  std::vector<std::string> expected;  // overview lines by subject, or "filtered"
};

TEST(ProxyClientTest, FiltersOverviewLinesAcrossCutReads) {
  const std::string lines[] = {OverviewLine(1, "hello"), OverviewLine(2, "buy spam now"),
                               OverviewLine(3, "bye"), OverviewLine(4, "spam", "not a date")};
  const XoverCase cases[] = {
      {"empty list", {}, false, {"1", "2", "3", "4"}},
      {"dropped", {"spam"}, false, {"1", "3", "4"}},
      {"marked", {"spam"}, true, {"1", "filtered", "3", "4"}},
      {"catch-all", {""}, false, {"4"}},  // a line the parser rejects passes
  };
  for (const XoverCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedFilters filters(c.keywords);
    std::string all = "224 overview\r\n" + lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] +
                      "\r\n" + lines[3] + "\r\n.\r\n";
    MemorySession s;
    s.server.answer = [&](const std::string& line) -> Chunks {
      if (line == "MODE READER") return {"200 reader\r\n"};
      // cut inside line 2, inside line 3's CR LF and before the final "."
      std::size_t a = all.find("spam") + 2, b = all.find("\r\n4\t") + 1;
      return {all.substr(0, a), all.substr(a, b - a), all.substr(b, all.size() - 3 - b),
              all.substr(all.size() - 3)};
    };
    s.Login();
    if (c.filterMode) s.Send("MODE FILTER\r\n");
    std::string expected = "224 overview\r\n";
    for (const std::string& e : c.expected)
      expected += (e == "filtered" ? e : lines[std::stoi(e) - 1]) + "\r\n";
    EXPECT_EQ(s.Send("XOVER 1-4\r\n"), expected + ".\r\n");
    if (c.keywords.empty()) {
      EXPECT_EQ(expected + ".\r\n", all);
    }
  }
}

TEST(ProxyClientTest, RelaysArticlesLineByLineUpToTheirEnd) {
  const std::string article = "220 1 <1@x>\r\nSubject: s\r\n\r\n..stuffed\r\nbody\r\n.\r\n";
  MemorySession s;
  s.server.answer = [&](const std::string& line) -> Chunks {
    if (line == "ARTICLE 1") return {article.substr(0, 30), article.substr(30)};
    if (line == "BODY 2") return {"423 no such article\r\n"};
    return {"223 1 <1@x>\r\n"};
  };
  s.Login();
  EXPECT_EQ(s.Send("ARTICLE 1\r\nBODY 2\r\nSTAT 1\r\n"),
            article + "423 no such article\r\n223 1 <1@x>\r\n");
}

// Unchanged lines pass in runs found a block of bytes at a time; wherever the reads cut the
// article, the newsreader gets what the conversion makes of it line by line.
TEST(ProxyClientTest, ArticlesCutAnywhereConvertAsLineByLine) {
  const std::string status = "220 1 <1@x>\r\n";
  const std::vector<std::string> lines = {"Subject: a header line longer than a block",
                                          "=ybegin line=128 size=3 name=head.bin",
                                          "",
                                          "plain text, longer than sixteen bytes",
                                          "..a dot-stuffed line",
                                          "b",
                                          "bbegin",
                                          "=yb",
                                          "=ybegin line=128 size=3 name=a.bin",
                                          "\x8b\x8c\x8d",
                                          "=yend size=3",
                                          "text after the block",
                                          "..",
                                          "begin 644 u.txt",
                                          "=ybegin line=128 size=3 name=b.bin",
                                          "end"};
  std::string body, expected = status;
  TYencConverter reference;
  reference.Start(false);
  for (const std::string& line : lines) {
    body += line + "\r\n";
    reference.Feed(line, expected);
  }
  reference.Finish(expected);
  expected += ".\r\n";
  body += ".\r\n";
  ASSERT_NE(expected.find("begin 644 a.bin"), std::string::npos);

  std::vector<Chunks> cuts;
  for (std::size_t at = 1; at < body.size(); ++at)
    cuts.push_back({body.substr(0, at), body.substr(at)});
  Chunks bytes;
  for (char c : body) bytes.emplace_back(1, c);
  cuts.push_back(bytes);
  for (const Chunks& chunks : cuts) {
    SCOPED_TRACE(chunks.size() > 2 ? "a read per byte" : "cut after " + chunks[0]);
    MemorySession s;
    s.server.answer = [&](const std::string& line) -> Chunks {
      if (line != "ARTICLE 1") return {"223 1 <1@x>\r\n"};
      Chunks answer{status};
      answer.insert(answer.end(), chunks.begin(), chunks.end());
      return answer;
    };
    s.Login();
    EXPECT_EQ(s.Send("ARTICLE 1\r\nSTAT 1\r\n"), expected + "223 1 <1@x>\r\n");
  }
}

TEST(ProxyClientTest, ALostServerEndsTheCommandWithAStatusOfItsOwn) {
  struct Case {
    const char* command;
    Chunks answer;
    std::string expected;
  } cases[] = {
      {"GROUP g", {"21", "<close>"}, kLost},
      {"MODE READER", {"<reset>"}, kLost},
      {"STAT 1", {}, kLost},  // silent: after the time limit
      {"XOVER", {"224 ok\r\n1\tx\r\n2\t", "<reset>"}, "224 ok\r\n1\tx\r\n"},
      {"LIST", {"215 ok\r\na 1 1 y\r\n", "<close>"}, "215 ok\r\na 1 1 y\r\n"},
      {"XOVER", {"224 ok\r\n", std::string(TProxyClient::kMaxServerLine + 1, 'a')}, "224 ok\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    MemorySession s;
    s.server.answer = [&](const std::string& line) -> Chunks {
      return line == c.command ? c.answer : Chunks{};
    };
    s.Login();
    EXPECT_EQ(s.Send(std::string(c.command) + "\r\nGROUP g\r\n"), c.expected + kAuth);
    EXPECT_TRUE(s.session->Connected());
  }
}

TEST(ProxyClientTest, GivesUpOnServersThatTakeTooLong) {
  MemorySession s;
  s.neverConnect = true;
  s.Send("");
  s.Send("AUTHINFO USER news\r\n");
  std::uint64_t start = s.network.Now();
  EXPECT_EQ(s.Send("AUTHINFO PASS x\r\n"), "502 Connection failed.\r\n");
  // the idle wait after the command adds its 250 ms
  EXPECT_EQ(s.network.Now() - start, std::uint64_t(TProxyClient::kConnectTimeoutMs) + 250);

  MemorySession silent;
  silent.Login();
  start = silent.network.Now();
  EXPECT_EQ(silent.Send("GROUP g\r\n"), kLost);
  EXPECT_EQ(silent.network.Now() - start, std::uint64_t(TProxyClient::kReplyTimeoutMs) + 250);
}

TEST(ProxyClientTest, PostsTheArticleAndPassesTheFinalReply) {
  const std::string article = "Subject: s\r\n\r\n..dot\r\nbody\r\n";
  const std::string group = "211 0 0 0 g\r\n";
  struct Case {
    const char* command;
    Chunks answer;
    std::string expected;
  } cases[] = {
      {"POST", {"340 send\r\n"}, "340 send\r\n240 posted\r\n" + group},
      {"IHAVE <1@x>", {"335 send\r\n"}, "335 send\r\n240 posted\r\n" + group},
      {"POST", {"340 send\r\n", "<reset>"}, "340 send\r\n" + kLost + kAuth},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    MemorySession s;
    std::string posted;
    s.server.answer = [&](const std::string& line) -> Chunks {
      if (line == c.command) return c.answer;
      if (line == "GROUP g") return {group};
      posted += line + "\r\n";
      return line == "." ? Chunks{"240 posted\r\n"} : Chunks{};
    };
    s.Login();
    std::string out = s.Send(std::string(c.command) + "\r\n");
    out += s.Send(article.substr(0, 17));
    out += s.Send(article.substr(17) + ".\r\nGROUP g\r\n");
    EXPECT_EQ(out, c.expected);
    if (c.answer.size() == 1) {
      EXPECT_EQ(posted, article + ".\r\n");
    }
  }
}

TEST(ProxyClientTest, ANewsreaderThatGoesAwayDuringAWaitEndsTheSession) {
  for (bool wake : {false, true}) {
    MemorySession s;
    s.server.answer = [&](const std::string&) -> Chunks {
      if (wake)
        s.wake.Signal();
      else
        s.Reader().ShutdownSend();
      return {};
    };
    s.Login();
    s.Send("GROUP g\r\n");
    EXPECT_FALSE(s.session->Connected());
    EXPECT_LT(s.network.Now(), std::uint64_t(TProxyClient::kReplyTimeoutMs));
    EXPECT_TRUE(s.server.end->PeerClosed());  // the server connection is closed
  }
}

TEST(ProxyClientTest, TheRowShowsTheSessionAsItStands) {
  forms::TListView list(nullptr, "ClientList");
  forms::TListItem* row = list.AddItem();
  MemorySession s(row);
  s.server.answer = [](const std::string& line) -> Chunks {
    return {line == "GROUP Alt.Test" ? "211 1 1 1 alt.test\r\n" : "223 1 <1@x>\r\n"};
  };
  auto cells = [&] {
    s.session->UpdateRow();
    std::vector<std::string> all{row->Caption()};
    all.insert(all.end(), row->SubItems().begin(), row->SubItems().end());
    return all;
  };
  s.Send("");
  std::vector<std::string> first = cells();
  EXPECT_EQ(first[0].size(), 8u);
  EXPECT_EQ(first[0].find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_EQ(first, (std::vector<std::string>{first[0], "192.0.2.7", "", "", "", ""}));
  s.Send("AUTHINFO USER news\r\n");
  EXPECT_EQ(cells()[3], "news");
  s.Send("AUTHINFO PASS x\r\nGROUP Alt.Test\r\nSTAT 1\r\n");
  EXPECT_EQ(cells(),
            (std::vector<std::string>{first[0], "192.0.2.7", "", "news", "Alt.Test", "STAT 1"}));
  s.Send("G");  // the next input ends the relayed command
  EXPECT_EQ(cells()[5], "");

  MemorySession other;
  other.session->UpdateRow();  // without a row: nothing to write
}

}  // namespace
}  // namespace newsgate
