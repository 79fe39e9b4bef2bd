#include "setup/MainShared.h"

#include <cstdint>
#include <limits>

#include "MainFileTests.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "setup/Texts.h"

namespace setup {

namespace {

constexpr char kSharedDlls[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr unsigned kWarning = 0x30;  // OK with a warning icon

// The entries a control exports: no arguments, an HRESULT (0 for success).
using RegisterEntry = std::int32_t (*)();

}  // namespace

int SharedCount(const std::string& path) {
  win::RegKey key;
  win::DWORD count = 0;
  if (win::RegKey::Create(win::HKEY::LocalMachine, kSharedDlls, key) != win::ERROR_SUCCESS ||
      key.QueryDword(path, count) != win::ERROR_SUCCESS) {
    return 0;
  }
  return static_cast<int>(count);
}

int ChangeSharedCount(const std::string& path, bool raise) {
  constexpr int kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
  int count = SharedCount(path);
  if (raise && count == 0 && internal::FileExists(path)) count = 1;
  if (raise && count < kMax) ++count;
  if (!raise && count > kMin) --count;
  win::RegKey key;
  if (win::RegKey::Create(win::HKEY::LocalMachine, kSharedDlls, key) != win::ERROR_SUCCESS) {
    return count;
  }
  if (raise || count > 0) {
    key.SetDword(path, static_cast<win::DWORD>(count));
  } else {
    key.DeleteValue(path);
  }
  return count;
}

bool IsControlFile(std::string_view path) {
  return PosText(".OCX", path) != 0 || PosText(".DLL", path) != 0;
}

bool RegisterControl(const std::string& path, bool registerIt, SetupMode mode) {
  win::HMODULE library = win::LoadLibraryA(path);
  if (!library) {
    if (mode == SetupMode::Setup) {
      ShowMessageBox(path + texts::kLoadLibraryFailed, texts::kLoadLibraryCaption, kWarning);
    }
    return false;
  }
  bool registered = false;
  auto entry = reinterpret_cast<RegisterEntry>(
      win::GetProcAddress(library, registerIt ? "DllRegisterServer" : "DllUnregisterServer"));
  if (!registerIt) {
    if (entry) entry();
  } else if (!entry) {
    ShowMessageBox(path + texts::kRegisterEntryMissing, texts::kGetProcAddressCaption, kWarning);
  } else if (entry() == 0) {
    registered = true;
  } else {
    ShowMessageBox(path + texts::kRegisterFailed, texts::kProcedureCaption, kWarning);
  }
  win::FreeLibrary(library);
  return registered;
}

}  // namespace setup
