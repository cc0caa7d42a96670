#include "ui/controls.h"

#include "core/exceptions.h"
#include "core/strings.h"
#include "ui/forms.h"
#include "ui/rich_text.h"

#include <algorithm>
#include <cstdlib>

namespace quendel::ui {

constexpr const char* kAlignInfo[] = {"alNone", "alTop",   "alBottom",
                                      "alLeft", "alRight", "alClient"};
constinit const TEnumInfo AlignInfo("TAlign", kAlignInfo);
constexpr const char* kAlignmentInfo[] = {"taLeftJustify", "taRightJustify", "taCenter"};
constinit const TEnumInfo AlignmentInfo("TAlignment", kAlignmentInfo);
constexpr const char* kDragModeInfo[] = {"dmManual", "dmAutomatic"};
constinit const TEnumInfo DragModeInfo("TDragMode", kDragModeInfo);
constexpr const char* kPanelBevelInfo[] = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
constinit const TEnumInfo PanelBevelInfo("TPanelBevel", kPanelBevelInfo);
constexpr const char* kBorderStyleInfo[] = {"bsNone", "bsSingle"};
constinit const TEnumInfo BorderStyleInfo("TBorderStyle", kBorderStyleInfo);
constexpr const char* kTextLayoutInfo[] = {"tlTop", "tlCenter", "tlBottom"};
constinit const TEnumInfo TextLayoutInfo("TTextLayout", kTextLayoutInfo);
constexpr const char* kBevelShapeInfo[] = {"bsBox",      "bsFrame",     "bsTopLine", "bsBottomLine",
                                           "bsLeftLine", "bsRightLine", "bsSpacer"};
constinit const TEnumInfo BevelShapeInfo("TBevelShape", kBevelShapeInfo);
constexpr const char* kBevelStyleInfo[] = {"bsLowered", "bsRaised"};
constinit const TEnumInfo BevelStyleInfo("TBevelStyle", kBevelStyleInfo);
constexpr const char* kBitBtnKindInfo[] = {"bkCustom", "bkOK",     "bkCancel", "bkHelp",
                                           "bkYes",    "bkNo",     "bkClose",  "bkAbort",
                                           "bkRetry",  "bkIgnore", "bkAll"};
constinit const TEnumInfo BitBtnKindInfo("TBitBtnKind", kBitBtnKindInfo);
constexpr const char* kButtonLayoutInfo[] = {"blGlyphLeft", "blGlyphRight", "blGlyphTop",
                                             "blGlyphBottom"};
constinit const TEnumInfo ButtonLayoutInfo("TButtonLayout", kButtonLayoutInfo);
constexpr const char* kScrollStyleInfo[] = {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};
constinit const TEnumInfo ScrollStyleInfo("TScrollStyle", kScrollStyleInfo);

namespace {
IWidgetBackend* BackendOrNull() { return HasUiContext() ? &UiContext().Backend() : nullptr; }

// The text drawn by the headless renderer for standard controls.
void DrawCentredText(ICanvas& Canvas, const TControl& C, const std::string& Text, TColor Color) {
  const TSize sz = Canvas.TextExtent(C.Font(), Text);
  Canvas.TextAt((C.Width() - sz.cx) / 2, (C.Height() - sz.cy) / 2, Text, C.Font(), 0, Color);
}

void Frame3D(ICanvas& Canvas, const TRect& R, TColor TopLeft, TColor BottomRight) {
  Canvas.Line(R.Left, R.Bottom - 1, R.Left, R.Top, TopLeft);
  Canvas.Line(R.Left, R.Top, R.Right - 1, R.Top, TopLeft);
  Canvas.Line(R.Right - 1, R.Top, R.Right - 1, R.Bottom - 1, BottomRight);
  Canvas.Line(R.Right - 1, R.Bottom - 1, R.Left - 1, R.Bottom - 1, BottomRight);
}
} // namespace

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  FFont.OnChange = [this](TFont&) { FontChanged(); };
}

TControl::~TControl() {
  FFont.OnChange = nullptr;
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    FParent = nullptr;
  }
}

