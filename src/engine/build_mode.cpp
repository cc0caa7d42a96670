// Build mode and the floppy transfer of the install root: making the
// distributables from the setup program ("-b", or a tool such as quendel
// build calling BuildDistributables), and copying a self-extracting file to
// a set of disks ("-f"). Both are a program run of their own: they end the
// application, with exit code 0 only when everything was written.
#include "engine/build_mode.h"
#include "engine/install.h"

#include "archive/archive_context.h"
#include "archive/errors.h"
#include "archive/self_extracting.h"
#include "definition/binary_codec.h"
#include "definition/loader.h"
#include "ui/main_form.h"
#include "core/format.h"
#include "core/strings.h"
#include "distribution/file_list.h"
#include "engine/application.h"
#include "engine/install_record.h"
#include "model/install_file.h"
#include "translate/translator.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace quendel {

namespace {

const char* const kNoBuildInf = "Need to have a BUILD.INF file in this directory with the first "
                                "line specifying the build directory";
const char* const kBuildInfLine =
    "Must be 1 line in BUILD.INF. This line should specify the build directory";
const char* const kStandAloneNeedsLoader =
    "Cannot build a stand alone executable if the UseLoadingProgram property of the TInstall is "
    "set to False";
const char* const kDiskFullSetup1 =
    "The disk that you have specified has been determined to be either too full or is corrupt "
    "while trying to copy the SETUP.1 archive file. You should probably clear all files off of "
    "the drive. Minimally, you should leave enough space on the drive for the SETUP.1 archive "
    "file.";
const char* const kNoKit = "The HKEY_LOCAL_MACHINE | %s key in the registry is either missing or "
                           "points to an invalid Vexo directory";
const char* const kKitKey = "\\Software\\Dorvik\\Q32V52";
const char* const kKitMarker = "Q32V52.TXT";
const char* const kLoaderName = "QuendelLoadProgram.exe";
const char* const kNoLoader = "The loader program %s was not found";
const char* const kCannotCopyLoader = "Cannot copy the loading program from %s to %s";
const char* const kCannotCopyProgram = "Cannot copy the installation application from %s to %s";
const char* const kBlankExecutable = "Cannot create setup file. Executable is blank";
const char* const kNoExecutable = "TInstall: Cannot find the executable file %s";
const char* const kFloppyNeedsE =
    "Sorry... You can only transfer this installation to floppies through the self-extracting "
    "file. Usage example: setup.exe *TODISK";
const char* const kTransferring = "Transferring this installation to floppies. Please wait...";
const char* const kNoRoomSetupExe = "Cannot create setup.exe on the A drive. Probably not enough room";
const char* const kNoRoomSetup1 = "Cannot create setup.1 on the A drive. Probably not enough room";
const char* const kInsertDisk = "Please insert disk %d";
const char* const kAbortedByUser = "Aborted by user";
const char* const kStoredNameTwins =
    "The pre-setup files %s and %s cannot both go into setup.1: it keeps only the first %d "
    "characters of a file's path, and there both are named %s";

// Compress options of each distribution: every build puts its archives in
// the build directory and includes every file; the traditional one keeps
// all files local, the web one puts them all on the server.
TCompressOptions BuildOptions(TDistributeType Type) {
  switch (Type) {
  case dtWeb:
    return coArchiveInBuildDir | coBuild | coForceFilesNet | coIncludeAll; // 54
  case dtTraditionalNet:
    return coArchiveInBuildDir | coBuild | coIncludeAll; // 38
  case dtTraditional:
  default:
    return coArchiveInBuildDir | coBuild | coForceNetFilesLocal | coIncludeAll; // 46
  }
}

// Every file of the text, split at CR LF, LF or CR; no lines for an empty text.
std::vector<std::string> TextLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    std::size_t End = Text.find_first_of("\r\n", Start);
    if (End == std::string::npos) End = Text.size();
    Lines.push_back(Text.substr(Start, End - Start));
    if (End < Text.size() && Text[End] == '\r' && End + 1 < Text.size() && Text[End + 1] == '\n')
      ++End;
    Start = End + 1;
  }
  return Lines;
}

