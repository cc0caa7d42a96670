#include "dialogs/dialog_manager.h"

#include "core/strings.h"
#include "dialogs/completion_pages.h"
#include "dialogs/destination_pages.h"
#include "dialogs/dialog_forms.h"
#include "dialogs/info_pages.h"
#include "dialogs/progress_pages.h"
#include "model/model_context.h"
#include "model/status_params.h"
#include "translate/translator.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace quendel::dialogs {

constexpr const char* kManagerTypeInfo[] = {
    "dmBeforeInstall", "dmAfterGoodInstall", "dmAfterBadInstall", "dmDuringCopyFiles",
    "dmChangeDisk",    "dmReboot",           "dmUninstall"};
constinit const TEnumInfo ManagerTypeInfo("TManagerType", kManagerTypeInfo);
constexpr const char* kQuendelDialogPositionInfo[] = {
    "qdpCenterLeft",  "qdpCenter",  "qdpCenterRight", "qdpBottomLeft", "qdpBottomCenter",
    "qdpBottomRight", "qdpTopLeft", "qdpTopCenter",   "qdpTopRight"};
constinit const TEnumInfo QuendelDialogPositionInfo("TQuendelDialogPosition",
                                                    kQuendelDialogPositionInfo);

namespace {

void Log(const std::string& Text) {
  if (HasCurrentModelContext()) CurrentModelContext().Log.Write("dialog", Text);
}

template <class List, class Dlg> void Register(List& L, const TClassInfo& Cls, Dlg* Dialog) {
  L.push_back({&Cls, Dialog, 0});
}

template <class List, class Dlg> void Unregister(List& L, const TClassInfo& Cls, Dlg* Dialog) {
  auto it = std::find_if(L.begin(), L.end(),
                         [&](const auto& E) { return E.FormClass == &Cls && E.Dialog == Dialog; });
  if (it != L.end()) L.erase(it);
}

} // namespace

ui::TPoint PlaceRect(TQuendelDialogPosition Position, int L, int T, int W, int H, ui::TSize Screen,
                     int C, bool HalfRounding) {
  const int column = static_cast<int>(Position) % 3, row = static_cast<int>(Position) / 3;
  ui::TPoint p;
  if (column == 0) {
    p.X = L;
  } else if (column == 1) {
    const float half = static_cast<float>(Screen.cx) / 2.0f - static_cast<float>(W) / 2.0f;
    p.X = (HalfRounding ? static_cast<int>(std::nearbyint(half)) : static_cast<int>(half)) + L;
  } else {
    p.X = Screen.cx - W - L;
  }
  if (row == 0) {
    const float half = static_cast<float>(Screen.cy) / 2.0f - static_cast<float>(H) / 2.0f;
    p.Y = (HalfRounding ? static_cast<int>(std::nearbyint(half)) : static_cast<int>(half)) + T;
  } else if (row == 1) {
    p.Y = Screen.cy - C - H - T;
  } else {
    p.Y = T;
  }
  return p;
}

void RegisterBaseInstallForm(const TClassInfo& FormClass, TBaseInstallDlg* Dialog) {
  Register(DialogsContext().WizardForms, FormClass, Dialog);
}
void UnregisterBaseInstallForm(const TClassInfo& FormClass, TBaseInstallDlg* Dialog) {
  if (auto* c = TDialogsScope::Installed()) Unregister(c->WizardForms, FormClass, Dialog);
}
void RegisterDuringCopyForm(const TClassInfo& FormClass, TCustomBaseInstallDlg* Dialog) {
  Register(DialogsContext().DuringCopyForms, FormClass, Dialog);
}
void UnregisterDuringCopyForm(const TClassInfo& FormClass, TCustomBaseInstallDlg* Dialog) {
  if (auto* c = TDialogsScope::Installed()) Unregister(c->DuringCopyForms, FormClass, Dialog);
}

