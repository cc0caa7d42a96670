// Dialog managers and dialog components: the install definition says at which
// moments of the run a wizard appears (one manager per moment) and which pages
// it has (one dialog component per page, each naming its manager and carrying
// an Order). The process-wide form registries connect dialog components to
// their page form classes.
#pragma once

#include "core/event.h"
#include "core/persistent.h"
#include "model/install_container.h"
#include "translate/language.h"
#include "ui/controls.h"

#include <string>
#include <vector>

namespace quendel {

class TFileStatusParameter;
class TDownloadStatusParameter;

namespace dialogs {

// Errors of the dialog managers and components (their messages are
// translated like every install object's).
QUENDEL_EXCEPTION(IEDialogManager, IException);

class TDialogManager;
class TCustomBaseInstallDlg;
class TBaseInstallDlg;
class TBaseQuendelForm;
class TBaseInstallForm;
class TBaseDuringCopyForm;
class TBaseFormContainer;

enum TManagerType {
  dmBeforeInstall,
  dmAfterGoodInstall,
  dmAfterBadInstall,
  dmDuringCopyFiles,
  dmChangeDisk,
  dmReboot,
  dmUninstall
};
extern const TEnumInfo ManagerTypeInfo;

// Rows: centred (0-2), bottom (3-5), top (6-8); columns left, centre, right.
enum TQuendelDialogPosition {
  qdpCenterLeft,
  qdpCenter,
  qdpCenterRight,
  qdpBottomLeft,
  qdpBottomCenter,
  qdpBottomRight,
  qdpTopLeft,
  qdpTopCenter,
  qdpTopRight
};
extern const TEnumInfo QuendelDialogPositionInfo;

// The modal result of a cancelled wizard or page.
inline constexpr int mrWizardAbort = 3;

// Where a window of Width x Height goes on a Screen with a caption of
// CaptionHeight. HalfRounding: the self-placed forms round the centred left
// edge to the nearest (ties to even); the wizard host truncates.
ui::TPoint PlaceRect(TQuendelDialogPosition Position, int LeftOffset, int TopOffset, int Width,
                     int Height, ui::TSize Screen, int CaptionHeight, bool HalfRounding);

// One registration of a form class, with the dialog component that shows it
// (none: the form shows for any manager its own constructor finds).
template <class Dlg> struct TFormEntry {
  const TClassInfo* FormClass = nullptr;
  Dlg* Dialog = nullptr;
  int Tag = 0;
};
using TBIFEntry = TFormEntry<TBaseInstallDlg>;
using TDCFEntry = TFormEntry<TCustomBaseInstallDlg>;
using TBIFList = std::vector<TBIFEntry>;
using TDCFList = std::vector<TDCFEntry>;

// The process-wide state of the dialog layer. The runtime owns one.
struct TDialogsContext {
  static constexpr const char* ContextName = "dialogs context";

  TBIFList WizardForms;
  TDCFList DuringCopyForms;
  // Change-disk form classes; this system registers none.
  std::vector<const TClassInfo*> ChangeDiskForms;
  // The manager that builds and runs its host now, or none.
  TDialogManager* CurrentDialogManager = nullptr;
  // Every dialog form alive.
  std::vector<TBaseQuendelForm*> OpenForms;
  // Unattended ("*q"): no window opens; every manager takes its pages'
  // defaults and says so in the log.
  bool Unattended = false;
};
using TDialogsScope = TContextScope<TDialogsContext>;
inline TDialogsContext& DialogsContext() {
  return TDialogsScope::Current();
}

// A form's module registers its class (no dialog); the dialog component's
// module withdraws it again, so the form shows only through its components.
void RegisterBaseInstallForm(const TClassInfo& FormClass, TBaseInstallDlg* Dialog = nullptr);
void UnregisterBaseInstallForm(const TClassInfo& FormClass, TBaseInstallDlg* Dialog = nullptr);
void RegisterDuringCopyForm(const TClassInfo& FormClass, TCustomBaseInstallDlg* Dialog = nullptr);
void UnregisterDuringCopyForm(const TClassInfo& FormClass, TCustomBaseInstallDlg* Dialog = nullptr);

// The first dialog manager of ManagerType whose Container is the install root
// being run, or nullptr.
TDialogManager* FindDialogManager(TManagerType ManagerType);

class TDialogManager : public TInstallObject {
public:
  explicit TDialogManager(TComponent* AOwner);
  ~TDialogManager() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TManagerType ManagerType = dmBeforeInstall;
  int Height = 395;
  int Width = 478;
  TQuendelDialogPosition Position = qdpCenter;
  int RelativeLeftOffset = 0;
  int RelativeTopOffset = 0;

  int RegisteredType() const override { return ikDialog; }
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
  void ContainerDestroying(TInstallContainer* Container) override;

