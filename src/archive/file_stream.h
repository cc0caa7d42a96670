// A TStream over a file opened through the platform layer, so that the
// archive code reads and writes disks and memory alike.
#pragma once

#include "core/stream.h"
#include "platform/files.h"

#include <memory>

namespace quendel {

class TPlatformFileStream : public TStream {
public:
  explicit TPlatformFileStream(std::unique_ptr<platform::IFile> File) : FFile(std::move(File)) {}

  std::size_t Read(void* Buffer, std::size_t Count) override;
  // A full disk makes the write fall short instead of raising; other
  // failures raise.
  std::size_t Write(const void* Buffer, std::size_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() const override;
  void SetSize(std::int64_t NewSize) override;

  // Lets the file stand for a medium of Bytes capacity (a removable disk):
  // writes past it fall short. 0: no limit.
  void SetCapacity(std::int64_t Bytes) { FCapacity = Bytes; }

  platform::IFile& File() { return *FFile; }
  // Hands the open file on; the stream is unusable afterwards.
  std::unique_ptr<platform::IFile> Release() { return std::move(FFile); }

private:
  std::unique_ptr<platform::IFile> FFile;
  std::int64_t FCapacity = 0;
};

} // namespace quendel
