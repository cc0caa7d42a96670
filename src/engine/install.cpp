#include "engine/install.h"

#include "archive/archive_context.h"
#include "archive/errors.h"
#include "archive/self_extracting.h"
#include "core/strings.h"
#include "engine/application.h"
#include "engine/exit_codes.h"
#include "engine/install_record.h"
#include "engine/program_launcher.h"
#include "engine/uninstall_exe.h"
#include "model/install_file.h"
#include "system/os_version.h"
#include "system/registry_routines.h"
#include "system/setup_cleanup.h"
#include "translate/translator.h"

#include <cstring>

namespace quendel {

namespace {

using platform::rkLocalMachine;

const char* const kTwoRoots =
    "The TInstall component does not currently support the use of 2 TInstall components in the "
    "same project";
const char* const kOwnerKind = "The TInstall component must be placed on a form or a data module";
const char* const kNoBuildDir = "You forgot to pass in the build directory. In Run | Parameters, "
                                "follow this format: -d \"-sC:\\My Build\"";
const char* const kNoMainForm =
    "Application.MainForm is undefined and the TInstall is not on a form. Therefore, therefore the "
    "TInstall can't run the installation automatically";
const char* const kNoLoadingProgram =
    "The path of the loading program was not passed correctly. If you are running your install "
    "project in the IDE, then you need to add two command line parameters. In Run | Parameters | "
    "\"Run Parameters\", type in: -d \"-sBUILDPATH\" where BUILDPATH is the path into which you "
    "built the distributables. Example: -d \"-sC:\\My Build\".";
const char* const kNoRecord =
    "The TInstall could not either write or read unfinished business from the registry";
const char* const kNoRunOnce =
    "Cannot register the install to be run on reboot in the RunOnce key in the registry";
const char* const kBadUnfinished = "There is an invalid entry for the unfinished install list %s";
const char* const kCannotReboot = "Could not reboot windows. Please manually reboot windows.";
const char* const kNoExtractInfo =
    "Could not read the extraction info from the archive file %s when trying to find the correct "
    "offset into the self extracting file";

// Value names of the destinations a run chose, kept in the install record
// across a reboot (the continuation shows no wizard to choose them again).
const char* const kChosenSubkey = "Chosen";
const char* const kChosenInstallType = "InstallType";

bool IsFormOwner(const TComponent* Owner) {
  return Owner && (TInstallContainer::InheritsFromName(*Owner, "TCustomForm") ||
                   TInstallContainer::InheritsFromName(*Owner, "TDataModule") ||
                   TInstallContainer::InheritsFromName(*Owner, "TfrmMainMenu"));
}

// Checked before the object joins its owner and the model, so that a refused
// root leaves nothing behind.
TComponent* CheckedOwner(TComponent* AOwner) {
  if (HasCurrentModelContext() && CurrentModelContext().InstallRoot) Raise<IEInstall>(kTwoRoots);
  if (!IsFormOwner(AOwner)) Raise<IEInstall>(kOwnerKind);
  return AOwner;
}

platform::TPlatform& ThePlatform(TInstallContainer& C) {
  return C.Context().Platform();
}

} // namespace

// ---- Owned settings ------------------------------------------------------------------

const TClassInfo& TBuildInfo::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TBuildInfo>("TBuildInfo", &TPersistent::StaticClass)
        .Bool<&TBuildInfo::AddUninstallOnCreate, &TBuildInfo::AddUninstallOnCreate>(
            "AddUninstallOnCreate", true)
        .Str<&TBuildInfo::AppName, &TBuildInfo::AppName>("AppName")
        .Str<&TBuildInfo::AppURL, &TBuildInfo::AppURL>("AppURL")
        .Str<&TBuildInfo::BuildDirectory, &TBuildInfo::BuildDirectory>("BuildDirectory")
        .Str<&TBuildInfo::CredentialsFile, &TBuildInfo::CredentialsFile>("CredentialsFile")
        .Str<&TBuildInfo::OCXName, &TBuildInfo::OCXName>("OCXName")
        .Str<&TBuildInfo::PrivateKeyFile, &TBuildInfo::PrivateKeyFile>("PrivateKeyFile")
        .Bool<&TBuildInfo::SignCode, &TBuildInfo::SignCode>("SignCode", false)
        .Str<&TBuildInfo::URLPath, &TBuildInfo::URLPath>("URLPath");
  });
}

void TBuildInfo::Assign(const TPersistent& Source) {
  if (auto* s = dynamic_cast<const TBuildInfo*>(&Source)) {
    AddUninstallOnCreate = s->AddUninstallOnCreate;
    AppName = s->AppName;
    AppURL = s->AppURL;
    URLPath = s->URLPath;
    BuildDirectory = s->BuildDirectory;
    CredentialsFile = s->CredentialsFile;
    PrivateKeyFile = s->PrivateKeyFile;
    OCXName = s->OCXName;
    SignCode = s->SignCode;
    return;
  }
  TPersistent::Assign(Source);
}

const TClassInfo& TInstallInformation::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TInstallInformation>("TInstallInformation", &TPersistent::StaticClass)
        .Str<&TInstallInformation::CompanyName, &TInstallInformation::CompanyName>("CompanyName")
        .Str<&TInstallInformation::ProductName, &TInstallInformation::ProductName>("ProductName")
        .Str<&TInstallInformation::Version, &TInstallInformation::Version>("Version");
  });
}

