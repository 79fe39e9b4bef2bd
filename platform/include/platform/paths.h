#pragma once
// Windows paths on the emulated system: drive letters come from $WINROOT/dosdevices, "\" and "/"
// separate, "." and ".." never leave the drive's root, trailing dots and spaces of a component are
// dropped, existing components are found without regard to letter case (an exact match first), and
// names are ANSI text converted to UTF-8 on the host. Separators are found double-byte aware: the
// trail byte 0x5C of a Shift-JIS character is no separator.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace win {

// The full Windows path "X:\dir\name" (GetFullPathNameA) without looking at the disk: the drive
// letter in capitals, "\" between components, "." and ".." resolved. A path without a drive, or
// with a drive but no root ("C:name"), is taken from the current directory (the host's, seen as a
// Windows path; on another drive than the current directory's, from that drive's root).
// nullopt for a UNC path, an empty path or one holding a NUL.
std::optional<std::string> FullPathName(std::string_view path);

// The host folder of a drive letter: the target of the link dosdevices/<letter>:, nullopt when
// there is none.
std::optional<std::filesystem::path> DriveRoot(char letter);

// The letters of the mapped drives, in capitals and in order ("CZ").
std::string DriveLetters();

// The host path of a Windows path. Components that do not exist keep the case given. nullopt when
// the drive is not mapped or FullPathName gives none.
std::optional<std::filesystem::path> HostPath(std::string_view windowsPath);

// The Windows path of a host path: through the drive whose folder holds it (the deepest such
// folder, C: for drive_c), else Z:.
std::string WindowsPath(const std::filesystem::path& hostPath);

}  // namespace win
