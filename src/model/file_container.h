// File-related objects and file containers. A file-related object knows where
// its files go (DestDir/DestDirType, Part of every install object), which
// archive holds them (ArchiveFile/ArchiveFileType) and, for a net
// distribution, where that archive is downloaded from. A file container (the
// install root, groups, directories) holds install files and sub-containers,
// runs the install, copy and compress passes over them with progress totals,
// and answers the upward notifications of its files. Each container owns one
// TpsFileContainer through which other objects (shortcuts) name its folder.
#pragma once

#include "archive/compress.h"
#include "core/event.h"
#include "model/install_container.h"
#include "model/net_location.h"
#include "model/status_params.h"

#include <cstdint>
#include <string>

namespace quendel {

class TCustomInstallFile;
class TFileRelated;
class TFileContainer;
class TpsFileContainer;

QUENDEL_EXCEPTION(IEFileRelated, IException);
QUENDEL_EXCEPTION(IEFileRel_NoNetLocation, IEFileRelated);
QUENDEL_EXCEPTION(IEFileContainer, IException);

extern const TEnumInfo LzhCommandInfo;

// Options of Compress, as bits.
using TCompressOptions = unsigned;
inline constexpr TCompressOptions coArchiveInBuildDir = 2;
inline constexpr TCompressOptions coBuild = 4;
inline constexpr TCompressOptions coForceNetFilesLocal = 8;
inline constexpr TCompressOptions coForceFilesNet = 16;
inline constexpr TCompressOptions coIncludeAll = 32;

// What a file container is doing (its Mode); notifications from below are
// acted on only while it is not idle.
inline constexpr std::uint8_t cmIdle = 0;
inline constexpr std::uint8_t cmCompress = 1;
inline constexpr std::uint8_t cmInstall = 2;
inline constexpr std::uint8_t cmCopy = 3;
inline constexpr std::uint8_t cmReflect = 4;

// The sub-key of the install record under which an object's downloaded
// archive is recorded, as "LocalFile".
inline constexpr const char* LocalFileValue = "LocalFile";

// What a file container asks of the install files among its children. The
// install file class implements it beside TFileRelated; the container finds
// its files through it.
class IContainedFile {
public:
  // The file as the events name it.
  virtual TCustomInstallFile* InstallFile() = 0;
  virtual TFileRelated& FileRelated() = 0;
  // The file's size: stored in the archive, or read from the source.
  virtual std::int64_t FileSize() const = 0;
  virtual std::int64_t FileCompressedSize() const = 0;
  virtual std::string FileFileName() const = 0;
  // Where the build reads the file from: IncludeFromDir + "\" + FileName.
  virtual std::string SourcePath() const = 0;
  // Whether a net build gives the file its own archive (an overwrite mode
  // that compares versions or dates).
  virtual bool KeepsOwnArchive() const = 0;
  // Marks the file for this build as having a net archive (Own: its own).
  virtual void SetNetArchive(bool Own) = 0;
  // The file's own build, copy and information operations.
  virtual void CompressFile() = 0;
  virtual void CopyFile() = 0;
  virtual void ReadFileInfoFromArchive() = 0;
  virtual void ReadFileInfoFromSource() = 0;

protected:
  ~IContainedFile() = default;
};

class TFileRelated : public TInstallObject {
public:
  using TDataReceivedEvent =
      TEvent<void(TComponent* Sender, const std::string& FileName, int Bytes,
                         int TotalBytes, int FileSize, const char* Buffer)>;

  explicit TFileRelated(TComponent* AOwner);
  ~TFileRelated() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // ---- Overridable operations ---------------------------------------------------

  // Download progress of this object's archive: fires OnDataReceived,
  // broadcasts -988 and tells the container (1014).
  virtual void DataReceived(const std::string& FileName, int Bytes, int TotalBytes, int FileSize,
                            const char* Buffer);
  // Makes LocalArchive a local copy of this object's archive, downloading it
  // through the net location unless an earlier run recorded one.
  virtual void DownloadArchive();
  virtual bool ArchiveAvailable();
  // Records Path as this object's local archive in the install record.
  virtual void StoreLocalFile(const std::string& Path);
  // Outside loading the text is dropped while ArchiveFileType names the
  // container's or the main archive.
  virtual void SetArchiveFile(const std::string& Value);
  // Outside loading the specifier validates this object first.
  virtual void SetArchiveFileType(TCustomPathSpecifier* Value);
  virtual void SetNet(bool Value);
  virtual void SetNetLocation(TCustomNetInstallLocation* Value);
  // ArchiveFileType's path followed directly by ArchiveFile, one trailing
  // "\" removed.
  virtual std::string GetFullArchiveFile();

