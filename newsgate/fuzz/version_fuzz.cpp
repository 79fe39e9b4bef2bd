// Program files of any bytes: the version record search gives the same answer wherever the bytes
// lie against the pieces it reads, here across the border of the first two.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "newsgate/MainVersion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::istringstream file(bytes);
  const auto found = newsgate::FindVersionRecord(file);
  std::istringstream shifted(std::string(65536 - 10, 'x') + bytes);
  if (newsgate::FindVersionRecord(shifted) != found) std::abort();
  if (found) newsgate::FormatVersion(*found);
  return 0;
}
