#pragma once
// Custom painting: a canvas that records what is drawn on it as plain data, and the windowless
// control whose Paint draws on it.
#include <string>
#include <vector>

#include "forms/control.h"

namespace forms {

// One drawing operation, in the control's own coordinates. Operations are kept as given;
// whatever lies outside the control is clipped by the renderer.
struct DrawOp {
  enum Kind { FillRect, TextOut };
  Kind kind;
  TRect rect;        // FillRect: the rectangle
  TColor color = 0;  // FillRect: the brush colour; TextOut: the font colour
  TPoint at;         // TextOut: top left of the text
  std::string text;  // TextOut: ANSI bytes
  TFont font;        // TextOut: the font
  bool operator==(const DrawOp&) const = default;
};

class TCanvas {
 public:
  struct TBrush {
    TColor Color = clWhite;
  };
  TBrush Brush;
  TFont Font;

  void FillRect(const TRect& rect);
  void TextOut(int x, int y, const std::string& text);
  // The colour the device shows for `color`: the emulated display shows every colour.
  TColor NearestColor(TColor color) const { return ColorToRGB(color); }

  const std::vector<DrawOp>& Ops() const { return ops_; }
  void Clear() { ops_.clear(); }

 private:
  std::vector<DrawOp> ops_;
};

// A windowless control that paints itself: Paint (by default firing OnPaint) draws on Canvas().
class TGraphicControl : public TControl {
 public:
  using TControl::TControl;
  ControlKind Kind() const override { return ControlKind::PaintBox; }
  TCanvas& Canvas() { return canvas_; }
  // Asks the renderers to paint the control again (Property::Paint).
  void Invalidate() { Changed({Property::Paint}); }
  // Paints now: clears the canvas, gives it the control's font, runs Paint, returns the record.
  const std::vector<DrawOp>& Repaint();
  TNotifyEvent OnPaint;

 protected:
  virtual void Paint();
  bool TakesFocus() const override { return false; }
  void Resized() override { Invalidate(); }

 private:
  TCanvas canvas_;
};

using TPaintBox = TGraphicControl;

}  // namespace forms
