// An install run of 2,000 small files into one setup folder, on the test driver (its pauses are
// virtual), beside `cp -r` of the same distribution folder.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

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

  // The least any install of these files does, straight on the host without a lookup or a
  // Windows rule: each file copied into an unnamed file with its attribute, time and mode, linked
  // under its name, and one line per file added to an open log in two steps. For reference only.
  void BareInstall() {
    const fs::path app = Host(kApp), dist = Host(kDist);
    const int log = open((app / "LOG").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    off_t end = 0;
    char buffer[1 << 16];
    for (int n = 1; n <= kFiles; ++n) {
      const int from = open((dist / FileName(n)).c_str(), O_RDONLY | O_CLOEXEC);
      struct stat st;
      fstat(from, &st);
      const int to = open(app.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
      if (from < 0 || to < 0) throw std::runtime_error("open");
      for (ssize_t got; (got = read(from, buffer, sizeof buffer)) > 0;)
        if (write(to, buffer, static_cast<std::size_t>(got)) != got)
          throw std::runtime_error("write");
      fsetxattr(to, "user.DOSATTRIB", "0x20", 4, 0);
      const timespec times[2] = {{0, UTIME_NOW}, st.st_mtim};
      futimens(to, times);
      fchmod(to, st.st_mode & 07777);
      const std::string self = "/proc/self/fd/" + std::to_string(to);
      const fs::path target = app / FileName(n);
      if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0)
        throw std::runtime_error("link");
      close(to);
      close(from);
      std::string line = "File" + std::to_string(n) + "=" + kApp + FileName(n) + "\r\n";
      const char first = line[0];
      line[0] = ';';
      pwrite(log, line.data(), line.size(), end);
      pwrite(log, &first, 1, end);
      end += static_cast<off_t>(line.size());
    }
    close(log);
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

void BM_BareInstall2000Files(benchmark::State& state) {
  Distribution dist;
  for (auto _ : state) {
    state.PauseTiming();
    dist.Clear();
    state.ResumeTiming();
    dist.BareInstall();
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
  state.SetLabel("for reference");
}
BENCHMARK(BM_BareInstall2000Files)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
