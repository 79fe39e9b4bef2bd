#include <gtest/gtest.h>

#include <sstream>

#include "code_page_932.h"
#include "forms/console_application.h"
#include "forms/forms.h"

namespace forms {
namespace {

std::string A(const char* utf8) { return win::Utf8ToAnsi(utf8); }

// A small form with one control of each kind the console lists.
struct MainForm : TForm {
  MainForm() : TForm("frmMain") {
    SetCaption(A("オルバン"));
    auto* menu = Add<TMainMenu>("MainMenu1");
    menu->Add<TMenuItem>("MnFile")->Add<TMenuItem>("MnExit")->SetCaption(A("終了"));
    group = Add<TGroupBox>("grpMessage");
    group->SetCaption(A("メッセージ"));
    group->Add<TLabel>("lblMessage")->SetCaption("first\r\nsecond");
    folder = Add<TEdit>("txtFolder");
    folder->SetText("C:\\Program Files\\");
    folder->SetEnabled(false);
    check = Add<TCheckBox>("chkOverWrite");
    check->SetCaption("Overwrite");
    check->SetChecked(true);
    hidden = Add<TGroupBox>("fraHidden");
    hidden->Add<TButton>("btnInside")->SetCaption("Inside");
    hidden->Hide();
    memo = Add<TMemo>("txtReadme");
    memo->SetReadOnly(true);
    memo->SetText("Read me\r\n\r\nEnd");
    list = Add<TListView>("ClientList");
    list->SetCheckboxes(true);
    list->AddColumn("ID");
    list->AddColumn(A("状態"));
    TListItem* row = list->AddItem();
    row->SetCaption("0000001F");
    row->AddSubItem("GROUP fj.test");
    row->SetChecked(true);
    progress = Add<TProgressBar>("prgStatus");
    action = Add<TRadioGroup>("RdAction");
    action->SetCaption("Action");
    action->SetItems({"Mark", "Filter"});
  }
  TGroupBox *group, *hidden;
  TEdit* folder;
  TCheckBox* check;
  TMemo* memo;
  TListView* list;
  TProgressBar* progress;
  TRadioGroup* action;
};

TEST(ConsoleOutput, ListsAShownFormAndThenEachChangeOfAVisibleControl) {
  std::istringstream in;
  std::ostringstream out;
  ConsoleApplication app(in, out);
  MainForm form;
  form.Show();
  EXPECT_EQ(out.str(),
            "frmMain: shown \"オルバン\"\n"
            "  MainMenu1: menu\n"
            "    MnFile: menu item \"\"\n"
            "      MnExit: menu item \"終了\"\n"
            "  grpMessage: group box \"メッセージ\"\n"
            "    lblMessage: label \"first\\nsecond\"\n"
            "  txtFolder: edit \"C:\\Program Files\\\" disabled\n"
            "  chkOverWrite: check box \"Overwrite\" checked\n"
            "  txtReadme: memo read-only\n"
            "    | Read me\n"
            "    | \n"
            "    | End\n"
            "  ClientList: list view columns \"ID\" | \"状態\"\n"
            "    [0] [x] \"0000001F\" | \"GROUP fj.test\"\n"
            "  prgStatus: progress bar 0 (0..100)\n"
            "  RdAction: radio group \"Action\"\n"
            "    [0] \"Mark\"\n"
            "    [1] \"Filter\"\n");

  out.str("");
  form.check->SetChecked(false);
  form.folder->SetEnabled(true);
  form.folder->SetText("D:\\");
  form.folder->SetBounds(1, 2, 3, 4);  // geometry is not shown
  form.hidden->FindControl("btnInside")->SetCaption("Not shown");
  form.hidden->Show();
  form.group->Hide();
  form.list->Item(0)->SetSelected(true);
  form.list->AddItem()->SetCaption("00000020");
  form.list->DeleteItem(form.list->Item(0));
  form.progress->SetPosition(35);
  form.action->SetItemIndex(1);
  form.SetCaption("Done");
  form.Hide();
  form.check->SetChecked(true);  // on a hidden form
  EXPECT_EQ(out.str(),
            "frmMain.chkOverWrite: unchecked\n"
            "frmMain.txtFolder: enabled\n"
            "frmMain.txtFolder: \"D:\\\"\n"
            "frmMain.fraHidden: visible\n"
            "  btnInside: button \"Not shown\"\n"
            "frmMain.grpMessage: hidden\n"
            "frmMain.ClientList: [0] [x] \"0000001F\" | \"GROUP fj.test\" (selected)\n"
            "frmMain.ClientList: added [1] [ ] \"\"\n"
            "frmMain.ClientList: [1] [ ] \"00000020\"\n"
            "frmMain.ClientList: [0] removed\n"
            "frmMain.prgStatus: 35\n"
            "frmMain.RdAction: selected [1] \"Filter\"\n"
            "frmMain: \"Done\"\n"
            "frmMain: hidden\n");
}

TEST(ConsoleOutput, AMessageBoxShowsCaptionTextAndAnswers) {
  std::istringstream in;  // no input: the default answers
  std::ostringstream out;
  ConsoleApplication app(in, out);
  EXPECT_EQ(app.MessageBox(A("終了していません．\r終了してもよろしいですか？"), A("終了確認"),
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2),
            IDNO);
  EXPECT_EQ(out.str(),
            "message box \"終了確認\"\n"
            "  | 終了していません．\n"
            "  | 終了してもよろしいですか？\n"
            "  answers: yes, no (default)\n"
            "  -> no (default)\n");
}

}  // namespace
}  // namespace forms
