#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "code_page_932.h"
#include "forms/forms.h"

namespace forms {
namespace {

// Records the notifications of one form's controls as "name:property".
class Recorder : public Observer {
 public:
  Recorder() { Screen().AddObserver(this); }
  ~Recorder() override { Screen().RemoveObserver(this); }
  void ControlChanged(TControl& control, const Change& change) override {
    events.push_back(control.Name() + ":" + std::to_string(static_cast<int>(change.property)));
  }
  std::vector<std::string> events;
};

std::string Event(const std::string& name, Property property) {
  return name + ":" + std::to_string(static_cast<int>(property));
}

TEST(Controls, SettersNotifyOnlyRealChanges) {
  TForm form("frmTest");
  auto* button = form.Add<TButton>("btnGo");
  auto* edit = form.Add<TEdit>("txtName");
  Recorder recorder;
  struct Case {
    std::function<void()> set;
    std::string expected;
  } cases[] = {
      {[&] { button->SetCaption("Go"); }, Event("btnGo", Property::Caption)},
      {[&] { button->SetEnabled(false); }, Event("btnGo", Property::Enabled)},
      {[&] { button->SetVisible(false); }, Event("btnGo", Property::Visible)},
      {[&] { button->SetBounds(1, 2, 3, 4); }, Event("btnGo", Property::Bounds)},
      {[&] { edit->SetReadOnly(true); }, Event("txtName", Property::ReadOnly)},
      {[&] { edit->SetFontHeight(-16); }, Event("txtName", Property::Font)},
  };
  for (auto& c : cases) {
    recorder.events.clear();
    c.set();
    EXPECT_EQ(recorder.events, std::vector<std::string>{c.expected});
    recorder.events.clear();
    c.set();  // the same value again
    EXPECT_TRUE(recorder.events.empty()) << c.expected;
  }
}

TEST(Controls, EventsFollowProgramChangesLikeUserChanges) {
  TForm form("frmTest");
  auto* check = form.Add<TCheckBox>("chkA");
  auto* edit = form.Add<TEdit>("txtA");
  auto* radio1 = form.Add<TRadioButton>("rd1");
  auto* radio2 = form.Add<TRadioButton>("rd2");
  auto* group = form.Add<TGroupBox>("grp");
  auto* radioElsewhere = group->Add<TRadioButton>("rd3");
  std::vector<std::string> fired;
  check->OnClick = [&] { fired.push_back("chk"); };
  edit->OnChange = [&] { fired.push_back("txt:" + edit->Text()); };
  radio1->OnClick = [&] { fired.push_back("rd1"); };
  radio2->OnClick = [&] { fired.push_back("rd2"); };

  check->SetChecked(true);
  check->SetChecked(true);
  edit->SetText("abc");
  radioElsewhere->SetChecked(true);
  radio1->SetChecked(true);
  radio2->SetChecked(true);
  EXPECT_EQ(fired, (std::vector<std::string>{"chk", "txt:abc", "rd1", "rd2"}));
  EXPECT_FALSE(radio1->Checked());
  EXPECT_TRUE(radioElsewhere->Checked()) << "another parent is another group";
}

TEST(Controls, UserActionsNeedAShownEnabledControl) {
  TForm form("frmTest");
  auto* group = form.Add<TGroupBox>("grp");
  auto* button = group->Add<TButton>("btn");
  int clicks = 0;
  button->OnClick = [&] { ++clicks; };
  EXPECT_EQ(button->UserClick(), InputResult::Unavailable) << "form not shown";
  form.Show();
  group->SetEnabled(false);
  EXPECT_EQ(button->UserClick(), InputResult::Unavailable) << "parent disabled";
  group->SetEnabled(true);
  group->Hide();
  EXPECT_EQ(button->UserClick(), InputResult::Unavailable) << "parent hidden";
  group->Show();
  EXPECT_EQ(button->UserClick(), InputResult::Done);
  button->Click();  // the program may click anything
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(button->UserSelect(0), InputResult::NotSupported);
  auto* edit = form.Add<TEdit>("txt");
  edit->SetReadOnly(true);
  EXPECT_EQ(edit->UserSetText("x"), InputResult::ReadOnly);
}

TEST(Controls, AutoSizedLabelFitsItsCaption) {
  TForm form("frmTest");
  form.SetFontHeight(-12);
  auto* label = form.Add<TLabel>("lbl");
  label->SetCaption("ab\xE3\x81");  // two single-byte characters and one double-byte one
  EXPECT_EQ(label->Width(), 6 + 6 + 12);
  EXPECT_EQ(label->Height(), 12);
  label->SetCaption("a\r\nabc");
  EXPECT_EQ(label->Width(), 18);
  EXPECT_EQ(label->Height(), 24);
  form.SetFontHeight(-16);  // inherited font
  EXPECT_EQ(label->Width(), 24);
  label->SetAutoSize(false);
  label->SetCaption("much longer text");
  EXPECT_EQ(label->Width(), 24);
  label->SetWordWrap(true);
  label->SetAutoSize(true);
  EXPECT_EQ(label->Width(), 24) << "a wrapping label keeps its width";
  EXPECT_EQ(label->Height(), 16 * 6);
}

TEST(Controls, AlignedChildrenShareTheClientArea) {
  TForm form("frmTest");
  form.SetBorderStyle(bsNone);
  auto* tool = form.Add<TToolBar>("tb");
  auto* status = form.Add<TStatusBar>("sb");
  auto* list = form.Add<TListView>("lv");
  tool->SetHeight(29);
  status->SetHeight(19);
  tool->SetAlign(alTop);
  status->SetAlign(alBottom);
  list->SetAlign(alClient);
  form.SetClientSize(600, 200);
  EXPECT_EQ(tool->BoundsRect(), (TRect{0, 0, 600, 29}));
  EXPECT_EQ(status->BoundsRect(), (TRect{0, 181, 600, 200}));
  EXPECT_EQ(list->BoundsRect(), (TRect{0, 29, 600, 181}));
  tool->Hide();
  EXPECT_EQ(list->BoundsRect(), (TRect{0, 0, 600, 181}));
}

TEST(Controls, TabOrderMovesAControlAmongItsSiblings) {
  TForm form("frmTest");
  auto* a = form.Add<TButton>("a");
  auto* label = form.Add<TLabel>("lbl");
  auto* b = form.Add<TButton>("b");
  auto* c = form.Add<TEdit>("c");
  EXPECT_EQ(label->TabOrder(), -1);
  c->SetTabOrder(0);
  EXPECT_EQ((std::vector<int>{a->TabOrder(), b->TabOrder(), c->TabOrder()}),
            (std::vector<int>{1, 2, 0}));
  a->SetTabOrder(99);
  EXPECT_EQ(a->TabOrder(), 2);
}

TEST(Controls, OnlyTheActivePageIsShowing) {
  TForm form("frmTest");
  auto* pages = form.Add<TPageControl>("Page");
  auto* first = pages->Add<TTabSheet>("First");
  auto* second = pages->Add<TTabSheet>("Second");
  auto* onSecond = second->Add<TButton>("btn");
  int changes = 0;
  pages->OnChange = [&] { ++changes; };
  form.Show();
  EXPECT_EQ(pages->ActivePage(), first);
  EXPECT_FALSE(onSecond->Showing());
  EXPECT_EQ(pages->UserSelect(1), InputResult::Done);
  EXPECT_TRUE(onSecond->Showing());
  EXPECT_FALSE(first->Showing());
  EXPECT_EQ(pages->UserSelect(2), InputResult::BadIndex);
  EXPECT_EQ(changes, 1);
}

TEST(Controls, ListsKeepSelectionInRange) {
  TForm form("frmTest");
  auto* box = form.Add<TListBox>("lb");
  box->SetItems({"a", "b", "c"});
  box->SetItemIndex(2);
  box->DeleteItem(0);
  EXPECT_EQ(box->ItemIndex(), 1) << "the same item stays selected";
  box->DeleteItem(1);
  EXPECT_EQ(box->ItemIndex(), -1);
  box->SetItemIndex(5);
  EXPECT_EQ(box->ItemIndex(), -1);
  auto* group = form.Add<TRadioGroup>("rg");
  group->SetItems({"x", "y"});
  int clicks = 0;
  group->OnClick = [&] { ++clicks; };
  group->SetItemIndex(1);
  group->SetItemIndex(1);
  group->SetItemIndex(-7);
  EXPECT_EQ(group->ItemIndex(), -1);
  EXPECT_EQ(clicks, 2);
  auto* bar = form.Add<TProgressBar>("pb");
  bar->SetPosition(150);
  EXPECT_EQ(bar->Position(), 100) << "read back as the bar shows it";
}

TEST(ListView, RowsCarryTextStateAndData) {
  TForm form("frmTest");
  auto* view = form.Add<TListView>("lv");
  view->SetViewStyle(vsReport);
  view->SetCheckboxes(true);
  view->AddColumn("ID", 50);
  std::vector<std::string> changes;
  view->OnChange = [&](TListItem* row, TItemChange change) {
    changes.push_back(std::to_string(row->Index()) + (change == ctText ? "t" : "s"));
  };
  int payload = 7;
  TListItem* first = view->AddItem();
  TListItem* second = view->AddItem();
  first->SetCaption("one");
  first->SetSubItem(2, "x");
  EXPECT_EQ(first->SubItems(), (std::vector<std::string>{"", "", "x"}));
  second->SetData(&payload);
  first->SetSelected(true);
  second->SetSelected(true);  // single selection: the first row loses it
  EXPECT_EQ(view->Selected(), second);
  EXPECT_FALSE(first->Selected());
  second->SetChecked(true);
  EXPECT_EQ(changes, (std::vector<std::string>{"0t", "0t", "0s", "0s", "1s", "1s"}));
  EXPECT_EQ(*static_cast<int*>(view->Item(1)->Data()), 7);
  view->DeleteItem(first);
  EXPECT_EQ(second->Index(), 0);
  EXPECT_EQ(view->Count(), 1);
  form.Show();
  EXPECT_EQ(view->UserSetChecked(false, 0), InputResult::Done);
  EXPECT_FALSE(second->Checked());
  EXPECT_EQ(view->UserSelect(3), InputResult::BadIndex);
}

TEST(ListView, BatchUpdateReportsOneReset) {
  TForm form("frmTest");
  auto* view = form.Add<TListView>("lv");
  Recorder recorder;
  view->BeginUpdate();
  view->AddItem()->SetCaption("a");
  view->AddItem()->SetCaption("b");
  EXPECT_TRUE(recorder.events.empty());
  view->EndUpdate();
  EXPECT_EQ(recorder.events, std::vector<std::string>{Event("lv", Property::Items)});
}

// A control that paints a band and a caption, as a program's custom control does.
class Banner : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override {
    Canvas().Brush.Color = clBlue;
    Canvas().FillRect({0, 0, Width(), Height() / 2});
    Canvas().TextOut(4, 2, "Hi");
  }
};

TEST(Canvas, PaintIsRecordedAsData) {
  TForm form("frmTest");
  form.SetFontColor(clWhite);
  auto* banner = form.Add<Banner>("banner");
  banner->SetBounds(0, 0, 100, 40);
  const auto& ops = banner->Repaint();
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0].kind, DrawOp::FillRect);
  EXPECT_EQ(ops[0].rect, (TRect{0, 0, 100, 20}));
  EXPECT_EQ(ops[0].color, clBlue);
  EXPECT_EQ(ops[1].text, "Hi");
  EXPECT_EQ(ops[1].color, clWhite) << "the canvas has the control's font";
  EXPECT_EQ(banner->Repaint().size(), 2u) << "each paint starts afresh";
}

}  // namespace
}  // namespace forms
