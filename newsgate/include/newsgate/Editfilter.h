#pragma once
// The filter edit dialog: the settings of one filter rule, written back only when the user
// confirms with OK.
#include "forms/controls.h"
#include "forms/form.h"
#include "newsgate/filter.h"

namespace newsgate {

class TFormEditFilter : public forms::TForm {
 public:
  TFormEditFilter();

  // The controls show the settings of filter.
  void ShowSettings(const TFilter& filter);
  // The settings the controls show go to filter.
  void StoreSettings(TFilter& filter) const;

  forms::TLabel* Label1;
  forms::TEdit* EditDescription;
  forms::TLabel* Label5;
  forms::TEdit* EditSubject;
  forms::TLabel* Label6;
  forms::TEdit* EditFrom;
  forms::TRadioButton* RdMatchAllKeywords;
  forms::TRadioButton* RdMatchRegexp;
  forms::TGroupBox* GrGroups;
  forms::TEdit* EditGroup;
  forms::TButton* BtnAddGroup;
  forms::TListBox* GroupList;
  forms::TButton* BtnEditGroup;
  forms::TButton* BtnDeleteGroup;
  forms::TGroupBox* GrSize;
  forms::TCheckBox* ChkArticleSize;
  forms::TEdit* EditSize;
  forms::TLabel* Label7;
  forms::TRadioButton* RdSizeSmaller;
  forms::TRadioButton* RdSizeLarger;
  forms::TRadioGroup* RdAction;
  forms::TCheckBox* ChkCrossposted;
  forms::TButton* BtnOK;
  forms::TButton* BtnCancel;

  void EditGroupChange();
  void BtnAddGroupClick();
  // Choosing an entry puts its text in EditGroup; BtnEditGroup replaces the chosen entry by
  // that text, BtnDeleteGroup removes it.
  void GroupListClick();
  void BtnEditGroupClick();
  void BtnDeleteGroupClick();
  void EditSizeChange();

 private:
  void CreateConditions();
  void CreateGroups();
  void CreateSize();
  void CreateActionAndButtons();
  void UpdateGroupButtons();
};

// Runs the dialog on filter: true when the user confirmed and the settings were written back.
bool EditFilterDialog(TFilter& filter);

}  // namespace newsgate
