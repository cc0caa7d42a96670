// The shell's folder browser as the dialogs use it: a modal window with a
// folder tree, OK and Cancel, into which the caller may add controls of its
// own once it is open. The Win32 backend shows the system's browser; the
// headless backend has a stand-in that tests drive.
#pragma once

#include "core/event.h"
#include "ui/backend.h"

#include <memory>
#include <string>

namespace quendel::ui {

class TWinControl;
class TForm;

// The open browser, handed to the caller's handlers while it is up.
class IFolderBrowserWindow {
public:
  virtual ~IFolderBrowserWindow() = default;
  // The window the added controls go in.
  virtual THandle Handle() = 0;
  // When the stand-in is one of this layer's forms: the control to parent
  // the added controls to (nullptr for a system window).
  virtual TWinControl* Control() = 0;
  // The browser's own tree, OK and Cancel in the window's client
  // coordinates; false when the browser has no such control.
  virtual bool TreeRect(TRect& R) = 0;
  virtual bool OkRect(TRect& R) = 0;
  virtual bool CancelRect(TRect& R) = 0;
  virtual void SetTreeRect(const TRect& R) = 0;
  // Moves the tree's selection to an existing folder.
  virtual void SetSelection(const std::string& Path) = 0;
  virtual bool OkEnabled() = 0;
  // Presses OK, which closes the browser with the current selection.
  virtual void PressOk() = 0;
};

struct TFolderBrowseRequest {
  std::string Title;
  // The browser is open: add controls, select the first folder.
  TEvent<void(IFolderBrowserWindow& Window)> OnInitialized;
  // The tree's selection moved to Path (empty: a folder without a path).
  TEvent<void(IFolderBrowserWindow& Window, const std::string& Path)> OnSelectionChanged;
  // An error a handler let out. It never passes through the system's
  // browser: the browser shows it and stays open.
  TEvent<void(IFolderBrowserWindow& Window, const std::string& Message)> OnError;
};

class IFolderBrowser {
public:
  virtual ~IFolderBrowser() = default;
  // Shows the browser modally. True when the user chose a folder with OK;
  // Path is then the selected folder.
  virtual bool Browse(const TFolderBrowseRequest& Request, std::string& Path) = 0;
  // String Id of a system library ("comdlg32.dll"), empty when missing.
  virtual std::string SystemString(const std::string& Library, int Id) = 0;
};

// The headless stand-in: a form captioned with the title, holding a list in
// place of the tree ("FolderTree") and the buttons "OK" and "Cancel". Tests
// move the selection with Select and press the buttons as on any window.
class THeadlessFolderBrowser : public IFolderBrowser {
public:
  THeadlessFolderBrowser();
  ~THeadlessFolderBrowser() override;
  bool Browse(const TFolderBrowseRequest& Request, std::string& Path) override;
  std::string SystemString(const std::string& Library, int Id) override;

  // The open stand-in, or nullptr.
  TForm* Window() const { return FForm; }
  // Moves the selection as a click in the tree does.
  void Select(const std::string& Path);
  const std::string& Selection() const { return FSelection; }
  // Every Browse call so far.
  int Opened = 0;

private:
  class TWindow;
  TForm* FForm = nullptr;
  std::unique_ptr<TWindow> FWindow;
  const TFolderBrowseRequest* FRequest = nullptr;
  std::string FSelection;
};

} // namespace quendel::ui
