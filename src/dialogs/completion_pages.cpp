#include "dialogs/completion_pages.h"

namespace quendel::dialogs {

namespace {

void RunAloneOn(TCustomBaseInstallDlg& Dialog, int Code, int Trigger) {
  if (Code == Trigger && !Dialog.DialogManager()) Dialog.Execute();
}

// Next and Finish share one spot: Next while a page follows, Finish on the
// last page.
void ShowNextOrFinish(TBaseInstallForm& Page) {
  auto* next = dynamic_cast<ui::TButton*>(Page.FindComponent("ProceedBtn"));
  auto* finish = dynamic_cast<ui::TButton*>(Page.FindComponent("FinishBtn"));
  const bool more = !Page.IsLastPage();
  if (next) next->SetVisible(more);
  if (finish) finish->SetVisible(!more);
}

} // namespace

TGoodInstallForm::TGoodInstallForm(TComponent* AOwner) : TBaseInstallForm(AOwner) {
  DM = FindDialogManager(dmAfterGoodInstall);
  Order = 10;
}

const TClassInfo& TGoodInstallForm::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TGoodInstallForm>("TGoodInstallForm", &TBaseInstallForm::StaticClass);
  });
}

void TGoodInstallForm::InitializeControls() {
  ShowNextOrFinish(*this);
  TBaseInstallForm::InitializeControls();
}

TBadInstallForm::TBadInstallForm(TComponent* AOwner) : TBaseInstallForm(AOwner) {
  DM = FindDialogManager(dmAfterBadInstall);
  Order = 10;
}

const TClassInfo& TBadInstallForm::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TBadInstallForm>("TBadInstallForm", &TBaseInstallForm::StaticClass);
  });
}

void TBadInstallForm::InitializeControls() {
  ShowNextOrFinish(*this);
  TBaseInstallForm::InitializeControls();
}

TGoodInstallationDlg::TGoodInstallationDlg(TComponent* AOwner) : TBaseInstallDlg(AOwner) {
  Register(dmAfterGoodInstall, 10);
}

const TClassInfo& TGoodInstallationDlg::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TGoodInstallationDlg> B("TGoodInstallationDlg", &TBaseInstallDlg::StaticClass);
    PublishBaseInstallDlg(B);
    return B;
  });
}

void TGoodInstallationDlg::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  TBaseInstallDlg::HandleEvent(Sender, Code, Param);
  RunAloneOn(*this, Code, -995);
}

TBadInstallationDlg::TBadInstallationDlg(TComponent* AOwner) : TBaseInstallDlg(AOwner) {
  Register(dmAfterBadInstall, 10);
}

const TClassInfo& TBadInstallationDlg::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TBadInstallationDlg> B("TBadInstallationDlg", &TBaseInstallDlg::StaticClass);
    PublishBaseInstallDlg(B);
    return B;
  });
}

void TBadInstallationDlg::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  TBaseInstallDlg::HandleEvent(Sender, Code, Param);
  RunAloneOn(*this, Code, -994);
}

void RegisterCompletionPages() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TGoodInstallationDlg>();
  R.Register<TBadInstallationDlg>();
}

} // namespace quendel::dialogs
