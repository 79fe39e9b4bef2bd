#include "setup/CusDlg.h"

#include "setup/Main.h"
#include "setup/MainLayout.h"
#include "setup/MainTexts.h"

namespace setup {

using namespace forms;

TfrmCustomDlg::TfrmCustomDlg() : TForm("frmCustomDlg") {
  SetCaption(uitexts::kDeleteFileCaption);
  SetBorderStyle(bsDialog);
  SetBorderIcons(0);
  SetFont(WindowFont());
  SetClientSize(426, 121);
  SetPosition(poScreenCenter);
  lblMessage = AddControl<TLabel>(this, "lblMessage", 8, 8, 409, 73);
  lblMessage->SetAutoSize(false);
  auto button = [this](const char* name, int left, const char* caption, const char* answer) {
    TButton* b = AddControl<TButton>(this, name, left, 88, 97, 25);
    b->SetCaption(caption);
    b->OnClick = [this, answer] { Answer(answer); };
    return b;
  };
  btnYes = button("btnYes", 8, uitexts::kYes, "Yes");
  btnNo = button("btnNo", 112, uitexts::kNo, "No");
  btnDelete = button("btnDelete", 216, uitexts::kDeleteAll, "Delete");
  btnSave = button("btnSave", 320, uitexts::kSaveAll, "Save");
}

void TfrmCustomDlg::Answer(const char* answer) {
  frmMain->lblFormShare->SetCaption(answer);
  SetModalResult(mrOk);
}

}  // namespace setup
