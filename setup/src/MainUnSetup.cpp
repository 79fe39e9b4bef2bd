// The uninstall run: its options, screens, the setup folder check, the shared record, the summary
// with its details page, and the end.
#include <filesystem>
#include <optional>
#include <system_error>

#include "MainFileTests.h"
#include "MainUnSetupRun.h"
#include "forms/application.h"
#include "forms/message_box.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "setup/Back.h"
#include "setup/MainTexts.h"
#include "setup/MainUnSetupTexts.h"
#include "setup/Status.h"
#include "setup/uIniFile.h"
#include "setup/uStrOp.h"

namespace setup {

namespace internal {

namespace {

// The current directory becomes the folder, so that the program keeps no folder about to be
// removed in use.
void EnterFolder(const std::string& folder) {
  std::optional<std::filesystem::path> host = win::HostPath(folder);
  std::error_code error;
  if (host) std::filesystem::current_path(*host, error);
}

}  // namespace

UnSetupRun::UnSetupRun(TfrmMain& main)
    : main_(main), state_(main.State), protect_(main.State.folders) {}

void UnSetupRun::Run() {
  TakeOptions();
  ShowStatus();
  if (!TakeSetupFolder()) {
    End();
    return;
  }
  ForgetProgram();
  EnterFolder(state_.folders.temp);
  DeleteFiles("DeleteFile", true);
  DeleteFiles("AddDeleteFile", false);
  DeleteShortcuts();
  DeleteFolders();
  DeleteRegistryKeys();
  RestoreAssociations();
  DeleteUninstallKey();
  DeleteSetupFolder();
  Summarize();
  Complete();
  End();
}

std::string UnSetupRun::Log(const char* section, const std::string& key) const {
  return ReadIniString(section, key, "", state_.scriptCopy);
}

// The option boxes as the user left them: the "*.INI" and "*.GID" patterns, or (when the first box
// is the only one shown) the whole setup folder.
void UnSetupRun::TakeOptions() {
  TfrmMain& m = main_;
  for (forms::TCheckBox* box :
       {m.chkSCutDesktop, m.chkSCutStartMenu, m.chkSCutStartUp, m.chkSCutSendTo})
    box->SetEnabled(false);
  if (m.chkSCutDesktop->Checked()) {
    if (m.chkSCutStartMenu->Visible() || m.chkSCutStartUp->Visible() || m.chkSCutSendTo->Visible())
      patterns_ += "*.INI|";
    else
      deleteAll_ = true;
  }
  if (m.chkSCutStartMenu->Checked()) patterns_ += "*.GID|";
}

void UnSetupRun::ShowStatus() {
  TfrmMain& m = main_;
  m.Hide();
  m.frmStatus->Show();
  m.btnEnd->Hide();
  m.btnEvent->SetLeft((m.ClientWidth() - m.btnEvent->Width()) / 2);
  m.frmStatus->lblMessage->SetCaption(state_.unSetupWord + untexts::kInProgress);
  forms::App().ProcessMessages();
}

// The setup folder of the log, as the folder box shows it; without one nothing can be undone. A
// log without a setup folder leaves a lone backslash in the box, which names none either.
bool UnSetupRun::TakeSetupFolder() {
  setupFolder_ = main_.txtFolder->Text();
  if (!RemoveDelimiter(setupFolder_, "B").empty()) return true;
  const std::string& word = state_.unSetupWord;
  ShowMessageBox(word + untexts::kFolderUnknown + "\r\n" + word + untexts::kCannotGoOn,
                 untexts::kFatalError, forms::MB_OK | forms::MB_ICONSTOP);
  return false;
}

// The program's section of the shared record of installed programs goes.
void UnSetupRun::ForgetProgram() {
  const std::string id = Log("ProgramID", "ID");
  const std::string record = state_.folders.windows + "ORVAN98.INI";
  if (id.empty() || !FileExists(record)) return;  // a missing record is not made
  win::WritePrivateProfileStringA(id.c_str(), nullptr, nullptr, record.c_str());
}

void UnSetupRun::Fail(const char* tag, const std::string& path, const std::string& explanation) {
  report_ += tag + path + "\r\n" + explanation;
  ++failures_;
}

void UnSetupRun::Summarize() {
  if (failures_ == 0) return;
  main_.frmStatus->lblMessage->SetCaption(untexts::kSomeFailed);
  forms::App().ProcessMessages();
  const std::string question =
      state_.unSetupWord + untexts::kSomeStepsFailed + "\r" + untexts::kShowDetails;
  if (ShowMessageBox(question, uitexts::kWarning, forms::MB_YESNO | forms::MB_ICONWARNING) ==
      forms::IDYES)
    ShowDetails();
}

// The failure report on the read-me page until the user presses the continue button (which
// disables it).
void UnSetupRun::ShowDetails() {
  TfrmMain& m = main_;
  forms::Application& app = forms::App();
  m.txtReadme->SetText(report_);
  m.txtReadme->SetScrollBars(forms::ssVertical);
  m.btnEvent->SetCaption(uitexts::kContinue);
  m.btnEvent->SetEnabled(true);
  m.fraReadme->SetCaption(untexts::kDetailsTitle);
  m.ShowReadmePage(true);
  m.Show();
  m.frmStatus->Hide();
  while (m.btnEvent->Enabled() && !app.Terminated() && !app.UserInputEnded()) {
    app.Sleep(200);
    app.ProcessMessages();
  }
  m.Hide();
  app.ProcessMessages();
  app.Sleep(500);
  m.frmStatus->Show();
}

void UnSetupRun::Complete() {
  const std::string done = state_.unSetupWord + untexts::kCompleted;
  main_.frmStatus->lblMessage->SetCaption(done);
  forms::App().ProcessMessages();
  ShowMessageBox(done, untexts::kCompleteCaption, forms::MB_OK | forms::MB_ICONINFORMATION);
}

void UnSetupRun::End() {
  main_.frmBack->SetEnabled(true);
  main_.SetModalResult(forms::mrOk);
}

}  // namespace internal

void TfrmMain::DoUnSetup() { internal::UnSetupRun(*this).Run(); }

}  // namespace setup
