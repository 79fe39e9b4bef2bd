#include "forms/console_application.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <thread>

#include "console_input.h"
#include "console_output.h"
#include "forms/controls.h"
#include "names.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace forms {

namespace {

std::string Trim(std::string_view text) {
  const size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  const size_t end = text.find_last_not_of(" \t");
  return std::string(text.substr(start, end - start + 1));
}

struct Command {
  std::string verb, name, arg;
};

constexpr std::string_view kVerbs[] = {"click", "check", "uncheck", "set", "select", "close"};

// "VERB NAME ARG": ARG is the rest of the line after the blank that follows NAME.
std::optional<Command> ParseCommand(std::string_view line) {
  const std::string text = Trim(line);
  const size_t verbEnd = std::min(text.find(' '), text.size());
  Command command{text.substr(0, verbEnd), {}, {}};
  bool known = false;
  for (std::string_view verb : kVerbs)
    if (SameName(verb, command.verb)) {
      command.verb = verb;
      known = true;
    }
  if (!known) return std::nullopt;
  const size_t nameStart = std::min(text.find_first_not_of(' ', verbEnd), text.size());
  const size_t nameEnd = std::min(text.find(' ', nameStart), text.size());
  command.name = text.substr(nameStart, nameEnd - nameStart);
  if (nameEnd < text.size()) command.arg = text.substr(nameEnd + 1);
  if (command.verb != "set") command.arg = Trim(command.arg);
  return command;
}

std::optional<int> ParseIndex(const std::string& text) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// A control by name: "FORM.NAME", or NAME on the visible forms from the front, then on any form.
TControl* FindTarget(std::string_view name) {
  if (size_t dot = name.find('.'); dot != std::string_view::npos) {
    TForm* form = Screen().FindForm(name.substr(0, dot));
    return form ? form->FindControl(name.substr(dot + 1)) : nullptr;
  }
  const auto& front = Screen().ZOrder();
  for (auto it = front.rbegin(); it != front.rend(); ++it)
    if (TControl* control = (*it)->FindControl(name)) return control;
  for (TForm* form : Screen().Forms())
    if (TControl* control = form->FindControl(name)) return control;
  return nullptr;
}

TForm* FindForm(const std::string& name) {
  return name.empty() ? Screen().ActiveForm() : Screen().FindForm(name);
}

// Whether ProcessMessages may take the command: its control (or form) takes input right now.
bool Applicable(const Command& command) {
  if (command.verb == "close") {
    const TForm* form = FindForm(command.name);
    return form && form->Visible() && form->Enabled() && !form->BlockedByModal() &&
           form->CloseCommandEnabled();
  }
  const TControl* target = FindTarget(command.name);
  return target && target->AcceptsInput();
}

// Whether the last character of an ANSI text is a backslash (and not the trail byte of a
// double-byte character).
bool EndsWithBackslash(const std::string& text) {
  size_t last = 0;
  for (size_t i = 0; i < text.size(); last = i, i += 1 + (win::IsDBCSLeadByte(text[i]) ? 1 : 0)) {
  }
  return !text.empty() && last == text.size() - 1 && text.back() == '\\';
}

// A typed path as a Windows path: one with a drive letter as it is, any other as a host path.
std::optional<std::string> ToWindowsPath(const std::string& utf8, bool folder) {
  std::string path;
  const bool drive =
      utf8.size() >= 2 && std::isalpha(static_cast<unsigned char>(utf8[0])) && utf8[1] == ':';
  if (drive) {
    if (utf8.size() > 2 && utf8[2] != '\\' && utf8[2] != '/') return std::nullopt;
    path = win::Utf8ToAnsi(utf8);
    for (size_t i = 0; i < path.size(); i += 1 + (win::IsDBCSLeadByte(path[i]) ? 1 : 0))
      if (path[i] == '/') path[i] = '\\';
    if (path.size() == 2) path += '\\';
  } else {
    std::error_code error;
    std::filesystem::path host = std::filesystem::absolute(utf8, error);
    if (error) return std::nullopt;
    path = win::WindowsPath(host.lexically_normal());
  }
  if (folder)
    while (path.size() > 3 && EndsWithBackslash(path)) path.pop_back();
  return path;
}

bool FileExists(const std::string& windowsPath) {
  std::optional<std::filesystem::path> host = win::HostPath(windowsPath);
  std::error_code error;
  return host && std::filesystem::is_regular_file(*host, error);
}

std::string ResultText(InputResult result, const Command& command, const TControl& target) {
  switch (result) {
    case InputResult::Unavailable:
      return command.name + " is hidden or disabled";
    case InputResult::NotSupported:
      return "cannot " + command.verb + " " + command.name + " (" +
             std::string(KindWord(target.Kind())) + ")";
    case InputResult::BadIndex:
      return command.arg.empty() ? command.name + " needs an item index"
                                 : command.name + " has no item " + command.arg;
    case InputResult::ReadOnly:
      return command.name + " is read-only";
    default:
      return {};
  }
}

}  // namespace

ConsoleApplication::ConsoleApplication(std::istream& in, std::ostream& out, ConsoleOptions options)
    : in_(std::make_unique<ConsoleInput>(in)),
      out_(std::make_unique<ConsoleOutput>(out)),
      options_(options) {}

ConsoleApplication::ConsoleApplication(int inFd, std::ostream& out, ConsoleOptions options)
    : in_(std::make_unique<ConsoleInput>(inFd)),
      out_(std::make_unique<ConsoleOutput>(out)),
      options_(options) {}