void TInstallInformation::Assign(const TPersistent& Source) {
  if (auto* s = dynamic_cast<const TInstallInformation*>(&Source)) {
    CompanyName = s->CompanyName;
    ProductName = s->ProductName;
    Version = s->Version;
    return;
  }
  TPersistent::Assign(Source);
}

const TClassInfo& TControlPanelExtensionInformation::StaticClass() {
  using T = TControlPanelExtensionInformation;
  return ClassTable([] {
    return TClassBuilder<T>("TControlPanelExtensionInformation", &TPersistent::StaticClass)
        .Str<&T::Comments, &T::Comments>("Comments")
        .Str<&T::Contact, &T::Contact>("Contact")
        .Ref<&T::DisplayIcon, &T::DisplayIcon>("DisplayIcon")
        .Str<&T::HelpLink, &T::HelpLink>("HelpLink")
        .Str<&T::HelpTelephone, &T::HelpTelephone>("HelpTelephone")
        .Str<&T::ProductID, &T::ProductID>("ProductID")
        .Ref<&T::ReadMe, &T::ReadMe>("ReadMe")
        .Str<&T::URLInfoAbout, &T::URLInfoAbout>("URLInfoAbout")
        .Str<&T::URLUpdateInfo, &T::URLUpdateInfo>("URLUpdateInfo");
  });
}

void TControlPanelExtensionInformation::Assign(const TPersistent& Source) {
  if (auto* s = dynamic_cast<const TControlPanelExtensionInformation*>(&Source)) {
    DisplayIcon = s->DisplayIcon;
    ReadMe = s->ReadMe;
    HelpLink = s->HelpLink;
    HelpTelephone = s->HelpTelephone;
    URLInfoAbout = s->URLInfoAbout;
    ProductID = s->ProductID;
    URLUpdateInfo = s->URLUpdateInfo;
    Comments = s->Comments;
    Contact = s->Contact;
    return;
  }
  TPersistent::Assign(Source);
}

// ---- The install root ----------------------------------------------------------------

TCustomInstall::TCustomInstall(TComponent* AOwner)
    : TFileContainer(CheckedOwner(AOwner), /*AHasOwnSpecifier=*/false) {
  Context().InstallRoot = this;
  SetDestDir("\\MyApplication");
  // The wizard pages' side picture, unless the definition has its own.
  if (HasApplication() && Application().BitmapResource) {
    std::vector<std::uint8_t> theme = Application().BitmapResource("INSTALLTHEME1");
    try {
      if (!theme.empty()) FDialogThemeBitmap.SetBitmap(std::move(theme));
    } catch (const EInvalidGraphic&) {
      FDialogThemeBitmap.Clear(); // a damaged resource: the pages go without
    }
  }
}

TCustomInstall::~TCustomInstall() {
  if (FHooked && HasApplication() && !Application().Terminated() && FSavedOnActivate)
    Application().OnActivate = FSavedOnActivate;
  else if (FHooked && HasApplication())
    Application().OnActivate = nullptr;
  if (HasApplication() && !IsDesigning()) Application().OnException = nullptr;
  if (Context().InstallRoot == this) Context().InstallRoot = nullptr;
  // The cleanup batch file (written by CleanupSetupFiles) removes the
  // setup's own directory once this program has ended. It runs from its own
  // directory, not from the one it removes: a process's current directory
  // cannot be removed while it runs, so the loading program, which removes
  // the same directory once this program has ended, would wait for the
  // batch file to finish.
  if (FBatchPending) {
    try {
      platform::IProcesses* processes = CurrentModelContext().Platform().Processes.get();
      if (!processes) throw EProgramLauncherFailed(0, ProgramLauncherMessage(0));
      platform::TProcessStart start;
      start.Application = FBatchFile;
      start.WorkingDirectory = ExtractFileDir(FBatchFile);
      start.ShowCommand = platform::showHide;
      try {
        (void)processes->Start(start);
      } catch (const platform::EPlatformError& E) {
        const int code = static_cast<int>(E.Code());
        throw EProgramLauncherFailed(code, ProgramLauncherMessage(code));
      }
    } catch (const std::exception& E) {
      Log("WARNING", "cannot start the cleanup batch file %s: %s", {FBatchFile, E.what()});
    }
  }
}

TCustomInstall* CurrentInstall() {
  if (!HasCurrentModelContext() || !CurrentModelContext().InstallRoot) return nullptr;
  return dynamic_cast<TCustomInstall*>(&CurrentModelContext().InstallRoot->InstallRootContainer());
}

void TCustomInstall::Notification(TComponent* AComponent, TOperation Operation) {
  // Without its location the root cannot be a net distribution any more.
  const bool losesLocation = Operation == opRemove && AComponent != nullptr && AComponent == NetLocation();
  TFileContainer::Notification(AComponent, Operation);
  if (losesLocation) FDistributeType = dtTraditional;
  if (Operation == opRemove) {
    if (FExtended.DisplayIcon == AComponent) FExtended.DisplayIcon = nullptr;
    if (FExtended.ReadMe == AComponent) FExtended.ReadMe = nullptr;
    if (FMainForm == AComponent) FMainForm = nullptr;
  }
}

void TCustomInstall::Log(std::string_view Kind, std::string_view Text) {
  Context().Log.Write(Kind, Text);
}

