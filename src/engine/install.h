// The install root: the one object of a definition that drives a start of
// the setup program. When loading completes it reads the command line and
// either builds, transfers to floppies, continues after a reboot, or hooks
// itself into the main window's first activation, which runs the whole
// installation: the install record, the archive information, the
// before-install wizard, the object tree, the late phases (shortcuts), the
// reboot or the good-install notification, cleanup and the programs to run.
// Any exception that escapes the run reaches HandleRunException, which makes
// it a bad install.
#pragma once

#include "core/dates.h"
#include "core/event.h"
#include "core/format.h"
#include "core/persistent.h"
#include "engine/command_line.h"
#include "engine/errors.h"
#include "model/file_container.h"
#include "model/install_container.h"
#include "model/model_context.h"
#include "model/types.h"
#include "paths/standard_paths.h"

#include <string>
#include <vector>

namespace quendel {

class TCustomInstallFile;

// Settings kept with the definition for the author's tools.
class TBuildInfo : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  void Assign(const TPersistent& Source) override;

  bool AddUninstallOnCreate = true;
  std::string AppName, AppURL, URLPath;
  std::string BuildDirectory = "c:\\build";
  std::string CredentialsFile, PrivateKeyFile;
  std::string OCXName = "QNDLINST";
  bool SignCode = false;
  std::string QndlVersion() const { return "5.20.00"; }
};

// What the uninstall registration and shortcut groups name the product by.
class TInstallInformation : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  void Assign(const TPersistent& Source) override;

  std::string CompanyName = "My Company";
  std::string ProductName = "My product";
  std::string Version = "1.0";
};

// The optional values of the product's uninstall key.
class TControlPanelExtensionInformation : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  void Assign(const TPersistent& Source) override;

  // Install files (references resolved by the loader); none by default.
  TComponent* DisplayIcon = nullptr;
  TComponent* ReadMe = nullptr;
  std::string HelpLink, HelpTelephone, URLInfoAbout, ProductID, URLUpdateInfo, Comments, Contact;
};

class TCustomInstall : public TFileContainer, public IInstallRoot, public IInstallRootSource {
public:
  using TNotifyEvent = TEvent<void(TComponent* Sender)>;
  using TVarBoolEvent = TEvent<void(TComponent* Sender, bool& Value)>;
  using TAfterInstallObjectsEvent = TEvent<void(TComponent* Sender, bool Aborted)>;
  using TBeforeRunFileEvent =
      TEvent<void(TComponent* Sender, TCustomInstallFile* File, bool& Run)>;

  // Raises when another install root exists or the owner is not a form.
  explicit TCustomInstall(TComponent* AOwner);
  ~TCustomInstall() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // ---- Overridden ----------------------------------------------------------------
  void Loaded() override;
  // The run.
  void Process() override;
  // The continuation after a reboot (a start with "-r").
  void CompleteAfterReboot() override;
  int RegisteredType() const override { return 1000; }
  // Clears every install file's CompressState and net-archive mark, then
  // compresses as a file container.
  void Compress(TCompressOptions Options) override;

  // ---- Operations, in their slot order --------------------------------------------
  virtual void RemoveInstallRecord();
  virtual void NotifyBadInstall();
  virtual void NotifyGoodInstall();
  virtual std::string FindInstallRecord(bool Create);
  virtual void InstallPhase(int RegisteredType, const std::string& StatusText);
  virtual void ParseCommandLine();
  virtual void RunFilesAfterInstall();
  virtual void SetAutoMaximizeWindow(bool Value);
  // Outside loading a net distribution needs the root's NetLocation.
  virtual void SetDistributeType(TDistributeType Value);
  // The root's location is the run's default one; none makes the
  // distribution traditional again.
  void SetNetLocation(TCustomNetInstallLocation* Value) override;
  virtual void SetHideMainForm(bool Value);
  virtual void SetUseLoadingProgram(bool Value);
  virtual void RegisterRunOnce();
  virtual void HandleRunException(TComponent* Sender, const std::exception& E);
  virtual void CleanupSetupFiles();
  virtual void ReadUnfinishedList(std::vector<std::string>& List);
  virtual bool ConfirmUserAbort();
  virtual void ClearUnfinishedList();
  virtual void AddUnfinished(const std::string& Name, int Kind);
  // The archive information of every install file (and the remote file list
  // of a net distribution); nothing when it was read already.
  void ReadInfoFromArchive() override;

