// One file of an install definition: where its source lies on the author's
// machine, where it goes on the user's, how an existing file there is
// treated and what is registered after it is written. In install mode it
// decides whether to write, extracts itself from its archive (never losing
// the user's old file) and registers itself; in build mode it adds itself to
// its archive or copies itself plain. Progress goes up to its container.
#pragma once

#include "model/file_container.h"
#include "model/install_file_rules.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quendel {

// A second file with the same source in one container.
QUENDEL_EXCEPTION(IEfcDuplicateFile, IEFileContainer);

enum TInstallFileState { ifsNone, ifsCompress, ifsInstall, ifsCopying, ifsReflect };

extern const TEnumInfo InstallFileStateInfo;
extern const TEnumInfo InstallFileTypeInfo;
extern const TEnumInfo QndlFileAttributesInfo;

class TCustomInstallFile : public TFileRelated, public IContainedFile {
public:
  using TInstallFileNotifyEvent = TFileContainer::TInstallFileNotifyEvent;
  using TInstallFileStatusEvent = TFileContainer::TInstallFileStatusEvent;
  using TInstallFileNewDiskEvent = TFileContainer::TInstallFileNewDiskEvent;

  // Joins AllInstallFiles and takes the lowest free unique identifier.
  explicit TCustomInstallFile(TComponent* AOwner);
  // The source is SourcePath: IncludeFromDir its directory, FileName its name.
  TCustomInstallFile(TComponent* AOwner, const std::string& SourcePath);
  TCustomInstallFile(TComponent* AOwner, TInstallContainer* AContainer,
                     const std::string& SourcePath);
  ~TCustomInstallFile() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // ---- Overridable operations -------------------------------------------------------

  // The compressor calls it when the user cancels: raises EAIUserAbort.
  virtual void Aborted();
  // The three ways of registering the written file: DllRegisterServer of a
  // library, a type library, a server program run with "/REGSERVER". Each
  // checks that the target exists and runs with its directory current;
  // failures raise IECustomInstallFile. A descendant may register its kind
  // of file its own way.
  virtual void RegisterServerDll();
  virtual void RegisterTypeLib();
  virtual void RegisterServerExe();
  // Tells everyone that the target is about to be written over.
  virtual void PrepareReplace();
  virtual void SetActiveX(bool Value);
  virtual void SetDestName(const std::string& Value);
  virtual void SetFileName(const std::string& Value);
  virtual void SetFileType(TInstallFileType Value);
  virtual void SetIncludeFromDir(const std::string& Value);
  // 1 Compress, 2 Process, 3 Copy; the state is none afterwards.
  virtual void SetState(TInstallFileState Value);
  virtual void Compress();
  virtual void Copy();
  virtual void ReadInfoFromArchive();
  virtual void ReadFileInfo();
  virtual bool HasOLESelfRegister();
  virtual void IncrementSharedDLLCount();

  // Registers the written file by the extension of FileName (".EXE" a
  // server program, ".TLB" a type library, anything else a library) through
  // the slots above.
  void SelfRegister();

  void DoInstall() override;
  std::string GetFullArchiveFile() override;
  void WriteUninstallEntries(const std::string& KeyPath) override;
  void CompleteAfterReboot() override;
  void SetContainer(TInstallContainer* Value) override;
  void SetDestDir(const std::string& Value) override;
  void SetDestDirType(TCustomPathSpecifier* Value) override;
  int RegisteredType() const override { return ikInstallFile; }

  void DefineProperties(std::vector<TExtraProperty>& Props) override;
  void Loaded() override;

  // ---- What the file container asks ----------------------------------------------------

  TCustomInstallFile* InstallFile() override { return this; }
  TFileRelated& FileRelated() override { return *this; }
  std::int64_t FileSize() const override { return FSize; }
  std::int64_t FileCompressedSize() const override { return FCompressedSize; }
  std::string FileFileName() const override { return FFileName; }
  std::string SourcePath() const override;
  bool KeepsOwnArchive() const override;
  void SetNetArchive(bool Own) override;
  void CompressFile() override { Compress(); }
  void CopyFile() override { Copy(); }
  void ReadFileInfoFromArchive() override { ReadInfoFromArchive(); }
  void ReadFileInfoFromSource() override { ReadFileInfo(); }

  // ---- Derived names -------------------------------------------------------------------

  std::string Target();

  // ---- Properties and state ------------------------------------------------------------

