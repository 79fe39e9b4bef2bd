#include "setup/Status.h"

#include "forms/message_box.h"
#include "setup/Back.h"
#include "setup/Main.h"
#include "setup/MainHelpers.h"
#include "setup/MainLayout.h"
#include "setup/MainTexts.h"

namespace setup {

using namespace forms;

TfrmStatus::TfrmStatus() : TForm("frmStatus") {
  SetCaption(uitexts::kProgress);
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu);
  SetFont(WindowFont());
  SetClientSize(497, 153);
  SetPosition(poScreenCenter);
  grpMessage = AddControl<TGroupBox>(this, "grpMessage", 8, 8, 481, 97);
  grpMessage->SetCaption(uitexts::kMessage);
  lblMessage = AddControl<TLabel>(grpMessage, "lblMessage", 8, 16, 457, 73);
  lblMessage->SetAutoSize(false);
  lblMessage->SetWordWrap(true);
  fraStatus = AddControl<TGroupBox>(grpMessage, "fraStatus", 8, 48, 465, 41);
  fraStatus->SetCaption(uitexts::kProgress);
  fraStatus->Hide();
  prgStatus = AddControl<TProgressBar>(fraStatus, "prgStatus", 8, 16, 353, 17);
  prgStatus->SetRange(0, 100);
  prgStatus->SetStep(5);
  lblStatus = AddControl<TLabel>(fraStatus, "lblStatus", 368, 16, 88, 17);
  lblStatus->SetAutoSize(false);
  lblStatus->SetAlignment(taCenter);
  lblStatus->SetLayout(tlCenter);
  lblStatus->SetFontHeight(-13);
  lblStatus->SetCaption("0%(0/0)");
  btnAbort = AddControl<TButton>(this, "btnAbort", 168, 120, 161, 25);
  btnAbort->SetCaption(uitexts::kAbortButton);
  btnAbort->SetEnabled(false);
  btnAbort->OnClick = [this] { btnAbortClick(); };
  OnCreate = [this] { FormCreate(); };
}

void TfrmStatus::FormCreate() { SetCloseCommandEnabled(false); }

void TfrmStatus::btnAbortClick() {
  const std::string question = std::string(uitexts::kAbortRisk) + "\r" + uitexts::kAbortAdvice +
                               "\r\r" + uitexts::kAbortReally;
  if (ShowMessageBox(question, uitexts::kAbortCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  frmMain->SetEnabled(false);
  frmBack->SetEnabled(true);
  Close();
  ShowMessageBox(uitexts::kAborted, uitexts::kAbort, MB_OK | MB_ICONWARNING);
  frmMain->SetModalResult(mrOk);
}

}  // namespace setup