const TClassInfo& TControl::StaticClass() {
  using T = TControl;
  return ClassTable([] {
    return TClassBuilder<T>("TControl", &TComponent::StaticClass)
        .Int<&T::Left, &T::SetLeft>("Left")
        .Int<&T::Top, &T::SetTop>("Top")
        .Int<&T::Width, &T::SetWidth>("Width")
        .Int<&T::Height, &T::SetHeight>("Height")
        .Enum<&T::Align, &T::SetAlign>("Align", AlignInfo, alNone)
        .Str<&T::Caption, &T::SetCaption>("Caption")
        .Int<&T::Color, &T::SetColor>("Color", clBtnFace)
        .Idents(ColorIdents)
        .Stored([](const T& c) { return !c.ParentColor() && c.Color() != clBtnFace; })
        .Bool<&T::ParentColor, &T::SetParentColor>("ParentColor", true)
        .Object<&T::FontObj>("Font")
        .Stored([](const T& c) { return !c.ParentFont(); })
        .Bool<&T::ParentFont, &T::SetParentFont>("ParentFont", true)
        .Bool<&T::Visible, &T::SetVisible>("Visible", true)
        .Bool<&T::Enabled, &T::SetEnabled>("Enabled", true)
        .Str<&T::Hint, &T::Hint>("Hint")
        .Bool<&T::ShowHint, &T::ShowHint>("ShowHint", false)
        .Bool<&T::ParentShowHint, &T::ParentShowHint>("ParentShowHint", true)
        .Int<&T::Cursor, &T::Cursor>("Cursor", 0)
        .Int<&T::DragCursor, &T::DragCursor>("DragCursor", -12)
        .Enum<&T::DragMode, &T::DragMode>("DragMode", DragModeInfo, dmManual)
        .Int<&T::HelpContext, &T::HelpContext>("HelpContext", 0)
        .Event<&T::OnClick>("OnClick");
  });
}

void TControl::SetParent(TWinControl* Value) {
  if (Value == FParent) return;
  for (TWinControl* p = Value; p; p = p->FParent)
    if (p == this) Raise<EComponentError>("A control cannot have itself as its parent");
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    FParent->Realign();
    FParent->Invalidate();
  }
  FParent = Value;
  if (FParent) {
    FParent->FControls.push_back(this);
    ParentFontChanged();
    ParentColorChanged();
    if (auto* w = dynamic_cast<TWinControl*>(this); w && FParent->HandleAllocated())
      w->HandleNeeded();
    FParent->Realign();
    FParent->Invalidate();
  }
}

void TControl::SetParentComponent(TComponent* Value) {
  auto* w = dynamic_cast<TWinControl*>(Value);
  if (Value && !w) Raise<EComponentError>("%s cannot hold controls", {Value->Name()});
  SetParent(w);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  if (FParent && !FParent->HandleAllocated()) {
    // Nothing on screen yet.
  } else if (FParent) {
    FParent->Invalidate();
  }
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  BoundsChanged();
  if (FParent && FAlign != alNone && !IsLoading()) FParent->Realign();
}

void TControl::SetAlign(TAlign Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  if (FParent && !IsLoading()) FParent->Realign();
}

void TControl::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  if (FParent) {
    if (!IsLoading()) FParent->Realign();
    FParent->Invalidate();
  }
}

void TControl::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Invalidate();
}

bool TControl::Showing() const {
  if (!FVisible) return false;
  return FParent ? FParent->Showing() : true;
}

void TControl::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  TextChanged();
  Invalidate();
}

void TControl::SetColor(TColor Value) {
  FParentColor = false;
  if (Value == FColor) return;
  FColor = Value;
  Invalidate();
}

