// The folder browser of the destination page: the shell's browser (through
// the widget layer's port) with two controls added to it, a button that makes
// a new folder and an edit field that takes a typed path.
#pragma once

#include "core/component.h"
#include "ui/controls.h"
#include "ui/folder_browser.h"

#include <string>

namespace quendel::dialogs {

// The texts the browser borrows from the system's libraries; a missing one
// is empty.
class TOFDResourceStrings {
public:
  // String 703 of "comdlg32.dll".
  static std::string NewFolderCaption();
  // String 8977 of "shell32.dll".
  static std::string NewFolderPrompt();
  // String 9248 of "shell32.dll".
  static std::string BrowserTitle();
};

class TOFDCreateButton : public ui::TButton {
public:
  explicit TOFDCreateButton(TComponent* AOwner) : ui::TButton(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

class TOFDPathEdit : public ui::TEdit {
public:
  explicit TOFDPathEdit(TComponent* AOwner) : ui::TEdit(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

class TOpenFolderDialog : public TComponent {
public:
  explicit TOpenFolderDialog(TComponent* AOwner);
  ~TOpenFolderDialog() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // The folder selected first; after a successful Execute, the chosen one.
  std::string FolderPath;
  bool NewFolderButton = true;
  bool PathEdit = true;

  // Shows the browser modally; true when a folder was chosen. Nothing is
  // made on the disk unless the user asks for it: with the new-folder button,
  // or by confirming a typed path that does not exist yet.
  bool Execute();

  // While the browser is open.
  const std::string& CurrentPath() const { return FCurrentPath; }
  TOFDCreateButton* CreateButton() const { return FCreateButton; }
  TOFDPathEdit* PathEditControl() const { return FPathEdit; }

private:
  bool BrowseOnce(bool& Chosen);
  void Initialized(ui::IFolderBrowserWindow& W);
  void SelectionChanged(ui::IFolderBrowserWindow& W, const std::string& Path);
  void SelectPath(ui::IFolderBrowserWindow& W, const std::string& Path);
  void CreateFolderClicked(ui::IFolderBrowserWindow& W);
  void PathTyped(ui::IFolderBrowserWindow& W);
  // A typed path confirmed with OK: made when it is complete and valid.
  bool AcceptTypedPath();
  void ShowError(const std::string& Text);
  void FreeAddedControls();

  std::string FCurrentPath;
  std::string FTitle;
  bool FRestart = false;
  bool FSettingSelection = false;
  bool FTyping = false;
  bool FTyped = false;
  TOFDCreateButton* FCreateButton = nullptr;
  TOFDPathEdit* FPathEdit = nullptr;
};

// Asks for a line of text in a small modal window; false when cancelled.
bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value);

} // namespace quendel::dialogs
