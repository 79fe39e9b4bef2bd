#include "console_output.h"

#include "forms/canvas.h"
#include "forms/controls.h"
#include "forms/form.h"
#include "forms/list_view.h"
#include "forms/message_box.h"
#include "platform/codepage.h"

namespace forms {

std::string_view KindWord(ControlKind kind) {
  switch (kind) {
    case ControlKind::Form:
      return "form";
    case ControlKind::Label:
      return "label";
    case ControlKind::Button:
      return "button";
    case ControlKind::CheckBox:
      return "check box";
    case ControlKind::RadioButton:
      return "radio button";
    case ControlKind::RadioGroup:
      return "radio group";
    case ControlKind::GroupBox:
      return "group box";
    case ControlKind::Edit:
      return "edit";
    case ControlKind::Memo:
      return "memo";
    case ControlKind::ListBox:
      return "list box";
    case ControlKind::ListView:
      return "list view";
    case ControlKind::PageControl:
      return "page control";
    case ControlKind::TabSheet:
      return "page";
    case ControlKind::ProgressBar:
      return "progress bar";
    case ControlKind::MainMenu:
      return "menu";
    case ControlKind::MenuItem:
      return "menu item";
    case ControlKind::StatusBar:
      return "status bar";
    case ControlKind::ToolBar:
      return "tool bar";
    case ControlKind::ToolButton:
      return "tool button";
    case ControlKind::PaintBox:
      return "paint box";
  }
  return "control";
}

namespace {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  return lines;
}

bool HasCaption(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::RadioGroup:
    case ControlKind::GroupBox:
    case ControlKind::Edit:
    case ControlKind::TabSheet:
    case ControlKind::MenuItem:
    case ControlKind::ToolBar:
    case ControlKind::ToolButton:
    case ControlKind::StatusBar:
      return true;
    default:
      return false;
  }
}

std::optional<bool> CheckState(const TControl& c) {
  switch (c.Kind()) {
    case ControlKind::CheckBox:
      return static_cast<const TCheckBox&>(c).Checked();
    case ControlKind::RadioButton:
      return static_cast<const TRadioButton&>(c).Checked();
    default:
      return std::nullopt;
  }
}

bool IsReadOnly(const TControl& c) {
  switch (c.Kind()) {
    case ControlKind::Edit:
    case ControlKind::Memo:
      return static_cast<const TEdit&>(c).ReadOnly();
    default:
      return false;
  }
}

std::string Describe(const TControl& c) {
  std::string text(KindWord(c.Kind()));
  if (HasCaption(c.Kind())) text += " " + Quote(c.Caption());
  if (c.Kind() == ControlKind::ListView) {
    const auto& columns = static_cast<const TListView&>(c).Columns();
    for (size_t i = 0; i < columns.size(); ++i)
      text += (i ? " | " : " columns ") + Quote(columns[i].Caption);
  }
  if (c.Kind() == ControlKind::ProgressBar) {
    const auto& bar = static_cast<const TProgressBar&>(c);
    text += " " + std::to_string(bar.Position()) + " (" + std::to_string(bar.Min()) + ".." +
            std::to_string(bar.Max()) + ")";
  }
  if (auto checked = CheckState(c)) text += *checked ? " checked" : " unchecked";
  if (c.Kind() == ControlKind::MenuItem && static_cast<const TMenuItem&>(c).Checked())
    text += " checked";
  if (IsReadOnly(c)) text += " read-only";
  if (!c.Enabled()) text += " disabled";
  return text;
}

std::string RowText(const TListView& view, int index) {
  const TListItem& row = *view.Item(index);
  std::string text = "[" + std::to_string(index) + "] ";
  if (view.Checkboxes()) text += row.Checked() ? "[x] " : "[ ] ";
  text += Quote(row.Caption());
  for (const std::string& sub : row.SubItems()) text += " | " + Quote(sub);
  if (row.Selected()) text += " (selected)";
  return text;
}

std::string ListedText(const std::string& item, int index, int selected) {
  return "[" + std::to_string(index) + "] " + Quote(item) +
         (index == selected ? " (selected)" : "");
}

