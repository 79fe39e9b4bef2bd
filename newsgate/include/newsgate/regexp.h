#pragma once
// A compiled Perl-compatible regular expression over code-page bytes, compiled and matched as the
// POSIX-style interface does with REG_ICASE: caseless for ASCII letters, "." not matching a line
// feed, "^" and "$" at the ends of the text only, a match anywhere unless the pattern is anchored.
// Matching has a step and memory limit, so that no pattern stalls a session on one text; a text
// that reaches the limit counts as not matched.
#include <string_view>

struct pcre2_real_code_8;

namespace newsgate {

class TRegExp {
 public:
  // The limit of backtracking steps per match (pcre2 match limit), and the heap the interpreter
  // may use per match, in KiB.
  static constexpr unsigned kMatchLimit = 200000;
  static constexpr unsigned kHeapLimitKiB = 8 * 1024;

  TRegExp() = default;
  ~TRegExp();
  TRegExp(TRegExp&& other) noexcept;
  TRegExp& operator=(TRegExp&& other) noexcept;
  TRegExp(const TRegExp&) = delete;
  TRegExp& operator=(const TRegExp&) = delete;

  // Compiles pattern (up to a zero byte, as a C string); false, leaving no pattern, when it does
  // not compile.
  bool Compile(std::string_view pattern);
  void Clear();
  explicit operator bool() const { return code_ != nullptr; }

  // Safe from many threads at once. False without a pattern.
  bool Matches(std::string_view text) const;

 private:
  pcre2_real_code_8* code_ = nullptr;
};

}  // namespace newsgate
