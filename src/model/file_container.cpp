#include "model/file_container.h"

#include "archive/compress.h"
#include "core/strings.h"
#include "model/install_group.h"
#include "system/os_version.h"
#include "system/registry_routines.h"

#include <algorithm>
#include <exception>

namespace quendel {

constexpr const char* kLzhCommandInfo[] = {"lzcOverwrite", "lzcOnlyAdd"};
constinit const TEnumInfo LzhCommandInfo("TlzhCommand", kLzhCommandInfo);

namespace {

bool IsContainerArchive(const TModelContext& C, const TCustomPathSpecifier* S) {
  return TSpecifierKinds::Is(S, C.SpecifierKinds.ContainerArchiveFile);
}

bool IsContainerOrMainArchive(const TModelContext& C, const TCustomPathSpecifier* S) {
  return IsContainerArchive(C, S) || TSpecifierKinds::Is(S, C.SpecifierKinds.MainArchiveFile);
}

IContainedFile* AsFile(TComponent* Obj) {
  return dynamic_cast<IContainedFile*>(Obj);
}

// Shows the hourglass for its lifetime when the user interface asked for it.
class TBusyCursor {
public:
  explicit TBusyCursor(TModelContext& AContext) : FContext(AContext) {
    if (FContext.BusyCursor) {
      FContext.BusyCursor(true);
      FShown = true;
    }
  }
  ~TBusyCursor() { Restore(); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
  void Restore() noexcept {
    if (!FShown) return;
    FShown = false;
    try {
      if (FContext.BusyCursor) FContext.BusyCursor(false);
    } catch (...) {
      // A cursor that cannot be put back must not hide the pass's own outcome.
    }
  }

private:
  TModelContext& FContext;
  bool FShown = false;
};

std::string SetupKeyOf(TModelContext& Context) {
  return Context.InstallRoot ? Context.InstallRoot->InstallRootSetupKey() : std::string();
}

} // namespace

// ---- TFileRelated ------------------------------------------------------------------------

const TClassInfo& TFileRelated::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TFileRelated>("TFileRelated", &TInstallObject::StaticClass); });
}

TFileRelated::TFileRelated(TComponent* AOwner) : TInstallObject(AOwner) {
  SetProcessWithContainer(true);
}

TFileRelated::~TFileRelated() = default;

void TFileRelated::DataReceived(const std::string& FileName, int Bytes, int TotalBytes,
                                int FileSize, const char* Buffer) {
  TDownloadStatusParameter P;
  P.Bytes = Bytes;
  P.FileName = FileName;
  P.FileSize = FileSize;
  P.TotalBytes = TotalBytes;
  P.PercentDone = PercentOf(TotalBytes, FileSize);
  if (OnDataReceived) OnDataReceived(this, FileName, Bytes, TotalBytes, FileSize, Buffer);
  Broadcast(this, ieDownloadStatus, &P);
  if (Container()) Container()->DoInformationEventControl(this, icDataReceived, &P);
}

void TFileRelated::DownloadArchive() {
  std::string Local;
  if (ReadLocalFile(Local)) {
    FLocalArchive = Local;
    return;
  }
  TCustomNetInstallLocation* L = FindNetLocation();
  if (!L) Raise<Exception>("Could not find a net install location for %s", {Name()});
  if (!L->LoginInformation().IsComplete()) {
    if (FNetLocation)
      Raise<IEFileRelated>("%s could not install itself because the TNetLocation component's "
                           "properties, in the NetLocation property, have not been filled in",
                           {Name()});
    Raise<IEFileRelated>("%s could not install itself because the LoginInformation property of "
                         "the TInstall component has not been properly filled in",
                         {Name()});
  }
  platform::IFileSystem& Files = *Context().Platform().Files;
  FLocalArchive = ChangeFileExt(GetTempFileName(Files, true), ".1");

  auto Discard = [&] {
    RemoveDownloadedArchive(Files, FLocalArchive);
    FLocalArchive.clear();
  };

  TCustomNetInstallLocation::TDataReceivedNotify Previous = L->OnDataReceived1;
  L->OnDataReceived1 = [this](TComponent*, const std::string& FileName, int Bytes,
                              int TotalBytes, int FileSize, const char* Buffer) {
    DataReceived(FileName, Bytes, TotalBytes, FileSize, Buffer);
  };
  try {
    L->GetFile(Name() + ".1", FLocalArchive);
  } catch (...) {
    L->OnDataReceived1 = Previous;
    // A failed download is no archive: nothing of it stays, and the object
    // does not claim to have one (ArchiveAvailable would answer yes).
    Discard();
    if (Context().UserAbort) throw EAIUserAbort();
    throw;
  }
  L->OnDataReceived1 = Previous;
  if (Context().UserAbort) {
    Discard();
    throw EAIUserAbort();
  }
  if (!IsDesigning()) StoreLocalFile(FLocalArchive);
}

