// Stub until the system unit lands.
#include "platform/system.h"

#include "platform/root.h"

namespace win {
std::string GetWindowsDirectoryA() { return "C:\\windows"; }
std::string GetSystemDirectoryA() { return "C:\\windows\\system32"; }
std::string GetTempPathA() { return "C:\\users\\" + LoginName() + "\\AppData\\Local\\Temp\\"; }
}  // namespace win
