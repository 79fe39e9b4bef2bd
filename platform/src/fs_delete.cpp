// Creating and removing folders, deleting files, and the shell's silent delete.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fs_host.h"
#include "paths_internal.h"
#include "platform/system.h"
#include "platform/testing/write_errors.h"

namespace win {

using namespace fs_detail;

namespace {

// Removes a host entry and, for a folder, all it holds: read-only entries too, symbolic links as
// links, and nothing on another file system. Goes on past failures; 0 or the first error.
DWORD RemoveTree(const stdfs::path& host, dev_t device) {
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return ErrorFromErrno(errno, host);
  if (!S_ISDIR(st.st_mode))
    return unlink(host.c_str()) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno, host);
  if (st.st_dev != device) return ERROR_ACCESS_DENIED;
  if ((st.st_mode & S_IRWXU) != S_IRWXU) chmod(host.c_str(), st.st_mode | S_IRWXU);
  DWORD first = ERROR_SUCCESS;
  std::error_code ec;
  for (stdfs::directory_iterator entry(host, ec), end; !ec && entry != end; entry.increment(ec)) {
    DWORD code = RemoveTree(entry->path(), device);
    if (!first) first = code;
  }
  if (ec && !first) first = ErrorFromErrno(ec.value(), host / ".");
  if (rmdir(host.c_str()) != 0 && !first) first = ErrorFromErrno(errno, host, ERROR_DIR_NOT_EMPTY);
  return first;
}

DWORD RemoveEntry(const stdfs::path& host) {
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return ErrorFromErrno(errno, host);
  if (IsDriveRoot(host)) return ERROR_ACCESS_DENIED;
  DWORD code = RemoveTree(host, st.st_dev);
  if (lstat(host.c_str(), &st) != 0 && errno == ENOENT) paths::NoteEntryRemoved(host);
  return code;
}

DWORD DeletePattern(std::string_view path) {
  const SplitPath parts = Split(path);
  if (DWORD code = CheckNameCharacters(parts.name, true)) return code;
  stdfs::path folder;
  if (DWORD code = Resolve(parts.folder, folder)) return code;
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
  std::vector<FolderEntry> matches;
  if (DWORD code = MatchingEntries(folder, parts.name, false, matches)) return code;
  DWORD first = ERROR_SUCCESS;
  for (const FolderEntry& entry : matches) {
    DWORD code = RemoveEntry(entry.host);
    if (!first) first = code;
  }
  return first;
}

DWORD DeleteOne(std::string_view path) {
  if (path.size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  if (HasWildcards(Split(path).name)) return DeletePattern(path);
  stdfs::path host;
  if (DWORD code = Resolve(path, host)) return code;
  return RemoveEntry(host);
}

}  // namespace

BOOL DeleteFileA(std::string_view path) {
  stdfs::path host;
  if (DWORD code = Resolve(path, host)) return Fail(code);
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, host));
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (S_ISREG(st.st_mode) && (AttributesOf(host, st) & FILE_ATTRIBUTE_READONLY))
    return Fail(ERROR_ACCESS_DENIED);
  if (unlink(host.c_str()) != 0) return Fail(ErrorFromErrno(errno, host));
  paths::NoteEntryRemoved(host);
  return TRUE;
}

BOOL CreateDirectoryA(std::string_view path) {
  stdfs::path host;
  if (DWORD code = Resolve(path, host)) return Fail(code);
  if (DWORD injected = testing::InjectedWriteError(host)) return Fail(injected);
  if (mkdir(host.c_str(), 0777) != 0) return Fail(ErrorFromErrno(errno, host));
  paths::NoteEntryAdded(host);
  return TRUE;
}

BOOL RemoveDirectoryA(std::string_view path) {
  stdfs::path host;
  if (DWORD code = Resolve(path, host)) return Fail(code);
  struct stat st;
  if (stat(host.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, host));
  if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
  if (IsDriveRoot(host)) return Fail(ERROR_ACCESS_DENIED);
  struct stat link;
  const bool isLink = lstat(host.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
  if ((isLink ? unlink(host.c_str()) : rmdir(host.c_str())) != 0)
    return Fail(ErrorFromErrno(errno, host, ERROR_DIR_NOT_EMPTY));
  paths::NoteEntryRemoved(host);
  return TRUE;
}

DWORD ShellDeletePath(std::string_view path) {
  DWORD code = DeleteOne(path);
  if (code) SetLastError(code);
  return code;
}

}  // namespace win
