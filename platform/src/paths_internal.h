#pragma once
// Drive links of a root given explicitly, for the root's own set-up.
#include <filesystem>
#include <optional>

namespace win::paths {

// The host folder of a drive letter through the links in dosdevices (either spelling of the
// letter).
std::optional<std::filesystem::path> DriveRootIn(const std::filesystem::path& dosdevices,
                                                 char letter);

}  // namespace win::paths
