#include "newsgate/inifile.h"
#include "newsgate/strconv.h"

namespace newsgate {

TRegistryIniFile::TRegistryIniFile(win::HKEY root, std::string key)
    : root_(root), key_(std::move(key)) {
  win::RegKey created;
  if (win::RegKey::Create(root_, key_, created) != win::ERROR_SUCCESS)
    throw EStoreError("Failed to create key " + key_);
}

std::string TRegistryIniFile::SectionPath(std::string_view section) const {
  return key_ + "\\" + std::string(section);
}

std::vector<std::string> TRegistryIniFile::ReadSections() const {
  std::vector<std::string> names;
  win::RegKey key;
  if (win::RegKey::Open(root_, key_, key) == win::ERROR_SUCCESS) key.SubkeyNames(names);
  return names;
}

std::string TRegistryIniFile::ReadString(std::string_view section, std::string_view ident,
                                         std::string_view def) const {
  win::RegKey key;
  if (win::RegKey::Open(root_, SectionPath(section), key) != win::ERROR_SUCCESS)
    return std::string(def);
  std::string text;
  if (key.QueryString(ident, text) == win::ERROR_SUCCESS) return text;
  win::DWORD number;
  if (key.QueryDword(ident, number) == win::ERROR_SUCCESS)
    return std::to_string(static_cast<std::int32_t>(number));
  return std::string(def);
}

std::int32_t TRegistryIniFile::ReadInteger(std::string_view section, std::string_view ident,
                                           std::int32_t def) const {
  win::RegKey key;
  if (win::RegKey::Open(root_, SectionPath(section), key) != win::ERROR_SUCCESS) return def;
  win::DWORD number;
  if (key.QueryDword(ident, number) == win::ERROR_SUCCESS) return static_cast<std::int32_t>(number);
  std::string text;
  if (key.QueryString(ident, text) == win::ERROR_SUCCESS) return StrToIntDef(text, def);
  return def;
}

win::RegKey TRegistryIniFile::CreateSection(std::string_view section) {
  win::RegKey key;
  if (win::RegKey::Create(root_, SectionPath(section), key) != win::ERROR_SUCCESS)
    throw EStoreError("Failed to create key " + SectionPath(section));
  return key;
}

void TRegistryIniFile::WriteString(std::string_view section, std::string_view ident,
                                   std::string_view value) {
  if (CreateSection(section).SetString(ident, value) != win::ERROR_SUCCESS)
    throw EStoreError("Failed to set data for '" + std::string(ident) + "'");
}

void TRegistryIniFile::WriteInteger(std::string_view section, std::string_view ident,
                                    std::int32_t value) {
  if (CreateSection(section).SetDword(ident, static_cast<win::DWORD>(value)) != win::ERROR_SUCCESS)
    throw EStoreError("Failed to set data for '" + std::string(ident) + "'");
}

void TRegistryIniFile::EraseSection(std::string_view section) {
  const win::DWORD error = win::RegDeleteTree(root_, SectionPath(section));
  if (error != win::ERROR_SUCCESS && error != win::ERROR_FILE_NOT_FOUND)
    throw EStoreError("Failed to delete key " + SectionPath(section));
}

}  // namespace newsgate
