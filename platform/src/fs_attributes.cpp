// Attributes, sizes and times of files and folders.
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <limits>

#include "fs_host.h"

namespace win {

using namespace fs_detail;

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

std::uint64_t Ticks(const FILETIME& t) {
  return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

FILETIME FromTimespec(const timespec& t) {
  const std::int64_t seconds = static_cast<std::int64_t>(t.tv_sec) + kSecondsFrom1601To1970;
  if (seconds < 0) return FILETIME{};
  return FromTicks(static_cast<std::uint64_t>(seconds) * kTicksPerSecond +
                   static_cast<std::uint64_t>(t.tv_nsec / 100));
}

// Seconds since 1970 of a FILETIME, rounded down.
std::int64_t UnixSeconds(const FILETIME& t) {
  return static_cast<std::int64_t>(Ticks(t) / kTicksPerSecond) - kSecondsFrom1601To1970;
}

// stat() of a Windows path; 0 or the Win32 code.
DWORD StatPath(std::string_view path, stdfs::path& host, struct stat& st) {
  paths::HostEntry entry;
  if (DWORD code = Resolve(path, entry)) return code;
  const DWORD code = StatEntry(entry, st);
  host = std::move(entry.host);
  return code;
}

DWORD ChangeMode(const stdfs::path& host, mode_t mode) {
  return chmod(host.c_str(), mode) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno, host);
}

// A file's extended attributes can only be written while the file is writable, so a read-only
// file is made writable for the moment; on failure it gets its old mode back.
DWORD SetFileBits(const stdfs::path& host, mode_t mode, DWORD bits) {
  const mode_t writable = mode | S_IWUSR;
  const mode_t readOnly = mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  if (mode != writable)
    if (DWORD code = ChangeMode(host, writable)) return code;
  DWORD code = WriteDosAttributes(host, bits & kKeptFileBits);
  const mode_t last = code ? mode : (bits & FILE_ATTRIBUTE_READONLY) ? readOnly : writable;
  if (last != writable)
    if (DWORD modeCode = ChangeMode(host, last); !code) code = modeCode;
  return code;
}

}  // namespace

namespace fs_detail {

WIN32_FILE_ATTRIBUTE_DATA AttributeDataOf(const stdfs::path& host, const struct stat& st) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  data.dwFileAttributes = AttributesOf(host, st);
  data.ftLastWriteTime = FromTimespec(st.st_mtim);
  if (!S_ISDIR(st.st_mode)) {
    const auto size = static_cast<std::uint64_t>(st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
  }
  return data;
}

}  // namespace fs_detail

DWORD GetFileAttributesA(std::string_view path) {
  stdfs::path host;
  struct stat st;
  if (DWORD code = StatPath(path, host, st)) {
    SetLastError(code);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(host, st);
}

BOOL SetFileAttributesA(std::string_view path, DWORD attributes) {
  stdfs::path host;
  struct stat st;
  if (DWORD code = StatPath(path, host, st)) return Fail(code);
  DWORD code = S_ISDIR(st.st_mode) ? WriteDosAttributes(host, attributes & kKeptFolderBits)
                                   : SetFileBits(host, st.st_mode & 07777, attributes);
  return code ? Fail(code) : TRUE;
}

BOOL GetFileAttributesExA(std::string_view path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  stdfs::path host;
  struct stat st;
  if (DWORD code = StatPath(path, host, st)) return Fail(code);
  data = AttributeDataOf(host, st);
  return TRUE;
}

BOOL GetFileSize64(std::string_view path, std::uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, data)) return FALSE;
  size = data.FileSize();
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME& utc, FILETIME& local) {
  const std::int64_t seconds = UnixSeconds(utc);
  if (seconds > std::numeric_limits<time_t>::max() || seconds < std::numeric_limits<time_t>::min())
    return Fail(ERROR_INVALID_PARAMETER);
  const auto when = static_cast<time_t>(seconds);
  struct tm parts;
  if (!localtime_r(&when, &parts)) return Fail(ERROR_INVALID_PARAMETER);
  const std::int64_t shifted = static_cast<std::int64_t>(Ticks(utc)) +
                               static_cast<std::int64_t>(parts.tm_gmtoff) * kTicksPerSecond;
  if (shifted < 0) return Fail(ERROR_INVALID_PARAMETER);
  local = FromTicks(static_cast<std::uint64_t>(shifted));
  return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME& local, WORD& dosDate, WORD& dosTime) {
  const std::int64_t seconds = UnixSeconds(local);
  if (seconds > std::numeric_limits<time_t>::max() || seconds < std::numeric_limits<time_t>::min())
    return Fail(ERROR_INVALID_PARAMETER);
  const auto when = static_cast<time_t>(seconds);
  struct tm parts;
  if (!gmtime_r(&when, &parts)) return Fail(ERROR_INVALID_PARAMETER);
  const int year = parts.tm_year + 1900;
  if (year < 1980 || year > 2107) return Fail(ERROR_INVALID_PARAMETER);
  dosDate = static_cast<WORD>(((year - 1980) << 9) | ((parts.tm_mon + 1) << 5) | parts.tm_mday);
  dosTime = static_cast<WORD>((parts.tm_hour << 11) | (parts.tm_min << 5) | (parts.tm_sec / 2));
  return TRUE;
}

BOOL GetFileDosDateTime(std::string_view path, WORD& dosDate, WORD& dosTime) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  return GetFileAttributesExA(path, data) && FileTimeToLocalFileTime(data.ftLastWriteTime, local) &&
         FileTimeToDosDateTime(local, dosDate, dosTime);
}

}  // namespace win