bool TFileRelated::ArchiveAvailable() {
  if (!Trim(FLocalArchive).empty()) return true;
  std::string Path;
  return ReadLocalFile(Path);
}

void TFileRelated::StoreLocalFile(const std::string& Path) {
  const std::string Key = SetupKeyOf(Context());
  if (Trim(Name()).empty() || Trim(Path).empty() || Trim(Key).empty()) return;
  try {
    WriteRegString(*Context().Platform().Registry, rkiLocalMachine, AddBackslash(Key) + Name(),
                   LocalFileValue, Path);
  } catch (const std::exception&) {
    // Only a later run profits from the record; this one has its archive.
  }
}

bool TFileRelated::ReadLocalFile(std::string& Path) {
  const std::string Key = SetupKeyOf(Context());
  if (Trim(Name()).empty() || Trim(Key).empty()) return false;
  platform::TPlatform& P = Context().Platform();
  const std::string Value =
      ReadRegString(*P.Registry, rkiLocalMachine, AddBackslash(Key) + Name(), LocalFileValue, "");
  if (Trim(Value).empty() || !P.Files->FileExists(Value)) return false;
  if (!LocalCopySound(Value)) {
    ForgetLocalCopy(Key, Value);
    return false;
  }
  Path = Value;
  return true;
}

bool TFileRelated::LocalCopySound(const std::string& Path) {
  // Asked for every file of a container: look at each copy once.
  if (!FSoundLocalCopy.empty() && SameText(FSoundLocalCopy, Path)) return true;
  platform::IFileSystem& Files = *Context().Platform().Files;
  try {
    // A copy cut short (a disk that filled, a run killed while an older
    // version stored it) must not be mistaken for the archive.
    TQndlCompress Archive(nullptr, &Files);
    Archive.SetCompressedFile(Path);
    const int Count = Archive.Count();
    std::int64_t Size;
    {
      const auto F = Files.OpenRead(Path);
      Size = static_cast<std::int64_t>(F->Size());
    }
    for (int i = 0; i < Count; ++i) {
      TlzhFileStats Stats;
      Archive.GetFileStats(i, Stats);
      const std::int64_t Start = Stats.Header.DataStart();
      const std::int64_t Length = Stats.Header.CompressedSize();
      if (Stats.Header.EndVolume() > 1) continue; // a volume set: the later volumes are elsewhere
      if (Start < 0 || Length < 0 || Start + Length > Size) return false;
    }
  } catch (const std::exception&) {
    return false;
  }
  if (TCustomNetInstallLocation* L = FindNetLocation(); L && !L->AcceptsLocalCopy(Name() + ".1", Path))
    return false;
  FSoundLocalCopy = Path;
  return true;
}

void TFileRelated::ForgetLocalCopy(const std::string& Key, const std::string& Path) {
  platform::TPlatform& P = Context().Platform();
  try {
    P.Files->RemoveFile(Path);
  } catch (const std::exception&) {
    // Forgetting the record is what matters: the copy is not used again.
  }
  try {
    TqndlRegistry Reg(*P.Registry);
    Reg.SetRootKeyIndex(rkiLocalMachine);
    if (Reg.OpenKey(AddBackslash(Key) + Name(), false)) Reg.CurrentKey()->DeleteValue(LocalFileValue);
  } catch (const std::exception&) {
    // A record that stays names a file that is gone: it is ignored next time.
  }
  if (SameText(FLocalArchive, Path)) FLocalArchive.clear();
}

void TFileRelated::SetArchiveFile(const std::string& Value) {
  if (!IsLoading() && IsContainerOrMainArchive(Context(), FArchiveFileType))
    FArchiveFile.clear();
  else
    FArchiveFile = Value;
}

