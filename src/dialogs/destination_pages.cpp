#include "dialogs/destination_pages.h"

#include "core/format.h"
#include "core/strings.h"
#include "dialogs/open_folder_dialog.h"
#include "links/shell_link.h"
#include "model/install_file.h"
#include "model/model_context.h"
#include "paths/expand_paths.h"
#include "paths/standard_paths.h"
#include "translate/translator.h"
#include "ui/forms.h"

#include <algorithm>
#include <exception>

namespace quendel::dialogs {

namespace {

std::string Msg(const char* English, TFormatArgs Args = {}) {
  const std::string text = TTranslateScope::Installed() ? TranslateMessage(English) : English;
  return FormatSafe(text, Args);
}

template <class C> C* Child(const TComponent& Form, const char* Name) {
  return dynamic_cast<C*>(Form.FindComponent(Name));
}

// Tells the user why the page stays, in a box over the page.
void Refuse(ui::TCustomForm& Page, const std::string& Message, ui::TWinControl* Focus) {
  ui::Application().ShowMessageBox(Message, Page.Caption(), 0);
  if (Focus && Focus->HandleAllocated() && Focus->Showing()) Focus->SetFocus();
}

TInstallContainer* InstallRootContainer() {
  return HasCurrentModelContext() ? CurrentModelContext().InstallRootContainer() : nullptr;
}

platform::IFileSystem& Files() {
  return *CurrentModelContext().Platform().Files;
}

} // namespace

// =================================================== TSelectDestinationForm

TSelectDestinationForm::TSelectDestinationForm(TComponent* AOwner) : TBaseInstallForm(AOwner) {
  FormContainer = InstallRootContainer();
  DM = FindDialogManager(dmBeforeInstall);
  Order = 45;
}

const TClassInfo& TSelectDestinationForm::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TSelectDestinationForm>("TSelectDestinationForm",
                                                 &TBaseInstallForm::StaticClass);
  });
}

ui::TEdit* TSelectDestinationForm::DestDirEdit() const {
  return Child<ui::TEdit>(*this, "edDestDir");
}

ui::TGroupBox* TSelectDestinationForm::DirectoryGroup() const {
  return Child<ui::TGroupBox>(*this, "gbDirectory");
}

void TSelectDestinationForm::AfterConstruction() {
  TBaseInstallForm::AfterConstruction();
  if (ui::TEdit* ed = DestDirEdit()) ed->OnChange = [this](TComponent*) { DestDirChanged(); };
  if (auto* b = Child<ui::TButton>(*this, "BrowseBtn"))
    b->OnClick = [this](TComponent*) { BrowseClicked(); };
}

std::string TSelectDestinationForm::FullDestDir() const {
  if (!FormContainer) return {};
  try {
    return FormContainer->GetFullDestDir();
  } catch (const std::exception&) {
    // A specifier with no path here: there is no destination to show.
    return {};
  }
}

void TSelectDestinationForm::InitializeControls() {
  TBaseInstallForm::InitializeControls();
  const std::string dest = FullDestDir();
  if (FShowDirectory < 0) FShowDirectory = dest.empty() ? 0 : 1;
  FUpdating = true;
  struct TEnd {
    bool& Flag;
    ~TEnd() { Flag = false; }
  } end{FUpdating};
  if (ui::TGroupBox* gb = DirectoryGroup()) gb->SetVisible(FShowDirectory == 1);
  if (ui::TEdit* ed = DestDirEdit()) ed->SetText(dest);
  UpdateSpace();
}

void TSelectDestinationForm::DestDirChanged() {
  if (FUpdating || !FormContainer) return;
  FormContainer->SetDestDirType(nullptr);
  FormContainer->SetDestDir(DestDirEdit()->Text());
  UpdateSpace();
}

TDestinationNeeds TSelectDestinationForm::NeedsBelow(const std::string& Destination) const {
  TDestinationNeeds needs;
  if (!HasCurrentModelContext() || Trim(Destination).empty()) return needs;
  const std::string base = RemoveBackslash(Destination);
  const std::string prefix = AddBackslash(base);
  for (TCustomInstallFile* f : CurrentModelContext().AllInstallFiles.Items()) {
    if (!f->IsSelected()) continue;
    std::string target;
    try {
      target = f->Target();
    } catch (const std::exception&) {
      continue; // its folder does not resolve here: not below the destination
    }
    if (target.size() <= prefix.size() || !StartsText(prefix, target)) continue;
    needs.LongestBelow = std::max(needs.LongestBelow, target.size() - base.size());
    std::uint64_t present = 0;
    try {
      for (const platform::TFindData& d : Files().FindFiles(target))
        if (!d.IsDirectory()) present = d.Size;
    } catch (const std::exception&) {
    }
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(0, f->Size()));
    if (size > present) needs.BytesNeeded += size - present;
  }
  return needs;
}