void TControl::SetParentColor(bool Value) {
  FParentColor = Value;
  if (Value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (FParentColor && FParent && FColor != FParent->FColor) {
    FColor = FParent->FColor;
    Invalidate();
  }
}

void TControl::SetParentFont(bool Value) {
  FParentFont = Value;
  if (Value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent) return;
  FSettingParentFont = true;
  FFont.Assign(FParent->FFont);
  FSettingParentFont = false;
}

void TControl::FontChanged() {
  // A font set on the control itself stops following the parent's.
  if (!FSettingParentFont) FParentFont = false;
  Invalidate();
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::Invalidate() {
  if (FParent) FParent->Invalidate();
}

void TControl::Paint(ICanvas&) {}

TCustomForm* TControl::ParentForm() const {
  const TControl* c = this;
  TCustomForm* found = nullptr;
  while (c) {
    if (auto* f = dynamic_cast<TCustomForm*>(const_cast<TControl*>(c))) {
      found = f;
      // A hosted page is a form inside a form: its own form is the nearest.
      break;
    }
    c = c->FParent;
  }
  return found;
}

void TControl::ChangeScale(int M, int D) {
  if (M == D) return;
  const int l = MulDiv(FLeft, M, D), t = MulDiv(FTop, M, D);
  const int r = MulDiv(FLeft + FWidth, M, D), b = MulDiv(FTop + FHeight, M, D);
  FLeft = l;
  FTop = t;
  FWidth = r - l;
  FHeight = b - t;
  if (!FParentFont) {
    const bool keep = FParentFont;
    FFont.SetHeight(MulDiv(FFont.Height(), M, D));
    FParentFont = keep;
  }
  BoundsChanged();
}

void TControl::Loaded() {
  TComponent::Loaded();
}

// ------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  for (TControl* c : FControls) c->FParent = nullptr;
  FControls.clear();
  DestroyHandle();
}

const TClassInfo& TWinControl::StaticClass() {
  using T = TWinControl;
  return ClassTable([] {
    return TClassBuilder<T>("TWinControl", &TControl::StaticClass)
        .Int<&T::TabOrder, &T::TabOrder>("TabOrder", -1)
        .Bool<&T::TabStop, &T::TabStop>("TabStop", false)
        .Int<&T::BorderWidth, &T::SetBorderWidth>("BorderWidth", 0);
  });
}

THandle TWinControl::ParentHandle() {
  if (FParent) return FParent->Handle();
  if (FForeignParent) return FForeignParent;
  if (auto* f = dynamic_cast<TCustomForm*>(this)) return f->ParentWindow();
  return nullptr;
}

THandle TWinControl::Handle() {
  if (!FHandle) CreateWidget();
  return FHandle;
}

void TWinControl::CreateWidget() {
  IWidgetBackend* b = BackendOrNull();
  if (!b) Raise<EComponentError>("%s has no window: no user interface is running", {Name()});
  THandle parent = ParentHandle();
  FHandle = b->CreateWidget(*this, parent);
  InitWidget();
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
}

void TWinControl::InitWidget() {
  IWidgetBackend& b = UiContext().Backend();
  b.SetFont(FHandle, FFont);
  b.SetText(FHandle, FCaption);
  b.SetEnabled(FHandle, FEnabled);
  b.SetVisible(FHandle, FVisible);
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  THandle h = FHandle;
  FHandle = nullptr;
  if (IWidgetBackend* b = BackendOrNull()) b->DestroyWidget(h);
}

void TWinControl::SetBorderWidth(int Value) {
  if (Value == FBorderWidth) return;
  FBorderWidth = Value;
  if (!IsLoading()) Realign();
}

TRect TWinControl::ClientRect() const {
  const TSize s = ClientSize();
  return {0, 0, s.cx, s.cy};
}

void TWinControl::Realign() {
  if (FAligning || IsLoading()) return;
  FAligning = true;
  TRect r = ClientRect();
  r.Left += FBorderWidth;
  r.Top += FBorderWidth;
  r.Right -= FBorderWidth;
  r.Bottom -= FBorderWidth;
  AlignControls(r);
  FAligning = false;
}

void TWinControl::AlignControls(TRect& R) {
  auto place = [&](TAlign A) {
    for (TControl* c : FControls) {
      if (c->FAlign != A || !c->FVisible) continue;
      switch (A) {
      case alTop:
        c->SetBounds(R.Left, R.Top, R.Width(), c->FHeight);
        R.Top += c->FHeight;
        break;
      case alBottom:
        c->SetBounds(R.Left, R.Bottom - c->FHeight, R.Width(), c->FHeight);
        R.Bottom -= c->FHeight;
        break;
      case alLeft:
        c->SetBounds(R.Left, R.Top, c->FWidth, R.Height());
        R.Left += c->FWidth;
        break;
      case alRight:
        c->SetBounds(R.Right - c->FWidth, R.Top, c->FWidth, R.Height());
        R.Right -= c->FWidth;
        break;
      case alClient:
        c->SetBounds(R.Left, R.Top, R.Width(), R.Height());
        break;
      case alNone:
        break;
      }
    }
  };
  place(alTop);
  place(alBottom);
  place(alLeft);
  place(alRight);
  place(alClient);
}

void TWinControl::BringToFront() {
  if (FParent) {
    auto& list = FParent->FControls;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
  }
  if (FHandle) UiContext().Backend().BringToFront(FHandle);
}

void TWinControl::SetFocus() {
  if (FHandle) UiContext().Backend().SetFocus(FHandle);
}

TControl* TWinControl::FindChildControl(std::string_view AName) const {
  for (TControl* c : FControls) {
    if (SameText(c->Name(), AName)) return c;
    if (auto* w = dynamic_cast<TWinControl*>(c))
      if (TControl* found = w->FindChildControl(AName)) return found;
  }
  return nullptr;
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool resized = AWidth != FWidth || AHeight != FHeight;
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FHandle) UiContext().Backend().SetBounds(FHandle, BoundsRect());
  if (resized) Realign();
}

void TWinControl::SetVisible(bool Value) {
  TControl::SetVisible(Value);
  if (FHandle) UiContext().Backend().SetVisible(FHandle, Value);
}

void TWinControl::SetEnabled(bool Value) {
  TControl::SetEnabled(Value);
  if (FHandle) UiContext().Backend().SetEnabled(FHandle, Value);
}

void TWinControl::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  if (FHandle) UiContext().Backend().SetText(FHandle, Value);
  TextChanged();
  Invalidate();
}

void TWinControl::WidgetTextChanged(const std::string& Text) {
  if (Text == FCaption) return;
  FCaption = Text;
  TextChanged();
}

void TWinControl::WidgetResized(int, int) { Realign(); }

void TWinControl::Invalidate() {
  if (FHandle) {
    if (IWidgetBackend* b = BackendOrNull()) b->Invalidate(FHandle);
  }
}

void TWinControl::Repaint() {
  if (FHandle)
    if (IWidgetBackend* b = BackendOrNull()) b->Update(FHandle);
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  if (FHandle) UiContext().Backend().SetFont(FHandle, FFont);
  for (TControl* c : FControls) c->ParentFontChanged();
}