  void AddDialog(TCustomBaseInstallDlg* Dialog);
  void RemoveDialog(TCustomBaseInstallDlg* Dialog);
  const std::vector<TCustomBaseInstallDlg*>& Dialogs() const { return FDialogs; }

  // Runs the wizard: returns when the user finished it (or there was nothing
  // to show), raises EAIUserAbort when the user cancelled.
  virtual void Execute();
  // The during-copy forms: opened on the first status event of a copy phase
  // (one per registered form this manager shows), updated by each, closed
  // when the copy ends.
  virtual void UpdateDuringCopyForms(TFileStatusParameter* FileStatus,
                                     TDownloadStatusParameter* DownloadStatus);
  virtual void CreateDuringCopyForms();
  const std::vector<TBaseDuringCopyForm*>& DuringCopyForms() const { return FDuringCopyForms; }
  virtual void CloseDuringCopyForms();
  virtual void ShowChangeDisk(TEventParameter* Parameter);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void ExecuteUnattended();
  std::vector<TCustomBaseInstallDlg*> FDialogs;
  std::vector<TBaseDuringCopyForm*> FDuringCopyForms;
};

using TNotifyEvent = TEvent<void(TComponent* Sender)>;

class TCustomBaseInstallDlg : public TInstallObject {
public:
  explicit TCustomBaseInstallDlg(TComponent* AOwner);
  ~TCustomBaseInstallDlg() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  bool AutoSetFont = true;
  bool AutoTranslate = true;
  TQndlLanguage CurrentFormLanguage = qlEnglish;
  int Height = 0;
  int Width = 0;
  bool OverrideMainTranslator = false;
  TQuendelDialogPosition Position = qdpCenter;
  int RelativeLeftOffset = 0;
  int RelativeTopOffset = 0;
  TQndlLanguage TranslateIntoLanguage = qlUser;
  TPicture& ThemeBitmap() { return FThemeBitmap; }
  const TPicture* ThemeBitmapObj() const { return &FThemeBitmap; }
  TNotifyEvent OnAfterExecute;
  TNotifyEvent OnBeforeExecute;

  TDialogManager* DialogManager() const { return FDialogManager; }
  void SetDialogManager(TDialogManager* Value);
  ui::TCustomForm* CurrentForm() const { return FCurrentForm; }
  void SetCurrentForm(ui::TCustomForm* Form);

  int RegisteredType() const override { return ikDialog; }
  void ContainerDestroying(TInstallContainer* Container) override;
  void Translate() override;
  virtual void AssignDialogProperties();
  // Standalone run: false when a silent abort ended it.
  virtual bool Execute();
  virtual bool DoExecute();
  virtual const TClassInfo& GetFormClass() const = 0;
  virtual bool CanExecute() { return true; }

  // Fills Picture with ThemeBitmap, or the install root's picture.
  void GetThemeBitmap(TPicture* Picture) const;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TDialogManager* FDialogManager = nullptr;
  ui::TCustomForm* FCurrentForm = nullptr;
  TPicture FThemeBitmap;
};

// The base of every wizard page's dialog component: registers its form with
// itself while it lives.
class TBaseInstallDlg : public TCustomBaseInstallDlg {
public:
  explicit TBaseInstallDlg(TComponent* AOwner) : TCustomBaseInstallDlg(AOwner) {}
  ~TBaseInstallDlg() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  void AssignDialogProperties() override;
  // Registers (GetFormClass, this) in the wizard form registry and looks up
  // the manager of ManagerType. Each concrete constructor calls it, as its
  // form class and manager type are known only there.
  void Register(TManagerType ManagerType, int DefaultOrder);

private:
  const TClassInfo* FRegistered = nullptr;
};

// Publishes the page dialogs' properties on a concrete class.
template <class T> constexpr void PublishBaseInstallDlg(TClassBuilder<T>& B) {
  B.template Bool<&T::AutoSetFont, &T::AutoSetFont>("AutoSetFont", true)
      .template Bool<&T::AutoTranslate, &T::AutoTranslate>("AutoTranslate", true);
  TInstallProps<T>::Container(B);
  B.template Ref<&T::DialogManager, &T::SetDialogManager>("DialogManager");
  TInstallProps<T>::Order(B);
  B.template Bool<&T::OverrideMainTranslator, &T::OverrideMainTranslator>("OverrideMainTranslator",
                                                                          false)
      .template Object<&T::ThemeBitmapObj>("ThemeBitmap")
      .template Enum<&T::TranslateIntoLanguage, &T::TranslateIntoLanguage>("TranslateIntoLanguage",
                                                                           QndlLanguageInfo, qlUser)
      .template Event<&T::OnAfterExecute>("OnAfterExecute")
      .template Event<&T::OnBeforeExecute>("OnBeforeExecute");
}

// Registers the classes of this layer with ClassRegistry().
void RegisterDialogClasses();

} // namespace dialogs
} // namespace quendel