void TSelectDestinationForm::UpdateSpace() {
  auto* needed = Child<ui::TLabel>(*this, "lblSpaceNeeded");
  auto* free = Child<ui::TLabel>(*this, "lblSpaceFree");
  if (!needed || !free) return;
  const bool show = FShowDirectory == 1 && HasCurrentModelContext();
  needed->SetVisible(show);
  free->SetVisible(show);
  if (!show) return;
  const std::string dest = Trim(DestDirEdit()->Text());
  const TDestinationNeeds needs = NeedsBelow(dest);
  needed->SetCaption(Msg("Space required: %s", {FormatBytes(needs.BytesNeeded)}));
  std::optional<std::uint64_t> avail;
  if (CheckPathForm(dest).empty()) avail = FreeSpaceOf(Files(), dest);
  free->SetCaption(avail ? Msg("Space available: %s", {FormatBytes(*avail)}) : std::string());
}

bool TSelectDestinationForm::CanLeavePage() {
  ui::TGroupBox* gb = DirectoryGroup();
  ui::TEdit* ed = DestDirEdit();
  // A page without the directory group asks for nothing.
  if (!FormContainer || !gb || !ed || FShowDirectory != 1) return true;
  const std::string typed = ed->Text();
  const std::string dest = Trim(typed);
  const std::string fault = CheckDestination(Files(), dest, NeedsBelow(dest));
  if (!fault.empty()) {
    Refuse(*this, fault, ed);
    return false;
  }
  if (dest != typed) {
    // Spaces around the path would become part of the folder names.
    FormContainer->SetDestDirType(nullptr);
    FormContainer->SetDestDir(dest);
    FUpdating = true;
    ed->SetText(dest);
    FUpdating = false;
  }
  return true;
}

void TSelectDestinationForm::BrowseClicked() {
  if (!FormContainer) return;
  // Errors stay on the page as a message: a failed browser is no reason to
  // end the installation.
  try {
    TOpenFolderDialog dialog(nullptr);
    const std::string dest = FullDestDir();
    dialog.FolderPath = Trim(dest).empty() ? Trim(DestDirEdit()->Text()) : dest;
    if (!dialog.Execute()) return;
    FormContainer->SetDestDirType(nullptr);
    std::string chosen = dialog.FolderPath;
    if (chosen.size() > 3) chosen = RemoveBackslash(chosen);
    FormContainer->SetDestDir(chosen);
    FUpdating = true;
    DestDirEdit()->SetText(FormContainer->DestDir());
    FUpdating = false;
    UpdateSpace();
  } catch (const std::exception& E) {
    FUpdating = false;
    Refuse(*this, E.what(), nullptr);
  }
}

// ======================================================== TSelectFolderForm

TSelectFolderForm::TSelectFolderForm(TComponent* AOwner) : TBaseInstallForm(AOwner) {
  if (HasCurrentLinksContext()) FormContainer = CurrentLinksContext().MainLinkGroup;
  DM = FindDialogManager(dmBeforeInstall);
  Order = 60;
}

const TClassInfo& TSelectFolderForm::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TSelectFolderForm>("TSelectFolderForm", &TBaseInstallForm::StaticClass);
  });
}

ui::TEdit* TSelectFolderForm::FolderEdit() const {
  return Child<ui::TEdit>(*this, "FolderEdit");
}

ui::TListBox* TSelectFolderForm::FolderListBox() const {
  return Child<ui::TListBox>(*this, "FolderListBox");
}

void TSelectFolderForm::AfterConstruction() {
  TBaseInstallForm::AfterConstruction();
  if (ui::TEdit* ed = FolderEdit())
    ed->OnChange = [this](TComponent*) {
      if (!FUpdating) WriteFolder(FolderEdit()->Text());
    };
  if (ui::TListBox* list = FolderListBox())
    list->OnClick = [this](TComponent*) {
      ui::TListBox* l = FolderListBox();
      const int i = l->ItemIndex();
      if (i < 0 || i >= l->Items().Count()) return;
      FolderEdit()->SetText(l->Items()[i]);
      WriteFolder(l->Items()[i]);
    };
}

