#pragma once
// The file system of the Windows-like machine: Windows paths on host
// directories through a drive map, with the Windows rules the setup program
// depends on (sharing, read-only files, error codes) kept by the adapter.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/native/drive_map.h"
#include "platform/native/win_path.h"

namespace quendel::platform::native {

// A move put off until the next start (PendingFileRenameOperations).
struct TPendingRename {
  std::string Source; // full Windows path
  std::string Target; // full Windows path; empty: delete Source
  bool ReplaceExisting = false;

  bool operator==(const TPendingRename&) const = default;
};

class TNativeFileSystem : public IFileSystem {
public:
  // The current directory starts at the root of C: when it is mapped, else
  // at the root of the first mapped drive. The temporary directory is the
  // host's when a drive reaches it, else "<drive>:\TEMP\".
  explicit TNativeFileSystem(TDriveMap drives = TDriveMap::Default());
  ~TNativeFileSystem() override;

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  std::unique_ptr<IFile> Open(const std::string& path, TFileAccess access, TShareMode share,
                              TCreation creation) override;
  TFileAttributes GetAttributes(const std::string& path) override;
  void SetAttributes(const std::string& path, TFileAttributes attributes) override;
  TFileStamp GetStamp(const std::string& path) override;
  void SetStamp(const std::string& path, TFileStamp stamp) override;
  std::vector<TFindData> FindFiles(const std::string& pattern) override;
  void MakeDirectory(const std::string& path) override;
  void RemoveDir(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void Copy(const std::string& source, const std::string& target, bool failIfExists) override;
  void Move(const std::string& source, const std::string& target, TMoveFlags flags) override;
  std::uint64_t FreeSpace(const std::string& path) override;
  std::string ShortPath(const std::string& path) override;
  std::string TempDirectory() override;
  std::string TempFileName(const std::string& directory, const std::string& prefix) override;
  std::string GetCurrentDir() override;
  void SetCurrentDir(const std::string& path) override;

  const TDriveMap& Drives() const { return drives_; }
  // A Windows path; kept with a trailing "\". It need not exist, as on Windows.
  void SetTempDirectory(const std::string& path);

  // The moves recorded with moveDelayUntilReboot, oldest first.
  const std::vector<TPendingRename>& PendingRenames() const { return pending_; }
  // Carries them out as Windows does at its next start: in order, each on
  // its own. Returns those that failed; the list is empty afterwards.
  std::vector<TPendingRename> PerformPendingRenames();

  // CreateHardLinkA: newName becomes a second name of the file existing.
  // Both must lie on one host file system (errNotSameDevice otherwise).
  void CreateHardLink(const std::string& newName, const std::string& existing);

  // The rename of a file open through this system with delete access
  // (IFile::TryRename): a move without the sharing check on the file itself.
  TErrorCode RenameOpenFile(const std::string& source, const std::string& target,
                            bool replaceExisting);

  // The host path a Windows path stands for, as far as it exists.
  std::string HostPath(const std::string& path);

  struct TShared; // open handles and the attributes the host cannot hold

private:
  struct TResolved;
  // Parses path against the current directory and finds it on the host;
  // throws for a path that cannot be parsed or is on no mapped drive.
  TResolved Resolve(const char* call, const std::string& args, const std::string& path);
  void Locate(const char* call, const std::string& args, TResolved& resolved);
  // Move without moveDelayUntilReboot; byHandle: the source is open with
  // delete access by the caller.
  void MoveNow(const char* call, const std::string& args, const std::string& source,
               const std::string& target, TMoveFlags flags, bool byHandle);

  std::shared_ptr<TShared> shared_;
  TDriveMap drives_;
  TWinPath current_;
  std::string temp_;
  std::vector<TPendingRename> pending_;
  std::uint32_t tempCounter_;
};

} // namespace quendel::platform::native