std::string ReadWholeFile(platform::IFileSystem& Files, const std::string& Path) {
  auto In = Files.OpenRead(Path);
  std::string Text(static_cast<std::size_t>(In->Size()), '\0');
  if (!Text.empty()) In->ReadExact(Text.data(), Text.size());
  return Text;
}

TQndlCompress& SharedCompressorOf(TModelContext& Context) {
  if (Context.SharedCompressor) return *Context.SharedCompressor;
  return CurrentArchiveContext().Compressor();
}

// One temporary install file without a container, added to Archive.
void AddToSetupArchive(const std::string& Source, const std::string& Archive, TlzhCommand Add,
                       bool First) {
  auto File = std::make_unique<TInstallFile>(nullptr, Source);
  if (!First) File->SetNet(false);
  File->SetAddToArchive(Add);
  File->SetArchiveFileType(nullptr);
  File->SetArchiveFile(Archive);
  File->Compress();
  File.reset();
}

// The sources in the order Compress reaches them: each container's children
// in their order, a sub-container's files where it stands.
void PlanCompressOrder(TInstallContainer& Container, std::vector<std::string>& Sources) {
  for (TInstallContainer* Child : Container.ChildList()) {
    if (auto* File = dynamic_cast<TCustomInstallFile*>(Child))
      Sources.push_back(File->SourcePath());
    else if (dynamic_cast<TFileContainer*>(Child))
      PlanCompressOrder(*Child, Sources);
  }
}

} // namespace

// ---- Ending a build or transfer --------------------------------------------------------

void TCustomInstall::EndBuild(const std::exception* Failure) {
  if (HasApplication()) {
    TApplication& App = Application();
    if (Failure) {
      // A failed build must never look like a finished one to a script.
      App.ExitCode = ecBadInstall;
      // Unattended, the services log the box itself: logged once either way.
      if (App.UI().Interactive()) App.LogLine("ERROR", Failure->what());
      App.ShowMessageBox(Failure->what(), App.Title, platform::mbOK | platform::mbIconError);
    } else {
      App.ExitCode = ecGoodInstall;
    }
  }
  EndApplication();
}

// ---- A: the "-b" start ----------------------------------------------------------------

void TCustomInstall::BuildFromBuildInf() {
  try {
    platform::IFileSystem& Files = *Context().Platform().Files;
    const std::string Program = HasApplication() ? Application().ProgramPath() : std::string();
    const std::string Inf = AddBackslash(ExtractFileDir(Program)) + "BUILD.INF";
    if (!Files.FileExists(Inf)) Raise<IEInstall>(kNoBuildInf);
    const std::vector<std::string> Lines = TextLines(ReadWholeFile(Files, Inf));
    // A blank first line would put the distributables into the root of the
    // current drive: refused like a missing line.
    if (Lines.empty() || Trim(Lines.front()).empty()) Raise<IEInstall>(kBuildInfLine);
    Log("BUILD", "building into %s", {Lines.front()});
    BuildDistributables(Program, Lines.front(), true);
    Log("BUILD", "the distributables are complete");
    EndBuild(nullptr);
  } catch (const std::exception& E) {
    EndBuild(&E);
  }
}

// ---- B: the distributables ----------------------------------------------------------------

