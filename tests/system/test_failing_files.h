#pragma once
// A file system that passes every call to another one, but can be told to
// fail: a full disk after a number of bytes written, or moves refused with a
// chosen code. Lets tests reach the failure paths of code that writes files.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"

namespace quendel::testing {

class TFailingFiles : public platform::IFileSystem {
public:
  explicit TFailingFiles(platform::IFileSystem& Inner) : FInner(Inner) {}

  // Bytes that may still be written before writes fail with errDiskFull;
  // negative: no limit.
  std::int64_t BytesLeft = -1;
  // Consulted before every move: a non-zero code fails the move with it.
  std::function<platform::TErrorCode(const std::string& Source, const std::string& Target,
                                     platform::TMoveFlags Flags)>
      MoveFault;

  bool FileExists(const std::string& P) override { return FInner.FileExists(P); }
  bool DirectoryExists(const std::string& P) override { return FInner.DirectoryExists(P); }
  std::unique_ptr<platform::IFile> Open(const std::string& P, platform::TFileAccess A,
                                        platform::TShareMode S, platform::TCreation C) override {
    return std::make_unique<TFile>(*this, FInner.Open(P, A, S, C));
  }
  platform::TFileAttributes GetAttributes(const std::string& P) override {
    return FInner.GetAttributes(P);
  }
  void SetAttributes(const std::string& P, platform::TFileAttributes A) override {
    FInner.SetAttributes(P, A);
  }
  platform::TFileStamp GetStamp(const std::string& P) override { return FInner.GetStamp(P); }
  void SetStamp(const std::string& P, platform::TFileStamp S) override { FInner.SetStamp(P, S); }
  std::vector<platform::TFindData> FindFiles(const std::string& P) override {
    return FInner.FindFiles(P);
  }
  void MakeDirectory(const std::string& P) override { FInner.MakeDirectory(P); }
  void RemoveDir(const std::string& P) override { FInner.RemoveDir(P); }
  void RemoveFile(const std::string& P) override { FInner.RemoveFile(P); }
  void Copy(const std::string& S, const std::string& T, bool F) override { FInner.Copy(S, T, F); }
  void Move(const std::string& S, const std::string& T, platform::TMoveFlags F) override {
    if (MoveFault)
      if (const platform::TErrorCode Code = MoveFault(S, T, F); Code != platform::errSuccess)
        throw platform::EPlatformError("MoveFileExA", S + ", " + T, Code);
    FInner.Move(S, T, F);
  }
  std::string ShortPath(const std::string& P) override { return FInner.ShortPath(P); }
  std::string TempDirectory() override { return FInner.TempDirectory(); }
  std::string TempFileName(const std::string& D, const std::string& P) override {
    return FInner.TempFileName(D, P);
  }
  std::string GetCurrentDir() override { return FInner.GetCurrentDir(); }
  void SetCurrentDir(const std::string& P) override { FInner.SetCurrentDir(P); }

private:
  class TFile : public platform::IFile {
  public:
    TFile(TFailingFiles& Owner, std::unique_ptr<platform::IFile> Inner)
        : FOwner(Owner), FFile(std::move(Inner)) {}
    const std::string& Path() const override { return FFile->Path(); }
    std::size_t Read(void* B, std::size_t N) override { return FFile->Read(B, N); }
    void Write(const void* B, std::size_t N) override {
      if (FOwner.BytesLeft >= 0) {
        if (static_cast<std::int64_t>(N) > FOwner.BytesLeft) {
          FFile->Write(B, static_cast<std::size_t>(FOwner.BytesLeft)); // what still fits
          FOwner.BytesLeft = 0;
          throw platform::EPlatformError("WriteFile", FFile->Path(), platform::errDiskFull);
        }
        FOwner.BytesLeft -= static_cast<std::int64_t>(N);
      }
      FFile->Write(B, N);
    }
    std::uint64_t Seek(std::int64_t O, platform::TSeekOrigin W) override {
      return FFile->Seek(O, W);
    }
    std::uint64_t Size() override { return FFile->Size(); }
    void Truncate() override { FFile->Truncate(); }
    platform::TFileStamp GetStamp() override { return FFile->GetStamp(); }
    void SetStamp(platform::TFileStamp S) override { FFile->SetStamp(S); }
    void Flush() override { FFile->Flush(); }
    // A rename through the handle is a move as far as the faults go.
    platform::TErrorCode TryRename(const std::string& T, bool Replace) override {
      if (FOwner.MoveFault)
        if (const platform::TErrorCode Code =
                FOwner.MoveFault(FFile->Path(), T, Replace ? platform::moveReplaceExisting : 0);
            Code != platform::errSuccess)
          return Code;
      return FFile->TryRename(T, Replace);
    }

  private:
    TFailingFiles& FOwner;
    std::unique_ptr<platform::IFile> FFile;
  };

  platform::IFileSystem& FInner;
};

} // namespace quendel::testing
