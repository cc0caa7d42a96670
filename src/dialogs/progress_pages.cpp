#include "dialogs/progress_pages.h"

#include "model/model_context.h"
#include "model/status_params.h"

#include <cmath>

namespace quendel::dialogs {

namespace {

int RoundHalf(double Value) {
  return static_cast<int>(std::nearbyint(Value));
}

} // namespace

// --------------------------------------------------------------- TCopyFileForm

TCopyFileForm::TCopyFileForm(TComponent* AOwner) : TBaseDuringCopyForm(AOwner) {
  DM = FindDialogManager(dmDuringCopyFiles);
}

const TClassInfo& TCopyFileForm::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TCopyFileForm>("TCopyFileForm", &TBaseDuringCopyForm::StaticClass);
  });
}

template <class T> T* TCopyFileForm::Part(const char* Name) const {
  return dynamic_cast<T*>(FindComponent(Name));
}

void TCopyFileForm::AfterConstruction() {
  TBaseDuringCopyForm::AfterConstruction();
  if (auto* b = Part<ui::TButton>("CancelBtn")) {
    // The form stays until the copy ends; the run reacts to the abort flags.
    b->ModalResult = ui::mrNone;
    b->OnClick = [this](TComponent*) { UserCancel(); };
  }
}

void TCopyFileForm::UpdateStatus(TFileStatusParameter* FileStatus,
                                 TDownloadStatusParameter* DownloadStatus) {
  auto* transfer = Part<ui::TImage>("TransferBitmap");
  auto* fileBar = Part<ui::TProgressBar>("ProgressBar1");
  auto* totalBar = Part<ui::TProgressBar>("ProgressBar2");
  auto* fileName = Part<ui::TLabel>("lblCopyingFile");
  bool changed = false;
  const auto set = [&](auto* Control, auto Get, auto Value, auto Apply) {
    if (!Control || (Control->*Get)() == Value) return;
    (Control->*Apply)(Value);
    changed = true;
  };
  if (FileStatus) {
    set(transfer, &ui::TImage::Visible, false, &ui::TImage::SetVisible);
    set(totalBar, &ui::TProgressBar::Position, FileStatus->TotalPercentDone,
        &ui::TProgressBar::SetPosition);
    set(fileBar, &ui::TProgressBar::Position, FileStatus->FilePercentDone,
        &ui::TProgressBar::SetPosition);
    set(fileName, &ui::TLabel::Caption, FileStatus->FileName, &ui::TLabel::SetCaption);
  } else if (DownloadStatus) {
    // A download has no total of its own: the total bar keeps its value.
    set(transfer, &ui::TImage::Visible, true, &ui::TImage::SetVisible);
    set(fileBar, &ui::TProgressBar::Position, DownloadStatus->PercentDone,
        &ui::TProgressBar::SetPosition);
    set(fileName, &ui::TLabel::Caption, DownloadStatus->FileName, &ui::TLabel::SetCaption);
  }
  // The copy loop runs on this thread: without painting now the form would
  // show nothing until the loop lets messages through. A status that changes
  // nothing on the form (most blocks of a large file) costs no painting.
  if (changed || !FPainted) Repaint();
  FPainted = true;
}

// ---------------------------------------------------------------- TCopyFileDlg

TCopyFileDlg::TCopyFileDlg(TComponent* AOwner) : TCustomBaseInstallDlg(AOwner) {
  Height = 146;
  Width = 474;
  Position = qdpBottomCenter;
  RelativeTopOffset = 30;
  RegisterDuringCopyForm(TCopyFileForm::StaticClass(), this);
  SetDialogManager(FindDialogManager(dmDuringCopyFiles));
}

TCopyFileDlg::~TCopyFileDlg() {
  UnregisterDuringCopyForm(TCopyFileForm::StaticClass(), this);
}

const TClassInfo& TCopyFileDlg::StaticClass() {
  return ClassTable([] {
    using T = TCopyFileDlg;
    TClassBuilder<T> B("TCopyFileDlg", &TCustomBaseInstallDlg::StaticClass);
    B.Bool<&T::AutoSetFont, &T::AutoSetFont>("AutoSetFont", true)
        .Bool<&T::AutoTranslate, &T::AutoTranslate>("AutoTranslate", true);
    TInstallProps<T>::Container(B);
    B.Ref<&T::DialogManager, &T::SetDialogManager>("DialogManager")
        .Int<&T::Height, &T::Height>("Height", 146)
        .Bool<&T::OverrideMainTranslator, &T::OverrideMainTranslator>("OverrideMainTranslator",
                                                                      false)
        .Enum<&T::Position, &T::Position>("Position", QuendelDialogPositionInfo, qdpBottomCenter)
        .Int<&T::RelativeLeftOffset, &T::RelativeLeftOffset>("RelativeLeftOffset", 0)
        .Int<&T::RelativeTopOffset, &T::RelativeTopOffset>("RelativeTopOffset", 30)
        .Object<&T::ThemeBitmapObj>("ThemeBitmap")
        .Enum<&T::TranslateIntoLanguage, &T::TranslateIntoLanguage>("TranslateIntoLanguage",
                                                                    QndlLanguageInfo, qlUser)
        .Int<&T::Width, &T::Width>("Width", 474);
    return B;
  });
}

