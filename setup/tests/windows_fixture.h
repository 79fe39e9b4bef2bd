#pragma once
// A distribution C:\dist\ with the program and its script on a fresh emulated system, and the
// setup windows run on the test driver.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/test_application.h"
#include "platform/codepage.h"
#include "platform/paths.h"
#include "platform/system.h"
#include "scratch_root.h"
#include "setup/MainShell.h"
#include "setup/MainWorkFolder.h"

namespace setup {

// ANSI bytes of a UTF-8 text.
inline std::string A(std::string_view utf8) { return win::Utf8ToAnsi(utf8); }

// A main window that counts its runs instead of running them.
struct CountingMain : TfrmMain {
  using TfrmMain::TfrmMain;
  void DoSetup() override { ++setupRuns; }
  void DoUnSetup() override { ++unSetupRuns; }
  int setupRuns = 0, unSetupRuns = 0;
};

class WindowsTest : public testing_support::ScratchRootTest {
 protected:
  static constexpr char kProgram[] = "C:\\dist\\setup";

  WindowsTest() { WriteFile(kProgram, "program"); }

  static void WriteFile(const std::string& windowsPath, std::string_view bytes) {
    std::filesystem::path host = *win::HostPath(windowsPath);
    std::filesystem::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << bytes;
  }
  static bool Exists(const std::string& windowsPath) {
    return std::filesystem::exists(*win::HostPath(windowsPath));
  }
  // An INI file from UTF-8 lines, written as ANSI with CR LF.
  static void WriteIni(const std::string& windowsPath, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += A(line) + "\r\n";
    WriteFile(windowsPath, text);
  }
  static void WriteScript(const std::vector<std::string>& lines) {
    WriteIni("C:\\dist\\SETUP.INI", lines);
  }
  static std::string Temp() { return win::GetTempPathA(); }

  // Creates the windows and runs the program until the main window closes; `atStart` runs at
  // the main window's first wait for the user, then the input ends (the window is asked to
  // close, and a closing question takes its default answer).
  // Answers queued before the first run are that run's; each later run has an Application of
  // its own.
  void Run(std::vector<std::string> args = {}, std::function<void()> atStart = {}) {
    if (forms.frmBack) {
      forms = {};
      app.reset();  // before the next one, so that the newest is always the one in use
      app = std::make_unique<forms::TestApplication>();
    }
    forms = CreateSetupForms<CountingMain>({kProgram, std::move(args)});
    if (atStart) app->QueueStep(atStart);
    app->Run(*forms.frmBack);
  }
  CountingMain& Main() { return static_cast<CountingMain&>(*forms.frmMain); }

  std::unique_ptr<forms::TestApplication> app = std::make_unique<forms::TestApplication>();
  SetupForms forms;
};

}  // namespace setup
