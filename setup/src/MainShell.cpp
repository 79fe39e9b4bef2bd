#include "setup/MainShell.h"

#include <cctype>
#include <filesystem>
#include <iostream>

#include "forms/frontend.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "setup/MainHelpers.h"
#include "setup/MainTexts.h"

namespace setup {

void ConnectSetupForms(SetupForms& forms) {
  forms.frmBack->frmMain = forms.frmMain.get();
  forms.frmMain->frmBack = forms.frmBack.get();
  forms.frmMain->frmStatus = forms.frmStatus.get();
  forms.frmMain->frmCustomDlg = forms.frmCustomDlg.get();
  forms.frmStatus->frmMain = forms.frmMain.get();
  forms.frmStatus->frmBack = forms.frmBack.get();
  forms.frmCustomDlg->frmMain = forms.frmMain.get();
}

int RunSetup(forms::Application& app, ProgramStart start) {
  win::NamedMutex instance("ORVSETUP");
  if (instance.TryAcquire() == win::ERROR_ALREADY_EXISTS) return 0;
  app.SetTitle("Orvane Standard");
  SetupForms forms = CreateSetupForms(std::move(start));
  app.Run(*forms.frmBack);
  instance.Release();
  if (forms.frmMain->RestartRequested) OfferRestart();
  return 0;
}

void OfferRestart() {
  const std::string question = std::string(uitexts::kRestartQuestion) + "\r" + uitexts::kRestartNow;
  const int answer =
      ShowMessageBox(question, uitexts::kRestartCaption, forms::MB_YESNO | forms::MB_ICONQUESTION);
  if (answer == forms::IDYES) {
    ShowMessageBox(uitexts::kRestartRequested, uitexts::kRestartCaption,
                   forms::MB_OK | forms::MB_ICONINFORMATION);
  } else if (answer == forms::IDNO) {
    ShowMessageBox(uitexts::kRestartLater, uitexts::kWarning, forms::MB_OK | forms::MB_ICONWARNING);
  }
}

std::string ArgumentPath(const std::string& argument) {
  const bool drivePath = argument.size() >= 2 &&
                         std::isalpha(static_cast<unsigned char>(argument[0])) &&
                         argument[1] == ':';
  if (argument.empty() || drivePath) return argument;
  std::error_code error;
  std::filesystem::path host = std::filesystem::absolute(argument, error);
  return error ? argument : win::WindowsPath(host.lexically_normal());
}

std::string RunningProgramFile() {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : win::WindowsPath(self);
}

int SetupMain(int argc, const char* const* argv) {
  forms::CommandLine line = forms::ParseCommandLine(argc, argv);
  for (const std::string& option : line.unknown)
    std::cerr << "setup: unknown option " << option << " ignored\n";
  std::unique_ptr<forms::Application> app = forms::CreateApplication(line.options);
  ProgramStart start{RunningProgramFile(), std::move(line.args)};
  if (!start.args.empty()) start.args.front() = ArgumentPath(start.args.front());
  return RunSetup(*app, std::move(start));
}

}  // namespace setup
