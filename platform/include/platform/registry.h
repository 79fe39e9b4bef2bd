#pragma once
// The registry: keys with subkeys and typed values, names compared without regard to case (ASCII
// and Unicode simple upper case; a name keeps the case it was created with), data held as Windows
// holds it (strings in UTF-16LE with their terminating zero). HKEY_LOCAL_MACHINE lives in
// system.reg, HKEY_CURRENT_USER in user.reg, HKEY_CLASSES_ROOT is HKLM\Software\Classes, and
// HKEY_USERS holds two keys: .Default (userdef.reg) and S-1-5-21-0-0-0-1000, the current user's
// key under the name Wine gives it. Keys marked as links in the files (Wine links
// HKLM\System\CurrentControlSet to ControlSet001) lead to their target. Every change is saved at
// once and atomically; another process's changes are seen on the next call.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace win {

enum class HKEY { ClassesRoot, CurrentUser, LocalMachine, Users };

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

struct RegValue {
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;  // the raw bytes
};

// An open key: a root and an ANSI subkey path ("" for the root itself). Leading and trailing
// backslashes of a subkey are ignored; "a\\b" and "A\B" name the same key. Operations return a
// Win32 error code (0 on success): 2 for a missing key or value, 1018 for a key deleted since it
// was opened, 5 for a change that HKEY_USERS does not take (a value of its own, a key beside its
// two), 1009 when the key's file is not a registry file (it is left as it is).
class RegKey {
 public:
  // Opens an existing key.
  static DWORD Open(HKEY root, std::string_view subkey, RegKey& key);
  // Opens a key, creating it and every missing parent.
  static DWORD Create(HKEY root, std::string_view subkey, RegKey& key);

  HKEY root() const { return root_; }
  const std::string& path() const { return path_; }

  DWORD Query(std::string_view name, RegValue& value) const;  // "" is the default value
  // REG_SZ and REG_EXPAND_SZ as ANSI, up to the first zero; other types give 13.
  DWORD QueryString(std::string_view name, std::string& text) const;
  DWORD QueryDword(std::string_view name, DWORD& number) const;
  bool HasValue(std::string_view name) const;

  DWORD Set(std::string_view name, const RegValue& value);
  DWORD SetString(std::string_view name, std::string_view ansi, DWORD type = REG_SZ);
  DWORD SetDword(std::string_view name, DWORD number);
  DWORD SetBinary(std::string_view name, const std::vector<std::uint8_t>& bytes);
  DWORD DeleteValue(std::string_view name);

  // Names in the order the key holds them (ANSI).
  DWORD SubkeyNames(std::vector<std::string>& names) const;
  DWORD ValueNames(std::vector<std::string>& names) const;

 private:
  friend class RegistryAccess;  // the store behind the keys
  HKEY root_ = HKEY::CurrentUser;
  std::string path_;
};

bool RegKeyExists(HKEY root, std::string_view subkey);
// Deletes a key with all its subkeys (RegDeleteTree); 2 when it does not exist, 5 for a root
// itself (HKEY_CLASSES_ROOT, HKEY_USERS\.Default ...), which is never deleted.
DWORD RegDeleteTree(HKEY root, std::string_view subkey);

}  // namespace win
