// The pages and buttons of the main window.
#include "forms/message_box.h"
#include "setup/Main.h"
#include "setup/MainTexts.h"
#include "setup/uStrOp.h"

namespace setup {

void TfrmMain::ShowReadmePage(bool show) {
  fraReadme->SetVisible(show);
  grpMessage->SetVisible(!show);
  grpSetupFolder->SetVisible(!show);
  grpOption->SetVisible(!show);
}

// The caption of btnEvent says what a press does. The start caption starts the run of the mode
// the start-up chose, also when the script makes the words for install and uninstall equal.
void TfrmMain::btnEventClick() {
  const std::string& caption = btnEvent->Caption();
  const bool uninstall = State.mode == SetupMode::UnSetup;
  if (uninstall && caption == State.unSetupWord + uitexts::kStart) {
    DoUnSetup();
  } else if (!uninstall && caption == State.setupWord + uitexts::kStart) {
    DoSetup();
  } else if (caption == uitexts::kContinue) {
    btnEvent->SetEnabled(false);  // ends a run's wait on its failure details
  } else if (caption == State.setupWord + uitexts::kContinue) {
    ShowReadmePage(false);
    btnEvent->SetCaption(State.setupWord + uitexts::kStart);
  }
}

void TfrmMain::btnEndClick() { SetModalResult(forms::mrOk); }

void TfrmMain::btnReferClick() {
  if (dlgFolder.Execute()) txtFolder->SetText(AddDelimiter(dlgFolder.FolderPath(), "B"));
}

}  // namespace setup
