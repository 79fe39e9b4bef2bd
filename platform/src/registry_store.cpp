#include "registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/root.h"

namespace win::regstore {

namespace fs = std::filesystem;

namespace {

struct FileSpec {
  const char* name;
  const char* base;  // what the header says the keys are relative to
};

const FileSpec& Spec(HiveFile file) {
  static const FileSpec files[] = {
      {"system.reg", "\\\\Machine"},
      {"user.reg", "\\\\User\\\\S-1-5-21-0-0-0-1000"},
      {"userdef.reg", "\\\\User\\\\.Default"},
  };
  return files[static_cast<int>(file)];
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    default:
      return ERROR_CANTWRITE;
  }
}

// What tells one version of a file from another. Since every save makes a new file, the inode
// alone would do, were inode numbers not reused once the old file is gone.
struct Identity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t mtimeSeconds = 0;
  long mtimeNanoseconds = 0;

  static Identity Of(const struct stat& st) {
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
  }
  bool operator==(const Identity&) const = default;
};

std::uint64_t ReadSaveCount(int fd) {
  std::uint64_t count = 0;
  if (fd < 0 || pread(fd, &count, sizeof count, 0) != sizeof count) return 0;
  return count;
}

// The exclusive lock on the lock file beside a registry file, held by a writer from reading the
// file to replacing it. The lock file also holds a save counter, raised by every save, which tells
// a copy from a newer file even where the identity cannot. Readers take no lock: a save puts a
// whole new file in place before it raises the counter, so a reader sees the old file or the new.
class WriteLock {
 public:
  explicit WriteLock(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
      error_ = ErrorFromErrno(errno);
      return;
    }
    while (flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        error_ = ErrorFromErrno(errno);
        return;
      }
    }
  }
  ~WriteLock() {
    if (fd_ >= 0) close(fd_);  // releases the lock
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

  DWORD error() const { return error_; }
  std::uint64_t SaveCount() const { return ReadSaveCount(fd_); }
  void SetSaveCount(std::uint64_t count) {
    if (pwrite(fd_, &count, sizeof count, 0) != sizeof count) {
      // Without the counter other processes still see the new file by its identity.
    }
  }

 private:
  int fd_ = -1;
  DWORD error_ = ERROR_SUCCESS;
};

// This process's copy of one registry file.
struct Copy {
  std::string path, lockPath;
  int counterFd = -1;  // the lock file, open for reading the save counter
  bool loaded = false;
  bool notRegistry = false;  // the file is not a registry file: never overwritten
  Identity identity;
  std::uint64_t saveCount = 0;
  regfile::Hive hive;

  void Reset(const std::string& root, HiveFile file) {
    if (counterFd >= 0) close(counterFd);
    *this = Copy{};
    path = (fs::path(root) / Spec(file).name).string();
    lockPath = path + ".lock";
  }
  std::uint64_t CurrentSaveCount() {
    if (counterFd < 0) counterFd = open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    return ReadSaveCount(counterFd);
  }
};

struct Cache {
  std::mutex mutex;
  std::string root;
  Copy copies[3];
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

DWORD ReadWholeFile(const std::string& path, std::string& text, Identity& identity) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno);
  struct stat st;
  DWORD result = fstat(fd, &st) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
  if (result == ERROR_SUCCESS) {
    identity = Identity::Of(st);
    text.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (result == ERROR_SUCCESS) {
      if (done == text.size()) text.resize(text.size() * 2 + 4096);  // the file grew meanwhile
      ssize_t n = read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) result = ErrorFromErrno(errno);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    text.resize(done);
  }
  close(fd);
  return result;
}

// Brings copy up to date with the file; parses it only when it changed.
DWORD Refresh(Copy& copy, HiveFile file, std::uint64_t saveCount) {
  Identity now;
  struct stat st;
  if (stat(copy.path.c_str(), &st) == 0) {
    now = Identity::Of(st);
  } else if (errno != ENOENT) {
    return ErrorFromErrno(errno);
  }
  if (!(copy.loaded && copy.identity == now && copy.saveCount == saveCount)) {
    copy.loaded = false;
    std::string text;
    if (now.exists) {
      DWORD result = ReadWholeFile(copy.path, text, now);
      if (result == ERROR_FILE_NOT_FOUND) {
        now = Identity{};
      } else if (result != ERROR_SUCCESS) {
        return result;
      }
    }
    // A missing or empty file is an empty registry; it gets its header when first written.
    copy.notRegistry = !text.empty() && !regfile::Parse(text, copy.hive);
    if (text.empty()) regfile::InitHive(copy.hive, Spec(file).base);
    if (copy.notRegistry) copy.hive = regfile::Hive{};
    copy.identity = now;
    copy.saveCount = saveCount;
    copy.loaded = true;
  }
  return copy.notRegistry ? ERROR_BADDB : ERROR_SUCCESS;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Replaces the file at path by text: a complete new file in the same folder, flushed to disk, then
// renamed over the old one, so that the path always names either the old or the new file.
DWORD SaveAtomically(const std::string& path, std::string_view text, Identity& identity) {
  std::string temp = path + ".tmp-XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return ErrorFromErrno(errno);
  struct stat old;
  mode_t mode = stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  struct stat st;
  bool ok = WriteAll(fd, text) && fchmod(fd, mode) == 0 && fsync(fd) == 0 && fstat(fd, &st) == 0;
  int error = errno;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temp.c_str(), path.c_str()) == 0) {
    identity = Identity::Of(st);  // a rename keeps inode, size and modification time
    return ERROR_SUCCESS;
  }
  if (ok) error = errno;
  unlink(temp.c_str());
  return ErrorFromErrno(error);
}

// The copy of file for the current root; every copy is dropped when the root changed.
Copy& CopyFor(Cache& cache, const std::string& root, HiveFile file) {
  if (cache.root != root) {
    cache.root = root;
    for (int i = 0; i < 3; ++i) cache.copies[i].Reset(root, static_cast<HiveFile>(i));
  }
  return cache.copies[static_cast<int>(file)];
}

}  // namespace

DWORD Read(HiveFile file, const std::function<DWORD(const regfile::Hive&)>& fn) {
  const std::string root =
      SystemRoot();  // before the cache's lock: a new root's layout writes keys
  Cache& cache = TheCache();
  std::lock_guard guard(cache.mutex);
  Copy& copy = CopyFor(cache, root, file);
  if (DWORD result = Refresh(copy, file, copy.CurrentSaveCount())) return result;
  return fn(copy.hive);
}

DWORD Write(HiveFile file, const std::function<DWORD(regfile::Hive&, bool& changed)>& fn) {
  const std::string root = SystemRoot();
  Cache& cache = TheCache();
  std::lock_guard guard(cache.mutex);
  Copy& copy = CopyFor(cache, root, file);
  std::error_code ec;
  fs::create_directories(root, ec);
  WriteLock lock(copy.lockPath);
  if (lock.error()) return lock.error();
  std::uint64_t saveCount = lock.SaveCount();
  if (DWORD result = Refresh(copy, file, saveCount)) return result;
  bool changed = false;
  DWORD result = fn(copy.hive, changed);
  if (changed) {
    Identity saved;
    if (DWORD error = SaveAtomically(copy.path, regfile::Serialize(copy.hive), saved)) {
      copy.loaded = false;
      return error;
    }
    copy.identity = saved;
    copy.saveCount = saveCount + 1;
    lock.SetSaveCount(copy.saveCount);
  }
  return result;
}

}  // namespace win::regstore
