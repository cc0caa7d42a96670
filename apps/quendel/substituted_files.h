// A file system that reads some files from stand-ins. "quendel build --sign"
// signs copies of the uninstallers a product packs and lets the build read
// the copies under the originals' names: the archive stores the name the
// definition gives, and the author's own files stay as they were.
#pragma once

#include "platform/files.h"

#include <map>
#include <memory>
#include <string>

namespace quendel::cli {

class TSubstitutedFiles final : public platform::IFileSystem {
public:
  explicit TSubstitutedFiles(std::unique_ptr<platform::IFileSystem> Inner);

  // Opening Original for reading opens StandIn instead. Both are taken
  // relative to the current directory when they are not absolute.
  void Substitute(const std::string& Original, const std::string& StandIn);
  // Path as an absolute one, the way substitutions are matched (case-insensitively).
  std::string FullPath(const std::string& Path);

  bool FileExists(const std::string& path) override { return FInner->FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return FInner->DirectoryExists(path); }
  std::unique_ptr<platform::IFile> Open(const std::string& path, platform::TFileAccess access,
                                        platform::TShareMode share,
                                        platform::TCreation creation) override;
  platform::TFileAttributes GetAttributes(const std::string& path) override {
    return FInner->GetAttributes(path);
  }
  void SetAttributes(const std::string& path, platform::TFileAttributes attributes) override {
    FInner->SetAttributes(path, attributes);
  }
  platform::TFileStamp GetStamp(const std::string& path) override {
    return FInner->GetStamp(path);
  }
  void SetStamp(const std::string& path, platform::TFileStamp stamp) override {
    FInner->SetStamp(path, stamp);
  }
  std::vector<platform::TFindData> FindFiles(const std::string& pattern) override {
    return FInner->FindFiles(pattern);
  }
  void MakeDirectory(const std::string& path) override { FInner->MakeDirectory(path); }
  void RemoveDir(const std::string& path) override { FInner->RemoveDir(path); }
  void RemoveFile(const std::string& path) override { FInner->RemoveFile(path); }
  void Copy(const std::string& source, const std::string& target, bool failIfExists) override {
    FInner->Copy(source, target, failIfExists);
  }
  void Move(const std::string& source, const std::string& target,
            platform::TMoveFlags flags) override {
    FInner->Move(source, target, flags);
  }
  std::uint64_t FreeSpace(const std::string& path) override { return FInner->FreeSpace(path); }
  std::string ShortPath(const std::string& path) override { return FInner->ShortPath(path); }
  std::string TempDirectory() override { return FInner->TempDirectory(); }
  std::string TempFileName(const std::string& directory, const std::string& prefix) override {
    return FInner->TempFileName(directory, prefix);
  }
  std::string GetCurrentDir() override { return FInner->GetCurrentDir(); }
  void SetCurrentDir(const std::string& path) override { FInner->SetCurrentDir(path); }

private:
  std::unique_ptr<platform::IFileSystem> FInner;
  // Upper-cased full path of an original -> its stand-in's full path. Filled
  // before the build starts; only read while its threads read the sources.
  std::map<std::string, std::string> FStandIns;
};

} // namespace quendel::cli
