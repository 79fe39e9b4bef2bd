#include "newsgate/regexp.h"

#include <cstdlib>

// The library's own POSIX-style interface, kept apart from the C library's <regex.h>, which
// GoogleTest includes and whose names and flag values it shares.
namespace pcre2posix {
#include <pcre2posix.h>
constexpr int kIgnoreCase = REG_ICASE;
}  // namespace pcre2posix
#undef REG_ICASE
#undef REG_NEWLINE
#undef REG_NOTBOL
#undef REG_NOTEOL
#undef REG_DOTALL
#undef REG_NOSUB
#undef REG_UTF
#undef REG_STARTEND
#undef REG_NOTEMPTY
#undef REG_UNGREEDY
#undef REG_UCP
#undef REG_PEND
#undef REG_NOSPEC
#undef REG_EXTENDED
#undef regcomp
#undef regexec
#undef regerror
#undef regfree

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace newsgate {
namespace {

// The verdict of the POSIX-style interface: compiled with REG_ICASE only, executed without flags
// and without match positions. nullopt when the pattern does not compile there.
std::optional<bool> PosixMatches(const std::string& pattern, const std::string& text) {
  pcre2posix::regex_t re;
  if (pcre2posix::pcre2_regcomp(&re, pattern.c_str(), pcre2posix::kIgnoreCase) != 0)
    return std::nullopt;
  const bool matched = pcre2posix::pcre2_regexec(&re, text.c_str(), 0, nullptr, 0) == 0;
  pcre2posix::pcre2_regfree(&re);
  return matched;
}

TEST(RegExpTest, AgreesWithThePosixInterface) {
  const std::vector<std::string> patterns = {
      "sale",
      "^Re:",
      "end$",
      "a.b",
      "^$",
      "(?i)X",
      "[[:upper:]]+",
      "\\bword\\b",
      "\x83\x41",
      "\x83\\x41",
      "\x82[\xA0-\xA4]",
      "(",
      "a{2,",
      "[z-a]",
      "x++y",
      "(?s)a.b",
      "(?m)^b",
      "\\d{3}-\\d{4}",
      "",
      ".*",
      "\xE9t\xE9",
      "(*UTF)\xE9",
      "\\Q.*\\E",
      "fo{0}o",
  };
  const std::vector<std::string> texts = {
      "",       "BIG SALE",  "re: hello", "the end",  "the end\n", "a\nb",
      "axb",    "x",         "WORD here", "\x83\x41", "\x82\xA2",  "123-4567",
      "a\nb\n", "\xC9T\xC9", "\xE9t\xE9", ".*",       "foo",       "ABC def",
  };
  for (const std::string& pattern : patterns) {
    TRegExp re;
    const bool compiled = re.Compile(pattern);
    for (const std::string& text : texts) {
      SCOPED_TRACE("pattern " + pattern + " text " + text);
      const std::optional<bool> posix = PosixMatches(pattern, text);
      ASSERT_EQ(compiled, posix.has_value());
      EXPECT_EQ(re.Matches(text), posix.value_or(false));
    }
  }
}

TEST(RegExpTest, ZeroBytes) {
  TRegExp re;
  ASSERT_TRUE(re.Compile(std::string("abc\0def", 7)));  // read as a C string: "abc"
  EXPECT_TRUE(re.Matches("xabcx"));
  ASSERT_TRUE(re.Compile("tail"));
  EXPECT_TRUE(re.Matches(std::string("head\0tail", 9)));  // a zero byte hides nothing
}

TEST(RegExpTest, SharedAcrossThreads) {
  TRegExp re;
  ASSERT_TRUE(re.Compile("^(foo|bar)+baz"));
  std::vector<std::thread> threads;
  std::vector<int> hits(4);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) hits[t] += re.Matches(i % 2 ? "foobarbaz" : "foobar");
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(hits, std::vector<int>(4, 1000));
}

TEST(RegExpTest, LongTextsNeedingDeepBacktracking) {
  TRegExp re;
  ASSERT_TRUE(re.Compile("^(a|b)*c"));
  // more than the JIT stack of a thread holds: the interpreter takes over within its heap limit
  std::string text;
  for (int i = 0; i < 20000; ++i) text += i % 2 ? 'a' : 'b';
  EXPECT_TRUE(re.Matches(text + "c"));
  EXPECT_FALSE(re.Matches(text));
}

}  // namespace
}  // namespace newsgate