void TFileRelated::SetArchiveFileType(TCustomPathSpecifier* Value) {
  FArchiveFileTypeAssigned = true;
  if (Value && !IsLoading()) {
    Value->Validate(this);
    if (IsContainerOrMainArchive(Context(), Value)) FArchiveFile.clear();
  }
  FArchiveFileType = Value;
  if (Value) FreeNotification(Value);
}

void TFileRelated::SetNet(bool Value) {
  FNet = Value;
}

void TFileRelated::SetNetLocation(TCustomNetInstallLocation* Value) {
  FNetLocation = Value;
  if (Value) FreeNotification(Value);
}

std::string TFileRelated::GetFullArchiveFile() {
  std::string Path = FArchiveFileType ? FArchiveFileType->GetPath(this) + FArchiveFile : FArchiveFile;
  return RemoveBackslash(Path);
}

void TFileRelated::SetContainer(TInstallContainer* Value) {
  TInstallObject::SetContainer(Value);
  if (IsLoading()) return;
  if (Value && dynamic_cast<TFileRelated*>(Value)) {
    if (TCustomPathSpecifier* S =
            Context().StandardSpecifier(Context().SpecifierKinds.ContainerArchiveFile)) {
      SetArchiveFileType(S);
      SetArchiveFile("");
    }
  } else if (IsContainerArchive(Context(), FArchiveFileType)) {
    FArchiveFileType = nullptr;
  }
}

void TFileRelated::ApplyDesignDefaults() {
  const bool Had = FArchiveFileTypeAssigned;
  TInstallObject::ApplyDesignDefaults();
  // The archive default came with the container default: mark it the same way.
  if (FArchiveFileType && !Had) {
    FArchiveFileTypeDefaulted = true;
    FArchiveFileTypeAssigned = false;
  }
}

TCustomNetInstallLocation* TFileRelated::FindNetLocation() {
  if (FNetLocation) return FNetLocation;
  if (AsFile(this) && Container()) {
    if (auto* C = dynamic_cast<TFileContainer*>(Container())) return C->FindNetLocation();
    return nullptr;
  }
  if (auto* Root = dynamic_cast<TFileRelated*>(Context().InstallRootContainer()))
    return Root->NetLocation();
  return nullptr;
}

std::string TFileRelated::NetFolder() {
  TCustomNetInstallLocation* L = FindNetLocation();
  if (!L) Raise<IEFileRel_NoNetLocation>("Could not find a net install location for %s", {Name()});
  const TCustomLoginInformation& Login = L->LoginInformation();
  if (!Trim(Login.Directory).empty())
    return MakeValidName(Login.Hostname) + "\\" + MakeValidName(Login.Directory);
  return MakeValidName(Login.Hostname) + "\\" + Login.ProtocolName();
}

void TFileRelated::AssignArchive(TlzhCommand Add, const std::string& File,
                                 TCustomPathSpecifier* Type) {
  FAddToArchive = Add;
  FArchiveFile = File;
  FArchiveFileType = Type;
  if (Type) FreeNotification(Type);
}

void TFileRelated::Loaded() {
  if (FArchiveFileTypeDefaulted && !FArchiveFileTypeAssigned) FArchiveFileType = nullptr;
  FArchiveFileTypeDefaulted = false;
  TInstallObject::Loaded();
  // An archive downloaded by an earlier run that did not finish.
  std::string Path;
  if (ReadLocalFile(Path)) FLocalArchive = Path;
}

void TFileRelated::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) {
    if (AComponent == FArchiveFileType) FArchiveFileType = nullptr;
    if (AComponent == FNetLocation) FNetLocation = nullptr;
  }
  TInstallObject::Notification(AComponent, Operation);
}

// ---- TFileContainer ----------------------------------------------------------------------

const TClassInfo& TFileContainer::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TFileContainer>("TFileContainer", &TFileRelated::StaticClass); });
}

