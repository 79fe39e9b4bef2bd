// The registry, INI and association phases of the install run. Their writes are not checked and
// not undone at uninstall, except that an association records the class it replaces.
#include <vector>

#include "forms/message_box.h"
#include "platform/registry.h"
#include "setup/Main.h"
#include "setup/MainSetup.h"
#include "setup/MainSetupTexts.h"
#include "setup/uIniFile.h"

namespace setup {

namespace {

using std::string;

void WriteValue(win::RegKey& key, const string& name, const RegistryValue& value) {
  switch (value.type) {
    case RegistryValueType::String:
    case RegistryValueType::Whole:
      key.SetString(name, value.text);
      break;
    case RegistryValueType::Expandable:
      key.SetString(name, value.text, win::REG_EXPAND_SZ);
      break;
    case RegistryValueType::Integer:
      key.SetDword(name, static_cast<win::DWORD>(value.number));
      break;
    case RegistryValueType::Binary:
      if (value.bytes) key.SetBinary(name, {value.bytes->begin(), value.bytes->end()});
      break;
  }
}

// The default value of a key of HKEY_CLASSES_ROOT, the key made when missing.
void SetClassValue(const string& key, const string& value) {
  win::RegKey opened;
  if (win::RegKey::Create(win::HKEY::ClassesRoot, key, opened) == win::ERROR_SUCCESS)
    opened.SetString("", value);
}

}  // namespace

void TSetupRun::WriteRegistry() {
  for (const RegistryEntry& entry : script_.registry) WriteRegistryEntry(entry);
}

void TSetupRun::WriteRegistryEntry(const RegistryEntry& entry) {
  ShowStatus(runtexts::kSettingRegistry);
  CheckAbort();
  const RegistryKeySpec keySpec = ParseRegistryKey(entry.key);
  win::RegKey key;
  if (win::RegKey::Create(keySpec.root(), keySpec.openPath(), key) != win::ERROR_SUCCESS) return;
  const RegistryValue value = ParseRegistryValue(entry.value, state_.folders);
  if (!value.empty) WriteValue(key, entry.name, value);
}

void TSetupRun::WriteIniFiles() {
  for (const string& data : script_.iniFiles) {
    ShowStatus(runtexts::kSettingIniFile);
    CheckAbort();
    const IniEntry entry = ParseIniEntry(ExpandPathMacros(state_.folders, data));
    WriteIniString(entry.section, entry.key, entry.value, entry.file);
  }
}

void TSetupRun::MakeAssociations() {
  for (const RelatePair& pair : relate_) MakeAssociation(pair);
}

// Ties the extension to the program once the user agrees; the class the extension had before is
// recorded first, so that the uninstaller can put it back.
void TSetupRun::MakeAssociation(const RelatePair& pair) {
  ShowStatus(runtexts::kSettingRelate);
  CheckAbort();
  const RelateEntry relate = ParseRelate(pair, state_.folders);
  const string question = runtexts::kExtension + relate.extension + runtexts::kRelateTo + "\r" +
                          relate.program + "\r" + runtexts::kRelateQuestion;
  if (ShowMessageBox(question, runtexts::kRelateCaption,
                     forms::MB_YESNO | forms::MB_ICONQUESTION) != forms::IDYES) {
    return;
  }
  const string extensionKey = "." + relate.extension;
  string previous;
  win::RegKey opened;
  if (win::RegKey::Create(win::HKEY::ClassesRoot, extensionKey, opened) == win::ERROR_SUCCESS)
    opened.QueryString("", previous);
  log_.AddAssociation(relate.extension, previous);
  const string fileClass = relate.extension + "_auto_file";
  SetClassValue(extensionKey, fileClass);
  SetClassValue(fileClass, relate.description);
  SetClassValue(fileClass + "\\DefaultIcon", relate.icon);
  SetClassValue(fileClass + "\\shell\\" + relate.verb + "\\command", relate.command);
}

}  // namespace setup
