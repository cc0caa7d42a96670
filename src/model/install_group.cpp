#include "model/install_group.h"

#include "core/strings.h"

namespace quendel {

// ---- TIcon ------------------------------------------------------------------------------

const TClassInfo& TIcon::StaticClass() {
  static const TClassInfo Info = TClassBuilder<TIcon>("TIcon", TPicture::StaticClass()).Build();
  return Info;
}

void TIcon::Assign(const TPersistent& Source) {
  if (auto* I = dynamic_cast<const TIcon*>(&Source)) {
    FIcon = I->FIcon;
    return;
  }
  TPicture::Assign(Source);
}

// ---- TInstallGroupDialogOptions ------------------------------------------------------------

const TClassInfo& TInstallGroupDialogOptions::StaticClass() {
  using T = TInstallGroupDialogOptions;
  static const TClassInfo Info =
      TClassBuilder<T>("TInstallGroupDialogOptions", TPersistent::StaticClass())
          .Bool("AllowChangeDir", &T::AllowChangeDir, &T::AllowChangeDir, true)
          .Bool("AllowExcludeInclude", &T::AllowExcludeInclude, &T::AllowExcludeInclude, true)
          .Strings("Description", static_cast<const TStrings& (T::*)() const>(&T::Description))
          .Bool("DisplayDirectory", &T::DisplayDirectory, &T::DisplayDirectory, true)
          .Picture("SmallIcon", static_cast<const TIcon& (T::*)() const>(&T::SmallIcon))
          .Bool("ShowRegardlessOfInclude", &T::ShowRegardlessOfInclude,
                &T::ShowRegardlessOfInclude, true)
          .Build();
  return Info;
}

void TInstallGroupDialogOptions::Assign(const TPersistent& Source) {
  if (auto* O = dynamic_cast<const TInstallGroupDialogOptions*>(&Source)) {
    AllowChangeDir = O->AllowChangeDir;
    AllowExcludeInclude = O->AllowExcludeInclude;
    FDescription.Assign(O->FDescription);
    DisplayDirectory = O->DisplayDirectory;
    FSmallIcon.Assign(O->FSmallIcon);
    ShowRegardlessOfInclude = O->ShowRegardlessOfInclude;
    return;
  }
  TPersistent::Assign(Source);
}

// ---- Published properties of groups and directories ---------------------------------------

namespace {

template <class T> void PublishContainer(TClassBuilder<T>& B, bool WithDialogOptions) {
  using P = TInstallProps<T>;
  using F = TFileRelatedProps<T>;
  F::AddToArchive(B);
  F::ArchiveFile(B);
  F::ArchiveFileType(B);
  P::Container(B);
  B.Str("Description", &T::Description, &T::SetDescription);
  P::DestDir(B);
  P::DestDirType(B);
  if constexpr (std::is_base_of_v<TCustomInstallGroup, T>)
    if (WithDialogOptions)
      B.Object("DialogOptions", static_cast<const TInstallGroupDialogOptions& (T::*)() const>(
                                    &T::DialogOptions));
  P::Include(B);
  P::InstallTypes(B);
  F::NetLocation(B);
  P::OS(B);
  B.Event("OnAfterInstallObjects",
          static_cast<TFileContainer::TAfterInstallObjectsEvent T::*>(&T::OnAfterInstallObjects));
  P::OnAfterProcess(B);
  B.Event("OnBeforeInstallObjects", static_cast<TInstallContainer::TInstallContainerNotifyEvent T::*>(
                                        &T::OnBeforeInstallObjects));
  P::OnBeforeProcess(B);
  F::OnDataReceived(B);
  B.Event("OnNewDisk", static_cast<TFileContainer::TInstallFileNewDiskEvent T::*>(&T::OnNewDisk));
  B.Event("OnReplacing",
          static_cast<TFileContainer::TInstallFileNotifyEvent T::*>(&T::OnReplacing));
  B.Event("OnStatus", static_cast<TFileContainer::TInstallFileStatusEvent T::*>(&T::OnStatus));
}

} // namespace

// ---- TCustomInstallGroup -------------------------------------------------------------------

const TClassInfo& TCustomInstallGroup::StaticClass() {
  static const TClassInfo Info =
      TClassBuilder<TCustomInstallGroup>("TCustomInstallGroup", TFileContainer::StaticClass())
          .Build();
  return Info;
}

TCustomInstallGroup::TCustomInstallGroup(TComponent* AOwner) : TFileContainer(AOwner) {}

TCustomInstallGroup::~TCustomInstallGroup() = default;

void TCustomInstallGroup::SetContainer(TInstallContainer* Value) {
  if (Value && !dynamic_cast<IInstallRoot*>(Value) && !dynamic_cast<TCustomInstallGroup*>(Value))
    Raise<IEInstallGroup>("A TInstallGroup component can only be contained by a TInstall, or "
                          "another TInstallGroup component");
  if (!Value) Value = Context().InstallRootContainer();
  TFileRelated::SetContainer(Value);
}

const TClassInfo& TInstallGroup::StaticClass() {
  static const TClassInfo Info = [] {
    TClassBuilder<TInstallGroup> B("TInstallGroup", TCustomInstallGroup::StaticClass());
    PublishContainer(B, true);
    return B.Build();
  }();
  return Info;
}

// ---- TInstallDirectory ---------------------------------------------------------------------

const TClassInfo& TInstallDirectory::StaticClass() {
  static const TClassInfo Info = [] {
    TClassBuilder<TInstallDirectory> B("TInstallDirectory", TFileContainer::StaticClass());
    PublishContainer(B, false);
    return B.Build();
  }();
  return Info;
}

TInstallDirectory::TInstallDirectory(TComponent* AOwner) : TFileContainer(AOwner) {
  SetProcessWithContainer(true);
  SetInclude(true);
  // A new directory on a design surface is numbered among the file
  // containers (the install root included); a stored one keeps its text.
  if (IsDesigning() && !(AOwner && AOwner->IsLoading())) {
    int Count = 0;
    for (TInstallContainer* C : Context().AllContainers.Items())
      if (dynamic_cast<TFileContainer*>(C)) ++Count;
    SetDescription("Install Directory " + std::to_string(Count));
  }
}

void TInstallDirectory::RemoveMissingFiles() {
  platform::IFileSystem& Disk = *Context().Platform().Files;
  const std::vector<IContainedFile*> List = Files();
  for (auto It = List.rbegin(); It != List.rend(); ++It) {
    IContainedFile* F = *It;
    if (Disk.FileExists(F->SourcePath())) continue;
    TFileRelated& R = F->FileRelated();
    RemoveChild(&R);
    R.Free();
  }
}

} // namespace quendel
