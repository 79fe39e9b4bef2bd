// The filter list dialog, run by the filter list's Configure as the menu runs it: its layout, the
// buttons on the rows, import, export and sort, and what OK and Cancel do to the live list and
// the registry.
#include "newsgate/Configdialog.h"

#include <functional>

#include "newsgate/Editfilter.h"
#include "window_support.h"

namespace newsgate {
namespace {

std::unique_ptr<TFilter> Rule(std::string subject, int type = ftFilter, std::int32_t hits = 0) {
  auto filter = std::make_unique<TFilter>();
  filter->Subject = std::move(subject);
  filter->FilterType = type;
  filter->SetHitCount(hits);
  return filter;
}

class ConfigDialogTest : public WindowTest {
 protected:
  // Makes rules with these subjects the live list, saved in the registry.
  void MakeLive(const std::vector<std::string>& subjects) {
    TFilterRows rows;
    for (const std::string& subject : subjects) rows.push_back(Rule(subject));
    FilterManager->SetFilters(std::move(rows));
    FilterManager->Save();
  }
  static std::vector<std::string> Live() {
    std::vector<std::string> texts;
    const auto list = FilterManager->Filters();
    for (std::int32_t i = 0; i < list->Count(); ++i) texts.push_back(Saved(FilterAt(*list, i)));
    return texts;
  }
  static std::vector<std::string> Stored() {
    const TRegistryIniFile store(win::HKEY::CurrentUser, std::string(kFiltersKey));
    std::vector<std::string> texts;
    for (const std::string& section : store.ReadSections()) {
      TFilter filter;
      filter.Load(store, section);
      texts.push_back(section + ":" + Saved(filter));
    }
    return texts;
  }
  static std::vector<std::string> Subjects() {
    std::vector<std::string> subjects;
    const auto list = FilterManager->Filters();
    for (std::int32_t i = 0; i < list->Count(); ++i) subjects.push_back(FilterAt(*list, i).Subject);
    return subjects;
  }

