// The pages that decide where the product goes: the destination page edits
// the destination directory of the install root (or of its dialog's
// container), the folder page the Start-menu folder of the main shortcut
// group. Both write into the install objects as the user types, and neither
// lets the wizard go on with a value the installation could not use.
#pragma once

#include "dialogs/dialog_forms.h"
#include "dialogs/path_checks.h"

namespace quendel {
class TCustomShellLinkGroup;
}

namespace quendel::dialogs {

// The standalone triggers of the two dialogs.
inline constexpr int ieShowSelectDestination = -966;
inline constexpr int ieShowSelectFolder = -991;

class TSelectDestinationForm : public TBaseInstallForm {
public:
  explicit TSelectDestinationForm(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  void InitializeControls() override;
  // Next (and OK when the page runs alone) only with a destination the
  // installation can be written to; the message says what is wrong.
  bool CanLeavePage() override;
  void AfterConstruction() override;

  ui::TEdit* DestDirEdit() const;
  ui::TGroupBox* DirectoryGroup() const;
  // What the files of the installation need below Destination.
  TDestinationNeeds NeedsBelow(const std::string& Destination) const;

private:
  std::string FullDestDir() const;
  void DestDirChanged();
  void BrowseClicked();
  void UpdateSpace();
  // Set while the page itself writes the edit.
  bool FUpdating = false;
  // Whether the directory group shows, decided the first time the page is
  // filled: a destination the user empties stays editable.
  int FShowDirectory = -1;
};

class TSelectFolderForm : public TBaseInstallForm {
public:
  explicit TSelectFolderForm(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  void InitializeControls() override;
  bool CanLeavePage() override;
  bool SkipPage() override { return FormContainer == nullptr; }
  void AfterConstruction() override;
  void ApplyLanguage() override;
  void WidgetResized(int ClientWidth, int ClientHeight) override;

  ui::TEdit* FolderEdit() const;
  ui::TListBox* FolderListBox() const;
  // The program folder the container names now, relative to the Programs
  // menu ("Company\Product"), or "" when it is not a Programs-menu folder.
  std::string FolderName() const;

private:
  void FillExistingFolders();
  void WriteFolder(const std::string& Name);
  void RestoreSpacers();
  bool FUpdating = false;
};

class TSelectDestinationDlg : public TBaseInstallDlg {
public:
  explicit TSelectDestinationDlg(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override { return TSelectDestinationForm::StaticClass(); }
  void AssignDialogProperties() override;
  bool DoExecute() override;
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
};

class TSelectFolderDlg : public TBaseInstallDlg {
public:
  explicit TSelectFolderDlg(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override { return TSelectFolderForm::StaticClass(); }
  // The container as a shortcut group: none stays none, any other kind of
  // container raises IEDialogManager.
  TCustomShellLinkGroup* LinkGroup() const;
  void SetLinkGroup(TCustomShellLinkGroup* Value);
  void AssignDialogProperties() override;
  bool DoExecute() override;
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
};

// Registers the classes of these pages with ClassRegistry().
void RegisterDestinationPages();

} // namespace quendel::dialogs
