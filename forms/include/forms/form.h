#pragma once
// A form: a top-level window with its controls, shown, shown modally, activated and closed.
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "forms/control.h"

namespace forms {

class Application;
class TMainMenu;

class TForm : public TControl {
 public:
  explicit TForm(std::string name);
  ~TForm() override;
  ControlKind Kind() const override { return ControlKind::Form; }

  // Width and Height are the outer size; the client area lies inside the frame (3 pixels on each
  // side and a 19-pixel caption for every border style but bsNone, and 19 pixels more with a menu).
  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetClientSize(int width, int height);
  void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
  void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons) { Assign(borderIcons_, icons, Property::Appearance); }
  // Where the first Show places the form (poScreenCenter, poMainFormCenter; others keep it).
  TPosition Position() const { return position_; }
  void SetPosition(TPosition position) { position_ = position; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState state);
  // The first TMainMenu added to the form is its menu bar.
  TMainMenu* Menu() const { return menu_; }

  // The Close command of the system menu (and the close box): when disabled the user cannot
  // close the form; the program and the system still can.
  bool CloseCommandEnabled() const { return closeCommand_; }
  void SetCloseCommandEnabled(bool enabled) {
    Assign(closeCommand_, enabled, Property::CloseCommand);
  }

  TControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TControl* control);

  // Show and Hide: the form becomes visible and active, or hidden, and the form behind it
  // becomes active. The first Show places the form and fires OnResize once.
  void SetVisible(bool visible) override;
  bool Active() const;
  // Shows the form modally through the Application and returns its modal result.
  TModalResult ShowModal();
  bool Modal() const { return modal_; }
  TModalResult ModalResult() const { return modalResult_; }
  // A modal form's loop ends (after OnCloseQuery and OnClose) once this is not mrNone.
  void SetModalResult(TModalResult result) { modalResult_ = result; }
  // A modal form: modal result mrCancel. Otherwise OnCloseQuery, OnClose, then hidden; closing
  // the main form terminates the application.
  void Close();
  bool CloseQuery();  // asks OnCloseQuery

  // True while a modal form is up that was shown when this form was already visible: the
  // form's controls then take no user input.
  bool BlockedByModal() const { return blocked_ > 0; }

  // The user's close box or the Close command: refused (Unavailable) while that is disabled.
  InputResult UserClose();

  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnResize;
  std::function<void(bool& canClose)> OnCloseQuery;
  std::function<void(TCloseAction& action)> OnClose;

  // Run by CreateForm and by FormDeleter.
  void DoCreate();
  void DoDestroy();

 protected:
  bool TakesFocus() const override { return false; }
  void Resized() override;
  void ChildAdded(TControl& child) override;

 private:
  friend class Application;
  void PlaceOnScreen();
  void Activate();
  TCloseAction DoClose(TCloseAction action);
  bool CloseModal();  // OnCloseQuery and OnClose of a modal loop; false when refused
  int FrameWidth() const;
  int FrameHeight() const;

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  TMainMenu* menu_ = nullptr;
  bool closeCommand_ = true;
  TControl* activeControl_ = nullptr;
  bool shownBefore_ = false;
  bool modal_ = false;
  TModalResult modalResult_ = mrNone;
  int blocked_ = 0;
};

struct FormDeleter {
  void operator()(TForm* form) const {
    form->DoDestroy();
    delete form;
  }
};
template <class T>
using FormPtr = std::unique_ptr<T, FormDeleter>;

// Constructs a form, then fires its OnCreate (which the constructor may have set). The FormPtr
// fires OnDestroy before the form goes.
template <class T, class... Args>
FormPtr<T> CreateForm(Args&&... args) {
  FormPtr<T> form(new T(std::forward<Args>(args)...));
  form->DoCreate();
  return form;
}

}  // namespace forms
