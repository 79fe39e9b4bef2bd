#pragma once
// The main window of the setup program: its two pages (read-me, and message with folder and
// options), the start and end buttons, the start-up that prepares it, and its closing rules. The
// install and uninstall runs are its operations DoSetup and DoUnSetup.
#include <string>
#include <vector>

#include "forms/controls.h"
#include "forms/form.h"
#include "setup/FldrDlg.h"
#include "setup/MainHelpers.h"
#include "setup/MainMacros.h"
#include "setup/MainScript.h"

namespace setup {

class TfrmBack;
class TfrmStatus;
class TfrmCustomDlg;

// How the program was started: its own file and its arguments, as Windows paths.
struct ProgramStart {
  std::string programFile;
  std::vector<std::string> args;
};

// What the start-up fixed for the life of the program. Folders end with a backslash.
struct ProgramState {
  SetupMode mode = SetupMode::Setup;
  FolderValues folders;     // every path macro; (App) and (Set) get their values in the install run
  std::string workFolder;   // temporary folder + "BSTMPn\"
  std::string scriptCopy;   // work folder + "SETUP.INI" (install) or "UNSETUP.INI" (uninstall)
  std::string setupWord;    // [Extend] SetupString
  std::string unSetupWord;  // [Extend] UnSetupString
  int stepPause = kDefaultStepPause;  // milliseconds between the steps of a run
  std::string setupTitle;             // [Title] Setup
  std::string unSetupTitle;           // [Title] UnSetup
  std::string programId;              // [ProgramID] ID of the script (install mode)
  std::string messageText;            // the text of lblMessage
};

// The fatal failures of a start-up, one line each (closed by CR): no Windows folder, no System
// folder, no copy of the script or log. Empty when the start-up can go on.
std::string StartupFailures(const FolderValues& folders, bool scriptCopied);

class TfrmMain : public forms::TForm {
 public:
  explicit TfrmMain(ProgramStart start);

  // The read-me page.
  forms::TGroupBox* fraReadme;
  forms::TMemo* txtReadme;
  // The message page.
  forms::TGroupBox* grpMessage;
  forms::TLabel* lblMessage;
  forms::TGroupBox* grpSetupFolder;
  forms::TEdit* txtFolder;
  forms::TButton* btnRefer;
  forms::TGroupBox* grpOption;
  forms::TCheckBox* chkOverWrite;
  forms::TGroupBox* fraShortCut;
  forms::TLabel* lblUnSetupInfo;
  forms::TCheckBox* chkSCutDesktop;
  forms::TCheckBox* chkSCutStartMenu;
  forms::TCheckBox* chkSCutStartUp;
  forms::TCheckBox* chkSCutSendTo;
  // Both pages.
  forms::TButton* btnEvent;  // its caption says what a press does
  forms::TButton* btnEnd;
  forms::TLabel* lblFormShare;  // hidden: the custom dialog leaves its answer here
  TFolderDialog dlgFolder;

  // The other windows, set when the program creates its forms.
  TfrmBack* frmBack = nullptr;
  TfrmStatus* frmStatus = nullptr;
  TfrmCustomDlg* frmCustomDlg = nullptr;

  ProgramState State;
  // Set by the install run when the script asks for a restart; read after the window closed.
  bool RestartRequested = false;

  // The start-up on the first activation (while btnEvent has no caption).
  void FormActivate();
  // The read-me page, or the message page.
  void ShowReadmePage(bool show);
  void btnEventClick();
  void btnEndClick();
  void btnReferClick();
  void FormCloseQuery(bool& canClose);
  void FormClose(forms::TCloseAction& action);

  // The install run and the uninstall run.
  virtual void DoSetup();
  virtual void DoUnSetup();

 private:
  void CreatePages();
  void CreateFolderGroup();
  void CreateOptionGroup();
  void CreateButtons();

  // Start-up steps.
  std::string PrepareWorkFolder();
  void ShowFailedState(const std::string& failures);
  std::string ReadScript(const char* section, const std::string& key,
                         const std::string& def = {}) const;
  void ReadTexts();
  std::string Banner() const;
  std::string ProposedFolder() const;
  std::string ProposedInstallFolder() const;
  void PrepareShortcutBoxes(bool choicesEnabled);
  std::string InstallMessage() const;
  std::string UninstallMessage() const;
  void ShowTitlesAndCaptions();
  void ShowInstallPage();
  void ShowUninstallPage();
  void PrepareUninstallOptions();

  ProgramStart start_;
};

}  // namespace setup
