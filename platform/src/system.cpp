#include "platform/system.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/registry.h"
#include "platform/root.h"

namespace win {

namespace {

std::string UserFolder() { return "C:\\users\\" + LoginName(); }

std::string UserStartMenu() {
  return UserFolder() + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
}

const char kCommonStartMenu[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";

struct VersionRow {
  const char* name;
  DWORD major, minor, build, platform;
  const char* servicePack;
};

constexpr VersionRow kVersions[] = {
    {"win95", 4, 0, 950, VER_PLATFORM_WIN32_WINDOWS, ""},
    {"win98", 4, 10, 2222, VER_PLATFORM_WIN32_WINDOWS, " A "},
    {"winme", 4, 90, 3000, VER_PLATFORM_WIN32_WINDOWS, " "},
    {"nt40", 4, 0, 1381, VER_PLATFORM_WIN32_NT, "Service Pack 6a"},
    {"win2k", 5, 0, 2195, VER_PLATFORM_WIN32_NT, "Service Pack 4"},
    {"winxp", 5, 1, 2600, VER_PLATFORM_WIN32_NT, "Service Pack 3"},
    {"win7", 6, 1, 7601, VER_PLATFORM_WIN32_NT, "Service Pack 1"},
    {"win10", 10, 0, 19045, VER_PLATFORM_WIN32_NT, ""},
};
constexpr const VersionRow& kDefaultVersion = kVersions[5];

const VersionRow& ConfiguredVersion() {
  RegKey key;
  std::string name;
  if (RegKey::Open(HKEY::CurrentUser, "Software\\Wine", key) == ERROR_SUCCESS &&
      key.QueryString("Version", name) == ERROR_SUCCESS) {
    for (const VersionRow& row : kVersions)
      if (strcasecmp(row.name, name.c_str()) == 0) return row;
  }
  return kDefaultVersion;
}

bool IsNtFamily() { return ConfiguredVersion().platform == VER_PLATFORM_WIN32_NT; }

// A file name for any mutex name: letters, digits, "-" and "_" as they are, other bytes as %XX.
std::string LockFileName(std::string_view name) {
  static const char hex[] = "0123456789ABCDEF";
  std::string file;
  for (char c : name) {
    unsigned char b = static_cast<unsigned char>(c);
    if (std::isalnum(b) || b == '-' || b == '_') {
      file += c;
    } else {
      file += '%';
      file += hex[b >> 4];
      file += hex[b & 0xF];
    }
  }
  return file + ".lock";
}

}  // namespace

std::string GetWindowsDirectoryA() { return "C:\\windows"; }

std::string GetSystemDirectoryA() { return "C:\\windows\\system32"; }

std::string GetTempPathA() { return UserFolder() + "\\AppData\\Local\\Temp\\"; }

bool SpecialFolderPath(int csidl, std::string& path) {
  switch (csidl) {
    case CSIDL_PROGRAMS:
      path = UserStartMenu() + "\\Programs";
      return true;
    case CSIDL_STARTUP:
      path = UserStartMenu() + "\\Programs\\StartUp";
      return true;
    case CSIDL_SENDTO:
      path = UserFolder() + "\\AppData\\Roaming\\Microsoft\\Windows\\SendTo";
      return true;
    case CSIDL_STARTMENU:
      path = UserStartMenu();
      return true;
    case CSIDL_DESKTOPDIRECTORY:
      path = UserFolder() + "\\Desktop";
      return true;
    case CSIDL_COMMON_STARTMENU:
    case CSIDL_COMMON_PROGRAMS:
    case CSIDL_COMMON_STARTUP:
    case CSIDL_COMMON_DESKTOPDIRECTORY:
      break;
    default:
      return false;
  }
  if (!IsNtFamily()) return false;
  switch (csidl) {
    case CSIDL_COMMON_STARTMENU:
      path = kCommonStartMenu;
      break;
    case CSIDL_COMMON_PROGRAMS:
      path = std::string(kCommonStartMenu) + "\\Programs";
      break;
    case CSIDL_COMMON_STARTUP:
      path = std::string(kCommonStartMenu) + "\\Programs\\StartUp";
      break;
    default:
      path = "C:\\users\\Public\\Desktop";
  }
  return true;
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const VersionRow& row = ConfiguredVersion();
  info->dwMajorVersion = row.major;
  info->dwMinorVersion = row.minor;
  info->dwBuildNumber = row.platform == VER_PLATFORM_WIN32_NT
                            ? row.build
                            : (row.major << 24 | row.minor << 16 | row.build);
  info->dwPlatformId = row.platform;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::strncpy(info->szCSDVersion, row.servicePack, sizeof info->szCSDVersion - 1);
  return TRUE;
}

DWORD NamedMutex::TryAcquire() {
  if (fd_ >= 0) return ERROR_SUCCESS;
  const std::filesystem::path folder = SystemRoot() / "mutexes";
  const std::string file = LockFileName(name_);
  if (file.size() > 255) return ERROR_FILENAME_EXCED_RANGE;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  int fd = open((folder / file).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED;
  }
  fd_ = fd;
  return ERROR_SUCCESS;
}

void NamedMutex::Release() {
  if (fd_ < 0) return;
  close(fd_);  // closing the only descriptor drops the lock
  fd_ = -1;
}

void Sleep(DWORD milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace win