std::string TSelectFolderForm::FolderName() const {
  if (!FormContainer) return {};
  if (!dynamic_cast<TpsProgramMenu*>(FormContainer->DestDirType())) return {};
  std::string name = FormContainer->DestDir();
  while (!name.empty() && name.front() == '\\')
    name.erase(0, 1);
  return RemoveBackslash(name);
}

void TSelectFolderForm::WriteFolder(const std::string& Name) {
  if (!FormContainer) return;
  TModelContext& m = FormContainer->Context();
  FormContainer->SetDestDirType(m.PathSpecifiers.Find(TpsProgramMenu::StaticClass()));
  FormContainer->SetDestDir("\\" + Name);
}

void TSelectFolderForm::FillExistingFolders() {
  ui::TListBox* list = FolderListBox();
  if (!list) return;
  list->Items().Clear();
  if (!HasCurrentModelContext()) return;
  TModelContext& m = CurrentModelContext();
  TOSVerType os = osUnidentified;
  try {
    os = m.OSVersion();
  } catch (const std::exception&) {
  }
  if (os != oswin95 && os != oswin98 && os != oswinME && os != oswinNT && os != oswin2K &&
      os != oswinXP)
    return;
  platform::TPlatform& p = m.Platform();
  std::vector<std::string> roots;
  try {
    roots.push_back(ProgramsMenuDir(p));
  } catch (const std::exception&) {
  }
  // The all-users Programs folder where the system has one (the NT family).
  if (p.Shell) {
    platform::TErrorCode error = 0;
    const std::string common = p.Shell->TrySpecialFolderPath(platform::csidlCommonPrograms, error);
    if (error == 0 && !common.empty()) roots.push_back(RemoveBackslash(common));
  }
  std::vector<std::string> names;
  for (const std::string& root : roots) {
    try {
      for (const platform::TFindData& d : p.Files->FindFiles(AddBackslash(root) + "*.*")) {
        if (!d.IsDirectory() || d.Name == "." || d.Name == "..") continue;
        if (std::none_of(names.begin(), names.end(),
                         [&](const std::string& n) { return SameText(n, d.Name); }))
          names.push_back(d.Name);
      }
    } catch (const std::exception&) {
      // A Programs folder this user cannot read lists nothing.
    }
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& A, const std::string& B) { return CompareText(A, B) < 0; });
  for (const std::string& n : names)
    list->Items().Add(n);
}

void TSelectFolderForm::InitializeControls() {
  TBaseInstallForm::InitializeControls();
  FillExistingFolders();
  // Shows the folder without writing it back: only the user changes it.
  FUpdating = true;
  if (ui::TEdit* ed = FolderEdit()) ed->SetText(FolderName());
  FUpdating = false;
}

bool TSelectFolderForm::CanLeavePage() {
  ui::TEdit* ed = FolderEdit();
  if (!FormContainer || !ed) return true;
  const std::string typed = ed->Text();
  std::string name = Trim(typed);
  if (const std::string fault = CheckProgramFolder(name); !fault.empty()) {
    Refuse(*this, fault, ed);
    return false;
  }
  name = RemoveBackslash(name);
  if (name != FolderName()) WriteFolder(name);
  if (name != typed) {
    FUpdating = true;
    ed->SetText(name);
    FUpdating = false;
  }
  return true;
}

void TSelectFolderForm::RestoreSpacers() {
  // Translation may resize labels; the spacers keep their heights.
  for (auto [name, height] : {std::pair{"Label1", 18}, {"Label3", 8}, {"Label4", 8}})
    if (auto* l = Child<ui::TControl>(*this, name); l && l->Height() != height) l->SetHeight(height);
}

void TSelectFolderForm::ApplyLanguage() {
  TBaseInstallForm::ApplyLanguage();
  RestoreSpacers();
}

void TSelectFolderForm::WidgetResized(int ClientWidth, int ClientHeight) {
  TBaseInstallForm::WidgetResized(ClientWidth, ClientHeight);
  RestoreSpacers();
}

// ==================================================== TSelectDestinationDlg

TSelectDestinationDlg::TSelectDestinationDlg(TComponent* AOwner) : TBaseInstallDlg(AOwner) {
  Register(dmBeforeInstall, 45);
}

const TClassInfo& TSelectDestinationDlg::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TSelectDestinationDlg> B("TSelectDestinationDlg", &TBaseInstallDlg::StaticClass);
    PublishBaseInstallDlg(B);
    return B;
  });
}

