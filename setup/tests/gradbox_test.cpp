// The gradient control's bands and property events, and the background window's version text.
#include "setup/GradBox.h"

#include <gtest/gtest.h>

#include "forms/form.h"
#include "setup/Back.h"

namespace setup {
namespace {

using forms::DrawOp;
using forms::RGB;
using forms::TRect;

struct Painted {
  forms::TForm form{"frmTest"};
  TGradBox* box = form.Add<TGradBox>("GradBox");
  Painted(int width, int height, std::uint8_t step, TGradDirection direction) {
    box->SetBounds(0, 0, width, height);
    box->SetStartColor(forms::clBlue);
    box->SetEndColor(forms::clBlack);
    box->SetGradStep(step);
    box->SetDirection(direction);
  }
  const std::vector<DrawOp>& Ops() { return box->Repaint(); }
};

TEST(GradBoxTest, StartsWhiteToBlackIn129StepsTopToBottomOn128Pixels) {
  forms::TForm form("frmTest");
  const TGradBox* box = form.Add<TGradBox>("GradBox");
  EXPECT_EQ(box->StartColor(), forms::clWhite);
  EXPECT_EQ(box->EndColor(), forms::clBlack);
  EXPECT_EQ(box->GradStep(), 128);
  EXPECT_EQ(box->Direction(), gdVertical);
  EXPECT_EQ(box->Width(), 128);
  EXPECT_EQ(box->Height(), 128);
}

TEST(GradBoxTest, VerticalBandsOfThreePixelsRunPastTheBottomOrLeaveARestOfTheEndColour) {
  struct Case {
    int height;
    std::size_t fills;     // 130 bands, plus the rest when they stop short
    TRect lastBand, last;  // band 129 and the last fill
  } cases[] = {
      {348, 130, {0, 387, 640, 390}, {0, 387, 640, 390}},
      {392, 131, {0, 387, 640, 390}, {0, 390, 640, 392}},
  };
  for (const Case& c : cases) {
    Painted p(640, c.height, 128, gdVertical);
    const auto& ops = p.Ops();
    ASSERT_EQ(ops.size(), c.fills) << c.height;
    for (std::size_t i = 0; i < 130; ++i) {
      ASSERT_EQ(ops[i].kind, DrawOp::FillRect);
      ASSERT_EQ(ops[i].rect, (TRect{0, int(3 * i), 640, int(3 * i + 3)})) << i;
    }
    EXPECT_EQ(ops[129].rect, c.lastBand);
    EXPECT_EQ(ops.back().rect, c.last);
    EXPECT_EQ(ops.front().color, forms::clBlue);
    EXPECT_EQ(ops[129].color, forms::clBlack);
    EXPECT_EQ(ops.back().color, forms::clBlack);
    // Blue 255 to 0 in 129 steps: band 1 is 255 - round(1.977) = 253, band 64 is
    // 255 - round(126.51) = 128, band 128 is 255 - round(253.02) = 2.
    EXPECT_EQ(ops[1].color, RGB(0, 0, 253));
    EXPECT_EQ(ops[64].color, RGB(0, 0, 128));
    EXPECT_EQ(ops[128].color, RGB(0, 0, 2));
  }
}

TEST(GradBoxTest, ABandRoundedToNothingIsOnePixelAndTheColourGoesOnlyPartWay) {
  Painted p(50, 100, 255, gdVertical);
  const auto& ops = p.Ops();
  ASSERT_EQ(ops.size(), 257u) << "every band drawn, none short of the edge";
  EXPECT_EQ(ops[0].rect, (TRect{0, 0, 50, 1}));
  EXPECT_EQ(ops[99].rect, (TRect{0, 99, 50, 100}));
  EXPECT_EQ(ops[99].color, RGB(0, 0, 255 - 99)) << "255 / 256 * 99 rounds to 99";
  EXPECT_EQ(ops[256].color, forms::clBlack);
}

TEST(GradBoxTest, HorizontalBandsRunLeftToRightAndChannelsMoveApart) {
  Painted p(10, 30, 1, gdHorizontal);
  p.box->SetStartColor(RGB(10, 200, 0));
  p.box->SetEndColor(RGB(250, 0, 101));
  const auto& ops = p.Ops();
  // Two steps: the band is 10 / 2 = 5; the third band lies past the right edge.
  ASSERT_EQ(ops.size(), 3u);
  EXPECT_EQ(ops[0].rect, (TRect{0, 0, 5, 30}));
  EXPECT_EQ(ops[1].rect, (TRect{5, 0, 10, 30}));
  EXPECT_EQ(ops[2].rect, (TRect{10, 0, 15, 30}));
  EXPECT_EQ(ops[0].color, RGB(10, 200, 0));
  EXPECT_EQ(ops[1].color, RGB(130, 100, 50)) << "halves round to even: 50.5 gives 50";
  EXPECT_EQ(ops[2].color, RGB(250, 0, 101));
}

TEST(GradBoxTest, BandSizesRoundHalvesToEven) {
  // 6 steps: 15 / 6 = 2.5 gives 2, 21 / 6 = 3.5 gives 4.
  for (auto [height, band] : {std::pair{15, 2}, {21, 4}}) {
    Painted p(8, height, 5, gdVertical);
    EXPECT_EQ(p.Ops()[1].rect, (TRect{0, band, 8, 2 * band})) << height;
  }
}

TEST(GradBoxTest, SettersRepaintAndFireOnChangeExceptForAnUnchangedDirection) {
  forms::TForm form("frmTest");
  TGradBox* box = form.Add<TGradBox>("GradBox");
  int changes = 0;
  box->OnChange = [&] { ++changes; };
  box->SetStartColor(box->StartColor());
  box->SetEndColor(forms::clRed);
  box->SetGradStep(box->GradStep());
  EXPECT_EQ(changes, 3) << "colours and steps fire also when unchanged";
  box->SetDirection(gdVertical);
  EXPECT_EQ(changes, 3) << "the same direction changes nothing";
  box->SetDirection(gdHorizontal);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(box->Direction(), gdHorizontal);
}

TEST(VersionTest, SplitsUpToThreeDotsAndFormatsMinorAndReleaseTogether) {
  struct Case {
    const char* version;
    VersionNumbers numbers;
    const char* text;
  } cases[] = {
      {"2.3.4.2563", {2, 3, 4, 2563}, "2.34(Build:2563)"},
      {"1.0", {1, 0, 0, 0}, "1.00(Build:0000)"},
      {"0.1.0", {0, 1, 0, 0}, "0.10(Build:0000)"},
      {"3.0.5.7", {3, 0, 5, 7}, "3.05(Build:0007)"},
      {"1.12.3.45678", {1, 12, 3, 45678}, "1.123(Build:45678)"},
      {"7", {0, 0, 0, 7}, "0.00(Build:0007)"},
      {"", {0, 0, 0, 0}, "0.00(Build:0000)"},
      {"x.y", {0, 0, 0, 0}, "0.00(Build:0000)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitVersion(c.version), c.numbers) << c.version;
    EXPECT_EQ(VersionText(c.numbers), c.text) << c.version;
  }
}

}  // namespace
}  // namespace setup
