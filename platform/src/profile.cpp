// Stub until the profile unit lands: every key is missing, writes are dropped.
#include "platform/profile.h"

#include <cstring>

namespace win {
DWORD GetPrivateProfileStringA(const char*, const char*, const char* def, char* buffer, DWORD size,
                               const char*) {
  if (size == 0) return 0;
  std::strncpy(buffer, def ? def : "", size - 1);
  buffer[size - 1] = 0;
  return static_cast<DWORD>(std::strlen(buffer));
}
DWORD GetPrivateProfileSectionNamesA(char* buffer, DWORD size, const char*) {
  if (size >= 2) buffer[0] = buffer[1] = 0;
  return 0;
}
BOOL WritePrivateProfileStringA(const char*, const char*, const char*, const char*) { return TRUE; }
}  // namespace win