  // The user's next step, on the form in front.
  template <class Form = TFormConfigDialog, class Step>
  void Then(Step step) {
    app->QueueStep([step] {
      auto* form = dynamic_cast<Form*>(forms::Screen().ActiveForm());
      ASSERT_NE(form, nullptr);
      step(*form);
    });
  }
  void Click(forms::TControl* control) {
    EXPECT_EQ(control->UserClick(), forms::InputResult::Done) << control->Name();
  }
};

// A row as the list shows it: check box, type, hits, summary, selection.
std::string RowText(const forms::TListItem& row) {
  std::string text = row.Checked() ? "[x] " : "[ ] ";
  text += win::AnsiToUtf8(row.Caption());
  for (const std::string& sub : row.SubItems()) text += " | " + win::AnsiToUtf8(sub);
  return text + (row.Selected() ? " (selected)" : "");
}

std::vector<std::string> Rows(const TFormConfigDialog& dialog) {
  std::vector<std::string> rows;
  for (int i = 0; i < dialog.FilterList->Count(); ++i)
    rows.push_back(RowText(*dialog.FilterList->Item(i)));
  return rows;
}

TEST_F(ConfigDialogTest, TheDesign) {
  auto dialog = forms::CreateForm<TFormConfigDialog>();
  EXPECT_EQ(dialog->Caption(), A("フィルタの設定"));
  EXPECT_EQ(dialog->BorderStyle(), forms::bsDialog);
  EXPECT_EQ(dialog->BorderIcons(), forms::biSystemMenu);
  EXPECT_EQ(dialog->ClientWidth(), 525);
  EXPECT_EQ(dialog->ClientHeight(), 348);
  ExpectDialogFont(*dialog);
  ExpectDesign(*dialog, {
                            {"Page", "FormConfigDialog", 0, 0, 525, 317},
                            {"TabsFilters", "Page", 4, 24, 517, 289, "フィルタの編集"},
                            {"Label4", "TabsFilters", 8, 4, 401, 17,
                             "ここで指定した内容に合致する記事は、ダウンロードされなくなります。"},
                            {"FilterList", "TabsFilters", 0, 20, 433, 269},
                            {"BtnNew", "TabsFilters", 436, 20, 80, 25, "新規"},
                            {"BtnEdit", "TabsFilters", 436, 48, 80, 25, "編集"},
                            {"BtnCopy", "TabsFilters", 436, 76, 80, 25, "コピー"},
                            {"BtnDelete", "TabsFilters", 436, 104, 80, 25, "削除"},
                            {"BtnUp", "TabsFilters", 436, 140, 80, 25, "↑"},
                            {"BtnDown", "TabsFilters", 436, 168, 80, 25, "↓"},
                            {"BtnImport", "TabsFilters", 436, 204, 80, 25, "インポート"},
                            {"BtnExport", "TabsFilters", 436, 232, 80, 25, "エクスポート"},
                            {"BtnSort", "TabsFilters", 436, 264, 80, 25, "効率化ソート"},
                            {"BtnOK", "FormConfigDialog", 368, 320, 75, 25, "OK"},
                            {"BtnCancel", "FormConfigDialog", 448, 320, 75, 25, "Cancel"},
                        });
  EXPECT_EQ(dialog->Page->Align(), forms::alTop);
  const forms::TListView& list = *dialog->FilterList;
  EXPECT_EQ(list.ViewStyle(), forms::vsReport);
  EXPECT_TRUE(list.Checkboxes());
  EXPECT_TRUE(list.ReadOnly());
  EXPECT_FALSE(list.MultiSelect());
  EXPECT_EQ(list.Columns(), (std::vector<forms::TListColumn>{
                                {A("種別"), 120}, {A("ヒット数"), 75}, {A("概要"), 230}}));
  for (forms::TButton* button :
       {dialog->BtnEdit, dialog->BtnCopy, dialog->BtnDelete, dialog->BtnUp, dialog->BtnDown})
    EXPECT_FALSE(button->Enabled()) << button->Name();
  for (forms::TButton* button :
       {dialog->BtnNew, dialog->BtnImport, dialog->BtnExport, dialog->BtnSort})
    EXPECT_TRUE(button->Enabled()) << button->Name();
  EXPECT_TRUE(dialog->BtnOK->Default());
  EXPECT_TRUE(dialog->BtnCancel->Cancel());
  EXPECT_EQ(dialog->OpenDialog1.Title, A("定義ファイルをインポート"));
  EXPECT_EQ(dialog->OpenDialog1.Filter, A("フィルタ定義ファイル|*.npf|すべて|*.*"));
  EXPECT_EQ(dialog->OpenDialog1.Options, forms::ofHideReadOnly | forms::ofPathMustExist |
                                             forms::ofFileMustExist | forms::ofEnableSizing);
  EXPECT_EQ(dialog->SaveDialog1.Title, A("定義ファイルをエクスポート"));
  EXPECT_EQ(dialog->SaveDialog1.Filter, dialog->OpenDialog1.Filter);
}

TEST_F(ConfigDialogTest, TheButtonsFollowTheSelection) {
  auto dialog = forms::CreateForm<TFormConfigDialog>();
  for (const char* subject : {"a", "b", "c"}) dialog->AddFilter(Rule(subject));
  dialog->Show();
  struct Case {
    int row;
    bool up, down;
  } cases[] = {{0, false, true}, {1, true, true}, {2, true, false}};
  for (const Case& c : cases) {
    ASSERT_EQ(dialog->FilterList->UserSelect(c.row), forms::InputResult::Done);
    EXPECT_TRUE(dialog->BtnEdit->Enabled() && dialog->BtnCopy->Enabled() &&
                dialog->BtnDelete->Enabled())
        << c.row;
    EXPECT_EQ(dialog->BtnUp->Enabled(), c.up) << c.row;
    EXPECT_EQ(dialog->BtnDown->Enabled(), c.down) << c.row;
  }
  Click(dialog->BtnDelete);
  for (forms::TButton* button :
       {dialog->BtnEdit, dialog->BtnCopy, dialog->BtnDelete, dialog->BtnUp, dialog->BtnDown})
    EXPECT_FALSE(button->Enabled()) << button->Name() << " after the selected row went";
  dialog->FilterList->UserSelect(0);
  Click(dialog->BtnCopy);
  EXPECT_TRUE(dialog->BtnDown->Enabled()) << "the copy comes after the selected last row";
}

TEST_F(ConfigDialogTest, NewThenCancelKeepsADefaultRuleThatOkMakesLive) {
  Then([&](TFormConfigDialog& d) { Click(d.BtnNew); });
  Then<TFormEditFilter>([&](TFormEditFilter& edit) {
    EXPECT_EQ(edit.RdAction->ItemIndex(), ftMark);
    Click(edit.BtnCancel);
  });
  Then([&](TFormConfigDialog& d) {
    EXPECT_EQ(Rows(d), (std::vector<std::string>{"[x] マークを挿入 | 0 |  (selected)"}));
    Click(d.BtnOK);
  });
  FilterManager->Configure();
  EXPECT_FALSE(app->AnswersLeft());
  TFilter fresh;
  EXPECT_EQ(Live(), (std::vector<std::string>{Saved(fresh)}));
  EXPECT_EQ(Stored(), (std::vector<std::string>{"0:" + Saved(fresh)}));
  TOverviewInfo article;
  article.group = "fj.test";
  article.subject = "anything";
  int type = -1;
  EXPECT_TRUE(FilterManager->Check(article, type)) << "the new list is prepared";
  EXPECT_EQ(type, ftMark);
}

TEST_F(ConfigDialogTest, EditCopyDeleteReorderAndSwitchOff) {
  MakeLive({"a", "b", "c", "d"});
  Then([&](TFormConfigDialog& d) {
    d.FilterList->UserSelect(2);
    Click(d.BtnUp);
    Click(d.BtnUp);  // c stays selected and goes on moving
    EXPECT_FALSE(d.BtnUp->Enabled());
    d.FilterList->UserSelect(1);  // a
    Click(d.BtnCopy);
    EXPECT_EQ(d.FilterList->Selected()->Index(), 1) << "the selection stays";
    d.FilterList->UserSetChecked(false, 3);  // d, not selected: its rule keeps Enabled
    d.FilterList->UserSetChecked(false, 1);  // the selected a: switched off
    Click(d.BtnEdit);
  });
  Then<TFormEditFilter>([&](TFormEditFilter& edit) {
    EXPECT_EQ(edit.EditSubject->Text(), "a");
    edit.EditSubject->UserSetText("a2");
    Click(edit.BtnOK);
  });
  Then([&](TFormConfigDialog& d) {
    EXPECT_EQ(RowText(*d.FilterList->Item(1)), "[ ] フィルタする | 0 |  Subject:a2 (selected)");
    d.FilterList->UserSelect(0);  // c
    Click(d.BtnDelete);
    d.FilterList->UserSelect(1);  // b
    Click(d.BtnDown);
    Click(d.BtnOK);
  });
  FilterManager->Configure();
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"a2", "d", "b", "a"}));
  const auto list = FilterManager->Filters();
  EXPECT_FALSE(FilterAt(*list, 0).Enabled);
  EXPECT_TRUE(FilterAt(*list, 1).Enabled) << "only the selected row's check box counts";
  EXPECT_TRUE(FilterAt(*list, 3).Enabled) << "copied before a was switched off";
  const std::vector<std::string> stored = Stored();
  ASSERT_EQ(stored.size(), 4u);
  for (std::size_t i = 0; i < stored.size(); ++i)
    EXPECT_EQ(stored[i], std::to_string(i) + ":" + Live()[i]);
}

