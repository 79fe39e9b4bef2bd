#include "forms/list_view.h"

#include <algorithm>

namespace forms {

// --- TListItem

int TListItem::Index() const { return owner_->IndexOf(this); }

void TListItem::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  TextChanged();
}

void TListItem::SetSubItems(std::vector<std::string> subItems) {
  if (subItems_ == subItems) return;
  subItems_ = std::move(subItems);
  TextChanged();
}

void TListItem::SetSubItem(int index, std::string text) {
  if (index < 0) return;
  std::vector<std::string> subItems = subItems_;
  if (subItems.size() <= static_cast<size_t>(index)) subItems.resize(index + 1);
  subItems[index] = std::move(text);
  SetSubItems(std::move(subItems));
}

void TListItem::AddSubItem(std::string text) {
  subItems_.push_back(std::move(text));
  TextChanged();
}

void TListItem::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  StateChanged();
}

void TListItem::SetSelected(bool selected) {
  if (selected_ == selected) return;
  if (selected && !owner_->MultiSelect())
    for (auto& row : owner_->rows_)
      if (row.get() != this) row->SetSelected(false);
  selected_ = selected;
  StateChanged();
}

void TListItem::SetFocused(bool focused) {
  if (focused_ == focused) return;
  if (focused)
    for (auto& row : owner_->rows_)
      if (row.get() != this) row->SetFocused(false);
  focused_ = focused;
  StateChanged();
}

void TListItem::TextChanged() { owner_->RowChanged(this, ctText); }
void TListItem::StateChanged() { owner_->RowChanged(this, ctState); }

// --- TListView

TListView::TListView(TControl* parent, std::string name) : TControl(parent, std::move(name)) {}

TListView::~TListView() = default;

void TListView::AddColumn(std::string caption, int width) {
  columns_.push_back({std::move(caption), width});
  Changed({Property::Appearance});
}

TListItem* TListView::Item(int index) const {
  return index >= 0 && index < Count() ? rows_[index].get() : nullptr;
}

TListItem* TListView::AddItem() { return InsertItem(Count()); }

TListItem* TListView::InsertItem(int index) {
  index = std::clamp(index, 0, Count());
  rows_.insert(rows_.begin() + index, std::make_unique<TListItem>(this));
  Report({Property::Items, ItemAction::Added, index});
  return rows_[index].get();
}

void TListView::DeleteItem(TListItem* row) {
  const int index = IndexOf(row);
  if (index < 0) return;
  rows_.erase(rows_.begin() + index);
  Report({Property::Items, ItemAction::Removed, index});
}

void TListView::Clear() {
  if (rows_.empty()) return;
  rows_.clear();
  Report({Property::Items, ItemAction::Reset});
}

int TListView::IndexOf(const TListItem* row) const {
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].get() == row) return static_cast<int>(i);
  return -1;
}

TListItem* TListView::Selected() const {
  for (auto& row : rows_)
    if (row->Selected()) return row.get();
  return nullptr;
}

TListItem* TListView::ItemFocused() const {
  for (auto& row : rows_)
    if (row->Focused()) return row.get();
  return nullptr;
}

void TListView::BeginUpdate() { ++updating_; }

void TListView::EndUpdate() {
  if (updating_ == 0 || --updating_ > 0 || !changedWhileUpdating_) return;
  changedWhileUpdating_ = false;
  Changed({Property::Items, ItemAction::Reset});
}

void TListView::RowChanged(TListItem* row, TItemChange change) {
  Report({Property::Items, ItemAction::Changed, IndexOf(row)});
  if (OnChange) OnChange(row, change);
}

void TListView::Report(const Change& change) {
  if (updating_ > 0)
    changedWhileUpdating_ = true;
  else
    Changed(change);
}

InputResult TListView::CheckByUser(bool checked, int item) {
  TListItem* row = Item(item);
  if (!checkboxes_) return InputResult::NotSupported;
  if (!row) return InputResult::BadIndex;
  row->SetChecked(checked);
  return InputResult::Done;
}

InputResult TListView::SelectByUser(int index) {
  TListItem* row = Item(index);
  if (!row) return InputResult::BadIndex;
  row->SetSelected(true);
  row->SetFocused(true);
  return InputResult::Done;
}

}  // namespace forms
