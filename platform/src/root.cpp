#include "platform/root.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "paths_internal.h"
#include "platform/codepage.h"
#include "platform/registry.h"

namespace win {

namespace fs = std::filesystem;

namespace {

struct RootState {
  std::mutex mutex;
  fs::path root;
  std::atomic<bool> ready{false};
};

fs::path DefaultRoot() {
  if (const char* env = std::getenv("WINROOT"); env && *env) return fs::absolute(env);
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* pw = getpwuid(getuid());
    home = pw && pw->pw_dir ? pw->pw_dir : "/tmp";
  }
  return fs::path(home) / ".local/share/winroot";
}

RootState& State() {
  static RootState state;
  static std::once_flag once;
  std::call_once(once, [] { state.root = DefaultRoot(); });
  return state;
}

bool SameAsciiNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = a[i], y = b[i];
    if (x != y && !(x < 0x80 && y < 0x80 && std::tolower(x) == std::tolower(y))) return false;
  }
  return true;
}

// The entry of dir that is name without regard to ASCII case, created when there is none, so that
// an existing prefix spelled "Windows" is used rather than doubled.
fs::path FindOrCreate(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  fs::path exact = dir / name;
  if (fs::symlink_status(exact, ec).type() != fs::file_type::not_found) return exact;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (SameAsciiNoCase(it->path().filename().string(), name)) return it->path();
  fs::create_directory(exact, ec);
  return exact;
}

void CreateFolders(const fs::path& driveC) {
  const std::string user = "users/" + HostLoginName();
  const std::string roaming = user + "/AppData/Roaming/Microsoft/Windows";
  const std::string folders[] = {
      "windows/system32",
      "Program Files",
      user + "/Desktop",
      roaming + "/Start Menu/Programs/StartUp",
      roaming + "/SendTo",
      user + "/AppData/Local/Temp",
      "ProgramData/Microsoft/Windows/Start Menu/Programs/StartUp",
      "users/Public/Desktop",
  };
  for (const std::string& folder : folders) {
    fs::path dir = driveC;
    for (const fs::path& part : fs::path(folder)) dir = FindOrCreate(dir, part.string());
  }
}

void LinkDrive(const fs::path& dosdevices, const char* name, const char* target) {
  std::error_code ec;
  fs::path link = dosdevices / name;
  if (fs::symlink_status(link, ec).type() == fs::file_type::not_found)
    fs::create_directory_symlink(target, link, ec);
}

void CreateLayout(const fs::path& root) {
  std::error_code ec;
  fs::create_directories(root / "dosdevices", ec);
  fs::create_directories(root / "drive_c", ec);
  LinkDrive(root / "dosdevices", "c:", "../drive_c");
  LinkDrive(root / "dosdevices", "z:", "/");
  // The folders go where C: leads, which in an existing prefix may be elsewhere than drive_c.
  CreateFolders(paths::DriveRootIn(root / "dosdevices", 'c').value_or(root / "drive_c"));
}

void SetDefault(std::string_view key, std::string_view name, std::string_view value) {
  RegKey k;
  if (RegKey::Create(HKEY::LocalMachine, key, k) == ERROR_SUCCESS && !k.HasValue(name))
    k.SetString(name, value);
}

void WriteRegistryDefaults() {
  SetDefault("Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
             "C:\\Program Files");
  SetDefault("System\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP", "932");
}

struct Handlers {
  std::mutex mutex;
  std::vector<std::function<void()>> list;
};

Handlers& RootChangeHandlers() {
  static Handlers handlers;
  return handlers;
}

}  // namespace

const fs::path& SystemRoot() {
  RootState& s = State();
  if (s.ready.load(std::memory_order_acquire)) return s.root;
  bool created = false;
  {
    std::lock_guard lock(s.mutex);
    if (!s.ready.load(std::memory_order_relaxed)) {
      CreateLayout(s.root);
      // Marked before the registry defaults: the registry finds its files through SystemRoot().
      s.ready.store(true, std::memory_order_release);
      created = true;
    }
  }
  if (created) WriteRegistryDefaults();
  return s.root;
}

void UseSystemRoot(const fs::path& root) {
  RootState& s = State();
  {
    std::lock_guard lock(s.mutex);
    s.root = fs::absolute(root).lexically_normal();
    s.ready.store(false, std::memory_order_release);
  }
  std::vector<std::function<void()>> handlers;
  {
    std::lock_guard lock(RootChangeHandlers().mutex);
    handlers = RootChangeHandlers().list;
  }
  for (const auto& handler : handlers) handler();
}

void OnSystemRootChange(std::function<void()> handler) {
  std::lock_guard lock(RootChangeHandlers().mutex);
  RootChangeHandlers().list.push_back(std::move(handler));
}

const std::string& HostLoginName() {
  static const std::string name = [] {
    std::string login;
    if (const char* user = std::getenv("USER"); user && *user) {
      login = user;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) {
      login = pw->pw_name;
    }
    bool usable =
        !login.empty() && login != "." && login != ".." && login.find('/') == std::string::npos;
    return usable ? login : std::string("user");
  }();
  return name;
}

const std::string& LoginName() {
  // One spelling per code page; the map's nodes never move, so references stay valid.
  static std::mutex mutex;
  static std::map<UINT, std::string> names;
  UINT codePage = GetACP();
  std::lock_guard lock(mutex);
  auto it = names.find(codePage);
  if (it == names.end()) it = names.emplace(codePage, Utf8ToAnsi(HostLoginName())).first;
  return it->second;
}

}  // namespace win
