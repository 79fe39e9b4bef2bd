#include "forms/controls.h"

#include <algorithm>

#include "forms/form.h"

namespace forms {

namespace {

bool InRange(int index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

}  // namespace

// --- TLabel

void TLabel::SetAutoSize(bool autoSize) {
  if (Assign(autoSize_, autoSize, Property::Appearance)) AdjustSize();
}

void TLabel::SetWordWrap(bool wordWrap) {
  if (Assign(wordWrap_, wordWrap, Property::Appearance)) AdjustSize();
}

void TLabel::SetAlignment(TAlignment alignment) {
  Assign(alignment_, alignment, Property::Appearance);
}

void TLabel::SetLayout(TTextLayout layout) { Assign(layout_, layout, Property::Appearance); }

void TLabel::SetTransparent(bool transparent) {
  Assign(transparent_, transparent, Property::Appearance);
}

void TLabel::AdjustSize() {
  if (!autoSize_) return;
  if (wordWrap_) {
    SetHeight(WrappedTextHeight(Font(), Caption(), Width()));
    return;
  }
  const TSize size = TextExtent(Font(), Caption());
  SetBounds(Left(), Top(), size.cx, size.cy);
}

InputResult TLabel::ClickByUser() {
  Click();
  return InputResult::Done;
}

// --- TButton

void TButton::Click() {
  TForm* form = ParentForm();
  if (form && modalResult_ != mrNone) form->SetModalResult(modalResult_);
  TControl::Click();
}

InputResult TButton::ClickByUser() {
  Click();
  return InputResult::Done;
}

// --- TCheckBox

void TCheckBox::SetChecked(bool checked) {
  if (Assign(checked_, checked, Property::Checked)) Click();
}

InputResult TCheckBox::ClickByUser() {
  SetChecked(!checked_);
  return InputResult::Done;
}

InputResult TCheckBox::CheckByUser(bool checked, int item) {
  if (item >= 0) return InputResult::NotSupported;
  SetChecked(checked);
  return InputResult::Done;
}

// --- TRadioButton

void TRadioButton::SetChecked(bool checked) {
  if (!Assign(checked_, checked, Property::Checked) || !checked) return;
  for (auto& sibling : Parent()->Controls())
    if (sibling.get() != this && sibling->Kind() == ControlKind::RadioButton)
      static_cast<TRadioButton&>(*sibling).SetChecked(false);
  Click();
}

InputResult TRadioButton::ClickByUser() {
  SetChecked(true);
  return InputResult::Done;
}

InputResult TRadioButton::CheckByUser(bool checked, int item) {
  if (!checked || item >= 0) return InputResult::NotSupported;
  SetChecked(true);
  return InputResult::Done;
}

// --- TRadioGroup

void TRadioGroup::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  Changed({Property::Items, ItemAction::Reset});
  if (!InRange(itemIndex_, items_.size())) Assign(itemIndex_, -1, Property::Selection);
}

void TRadioGroup::SetItemIndex(int index) {
  if (!InRange(index, items_.size())) index = -1;
  if (Assign(itemIndex_, index, Property::Selection)) Click();
}

InputResult TRadioGroup::SelectByUser(int index) {
  if (!InRange(index, items_.size())) return InputResult::BadIndex;
  SetItemIndex(index);
  return InputResult::Done;
}

// --- TEdit, TMemo

void TEdit::CaptionChanged() {
  if (OnChange) OnChange();
}

InputResult TEdit::TextByUser(std::string text) {
  if (readOnly_) return InputResult::ReadOnly;
  SetText(std::move(text));
  return InputResult::Done;
}

std::vector<std::string> TMemo::Lines() const {
  std::vector<std::string> lines;
  const std::string& text = Text();
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

void TMemo::SetLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
  SetText(std::move(text));
}

// --- TListBox

void TListBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  Changed({Property::Items, ItemAction::Reset});
  Assign(itemIndex_, -1, Property::Selection);
}

void TListBox::AddItem(std::string item) {
  items_.push_back(std::move(item));
  Changed({Property::Items, ItemAction::Added, static_cast<int>(items_.size()) - 1});
}

void TListBox::SetItem(int index, std::string item) {
  if (!InRange(index, items_.size()) || items_[index] == item) return;
  items_[index] = std::move(item);
  Changed({Property::Items, ItemAction::Changed, index});
}

void TListBox::DeleteItem(int index) {
  if (!InRange(index, items_.size())) return;
  items_.erase(items_.begin() + index);
  Changed({Property::Items, ItemAction::Removed, index});
  if (itemIndex_ == index)
    Assign(itemIndex_, -1, Property::Selection);
  else if (itemIndex_ > index)
    Assign(itemIndex_, itemIndex_ - 1, Property::Selection);
}

void TListBox::SetItemIndex(int index) {
  if (!InRange(index, items_.size())) index = -1;
  Assign(itemIndex_, index, Property::Selection);
}

InputResult TListBox::SelectByUser(int index) {
  if (!InRange(index, items_.size())) return InputResult::BadIndex;
  SetItemIndex(index);
  Click();
  return InputResult::Done;
}

// --- TProgressBar

void TProgressBar::SetRange(int min, int max) {
  if (max < min) max = min;
  if (min == min_ && max == max_) return;
  min_ = min;
  max_ = max;
  position_ = std::clamp(position_, min_, max_);
  Changed({Property::Position});
}

void TProgressBar::SetPosition(int position) {
  Assign(position_, std::clamp(position, min_, max_), Property::Position);
}

// --- TPageControl, TTabSheet

int TTabSheet::PageIndex() const {
  if (!Parent() || Parent()->Kind() != ControlKind::PageControl) return -1;
  const auto pages = static_cast<const TPageControl*>(Parent())->Pages();
  for (size_t i = 0; i < pages.size(); ++i)
    if (pages[i] == this) return static_cast<int>(i);
  return -1;
}

std::vector<TTabSheet*> TPageControl::Pages() const {
  std::vector<TTabSheet*> pages;
  for (auto& child : Controls())
    if (child->Kind() == ControlKind::TabSheet)
      pages.push_back(static_cast<TTabSheet*>(child.get()));
  return pages;
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->Parent() != this) return;
  Assign(active_, page, Property::Selection);
}

void TPageControl::ChildAdded(TControl& child) {
  if (!active_ && child.Kind() == ControlKind::TabSheet) active_ = static_cast<TTabSheet*>(&child);
}

bool TPageControl::ChildShowing(const TControl& child) const {
  return child.Kind() != ControlKind::TabSheet || &child == active_;
}

InputResult TPageControl::SelectByUser(int index) {
  const auto pages = Pages();
  if (!InRange(index, pages.size())) return InputResult::BadIndex;
  if (pages[index] != active_) {
    SetActivePage(pages[index]);
    if (OnChange) OnChange();
  }
  return InputResult::Done;
}

// --- menus, bars

InputResult TMenuItem::ClickByUser() {
  Click();
  return InputResult::Done;
}

void TStatusBar::SetPanels(std::vector<TStatusPanel> panels) {
  panels_ = std::move(panels);
  Changed({Property::Items, ItemAction::Reset});
}

void TStatusBar::SetPanelText(int index, std::string text) {
  if (!InRange(index, panels_.size()) || panels_[index].Text == text) return;
  panels_[index].Text = std::move(text);
  Changed({Property::Items, ItemAction::Changed, index});
}

InputResult TToolButton::ClickByUser() {
  Click();
  return InputResult::Done;
}

}  // namespace forms
