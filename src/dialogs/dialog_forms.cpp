#include "dialogs/dialog_forms.h"

#include "archive/compress.h"
#include "model/model_context.h"
#include "translate/translator.h"

#include <algorithm>

namespace quendel::dialogs {

// The install root's OnUserAbort may refuse first; then the user answers.
// Nobody is asked when no window can show the question.
bool ConfirmUserAbort() {
  if (HasCurrentModelContext())
    if (IInstallRoot* root = CurrentModelContext().InstallRoot)
      if (!root->InstallRootConfirmUserAbort()) return false;
  const TDialogsContext* dialogs = TDialogsScope::Installed();
  if ((dialogs && dialogs->Unattended) || !ui::HasUiContext()) return true;
  ui::TApplication& app = ui::Application();
  return app.ShowMessageBox(TranslateMessage(kConfirmCancel), app.Title, ui::mbYesNo) == ui::idYes;
}

// ------------------------------------------------------------ TBaseQuendelForm

TBaseQuendelForm::TBaseQuendelForm(TComponent* AOwner) : ui::TForm(AOwner) {
  if (auto* c = TDialogsScope::Installed()) c->OpenForms.push_back(this);
}

TBaseQuendelForm::~TBaseQuendelForm() {
  if (auto* c = TDialogsScope::Installed())
    c->OpenForms.erase(std::remove(c->OpenForms.begin(), c->OpenForms.end(), this),
                       c->OpenForms.end());
}

const TClassInfo& TBaseQuendelForm::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TBaseQuendelForm>("TBaseQuendelForm", &ui::TForm::StaticClass); });
}

void TBaseQuendelForm::AfterConstruction() {
  // Forms are designed with ANSI texts; the language's font rule sets the
  // character set it needs.
  Font().SetCharset(0);
  ui::TForm::AfterConstruction();
}

void TBaseQuendelForm::ApplyLanguage() {
  if (TTranslateScope::Installed()) {
    if (const TTranslator* t = TranslateContext().MainTranslator) {
      const TQndlLanguage target =
          OverrideMainTranslator ? TranslateIntoLanguage : t->TranslateIntoLanguage();
      if (AutoSetFont) ApplyFontWithLanguage(*this, target);
      if (AutoTranslate)
        CurrentLanguage = TranslateFormWithLanguage(*this, CurrentLanguage, target);
    }
  }
  if (ui::HasUiContext()) ui::Application().ProcessMessages();
}

// ------------------------------------------------------------ TBaseInstallForm

TBaseInstallForm::TBaseInstallForm(TComponent* AOwner)
    : TBaseQuendelForm(AOwner), FHosted(dynamic_cast<ui::TCustomForm*>(AOwner) != nullptr) {}

const TClassInfo& TBaseInstallForm::StaticClass() {
  return ClassTable([] {
    using T = TBaseInstallForm;
    TClassBuilder<T> B("TBaseInstallForm", &TBaseQuendelForm::StaticClass);
    B.Ref<&T::DC, &T::DC>("DC").Ref<&T::DM, &T::DM>("DM").Int<&T::Order, &T::Order>("Order", 0);
    return B;
  });
}

TBaseFormContainer* TBaseInstallForm::Host() const {
  return FHosted ? dynamic_cast<TBaseFormContainer*>(Owner()) : nullptr;
}

ui::TButton* TBaseInstallForm::FrameButton(const char* Name) const {
  return dynamic_cast<ui::TButton*>(FindComponent(Name));
}

