#pragma once
// Drive links of a root given explicitly, for the root's own set-up.
#include <filesystem>
#include <optional>

namespace win::paths {

// The host folder of a drive letter through the links in dosdevices (either spelling of the
// letter).
std::optional<std::filesystem::path> DriveRootIn(const std::filesystem::path& dosdevices,
                                                 char letter);

// After this process created or renamed to (added) or deleted or renamed away (removed) the host
// entry, right after the change succeeded: keeps the cached listing of its folder in use.
void NoteEntryAdded(const std::filesystem::path& entry);
void NoteEntryRemoved(const std::filesystem::path& entry);

}  // namespace win::paths
