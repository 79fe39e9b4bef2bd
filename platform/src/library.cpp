#include "platform/library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/paths.h"

namespace win {

namespace {

// Why a host file cannot be loaded, judged before the loader runs its code: 0 when it may be tried.
DWORD Unloadable(const std::filesystem::path& host) {
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return ERROR_MOD_NOT_FOUND;
  if (S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
  const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ERROR_MOD_NOT_FOUND : ERROR_ACCESS_DENIED;
  unsigned char magic[4] = {};
  const ssize_t got = ::pread(fd, magic, sizeof magic, 0);
  ::close(fd);
  // "MZ" and anything else that is no ELF object (a Windows DLL, a text, an empty file)
  if (got != sizeof magic || std::memcmp(magic,
                                         "\x7F"
                                         "ELF",
                                         4) != 0)
    return ERROR_BAD_EXE_FORMAT;
  return 0;
}

}  // namespace

HMODULE LoadLibraryA(std::string_view fileName) {
  std::optional<std::filesystem::path> host = HostPath(fileName);
  if (!host) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (DWORD err = Unloadable(*host)) {
    SetLastError(err);
    return nullptr;
  }
  // an absolute path, so that the loader never searches its own folders
  HMODULE module = ::dlopen(std::filesystem::absolute(*host).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) SetLastError(ERROR_BAD_EXE_FORMAT);  // wrong machine, missing dependencies
  return module;
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ::dlerror();
  void* entry = procName ? ::dlsym(module, procName) : nullptr;
  if (!entry) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(entry);
}

BOOL FreeLibrary(HMODULE module) {
  if (!module || ::dlclose(module) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace win
