#include "dialogs/info_pages.h"

namespace quendel::dialogs {

namespace {

// A component without a manager shows its page alone when its own event
// arrives; one with a manager waits for the manager's wizard.
void RunAloneOn(TCustomBaseInstallDlg& Dialog, int Code, int Trigger) {
  if (Code == Trigger && !Dialog.DialogManager()) Dialog.Execute();
}

ui::TRichEdit* RichEdit(const ui::TCustomForm* Form, const char* Name) {
  return Form ? dynamic_cast<ui::TRichEdit*>(Form->FindComponent(Name)) : nullptr;
}

void FillRichEdit(ui::TCustomForm* Form, const char* Name, const TStrings& Lines) {
  // The stored placeholder goes in every case, also for an empty text.
  if (ui::TRichEdit* edit = RichEdit(Form, Name)) edit->Lines().Assign(Lines);
}

} // namespace

// ------------------------------------------------------------------- forms

TWelcomeForm::TWelcomeForm(TComponent* AOwner) : TBaseInstallForm(AOwner) {
  DM = FindDialogManager(dmBeforeInstall);
  Order = 5;
}

const TClassInfo& TWelcomeForm::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TWelcomeForm>("TWelcomeForm", &TBaseInstallForm::StaticClass); });
}

TLicenseForm::TLicenseForm(TComponent* AOwner) : TBaseInstallForm(AOwner) {
  DM = FindDialogManager(dmBeforeInstall);
  Order = 20;
}

const TClassInfo& TLicenseForm::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TLicenseForm>("TLicenseForm", &TBaseInstallForm::StaticClass); });
}

ui::TRichEdit* TLicenseForm::Agreement() const {
  return RichEdit(this, "Agreement");
}

TReadmeForm::TReadmeForm(TComponent* AOwner) : TBaseInstallForm(AOwner) {
  DM = FindDialogManager(dmBeforeInstall);
  Order = 30;
}

const TClassInfo& TReadmeForm::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TReadmeForm>("TReadmeForm", &TBaseInstallForm::StaticClass); });
}

ui::TRichEdit* TReadmeForm::Information() const {
  return RichEdit(this, "Information");
}

// ------------------------------------------------------- dialog components

TWelcomeDlg::TWelcomeDlg(TComponent* AOwner) : TBaseInstallDlg(AOwner) {
  Register(dmBeforeInstall, 10);
}

const TClassInfo& TWelcomeDlg::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TWelcomeDlg> B("TWelcomeDlg", &TBaseInstallDlg::StaticClass);
    PublishBaseInstallDlg(B);
    return B;
  });
}

void TWelcomeDlg::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  TBaseInstallDlg::HandleEvent(Sender, Code, Param);
  RunAloneOn(*this, Code, -982);
}

TLicenseDlg::TLicenseDlg(TComponent* AOwner) : TBaseInstallDlg(AOwner) {
  Register(dmBeforeInstall, 20);
}

const TClassInfo& TLicenseDlg::StaticClass() {
  return ClassTable([] {
    using T = TLicenseDlg;
    TClassBuilder<T> B("TLicenseDlg", &TBaseInstallDlg::StaticClass);
    PublishBaseInstallDlg(B);
    B.Strings<&T::LicenseAgreementObj>("LicenseAgreement");
    return B;
  });
}

void TLicenseDlg::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  TBaseInstallDlg::HandleEvent(Sender, Code, Param);
  RunAloneOn(*this, Code, -981);
}

void TLicenseDlg::AssignDialogProperties() {
  TBaseInstallDlg::AssignDialogProperties();
  FillRichEdit(CurrentForm(), "Agreement", FLicenseAgreement);
}

TReadmeDlg::TReadmeDlg(TComponent* AOwner) : TBaseInstallDlg(AOwner) {
  Register(dmBeforeInstall, 30);
}

const TClassInfo& TReadmeDlg::StaticClass() {
  return ClassTable([] {
    using T = TReadmeDlg;
    TClassBuilder<T> B("TReadmeDlg", &TBaseInstallDlg::StaticClass);
    PublishBaseInstallDlg(B);
    B.Strings<&T::ReadmeTextObj>("ReadmeText");
    return B;
  });
}

void TReadmeDlg::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  TBaseInstallDlg::HandleEvent(Sender, Code, Param);
  RunAloneOn(*this, Code, -977);
}

void TReadmeDlg::AssignDialogProperties() {
  TBaseInstallDlg::AssignDialogProperties();
  FillRichEdit(CurrentForm(), "Information", FReadmeText);
}

void RegisterInfoPages() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TWelcomeDlg>();
  R.Register<TLicenseDlg>();
  R.Register<TReadmeDlg>();
}

} // namespace quendel::dialogs
