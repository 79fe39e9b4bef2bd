// The filter edit dialog: its layout, the settings it shows and writes back, and its buttons.
#include "newsgate/Editfilter.h"

#include <functional>

#include "window_support.h"

namespace newsgate {
namespace {

class EditFilterTest : public WindowTest {
 protected:
  // Runs Edit on filter while `user` acts on the open dialog.
  bool Edit(TFilter& filter, std::function<void(TFormEditFilter&)> user) {
    app->QueueStep([user] {
      auto* dialog = dynamic_cast<TFormEditFilter*>(forms::Screen().ActiveForm());
      ASSERT_NE(dialog, nullptr);
      user(*dialog);
    });
    return filter.Edit();
  }
};

// Every setting away from its default.
std::unique_ptr<TFilter> FullFilter() {
  auto filter = std::make_unique<TFilter>();
  filter->Enabled = false;
  filter->Description = A("私のフィルタ");
  filter->FilterType = ftAlwaysFilter;
  filter->Subject = "^Re:.*spam";
  filter->From = "spammer";
  filter->UseRegExp = 1;
  filter->CheckSize = true;
  filter->Size = 30;
  filter->SizeLarger = true;
  filter->CrossPost = true;
  filter->Groups = {"fj.*", "!fj.test"};
  filter->SetHitCount(7);
  return filter;
}

TEST_F(EditFilterTest, TheDesign) {
  auto dialog = forms::CreateForm<TFormEditFilter>();
  EXPECT_EQ(dialog->Caption(), A("フィルタの編集"));
  EXPECT_EQ(dialog->BorderStyle(), forms::bsDialog);
  EXPECT_EQ(dialog->BorderIcons(), forms::biSystemMenu);
  EXPECT_EQ(dialog->ClientWidth(), 545);
  EXPECT_EQ(dialog->ClientHeight(), 219);
  ExpectDialogFont(*dialog);
  ExpectDesign(
      *dialog,
      {
          {"Label1", "FormEditFilter", 4, 8, 81, 17, "フィルタの概要"},
          {"EditDescription", "FormEditFilter", 82, 4, 377, 20, ""},
          {"Label5", "FormEditFilter", 4, 32, 81, 17, "件名（Subject）"},
          {"EditSubject", "FormEditFilter", 82, 28, 231, 20, ""},
          {"Label6", "FormEditFilter", 4, 56, 81, 17, "差出人（From）"},
          {"EditFrom", "FormEditFilter", 82, 52, 231, 20, ""},
          {"RdMatchAllKeywords", "FormEditFilter", 4, 76, 165, 17, "すべてのキーワードを含む"},
          {"RdMatchRegexp", "FormEditFilter", 176, 76, 81, 17, "正規表現"},
          {"GrGroups", "FormEditFilter", 0, 96, 317, 101, "対象グループ"},
          {"EditGroup", "GrGroups", 8, 17, 260, 20, ""},
          {"BtnAddGroup", "GrGroups", 272, 16, 40, 21, "追加"},
          {"GroupList", "GrGroups", 8, 40, 260, 57},
          {"BtnEditGroup", "GrGroups", 272, 40, 40, 21, "編集"},
          {"BtnDeleteGroup", "GrGroups", 272, 64, 40, 21, "削除"},
          {"GrSize", "FormEditFilter", 320, 28, 141, 81, ""},
          {"ChkArticleSize", "GrSize", 8, 0, 97, 17, "記事のサイズ"},
          {"EditSize", "GrSize", 8, 20, 57, 20, ""},
          {"Label7", "GrSize", 68, 24, 37, 17, "KBより"},
          {"RdSizeSmaller", "GrSize", 8, 42, 89, 17, "小さい記事"},
          {"RdSizeLarger", "GrSize", 8, 60, 85, 17, "大きい記事"},
          {"RdAction", "FormEditFilter", 320, 112, 141, 85, "フィルタ種別"},
          {"ChkCrossposted", "FormEditFilter", 4, 200, 145, 17, "クロスポストされた記事"},
          {"BtnOK", "FormEditFilter", 468, 4, 75, 25, "OK"},
          {"BtnCancel", "FormEditFilter", 468, 36, 75, 25, "Cancel"},
      });
  EXPECT_EQ(dialog->RdAction->Items(),
            (std::vector<std::string>{A("マークを挿入する"), A("フィルタする"),
                                      A("フィルタ対象から除外"), A("必ずフィルタする")}));
  EXPECT_TRUE(dialog->RdMatchAllKeywords->Checked());
  EXPECT_TRUE(dialog->RdSizeSmaller->Checked());
  EXPECT_FALSE(dialog->BtnAddGroup->Enabled()) << "the group box opens empty";
  EXPECT_TRUE(dialog->BtnOK->Default());
  EXPECT_TRUE(dialog->BtnCancel->Cancel());
  // Tab order within the form: description, subject, sender, the match modes, groups,
  // cross-post, size, action, OK, Cancel.
  std::vector<std::string> order(10);
  for (const char* name :
       {"EditDescription", "EditSubject", "EditFrom", "RdMatchAllKeywords", "RdMatchRegexp",
        "GrGroups", "ChkCrossposted", "GrSize", "RdAction", "BtnOK", "BtnCancel"}) {
    const int at = dialog->FindControl(name)->TabOrder();
    ASSERT_GE(at, 0) << name;
    if (at < 10) order[at] = name;
  }
  EXPECT_EQ(order, (std::vector<std::string>{"EditDescription", "EditSubject", "EditFrom",
                                             "RdMatchAllKeywords", "RdMatchRegexp", "GrGroups",
                                             "ChkCrossposted", "GrSize", "RdAction", "BtnOK"}));
}

TEST_F(EditFilterTest, OkWithoutChangesKeepsEverySettingAndCancelKeepsEdits) {
  std::unique_ptr<TFilter> filters[] = {std::make_unique<TFilter>(), FullFilter()};
  for (auto& filter : filters) {
    const std::string before = Saved(*filter);
    EXPECT_TRUE(Edit(*filter, [](TFormEditFilter& d) { d.BtnOK->UserClick(); }));
    EXPECT_EQ(Saved(*filter), before);
    EXPECT_FALSE(Edit(*filter, [](TFormEditFilter& d) {
      d.EditSubject->UserSetText("changed");
      d.RdAction->UserSelect(1);
      d.BtnCancel->UserClick();
    }));
    EXPECT_EQ(Saved(*filter), before);
  }
  EXPECT_TRUE(forms::Screen().Forms().empty()) << "the dialog is destroyed";
}

TEST_F(EditFilterTest, OkWritesTheControlsBack) {
  TFilter filter;
  EXPECT_TRUE(Edit(filter, [](TFormEditFilter& d) {
    d.EditDescription->UserSetText(" mine ");
    d.EditSubject->UserSetText("foo bar");
    d.EditFrom->UserSetText(A("山田"));
    d.RdMatchRegexp->UserClick();
    d.ChkArticleSize->UserClick();
    d.EditSize->UserSetText("10");
    d.RdSizeLarger->UserClick();
    d.RdAction->UserSelect(2);
    d.ChkCrossposted->UserClick();
    d.EditGroup->UserSetText("!fj.test");
    d.BtnAddGroup->UserClick();
    d.BtnAddGroup->UserClick();
    d.BtnOK->UserClick();
  }));
  EXPECT_EQ(filter.Description, " mine ") << "texts as typed";
  EXPECT_EQ(filter.Subject, "foo bar");
  EXPECT_EQ(filter.From, A("山田"));
  EXPECT_EQ(filter.UseRegExp, 1);
  EXPECT_TRUE(filter.CheckSize);
  EXPECT_EQ(filter.Size, 10);
  EXPECT_TRUE(filter.SizeLarger);
  EXPECT_EQ(filter.FilterType, ftExclude);
  EXPECT_TRUE(filter.CrossPost);
  EXPECT_EQ(filter.Groups, (std::vector<std::string>{"!fj.test", "!fj.test"}))
      << "added unchanged, duplicates allowed";
  EXPECT_TRUE(filter.Enabled) << "not a setting of this dialog";
}

TEST_F(EditFilterTest, OkNeedsAPositiveSize) {
  auto dialog = forms::CreateForm<TFormEditFilter>();
  TFilter filter;
  dialog->ShowSettings(filter);
  dialog->Show();
  EXPECT_TRUE(dialog->BtnOK->Enabled());
  struct Case {
    const char* text;
    bool ok;
  } cases[] = {{"", false},   {"0", false}, {"abc", false},       {"-3", false},
               {"5x", false}, {"5", true},  {"2147483648", false}};
  for (const Case& c : cases) {
    dialog->EditSize->UserSetText(c.text);
    EXPECT_EQ(dialog->BtnOK->Enabled(), c.ok) << c.text << " (the size check box is off)";
  }
  filter.Size = 0;  // a stored 0 KB "at least"
  filter.SizeLarger = true;
  dialog->ShowSettings(filter);
  EXPECT_FALSE(dialog->BtnOK->Enabled());
}

TEST_F(EditFilterTest, GroupEntriesAreAddedChangedAndRemoved) {
  auto dialog = forms::CreateForm<TFormEditFilter>();
  TFilter filter;
  filter.Groups = {"fj.*", "alt.*"};
  dialog->ShowSettings(filter);
  dialog->Show();
  TFormEditFilter& d = *dialog;
  EXPECT_FALSE(d.BtnEditGroup->Enabled());
  EXPECT_FALSE(d.BtnDeleteGroup->Enabled());
  d.EditGroup->UserSetText("comp.*");
  EXPECT_TRUE(d.BtnAddGroup->Enabled());
  d.BtnAddGroup->UserClick();
  EXPECT_EQ(d.EditGroup->Text(), "comp.*") << "the text stays in the box";
  EXPECT_EQ(d.GroupList->UserSelect(1), forms::InputResult::Done);
  EXPECT_EQ(d.EditGroup->Text(), "alt.*") << "the chosen entry comes into the box";
  d.EditGroup->UserSetText("!alt.test");
  EXPECT_EQ(d.BtnEditGroup->UserClick(), forms::InputResult::Done);
  d.GroupList->UserSelect(0);
  EXPECT_EQ(d.BtnDeleteGroup->UserClick(), forms::InputResult::Done);
  EXPECT_EQ(d.GroupList->Items(), (std::vector<std::string>{"!alt.test", "comp.*"}));
  EXPECT_FALSE(d.BtnDeleteGroup->Enabled()) << "no entry is chosen after the removal";
  d.EditGroup->UserSetText("");
  EXPECT_FALSE(d.BtnAddGroup->Enabled());
  d.StoreSettings(filter);
  EXPECT_EQ(filter.Groups, (std::vector<std::string>{"!alt.test", "comp.*"}));
}

TEST_F(EditFilterTest, AnActionTheDialogDoesNotOfferStaysAsItWas) {
  TFilter filter;
  filter.FilterType = 7;
  EXPECT_TRUE(Edit(filter, [](TFormEditFilter& d) {
    EXPECT_EQ(d.RdAction->ItemIndex(), -1);
    d.BtnOK->UserClick();
  }));
  EXPECT_EQ(filter.FilterType, 7);
}

}  // namespace
}  // namespace newsgate