TFileContainer::TFileContainer(TComponent* AOwner, bool AHasOwnSpecifier)
    : TFileRelated(AOwner), FHasOwnSpecifier(AHasOwnSpecifier) {
  if (!FHasOwnSpecifier) return;
  auto Specifier = std::make_unique<TpsFileContainer>(AOwner);
  if (AOwner) {
    // "psFileContainer", then "psFileContainer1", "psFileContainer2", ...
    std::string Candidate = Specifier->DefaultName();
    for (int N = 1; AOwner->FindComponent(Candidate); ++N)
      Candidate = Specifier->DefaultName() + std::to_string(N);
    Specifier->TComponent::SetName(Candidate);
  }
  Specifier->SetFileContainer(this);
  FOwnSpecifier = Specifier.release();
  FreeNotification(FOwnSpecifier);
}

TFileContainer::~TFileContainer() {
  FreeFiles();
  if (TpsFileContainer* Specifier = FOwnSpecifier) {
    FOwnSpecifier = nullptr;
    if (!Specifier->IsDestroying()) Specifier->Free();
  }
}

void TFileContainer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent && AComponent == FOwnSpecifier) FOwnSpecifier = nullptr;
  TFileRelated::Notification(AComponent, Operation);
}

std::vector<IContainedFile*> TFileContainer::Files() const {
  std::vector<IContainedFile*> Result;
  for (TInstallContainer* C : ChildList())
    if (IContainedFile* F = AsFile(C)) Result.push_back(F);
  return Result;
}

std::vector<TFileContainer*> TFileContainer::SubContainers() const {
  std::vector<TFileContainer*> Result;
  for (TInstallContainer* C : ChildList())
    if (auto* F = dynamic_cast<TFileContainer*>(C)) Result.push_back(F);
  return Result;
}

void TFileContainer::DoNewDisk(IContainedFile& File, TDiskParameter& Disk) {
  if (!OnNewDisk) return;
  std::string Path = Disk.Path;
  OnNewDisk(File.InstallFile(), Disk.NewDisk, Path);
  Disk.Path = Path;
  File.FileRelated().Tag = 1;
}

void TFileContainer::DoReplacing(IContainedFile& File) {
  if (OnReplacing) OnReplacing(File.InstallFile());
  TObjectParameter P(&File.FileRelated());
  Broadcast(this, ieReplacing, &P);
}

void TFileContainer::DoStatus(IContainedFile& File, TFileStatusParameter& Status) {
  if (OnStatus) OnStatus(File.InstallFile(), Status.FilePercentDone, Status.TotalPercentDone);
  Broadcast(this, ieFileStatus, &Status);
}

std::int64_t TFileContainer::SumSizes(bool All, bool Recursive) {
  std::int64_t Sum = 0;
  for (IContainedFile* F : Files())
    if (All || F->FileRelated().IsSelected()) Sum += F->FileSize();
  if (Recursive)
    for (TFileContainer* C : SubContainers())
      if (All || C->IsSelected()) Sum += C->SumSizes(All, true);
  return Sum;
}

std::int64_t TFileContainer::CompressedSize(bool All) {
  std::int64_t Sum = 0;
  for (IContainedFile* F : Files())
    if (All || F->FileRelated().IsSelected()) Sum += F->FileCompressedSize();
  for (TFileContainer* C : SubContainers())
    if (All || C->IsSelected()) Sum += C->CompressedSize(All);
  return Sum;
}

void TFileContainer::Execute(std::uint8_t AMode) {
  try {
    switch (AMode) {
    case cmCompress:
      Compress(0);
      break;
    case cmInstall:
      Process();
      break;
    case cmCopy:
      CopyFiles();
      break;
    case cmReflect:
      Reflect();
      break;
    default:
      break;
    }
  } catch (...) {
    FMode = cmIdle;
    throw;
  }
  FMode = cmIdle;
}

void TFileContainer::Reflect() {
  FMode = cmReflect;
  try {
    if (IQndlExternalReflector* R = Context().Reflector) {
      const std::vector<TInstallContainer*> Snapshot = ChildList();
      for (TInstallContainer* C : Snapshot) R->Receive(C);
    }
  } catch (...) {
    FMode = cmIdle;
    throw;
  }
  FMode = cmIdle;
}

void TFileContainer::FreeFiles() {
  // Last to first; each file leaves the list before it is freed.
  for (;;) {
    const std::vector<IContainedFile*> List = Files();
    if (List.empty()) break;
    TFileRelated& F = List.back()->FileRelated();
    RemoveChild(&F);
    if (!F.IsDestroying()) F.Free();
  }
}