void TWinControl::ChangeScale(int M, int D) {
  if (M == D) return;
  TControl::ChangeScale(M, D);
  for (TControl* c : FControls) c->ChangeScale(M, D);
  if (FHandle) UiContext().Backend().SetBounds(FHandle, BoundsRect());
}

void TWinControl::PaintWindow(ICanvas& Canvas) {
  Paint(Canvas);
  for (TControl* c : FControls) {
    if (!c->Visible() || dynamic_cast<TWinControl*>(c)) continue;
    Canvas.Enter(c->BoundsRect());
    c->Paint(Canvas);
    Canvas.Restore();
  }
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
}

// --------------------------------------------------------- graphic controls

const TClassInfo& TGraphicControl::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TGraphicControl>("TGraphicControl", &TControl::StaticClass); });
}

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 65;
  FHeight = 17;
}

const TClassInfo& TCustomLabel::StaticClass() {
  using T = TCustomLabel;
  return ClassTable([] {
    return TClassBuilder<T>("TCustomLabel", &TGraphicControl::StaticClass)
        .Enum<&T::Alignment, &T::SetAlignment>("Alignment", AlignmentInfo, taLeftJustify)
        .Bool<&T::AutoSize, &T::AutoSize>("AutoSize", true)
        .Bool<&T::Transparent, &T::Transparent>("Transparent", false)
        .Bool<&T::WordWrap, &T::WordWrap>("WordWrap", false)
        .Bool<&T::ShowAccelChar, &T::ShowAccelChar>("ShowAccelChar", true)
        .Enum<&T::Layout, &T::Layout>("Layout", TextLayoutInfo, tlTop)
        .Ref<&T::FocusControl, &T::FocusControl>("FocusControl");
  });
}

void TCustomLabel::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Invalidate();
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FocusControl) FocusControl = nullptr;
  TGraphicControl::Notification(AComponent, Operation);
}

void TCustomLabel::Paint(ICanvas& Canvas) {
  if (!Transparent) Canvas.FillRect({0, 0, FWidth, FHeight}, FColor);
  std::string text;
  for (std::size_t i = 0; i < FCaption.size(); ++i) {
    // "&&" is one ampersand; a single one marks the accelerator.
    if (ShowAccelChar && FCaption[i] == '&') {
      if (i + 1 < FCaption.size() && FCaption[i + 1] == '&') text.push_back('&'), ++i;
      continue;
    }
    text.push_back(FCaption[i]);
  }
  if (!WordWrap) {
    const TSize sz = Canvas.TextExtent(FFont, text);
    int x = 0;
    if (FAlignment == taRightJustify) x = FWidth - sz.cx;
    if (FAlignment == taCenter) x = (FWidth - sz.cx) / 2;
    int y = 0;
    if (Layout == tlCenter) y = (FHeight - sz.cy) / 2;
    if (Layout == tlBottom) y = FHeight - sz.cy;
    Canvas.TextAt(x, y, text, FFont, 0, FEnabled ? FFont.Color() : clGray);
    return;
  }
  // A word-wrapping label breaks its text between words so that each line
  // fits its width (a word longer than the width keeps a line of its own).
  std::vector<std::string> lines;
  {
    std::string line;
    std::size_t i = 0;
    while (i < text.size()) {
      if (text[i] == '\r' || text[i] == '\n') {
        lines.push_back(line);
        line.clear();
        i += text.compare(i, 2, "\r\n") == 0 ? 2 : 1;
        continue;
      }
      std::size_t end = text.find_first_of(" \r\n", i);
      if (end == std::string::npos) end = text.size();
      const std::string word = text.substr(i, end - i);
      const std::string joined = line.empty() ? word : line + " " + word;
      if (!line.empty() && Canvas.TextExtent(FFont, joined).cx > FWidth) {
        lines.push_back(line);
        line = word;
      } else {
        line = joined;
      }
      i = end < text.size() && text[end] == ' ' ? end + 1 : end;
    }
    lines.push_back(line);
  }
  const int lineHeight = Canvas.TextExtent(FFont, "Wg").cy;
  const int total = lineHeight * static_cast<int>(lines.size());
  int y = 0;
  if (Layout == tlCenter) y = (FHeight - total) / 2;
  if (Layout == tlBottom) y = FHeight - total;
  for (const std::string& l : lines) {
    const TSize sz = Canvas.TextExtent(FFont, l);
    int x = 0;
    if (FAlignment == taRightJustify) x = FWidth - sz.cx;
    if (FAlignment == taCenter) x = (FWidth - sz.cx) / 2;
    Canvas.TextAt(x, y, l, FFont, 0, FEnabled ? FFont.Color() : clGray);
    y += lineHeight;
  }
}

const TClassInfo& TLabel::StaticClass() {
  return ClassTable([] { return TClassBuilder<TLabel>("TLabel", &TCustomLabel::StaticClass); });
}