  bool ExistedBefore() const { return FExistedBefore; }
  bool ReplaceAtReboot() const { return FReplaceAtReboot; }
  bool WillCopy() const { return FWillCopy; }
  TQndlFileAttributesSet InstallAttributes() const { return FInstallAttributes; }
  void SetInstallAttributes(TQndlFileAttributesSet Value) { FInstallAttributes = Value; }
  bool ActiveX() const { return FActiveX; }
  std::int64_t CompressedSize() const { return FCompressedSize; }
  std::uint8_t CompressState() const { return FCompressState; }
  void SetCompressState(std::uint8_t Value) { FCompressState = Value; }
  bool HasNetArchive() const { return FHasNetArchive; }
  // A new build forgets where the last one put the file.
  void ClearNetArchive() { FHasNetArchive = false; }
  // What the remote file list of a net distribution says of this file,
  // before its archive is downloaded.
  void TakeListedInfo(std::int64_t Size, TDateTime Date, const std::string& Version) {
    FSize = Size;
    FFileDate = Date;
    FVersion = Version;
  }
  const std::string& UsedArchive() const { return FUsedArchive; }
  TDateTime FileDate() const { return FFileDate; }
  const std::string& DestName() const { return FDestName; }
  const std::string& FileName() const { return FFileName; }
  TInstallFileType FileType() const { return FFileType; }
  const std::string& IncludeFromDir() const { return FIncludeFromDir; }
  TOverwriteType OverwriteMode() const { return FOverwriteMode; }
  void SetOverwriteMode(TOverwriteType Value) { FOverwriteMode = Value; }
  bool RegisterAsHelp() const { return FRegisterAsHelp; }
  void SetRegisterAsHelp(bool Value) { FRegisterAsHelp = Value; }
  bool RunAfterInstall() const { return FRunAfterInstall; }
  void SetRunAfterInstall(bool Value) { FRunAfterInstall = Value; }
  // The command line the install root gives the file when it starts it.
  const std::string& RunParameters() const { return FRunParameters; }
  void SetRunParameters(const std::string& Value) { FRunParameters = Value; }
  std::int64_t Size() const { return FSize; }
  TInstallFileState State() const { return FState; }
  int UniqueID() const { return FUniqueID; }
  bool UpdateDLLCounter() const { return FUpdateDLLCounter; }
  void SetUpdateDLLCounter(bool Value) { FUpdateDLLCounter = Value; }
  const std::string& Version() const { return FVersion; }

  TInstallFileNotifyEvent OnAfterCompress, OnAfterCopy, OnAfterInstall, OnBeforeCompress,
      OnBeforeCopy, OnBeforeInstall, OnReplacing;
  TInstallFileStatusEvent OnStatus;
  TInstallFileNewDiskEvent OnNewDisk;

protected:
  void SetStateValue(TInstallFileState Value) { FState = Value; }
  // Registration after the file was written or left alone: help, shared
  // count, and self-registration (deferred during a run when it fails).
  void AfterInstallRegistration();
  void ExtractFile(TQndlCompress& Compressor);
  void StatusHandler(const TlzhFileStats& Stats);
  void NewDiskHandler(TQndlCompress& Compressor, int DiskNumber, std::string& Path);

private:
  void Init();
  void Leave();
  // Refuses to add this file to Archive when a different file compressed
  // into it would be stored under the same name.
  void RefuseStoredNameTwin(const std::string& Archive);
  void SetSource(const std::string& SourcePath);
  // While this file installs, the directory it goes to, found once: every
  // step (placing, logging, registering) names the same place, and the
  // destination's folders are not looked up again for each of them.
  std::string Dir() { return FInstallingDir.empty() ? GetFullDestDir() : FInstallingDir; }
  bool NetDistribution();
  TDistributeType Distribution();
  TInstallFileSettings CurrentSettings() const;
  // Runs the settings derivation with Next, outside loading.
  void Derive(const TInstallFileSettings& Next, TInstallContainer* NewContainer,
              bool ContainerChanged);
  // A setter's two ways: store while loading, derive the settings otherwise.
  template <class V>
  void StoreOrDerive(V TCustomInstallFile::*Field, V TInstallFileSettings::*Setting,
                     const V& Value) {
    if (IsLoading()) {
      this->*Field = Value;
      return;
    }
    TInstallFileSettings N = CurrentSettings();
    N.*Setting = Value;
    Derive(N, Container(), false);
  }
  void Notify(int Code);