void TCustomInstall::BuildDistributables(const std::string& ProgramFile,
                                         const std::string& BuildDirectory, bool StandAlone) {
  if (StandAlone && !FUseLoadingProgram) Raise<IEInstall>(kStandAloneNeedsLoader);
  const std::string Dir = AddBackslash(BuildDirectory);
  const std::string SetupFile = Dir + "setup.exe";
  const std::string SetupArchive = Dir + "setup.1";
  const std::string FileArchive = Dir + "files.1";
  platform::IFileSystem& Files = *Context().Platform().Files;

  // The files are added one by one in the order the compression walks the
  // tree; their zlib work starts now on worker threads and runs ahead of
  // the writer, also while "setup.1" is made.
  std::unique_ptr<TDeflateAhead> Ahead;
  if (HasArchiveContext() && !CurrentArchiveContext().Ahead()) {
    std::vector<std::string> Sources;
    PlanCompressOrder(*this, Sources);
    const TQndlCompress* Shared = Context().SharedCompressor.get();
    Ahead = std::make_unique<TDeflateAhead>(
        Files, ZlibLevel(Shared ? Shared->CompressionLevel() : colMax), std::move(Sources));
    CurrentArchiveContext().SetAhead(Ahead.get());
  }
  struct TAheadScope {
    TDeflateAhead* Set;
    ~TAheadScope() {
      if (Set) CurrentArchiveContext().SetAhead(nullptr);
    }
  } AheadScope{Ahead.get()};

  if (FUseLoadingProgram) {
    if (OnBeforeCreateSetupArchive) OnBeforeCreateSetupArchive(this);
    try {
      CreateSetupArchive(BuildDirectory, ProgramFile);
    } catch (const EqcDiskFull&) {
      Raise<IEInstall>(kDiskFullSetup1);
    }
    if (OnAfterCreateSetupArchive) OnAfterCreateSetupArchive(this);
    CopyLoadingProgram(ProgramFile, BuildDirectory, SetupFile);
  } else {
    if (OnBeforeCopySetupProgram) OnBeforeCopySetupProgram(this);
    const std::string Target = Dir + ExtractFileName(ProgramFile);
    try {
      Files.ForceDirectories(RemoveBackslash(BuildDirectory));
      Files.Copy(ProgramFile, Target, false);
    } catch (const platform::EPlatformError&) {
      Raise<IEInstall>(kCannotCopyProgram, {ProgramFile, Target});
    }
    if (OnAfterCopySetupProgram) OnAfterCopySetupProgram(this);
  }
  if (OnAfterCopyStep) OnAfterCopyStep(this);

  // The root's archive is the build's "files.1" for the compression only.
  const TlzhCommand SavedAdd = AddToArchive();
  const std::string SavedFile = ArchiveFile();
  TCustomPathSpecifier* const SavedType = ArchiveFileType();
  AssignArchive(SavedAdd, FileArchive, nullptr);
  try {
    Compress(BuildOptions(FDistributeType));
    if (FDistributeType != dtTraditional)
      WriteFileList(AddBackslash(ExtractFileDir(GetFullArchiveFile())) + NetFolder());
  } catch (...) {
    AssignArchive(SavedAdd, SavedFile, SavedType);
    throw;
  }
  AssignArchive(SavedAdd, SavedFile, SavedType);
  // A plan that misses the order of the adds leaves the work to this thread:
  // the log shows it.
  if (Ahead)
    Log("BUILD", Format("%d of %d files compressed ahead",
                        {static_cast<int>(Ahead->Taken()), static_cast<int>(Ahead->Planned())}));
  if (OnAfterBuildCompress) OnAfterBuildCompress(this);

  if (StandAlone) {
    if (OnBeforeSelfExtract) OnBeforeSelfExtract(this);
    MakeSelfExtractingFile(Files, SetupFile, SetupArchive, FileArchive);
    if (OnAfterSelfExtract) OnAfterSelfExtract(this);
  } else {
    AppendNotSelfExtractBlock(Files, SetupFile);
  }
}