TDialogManager* FindDialogManager(TManagerType ManagerType) {
  if (!HasCurrentModelContext()) return nullptr;
  TModelContext& m = CurrentModelContext();
  TInstallContainer* root = m.InstallRootContainer();
  for (TInstallContainer* c : m.AllContainers.Items()) {
    auto* dm = dynamic_cast<TDialogManager*>(c);
    if (dm && dm->ManagerType == ManagerType && dm->Container() == root && root) return dm;
  }
  return nullptr;
}

// ------------------------------------------------------------ TDialogManager

TDialogManager::TDialogManager(TComponent* AOwner) : TInstallObject(AOwner) {
  SetProcessWithContainer(false);
}

TDialogManager::~TDialogManager() {
  Destroying();
  // The dialogs forget this manager.
  const auto dialogs = FDialogs;
  for (TCustomBaseInstallDlg* d : dialogs)
    d->ContainerDestroying(this);
  CloseDuringCopyForms();
  if (auto* c = TDialogsScope::Installed(); c && c->CurrentDialogManager == this)
    c->CurrentDialogManager = nullptr;
}

const TClassInfo& TDialogManager::StaticClass() {
  return ClassTable([] {
    using T = TDialogManager;
    TClassBuilder<T> B("TDialogManager", &TInstallObject::StaticClass);
    TInstallProps<T>::Container(B);
    B.Int<&T::Height, &T::Height>("Height", 395)
        .Enum<&T::ManagerType, &T::ManagerType>("ManagerType", ManagerTypeInfo, dmBeforeInstall)
        .Enum<&T::Position, &T::Position>("Position", QuendelDialogPositionInfo, qdpCenter)
        .Int<&T::RelativeLeftOffset, &T::RelativeLeftOffset>("RelativeLeftOffset", 0)
        .Int<&T::RelativeTopOffset, &T::RelativeTopOffset>("RelativeTopOffset", 0)
        .Int<&T::Width, &T::Width>("Width", 478);
    return B;
  });
}

void TDialogManager::AddDialog(TCustomBaseInstallDlg* Dialog) {
  if (!Dialog) Raise<IEDialogManager>("Cannot add a NIL Dialog to the Dialog Manager %s", {Name()});
  FDialogs.push_back(Dialog);
}

void TDialogManager::RemoveDialog(TCustomBaseInstallDlg* Dialog) {
  auto it = std::find(FDialogs.begin(), FDialogs.end(), Dialog);
  if (it != FDialogs.end()) FDialogs.erase(it);
}

void TDialogManager::ContainerDestroying(TInstallContainer* Container) {
  if (auto* d = dynamic_cast<TCustomBaseInstallDlg*>(Container)) RemoveDialog(d);
  TInstallObject::ContainerDestroying(Container);
}

void TDialogManager::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  (void)Sender;
  const auto runs = [&](TManagerType T) { return ManagerType == T; };
  switch (Code) {
  case -980:
    if (runs(dmBeforeInstall)) Execute();
    break;
  case -979:
    if (runs(dmAfterGoodInstall)) Execute();
    break;
  case -978:
    if (runs(dmAfterBadInstall)) Execute();
    break;
  case -987:
    if (runs(dmReboot)) Execute();
    break;
  case -998:
    if (!runs(dmDuringCopyFiles)) break;
    if (!Param) Raise<IEDialogManager>("%s got a nil PO parameter", {Name()});
    if (auto* p = dynamic_cast<TFileStatusParameter*>(Param))
      UpdateDuringCopyForms(p, nullptr);
    else
      Raise<IEDialogManager>("The PO object passed to %s is not a TFileStatusParameter object",
                             {Name()});
    break;
  case -988:
    if (!runs(dmDuringCopyFiles)) break;
    if (!Param) Raise<IEDialogManager>("%s got a nil PO parameter", {Name()});
    if (auto* p = dynamic_cast<TDownloadStatusParameter*>(Param))
      UpdateDuringCopyForms(nullptr, p);
    else
      Raise<IEDialogManager>("The PO object passed to %s is not a TDownloadStatusParameter object",
                             {Name()});
    break;
  case -996:
    if (runs(dmDuringCopyFiles)) CloseDuringCopyForms();
    break;
  case -993:
    if (runs(dmChangeDisk)) ShowChangeDisk(Param);
    break;
  default:
    break;
  }
}

