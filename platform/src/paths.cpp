#include "platform/paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <list>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "paths_internal.h"
#include "platform/codepage.h"
#include "platform/root.h"

namespace win {

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A full Windows path: a drive letter and its components (ANSI), resolved.
struct WinPath {
  char drive = 'C';
  std::vector<std::string> parts;
};

void AddComponent(std::string_view part, std::vector<std::string>& parts) {
  if (part == "..") {
    if (!parts.empty()) parts.pop_back();  // never above the drive's root
    return;
  }
  while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.remove_suffix(1);
  if (!part.empty()) parts.emplace_back(part);
}

void AddComponents(std::string_view text, std::vector<std::string>& parts) {
  const UINT codePage = GetACP();
  size_t start = 0, i = 0;
  while (i < text.size()) {
    if (IsSeparator(text[i])) {
      AddComponent(text.substr(start, i - start), parts);
      start = ++i;
    } else {
      bool pair =
          IsDBCSLeadByteEx(codePage, static_cast<unsigned char>(text[i])) && i + 1 < text.size();
      i += pair ? 2 : 1;
    }
  }
  AddComponent(text.substr(start), parts);
}

std::string Join(const WinPath& path) {
  std::string text{path.drive, ':', '\\'};
  for (size_t i = 0; i < path.parts.size(); ++i) {
    if (i) text += '\\';
    text += path.parts[i];
  }
  return text;
}

std::optional<WinPath> Parse(std::string_view text);

WinPath CurrentDirectory() {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  std::optional<WinPath> parsed = ec ? std::nullopt : Parse(WindowsPath(cwd));
  return parsed ? *parsed : WinPath{};
}

std::optional<WinPath> Parse(std::string_view text) {
  if (text.empty() || text.find('\0') != std::string_view::npos) return std::nullopt;
  WinPath path;
  std::string_view rest = text;
  if (text.size() >= 2 && text[1] == ':' && IsLetter(text[0])) {
    path.drive = UpperLetter(text[0]);
    rest.remove_prefix(2);
    if (rest.empty() || !IsSeparator(rest[0])) {  // "C:name": from that drive's current folder
      WinPath current = CurrentDirectory();
      if (current.drive == path.drive) path = current;
    }
  } else if (IsSeparator(text[0])) {
    if (text.size() >= 2 && IsSeparator(text[1])) return std::nullopt;  // UNC
    path.drive = CurrentDirectory().drive;
  } else {
    path = CurrentDirectory();
  }
  AddComponents(rest, path.parts);
  return path;
}

bool Exists(const fs::path& host) {
  struct stat st;
  return lstat(host.c_str(), &st) == 0;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The key a name is found by without regard to case: its upper-cased ANSI name; none for a host
// name the code page cannot hold.
std::optional<std::string> FoldedName(std::string_view hostName) {
  if (IsAscii(hostName)) {
    std::string folded(hostName);
    for (char& c : folded) c = UpperLetter(c);
    return folded;
  }
  std::optional<std::string> ansi = Utf8ToAnsiExact(hostName);
  if (!ansi) return std::nullopt;
  return MapUpperCase(*ansi);
}

// What a folder's listing is valid for: the folder's own entry as lstat reports it. Any change of
// the folder's entries moves its modification and change times.
struct FolderIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{}, changed{};

  static FolderIdentity Of(const struct stat& st) {
    return FolderIdentity{st.st_dev, st.st_ino, st.st_mtim, st.st_ctim};
  }
  static std::optional<FolderIdentity> Of(const fs::path& folder) {
    struct stat st;
    if (lstat(folder.c_str(), &st) != 0) return std::nullopt;
    return Of(st);
  }
  bool SameEntry(const FolderIdentity& o) const { return device == o.device && inode == o.inode; }
  bool operator==(const FolderIdentity& o) const {
    return SameEntry(o) && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
           changed.tv_nsec == o.changed.tv_nsec;
  }
};

// Listings of the folders whose entries were last looked up without regard to case, so that a run
// of lookups in one large folder lists it once. A listing is used only while the folder's identity
// is unchanged, which shows changes by other processes. Changes this process makes through the
// platform are entered into the listing (NoteEntryAdded, NoteEntryRemoved) instead of dropping it;
// an own change is entered only within kFresh of a lookup that found the listing valid, since the
// folder's new identity cannot tell whose changes it holds.
//
// Left open, a change by another process (for example a case variant of a name created in the
// folder) that is not seen: one made after the listing was read but within the same timestamp tick
// as the folder's last change, which leaves the folder's times as they were; and one made between
// the lookup that found the listing valid and our own change entered after it, which is taken for
// ours. Either stays unseen until the folder changes again by another route or its listing is
// dropped; a lookup in that time may miss the variant and name a new entry beside it.
class ListingCache {
 public:
  static ListingCache& Instance() {
    static ListingCache* cache = [] {
      auto* created = new ListingCache;  // lives as long as the process: handlers may run at exit
      OnSystemRootChange([created] { created->Clear(); });
      return created;
    }();
    return *cache;
  }

