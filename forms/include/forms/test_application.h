#pragma once
// The Application of tests: the user is a script of queued steps and answers, sleeps only advance
// a virtual clock, and every message box and dialog is recorded.
//
// An unexpected message box (no answer queued) takes its default button and is recorded with
// `queued` false, so a test sees it in MessageBoxes(); an unexpected dialog is cancelled and
// recorded the same way. When the program waits for the user and no step is queued, the input
// has ended: the waiting form (the modal form, else the main form) gets a close request through
// Close, as at the end of the console's input; a second refusal terminates the application.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "forms/application.h"

namespace forms {

class TestApplication : public Application {
 public:
  struct MessageBoxCall {
    std::string text, caption;
    UINT flags;
    int answer;
    bool queued;  // the answer came from QueueAnswer
  };
  struct DialogCall {
    enum Kind { Folder, OpenFile, SaveFile } kind;
    std::string title;
    std::optional<std::string> answer;
    bool queued;
  };

  // Answers of the coming message boxes, in order (IDYES, IDNO ...).
  void QueueAnswer(int button) { answers_.push_back(button); }
  // Answers of the coming folder browsers and file dialogs: a Windows path, or nullopt to cancel.
  void QueueDialogAnswer(std::optional<std::string> path) { dialogAnswers_.push_back(path); }
  // User steps: each wait for the user (modal loop or message loop) runs the next one.
  void QueueStep(std::function<void()> step) { userSteps_.push_back(std::move(step)); }
  // Called in every ProcessMessages, after the queued thread steps: where a test acts during a
  // long run (for example presses the abort button once it is enabled).
  std::function<void()> OnProcessMessages;

  const std::vector<MessageBoxCall>& MessageBoxes() const { return boxes_; }
  const std::vector<DialogCall>& Dialogs() const { return dialogs_; }
  const std::vector<win::DWORD>& Sleeps() const { return sleeps_; }
  std::uint64_t Now() const { return now_; }  // virtual milliseconds slept so far
  int ProcessMessagesCalls() const { return processCalls_; }
  bool AnswersLeft() const { return !answers_.empty() || !dialogAnswers_.empty(); }

  // A run that processes messages more often than this is taken for a hang: the test program
  // stops with a message instead of spinning.
  void SetProcessMessagesLimit(int limit) { processLimit_ = limit; }

  void Sleep(win::DWORD milliseconds) override;
  int MessageBox(const std::string& text, const std::string& caption, UINT flags) override;
  std::optional<std::string> BrowseForFolder(const std::string& title, UINT flags) override;
  std::optional<std::string> ChooseFile(FileDialogKind kind, const FileDialogSpec& dialog) override;

 protected:
  bool WaitForUser(TForm* modal) override;
  void PumpInput() override;

 private:
  std::optional<std::string> DialogAnswer(DialogCall::Kind kind, const std::string& title);

  std::deque<int> answers_;
  std::deque<std::optional<std::string>> dialogAnswers_;
  std::deque<std::function<void()>> userSteps_;
  std::vector<MessageBoxCall> boxes_;
  std::vector<DialogCall> dialogs_;
  std::vector<win::DWORD> sleeps_;
  std::uint64_t now_ = 0;
  int processCalls_ = 0;
  int processLimit_ = 1000000;
};

}  // namespace forms
