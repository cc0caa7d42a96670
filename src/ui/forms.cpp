#include "ui/forms.h"

#include "core/exceptions.h"
#include "core/strings.h"
#include "definition/loader.h"
#include "definition/binary_codec.h"
#include "ui/software_canvas.h"

#include <algorithm>

namespace quendel::ui {

constexpr const char* kFormBorderStyleInfo[] = {"bsNone",   "bsSingle",     "bsSizeable",
                                                "bsDialog", "bsToolWindow", "bsSizeToolWin"};
constinit const TEnumInfo FormBorderStyleInfo("TFormBorderStyle", kFormBorderStyleInfo);
constexpr const char* kBorderIconInfo[] = {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};
constinit const TEnumInfo BorderIconInfo("TBorderIcon", kBorderIconInfo);
constexpr const char* kPositionInfo[] = {
    "poDesigned",     "poDefault",       "poDefaultPosOnly", "poDefaultSizeOnly",
    "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"};
constinit const TEnumInfo PositionInfo("TPosition", kPositionInfo);
constexpr const char* kFormStyleInfo[] = {"fsNormal", "fsMDIChild", "fsMDIForm", "fsStayOnTop"};
constinit const TEnumInfo FormStyleInfo("TFormStyle", kFormStyleInfo);
constexpr const char* kWindowStateInfo[] = {"wsNormal", "wsMinimized", "wsMaximized"};
constinit const TEnumInfo WindowStateInfo("TWindowState", kWindowStateInfo);

namespace {

// The frame that stored outer sizes were designed for (96 pixels per inch,
// classic window borders): width and height the frame adds to the client.
TSize ClassicFrame(TFormBorderStyle Style) {
  switch (Style) {
  case bsNoneForm:
    return {0, 0};
  case bsSizeable:
    return {8, 27};
  case bsToolWindow:
    return {6, 22};
  case bsSizeToolWin:
    return {8, 24};
  case bsSingleForm:
  case bsDialog:
    return {6, 25};
  }
  return {6, 25};
}

TUiContext*& CurrentContext() {
  static TUiContext* current = nullptr;
  return current;
}

} // namespace

// ------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  BorderIcons = {biSystemMenu, biMinimize, biMaximize};
  FVisible = false;
  FParentFont = false;
  FParentColor = false;
  FClientWidth = 320;
  FClientHeight = 240;
  UpdateOuterBounds();
}

TCustomForm::~TCustomForm() {
  Destroying();
  DestroyHandle();
}

const TClassInfo& TCustomForm::StaticClass() {
  using T = TCustomForm;
  return ClassTable([] {
    return TClassBuilder<T>("TCustomForm", &TWinControl::StaticClass)
        .Bool<&T::Visible, &T::SetVisible>("Visible", false)
        .Enum<&T::BorderStyle, &T::SetBorderStyle>("BorderStyle", FormBorderStyleInfo, bsSizeable)
        .Set<&T::BorderIcons, &T::BorderIcons>("BorderIcons", BorderIconInfo,
                                               TBorderIcons{biSystemMenu, biMinimize, biMaximize})
        .Enum<&T::Position, &T::Position>("Position", PositionInfo, poDefaultPosOnly)
        .Enum<&T::FormStyle, &T::FormStyle>("FormStyle", FormStyleInfo, fsNormal)
        .Enum<&T::WindowState, &T::SetWindowState>("WindowState", WindowStateInfo, wsNormal)
        .Int<&T::PixelsPerInch, &T::PixelsPerInch>("PixelsPerInch")
        .Bool<&T::Scaled, &T::Scaled>("Scaled", true)
        .Bool<&T::OldCreateOrder, &T::OldCreateOrder>("OldCreateOrder", false)
        .Int<&T::TextHeight, &T::TextHeight>("TextHeight")
        .Bool<&T::KeyPreview, &T::KeyPreview>("KeyPreview", false)
        .Int<&T::ClientWidth, &T::SetClientWidth>("ClientWidth")
        .Stored(false)
        .Int<&T::ClientHeight, &T::SetClientHeight>("ClientHeight")
        .Stored(false)
        .Event<&T::OnActivate>("OnActivate")
        .Event<&T::OnShow>("OnShow")
        .Event<&T::OnCreate>("OnCreate");
  });
}