void TBaseInstallForm::AfterConstruction() {
  TBaseQuendelForm::AfterConstruction();
  DesignedClient = {ClientWidth(), ClientHeight()};
  // The page frame's buttons.
  if (auto* b = FrameButton("BackBtn")) b->OnClick = [this](TComponent*) { PreviousPage(); };
  for (const char* n : {"ProceedBtn", "FinishBtn"})
    if (auto* b = FrameButton(n))
      b->OnClick = [this](TComponent*) {
        if (FHosted) {
          NextPage();
        } else if (!CanLeavePage()) {
          SetModalResult(ui::mrNone); // the page refuses to close
        }
      };
  if (auto* b = FrameButton("CancelBtn")) {
    b->ModalResult = 0;
    b->OnClick = [this](TComponent*) { UserCancel(); };
  }
  if (FHosted) {
    // A page inside a host is a borderless child window, shown only while it
    // is the active page.
    SetVisible(false);
    Position = ui::poDesigned;
    BorderIcons = {};
    SetBorderStyle(ui::bsNoneForm);
    auto* owner = static_cast<ui::TCustomForm*>(Owner());
    SetParentWindow(owner->Handle());
    SetBounds(0, 0, owner->ClientWidth(), owner->ClientHeight());
    HandleNeeded();
  }
}

bool TBaseInstallForm::IsFirstPage() {
  TBaseFormContainer* h = Host();
  return h ? h->IsFirstPage() : false;
}

bool TBaseInstallForm::IsLastPage() {
  TBaseFormContainer* h = Host();
  return h ? h->IsLastPage() : false;
}

void TBaseInstallForm::CancelWizard() {
  if (TBaseFormContainer* h = Host())
    h->SetModalResult(mrWizardAbort);
  else
    SetModalResult(mrWizardAbort);
}

void TBaseInstallForm::NextPage() {
  if (TBaseFormContainer* h = Host())
    if (CanLeavePage()) h->NextPage();
}

void TBaseInstallForm::PreviousPage() {
  if (TBaseFormContainer* h = Host()) h->PreviousPage();
}

void TBaseInstallForm::ActivatePage() {
  if (!Host()) return;
  // Shown first: InitializeControls focuses the Next button only on a page
  // that shows.
  Show();
  InitializeControls();
  BringToFront();
}

void TBaseInstallForm::UserCancel() {
  if (ConfirmUserAbort()) CancelWizard();
}

void TBaseInstallForm::FinishWizard() {
  if (TBaseFormContainer* h = Host())
    h->Finish();
  else
    SetModalResult(ui::mrOk);
}

bool TBaseInstallForm::CloseQuery() {
  // A page alone closed by its close box: the page decides what that means
  // (cancel, with its confirmation, or finish), not a bare "cancelled"
  // result that would abort the run unasked.
  if (Hosted() || !IsModal() || ModalResult() != ui::mrNone) return true;
  DismissPage();
  return ModalResult() != ui::mrNone;
}

void TBaseInstallForm::InitializeControls() {
  if (auto* back = FrameButton("BackBtn")) back->SetVisible(!IsFirstPage());
  ui::TButton* next = FrameButton("FinishBtn");
  if (!next || !next->Visible()) next = FrameButton("ProceedBtn");
  if (next && next->Visible() && Showing() && next->HandleAllocated()) next->SetFocus();
}

// --------------------------------------------------------- TBaseDuringCopyForm

const TClassInfo& TBaseDuringCopyForm::StaticClass() {
  return ClassTable([] {
    using T = TBaseDuringCopyForm;
    TClassBuilder<T> B("TBaseDuringCopyForm", &TBaseQuendelForm::StaticClass);
    B.Ref<&T::DM, &T::DM>("DM");
    return B;
  });
}

void TBaseDuringCopyForm::UserCancel() {
  if (FCancelled) return;
  if (ConfirmUserAbort()) {
    FCancelled = true;
    if (HasCurrentModelContext()) {
      TModelContext& m = CurrentModelContext();
      if (m.SharedCompressor) m.SharedCompressor->SetAbort(true);
      m.UserAbort = true;
    }
    // Asked once: the run ends at its next check, the form stays until then.
    if (auto* b = dynamic_cast<ui::TButton*>(FindComponent("CancelBtn"))) b->SetEnabled(false);
  }
  SetModalResult(mrWizardAbort);
}

bool TBaseDuringCopyForm::CloseQuery() {
  UserCancel();
  return false;
}

void TBaseDuringCopyForm::EscapePressed() {
  UserCancel();
}

