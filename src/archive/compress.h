// The compressor: adds files to archives, extracts members under an
// overwrite policy, lists them, splits an archive into a volume set for
// removable disks and copies plain files under the same policy.
//
// Every long loop calls ProcessMessages after each block and checks Abort,
// so a Cancel button can stop it; an operation stopped that way fires
// OnAborted and returns normally.
#pragma once

#include "archive/errors.h"
#include "archive/file_header.h"
#include "archive/overwrite.h"
#include "core/component.h"
#include "core/event.h"
#include "core/persistent.h"
#include "core/reflection.h"
#include "platform/files.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace quendel {

class TPlatformFileStream;
class TInflateAhead;

enum TlzhCommand { lzcOverwrite, lzcOnlyAdd };
enum TCompressionLevel { colNone, colFastest, colDefault, colMax };
extern const TEnumInfo CompressionLevelNames; // what CompressionLevelInfo returns
const TEnumInfo& CompressionLevelInfo();
// The zlib level of each value: 0, 1, -1 (zlib's default) and 9.
int ZlibLevel(TCompressionLevel Level);

class TQndlCompress;
using TNotifyEvent = TEvent<void(TComponent* Sender)>;
using TlzhFileStatsEvent =
    TEvent<void(TQndlCompress& QndlCompress, const TlzhFileStats& FileStats)>;
// Path comes in as the directory where volume DiskNumber was expected and
// goes out as the directory in which to look for (or create) it.
using TlzhNewDiskEvent =
    TEvent<void(TQndlCompress& QndlCompress, int DiskNumber, std::string& Path)>;

enum class TCompressOperation { None, Adding, Extracting };

// Files of 2 GiB and more do not fit the format's 32-bit sizes and positions.
constexpr std::int64_t MaxArchiveBytes = 0x7FFFFFFF;

class TQndlCompress : public TComponent {
public:
  // Files: the file system every archive and file is opened through.
  explicit TQndlCompress(TComponent* AOwner, platform::IFileSystem* Files = nullptr);
  ~TQndlCompress() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // ---- Properties -------------------------------------------------------------
  bool Abort() const { return FAbort; }
  void SetAbort(bool Value) { FAbort = Value; }
  const std::string& CompressedFile() const { return FCompressedFile; }
  // Moving between the volumes of one set keeps the loaded directory;
  // another archive drops it.
  void SetCompressedFile(const std::string& Value);
  TCompressionLevel CompressionLevel() const { return FCompressionLevel; }
  void SetCompressionLevel(TCompressionLevel Value) { FCompressionLevel = Value; }
  const std::string& ExtractDirectory() const { return FExtractDirectory; }
  void SetExtractDirectory(const std::string& Value) { FExtractDirectory = Value; }
  TStrings& FilesToProcess() { return FFilesToProcess; }
  const TStrings& FilesToProcess() const { return FFilesToProcess; }
  // Copies Value without its blank entries.
  void SetFilesToProcess(const TStrings& Value);
  std::int32_t Offset() const { return FOffset; }
  void SetOffset(std::int32_t Value) { FOffset = Value; }
  TOverwriteType Overwrite() const { return FOverwrite; }
  void SetOverwrite(TOverwriteType Value) { FOverwrite = Value; }

  TNotifyEvent OnAborted;
  TlzhFileStatsEvent OnBeforeAdding, OnAfterAdding, OnBeforeExtracting, OnAfterExtracting,
      OnReplace, OnListing, OnStatus;
  TNotifyEvent OnFullDisk;
  TlzhNewDiskEvent OnNewDisk;

  // The file name the next extracted member is written under (its file-name
  // part only); empty: the member's own. Cleared after every member.
  std::string DestFileName;

  // ---- Operations ---------------------------------------------------------------
  // Compresses every file of FilesToProcess into CompressedFile; each new
  // member carries UniqueID.
  void Add(TlzhCommand Command, std::int32_t UniqueID);
  // Extracts every member named in FilesToProcess into ExtractDirectory.
  void Extract();
  // Fires OnListing once per member.
  void List();
  int Count();
  // Raises for an index outside 0..Count - 1.
  void GetFileStats(int Index, TlzhFileStats& Stats);
  // The member carrying UniqueID; -1 when none does or it is outside 0..1999.
  int IndexOfUniqueID(std::int32_t UniqueID);
  // Writes CompressedFile as a volume set whose first volume is
  // DestDirectory\FileName (a name ending in ".1").
  void SplitToVolumes(const std::string& DestDirectory, const std::string& FileName);
  // Copies Source to Dest under Overwrite, keeping its date.
  void CopyPlainFile(const std::string& Source, const std::string& Dest);
  // A write to an extracted or copied file fell short.
  virtual void DiskFull();

  // ---- State ---------------------------------------------------------------------
  TCompressOperation Operation() const { return FOperation; }
  const TFileHeaders& Directory() const { return FHeaders; }
  bool DirectoryLoaded() const { return FLoaded; }
  const TlzhFileStats& Stats() const { return FStats; }
  platform::IFileSystem& Files() const;
  // Closes the archive an extraction keeps open for the next member (see
  // FKeptArchive); every other operation closes it too.
  void CloseArchive() noexcept;
  void SetFileSystem(platform::IFileSystem* Files) { FFiles = Files; }

