#pragma once
// What the windows of the setup program share in their layout.
#include <string>

#include "forms/control.h"
#include "forms/types.h"

namespace setup {

// The font of every window: "ＭＳ Ｐゴシック", 12 pixels high, Shift-JIS character set.
forms::TFont WindowFont();

// A new control of the parent at left, top, width and height.
template <class T>
T* AddControl(forms::TControl* parent, std::string name, int left, int top, int width, int height) {
  T* control = parent->Add<T>(std::move(name));
  control->SetBounds(left, top, width, height);
  return control;
}

}  // namespace setup