std::string TFileContainer::GetDownloadedArchivePath() {
  std::string Path;
  if (!ReadLocalFile(Path))
    Raise<IEFileContainer>("%s has not yet downloaded the archive file and therefore cannot "
                           "retrieve the path of the archive file",
                           {Name()});
  return Path;
}

void TFileContainer::ReadInfoFromArchive() {
  TBusyCursor Busy(Context());
  for (IContainedFile* F : Files()) F->ReadFileInfoFromArchive();
  for (TFileContainer* C : SubContainers()) C->ReadInfoFromArchive();
  SetInfoRead(true);
}

void TFileContainer::ReadFileInfo() {
  TBusyCursor Busy(Context());
  for (IContainedFile* F : Files()) F->ReadFileInfoFromSource();
  for (TFileContainer* C : SubContainers()) C->ReadFileInfo();
}

bool TFileContainer::NeedsContainerArchive() {
  const IInstallRoot* Root = Context().InstallRoot;
  const TDistributeType Type = Root ? Root->InstallRootDistributeType() : dtTraditional;
  if (Type == dtTraditional) return false;
  for (IContainedFile* F : Files()) {
    TFileRelated& R = F->FileRelated();
    if (R.Net() && R.Include() && !R.NetLocation()) return true;
  }
  return false;
}

void TFileContainer::PassUp(int Code, TEventParameter* Param) {
  if (Container()) Container()->DoInformationEventControl(this, Code, Param);
}

void TFileContainer::DoInstall() {
  FMode = cmInstall;
  std::exception_ptr Failure;
  {
    TBusyCursor Busy(Context());
    try {
      std::string Local;
      if (ReadLocalFile(Local)) SetLocalArchive(Local);
      ReadInfoFromArchive();
      Broadcast(this, ieContainerStart, nullptr);
      TObjectParameter Self(this);
      PassUp(icContainerStart, &Self);
      FTotalSize = SubtreeSize(false);
      FDoneSize = 0;
      if (OnBeforeInstallObjects) OnBeforeInstallObjects(this);
      TInstallContainer::DoInstall();
      PassUp(icContainerEnd, &Self);
    } catch (...) {
      Failure = std::current_exception();
    }
  }
  // The uninstall log's key stays open only while a pass writes entries.
  Context().CloseUninstallLog();
  // Every exit: the end event, the after-objects handler, then idle; the
  // first failure is the one that propagates.
  const bool WasAborted = Context().SharedCompressor && Context().SharedCompressor->Abort();
  try {
    Broadcast(this, ieOperationEnd, nullptr);
    if (FFireAfterInstallObjects && OnAfterInstallObjects) OnAfterInstallObjects(this, WasAborted);
  } catch (...) {
    if (!Failure) Failure = std::current_exception();
  }
  FMode = cmIdle;
  if (Failure) std::rethrow_exception(Failure);
}

// A copy or compress pass over a container: the container is in its mode
// for the pass, and the pass's end is broadcast however it ends (the
// during-copy windows close on it).
class TFileContainer::TOperationScope {
public:
  TOperationScope(TFileContainer& Container, std::uint8_t Mode)
      : FContainer(Container), FUncaught(std::uncaught_exceptions()) {
    FContainer.FMode = Mode;
  }
  ~TOperationScope() noexcept(false) {
    FContainer.FMode = cmIdle;
    if (std::uncaught_exceptions() == FUncaught) {
      FContainer.Broadcast(&FContainer, ieOperationEnd, nullptr);
      return;
    }
    try {
      FContainer.Broadcast(&FContainer, ieOperationEnd, nullptr);
    } catch (...) {
      // The pass's own failure is the one to report.
    }
  }
  TOperationScope(const TOperationScope&) = delete;
  TOperationScope& operator=(const TOperationScope&) = delete;

private:
  TFileContainer& FContainer;
  int FUncaught;
};

void TFileContainer::CopyFiles() {
  TOperationScope Pass(*this, cmCopy);
  if (OnBeforeProcess) OnBeforeProcess(this);
  if (Include()) {
    TObjectParameter Self(this);
    PassUp(icContainerStart, &Self);
    ReadFileInfo();
    FTotalSize = SubtreeSize(false);
    FDoneSize = 0;
    for (IContainedFile* F : Files()) {
      try {
        F->CopyFile();
      } catch (const EAbort&) {
        // A file skipped quietly; the others are still copied.
      }
    }
    for (TFileContainer* C : SubContainers()) C->CopyFiles();
    if (OnAfterProcess) OnAfterProcess(this);
    PassUp(icContainerEnd, &Self);
  }
}

