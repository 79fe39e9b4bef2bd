#include "forms/control.h"

#include <algorithm>

#include "forms/form.h"
#include "names.h"

namespace forms {

TControl::TControl(TControl* parent, std::string name) : parent_(parent), name_(std::move(name)) {}

TControl::~TControl() = default;

void TControl::Adopt(std::unique_ptr<TControl> child) {
  TControl& added = *child;
  if (added.TakesFocus()) tabList_.push_back(&added);
  children_.push_back(std::move(child));
  ChildAdded(added);
  Screen().Notify([&](Observer& o) { o.ControlAdded(added); });
}

TForm* TControl::ParentForm() {
  TControl* c = this;
  while (c->parent_) c = c->parent_;
  return c->Kind() == ControlKind::Form ? static_cast<TForm*>(c) : nullptr;
}

const TForm* TControl::ParentForm() const { return const_cast<TControl*>(this)->ParentForm(); }

TControl* TControl::FindControl(std::string_view name) {
  for (auto& child : children_) {
    if (SameName(child->name_, name)) return child.get();
    if (TControl* found = child->FindControl(name)) return found;
  }
  return nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  PlaceAt(left, top, width, height);
  if (align_ != alNone && parent_) parent_->Realign();
}

void TControl::PlaceAt(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed({Property::Bounds});
  if (resized) {
    Realign();
    Resized();
  }
}

void TControl::SetAlign(TAlign align) {
  if (Assign(align_, align, Property::Appearance) && parent_) parent_->Realign();
}

// Aligned children take their place in creation order: top, bottom, left and right edges first,
// then the client area gets what is left.
void TControl::Realign() {
  if (aligning_) return;
  aligning_ = true;
  TRect r{0, 0, ClientWidth(), ClientHeight()};
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (auto& child : children_) {
      TControl& c = *child;
      if (c.align_ != align || !c.visible_) continue;
      switch (align) {
        case alTop:
          c.PlaceAt(r.Left, r.Top, r.Width(), c.height_);
          r.Top += c.height_;
          break;
        case alBottom:
          c.PlaceAt(r.Left, r.Bottom - c.height_, r.Width(), c.height_);
          r.Bottom -= c.height_;
          break;
        case alLeft:
          c.PlaceAt(r.Left, r.Top, c.width_, r.Height());
          r.Left += c.width_;
          break;
        case alRight:
          c.PlaceAt(r.Right - c.width_, r.Top, c.width_, r.Height());
          r.Right -= c.width_;
          break;
        default:
          c.PlaceAt(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
      }
    }
  }
  aligning_ = false;
}

void TControl::SetVisible(bool visible) {
  if (Assign(visible_, visible, Property::Visible) && align_ != alNone && parent_)
    parent_->Realign();
}

void TControl::SetEnabled(bool enabled) { Assign(enabled_, enabled, Property::Enabled); }

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
    if (c->parent_ && !c->parent_->ChildShowing(*c)) return false;
  }
  return true;
}

bool TControl::AcceptsInput() const {
  if (!Showing()) return false;
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->enabled_) return false;
  const TForm* form = ParentForm();
  return form && !form->BlockedByModal();
}

void TControl::SetCaption(std::string caption) {
  if (Assign(text_, std::move(caption), Property::Caption)) CaptionChanged();
}

const TFont& TControl::Font() const {
  static const TFont defaultFont;
  if (ownFont_) return *ownFont_;
  return parent_ ? parent_->Font() : defaultFont;
}

void TControl::SetFont(const TFont& font) {
  const bool changed = Font() != font;
  ownFont_ = font;
  if (changed) ParentFontChanged();
}

void TControl::SetFontName(std::string name) {
  TFont font = Font();
  font.Name = std::move(name);
  SetFont(font);
}

void TControl::SetFontHeight(int height) {
  TFont font = Font();
  font.Height = height;
  SetFont(font);
}

void TControl::SetFontStyle(TFontStyles style) {
  TFont font = Font();
  font.Style = style;
  SetFont(font);
}

void TControl::SetFontColor(TColor color) {
  TFont font = Font();
  font.Color = color;
  SetFont(font);
}

void TControl::SetParentFont(bool parentFont) {
  if (!parentFont) {
    if (!ownFont_) ownFont_ = Font();
    return;
  }
  if (!ownFont_) return;
  const TFont old = *ownFont_;
  ownFont_.reset();
  if (Font() != old) ParentFontChanged();
}

// The font in effect changed: tell the observers, this control and the children that inherit it.
void TControl::ParentFontChanged() {
  Changed({Property::Font});
  FontChanged();
  for (auto& child : children_)
    if (!child->ownFont_) child->ParentFontChanged();
}

void TControl::SetColor(TColor color) { Assign(color_, color, Property::Color); }

int TControl::TabOrder() const {
  if (!parent_) return -1;
  const auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TControl::SetTabOrder(int order) {
  const int current = TabOrder();
  if (current < 0) return;
  auto& list = parent_->tabList_;
  list.erase(list.begin() + current);
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
  if (order != current) Changed({Property::TabOrder});
}

void TControl::SetFocus() {
  if (TForm* form = ParentForm()) form->SetActiveControl(this);
}

bool TControl::Focused() const {
  const TForm* form = ParentForm();
  return form && form->ActiveControl() == this;
}

void TControl::Click() {
  if (OnClick) OnClick();
}

InputResult TControl::UserClick() {
  return AcceptsInput() ? ClickByUser() : InputResult::Unavailable;
}

InputResult TControl::UserSetChecked(bool checked, int item) {
  return AcceptsInput() ? CheckByUser(checked, item) : InputResult::Unavailable;
}

InputResult TControl::UserSetText(std::string text) {
  return AcceptsInput() ? TextByUser(std::move(text)) : InputResult::Unavailable;
}

InputResult TControl::UserSelect(int index) {
  return AcceptsInput() ? SelectByUser(index) : InputResult::Unavailable;
}

void TControl::Changed(const Change& change) {
  Screen().Notify([&](Observer& o) { o.ControlChanged(*this, change); });
}

}  // namespace forms
