#pragma once
// Decimal integers in text as the proxy reads them: an optional sign followed by decimal digits,
// nothing before or after, within the range of a signed 32-bit integer.
#include <cstdint>
#include <string_view>

namespace newsgate {

bool TryStrToInt(std::string_view text, std::int32_t& value);
std::int32_t StrToIntDef(std::string_view text, std::int32_t def);

}  // namespace newsgate