void TCustomInstall::Log(std::string_view Kind, const char* Pattern, TFormatArgs Args) {
  Context().Log.Write(Kind, Pattern, Args);
}

void TCustomInstall::EndApplication() {
  if (HasApplication()) Application().Terminate();
}

void TCustomInstall::SetExitCode(int Code) {
  if (HasApplication()) Application().ExitCode = static_cast<TSetupExitCode>(Code);
}

// ---- Setters that refuse ------------------------------------------------------------

void TCustomInstall::SetAutoMaximizeWindow(bool Value) {
  FAutoMaximizeWindow = Value;
  if (Value && !IsLoading()) FHideMainForm = false;
}

void TCustomInstall::SetHideMainForm(bool Value) {
  FHideMainForm = Value;
  if (Value && !IsLoading()) FAutoMaximizeWindow = false;
}

void TCustomInstall::SetUseLoadingProgram(bool Value) {
  FUseLoadingProgram = Value;
}

// ---- Command line and loading --------------------------------------------------------

void TCustomInstall::ParseCommandLine() {
  FCommandLine = ParseSetupCommandLine(HasApplication() ? Application().Args()
                                                        : std::vector<std::string>{});
}

void TCustomInstall::Loaded() {
  TFileContainer::Loaded();
  if (IsDesigning()) return;
  if (HasApplication())
    Application().OnException = [this](TComponent* Sender, const std::exception& E) {
      HandleRunException(Sender, E);
    };
  ParseCommandLine();
  if (FCommandLine.Has('d') && Trim(FCommandLine.Param('s')).empty()) Raise<IEInstall>(kNoBuildDir);
  const std::string program = HasApplication() ? Application().ProgramPath() : std::string();
  FInstallSource = FCommandLine.Has('s') ? FCommandLine.Param('s')
                                         : RemoveBackslash(ExtractFilePath(program));
  FInstallRecordKey = FindInstallRecord(false);
  ApplyRecordedLocalFile();
  if (HasApplication() && Application().MainForm)
    FMainForm = Application().MainForm;
  else if (IsFormOwner(Owner()))
    FMainForm = Owner();
  if (!FMainForm && FRunAutomatic) Raise<IEInstall>(kNoMainForm);
  SelectInstallType(itFull);
  const TInstallTypeSet types = InstallTypes();
  SelectInstallType(types.Contains(itDefault)   ? itDefault
                    : types.Contains(itCompact) ? itCompact
                                                : itFull);
  // What the definition says, to know later which destinations a run chose.
  FDefinitionDestinations.clear();
  for (TInstallContainer* c : Context().AllContainers.Items())
    FDefinitionDestinations.emplace_back(c->DestDir(),
                                         c->DestDirType() ? c->DestDirType()->Name() : "");

  if (FCommandLine.Has('b')) {
    BuildFromBuildInf();
    return;
  }
  if (FCommandLine.Has('f')) {
    TransferToFloppies("a:");
    return;
  }
  if (!FCommandLine.DestDir.empty()) {
    // As the destination page sets a typed directory; saved in the install
    // record like any choice, should the run need a restart.
    SetDestDirType(nullptr);
    SetDestDir(RemoveBackslash(FCommandLine.DestDir));
  }
  if (FCommandLine.Has('r')) {
    CompleteAfterReboot();
    EndApplication();
    return;
  }
  if (FMainForm && HasApplication()) {
    TApplication& app = Application();
    FSavedOnActivate = app.OnActivate;
    app.OnActivate = [this] { Activate(); };
    FHooked = true;
    if (FHideMainForm && app.Window) app.Window->MoveOffScreen();
  }
}

void TCustomInstall::Activate() {
  if (FActivated) return;
  if (FSavedOnActivate) FSavedOnActivate();
  FActivated = true;
  IMainWindow* window = HasApplication() ? Application().Window : nullptr;
  if (FAutoMaximizeWindow && window) {
    window->Maximize();
    window->Repaint();
  }
  if (!FRunAutomatic) return;
  if (FSavedOnActivate && HasApplication() && !(window && window->Destroying())) {
    Application().OnActivate = FSavedOnActivate;
    FHooked = false;
  }
  Process();
}

// ---- The install record -------------------------------------------------------------

void TCustomInstall::ApplyRecordedLocalFile() {
  // The file container's loading looked before the record was known: the
  // root's own archive, downloaded by an earlier run, is found only now.
  std::string Path;
  if (ReadLocalFile(Path)) SetLocalArchive(Path);
}

std::string TCustomInstall::FindInstallRecord(bool Create) {
  platform::TPlatform& p = ThePlatform(*this);
  const std::string program = HasApplication() ? Application().ProgramPath() : std::string();
  TSetupFileFacts facts;
  try {
    facts = ReadSetupFileFacts(*p.Files, program);
  } catch (const platform::EPlatformError&) {
    return {};
  }
  std::string selfExtract;
  const bool hasE = FCommandLine.Has('e');
  if (hasE) {
    const std::string s = FCommandLine.Param('s');
    selfExtract = (s.empty() ? s : AddBackslash(s)) + FCommandLine.Param('e');
  }
  const std::string key =
      quendel::FindInstallRecord(*p.Registry, facts, Create, FRunStartTime, hasE ? &selfExtract : nullptr);
  if (Create && !key.empty()) Log("RECORD", "HKEY_LOCAL_MACHINE%s", {key});
  return key;
}

