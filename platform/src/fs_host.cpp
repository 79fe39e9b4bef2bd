#include "fs_host.h"

#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/system.h"

namespace win::fs_detail {

namespace {

constexpr const char* kDosAttribName = "user.DOSATTRIB";

bool IsFolder(const stdfs::path& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool XattrsUnsupported(int err) { return err == ENOTSUP || err == EOPNOTSUPP; }

std::optional<DWORD> ParseDosAttributes(const char* data, ssize_t length) {
  std::string text(data, static_cast<std::size_t>(length));
  if (!text.empty() && text.back() == '\0') text.pop_back();  // Samba stores the zero too
  if (text.size() < 3 || text[0] != '0' || text[1] != 'x') return std::nullopt;
  char* end = nullptr;
  unsigned long bits = std::strtoul(text.c_str() + 2, &end, 16);
  if (*end != '\0') return std::nullopt;
  return static_cast<DWORD>(bits);
}

}  // namespace

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

DWORD ErrorFromErrno(int err, const stdfs::path& host, DWORD whenExists) {
  switch (err) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return IsFolder(host.parent_path()) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return whenExists;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EXDEV:
      return ERROR_NOT_SAME_DEVICE;
    case ELOOP:
      return ERROR_CANT_RESOLVE_FILENAME;
    case EIO:
      return ERROR_IO_DEVICE;
    case ENOMEDIUM:
      return ERROR_NOT_READY;
    case ENXIO:
    case ENODEV:
      return ERROR_BAD_UNIT;
    default:
      return ERROR_GEN_FAILURE;
  }
}

std::size_t CharLength(std::string_view s, std::size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  std::size_t length = 1;
  if (GetACP() == 65001) {
    if (c >= 0xF0)
      length = 4;
    else if (c >= 0xE0)
      length = 3;
    else if (c >= 0xC0)
      length = 2;
  } else if (IsDBCSLeadByte(c)) {
    length = 2;
  }
  return std::min(length, s.size() - i);
}

std::size_t LastSeparator(std::string_view path) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); i += CharLength(path, i))
    if (path[i] == '\\' || path[i] == '/') last = i;
  return last;
}

bool HasWildcards(std::string_view name) {
  for (std::size_t i = 0; i < name.size(); i += CharLength(name, i))
    if (name[i] == '*' || name[i] == '?') return true;
  return false;
}

DWORD CheckNameCharacters(std::string_view text, bool allowWildcards) {
  for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool wildcard = c == '*' || c == '?';
    if (c < 0x20 || c == '"' || c == '<' || c == '>' || c == '|' || (wildcard && !allowWildcards))
      return ERROR_INVALID_NAME;
  }
  return ERROR_SUCCESS;
}

DWORD Resolve(std::string_view path, paths::HostEntry& entry) {
  if (path.size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  std::string_view rest = path.size() >= 2 && path[1] == ':' ? path.substr(2) : path;
  if (DWORD bad = CheckNameCharacters(rest, false)) return bad;
  if (rest.find(':') != std::string_view::npos) return ERROR_INVALID_NAME;
  std::optional<paths::HostEntry> found = paths::FindHostEntry(path);
  if (!found) return ERROR_PATH_NOT_FOUND;
  entry = std::move(*found);
  return ERROR_SUCCESS;
}

DWORD Resolve(std::string_view path, stdfs::path& host) {
  paths::HostEntry entry;
  DWORD code = Resolve(path, entry);
  if (!code) host = std::move(entry.host);
  return code;
}

DWORD StatEntry(const paths::HostEntry& entry, struct stat& st) {
  if (entry.absent) return ERROR_FILE_NOT_FOUND;
  if (entry.status && !S_ISLNK(entry.status->st_mode)) {
    st = *entry.status;
    return ERROR_SUCCESS;
  }
  if (stat(entry.host.c_str(), &st) != 0) return ErrorFromErrno(errno, entry.host);
  return ERROR_SUCCESS;
}

SplitPath Split(std::string_view path) {
  std::size_t separator = LastSeparator(path);
  if (separator != std::string_view::npos)
    return {path.substr(0, separator + 1), path.substr(separator + 1)};
  if (path.size() >= 2 && path[1] == ':') return {path.substr(0, 2), path.substr(2)};
  return {".", path};  // in the current folder
}

bool IsDriveRoot(const stdfs::path& host) {
  struct stat target;
  if (stat(host.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) return false;
  for (char letter : DriveLetters()) {
    std::optional<stdfs::path> root = DriveRoot(letter);
    struct stat st;
    if (root && stat(root->c_str(), &st) == 0 && st.st_dev == target.st_dev &&
        st.st_ino == target.st_ino)
      return true;
  }
  return false;
}

std::optional<DWORD> ReadDosAttributes(const stdfs::path& host) {
  char value[64];
  ssize_t length = getxattr(host.c_str(), kDosAttribName, value, sizeof value);
  if (length <= 0) return std::nullopt;
  return ParseDosAttributes(value, length);
}

std::string DosAttributesValue(DWORD bits) {
  char value[16];
  int length = std::snprintf(value, sizeof value, "0x%x", static_cast<unsigned>(bits));
  return std::string(value, static_cast<std::size_t>(length));
}

DWORD WriteDosAttributes(const stdfs::path& host, DWORD bits) {
  std::string value = DosAttributesValue(bits);
  if (setxattr(host.c_str(), kDosAttribName, value.data(), value.size(), 0) == 0 ||
      XattrsUnsupported(errno))
    return ERROR_SUCCESS;
  return ErrorFromErrno(errno, host);
}

DWORD WriteDosAttributes(int fd, DWORD bits) {
  std::string value = DosAttributesValue(bits);
  if (fsetxattr(fd, kDosAttribName, value.data(), value.size(), 0) == 0 || XattrsUnsupported(errno))
    return ERROR_SUCCESS;
  return ErrorFromErrno(errno, {});
}

DWORD AttributesOf(const stdfs::path& host, const struct stat& st) {
  std::optional<DWORD> stored = ReadDosAttributes(host);
  DWORD attributes;
  if (S_ISDIR(st.st_mode)) {
    attributes = FILE_ATTRIBUTE_DIRECTORY | (stored.value_or(0) & kKeptFolderBits);
  } else {
    attributes = stored ? (*stored & kKeptFileBits) : FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  }
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

}  // namespace win::fs_detail
