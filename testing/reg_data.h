#pragma once
// Registry data as Windows stores it, for tests that compare raw values.
#include <cstdint>
#include <string_view>
#include <vector>

namespace testing_support {

// UTF-16LE bytes without a terminating zero.
inline std::vector<std::uint8_t> Utf16(std::u16string_view s) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : s) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

// A string value: UTF-16LE with its terminating zero.
inline std::vector<std::uint8_t> Sz(std::u16string_view s) {
  std::vector<std::uint8_t> bytes = Utf16(s);
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

}  // namespace testing_support