  // Under a file-related container (or a group) the archive becomes the
  // container's; elsewhere the container's archive specifier is dropped.
  void SetContainer(TInstallContainer* Value) override;
  void ApplyDesignDefaults() override;

  // ---- Local archives and net locations -----------------------------------------

  // The "LocalFile" recorded for this object in the install record, when it
  // names an existing file that is a sound copy (its archive directory reads
  // and every member lies inside the file; the location accepts it). A
  // damaged copy is deleted together with its record, so that it is
  // downloaded again instead of failing the install.
  bool ReadLocalFile(std::string& Path);
  // The object's own location; else, for an install file, its container's;
  // else the install root's.
  TCustomNetInstallLocation* FindNetLocation();
  // The folder of the build directory that holds this object's net
  // archives: host\directory (or host\protocol), made valid as a name.
  std::string NetFolder();

  // ---- Properties -----------------------------------------------------------

  const std::string& LocalArchive() const { return FLocalArchive; }
  void SetLocalArchive(const std::string& Value) { FLocalArchive = Value; }
  TlzhCommand AddToArchive() const { return FAddToArchive; }
  void SetAddToArchive(TlzhCommand Value) { FAddToArchive = Value; }
  bool InfoRead() const { return FInfoRead; }
  void SetInfoRead(bool Value) { FInfoRead = Value; }
  const std::string& ArchiveFile() const { return FArchiveFile; }
  TCustomPathSpecifier* ArchiveFileType() const { return FArchiveFileType; }
  bool Net() const { return FNet; }
  TCustomNetInstallLocation* NetLocation() const { return FNetLocation; }

  TDataReceivedEvent OnDataReceived;

  void Loaded() override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Sets both archive properties as a build's per-child choice does: without
  // the writers' validation and clearing.
  void AssignArchive(TlzhCommand Add, const std::string& File, TCustomPathSpecifier* Type);
  friend class TFileContainer;

private:
  bool FArchiveFileTypeAssigned = false;
  bool FArchiveFileTypeDefaulted = false;
  bool LocalCopySound(const std::string& Path);
  void ForgetLocalCopy(const std::string& Key, const std::string& Path);

  std::string FLocalArchive;
  std::string FSoundLocalCopy; // the recorded copy already found sound
  TlzhCommand FAddToArchive = lzcOverwrite;
  bool FInfoRead = false;
  std::string FArchiveFile;
  TCustomPathSpecifier* FArchiveFileType = nullptr;
  bool FNet = true;
  TCustomNetInstallLocation* FNetLocation = nullptr;
};

class TFileContainer : public TFileRelated, public IQndlReflectable {
public:
  using TInstallFileStatusEvent = TEvent<void(
      TCustomInstallFile* InstallFile, int FilePercentDone, int TotalPercentDone)>;
  using TInstallFileNewDiskEvent =
      TEvent<void(TCustomInstallFile* InstallFile, int NewDisk, std::string& Path)>;
  using TInstallFileNotifyEvent = TEvent<void(TCustomInstallFile* InstallFile)>;
  using TAfterInstallObjectsEvent =
      TEvent<void(TInstallContainer* Container, bool WasAborted)>;

  // Creates the container's own TpsFileContainer unless AHasOwnSpecifier is
  // off (the install root passes false).
  explicit TFileContainer(TComponent* AOwner, bool AHasOwnSpecifier = true);
  // Frees the install files and the own specifier.
  ~TFileContainer() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // ---- Overridable operations ---------------------------------------------------

  // The install root has none.
  virtual bool HasOwnSpecifier() const { return FHasOwnSpecifier; }
  // OnNewDisk may change the directory; the file then does not ask itself.
  virtual void DoNewDisk(IContainedFile& File, TDiskParameter& Disk);
  virtual void DoReplacing(IContainedFile& File);
  virtual void DoStatus(IContainedFile& File, TFileStatusParameter& Status);
  // Sizes of the selected install files (all of them with All), and with
  // Recursive of the selected (all) sub-containers.
  virtual std::int64_t SumSizes(bool All, bool Recursive);
  // 1 Compress without options, 2 Process, 3 CopyFiles, 4 Reflect.
  virtual void Execute(std::uint8_t AMode);
  virtual void CopyFiles();
  virtual void FreeFiles();
  virtual void Compress(TCompressOptions Options);
  virtual std::int64_t CompressedSize(bool All);
  // Raises IEFileContainer when no download was recorded.
  virtual std::string GetDownloadedArchivePath();
  virtual std::int64_t FilesSize(bool All) { return SumSizes(All, false); }
  virtual std::int64_t SubtreeSize(bool All) { return SumSizes(All, true); }
  virtual void ReadInfoFromArchive();
  virtual void ReadFileInfo();
  // Whether a net distribution needs this container's own archive.
  virtual bool NeedsContainerArchive();

