#pragma once
// Files and directories. Paths are Windows paths in the ANSI code page:
// "\" separators, drive letters, case-insensitive names.
//
// Error rule for the whole interface: an operation that fails throws
// EPlatformError naming the Windows call it stands for. The Exists queries
// answer false for anything they cannot reach, and the Try forms return the
// Windows error code (0 on success) for callers that branch on it, for
// instance to put off replacing a file that is in use.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/stream.h"
#include "platform/error.h"

namespace quendel::platform {

// FILE_ATTRIBUTE_* bits.
using TFileAttributes = std::uint32_t;
inline constexpr TFileAttributes faReadOnly = 0x01;
inline constexpr TFileAttributes faHidden = 0x02;
inline constexpr TFileAttributes faSystem = 0x04;
inline constexpr TFileAttributes faDirectory = 0x10;
inline constexpr TFileAttributes faArchive = 0x20;
inline constexpr TFileAttributes faNormal = 0x80;
inline constexpr TFileAttributes faTemporary = 0x100;

// A modification stamp: 100 ns intervals since 1 January 1601 UTC (FILETIME).
using TFileStamp = std::uint64_t;

// FILE_SHARE_* bits: what other handles may do while this one is open.
using TShareMode = std::uint32_t;
inline constexpr TShareMode shareNone = 0;
inline constexpr TShareMode shareRead = 0x1;
inline constexpr TShareMode shareWrite = 0x2;
inline constexpr TShareMode shareDelete = 0x4;
inline constexpr TShareMode shareAll = shareRead | shareWrite | shareDelete;

// MOVEFILE_* bits.
using TMoveFlags = std::uint32_t;
inline constexpr TMoveFlags moveReplaceExisting = 0x1;
inline constexpr TMoveFlags moveCopyAllowed = 0x2;
inline constexpr TMoveFlags moveDelayUntilReboot = 0x4;

// ReadWriteDelete adds DELETE: the file may then be renamed through the
// handle (IFile::TryRename).
enum class TFileAccess { Read, Write, ReadWrite, ReadWriteDelete };

// The CreateFile dispositions, with their Win32 values.
enum class TCreation {
  CreateNew = 1,
  CreateAlways = 2,
  OpenExisting = 3,
  OpenAlways = 4,
  TruncateExisting = 5,
};

// The streams' origins: a file of the platform and a stream of the core
// seek the same way.
using quendel::TSeekOrigin;

// One entry of a directory search.
struct TFindData {
  std::string Name; // the name alone, in the case stored on disk
  TFileAttributes Attributes = 0;
  std::uint64_t Size = 0;
  TFileStamp Stamp = 0;

  bool IsDirectory() const { return (Attributes & faDirectory) != 0; }
};

// An open file. Destroying it closes the handle.
class IFile {
public:
  IFile() = default;
  IFile(const IFile&) = delete;
  IFile& operator=(const IFile&) = delete;
  virtual ~IFile() = default;

  // The path the file was opened with.
  virtual const std::string& Path() const = 0;

  // Reads up to count bytes; returns how many were read, 0 at the end.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes all count bytes or throws (errDiskFull when the disk is full).
  virtual void Write(const void* buffer, std::size_t count) = 0;
  // Returns the new position. A position before the start fails with errNegativeSeek.
  virtual std::uint64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  virtual std::uint64_t Size() = 0;
  // Cuts (or extends) the file at the current position.
  virtual void Truncate() = 0;
  virtual TFileStamp GetStamp() = 0;
  virtual void SetStamp(TFileStamp stamp) = 0;
  virtual void Flush() = 0;

  // Renames the open file (opened with ReadWriteDelete) to target, a full
  // path, replacing an existing file when replaceExisting, as MoveFileExA
  // would (the same errors: a target in use or read-only refuses with
  // errAccessDenied); the handle stays open on the renamed file. Returns the
  // Windows error code; errNotSupported when the adapter cannot rename
  // through a handle (the caller closes the file and moves it by name).
  virtual TErrorCode TryRename(const std::string& target, bool replaceExisting);