const TClassInfo& TTranslateLabel::StaticClass() {
  using T = TTranslateLabel;
  return ClassTable([] {
    return TClassBuilder<T>("TTranslateLabel", &TLabel::StaticClass)
        .Int<&T::GLID, &T::GLID>("GLID", 0);
  });
}

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 50;
  FHeight = 50;
}

const TClassInfo& TBevel::StaticClass() {
  using T = TBevel;
  return ClassTable([] {
    return TClassBuilder<T>("TBevel", &TGraphicControl::StaticClass)
        .Enum<&T::Shape, &T::Shape>("Shape", BevelShapeInfo, bsBox)
        .Enum<&T::Style, &T::Style>("Style", BevelStyleInfo, bsLowered);
  });
}

void TBevel::Paint(ICanvas& Canvas) {
  const TColor a = Style == bsLowered ? clBtnShadow : clBtnHighlight;
  const TColor b = Style == bsLowered ? clBtnHighlight : clBtnShadow;
  const int w = FWidth, h = FHeight;
  switch (Shape) {
  case bsBox:
    Frame3D(Canvas, {0, 0, w, h}, a, b);
    break;
  case bsFrame:
    Frame3D(Canvas, {0, 0, w - 1, h - 1}, a, a);
    Frame3D(Canvas, {1, 1, w, h}, b, b);
    break;
  case bsTopLine:
    Canvas.Line(0, 0, w, 0, a);
    Canvas.Line(0, 1, w, 1, b);
    break;
  case bsBottomLine:
    Canvas.Line(0, h - 2, w, h - 2, a);
    Canvas.Line(0, h - 1, w, h - 1, b);
    break;
  case bsLeftLine:
    Canvas.Line(0, 0, 0, h, a);
    Canvas.Line(1, 0, 1, h, b);
    break;
  case bsRightLine:
    Canvas.Line(w - 2, 0, w - 2, h, a);
    Canvas.Line(w - 1, 0, w - 1, h, b);
    break;
  case bsSpacer:
    break;
  }
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 105;
  FHeight = 105;
}

const TClassInfo& TImage::StaticClass() {
  using T = TImage;
  return ClassTable([] {
    return TClassBuilder<T>("TImage", &TGraphicControl::StaticClass)
        .Picture<&T::PictureObj>("Picture")
        .Bool<&T::Center, &T::Center>("Center", false)
        .Bool<&T::Stretch, &T::Stretch>("Stretch", false)
        .Bool<&T::AutoSize, &T::AutoSize>("AutoSize", false)
        .Bool<&T::Transparent, &T::Transparent>("Transparent", false);
  });
}

void TImage::Paint(ICanvas& Canvas) {
  if (FPicture.Empty()) return;
  int x = 0, y = 0;
  if (Center) {
    x = (FWidth - FPicture.Width()) / 2;
    y = (FHeight - FPicture.Height()) / 2;
  }
  Canvas.DrawBitmap(x, y, FPicture.Data());
}

// ------------------------------------------------------------------ panels

TCustomPanel::TCustomPanel(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
}

const TClassInfo& TCustomPanel::StaticClass() {
  using T = TCustomPanel;
  return ClassTable([] {
    return TClassBuilder<T>("TCustomPanel", &TWinControl::StaticClass)
        .Enum<&T::BevelInner, &T::BevelInner>("BevelInner", PanelBevelInfo, bvNone)
        .Enum<&T::BevelOuter, &T::BevelOuter>("BevelOuter", PanelBevelInfo, bvRaised)
        .Int<&T::BevelWidth, &T::BevelWidth>("BevelWidth", 1)
        .Enum<&T::BorderStyle, &T::BorderStyle>("BorderStyle", BorderStyleInfo, bsNone)
        .Enum<&T::Alignment, &T::Alignment>("Alignment", AlignmentInfo, taCenter)
        .Bool<&T::Locked, &T::Locked>("Locked", false)
        .Bool<&T::FullRepaint, &T::FullRepaint>("FullRepaint", true);
  });
}

void TCustomPanel::AlignControls(TRect& R) {
  // The bevels take their width from the client area as well.
  int inset = 0;
  if (BevelOuter != bvNone) inset += BevelWidth;
  if (BevelInner != bvNone) inset += BevelWidth;
  R.Left += inset;
  R.Top += inset;
  R.Right -= inset;
  R.Bottom -= inset;
  TWinControl::AlignControls(R);
}

void TCustomPanel::Paint(ICanvas& Canvas) {
  Canvas.FillRect({0, 0, FWidth, FHeight}, FColor);
  TRect r{0, 0, FWidth, FHeight};
  for (TPanelBevel bevel : {BevelOuter, BevelInner}) {
    if (bevel == bvNone) continue;
    for (int i = 0; i < BevelWidth; ++i) {
      if (bevel == bvRaised) Frame3D(Canvas, r, clBtnHighlight, clBtnShadow);
      if (bevel == bvLowered) Frame3D(Canvas, r, clBtnShadow, clBtnHighlight);
      r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
  }
  if (!FCaption.empty()) DrawCentredText(Canvas, *this, FCaption, FFont.Color());
}

const TClassInfo& TPanel::StaticClass() {
  return ClassTable([] { return TClassBuilder<TPanel>("TPanel", &TCustomPanel::StaticClass); });
}

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 185;
  FHeight = 105;
}