void TCustomInstall::RemoveInstallRecord() {
  platform::TPlatform& p = ThePlatform(*this);
  quendel::RemoveInstallRecord(*p.Registry, *p.Files, FInstallRecordKey);
}

void TCustomInstall::ClearUnfinishedList() {
  if (FInstallRecordKey.empty()) Raise<IEInstall>(kNoRecord);
  (void)ThePlatform(*this).Registry->TryDeleteTree(
      rkLocalMachine, PortKey(FInstallRecordKey) + "\\" + kUnfinishedSubkey);
}

void TCustomInstall::AddUnfinished(const std::string& Name, int Kind) {
  if (FInstallRecordKey.empty()) Raise<IEInstall>(kNoRecord);
  ++FUnfinishedCount;
  WriteRegString(*ThePlatform(*this).Registry, rkiLocalMachine,
                 FInstallRecordKey + "\\" + kUnfinishedSubkey, Name, IntToStr(Kind));
}

void TCustomInstall::ReadUnfinishedList(std::vector<std::string>& List) {
  List.clear();
  if (FInstallRecordKey.empty()) Raise<IEInstall>(kNoRecord);
  platform::TErrorCode error = 0;
  auto key = ThePlatform(*this).Registry->TryOpenKey(
      rkLocalMachine, PortKey(FInstallRecordKey) + "\\" + kUnfinishedSubkey,
      platform::TRegAccess::Read, error);
  if (!key) return;
  for (const std::string& name : key->ValueNames()) {
    std::string data;
    try {
      data = key->ReadString(name);
    } catch (const platform::EPlatformError&) {
    }
    List.push_back(name + ";" + data);
  }
}

std::string TCustomInstall::MainArchivePath() {
  const std::string program = HasApplication() ? Application().ProgramPath() : std::string();
  if (FCommandLine.Has('e')) return AddBackslash(FInstallSource) + FCommandLine.Param('e');
  if (FUseLoadingProgram) {
    const auto& args = HasApplication() ? Application().Args() : std::vector<std::string>{};
    return AddBackslash(FInstallSource) + (args.size() >= 2 ? args[1] : std::string());
  }
  return program;
}

void TCustomInstall::RegisterRunOnce() {
  const std::string p = MainArchivePath();
  const std::string d = RemoveBackslash(ExtractFilePath(p));
  const std::string x = HasApplication() ? Application().ProgramPath() : std::string();
  std::string command;
  if (FCommandLine.Has('e'))
    command = "\"" + x + "\" -r \"-e" + ExtractFileName(p) + "\" \"-s" + d + "\"";
  else
    command = "\"" + x + "\" -r \"-s" + d + "\"";
  if (FCommandLine.Has('c')) command += " -c";
  // The continuation runs the way this run was asked to: unattended, and
  // into the same log.
  if (FCommandLine.Quiet) command += " *q";
  if (FCommandLine.HasLog) command += " \"*l" + FCommandLine.LogPath + "\"";
  platform::TPlatform& pl = ThePlatform(*this);
  // RunOnce lives under HKEY_CURRENT_USER on every NT system (the detection
  // gives the newest NT kind for anything after XP), so that the current
  // versions of Windows continue too.
  if (!AddRunOnce(*pl.Registry, *pl.System, "QuendelUnfinished", command, true))
    Raise<IEInstall>(kNoRunOnce);
  Log("REBOOT", "continuation registered under RunOnce: %s", {command});
}

void TCustomInstall::SaveLanguage() {
  TTranslator* t = TranslateContext().MainTranslator;
  if (!t) return;
  WriteRegInteger(*ThePlatform(*this).Registry, rkiLocalMachine, FInstallRecordKey, "Language",
                  static_cast<std::int32_t>(t->TranslateIntoLanguage()));
}

int TCustomInstall::ReadSavedLanguage() {
  TTranslator* t = TranslateContext().MainTranslator;
  const int def = t ? static_cast<int>(t->TranslateIntoLanguage()) : static_cast<int>(qlUser);
  try {
    const int saved = ReadRegInteger(*ThePlatform(*this).Registry, rkiLocalMachine, FInstallRecordKey,
                                     "Language", def);
    // The record is outside data: a value no language has would leave the
    // translator with an ident nothing resolves.
    return saved >= 0 && saved < QndlLanguageInfo.Count() ? saved : def;
  } catch (const std::exception&) {
    return def;
  }
}

void TCustomInstall::SaveChosenDestinations() {
  if (FInstallRecordKey.empty()) return;
  platform::IRegistry& reg = *ThePlatform(*this).Registry;
  const std::string key = PortKey(FInstallRecordKey) + "\\" + kChosenSubkey;
  (void)reg.TryDeleteTree(rkLocalMachine, key);
  auto k = reg.CreateKey(rkLocalMachine, key);
  const auto& all = Context().AllContainers.Items();
  for (std::size_t i = 0; i < all.size(); ++i) {
    TInstallContainer* c = all[i];
    if (c->Name().empty()) continue;
    const std::string type = c->DestDirType() ? c->DestDirType()->Name() : "";
    if (i < FDefinitionDestinations.size() && FDefinitionDestinations[i].first == c->DestDir() &&
        FDefinitionDestinations[i].second == type)
      continue;
    k->WriteString(c->Name() + ".DestDir", c->DestDir());
    k->WriteString(c->Name() + ".DestDirType", type);
  }
  k->WriteDWord(kChosenInstallType, static_cast<std::uint32_t>(CurrentInstallType()));
}