// ---------------------------------------------------------- TBaseFormContainer

TBaseFormContainer::TBaseFormContainer(TComponent* AOwner) : ui::TForm(AOwner) {
  // The layout the host is designed with; a stored layout under the class's
  // name replaces these values.
  SetCaption("BaseFormContainer");
  SetBorderStyle(ui::bsDialog);
  BorderIcons = {};
  Position = ui::poScreenCenter;
  Scaled = false;
  Font().SetName("Arial");
  Font().SetHeight(-11);
  Font().SetCharset(0);
  SetClientWidth(487);
  SetClientHeight(368);
  FTabs = new ui::TTabControl(this);
  FTabs->SetName("Tabs");
  FTabs->SetParent(this);
  FTabs->SetAlign(ui::alTop);
  FTabs->SetHeight(0);
  FTabs->SetVisible(false);
  FDisplayPanel = new ui::TPanel(this);
  FDisplayPanel->SetName("DisplayPanel");
  FDisplayPanel->SetParent(this);
  FDisplayPanel->SetAlign(ui::alClient);
  FDisplayPanel->SetCaption("");
}

TBaseFormContainer::~TBaseFormContainer() {
  Destroying();
  FPages.clear();
}

const TClassInfo& TBaseFormContainer::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TBaseFormContainer>("TBaseFormContainer", &ui::TForm::StaticClass);
  });
}

void TBaseFormContainer::AfterConstruction() {
  ui::TForm::AfterConstruction();
  // The first size is the manager's; pages are placed when they are built.
  SetBounds(Left(), Top(), 478, 395);
  FResizing = false;
}

void TBaseFormContainer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove) {
    FPages.erase(std::remove(FPages.begin(), FPages.end(), AComponent), FPages.end());
    if (AComponent == FDisplayPanel) FDisplayPanel = nullptr;
    if (AComponent == FTabs) FTabs = nullptr;
  }
  ui::TForm::Notification(AComponent, Operation);
}

int TBaseFormContainer::TabIndex() const {
  return FTabs ? FTabs->TabIndex : -1;
}

int TBaseFormContainer::BuildPages() {
  TDialogsContext& ctx = DialogsContext();
  TDialogManager* current = ctx.CurrentDialogManager;
  if (!current) Raise<IEDialogManager>("The current dialog manager is not defined");
  // A copy: creating a page may register or withdraw entries.
  const TBIFList entries = ctx.WizardForms;
  int needW = 0, needH = 0;
  for (const TBIFEntry& e : entries) {
    if (e.Dialog && (e.Dialog->DialogManager() != current || !e.Dialog->CanExecute())) continue;
    auto* made = e.FormClass->Create(this);
    auto* page = dynamic_cast<TBaseInstallForm*>(made);
    if (!page) {
      made->Free();
      Raise<IEDialogManager>("%s is not a wizard page class", {e.FormClass->Name()});
    }
    // The size the page was designed for, before it is fitted into the host.
    ui::LoadFormDefinition(*page);
    needW = std::max(needW, page->DesignedClient.cx);
    needH = std::max(needH, page->DesignedClient.cy);
    if (!e.Dialog && page->DM != current) {
      page->Free();
      continue;
    }
    page->DC = e.Dialog;
    if (e.Dialog) {
      page->FormContainer = e.Dialog->Container();
      page->Order = e.Dialog->Order();
      e.Dialog->SetCurrentForm(page);
      e.Dialog->AssignDialogProperties();
    }
    FTabs->Tabs().Add(std::string(ClassName()));
    page->ApplyLanguage();
    FPages.push_back(page);
  }
  // A stored host size smaller than its pages would put their buttons out of
  // reach: the display area is never smaller than the largest page.
  const int panelW = ClientWidth() - FDisplayPanel->Width();
  const int panelH = ClientHeight() - FDisplayPanel->Height();
  if (FDisplayPanel->Width() < needW) SetClientWidth(needW + panelW);
  if (FDisplayPanel->Height() < needH) SetClientHeight(needH + panelH);
  FitPages();
  for (std::size_t i = 0; i < FPages.size(); ++i)
    for (std::size_t j = i + 1; j < FPages.size(); ++j)
      if (FPages[j]->Order < FPages[i]->Order) std::swap(FPages[i], FPages[j]);
  return static_cast<int>(FPages.size());
}

