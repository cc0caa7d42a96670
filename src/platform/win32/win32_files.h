#pragma once
// The file system over the ANSI Win32 API.

#include "platform/files.h"

namespace quendel::platform::win32 {

class TWin32FileSystem : public IFileSystem {
public:
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
};

} // namespace quendel::platform::win32