void TCustomInstall::RestoreChosenDestinations() {
  if (FInstallRecordKey.empty()) return;
  platform::TErrorCode error = 0;
  auto k = ThePlatform(*this).Registry->TryOpenKey(
      rkLocalMachine, PortKey(FInstallRecordKey) + "\\" + kChosenSubkey, platform::TRegAccess::Read,
      error);
  if (!k) return;
  for (TInstallContainer* c : Context().AllContainers.Items()) {
    if (c->Name().empty()) continue;
    try {
      if (k->ValueExists(c->Name() + ".DestDirType")) {
        const std::string type = k->ReadString(c->Name() + ".DestDirType");
        // No specifier: the run chose a full path (the destination page's
        // typed directory), which the definition's specifier must not prefix.
        if (type.empty()) {
          c->SetDestDirType(nullptr);
        } else {
          TComponent* specifier = Owner() ? Owner()->FindComponent(type) : nullptr;
          if (auto* ps = dynamic_cast<TCustomPathSpecifier*>(specifier)) c->SetDestDirType(ps);
        }
      }
      if (k->ValueExists(c->Name() + ".DestDir")) c->SetDestDir(k->ReadString(c->Name() + ".DestDir"));
    } catch (const platform::EPlatformError&) {
    }
  }
  try {
    if (k->ValueExists(kChosenInstallType)) {
      const std::uint32_t t = k->ReadDWord(kChosenInstallType);
      if (t <= static_cast<std::uint32_t>(itCustom)) SelectInstallType(static_cast<TInstallType>(t));
    }
  } catch (const platform::EPlatformError&) {
  }
}

// ---- The run --------------------------------------------------------------------------

void TCustomInstall::ReadSelfExtractInfo() {
  const std::string file = AddBackslash(FInstallSource) + FCommandLine.Param('e');
  // Every position is checked against the file before the compressor is
  // pointed at it: a truncated or foreign file fails here, not mid-extract.
  distribution::TSelfExtractInfo info;
  try {
    info = quendel::ReadSelfExtractInfo(*ThePlatform(*this).Files, file);
  } catch (const EQndlCompress&) {
    Raise<IEInstall>(kNoExtractInfo, {file});
  }
  if (HasArchiveContext()) CurrentArchiveContext().Compressor().SetOffset(info.FilesStart);
  // The install files of the main archive read it through the model's one.
  if (Context().SharedCompressor) Context().SharedCompressor->SetOffset(info.FilesStart);
}

void TCustomInstall::Compress(TCompressOptions Options) {
  for (TCustomInstallFile* f : Context().AllInstallFiles.Items()) {
    f->SetCompressState(0);
    f->ClearNetArchive();
  }
  TFileContainer::Compress(Options);
}

void TCustomInstall::ReadInfoFromArchive() {
  if (InfoRead()) return;
  if (OnBeforeReadArchiveInfo) OnBeforeReadArchiveInfo(this);
  Broadcast(this, -984, nullptr);
  platform::IUIServices* ui = ThePlatform(*this).UI.get();
  const bool wasBusy = ui ? ui->SetBusyCursor(true) : false;
  PushStatusMessage(TranslateText("Reading file information..."));
  try {
    // Every install file learns its stored size, date and version from its
    // archive; the remote list adds the files of a net distribution.
    TFileContainer::ReadInfoFromArchive();
    if (FDistributeType != dtTraditional) ReadRemoteFileList();
  } catch (...) {
    if (ui) ui->SetBusyCursor(wasBusy);
    PopStatusMessage();
    throw;
  }
  if (ui) ui->SetBusyCursor(wasBusy);
  PopStatusMessage();
  SetInfoRead(true);
  if (OnAfterReadArchiveInfo) OnAfterReadArchiveInfo(this);
  Broadcast(this, -983, nullptr);
}

void TCustomInstall::InstallPhase(int RegisteredType, const std::string& StatusText) {
  bool pushed = false;
  try {
    // A copy: an object's processing may create or free others.
    const std::vector<TInstallContainer*> all = Context().AllContainers.Items();
    for (TInstallContainer* c : all) {
      if (!Context().AllContainers.Contains(c) || c->RegisteredType() != RegisteredType) continue;
      if (!pushed && !Trim(StatusText).empty()) {
        PushStatusMessage(TranslateText(StatusText));
        pushed = true;
      }
      c->Process();
    }
  } catch (...) {
    if (pushed) PopStatusMessage();
    throw;
  }
  if (pushed) PopStatusMessage();
}

