// Stub until the registry unit lands: an empty registry that keeps nothing.
#include "platform/registry.h"

namespace win {
DWORD RegKey::Open(HKEY, std::string_view, RegKey&) { return ERROR_FILE_NOT_FOUND; }
DWORD RegKey::Create(HKEY root, std::string_view subkey, RegKey& key) {
  key.root_ = root;
  key.path_ = subkey;
  return ERROR_SUCCESS;
}
DWORD RegKey::Query(std::string_view, RegValue&) const { return ERROR_FILE_NOT_FOUND; }
DWORD RegKey::QueryString(std::string_view, std::string&) const { return ERROR_FILE_NOT_FOUND; }
DWORD RegKey::QueryDword(std::string_view, DWORD&) const { return ERROR_FILE_NOT_FOUND; }
bool RegKey::HasValue(std::string_view) const { return false; }
DWORD RegKey::Set(std::string_view, const RegValue&) { return ERROR_SUCCESS; }
DWORD RegKey::SetString(std::string_view, std::string_view, DWORD) { return ERROR_SUCCESS; }
DWORD RegKey::SetDword(std::string_view, DWORD) { return ERROR_SUCCESS; }
DWORD RegKey::SetBinary(std::string_view, const std::vector<std::uint8_t>&) { return ERROR_SUCCESS; }
DWORD RegKey::DeleteValue(std::string_view) { return ERROR_FILE_NOT_FOUND; }
DWORD RegKey::SubkeyNames(std::vector<std::string>&) const { return ERROR_SUCCESS; }
DWORD RegKey::ValueNames(std::vector<std::string>&) const { return ERROR_SUCCESS; }
bool RegKeyExists(HKEY, std::string_view) { return false; }
DWORD RegDeleteTree(HKEY, std::string_view) { return ERROR_FILE_NOT_FOUND; }
}  // namespace win
