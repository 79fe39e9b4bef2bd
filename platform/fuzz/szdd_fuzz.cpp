// Bytes of any shape as a compressed file: naming, opening and expanding it never crash, a failed
// expansion leaves no file behind, and a successful one gives as many bytes as it reports.
#include <signal.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/lz.h"
#include "platform/root.h"

namespace {

namespace fs = std::filesystem;

void Require(bool condition) {
  if (!condition) std::abort();
}

// A system root of its own for the whole run, in memory where the host has /dev/shm (every
// expansion is flushed to disk), with the folder the files go into. libFuzzer ends without running
// exit handlers, so each run removes what runs that have ended left behind.
const fs::path& Folder() {
  static const fs::path folder = [] {
    const fs::path base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
    const std::string prefix = "szdd-fuzz-";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(base, ec)) {
      const std::string name = e.path().filename().string();
      if (name.rfind(prefix, 0) == 0 && kill(std::atoi(name.c_str() + prefix.size()), 0) != 0)
        fs::remove_all(e.path(), ec);
    }
    const fs::path root = base / (prefix + std::to_string(getpid())) / "root";
    win::UseSystemRoot(root);
    fs::path f = win::SystemRoot() / "drive_c" / "F";
    fs::create_directories(f);
    return f;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path& folder = Folder();
  std::ofstream(folder / "IN.EX_", std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  std::string name;
  const int named = win::GetExpandedNameA("C:\\F\\IN.EX_", name);
  Require(named == 1 || named == win::LZERROR_READ);
  Require(name.rfind("C:\\F\\IN.EX", 0) == 0 && name.size() <= 11);

  const int in = win::LZOpenFileA("C:\\F\\IN.EX_", win::OF_READ);
  const int out = win::LZOpenFileA("C:\\F\\OUT", win::OF_CREATE);
  Require(out > 0);
  const long copied = in > 0 ? win::LZCopy(in, out) : in;
  win::LZClose(in);
  win::LZClose(out);

  std::size_t entries = 0;
  for (const auto& e : fs::directory_iterator(folder)) {
    (void)e;
    ++entries;
  }
  std::error_code ec;
  if (copied >= 0) {
    Require(entries == 2 && fs::file_size(folder / "OUT") == static_cast<std::uintmax_t>(copied));
    fs::remove(folder / "OUT", ec);
  } else {
    Require(entries == 1);
  }
  return 0;
}