void TCustomInstall::InstallTree() {
  bool done = false;
  auto after = [this] {
    if (Context().SharedCompressor) Context().SharedCompressor->CloseArchive();
    // The shortcuts' phases log through the same writer as the files; its
    // key (and the count it knows) is let go with the run.
    Context().CloseUninstallLog();
    // The copy form's Cancel sets the model's flags (the file pass works with
    // the shared compressor of the model, not the archive layer's own).
    const bool aborted = Context().UserAbort ||
                         (Context().SharedCompressor && Context().SharedCompressor->Abort());
    if (OnAfterInstallObjects) OnAfterInstallObjects(this, aborted);
  };
  try {
    TFileContainer::Process();
    // The files are written: the archive the shared compressor kept open
    // between members is let go before the phases run programs, and on any
    // way out (the lambda above).
    if (Context().SharedCompressor) Context().SharedCompressor->CloseArchive();
    // A cancel confirmed while the last file was written, or in a phase,
    // reaches no copy loop any more: it is checked here.
    CheckUserAbort();
    static const std::pair<int, const char*> kPhases[] = {
        {2750, "Installing ODBC drivers..."},
        {2875, "Installing ODBC sources..."},
        {3000, "Installing Borland Database Engine aliases..."},
        {7000, "Installing shell links..."},
        {8000, "Installing shell links..."},
        {4000, "Installing INI files..."},
        {8500, "Installing registry keys..."},
        {8700, ""},
        {9052, ""},
        {9050, ""},
        {9054, ""},
    };
    for (const auto& [type, text] : kPhases) {
      InstallPhase(type, text);
      CheckUserAbort();
    }
    done = true;
  } catch (...) {
    after();
    throw;
  }
  if (done) after();
}

void TCustomInstall::Process() {
  FStopped = false;
  FRunStartTime = Now();
  Context().DeferredRegistrations.Clear();
  FUnfinishedCount = 0;
  FBatchPending = false;
  FRunning = true;
  Context().UserAbort = false;
  // Until the run reaches its good end, ending the program means failure.
  SetExitCode(ecBadInstall);
  Log("RUN", "installation started");

  if (FUseLoadingProgram && !FCommandLine.Has('s')) Raise<IEInstall>(kNoLoadingProgram);
  if (FCommandLine.Has('n')) ClearUnfinishedList();
  FInstallRecordKey = FindInstallRecord(true);
  ClearUnfinishedList();
  if (FCommandLine.Has('e')) ReadSelfExtractInfo();
  ReadInfoFromArchive();
  if (OnAfterInitialized) OnAfterInitialized(this);
  Broadcast(this, -986, nullptr);
  Broadcast(this, -980, nullptr);
  if (FStopped) return;

  InstallTree();
  // Self-registrations that failed during the tree may have needed a file
  // installed after them; now every file is in place, a failure counts.
  RetryDeferredRegistrations(Context());
  CheckUserAbort();

  if (FUnfinishedCount > 0 || FReboot) RegisterRunOnce();
  const bool rebootWanted = FReboot;
  if (rebootWanted) {
    SaveLanguage();
    SaveChosenDestinations();
    Broadcast(this, -987, nullptr);
    // Nobody to ask: an unattended run never restarts Windows by itself. It
    // ends saying that a restart is pending; the continuation is registered.
    if (FCommandLine.Quiet) FReboot = false;
    if (FReboot && OnBeforeReboot) OnBeforeReboot(this, FReboot);
    if (FReboot) {
      if (!RebootWindows()) {
        if (OnFailedReboot)
          OnFailedReboot(this);
        else if (HasApplication())
          Application().ShowMessageBox(TranslateText(kCannotReboot), Application().Title,
                                   platform::mbOK | platform::mbIconWarning);
      }
      EndApplication();
    }
    Log("REBOOT", "a restart of Windows finishes the installation");
    SetExitCode(ecRebootPending);
    EndApplication();
    return;
  }

  NotifyGoodInstall();
  CleanupSetupFiles();
  RemoveInstallRecord();
  SetExitCode(ecGoodInstall);
  Log("RUN", "installation completed");
  if (FRunAutomatic) Shutdown();
  RunFilesAfterInstall();
  FRunning = false;
}

bool TCustomInstall::RebootWindows() {
  platform::ISystemInfo& System = *ThePlatform(*this).System;
  TOSVerType OS = osUnidentified;
  try {
    OS = GetOSVersion(System);
  } catch (const std::exception&) {
  }
  // Win32s, NT 3.51 and unknown systems cannot be restarted from here.
  if (!os9xFamily.Contains(OS) && !osNTFamily.Contains(OS)) return false;
  const std::uint32_t Error = System.RestartWindows(osNTFamily.Contains(OS));
  if (Error != 0)
    Log("WARNING", "Windows could not be restarted (error %d)", {static_cast<int>(Error)});
  return Error == 0;
}

void TCustomInstall::CompleteAfterReboot() {
  FRunning = true;
  FInstallRecordKey = FindInstallRecord(false);
  if (FInstallRecordKey.empty()) {
    // A stale RunOnce entry: the user restarted later and reinstalled, which
    // finished and removed the record. Nothing is left to continue.
    Log("REBOOT", "no unfinished installation of this setup program: nothing to continue");
    FRunning = false;
    SetExitCode(ecGoodInstall);
    return;
  }
  SetExitCode(ecBadInstall);
  if (TTranslator* t = TranslateContext().MainTranslator) {
    t->SetTranslateIntoLanguage(static_cast<TQndlLanguage>(ReadSavedLanguage()));
    Log("RUN", "continuing after the restart in the language of the first run, %s",
        {QndlLanguageInfo.NameOf(t->TranslateIntoLanguage())});
  } else {
    Log("RUN", "continuing after the restart");
  }
  RestoreChosenDestinations();
  std::vector<std::string> list;
  ReadUnfinishedList(list);
  ClearUnfinishedList();
  // Windows starts RunOnce entries in no set order: a replacement batch of
  // this install may not have run yet, and the work below needs its files
  // in place. Run it now, before it is deleted.
  for (const std::string& line : list) {
    int kind = -1;
    if (TryStrToInt(Trim(GetToken(line, 2, ';')), kind) && kind == 1) RunPendingBatch(GetToken(line, 1, ';'));
  }
  for (const std::string& line : list) {
    const std::string name = GetToken(line, 1, ';');
    int kind = 0;
    if (!TryStrToInt(Trim(GetToken(line, 2, ';')), kind)) Raise<IEInstall>(kBadUnfinished, {line});
    if (kind == 0) {
      const std::vector<TInstallContainer*> all = Context().AllContainers.Items();
      for (TInstallContainer* c : all)
        if (Context().AllContainers.Contains(c) && SameText(c->Name(), name)) c->CompleteAfterReboot();
    } else if (kind == 1) {
      (void)ThePlatform(*this).Files->TryRemoveFile(name);
    }
  }
  NotifyGoodInstall();
  CleanupSetupFiles();
  RemoveInstallRecord();
  SetExitCode(ecGoodInstall);
  Log("RUN", "installation completed after the restart");
  if (FRunAutomatic) Shutdown();
  RunFilesAfterInstall();
  FRunning = false;
}

