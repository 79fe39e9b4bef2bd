#include "forms/form.h"

#include <algorithm>

#include "forms/application.h"
#include "forms/controls.h"

namespace forms {

namespace {

constexpr int kBorder = 3;    // each side of a framed window
constexpr int kCaption = 19;  // caption bar
constexpr int kMenuBar = 19;

void Fire(const TNotifyEvent& event) {
  if (event) RunGuarded(event);
}

bool IsMainForm(const TForm* form) {
  const Application* app = CurrentApp();
  return app && app->MainForm() == form;
}

}  // namespace

TForm::TForm(std::string name) : TControl(nullptr, std::move(name)) {
  StoreVisible(false);
  Screen().Register(this);
}

TForm::~TForm() {
  if (Application* app = CurrentApp(); app && app->mainForm_ == this) app->mainForm_ = nullptr;
  Screen().Notify([&](Observer& o) { o.FormDestroying(*this); });
  Screen().Unregister(this);
}

void TForm::DoCreate() { Fire(OnCreate); }
void TForm::DoDestroy() { Fire(OnDestroy); }

int TForm::FrameWidth() const { return borderStyle_ == bsNone ? 0 : 2 * kBorder; }

int TForm::FrameHeight() const {
  return (borderStyle_ == bsNone ? 0 : 2 * kBorder + kCaption) + (menu_ ? kMenuBar : 0);
}

int TForm::ClientWidth() const { return std::max(0, Width() - FrameWidth()); }
int TForm::ClientHeight() const { return std::max(0, Height() - FrameHeight()); }

void TForm::SetClientSize(int width, int height) {
  SetBounds(Left(), Top(), width + FrameWidth(), height + FrameHeight());
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  const int width = ClientWidth(), height = ClientHeight();
  if (Assign(borderStyle_, style, Property::Appearance)) SetClientSize(width, height);
}

void TForm::ChildAdded(TControl& child) {
  if (menu_ || child.Kind() != ControlKind::MainMenu) return;
  const int width = ClientWidth(), height = ClientHeight();
  menu_ = static_cast<TMainMenu*>(&child);
  SetClientSize(width, height);
}

void TForm::SetWindowState(TWindowState state) {
  if (Assign(windowState_, state, Property::Appearance) && state == wsMaximized && Visible())
    PlaceOnScreen();
}

void TForm::SetActiveControl(TControl* control) {
  Assign(activeControl_, control, Property::Focus);
}

// A maximised window covers the screen with its frame just outside it; a centred one is centred
// on the screen or on the main form.
void TForm::PlaceOnScreen() {
  const TScreen& screen = Screen();
  if (windowState_ == wsMaximized) {
    const int border = FrameWidth() / 2;
    SetBounds(-border, -border, screen.Width() + 2 * border, screen.Height() + 2 * border);
    return;
  }
  TRect area{0, 0, screen.Width(), screen.Height()};
  const Application* app = CurrentApp();
  if (position_ == poMainFormCenter && app && app->MainForm() && app->MainForm() != this)
    area = app->MainForm()->BoundsRect();
  else if (position_ != poScreenCenter)
    return;
  SetBounds(area.Left + (area.Width() - Width()) / 2, area.Top + (area.Height() - Height()) / 2,
            Width(), Height());
}

void TForm::Resized() {
  if (shownBefore_) Fire(OnResize);
}

void TForm::SetVisible(bool visible) {
  if (visible == Visible()) {
    if (visible && !Active()) {
      Screen().BringToFront(this);
      Activate();
    }
    return;
  }
  if (visible) {
    Fire(OnShow);
    if (!shownBefore_) PlaceOnScreen();
    StoreVisible(true);
    Screen().BringToFront(this);
    Screen().Notify([&](Observer& o) { o.FormShown(*this); });
    Activate();
    if (!shownBefore_) {
      shownBefore_ = true;
      Fire(OnResize);
    }
    return;
  }
  Fire(OnHide);
  const bool wasActive = Active();
  StoreVisible(false);
  Screen().RemoveFromZOrder(this);
  Screen().Notify([&](Observer& o) { o.FormHidden(*this); });
  if (wasActive && Screen().ActiveForm()) Screen().ActiveForm()->Activate();
}

bool TForm::Active() const { return Visible() && Screen().ActiveForm() == this; }

void TForm::Activate() {
  if (Active()) Fire(OnActivate);
}

TModalResult TForm::ShowModal() { return App().ShowModal(*this); }

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(canClose);
  return canClose;
}

TCloseAction TForm::DoClose(TCloseAction action) {
  if (OnClose) OnClose(action);
  return action;
}

void TForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  const bool main = IsMainForm(this);
  if (DoClose(main ? caFree : caHide) == caNone) return;
  if (main) App().Terminate();
  Hide();
}

bool TForm::CloseModal() {
  if (CloseQuery() && DoClose(caHide) != caNone) return true;
  modalResult_ = mrNone;
  return false;
}

InputResult TForm::UserClose() {
  if (!Visible() || !Enabled() || BlockedByModal() || !closeCommand_)
    return InputResult::Unavailable;
  Close();
  return InputResult::Done;
}

}  // namespace forms
