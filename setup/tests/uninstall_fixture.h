#pragma once
// An installation of "Sample" in C:\Program Files\Sample\ on a fresh emulated system, described
// by a hand-written uninstall log, and the uninstall run driven on the test driver.
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/registry.h"
#include "platform/system.h"
#include "setup/MainShared.h"
#include "windows_fixture.h"

namespace setup {

class UninstallTest : public WindowsTest {
 protected:
  static constexpr char kSetupFolder[] = "C:\\Program Files\\Sample\\";
  static constexpr char kLog[] = "C:\\Program Files\\Sample\\UNSETUP.INI";
  static constexpr char kUninstallKey[] =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample";

  UninstallTest() : cwd_(std::filesystem::current_path()) {}
  ~UninstallTest() override {
    std::error_code error;
    std::filesystem::current_path(cwd_, error);  // the run moved into the temporary folder
  }

  // The log from UTF-8 lines; [SetupFolder] comes first unless the lines bring their own.
  static void WriteLog(std::vector<std::string> lines, bool withSetupFolder = true) {
    if (withSetupFolder)
      lines.insert(lines.begin(), {"[SetupFolder]", std::string("Folder=") + kSetupFolder});
    WriteIni(kLog, lines);
  }

  // The windows of a new start on the log, each start with an Application of its own.
  void Start() {
    if (forms_.frmBack) {
      forms_ = {};
      app.reset();
      app = std::make_unique<forms::TestApplication>();
    }
    forms_ = CreateSetupForms<TfrmMain>({kProgram, {kLog}});
    started_ = true;
    app->OnProcessMessages = [this] { LeaveDetailsPage(); };
  }

  // What the user does on the details page: press the continue button (tests that look at the
  // page replace this).
  void LeaveDetailsPage() {
    TfrmMain& m = Main();
    if (m.Visible() && m.fraReadme->Visible() && m.btnEvent->Enabled()) m.btnEvent->UserClick();
  }

  // Starts the program on the log (unless Start came first), presses the start button, and lets
  // `duringRun` act as the user's further steps (answers of the custom dialog); message-box
  // answers come from `answers`.
  void Uninstall(std::vector<int> answers = {}, std::vector<std::function<void()>> duringRun = {}) {
    if (!started_) Start();
    started_ = false;
    for (int answer : answers) app->QueueAnswer(answer);
    app->QueueStep([this] { ASSERT_EQ(Main().btnEvent->UserClick(), forms::InputResult::Done); });
    for (auto& step : duringRun) app->QueueStep(std::move(step));
    app->Run(*forms_.frmBack);
    EXPECT_FALSE(app->AnswersLeft()) << "a question the test expected was not asked";
  }
  TfrmMain& Main() { return *forms_.frmMain; }
  TfrmCustomDlg& Dialog() { return *forms_.frmCustomDlg; }

  // A step that answers the custom dialog with one of its buttons.
  std::function<void()> Press(forms::TButton* TfrmCustomDlg::*button) {
    return [this, button] {
      ASSERT_TRUE(Dialog().Visible()) << "the custom dialog is not open";
      EXPECT_EQ((Dialog().*button)->UserClick(), forms::InputResult::Done);
    };
  }

  // The message boxes of the run by caption, in order.
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& box : app->MessageBoxes()) captions.push_back(box.caption);
    return captions;
  }

  static void SetSharedCount(const std::string& path, win::DWORD count) {
    win::RegKey key;
    ASSERT_EQ(win::RegKey::Create(win::HKEY::LocalMachine,
                                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", key),
              0u);
    key.SetDword(path, count);
  }
  static bool KeyExists(win::HKEY root, const std::string& key) {
    return win::RegKeyExists(root, key);
  }
  static void MakeKey(win::HKEY root, const std::string& path, const std::string& value = {}) {
    win::RegKey key;
    ASSERT_EQ(win::RegKey::Create(root, path, key), 0u);
    if (!value.empty()) key.SetString("", value);
  }
  static std::string DefaultValue(win::HKEY root, const std::string& path) {
    win::RegKey key;
    std::string value;
    if (win::RegKey::Open(root, path, key) == 0) key.QueryString("", value);
    return value;
  }
  static void MakeFolder(const std::string& windowsPath) {
    std::filesystem::create_directories(*win::HostPath(windowsPath));
  }

  SetupForms forms_;

 private:
  std::filesystem::path cwd_;
  bool started_ = false;
};

}  // namespace setup