void TCustomInstall::RunPendingBatch(const std::string& Batch) {
  platform::TPlatform& P = ThePlatform(*this);
  if (!P.Files->FileExists(Batch) || !P.Processes) return;
  try {
    platform::TProcessStart start;
    start.Application = AddBackslash(GetSystemDir(*P.System)) + "cmd.exe";
    start.CommandLine = "cmd.exe /c \"" + Batch + "\"";
    start.ShowCommand = platform::showHide;
    std::unique_ptr<platform::IProcess> process = P.Processes->Start(start);
    if (!process->WaitForExit(60000))
      Log("WARNING", "the batch file %s did not end in time", {Batch});
    Log("REBOOT", "ran the pending batch file %s", {Batch});
  } catch (const std::exception& E) {
    Log("WARNING", "cannot run the pending batch file %s: %s", {Batch, E.what()});
  }
}

void TCustomInstall::NotifyBadInstall() {
  if (OnBeforeNotifyBadInstall) OnBeforeNotifyBadInstall(this);
  Broadcast(this, -994, nullptr);
  Broadcast(this, -978, nullptr);
  if (OnAfterNotifyBadInstall) OnAfterNotifyBadInstall(this);
}

void TCustomInstall::NotifyGoodInstall() {
  if (OnBeforeNotifyGoodInstall) OnBeforeNotifyGoodInstall(this);
  Broadcast(this, -995, nullptr);
  Broadcast(this, -979, nullptr);
  if (OnAfterNotifyGoodInstall) OnAfterNotifyGoodInstall(this);
}

void TCustomInstall::CheckUserAbort() {
  if (Context().UserAbort) throw EAIUserAbort();
}

bool TCustomInstall::ConfirmUserAbort() {
  bool abort = true;
  if (OnUserAbort) OnUserAbort(this, abort);
  return abort;
}

bool TCustomInstall::Shutdown() {
  bool shutdown = true;
  if (OnBeforeShutdown) OnBeforeShutdown(this, shutdown);
  if (shutdown) EndApplication();
  return !shutdown;
}

void TCustomInstall::HandleRunException(TComponent* Sender, const std::exception& E) {
  (void)Sender;
  if (!FRunning) {
    if (HasApplication()) Application().ShowException(E);
    return;
  }
  FRunning = false;
  FStopped = true;
  try {
    if (dynamic_cast<const EAIUserAbort*>(&E)) {
      SetExitCode(ecUserAbort);
      Log("ABORT", E.what());
      NotifyBadInstall();
      CleanupSetupFiles();
      RemoveInstallRecord();
      if (FRunAutomatic) Shutdown();
    } else {
      SetExitCode(ecBadInstall);
      NotifyBadInstall();
      if (HasApplication()) Application().ShowException(E);
      Shutdown();
    }
  } catch (...) {
    if (FRunAutomatic) EndApplication();
  }
}

void TCustomInstall::CleanupSetupFiles() {
  if (!FUseLoadingProgram || !FCommandLine.Has('c') || FCommandLine.Has('d') || IsDesigning())
    return;
  bool cleanup = true;
  if (OnBeforeCleanup) OnBeforeCleanup(this, cleanup);
  if (!cleanup) return;
  platform::TPlatform& P = ThePlatform(*this);
  const std::string program = HasApplication() ? Application().ProgramPath() : std::string();
  bool NT = true;
  try {
    NT = !os9xFamily.Contains(GetOSVersion(*P.System));
  } catch (const std::exception&) {
  }
  // Only a directory inside the temporary directory, where the loading
  // program unpacks, is the setup program's own to remove.
  const std::string batch = CleanupSetupDirectory(*P.Files, program, NT);
  if (batch.empty()) {
    Log("CLEANUP", "left in place: %s", {ExtractFileDir(program)});
    return;
  }
  FBatchFile = batch;
  FBatchPending = true;
  Log("CLEANUP", "removing %s with %s", {ExtractFileDir(program), batch});
}

