#pragma once
// Windows paths on the emulated system: drive letters come from $WINROOT/dosdevices, "\" and "/"
// separate, "." and ".." never leave the drive's root, existing components are found without regard
// to letter case (an exact match first), and names are ANSI text converted to UTF-8 on the host.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace win {

// The host path of a Windows path (absolute with a drive letter). Components that do not exist
// keep the case given. nullopt when the drive is not mapped or the path is not absolute.
std::optional<std::filesystem::path> HostPath(std::string_view windowsPath);

// The Windows path of a host path: through the drive whose folder holds it (C: for drive_c), else Z:.
std::string WindowsPath(const std::filesystem::path& hostPath);

}  // namespace win