  std::uint64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  // Reads exactly count bytes; a short file fails with errHandleEof.
  void ReadExact(void* buffer, std::size_t count);
};

class IFileSystem {
public:
  IFileSystem() = default;
  IFileSystem(const IFileSystem&) = delete;
  IFileSystem& operator=(const IFileSystem&) = delete;
  virtual ~IFileSystem() = default;

  virtual bool FileExists(const std::string& path) = 0; // an existing non-directory
  virtual bool DirectoryExists(const std::string& path) = 0;

  // CreateFileA. A new file gets faArchive.
  virtual std::unique_ptr<IFile> Open(const std::string& path, TFileAccess access, TShareMode share,
                                      TCreation creation) = 0;

  virtual TFileAttributes GetAttributes(const std::string& path) = 0;
  virtual void SetAttributes(const std::string& path, TFileAttributes attributes) = 0;
  virtual TFileStamp GetStamp(const std::string& path) = 0;
  virtual void SetStamp(const std::string& path, TFileStamp stamp) = 0;

  // FindFirstFileA/FindNextFileA over "dir\pattern" with * and ?. No match
  // gives an empty list; a missing directory fails. Like Windows, a search in
  // a directory other than a drive root also returns "." and "..".
  virtual std::vector<TFindData> FindFiles(const std::string& pattern) = 0;

  virtual void MakeDirectory(const std::string& path) = 0; // CreateDirectoryA
  virtual void RemoveDir(const std::string& path) = 0;     // RemoveDirectoryA: empty only
  virtual void RemoveFile(const std::string& path) = 0;    // DeleteFileA
  // CopyFileA: copies contents, attributes and stamp.
  virtual void Copy(const std::string& source, const std::string& target, bool failIfExists) = 0;
  // MoveFileExA. With moveDelayUntilReboot the move (or, for an empty
  // target, the deletion) is only recorded, to be carried out at the next start.
  virtual void Move(const std::string& source, const std::string& target, TMoveFlags flags) = 0;

  // GetDiskFreeSpaceExA: the bytes this user may still write on the volume
  // that holds path (an existing directory). An adapter that cannot tell
  // fails with errNotSupported.
  virtual std::uint64_t FreeSpace(const std::string& path);

  virtual std::string ShortPath(const std::string& path) = 0; // GetShortPathNameA
  virtual std::string TempDirectory() = 0;                    // GetTempPathA: ends in "\"
  // GetTempFileNameA: "<directory>\<up to 3 chars of prefix><hex>.tmp",
  // created empty so that the name stays taken.
  virtual std::string TempFileName(const std::string& directory, const std::string& prefix) = 0;
  virtual std::string GetCurrentDir() = 0;
  virtual void SetCurrentDir(const std::string& path) = 0;

  // Shared-read openings for the common cases.
  std::unique_ptr<IFile> OpenRead(const std::string& path);      // read, existing
  std::unique_ptr<IFile> OpenReadWrite(const std::string& path); // read/write, existing
  std::unique_ptr<IFile> Create(const std::string& path);        // read/write, truncated or new

  // Creates the directory and every missing parent; an existing directory is fine.
  void ForceDirectories(const std::string& path);

  std::unique_ptr<IFile> TryOpen(const std::string& path, TFileAccess access, TShareMode share,
                                 TCreation creation, TErrorCode& error);
  TErrorCode TryGetAttributes(const std::string& path, TFileAttributes& attributes);
  TErrorCode TrySetAttributes(const std::string& path, TFileAttributes attributes);
  TErrorCode TryMakeDirectory(const std::string& path);
  TErrorCode TryRemoveDir(const std::string& path);
  TErrorCode TryRemoveFile(const std::string& path);
  TErrorCode TryCopy(const std::string& source, const std::string& target, bool failIfExists);
  TErrorCode TryMove(const std::string& source, const std::string& target, TMoveFlags flags);
};

} // namespace quendel::platform
