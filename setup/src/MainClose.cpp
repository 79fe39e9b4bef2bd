// The closing rules of the main window and the clean-up when it closes.
#include "forms/application.h"
#include "forms/message_box.h"
#include "platform/shell.h"
#include "setup/Back.h"
#include "setup/Main.h"
#include "setup/MainTexts.h"
#include "setup/MainWorkFolder.h"

namespace setup {

namespace {

// Tells the shell that associations, items and folders may have changed; a failure is of no
// consequence to the program.
void NotifyShell() {
  for (win::LONG event : {win::SHCNE_ASSOCCHANGED, win::SHCNE_UPDATEITEM, win::SHCNE_UPDATEDIR}) {
    try {
      win::SHChangeNotify(event, win::SHCNF_IDLIST);
    } catch (...) {
    }
  }
}

}  // namespace

// Closing is free once a run has finished (the background is enabled) or when the start-up could
// not read its script; otherwise the user is asked.
void TfrmMain::FormCloseQuery(bool& canClose) {
  canClose = true;
  if (frmBack->Enabled() || btnEnd->Caption() == uitexts::kEnd) return;
  const std::string question = State.setupWord + "/" + State.unSetupWord + uitexts::kNotFinished +
                               "\r" + uitexts::kCloseAnyway;
  if (ShowMessageBox(question, uitexts::kCloseCaption, forms::MB_YESNO | forms::MB_ICONQUESTION) !=
      forms::IDYES) {
    canClose = false;
    return;
  }
  frmBack->SetEnabled(true);
  SetModalResult(forms::mrOk);
}

void TfrmMain::FormClose(forms::TCloseAction&) {
  forms::App().ProcessMessages();
  RemoveWorkFolders(State.folders.temp, State.mode);
  NotifyShell();
}

}  // namespace setup