  // The install pass.
  void DoInstall() override;
  // Acts on the notifications of codes 1001 to 1016 while a pass runs and
  // passes them up.
  void DoInformationEventControl(TComponent* Sender, int Code, TEventParameter* Param) override;
  int RegisteredType() const override { return ikFileContainer; }

  // Hands every child to the external reflector (Execute mode 4).
  void Reflect() override;

  // ---- Children ----------------------------------------------------------------

  // The install files among the children, in child order.
  std::vector<IContainedFile*> Files() const;
  // The file-container children, in child order.
  std::vector<TFileContainer*> SubContainers() const;

  // ---- Properties and state -------------------------------------------------------

  std::int64_t TotalSize() const { return FTotalSize; }
  std::int64_t DoneSize() const { return FDoneSize; }
  std::uint8_t Mode() const { return FMode; }
  const std::string& Description() const { return FDescription; }
  void SetDescription(const std::string& Value) { FDescription = Value; }
  bool FireAfterInstallObjects() const { return FFireAfterInstallObjects; }
  TpsFileContainer* OwnSpecifier() const { return FOwnSpecifier; }

  TInstallFileStatusEvent OnStatus;
  TInstallFileNewDiskEvent OnNewDisk;
  TInstallFileNotifyEvent OnReplacing;
  TAfterInstallObjectsEvent OnAfterInstallObjects;
  TInstallContainerNotifyEvent OnBeforeInstallObjects;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetFireAfterInstallObjects(bool Value) { FFireAfterInstallObjects = Value; }
  void SetMode(std::uint8_t Value) { FMode = Value; }
  void SetTotalSize(std::int64_t Value) { FTotalSize = Value; }
  void SetDoneSize(std::int64_t Value) { FDoneSize = Value; }
  friend class TpsFileContainer;

private:
  class TOperationScope;
  void StatusUpdate(TParameterList& List);
  void SyntheticStatus(IContainedFile& File);
  void PassUp(int Code, TEventParameter* Param);

  std::int64_t FTotalSize = 0;
  std::int64_t FDoneSize = 0;
  std::string FDescription;
  std::uint8_t FMode = cmIdle;
  bool FFireAfterInstallObjects = true;
  TpsFileContainer* FOwnSpecifier = nullptr;
  bool FHasOwnSpecifier = true;
};

// The path specifier of one file container: resolves to that container's
// destination for objects that are not themselves containers or files.
class TpsFileContainer : public TCustomPathSpecifier {
public:
  explicit TpsFileContainer(TComponent* AOwner);
  ~TpsFileContainer() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  std::string DefaultName() const override { return "psFileContainer"; }
  void Validate(TComponent* Obj) override;
  std::string GetPath(TComponent* Obj) override;
  std::string GetDescription() override;
  std::string GetCaption() override;

  TFileContainer* FileContainer() const { return FFileContainer; }
  void SetFileContainer(TFileContainer* Value);

  // A stored specifier replaces the one its container made when it was created.
  void Loaded() override;
  // A name another component already has is taken from it: that one becomes
  // "nameClash" followed by a counter.
  void SetName(const std::string& NewName) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TFileContainer* FFileContainer = nullptr;
};

// Published properties of the file-related objects, for the concrete classes'
// tables (see TInstallProps).
template <class T> struct TFileRelatedProps {
  static constexpr void AddToArchive(TClassBuilder<T>& B) {
    B.template Enum<&T::AddToArchive, &T::SetAddToArchive>("AddToArchive", LzhCommandInfo,
                                                           static_cast<int>(lzcOverwrite));
  }
  static constexpr void ArchiveFile(TClassBuilder<T>& B) {
    B.template Str<&T::ArchiveFile, &T::SetArchiveFile>("ArchiveFile");
  }
  static constexpr void ArchiveFileType(TClassBuilder<T>& B) {
    B.template Ref<&T::ArchiveFileType, &T::SetArchiveFileType>("ArchiveFileType");
  }
  static constexpr void Net(TClassBuilder<T>& B, bool Default) {
    B.template Bool<&T::Net, &T::SetNet>("Net", Default);
  }
  static constexpr void NetLocation(TClassBuilder<T>& B) {
    B.template Ref<&T::NetLocation, &T::SetNetLocation>("NetLocation");
  }
  static constexpr void OnDataReceived(TClassBuilder<T>& B) {
    B.template Event<&T::OnDataReceived>("OnDataReceived");
  }
};

} // namespace quendel
