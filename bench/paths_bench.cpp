// Resolving Windows paths: exactly spelled (one stat), spelled in another case (a folder listing)
// and with Shift-JIS names, in a folder of 1000 entries.
#include <benchmark/benchmark.h>

#include <fstream>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "scratch_root.h"

namespace {

class Folder {
 public:
  Folder() {
    win::SetACPOverride(932);
    dir_ = root_.driveC() / "Program Files/Sample";
    std::filesystem::create_directories(dir_);
    for (int i = 0; i < 1000; ++i) std::ofstream(dir_ / ("File" + std::to_string(i) + ".dat"));
    std::ofstream(dir_ / u8"表示.txt");
  }

 private:
  testing_support::ScratchRoot root_;
  std::filesystem::path dir_;
};

void Resolve(benchmark::State& state, const char* path) {
  static Folder folder;
  for (auto _ : state) benchmark::DoNotOptimize(win::HostPath(path));
}

BENCHMARK_CAPTURE(Resolve, exact_case, "C:\\Program Files\\Sample\\File500.dat");
BENCHMARK_CAPTURE(Resolve, other_case, "C:\\PROGRAM FILES\\sample\\file500.DAT");
BENCHMARK_CAPTURE(Resolve, new_file, "C:\\Program Files\\Sample\\New.dat");
BENCHMARK_CAPTURE(Resolve, shift_jis, "C:\\Program Files\\Sample\\\x95\x5C\x8E\xA6.txt");

void Convert(benchmark::State& state) {
  win::SetACPOverride(932);
  const std::string ansi = "C:\\Program Files\\\x95\x5C\x8E\xA6\\\x83\x5C\x83\x74\x83\x67.txt";
  for (auto _ : state) benchmark::DoNotOptimize(win::Utf8ToAnsi(win::AnsiToUtf8(ansi)));
}
BENCHMARK(Convert);

}  // namespace
