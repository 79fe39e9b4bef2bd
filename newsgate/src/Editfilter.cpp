#include "newsgate/Editfilter.h"

#include <string>

#include "newsgate/FormLayout.h"
#include "newsgate/Texts.h"
#include "newsgate/strconv.h"

namespace newsgate {

namespace {

// The size box read as a decimal number; text that is not one counts as 0.
std::int32_t SizeValue(const forms::TEdit& edit) { return StrToIntDef(edit.Text(), 0); }

}  // namespace

TFormEditFilter::TFormEditFilter() : TForm("FormEditFilter") {
  SetCaption(texts::kEditCaption);
  SetBorderStyle(forms::bsDialog);
  SetBorderIcons(forms::biSystemMenu);
  SetClientSize(545, 219);
  SetFont(UiFont());
  CreateConditions();
  CreateGroups();
  CreateSize();
  CreateActionAndButtons();
  // The design's tab order: the cross-post box comes between the groups and the size.
  ChkCrossposted->SetTabOrder(GrGroups->TabOrder() + 1);
  EditGroupChange();
  EditSizeChange();
}

void TFormEditFilter::CreateConditions() {
  Label1 = PlaceLabel(this, "Label1", 4, 8, 81, 17, texts::kDescriptionLabel);
  EditDescription = Place<forms::TEdit>(this, "EditDescription", 82, 4, 377, 20);
  Label5 = PlaceLabel(this, "Label5", 4, 32, 81, 17, texts::kSubjectLabel);
  EditSubject = Place<forms::TEdit>(this, "EditSubject", 82, 28, 231, 20);
  Label6 = PlaceLabel(this, "Label6", 4, 56, 81, 17, texts::kFromLabel);
  EditFrom = Place<forms::TEdit>(this, "EditFrom", 82, 52, 231, 20);
  RdMatchAllKeywords =
      Place<forms::TRadioButton>(this, "RdMatchAllKeywords", 4, 76, 165, 17, texts::kAllKeywords);
  RdMatchAllKeywords->SetChecked(true);
  RdMatchRegexp =
      Place<forms::TRadioButton>(this, "RdMatchRegexp", 176, 76, 81, 17, texts::kRegExp);
}

void TFormEditFilter::CreateGroups() {
  GrGroups = Place<forms::TGroupBox>(this, "GrGroups", 0, 96, 317, 101, texts::kGroupsBox);
  EditGroup = Place<forms::TEdit>(GrGroups, "EditGroup", 8, 17, 260, 20);
  EditGroup->OnChange = [this] { EditGroupChange(); };
  BtnAddGroup = Place<forms::TButton>(GrGroups, "BtnAddGroup", 272, 16, 40, 21, texts::kAddGroup);
  BtnAddGroup->OnClick = [this] { BtnAddGroupClick(); };
  GroupList = Place<forms::TListBox>(GrGroups, "GroupList", 8, 40, 260, 57);
  GroupList->OnClick = [this] { GroupListClick(); };
  BtnEditGroup = Place<forms::TButton>(GrGroups, "BtnEditGroup", 272, 40, 40, 21, texts::kEdit);
  BtnEditGroup->OnClick = [this] { BtnEditGroupClick(); };
  BtnDeleteGroup =
      Place<forms::TButton>(GrGroups, "BtnDeleteGroup", 272, 64, 40, 21, texts::kDelete);
  BtnDeleteGroup->OnClick = [this] { BtnDeleteGroupClick(); };
}

void TFormEditFilter::CreateSize() {
  GrSize = Place<forms::TGroupBox>(this, "GrSize", 320, 28, 141, 81);
  ChkArticleSize =
      Place<forms::TCheckBox>(GrSize, "ChkArticleSize", 8, 0, 97, 17, texts::kArticleSize);
  EditSize = Place<forms::TEdit>(GrSize, "EditSize", 8, 20, 57, 20);
  EditSize->OnChange = [this] { EditSizeChange(); };
  Label7 = PlaceLabel(GrSize, "Label7", 68, 24, 37, 17, texts::kSizeUnit);
  RdSizeSmaller =
      Place<forms::TRadioButton>(GrSize, "RdSizeSmaller", 8, 42, 89, 17, texts::kSmaller);
  RdSizeSmaller->SetChecked(true);
  RdSizeLarger = Place<forms::TRadioButton>(GrSize, "RdSizeLarger", 8, 60, 85, 17, texts::kLarger);
}

void TFormEditFilter::CreateActionAndButtons() {
  RdAction = Place<forms::TRadioGroup>(this, "RdAction", 320, 112, 141, 85, texts::kActionBox);
  RdAction->SetItems(
      {texts::kActionMark, texts::kActionFilter, texts::kActionExclude, texts::kActionAlways});
  ChkCrossposted =
      Place<forms::TCheckBox>(this, "ChkCrossposted", 4, 200, 145, 17, texts::kCrossposted);
  BtnOK = Place<forms::TButton>(this, "BtnOK", 468, 4, 75, 25, texts::kOK);
  BtnOK->SetDefault(true);
  BtnOK->SetModalResult(forms::mrOk);
  BtnCancel = Place<forms::TButton>(this, "BtnCancel", 468, 36, 75, 25, texts::kCancel);
  BtnCancel->SetCancel(true);
  BtnCancel->SetModalResult(forms::mrCancel);
}

void TFormEditFilter::ShowSettings(const TFilter& filter) {
  EditDescription->SetText(filter.Description);
  EditSubject->SetText(filter.Subject);
  EditFrom->SetText(filter.From);
  ChkArticleSize->SetChecked(filter.CheckSize);
  EditSize->SetText(std::to_string(filter.Size));
  (filter.SizeLarger ? RdSizeLarger : RdSizeSmaller)->SetChecked(true);
  (filter.UseRegExp == 1 ? RdMatchRegexp : RdMatchAllKeywords)->SetChecked(true);
  RdAction->SetItemIndex(filter.FilterType);
  GroupList->SetItems(filter.Groups);
  ChkCrossposted->SetChecked(filter.CrossPost);
  UpdateGroupButtons();
}

void TFormEditFilter::StoreSettings(TFilter& filter) const {
  filter.Description = EditDescription->Text();
  filter.Subject = EditSubject->Text();
  filter.From = EditFrom->Text();
  filter.CheckSize = ChkArticleSize->Checked();
  filter.Size = StrToIntDef(EditSize->Text(), filter.Size);
  filter.SizeLarger = !RdSizeSmaller->Checked();
  filter.UseRegExp = RdMatchAllKeywords->Checked() ? 0 : 1;
  // an action the dialog does not offer shows no item and stays as it was
  if (RdAction->ItemIndex() >= 0) filter.FilterType = RdAction->ItemIndex();
  filter.Groups = GroupList->Items();
  filter.CrossPost = ChkCrossposted->Checked();
}

void TFormEditFilter::EditGroupChange() {
  BtnAddGroup->SetEnabled(!EditGroup->Text().empty());
  UpdateGroupButtons();
}

void TFormEditFilter::BtnAddGroupClick() { GroupList->AddItem(EditGroup->Text()); }

void TFormEditFilter::GroupListClick() {
  if (GroupList->ItemIndex() >= 0) EditGroup->SetText(GroupList->Items()[GroupList->ItemIndex()]);
  UpdateGroupButtons();
}

void TFormEditFilter::BtnEditGroupClick() {
  if (GroupList->ItemIndex() >= 0 && !EditGroup->Text().empty())
    GroupList->SetItem(GroupList->ItemIndex(), EditGroup->Text());
}

void TFormEditFilter::BtnDeleteGroupClick() {
  if (GroupList->ItemIndex() >= 0) GroupList->DeleteItem(GroupList->ItemIndex());
  UpdateGroupButtons();
}

void TFormEditFilter::UpdateGroupButtons() {
  const bool chosen = GroupList->ItemIndex() >= 0;
  BtnEditGroup->SetEnabled(chosen && !EditGroup->Text().empty());
  BtnDeleteGroup->SetEnabled(chosen);
}

void TFormEditFilter::EditSizeChange() { BtnOK->SetEnabled(SizeValue(*EditSize) > 0); }

bool EditFilterDialog(TFilter& filter) {
  forms::FormPtr<TFormEditFilter> dialog = forms::CreateForm<TFormEditFilter>();
  dialog->ShowSettings(filter);
  if (dialog->ShowModal() != forms::mrOk) return false;
  dialog->StoreSettings(filter);
  return true;
}

}  // namespace newsgate