void TSelectDestinationDlg::AssignDialogProperties() {
  TBaseInstallDlg::AssignDialogProperties();
  auto* form = dynamic_cast<TSelectDestinationForm*>(CurrentForm());
  if (!form) return;
  form->InitializeControls();
  // Filling the page shows Back where it has a page before it; alone, or
  // until the host activates it, it has none.
  if (auto* back = Child<ui::TButton>(*form, "BackBtn")) back->SetVisible(false);
}

bool TSelectDestinationDlg::DoExecute() {
  if (!Container())
    Raise<IEDialogManager>("Cannot run this dialog %s with a blank Container property", {Name()});
  return TBaseInstallDlg::DoExecute();
}

void TSelectDestinationDlg::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  if (Code == ieShowSelectDestination && !DialogManager()) Execute();
  TBaseInstallDlg::HandleEvent(Sender, Code, Param);
}

// ========================================================= TSelectFolderDlg

TSelectFolderDlg::TSelectFolderDlg(TComponent* AOwner) : TBaseInstallDlg(AOwner) {
  Register(dmBeforeInstall, 60);
  // The main shortcut group, when the definition already has one; a stored
  // container replaces it.
  if (!IsLoading() && HasCurrentLinksContext())
    if (TMainLinkGroup* main = CurrentLinksContext().MainLinkGroup) SetContainer(main);
}

const TClassInfo& TSelectFolderDlg::StaticClass() {
  return ClassTable([] {
    using T = TSelectFolderDlg;
    TClassBuilder<T> B("TSelectFolderDlg", &TBaseInstallDlg::StaticClass);
    B.Bool<&T::AutoSetFont, &T::AutoSetFont>("AutoSetFont", true)
        .Bool<&T::AutoTranslate, &T::AutoTranslate>("AutoTranslate", true)
        .Ref<&T::LinkGroup, &T::SetLinkGroup>("Container")
        .Ref<&T::DialogManager, &T::SetDialogManager>("DialogManager");
    TInstallProps<T>::Order(B);
    B.Bool<&T::OverrideMainTranslator, &T::OverrideMainTranslator>("OverrideMainTranslator", false)
        .Object<&T::ThemeBitmapObj>("ThemeBitmap")
        .Enum<&T::TranslateIntoLanguage, &T::TranslateIntoLanguage>("TranslateIntoLanguage",
                                                                    QndlLanguageInfo, qlUser)
        .Event<&T::OnAfterExecute>("OnAfterExecute")
        .Event<&T::OnBeforeExecute>("OnBeforeExecute");
    return B;
  });
}

TCustomShellLinkGroup* TSelectFolderDlg::LinkGroup() const {
  TInstallContainer* c = Container();
  if (!c) return nullptr;
  auto* group = dynamic_cast<TCustomShellLinkGroup*>(c);
  if (!group)
    Raise<IEDialogManager>("The container for %s must be a TCustomShellLinkGroup", {Name()});
  return group;
}

void TSelectFolderDlg::SetLinkGroup(TCustomShellLinkGroup* Value) {
  SetContainer(Value);
}

void TSelectFolderDlg::AssignDialogProperties() {
  LinkGroup(); // refuses a container of another kind before the page uses it
  TBaseInstallDlg::AssignDialogProperties();
  auto* form = dynamic_cast<TSelectFolderForm*>(CurrentForm());
  if (!form) return;
  form->InitializeControls();
  if (auto* back = Child<ui::TButton>(*form, "BackBtn")) back->SetVisible(false);
}

bool TSelectFolderDlg::DoExecute() {
  if (!LinkGroup())
    Raise<IEDialogManager>("Cannot run this dialog %s with a blank Container property", {Name()});
  return TBaseInstallDlg::DoExecute();
}

void TSelectFolderDlg::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  // The group about to make its folder asks its own dialog.
  if (Code == ieShowSelectFolder && !DialogManager() && Sender == Container()) Execute();
  TBaseInstallDlg::HandleEvent(Sender, Code, Param);
}

// ============================================================ registration

void RegisterDestinationPages() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TSelectDestinationForm>();
  R.Register<TSelectFolderForm>();
  R.Register<TSelectDestinationDlg>();
  R.Register<TSelectFolderDlg>();
  R.Register<TOpenFolderDialog>();
  R.Register<TOFDCreateButton>();
  R.Register<TOFDPathEdit>();
}

} // namespace quendel::dialogs
