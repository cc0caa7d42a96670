#include "model/install_group.h"

#include "core/strings.h"

namespace quendel {

// ---- TIcon ------------------------------------------------------------------------------

const TClassInfo& TIcon::StaticClass() {
  return ClassTable([] { return TClassBuilder<TIcon>("TIcon", &TPicture::StaticClass); });
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
  return ClassTable([] {
    return TClassBuilder<T>("TInstallGroupDialogOptions", &TPersistent::StaticClass)
        .Bool<&T::AllowChangeDir, &T::AllowChangeDir>("AllowChangeDir", true)
        .Bool<&T::AllowExcludeInclude, &T::AllowExcludeInclude>("AllowExcludeInclude", true)
        .Strings<static_cast<const TStrings& (T::*)() const>(&T::Description)>("Description")
        .Bool<&T::DisplayDirectory, &T::DisplayDirectory>("DisplayDirectory", true)
        .Picture<static_cast<const TIcon& (T::*)() const>(&T::SmallIcon)>("SmallIcon")
        .Bool<&T::ShowRegardlessOfInclude, &T::ShowRegardlessOfInclude>("ShowRegardlessOfInclude",
                                                                        true);
  });
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

template <class T> constexpr void PublishContainer(TClassBuilder<T>& B, bool WithDialogOptions) {
  using P = TInstallProps<T>;
  using F = TFileRelatedProps<T>;
  F::AddToArchive(B);
  F::ArchiveFile(B);
  F::ArchiveFileType(B);
  P::Container(B);
  B.template Str<&T::Description, &T::SetDescription>("Description");
  P::DestDir(B);
  P::DestDirType(B);
  if constexpr (std::is_base_of_v<TCustomInstallGroup, T>)
    if (WithDialogOptions)
      B.template Object<static_cast<const TInstallGroupDialogOptions& (TCustomInstallGroup::*)()
                                        const>(&T::DialogOptions)>("DialogOptions");
  P::Include(B);
  P::InstallTypes(B);
  F::NetLocation(B);
  P::OS(B);
  B.template Event<&T::OnAfterInstallObjects>("OnAfterInstallObjects");
  P::OnAfterProcess(B);
  B.template Event<&T::OnBeforeInstallObjects>("OnBeforeInstallObjects");
  P::OnBeforeProcess(B);
  F::OnDataReceived(B);
  B.template Event<&T::OnNewDisk>("OnNewDisk");
  B.template Event<&T::OnReplacing>("OnReplacing");
  B.template Event<&T::OnStatus>("OnStatus");
}

} // namespace

// ---- TCustomInstallGroup -------------------------------------------------------------------

const TClassInfo& TCustomInstallGroup::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TCustomInstallGroup>("TCustomInstallGroup", &TFileContainer::StaticClass);
  });
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
  return ClassTable([] {
    TClassBuilder<TInstallGroup> B("TInstallGroup", &TCustomInstallGroup::StaticClass);
    PublishContainer(B, true);
    return B;
  });
}

// ---- TInstallDirectory ---------------------------------------------------------------------

const TClassInfo& TInstallDirectory::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TInstallDirectory> B("TInstallDirectory", &TFileContainer::StaticClass);
    PublishContainer(B, false);
    return B;
  });
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
