// Real windows: the ANSI Win32 API and GDI. Forms and panels are windows of
// this layer's own class, painted through a GDI canvas; buttons, edit boxes,
// list boxes and progress bars are the system's controls.
#pragma once

#include "ui/backend.h"

#include <memory>

namespace quendel::ui {

class TWin32Backend : public IWidgetBackend {
public:
  TWin32Backend();
  ~TWin32Backend() override;

  THandle CreateWidget(TWinControl& Control, THandle Parent) override;
  void DestroyWidget(THandle H) override;
  void SetBounds(THandle H, const TRect& R) override;
  void SetText(THandle H, const std::string& Text) override;
  bool ShowsRichText(THandle H) const override;
  std::string GetText(THandle H) override;
  void SetVisible(THandle H, bool Visible) override;
  void SetEnabled(THandle H, bool Enabled) override;
  void SetFont(THandle H, const TFont& Font) override;
  void SetChecked(THandle H, bool Checked) override;
  bool GetChecked(THandle H) override;
  void SetProgress(THandle H, int Min, int Max, int Position) override;
  void SetItems(THandle H, const std::vector<std::string>& Items, int ItemIndex) override;
  int GetItemIndex(THandle H) override;
  void Invalidate(THandle H) override;
  void Update(THandle H) override;
  void BringToFront(THandle H) override;
  void SetFocus(THandle H) override;
  void SetForeground(THandle H) override;
  void ProcessMessages() override;
  void ModalLoop(TCustomForm& Form) override;
  void Run() override;
  void Terminate() override;
  bool Terminated() const override;
  TSize ScreenSize() const override;
  int CaptionHeight() const override;
  int PixelsPerInch() const override;
  TSize OuterSize(const TCustomForm& Form, TSize Client) const override;
  std::uint32_t SysColor(int Index) const override;
  TSize TextExtent(const TFont& Font, const std::string& Text) override;
  int ShowMessageBox(const std::string& Text, const std::string& Caption, int Buttons) override;
  IFolderBrowser& FolderBrowser() override;

private:
  bool FTerminated = false;
  std::unique_ptr<IFolderBrowser> FFolderBrowser;
};

// The control whose window this backend made as H, or nullptr for a window
// of someone else (a system dialog's own controls).
TWinControl* Win32ControlOf(THandle H);
// The system's folder browser (win32_folder_browser.cpp).
std::unique_ptr<IFolderBrowser> CreateWin32FolderBrowser();

} // namespace quendel::ui
