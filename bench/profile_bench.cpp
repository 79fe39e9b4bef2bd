// The private-profile functions under the uninstall log's load: thousands of values written to one
// section of one file, each preceded by a flush, as the setup program's writer does it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/profile.h"
#include "scratch_root.h"

namespace {

const char* const kLog = "C:\\Program Files\\Sample\\UNSETUP.INI";

std::string Value(int n) {
  return "C:\\Program Files\\Sample\\data\\file" + std::to_string(n) + ".dat";
}

void WriteLog(int count) {
  for (int n = 1; n <= count; ++n) {
    win::WritePrivateProfileStringA(nullptr, nullptr, nullptr, kLog);
    win::WritePrivateProfileStringA("DeleteFile", ("File" + std::to_string(n)).c_str(),
                                    Value(n).c_str(), kLog);
  }
}

class LogFixture {
 public:
  LogFixture() { std::filesystem::create_directories(root_.driveC() / "Program Files" / "Sample"); }
  void Remove() {
    std::filesystem::remove(root_.driveC() / "Program Files" / "Sample" / "UNSETUP.INI");
  }

 private:
  testing_support::ScratchRoot root_;
};

// N values written one after another into a new log.
void BM_WriteLog(benchmark::State& state) {
  LogFixture fixture;
  for (auto _ : state) {
    state.PauseTiming();
    fixture.Remove();
    state.ResumeTiming();
    WriteLog(static_cast<int>(state.range(0)));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteLog)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// One value replaced in the middle of a log of N values: the file is written anew.
void BM_ReplaceInLog(benchmark::State& state) {
  LogFixture fixture;
  WriteLog(static_cast<int>(state.range(0)));
  int n = 0;
  for (auto _ : state)
    win::WritePrivateProfileStringA("DeleteFile", "File2", Value(++n).c_str(), kLog);
}
BENCHMARK(BM_ReplaceInLog)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One value read from a log of N values that is already cached.
void BM_ReadFromLog(benchmark::State& state) {
  LogFixture fixture;
  WriteLog(static_cast<int>(state.range(0)));
  char buffer[256];
  int n = 0;
  for (auto _ : state) {
    std::string key = "File" + std::to_string(n++ % state.range(0) + 1);
    benchmark::DoNotOptimize(
        win::GetPrivateProfileStringA("DeleteFile", key.c_str(), "", buffer, sizeof buffer, kLog));
  }
}
BENCHMARK(BM_ReadFromLog)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