std::string SelectedText(const std::vector<std::string>& items, int index) {
  if (index < 0) return "selected none";
  return "selected [" + std::to_string(index) + "] " + Quote(items[index]);
}

// The items of a list-like control, as lines, and the text of one of them.
std::vector<std::string> ItemTexts(const TControl& c) {
  std::vector<std::string> texts;
  auto listed = [&](const std::vector<std::string>& items, int selected) {
    for (size_t i = 0; i < items.size(); ++i)
      texts.push_back(ListedText(items[i], static_cast<int>(i), selected));
  };
  switch (c.Kind()) {
    case ControlKind::ListBox: {
      const auto& box = static_cast<const TListBox&>(c);
      listed(box.Items(), box.ItemIndex());
      break;
    }
    case ControlKind::RadioGroup: {
      const auto& group = static_cast<const TRadioGroup&>(c);
      listed(group.Items(), group.ItemIndex());
      break;
    }
    case ControlKind::ListView: {
      const auto& view = static_cast<const TListView&>(c);
      for (int i = 0; i < view.Count(); ++i) texts.push_back(RowText(view, i));
      break;
    }
    case ControlKind::StatusBar: {
      const auto& panels = static_cast<const TStatusBar&>(c).Panels();
      for (size_t i = 0; i < panels.size(); ++i)
        texts.push_back("[" + std::to_string(i) + "] " + Quote(panels[i].Text));
      break;
    }
    case ControlKind::Memo:
      for (const std::string& line : static_cast<const TMemo&>(c).Lines())
        texts.push_back("| " + win::AnsiToUtf8(line));
      break;
    default:
      break;
  }
  return texts;
}

}  // namespace

std::string Quote(std::string_view ansi) {
  std::string text = "\"";
  const std::vector<std::string> lines = SplitLines(ansi);
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\\n" : "") + win::AnsiToUtf8(lines[i]);
  return text + "\"";
}

ConsoleOutput::ConsoleOutput(std::ostream& out) : out_(out) { Screen().AddObserver(this); }

ConsoleOutput::~ConsoleOutput() { Screen().RemoveObserver(this); }

void ConsoleOutput::Emit(const std::string& line) { out_ << line << '\n' << std::flush; }

void ConsoleOutput::Line(const TControl& control, const std::string& value) {
  const TForm* form = control.ParentForm();
  if (form) Emit(form->Name() + "." + control.Name() + ": " + value);
}

void ConsoleOutput::FormShown(TForm& form) {
  Emit(form.Name() + ": shown" + (form.Modal() ? " modal " : " ") + Quote(form.Caption()));
  DumpChildren(form, 1);
}

void ConsoleOutput::FormHidden(TForm& form) { Emit(form.Name() + ": hidden"); }

void ConsoleOutput::ControlAdded(TControl& control) {
  if (!control.Showing()) return;
  Line(control, "visible");
  DumpChildren(control, 1);
}

void ConsoleOutput::Dump(const TControl& control, int depth) {
  const std::string indent(2 * depth, ' ');
  Emit(indent + control.Name() + ": " + Describe(control));
  DumpItems(control, depth + 1);
  DumpChildren(control, depth + 1);
}

void ConsoleOutput::DumpChildren(const TControl& control, int depth) {
  for (auto& child : control.Controls())
    if (child->Showing()) Dump(*child, depth);
}

void ConsoleOutput::DumpItems(const TControl& control, int depth) {
  const std::string indent(2 * depth, ' ');
  for (const std::string& item : ItemTexts(control)) Emit(indent + item);
}

