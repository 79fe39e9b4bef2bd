// Copying and moving files.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fs_host.h"
#include "paths_internal.h"
#include "platform/codepage.h"
#include "platform/testing/write_errors.h"

namespace win {

using namespace fs_detail;

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, for the error that close() may report.
  int close() {
    int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

DWORD CopyData(int from, int to) {
  char buffer[1 << 16];
  for (;;) {
    ssize_t got = read(from, buffer, sizeof buffer);
    if (got == 0) return ERROR_SUCCESS;
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrorFromErrno(errno, {});
    }
    for (ssize_t done = 0; done < got;) {
      ssize_t put = write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return ErrorFromErrno(errno, {});
      done += put;
    }
  }
}

// Data, attributes and last-write time of the source into the open temporary file; on the disk
// before the return when sync.
DWORD FillCopy(int from, int to, const stdfs::path& source, const struct stat& st, bool sync) {
  if (DWORD code = CopyData(from, to)) return code;
  const DWORD hidden = AttributesOf(source, st) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  if (DWORD code = WriteDosAttributes(to, hidden | FILE_ATTRIBUTE_ARCHIVE)) return code;
  const timespec times[2] = {{0, UTIME_NOW}, st.st_mtim};
  if (futimens(to, times) != 0 || fchmod(to, st.st_mode & 07777) != 0 || (sync && fsync(to) != 0))
    return ErrorFromErrno(errno, {});
  return ERROR_SUCCESS;
}

// Renames without replacing an existing target; 0 or the errno value (EEXIST when there is one).
int RenameNoReplace(const stdfs::path& from, const stdfs::path& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL) return errno;
  // The file system cannot refuse the replacement itself.
  struct stat st;
  if (lstat(to.c_str(), &st) == 0) return EEXIST;
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// 0 or the errno value.
int SyncFile(const std::string& path) {
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return file.get() >= 0 && fsync(file.get()) == 0 ? 0 : errno;
}

// Renames the filled temporary file to the target; 0 or the errno value. Data not yet on the disk
// never replaces a file: a target that appeared since it was checked waits for the sync.
int PutInPlace(const std::string& temporary, const stdfs::path& target, bool failIfExists,
               bool synced) {
  if (failIfExists || !synced) {
    const int err = RenameNoReplace(temporary, target);
    if (err != EEXIST || failIfExists) return err;
    if (const int syncErr = SyncFile(temporary)) return syncErr;
  }
  return rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
}

bool SameEntry(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// 0 when the target may be written over (exists is set) or does not exist.
DWORD CheckTarget(const paths::HostEntry& target, const struct stat& source, bool failIfExists,
                  bool& exists) {
  struct stat st;
  const DWORD code = StatEntry(target, st);
  exists = code == ERROR_SUCCESS;
  if (!exists)
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : code;
  if (SameEntry(st, source)) return ERROR_SHARING_VIOLATION;
  if (failIfExists) return ERROR_FILE_EXISTS;
  if (S_ISDIR(st.st_mode) ||
      (AttributesOf(target.host, st) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)))
    return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

// Gives an unnamed file its name in the folder; 0 or the errno value (EEXIST when the name is
// taken, which is never replaced).
int LinkUnnamed(int fd, const stdfs::path& target) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                          : errno;
}

// A copy to a new name made as an unnamed file that gets the name once complete, which costs the
// folder one entry instead of a temporary one and a rename. Returns false, having changed nothing,
// where that cannot be done (no unnamed files on this file system, no /proc, or the name was taken
// meanwhile by a file the copy may replace): the caller then copies through a named temporary.
bool CopyUnnamed(int from, const stdfs::path& source, const struct stat& st,
                 const stdfs::path& target, bool failIfExists, bool sync, DWORD& code) {
  FileDescriptor to(open(target.parent_path().c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (to.get() < 0) return false;
  code = FillCopy(from, to.get(), source, st, sync);
  if (!code) code = testing::InjectedWriteError(target);  // as if the data had not fit
  if (code) return true;
  const int err = LinkUnnamed(to.get(), target);
  if (err == EEXIST && failIfExists) {
    code = ERROR_FILE_EXISTS;
    return true;
  }
  if (err) {
    if (lseek(from, 0, SEEK_SET) == 0) return false;  // to be read again for the named copy
    code = ErrorFromErrno(errno, {});
    return true;
  }
  if (to.close() != 0) {
    code = ErrorFromErrno(errno, {});
    unlink(target.c_str());
    return true;
  }
  paths::NoteEntryAdded(target);
  return true;
}

// The host path a move goes to. A target that names the source itself in other letter case
// renames it to the case given.
stdfs::path MoveTarget(std::string_view target, const stdfs::path& resolved,
                       const struct stat& source) {
  struct stat st;
  const SplitPath parts = Split(target);
  if (lstat(resolved.c_str(), &st) != 0 || !SameEntry(st, source) || parts.name.empty())
    return resolved;
  return resolved.parent_path() / AnsiToUtf8(parts.name);
}

DWORD MoveHost(const stdfs::path& source, const stdfs::path& target, const struct stat& st,
               bool replace) {
  if (DWORD injected = testing::InjectedWriteError(target)) return injected;
  struct stat existing;
  const bool exists = lstat(target.c_str(), &existing) == 0;
  if (exists && !SameEntry(existing, st)) {
    // only a file replaces a file; folders are never replaced
    if (!replace || S_ISDIR(existing.st_mode) || S_ISDIR(st.st_mode)) return ERROR_ALREADY_EXISTS;
    if (!(existing.st_mode & S_IWUSR)) return ERROR_ACCESS_DENIED;
    // the replacing file's data reaches the disk before the rename that makes it the only copy
    FileDescriptor data(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (data.get() < 0 || fsync(data.get()) != 0) return ErrorFromErrno(errno, source);
  }
  const int err = exists ? (rename(source.c_str(), target.c_str()) == 0 ? 0 : errno)
                         : RenameNoReplace(source, target);
  if (err == EXDEV && S_ISREG(st.st_mode)) {
    if (DWORD code = CopyHostFile({source, st, false}, {target, {}, false}, true, true))
      return code;
    if (unlink(source.c_str()) != 0) return ErrorFromErrno(errno, source);
    paths::NoteEntryRemoved(source);
    return ERROR_SUCCESS;
  }
  if (!err) {
    paths::NoteEntryRemoved(source);
    paths::NoteEntryAdded(target);
  }
  return ErrorFromErrno(err, target);
}

}  // namespace

namespace fs_detail {

DWORD CopyHostFile(const paths::HostEntry& source, const paths::HostEntry& target,
                   bool failIfExists, bool sync) {
  struct stat st;
  if (DWORD code = StatEntry(source, st)) return code;
  if (S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
  bool exists = false;
  if (DWORD code = CheckTarget(target, st, failIfExists, exists)) return code;
  sync = sync || exists;  // a replacement never loses the old data to a power loss

  FileDescriptor from(open(source.host.c_str(), O_RDONLY | O_CLOEXEC));
  if (from.get() < 0) return ErrorFromErrno(errno, source.host);
  DWORD code = ERROR_SUCCESS;
  if (!exists && CopyUnnamed(from.get(), source.host, st, target.host, failIfExists, sync, code))
    return code;
  std::string temporary = (target.host.parent_path() / ".~copy-XXXXXX").string();
  FileDescriptor to(mkostemp(temporary.data(), O_CLOEXEC));
  if (to.get() < 0) return ErrorFromErrno(errno, target.host);

  code = FillCopy(from.get(), to.get(), source.host, st, sync);
  if (!code) code = testing::InjectedWriteError(target.host);  // as if the data had not fit
  if (to.close() != 0 && !code) code = ErrorFromErrno(errno, {});
  if (!code)
    code = ErrorFromErrno(PutInPlace(temporary, target.host, failIfExists, sync), target.host,
                          ERROR_FILE_EXISTS);
  if (code) {
    unlink(temporary.c_str());
    paths::NoteEntryRemoved(temporary);
  } else {
    paths::NoteEntryAdded(target.host);
  }
  return code;
}

}  // namespace fs_detail

BOOL CopyFileA(std::string_view source, std::string_view target, BOOL failIfExists) {
  paths::HostEntry from, to;
  DWORD code = Resolve(source, from);
  if (!code) code = Resolve(target, to);
  if (!code) code = CopyHostFile(from, to, failIfExists != FALSE, false);
  return code ? Fail(code) : TRUE;
}

BOOL MoveFileA(std::string_view source, std::string_view target) {
  return MoveFileExA(source, target, 0);
}

BOOL MoveFileExA(std::string_view source, std::string_view target, DWORD flags) {
  stdfs::path from, to;
  DWORD code = Resolve(source, from);
  if (!code) code = Resolve(target, to);
  if (code) return Fail(code);
  struct stat st;
  if (lstat(from.c_str(), &st) != 0) return Fail(ErrorFromErrno(errno, from));
  code = MoveHost(from, MoveTarget(target, to, st), st, (flags & MOVEFILE_REPLACE_EXISTING) != 0);
  return code ? Fail(code) : TRUE;
}

}  // namespace win