TEST_F(ConfigDialogTest, CancelOrTheCloseBoxLeavesTheLiveListAndTheRegistry) {
  WriteFile("C:\\one.npf", "[x]\r\nSubject=imported\r\n");
  for (bool closeBox : {false, true}) {
    MakeLive({"a", "b"});
    const std::vector<std::string> live = Live(), stored = Stored();
    app->QueueDialogAnswer("C:\\one.npf");
    Then([&](TFormConfigDialog& d) {
      d.FilterList->UserSelect(0);
      Click(d.BtnDelete);
      Click(d.BtnImport);
      d.FilterList->UserSelect(0);
      Click(d.BtnEdit);
    });
    Then<TFormEditFilter>([&](TFormEditFilter& edit) {
      edit.EditFrom->UserSetText("x");
      Click(edit.BtnOK);
    });
    Then([&](TFormConfigDialog& d) {
      d.FilterList->UserSetChecked(false, 1);
      EXPECT_EQ(d.FilterList->Count(), 2);
      if (closeBox)
        EXPECT_EQ(d.UserClose(), forms::InputResult::Done);
      else
        Click(d.BtnCancel);
    });
    FilterManager->Configure();
    EXPECT_EQ(Live(), live) << closeBox;
    EXPECT_EQ(Stored(), stored) << closeBox;
  }
}

