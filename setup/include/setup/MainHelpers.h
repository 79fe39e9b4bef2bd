#pragma once
// Helpers of the installer shared by the start-up, the install run and the uninstall run. They
// report failures as system error codes (0 for success) or Booleans and never throw.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace setup {

// The mode chosen at start-up: install ("SETUP") or uninstall ("UNSETUP").
enum class SetupMode { Setup, UnSetup };

// The text as PosText compares it: upper-cased by the system locale (unchanged when the mapping
// would change its length, so that positions stay those of the text).
std::string SearchForm(std::string_view text);

// Position (1-based, 0 when absent) of pattern in text without regard to case, double-byte aware.
std::size_t PosText(std::string_view pattern, std::string_view text);

// The parts of a path around its last "\" or ":" (never a trail byte): the folder with that
// separator, and the file name after it.
std::string FolderPart(std::string_view path);
std::string FileNamePart(std::string_view path);

// A modal message box through the application; the button pressed (6 Yes, 7 No, 1 OK, 2 Cancel).
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);

// The system's message for an error code, without its closing blanks, control characters and full
// stops, in full-width characters and followed by CR LF; empty for 0.
std::string ErrorText(win::DWORD code);

// Copies source over target; the target ends with the archive attribute alone (also when it was
// read-only before, or the source was). 0 or the system error of the copy.
win::DWORD CopyOneFile(const std::string& source, const std::string& target);

// Deletes a file, or what a pattern with "*" or "?" matches (folders with their contents), without
// confirmation; a control library is unregistered first. 2 for a missing file without wildcards
// (a folder is not a file), otherwise 0 or the system error.
win::DWORD DeletePath(const std::string& path, SetupMode mode);

// Deletes folder + each item of masks ("*.INI|*.GID|"; results ignored), then removes the folder:
// 0 or the system error of the removal (145 while it is not empty).
win::DWORD DeleteFolderItems(const std::string& folder, const std::string& masks, SetupMode mode);

// True when the folder lists any entry ("." counts; an empty drive root has none).
bool FolderExists(const std::string& path);

// Creates every missing folder of the path from its start; the outcome of the last creation tried
// (true when nothing was missing).
bool ForceFolder(const std::string& path);

// Deletes a key with its subkeys under a registry-root macro, trying up to 99 times while it still
// exists. An empty key, or one naming the root itself, deletes nothing. Always true.
bool DeleteRegKey(const std::string& rootMacro, const std::string& key);

// Free space of a drive ("C:" or "C:\"): whether the system gave it, and the bytes (-1 when not).
struct DiskSpace {
  bool ok = false;
  std::int64_t bytes = -1;
};
// The bytes available to the caller (GetDiskFreeSpaceExA).
DiskSpace FreeDiskSpaceEx(const std::string& drive);
// Free clusters x sectors per cluster x bytes per sector (GetDiskFreeSpaceA).
DiskSpace FreeDiskSpace(const std::string& drive);

}  // namespace setup
