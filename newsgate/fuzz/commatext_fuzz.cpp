// Comma text of any bytes: what is read, written again, reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "newsgate/commatext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> items, again;
  newsgate::SetCommaText(text, items);
  newsgate::SetCommaText(newsgate::GetCommaText(items), again);
  if (again != items) std::abort();
  return 0;
}
