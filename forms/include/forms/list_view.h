#pragma once
// A list view in report style: columns, and rows with a caption, sub-item texts, a check box,
// attached data, selection and focus.
#include <memory>
#include <string>
#include <vector>

#include "forms/control.h"

namespace forms {

class TListView;

struct TListColumn {
  std::string Caption;
  int Width = 50;
  bool operator==(const TListColumn&) const = default;
};

// One row. Rows live as long as their list view keeps them, at a stable address.
class TListItem {
 public:
  explicit TListItem(TListView* owner) : owner_(owner) {}
  TListView* ListView() const { return owner_; }
  int Index() const;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const std::vector<std::string>& SubItems() const { return subItems_; }
  void SetSubItems(std::vector<std::string> subItems);
  void SetSubItem(int index, std::string text);  // adds empty sub-items up to index
  void AddSubItem(std::string text);
  void ClearSubItems() { SetSubItems({}); }

  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  // Selecting a row of a single-selection list deselects the others.
  bool Selected() const { return selected_; }
  void SetSelected(bool selected);
  bool Focused() const { return focused_; }
  void SetFocused(bool focused);

  // Attached data, owned by the program.
  void* Data() const { return data_; }
  void SetData(void* data) { data_ = data; }

 private:
  void TextChanged();
  void StateChanged();

  TListView* owner_;
  std::string caption_;
  std::vector<std::string> subItems_;
  bool checked_ = false, selected_ = false, focused_ = false;
  void* data_ = nullptr;
};

// OnChange(row, ctText) follows a change of a row's caption or sub-items, OnChange(row, ctState)
// a change of its check box, selection or focus, whoever made it. Adding and deleting rows fire
// no OnChange.
class TListView : public TControl {
 public:
  TListView(TControl* parent, std::string name);
  ~TListView() override;
  ControlKind Kind() const override { return ControlKind::ListView; }

  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle style) { Assign(viewStyle_, style, Property::Appearance); }
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool on) { Assign(checkboxes_, on, Property::Appearance); }
  bool ReadOnly() const { return readOnly_; }  // captions cannot be edited in place
  void SetReadOnly(bool readOnly) { Assign(readOnly_, readOnly, Property::ReadOnly); }
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool on) { Assign(rowSelect_, on, Property::Appearance); }
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool on) { Assign(multiSelect_, on, Property::Appearance); }

  const std::vector<TListColumn>& Columns() const { return columns_; }
  void AddColumn(std::string caption, int width = 50);

  int Count() const { return static_cast<int>(rows_.size()); }
  TListItem* Item(int index) const;  // nullptr outside the rows
  TListItem* AddItem();
  TListItem* InsertItem(int index);
  void DeleteItem(TListItem* row);
  void Clear();
  int IndexOf(const TListItem* row) const;
  TListItem* Selected() const;  // the first selected row
  TListItem* ItemFocused() const;

  // Between BeginUpdate and EndUpdate observers hear nothing; EndUpdate then reports one reset.
  // OnChange still fires for every change.
  void BeginUpdate();
  void EndUpdate();

  std::function<void(TListItem*, TItemChange)> OnChange;

 protected:
  InputResult CheckByUser(bool checked, int item) override;
  InputResult SelectByUser(int index) override;

 private:
  friend class TListItem;
  void RowChanged(TListItem* row, TItemChange change);
  void Report(const Change& change);

  TViewStyle viewStyle_ = vsIcon;
  bool checkboxes_ = false, readOnly_ = false, rowSelect_ = false, multiSelect_ = false;
  std::vector<TListColumn> columns_;
  std::vector<std::unique_ptr<TListItem>> rows_;
  int updating_ = 0;
  bool changedWhileUpdating_ = false;
};

}  // namespace forms
