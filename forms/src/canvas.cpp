#include "forms/canvas.h"

namespace forms {

void TCanvas::FillRect(const TRect& rect) {
  ops_.push_back({DrawOp::FillRect, rect, Brush.Color, {}, {}, {}});
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  ops_.push_back({DrawOp::TextOut, {}, Font.Color, {x, y}, text, Font});
}

const std::vector<DrawOp>& TGraphicControl::Repaint() {
  canvas_.Clear();
  canvas_.Font = Font();
  Paint();
  return canvas_.Ops();
}

void TGraphicControl::Paint() {
  if (OnPaint) OnPaint();
}

}  // namespace forms