  // Lets the user interface handle pending input; called after every block.
  TEvent<void()> ProcessMessages;
  // The build's own cancel flag, checked while copying plain files.
  TEvent<bool()> BuildAborted;
  // On: each extracted file is created with delete access and left open
  // after it is complete and dated, for TakeExtractedFile (the caller can
  // then rename it without opening it again). The next Extract closes one
  // nobody took.
  bool KeepExtractedFile = false;
  std::unique_ptr<platform::IFile> TakeExtractedFile() { return std::move(FExtracted); }
  // Set: each extracted file is created as new under FreshName(1), or, when
  // that name is taken (by a file or a directory), FreshName(2) and so on,
  // whatever the overwrite rule; nothing that exists is replaced. Creating
  // the file is the lookup: a separate one would cost some systems (Wine) a
  // scan of the whole directory for a name that is not there.
  // CreatedFileName() is the name the last extraction created (empty while
  // none was), until the next Extract.
  TEvent<std::string(int Attempt)> FreshName;
  const std::string& CreatedFileName() const { return FCreatedName; }
  // Off: every member is inflated inline, on the calling thread. On (the
  // default): while members of one archive file are extracted in directory
  // order, a worker inflates the next ones ahead; the bytes, events and
  // errors are the same either way.
  bool ReadAhead = true;
  // How many times the worker was given members to inflate ahead.
  int AheadPlans() const;
  // The capacity of each volume SplitToVolumes writes (a removable disk);
  // 0: as much as the disk takes.
  std::int64_t VolumeCapacity = 0;

private:
  struct TOpenFiles;

  void LoadDirectory();
  bool KeptDirectoryFits(TStream& Archive);
  void EnsureDirectory();
  void ResetIdTable();
  void Pump();
  void CheckAbort();
  void FireStatus() const;
  // Opens volume K of the current set in Path (updated), asking for the disk
  // when it is missing.
  std::unique_ptr<TPlatformFileStream> OpenVolume(int K, std::string& Path, bool Write);
  // SourcePath: the path Source was opened by (the members compressed ahead
  // are found by it).
  void AddMember(TFileHeader& Header, int Index, std::int32_t UniqueID,
                 const std::string& SourcePath, TStream& Source, TStream& Archive);
  void ExtractMember(int Index, TOpenFiles& Open);
  void InflateMember(const TFileHeader& Header, TOpenFiles& Open);
  // Has the member at Index inflated ahead from the archive of its volume
  // (planning the members after it too); false when it spans volumes or is
  // the last of its file, which are inflated inline.
  bool BeginAhead(int Index);
  // Writes the blocks the worker inflated for the member begun.
  void WriteAhead(const TFileHeader& Header, TOpenFiles& Open);
  // Writes one output block of a member to its target, with its progress.
  void WriteBlock(const TFileHeaderRecord& Rec, const std::uint8_t* Data, std::size_t Count,
                  std::int64_t& Produced, TOpenFiles& Open);
  void CopyChunks(TFileHeader& Header, TOpenFiles& Open, const std::string& FileName,
                  std::string& DestDirectory);
  // Runs Body under the failure rules shared by Add, Extract and SplitToVolumes.
  void Guarded(TFunctionRef<void()> Body, TFunctionRef<void()> Cleanup,
               bool PassSilentAbort);

  platform::IFileSystem* FFiles;
  bool FAbort = false;
  std::string FCompressedFile;
  TCompressionLevel FCompressionLevel = colMax;
  std::string FExtractDirectory;
  TStrings FFilesToProcess;
  std::int32_t FOffset = 0;
  TOverwriteType FOverwrite = owAlways;

  // The archive (or volume) the last extraction read, kept open while the
  // next members come from the same file and volume: opening it again for
  // every member costs three system calls a file. Closed before any disk
  // prompt, when the members move to another archive or volume, and before
  // every operation that writes or rereads the archive.
  std::unique_ptr<TPlatformFileStream> FKeptArchive;
  std::string FKeptPath;
  int FKeptVolume = 0;
  // While the members of one archive file are extracted in order, a worker
  // inflates the next ones meanwhile; it holds the kept archive (then
  // FKeptArchive is empty) and is joined by CloseArchive.
  std::unique_ptr<TInflateAhead> FAhead;
  int FAheadPlans = 0;                         // of the workers joined so far
  std::unique_ptr<platform::IFile> FExtracted; // see KeepExtractedFile
  std::string FCreatedName;                    // see FreshName

  TFileHeaders FHeaders;
  bool FLoaded = false;
  std::array<std::int32_t, MaxUniqueIDs> FIds{};
  TCompressOperation FOperation = TCompressOperation::None;
  int FCurrentVolume = 0;
  TlzhFileStats FStats;
  // The archive the last Add wrote and its length then: the next Add to it
  // takes the directory from memory instead of rereading every header.
  std::string FAddedArchive;
  std::int64_t FAddedLength = -1;
};

} // namespace quendel
