// The uninstall log at the end of an install run of N files: preparation, the recorded files and
// the write of the new log beside the old one, with its replacement of the old one.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "platform/system.h"
#include "scratch_root.h"
#include "setup/MainHelpers.h"
#include "setup/MainLog.h"

namespace {

const char* const kSetup = "C:\\Program Files\\Sample\\";

std::string Value(int n) {
  return "C:\\Program Files\\Sample\\data\\file" + std::to_string(n) + ".dat";
}

class LogFixture {
 public:
  LogFixture() {
    setup::ForceFolder(kSetup);
    setup::ForceFolder(work_);
  }
  void RemoveLog() { std::filesystem::remove(*win::HostPath(std::string(kSetup) + "UNSETUP.INI")); }

  void Install(int files) {
    setup::TUninstallLog log;
    log.Prepare(kSetup, work_);
    for (int n = 1; n <= files; ++n) log.AddFile(Value(n));
    log.AddFile(log.LogPath());
    log.Write({"Setup", "UnSetup", "Sample", "", "", "", "SAMPLE", windows_});
  }

 private:
  testing_support::ScratchRoot root_;
  std::string windows_ = win::GetWindowsDirectoryA() + "\\";
  std::string work_ = win::GetTempPathA() + "BSTMP1\\";
};

// A first installation: N files into a new log.
void BM_WriteUninstallLog(benchmark::State& state) {
  LogFixture fixture;
  for (auto _ : state) {
    state.PauseTiming();
    fixture.RemoveLog();
    state.ResumeTiming();
    fixture.Install(static_cast<int>(state.range(0)));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteUninstallLog)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The same N files installed again: the earlier log is merged and every file found in it.
void BM_RewriteUninstallLog(benchmark::State& state) {
  LogFixture fixture;
  fixture.Install(static_cast<int>(state.range(0)));
  for (auto _ : state) fixture.Install(static_cast<int>(state.range(0)));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RewriteUninstallLog)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
