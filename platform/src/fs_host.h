#pragma once
// What the file operations share: resolving Windows paths, Win32 codes for host errors, and the
// attributes of host files.
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paths_internal.h"
#include "platform/fs.h"

namespace win::fs_detail {

namespace stdfs = std::filesystem;

// Sets the last error and returns FALSE, for the BOOL calls.
BOOL Fail(DWORD code);

// The Win32 code of an errno value met at `host`. ENOENT is 2 when the parent folder exists and 3
// when it does not; EEXIST is `whenExists` (80, 145 or 183 by the call).
DWORD ErrorFromErrno(int err, const stdfs::path& host, DWORD whenExists = ERROR_ALREADY_EXISTS);

// Length of the character that starts at s[i] in the ANSI code page (1 or more).
std::size_t CharLength(std::string_view s, std::size_t i);

// Position of the last "\" or "/" that is a character of its own (not a trail byte), or npos.
std::size_t LastSeparator(std::string_view path);

// Whether a name holds "*" or "?".
bool HasWildcards(std::string_view name);

// 0 when every character of the text may appear in a file name (wildcards too when allowed),
// else 123.
DWORD CheckNameCharacters(std::string_view text, bool allowWildcards);

// The host path of a Windows path without wildcards: 0, or 206 (too long), 123 (bad characters),
// 3 (no such drive or not absolute).
DWORD Resolve(std::string_view path, stdfs::path& host);
DWORD Resolve(std::string_view path, paths::HostEntry& entry);

// stat() of a resolved entry: 0 or the Win32 code. What the lookup found answers where it can.
DWORD StatEntry(const paths::HostEntry& entry, struct stat& st);

// A Windows path split into its folder (with the separator) and its last component.
struct SplitPath {
  std::string_view folder;
  std::string_view name;
};
// A path without a separator is a name in the drive's or the process's current folder.
SplitPath Split(std::string_view path);

// Whether a host folder is the root of a drive (a target of the dosdevices links).
bool IsDriveRoot(const stdfs::path& host);

// The attributes of a host entry whose stat() is `st`.
DWORD AttributesOf(const stdfs::path& host, const struct stat& st);
WIN32_FILE_ATTRIBUTE_DATA AttributeDataOf(const stdfs::path& host, const struct stat& st);

// The bits kept in user.DOSATTRIB, nullopt when the entry has none or the value is not ours.
std::optional<DWORD> ReadDosAttributes(const stdfs::path& host);
// Value for user.DOSATTRIB in Wine's spelling.
std::string DosAttributesValue(DWORD bits);
// Writes the value; 0 also where the file system keeps no extended attributes.
DWORD WriteDosAttributes(const stdfs::path& host, DWORD bits);
DWORD WriteDosAttributes(int fd, DWORD bits);

constexpr DWORD kKeptFileBits =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kKeptFolderBits = kKeptFileBits | FILE_ATTRIBUTE_READONLY;

// An entry of a host folder with its find data.
struct FolderEntry {
  stdfs::path host;
  WIN32_FIND_DATAA data;
};
// The entries of a host folder whose names match a pattern ("." and ".." first, when wanted and
// matched, then in name order); 0 or the error of reading the folder.
DWORD MatchingEntries(const stdfs::path& folder, std::string_view pattern, bool withDots,
                      std::vector<FolderEntry>& entries);

// Copies a host file as CopyFileA does; 0 or the Win32 code. With sync the copy is on the disk
// before the rename even when its name is new (a move that deletes the source next).
DWORD CopyHostFile(const paths::HostEntry& source, const paths::HostEntry& target,
                   bool failIfExists, bool sync);

}  // namespace win::fs_detail