const TClassInfo& TCustomGroupBox::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TCustomGroupBox>("TCustomGroupBox", &TWinControl::StaticClass); });
}

void TCustomGroupBox::AlignControls(TRect& R) {
  // The caption line is the font's height; the frame is two pixels wide.
  const int captionHeight = std::max(2, std::abs(FFont.Height()) + 3);
  R.Left += 2;
  R.Top += captionHeight;
  R.Right -= 2;
  R.Bottom -= 2;
  TWinControl::AlignControls(R);
}

void TCustomGroupBox::Paint(ICanvas& Canvas) {
  Canvas.FillRect({0, 0, FWidth, FHeight}, FColor);
  std::string text;
  for (std::size_t i = 0; i < FCaption.size(); ++i) {
    if (FCaption[i] == '&') {
      if (i + 1 < FCaption.size() && FCaption[i + 1] == '&') text.push_back('&'), ++i;
      continue;
    }
    text.push_back(FCaption[i]);
  }
  const TSize sz = text.empty() ? TSize{0, 0} : Canvas.TextExtent(FFont, text);
  // The frame runs through the middle of the caption line.
  const int top = sz.cy / 2;
  const TRect outer{0, top, FWidth, FHeight};
  Frame3D(Canvas, {outer.Left, outer.Top, outer.Right - 1, outer.Bottom - 1}, clBtnShadow,
          clBtnShadow);
  Frame3D(Canvas, {outer.Left + 1, outer.Top + 1, outer.Right, outer.Bottom}, clBtnHighlight,
          clBtnHighlight);
  if (!text.empty()) {
    Canvas.FillRect({6, 0, 6 + sz.cx + 4, sz.cy}, FColor);
    Canvas.TextAt(8, 0, text, FFont, 0, FEnabled ? FFont.Color() : clGray);
  }
}

const TClassInfo& TGroupBox::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TGroupBox>("TGroupBox", &TCustomGroupBox::StaticClass); });
}

TTabControl::TTabControl(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 289;
  FHeight = 193;
}

const TClassInfo& TTabControl::StaticClass() {
  using T = TTabControl;
  return ClassTable([] {
    return TClassBuilder<T>("TTabControl", &TWinControl::StaticClass)
        .Strings<&T::TabsObj>("Tabs")
        .Int<&T::TabIndex, &T::TabIndex>("TabIndex", -1);
  });
}

// ----------------------------------------------------------------- buttons

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 75;
  FHeight = 25;
  TabStop = true;
}

const TClassInfo& TButton::StaticClass() {
  using T = TButton;
  return ClassTable([] {
    return TClassBuilder<T>("TButton", &TWinControl::StaticClass)
        .Bool<&T::Default, &T::Default>("Default", false)
        .Bool<&T::Cancel, &T::Cancel>("Cancel", false)
        .Int<&T::ModalResult, &T::ModalResult>("ModalResult", 0);
  });
}

void TButton::Click() {
  if (!FEnabled) return;
  if (ModalResult != 0)
    if (TCustomForm* f = ParentForm()) f->SetModalResult(ModalResult);
  TWinControl::Click();
}

void TButton::Paint(ICanvas& Canvas) {
  Canvas.FillRect({0, 0, FWidth, FHeight}, clBtnFace);
  Frame3D(Canvas, {0, 0, FWidth, FHeight}, clBtnHighlight, clBtnShadow);
  std::string text;
  for (char c : FCaption)
    if (c != '&') text.push_back(c);
  DrawCentredText(Canvas, *this, text, FEnabled ? FFont.Color() : clGray);
}

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {}

const TClassInfo& TBitBtn::StaticClass() {
  using T = TBitBtn;
  return ClassTable([] {
    return TClassBuilder<T>("TBitBtn", &TButton::StaticClass)
        .Enum<&T::Kind, &T::Kind>("Kind", BitBtnKindInfo, bkCustom)
        .Picture<&T::GlyphObj>("Glyph")
        .Int<&T::NumGlyphs, &T::NumGlyphs>("NumGlyphs", 1)
        .Enum<&T::Layout, &T::Layout>("Layout", ButtonLayoutInfo, blGlyphLeft)
        .Int<&T::Spacing, &T::Spacing>("Spacing", 4)
        .Int<&T::Margin, &T::Margin>("Margin", -1);
  });
}

const TClassInfo& TTranslateBitBtn::StaticClass() {
  using T = TTranslateBitBtn;
  return ClassTable([] {
    return TClassBuilder<T>("TTranslateBitBtn", &TBitBtn::StaticClass)
        .Int<&T::GLID, &T::GLID>("GLID", 0);
  });
}

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 97;
  FHeight = 17;
  TabStop = true;
}

