// The end of an install run: the uninstaller, the shared record of installed programs, the new
// uninstall log and the uninstall key.
#include <cstdint>
#include <utility>

#include "MainFileTests.h"
#include "platform/fs.h"
#include "platform/registry.h"
#include "setup/MainHelpers.h"
#include "setup/MainLog.h"
#include "setup/MainLogSlots.h"
#include "setup/MainLogTexts.h"
#include "setup/MainScript.h"
#include "setup/uIniFile.h"

namespace setup {

namespace {

// The log being built: every write goes to the file at once, as the reader of the file sees it.
// The first write that fails is remembered, and later writes are not tried.
class LogFile {
 public:
  explicit LogFile(std::string path) : path_(std::move(path)) {
    // A file left by a run that ended before its log was complete; the log starts empty.
    win::DWORD code = DeletePath(path_, SetupMode::Setup);
    if (internal::Exists(path_)) error_ = code ? code : win::ERROR_ACCESS_DENIED;
  }

  const std::string& path() const { return path_; }
  win::DWORD error() const { return error_; }

  void Put(const std::string& section, const std::string& key, const std::string& value) {
    if (error_) return;
    if (!WriteIniString(section, key, value, path_)) {
      error_ = win::GetLastError();
      if (!error_) error_ = win::ERROR_GEN_FAILURE;
    }
  }

  std::string Read(const std::string& section, const std::string& key) const {
    return ReadIniString(section, key, "", path_);
  }

 private:
  std::string path_;
  win::DWORD error_ = win::ERROR_SUCCESS;
};

void Show(const LogStatus& status, const std::string& message) {
  if (status.showMessage) status.showMessage(message);
}

void Report(LogWriteResult& result, const std::string& path, win::DWORD code) {
  result.failures += "<SetupFile> " + path + "\r\n" + ErrorText(code) + "\r\n";
  ++result.failureCount;
}

// The last-write time as DOS date and time, one number; -1 for a missing file.
std::int64_t FileDate(const std::string& path) {
  win::WORD date = 0, time = 0;
  if (!win::GetFileDosDateTime(path, date, time)) return -1;
  return (static_cast<std::int64_t>(date) << 16) | time;
}

// A counted shared library stays counted: "/S" of the value already under the number is kept.
std::string KeepShared(const std::string& stored, const std::string& value) {
  if (PosText("/S", stored) == 0 || PosText("/S", value) != 0) return value;
  return value + (PosText(",/", value) != 0 ? "/S" : ",/S");
}

// Each value under the number the slot search gives it. The log starts empty, so the numbers in
// use are those written here; they are kept in memory instead of walked in the file.
void WriteFamily(LogFile& file, LogList list, const std::vector<std::string>& values) {
  const LogFamily family = FamilyOf(list);
  LogSlots slots;
  for (const std::string& value : values) {
    std::size_t n = slots.Find(value);
    std::string key = family.prefix + std::to_string(n);
    file.Put(family.section, key, list == LogList::Files ? KeepShared(slots.At(n), value) : value);
    slots.Set(n, file.Read(family.section, key));
  }
}

}  // namespace

LogWriteResult TUninstallLog::Write(const UninstallLogRun& run, const LogStatus& status) {
  LogWriteResult result;
  Show(status, run.unSetupWord + logtexts::kUpdating);
  if (status.disableAbort) status.disableAbort();

  const std::string uninstaller = run.windowsFolder + kUninstallerName;
  const std::string programCopy = workFolder_ + kProgramCopyName;
  if (FileDate(programCopy) > FileDate(uninstaller)) {
    if (win::DWORD code = CopyOneFile(programCopy, uninstaller)) Report(result, uninstaller, code);
  }
  if (!run.programId.empty())
    WriteIniString(run.programId, "Folder", setupFolder_, run.windowsFolder + kInstalledRecordName);
  if (IsSetupOnly(run.unSetupTitle) || logPath_.empty()) return result;

  LogFile file(setupFolder_ + kTemporaryName);
  file.Put("Information", "Message1", "Orvane UnSetup(UnInstall) Initialize File");
  file.Put("Information", "Message2", logtexts::kWarning);
  file.Put("Information", "Message3", logtexts::kDoNotEdit);
  file.Put("Information", "Message4",
           std::string(logtexts::kIfEdited) + run.unSetupWord + logtexts::kNoGuarantee);
  file.Put("Title", "UnSetup", run.unSetupTitle);
  file.Put("SetupFolder", "Folder", setupFolder_);

  static constexpr std::pair<LogList, const char*> kListMessages[] = {
      {LogList::Folders, logtexts::kUpdatingFolders},
      {LogList::Files, logtexts::kUpdatingFiles},
      {LogList::Shortcuts, logtexts::kUpdatingShortcuts},
      {LogList::RegistryKeys, logtexts::kUpdatingRegistry},
      {LogList::AdditionalFiles, logtexts::kUpdatingAdditional}};
  for (const auto& [list, message] : kListMessages) {
    Show(status, run.unSetupWord + message);
    WriteFamily(file, list, Pending(list));
  }

  Show(status, run.unSetupWord + logtexts::kUpdatingRestore);
  for (std::size_t i = 0; i < kRestoreSlots; ++i)
    if (!restore_[i].empty()) file.Put("RestoreRelate", "Key" + std::to_string(i + 1), restore_[i]);
  if (!run.unSetupOption.empty()) file.Put("UnSetupOption", "CheckBox", run.unSetupOption);
  file.Put("Extend", "SetupString", run.setupWord);
  file.Put("Extend", "UnSetupString", run.unSetupWord);

  const std::string keyName = run.unSetupKey.empty() ? run.unSetupTitle : run.unSetupKey;
  const std::string uninstallKey = kUninstallKeyBase + keyName;
  file.Put("UnSetupRegistryKey", "Key", uninstallKey);
  win::RegKey key;
  if (win::RegKey::Create(win::HKEY::LocalMachine, uninstallKey, key) == win::ERROR_SUCCESS) {
    key.SetString("DisplayName", run.unSetupDisplay.empty() ? keyName : run.unSetupDisplay);
    key.SetString("UninstallString", uninstaller + " \"" + logPath_ + "\"");
  }
  file.Put("ProgramID", "ID", run.programId);

  // The complete new log replaces the old one in one rename; an incomplete one never does.
  win::DWORD code = file.error();
  if (!code && !win::MoveFileExA(file.path(), logPath_, win::MOVEFILE_REPLACE_EXISTING))
    code = win::GetLastError();
  if (code) {
    Report(result, logPath_, code);
    DeletePath(file.path(), SetupMode::Setup);
  }
  return result;
}

}  // namespace setup
