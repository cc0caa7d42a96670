// The port between the controls and a windowing system. The win32 backend
// makes real windows; the headless backend keeps a window model in memory
// that tests drive (find a control, read its text, press a button) and
// renders with the software canvas.
#pragma once

#include "ui/canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quendel::ui {

class TWinControl;
class TCustomForm;
class IFolderBrowser;

using THandle = void*;

// Message box buttons and answers (the Win32 values).
inline constexpr int mbOk = 0;
inline constexpr int mbYesNo = 4;
inline constexpr int idOk = 1;
inline constexpr int idYes = 6;
inline constexpr int idNo = 7;

// What window a windowed control needs.
enum class TWidgetKind {
  Form,        // top-level (or, when hosted, child) window painted by its control
  Custom,      // child window painted by its control (panels, backdrops)
  Button,
  CheckBox,
  RadioButton,
  Edit,
  Memo,
  RichEdit,    // a memo that shows rich text, where the system has a control for it
  ListBox,
  ProgressBar,
};

class IWidgetBackend {
public:
  virtual ~IWidgetBackend() = default;

  // Parent null: a top-level window. Bounds in the parent's client
  // coordinates; for a top-level window the outer rectangle on the screen.
  virtual THandle CreateWidget(TWinControl& Control, THandle Parent) = 0;
  virtual void DestroyWidget(THandle H) = 0;
  virtual void SetBounds(THandle H, const TRect& R) = 0;
  virtual void SetText(THandle H, const std::string& Text) = 0;
  // True when H (a RichEdit widget) shows rich text as such; otherwise it
  // is given the plain text.
  virtual bool ShowsRichText(THandle H) const {
    (void)H;
    return false;
  }
  virtual std::string GetText(THandle H) = 0;
  virtual void SetVisible(THandle H, bool Visible) = 0;
  virtual void SetEnabled(THandle H, bool Enabled) = 0;
  virtual void SetFont(THandle H, const TFont& Font) = 0;
  virtual void SetChecked(THandle H, bool Checked) = 0;
  virtual bool GetChecked(THandle H) = 0;
  virtual void SetProgress(THandle H, int Min, int Max, int Position) = 0;
  virtual void SetItems(THandle H, const std::vector<std::string>& Items, int ItemIndex) = 0;
  virtual int GetItemIndex(THandle H) = 0;
  virtual void Invalidate(THandle H) = 0;
  // Paints H and its child windows now instead of at the next turn of the
  // message loop (progress shown from inside a long loop).
  virtual void Update(THandle H) = 0;
  virtual void BringToFront(THandle H) = 0;
  virtual void SetFocus(THandle H) = 0;
  virtual void SetForeground(THandle H) = 0;

  // Handles pending messages and returns.
  virtual void ProcessMessages() = 0;
  // Runs a message loop until Form has a modal result or the application
  // ends (then the quit request stays pending for the outer loops).
  virtual void ModalLoop(TCustomForm& Form) = 0;
  // The main message loop, until Terminate.
  virtual void Run() = 0;
  virtual void Terminate() = 0;
  virtual bool Terminated() const = 0;

  virtual TSize ScreenSize() const = 0;
  virtual int CaptionHeight() const = 0;
  virtual int PixelsPerInch() const = 0;
  // The outer size of a window of Style whose client area is Client.
  virtual TSize OuterSize(const TCustomForm& Form, TSize Client) const = 0;
  virtual std::uint32_t SysColor(int Index) const = 0;
  // The size of Text drawn in Font on the screen.
  virtual TSize TextExtent(const TFont& Font, const std::string& Text) = 0;

  // The shell's folder browser (a stand-in without windows).
  virtual IFolderBrowser& FolderBrowser() = 0;

  // A message box: Buttons mbOk or mbYesNo; returns idOk, idYes or idNo.
  virtual int ShowMessageBox(const std::string& Text, const std::string& Caption, int Buttons) = 0;
};

} // namespace quendel::ui
