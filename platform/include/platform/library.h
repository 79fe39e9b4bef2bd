#pragma once
// Loading a library and calling its entry points (LoadLibraryA, GetProcAddress, FreeLibrary) over
// the host's dynamic loader. The path is an ANSI Windows path on the emulated system. A Windows DLL
// cannot run on this system: it counts as a library that cannot be loaded.
#include <string_view>

#include "platform/types.h"

namespace win {

using HMODULE = void*;
// An entry point; cast to its own type before calling it.
using FARPROC = void (*)();

// nullptr with the last error 126 when there is no such file, 193 when the file is not a library
// of this system (a Windows DLL included), 5 when it cannot be read.
HMODULE LoadLibraryA(std::string_view fileName);
// nullptr with 127 when the library has no such entry, 6 for no library.
FARPROC GetProcAddress(HMODULE module, const char* procName);
// Each load is freed once; FALSE with 6 for no library.
BOOL FreeLibrary(HMODULE module);

}  // namespace win
