#pragma once
// The question whether to delete a shared file that no program uses any more, with two answers
// beyond yes and no that hold for the rest of the uninstall run: delete all, keep all. The answer
// ("Yes", "No", "Delete", "Save") is left in the caption of the main window's lblFormShare.
#include "forms/controls.h"
#include "forms/form.h"

namespace setup {

class TfrmMain;

class TfrmCustomDlg : public forms::TForm {
 public:
  TfrmCustomDlg();

  forms::TLabel* lblMessage;  // the question, set by the caller
  forms::TButton* btnYes;
  forms::TButton* btnNo;
  forms::TButton* btnDelete;
  forms::TButton* btnSave;

  TfrmMain* frmMain = nullptr;  // set when the program creates its forms

 private:
  void Answer(const char* answer);
};

}  // namespace setup