std::string LocateKitDirectory(platform::TPlatform& P, const std::string& Named,
                               const std::string& Beside) {
  auto Valid = [&](const std::string& Dir) {
    return !Trim(Dir).empty() && P.Files->FileExists(AddBackslash(Dir) + kKitMarker);
  };
  auto Missing = [] { return IEInstall(kNoKit, {kKitKey}); };
  // The first place that names a kit decides: a kit named but not valid is
  // an error rather than a quiet fall-back to another kit.
  if (!Trim(Named).empty()) {
    if (!Valid(Named)) throw Missing();
    return RemoveBackslash(Named);
  }
  platform::TErrorCode Error = 0;
  if (auto Key = P.Registry->TryOpenKey(platform::rkLocalMachine, PortKey(kKitKey),
                                        platform::TRegAccess::Read, Error)) {
    std::string Dir;
    try {
      if (Key->ValueExists("")) Dir = Key->ReadString("");
    } catch (const platform::EPlatformError&) {
      throw Missing();
    }
    if (!Trim(Dir).empty()) {
      if (!Valid(Dir)) throw Missing();
      return RemoveBackslash(Dir);
    }
  }
  if (Valid(Beside)) return RemoveBackslash(Beside);
  throw Missing();
}

std::string TCustomInstall::FindKitDirectory() {
  std::string Named = KitDirectory;
  if (Trim(Named).empty())
    if (const char* Env = std::getenv("QUENDEL_KIT")) Named = Env;
  return LocateKitDirectory(Context().Platform(), Named,
                            HasApplication() ? ExtractFileDir(Application().ProgramPath())
                                             : std::string());
}

TBuildSummary BuildSetupDistributables(TApplication& App, const std::vector<std::uint8_t>& Definition,
                                       const TBuildRequest& Request) {
  // Loaded as the setup program loads itself, without a switch: the root
  // waits for an activation that never comes, and builds when asked.
  auto Form = std::make_unique<TfrmMainMenu>(nullptr);
  LoadDefinition(ReadObjectBinary(Definition), *Form);
  TCustomInstall* Root = CurrentInstall();
  if (!Root) Raise<EReadError>("The install definition has no install root (TInstall)");
  App.MainForm = Form.get();
  Root->KitDirectory = Request.KitDirectory;
  if (Request.OnProgress)
    Root->OnStatus = [&Request](TCustomInstallFile* File, int, int Total) {
      Request.OnProgress(Total, File ? File->Name() : std::string());
    };
  try {
    if (Request.OnLoaded) Request.OnLoaded(*Root);
    Root->BuildDistributables(Request.ProgramFile, Request.BuildDirectory, true);
  } catch (...) {
    App.MainForm = nullptr;
    throw;
  }
  TBuildSummary Summary;
  for (TCustomInstallFile* F : Root->Context().AllInstallFiles.Items())
    if (F->CompressState() == 2) {
      ++Summary.Files;
      Summary.BytesIn += F->Size();
    }
  Form.reset();
  App.MainForm = nullptr;
  return Summary;
}

void TCustomInstall::CopyLoadingProgram(const std::string& ProgramFile,
                                        const std::string& BuildDirectory,
                                        const std::string& SetupFile) {
  (void)ProgramFile;
  (void)BuildDirectory;
  platform::IFileSystem& Files = *Context().Platform().Files;
  const std::string Loader = AddBackslash(FindKitDirectory()) + kLoaderName;
  if (!Files.FileExists(Loader)) Raise<IEInstall>(kNoLoader, {Loader});
  try {
    Files.Copy(Loader, SetupFile, false);
  } catch (const platform::EPlatformError&) {
    Raise<IEInstall>(kCannotCopyLoader, {Loader, SetupFile});
  }
}

// ---- C: "setup.1" ---------------------------------------------------------------------------