const TClassInfo& TCopyFileDlg::GetFormClass() const {
  return TCopyFileForm::StaticClass();
}

// ---------------------------------------------------------- TInstallStatusForm

const TClassInfo& TInstallStatusForm::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TInstallStatusForm>("TInstallStatusForm", &ui::TForm::StaticClass);
  });
}

// ----------------------------------------------------------- TInstallStatusDlg

TInstallStatusDlg::TInstallStatusDlg(TComponent* AOwner) : TCustomBaseInstallDlg(AOwner) {}

TInstallStatusDlg::~TInstallStatusDlg() {
  // The box belongs to the application; without its component nobody would
  // ever hide it again.
  if (FForm) {
    FForm->Hide();
    RemoveFreeNotification(FForm);
  }
}

const TClassInfo& TInstallStatusDlg::StaticClass() {
  return ClassTable([] {
    using T = TInstallStatusDlg;
    TClassBuilder<T> B("TInstallStatusDlg", &TCustomBaseInstallDlg::StaticClass);
    B.Bool<&T::AutoSetFont, &T::AutoSetFont>("AutoSetFont", true)
        .Bool<&T::AutoTranslate, &T::AutoTranslate>("AutoTranslate", true);
    TInstallProps<T>::Container(B);
    B.Bool<&T::OverrideMainTranslator, &T::OverrideMainTranslator>("OverrideMainTranslator", false)
        .Object<&T::ThemeBitmapObj>("ThemeBitmap")
        .Enum<&T::TranslateIntoLanguage, &T::TranslateIntoLanguage>("TranslateIntoLanguage",
                                                                    QndlLanguageInfo, qlUser);
    return B;
  });
}

const TClassInfo& TInstallStatusDlg::GetFormClass() const {
  return TInstallStatusForm::StaticClass();
}

void TInstallStatusDlg::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FForm) FForm = nullptr;
  TCustomBaseInstallDlg::Notification(AComponent, Operation);
}

void TInstallStatusDlg::Translate() {
  TCustomBaseInstallDlg::Translate();
  CurrentFormLanguage = qlEnglish;
}

void TInstallStatusDlg::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  (void)Sender;
  if (Code == iePushStatusMessage) {
    if (!Param) Raise<IEDialogManager>("%s got a nil PO parameter", {Name()});
    auto* message = dynamic_cast<TMessageParameter*>(Param);
    if (!message)
      Raise<IEDialogManager>("The PO object passed to %s is not a TMessageParameter object",
                             {Name()});
    FMessage = message->Message;
    FStack.push_back(FMessage);
    ShowMessage();
  } else if (Code == iePopStatusMessage) {
    if (!FStack.empty()) FStack.pop_back();
    if (!FStack.empty()) {
      FMessage = FStack.back();
      ShowMessage();
    } else {
      HideForm();
    }
  }
}

void TInstallStatusDlg::HideForm() {
  if (FForm) FForm->Hide();
  if (ui::HasUiContext()) ui::Application().ProcessMessages();
}

void TInstallStatusDlg::ShowMessage() {
  // An unattended run shows no window; the messages only keep their stack.
  if ((TDialogsScope::Installed() && DialogsContext().Unattended) || !ui::HasUiContext()) return;
  ui::IWidgetBackend& backend = ui::UiContext().Backend();
  if (!FForm) {
    FForm = ui::NewForm<TInstallStatusForm>(&ui::Application());
    FreeNotification(FForm);
    // Centred once; later messages only change its width around the middle.
    const ui::TSize screen = backend.ScreenSize();
    FForm->Position = ui::poDesigned;
    FForm->SetBounds(FForm->Left(), (screen.cy - FForm->Height()) / 2, FForm->Width(),
                     FForm->Height());
    SetCurrentForm(FForm);
    AssignDialogProperties();
  }
  auto* label = dynamic_cast<ui::TLabel*>(FForm->FindComponent("lblMessage"));
  if (label) {
    label->SetAlign(ui::alNone);
    label->WordWrap = false;
    label->SetCaption(FMessage);
  }
  Translate();
  if (label) {
    // The label takes the size of its text, sits in the middle of the box,
    // and the box grows or shrinks to the text.
    const ui::TSize text = backend.TextExtent(label->Font(), label->Caption());
    label->SetBounds(label->Left(), label->Top(), text.cx, text.cy);
    label->SetTop(RoundHalf(FForm->ClientHeight() / 2.0 - label->Height() / 2.0));
    int inset = label->Left();
    for (ui::TControl* c = label->Parent(); c && c != FForm; c = c->Parent())
      inset += c->Left();
    const int width = backend.TextExtent(FForm->Font(), label->Caption()).cx + inset + 25;
    const int left = RoundHalf(backend.ScreenSize().cx / 2.0 - width / 2.0);
    FForm->SetBounds(left, FForm->Top(), width, FForm->Height());
  }
  FForm->Show();
  FForm->Repaint();
  ui::Application().ProcessMessages();
}

void RegisterProgressPages() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TCopyFileDlg>();
  R.Register<TInstallStatusDlg>();
  // The copy form's own registration (without a dialog) is withdrawn again
  // at once while TCopyFileDlg is part of the program: the form shows only
  // through the components of a definition, each registering itself.
}

} // namespace quendel::dialogs
