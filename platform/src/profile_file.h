#pragma once
// Host file operations behind the profile functions: reading a whole file, adding bytes at its
// end, and replacing it atomically. Results are Win32 error codes (0 on success).
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace win::profile {

// What tells one version of a file from another: a file replaced by rename has a new inode, one
// written in place a new size or modification time.
struct FileIdentity {
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t mtimeSeconds = 0, mtimeNanoseconds = 0, ctimeSeconds = 0, ctimeNanoseconds = 0;
  bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentityOf(const struct stat& status);

DWORD ErrorFromErrno(int error);

// An open file, closed with the object.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(FileHandle&& other) noexcept : fd_(other.release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  ~FileHandle();
  int get() const { return fd_; }
  int release();
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// The first `size` bytes of an open file (fewer when it ends earlier).
DWORD ReadFile(int fd, std::uint64_t size, std::string& bytes);

// Writes `bytes` at `offset`, the file's end; a failed write is cut off again, so the file keeps
// its earlier bytes exactly. The earlier bytes are never touched.
DWORD AppendToFile(int fd, std::uint64_t offset, std::string_view bytes, FileIdentity& identity);

// Writes `bytes` to a new file in the same folder, syncs it and renames it over `path`, so the
// path names either the old complete file or the new one. The mode, owner and extended
// attributes of `previous` (the file being replaced, -1 for none) carry over.
DWORD ReplaceFile(const std::filesystem::path& path, int previous, std::string_view bytes,
                  FileIdentity& identity);

// Serialises the writers of one folder across processes (an advisory lock on the folder), so that
// no write is based on a version of a file that another process has just replaced.
class FolderLock {
 public:
  explicit FolderLock(const std::filesystem::path& folder);
  DWORD error() const { return error_; }  // 3 when the folder does not exist

 private:
  FileHandle folder_;
  DWORD error_ = 0;
};

}  // namespace win::profile