TEST_F(ConfigDialogTest, ImportAppendsEverySectionEachTimeAndReportsAFileItCannotRead) {
  WriteFile("C:\\two.npf",
            "[anything]\r\nSubject=foo\r\nFilterType=1\r\n[x]\r\nGroups=fj.*\r\nEnabled=0\r\n");
  auto dialog = forms::CreateForm<TFormConfigDialog>();
  dialog->AddFilter(Rule("kept"));
  dialog->Show();
  for (int i = 0; i < 2; ++i) {
    app->QueueDialogAnswer("C:\\two.npf");
    Click(dialog->BtnImport);
  }
  app->QueueDialogAnswer(std::nullopt);
  Click(dialog->BtnImport);
  const std::vector<std::string> rows = {
      "[x] フィルタする | 0 |  Subject:kept", "[x] フィルタする | 0 |  Subject:foo",
      "[ ] マークを挿入 | 0 |  対象:fj.*",    "[x] フィルタする | 0 |  Subject:foo",
      "[ ] マークを挿入 | 0 |  対象:fj.*",
  };
  EXPECT_EQ(Rows(*dialog), rows);
  ASSERT_EQ(app->Dialogs().size(), 3u);
  EXPECT_EQ(app->Dialogs()[0].kind, forms::TestApplication::DialogCall::OpenFile);
  EXPECT_EQ(app->Dialogs()[0].title, A("定義ファイルをインポート"));
  app->QueueDialogAnswer("C:\\missing.npf");
  forms::RunGuarded([&] { dialog->BtnImport->UserClick(); });
  ASSERT_EQ(app->MessageBoxes().size(), 1u) << "the error box of the failed import";
  EXPECT_EQ(app->MessageBoxes()[0].flags, forms::MB_OK | forms::MB_ICONSTOP);
  EXPECT_EQ(Rows(*dialog), rows);
}

TEST_F(ConfigDialogTest, ExportWritesAFileThatImportsBackToTheSameFilters) {
  auto dialog = forms::CreateForm<TFormConfigDialog>();
  auto full = Rule(A("件名 \"quoted\", comma"), ftAlwaysFilter, 12);
  full->Description = A("説明");
  full->From = "x=y";
  full->UseRegExp = 1;
  full->CheckSize = true;
  full->Size = 20;
  full->CrossPost = true;
  full->Enabled = false;
  full->Groups = {"fj.*", "!fj.test", "a b"};
  dialog->AddFilter(std::move(full));
  dialog->AddFilter(std::make_unique<TFilter>());
  dialog->Show();
  app->QueueDialogAnswer(std::nullopt);
  Click(dialog->BtnExport);
  EXPECT_FALSE(std::filesystem::exists(*win::HostPath("C:\\out.npf")));
  app->QueueDialogAnswer("C:\\out.npf");
  Click(dialog->BtnExport);
  ASSERT_EQ(app->Dialogs().size(), 2u);
  EXPECT_EQ(app->Dialogs()[1].kind, forms::TestApplication::DialogCall::SaveFile);
  EXPECT_EQ(app->Dialogs()[1].title, A("定義ファイルをエクスポート"));
  const TFilterRows back = ImportFilterFile("C:\\out.npf");
  ASSERT_EQ(back.size(), 2u);
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(Saved(*back[i]), Saved(*TFormConfigDialog::RowFilter(dialog->FilterList->Item(i))));
}

TEST_F(ConfigDialogTest, SortPutsAlwaysFilterRulesFirstAndTheSelectionMovesWithItsRule) {
  auto dialog = forms::CreateForm<TFormConfigDialog>();
  dialog->AddFilter(Rule("r0", ftFilter));
  dialog->AddFilter(Rule("r1", ftAlwaysFilter, 2));
  dialog->AddFilter(Rule("r2", ftMark));
  dialog->AddFilter(Rule("r3", ftAlwaysFilter, 5));
  dialog->AddFilter(Rule("r4", ftExclude));
  dialog->Show();
  dialog->FilterList->UserSelect(2);
  Click(dialog->BtnSort);
  std::vector<std::string> subjects;
  for (int i = 0; i < dialog->FilterList->Count(); ++i) {
    const forms::TListItem& row = *dialog->FilterList->Item(i);
    subjects.push_back(TFormConfigDialog::RowFilter(&row)->Subject);
    EXPECT_NE(RowText(row).find("Subject:" + subjects.back()), std::string::npos)
        << "the row shows its rule";
  }
  EXPECT_EQ(subjects, (std::vector<std::string>{"r3", "r1", "r0", "r2", "r4"}));
  EXPECT_EQ(dialog->FilterList->Selected()->Index(), 3);
  EXPECT_TRUE(dialog->BtnUp->Enabled() && dialog->BtnDown->Enabled());
}

}  // namespace
}  // namespace newsgate
