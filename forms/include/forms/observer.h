#pragma once
// How renderers follow the forms: one observer interface, told of every change on the UI thread,
// and the screen, which knows the live forms, their order on screen and the observers.
#include <string_view>
#include <vector>

namespace forms {

class TControl;
class TForm;

// The property of a control that changed.
enum class Property {
  Caption,  // caption or text
  Bounds,   // left, top, width or height
  Visible,
  Enabled,
  Checked,
  ReadOnly,
  Font,  // the font in effect, also when inherited from the parent
  Color,
  Appearance,  // word wrap, auto size, alignment, scroll bars, transparency, border, style
  TabOrder,
  Items,         // lines of a list, rows of a list view, panels, columns
  Selection,     // selected item, row or page
  Position,      // a progress bar's position or range
  Paint,         // a custom-painted control asks to be painted again
  Focus,         // the form's focused control
  CloseCommand,  // the Close command of a form's system menu
};

// What happened to an item of a list (a line, a row, a panel) when Property::Items changed.
enum class ItemAction { None, Added, Removed, Changed, Reset };

struct Change {
  Property property;
  ItemAction action = ItemAction::None;
  int index = -1;  // the item, for Added, Removed and Changed
};

class Observer {
 public:
  virtual ~Observer() = default;
  virtual void FormShown(TForm&) {}
  virtual void FormHidden(TForm&) {}
  virtual void FormDestroying(TForm&) {}
  virtual void ControlAdded(TControl&) {}
  virtual void ControlChanged(TControl&, const Change&) {}
};

// The live forms, in creation order and in screen order, and the observers. UI thread only.
class TScreen {
 public:
  const std::vector<TForm*>& Forms() const { return forms_; }
  // Visible forms from back to front; the last one is the active form.
  const std::vector<TForm*>& ZOrder() const { return zorder_; }
  TForm* ActiveForm() const { return zorder_.empty() ? nullptr : zorder_.back(); }
  // A form by name, without regard to letter case; nullptr when there is none.
  TForm* FindForm(std::string_view name) const;

  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetSize(int width, int height);

  void AddObserver(Observer* observer);
  void RemoveObserver(Observer* observer);

  // Called by the forms themselves.
  void Register(TForm* form);
  void Unregister(TForm* form);
  void BringToFront(TForm* form);
  void RemoveFromZOrder(TForm* form);
  template <class F>
  void Notify(F&& f) {
    for (Observer* o : std::vector<Observer*>(observers_)) f(*o);
  }

 private:
  std::vector<TForm*> forms_;
  std::vector<TForm*> zorder_;
  std::vector<Observer*> observers_;
  int width_ = 1024;
  int height_ = 768;
};

TScreen& Screen();

}  // namespace forms
