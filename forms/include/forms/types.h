#pragma once
// Value types of the forms layer: colours, fonts, rectangles and the enumerations of control
// properties, with the values the programs know them by.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace forms {

// A colour as 0x00BBGGRR, or a system colour (high byte 0xFF, low byte the system colour index).
using TColor = std::uint32_t;

constexpr TColor RGB(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}
constexpr unsigned GetRValue(TColor c) { return c & 0xFF; }
constexpr unsigned GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr unsigned GetBValue(TColor c) { return (c >> 16) & 0xFF; }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clWindow = 0xFF000005;

// The red, green and blue value of a colour; system colours take the classic scheme's values.
TColor ColorToRGB(TColor color);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;  // a set of TFontStyle bits

constexpr int DEFAULT_CHARSET = 1;
constexpr int SHIFTJIS_CHARSET = 128;

struct TFont {
  std::string Name = "MS Sans Serif";  // ANSI bytes, like every text of the programs
  int Height = -11;  // negative: character height in pixels; positive: cell height
  TFontStyles Style = 0;
  TColor Color = clWindowText;
  int Charset = DEFAULT_CHARSET;
  bool operator==(const TFont&) const = default;
};

struct TPoint {
  int x = 0, y = 0;
  bool operator==(const TPoint&) const = default;
};

// Left, top, right and bottom; right and bottom lie just outside the rectangle, as in Win32.
struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool operator==(const TRect&) const = default;
};

struct TSize {
  int cx = 0, cy = 0;
  bool operator==(const TSize&) const = default;
};

// The extent of text in a font on the emulated display: a single-byte character is half the
// character height wide (rounded up), a double-byte character the full height; a line is the
// character height high. Line breaks (CR LF, CR or LF) start new lines; the widest line counts.
TSize TextExtent(const TFont& font, std::string_view ansi);
// The height of text broken into lines no wider than `width` (at characters, a character at
// least on every line), with the same measures.
int WrappedTextHeight(const TFont& font, std::string_view ansi, int width);

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poMainFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemChange { ctText, ctImage, ctState };

// Modal results; the values are those of the message box buttons.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

using TNotifyEvent = std::function<void()>;

}  // namespace forms
