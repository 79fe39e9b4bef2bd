#pragma once
// The program shell: one instance at a time, the four windows, the message loop, and the restart
// prompt after an installation that asks for one.
#include <string>

#include "forms/application.h"
#include "forms/form.h"
#include "setup/Back.h"
#include "setup/CusDlg.h"
#include "setup/Main.h"
#include "setup/Status.h"

namespace setup {

// The four windows in their creation order, each knowing the others it works with.
struct SetupForms {
  forms::FormPtr<TfrmBack> frmBack;
  forms::FormPtr<TfrmMain> frmMain;
  forms::FormPtr<TfrmStatus> frmStatus;
  forms::FormPtr<TfrmCustomDlg> frmCustomDlg;
};

// Makes each window know the others.
void ConnectSetupForms(SetupForms& forms);

// The windows with a main window of class Main (tests watch the runs through one of their own).
template <class Main = TfrmMain>
SetupForms CreateSetupForms(ProgramStart start) {
  SetupForms forms;
  forms.frmBack = forms::CreateForm<TfrmBack>();
  forms.frmMain = forms::CreateForm<Main>(std::move(start));
  forms.frmStatus = forms::CreateForm<TfrmStatus>();
  forms.frmCustomDlg = forms::CreateForm<TfrmCustomDlg>();
  ConnectSetupForms(forms);
  return forms;
}

// The program on an Application: ends at once, silently, while another instance runs; otherwise
// runs the windows until the main window closes, then offers the restart the install run asked
// for. The exit code.
int RunSetup(forms::Application& app, ProgramStart start);

// The restart prompt; on the emulated system an accepted restart is only reported. A declined one
// is followed by the warning that the installation completes with the next restart.
void OfferRestart();

// A command-line argument as a Windows path: as given when it starts with a drive letter (or is
// empty), otherwise taken as a host path.
std::string ArgumentPath(const std::string& argument);

// The running program file as a Windows path.
std::string RunningProgramFile();

// The program entry: frontend options off the command line, the Application they choose, and
// the program with its arguments.
int SetupMain(int argc, const char* const* argv);

}  // namespace setup