const TClassInfo& TCheckBox::StaticClass() {
  using T = TCheckBox;
  return ClassTable([] {
    return TClassBuilder<T>("TCheckBox", &TWinControl::StaticClass)
        .Bool<&T::Checked, &T::SetChecked>("Checked", false);
  });
}

bool TCheckBox::Checked() const {
  if (FHandle) return UiContext().Backend().GetChecked(FHandle);
  return FChecked;
}

void TCheckBox::SetChecked(bool Value) {
  FChecked = Value;
  if (FHandle) UiContext().Backend().SetChecked(FHandle, Value);
  Invalidate();
}

void TCheckBox::InitWidget() {
  TWinControl::InitWidget();
  UiContext().Backend().SetChecked(FHandle, FChecked);
}

void TCheckBox::WidgetClicked() {
  if (FHandle) FChecked = UiContext().Backend().GetChecked(FHandle);
  Click();
}

void TCheckBox::Paint(ICanvas& Canvas) {
  Canvas.FillRect({0, 0, FWidth, FHeight}, FColor);
  const int box = 13, top = (FHeight - box) / 2;
  Canvas.FillRect(Bounds(0, top, box, box), clWindow);
  Frame3D(Canvas, Bounds(0, top, box, box), clBtnShadow, clBtnHighlight);
  if (FChecked) Canvas.FillRect(Bounds(3, top + 3, box - 6, box - 6), clWindowText);
  const TSize sz = Canvas.TextExtent(FFont, FCaption);
  Canvas.TextAt(box + 4, (FHeight - sz.cy) / 2, FCaption, FFont, 0, FFont.Color());
}

const TClassInfo& TRadioButton::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TRadioButton>("TRadioButton", &TCheckBox::StaticClass); });
}

void TRadioButton::WidgetClicked() {
  // Choosing one clears the others of the same parent.
  if (FParent)
    for (TControl* c : FParent->FControls)
      if (auto* r = dynamic_cast<TRadioButton*>(c); r && r != this) r->SetChecked(false);
  SetChecked(true);
  Click();
}

// ----------------------------------------------------------- text controls

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 21;
  FColor = clWindow;
  FParentColor = false;
  TabStop = true;
}

const TClassInfo& TEdit::StaticClass() {
  using T = TEdit;
  return ClassTable([] {
    return TClassBuilder<T>("TEdit", &TWinControl::StaticClass)
        .Str<&T::Text, &T::SetText>("Text")
        .Bool<&T::ReadOnly, &T::ReadOnly>("ReadOnly", false)
        .Int<&T::MaxLength, &T::MaxLength>("MaxLength", 0)
        .Event<&T::OnChange>("OnChange");
  });
}

std::string TEdit::Text() const {
  if (FHandle) return UiContext().Backend().GetText(FHandle);
  return FCaption;
}

void TEdit::WidgetTextChanged(const std::string& Text) {
  if (Text == FCaption) return;
  TWinControl::WidgetTextChanged(Text);
  if (OnChange) OnChange(this);
}

void TEdit::Paint(ICanvas& Canvas) {
  Canvas.FillRect({0, 0, FWidth, FHeight}, FColor);
  Frame3D(Canvas, {0, 0, FWidth, FHeight}, clBtnShadow, clBtnHighlight);
  const TSize sz = Canvas.TextExtent(FFont, FCaption);
  Canvas.TextAt(3, (FHeight - sz.cy) / 2, FCaption, FFont, 0, FFont.Color());
}

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 185;
  FHeight = 89;
  FColor = clWindow;
  FParentColor = false;
  TabStop = true;
  FLines.OnChange = [this](TStrings&) {
    if (FSyncing) return;
    FCaption = FLines.Text();
    if (FHandle) UiContext().Backend().SetText(FHandle, DisplayText());
    Invalidate();
  };
}

const TClassInfo& TMemo::StaticClass() {
  using T = TMemo;
  return ClassTable([] {
    return TClassBuilder<T>("TMemo", &TWinControl::StaticClass)
        .Strings<&T::LinesObj>("Lines")
        .Bool<&T::ReadOnly, &T::ReadOnly>("ReadOnly", false)
        .Bool<&T::WordWrap, &T::WordWrap>("WordWrap", true)
        .Enum<&T::ScrollBars, &T::ScrollBars>("ScrollBars", ScrollStyleInfo, ssNone);
  });
}

void TMemo::InitWidget() {
  TWinControl::InitWidget();
  UiContext().Backend().SetText(FHandle, DisplayText());
}

void TMemo::WidgetTextChanged(const std::string& Text) {
  FSyncing = true;
  FLines.SetText(Text);
  FSyncing = false;
  FCaption = Text;
}

void TMemo::Paint(ICanvas& Canvas) {
  Canvas.FillRect({0, 0, FWidth, FHeight}, FColor);
  Frame3D(Canvas, {0, 0, FWidth, FHeight}, clBtnShadow, clBtnHighlight);
  int y = 2;
  TStrings shown;
  shown.SetText(DisplayText());
  for (const std::string& line : shown) {
    const TSize sz = Canvas.TextExtent(FFont, line);
    if (y >= FHeight) break;
    Canvas.TextAt(3, y, line, FFont, 0, FFont.Color());
    y += std::max(1, sz.cy);
  }
}

