// The main window's content: a panel painted with a two-colour gradient in
// one of eight directions, and a label that draws its caption at any angle,
// raised, recessed or shadowed.
#pragma once

#include "ui/controls.h"

#include <functional>

namespace quendel::ui {

enum TDirection { bdUp, bdDown, bdLeft, bdRight, bdHorzIn, bdHorzOut, bdVertIn, bdVertOut };
extern const TEnumInfo DirectionInfo;

// Fills R from colour A to colour B in 256 bands across its height
// (Vertical) or its width; Symmetric runs A to B to A.
void PaintGradient(ICanvas& Canvas, const TRect& R, TColor A, TColor B, bool Vertical,
                   bool Symmetric);

class TBackdrop : public TCustomPanel {
public:
  explicit TBackdrop(TComponent* AOwner);
  ~TBackdrop() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TDirection Direction() const { return FDirection; }
  void SetDirection(TDirection Value);
  TColor StartColor() const { return FStartColor; }
  void SetStartColor(TColor Value);
  TColor EndColor() const { return FEndColor; }
  void SetEndColor(TColor Value);
  // -1 makes this the main backdrop (the previous one gets 0).
  std::intptr_t GetTag() const { return Tag; }
  void SetTag(std::intptr_t Value);

  void Paint(ICanvas& Canvas) override;
  void Assign(const TPersistent& Source) override;

private:
  TDirection FDirection = bdUp;
  TColor FStartColor = 0xFF0000;
  TColor FEndColor = 0;
};

enum T3DEffectShort { A3dNormal, A3dResit, A3dRaised, A3dShadowed };
extern const TEnumInfo Effect3DInfo;

class TLabelStyle : public TPersistent {
public:
  TLabelStyle();
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  int Angle() const { return FAngle; }
  // Outside 0..359 is stored as 0.
  void SetAngle(int Value);
  T3DEffectShort AStyle3D() const { return FStyle3D; }
  void SetAStyle3D(T3DEffectShort Value);
  TColor AShadeRightBottom() const { return FShadeRightBottom; }
  void SetAShadeRightBottom(TColor Value);
  TColor AShadeLeftTop() const { return FShadeLeftTop; }
  // Ignored while AShadeLTSet holds the highlight at white.
  void SetAShadeLeftTop(TColor Value);
  bool AShadeLTSet() const { return FShadeLTSet; }
  void SetAShadeLTSet(bool Value);
  int AHShadeOffSet() const { return FHShadeOffSet; }
  void SetAHShadeOffSet(int Value);
  int AVShadeOffSet() const { return FVShadeOffSet; }
  void SetAVShadeOffSet(int Value);

  TNotifyEvent OnChange;
  void Assign(const TPersistent& Source) override;

private:
  friend class TRotate3DLabel;
  void Changed();
  int FAngle = 0;
  T3DEffectShort FStyle3D = A3dRaised;
  TColor FShadeRightBottom = 0x808080;
  TColor FShadeLeftTop = 0xFFFFFF;
  TColor FSavedLeftTop = 0xFFFFFF;
  bool FShadeLTSet = true;
  int FHShadeOffSet = 5;
  int FVShadeOffSet = -5;
};

class TRotate3DLabel : public TCustomLabel {
public:
  explicit TRotate3DLabel(TComponent* AOwner);
  ~TRotate3DLabel() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TLabelStyle& LabelStyle() { return FLabelStyle; }
  const TLabelStyle& LabelStyle() const { return FLabelStyle; }
  const TLabelStyle* LabelStyleObj() const { return &FLabelStyle; }
  void SetLabelStyle(const TLabelStyle& Value);
  bool MyTransparent() const { return FMyTransparent; }
  void SetMyTransparent(bool Value);
  void SetAlignment(TAlignment Value) override;
  std::intptr_t GetTag() const { return Tag; }
  void SetTag(std::intptr_t Value);

  void Paint(ICanvas& Canvas) override;
  void Assign(const TPersistent& Source) override;

  // Kept from the last paint.
  double LastCos() const { return FCos; }
  double LastSin() const { return FSin; }

private:
  TLabelStyle FLabelStyle;
  bool FMyTransparent = true;
  double FCos = 1, FSin = 0;
};

// The process-wide main backdrop and main 3-D label (Tag -1), or nullptr.
TBackdrop* MainBackdrop();
TRotate3DLabel* MainLabel();

} // namespace quendel::ui
