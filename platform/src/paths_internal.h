#pragma once
// Drive links of a root given explicitly, for the root's own set-up; what a lookup learnt about
// the entry it found, for the file operations.
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string_view>

namespace win::paths {

// The host folder of a drive letter through the links in dosdevices (either spelling of the
// letter).
std::optional<std::filesystem::path> DriveRootIn(const std::filesystem::path& dosdevices,
                                                 char letter);

// After this process created or renamed to (added) or deleted or renamed away (removed) the host
// entry, right after the change succeeded: keeps the cached listing of its folder in use.
void NoteEntryAdded(const std::filesystem::path& entry);
void NoteEntryRemoved(const std::filesystem::path& entry);

// The host entry of a Windows path as HostPath finds it, with what the lookup learnt on the way,
// so that the caller need not ask the host again.
struct HostEntry {
  std::filesystem::path host;
  std::optional<struct stat> status;  // lstat() of host, when the lookup made one that found it
  bool absent = false;                // known not to exist, in a folder that does
};
std::optional<HostEntry> FindHostEntry(std::string_view windowsPath);

}  // namespace win::paths