TFormBorderStyle TCustomForm::BorderStyle() const {
  return FBorderStyle;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  FBorderStyle = Value;
  UpdateOuterBounds();
}

void TCustomForm::SetWindowState(TWindowState Value) {
  FWindowState = Value;
  if (Value == wsMaximized && HasUiContext() && !FParentWindow) {
    // Maximized: the outer window fills the screen.
    const TSize s = UiContext().Backend().ScreenSize();
    const TSize frame = UiContext().Backend().OuterSize(*this, {0, 0});
    FClientWidth = std::max(0, s.cx - frame.cx);
    FClientHeight = std::max(0, s.cy - frame.cy);
    FSettingOuter = true;
    TWinControl::SetBounds(0, 0, s.cx, s.cy);
    FSettingOuter = false;
    Realign();
    Invalidate();
  }
}

void TCustomForm::SetClientWidth(int Value) {
  FClientWidth = std::max(0, Value);
  UpdateOuterBounds();
  Realign();
}

void TCustomForm::SetClientHeight(int Value) {
  FClientHeight = std::max(0, Value);
  UpdateOuterBounds();
  Realign();
}

void TCustomForm::UpdateOuterBounds() {
  TSize outer;
  if (FParentWindow || FBorderStyle == bsNoneForm) {
    outer = {FClientWidth, FClientHeight};
  } else if (HasUiContext()) {
    outer = UiContext().Backend().OuterSize(*this, {FClientWidth, FClientHeight});
  } else {
    const TSize f = ClassicFrame(FBorderStyle);
    outer = {FClientWidth + f.cx, FClientHeight + f.cy};
  }
  FSettingOuter = true;
  TWinControl::SetBounds(FLeft, FTop, outer.cx, outer.cy);
  FSettingOuter = false;
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (FSettingOuter) {
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    return;
  }
  // An outer size was designed around a classic frame: keep its client area.
  // Only the dimension that changes: the other is already today's outer size.
  const TSize f = FParentWindow ? TSize{0, 0} : ClassicFrame(FBorderStyle);
  if (AWidth != FWidth) FClientWidth = std::max(0, AWidth - f.cx);
  if (AHeight != FHeight) FClientHeight = std::max(0, AHeight - f.cy);
  FLeft = ALeft;
  FTop = ATop;
  UpdateOuterBounds();
  Realign();
}

void TCustomForm::ChangeScale(int M, int D) {
  if (M == D) return;
  const int cw = MulDiv(FClientWidth, M, D), ch = MulDiv(FClientHeight, M, D);
  TWinControl::ChangeScale(M, D);
  FClientWidth = cw;
  FClientHeight = ch;
  UpdateOuterBounds();
  Realign();
}

void TCustomForm::AfterConstruction() {
  if (HasUiContext()) {
    const int ppi = UiContext().Backend().PixelsPerInch();
    // Layouts are drawn at PixelsPerInch; a finer screen gets them larger
    // in proportion, fonts included.
    if (PixelsPerInch > 0 && ppi != PixelsPerInch) {
      ChangeScale(ppi, PixelsPerInch);
      PixelsPerInch = ppi;
    }
  }
  UpdateOuterBounds();
  Realign();
  if (OnCreate) OnCreate(this);
}

void TCustomForm::CreateWidget() {
  UpdateOuterBounds();
  TWinControl::CreateWidget();
}

void TCustomForm::InitWidget() {
  IWidgetBackend& b = UiContext().Backend();
  b.SetFont(FHandle, FFont);
  b.SetText(FHandle, FCaption);
  b.SetEnabled(FHandle, FEnabled);
  // Shown only by Show/ShowModal.
}

void TCustomForm::WidgetResized(int AClientWidth, int AClientHeight) {
  FClientWidth = AClientWidth;
  FClientHeight = AClientHeight;
  Realign();
}

