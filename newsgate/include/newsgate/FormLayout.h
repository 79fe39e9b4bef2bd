#pragma once
// What the proxy's windows share in building themselves: their font ("ＭＳ Ｐゴシック" with the
// Shift-JIS character set) and controls placed at their designed bounds.
#include <string>

#include "forms/control.h"
#include "forms/controls.h"
#include "forms/types.h"
#include "newsgate/Texts.h"

namespace newsgate {

inline forms::TFont UiFont(int pixels = 12) {
  forms::TFont font;
  font.Name = texts::kUiFontName;
  font.Height = -pixels;
  font.Charset = forms::SHIFTJIS_CHARSET;
  return font;
}

// A control of type T on parent at left, top, width, height, with its caption.
template <class T>
T* Place(forms::TControl* parent, std::string name, int left, int top, int width, int height,
         std::string caption = {}) {
  T* control = parent->Add<T>(std::move(name));
  control->SetBounds(left, top, width, height);
  if (!caption.empty()) control->SetCaption(std::move(caption));
  return control;
}

// A label in the box of its design: no auto size.
inline forms::TLabel* PlaceLabel(forms::TControl* parent, std::string name, int left, int top,
                                 int width, int height, std::string caption) {
  auto* label = parent->Add<forms::TLabel>(std::move(name));
  label->SetAutoSize(false);
  label->SetBounds(left, top, width, height);
  label->SetCaption(std::move(caption));
  return label;
}

}  // namespace newsgate
