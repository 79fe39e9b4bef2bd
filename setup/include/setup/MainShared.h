#pragma once
// Usage counts of shared libraries (the system's SharedDLLs values) and self-registration of
// controls through their DllRegisterServer and DllUnregisterServer entries.
#include <string>
#include <string_view>

#include "setup/MainHelpers.h"

namespace setup {

// The usage count of a library, named by its full path as the script wrote it; 0 on any failure.
int SharedCount(const std::string& path);

// Raises the count (a library that exists without a count is taken to have one user already) or
// lowers it (the value goes when no user is left). The new count.
int ChangeSharedCount(const std::string& path, bool raise);

// The path names an ActiveX control or a DLL: ".OCX" or ".DLL" anywhere, without regard to case.
bool IsControlFile(std::string_view path);

// Loads the library and calls its DllRegisterServer (register) or DllUnregisterServer entry. True
// only when a registration succeeded. Failures of a registration are shown in message boxes; a
// library that cannot be loaded is shown only in install mode.
bool RegisterControl(const std::string& path, bool registerIt, SetupMode mode);

}  // namespace setup
