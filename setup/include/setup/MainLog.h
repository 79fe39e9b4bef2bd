#pragma once
// The uninstall log "UNSETUP.INI" of an install run: what the run created and changed, gathered in
// memory while the run works, merged with the log of an earlier installation into the same folder,
// and written at the end together with the uninstaller "ZUREVAZ.EXE", the entry of the shared
// record "ORVAN98.INI" and the uninstall key of the system.
//
// Use by the install run:
//   TUninstallLog log;
//   log.Prepare(setupFolder, workFolder);  // once the setup folder exists, before anything is made
//   log.AddFolder(...); log.AddFile(...); ... log.AddFile(log.LogPath());  // as the steps go
//   LogWriteResult r = log.Write(UninstallLogRunOf(State, script), status);  // not after an abort
//   failureReport += r.failures; failureCount += r.failureCount;
//
// The log on disk changes only in Write, and only as a whole: the new log is built in a temporary
// file beside it and replaces the old one when it is complete, so the setup folder holds either
// the complete earlier log or the complete new one, whatever happens in between.
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace setup {

struct ProgramState;
struct SetupScript;

constexpr std::size_t kRestoreSlots = 20;

// The five pending lists, in the order the log writes them.
enum class LogList { Folders, Files, Shortcuts, RegistryKeys, AdditionalFiles };

// Where a pending list goes in the log: [DeleteFolder] Folder n, [DeleteFile] File n,
// [DeleteShortCut] File n, [DeleteRegistry] Key n, [AddDeleteFile] File n.
struct LogFamily {
  const char* section;
  const char* prefix;
};
LogFamily FamilyOf(LogList list);

// What the write needs from the run besides the recorded entries.
struct UninstallLogRun {
  std::string setupWord;       // the word for install in force for this run
  std::string unSetupWord;     // the word for uninstall in force for this run
  std::string unSetupTitle;    // the uninstall title ([Title] UnSetup, default the install title)
  std::string unSetupKey;      // [Title] UnSetupKey of the script; empty: the uninstall title
  std::string unSetupDisplay;  // [Title] UnSetupDisplay of the script; empty: the key name
  std::string unSetupOption;   // [Extend] UnSetupOption of the script; empty: not written
  std::string programId;       // [ProgramID] ID of the script, may be empty
  std::string windowsFolder;   // the Windows folder, with its trailing backslash
};

// The run's values from the program state fixed at start-up and the script.
UninstallLogRun UninstallLogRunOf(const ProgramState& state, const SetupScript& script);

// How the write shows its progress. Either may be empty.
struct LogStatus {
  // Sets the status window's message and processes pending messages.
  std::function<void(const std::string& message)> showMessage;
  // Disables the status window's abort button (the write cannot be aborted).
  std::function<void()> disableAbort;
};

// What the write adds to the run's failure report: entries of the form tag, path, CR LF, error
// text, CR LF, and the number of failures they stand for.
struct LogWriteResult {
  std::string failures;
  int failureCount = 0;
};

class TUninstallLog {
 public:
  // Setup folder + "UNSETUP.INI"; work folder + "UNSETUPB.INI".
  static constexpr char kLogName[] = "UNSETUP.INI";
  static constexpr char kBackupName[] = "UNSETUPB.INI";
  // The file the new log is built in before it replaces the old one (setup folder).
  static constexpr char kTemporaryName[] = "UNSETUP.TMP";
  static constexpr char kUninstallerName[] = "ZUREVAZ.EXE";
  static constexpr char kProgramCopyName[] = "SETUPB.EXE";  // in the work folder
  static constexpr char kInstalledRecordName[] = "ORVAN98.INI";
  static constexpr char kUninstallKeyBase[] =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

  // Both folders with their trailing backslash. Copies an earlier log to the backup, takes its
  // association restore values into the table and its entries into the pending lists (they come
  // first in every list). Safe on any earlier log, however malformed.
  void Prepare(const std::string& setupFolder, const std::string& workFolder);

  // Setup folder + "UNSETUP.INI" (empty before Prepare).
  const std::string& LogPath() const { return logPath_; }

  // One value for a pending list, kept as given.
  void AddFolder(const std::string& folder);      // a MakeFolder folder made or already there
  void AddFile(const std::string& pathAndFlags);  // target path + the CopyFile line's flag text
  void AddShortcut(const std::string& path);      // a shortcut file created
  void AddRegistryKey(const std::string& value);  // a DeleteRegistry value of the script, verbatim
  void AddAdditionalFile(const std::string& path);  // an AddDeleteFile value, expanded
  void Add(LogList list, const std::string& value);

  // An association the user accepted, before anything is written for it: the extension (without
  // its dot, as the script wrote it) and the present default value of HKEY_CLASSES_ROOT\.extension
  // (empty when it has none). Nothing is recorded when the extension occurs in the extension part
  // of a filled slot (without regard to case) or when all slots are filled.
  void AddAssociation(const std::string& extension, const std::string& previousClass);

  const std::vector<std::string>& Pending(LogList list) const;
  // Filled slots hold extension + "," + previous class; empty slots are empty.
  const std::array<std::string, kRestoreSlots>& RestoreTable() const { return restore_; }

  // At the end of a run that was not aborted: refreshes the uninstaller, writes the shared record
  // of installed programs, and (unless the uninstall title says "Setup Only.") the new log and the
  // uninstall key. A failed copy of the uninstaller, and a new log that could not be written
  // completely (the earlier log then stays as it was), are reported with the tag "<SetupFile> ".
  LogWriteResult Write(const UninstallLogRun& run, const LogStatus& status = {});

 private:
  void TakeRestoreValue(const std::string& value);
  void TakeEarlierEntries(const std::string& backupPath);

  std::string setupFolder_;
  std::string workFolder_;
  std::string logPath_;
  std::array<std::vector<std::string>, 5> pending_;
  std::array<std::string, kRestoreSlots> restore_;
};

}  // namespace setup
