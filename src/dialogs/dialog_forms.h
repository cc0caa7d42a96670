// The dialog forms: TBaseQuendelForm (language handling), TBaseInstallForm
// (a wizard page, hosted or alone), TBaseDuringCopyForm (a modeless form shown
// while files are copied), and TBaseFormContainer, the modal wizard host that
// stacks a manager's pages and moves between them with Back, Next and Cancel.
#pragma once

#include "dialogs/dialog_manager.h"
#include "ui/forms.h"

#include <vector>

namespace quendel::dialogs {

// The question a Cancel asks before the install ends.
inline constexpr const char* kConfirmCancel = "Are you sure you want to cancel the installation?";
// Asks the install root's OnUserAbort handler, then the user (Yes or No), to
// confirm a cancel; an unattended run asks nobody.
bool ConfirmUserAbort();

class TBaseQuendelForm : public ui::TForm {
public:
  explicit TBaseQuendelForm(TComponent* AOwner);
  ~TBaseQuendelForm() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  bool AutoSetFont = true;
  bool AutoTranslate = true;
  TInstallContainer* FormContainer = nullptr;
  TQndlLanguage CurrentLanguage = qlEnglish;
  bool OverrideMainTranslator = false;
  TQndlLanguage TranslateIntoLanguage = qlUser;

  virtual void TranslateForm() { ApplyLanguage(); }
  // Fills the controls from the install objects before the form is shown.
  virtual void InitializeControls() {}
  // Applies the target language's font and texts, then handles pending
  // messages.
  virtual void ApplyLanguage();

  void AfterConstruction() override;
};

class TBaseInstallForm : public TBaseQuendelForm {
public:
  explicit TBaseInstallForm(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TCustomBaseInstallDlg* DC = nullptr;
  TDialogManager* DM = nullptr;
  int Order = 0;

  // The wizard host this page sits in, or nullptr when it runs alone.
  TBaseFormContainer* Host() const;
  bool Hosted() const { return FHosted; }
  // The client area the stored layout asks for (at this screen's DPI).
  ui::TSize DesignedClient;

  virtual bool IsFirstPage();
  virtual bool IsLastPage();
  // The host's tab strip moves away from this page.
  virtual void PageLeaving() {}
  virtual void CancelWizard();
  virtual void NextPage();
  virtual void PreviousPage();
  virtual void ActivatePage();
  // A page that answers true is passed over by the navigation.
  virtual bool SkipPage() { return false; }
  virtual void UserCancel();
  // Asked before Next (hosted) and before a standalone OK: a page that
  // answers false stays.
  virtual bool CanLeavePage() { return true; }
  // The user closed the window (close box, Alt+F4) or pressed Esc: Cancel,
  // with its confirmation, on a page that can be cancelled.
  virtual void DismissPage() { UserCancel(); }
  // Ends the wizard (or the page that runs alone) as finished.
  void FinishWizard();

  // The page frame: Back visible exactly when this is not the first page,
  // the focus on Next (or Finish).
  void InitializeControls() override;
  void AfterConstruction() override;
  bool CloseQuery() override;
  void EscapePressed() override { DismissPage(); }

protected:
  ui::TButton* FrameButton(const char* Name) const;

private:
  bool FHosted = false;
};

class TBaseDuringCopyForm : public TBaseQuendelForm {
public:
  explicit TBaseDuringCopyForm(TComponent* AOwner) : TBaseQuendelForm(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TDialogManager* DM = nullptr;
  // Sets the shared compressor's abort flag and the download's user-abort
  // flag when the install root agrees; the form's result is the abort result
  // either way.
  virtual void UserCancel();
  // Exactly one of the two is given.
  virtual void UpdateStatus(TFileStatusParameter* FileStatus,
                            TDownloadStatusParameter* DownloadStatus) {
    (void)FileStatus;
    (void)DownloadStatus;
  }
  // The close box and Esc are the Cancel button: asked once, and the form
  // stays until the copy ends.
  bool CloseQuery() override;
  void EscapePressed() override;
  bool Cancelled() const { return FCancelled; }

private:
  bool FCancelled = false;
};

class TBaseFormContainer : public ui::TForm {
public:
  explicit TBaseFormContainer(TComponent* AOwner);
  ~TBaseFormContainer() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  ui::TPanel* DisplayPanel() const { return FDisplayPanel; }
  ui::TTabControl* Tabs() const { return FTabs; }
  const std::vector<TBaseInstallForm*>& Pages() const { return FPages; }
  int TabIndex() const;
  bool Finished() const { return FFinished; }

  virtual void NextPage();
  virtual void PreviousPage();
  // Closes the host as finished (modal result OK).
  void Finish();
  // The page in front, or nullptr.
  TBaseInstallForm* ActivePage() const;
  // Places the host (its own width and height) on the screen.
  virtual void PlaceDialog(TQuendelDialogPosition Position, int LeftOffset, int TopOffset);
  // Makes a page of every registered form for the current dialog manager,
  // sorted by Order; returns the number of pages.
  int BuildPages();
  bool ShowPage(int Index, bool Forwards);
  bool IsFirstPage();
  bool IsLastPage();

  bool CloseQuery() override;
  void EscapePressed() override;
  void WidgetResized(int ClientWidth, int ClientHeight) override;
  void AfterConstruction() override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void DoShow() override;

private:
  void FitPages();
  ui::TPanel* FDisplayPanel = nullptr;
  ui::TTabControl* FTabs = nullptr;
  std::vector<TBaseInstallForm*> FPages;
  bool FFinished = false;
  bool FResizing = true; // on while the host is created
};

} // namespace quendel::dialogs
