// Article answers of random lines: the conversion never crashes, and what it sends is whole CR LF
// lines of which none is the terminating ".", so no answer ends early.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "newsgate/Yenc.h"

namespace {

void CheckLines(std::string_view out) {
  if (!out.empty() && !out.ends_with("\r\n")) std::abort();
  for (std::size_t start = 0, end; (end = out.find("\r\n", start)) != out.npos; start = end + 2)
    if (out.substr(start, end - start) == ".") std::abort();
}

}  // namespace

// The first byte chooses ARTICLE or BODY; lines are separated by LF, and a "." line ends the
// answer and starts the next one.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  newsgate::TYencConverter converter;
  converter.Start(!text.empty() && (text.front() & 1));
  std::string out;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == text.npos ? text.size() : end + 1);
    if (line == ".") {
      converter.Finish(out);
      converter.Start(!text.empty() && (text.front() & 1));
    } else {
      converter.Feed(line, out);
    }
    CheckLines(out);
    out.clear();
  }
  converter.Finish(out);
  CheckLines(out);
  return 0;
}
