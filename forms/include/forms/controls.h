#pragma once
// The standard controls. Each is plain data with change notification; events are std::function
// members that the program sets.
#include <string>
#include <vector>

#include "forms/control.h"

namespace forms {

class TLabel : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::Label; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool autoSize);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout layout);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

 protected:
  bool TakesFocus() const override { return false; }
  void CaptionChanged() override { AdjustSize(); }
  void FontChanged() override { AdjustSize(); }
  InputResult ClickByUser() override;

 private:
  // With auto size on: fits width and height to the caption; with word wrap, only the height.
  void AdjustSize();
  bool autoSize_ = true;
  bool wordWrap_ = false;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool transparent_ = false;
};

class TButton : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::Button; }
  // A click sets the form's modal result to this value (when not mrNone), then fires OnClick.
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult result) { modalResult_ = result; }
  bool Default() const { return default_; }  // pressed by Enter
  void SetDefault(bool value) { Assign(default_, value, Property::Appearance); }
  bool Cancel() const { return cancel_; }  // pressed by Escape
  void SetCancel(bool value) { Assign(cancel_, value, Property::Appearance); }
  void Click() override;

 protected:
  InputResult ClickByUser() override;

 private:
  TModalResult modalResult_ = mrNone;
  bool default_ = false;
  bool cancel_ = false;
};

// Changing Checked fires OnClick, also when the program changes it.
class TCheckBox : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::CheckBox; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

 protected:
  InputResult ClickByUser() override;
  InputResult CheckByUser(bool checked, int item) override;

 private:
  bool checked_ = false;
};

// Checking a radio button unchecks the other radio buttons of the same parent; becoming checked
// fires OnClick.
class TRadioButton : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::RadioButton; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

 protected:
  InputResult ClickByUser() override;
  InputResult CheckByUser(bool checked, int item) override;

 private:
  bool checked_ = false;
};

class TGroupBox : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::GroupBox; }
};

// A group box of radio buttons, one per item; a change of ItemIndex fires OnClick.
class TRadioGroup : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::RadioGroup; }
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // outside the items: -1, no item chosen
  int Columns() const { return columns_; }
  void SetColumns(int columns) { Assign(columns_, columns, Property::Appearance); }

 protected:
  InputResult SelectByUser(int index) override;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  int columns_ = 1;
};

// One-line text box; every change of the text fires OnChange, also when the program sets it.
class TEdit : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::Edit; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { Assign(readOnly_, readOnly, Property::ReadOnly); }
  TNotifyEvent OnChange;

 protected:
  void CaptionChanged() override;
  InputResult TextByUser(std::string text) override;

 private:
  bool readOnly_ = false;
};

// Multi-line text box. Its text holds the lines separated by CR LF.
class TMemo : public TEdit {
 public:
  using TEdit::TEdit;
  ControlKind Kind() const override { return ControlKind::Memo; }
  std::vector<std::string> Lines() const;  // split at CR LF, CR or LF
  void SetLines(const std::vector<std::string>& lines);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle style) { Assign(scrollBars_, style, Property::Appearance); }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap) { Assign(wordWrap_, wordWrap, Property::Appearance); }

 private:
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
};

// A list of lines; a selection by the user fires OnClick.
class TListBox : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::ListBox; }
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  void AddItem(std::string item);
  void SetItem(int index, std::string item);
  void DeleteItem(int index);
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);  // outside the items: -1, nothing selected

 protected:
  InputResult SelectByUser(int index) override;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

class TProgressBar : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::ProgressBar; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetRange(int min, int max);
  // Kept within Min..Max, so reading it back gives the position the bar shows.
  int Position() const { return position_; }
  void SetPosition(int position);
  int Step() const { return step_; }
  void SetStep(int step) { step_ = step; }

 protected:
  bool TakesFocus() const override { return false; }

 private:
  int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
};

class TTabSheet : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::TabSheet; }
  int PageIndex() const;
};

// Pages are its TTabSheet children; only the active page's controls are showing. The first page
// added becomes active. A change of page by the user fires OnChange.
class TPageControl : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::PageControl; }
  std::vector<TTabSheet*> Pages() const;
  TTabSheet* ActivePage() const { return active_; }
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }
  TNotifyEvent OnChange;

 protected:
  bool ChildShowing(const TControl& child) const override;
  void ChildAdded(TControl& child) override;
  InputResult SelectByUser(int index) override;

 private:
  TTabSheet* active_ = nullptr;
};

// A menu item; its children are its sub-items. The caption "-" makes a separator.
class TMenuItem : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::MenuItem; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked) { Assign(checked_, checked, Property::Checked); }
  bool IsSeparator() const { return Caption() == "-"; }

 protected:
  bool TakesFocus() const override { return false; }
  InputResult ClickByUser() override;

 private:
  bool checked_ = false;
};

// The menu bar of a form; its children are the menus (TMenuItem).
class TMainMenu : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::MainMenu; }

 protected:
  bool TakesFocus() const override { return false; }
};

struct TStatusPanel {
  std::string Text;
  int Width = 50;
  bool operator==(const TStatusPanel&) const = default;
};

class TStatusBar : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::StatusBar; }
  const std::vector<TStatusPanel>& Panels() const { return panels_; }
  void SetPanels(std::vector<TStatusPanel> panels);
  void SetPanelText(int index, std::string text);
  bool SimplePanel() const { return simplePanel_; }
  void SetSimplePanel(bool simple) { Assign(simplePanel_, simple, Property::Appearance); }
  // The text of the simple panel is the caption.

 protected:
  bool TakesFocus() const override { return false; }

 private:
  std::vector<TStatusPanel> panels_;
  bool simplePanel_ = false;
};

class TToolButton : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::ToolButton; }

 protected:
  bool TakesFocus() const override { return false; }
  InputResult ClickByUser() override;
};

// A bar of TToolButton children.
class TToolBar : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::ToolBar; }
};

}  // namespace forms
