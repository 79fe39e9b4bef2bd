#pragma once
// Install runs of the real main window on the test driver: a distribution C:\dist\ with a script,
// the start button pressed, every status message and message box recorded.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/registry.h"
#include "setup/MainScript.h"
#include "setup/Status.h"
#include "setup/uIniFile.h"
#include "windows_fixture.h"

namespace setup {

class InstallTest : public WindowsTest {
 protected:
  static constexpr char kApp[] = "C:\\App\\";
  static constexpr char kLog[] = "C:\\App\\UNSETUP.INI";

  // The script with the setup folder C:\App\ proposed in front of the given lines.
  static void WriteInstallScript(std::vector<std::string> lines) {
    lines.insert(lines.begin(), {"[DefaultFolder]", "Folder=C:\\App\\"});
    WriteScript(lines);
  }
  static void MakeFolder(const std::string& windowsPath) {
    std::filesystem::create_directories(*win::HostPath(windowsPath));
  }
  static std::string ReadFile(const std::string& windowsPath) {
    std::ifstream in(*win::HostPath(windowsPath), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // A family of the uninstall log, File1, File2 ... up to the first empty one.
  static std::vector<std::string> LogFamily(const std::string& section, const std::string& prefix) {
    return ReadFamily(kLog, section, prefix);
  }
  static std::string RegString(win::HKEY root, const std::string& key, const std::string& name) {
    win::RegKey opened;
    std::string value;
    if (win::RegKey::Open(root, key, opened) == win::ERROR_SUCCESS) opened.QueryString(name, value);
    return value;
  }

  // Starts the program, lets `prepare` change the main window, presses the start button and runs
  // until the program ends. The setup folder C:\App\ exists unless `makeApp` is false.
  void Install(std::function<void(TfrmMain&)> prepare = {}, bool makeApp = true) {
    if (makeApp) MakeFolder(kApp);
    forms = CreateSetupForms<TfrmMain>({kProgram, {}});
    app->OnProcessMessages = [this] { Watch(); };
    app->QueueStep([this, prepare] {
      TfrmMain& m = *forms.frmMain;
      if (prepare) prepare(m);
      ASSERT_EQ(m.btnEvent->Caption(), m.State.setupWord + A("開始(&S)"));
      EXPECT_EQ(m.btnEvent->UserClick(), forms::InputResult::Done);
    });
    app->Run(*forms.frmBack);
  }

  // A fresh test driver for one more run in the same test, without the setup folder and the
  // uninstaller of the run before.
  void NextRun() {
    std::filesystem::remove_all(*win::HostPath(kApp));
    std::filesystem::remove(*win::HostPath("C:\\windows\\ZUREVAZ.EXE"));
    forms = {};
    app.reset();
    app = std::make_unique<forms::TestApplication>();
    statusMessages.clear();
    progress.clear();
    failureDetails.clear();
    whileRunning = {};
  }

  TfrmMain& Main() { return *forms.frmMain; }
  TfrmStatus& Status() { return *forms.frmStatus; }

  // The captions of the message boxes shown, in order.
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& box : app->MessageBoxes()) captions.push_back(box.caption);
    return captions;
  }
  const forms::TestApplication::MessageBoxCall* BoxCaptioned(const std::string& caption) const {
    for (const auto& box : app->MessageBoxes())
      if (box.caption == caption) return &box;
    return nullptr;
  }

  // Runs at every processing of messages during the run, after the status message was recorded.
  std::function<void()> whileRunning;
  // The status messages in the order they were shown (repeats of the same message once).
  std::vector<std::string> statusMessages;
  // The progress texts in the order they were shown.
  std::vector<std::string> progress;
  // The failure report of the details page, which the user leaves at once ("続行(&C)").
  std::string failureDetails;

 private:
  static void Note(std::vector<std::string>& list, const std::string& text) {
    if (!text.empty() && (list.empty() || list.back() != text)) list.push_back(text);
  }
  void Watch() {
    if (!forms.frmStatus) return;
    Note(statusMessages, Status().lblMessage->Caption());
    if (Status().fraStatus->Visible()) Note(progress, Status().lblStatus->Caption());
    if (Main().Visible() && Main().btnEvent->Enabled() &&
        Main().btnEvent->Caption() == A("続行(&C)")) {
      failureDetails = Main().txtReadme->Text();
      EXPECT_EQ(Main().btnEvent->UserClick(), forms::InputResult::Done);
    }
    if (whileRunning) whileRunning();
  }
};

}  // namespace setup
