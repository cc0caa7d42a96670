#include "model/install_file.h"

#include "archive/overwrite.h"
#include "core/format.h"
#include "core/strings.h"
#include "model/install_file_ops.h"
#include "system/version_resource.h"
#include "uninstall/uninstall_log.h"

namespace quendel {

constexpr const char* kInstallFileStateInfo[] = {"ifsNone", "ifsCompress", "ifsInstall",
                                                 "ifsCopying", "ifsReflect"};
constinit const TEnumInfo InstallFileStateInfo("TInstallFileState", kInstallFileStateInfo);
constexpr const char* kInstallFileTypeInfo[] = {"iftNormal", "iftJustADLL",
                                                "iftApplicationSpecificDLL", "iftVendorSharedDLL",
                                                "iftSystemWideDLL"};
constinit const TEnumInfo InstallFileTypeInfo("TInstallFileType", kInstallFileTypeInfo);
constexpr const char* kQndlFileAttributesInfo[] = {"qfaArchive",  "qfaCompressed", "qfaDirectory",
                                                   "qfaHidden",   "qfaNormal",     "qfaOffline",
                                                   "qfaReadOnly", "qfaSystem",     "qfaTemporary"};
constinit const TEnumInfo QndlFileAttributesInfo("TQndlFileAttributes", kQndlFileAttributesInfo);

namespace {

const char* const MsgDestBlank = "Cannot compress,copy, or install the following file because "
                                 "it's destination directory is blank. File is :%s";
const char* const MsgArchiveBlank = "Cannot either compress or decompress the following file "
                                    "because it's archive file property is blank. File is :%s";

// Sets the state for the lifetime of an operation and back to none on every exit.
class TStateScope {
public:
  TStateScope(TInstallFileState& State, TInstallFileState Value) : FState(State) {
    FState = Value;
  }
  ~TStateScope() { FState = ifsNone; }
  TStateScope(const TStateScope&) = delete;
  TStateScope& operator=(const TStateScope&) = delete;

private:
  TInstallFileState& FState;
};

// A compressor for this file alone, or the shared one.
struct TCompressorChoice {
  std::unique_ptr<TQndlCompress> Own;
  TQndlCompress* Used = nullptr;
};

} // namespace

// ---- Construction ------------------------------------------------------------------------

TCustomInstallFile::TCustomInstallFile(TComponent* AOwner) : TFileRelated(AOwner) {
  Init();
}

TCustomInstallFile::TCustomInstallFile(TComponent* AOwner, const std::string& SourcePath)
    : TFileRelated(AOwner) {
  Init();
  try {
    SetSource(SourcePath);
  } catch (...) {
    Leave();
    throw;
  }
}

TCustomInstallFile::TCustomInstallFile(TComponent* AOwner, TInstallContainer* AContainer,
                                       const std::string& SourcePath)
    : TFileRelated(AOwner) {
  Init();
  try {
    SetSource(SourcePath);
    SetContainer(AContainer);
  } catch (...) {
    // The destructor does not run for an object that failed to be made.
    Leave();
    throw;
  }
}

void TCustomInstallFile::Init() {
  SetProcessWithContainer(true);
  SetInclude(true);
  SetNet(false);
  Context().AllInstallFiles.Add(this);
  FUniqueID = Context().UniqueIDPool.Allocate();
}

void TCustomInstallFile::SetSource(const std::string& SourcePath) {
  SetIncludeFromDir(RemoveBackslash(ExtractFileDir(SourcePath)));
  SetFileName(ExtractFileName(SourcePath));
}

TCustomInstallFile::~TCustomInstallFile() {
  Leave();
}

void TCustomInstallFile::Leave() {
  Context().UniqueIDPool.Release(FUniqueID);
  Context().DeferredRegistrations.Remove(this);
  Context().AllInstallFiles.Remove(this);
}

void TCustomInstallFile::DefineProperties(std::vector<TExtraProperty>& Props) {
  TFileRelated::DefineProperties(Props);
  Props.push_back({"UniqueID", [this] { return static_cast<std::int64_t>(FUniqueID); },
                   [this](std::int64_t V) {
                     Context().UniqueIDPool.Release(FUniqueID);
                     FUniqueID = static_cast<int>(V);
                   },
                   true});
}

void TCustomInstallFile::Loaded() {
  // The stored identifiers replace those handed out while the objects were made.
  Context().UniqueIDPool.ResetOnce();
  Context().UniqueIDPool.Mark(FUniqueID);
  TFileRelated::Loaded();
}

// ---- Derived names -------------------------------------------------------------------------

std::string TCustomInstallFile::Target() {
  return Dir() + "\\" + FDestName;
}

std::string TCustomInstallFile::SourcePath() const {
  return AddBackslash(FIncludeFromDir) + FFileName;
}

bool TCustomInstallFile::KeepsOwnArchive() const {
  return NetLocation() || FOverwriteMode == owVersion || FOverwriteMode == owDate ||
         FOverwriteMode == owVersionDate;
}

void TCustomInstallFile::SetNetArchive(bool Own) {
  (void)Own;
  FHasNetArchive = true;
}

TDistributeType TCustomInstallFile::Distribution() {
  return Context().InstallRoot ? Context().InstallRoot->InstallRootDistributeType()
                               : dtTraditionalNet;
}

bool TCustomInstallFile::NetDistribution() {
  const TDistributeType D = Distribution();
  return D == dtWeb || (D != dtTraditional && Net());
}

std::string TCustomInstallFile::GetFullArchiveFile() {
  if (NetDistribution()) {
    if (FState == ifsReflect) return {};
    if (FState == ifsInstall) {
      if (KeepsOwnArchive() && ArchiveAvailable()) return LocalArchive();
      if (auto* C = dynamic_cast<TFileContainer*>(Container()); C && C->ArchiveAvailable())
        return C->GetDownloadedArchivePath();
    }
  }
  return TFileRelated::GetFullArchiveFile();
}

// ---- Notifications ------------------------------------------------------------------------

void TCustomInstallFile::Notify(int Code) {
  if (!Container()) return;
  TObjectParameter P(this);
  Container()->DoInformationEventControl(this, Code, &P);
}

void TCustomInstallFile::Aborted() {
  throw EAIUserAbort();
}

void TCustomInstallFile::StatusHandler(const TlzhFileStats& Stats) {
  TFileStatusParameter P;
  P.FileBytesDone = Stats.FileBytesDone;
  P.FilePercentDone = Stats.FilePercent;
  P.FileName = FFileName;
  P.Status = Stats;
  P.ContainerBytesDone = Stats.TotalBytesDone;
  P.TotalPercentDone = Stats.TotalPercent;
  if (OnStatus) OnStatus(this, P.FilePercentDone, P.TotalPercentDone);
  Broadcast(this, ieFileStatus, &P);
  const int Code = FState == ifsCompress  ? icStatusCompress
                   : FState == ifsInstall ? icStatusInstall
                   : FState == ifsCopying ? icStatusCopy
                                          : 0;
  if (Code && Container()) {
    TParameterList List;
    List.Items.push_back({this, nullptr});
    List.Items.push_back({nullptr, &P});
    Container()->DoInformationEventControl(this, Code, &List);
  }
}

void TCustomInstallFile::NewDiskHandler(TQndlCompress& Compressor, int DiskNumber,
                                        std::string& Path) {
  Tag = 0;
  TDiskParameter P;
  P.NewDisk = DiskNumber;
  P.Path = RemoveBackslash(ExtractFileDir(GetFullArchiveFile()));
  if (OnNewDisk) {
    std::string Changed = P.Path;
    OnNewDisk(this, DiskNumber, Changed);
    P.Path = Changed;
  }
  TParameterList List;
  List.Items.push_back({this, nullptr});
  List.Items.push_back({nullptr, &P});
  Broadcast(this, ieNewDisk, &List);
  if (Container()) Container()->DoInformationEventControl(this, icNewDisk, &List);
  if (!OnNewDisk && Tag == 0) {
    const std::string Text = FormatSafe(TranslateText("Please insert disk #%d"), {DiskNumber});
    const bool Ok = Context().AskOkCancel && Context().AskOkCancel(Text);
    if (!Ok) Compressor.SetAbort(true);
  }
  Path = RemoveBackslash(P.Path);
  // The next volumes (and a later start of the main archive) are looked for
  // where the user pointed; without that specifier there is nothing to keep.
  const TSpecifierKinds& Kinds = Context().SpecifierKinds;
  if (TCustomPathSpecifier* Main = Context().StandardSpecifier(Kinds.MainArchiveFile);
      Main && Kinds.SetMainArchiveDirectory) {
    try {
      Kinds.SetMainArchiveDirectory(*Main, Path);
    } catch (const std::exception&) {
    }
  }
  Tag = 0;
}

// ---- Install -----------------------------------------------------------------------------

void TCustomInstallFile::PrepareReplace() {
  if (OnReplacing) OnReplacing(this);
  TObjectParameter P(this);
  Broadcast(this, ieReplacing, &P);
  Notify(icFileReplacing);
  FWillCopy = true;
}

void TCustomInstallFile::DoInstall() {
  FReplaceAtReboot = false;
  try {
    Notify(icFileBeforeInstall);
    if (OnBeforeInstall) OnBeforeInstall(this);
  } catch (const EAIUserAbort&) {
    throw;
  } catch (const EAbort&) {
    Notify(icFileSkippedByAbort);
    return;
  }
  const std::string D = Dir();
  if (Trim(D).empty()) Raise<IECustomInstallFile>(MsgDestBlank, {Name()});
  struct TInstallingDir {
    std::string& Dir;
    ~TInstallingDir() { Dir.clear(); }
  } Installing{FInstallingDir};
  FInstallingDir = D;
  platform::IFileSystem& Files = *Context().Platform().Files;
  const std::string T = D + "\\" + FDestName;
  FExistedBefore = Files.FileExists(T);
  FWillCopy = false;

  bool Write = false;
  switch (DecideOverwrite(Files, FVersion, FFileDate, T, FOverwriteMode)) {
  case TOverwriteOutcome::Write:
    Write = true;
    break;
  case TOverwriteOutcome::Skip:
    break;
  case TOverwriteOutcome::Ask:
    Write = Context().AskYesNo &&
            Context().AskYesNo(FormatSafe(TranslateText("Copy This File %s?"), {FFileName}));
    break;
  }
  if (Write) {
    try {
      PrepareReplace();
    } catch (const EAIUserAbort&) {
      throw;
    } catch (const EAbort&) {
      Write = false;
      FWillCopy = false;
    }
  }
  if (!Write) {
    Context().Log.Write("SKIP", "%s (kept by the overwrite rule %s)",
                        {T, OverwriteTypeInfo().NameOf(FOverwriteMode)});
    Notify(icFileSkippedByOverwrite);
    AfterInstallRegistration();
    if (OnAfterInstall) OnAfterInstall(this);
    Notify(icFileAfterInstall);
    TInstallContainer::DoInstall();
    return;
  }

  TCompressorChoice Choice;
  const TDistributeType Dist = Distribution();
  if (Dist != dtTraditional && (Net() || Dist == dtWeb)) {
    // A copy an earlier run downloaded; only a download can have left one.
    std::string Local;
    if (ReadLocalFile(Local)) SetLocalArchive(Local);
    if (KeepsOwnArchive())
      DownloadArchive();
    else if (auto* C = dynamic_cast<TFileContainer*>(Container()); C && !C->ArchiveAvailable())
      C->DownloadArchive();
  } else if (Context().InstallRootContainer() && Context().SharedCompressor) {
    auto* Root = dynamic_cast<TFileRelated*>(Context().InstallRootContainer());
    if (Root && SameText(GetFullArchiveFile(), Root->GetFullArchiveFile()))
      Choice.Used = Context().SharedCompressor.get();
  }
  if (!Choice.Used) {
    Choice.Own = std::make_unique<TQndlCompress>(nullptr, &Files);
    // The windows are served during this file's extraction as during the
    // shared compressor's.
    if (Context().SharedCompressor)
      Choice.Own->ProcessMessages = Context().SharedCompressor->ProcessMessages;
    Choice.Used = Choice.Own.get();
  }
  ExtractFile(*Choice.Used);
}

void TCustomInstallFile::ExtractFile(TQndlCompress& C) {
  TStateScope Scope(FState, ifsInstall);
  auto Disconnect = [&] {
    C.OnNewDisk = nullptr;
    C.OnStatus = nullptr;
    C.OnAborted = nullptr;
  };
  try {
    const std::string D = Dir();
    platform::TPlatform& Machine = Context().Platform();
    Machine.Files->ForceDirectories(D);
    const std::string Archive = GetFullArchiveFile();
    if (Trim(Archive).empty()) Raise<IECustomInstallFile>(MsgArchiveBlank, {FFileName});
    C.SetCompressedFile(Archive);
    C.SetOverwrite(FOverwriteMode);
    C.OnAborted = [this](TComponent*) { Aborted(); };
    C.OnNewDisk = [this](TQndlCompress& Q, int N, std::string& Path) {
      NewDiskHandler(Q, N, Path);
    };
    C.OnStatus = [this](TQndlCompress& Q, const TlzhFileStats& S) {
      StatusHandler(S);
      // A file with an archive of its own extracts with its own compressor,
      // which the Cancel of the copy form does not reach directly.
      if (Context().UserAbort) Q.SetAbort(true);
    };
    // The new file is written under a temporary name beside the target and
    // moved over it only once complete (a target that was not there is
    // written under its own name, removed again on failure); DestName stays
    // the real name, so everything registered and logged names the file the
    // user will have.
    const TPlacement Placed =
        ExtractAndPlace(C, Machine, D, FDestName, SourcePath(), Context().InstallRoot != nullptr,
                        Name(), !FExistedBefore);
    if (Placed.ReplaceAtReboot)
      Context().Log.Write("REBOOT", "%s is in use: replaced at the next start of Windows",
                          {Target()});
    else
      Context().Log.Write("FILE", Target());
    if (Placed.ReplaceAtReboot) {
      FReplaceAtReboot = true;
      if (IInstallRoot* Root = Context().InstallRoot) {
        Root->InstallRootRequestReboot();
        if (Placed.Reboot && !Placed.Reboot->BatchFile.empty())
          Root->InstallRootAddUnfinished(Placed.Reboot->BatchFile, 1);
      }
    }
    AfterInstallRegistration();
    if (OnAfterInstall) OnAfterInstall(this);
    Notify(icFileAfterInstall);
    TInstallContainer::DoInstall();
    Disconnect();
    if (C.Abort() && Context().SharedCompressor) Context().SharedCompressor->SetAbort(true);
    Broadcast(this, ieOperationEnd, nullptr);
  } catch (...) {
    Disconnect();
    C.SetAbort(true);
    throw;
  }
}

// ---- Registration --------------------------------------------------------------------------

void TCustomInstallFile::AfterInstallRegistration() {
  platform::TPlatform& Machine = Context().Platform();
  if (FRegisterAsHelp) RegisterHelpFile(*Machine.Registry, FDestName, Dir());
  if (FUpdateDLLCounter) IncrementSharedDLLCount();
  if (FReplaceAtReboot && Context().InstallRoot) {
    Context().InstallRoot->InstallRootAddUnfinished(Name(), 0);
    return;
  }
  if (FReplaceAtReboot || !FActiveX) return;
  if (!Context().InstallRootRunning()) {
    SelfRegister();
    return;
  }
  try {
    SelfRegister();
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    // Another file installed later may be what this one needs; try again
    // once every object is in place.
    if (!Context().DeferredRegistrations.Contains(this))
      Context().DeferredRegistrations.Add(this);
  }
}

void TCustomInstallFile::SelfRegister() {
  switch (SelfRegisterKindOf(FFileName)) {
  case TSelfRegisterKind::ServerExe:
    RegisterServerExe();
    break;
  case TSelfRegisterKind::TypeLib:
    RegisterTypeLib();
    break;
  case TSelfRegisterKind::ServerDll:
    RegisterServerDll();
    break;
  }
}

void TCustomInstallFile::RegisterServerDll() {
  platform::TPlatform& Machine = Context().Platform();
  InSelfRegisterTarget(Machine, Dir(), FDestName, Name(), [&](const std::string& T) {
    quendel::RegisterServerDll(Machine, T, Name());
  });
}

void TCustomInstallFile::RegisterTypeLib() {
  platform::TPlatform& Machine = Context().Platform();
  InSelfRegisterTarget(Machine, Dir(), FDestName, Name(), [&](const std::string& T) {
    quendel::RegisterTypeLib(Machine, T, Name());
  });
}

void TCustomInstallFile::RegisterServerExe() {
  platform::TPlatform& Machine = Context().Platform();
  InSelfRegisterTarget(Machine, Dir(), FDestName, Name(), [&](const std::string& T) {
    quendel::RegisterServerExe(Machine, T, Name());
  });
}

void TCustomInstallFile::IncrementSharedDLLCount() {
  quendel::IncrementSharedDLLCount(Context().Platform(), Target(), Name());
}

bool TCustomInstallFile::HasOLESelfRegister() {
  return quendel::HasOLESelfRegister(Context().Platform().Files.get(), SourcePath());
}

void TCustomInstallFile::WriteUninstallEntries(const std::string& KeyPath) {
  if (!LogsForUninstall(FExistedBefore, FWillCopy, FUpdateDLLCounter)) return;
  std::string Key = KeyPath;
  while (!Key.empty() && Key.front() == '\\') Key.erase(0, 1);
  WriteFileUninstallEntry(Context().UninstallLogWriter(), Key, Target(), FFileName, FActiveX);
}

void TCustomInstallFile::CompleteAfterReboot() {
  const auto Register = [this] { SelfRegister(); };
  CompleteFileAfterReboot(Context().Platform(), Target(),
                          FActiveX ? TFunctionRef<void()>(Register) : nullptr,
                          WindowsAttributesOf(FInstallAttributes));
}

void RetryDeferredRegistrations(TModelContext& Context) {
  while (Context.DeferredRegistrations.Count() > 0) {
    TCustomInstallFile* F = Context.DeferredRegistrations.Items(0);
    Context.DeferredRegistrations.Remove(F);
    F->SelfRegister();
  }
}

// ---- Archive information and build mode ---------------------------------------------------

void TCustomInstallFile::ReadInfoFromArchive() {
  if (InfoRead() && Context().InstallRootRunning()) return;
  std::string P;
  const TDistributeType D = Distribution();
  if (D == dtTraditional || (D == dtTraditionalNet && !Net())) {
    P = GetFullArchiveFile();
  } else if (KeepsOwnArchive() && ArchiveAvailable()) {
    P = LocalArchive();
  } else if (auto* C = dynamic_cast<TFileContainer*>(Container())) {
    if (!C->ArchiveAvailable()) return;
    P = C->LocalArchive();
    if (Trim(P).empty()) P = C->GetDownloadedArchivePath();
  } else {
    Raise<IECustomInstallFile>("%s cannot perform ReadInfoFromArchive because either no "
                               "container is assigned or the container is not TFileContainer",
                               {Name()});
  }
  if (Trim(P).empty()) Raise<IECustomInstallFile>(MsgArchiveBlank, {FFileName});
  TCompressorChoice Choice;
  auto* Root = dynamic_cast<TFileRelated*>(Context().InstallRootContainer());
  if (Root && Context().SharedCompressor && SameText(P, Root->GetFullArchiveFile()))
    Choice.Used = Context().SharedCompressor.get();
  if (!Choice.Used) {
    Choice.Own = std::make_unique<TQndlCompress>(nullptr, Context().Platform().Files.get());
    Choice.Used = Choice.Own.get();
  }
  Choice.Used->SetCompressedFile(P);
  const int Index = Choice.Used->IndexOfUniqueID(FUniqueID);
  if (Index < 0) return;
  // Identifiers are handed out again once freed: trust one only when the
  // member it names is stored under this file's name.
  const TFileHeader& H = Choice.Used->Directory().Item(Index);
  if (!SameStoredName(H.Record.FileName(), SourcePath())) return;
  TlzhFileStats Stats;
  Choice.Used->GetFileStats(Index, Stats);
  FCompressedSize = Stats.CompressedSize;
  FFileDate = H.Record.FileDate();
  FSize = H.Record.UncompressedSize();
  FVersion = H.Record.FileVersion().substr(0, 20);
  SetInfoRead(true);
}

void TCustomInstallFile::ReadFileInfo() {
  const std::string S = SourcePath();
  platform::IFileSystem& Files = *Context().Platform().Files;
  try {
    const auto F = Files.OpenRead(S);
    FFileDate = StampToFileDate(F->GetStamp());
    FSize = static_cast<std::int64_t>(F->Size());
  } catch (const Exception&) {
    Raise<IECustomInstallFile>("Could not open or find the following file when trying to read "
                               "the Size, Date, and Version :%s",
                               {S});
  }
  FVersion = GetFileVersionString(&Files, S).substr(0, 20);
}

void TCustomInstallFile::RefuseStoredNameTwin(const std::string& Archive) {
  // The installer finds a member by its stored name, which keeps only the
  // start of a long path: a second file stored under the same name would
  // install the first one's contents in its place.
  const std::string Source = SourcePath();
  for (TCustomInstallFile* F : Context().AllInstallFiles.Items())
    if (F != this && F->FCompressState == 2 && SameText(F->FUsedArchive, Archive) &&
        SameStoredName(F->SourcePath(), Source) && !SameText(F->SourcePath(), Source))
      Raise<IECustomInstallFile>(
          "The files %s and %s cannot both go into the archive %s: it keeps only the first %d "
          "characters of a file's path, and there both are named %s",
          {F->SourcePath(), Source, Archive, FileNameCapacity, StoredMemberName(Source)});
}

void TCustomInstallFile::Compress() {
  TStateScope Scope(FState, ifsCompress);
  try {
    if (OnBeforeCompress) OnBeforeCompress(this);
    Notify(icFileBeforeCompress);
    const std::string Archive = GetFullArchiveFile();
    if (Trim(Archive).empty()) Raise<IECustomInstallFile>(MsgArchiveBlank, {FFileName});
    if (!Include()) Raise<EAbort>("Operation aborted");
    if (AddToArchive() == lzcOnlyAdd) RefuseStoredNameTwin(Archive);
    platform::IFileSystem& Files = *Context().Platform().Files;
    Files.ForceDirectories(ExtractFileDir(Archive));
    TCompressorChoice Choice;
    Choice.Used = Context().SharedCompressor.get();
    if (!Choice.Used) {
      Choice.Own = std::make_unique<TQndlCompress>(nullptr, &Files);
      Choice.Used = Choice.Own.get();
    }
    TQndlCompress& C = *Choice.Used;
    C.SetCompressedFile(Archive);
    C.OnAborted = [this](TComponent*) { Aborted(); };
    C.OnStatus = [this](TQndlCompress& Q, const TlzhFileStats& S) {
      StatusHandler(S);
      // A file with an archive of its own extracts with its own compressor,
      // which the Cancel of the copy form does not reach directly.
      if (Context().UserAbort) Q.SetAbort(true);
    };
    TStrings List;
    List.Add(SourcePath());
    C.SetFilesToProcess(List);
    try {
      C.Add(AddToArchive(), FUniqueID);
    } catch (...) {
      C.OnAborted = nullptr;
      C.OnStatus = nullptr;
      throw;
    }
    C.OnAborted = nullptr;
    C.OnStatus = nullptr;
    FCompressState = 2;
    FUsedArchive = C.CompressedFile();
    if (OnAfterCompress) OnAfterCompress(this);
    Notify(icFileAfterCompress);
  } catch (const EAIUserAbort&) {
    Broadcast(this, ieOperationEnd, nullptr);
    throw;
  } catch (const EAbort&) {
    // Skipped quietly.
  } catch (...) {
    Broadcast(this, ieOperationEnd, nullptr);
    throw;
  }
  Broadcast(this, ieOperationEnd, nullptr);
}

void TCustomInstallFile::Copy() {
  TStateScope Scope(FState, ifsCopying);
  try {
    if (OnBeforeCopy) OnBeforeCopy(this);
    Notify(icFileBeforeCopy);
    if (!Include()) Raise<EAbort>("Operation aborted");
    const std::string D = Dir();
    if (Trim(D).empty()) Raise<IECustomInstallFile>(MsgDestBlank, {Name()});
    platform::IFileSystem& Files = *Context().Platform().Files;
    Files.ForceDirectories(D);
    TCompressorChoice Choice;
    Choice.Used = Context().SharedCompressor.get();
    if (!Choice.Used) {
      Choice.Own = std::make_unique<TQndlCompress>(nullptr, &Files);
      Choice.Used = Choice.Own.get();
    }
    Choice.Used->OnStatus = [this](TQndlCompress&, const TlzhFileStats& S) { StatusHandler(S); };
    try {
      Choice.Used->CopyPlainFile(SourcePath(), D + "\\" + FDestName);
    } catch (...) {
      Choice.Used->OnStatus = nullptr;
      throw;
    }
    Choice.Used->OnStatus = nullptr;
    if (OnAfterCopy) OnAfterCopy(this);
    Notify(icFileAfterCopy);
  } catch (const EAIUserAbort&) {
    Broadcast(this, ieOperationEnd, nullptr);
    throw;
  } catch (const EAbort&) {
    // Skipped quietly.
  } catch (...) {
    Broadcast(this, ieOperationEnd, nullptr);
    throw;
  }
  Broadcast(this, ieOperationEnd, nullptr);
}

void TCustomInstallFile::SetState(TInstallFileState Value) {
  switch (Value) {
  case ifsCompress:
    Compress();
    break;
  case ifsInstall:
    Process();
    break;
  case ifsCopying:
    Copy();
    break;
  default:
    break;
  }
  FState = ifsNone;
}

// ---- Settings derivation ------------------------------------------------------------------

TInstallFileSettings TCustomInstallFile::CurrentSettings() const {
  TInstallFileSettings S;
  S.FileName = FFileName;
  S.IncludeFromDir = FIncludeFromDir;
  S.DestName = FDestName;
  S.DestDir = DestDir();
  S.DestDirTypeClass = DestDirType() ? DestDirType()->ClassType().Name() : std::string();
  S.FileType = FFileType;
  S.ActiveX = FActiveX;
  S.RegisterAsHelp = FRegisterAsHelp;
  S.UpdateDLLCounter = FUpdateDLLCounter;
  S.OverwriteMode = FOverwriteMode;
  S.InstallAttributes = FInstallAttributes;
  return S;
}

void TCustomInstallFile::Derive(const TInstallFileSettings& Next, TInstallContainer* NewContainer,
                                bool ContainerChanged) {
  const TInstallFileSettings Cur = CurrentSettings();
  if (NewContainer && !dynamic_cast<TFileContainer*>(NewContainer))
    Raise<IECustomInstallFile>("The following TInstallFile component %s requires the Container "
                               "property to be a component descended from the TFileContainer "
                               "component",
                               {Name()});
  const bool SourceChanged = !SameText(Next.FileName, Cur.FileName) || ContainerChanged ||
                             Next.IncludeFromDir != Cur.IncludeFromDir;
  const std::string NewSource = AddBackslash(Next.IncludeFromDir) + Next.FileName;
  if (NewContainer && SourceChanged)
    for (IContainedFile* F : static_cast<TFileContainer*>(NewContainer)->Files())
      if (F != this && SameText(F->SourcePath(), NewSource))
        Raise<IEfcDuplicateFile>("There is already a file with the name :%s", {NewSource});

  platform::IFileSystem& Files = *Context().Platform().Files;
  bool ReadOnly = false;
  bool OLE = false;
  if (Next.FileName != Cur.FileName && !Trim(Next.FileName).empty()) {
    platform::TFileAttributes A = 0;
    ReadOnly = Files.TryGetAttributes(NewSource, A) == platform::errSuccess &&
               (A & platform::faReadOnly);
  }
  if (Next.FileName != Cur.FileName || Next.IncludeFromDir != Cur.IncludeFromDir)
    OLE = quendel::HasOLESelfRegister(&Files, NewSource);
  const TInstallFileSettings R = DeriveSettings(Cur, Next, ReadOnly, OLE);

  FFileName = R.FileName;
  FIncludeFromDir = R.IncludeFromDir;
  FDestName = R.DestName;
  FFileType = R.FileType;
  FActiveX = R.ActiveX;
  FRegisterAsHelp = R.RegisterAsHelp;
  FUpdateDLLCounter = R.UpdateDLLCounter;
  FOverwriteMode = R.OverwriteMode;
  FInstallAttributes = R.InstallAttributes;
  if (ContainerChanged) TFileRelated::SetContainer(NewContainer);
  TFileRelated::SetDestDir(R.DestDir);
  if (R.DestDirTypeClass != Cur.DestDirTypeClass || Next.DestDirTypeClass != Cur.DestDirTypeClass) {
    if (R.DestDirTypeClass.empty())
      TFileRelated::SetDestDirType(nullptr);
    else if (TCustomPathSpecifier* S =
                 Context().StandardPathSpecifiers.FindByClassName(R.DestDirTypeClass))
      TFileRelated::SetDestDirType(S);
  }
}

void TCustomInstallFile::SetActiveX(bool Value) {
  StoreOrDerive(&TCustomInstallFile::FActiveX, &TInstallFileSettings::ActiveX, Value);
}

void TCustomInstallFile::SetDestName(const std::string& Value) {
  StoreOrDerive(&TCustomInstallFile::FDestName, &TInstallFileSettings::DestName, Value);
}

void TCustomInstallFile::SetFileName(const std::string& Value) {
  StoreOrDerive(&TCustomInstallFile::FFileName, &TInstallFileSettings::FileName, Value);
}

void TCustomInstallFile::SetFileType(TInstallFileType Value) {
  StoreOrDerive(&TCustomInstallFile::FFileType, &TInstallFileSettings::FileType, Value);
}

void TCustomInstallFile::SetIncludeFromDir(const std::string& Value) {
  StoreOrDerive(&TCustomInstallFile::FIncludeFromDir, &TInstallFileSettings::IncludeFromDir, Value);
}

void TCustomInstallFile::SetDestDir(const std::string& Value) {
  if (IsLoading()) {
    TFileRelated::SetDestDir(Value);
    return;
  }
  TInstallFileSettings N = CurrentSettings();
  N.DestDir = Value;
  Derive(N, Container(), false);
}

void TCustomInstallFile::SetDestDirType(TCustomPathSpecifier* Value) {
  if (IsLoading() || !Value) {
    TFileRelated::SetDestDirType(Value);
    return;
  }
  Value->Validate(this);
  TInstallFileSettings N = CurrentSettings();
  N.DestDirTypeClass = Value->ClassType().Name();
  const std::string Before = N.DestDirTypeClass;
  Derive(N, Container(), false);
  // The derivation keeps the chosen specifier unless the file's kind moves it.
  if (DestDirType() == nullptr || DestDirType()->ClassType().Name() == Before)
    TFileRelated::SetDestDirType(Value);
}

void TCustomInstallFile::SetContainer(TInstallContainer* Value) {
  if (IsLoading()) {
    TFileRelated::SetContainer(Value);
    return;
  }
  Derive(CurrentSettings(), Value, Value != Container());
}

// ---- Published classes -------------------------------------------------------------------

const TClassInfo& TCustomInstallFile::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TCustomInstallFile>("TCustomInstallFile", &TFileRelated::StaticClass);
  });
}

const TClassInfo& TInstallFile::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TInstallFile> B("TInstallFile", &TCustomInstallFile::StaticClass);
    PublishInstallFile<TInstallFileTable::File>(B);
    return B;
  });
}

void TInstallFile::Reflect() {
  SetStateValue(ifsReflect);
  if (IQndlExternalReflector* R = Context().Reflector) R->Receive(this);
}

} // namespace quendel
