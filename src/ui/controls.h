// The controls the forms are made of. Each is a component with published
// properties, so a stored form definition loads into it; its state lives in
// the object and is mirrored into a window once the control has one (see
// backend.h). Controls without a window (labels, bevels, images) are painted
// by their parent, which makes them transparent over it.
#pragma once

#include "core/component.h"
#include "core/event.h"
#include "core/graphics.h"
#include "core/persistent.h"
#include "core/reflection.h"
#include "definition/loader.h"
#include "ui/backend.h"
#include "ui/canvas.h"

#include <string>
#include <vector>

namespace quendel::ui {

using TNotifyEvent = TEvent<void(TComponent* Sender)>;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
extern const TEnumInfo AlignInfo;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
extern const TEnumInfo AlignmentInfo;
enum TDragMode { dmManual, dmAutomatic };
extern const TEnumInfo DragModeInfo;
enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
extern const TEnumInfo PanelBevelInfo;
enum TBorderStyle { bsNone, bsSingle };
extern const TEnumInfo BorderStyleInfo;

class TWinControl;
class TCustomForm;

class TControl : public TComponent, public IParentedComponent {
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* Value);
  void SetParentComponent(TComponent* Value) override;
  TComponent* GetParentComponent() const override;

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  // Visible here and in every parent.
  bool Showing() const;

  const std::string& Caption() const { return FCaption; }
  virtual void SetCaption(const std::string& Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  const TFont* FontObj() const { return &FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);

  std::string Hint;
  bool ShowHint = false;
  bool ParentShowHint = true;
  int Cursor = 0;
  int DragCursor = -12;
  TDragMode DragMode = dmManual;
  int HelpContext = 0;

  TNotifyEvent OnClick;
  virtual void Click();

  // Repaints the control (its parent's window for a control without one).
  virtual void Invalidate();
  // Paints the control's own content; the canvas origin is its top-left.
  virtual void Paint(ICanvas& Canvas);
  // The form the control sits on (its top parent that is a form).
  TCustomForm* ParentForm() const;

  // Scales bounds and font for a screen of M pixels per inch when the
  // layout was made at D.
  virtual void ChangeScale(int M, int D);

  void Loaded() override;

protected:
  virtual void FontChanged();
  virtual void BoundsChanged() {}
  virtual void TextChanged() {}
  void ParentFontChanged();
  void ParentColorChanged();

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  std::string FCaption;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  TFont FFont;
  bool FParentFont = true;
  bool FSettingParentFont = false;

  friend class TWinControl;
};

class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const { return FControls.at(static_cast<std::size_t>(Index)); }

  THandle Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  void DestroyHandle();
  virtual TWidgetKind WidgetKind() const { return TWidgetKind::Custom; }

  int TabOrder = -1;
  bool TabStop = false;
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value);

  TRect ClientRect() const;
  virtual TSize ClientSize() const { return {FWidth, FHeight}; }
  // Lays out the aligned children in the client area.
  void Realign();
  void BringToFront();
  void SetFocus();
  // The child (at any depth) with this name, or nullptr.
  TControl* FindChildControl(std::string_view AName) const;
  // A window that is not one of this layer's controls (a system dialog) to
  // create this control's window in, when it has no parent control.
  THandle ForeignParent() const { return FForeignParent; }
  void SetForeignParent(THandle Value) { FForeignParent = Value; }

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void SetVisible(bool Value) override;
  void SetEnabled(bool Value) override;
  void SetCaption(const std::string& Value) override;
  void Invalidate() override;
  // Paints the window and its children at once.
  void Repaint();
  void ChangeScale(int M, int D) override;
  // Paints the background (Paint) and then every visible child without a
  // window, in order.
  virtual void PaintWindow(ICanvas& Canvas);
  // Called by the backend for notifications of its window.
  virtual void WidgetClicked() { Click(); }
  virtual void WidgetTextChanged(const std::string& Text);
  virtual void WidgetResized(int ClientWidth, int ClientHeight);

  void Loaded() override;

