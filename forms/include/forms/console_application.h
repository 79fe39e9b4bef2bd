#pragma once
// The console frontend. Output, UTF-8: each form when shown (its caption, then its visible
// controls indented by parent), each later change of a visible control as one line
// "form.control: value", each message box and dialog as a block. Input, one line at a time:
//   click NAME | check NAME [ROW] | uncheck NAME [ROW] | set NAME TEXT | select NAME INDEX |
//   close [FORM]
// NAME is a control or menu item of a visible form (the front form first) or FORM.NAME. A message
// box takes yes, no, ok, cancel, abort, retry or ignore; a folder browser or file dialog takes a
// Windows path, a host path, or an empty line to cancel.
//
// When a line is read: a wait for the user (a modal loop, or the message loop with nothing to
// do) takes the next line, whatever it is. A message box takes the next line when it is an
// answer, otherwise takes its default button and leaves the line; a dialog likewise takes a path
// or an empty line and leaves a command. ProcessMessages takes the next lines only while each is
// a command for a control that accepts input at that moment. At the end of the input every later
// question takes its default, and the waiting form gets a close request (see Application).
#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "forms/application.h"

namespace forms {

class ConsoleInput;
class ConsoleOutput;

struct ConsoleOptions {
  bool noSleep = false;  // Sleep returns at once
};

class ConsoleApplication : public Application {
 public:
  // Reads a stream (tests); nothing on it ever blocks.
  ConsoleApplication(std::istream& in, std::ostream& out, ConsoleOptions options = {});
  // Reads a file descriptor (standard input), waiting on it and on queued steps together.
  ConsoleApplication(int inFd, std::ostream& out, ConsoleOptions options = {});
  ~ConsoleApplication() override;

  void Sleep(win::DWORD milliseconds) override;
  int MessageBox(const std::string& text, const std::string& caption, UINT flags) override;
  std::optional<std::string> BrowseForFolder(const std::string& title, UINT flags) override;
  std::optional<std::string> ChooseFile(FileDialogKind kind, const FileDialogSpec& dialog) override;
  bool UserInputEnded() const override;

 protected:
  bool WaitForUser(TForm* modal) override;
  void PumpInput() override;

 private:
  const std::string* NextLine();
  void Execute(const std::string& line);
  std::optional<std::string> AskPath(bool mustExist, bool folder);

  std::unique_ptr<ConsoleInput> in_;
  std::unique_ptr<ConsoleOutput> out_;
  ConsoleOptions options_;
};

}  // namespace forms