void TCustomInstall::CreateSetupArchive(const std::string& BuildDirectory,
                                        const std::string& ProgramFile) {
  if (Trim(ProgramFile).empty()) Raise<IEInstall>(kBlankExecutable);
  platform::IFileSystem& Files = *Context().Platform().Files;
  if (!Files.FileExists(ProgramFile)) Raise<IEInstall>(kNoExecutable, {ProgramFile});
  // Each goes in through its own temporary install file, so the install
  // files' own check does not see them: two pre-setup files stored under the
  // same cut name would unpack as one.
  const std::vector<std::string>& Presetup = FPresetupFiles.Items();
  for (std::size_t i = 0; i < Presetup.size(); ++i)
    for (std::size_t j = i + 1; j < Presetup.size(); ++j)
      if (SameStoredName(Presetup[i], Presetup[j]) &&
          !SameText(GetToken(Presetup[i], 1), GetToken(Presetup[j], 1)))
        Raise<IEInstall>(kStoredNameTwins, {GetToken(Presetup[i], 1), GetToken(Presetup[j], 1),
                                            FileNameCapacity, StoredMemberName(Presetup[i])});
  std::string Archive = AddBackslash(BuildDirectory) + "setup.1";
  const std::string Saved = Files.GetCurrentDir();
  // Absolute before the current directory changes below.
  const bool Absolute = Archive.size() >= 2 && (Archive[1] == ':' || Archive[0] == '\\');
  if (!Absolute) Archive = AddBackslash(Saved) + Archive;
  // The archive stores the source path as it was given. The setup program is
  // given relative to its own directory, so that no directory of the
  // author's machine ends up in "setup.1" and the same program builds the
  // same bytes wherever it lies.
  try {
    if (!ExtractFileDir(ProgramFile).empty()) Files.SetCurrentDir(ExtractFileDir(ProgramFile));
    AddToSetupArchive(".\\" + ExtractFileName(ProgramFile), Archive, lzcOverwrite, true);
  } catch (...) {
    Files.SetCurrentDir(Saved);
    throw;
  }
  Files.SetCurrentDir(Saved);
  for (const std::string& Line : FPresetupFiles.Items())
    AddToSetupArchive(Line, Archive, lzcOnlyAdd, false);
}

// ---- D: "filelist.lst" ----------------------------------------------------------------------

void TCustomInstall::WriteFileList(const std::string& Folder) {
  platform::IFileSystem& Files = *Context().Platform().Files;
  Files.ForceDirectories(RemoveBackslash(Folder));
  std::vector<distribution::TFileListRecord> Records;
  for (TCustomInstallFile* F : Context().AllInstallFiles.Items()) {
    if (F->CompressState() != 1 && F->CompressState() != 2) continue;
    if (F->Size() > 0x7FFFFFFF)
      Raise<IEInstall>("The file %s is larger than the remote file list can describe (2 GiB)",
                       {F->Name()});
    distribution::TFileListRecord R;
    R.Size = static_cast<std::int32_t>(F->Size());
    R.Date = F->FileDate();
    R.Name = F->Name();
    R.Version = F->Version();
    Records.push_back(std::move(R));
  }
  std::vector<std::uint8_t> Bytes;
  std::string Error;
  // A cut name would match no install file at install time, which would then
  // silently get no size, date or version: the build fails instead.
  if (!distribution::EncodeFileList(Records, Bytes, Error)) Raise<IEInstall>("%s", {Error});
  auto Out = Files.Create(AddBackslash(Folder) + "filelist.lst");
  Out->Write(Bytes.data(), Bytes.size());
}

// ---- F: the floppy transfer ---------------------------------------------------------------