  std::string FInstallingDir;
  bool FExistedBefore = false;
  bool FReplaceAtReboot = false;
  bool FWillCopy = false;
  TQndlFileAttributesSet FInstallAttributes;
  bool FActiveX = false;
  std::int64_t FCompressedSize = 0;
  std::uint8_t FCompressState = 0;
  bool FHasNetArchive = false;
  std::string FUsedArchive;
  TDateTime FFileDate = 0;
  std::string FDestName;
  std::string FFileName;
  TInstallFileType FFileType = iftNormal;
  std::string FIncludeFromDir;
  TOverwriteType FOverwriteMode = owAlways;
  bool FRegisterAsHelp = false;
  bool FRunAfterInstall = false;
  std::string FRunParameters;
  std::int64_t FSize = 0;
  TInstallFileState FState = ifsNone;
  int FUniqueID = 0;
  bool FUpdateDLLCounter = false;
  std::string FVersion;
  TQndlCompress* FCompressor = nullptr;
};

class TInstallFile : public TCustomInstallFile, public IQndlReflectable {
public:
  using TCustomInstallFile::TCustomInstallFile;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Hands the file to the process-wide reflector; nothing without one.
  void Reflect() override;
};

// The published table of an install-file class, in the order the writer
// stores it. A file of the definition publishes every property; the
// uninstaller publishes the part it shares, Order instead of OS, and travels
// over the net unless told otherwise.
enum class TInstallFileTable { File, Uninstaller };

template <TInstallFileTable Table, class T> constexpr void PublishInstallFile(TClassBuilder<T>& B) {
  constexpr bool Whole = Table == TInstallFileTable::File;
  using P = TInstallProps<T>;
  using F = TFileRelatedProps<T>;
  if constexpr (Whole) B.template Bool<&T::ActiveX, &T::SetActiveX>("ActiveX", false);
  F::AddToArchive(B);
  F::ArchiveFile(B);
  F::ArchiveFileType(B);
  P::Container(B);
  P::DestDir(B);
  P::DestDirType(B);
  B.template Str<&T::DestName, &T::SetDestName>("DestName");
  B.template Str<&T::FileName, &T::SetFileName>("FileName");
  B.template Enum<&T::FileType, &T::SetFileType>("FileType", InstallFileTypeInfo, iftNormal);
  B.template Str<&T::IncludeFromDir, &T::SetIncludeFromDir>("IncludeFromDir");
  P::Include(B);
  if constexpr (Whole)
    B.template Set<&T::InstallAttributes, &T::SetInstallAttributes>("InstallAttributes",
                                                                    QndlFileAttributesInfo);
  P::InstallTypes(B);
  F::Net(B, !Whole);
  F::NetLocation(B);
  if constexpr (Whole)
    P::OS(B);
  else
    P::Order(B);
  B.template Enum<&T::OverwriteMode, &T::SetOverwriteMode>("OverwriteMode", OverwriteTypeNames,
                                                           owAlways);
  if constexpr (Whole) {
    B.template Bool<&T::RegisterAsHelp, &T::SetRegisterAsHelp>("RegisterAsHelp", false);
    B.template Bool<&T::RunAfterInstall, &T::SetRunAfterInstall>("RunAfterInstall", false);
    B.template Str<&T::RunParameters, &T::SetRunParameters>("RunParameters");
    P::Uninstall(B);
  }
  B.template Bool<&T::UpdateDLLCounter, &T::SetUpdateDLLCounter>("UpdateDLLCounter", false);
  B.template Event<&T::OnAfterCompress>("OnAfterCompress");
  B.template Event<&T::OnAfterCopy>("OnAfterCopy");
  B.template Event<&T::OnAfterInstall>("OnAfterInstall");
  if constexpr (Whole) P::OnAfterProcess(B);
  B.template Event<&T::OnBeforeCompress>("OnBeforeCompress");
  B.template Event<&T::OnBeforeCopy>("OnBeforeCopy");
  B.template Event<&T::OnBeforeInstall>("OnBeforeInstall");
  if constexpr (Whole) {
    P::OnBeforeProcess(B);
    F::OnDataReceived(B);
  }
  B.template Event<&T::OnNewDisk>("OnNewDisk");
  B.template Event<&T::OnReplacing>("OnReplacing");
  B.template Event<&T::OnStatus>("OnStatus");
}

// Retries the self-registrations that failed during the run, this time
// letting the first failure through; the list is empty afterwards.
void RetryDeferredRegistrations(TModelContext& Context);

} // namespace quendel
