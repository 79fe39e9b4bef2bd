#pragma once
// One uninstall run: the log copy worked through in its fixed order (files, additional files,
// shortcuts, folders, registry keys, associations, the uninstall key, the setup folder), every
// failure collected into the run's report, and the program ended.
#include <string>

#include "setup/Main.h"
#include "setup/MainUnSetup.h"

namespace setup::internal {

class UnSetupRun {
 public:
  explicit UnSetupRun(TfrmMain& main);
  void Run();

 private:
  // The run's parts (MainUnSetup.cpp).
  void TakeOptions();
  void ShowStatus();
  bool TakeSetupFolder();
  void ForgetProgram();
  void Summarize();
  void ShowDetails();
  void Complete();
  void End();

  // Files, shortcuts and folders (MainUnSetupFiles.cpp).
  void DeleteFiles(const char* section, bool reported);
  win::DWORD DeleteLoggedFile(const std::string& path, const std::string& flags);
  win::DWORD DeleteSharedFile(const std::string& path);
  bool Confirmed(const std::string& question);
  void DeleteShortcuts();
  void DeleteFolders();
  void DeleteSetupFolder();
  void Fail(const char* tag, const std::string& path, const std::string& explanation);

  // Registry keys and associations (MainUnSetupRegistry.cpp).
  void DeleteRegistryKeys();
  void RestoreAssociations();
  void DeleteUninstallKey();

  std::string Log(const char* section, const std::string& key) const;

  TfrmMain& main_;
  const ProgramState& state_;
  const ProtectedFolders protect_;
  std::string setupFolder_;
  std::string patterns_;  // "*.INI|", "*.GID|", both or none
  bool deleteAll_ = false;
  std::string report_;
  int failures_ = 0;
};

}  // namespace setup::internal