void TCustomInstall::RunFilesAfterInstall() {
  platform::IFileSystem& Files = *ThePlatform(*this).Files;
  // A copy: a handler may free objects.
  const std::vector<TCustomInstallFile*> All = Context().AllInstallFiles.Items();
  for (TCustomInstallFile* F : All) {
    if (!Context().AllInstallFiles.Contains(F) || !F->RunAfterInstall()) continue;
    // Only what this run put in place: a file left out by the filters, or
    // one that waits for the restart, is not there to start.
    const std::string Target = F->Target();
    if (!F->Entered() || F->ReplaceAtReboot() || !Files.FileExists(Target)) {
      Log("SKIP", "not started (not installed by this run): %s", {Target});
      continue;
    }
    bool Run = true;
    if (OnBeforeRunFile) OnBeforeRunFile(this, F, Run);
    if (!Run) continue;
    TProgramLauncher Launcher(nullptr);
    Launcher.FileName = Target;
    // Each file gets its own parameters, never another file's.
    Launcher.Parameters = F->RunParameters().empty() ? "" : " " + F->RunParameters();
    Launcher.ShowMode = smNormal;
    try {
      Launcher.Execute();
      Log("START", "%s%s", {Target, Launcher.Parameters});
    } catch (const EProgramLauncherFailed& E) {
      // The product is installed: a program that will not start is reported
      // and the install stays good.
      Log("WARNING", "cannot start %s: %s", {Target, E.what()});
      if (HasApplication() && !FCommandLine.Quiet)
        Application().ShowMessageBox(Format("Cannot start %s: %s", {Target, std::string(E.what())}),
                                     Application().Title, platform::mbOK | platform::mbIconWarning);
    }
  }
}

// ---- Published --------------------------------------------------------------------------

const TClassInfo& TCustomInstall::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TCustomInstall>("TCustomInstall", &TFileContainer::StaticClass); });
}

const TClassInfo& TInstall::StaticClass() {
  using T = TInstall;
  using B = TClassBuilder<T>;
  return ClassTable([] {
    B b("TInstall", &TCustomInstall::StaticClass);
    TFileRelatedProps<T>::AddToArchive(b);
    TFileRelatedProps<T>::ArchiveFile(b);
    TFileRelatedProps<T>::ArchiveFileType(b);
    b.Bool<&T::AutoMaximizeWindow, &T::SetAutoMaximizeWindow>("AutoMaximizeWindow", true);
    b.Object<static_cast<const TBuildInfo& (TCustomInstall::*)() const>(&T::BuildInfo)>(
        "BuildInfo");
    TInstallProps<T>::DestDir(b);
    TInstallProps<T>::DestDirType(b);
    b.Picture<static_cast<const TPicture& (TCustomInstall::*)() const>(&T::DialogThemeBitmap)>(
        "DialogThemeBitmap");
    b.Enum<&T::DistributeType, &T::SetDistributeType>("DistributeType", DistributeTypeInfo,
                                                      static_cast<int>(dtTraditional));
    b.Bool<&T::HideMainForm, &T::SetHideMainForm>("HideMainForm", false);
    b.Object<static_cast<const TInstallInformation& (TCustomInstall::*)() const>(&T::Information)>(
        "Information");
    TInstallProps<T>::InstallTypes(b);
    TFileRelatedProps<T>::NetLocation(b);
    b.Bool<&T::NoUninstall, &T::SetNoUninstall>("NoUninstall", false);
    b.Strings<static_cast<const TStrings& (TCustomInstall::*)() const>(&T::PresetupFiles)>(
        "PresetupFiles");
    b.Bool<&T::Reboot, &T::SetReboot>("Reboot", false);
    b.Bool<&T::RunAutomatic, &T::SetRunAutomatic>("RunAutomatic", true);
    b.Bool<&T::UseLoadingProgram, &T::SetUseLoadingProgram>("UseLoadingProgram", true);
    b.Object<static_cast<const TControlPanelExtensionInformation& (TCustomInstall::*)() const>(
        &T::win2KExtendedInformation)>("win2KExtendedInformation");
    TInstallProps<T>::OnAfterProcess(b);
    TInstallProps<T>::OnBeforeProcess(b);
    b.Event<&T::OnAfterInitialized>("OnAfterInitialized");
    b.Event<&T::OnAfterInstallObjects>("OnAfterInstallObjects");
    b.Event<&T::OnAfterNotifyBadInstall>("OnAfterNotifyBadInstall");
    b.Event<&T::OnAfterNotifyGoodInstall>("OnAfterNotifyGoodInstall");
    b.Event<&T::OnAfterReadArchiveInfo>("OnAfterReadArchiveInfo");
    b.Event<&T::OnBeforeCleanup>("OnBeforeCleanup");
    b.Event<&T::OnBeforeNotifyBadInstall>("OnBeforeNotifyBadInstall");
    b.Event<&T::OnBeforeNotifyGoodInstall>("OnBeforeNotifyGoodInstall");
    b.Event<&T::OnBeforeReadArchiveInfo>("OnBeforeReadArchiveInfo");
    b.Event<&T::OnBeforeReboot>("OnBeforeReboot");
    b.Event<&T::OnBeforeRunFile>("OnBeforeRunFile");
    b.Event<&T::OnBeforeShutdown>("OnBeforeShutdown");
    TFileRelatedProps<T>::OnDataReceived(b);
    b.Event<&T::OnFailedReboot>("OnFailedReboot");
    b.Event<&T::OnUserAbort>("OnUserAbort");
    return b;
  });
}

void RegisterEngineClasses() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TCustomInstall>();
  R.Register<TInstall>();
  R.Register<TUninstallEXE>();
}

} // namespace quendel