  // ---- Build mode (engine/build_mode.cpp) -----------------------------------------
  // The "-b" start: the build directory is the first line of "BUILD.INF"
  // beside the running program.
  virtual void BuildFromBuildInf();
  virtual void BuildDistributables(const std::string& ProgramFile,
                                   const std::string& BuildDirectory, bool StandAlone);
  // Starts a new "setup.1" with ProgramFile, then adds the PresetupFiles.
  virtual void CreateSetupArchive(const std::string& BuildDirectory,
                                  const std::string& ProgramFile);
  // The "-f" start: the self-extracting file as a floppy set on Drive.
  virtual void TransferToFloppies(const std::string& Drive);
  // Where "QuendelLoadProgram.exe" is found: KitDirectory when set, else the
  // QUENDEL_KIT environment variable, else the registry value, else the
  // running program's directory; a directory counts only when it holds
  // "Q32V52.TXT". Raises the missing-kit error.
  std::string FindKitDirectory();
  // Set by a tool that found the kit itself (quendel build); not stored.
  std::string KitDirectory;

  // Non-virtual.
  bool Shutdown();
  void SaveLanguage();
  int ReadSavedLanguage();
  std::string MainArchivePath();
  // The main window's activation while hooked.
  void Activate();

  // ---- The install model's view of the root ---------------------------------------
  TInstallContainer& InstallRootContainer() override { return *this; }
  bool InstallRootRunning() const override { return FRunning; }
  bool InstallRootConfirmUserAbort() override { return ConfirmUserAbort(); }
  const TPicture* InstallRootDialogThemeBitmap() const override { return &FDialogThemeBitmap; }
  std::string InstallRootProductName() const override { return FInformation.ProductName; }
  std::string InstallRootSetupKey() const override { return FInstallRecordKey; }
  TDistributeType InstallRootDistributeType() const override { return FDistributeType; }
  void InstallRootRequestReboot() override { FReboot = true; }
  void InstallRootAddUnfinished(const std::string& Name, int Kind) override {
    AddUnfinished(Name, Kind);
  }
  // Where the specifiers find the distributables.
  std::string InstallSource() const override { return FInstallSource; }
  bool SelfExtracting() const override { return FCommandLine.Has('e'); }
  std::string SelfExtractName() const override { return FCommandLine.Param('e'); }

  // ---- Properties -----------------------------------------------------------------
  bool AutoMaximizeWindow() const { return FAutoMaximizeWindow; }
  bool HideMainForm() const { return FHideMainForm; }
  TBuildInfo& BuildInfo() { return FBuildInfo; }
  const TBuildInfo& BuildInfo() const { return FBuildInfo; }
  TInstallInformation& Information() { return FInformation; }
  const TInstallInformation& Information() const { return FInformation; }
  TControlPanelExtensionInformation& win2KExtendedInformation() { return FExtended; }
  const TControlPanelExtensionInformation& win2KExtendedInformation() const { return FExtended; }
  TPicture& DialogThemeBitmap() { return FDialogThemeBitmap; }
  const TPicture& DialogThemeBitmap() const { return FDialogThemeBitmap; }
  TStrings& PresetupFiles() { return FPresetupFiles; }
  const TStrings& PresetupFiles() const { return FPresetupFiles; }
  TDistributeType DistributeType() const { return FDistributeType; }
  bool NoUninstall() const { return FNoUninstall; }
  void SetNoUninstall(bool Value) { FNoUninstall = Value; }
  bool Reboot() const { return FReboot; }
  void SetReboot(bool Value) { FReboot = Value; }
  bool RunAutomatic() const { return FRunAutomatic; }
  void SetRunAutomatic(bool Value) { FRunAutomatic = Value; }
  bool UseLoadingProgram() const { return FUseLoadingProgram; }

  // ---- State ----------------------------------------------------------------------
  const TCommandLine& CommandLine() const { return FCommandLine; }
  const std::string& InstallRecordKey() const { return FInstallRecordKey; }
  TDateTime RunStartTime() const { return FRunStartTime; }
  bool Running() const { return FRunning; }
  bool Stopped() const { return FStopped; }
  bool Activated() const { return FActivated; }
  int UnfinishedCount() const { return FUnfinishedCount; }
  TComponent* MainForm() const { return FMainForm; }