void TCustomForm::PaintWindow(ICanvas& Canvas) {
  Canvas.FillRect({0, 0, FClientWidth, FClientHeight}, FColor);
  TWinControl::PaintWindow(Canvas);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::Show() {
  HandleNeeded();
  IWidgetBackend& b = UiContext().Backend();
  if (!FParentWindow) {
    if (Position == poScreenCenter || Position == poDesktopCenter || Position == poMainFormCenter ||
        Position == poOwnerFormCenter) {
      const TSize s = b.ScreenSize();
      TWinControl::SetBounds((s.cx - FWidth) / 2, (s.cy - FHeight) / 2, FWidth, FHeight);
    }
    if (FWindowState == wsMaximized) SetWindowState(wsMaximized);
  }
  DoShow();
  FVisible = true;
  b.SetVisible(FHandle, true);
  Invalidate();
}

void TCustomForm::Hide() {
  FVisible = false;
  if (FHandle) UiContext().Backend().SetVisible(FHandle, false);
}

int TCustomForm::ShowModal() {
  if (FModal) Raise<EComponentError>("Cannot make a visible window modal");
  FModalResult = 0;
  FModal = true;
  try {
    Show();
    UiContext().Backend().ModalLoop(*this);
  } catch (...) {
    FModal = false;
    Hide();
    throw;
  }
  FModal = false;
  Hide();
  // A loop ended by the application's end leaves no result: as cancelled.
  if (FModalResult == 0) FModalResult = mrCancel;
  return FModalResult;
}

bool TCustomForm::CloseQuery() {
  return true;
}

void TCustomForm::Close() {
  if (!CloseQuery()) return;
  if (FModal) {
    if (FModalResult == 0) FModalResult = mrCancel;
    return;
  }
  Hide();
  if (HasUiContext() && UiContext().Application().MainForm() == this)
    UiContext().Application().Terminate();
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::RenderTo(TBitmap32& Target) {
  Target = TBitmap32(FClientWidth, FClientHeight);
  TSoftwareCanvas canvas(Target);
  RenderControl(*this, canvas);
}

void RenderControl(TControl& Control, ICanvas& Canvas) {
  auto* w = dynamic_cast<TWinControl*>(&Control);
  if (!w) {
    Control.Paint(Canvas);
    return;
  }
  w->PaintWindow(Canvas);
  for (int i = 0; i < w->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(w->Controls(i));
    if (!child || !child->Visible()) continue;
    TRect r = child->BoundsRect();
    if (auto* f = dynamic_cast<TCustomForm*>(child))
      r = Bounds(f->Left(), f->Top(), f->ClientWidth(), f->ClientHeight());
    Canvas.Enter(r);
    RenderControl(*child, Canvas);
    Canvas.Restore();
  }
}

const TClassInfo& TForm::StaticClass() {
  return ClassTable([] { return TClassBuilder<TForm>("TForm", &TCustomForm::StaticClass); });
}

// ------------------------------------------------------------ TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
  Destroying();
  // The forms go first, while the context (and its backend) still exists.
  DestroyComponents();
}

const TClassInfo& TApplication::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TApplication>("TApplication", &TComponent::StaticClass); });
}

void TApplication::Initialize() {}

void TApplication::SetMainForm(TCustomForm* Form) {
  if (FMainForm) RemoveFreeNotification(FMainForm);
  FMainForm = Form;
  if (Form) FreeNotification(Form);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FMainForm) FMainForm = nullptr;
  TComponent::Notification(AComponent, Operation);
}

TCustomForm* TApplication::CreateForm(const TClassInfo& FormClass) {
  if (!FormClass.InheritsFrom(TCustomForm::StaticClass()))
    Raise<EComponentError>("%s is not a form class", {FormClass.Name()});
  std::unique_ptr<TComponent> made(FormClass.Create(this));
  auto* form = static_cast<TCustomForm*>(made.get());
  LoadFormDefinition(*form);
  made.release();
  if (!FMainForm) SetMainForm(form);
  return form;
}

void TApplication::Run() {
  IWidgetBackend& b = UiContext().Backend();
  if (FMainForm && !b.Terminated()) {
    FMainForm->Show();
    FMainForm->Activate();
  } else if (FMainForm) {
    FMainForm->Show();
  }
  if (!b.Terminated()) b.Run();
}

void TApplication::Terminate() {
  UiContext().Backend().Terminate();
}
bool TApplication::Terminated() const {
  return UiContext().Backend().Terminated();
}
void TApplication::ProcessMessages() {
  UiContext().Backend().ProcessMessages();
}

