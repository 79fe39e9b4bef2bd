#pragma once
// Failure injection for tests: writes under a chosen folder fail with a chosen Win32 error, so
// that a full disk or a write-protected medium can be tested without one.
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace win::testing {

// From now on, copying and moving files and creating folders under the Windows folder `folder`
// (the folder itself included) fail with `code`; code 0 ends it for that folder. A copy fails
// after its data is written, as on a full disk, and leaves the target as it was. The folder is
// looked up on every write, so it need not exist yet.
void InjectWriteError(std::string_view folder, DWORD code);
void ClearInjectedWriteErrors();

// The injected error for a host path, 0 when writes there succeed. Units that write files by
// themselves ask this before writing.
DWORD InjectedWriteError(const std::filesystem::path& hostPath);

// Injects for the lifetime of the object.
class ScopedWriteError {
 public:
  ScopedWriteError(std::string_view folder, DWORD code) : folder_(folder) {
    InjectWriteError(folder_, code);
  }
  ~ScopedWriteError() { InjectWriteError(folder_, 0); }
  ScopedWriteError(const ScopedWriteError&) = delete;
  ScopedWriteError& operator=(const ScopedWriteError&) = delete;

 private:
  std::string folder_;
};

}  // namespace win::testing
