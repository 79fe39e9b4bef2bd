#pragma once
// Private-profile (INI) functions with Win32's semantics. A file name without a folder is a file in
// the Windows folder. Sections and keys are found without regard to case (ASCII letters;
// double-byte characters compare exactly), names and values are trimmed of blanks, the first
// matching section and key win. File bytes are ANSI and never converted; lines a write does not
// touch keep their bytes, written lines end in CR LF.
//
// Every write is in the file when the call returns, and the file is always complete: a write that
// only adds lines at the end of the file adds them in place (the earlier bytes are never touched),
// any other write replaces the file by a synced temporary file in the same folder. Writers of one
// folder are serialised across processes. Parsed files are cached per process and re-read when
// another process changed them.
#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace win {

// section == nullptr: the section names; key == nullptr: the key names of the section; each name
// followed by a zero and the list by a second zero. Otherwise the value (without enclosing matching
// quotes), or def (nullptr is "", trailing spaces removed) when the key is missing. Cut to size - 1
// (lists to size - 2) and that length returned when the buffer is too small.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buffer,
                               DWORD size, const char* fileName);
DWORD GetPrivateProfileSectionNamesA(char* buffer, DWORD size, const char* fileName);
// value == nullptr deletes the key, key == nullptr the section (every section of that name); all
// three nullptr only flushes, which has nothing to do here and returns FALSE as Windows does. A
// missing file is created (its folder must exist: 3 otherwise); a read-only file gives 5.
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);

// The value as GetPrivateProfileStringA reads it, whatever its length; nullopt when the key is
// missing or the file cannot be read.
std::optional<std::string> GetPrivateProfileValue(std::string_view section, std::string_view key,
                                                  const char* fileName);

}  // namespace win