void TDialogManager::ExecuteUnattended() {
  // The pages this wizard would show, in page order, each keeping the
  // values the install objects already hold.
  std::vector<TCustomBaseInstallDlg*> pages;
  for (const TBIFEntry& e : DialogsContext().WizardForms)
    if (e.Dialog && e.Dialog->DialogManager() == this && e.Dialog->CanExecute())
      pages.push_back(e.Dialog);
  std::stable_sort(pages.begin(), pages.end(),
                   [](auto* A, auto* B) { return A->Order() < B->Order(); });
  for (TCustomBaseInstallDlg* d : pages)
    Log(Name() + ": unattended, " + d->Name() + " keeps its defaults");
}

void TDialogManager::Execute() {
  TDialogsContext& ctx = DialogsContext();
  if (ctx.Unattended) {
    ExecuteUnattended();
    return;
  }
  ctx.CurrentDialogManager = this;
  struct TEnd {
    TDialogsContext& Ctx;
    ~TEnd() { Ctx.CurrentDialogManager = nullptr; }
  } end{ctx};
  ui::TApplication& app = ui::Application();
  std::unique_ptr<TBaseFormContainer> host(ui::NewForm<TBaseFormContainer>(&app));
  host->Position = ui::poDesigned;
  host->SetBounds(host->Left(), host->Top(), Width, Height);
  if (host->BuildPages() == 0) return;
  host->PlaceDialog(Position, RelativeLeftOffset, RelativeTopOffset);
  Log(Name() + ": wizard of " + std::to_string(host->Pages().size()) + " pages");
  const int result = host->ShowModal();
  host.reset();
  if (result == mrWizardAbort) {
    Log(Name() + ": cancelled by the user");
    throw EAIUserAbort();
  }
  if (ui::TCustomForm* main = app.MainForm()) main->Invalidate();
  app.ProcessMessages();
}

void TDialogManager::UpdateDuringCopyForms(TFileStatusParameter* FileStatus,
                                           TDownloadStatusParameter* DownloadStatus) {
  if (DialogsContext().Unattended || !ui::HasUiContext()) return;
  if (FDuringCopyForms.empty()) CreateDuringCopyForms();
  // A copy: a form's update may let a Cancel through, and nothing here may
  // change the list meanwhile.
  const auto forms = FDuringCopyForms;
  for (TBaseDuringCopyForm* f : forms)
    f->UpdateStatus(FileStatus, DownloadStatus);
}

void TDialogManager::CreateDuringCopyForms() {
  // A copy: creating a form may register or withdraw entries.
  const TDCFList entries = DialogsContext().DuringCopyForms;
  ui::IWidgetBackend& backend = ui::UiContext().Backend();
  for (const TDCFEntry& e : entries) {
    std::unique_ptr<TComponent> made(e.FormClass->Create(&ui::Application()));
    auto* form = dynamic_cast<TBaseDuringCopyForm*>(made.get());
    if (!form) Raise<IEDialogManager>("%s is not a during-copy form class", {e.FormClass->Name()});
    ui::LoadFormDefinition(*form);
    // Only the manager the form belongs to shows it (the first during-copy
    // manager of the install root).
    if (form->DM != this) continue;
    if (e.Dialog) {
      // Placed by its component; the component's language settings stay
      // its own, the form keeps those it was made with.
      e.Dialog->SetCurrentForm(form);
      const ui::TPoint p = PlaceRect(e.Dialog->Position, e.Dialog->RelativeLeftOffset,
                                     e.Dialog->RelativeTopOffset, e.Dialog->Width, e.Dialog->Height,
                                     backend.ScreenSize(), backend.CaptionHeight(), true);
      const ui::TSize designed{form->ClientWidth(), form->ClientHeight()};
      form->Position = ui::poDesigned;
      form->SetBounds(p.X, p.Y, e.Dialog->Width, e.Dialog->Height);
      // A stored size too small for the layout would hide the Cancel button.
      if (form->ClientWidth() < designed.cx) form->SetClientWidth(designed.cx);
      if (form->ClientHeight() < designed.cy) form->SetClientHeight(designed.cy);
    }
    form->InitializeControls();
    form->ApplyLanguage();
    form->Show();
    made.release();
    FDuringCopyForms.push_back(form);
    FreeNotification(form);
  }
}

