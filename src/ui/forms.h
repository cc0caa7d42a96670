// Forms and the application object. A form is a top-level window, or, when
// it is given a parent window, a borderless child embedded in another form
// (a wizard page inside its host). Its layout comes from a stored form
// definition: LoadFormDefinition finds it by the class name.
#pragma once

#include "core/event.h"
#include "ui/controls.h"

#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quendel::ui {

enum TFormBorderStyle { bsNoneForm, bsSingleForm, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
extern const TEnumInfo FormBorderStyleInfo;
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
extern const TEnumInfo BorderIconInfo;
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
extern const TEnumInfo PositionInfo;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
extern const TEnumInfo FormStyleInfo;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
extern const TEnumInfo WindowStateInfo;

// Modal results.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrAbort = 3;

class TCustomForm : public TWinControl {
public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TWidgetKind WidgetKind() const override { return TWidgetKind::Form; }

  TFormBorderStyle BorderStyle() const;
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons;
  TPosition Position = poDefaultPosOnly;
  TFormStyle FormStyle = fsNormal;
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState Value);
  int PixelsPerInch = 96;
  bool Scaled = true;
  bool OldCreateOrder = false;
  int TextHeight = 13;
  bool KeyPreview = false;

  // The client area; the outer size follows from the window's frame.
  TSize ClientSize() const override { return {FClientWidth, FClientHeight}; }
  int ClientWidth() const { return FClientWidth; }
  int ClientHeight() const { return FClientHeight; }
  void SetClientWidth(int Value);
  void SetClientHeight(int Value);
  // Outer size as designed for classic window frames: the client area is
  // what remains inside such a frame.
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // A window given a parent is a borderless child window inside it.
  THandle ParentWindow() const { return FParentWindow; }
  void SetParentWindow(THandle Value) { FParentWindow = Value; }

  int ModalResult() const { return FModalResult; }
  void SetModalResult(int Value) { FModalResult = Value; }
  bool IsModal() const { return FModal; }

  void Show();
  void Hide();
  int ShowModal();
  // Asks CloseQuery; when it agrees, hides the form (a modal form: its
  // modal result becomes mrCancel when it had none).
  void Close();
  virtual bool CloseQuery();
  // Esc pressed in the window; nothing in the base.
  virtual void EscapePressed() {}
  // Raised by the backend when the window becomes active.
  virtual void Activate();

  TNotifyEvent OnActivate;
  TNotifyEvent OnShow;
  TNotifyEvent OnCreate;

  void ChangeScale(int M, int D) override;
  void WidgetResized(int ClientWidth, int ClientHeight) override;
  void PaintWindow(ICanvas& Canvas) override;

  // Called once the stored layout is in: scales the form to the screen.
  virtual void AfterConstruction();

  // Renders the form and every control on it into Target (its client
  // area), as the headless backend shows it.
  void RenderTo(class TBitmap32& Target);

protected:
  void CreateWidget() override;
  void InitWidget() override;
  virtual void DoShow();
  void UpdateOuterBounds();

  int FClientWidth = 0;
  int FClientHeight = 0;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TWindowState FWindowState = wsNormal;
  THandle FParentWindow = nullptr;
  int FModalResult = 0;
  bool FModal = false;
  bool FSettingOuter = false;
};

class TForm : public TCustomForm {
public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// Renders a control and its children (windowed or not) into a canvas whose
// origin is the control's top-left corner.
void RenderControl(TControl& Control, ICanvas& Canvas);

using TExceptionEvent = TEvent<void(TComponent* Sender, std::exception_ptr E)>;

class TApplication : public TComponent {
public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Prepares the application (and the component-object library of the
  // main thread, under Windows).
  void Initialize();
  std::string Title;
  TCustomForm* MainForm() const { return FMainForm; }
  void SetMainForm(TCustomForm* Form);
  // Creates a form of FormClass owned by the application, with its stored
  // layout; the first form so created becomes the main form.
  TCustomForm* CreateForm(const TClassInfo& FormClass);
  void Run();
  void Terminate();
  bool Terminated() const;
  void ProcessMessages();
  // Called with every exception that escapes a message handler.
  TExceptionEvent OnException;
  // Passes the current exception to OnException, or shows it.
  void HandleException(TComponent* Sender);
  void ShowException(const std::exception& E);
  int ShowMessageBox(const std::string& Text, const std::string& Caption, int Buttons);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TCustomForm* FMainForm = nullptr;
};

// Stored form layouts by resource name (the upper-cased class name), as a
// binary object stream: those added, and those a lookup finds (the
// setup program's own resources), each asked of it once.
class TFormResources {
public:
  using TLookup = TEvent<std::optional<std::string>(const std::string& Name)>;
  void Add(const std::string& Name, std::string Stream);
  // Asked for a name that was not added.
  void SetLookup(TLookup Lookup) { FLookup = std::move(Lookup); }
  // nullptr when absent.
  const std::string* Find(const std::string& Name);

private:
  std::map<std::string, std::string> FStreams;
  TLookup FLookup;
};

// Everything the widget layer keeps for the process: the backend, the
// application and the stored layouts.
class TUiContext {
public:
  explicit TUiContext(IWidgetBackend& Backend);
  ~TUiContext();
  IWidgetBackend& Backend() { return *FBackend; }
  TApplication& Application() { return *FApplication; }
  TFormResources& Resources() { return FResources; }

private:
  IWidgetBackend* FBackend;
  std::unique_ptr<TApplication> FApplication;
  TFormResources FResources;
};

// Installs a context for its lifetime and restores the one it replaced.
class TUiScope {
public:
  explicit TUiScope(TUiContext& Context);
  ~TUiScope();
  TUiScope(const TUiScope&) = delete;
  TUiScope& operator=(const TUiScope&) = delete;

private:
  TUiContext* FPrevious;
};

// The installed context; raises EComponentError when none is installed.
TUiContext& UiContext();
bool HasUiContext();
TApplication& Application();

// Loads Form's stored layout (by its class's resource name, else by its
// nearest ancestor's) when there is one, then lets the form finish
// (AfterConstruction).
void LoadFormDefinition(TCustomForm& Form);
template <class T> T* NewForm(TComponent* Owner) {
  T* form = new T(Owner);
  try {
    LoadFormDefinition(*form);
  } catch (...) {
    delete form;
    throw;
  }
  return form;
}

// A running modal loop. An error raised by a handler while one runs ends the
// innermost loop and passes out of its ShowModal, so that whoever opened the
// modal window closes it before the error is reported.
class TModalFrame {
public:
  TModalFrame();
  ~TModalFrame();
  TModalFrame(const TModalFrame&) = delete;
  TModalFrame& operator=(const TModalFrame&) = delete;
  std::exception_ptr Error;
  // Rethrows a handler's error, if there was one.
  void Check();
};

// Runs the handler of a window message (a click, a text change): an error
// goes to the innermost modal loop, or to the application when none runs.
void DispatchHandler(TComponent* Sender, TFunctionRef<void()> Handler);

// Registers the classes of the widget layer with Registry.
void RegisterUiClasses(TClassRegistry& Registry = ClassRegistry());

} // namespace quendel::ui
