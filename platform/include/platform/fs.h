#pragma once
// Files and folders of the emulated system in Win32's shape. Every path is an ANSI Windows path
// resolved through HostPath; a failing call returns FALSE (or its documented failure value) and
// leaves the Win32 error code in the thread's last error.
//
// Attributes: FILE_ATTRIBUTE_READONLY of a file is the host's owner write bit. ARCHIVE, HIDDEN and
// SYSTEM (and READONLY of a folder) live in the extended attribute "user.DOSATTRIB", written as
// Wine and Samba write it: "0x" and the attribute bits in lower-case hexadecimal. A file without
// that attribute counts as ARCHIVE, as every newly written file is on Windows; where the host file
// system has no extended attributes these bits are not kept.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace win {

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;  // reported when no other bit is set
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// 100-nanosecond intervals since 1601-01-01.
struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

struct WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes = 0;
  FILETIME ftLastWriteTime;  // UTC
  DWORD nFileSizeHigh = 0;   // 0 for folders
  DWORD nFileSizeLow = 0;

  std::uint64_t FileSize() const {
    return (static_cast<std::uint64_t>(nFileSizeHigh) << 32) | nFileSizeLow;
  }
};

struct WIN32_FIND_DATAA : WIN32_FILE_ATTRIBUTE_DATA {
  std::string cFileName;  // ANSI; host characters the code page lacks appear as '?'
};

DWORD GetFileAttributesA(std::string_view path);  // INVALID_FILE_ATTRIBUTES on failure
// Keeps READONLY, HIDDEN, SYSTEM and ARCHIVE; NORMAL alone clears them all.
BOOL SetFileAttributesA(std::string_view path, DWORD attributes);
BOOL GetFileAttributesExA(std::string_view path, WIN32_FILE_ATTRIBUTE_DATA& data);
BOOL GetFileSize64(std::string_view path, std::uint64_t& size);

// Local time with the offset from UTC that was in force at that moment.
BOOL FileTimeToLocalFileTime(const FILETIME& utc, FILETIME& local);
// FALSE (87) outside the years 1980 to 2107 that DOS dates can hold.
BOOL FileTimeToDosDateTime(const FILETIME& local, WORD& dosDate, WORD& dosTime);
// The last-write time of a file or folder as DOS date and time of the local time.
BOOL GetFileDosDateTime(std::string_view path, WORD& dosDate, WORD& dosTime);

// Whether a file name matches a FindFirstFileA pattern: "*" and "?", letter case ignored, and the
// DOS rules of Windows: "*.*" matches every name, "*." names without an extension, "?" at the end
// of the name or before a dot may match nothing ("A?.TXT" matches "A.TXT"), and "x.*" matches "x".
// Short (8.3) names do not exist here and are never matched.
bool MatchFileName(std::string_view pattern, std::string_view name);

// A wildcard search in one folder (FindFirstFileA, FindNextFileA, FindClose). Only the last
// component of the pattern may hold wildcards; a pattern without them finds that one entry.
// Folders other than drive roots also list "." and ".." when the pattern matches them.
// Entries come in name order; the folder's listing is taken when the search starts.
class FileSearch {
 public:
  // FALSE with 2 when nothing matches, 3 when the folder does not exist.
  BOOL First(std::string_view pattern, WIN32_FIND_DATAA& data);
  // FALSE with 18 after the last entry.
  BOOL Next(WIN32_FIND_DATAA& data);

 private:
  std::vector<WIN32_FIND_DATAA> entries_;
  std::size_t next_ = 0;
};

// Copies data, permission bits (read-only, execute), HIDDEN and SYSTEM and the last-write time;
// the copy has ARCHIVE. The target is replaced at once (temporary file in its folder, then rename),
// so a failed copy leaves it as it was; a replacing copy is on the disk before the rename, so that
// a power loss cannot lose the old data, while a copy to a new name is not synced. Fails with 80
// when failIfExists and the target exists, with 5 when the target is a folder or read-only or
// hidden.
BOOL CopyFileA(std::string_view source, std::string_view target, BOOL failIfExists);
// Renames a file or folder; a file is copied across host file systems. 183 when the target exists.
BOOL MoveFileA(std::string_view source, std::string_view target);
// With MOVEFILE_REPLACE_EXISTING a file replaces an existing file in one rename (5 when that file
// is read-only); a folder is never replaced.
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 1;
BOOL MoveFileExA(std::string_view source, std::string_view target, DWORD flags);
// 5 for a folder or a read-only file.
BOOL DeleteFileA(std::string_view path);
// One level: 183 when the path exists, 3 when its parent folder does not.
BOOL CreateDirectoryA(std::string_view path);
// 145 when the folder is not empty, 267 when the path is a file.
BOOL RemoveDirectoryA(std::string_view path);

// The shell's silent delete (a file operation FO_DELETE with the flags 0x414: no confirmation, no
// error window, no recycle bin) of one path: a file, a folder with all it contains, or a pattern
// in the last component whose matches are deleted, folders with their contents. Read-only entries
// go too; symbolic links are removed, never followed; drive roots are refused (5). A pattern that
// matches nothing deletes nothing and succeeds. The delete goes on past a failing entry; the result
// is 0 or the first error, which is also left as the last error.
DWORD ShellDeletePath(std::string_view path);

// Free space of the drive or folder root (for example "C:\"), as statvfs reports it.
BOOL GetDiskFreeSpaceExA(std::string_view root, std::uint64_t* freeBytesAvailableToCaller,
                         std::uint64_t* totalBytes, std::uint64_t* totalFreeBytes);
// 512-byte sectors in clusters of the host's fragment size; the cluster is doubled until the
// counts fit 32 bits, so the product of the counts stays the real size (no 2 GB limit). The free
// clusters are those available to the caller.
BOOL GetDiskFreeSpaceA(std::string_view root, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* numberOfFreeClusters, DWORD* totalNumberOfClusters);

}  // namespace win
