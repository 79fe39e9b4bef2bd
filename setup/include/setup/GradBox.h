#pragma once
// A windowless control that fills its rectangle with bands of colour running from a start colour
// to an end colour, top to bottom or left to right.
#include <cstdint>
#include <string>

#include "forms/canvas.h"

namespace setup {

enum TGradDirection { gdHorizontal, gdVertical };

class TGradBox : public forms::TGraphicControl {
 public:
  TGradBox(forms::TControl* parent, std::string name);

  forms::TColor StartColor() const { return startColor_; }
  forms::TColor EndColor() const { return endColor_; }
  std::uint8_t GradStep() const { return gradStep_; }  // colour steps minus one
  TGradDirection Direction() const { return direction_; }

  // Each setter repaints and fires OnChange, also for an unchanged value; Direction only when
  // it changes.
  void SetStartColor(forms::TColor color);
  void SetEndColor(forms::TColor color);
  void SetGradStep(std::uint8_t step);
  void SetDirection(TGradDirection direction);

  forms::TNotifyEvent OnChange;

 protected:
  void Paint() override;

 private:
  void PropertyChanged();

  forms::TColor startColor_ = forms::clWhite;
  forms::TColor endColor_ = forms::clBlack;
  std::uint8_t gradStep_ = 128;
  TGradDirection direction_ = gdVertical;
};

}  // namespace setup