void ConsoleOutput::ControlChanged(TControl& control, const Change& change) {
  if (control.Kind() == ControlKind::Form) {
    FormChanged(static_cast<TForm&>(control), change);
    return;
  }
  if (change.property == Property::Visible) {
    if (control.Showing()) {
      Line(control, "visible");
      DumpItems(control, 1);
      DumpChildren(control, 1);
    } else if (!control.Visible() && control.Parent() && control.Parent()->Showing()) {
      Line(control, "hidden");
    }
    return;
  }
  if (!control.Showing()) return;
  switch (change.property) {
    case Property::Caption:
      if (HasCaption(control.Kind()) || control.Kind() == ControlKind::Memo)
        Line(control, Quote(control.Caption()));
      break;
    case Property::Enabled:
      Line(control, control.Enabled() ? "enabled" : "disabled");
      break;
    case Property::Checked: {
      bool checked = control.Kind() == ControlKind::MenuItem
                         ? static_cast<const TMenuItem&>(control).Checked()
                         : CheckState(control).value_or(false);
      Line(control, checked ? "checked" : "unchecked");
      break;
    }
    case Property::ReadOnly:
      Line(control, IsReadOnly(control) ? "read-only" : "editable");
      break;
    case Property::Items:
      ItemsChanged(control, change);
      break;
    case Property::Selection:
      SelectionChanged(control);
      break;
    case Property::Position:
      Line(control, std::to_string(static_cast<const TProgressBar&>(control).Position()));
      break;
    default:
      break;  // geometry, fonts, colours, painting: not shown on the console
  }
}

void ConsoleOutput::FormChanged(TForm& form, const Change& change) {
  if (!form.Visible()) return;
  if (change.property == Property::Caption) Emit(form.Name() + ": " + Quote(form.Caption()));
  if (change.property == Property::Enabled)
    Emit(form.Name() + (form.Enabled() ? ": enabled" : ": disabled"));
}

void ConsoleOutput::ItemsChanged(const TControl& control, const Change& change) {
  const std::vector<std::string> texts = ItemTexts(control);
  const std::string index = "[" + std::to_string(change.index) + "]";
  const bool valid = change.index >= 0 && static_cast<size_t>(change.index) < texts.size();
  switch (change.action) {
    case ItemAction::Added:
      if (valid) Line(control, "added " + texts[change.index]);
      break;
    case ItemAction::Changed:
      if (valid) Line(control, texts[change.index]);
      break;
    case ItemAction::Removed:
      Line(control, index + " removed");
      break;
    default:
      Line(control, "items");
      DumpItems(control, 1);
  }
}

void ConsoleOutput::SelectionChanged(const TControl& control) {
  switch (control.Kind()) {
    case ControlKind::ListBox: {
      const auto& box = static_cast<const TListBox&>(control);
      Line(control, SelectedText(box.Items(), box.ItemIndex()));
      break;
    }
    case ControlKind::RadioGroup: {
      const auto& group = static_cast<const TRadioGroup&>(control);
      Line(control, SelectedText(group.Items(), group.ItemIndex()));
      break;
    }
    case ControlKind::PageControl:
      if (const TTabSheet* page = static_cast<const TPageControl&>(control).ActivePage()) {
        Line(control, "page " + page->Name());
        Dump(*page, 1);
      }
      break;
    default:
      break;
  }
}

void ConsoleOutput::MessageBoxShown(const std::string& text, const std::string& caption,
                                    UINT flags) {
  Emit("message box " + Quote(caption));
  for (const std::string& line : SplitLines(text)) Emit("  | " + win::AnsiToUtf8(line));
  std::string answers = "  answers:";
  const int byDefault = DefaultButton(flags);
  for (int button : MessageBoxButtons(flags))
    answers += std::string(answers.back() == ':' ? " " : ", ") + std::string(ButtonWord(button)) +
               (button == byDefault ? " (default)" : "");
  Emit(answers);
}

void ConsoleOutput::DialogShown(std::string_view kind, const std::string& title,
                                const std::vector<std::string>& details, std::string_view answers) {
  Emit(std::string(kind) + " " + Quote(title));
  for (const std::string& detail : details) Emit("  " + detail);
  Emit("  answers: " + std::string(answers));
}

void ConsoleOutput::Answer(std::string_view answer, bool byDefault) {
  Emit("  -> " + std::string(answer) + (byDefault ? " (default)" : ""));
}

void ConsoleOutput::Taken(const std::string& line) { Emit("> " + line); }

void ConsoleOutput::Error(const std::string& text) { Emit("error: " + text); }

}  // namespace forms
