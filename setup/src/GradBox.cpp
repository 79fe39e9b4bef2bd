#include "setup/GradBox.h"

#include <algorithm>
#include <cmath>

namespace setup {

namespace {

// Rounds to the nearest integer, halves to the even neighbour.
int RoundEven(double value) { return static_cast<int>(std::nearbyint(value)); }

// One channel of band i of `steps`: the start value moved i steps towards the end value.
unsigned Channel(unsigned from, unsigned to, int steps, int i) {
  const double step = (static_cast<double>(to) - static_cast<double>(from)) / steps;
  return static_cast<unsigned>(static_cast<int>(from) + RoundEven(step * i));
}

}  // namespace

TGradBox::TGradBox(forms::TControl* parent, std::string name)
    : forms::TGraphicControl(parent, std::move(name)) {
  SetBounds(Left(), Top(), 128, 128);
}

void TGradBox::PropertyChanged() {
  Invalidate();
  if (OnChange) OnChange();
}

void TGradBox::SetStartColor(forms::TColor color) {
  startColor_ = color;
  PropertyChanged();
}

void TGradBox::SetEndColor(forms::TColor color) {
  endColor_ = color;
  PropertyChanged();
}

void TGradBox::SetGradStep(std::uint8_t step) {
  gradStep_ = step;
  PropertyChanged();
}

void TGradBox::SetDirection(TGradDirection direction) {
  if (direction == direction_) return;
  direction_ = direction;
  PropertyChanged();
}

// Bands of equal size from the near edge; the last band has the end colour and may reach past
// the far edge, where the canvas clips it. A far edge not reached is filled with the end colour.
void TGradBox::Paint() {
  forms::TCanvas& canvas = Canvas();
  const forms::TColor c1 = canvas.NearestColor(startColor_);
  const forms::TColor c2 = canvas.NearestColor(endColor_);
  const bool vertical = direction_ == gdVertical;
  const int length = vertical ? Height() : Width();
  const int steps = gradStep_ + 1;
  const int band = std::max(1, RoundEven(static_cast<double>(length) / steps));
  auto fill = [&](int from, int to) {
    canvas.FillRect(vertical ? forms::TRect{0, from, Width(), to}
                             : forms::TRect{from, 0, to, Height()});
  };
  int position = 0;
  for (int i = 0; i <= steps; ++i) {
    canvas.Brush.Color = forms::RGB(Channel(forms::GetRValue(c1), forms::GetRValue(c2), steps, i),
                                    Channel(forms::GetGValue(c1), forms::GetGValue(c2), steps, i),
                                    Channel(forms::GetBValue(c1), forms::GetBValue(c2), steps, i));
    fill(position, position + band);
    position += band;
  }
  if (position < length) fill(position, length);
}

}  // namespace setup