  // The entry of folder named part without regard to case; identity is the folder's as just read.
  std::optional<std::string> Find(const fs::path& folder, const FolderIdentity& identity,
                                  const std::string& part) {
    const std::string wanted = MapUpperCase(part);
    std::lock_guard lock(mutex_);
    Listing* listing = Current(folder, identity);
    if (!listing) listing = Store(folder, identity);
    if (!listing) return std::nullopt;
    listing->checked = Clock::now();
    auto found = listing->names.find(wanted);
    if (found == listing->names.end()) return std::nullopt;
    return *found->second.begin();
  }

  // After this process added (or removed) the entry name of folder.
  void Note(const fs::path& folder, const std::string& name, bool added) {
    std::lock_guard lock(mutex_);
    auto at = Position(folder);
    if (at == listings_.end()) return;
    const std::optional<FolderIdentity> identity = FolderIdentity::Of(folder);
    if (!identity || !identity->SameEntry(at->identity) || Clock::now() - at->checked > kFresh) {
      listings_.erase(at);
      return;
    }
    at->identity = *identity;
    const std::optional<std::string> key = FoldedName(name);
    if (!key) return;
    if (added) {
      at->names[*key].insert(name);
    } else if (auto found = at->names.find(*key); found != at->names.end()) {
      found->second.erase(name);
      if (found->second.empty()) at->names.erase(found);
    }
  }

  void Clear() {
    std::lock_guard lock(mutex_);
    listings_.clear();
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kFolders = 8;
  static constexpr auto kFresh = std::chrono::milliseconds(100);

  struct Listing {
    fs::path folder;
    FolderIdentity identity;
    UINT codePage = 0;
    Clock::time_point checked;
    // folded name -> the host names with it, in byte order (the first is the one found)
    std::unordered_map<std::string, std::set<std::string>> names;
  };

  std::list<Listing>::iterator Position(const fs::path& folder) {
    return std::find_if(listings_.begin(), listings_.end(),
                        [&](const Listing& l) { return l.folder.native() == folder.native(); });
  }

  // The valid listing of folder, moved to the front; a stale one is dropped.
  Listing* Current(const fs::path& folder, const FolderIdentity& identity) {
    auto at = Position(folder);
    if (at == listings_.end()) return nullptr;
    if (!(at->identity == identity) || at->codePage != GetACP()) {
      listings_.erase(at);
      return nullptr;
    }
    listings_.splice(listings_.begin(), listings_, at);
    return &listings_.front();
  }

  Listing* Store(const fs::path& folder, const FolderIdentity& identity) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return nullptr;
    Listing listing{folder, identity, GetACP(), {}, {}};
    while (const dirent* entry = readdir(dir)) {
      std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      if (std::optional<std::string> key = FoldedName(name)) listing.names[*key].emplace(name);
    }
    closedir(dir);
    listings_.push_front(std::move(listing));
    if (listings_.size() > kFolders) listings_.pop_back();
    return &listings_.front();
  }

