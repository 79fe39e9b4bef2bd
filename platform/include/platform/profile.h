#pragma once
// Private-profile (INI) functions with Win32's semantics. A file name without a folder is a file in
// the Windows folder. File bytes are ANSI and never converted; written lines end in CR LF; every write
// leaves a complete file (temporary file, then rename).
#include "platform/types.h"

namespace win {

// section == nullptr: the section names; key == nullptr: the key names of the section; each name
// followed by a zero and the list by a second zero. Otherwise the value, or def when the key is
// missing. Cut to size - 1 (lists to size - 2) and that length returned when the buffer is too small.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buffer,
                               DWORD size, const char* fileName);
DWORD GetPrivateProfileSectionNamesA(char* buffer, DWORD size, const char* fileName);
// value == nullptr deletes the key, key == nullptr the section; all three nullptr only flushes.
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);

}  // namespace win
