// The uninstall log's bookkeeping during an install run: the earlier log taken in, the entries
// recorded as the run goes.
#include "setup/MainLog.h"

#include "MainFileTests.h"
#include "setup/Main.h"
#include "setup/MainHelpers.h"
#include "setup/MainLogSlots.h"
#include "setup/MainScript.h"
#include "setup/uIniFile.h"

namespace setup {

namespace {

constexpr LogList kLists[] = {LogList::Folders, LogList::Files, LogList::Shortcuts,
                              LogList::RegistryKeys, LogList::AdditionalFiles};

std::size_t IndexOf(LogList list) { return static_cast<std::size_t>(list); }

// The first empty slot, or nullptr when all are filled.
std::string* FirstEmpty(std::array<std::string, kRestoreSlots>& table) {
  for (std::string& slot : table)
    if (slot.empty()) return &slot;
  return nullptr;
}

}  // namespace

LogFamily FamilyOf(LogList list) {
  static constexpr LogFamily kFamilies[] = {{"DeleteFolder", "Folder"},
                                            {"DeleteFile", "File"},
                                            {"DeleteShortCut", "File"},
                                            {"DeleteRegistry", "Key"},
                                            {"AddDeleteFile", "File"}};
  return kFamilies[IndexOf(list)];
}

UninstallLogRun UninstallLogRunOf(const ProgramState& state, const SetupScript& script) {
  return {state.setupWord,         state.unSetupWord,           state.unSetupTitle,
          script.title.unSetupKey, script.title.unSetupDisplay, script.extend.unSetupOption,
          state.programId,         state.folders.windows};
}

void TUninstallLog::Prepare(const std::string& setupFolder, const std::string& workFolder) {
  setupFolder_ = setupFolder;
  workFolder_ = workFolder;
  logPath_ = setupFolder + kLogName;
  const std::string backupPath = workFolder + kBackupName;
  if (internal::FileExists(logPath_)) CopyOneFile(logPath_, backupPath);  // failure not reported

  // All twenty, past empty ones: a hand-edited log may have gaps.
  for (std::size_t n = 1; n <= kRestoreSlots; ++n) {
    std::string value = ReadIniString("RestoreRelate", "Key" + std::to_string(n), "", logPath_);
    if (!value.empty()) TakeRestoreValue(value);
  }
  TakeEarlierEntries(backupPath);
}

void TUninstallLog::TakeRestoreValue(const std::string& value) {
  for (const std::string& slot : restore_)
    if (!slot.empty() && PosText(value, slot) != 0) return;
  if (std::string* slot = FirstEmpty(restore_)) *slot = value;
}

void TUninstallLog::TakeEarlierEntries(const std::string& backupPath) {
  for (LogList list : kLists) {
    const LogFamily family = FamilyOf(list);
    for (std::string& value : ReadFamily(backupPath, family.section, family.prefix))
      pending_[IndexOf(list)].push_back(std::move(value));
  }
}

void TUninstallLog::AddFolder(const std::string& folder) { Add(LogList::Folders, folder); }
void TUninstallLog::AddFile(const std::string& pathAndFlags) { Add(LogList::Files, pathAndFlags); }
void TUninstallLog::AddShortcut(const std::string& path) { Add(LogList::Shortcuts, path); }
void TUninstallLog::AddRegistryKey(const std::string& value) { Add(LogList::RegistryKeys, value); }
void TUninstallLog::AddAdditionalFile(const std::string& path) {
  Add(LogList::AdditionalFiles, path);
}

void TUninstallLog::Add(LogList list, const std::string& value) {
  pending_[IndexOf(list)].push_back(value);
}

const std::vector<std::string>& TUninstallLog::Pending(LogList list) const {
  return pending_[IndexOf(list)];
}

void TUninstallLog::AddAssociation(const std::string& extension, const std::string& previousClass) {
  for (const std::string& slot : restore_)
    if (!slot.empty() && PosText(extension, CompareText(slot)) != 0) return;
  if (std::string* slot = FirstEmpty(restore_)) *slot = extension + "," + previousClass;
}

}  // namespace setup
