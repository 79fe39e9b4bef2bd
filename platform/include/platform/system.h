#pragma once
// System information of the emulated system: its folders, special folders, version, mutexes, Sleep.
#include <string>

#include "platform/types.h"

namespace win {

constexpr DWORD MAX_PATH = 260;

// Folders as Windows paths: "C:\windows", "C:\windows\system32" (no trailing backslash) and the
// temporary folder with its trailing backslash, as the Win32 calls return them.
std::string GetWindowsDirectoryA();
std::string GetSystemDirectoryA();
std::string GetTempPathA();

}  // namespace win