namespace {

// Deletes an archive the build will write anew.
void DeleteArchive(platform::IFileSystem& Files, const std::string& Owner,
                   const std::string& Path) {
  if (!Files.FileExists(Path)) return;
  try {
    Files.RemoveFile(Path);
  } catch (const std::exception&) {
    Raise<IEFileContainer>("%s cannot delete the archive file %s", {Owner, Path});
  }
}

// Path rebuilt below Base: a drive and its colon are dropped; a path without
// a drive keeps everything after its leading backslashes.
std::string InBuildDir(const std::string& Base, const std::string& Path) {
  const std::size_t Colon = Path.find(':');
  std::string Rest = Colon == std::string::npos ? Path : Path.substr(Colon + 1);
  const std::size_t First = Rest.find_first_not_of('\\');
  Rest = First == std::string::npos ? std::string() : Rest.substr(First);
  return Base + "\\" + Rest;
}

} // namespace

void TFileContainer::Compress(TCompressOptions Options) {
  if ((Options & coForceNetFilesLocal) && (Options & coForceFilesNet))
    Raise<IEFileContainer>("Cannot pass both coForceNetFilesLocal and coForceFilesNet to Compress");
  TOperationScope Pass(*this, cmCompress);
  if (OnBeforeProcess) OnBeforeProcess(this);
  if (Include()) {
    TObjectParameter Self(this);
    PassUp(icContainerStart, &Self);
    ReadFileInfo();
    FTotalSize = SubtreeSize((Options & coIncludeAll) != 0);
    FDoneSize = 0;

    platform::IFileSystem& Disk = *Context().Platform().Files;
    const std::string Full = GetFullArchiveFile();
    const std::string Base = RemoveBackslash(ExtractFileDir(Full));
    try {
      SetLocalArchive(Base + "\\" + NetFolder() + "\\" + Name() + ".1");
    } catch (const IEFileRel_NoNetLocation&) {
      if (!(Options & coForceNetFilesLocal)) throw;
    }
    if (AddToArchive() == lzcOverwrite) DeleteArchive(Disk, Name(), ChangeFileExt(Full, ".1"));

    const std::vector<IContainedFile*> MyFiles = Files();
    const bool AnyNet =
        std::any_of(MyFiles.begin(), MyFiles.end(),
                    [](IContainedFile* F) { return F->FileRelated().Net(); }) ||
        ((Options & coForceFilesNet) && !MyFiles.empty());
    if (AnyNet && !Trim(LocalArchive()).empty()) DeleteArchive(Disk, Name(), LocalArchive());

    auto* const Root = dynamic_cast<TFileRelated*>(Context().InstallRootContainer());
    const std::vector<TInstallContainer*> Snapshot = ChildList();
    for (TInstallContainer* C : Snapshot) {
      auto* Child = dynamic_cast<TFileRelated*>(C);
      if (!Child) continue;
      IContainedFile* File = AsFile(Child);
      const bool GoesNet = File && !(Options & coForceNetFilesLocal) &&
                           (Child->Net() || (Options & coForceFilesNet));

      const TlzhCommand SavedAdd = Child->AddToArchive();
      const std::string SavedFile = Child->ArchiveFile();
      TCustomPathSpecifier* const SavedType = Child->ArchiveFileType();
      const bool SavedInclude = Child->Include();
      auto Restore = [&] {
        Child->AssignArchive(SavedAdd, SavedFile, SavedType);
        Child->SetInclude(SavedInclude);
      };
      try {
        if (Options & coIncludeAll) Child->SetInclude(true);
        if (GoesNet && Child->NetLocation()) {
          Child->AssignArchive(lzcOverwrite,
                               Base + "\\" + Child->NetFolder() + "\\" + Child->Name() + ".1",
                               nullptr);
          File->SetNetArchive(true);
        } else if (GoesNet) {
          const std::string Own =
              File->KeepsOwnArchive()
                  ? Base + "\\" + Child->NetFolder() + "\\" + Child->Name() + ".1"
                  : LocalArchive();
          Child->AssignArchive(lzcOnlyAdd, Own, nullptr);
          File->SetNetArchive(false);
        } else if (IsContainerArchive(Context(), SavedType)) {
          Child->AssignArchive(lzcOnlyAdd, SavedFile, SavedType);
        } else if (TSpecifierKinds::Is(SavedType, Context().SpecifierKinds.InstallSource)) {
          std::string Dir = Base;
          if (Root) Dir = RemoveBackslash(ExtractFileDir(Root->GetFullArchiveFile()));
          Child->AssignArchive(lzcOverwrite, Dir + SavedFile, nullptr);
        } else if ((Options & coArchiveInBuildDir) && Root &&
                   TSpecifierKinds::Is(SavedType, Context().SpecifierKinds.MainArchiveFile)) {
          // The main archive of a build is the one the root compresses into
          // (the build directory's "files.1", which setup.exe carries); its
          // own path names the installing machine's, which a build must not
          // rebuild below the build directory.
          Child->AssignArchive(lzcOnlyAdd, Root->GetFullArchiveFile(), nullptr);
        } else if (Options & coArchiveInBuildDir) {
          Child->AssignArchive(lzcOverwrite, InBuildDir(Base, Child->GetFullArchiveFile()),
                               nullptr);
        }
        if (auto* Sub = dynamic_cast<TFileContainer*>(Child)) {
          Sub->Compress(Options);
        } else if (File) {
          try {
            File->CompressFile();
          } catch (const EAbort&) {
            // A file skipped quietly; the build goes on with the others.
          }
        }
      } catch (...) {
        Restore();
        throw;
      }
      Restore();
    }
    if (OnAfterProcess) OnAfterProcess(this);
    PassUp(icContainerEnd, &Self);
  }
}