void TCustomInstall::TransferToFloppies(const std::string& Drive) {
  platform::IUIServices* UI = Context().Platform().UI.get();
  const bool WasBusy = UI ? UI->SetBusyCursor(true) : false;
  TQndlCompress* Compressor = nullptr;
  try {
    if (!FCommandLine.Has('e')) Raise<IEInstall>(kFloppyNeedsE);
    platform::IFileSystem& Files = *Context().Platform().Files;
    const std::string SelfExtracting = AddBackslash(FInstallSource) + FCommandLine.Param('e');
    const distribution::TSelfExtractInfo Info = quendel::ReadSelfExtractInfo(Files, SelfExtracting);
    if (!Info.SelfExtracting)
      Raise<IEInstall>("Could not read the extraction info from the archive file %s when trying "
                       "to find the correct offset into the self extracting file",
                       {SelfExtracting});
    const std::string Target = AddBackslash(Drive);
    PushStatusMessage(TranslateText(kTransferring));
    try {
      auto In = Files.OpenRead(SelfExtracting);
      {
        std::unique_ptr<platform::IFile> Exe;
        try {
          Exe = Files.Create(Target + "setup.exe");
        } catch (const platform::EPlatformError&) {
          Raise<IEInstall>(kNoRoomSetupExe);
        }
        std::vector<char> Buffer(8192);
        std::int64_t Left = Info.SetupStart;
        while (Left > 0) {
          const std::size_t N = static_cast<std::size_t>(
              Left < static_cast<std::int64_t>(Buffer.size()) ? Left : Buffer.size());
          In->ReadExact(Buffer.data(), N);
          try {
            Exe->Write(Buffer.data(), N);
          } catch (const platform::EPlatformError&) {
            Raise<IEInstall>(kNoRoomSetupExe);
          }
          Left -= static_cast<std::int64_t>(N);
        }
      }
      AppendNotSelfExtractBlock(Files, Target + "setup.exe");
      std::unique_ptr<platform::IFile> Setup1;
      try {
        Setup1 = Files.Create(Target + "setup.1");
      } catch (const platform::EPlatformError&) {
        Raise<IEInstall>(kNoRoomSetup1);
      }
      TQndlCompress& Shared = SharedCompressorOf(Context());
      In->Seek(Info.SetupStart, TSeekOrigin::soBeginning);
      std::vector<char> Buffer(8192);
      std::int64_t Left = static_cast<std::int64_t>(Info.SetupEnd) - Info.SetupStart + 1;
      while (Left > 0) {
        if (Shared.Abort()) throw EUserAbortInstall();
        const std::size_t N = static_cast<std::size_t>(
            Left < static_cast<std::int64_t>(Buffer.size()) ? Left : Buffer.size());
        In->ReadExact(Buffer.data(), N);
        try {
          Setup1->Write(Buffer.data(), N);
        } catch (const platform::EPlatformError&) {
          Raise<IEInstall>(kNoRoomSetup1);
        }
        Left -= static_cast<std::int64_t>(N);
        if (HasApplication()) Application().ProcessMessages();
      }
    } catch (...) {
      PopStatusMessage();
      throw;
    }
    PopStatusMessage();

    if (Info.HasFileArchive()) {
      Compressor = &SharedCompressorOf(Context());
      Compressor->SetCompressedFile(SelfExtracting);
      Compressor->SetOffset(Info.FilesStart);
      Compressor->OnNewDisk = [this, UI](TQndlCompress&, int Disk, std::string&) {
        if (UI) UI->SetBusyCursor(false);
        const int Answer =
            HasApplication()
                ? Application().ShowMessageBox(Format(TranslateText(kInsertDisk), {Disk}),
                                               Application().Title,
                                               platform::mbOKCancel | platform::mbIconInformation)
                : platform::idCancel;
        if (Answer != platform::idOK) Raise<IEInstall>(kAbortedByUser);
        if (UI) UI->SetBusyCursor(true);
      };
      Compressor->OnStatus = [this](TQndlCompress&, const TlzhFileStats& Stats) {
        if (OnFloppyProgress) OnFloppyProgress(this, Stats);
        if (HasApplication()) Application().ProcessMessages();
      };
      Compressor->SplitToVolumes(RemoveBackslash(Drive), "files.1");
      Compressor->OnNewDisk = nullptr;
      Compressor->OnStatus = nullptr;
    }
    if (UI) UI->SetBusyCursor(WasBusy);
    EndBuild(nullptr);
  } catch (const std::exception& E) {
    if (Compressor) {
      Compressor->OnNewDisk = nullptr;
      Compressor->OnStatus = nullptr;
    }
    if (UI) UI->SetBusyCursor(WasBusy);
    if (HasApplication()) Application().ProcessMessages();
    EndBuild(&E);
  }
}

} // namespace quendel
