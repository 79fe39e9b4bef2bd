#pragma once
// Existence tests on the emulated file system, for the helpers' own use.
#include <string>

#include "platform/fs.h"

namespace setup::internal {

inline bool Exists(const std::string& path) {
  return win::GetFileAttributesA(path) != win::INVALID_FILE_ATTRIBUTES;
}

// An existing file; a folder is not a file.
inline bool FileExists(const std::string& path) {
  win::DWORD attributes = win::GetFileAttributesA(path);
  return attributes != win::INVALID_FILE_ATTRIBUTES &&
         (attributes & win::FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace setup::internal