// ---- Notifications from below -----------------------------------------------------------

namespace {

TComponent* ObjectOf(TEventParameter* P) {
  auto* O = dynamic_cast<TObjectParameter*>(P);
  return O ? O->Object : nullptr;
}

} // namespace

void TFileContainer::DoInformationEventControl(TComponent* Sender, int Code,
                                               TEventParameter* Param) {
  (void)Sender;
  if (FMode == cmIdle) return;
  auto RequireParam = [&] {
    if (!Param) Raise<IEFileContainer>("%s got a nil PO parameter", {Name()});
  };
  switch (Code) {
  case icFileReplacing: {
    RequireParam();
    IContainedFile* F = AsFile(ObjectOf(Param));
    if (!F) Raise<IEFileContainer>("DoInformationEventControl parameter is not TInstallFile");
    DoReplacing(*F);
    break;
  }
  case icStatusInstall:
  case icStatusCompress:
  case icStatusCopy:
  case icNewDisk: {
    RequireParam();
    auto* List = dynamic_cast<TParameterList*>(Param);
    if (!List) Raise<IEFileContainer>("DoInformationEventControl--PO is not a TList object");
    if (List->Items.size() < 2)
      Raise<IEFileContainer>("DoInformationEventControl--Not engouh parameters for status event");
    IContainedFile* F = AsFile(List->Items[0].Object);
    if (Code == icNewDisk) {
      if (!F) Raise<IEFileContainer>("DoInformationEventControl says bad %d parameter", {1});
      auto* Disk = dynamic_cast<TDiskParameter*>(List->Items[1].Parameter);
      if (!Disk) Raise<IEFileContainer>("DoInformationEventControl says bad %d parameter", {2});
      DoNewDisk(*F, *Disk);
      Broadcast(this, ieNewDisk, List);
    } else {
      if (!F) Raise<IEFileContainer>("DoInformationEventControl says bad first parameter");
      if (!dynamic_cast<TFileStatusParameter*>(List->Items[1].Parameter))
        Raise<IEFileContainer>("DoInformationEventControl says bad second parameter");
      StatusUpdate(*List);
    }
    break;
  }
  case icDataReceived: {
    RequireParam();
    auto* P = dynamic_cast<TDownloadStatusParameter*>(Param);
    if (!P)
      Raise<IEFileContainer>("The PO object passed to %s is not a TDownloadStatusParameter object",
                             {Name()});
    if (OnDataReceived)
      OnDataReceived(this, P->FileName, P->Bytes, P->TotalBytes, P->FileSize, nullptr);
    Broadcast(this, ieDownloadStatus, P);
    break;
  }
  case icFileSkippedByAbort:
  case icFileSkippedByOverwrite: {
    RequireParam();
    IContainedFile* F = AsFile(ObjectOf(Param));
    if (!F) Raise<IEFileContainer>("DoInformationEventControl says bad first parameter");
    SyntheticStatus(*F);
    break;
  }
  default:
    break;
  }
  PassUp(Code, Param);
}

