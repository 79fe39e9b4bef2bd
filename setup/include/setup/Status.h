#pragma once
// The status window that stands in for the main window while a run works: the step in progress,
// the progress of the copy phase, and the abort button of the install run.
#include "forms/controls.h"
#include "forms/form.h"

namespace setup {

class TfrmMain;
class TfrmBack;

class TfrmStatus : public forms::TForm {
 public:
  TfrmStatus();

  forms::TGroupBox* grpMessage;
  forms::TLabel* lblMessage;
  forms::TGroupBox* fraStatus;  // shown during the copy phase
  forms::TProgressBar* prgStatus;
  forms::TLabel* lblStatus;  // per cent, "%(", files done, "/", files in total, ")"
  forms::TButton* btnAbort;  // enabled while the install run may be aborted

  // Set when the program creates its forms.
  TfrmMain* frmMain = nullptr;
  TfrmBack* frmBack = nullptr;

  // The user cannot close the window: its Close command is off.
  void FormCreate();
  // After the user confirms: the main window disabled (the install run stops at its next check),
  // the background enabled, this window closed, the abort reported and the main window closed.
  void btnAbortClick();
};

}  // namespace setup