  std::mutex mutex_;
  std::list<Listing> listings_;  // most recently used first
};

// The entry of folder whose ANSI name equals part without regard to case; the first in byte order
// when several do. Entries whose names the code page cannot hold never match.
std::optional<std::string> FindNoCase(const fs::path& folder, const std::string& part) {
  const std::optional<FolderIdentity> identity = FolderIdentity::Of(folder);
  if (!identity) return std::nullopt;
  return ListingCache::Instance().Find(folder, *identity, part);
}

// The drive folders found through symbolic links so far. A drive's folder is taken as known for
// kTrusted after its link was last looked at, so that a run of file operations does not ask the
// host for every path: a link changed by another process is seen within that time. Then one lstat()
// tells whether the link is still the one read: its target never changes in place, a link pointed
// elsewhere is a new entry with another inode or change time.
class DriveLinks {
 public:
  static DriveLinks& Instance() {
    static DriveLinks* links = new DriveLinks;  // lives as long as the process
    return *links;
  }

  std::optional<fs::path> Recent(const std::string& link) {
    std::lock_guard lock(mutex_);
    auto known = links_.find(link);
    if (known == links_.end() || Clock::now() - known->second.checked > kTrusted)
      return std::nullopt;
    return known->second.target;
  }

  std::optional<fs::path> Target(const std::string& link, const struct stat& st) {
    {
      std::lock_guard lock(mutex_);
      auto known = links_.find(link);
      if (known != links_.end() && known->second.Same(st)) {
        known->second.checked = Clock::now();
        return known->second.target;
      }
    }
    std::error_code ec;
    fs::path target = fs::read_symlink(link, ec);
    if (ec) return std::nullopt;
    if (!target.is_absolute()) target = fs::path(link).parent_path() / target;
    target = target.lexically_normal();
    std::lock_guard lock(mutex_);
    if (links_.size() >= kLinks) links_.clear();
    links_[link] = Known{st.st_dev, st.st_ino, st.st_ctim, target, Clock::now()};
    return target;
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr std::size_t kLinks = 64;
  static constexpr auto kTrusted = std::chrono::milliseconds(100);

  struct Known {
    dev_t device;
    ino_t inode;
    timespec changed;
    fs::path target;
    Clock::time_point checked;
    bool Same(const struct stat& st) const {
      return device == st.st_dev && inode == st.st_ino && changed.tv_sec == st.st_ctim.tv_sec &&
             changed.tv_nsec == st.st_ctim.tv_nsec;
    }
  };

  std::mutex mutex_;
  std::unordered_map<std::string, Known> links_;
};

}  // namespace

std::optional<std::string> FullPathName(std::string_view path) {
  std::optional<WinPath> parsed = Parse(path);
  if (!parsed) return std::nullopt;
  return Join(*parsed);
}

void paths::NoteEntryAdded(const fs::path& entry) {
  ListingCache::Instance().Note(entry.parent_path(), entry.filename().string(), true);
}

void paths::NoteEntryRemoved(const fs::path& entry) {
  ListingCache::Instance().Note(entry.parent_path(), entry.filename().string(), false);
}

namespace {

std::optional<fs::path> DriveRootInFolder(const std::string& dosdevices, char letter) {
  if (!IsLetter(letter)) return std::nullopt;
  for (char spelling : {static_cast<char>(letter | 0x20), UpperLetter(letter)}) {
    const std::string link = dosdevices + '/' + spelling + ':';
    if (std::optional<fs::path> recent = DriveLinks::Instance().Recent(link)) return recent;
    struct stat st;
    if (lstat(link.c_str(), &st) != 0) continue;
    if (S_ISLNK(st.st_mode)) {
      if (std::optional<fs::path> target = DriveLinks::Instance().Target(link, st)) return target;
    } else if (S_ISDIR(st.st_mode)) {
      return fs::path(link);
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<fs::path> paths::DriveRootIn(const fs::path& dosdevices, char letter) {
  return DriveRootInFolder(dosdevices.native(), letter);
}

std::optional<fs::path> DriveRoot(char letter) {
  return DriveRootInFolder(SystemRoot().native() + "/dosdevices", letter);
}

std::string DriveLetters() {
  std::string letters;
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (DriveRoot(letter)) letters += letter;
  return letters;
}

std::optional<paths::HostEntry> paths::FindHostEntry(std::string_view windowsPath) {
  std::optional<WinPath> path = Parse(windowsPath);
  if (!path) return std::nullopt;
  std::optional<fs::path> root = DriveRoot(path->drive);
  if (!root) return std::nullopt;

  std::vector<std::string> names;
  std::string exact = root->native();
  for (const std::string& part : path->parts) {
    if (exact.back() != '/') exact += '/';
    exact += names.emplace_back(AnsiToUtf8(part));
  }
  HostEntry entry{std::move(exact), {}, false};
  if (path->parts.empty()) return entry;
  struct stat st;
  if (lstat(entry.host.c_str(), &st) == 0) {
    entry.status = st;
    return entry;
  }
  if (errno != ENOENT) return entry;  // no other spelling helps; the caller meets the same error

  // Mostly the folder is spelled as on the disk and only the last name is new or in other case.
  const fs::path folder = entry.host.parent_path();
  if (lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    std::optional<std::string> match =
        ListingCache::Instance().Find(folder, FolderIdentity::Of(st), path->parts.back());
    entry.absent = !match;
    if (match) entry.host = folder / *match;
    return entry;
  }

  // Some folder is not spelled as on the disk: walk down, listing only where needed.
  entry.host = *root;
  bool inside = true;  // every component so far exists
  for (size_t i = 0; i < names.size(); ++i) {
    if (inside && !Exists(entry.host / names[i])) {
      std::optional<std::string> match = FindNoCase(entry.host, path->parts[i]);
      if (match) names[i] = *match;
      inside = match.has_value();
    }
    entry.host /= names[i];
  }
  return entry;
}

std::optional<fs::path> HostPath(std::string_view windowsPath) {
  std::optional<paths::HostEntry> entry = paths::FindHostEntry(windowsPath);
  if (!entry) return std::nullopt;
  return std::move(entry->host);
}

namespace {

// Number of components of root when root holds path, else -1 (both without a trailing separator).
int Depth(const fs::path& root, const fs::path& path) {
  auto r = root.begin(), p = path.begin();
  int depth = 0;
  for (; r != root.end(); ++r, ++p, ++depth)
    if (p == path.end() || *r != *p) return -1;
  return depth;
}

fs::path Normal(const fs::path& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec).lexically_normal();
  if (!absolute.has_filename() && absolute.has_relative_path())
    absolute = absolute.parent_path();  // "/a/b/" is "/a/b"
  return absolute;
}

}  // namespace

std::string WindowsPath(const fs::path& hostPath) {
  std::error_code ec;
  const fs::path lexical = Normal(hostPath);
  const fs::path canonical = Normal(fs::weakly_canonical(lexical, ec));
  // The deepest drive folder that holds the path, compared as spelled and with links resolved.
  char drive = 'Z';
  fs::path base = "/", rest = lexical;
  int best = -1;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::optional<fs::path> driveRoot = DriveRoot(letter);
    if (!driveRoot) continue;
    fs::path root = Normal(*driveRoot);
    fs::path realRoot = Normal(fs::weakly_canonical(root, ec));
    for (const auto& [folder, path] : {std::pair{root, lexical}, std::pair{realRoot, canonical}}) {
      int depth = Depth(folder, path);
      if (depth > best) {
        best = depth;
        drive = letter;
        base = folder;
        rest = path;
      }
    }
  }
  WinPath result{drive, {}};
  for (const fs::path& part : rest.lexically_relative(base))
    if (!part.empty() && part != ".") result.parts.push_back(Utf8ToAnsi(part.string()));
  return Join(result);
}

}  // namespace win
