#pragma once
// The filter list dialog: the user creates, edits, copies, deletes, reorders, switches on and
// off, imports, exports and sorts filter rules. Every row of FilterList carries a filter that the
// dialog owns; the caller hands the filters in before showing it and takes them back after OK.
#include <memory>
#include <vector>

#include "forms/controls.h"
#include "forms/dialogs.h"
#include "forms/form.h"
#include "forms/list_view.h"
#include "newsgate/filter.h"
#include "newsgate/filterman.h"

namespace newsgate {

class TFormConfigDialog : public forms::TForm {
 public:
  TFormConfigDialog();
  ~TFormConfigDialog() override;  // FormDestroy

  // Appends a row for filter, which the dialog then owns.
  forms::TListItem* AddFilter(std::unique_ptr<TFilter> filter);
  // The rows' filters in row order; the rows keep none.
  TFilterRows TakeFilters();
  // The filter of a row; nullptr for no row.
  static TFilter* RowFilter(const forms::TListItem* row);

  forms::TPageControl* Page;
  forms::TTabSheet* TabsFilters;
  forms::TLabel* Label4;
  forms::TListView* FilterList;
  forms::TButton* BtnNew;
  forms::TButton* BtnEdit;
  forms::TButton* BtnCopy;
  forms::TButton* BtnDelete;
  forms::TButton* BtnUp;
  forms::TButton* BtnDown;
  forms::TButton* BtnImport;
  forms::TButton* BtnExport;
  forms::TButton* BtnSort;
  forms::TButton* BtnOK;
  forms::TButton* BtnCancel;
  forms::TOpenDialog OpenDialog1;
  forms::TSaveDialog SaveDialog1;

  void FilterListChange(forms::TListItem* item, forms::TItemChange change);
  void BtnNewClick();
  void BtnEditClick();
  void BtnCopyClick();
  void BtnDeleteClick();
  void BtnUpClick();
  void BtnDownClick();
  void BtnImportClick();
  // Writes the rows' filters as a filter definition file that the import reads back the same.
  void BtnExportClick();
  // Orders the rows so that every verdict stays as it was and scans stop early more often: the
  // always-filter rules first, those with more hits ahead, every other rule in its old order.
  void BtnSortClick();
  void FormDestroy();

 private:
  void CreateButtons(forms::TControl* sheet);
  // Swaps the filters of the selected row and the row `offset` away, which becomes selected.
  void MoveSelected(int offset);
  void UpdateButtons();
  std::vector<TFilter*> RowFilters() const;
};

// Fills a row of a filter list from filter.
void FillRow(forms::TListItem& row, const TFilter& filter);

// Runs the dialog on rows (the copies of the live filters): true on OK, with rows then holding
// the dialog's filters in row order.
bool ConfigureFilterList(TFilterRows& rows);

// Makes the filter engine run these dialogs for Configure and Edit.
void InstallFilterDialogs();

}  // namespace newsgate
