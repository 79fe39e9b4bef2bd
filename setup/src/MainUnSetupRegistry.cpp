// The registry keys of an uninstall run: the keys the log names, the file associations restored
// or removed, and the uninstall key. Nothing here is reported.
#include "MainUnSetupRun.h"
#include "platform/registry.h"

namespace setup::internal {

namespace {

using std::string;

bool EqualsAsciiNoCase(const string& a, const string& b) {
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

// The previous class of ".ext" set again; false when that key is gone (nothing to restore).
bool RestoreClass(const string& extension, const string& previous) {
  win::RegKey key;
  if (win::RegKey::Open(win::HKEY::ClassesRoot, "." + extension, key) != win::ERROR_SUCCESS)
    return false;
  key.SetString("", previous);
  return true;
}

}  // namespace

// A value without a root macro names a key of the current user.
void UnSetupRun::DeleteRegistryKeys() {
  for (const string& value : ReadFamily(state_.scriptCopy, "DeleteRegistry", "Key")) {
    const RegistryKeySpec keySpec = ParseRegistryKey(value);
    DeleteRegKey(keySpec.rootToken, keySpec.key);
  }
}

// "ext,previous class": the class is set again, or ".ext" goes when there was none; the class the
// install run made goes unless it is the one restored.
void UnSetupRun::RestoreAssociations() {
  for (const string& value : ReadFamily(state_.scriptCopy, "RestoreRelate", "Key")) {
    const std::size_t comma = value.find(',');
    const string extension = value.substr(0, comma);
    string previous = comma == string::npos ? string() : value.substr(comma + 1);
    if (!previous.empty() && !RestoreClass(extension, previous)) previous.clear();
    if (previous.empty()) DeleteRegKey("(Class)", "." + extension);
    const string madeClass = extension + "_auto_file";
    if (!EqualsAsciiNoCase(previous, madeClass)) DeleteRegKey("(Class)", madeClass);
  }
}

void UnSetupRun::DeleteUninstallKey() { DeleteRegKey("(Local)", Log("UnSetupRegistryKey", "Key")); }

}  // namespace setup::internal
