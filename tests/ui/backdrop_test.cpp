// The gradient, the 3-D label's style rules and drawing, and the main-object
// Tag rules, drawn by the software renderer.
#include "ui/backdrop.h"
#include "ui/forms.h"
#include "ui/headless.h"
#include "ui/software_canvas.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <set>

namespace quendel::ui {
namespace {

TBitmap32 Draw(TControl& C, int W, int H) {
  TBitmap32 bmp(W, H, 0x123456);
  TSoftwareCanvas canvas(bmp);
  C.Paint(canvas);
  return bmp;
}

std::uint32_t Rgb(TColor C) { return static_cast<std::uint32_t>(C); }

TEST(Gradient, DefaultsRunBlueToBlackInBandsOfOne256th) {
  TBackdrop b(nullptr);
  EXPECT_EQ(b.Direction(), bdUp);
  EXPECT_EQ(b.StartColor(), 0xFF0000);
  EXPECT_EQ(b.EndColor(), 0);
  EXPECT_EQ(b.Align(), alClient);
  b.SetBounds(0, 0, 3, 256);
  const TBitmap32 bmp = Draw(b, 3, 256);
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(bmp.Pixel(1, i), MakeRGB(0, 0, 255 - i)) << "band " << i;
}

TEST(Gradient, EachDirectionPutsItsColoursAtItsEdges) {
  const TColor S = 0x0000FF, E = 0x00FF00; // red start, green end
  struct Case {
    TDirection D;
    TColor TopLeft, BottomRight, Middle;
    bool Vertical;
  };
  const Case cases[] = {
      {bdUp, S, E, -1, true},       {bdDown, E, S, -1, true},    {bdLeft, S, E, -1, false},
      {bdRight, E, S, -1, false},   {bdHorzIn, S, S, E, true},   {bdHorzOut, E, E, S, true},
      {bdVertIn, S, S, E, false},   {bdVertOut, E, E, S, false},
  };
  for (const Case& c : cases) {
    TBackdrop b(nullptr);
    b.SetStartColor(S);
    b.SetEndColor(E);
    b.SetDirection(c.D);
    b.SetBounds(0, 0, 512, 512);
    const TBitmap32 bmp = Draw(b, 512, 512);
    SCOPED_TRACE(DirectionInfo.NameOf(c.D));
    EXPECT_EQ(bmp.Pixel(0, 0), Rgb(c.TopLeft));
    EXPECT_EQ(bmp.Pixel(511, 511), Rgb(c.BottomRight));
    if (c.Middle >= 0) {
      EXPECT_EQ(bmp.Pixel(256, 256), Rgb(c.Middle));
      EXPECT_EQ(bmp.Pixel(255, 255), Rgb(c.Middle));
    }
    // Bands run across the chosen axis: constant along the other one.
    if (c.Vertical)
      EXPECT_EQ(bmp.Pixel(0, 100), bmp.Pixel(511, 100));
    else
      EXPECT_EQ(bmp.Pixel(100, 0), bmp.Pixel(100, 511));
  }
}

TEST(Gradient, SymmetricFillsEveryBandOnceAndMirrors) {
  // Every band drawn in a colour never seen before: the canvas must end
  // with no pixel of the background left and a mirror-image column.
  TBackdrop b(nullptr);
  b.SetDirection(bdHorzIn);
  b.SetStartColor(0x000000);
  b.SetEndColor(0x0000FF);
  b.SetBounds(0, 0, 1, 512);
  const TBitmap32 bmp = Draw(b, 1, 512);
  for (int y = 0; y < 512; ++y) {
    ASSERT_NE(bmp.Pixel(0, y), 0x123456u) << y;
    ASSERT_EQ(bmp.Pixel(0, y), bmp.Pixel(0, 511 - y)) << y;
  }
  // An extent that 256 does not divide still leaves no gap.
  b.SetBounds(0, 0, 1, 300);
  const TBitmap32 odd = Draw(b, 1, 300);
  for (int y = 0; y < 300; ++y) ASSERT_NE(odd.Pixel(0, y), 0x123456u) << y;
  // Start and end colour equal: a plain fill.
  TBackdrop plain(nullptr);
  plain.SetStartColor(0x336699);
  plain.SetEndColor(0x336699);
  plain.SetBounds(0, 0, 20, 20);
  const TBitmap32 p = Draw(plain, 20, 20);
  std::set<std::uint32_t> colours(p.Pixels().begin(), p.Pixels().end());
  EXPECT_EQ(colours, std::set<std::uint32_t>{0x336699});
}

TEST(Gradient, SystemColoursAreResolvedFirst) {
  TBackdrop b(nullptr);
  b.SetStartColor(clBtnFace);
  b.SetEndColor(clBtnFace);
  b.SetBounds(0, 0, 4, 4);
  EXPECT_EQ(Draw(b, 4, 4).Pixel(2, 2), ClassicSysColor(15));
}

TEST(MainObjects, TagMinusOneMovesTheMainBackdropAndLabel) {
  auto first = std::make_unique<TBackdrop>(nullptr);
  auto second = std::make_unique<TBackdrop>(nullptr);
  first->SetTag(-1);
  EXPECT_EQ(MainBackdrop(), first.get());
  second->SetTag(-1);
  EXPECT_EQ(MainBackdrop(), second.get());
  EXPECT_EQ(first->Tag, 0);
  second->SetTag(5);
  EXPECT_EQ(MainBackdrop(), nullptr);
  first->SetTag(-1);
  first.reset();
  EXPECT_EQ(MainBackdrop(), nullptr);

  auto label = std::make_unique<TRotate3DLabel>(nullptr);
  auto other = std::make_unique<TRotate3DLabel>(nullptr);
  label->SetTag(-1);
  other->SetTag(-1);
  EXPECT_EQ(MainLabel(), other.get());
  EXPECT_EQ(label->Tag, 0);
  other.reset();
  EXPECT_EQ(MainLabel(), nullptr);
}

TEST(LabelStyle, AngleHighlightLockAndChangeNotices) {
  TLabelStyle s;
  int changes = 0;
  s.OnChange = [&](TComponent*) { ++changes; };
  s.SetAngle(360);
  EXPECT_EQ(s.Angle(), 0);
  s.SetAngle(-1);
  EXPECT_EQ(s.Angle(), 0);
  s.SetAngle(359);
  EXPECT_EQ(s.Angle(), 359);

  // Locked to white while AShadeLTSet holds.
  s.SetAShadeLeftTop(0x00FF00);
  EXPECT_EQ(s.AShadeLeftTop(), 0xFFFFFF);
  s.SetAShadeLTSet(false);
  EXPECT_EQ(s.AShadeLeftTop(), 0xFFFFFF); // the saved colour: white at first
  s.SetAShadeLeftTop(0x00FF00);
  EXPECT_EQ(s.AShadeLeftTop(), 0x00FF00);
  changes = 0;
  s.SetAShadeLTSet(true);
  EXPECT_EQ(s.AShadeLeftTop(), 0xFFFFFF);
  EXPECT_EQ(changes, 1); // raised, and the saved colour was not white
  s.SetAShadeLTSet(false);
  EXPECT_EQ(s.AShadeLeftTop(), 0x00FF00);

  // Offsets matter only to the shadowed effect.
  changes = 0;
  s.SetAHShadeOffSet(7);
  s.SetAVShadeOffSet(-7);
  EXPECT_EQ(changes, 0);
  s.SetAStyle3D(A3dShadowed);
  s.SetAHShadeOffSet(3);
  EXPECT_EQ(changes, 2);

  TLabelStyle copy;
  int copied = 0;
  copy.OnChange = [&](TComponent*) { ++copied; };
  copy.Assign(s);
  EXPECT_EQ(copied, 1);
  EXPECT_EQ(copy.AHShadeOffSet(), 3);
  EXPECT_EQ(copy.AVShadeOffSet(), -7);
  EXPECT_EQ(copy.AStyle3D(), A3dShadowed);
  EXPECT_FALSE(copy.AShadeLTSet());
  EXPECT_EQ(copy.AShadeLeftTop(), 0x00FF00);
}

// Counts pixels of each colour in a drawing.
std::map<std::uint32_t, int> Histogram(const TBitmap32& B) {
  std::map<std::uint32_t, int> h;
  for (std::uint32_t p : B.Pixels()) ++h[p];
  return h;
}

class LabelDrawing : public ::testing::Test {
protected:
  LabelDrawing() {
    L.SetBounds(0, 0, 200, 200);
    L.SetCaption("Hi");
    L.Font().SetHeight(-37);
    L.Font().SetColor(0x0000FF);
    L.SetAlignment(taCenter);
  }
  TRotate3DLabel L{nullptr};
};

TEST_F(LabelDrawing, RaisedPutsHighlightUpLeftAndShadowDownRight) {
  const TBitmap32 b = Draw(L, 200, 200);
  // The caption's top-left stroke: the highlight shows up and to the left of
  // the text, the shadow down and to the right.
  bool highlightAbove = false, shadowBelow = false;
  for (int y = 1; y < 199; ++y)
    for (int x = 1; x < 199; ++x) {
      if (b.Pixel(x, y) != 0x0000FF) continue;
      if (b.Pixel(x - 1, y - 1) == 0xFFFFFF) highlightAbove = true;
      if (b.Pixel(x + 1, y + 1) == 0x808080) shadowBelow = true;
      EXPECT_NE(b.Pixel(x + 1, y + 1), 0xFFFFFFu) << x << "," << y;
    }
  EXPECT_TRUE(highlightAbove);
  EXPECT_TRUE(shadowBelow);
}

TEST_F(LabelDrawing, RecessedSwapsTheSidesAndShadowedUsesTheOffsets) {
  L.LabelStyle().SetAStyle3D(A3dResit);
  TBitmap32 b = Draw(L, 200, 200);
  bool shadowAbove = false;
  for (int y = 1; y < 199; ++y)
    for (int x = 1; x < 199; ++x)
      if (b.Pixel(x, y) == 0x0000FF && b.Pixel(x - 1, y - 1) == 0x808080) shadowAbove = true;
  EXPECT_TRUE(shadowAbove);

  L.LabelStyle().SetAStyle3D(A3dShadowed);
  b = Draw(L, 200, 200);
  const auto h = Histogram(b);
  EXPECT_EQ(h.count(0xFFFFFF), 0u); // no highlight
  // The shadow is the text moved by (5, -5).
  TRotate3DLabel plain(nullptr);
  plain.SetBounds(0, 0, 200, 200);
  plain.SetCaption("Hi");
  plain.Font().Assign(L.Font());
  plain.SetAlignment(taCenter);
  plain.LabelStyle().SetAStyle3D(A3dNormal);
  const TBitmap32 p = Draw(plain, 200, 200);
  for (int y = 10; y < 190; ++y)
    for (int x = 10; x < 190; ++x)
      if (p.Pixel(x, y) == 0x0000FF && b.Pixel(x + 5, y - 5) != 0x0000FF) {
        ASSERT_EQ(b.Pixel(x + 5, y - 5), 0x808080u) << x << "," << y;
      }
}

TEST_F(LabelDrawing, AnglesTurnTheTextAroundTheCentre) {
  auto extent = [&](int Angle) {
    L.LabelStyle().SetAStyle3D(A3dNormal);
    L.LabelStyle().SetAngle(Angle);
    const TBitmap32 b = Draw(L, 200, 200);
    int minX = 999, maxX = -1, minY = 999, maxY = -1;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        if (b.Pixel(x, y) == 0x0000FF) {
          minX = std::min(minX, x);
          maxX = std::max(maxX, x);
          minY = std::min(minY, y);
          maxY = std::max(maxY, y);
        }
    return std::array<int, 4>{minX, minY, maxX, maxY};
  };
  const auto flat = extent(0);
  const auto up = extent(90);
  // Turned a quarter: the width becomes the height, about the same centre.
  EXPECT_NEAR(flat[2] - flat[0], up[3] - up[1], 2);
  EXPECT_NEAR(flat[3] - flat[1], up[2] - up[0], 2);
  EXPECT_NEAR((flat[0] + flat[2]) / 2, 100, 3);
  EXPECT_NEAR((up[1] + up[3]) / 2, 100, 3);
  EXPECT_NEAR(L.LastCos(), 0.0, 1e-9);
  EXPECT_NEAR(L.LastSin(), 1.0, 1e-9);
  const auto diagonal = extent(45);
  EXPECT_GT(diagonal[3] - diagonal[1], flat[3] - flat[1]);
}

TEST_F(LabelDrawing, OpaqueFillsARotatedBoxAndLosesTheEffectForGood) {
  L.SetColor(0x00FF00);
  L.SetMyTransparent(false);
  EXPECT_FALSE(L.ParentColor());
  const TBitmap32 b = Draw(L, 200, 200);
  const auto h = Histogram(b);
  EXPECT_GT(h.at(0x00FF00), 0);
  EXPECT_EQ(h.count(0xFFFFFF), 0u);
  EXPECT_EQ(h.count(0x808080), 0u);
  EXPECT_EQ(L.LabelStyle().AStyle3D(), A3dNormal);
  L.SetMyTransparent(true);
  EXPECT_EQ(L.LabelStyle().AStyle3D(), A3dNormal);
}

} // namespace
} // namespace quendel::ui