protected:
  virtual void CreateWidget();
  // Pushes the control's state into its new window.
  virtual void InitWidget();
  virtual void AlignControls(TRect& Client);
  THandle ParentHandle();
  void FontChanged() override;

  THandle FHandle = nullptr;
  THandle FForeignParent = nullptr;
  int FBorderWidth = 0;
  bool FAligning = false;
  std::vector<TControl*> FControls;

  friend class TControl;
  friend class TRadioButton;
};

class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

enum TTextLayout { tlTop, tlCenter, tlBottom };
extern const TEnumInfo TextLayoutInfo;

class TCustomLabel : public TGraphicControl {
public:
  explicit TCustomLabel(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TAlignment Alignment() const { return FAlignment; }
  virtual void SetAlignment(TAlignment Value);
  bool AutoSize = true;
  bool Transparent = false;
  bool WordWrap = false;
  bool ShowAccelChar = true;
  TTextLayout Layout = tlTop;
  TWinControl* FocusControl = nullptr;
  void Paint(ICanvas& Canvas) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  TAlignment FAlignment = taLeftJustify;
};

class TLabel : public TCustomLabel {
public:
  explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// A label whose caption a translator fills by its string identifier (GLID);
// identifier 0 is translated by its text.
class TTranslateLabel : public TLabel {
public:
  explicit TTranslateLabel(TComponent* AOwner) : TLabel(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int GLID = 0;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
extern const TEnumInfo BevelShapeInfo;
enum TBevelStyle { bsLowered, bsRaised };
extern const TEnumInfo BevelStyleInfo;

class TBevel : public TGraphicControl {
public:
  explicit TBevel(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TBevelShape Shape = bsBox;
  TBevelStyle Style = bsLowered;
  void Paint(ICanvas& Canvas) override;
};

class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TPicture& Picture() { return FPicture; }
  const TPicture& Picture() const { return FPicture; }
  const TPicture* PictureObj() const { return &FPicture; }
  bool Center = false;
  bool Stretch = false;
  bool AutoSize = false;
  bool Transparent = false;
  void Paint(ICanvas& Canvas) override;

private:
  TPicture FPicture;
};

class TCustomPanel : public TWinControl {
public:
  explicit TCustomPanel(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TPanelBevel BevelInner = bvNone;
  TPanelBevel BevelOuter = bvRaised;
  int BevelWidth = 1;
  TBorderStyle BorderStyle = bsNone;
  TAlignment Alignment = taCenter;
  bool Locked = false;
  bool FullRepaint = true;
  void Paint(ICanvas& Canvas) override;

protected:
  void AlignControls(TRect& Client) override;
};

class TPanel : public TCustomPanel {
public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// A captioned frame around related controls. Its window is one of this
// layer's own (painted by the control), so the notifications of the controls
// inside reach their handlers as from any panel.
class TCustomGroupBox : public TWinControl {
public:
  explicit TCustomGroupBox(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  void Paint(ICanvas& Canvas) override;

protected:
  // The frame and the caption above it take their room from the client area.
  void AlignControls(TRect& Client) override;
};

class TGroupBox : public TCustomGroupBox {
public:
  explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// Pages of a host use one as their index; it draws nothing of its own.
class TTabControl : public TWinControl {
public:
  explicit TTabControl(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TStrings& Tabs() { return FTabs; }
  const TStrings* TabsObj() const { return &FTabs; }
  int TabIndex = -1;

private:
  TStrings FTabs;
};

class TButton : public TWinControl {
public:
  explicit TButton(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TWidgetKind WidgetKind() const override { return TWidgetKind::Button; }
  bool Default = false;
  bool Cancel = false;
  int ModalResult = 0;
  // Sets the form's modal result (when ModalResult is not 0), then OnClick.
  void Click() override;
  void Paint(ICanvas& Canvas) override;
};

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
extern const TEnumInfo BitBtnKindInfo;
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
extern const TEnumInfo ButtonLayoutInfo;

class TBitBtn : public TButton {
public:
  explicit TBitBtn(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TBitBtnKind Kind = bkCustom;
  TPicture& Glyph() { return FGlyph; }
  const TPicture& Glyph() const { return FGlyph; }
  const TPicture* GlyphObj() const { return &FGlyph; }
  int NumGlyphs = 1;
  TButtonLayout Layout = blGlyphLeft;
  int Spacing = 4;
  int Margin = -1;

private:
  TPicture FGlyph;
};

class TTranslateBitBtn : public TBitBtn {
public:
  explicit TTranslateBitBtn(TComponent* AOwner) : TBitBtn(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int GLID = 0;
};

class TCheckBox : public TWinControl {
public:
  explicit TCheckBox(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TWidgetKind WidgetKind() const override { return TWidgetKind::CheckBox; }
  bool Checked() const;
  void SetChecked(bool Value);
  void WidgetClicked() override;
  void Paint(ICanvas& Canvas) override;

protected:
  void InitWidget() override;
  bool FChecked = false;
};

class TRadioButton : public TCheckBox {
public:
  explicit TRadioButton(TComponent* AOwner) : TCheckBox(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TWidgetKind WidgetKind() const override { return TWidgetKind::RadioButton; }
  void WidgetClicked() override;
};

class TEdit : public TWinControl {
public:
  explicit TEdit(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TWidgetKind WidgetKind() const override { return TWidgetKind::Edit; }
  // The text (the caption of an edit box): what the user typed.
  std::string Text() const;
  void SetText(const std::string& Value) { SetCaption(Value); }
  bool ReadOnly = false;
  int MaxLength = 0;
  TNotifyEvent OnChange;
  void WidgetTextChanged(const std::string& Text) override;
  void Paint(ICanvas& Canvas) override;
};

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
extern const TEnumInfo ScrollStyleInfo;

class TMemo : public TWinControl {
public:
  explicit TMemo(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TWidgetKind WidgetKind() const override { return TWidgetKind::Memo; }
  TStrings& Lines() { return FLines; }
  const TStrings& Lines() const { return FLines; }
  const TStrings* LinesObj() const { return &FLines; }
  bool ReadOnly = false;
  bool WordWrap = true;
  TScrollStyle ScrollBars = ssNone;
  void WidgetTextChanged(const std::string& Text) override;
  void Paint(ICanvas& Canvas) override;

protected:
  void InitWidget() override;
  // What the window shows for Lines.
  virtual std::string DisplayText() const { return FLines.Text(); }

private:
  TStrings FLines;
  bool FSyncing = false;
};

// Lines holding a rich-text document ("{\rtf...") are shown formatted where
// the system has a rich-edit control, elsewhere as their plain text;
// PlainText shows every text as it is.
class TRichEdit : public TMemo {
public:
  explicit TRichEdit(TComponent* AOwner) : TMemo(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TWidgetKind WidgetKind() const override {
    return PlainText ? TWidgetKind::Memo : TWidgetKind::RichEdit;
  }
  bool PlainText = false;

protected:
  std::string DisplayText() const override;
};

class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TWidgetKind WidgetKind() const override { return TWidgetKind::ListBox; }
  TStrings& Items() { return FItems; }
  const TStrings& Items() const { return FItems; }
  const TStrings* ItemsObj() const { return &FItems; }
  int ItemIndex() const;
  void SetItemIndex(int Value);
  int ItemHeight = 13;
  bool Sorted = false;
  void WidgetClicked() override;
  void Paint(ICanvas& Canvas) override;

protected:
  void InitWidget() override;

private:
  TStrings FItems;
  int FItemIndex = -1;
};

class TProgressBar : public TWinControl {
public:
  explicit TProgressBar(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TWidgetKind WidgetKind() const override { return TWidgetKind::ProgressBar; }
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Position() const { return FPosition; }
  void SetMin(int Value);
  void SetMax(int Value);
  // Kept within Min..Max.
  void SetPosition(int Value);
  int Step = 10;
  bool Smooth = false;
  void Paint(ICanvas& Canvas) override;

protected:
  void InitWidget() override;

private:
  void Update();
  int FMin = 0, FMax = 100, FPosition = 0;
};

} // namespace quendel::ui