std::string TRichEdit::DisplayText() const {
  std::string text = TMemo::DisplayText();
  if (PlainText || !IsRichText(text)) return text;
  if (FHandle && UiContext().Backend().ShowsRichText(FHandle)) return text;
  return RichTextToPlain(text);
}

const TClassInfo& TRichEdit::StaticClass() {
  using T = TRichEdit;
  return ClassTable([] {
    return TClassBuilder<T>("TRichEdit", &TMemo::StaticClass)
        .Bool<&T::PlainText, &T::PlainText>("PlainText", false);
  });
}

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 97;
  FColor = clWindow;
  FParentColor = false;
  TabStop = true;
  FItems.OnChange = [this](TStrings&) {
    if (FItemIndex >= FItems.Count()) FItemIndex = -1;
    if (FHandle) UiContext().Backend().SetItems(FHandle, FItems.Items(), FItemIndex);
    Invalidate();
  };
}

const TClassInfo& TListBox::StaticClass() {
  using T = TListBox;
  return ClassTable([] {
    return TClassBuilder<T>("TListBox", &TWinControl::StaticClass)
        .Strings<&T::ItemsObj>("Items")
        .Int<&T::ItemHeight, &T::ItemHeight>("ItemHeight", 13)
        .Bool<&T::Sorted, &T::Sorted>("Sorted", false);
  });
}

int TListBox::ItemIndex() const {
  if (FHandle) return UiContext().Backend().GetItemIndex(FHandle);
  return FItemIndex;
}

void TListBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= FItems.Count()) Value = -1;
  FItemIndex = Value;
  if (FHandle) UiContext().Backend().SetItems(FHandle, FItems.Items(), FItemIndex);
  Invalidate();
}

void TListBox::InitWidget() {
  TWinControl::InitWidget();
  UiContext().Backend().SetItems(FHandle, FItems.Items(), FItemIndex);
}

void TListBox::WidgetClicked() {
  if (FHandle) FItemIndex = UiContext().Backend().GetItemIndex(FHandle);
  Click();
}

void TListBox::Paint(ICanvas& Canvas) {
  Canvas.FillRect({0, 0, FWidth, FHeight}, FColor);
  Frame3D(Canvas, {0, 0, FWidth, FHeight}, clBtnShadow, clBtnHighlight);
  int y = 2;
  for (int i = 0; i < FItems.Count() && y < FHeight; ++i) {
    if (i == FItemIndex) Canvas.FillRect({2, y, FWidth - 2, y + ItemHeight}, static_cast<TColor>(0x8000000Du));
    Canvas.TextAt(3, y, FItems[i], FFont, 0,
                   i == FItemIndex ? static_cast<TColor>(0x8000000Eu) : FFont.Color());
    y += ItemHeight;
  }
}

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 150;
  FHeight = 16;
}

const TClassInfo& TProgressBar::StaticClass() {
  using T = TProgressBar;
  return ClassTable([] {
    return TClassBuilder<T>("TProgressBar", &TWinControl::StaticClass)
        .Int<&T::Min, &T::SetMin>("Min", 0)
        .Int<&T::Max, &T::SetMax>("Max", 100)
        .Int<&T::Position, &T::SetPosition>("Position", 0)
        .Int<&T::Step, &T::Step>("Step", 10)
        .Bool<&T::Smooth, &T::Smooth>("Smooth", false);
  });
}

void TProgressBar::SetMin(int Value) {
  FMin = Value;
  Update();
}

void TProgressBar::SetMax(int Value) {
  FMax = Value;
  Update();
}

void TProgressBar::SetPosition(int Value) {
  // Long loops set the same value many times; the window only hears of a
  // change.
  if (Value == FPosition && !IsLoading()) return;
  FPosition = Value;
  Update();
}

void TProgressBar::Update() {
  if (IsLoading()) return;
  if (FMax < FMin) FMax = FMin;
  FPosition = std::clamp(FPosition, FMin, FMax);
  if (FHandle) UiContext().Backend().SetProgress(FHandle, FMin, FMax, FPosition);
  Invalidate();
}

void TProgressBar::InitWidget() {
  TWinControl::InitWidget();
  Update();
}

void TProgressBar::Paint(ICanvas& Canvas) {
  Canvas.FillRect({0, 0, FWidth, FHeight}, clBtnFace);
  Frame3D(Canvas, {0, 0, FWidth, FHeight}, clBtnShadow, clBtnHighlight);
  const int span = FMax - FMin;
  const int filled = span > 0 ? MulDiv(FPosition - FMin, FWidth - 2, span) : 0;
  Canvas.FillRect({1, 1, 1 + filled, FHeight - 1}, static_cast<TColor>(0x8000000Du));
}

} // namespace quendel::ui
