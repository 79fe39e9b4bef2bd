#pragma once
// The base of every control and form: a named node of a form's control tree whose properties are
// plain data. Every setter that changes a value tells the observers (forms/observer.h).
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forms/observer.h"
#include "forms/types.h"

namespace forms {

class TForm;

enum class ControlKind {
  Form,
  Label,
  Button,
  CheckBox,
  RadioButton,
  RadioGroup,
  GroupBox,
  Edit,
  Memo,
  ListBox,
  ListView,
  PageControl,
  TabSheet,
  ProgressBar,
  MainMenu,
  MenuItem,
  StatusBar,
  ToolBar,
  ToolButton,
  PaintBox,
};

// The outcome of a user action passed to a control (UserClick and its kin).
enum class InputResult {
  Done,
  Unavailable,   // the control is hidden or disabled, here, in a parent or by a modal form
  NotSupported,  // this kind of control does not take the action
  BadIndex,      // no item, row or page with that index
  ReadOnly,
};

class TControl {
 public:
  // Controls are made by their parent's Add, which owns them; forms have no parent.
  TControl(TControl* parent, std::string name);
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  virtual ControlKind Kind() const = 0;

  // Creates a child control of type T named `name`, owned by this control.
  template <class T, class... Args>
  T* Add(std::string name, Args&&... args) {
    auto child = std::make_unique<T>(this, std::move(name), std::forward<Args>(args)...);
    T* raw = child.get();
    Adopt(std::move(child));
    return raw;
  }

  const std::string& Name() const { return name_; }
  TControl* Parent() const { return parent_; }
  TForm* ParentForm();  // the form this control is on (itself for a form)
  const TForm* ParentForm() const;
  const std::vector<std::unique_ptr<TControl>>& Controls() const { return children_; }
  // A control of this tree by name, without regard to letter case; nullptr when there is none.
  TControl* FindControl(std::string_view name);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Visible here and in every parent, on a shown form, and on the active page of a page control.
  bool Showing() const;
  // Showing, enabled here and in every parent, on a form that no modal form blocks.
  bool AcceptsInput() const;

  // Caption and text are one value, as in Win32's window text.
  const std::string& Caption() const { return text_; }
  void SetCaption(std::string caption);
  const std::string& Text() const { return text_; }
  void SetText(std::string text) { SetCaption(std::move(text)); }

  // The font in effect: the control's own, or its parent's while ParentFont is on.
  const TFont& Font() const;
  void SetFont(const TFont& font);  // also switches ParentFont off
  void SetFontName(std::string name);
  void SetFontHeight(int height);
  void SetFontStyle(TFontStyles style);
  void SetFontColor(TColor color);
  bool ParentFont() const { return !ownFont_; }
  void SetParentFont(bool parentFont);

  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // Position in the parent's tab order; -1 for controls that take no focus (labels, menus).
  int TabOrder() const;
  void SetTabOrder(int order);
  // Makes this the focused control of its form.
  void SetFocus();
  bool Focused() const;

  TNotifyEvent OnClick;
  virtual void Click();  // what a click does; fires OnClick

  // User actions, as a renderer passes them on: refused (Unavailable) unless AcceptsInput().
  InputResult UserClick();
  InputResult UserSetChecked(bool checked, int item = -1);  // item: a row of a list view
  InputResult UserSetText(std::string text);
  InputResult UserSelect(int index);

 protected:
  // Applies a new value; tells the observers and returns true when it differs from the old one.
  template <class T, class U>
  bool Assign(T& field, U&& value, Property property) {
    if (field == value) return false;
    field = std::forward<U>(value);
    Changed({property});
    return true;
  }
  void Changed(const Change& change);

  void StoreVisible(bool visible) { visible_ = visible; }
  virtual bool TakesFocus() const { return true; }
  virtual void ChildAdded(TControl&) {}
  virtual bool ChildShowing(const TControl&) const { return true; }
  virtual void CaptionChanged() {}
  virtual void FontChanged() {}
  virtual void Resized() {}
  void Realign();

  virtual InputResult ClickByUser() { return InputResult::NotSupported; }
  virtual InputResult CheckByUser(bool, int) { return InputResult::NotSupported; }
  virtual InputResult TextByUser(std::string) { return InputResult::NotSupported; }
  virtual InputResult SelectByUser(int) { return InputResult::NotSupported; }

  // Geometry set by alignment and by the form itself, without realigning the parent.
  void PlaceAt(int left, int top, int width, int height);

 private:
  void Adopt(std::unique_ptr<TControl> child);
  void ParentFontChanged();

  TControl* parent_;
  std::string name_;
  std::vector<std::unique_ptr<TControl>> children_;
  std::vector<TControl*> tabList_;  // children that take focus, in tab order
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = alNone;
  bool aligning_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  std::string text_;
  std::optional<TFont> ownFont_;
  TColor color_ = clBtnFace;
};

}  // namespace forms
