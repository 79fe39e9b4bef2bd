// The article conversion of yEnc attachments into uuencode: throughput on one core, counted in
// yEnc input bytes (CR LF included), and the resident memory of a 1 GiB part streamed through.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "newsgate/Yenc.h"

namespace {

// The data lines of a yEnc part of n random bytes as a server sends them: 128 characters or a
// little more, the critical characters escaped, dot-stuffed, each line ended by CR LF.
std::string YencLines(std::size_t n) {
  std::mt19937 random(1);
  std::string text, line;
  for (std::size_t i = 0; i < n; ++i) {
    auto e = static_cast<unsigned char>(random() + 42);
    if (e == 0 || e == '\n' || e == '\r' || e == '=') {
      line += '=';
      e = static_cast<unsigned char>(e + 64);
    }
    line += static_cast<char>(e);
    if (line.size() >= 128 || i + 1 == n) {
      if (line.front() == '.') text += '.';
      text.append(line).append("\r\n");
      line.clear();
    }
  }
  return text;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != text.npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

// Feeds the lines in batches of 64, the output taken after each batch as the relay sends it.
void FeedLines(newsgate::TYencConverter& converter, const std::vector<std::string_view>& lines,
               std::string& out) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i % 64 == 0) out.clear();
    converter.Feed(lines[i], out);
  }
}

// One 16 MiB single part per iteration.
void BM_ConvertPart(benchmark::State& state) {
  const std::string text = YencLines(16 << 20);
  const std::vector<std::string_view> lines = SplitLines(text);
  newsgate::TYencConverter converter;
  std::string out;
  for (auto _ : state) {
    converter.Start(true);
    converter.Feed("=ybegin line=128 size=16777216 name=part.bin", out);
    FeedLines(converter, lines, out);
    converter.Feed("=yend size=16777216", out);
    converter.Finish(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ConvertPart)->Unit(benchmark::kMillisecond);

std::size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// A 1 GiB part (1 MiB of lines fed again and again); fails beyond 16 MiB of growth.
void BM_GibibytePartMemory(benchmark::State& state) {
  const std::string text = YencLines(1 << 20);
  const std::vector<std::string_view> lines = SplitLines(text);
  const std::size_t rounds = (std::size_t{1} << 30) / text.size() + 1;
  std::size_t growth = 0;
  for (auto _ : state) {
    const std::size_t before = ResidentBytes();
    newsgate::TYencConverter converter;
    std::string out;
    converter.Start(true);
    converter.Feed("=ybegin line=128 size=1073741824 name=big.bin", out);
    for (std::size_t round = 0; round < rounds; ++round) FeedLines(converter, lines, out);
    converter.Feed("=yend size=1073741824", out);
    benchmark::DoNotOptimize(out.data());
    growth = ResidentBytes() - before;
  }
  state.counters["rss_growth_MiB"] = static_cast<double>(growth) / (1 << 20);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rounds * text.size()));
  if (growth > std::size_t{16} << 20) state.SkipWithError("resident memory grew by over 16 MiB");
}
BENCHMARK(BM_GibibytePartMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