void TFileContainer::StatusUpdate(TParameterList& List) {
  IContainedFile& F = *AsFile(List.Items[0].Object);
  auto& S = *static_cast<TFileStatusParameter*>(List.Items[1].Parameter);
  S.ContainerBytesDone = FDoneSize + S.FileBytesDone;
  S.TotalPercentDone = PercentOf(static_cast<double>(S.ContainerBytesDone),
                                 static_cast<double>(FTotalSize));
  DoStatus(F, S);
  if (S.Status.Finished && FMode >= cmCompress && FMode <= cmReflect)
    FDoneSize += S.Status.UncompressedSize;
}

void TFileContainer::SyntheticStatus(IContainedFile& File) {
  const std::int64_t Size = File.FileSize();
  TFileStatusParameter S;
  S.FileBytesDone = Size;
  S.FilePercentDone = 100;
  S.FileName = File.FileFileName();
  S.ContainerBytesDone = FDoneSize + Size;
  S.TotalPercentDone = PercentOf(static_cast<double>(S.ContainerBytesDone),
                                 static_cast<double>(FTotalSize));
  DoStatus(File, S);
  FDoneSize += Size;
}

// ---- TpsFileContainer ------------------------------------------------------------------

const TClassInfo& TpsFileContainer::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsFileContainer>("TpsFileContainer", &TCustomPathSpecifier::StaticClass)
        .Ref<&TpsFileContainer::FileContainer, &TpsFileContainer::SetFileContainer>(
            "FileContainer");
  });
}

TpsFileContainer::TpsFileContainer(TComponent* AOwner) : TCustomPathSpecifier(AOwner) {}

TpsFileContainer::~TpsFileContainer() = default;

void TpsFileContainer::Validate(TComponent* Obj) {
  if (dynamic_cast<TFileContainer*>(Obj) || AsFile(Obj))
    Raise<IEPathSpecifier>("A file container cannot reference another file container or group");
}

std::string TpsFileContainer::GetPath(TComponent* Obj) {
  Validate(Obj);
  return FFileContainer ? FFileContainer->GetFullDestDir() : std::string();
}

std::string TpsFileContainer::GetDescription() {
  if (!FFileContainer) return "Path specifier for unknown file container";
  return "Path into which " + FFileContainer->Description() + " will be installed";
}

std::string TpsFileContainer::GetCaption() {
  if (!FFileContainer) return "Path specifier for unknown file container";
  return "<" + FFileContainer->Description() + ">";
}

void TpsFileContainer::SetFileContainer(TFileContainer* Value) {
  FFileContainer = Value;
  if (Value) FreeNotification(Value);
}

void TpsFileContainer::Loaded() {
  TCustomPathSpecifier::Loaded();
  if (!FFileContainer || FFileContainer->FOwnSpecifier == this) return;
  TpsFileContainer* Made = FFileContainer->FOwnSpecifier;
  FFileContainer->FOwnSpecifier = this;
  FFileContainer->FreeNotification(this);
  if (Made && !Made->IsDestroying()) Made->Free();
}

void TpsFileContainer::SetName(const std::string& NewName) {
  TComponent* Other = Owner() ? Owner()->FindComponent(NewName) : nullptr;
  if (Other && Other != this && IsValidIdent(NewName)) {
    std::string Moved;
    do
      Moved = "nameClash" + std::to_string(++Context().NameClashCounter);
    while (Owner()->FindComponent(Moved));
    Other->SetName(Moved);
  }
  TCustomPathSpecifier::SetName(NewName);
}

void TpsFileContainer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent && AComponent == FFileContainer) FFileContainer = nullptr;
  TCustomPathSpecifier::Notification(AComponent, Operation);
}

} // namespace quendel
