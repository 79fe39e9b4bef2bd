#include "newsgate/Configdialog.h"

#include <algorithm>

#include "newsgate/Editfilter.h"
#include "newsgate/FormLayout.h"
#include "newsgate/Texts.h"

namespace newsgate {

namespace {

constexpr int kButtonLeft = 436;

// Keeps the list's observers waiting for one report of a batch of row changes.
class BatchUpdate {
 public:
  explicit BatchUpdate(forms::TListView& list) : list_(list) { list_.BeginUpdate(); }
  ~BatchUpdate() { list_.EndUpdate(); }
  BatchUpdate(const BatchUpdate&) = delete;
  BatchUpdate& operator=(const BatchUpdate&) = delete;

 private:
  forms::TListView& list_;
};

}  // namespace

void FillRow(forms::TListItem& row, const TFilter& filter) {
  TListItemData data;
  filter.ToListItem(data);
  row.SetCaption(std::move(data.Caption));
  row.SetSubItems(std::move(data.SubItems));
  row.SetChecked(data.Checked);
}

TFormConfigDialog::TFormConfigDialog() : TForm("FormConfigDialog") {
  SetCaption(texts::kConfigCaption);
  SetBorderStyle(forms::bsDialog);
  SetBorderIcons(forms::biSystemMenu);
  SetClientSize(525, 348);
  SetFont(UiFont());

  Page = Place<forms::TPageControl>(this, "Page", 0, 0, 525, 317);
  Page->SetAlign(forms::alTop);
  TabsFilters = Place<forms::TTabSheet>(Page, "TabsFilters", 4, 24, 517, 289, texts::kConfigPage);
  Label4 = PlaceLabel(TabsFilters, "Label4", 8, 4, 401, 17, texts::kConfigNote);
  FilterList = Place<forms::TListView>(TabsFilters, "FilterList", 0, 20, 433, 269);
  FilterList->SetViewStyle(forms::vsReport);
  FilterList->SetCheckboxes(true);
  FilterList->SetReadOnly(true);
  FilterList->AddColumn(texts::kColumnType, 120);
  FilterList->AddColumn(texts::kColumnHits, 75);
  FilterList->AddColumn(texts::kColumnSummary, 230);
  FilterList->OnChange = [this](forms::TListItem* item, forms::TItemChange change) {
    FilterListChange(item, change);
  };
  CreateButtons(TabsFilters);

  BtnOK = Place<forms::TButton>(this, "BtnOK", 368, 320, 75, 25, texts::kOK);
  BtnOK->SetDefault(true);
  BtnOK->SetModalResult(forms::mrOk);
  BtnCancel = Place<forms::TButton>(this, "BtnCancel", 448, 320, 75, 25, texts::kCancel);
  BtnCancel->SetCancel(true);
  BtnCancel->SetModalResult(forms::mrCancel);

  OpenDialog1.Title = texts::kImportTitle;
  OpenDialog1.Filter = texts::kFilterFileTypes;
  OpenDialog1.Options = forms::ofHideReadOnly | forms::ofPathMustExist | forms::ofFileMustExist |
                        forms::ofEnableSizing;
  SaveDialog1.Title = texts::kExportTitle;
  SaveDialog1.Filter = texts::kFilterFileTypes;
  SaveDialog1.DefaultExt = "npf";
  SaveDialog1.Options = forms::ofHideReadOnly | forms::ofOverwritePrompt | forms::ofPathMustExist |
                        forms::ofEnableSizing;
  UpdateButtons();
}

void TFormConfigDialog::CreateButtons(forms::TControl* sheet) {
  struct Design {
    forms::TButton*& button;
    const char* name;
    int top;
    const char* caption;
    void (TFormConfigDialog::*click)();
  } designs[] = {
      {BtnNew, "BtnNew", 20, texts::kNew, &TFormConfigDialog::BtnNewClick},
      {BtnEdit, "BtnEdit", 48, texts::kEdit, &TFormConfigDialog::BtnEditClick},
      {BtnCopy, "BtnCopy", 76, texts::kCopy, &TFormConfigDialog::BtnCopyClick},
      {BtnDelete, "BtnDelete", 104, texts::kDelete, &TFormConfigDialog::BtnDeleteClick},
      {BtnUp, "BtnUp", 140, texts::kUp, &TFormConfigDialog::BtnUpClick},
      {BtnDown, "BtnDown", 168, texts::kDown, &TFormConfigDialog::BtnDownClick},
      {BtnImport, "BtnImport", 204, texts::kImport, &TFormConfigDialog::BtnImportClick},
      {BtnExport, "BtnExport", 232, texts::kExport, &TFormConfigDialog::BtnExportClick},
      {BtnSort, "BtnSort", 264, texts::kSort, &TFormConfigDialog::BtnSortClick},
  };
  for (const Design& d : designs) {
    d.button = Place<forms::TButton>(sheet, d.name, kButtonLeft, d.top, 80, 25, d.caption);
    d.button->OnClick = [this, click = d.click] { (this->*click)(); };
  }
}

TFormConfigDialog::~TFormConfigDialog() { FormDestroy(); }

TFilter* TFormConfigDialog::RowFilter(const forms::TListItem* row) {
  return row ? static_cast<TFilter*>(row->Data()) : nullptr;
}

forms::TListItem* TFormConfigDialog::AddFilter(std::unique_ptr<TFilter> filter) {
  forms::TListItem* row = FilterList->AddItem();
  row->SetData(filter.release());
  FillRow(*row, *RowFilter(row));
  return row;
}

TFilterRows TFormConfigDialog::TakeFilters() {
  TFilterRows filters;
  for (int i = 0; i < FilterList->Count(); ++i) {
    forms::TListItem* row = FilterList->Item(i);
    filters.emplace_back(RowFilter(row));
    row->SetData(nullptr);
  }
  return filters;
}

std::vector<TFilter*> TFormConfigDialog::RowFilters() const {
  std::vector<TFilter*> filters;
  for (int i = 0; i < FilterList->Count(); ++i) filters.push_back(RowFilter(FilterList->Item(i)));
  return filters;
}

void TFormConfigDialog::UpdateButtons() {
  const forms::TListItem* selected = FilterList->Selected();
  const int index = selected ? selected->Index() : -1;
  BtnEdit->SetEnabled(selected);
  BtnCopy->SetEnabled(selected);
  BtnDelete->SetEnabled(selected);
  BtnUp->SetEnabled(selected && index > 0);
  BtnDown->SetEnabled(selected && index < FilterList->Count() - 1);
}

void TFormConfigDialog::FilterListChange(forms::TListItem*, forms::TItemChange change) {
  if (change != forms::ctState) return;
  UpdateButtons();
  forms::TListItem* selected = FilterList->Selected();
  if (TFilter* filter = RowFilter(selected)) filter->Enabled = selected->Checked();
}

void TFormConfigDialog::BtnNewClick() {
  AddFilter(std::make_unique<TFilter>())->SetSelected(true);
  BtnEditClick();
}

void TFormConfigDialog::BtnEditClick() {
  forms::TListItem* row = FilterList->Selected();
  TFilter* filter = RowFilter(row);
  if (filter && filter->Edit()) FillRow(*row, *filter);
}

void TFormConfigDialog::BtnCopyClick() {
  const TFilter* source = RowFilter(FilterList->Selected());
  if (!source) return;
  auto copy = std::make_unique<TFilter>();
  copy->Assign(*source);
  AddFilter(std::move(copy));
  UpdateButtons();
}

// Deleting a row reports no change of state, so the buttons are brought up to date here.
void TFormConfigDialog::BtnDeleteClick() {
  forms::TListItem* row = FilterList->Selected();
  if (!row) return;
  delete RowFilter(row);
  row->SetData(nullptr);
  FilterList->DeleteItem(row);
  UpdateButtons();
}

void TFormConfigDialog::BtnUpClick() { MoveSelected(-1); }

void TFormConfigDialog::BtnDownClick() { MoveSelected(1); }

void TFormConfigDialog::MoveSelected(int offset) {
  forms::TListItem* row = FilterList->Selected();
  forms::TListItem* other = row ? FilterList->Item(row->Index() + offset) : nullptr;
  if (!other) return;
  BatchUpdate batch(*FilterList);
  void* moved = row->Data();
  row->SetData(other->Data());
  other->SetData(moved);
  FillRow(*row, *RowFilter(row));
  FillRow(*other, *RowFilter(other));
  FilterList->SetFocus();
  other->SetSelected(true);
  other->SetFocused(true);
}

void TFormConfigDialog::BtnImportClick() {
  if (!OpenDialog1.Execute()) return;
  TFilterRows imported = ImportFilterFile(OpenDialog1.FileName);
  BatchUpdate batch(*FilterList);
  for (std::unique_ptr<TFilter>& filter : imported) AddFilter(std::move(filter));
  UpdateButtons();
}

void TFormConfigDialog::BtnExportClick() {
  if (!SaveDialog1.Execute()) return;
  const std::vector<TFilter*> rows = RowFilters();
  const std::vector<const TFilter*> filters(rows.begin(), rows.end());
  ExportFilterFile(SaveDialog1.FileName, filters);
}

void TFormConfigDialog::BtnSortClick() {
  const std::vector<TFilter*> rows = RowFilters();
  const std::vector<int> order =
      EfficientOrder(std::vector<const TFilter*>(rows.begin(), rows.end()));
  const TFilter* selected = RowFilter(FilterList->Selected());
  BatchUpdate batch(*FilterList);
  for (int i = 0; i < FilterList->Count(); ++i) {
    forms::TListItem* row = FilterList->Item(i);
    row->SetData(rows[order[i]]);
    FillRow(*row, *rows[order[i]]);
  }
  // the selection moves with its filter
  const auto place = std::find_if(order.begin(), order.end(),
                                  [&](int i) { return selected && rows[i] == selected; });
  if (place != order.end()) {
    forms::TListItem* row = FilterList->Item(static_cast<int>(place - order.begin()));
    row->SetSelected(true);
    row->SetFocused(true);
  }
  UpdateButtons();
}

void TFormConfigDialog::FormDestroy() {
  for (int i = 0; i < FilterList->Count(); ++i) {
    forms::TListItem* row = FilterList->Item(i);
    delete RowFilter(row);
    row->SetData(nullptr);
  }
}

bool ConfigureFilterList(TFilterRows& rows) {
  forms::FormPtr<TFormConfigDialog> dialog = forms::CreateForm<TFormConfigDialog>();
  for (std::unique_ptr<TFilter>& filter : rows) dialog->AddFilter(std::move(filter));
  rows.clear();
  if (dialog->ShowModal() != forms::mrOk) return false;
  rows = dialog->TakeFilters();
  return true;
}

void InstallFilterDialogs() {
  TFilterManager::ConfigureDialog = ConfigureFilterList;
  TFilter::EditDialog = EditFilterDialog;
}

}  // namespace newsgate