ConsoleApplication::~ConsoleApplication() = default;

void ConsoleApplication::Sleep(win::DWORD milliseconds) {
  if (!options_.noSleep) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The next line, waiting for it while running the steps other threads queue; nullptr at the end
// of the input and once the application is terminated.
const std::string* ConsoleApplication::NextLine() {
  while (true) {
    RunPendingSteps();
    if (Terminated()) return nullptr;
    if (const std::string* line = in_->Peek(true, WakeFd())) return line;
    if (in_->Ended()) return nullptr;
  }
}

bool ConsoleApplication::WaitForUser(TForm*) {
  const std::string* line = in_->Peek(true, WakeFd());
  if (!line) return !in_->Ended();
  const std::string taken = *line;
  in_->Pop();
  Execute(taken);
  return true;
}

bool ConsoleApplication::UserInputEnded() const { return in_->Ended(); }

void ConsoleApplication::PumpInput() {
  while (const std::string* line = in_->Peek(false, WakeFd())) {
    std::optional<Command> command = ParseCommand(*line);
    if (!command || !Applicable(*command)) return;
    const std::string taken = *line;
    in_->Pop();
    Execute(taken);
  }
}

void ConsoleApplication::Execute(const std::string& line) {
  const std::string text = Trim(line);
  if (text.empty()) return;
  out_->Taken(text);
  std::optional<Command> command = ParseCommand(text);
  if (!command) {
    out_->Error(ButtonOfWord(text) ? "no message box is open" : "unknown command: " + text);
    return;
  }
  if (command->verb == "close") {
    TForm* form = FindForm(command->name);
    if (!form)
      out_->Error("no form named " + command->name);
    else if (form->UserClose() != InputResult::Done)
      out_->Error(form->Name() + " cannot be closed now");
    return;
  }
  TControl* target = FindTarget(command->name);
  if (!target) {
    out_->Error("no control named " + command->name);
    return;
  }
  std::optional<int> index = ParseIndex(command->arg);
  const bool needsIndex = command->verb == "select" || !command->arg.empty();
  if (command->verb != "set" && needsIndex && !index) {
    out_->Error("not an index: " + command->arg);
    return;
  }
  InputResult result;
  if (command->verb == "click")
    result = target->UserClick();
  else if (command->verb == "set")
    result = target->UserSetText(win::Utf8ToAnsi(command->arg));
  else if (command->verb == "select")
    result = target->UserSelect(*index);
  else
    result = target->UserSetChecked(command->verb == "check", index.value_or(-1));
  if (result != InputResult::Done) out_->Error(ResultText(result, *command, *target));
}

int ConsoleApplication::MessageBox(const std::string& text, const std::string& caption,
                                   UINT flags) {
  out_->MessageBoxShown(text, caption, flags);
  const std::vector<int> buttons = MessageBoxButtons(flags);
  while (const std::string* line = NextLine()) {
    std::optional<int> button = ButtonOfWord(Trim(*line));
    if (!button) break;  // not an answer: the default, and the line stays for later
    in_->Pop();
    if (std::find(buttons.begin(), buttons.end(), *button) != buttons.end()) {
      out_->Answer(ButtonWord(*button), false);
      return *button;
    }
    out_->Error("the message box does not offer " + std::string(ButtonWord(*button)));
  }
  const int answer = DefaultButton(flags);
  out_->Answer(ButtonWord(answer), true);
  return answer;
}

std::optional<std::string> ConsoleApplication::BrowseForFolder(const std::string& title, UINT) {
  out_->DialogShown("folder browser", title, {}, "a folder path, or an empty line to cancel");
  return AskPath(false, true);
}

std::optional<std::string> ConsoleApplication::ChooseFile(FileDialogKind kind,
                                                          const FileDialogSpec& dialog) {
  std::vector<std::string> details;
  if (!dialog.Filter.empty()) details.push_back("filter: " + win::AnsiToUtf8(dialog.Filter));
  if (!dialog.InitialDir.empty())
    details.push_back("folder: " + win::AnsiToUtf8(dialog.InitialDir));
  if (!dialog.FileName.empty()) details.push_back("file: " + win::AnsiToUtf8(dialog.FileName));
  const bool open = kind == FileDialogKind::Open;
  out_->DialogShown(open ? "open file" : "save file", dialog.Title, details,
                    "a file path, or an empty line to cancel");
  return AskPath(open && (dialog.Options & ofFileMustExist), false);
}

// A dialog takes a path or an empty line (cancel); a command or a message box answer is left for
// later and cancels the dialog, as the end of the input does.
std::optional<std::string> ConsoleApplication::AskPath(bool mustExist, bool folder) {
  while (const std::string* line = NextLine()) {
    const std::string text = Trim(*line);
    if (ParseCommand(text) || ButtonOfWord(text)) break;
    in_->Pop();
    if (text.empty()) {
      out_->Answer("cancel", false);
      return std::nullopt;
    }
    std::optional<std::string> path = ToWindowsPath(text, folder);
    if (!path)
      out_->Error("not a path: " + text);
    else if (mustExist && !FileExists(*path))
      out_->Error("no such file: " + text);
    else {
      out_->Answer(win::AnsiToUtf8(*path), false);
      return path;
    }
  }
  out_->Answer("cancel", true);
  return std::nullopt;
}

}  // namespace forms
