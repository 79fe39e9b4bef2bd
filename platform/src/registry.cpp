#include "platform/registry.h"

#include <algorithm>
#include <functional>
#include <span>

#include "platform/codepage.h"
#include "registry_store.h"

namespace win {

namespace {

using regfile::Clock;
using regfile::Hive;
using regfile::Key;
using regstore::HiveFile;

constexpr DWORD kErrorInvalidData = 13;
constexpr DWORD kRegLink = 6;
constexpr int kMaxLinkHops = 8;
constexpr std::u16string_view kUserSid = u"S-1-5-21-0-0-0-1000";

// ---- text
// ----------------------------------------------------------------------------------------

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// ASCII needs no code page; this also lets the code page itself be read from the registry.
std::u16string ToUtf16(std::string_view ansi) {
  return IsAscii(ansi) ? std::u16string(ansi.begin(), ansi.end()) : AnsiToUtf16(ansi);
}

std::string ToAnsi(std::u16string_view s) {
  for (char16_t c : s)
    if (c >= 0x80) return Utf16ToAnsi(s);
  return std::string(s.begin(), s.end());
}

// Names are C strings in the Win32 calls.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

// Without leading and trailing backslashes; a trail byte 0x5C of a double-byte character stays.
std::string_view TrimBackslashes(std::string_view s) {
  while (s.starts_with('\\')) s.remove_prefix(1);
  size_t end = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    bool lead = s[i] & 0x80 && i + 1 < s.size() && IsDBCSLeadByte(static_cast<unsigned char>(s[i]));
    if (lead) ++i;
    if (lead || s[i] != '\\') end = i + 1;
  }
  return s.substr(0, end);
}

std::vector<std::u16string> SplitPath(std::u16string_view path) {
  std::vector<std::u16string> parts;
  for (size_t start = 0; start <= path.size();) {
    size_t end = std::min(path.find(u'\\', start), path.size());
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::u16string FromUtf16Bytes(const std::vector<std::uint8_t>& data) {
  std::u16string s;
  for (size_t i = 0; i + 1 < data.size(); i += 2)
    s += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return s;
}

std::vector<std::uint8_t> ToUtf16Bytes(std::u16string_view s) {
  std::vector<std::uint8_t> data;
  data.reserve(s.size() * 2);
  for (char16_t c : s) {
    data.push_back(static_cast<std::uint8_t>(c & 0xFF));
    data.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return data;
}

// ---- where a key lives
// ---------------------------------------------------------------------------

// A key named by a root and a subkey: a path in one of the files, HKEY_USERS itself (which holds
// the users' files), or a subkey of HKEY_USERS that is no user's.
struct Location {
  enum class Kind { InFile, Users, NoUser } kind = Kind::InFile;
  HiveFile file = HiveFile::Machine;
  std::vector<std::u16string> path;
  size_t rootDepth = 0;  // the leading components that are the root itself (HKEY_CLASSES_ROOT)
};

Location Locate(HKEY root, std::string_view subkey) {
  Location loc;
  std::vector<std::u16string> parts = SplitPath(ToUtf16(UpToNul(subkey)));
  switch (root) {
    case HKEY::ClassesRoot:
      loc.path = {u"Software", u"Classes"};
      loc.rootDepth = 2;
      break;
    case HKEY::CurrentUser:
      loc.file = HiveFile::User;
      break;
    case HKEY::LocalMachine:
      break;
    case HKEY::Users:
      if (parts.empty()) {
        loc.kind = Location::Kind::Users;
        return loc;
      }
      if (regfile::Fold(parts[0]) == u".DEFAULT") {
        loc.file = HiveFile::UserDefault;
      } else if (regfile::Fold(parts[0]) == kUserSid) {
        loc.file = HiveFile::User;
      } else {
        loc.kind = Location::Kind::NoUser;
      }
      parts.erase(parts.begin());
      break;
  }
  loc.path.insert(loc.path.end(), parts.begin(), parts.end());
  return loc;
}

// How the kernel names a file's top key in a link target.
std::u16string_view LinkPrefix(HiveFile file) {
  switch (file) {
    case HiveFile::Machine:
      return u"\\REGISTRY\\MACHINE\\";
    case HiveFile::User:
      return u"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000\\";
    case HiveFile::UserDefault:
      break;
  }
  return u"\\REGISTRY\\USER\\.DEFAULT\\";
}

const Key* Find(const Key& top, std::span<const std::u16string> path, HiveFile file, int hops);

// A key marked #link stands for the key its value SymbolicLinkValue names (as Wine links
// CurrentControlSet to ControlSet001). Links into other files are not followed.
const Key* FollowLink(const Key& top, const Key& link, HiveFile file, int hops) {
  const regfile::Entry* target = link.FindValue(u"SymbolicLinkValue");
  if (!target || target->value.type != kRegLink) return &link;
  std::u16string name = FromUtf16Bytes(target->value.data);
  while (!name.empty() && name.back() == u'\0') name.pop_back();
  std::u16string_view prefix = LinkPrefix(file);
  if (!regfile::Fold(name).starts_with(prefix)) return &link;
  if (hops >= kMaxLinkHops) return nullptr;
  std::vector<std::u16string> path = SplitPath(std::u16string_view(name).substr(prefix.size()));
  return Find(top, path, file, hops + 1);
}

// The key at path below top, following links; nullptr when there is none.
const Key* Find(const Key& top, std::span<const std::u16string> path, HiveFile file, int hops) {
  const Key* key = &top;
  for (const std::u16string& name : path) {
    key = key->Child(name);
    if (key && key->IsLink()) key = FollowLink(top, *key, file, hops);
    if (!key) return nullptr;
  }
  return key;
}

const Key* Find(const Hive& hive, const Location& loc) {
  return Find(hive.root, loc.path, loc.file, 0);
}

// The key at path, created with every missing parent. `changed` tells whether anything was made.
Key& CreatePath(Hive& hive, std::span<const std::u16string> path, HiveFile file,
                Clock::time_point now, bool& changed) {
  Key* key = &hive.root;
  for (const std::u16string& name : path) {
    Key* child = key->Child(name);
    if (!child) {
      child = &regfile::CreateChild(*key, name, now);
      changed = true;
    } else if (child->IsLink()) {
      if (const Key* target = FollowLink(hive.root, *child, file, 0))
        child = const_cast<Key*>(target);
    }
    key = child;
  }
  return *key;
}

// The key an open RegKey names, for a change: the root's own components are made when missing
// (HKEY_CLASSES_ROOT before its first class); a missing key below them was deleted meanwhile.
Key* KeyToChange(Hive& hive, const Location& loc, Clock::time_point now, bool& changed) {
  std::span<const std::u16string> rootPart(loc.path.data(), loc.rootDepth);
  Key& root = CreatePath(hive, rootPart, loc.file, now, changed);
  std::span<const std::u16string> rest(loc.path.data() + loc.rootDepth,
                                       loc.path.size() - loc.rootDepth);
  return const_cast<Key*>(Find(root, rest, loc.file, 0));
}

// ---- the calls
// -----------------------------------------------------------------------------------

// Reads from the key loc names; fn gets nullptr for a root not yet made.
DWORD ReadKey(const Location& loc, const std::function<DWORD(const Key*)>& fn) {
  if (loc.kind == Location::Kind::NoUser) return ERROR_KEY_DELETED;
  return regstore::Read(loc.file, [&](const Hive& hive) {
    const Key* key = Find(hive, loc);
    if (!key && loc.path.size() > loc.rootDepth) return ERROR_KEY_DELETED;
    return fn(key);
  });
}

DWORD ChangeKey(const Location& loc, const std::function<bool(Key&, Clock::time_point)>& fn) {
  if (loc.kind != Location::Kind::InFile) return ERROR_ACCESS_DENIED;
  return regstore::Write(loc.file, [&](Hive& hive, bool& changed) {
    Clock::time_point now = Clock::now();
    Key* key = KeyToChange(hive, loc, now, changed);
    if (!key) return ERROR_KEY_DELETED;
    if (fn(*key, now)) changed = true;
    return ERROR_SUCCESS;
  });
}

std::vector<std::string> ToAnsiNames(const std::vector<std::u16string>& names) {
  std::vector<std::string> ansi;
  ansi.reserve(names.size());
  for (const std::u16string& name : names) ansi.push_back(ToAnsi(name));
  return ansi;
}

// Whether the key loc names exists; a root always does (HKEY_CLASSES_ROOT before its first class).
DWORD CheckExists(const Location& loc) {
  if (loc.kind == Location::Kind::Users) return ERROR_SUCCESS;
  if (loc.kind == Location::Kind::NoUser) return ERROR_FILE_NOT_FOUND;
  return regstore::Read(loc.file, [&](const Hive& hive) {
    return Find(hive, loc) || loc.path.size() <= loc.rootDepth ? ERROR_SUCCESS
                                                               : ERROR_FILE_NOT_FOUND;
  });
}

}  // namespace

class RegistryAccess {
 public:
  static void Assign(RegKey& key, HKEY root, std::string_view subkey) {
    key.root_ = root;
    key.path_ = TrimBackslashes(UpToNul(subkey));
  }
};

bool RegKeyExists(HKEY root, std::string_view subkey) {
  return CheckExists(Locate(root, subkey)) == ERROR_SUCCESS;
}

DWORD RegKey::Open(HKEY root, std::string_view subkey, RegKey& key) {
  DWORD result = CheckExists(Locate(root, subkey));
  if (result == ERROR_SUCCESS) RegistryAccess::Assign(key, root, subkey);
  return result;
}

DWORD RegKey::Create(HKEY root, std::string_view subkey, RegKey& key) {
  Location loc = Locate(root, subkey);
  if (loc.kind == Location::Kind::NoUser) return ERROR_ACCESS_DENIED;
  DWORD result = CheckExists(loc);
  if (result == ERROR_FILE_NOT_FOUND) {
    result = regstore::Write(loc.file, [&](Hive& hive, bool& changed) {
      CreatePath(hive, loc.path, loc.file, Clock::now(), changed);
      return ERROR_SUCCESS;
    });
  }
  if (result == ERROR_SUCCESS) RegistryAccess::Assign(key, root, subkey);
  return result;
}

DWORD RegKey::Query(std::string_view name, RegValue& value) const {
  Location loc = Locate(root_, path_);
  std::u16string valueName = ToUtf16(UpToNul(name));
  if (loc.kind == Location::Kind::Users) return ERROR_FILE_NOT_FOUND;
  return ReadKey(loc, [&](const Key* key) {
    const regfile::Entry* entry = key ? key->FindValue(valueName) : nullptr;
    if (!entry) return ERROR_FILE_NOT_FOUND;
    value.type = entry->value.type;
    value.data = entry->value.data;
    return ERROR_SUCCESS;
  });
}

DWORD RegKey::QueryString(std::string_view name, std::string& text) const {
  RegValue value;
  if (DWORD result = Query(name, value)) return result;
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return kErrorInvalidData;
  std::u16string s = FromUtf16Bytes(value.data);
  text = ToAnsi(std::u16string_view(s).substr(0, s.find(u'\0')));
  return ERROR_SUCCESS;
}

DWORD RegKey::QueryDword(std::string_view name, DWORD& number) const {
  RegValue value;
  if (DWORD result = Query(name, value)) return result;
  if (value.type != REG_DWORD || value.data.size() != 4) return kErrorInvalidData;
  const auto& d = value.data;
  number = DWORD{d[0]} | DWORD{d[1]} << 8 | DWORD{d[2]} << 16 | DWORD{d[3]} << 24;
  return ERROR_SUCCESS;
}

bool RegKey::HasValue(std::string_view name) const {
  RegValue value;
  return Query(name, value) == ERROR_SUCCESS;
}

DWORD RegKey::Set(std::string_view name, const RegValue& value) {
  regfile::Value v{ToUtf16(UpToNul(name)), value.type, value.data};
  return ChangeKey(Locate(root_, path_),
                   [&](Key& key, Clock::time_point now) { return regfile::SetValue(key, v, now); });
}

DWORD RegKey::SetString(std::string_view name, std::string_view ansi, DWORD type) {
  std::u16string s = ToUtf16(ansi);
  s += u'\0';
  return Set(name, RegValue{type, ToUtf16Bytes(s)});
}

DWORD RegKey::SetDword(std::string_view name, DWORD number) {
  return Set(
      name,
      RegValue{REG_DWORD,
               {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}});
}

DWORD RegKey::SetBinary(std::string_view name, const std::vector<std::uint8_t>& bytes) {
  return Set(name, RegValue{REG_BINARY, bytes});
}

DWORD RegKey::DeleteValue(std::string_view name) {
  std::u16string valueName = ToUtf16(UpToNul(name));
  bool found = false;
  DWORD result = ChangeKey(Locate(root_, path_), [&](Key& key, Clock::time_point now) {
    found = regfile::DeleteValue(key, valueName, now);
    return found;
  });
  return result == ERROR_SUCCESS && !found ? ERROR_FILE_NOT_FOUND : result;
}

DWORD RegKey::SubkeyNames(std::vector<std::string>& names) const {
  Location loc = Locate(root_, path_);
  if (loc.kind == Location::Kind::Users) {
    names = {".Default", ToAnsi(kUserSid)};
    return ERROR_SUCCESS;
  }
  std::vector<std::u16string> found;
  DWORD result = ReadKey(loc, [&](const Key* key) {
    if (key)
      for (const auto& [folded, child] : key->subkeys) found.push_back(child->name);
    return ERROR_SUCCESS;
  });
  if (result == ERROR_SUCCESS) names = ToAnsiNames(found);
  return result;
}

DWORD RegKey::ValueNames(std::vector<std::string>& names) const {
  Location loc = Locate(root_, path_);
  if (loc.kind == Location::Kind::Users) {
    names.clear();
    return ERROR_SUCCESS;
  }
  std::vector<std::u16string> found;
  DWORD result = ReadKey(loc, [&](const Key* key) {
    if (key)
      for (const regfile::Entry& e : key->entries)
        if (e.isValue) found.push_back(e.value.name);
    return ERROR_SUCCESS;
  });
  if (result == ERROR_SUCCESS) names = ToAnsiNames(found);
  return result;
}

DWORD RegDeleteTree(HKEY root, std::string_view subkey) {
  Location loc = Locate(root, subkey);
  if (loc.kind == Location::Kind::NoUser) return ERROR_FILE_NOT_FOUND;
  // A root, or a user's whole file, is never deleted.
  if (loc.kind == Location::Kind::Users || loc.path.size() <= loc.rootDepth)
    return ERROR_ACCESS_DENIED;
  std::span<const std::u16string> parentPath(loc.path.data(), loc.path.size() - 1);
  return regstore::Write(loc.file, [&](Hive& hive, bool& changed) {
    Key* parent = const_cast<Key*>(Find(hive.root, parentPath, loc.file, 0));
    if (!parent || !parent->Child(loc.path.back())) return ERROR_FILE_NOT_FOUND;
    regfile::DeleteChild(*parent, loc.path.back(), Clock::now());
    changed = true;
    return ERROR_SUCCESS;
  });
}

}  // namespace win
