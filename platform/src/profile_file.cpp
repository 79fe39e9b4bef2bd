#include "profile_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <vector>

namespace win::profile {

namespace {

constexpr DWORD ERROR_GEN_FAILURE = 31;

DWORD WriteAll(int fd, std::uint64_t offset, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? ErrorFromErrno(errno) : ERROR_DISK_FULL;
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += static_cast<std::uint64_t>(written);
  }
  return ERROR_SUCCESS;
}

DWORD IdentityOfOpen(int fd, FileIdentity& identity) {
  struct stat status;
  if (fstat(fd, &status) != 0) return ErrorFromErrno(errno);
  identity = IdentityOf(status);
  return ERROR_SUCCESS;
}

// Extended attributes hold the Windows attributes (hidden, system, archive); a file written
// anew keeps them as Windows keeps them on a file written in place. Best effort: a file system
// that refuses one loses only that one.
void CopyExtendedAttributes(int from, int to) {
  ssize_t length = flistxattr(from, nullptr, 0);
  if (length <= 0) return;
  std::vector<char> names(static_cast<std::size_t>(length));
  length = flistxattr(from, names.data(), names.size());
  for (ssize_t i = 0; i < length;) {
    const char* name = names.data() + i;
    i += static_cast<ssize_t>(std::string_view(name).size()) + 1;
    ssize_t size = fgetxattr(from, name, nullptr, 0);
    if (size < 0) continue;
    std::vector<char> value(static_cast<std::size_t>(size));
    size = fgetxattr(from, name, value.data(), value.size());
    if (size >= 0) fsetxattr(to, name, value.data(), static_cast<std::size_t>(size), 0);
  }
}

// The second step of an append keeps the size; a modification time finer than the file system's
// clock tick tells the final version from the masked one to a reader that saw the latter.
DWORD MarkModified(int fd) {
  struct stat status;
  timespec times[2] = {{0, UTIME_OMIT}, {}};
  if (fstat(fd, &status) != 0 || clock_gettime(CLOCK_REALTIME, &times[1]) != 0)
    return ErrorFromErrno(errno);
  const timespec& was = status.st_mtim;
  if (times[1].tv_sec < was.tv_sec ||
      (times[1].tv_sec == was.tv_sec && times[1].tv_nsec <= was.tv_nsec)) {
    times[1] = was;
    if (++times[1].tv_nsec == 1'000'000'000) times[1] = {was.tv_sec + 1, 0};
  }
  return futimens(fd, times) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

void CopyMetadata(int from, int to) {
  struct stat status;
  if (fstat(from, &status) != 0) return;
  fchmod(to, status.st_mode & 07777);
  if (fchown(to, status.st_uid, status.st_gid) != 0) {
    // only a privileged process can give a file away; the new file stays the caller's
  }
  CopyExtendedAttributes(from, to);
}

}  // namespace

FileIdentity IdentityOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev),
          static_cast<std::uint64_t>(status.st_ino),
          static_cast<std::uint64_t>(status.st_size),
          status.st_mtim.tv_sec,
          status.st_mtim.tv_nsec,
          status.st_ctim.tv_sec,
          status.st_ctim.tv_nsec};
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
      return ERROR_ACCESS_DENIED;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    default:
      return ERROR_GEN_FAILURE;
  }
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.release();
  }
  return *this;
}

FileHandle::~FileHandle() {
  if (fd_ >= 0) close(fd_);
}

int FileHandle::release() {
  int fd = fd_;
  fd_ = -1;
  return fd;
}

DWORD ReadFile(int fd, std::uint64_t size, std::string& bytes) {
  bytes.resize(size);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t got = pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ErrorFromErrno(errno);
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return ERROR_SUCCESS;
}

// Lines are added in two steps, so that a crash at any point leaves a file that reads as before or
// as after: first every new line with ";" for its first byte (a comment, however much of it
// reaches the file), then the real first bytes, one byte each.
DWORD AppendToFile(int fd, std::uint64_t offset, std::string_view bytes, FileIdentity& identity) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < bytes.size(); ++i)
    if ((i == 0 || bytes[i - 1] == '\n') && bytes[i] != '\r' && bytes[i] != '\n')
      starts.push_back(i);
  std::string masked(bytes);
  for (std::size_t start : starts) masked[start] = ';';
  DWORD error = WriteAll(fd, offset, masked);
  for (std::size_t start : starts)
    if (!error) error = WriteAll(fd, offset + start, bytes.substr(start, 1));
  if (!error) error = MarkModified(fd);
  if (error) {
    while (ftruncate(fd, static_cast<off_t>(offset)) != 0 && errno == EINTR) {
    }
    return error;
  }
  return IdentityOfOpen(fd, identity);
}

DWORD ReplaceFile(const std::filesystem::path& path, int previous, std::string_view bytes,
                  FileIdentity& identity) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temp;
  FileHandle file;
  for (int attempt = 0; attempt < 100 && !file; ++attempt) {
    temp = path.parent_path() /
           (".~ini" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp");
    file = FileHandle(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!file && errno != EEXIST) return ErrorFromErrno(errno);
  }
  if (!file) return ERROR_FILE_EXISTS;
  if (previous >= 0) CopyMetadata(previous, file.get());
  DWORD error = WriteAll(file.get(), 0, bytes);
  // The data must be on the disk before the new name is, or a power loss could leave the name on
  // an empty file.
  if (!error && fdatasync(file.get()) != 0) error = ErrorFromErrno(errno);
  if (!error && rename(temp.c_str(), path.c_str()) != 0) error = ErrorFromErrno(errno);
  if (error) {
    unlink(temp.c_str());
    return error;
  }
  return IdentityOfOpen(file.get(), identity);  // after the rename, which touches the ctime
}

FolderLock::FolderLock(const std::filesystem::path& folder)
    : folder_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (!folder_) {
    error_ = errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno);
    return;
  }
  // A file system without locks still gets the write; only concurrent writers can then collide.
  while (flock(folder_.get(), LOCK_EX) != 0 && errno == EINTR) {
  }
}

}  // namespace win::profile