void TBaseFormContainer::FitPages() {
  if (!FDisplayPanel) return;
  const ui::TRect r = FDisplayPanel->BoundsRect();
  for (TBaseInstallForm* p : FPages)
    p->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TBaseFormContainer::WidgetResized(int AClientWidth, int AClientHeight) {
  ui::TForm::WidgetResized(AClientWidth, AClientHeight);
  if (!FResizing) FitPages();
}

void TBaseFormContainer::PlaceDialog(TQuendelDialogPosition Position, int LeftOffset,
                                     int TopOffset) {
  ui::IWidgetBackend& b = ui::UiContext().Backend();
  const ui::TPoint p = PlaceRect(Position, LeftOffset, TopOffset, Width(), Height(), b.ScreenSize(),
                                 b.CaptionHeight(), false);
  // Never off the screen's top-left: the title bar must stay reachable.
  ui::TWinControl::SetBounds(std::max(0, p.X), std::max(0, p.Y), Width(), Height());
}

bool TBaseFormContainer::ShowPage(int Index, bool Forwards) {
  if (Index < 0 || Index >= static_cast<int>(FPages.size())) return false;
  TBaseInstallForm* page = FPages[static_cast<std::size_t>(Index)];
  if (page->SkipPage()) return ShowPage(Forwards ? Index + 1 : Index - 1, Forwards);
  const int old = TabIndex();
  if (old >= 0 && old < static_cast<int>(FPages.size()) && old != Index)
    FPages[static_cast<std::size_t>(old)]->PageLeaving();
  FTabs->TabIndex = Index;
  SetCaption(page->Caption());
  // Only the active page is shown, so that the keyboard and UI automation
  // see one page and not the stack.
  for (TBaseInstallForm* p : FPages)
    if (p != page) p->Hide();
  page->ActivatePage();
  return true;
}

void TBaseFormContainer::DoShow() {
  ui::TForm::DoShow();
  if (!ShowPage(0, false)) ShowPage(0, true);
  if (HandleAllocated()) ui::UiContext().Backend().SetForeground(Handle());
}

void TBaseFormContainer::NextPage() {
  const int before = TabIndex();
  if (!ShowPage(before + 1, true)) ShowPage(before + 1, false);
  if (TabIndex() == before) Finish();
}

void TBaseFormContainer::Finish() {
  FFinished = true;
  SetModalResult(ui::mrOk);
  Close();
}

TBaseInstallForm* TBaseFormContainer::ActivePage() const {
  const int i = TabIndex();
  if (i < 0 || i >= static_cast<int>(FPages.size())) return nullptr;
  return FPages[static_cast<std::size_t>(i)];
}

void TBaseFormContainer::EscapePressed() {
  if (TBaseInstallForm* p = ActivePage()) p->DismissPage();
}

void TBaseFormContainer::PreviousPage() {
  const int i = TabIndex();
  if (!ShowPage(i - 1, false)) ShowPage(i - 1, true);
}

bool TBaseFormContainer::IsFirstPage() {
  for (int i = 0; i < TabIndex() && i < static_cast<int>(FPages.size()); ++i)
    if (!FPages[static_cast<std::size_t>(i)]->SkipPage()) return false;
  return true;
}

bool TBaseFormContainer::IsLastPage() {
  return static_cast<int>(FPages.size()) == TabIndex() + 1;
}

bool TBaseFormContainer::CloseQuery() {
  if (FFinished || ModalResult() == mrWizardAbort) return true;
  // Alt+F4 on the host: as the close box of its page in front.
  if (TBaseInstallForm* p = ActivePage()) p->DismissPage();
  return FFinished || ModalResult() == mrWizardAbort;
}

} // namespace quendel::dialogs
