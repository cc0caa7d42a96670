// The pages that end the install run: "Setup complete" after a good install,
// "Setup incomplete" after a failed or cancelled one. They end with Finish
// and have no Cancel: closing them (close box or Esc) means Finish, since
// there is nothing left to abort.
#pragma once

#include "dialogs/dialog_forms.h"

namespace quendel::dialogs {

class TGoodInstallForm : public TBaseInstallForm {
public:
  explicit TGoodInstallForm(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  // Next while a page follows, Finish on the last.
  void InitializeControls() override;
  void DismissPage() override { FinishWizard(); }
};

class TBadInstallForm : public TBaseInstallForm {
public:
  explicit TBadInstallForm(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  void InitializeControls() override;
  void DismissPage() override { FinishWizard(); }
};

class TGoodInstallationDlg : public TBaseInstallDlg {
public:
  explicit TGoodInstallationDlg(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override { return TGoodInstallForm::StaticClass(); }
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
};

class TBadInstallationDlg : public TBaseInstallDlg {
public:
  explicit TBadInstallationDlg(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override { return TBadInstallForm::StaticClass(); }
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
};

// Adds the completion pages' dialog components to ClassRegistry().
void RegisterCompletionPages();

} // namespace quendel::dialogs
