// Injected write failures for tests.
#include <cctype>
#include <iterator>
#include <map>
#include <mutex>

#include "fs_host.h"
#include "platform/testing/write_errors.h"

namespace win::testing {

namespace {

std::mutex mutex;
std::map<std::string, DWORD> injected;  // Windows folder -> error

bool SameLetters(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Whether `path` is `folder` or lies inside it, comparing host components without regard to
// ASCII letter case (a folder created after the injection may differ in case).
bool IsInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
    if (f->empty() && std::next(f) == folder.end()) return true;  // trailing separator
    if (p == path.end() || !SameLetters(p->string(), f->string())) return false;
  }
  return true;
}

}  // namespace

void InjectWriteError(std::string_view folder, DWORD code) {
  std::lock_guard lock(mutex);
  if (code)
    injected[std::string(folder)] = code;
  else
    injected.erase(std::string(folder));
}

void ClearInjectedWriteErrors() {
  std::lock_guard lock(mutex);
  injected.clear();
}

DWORD InjectedWriteError(const std::filesystem::path& hostPath) {
  std::lock_guard lock(mutex);
  const std::filesystem::path path = hostPath.lexically_normal();
  for (const auto& [folder, code] : injected) {
    std::filesystem::path host;
    if (fs_detail::Resolve(folder, host) == ERROR_SUCCESS &&
        IsInside(path, host.lexically_normal()))
      return code;
  }
  return ERROR_SUCCESS;
}

}  // namespace win::testing