  // ---- Events ---------------------------------------------------------------------
  TNotifyEvent OnAfterInitialized;
  TNotifyEvent OnBeforeReadArchiveInfo, OnAfterReadArchiveInfo;
  TAfterInstallObjectsEvent OnAfterInstallObjects;
  TNotifyEvent OnBeforeNotifyGoodInstall, OnAfterNotifyGoodInstall;
  TNotifyEvent OnBeforeNotifyBadInstall, OnAfterNotifyBadInstall;
  TVarBoolEvent OnBeforeReboot;
  TNotifyEvent OnFailedReboot;
  TVarBoolEvent OnBeforeCleanup;
  TVarBoolEvent OnBeforeShutdown;
  TBeforeRunFileEvent OnBeforeRunFile;
  TVarBoolEvent OnUserAbort;

  // Build-mode hooks (not stored with the definition).
  using TFloppyProgressEvent = TEvent<void(TComponent* Sender, const TlzhFileStats& Stats)>;
  TNotifyEvent OnBeforeCreateSetupArchive, OnAfterCreateSetupArchive;
  TNotifyEvent OnBeforeCopySetupProgram, OnAfterCopySetupProgram;
  TNotifyEvent OnAfterCopyStep, OnAfterBuildCompress;
  TNotifyEvent OnBeforeSelfExtract, OnAfterSelfExtract;
  TFloppyProgressEvent OnFloppyProgress;

  // The destinations a run chose (DestDirType and DestDir of every container
  // whose values differ from the definition's) and the install type, kept in
  // the install record before a reboot and put back by the continuation.
  void SaveChosenDestinations();
  void RestoreChosenDestinations();

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Restarts Windows; false when it cannot.
  virtual bool RebootWindows();

private:
  void EndApplication();
  void SetExitCode(int Code);
  void Log(std::string_view Kind, std::string_view Text);
  void Log(std::string_view Kind, const char* Pattern, TFormatArgs Args);
  void ApplyRecordedLocalFile();
  void ReadSelfExtractInfo();
  void ReadRemoteFileList();
  void InstallTree();
  // A cancel the user confirmed (the user-abort flag) ends the run here.
  void CheckUserAbort();
  // Build mode's own steps.
  void CopyLoadingProgram(const std::string& ProgramFile, const std::string& BuildDirectory,
                          const std::string& SetupFile);
  void WriteFileList(const std::string& Folder);
  // Ends a build or transfer: the message in a box (and in the log), the
  // exit code, the end of the application.
  void EndBuild(const std::exception* Failure);
  // Runs a replacement batch file left for the restart and waits for it.
  void RunPendingBatch(const std::string& Batch);

  bool FAutoMaximizeWindow = true;
  bool FHideMainForm = false;
  TBuildInfo FBuildInfo;
  TInstallInformation FInformation;
  TControlPanelExtensionInformation FExtended;
  TPicture FDialogThemeBitmap;
  TStrings FPresetupFiles;
  TDistributeType FDistributeType = dtTraditional;
  bool FNoUninstall = false;
  bool FReboot = false;
  bool FRunAutomatic = true;
  bool FUseLoadingProgram = true;

  TCommandLine FCommandLine;
  std::string FInstallSource;
  std::string FInstallRecordKey;
  TDateTime FRunStartTime = 0;
  TComponent* FMainForm = nullptr;
  TEvent<void()> FSavedOnActivate;
  bool FHooked = false;
  bool FActivated = false;
  bool FRunning = false;
  bool FStopped = false;
  int FUnfinishedCount = 0;
  bool FBatchPending = false;
  std::string FBatchFile;
  // The definition's destinations, to tell which ones the run changed.
  std::vector<std::pair<std::string, std::string>> FDefinitionDestinations;
};

// Publishes the properties and events.
class TInstall : public TCustomInstall {
public:
  using TCustomInstall::TCustomInstall;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// The install root of the current model context, or nullptr.
TCustomInstall* CurrentInstall();

void RegisterEngineClasses();

} // namespace quendel
