#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "code_page_932.h"
#include "forms/console_application.h"
#include "forms/forms.h"
#include "forms/frontend.h"
#include "scratch_root.h"

namespace forms {
namespace {

// A main window with a long run, as the programs have: a start button whose run processes
// messages and may be aborted, a folder box with a browse button, and a close question.
struct Window : TForm {
  Window() : TForm("frmMain") {
    start = Add<TButton>("btnStart");
    abort = Add<TButton>("btnAbort");
    folder = Add<TEdit>("txtFolder");
    browse = Add<TButton>("btnRefer");
    status = Add<TLabel>("lblStatus");
    abort->SetEnabled(false);
    start->OnClick = [this] { Work(); };
    abort->OnClick = [this] { aborted = App().MessageBox("Abort?", "Abort", MB_YESNO) == IDYES; };
    browse->OnClick = [this] {
      if (auto path = App().BrowseForFolder("Folder", BIF_RETURNONLYFSDIRS)) folder->SetText(*path);
    };
    OnCloseQuery = [](bool& canClose) {
      canClose = App().MessageBox("Quit?", "Quit", MB_YESNO | MB_DEFBUTTON2) == IDYES;
    };
    SetCloseCommandEnabled(false);
  }
  void Work() {
    for (int step = 0; step < 4 && !aborted; ++step) {
      if (step == 2) abort->SetEnabled(true);
      status->SetCaption("step " + std::to_string(step));
      App().ProcessMessages();
      done = step;
    }
    abort->SetEnabled(false);
  }
  TButton *start, *abort, *browse;
  TEdit* folder;
  TLabel* status;
  bool aborted = false;
  int done = -1;
};

// Runs the window as the main form on `script` and returns the console output.
std::string Session(Window& window, const std::string& script) {
  std::istringstream in(script);
  std::ostringstream out;
  ConsoleApplication app(in, out);
  app.Run(window);
  return out.str();
}

std::vector<std::string> Lines(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  return lines;
}

TEST(ConsoleInput, AWaitTakesAnyLineAndReportsBadOnes) {
  Window window;
  const std::string out = Session(window,
                                  "jump btnStart\n"
                                  "click btnNowhere\n"
                                  "yes\n"
                                  "select btnStart 1\n"
                                  "click btnAbort\n"
                                  "\n"
                                  "set txtFolder C:\\Tools\n"
                                  "close\n");
  EXPECT_EQ(Lines(out, "error:"),
            (std::vector<std::string>{
                "error: unknown command: jump btnStart", "error: no control named btnNowhere",
                "error: no message box is open", "error: cannot select btnStart (button)",
                "error: btnAbort is hidden or disabled", "error: frmMain cannot be closed now"}));
  EXPECT_EQ(window.folder->Text(), "C:\\Tools");
  EXPECT_EQ(Lines(out, "  ->"), std::vector<std::string>{"  -> no (default)"}) << out;
}

TEST(ConsoleInput, AMessageBoxTakesAnAnswerOrLeavesACommandForLater) {
  Window window;
  const std::string out = Session(window,
                                  "click btnStart\n"
                                  "click btnAbort\n"  // taken while the run processes messages
                                  "ok\n"              // not offered by a Yes/No box
                                  "yes\n"
                                  "set txtFolder X\n"
                                  "close frmMain\n"  // the close command is disabled
                                  "set txtFolder Y\n");
  EXPECT_TRUE(window.aborted);
  EXPECT_EQ(window.done, 2) << "the abort button waited until the run enabled it";
  EXPECT_EQ(Lines(out, "error:"),
            (std::vector<std::string>{"error: the message box does not offer ok",
                                      "error: frmMain cannot be closed now"}));
  EXPECT_EQ(window.folder->Text(), "Y");
}

TEST(ConsoleInput, ProcessMessagesTakesOnlyCommandsForControlsThatTakeInput) {
  Window window;
  window.start->OnClick = [&] {
    window.Work();
    App().MessageBox("Finished.", "Done", MB_OK);
  };
  const std::string out = Session(window,
                                  "click btnStart\n"
                                  "set txtFolder during\n"  // enabled: taken during the run
                                  "jump\n"                  // not a command: left for later
                                  "click btnAbort\n");
  EXPECT_EQ(Lines(out, "> "),
            (std::vector<std::string>{"> click btnStart", "> set txtFolder during", "> jump",
                                      "> click btnAbort"}));
  EXPECT_EQ(window.done, 3) << "the run was not aborted";
  const size_t finished = out.find("message box \"Done\"");
  ASSERT_NE(finished, std::string::npos);
  EXPECT_LT(out.find("> set txtFolder during"), out.find("frmMain.lblStatus: \"step 1\""));
  EXPECT_LT(finished, out.find("> jump")) << "the box took its default and left the line";
  EXPECT_NE(out.find("error: btnAbort is hidden or disabled"), std::string::npos);
}

TEST(ConsoleInput, EndOfInputClosesTheMainFormThroughItsCloseQuery) {
  Window window;
  const std::string out = Session(window, "set txtFolder a\n");
  EXPECT_EQ(Lines(out, "  ->"), std::vector<std::string>{"  -> no (default)"});
  EXPECT_EQ(Lines(out, "message box").size(), 1u) << "refused, then asked no more: the end";
}

TEST(ConsoleInput, AWaitForAPressThroughProcessMessagesEndsWithTheInput) {
  Window window;
  int turns = 0;
  window.start->OnClick = [&] {
    window.abort->SetEnabled(true);  // "press abort to go on", waited for by processing messages
    while (window.abort->Enabled() && !App().UserInputEnded() && ++turns < 1000)
      App().ProcessMessages();
  };
  Session(window, "click btnStart\n");
  EXPECT_LT(turns, 1000) << "the wait went on after the input had ended";
}

TEST(ConsoleInput, ADialogTakesAPathOrAnEmptyLine) {
  testing_support::ScratchRoot root;
  const std::string host = (root.path() / "drive_c" / "Tools").string();
  struct Case {
    std::string answer;
    std::string folder;
  } cases[] = {
      {"C:\\Program Files\\Foo\\\n", "C:\\Program Files\\Foo"},
      {"D:/Data\n", "D:\\Data"},
      {"C:\n", "C:\\"},
      {host + "/\n", "C:\\Tools"},
      {"\n", "(unchanged)"},
      {"click btnStart\n", "(unchanged)"},  // a command cancels and stays for later
  };
  for (const Case& c : cases) {
    Window window;
    window.folder->SetText("(unchanged)");
    Session(window, "click btnRefer\n" + c.answer);
    EXPECT_EQ(window.folder->Text(), c.folder) << c.answer;
  }
}

TEST(ConsoleInput, StandardInputIsReadAsItArrives) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string script =
      "set txtFolder piped\r\nclick btnStart\nclick btnAbort\nyes";  // the last line unended
  ASSERT_EQ(write(fds[1], script.data(), script.size()), static_cast<ssize_t>(script.size()));
  close(fds[1]);
  Window window;
  std::ostringstream out;
  {
    ConsoleApplication app(fds[0], out, {.noSleep = true});
    app.Run(window);
  }
  close(fds[0]);
  EXPECT_EQ(window.folder->Text(), "piped");
  EXPECT_EQ(window.done, 2);
  EXPECT_EQ(Lines(out.str(), "  ->"), (std::vector<std::string>{"  -> yes", "  -> no (default)"}));
}

TEST(CommandLine, FrontendOptionsAreTakenOff) {
  const char* argv[] = {"setup", "--console", "C:\\A\\UNSETUP.INI", "--no-sleep", "--frob",
                        "--",    "--kept"};
  CommandLine line = ParseCommandLine(7, argv);
  EXPECT_TRUE(line.options.console);
  EXPECT_TRUE(line.options.noSleep);
  EXPECT_EQ(line.args, (std::vector<std::string>{"C:\\A\\UNSETUP.INI", "--kept"}));
  EXPECT_EQ(line.unknown, std::vector<std::string>{"--frob"});
}

}  // namespace
}  // namespace forms
