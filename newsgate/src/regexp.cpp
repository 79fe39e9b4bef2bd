#include "newsgate/regexp.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <utility>

namespace newsgate {

namespace {

constexpr PCRE2_SIZE kJitStackStart = 32 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 512 * 1024;

// What one thread needs to run matches: its match data, and a match context with the limits and
// the thread's own JIT stack. Made on a thread's first match and freed when the thread ends.
class MatchScratch {
 public:
  MatchScratch()
      : data_(pcre2_match_data_create(1, nullptr)),
        context_(pcre2_match_context_create(nullptr)),
        stack_(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr)) {
    if (context_) {
      pcre2_set_match_limit(context_, TRegExp::kMatchLimit);
      pcre2_set_heap_limit(context_, TRegExp::kHeapLimitKiB);
      if (stack_) pcre2_jit_stack_assign(context_, nullptr, stack_);
    }
  }
  ~MatchScratch() {
    pcre2_jit_stack_free(stack_);
    pcre2_match_context_free(context_);
    pcre2_match_data_free(data_);
  }
  MatchScratch(const MatchScratch&) = delete;
  MatchScratch& operator=(const MatchScratch&) = delete;

  bool Ready() const { return data_ && context_; }
  pcre2_match_data* data() const { return data_; }
  pcre2_match_context* context() const { return context_; }

 private:
  pcre2_match_data* data_;
  pcre2_match_context* context_;
  pcre2_jit_stack* stack_;
};

}  // namespace

TRegExp::~TRegExp() { Clear(); }

TRegExp::TRegExp(TRegExp&& other) noexcept : code_(std::exchange(other.code_, nullptr)) {}

TRegExp& TRegExp::operator=(TRegExp&& other) noexcept {
  if (this != &other) {
    Clear();
    code_ = std::exchange(other.code_, nullptr);
  }
  return *this;
}

void TRegExp::Clear() {
  pcre2_code_free(code_);
  code_ = nullptr;
}

bool TRegExp::Compile(std::string_view pattern) {
  Clear();
  pattern = pattern.substr(0, pattern.find('\0'));
  int error;
  PCRE2_SIZE offset;
  code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                        PCRE2_CASELESS, &error, &offset, nullptr);
  if (code_) pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);  // without JIT the interpreter runs
  return code_ != nullptr;
}

bool TRegExp::Matches(std::string_view text) const {
  if (!code_) return false;
  thread_local MatchScratch scratch;
  if (!scratch.Ready()) return false;
  const auto subject = reinterpret_cast<PCRE2_SPTR>(text.data() ? text.data() : "");
  int rc = pcre2_match(code_, subject, text.size(), 0, 0, scratch.data(), scratch.context());
  // a pattern that needs more JIT stack than a thread has gets the interpreter's heap instead
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT)
    rc = pcre2_match(code_, subject, text.size(), 0, PCRE2_NO_JIT, scratch.data(),
                     scratch.context());
  return rc >= 0;
}

}  // namespace newsgate
