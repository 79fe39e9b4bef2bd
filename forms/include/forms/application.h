#pragma once
// The Application: a form's only way to the outside. It runs the message loop and the modal
// loops, processes pending messages, sleeps, asks message boxes and the common dialogs, and runs
// steps of other threads on the UI thread. Frontends (the console, the test driver) implement
// the parts that meet the user.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "forms/dialogs.h"
#include "forms/form.h"
#include "forms/message_box.h"
#include "platform/types.h"

namespace forms {

class Application {
 public:
  // The newest Application becomes the one App() returns, until it is destroyed. The thread that
  // constructs it is the UI thread.
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // Makes `mainForm` the main form, shows it and runs the message loop until the application is
  // terminated (closing the main form terminates it).
  void Run(TForm& mainForm);
  TForm* MainForm() const { return mainForm_; }
  // Shows `form` modally: the forms visible now take no input until it closes; the loop ends
  // when its modal result is set and OnCloseQuery allows closing, or when the application is
  // terminated (result mrCancel). Throws std::logic_error for a form that is already visible.
  TModalResult ShowModal(TForm& form);
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Whether the user's input has ended (a console whose standard input is at its end): a loop
  // that waits for a press through ProcessMessages takes that as the default and stops waiting.
  virtual bool UserInputEnded() const { return inputEnded_; }

  // Runs the steps other threads queued, then lets the frontend pass on the user input that is
  // pending (UI thread only).
  void ProcessMessages();
  virtual void Sleep(win::DWORD milliseconds) = 0;

  // Shows a message box and returns the button pressed (IDOK ... IDNO).
  virtual int MessageBox(const std::string& text, const std::string& caption, UINT flags) = 0;
  // The standard error box: the message (with a final "." added when it ends in a character
  // after "."), captioned with the title, an OK button and a stop icon.
  void ShowException(const std::string& message);
  // The folder browser: the chosen folder as a Windows path without a trailing backslash (except
  // a drive root), or nullopt when the user cancels.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title, UINT flags) = 0;
  // A file-open or file-save dialog: the chosen Windows path, or nullopt when the user cancels.
  virtual std::optional<std::string> ChooseFile(FileDialogKind kind,
                                                const FileDialogSpec& dialog) = 0;

  // Runs `step` on the UI thread and waits until it has run; on the UI thread it runs at once.
  // The UI thread runs queued steps in its message loop, its modal loops, message boxes, dialogs
  // and ProcessMessages. An exception thrown by the step is thrown again here. Returns false
  // when the Application went away before the step could run.
  bool Synchronize(std::function<void()> step);
  // Runs the queued steps, waiting up to `timeoutMs` for one to arrive (UI thread only); for
  // loops that wait for other threads to end. Returns whether a step ran.
  bool CheckSynchronize(int timeoutMs = 0);

  // A server keeps running when the input ends; SIGINT and SIGTERM then close its main form,
  // as the program's own exit command does.
  void SetServer(bool server);
  bool Server() const { return server_; }
  // Closes the main form at the next turn of a loop; safe in a signal handler and any thread.
  void RequestStop();

 protected:
  // Waits for one user action in a modal loop (`modal` set) or the message loop, and performs it.
  // Returns true when it did something or was woken (WakeFd), false when the input has ended and
  // no user action will come. Exceptions escaping an action are shown as error boxes.
  virtual bool WaitForUser(TForm* modal) = 0;
  // The frontend's part of ProcessMessages: user actions that are already pending.
  virtual void PumpInput() {}
  // Readable while steps are queued or a stop is requested; frontends include it in their waits.
  int WakeFd() const { return wakeRead_; }
  // Runs the queued steps and a requested stop; frontends call it while they wait.
  bool RunPendingSteps();  // whether a step ran
  bool InputEnded() const { return inputEnded_; }
  // Blocks until WakeFd is readable or `timeoutMs` passes (-1: no limit).
  void WaitForWake(int timeoutMs);
  bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }

 private:
  friend class TForm;
  struct Step;
  void Idle(TForm* modal, bool& closeRequested);
  void AfterInputEnded(TForm* modal, bool& closeRequested);
  void DrainWakePipe();

  std::string title_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  bool inputEnded_ = false;
  bool server_ = false;
  std::thread::id uiThread_;
  Application* previous_;

  std::mutex mutex_;
  std::deque<std::shared_ptr<Step>> steps_;
  bool closed_ = false;
  std::atomic<bool> stopRequested_{false};
  int wakeRead_ = -1, wakeWrite_ = -1;
};

// Runs an event handler as the message loop does: a std::exception escaping it is shown in the
// standard error box of the Application in use (and thrown on when there is none).
void RunGuarded(const std::function<void()>& handler);

// The Application in use; throws std::logic_error when there is none.
Application& App();
// The Application in use, or nullptr.
Application* CurrentApp();

}  // namespace forms
