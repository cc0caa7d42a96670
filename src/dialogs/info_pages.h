// The information pages that open the before-install wizard: a welcome page,
// the licence (its Next button reads "Accept >") and a readme. The licence
// and readme texts are string lists of their dialog components; the pages
// only show them. Accepting the licence is its Next button, declining it is
// Cancel.
#pragma once

#include "dialogs/dialog_forms.h"

namespace quendel::dialogs {

class TWelcomeForm : public TBaseInstallForm {
public:
  explicit TWelcomeForm(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

class TLicenseForm : public TBaseInstallForm {
public:
  explicit TLicenseForm(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  ui::TRichEdit* Agreement() const;
};

class TReadmeForm : public TBaseInstallForm {
public:
  explicit TReadmeForm(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  ui::TRichEdit* Information() const;
};

class TWelcomeDlg : public TBaseInstallDlg {
public:
  explicit TWelcomeDlg(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override { return TWelcomeForm::StaticClass(); }
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
};

class TLicenseDlg : public TBaseInstallDlg {
public:
  explicit TLicenseDlg(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override { return TLicenseForm::StaticClass(); }
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
  void AssignDialogProperties() override;

  TStrings& LicenseAgreement() { return FLicenseAgreement; }
  const TStrings* LicenseAgreementObj() const { return &FLicenseAgreement; }
  // Copies the lines.
  void SetLicenseAgreement(const TStrings& Value) { FLicenseAgreement.Assign(Value); }

private:
  TStringList FLicenseAgreement;
};

class TReadmeDlg : public TBaseInstallDlg {
public:
  explicit TReadmeDlg(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override { return TReadmeForm::StaticClass(); }
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
  void AssignDialogProperties() override;

  TStrings& ReadmeText() { return FReadmeText; }
  const TStrings* ReadmeTextObj() const { return &FReadmeText; }
  // Copies the lines.
  void SetReadmeText(const TStrings& Value) { FReadmeText.Assign(Value); }

private:
  TStringList FReadmeText;
};

// Adds the information pages' dialog components to ClassRegistry().
void RegisterInfoPages();

} // namespace quendel::dialogs
