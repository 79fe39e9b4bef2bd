#pragma once
// System information of the emulated system: its folders, special folders, version, mutexes, Sleep.
#include <string>
#include <string_view>

#include "platform/types.h"

namespace win {

constexpr DWORD MAX_PATH = 260;

// Folders as Windows paths: "C:\windows", "C:\windows\system32" (no trailing backslash) and the
// temporary folder with its trailing backslash, as the Win32 calls return them.
std::string GetWindowsDirectoryA();
std::string GetSystemDirectoryA();
std::string GetTempPathA();

// Special folders (SHGetSpecialFolderPathA) by CSIDL number.
constexpr int CSIDL_PROGRAMS = 0x02;
constexpr int CSIDL_STARTUP = 0x07;
constexpr int CSIDL_SENDTO = 0x09;
constexpr int CSIDL_STARTMENU = 0x0B;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;
constexpr int CSIDL_COMMON_STARTMENU = 0x16;
constexpr int CSIDL_COMMON_PROGRAMS = 0x17;
constexpr int CSIDL_COMMON_STARTUP = 0x18;
constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x19;

// The folder as a Windows path without a trailing backslash. False for a number the system does
// not know, and for the all-users folders on the 95 family, which has none.
bool SpecialFolderPath(int csidl, std::string& path);

constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;  // the 95 family
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  char szCSDVersion[128] = {};
};

// The version the system reports. It is chosen as Wine chooses it, by the string value "Version"
// of HKEY_CURRENT_USER\Software\Wine: "win95", "win98" and "winme" are the 95 family; "nt40",
// "win2k", "winxp", "win7" and "win10" the NT family; without it (or with another value) Windows
// XP. FALSE with 122 when dwOSVersionInfoSize is not the structure's size (148).
BOOL GetVersionExA(OSVERSIONINFOA* info);

// A named mutex (CreateMutexA with a name) that every process on the same system root sees. Only
// ownership of the name counts: while one object holds it, every other object's TryAcquire, in this
// process or another, fails with ERROR_ALREADY_EXISTS. The name is released by Release, by the
// destructor and when the process ends.
class NamedMutex {
 public:
  explicit NamedMutex(std::string_view name) : name_(name) {}
  ~NamedMutex() { Release(); }
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // 0 when this object holds the name (now or already), 183 when another holder has it, or the
  // code of the failure to make its lock file.
  DWORD TryAcquire();
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  std::string name_;
  int fd_ = -1;
};

void Sleep(DWORD milliseconds);

}  // namespace win
