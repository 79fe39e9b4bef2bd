#pragma once
// The install run of the main window (DoSetup): it checks the disk space and the setup folder,
// then makes the script's folders, files, shortcuts, registry values, INI entries and file
// associations, writes the uninstall log, reports what failed and completes. One object per run.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "setup/MainLog.h"
#include "setup/MainScript.h"

namespace setup {

class TfrmMain;
class TfrmStatus;
struct ProgramState;

// The failures of a run, shown to the user at its end: per failed step a tag ("<File> " ...), the
// path, CR LF, the error text (which ends in CR LF itself), CR LF.
struct FailureReport {
  std::string text;
  int count = 0;

  void Add(std::string_view tag, const std::string& path, const std::string& errorText);
};

// A compressed source expanded into the temporary file: where it is, and the path it installs as.
struct ExpandedFile {
  std::string temporary, target;
};

// Expands the source into temporary folder + "EXPAND.DIZ" (a file that is not compressed is copied
// as it is). A target named "AUTO.EXT" takes the name stored in the compressed file, in capitals.
ExpandedFile ExpandLZFile(const std::string& source, const std::string& target,
                          const std::string& tempFolder);

// Writes the shortcut file link name + ".lnk" (as given when it holds ".lnk" already) that starts
// target in the working folder (the target's folder when that does not exist) with the arguments;
// a target that is itself a shortcut file is copied. The path of the file made: ".pif" in place of
// ".lnk" when the system wrote a program information file for an MS-DOS program.
std::string MakeShortcut(const std::string& target, const std::string& linkName,
                         std::string workingFolder, const std::string& arguments);

class TSetupRun {
 public:
  explicit TSetupRun(TfrmMain& main);

  // The whole run; returns when it completed, was cancelled or aborted (the main window closes).
  void Execute();

 private:
  // The phases, in the order of the run.
  void Start();
  void CountFiles();
  void CheckDiskSpace();
  void CheckSetupFolder();
  void PrepareLog();
  void MakeFolders();
  void CopyFiles();
  void MakeShortcuts();
  void WriteRegistry();
  void WriteIniFiles();
  void RecordScriptDeletions();
  void MakeAssociations();
  void WriteLog();
  void ReportFailures();
  void Complete();
  void End();

  // The copy phase, per CopyFile value (expanded), and the progress after entry n (from 1).
  void CopyEntry(const std::string& value);
  void ChangeDisk(const std::string& source);
  bool CopyDecision(const std::string& source, const std::string& target);
  void CountCopied(const std::string& source);
  void ShowProgress(std::size_t n);

  void MakeShortcutEntry(const ShortcutEntry& entry);
  void WriteRegistryEntry(const RegistryEntry& entry);
  void MakeAssociation(const RelatePair& pair);
  void ShowFailureDetails();
  void StartExecuteFile();

  // The message of the status window, with pending messages processed after it.
  void ShowStatus(const std::string& message);
  // Ends the run when the user has aborted it (the main window was disabled).
  void CheckAbort();
  void Pause();
  // The run ends without a log: the background enabled, the main window closed.
  [[noreturn]] void EndAsCancelled();

  TfrmMain& main_;
  TfrmStatus& status_;
  ProgramState& state_;
  SetupScript script_;

  bool overwrite_ = true;
  ShortcutBoxes choices_;  // the shortcut boxes as the run found them
  std::string setupFolder_;
  std::vector<RelatePair> relate_;
  std::size_t entryCount_ = 0;
  std::size_t filesHandled_ = 0;
  std::int64_t totalSize_ = 0;
  std::int64_t copiedSize_ = 0;
  bool sizeMode_ = true;
  int diskNumber_ = 1;
  FailureReport failures_;
  TUninstallLog log_;
};

}  // namespace setup
