#pragma once
// The console's output: forms as they are shown, changes of visible controls, message boxes and
// dialogs, input taken and errors, as UTF-8 lines.
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "forms/control.h"
#include "forms/dialogs.h"

namespace forms {

class ConsoleOutput : public Observer {
 public:
  explicit ConsoleOutput(std::ostream& out);
  ~ConsoleOutput() override;

  void FormShown(TForm& form) override;
  void FormHidden(TForm& form) override;
  void ControlAdded(TControl& control) override;
  void ControlChanged(TControl& control, const Change& change) override;

  void MessageBoxShown(const std::string& text, const std::string& caption, UINT flags);
  void DialogShown(std::string_view kind, const std::string& title,
                   const std::vector<std::string>& details, std::string_view answers);
  void Answer(std::string_view answer, bool byDefault);
  void Taken(const std::string& line);  // an input line taken as a command (UTF-8)
  void Error(const std::string& text);  // UTF-8

 private:
  void Dump(const TControl& control, int depth);
  void DumpChildren(const TControl& control, int depth);
  void DumpItems(const TControl& control, int depth);
  void Line(const TControl& control, const std::string& value);
  void Emit(const std::string& line);
  void FormChanged(TForm& form, const Change& change);
  void ItemsChanged(const TControl& control, const Change& change);
  void SelectionChanged(const TControl& control);

  std::ostream& out_;
};

std::string_view KindWord(ControlKind kind);

// A text for one output line: UTF-8, in double quotes, line breaks shown as \n.
std::string Quote(std::string_view ansi);

}  // namespace forms
