// A real newsreader library (Python's nntplib) through the proxy against the fixture server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "nntp_fixture.h"
#include "nntp_fixture_proxy.h"
#include "session_support.h"

namespace newsgate {
namespace {

std::string Python() {
  return std::filesystem::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
}

// The body of a single-part yEnc post of payload, lines of 128 encoded characters.
std::string YencBody(const std::string& name, const std::string& payload) {
  std::string body = "Here it comes.\r\n=ybegin line=128 size=" + std::to_string(payload.size()) +
                     " name=" + name + "\r\n";
  std::string line;
  for (unsigned char byte : payload) {
    unsigned char c = static_cast<unsigned char>(byte + 42);
    if (c == 0 || c == '\r' || c == '\n' || c == '=') {
      line += '=';
      c = static_cast<unsigned char>(c + 64);
    }
    line += static_cast<char>(c);
    if (line.size() >= 128) {
      body += line + "\r\n";
      line.clear();
    }
  }
  if (!line.empty()) body += line + "\r\n";
  return body + "=yend size=" + std::to_string(payload.size()) + "\r\n";
}

TEST(NntplibTest, ANewsreaderSessionThroughTheProxy) {
  if (std::system((Python() + " -W ignore -c 'import nntplib'").c_str()) != 0)
    GTEST_SKIP() << "Python's nntplib is not available";
  ScopedFilters filters({"spam"});
  nntp_fixture::Server server;
  server.users = {{"alice", "pw"}};
  const char* subjects[] = {"hello", "buy spam now", "bye"};
  for (int i = 1; i <= 3; ++i)
    server.AddArticle("misc.test", {i, "", subjects[i - 1], "poster@example.com",
                                    "Thu, 03 Jul 2003 12:34:56 +0000", "", "example misc.test:1",
                                    "first\r\n.dotted\r\n\r\nlast\r\n"});
  std::string payload;
  for (int i = 0; i < 1000; ++i) payload += static_cast<char>((i * 7 + 3) % 256);
  server.AddArticle("misc.test",
                    {4, "", "attachment", "poster@example.com", "Thu, 03 Jul 2003 12:34:56 +0000",
                     "", "example misc.test:4", YencBody("data.bin", payload)});
  server.Start();
  nntp_fixture::Proxy proxy;

  std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "nntplib_session.py").string();
  std::string command = Python() + " " + script + " " + std::to_string(proxy.Port()) + " " +
                        std::to_string(server.Port());
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  ASSERT_EQ(server.Posted().size(), 1u);
  EXPECT_NE(server.Posted()[0].find("\r\n..a line with a dot\r\n"), std::string::npos);
}

}  // namespace
}  // namespace newsgate
