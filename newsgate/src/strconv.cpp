#include "newsgate/strconv.h"

namespace newsgate {

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  // accumulate the magnitude; INT32_MIN has one more than INT32_MAX
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return false;
  }
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t def) {
  std::int32_t value;
  return TryStrToInt(text, value) ? value : def;
}

}  // namespace newsgate
