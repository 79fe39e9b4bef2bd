#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/root.h"
#include "platform/system.h"
#include "platform/testing/write_errors.h"
#include "profile_document.h"
#include "profile_file.h"

namespace win {

namespace {

namespace fs = std::filesystem;
using profile::Change;
using profile::Document;
using profile::Edit;
using profile::ErrorFromErrno;
using profile::FileHandle;
using profile::FileIdentity;

constexpr std::size_t kCachedFiles = 16;
constexpr std::size_t kCachedNames = 256;

struct CachedFile {
  FileIdentity identity;
  unsigned codePage = 0;
  std::optional<Document> document;
  std::uint64_t lastUse = 0;
};

// The parsed files of this process and the host paths of the names they were opened by. A file
// is trusted while its identity is unchanged; a remembered host path while a file exists there.
class ProfileCache {
 public:
  static ProfileCache& Instance() {
    static ProfileCache* cache = [] {
      auto* created = new ProfileCache;  // lives as long as the process, like its handler
      OnSystemRootChange([created] {
        std::lock_guard lock(created->mutex_);
        created->Clear();
      });
      return created;
    }();
    return *cache;
  }

  // Runs `read` with the file's document (nullptr when it cannot be read: last error set).
  template <class Read>
  auto WithDocument(const char* fileName, Read&& read) {
    std::lock_guard lock(mutex_);
    DWORD error = ERROR_SUCCESS;
    const Document* document = Load(fileName, error);
    if (!document) SetLastError(error);
    return read(document);
  }

  DWORD Write(const char* fileName, const std::function<Edit(Document&)>& edit);

 private:
  void Clear() {
    files_.clear();
    hostPaths_.clear();
    windowsFolder_.clear();
  }
  void BeginCall();
  std::string FullName(const char* fileName);
  std::optional<fs::path> HostFile(const std::string& name, struct stat& status, bool& exists,
                                   bool& link);
  const Document* Load(const char* fileName, DWORD& error);
  CachedFile& Entry(const fs::path& host);
  bool Current(const CachedFile& entry, const FileIdentity& identity) const;
  DWORD Sync(CachedFile& entry, int fd, const struct stat& status);
  void Evict();

