#pragma once
// The full-screen background window: a gradient with the program title at the top left and the
// credit lines at the bottom right, each with a shadow. It is the application's main form; its
// first resize shows the main window modally and closes the background when that returns. Its
// enabled state tells the main window's close rules that a run has finished.
#include <string>
#include <string_view>

#include "forms/controls.h"
#include "forms/form.h"
#include "setup/GradBox.h"

namespace setup {

class TfrmMain;

class TfrmBack : public forms::TForm {
 public:
  TfrmBack();

  TGradBox* GradBox;
  forms::TLabel* lblBackTitle2;  // shadow of the title
  forms::TLabel* lblBackTitle1;
  forms::TLabel* lblPrgTitle2;  // shadow of the credit lines
  forms::TLabel* lblPrgTitle1;

  TfrmMain* frmMain = nullptr;  // set when the program creates its forms

  // The first resize: the version in the caption, then the main window, modally.
  void FormResize();

  // The credit lines at the bottom right of the window, shown, and the title labels widened to
  // the window (start-up).
  void ShowBanner(const std::string& banner);
  // The program title in both title labels.
  void ShowTitle(const std::string& title);
};

// A version "major.minor.release.build": each of the first three fields up to a dot (0 when no
// dot is left), the build from what remains.
struct VersionNumbers {
  int major = 0, minor = 0, release = 0, build = 0;
  bool operator==(const VersionNumbers&) const = default;
};
VersionNumbers SplitVersion(std::string_view version);

// major + "." + minor and release read together as one number of at least two digits +
// "(Build:" + the build with at least four digits + ")": 2.3.4.2563 gives "2.34(Build:2563)".
std::string VersionText(const VersionNumbers& version);

// The version of this program, fixed when it was built.
std::string_view ProgramVersion();

}  // namespace setup