void TDialogManager::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove)
    FDuringCopyForms.erase(
        std::remove(FDuringCopyForms.begin(), FDuringCopyForms.end(), AComponent),
        FDuringCopyForms.end());
  TInstallObject::Notification(AComponent, Operation);
}

void TDialogManager::CloseDuringCopyForms() {
  // The next copy phase makes new forms; a closed form has no further use.
  const auto forms = FDuringCopyForms;
  FDuringCopyForms.clear();
  for (TBaseDuringCopyForm* f : forms) {
    RemoveFreeNotification(f);
    f->Free();
  }
}

void TDialogManager::ShowChangeDisk(TEventParameter* Parameter) {
  (void)Parameter;
  // No change-disk form is registered in this system: nothing to show. A
  // form class added to ChangeDiskForms reads the disk parameter itself.
  TDialogsContext& ctx = DialogsContext();
  if (ctx.ChangeDiskForms.empty() || ctx.Unattended) return;
  ctx.CurrentDialogManager = this;
  struct TEnd {
    TDialogsContext& Ctx;
    ~TEnd() { Ctx.CurrentDialogManager = nullptr; }
  } end{ctx};
  if (!Parameter)
    Raise<IEDialogManager>(
        "The ParameterObject is Nil in the TDialogManager. Cannot show the change disk form");
  std::unique_ptr<TComponent> made(ctx.ChangeDiskForms.front()->Create(&ui::Application()));
  auto* form = dynamic_cast<TBaseInstallForm*>(made.get());
  if (!form) return;
  ui::LoadFormDefinition(*form);
  if (form->DM != this) return;
  form->InitializeControls();
  form->ApplyLanguage();
  if (form->ShowModal() == mrWizardAbort) throw EAIUserAbort();
}

// ----------------------------------------------------- TCustomBaseInstallDlg

TCustomBaseInstallDlg::TCustomBaseInstallDlg(TComponent* AOwner) : TInstallObject(AOwner) {
  SetProcessWithContainer(false);
  SetInstallTypes(AllInstallTypes);
}

TCustomBaseInstallDlg::~TCustomBaseInstallDlg() {
  Destroying();
  if (FDialogManager) FDialogManager->RemoveDialog(this);
  if (FCurrentForm) RemoveFreeNotification(FCurrentForm);
}

const TClassInfo& TCustomBaseInstallDlg::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TCustomBaseInstallDlg>("TCustomBaseInstallDlg",
                                                &TInstallObject::StaticClass);
  });
}

void TCustomBaseInstallDlg::SetDialogManager(TDialogManager* Value) {
  if (Value == FDialogManager) return;
  if (Value) Value->AddDialog(this);
  if (FDialogManager) FDialogManager->RemoveDialog(this);
  FDialogManager = Value;
}

void TCustomBaseInstallDlg::SetCurrentForm(ui::TCustomForm* Form) {
  if (FCurrentForm) RemoveFreeNotification(FCurrentForm);
  FCurrentForm = Form;
  if (Form) FreeNotification(Form);
}

void TCustomBaseInstallDlg::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FCurrentForm) FCurrentForm = nullptr;
  TInstallObject::Notification(AComponent, Operation);
}

void TCustomBaseInstallDlg::ContainerDestroying(TInstallContainer* Container) {
  if (Container == FDialogManager) FDialogManager = nullptr;
  TInstallObject::ContainerDestroying(Container);
}

void TCustomBaseInstallDlg::Translate() {
  if (!FCurrentForm || !TTranslateScope::Installed()) return;
  const TTranslator* t = TranslateContext().MainTranslator;
  if (!t) return;
  const TQndlLanguage target =
      OverrideMainTranslator ? TranslateIntoLanguage : t->TranslateIntoLanguage();
  if (AutoSetFont) ApplyFontWithLanguage(*FCurrentForm, target);
  if (AutoTranslate)
    CurrentFormLanguage = TranslateFormWithLanguage(*FCurrentForm, CurrentFormLanguage, target);
}