  std::mutex mutex_;
  std::unordered_map<std::string, CachedFile> files_;    // by host path
  std::unordered_map<std::string, fs::path> hostPaths_;  // by full Windows name
  std::string windowsFolder_;
  unsigned codePage_ = 0;
  profile::LeadBytes lead_{};
  std::uint64_t tick_ = 0;
};

void ProfileCache::BeginCall() {
  unsigned codePage = GetACP();
  if (codePage != codePage_) {
    lead_ = profile::CurrentLeadBytes();
    codePage_ = codePage;
  }
}

// A name without a folder is a file in the Windows folder; nullptr names WIN.INI there.
std::string ProfileCache::FullName(const char* fileName) {
  std::string_view name = fileName ? fileName : "win.ini";
  for (std::size_t i = 0; i < name.size(); i += lead_[static_cast<unsigned char>(name[i])] ? 2 : 1)
    if (name[i] == '\\' || name[i] == '/' || name[i] == ':') return std::string(name);
  if (windowsFolder_.empty()) windowsFolder_ = GetWindowsDirectoryA();
  return windowsFolder_ + "\\" + std::string(name);
}

// stat() of a host file, telling whether its name is a symbolic link: one call where it is not.
bool StatFile(const fs::path& host, struct stat& status, bool& link) {
  if (lstat(host.c_str(), &status) != 0) return false;
  link = S_ISLNK(status.st_mode);
  return !link || stat(host.c_str(), &status) == 0;
}

std::optional<fs::path> ProfileCache::HostFile(const std::string& name, struct stat& status,
                                               bool& exists, bool& link) {
  auto known = hostPaths_.find(name);
  if (known != hostPaths_.end() && StatFile(known->second, status, link)) {
    exists = true;
    return known->second;
  }
  std::optional<fs::path> host = HostPath(name);
  if (!host) return std::nullopt;
  if (hostPaths_.size() >= kCachedNames) hostPaths_.clear();
  hostPaths_[name] = *host;
  exists = StatFile(*host, status, link);
  return host;
}

CachedFile& ProfileCache::Entry(const fs::path& host) {
  CachedFile& entry = files_[host.native()];
  entry.lastUse = ++tick_;
  return entry;
}

bool ProfileCache::Current(const CachedFile& entry, const FileIdentity& identity) const {
  return entry.document && entry.identity == identity && entry.codePage == codePage_;
}

DWORD ProfileCache::Sync(CachedFile& entry, int fd, const struct stat& status) {
  FileIdentity identity = profile::IdentityOf(status);
  if (Current(entry, identity)) return ERROR_SUCCESS;
  std::string bytes;
  if (DWORD error = profile::ReadFile(fd, identity.size, bytes)) return error;
  entry.document.emplace(bytes, lead_);
  entry.identity = identity;
  entry.codePage = codePage_;
  return ERROR_SUCCESS;
}

void ProfileCache::Evict() {
  while (files_.size() > kCachedFiles) {
    auto oldest = std::min_element(files_.begin(), files_.end(), [](const auto& a, const auto& b) {
      return a.second.lastUse < b.second.lastUse;
    });
    files_.erase(oldest);
  }
}

const Document* ProfileCache::Load(const char* fileName, DWORD& error) {
  BeginCall();
  struct stat status;
  bool exists = false, link = false;
  std::optional<fs::path> host = HostFile(FullName(fileName), status, exists, link);
  if (!host || !exists) {
    error = host ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    error = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  CachedFile& entry = Entry(*host);
  if (!Current(entry, profile::IdentityOf(status))) {
    FileHandle file(open(host->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    error = !file                             ? ErrorFromErrno(errno)
            : fstat(file.get(), &status) != 0 ? ErrorFromErrno(errno)
                                              : Sync(entry, file.get(), status);
    if (error) {
      files_.erase(host->native());
      return nullptr;
    }
  }
  const Document* document = &*entry.document;
  Evict();
  return document;
}

DWORD ProfileCache::Write(const char* fileName, const std::function<Edit(Document&)>& edit) {
  std::lock_guard lock(mutex_);
  BeginCall();
  struct stat status;
  bool exists = false;
  bool link = false;
  std::optional<fs::path> host = HostFile(FullName(fileName), status, exists, link);
  if (!host) return ERROR_PATH_NOT_FOUND;
  fs::path target = *host;
  std::error_code ec;
  if (exists && link) target = fs::canonical(target, ec);  // write its file
  if (ec) target = *host;

  if (DWORD injected = testing::InjectedWriteError(target)) return injected;
  profile::FolderLock folderLock(target.parent_path());
  if (folderLock.error()) return folderLock.error();
  FileHandle file(open(target.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
  if (!file && errno != ENOENT) return ErrorFromErrno(errno);
  CachedFile& entry = Entry(target);
  if (file) {
    if (fstat(file.get(), &status) != 0) return ErrorFromErrno(errno);
    if (!S_ISREG(status.st_mode) || !(status.st_mode & S_IWUSR)) return ERROR_ACCESS_DENIED;
    if (DWORD error = Sync(entry, file.get(), status)) return error;
  } else {
    entry.document.emplace("", lead_);
    entry.identity = {};
  }

  std::uint64_t end = entry.document->size();
  Edit change = edit(*entry.document);
  DWORD error = ERROR_SUCCESS;
  if (change.change == Change::Appended && file) {
    error = profile::AppendToFile(file.get(), end, change.appended, entry.identity);
  } else if (change.change != Change::None) {
    error = profile::ReplaceFile(target, file.get(), entry.document->Bytes(), entry.identity);
  }
  if (error || (!file && change.change == Change::None)) files_.erase(target.native());
  Evict();
  return error;
}

std::string_view DefaultValue(const char* def) {
  std::string_view value = def ? def : "";
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  return value;
}

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

DWORD CopyString(std::string_view text, char* buffer, DWORD size) {
  std::size_t length = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = 0;
  return static_cast<DWORD>(length);
}

// Names each followed by a zero, then one more zero; a list too long is cut and ends in two zeros.
DWORD CopyList(std::string_view names, char* buffer, DWORD size) {
  if (size < 2) {
    buffer[0] = 0;
    return 0;
  }
  bool cut = names.size() + 1 > size;
  if (cut) names = names.substr(0, size - 2);
  std::memcpy(buffer, names.data(), names.size());
  buffer[names.size()] = 0;
  if (cut || names.empty()) buffer[names.size() + 1] = 0;
  return static_cast<DWORD>(names.size());
}

}  // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buffer,
                               DWORD size, const char* fileName) {
  if (!buffer || size == 0) return 0;
  try {
    return ProfileCache::Instance().WithDocument(fileName, [&](const Document* document) {
      if (!section) return CopyList(document ? document->SectionNames() : "", buffer, size);
      if (!key) return CopyList(document ? document->KeyNames(section) : "", buffer, size);
      std::optional<std::string_view> value;
      if (document) value = document->Find(section, key);
      return CopyString(value ? Unquoted(*value) : DefaultValue(def), buffer, size);
    });
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    buffer[0] = 0;
    return 0;
  }
}

DWORD GetPrivateProfileSectionNamesA(char* buffer, DWORD size, const char* fileName) {
  return GetPrivateProfileStringA(nullptr, nullptr, nullptr, buffer, size, fileName);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  if (!section && !key && !value) return FALSE;  // every write is in the file already
  if (!section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  try {
    DWORD error = ProfileCache::Instance().Write(fileName, [&](Document& document) {
      if (!key) return document.DeleteSection(section);
      if (!value) return document.DeleteKey(section, key);
      return document.Set(section, key, value);
    });
    if (error) SetLastError(error);
    return error ? FALSE : TRUE;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

std::optional<std::string> GetPrivateProfileValue(std::string_view section, std::string_view key,
                                                  const char* fileName) {
  try {
    return ProfileCache::Instance().WithDocument(
        fileName, [&](const Document* document) -> std::optional<std::string> {
          std::optional<std::string_view> value;
          if (document) value = document->Find(section, key);
          if (!value) return std::nullopt;
          return std::string(Unquoted(*value));
        });
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return std::nullopt;
  }
}

}  // namespace win