void TApplication::HandleException(TComponent* Sender) {
  std::exception_ptr e = std::current_exception();
  if (!e) return;
  if (OnException) {
    OnException(Sender, e);
    return;
  }
  try {
    std::rethrow_exception(e);
  } catch (const EAbort&) {
    // A silent abort shows nothing.
  } catch (const std::exception& ex) {
    ShowException(ex);
  }
}

void TApplication::ShowException(const std::exception& E) {
  std::string text = E.what();
  if (!text.empty() && text.back() != '.') text += ".";
  ShowMessageBox(text, Title, 0);
}

int TApplication::ShowMessageBox(const std::string& Text, const std::string& Caption, int Buttons) {
  return UiContext().Backend().ShowMessageBox(Text, Caption, Buttons);
}

// ------------------------------------------------------------ the context

void TFormResources::Add(const std::string& Name, std::string Stream) {
  FStreams[UpperCase(Name)] = std::move(Stream);
}

const std::string* TFormResources::Find(const std::string& Name) {
  const std::string key = UpperCase(Name);
  auto it = FStreams.find(key);
  if (it != FStreams.end()) return &it->second;
  if (!FLookup) return nullptr;
  std::optional<std::string> found = FLookup(key);
  if (!found) return nullptr;
  return &FStreams.emplace(key, std::move(*found)).first->second;
}

TUiContext::TUiContext(IWidgetBackend& Backend)
    : FBackend(&Backend), FApplication(std::make_unique<TApplication>(nullptr)) {}

TUiContext::~TUiContext() {
  // Forms die while this context is still the installed one.
  TUiContext* saved = CurrentContext();
  CurrentContext() = this;
  FApplication.reset();
  CurrentContext() = saved == this ? nullptr : saved;
}

TUiScope::TUiScope(TUiContext& Context) : FPrevious(CurrentContext()) {
  CurrentContext() = &Context;
}

TUiScope::~TUiScope() {
  CurrentContext() = FPrevious;
}

TUiContext& UiContext() {
  TUiContext* c = CurrentContext();
  if (!c) Raise<EComponentError>("No user interface is running (no widget context installed)");
  return *c;
}

bool HasUiContext() {
  return CurrentContext() != nullptr;
}

TApplication& Application() {
  return UiContext().Application();
}

namespace {
std::vector<TModalFrame*>& ModalFrames() {
  static std::vector<TModalFrame*> frames;
  return frames;
}
} // namespace

TModalFrame::TModalFrame() {
  ModalFrames().push_back(this);
}

TModalFrame::~TModalFrame() {
  auto& f = ModalFrames();
  f.erase(std::remove(f.begin(), f.end(), this), f.end());
}

void TModalFrame::Check() {
  if (Error) {
    std::exception_ptr e = Error;
    Error = nullptr;
    std::rethrow_exception(e);
  }
}

void DispatchHandler(TComponent* Sender, TFunctionRef<void()> Handler) {
  try {
    Handler();
  } catch (...) {
    auto& frames = ModalFrames();
    if (!frames.empty()) {
      if (!frames.back()->Error) frames.back()->Error = std::current_exception();
      return;
    }
    Application().HandleException(Sender);
  }
}

void LoadFormDefinition(TCustomForm& Form) {
  // A form without a layout of its own takes its nearest ancestor's, as a
  // page takes the frame all pages share.
  const std::string* stream = nullptr;
  if (HasUiContext())
    for (const TClassInfo* c = &Form.ClassType(); c && !stream; c = c->Parent())
      stream = UiContext().Resources().Find(UpperCase(c->Name()));
  if (stream) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream->data());
    // Layouts are stored in the binary form only: the text form's reader is
    // an author's tool and stays out of every shipped program.
    TObjectRecord layout = ReadObjectBinary({bytes, stream->size()});
    // An ancestor's layout describes this form as well.
    layout.ClassName = Form.ClassName();
    // A second form of one layout beside the first stays unnamed.
    if (Form.Owner() && Form.Owner()->FindComponent(layout.Name)) layout.Name.clear();
    LoadDefinition(layout, Form);
  }
  Form.AfterConstruction();
}

} // namespace quendel::ui