void TCustomBaseInstallDlg::AssignDialogProperties() {
  if (!FCurrentForm)
    Raise<IEDialogManager>("Cannot AssignDialogProperties for %s because the Dialog is Nil",
                           {Name()});
  if (auto* f = dynamic_cast<TBaseQuendelForm*>(FCurrentForm)) {
    f->AutoSetFont = AutoSetFont;
    f->AutoTranslate = AutoTranslate;
    f->FormContainer = Container();
    f->OverrideMainTranslator = OverrideMainTranslator;
    f->TranslateIntoLanguage = TranslateIntoLanguage;
  }
  if (auto* f = dynamic_cast<TBaseInstallForm*>(FCurrentForm)) f->DC = this;
  Translate();
}

bool TCustomBaseInstallDlg::Execute() {
  try {
    if (OnBeforeExecute) OnBeforeExecute(this);
    const bool result = DoExecute();
    if (ui::HasUiContext()) ui::Application().ProcessMessages();
    if (OnAfterExecute) OnAfterExecute(this);
    return result;
  } catch (const EAbort&) {
    return false;
  }
}

bool TCustomBaseInstallDlg::DoExecute() {
  if (!CanExecute()) return true;
  if (DialogsContext().Unattended) {
    Log(Name() + ": unattended, keeps its defaults");
    return true;
  }
  std::unique_ptr<TComponent> made(GetFormClass().Create(&ui::Application()));
  auto* form = static_cast<ui::TCustomForm*>(made.get());
  ui::LoadFormDefinition(*form);
  SetCurrentForm(form);
  AssignDialogProperties();
  const int result = form->ShowModal();
  made.reset();
  if (result != ui::mrOk) throw EAIUserAbort();
  return true;
}

void TCustomBaseInstallDlg::GetThemeBitmap(TPicture* Picture) const {
  if (!Picture) return;
  if (!FThemeBitmap.Empty()) {
    Picture->Assign(FThemeBitmap);
    return;
  }
  if (HasCurrentModelContext())
    if (IInstallRoot* root = CurrentModelContext().InstallRoot)
      if (const TPicture* p = root->InstallRootDialogThemeBitmap()) Picture->Assign(*p);
}

// ------------------------------------------------------------ TBaseInstallDlg

TBaseInstallDlg::~TBaseInstallDlg() {
  if (FRegistered) UnregisterBaseInstallForm(*FRegistered, this);
}

const TClassInfo& TBaseInstallDlg::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TBaseInstallDlg>("TBaseInstallDlg", &TCustomBaseInstallDlg::StaticClass);
  });
}

void TBaseInstallDlg::Register(TManagerType ManagerType, int DefaultOrder) {
  SetOrder(DefaultOrder);
  if (!FRegistered) {
    FRegistered = &GetFormClass();
    RegisterBaseInstallForm(*FRegistered, this);
  }
  SetDialogManager(FindDialogManager(ManagerType));
}

void TBaseInstallDlg::AssignDialogProperties() {
  TCustomBaseInstallDlg::AssignDialogProperties();
  // The page frame: Back hidden (a hosted page shows it again when it is
  // activated), Next and Finish close a page that runs alone.
  auto* form = CurrentForm();
  if (auto* back = dynamic_cast<ui::TButton*>(form->FindComponent("BackBtn")))
    back->SetVisible(false);
  for (const char* n : {"ProceedBtn", "FinishBtn"})
    if (auto* b = dynamic_cast<ui::TButton*>(form->FindComponent(n))) b->ModalResult = ui::mrOk;
  if (auto* img = dynamic_cast<ui::TImage*>(form->FindComponent("ThemeBitmap")))
    GetThemeBitmap(&img->Picture());
}

void RegisterDialogClasses() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TDialogManager>();
  RegisterInfoPages();
  RegisterCompletionPages();
  RegisterProgressPages();
  RegisterDestinationPages();
}

} // namespace quendel::dialogs
