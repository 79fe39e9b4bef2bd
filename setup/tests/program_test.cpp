// The program shell: one instance at a time, the restart prompt, the arguments, and a session of
// the real program on the console.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "windows_fixture.h"

namespace setup {
namespace {

class ProgramTest : public WindowsTest {
 protected:
  // Closes the main window as a finished run does, asking for a restart when told to.
  void FinishRunAtStart(bool restart) {
    app->QueueStep([restart] {
      auto* main = dynamic_cast<TfrmMain*>(forms::Screen().FindForm("frmMain"));
      ASSERT_NE(main, nullptr);
      main->RestartRequested = restart;
      main->frmBack->SetEnabled(true);
      main->SetModalResult(forms::mrOk);
    });
  }
};

TEST_F(ProgramTest, ASecondInstanceEndsSilently) {
  WriteScript({});
  win::NamedMutex running("ORVSETUP");
  ASSERT_EQ(running.TryAcquire(), 0u);
  EXPECT_EQ(RunSetup(*app, {kProgram, {}}), 0);
  EXPECT_TRUE(forms::Screen().Forms().empty());
  EXPECT_TRUE(app->MessageBoxes().empty());
  EXPECT_FALSE(Exists(WorkFolderPath(Temp(), 1)));
}

TEST_F(ProgramTest, TheMutexIsHeldWhileTheProgramRunsAndReleasedAfter) {
  WriteScript({});
  app->QueueStep([] {
    win::NamedMutex other("ORVSETUP");
    EXPECT_EQ(other.TryAcquire(), win::ERROR_ALREADY_EXISTS);
  });
  EXPECT_EQ(RunSetup(*app, {kProgram, {}}), 0);
  win::NamedMutex after("ORVSETUP");
  EXPECT_EQ(after.TryAcquire(), 0u);
}

TEST_F(ProgramTest, TheRestartPromptFollowsTheClosedWindowsWhenARunAskedForIt) {
  const std::string kPrompt =
      A("新しい設定を有効にするには，Windowsを再起動する必要があります．\r"
        "今すぐ再起動しますか？");
  struct Case {
    bool restart;
    int answer;
    std::vector<std::string> boxes;  // captions after the windows closed
  } cases[] = {
      {false, 0, {}},
      {true, forms::IDNO, {A("システム設定の変更"), A("警告")}},
      {true, forms::IDYES, {A("システム設定の変更"), A("システム設定の変更")}},
  };
  WriteScript({});
  for (const Case& c : cases) {
    app.reset();
    app = std::make_unique<forms::TestApplication>();
    FinishRunAtStart(c.restart);
    if (c.answer) app->QueueAnswer(c.answer);
    EXPECT_EQ(RunSetup(*app, {kProgram, {}}), 0);
    std::vector<std::string> captions;
    for (const auto& box : app->MessageBoxes()) captions.push_back(box.caption);
    EXPECT_EQ(captions, c.boxes) << c.answer;
    if (c.answer == forms::IDNO) {
      EXPECT_EQ(app->MessageBoxes()[0].text, kPrompt);
      EXPECT_EQ(app->MessageBoxes()[1].text,
                A("Windowsを再起動すると，セットアップは完了します．"));
      EXPECT_EQ(app->MessageBoxes()[1].flags, forms::MB_OK | forms::MB_ICONWARNING);
    }
  }
}

TEST_F(ProgramTest, AnArgumentWithoutADriveLetterIsAHostPath) {
  const std::string drive = (root_.driveC() / "logs" / "UNSETUP.INI").string();
  const std::string cwd = std::filesystem::current_path().string();
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\App\\unsetup.ini", "C:\\App\\unsetup.ini"},
      {"d:relative", "d:relative"},
      {"", ""},
      {drive, "C:\\logs\\UNSETUP.INI"},
      {"/no/such/../place/UNSETUP.INI", "Z:\\no\\place\\UNSETUP.INI"},
      {"rel/UNSETUP.INI", win::WindowsPath(std::filesystem::path(cwd) / "rel" / "UNSETUP.INI")},
  };
  for (const auto& [argument, path] : cases) EXPECT_EQ(ArgumentPath(argument), path) << argument;
}

// The program as built, copied into a distribution and driven through its console.
TEST_F(ProgramTest, TheConsoleShowsTheStartPageAndCancelsOnTheEndButton) {
  const char* binaries = std::getenv("WS_BINARY_DIR");
  ASSERT_NE(binaries, nullptr) << "run through ctest";
  const std::filesystem::path dist = root_.driveC() / "dist";
  std::filesystem::copy_file(std::filesystem::path(binaries) / "setup" / "setup", dist / "setup",
                             std::filesystem::copy_options::overwrite_existing);
  WriteScript({"[Title]", "Setup=Tiny", "[TopMessage]", "Message1=Hello"});
  const std::filesystem::path in = root_.path().parent_path() / "in.txt";
  const std::filesystem::path out = root_.path().parent_path() / "out.txt";
  std::ofstream(in) << "click btnEnd\nyes\n";
  const std::string command = "WINROOT='" + root_.path().string() + "' '" +
                              (dist / "setup").string() + "' --no-sleep < '" + in.string() +
                              "' > '" + out.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::stringstream output;
  output << std::ifstream(out).rdbuf();
  const std::string text = output.str();
  for (const char* line : {
           "frmBack: shown \"Orvane\"\n",
           "frmMain: shown modal \"Orvane\"\n",
           "frmMain: \"Tiny\"\n",
           "  lblMessage: label "
           "\"Hello\\n\\n\\n\\n\\n\\n※　処理を開始する前に，必ずすべてのプログラムを"
           "終了させてください．\"\n",
           "  txtFolder: edit \"C:\\Program Files\\\"\n",
           "frmMain.btnEvent: \"インストール開始(&S)\"\n",
           "> click btnEnd\nmessage box \"終了確認\"\n",
           "  -> yes\n",
           "frmMain: hidden\n",
       })
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin:\n" << text;
  EXPECT_FALSE(Exists(WorkFolderPath(Temp(), 1))) << "the work folder went at the end";
}

}  // namespace
}  // namespace setup
