// An install run of 2,000 small files into one setup folder, on the test driver (its pauses are
// virtual), beside `cp -r` of the same distribution folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "forms/test_application.h"
#include "platform/paths.h"
#include "scratch_root.h"
#include "setup/Main.h"
#include "setup/MainShell.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 2000;
const char* const kDist = "C:\\dist\\";
const char* const kApp = "C:\\App\\";

std::string FileName(int n) { return "FILE" + std::to_string(10000 + n) + ".DAT"; }

class Distribution {
 public:
  Distribution() {
    fs::create_directories(Host(kDist));
    std::ofstream(Host(kDist) / "setup") << "program";
    std::ofstream script(Host(kDist) / "SETUP.INI", std::ios::binary);
    script << "[DefaultFolder]\r\nFolder=" << kApp << "\r\n[CopyFile]\r\n";
    for (int n = 1; n <= kFiles; ++n) {
      script << "File" << n << "=(App)\\" << FileName(n) << "\r\n";
      std::ofstream(Host(kDist) / FileName(n), std::ios::binary) << std::string(200, 'x');
    }
  }

  // The setup folder and the uninstaller of the run before gone; the setup folder made.
  void Clear() {
    fs::remove_all(Host(kApp));
    fs::remove(Host("C:\\windows\\ZUREVAZ.EXE"));
    fs::create_directories(Host(kApp));
  }

  // The program started, the start button pressed, the run to its end.
  void Install() {
    forms::TestApplication app;
    setup::SetupForms windows =
        setup::CreateSetupForms<setup::TfrmMain>({std::string(kDist) + "setup", {}});
    app.QueueStep([&windows] { windows.frmMain->btnEvent->UserClick(); });
    app.Run(*windows.frmBack);
    if (!fs::exists(Host(std::string(kApp) + FileName(kFiles))))
      throw std::runtime_error("no install");
  }

  void Copy() {
    const std::string command =
        "cp -r '" + Host(kDist).string() + "' '" + (Host(kApp) / "dist").string() + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error(command);
  }

  static fs::path Host(const std::string& windowsPath) { return *win::HostPath(windowsPath); }

 private:
  testing_support::ScratchRoot root_;
};

void BM_Install2000Files(benchmark::State& state) {
  Distribution dist;
  for (auto _ : state) {
    state.PauseTiming();
    dist.Clear();
    state.ResumeTiming();
    dist.Install();
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_Install2000Files)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_CopyFolder2000Files(benchmark::State& state) {
  Distribution dist;
  for (auto _ : state) {
    state.PauseTiming();
    dist.Clear();
    state.ResumeTiming();
    dist.Copy();
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_CopyFolder2000Files)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
