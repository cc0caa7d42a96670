#include "ui/backdrop.h"

#include "ui/forms.h"

#include <cmath>
#include <numbers>

namespace quendel::ui {

constexpr const char* kDirectionInfo[] = {"bdUp",     "bdDown",    "bdLeft",   "bdRight",
                                          "bdHorzIn", "bdHorzOut", "bdVertIn", "bdVertOut"};
constinit const TEnumInfo DirectionInfo("TDirection", kDirectionInfo);
constexpr const char* kEffect3DInfo[] = {"A3dNormal", "A3dResit", "A3dRaised", "A3dShadowed"};
constinit const TEnumInfo Effect3DInfo("T3DEffectShort", kEffect3DInfo);

namespace {
TBackdrop* GMainBackdrop = nullptr;
TRotate3DLabel* GMainLabel = nullptr;

// Truncation toward zero.
int T(double X) { return static_cast<int>(X); }
} // namespace

TBackdrop* MainBackdrop() { return GMainBackdrop; }
TRotate3DLabel* MainLabel() { return GMainLabel; }

void PaintGradient(ICanvas& Canvas, const TRect& R, TColor A, TColor B, bool Vertical,
                   bool Symmetric) {
  const std::uint32_t a = Canvas.ColorToRGB(A), b = Canvas.ColorToRGB(B);
  const int ar = RValue(a), ag = GValue(a), ab = BValue(a);
  const int dr = RValue(b) - ar, dg = GValue(b) - ag, db = BValue(b) - ab;
  const int n = Symmetric ? 127 : 255;
  const int extent = Vertical ? R.Height() : R.Width();
  auto band = [&](int From, int To, TColor C) {
    if (Vertical)
      Canvas.FillRect({R.Left, R.Top + From, R.Right, R.Top + To}, C);
    else
      Canvas.FillRect({R.Left + From, R.Top, R.Left + To, R.Bottom}, C);
  };
  for (int i = 0; i <= n; ++i) {
    const auto c = static_cast<TColor>(
        MakeRGB(ar + MulDiv(i, dr, n), ag + MulDiv(i, dg, n), ab + MulDiv(i, db, n)));
    band(MulDiv(i, extent, 256), MulDiv(i + 1, extent, 256), c);
    if (Symmetric) band(MulDiv(255 - i, extent, 256), MulDiv(256 - i, extent, 256), c);
  }
}

// --------------------------------------------------------------- TBackdrop

TBackdrop::TBackdrop(TComponent* AOwner) : TCustomPanel(AOwner) {
  FAlign = alClient;
  if (AOwner && AOwner->IsDesigning() && !GMainBackdrop) SetTag(-1);
}

TBackdrop::~TBackdrop() {
  if (GMainBackdrop == this) GMainBackdrop = nullptr;
}

const TClassInfo& TBackdrop::StaticClass() {
  using T = TBackdrop;
  return ClassTable([] {
    return TClassBuilder<T>("TBackdrop", &TCustomPanel::StaticClass)
        .Enum<&T::Direction, &T::SetDirection>("Direction", DirectionInfo, bdUp)
        .Int<&T::StartColor, &T::SetStartColor>("StartColor", 0xFF0000)
        .Idents(ColorIdents)
        .Int<&T::EndColor, &T::SetEndColor>("EndColor", 0)
        .Idents(ColorIdents)
        .Enum<&T::Align, &T::SetAlign>("Align", AlignInfo, alClient)
        .Int<&T::GetTag, &T::SetTag>("Tag", 0);
  });
}

void TBackdrop::SetDirection(TDirection Value) {
  if (Value == FDirection) return;
  FDirection = Value;
  Invalidate();
}

void TBackdrop::SetStartColor(TColor Value) {
  if (Value == FStartColor) return;
  FStartColor = Value;
  Invalidate();
}

void TBackdrop::SetEndColor(TColor Value) {
  if (Value == FEndColor) return;
  FEndColor = Value;
  Invalidate();
}

void TBackdrop::SetTag(std::intptr_t Value) {
  if (Value == -1) {
    if (GMainBackdrop && GMainBackdrop != this) GMainBackdrop->Tag = 0;
    GMainBackdrop = this;
  } else if (GMainBackdrop == this) {
    GMainBackdrop = nullptr;
  }
  Tag = Value;
}

void TBackdrop::Paint(ICanvas& Canvas) {
  const TRect r{0, 0, FWidth, FHeight};
  const TColor s = FStartColor, e = FEndColor;
  switch (FDirection) {
  case bdUp:
    PaintGradient(Canvas, r, s, e, true, false);
    break;
  case bdDown:
    PaintGradient(Canvas, r, e, s, true, false);
    break;
  case bdLeft:
    PaintGradient(Canvas, r, s, e, false, false);
    break;
  case bdRight:
    PaintGradient(Canvas, r, e, s, false, false);
    break;
  case bdHorzIn:
    PaintGradient(Canvas, r, s, e, true, true);
    break;
  case bdHorzOut:
    PaintGradient(Canvas, r, e, s, true, true);
    break;
  case bdVertIn:
    PaintGradient(Canvas, r, s, e, false, true);
    break;
  case bdVertOut:
    PaintGradient(Canvas, r, e, s, false, true);
    break;
  }
}

void TBackdrop::Assign(const TPersistent& Source) {
  if (auto* b = dynamic_cast<const TBackdrop*>(&Source)) {
    FDirection = b->FDirection;
    FEndColor = b->FEndColor;
    FStartColor = b->FStartColor;
    SetAlign(b->Align());
    Invalidate();
    return;
  }
  TCustomPanel::Assign(Source);
}

// ------------------------------------------------------------- TLabelStyle

TLabelStyle::TLabelStyle() = default;

const TClassInfo& TLabelStyle::StaticClass() {
  using T = TLabelStyle;
  return ClassTable([] {
    return TClassBuilder<T>("TLabelStyle", &TPersistent::StaticClass)
        .Int<&T::Angle, &T::SetAngle>("Angle", 0)
        .Enum<&T::AStyle3D, &T::SetAStyle3D>("AStyle3D", Effect3DInfo, A3dRaised)
        .Int<&T::AShadeRightBottom, &T::SetAShadeRightBottom>("AShadeRightBottom", 0x808080)
        .Idents(ColorIdents)
        .Int<&T::AShadeLeftTop, &T::SetAShadeLeftTop>("AShadeLeftTop", 0xFFFFFF)
        .Idents(ColorIdents)
        .Bool<&T::AShadeLTSet, &T::SetAShadeLTSet>("AShadeLTSet", true)
        .Int<&T::AHShadeOffSet, &T::SetAHShadeOffSet>("AHShadeOffSet", 5)
        .Int<&T::AVShadeOffSet, &T::SetAVShadeOffSet>("AVShadeOffSet", -5);
  });
}

void TLabelStyle::Changed() {
  if (OnChange) OnChange(nullptr);
}

void TLabelStyle::SetAngle(int Value) {
  FAngle = Value < 0 || Value > 359 ? 0 : Value;
  Changed();
}

void TLabelStyle::SetAStyle3D(T3DEffectShort Value) {
  FStyle3D = Value;
  Changed();
}

void TLabelStyle::SetAShadeRightBottom(TColor Value) {
  FShadeRightBottom = Value;
  Changed();
}

void TLabelStyle::SetAShadeLeftTop(TColor Value) {
  if (FShadeLTSet) return;
  FShadeLeftTop = Value;
  Changed();
}

void TLabelStyle::SetAShadeLTSet(bool Value) {
  FShadeLTSet = Value;
  if (Value) {
    FSavedLeftTop = FShadeLeftTop;
    FShadeLeftTop = 0xFFFFFF;
    if ((FStyle3D == A3dResit || FStyle3D == A3dRaised) && FSavedLeftTop != 0xFFFFFF) Changed();
  } else {
    FShadeLeftTop = FSavedLeftTop;
    Changed();
  }
}

void TLabelStyle::SetAHShadeOffSet(int Value) {
  FHShadeOffSet = Value;
  if (FStyle3D == A3dShadowed) Changed();
}

void TLabelStyle::SetAVShadeOffSet(int Value) {
  FVShadeOffSet = Value;
  if (FStyle3D == A3dShadowed) Changed();
}

void TLabelStyle::Assign(const TPersistent& Source) {
  if (auto* s = dynamic_cast<const TLabelStyle*>(&Source)) {
    FAngle = s->FAngle;
    FStyle3D = s->FStyle3D;
    FShadeRightBottom = s->FShadeRightBottom;
    FShadeLeftTop = s->FShadeLeftTop;
    FShadeLTSet = s->FShadeLTSet;
    FHShadeOffSet = s->FHShadeOffSet;
    FVShadeOffSet = s->FVShadeOffSet;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------- TRotate3DLabel

TRotate3DLabel::TRotate3DLabel(TComponent* AOwner) : TCustomLabel(AOwner) {
  Transparent = true;
  AutoSize = false;
  FFont.SetName("Arial");
  FFont.SetStyle(TFontStyles{fsBold});
  FParentFont = false;
  FLabelStyle.OnChange = [this](TComponent*) { Invalidate(); };
  if (AOwner && AOwner->IsDesigning() && !GMainLabel) SetTag(-1);
}

TRotate3DLabel::~TRotate3DLabel() {
  FLabelStyle.OnChange = nullptr;
  if (GMainLabel == this) GMainLabel = nullptr;
}

const TClassInfo& TRotate3DLabel::StaticClass() {
  using T = TRotate3DLabel;
  return ClassTable([] {
    return TClassBuilder<T>("TRotate3DLabel", &TCustomLabel::StaticClass)
        .Object<&T::LabelStyleObj>("LabelStyle")
        .Bool<&T::MyTransparent, &T::SetMyTransparent>("MyTransparent", true)
        .Bool<&T::AutoSize, &T::AutoSize>("AutoSize", false)
        .Bool<&T::Transparent, &T::Transparent>("Transparent", true)
        .Int<&T::GetTag, &T::SetTag>("Tag", 0);
  });
}

void TRotate3DLabel::SetLabelStyle(const TLabelStyle& Value) {
  FLabelStyle.Assign(Value);
  Invalidate();
}

void TRotate3DLabel::SetMyTransparent(bool Value) {
  if (Value == FMyTransparent) return;
  FMyTransparent = Value;
  // Opaque keeps the colour it has as its own, not the parent's.
  if (!Value) FParentColor = false;
  Invalidate();
}

void TRotate3DLabel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

void TRotate3DLabel::SetTag(std::intptr_t Value) {
  if (Value == -1) {
    if (GMainLabel && GMainLabel != this) GMainLabel->Tag = 0;
    GMainLabel = this;
  } else if (GMainLabel == this) {
    GMainLabel = nullptr;
  }
  Tag = Value;
}

void TRotate3DLabel::Paint(ICanvas& Canvas) {
  const int angle = FLabelStyle.Angle();
  const double theta = angle * std::numbers::pi / 180.0;
  FCos = std::cos(theta);
  FSin = std::sin(theta);
  const double c = FCos, s = FSin;
  if (!FMyTransparent) FLabelStyle.FStyle3D = A3dNormal;

  int hl = 0, sh = 0;
  if (FLabelStyle.AStyle3D() == A3dResit) hl = 1, sh = -1;
  if (FLabelStyle.AStyle3D() == A3dRaised) hl = -1, sh = 1;

  const TSize ext = Canvas.TextExtent(FFont, FCaption);
  int w = ext.cx, h = ext.cy;
  const int cx = FWidth / 2, cy = FHeight / 2;
  int x = 0;
  if (FAlignment == taRightJustify) x = FWidth - w;
  if (FAlignment == taCenter) x = cx - T(w / 2.0 * c) - T(h / 2.0 * s);
  const int y = cy + T(w / 2.0 * s) - T(h / 2.0 * c);

  if (!FMyTransparent) {
    h += 7;
    w += 10;
    Canvas.Polygon({{cx - T(w / 2.0 * c) - T(h / 2.0 * s), cy + T(w / 2.0 * s) - T(h / 2.0 * c)},
                    {cx + T(w / 2.0 * c) - T(h / 2.0 * s), cy - T(w / 2.0 * s) - T(h / 2.0 * c)},
                    {cx + T(w / 2.0 * c) + T(h / 2.0 * s), cy - T(w / 2.0 * s) + T(h / 2.0 * c)},
                    {cx - T(w / 2.0 * c) + T(h / 2.0 * s), cy + T(w / 2.0 * s) + T(h / 2.0 * c)}},
                   FColor);
  }

  const int esc = angle * 10;
  switch (FLabelStyle.AStyle3D()) {
  case A3dResit:
  case A3dRaised:
    Canvas.TextAt(x + hl, y + hl, FCaption, FFont, esc, FLabelStyle.AShadeLeftTop());
    Canvas.TextAt(x + sh, y + sh, FCaption, FFont, esc, FLabelStyle.AShadeRightBottom());
    break;
  case A3dShadowed:
    Canvas.TextAt(x + FLabelStyle.AHShadeOffSet(), y + FLabelStyle.AVShadeOffSet(), FCaption,
                   FFont, esc, FLabelStyle.AShadeRightBottom());
    break;
  case A3dNormal:
    break;
  }
  Canvas.TextAt(x, y, FCaption, FFont, esc, FFont.Color());
}

void TRotate3DLabel::Assign(const TPersistent& Source) {
  if (auto* l = dynamic_cast<const TRotate3DLabel*>(&Source)) {
    FCaption = l->FCaption;
    FLabelStyle.Assign(l->FLabelStyle);
    FFont.Assign(l->FFont);
    FAlignment = l->FAlignment;
    SetBounds(l->Left(), l->Top(), l->Width(), l->Height());
    FMyTransparent = l->FMyTransparent;
    Invalidate();
    return;
  }
  TCustomLabel::Assign(Source);
}

} // namespace quendel::ui
