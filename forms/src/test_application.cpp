#include "forms/test_application.h"

#include <cstdio>
#include <cstdlib>

namespace forms {

void TestApplication::Sleep(win::DWORD milliseconds) {
  sleeps_.push_back(milliseconds);
  now_ += milliseconds;
}

int TestApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  const bool queued = !answers_.empty();
  int answer = DefaultButton(flags);
  if (queued) {
    answer = answers_.front();
    answers_.pop_front();
  }
  boxes_.push_back({text, caption, flags, answer, queued});
  return answer;
}

std::optional<std::string> TestApplication::BrowseForFolder(const std::string& title, UINT) {
  return DialogAnswer(DialogCall::Folder, title);
}

std::optional<std::string> TestApplication::ChooseFile(FileDialogKind kind,
                                                       const FileDialogSpec& dialog) {
  return DialogAnswer(kind == FileDialogKind::Open ? DialogCall::OpenFile : DialogCall::SaveFile,
                      dialog.Title);
}

std::optional<std::string> TestApplication::DialogAnswer(DialogCall::Kind kind,
                                                         const std::string& title) {
  const bool queued = !dialogAnswers_.empty();
  std::optional<std::string> answer;
  if (queued) {
    answer = dialogAnswers_.front();
    dialogAnswers_.pop_front();
  }
  dialogs_.push_back({kind, title, answer, queued});
  return answer;
}

bool TestApplication::WaitForUser(TForm*) {
  if (userSteps_.empty()) return false;
  std::function<void()> step = std::move(userSteps_.front());
  userSteps_.pop_front();
  step();
  return true;
}

void TestApplication::PumpInput() {
  if (++processCalls_ > processLimit_) {
    std::fprintf(stderr, "TestApplication: ProcessMessages called %d times; the run hangs\n",
                 processCalls_);
    std::abort();
  }
  if (OnProcessMessages) OnProcessMessages();
}

}  // namespace forms
