#include "archive/file_stream.h"

#include <algorithm>

namespace quendel {

std::size_t TPlatformFileStream::Read(void* Buffer, std::size_t Count) {
  return FFile->Read(Buffer, Count);
}

std::size_t TPlatformFileStream::Write(const void* Buffer, std::size_t Count) {
  const auto start = static_cast<std::int64_t>(FFile->Position());
  std::size_t n = Count;
  if (FCapacity > 0)
    n = start >= FCapacity ? 0
                           : static_cast<std::size_t>(std::min<std::int64_t>(
                                 static_cast<std::int64_t>(Count), FCapacity - start));
  if (n == 0) return 0;
  try {
    FFile->Write(Buffer, n);
  } catch (const platform::EPlatformError& e) {
    if (e.Code() != platform::errDiskFull) throw;
    // What reached the disk before it filled up.
    const auto now = static_cast<std::int64_t>(FFile->Position());
    return now > start ? static_cast<std::size_t>(now - start) : 0;
  }
  return n;
}

std::int64_t TPlatformFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  return static_cast<std::int64_t>(FFile->Seek(Offset, Origin));
}

std::int64_t TPlatformFileStream::Size() const {
  return static_cast<std::int64_t>(FFile->Size());
}

void TPlatformFileStream::SetSize(std::int64_t NewSize) {
  const std::int64_t keep = static_cast<std::int64_t>(FFile->Position());
  FFile->Seek(NewSize, TSeekOrigin::soBeginning);
  FFile->Truncate();
  FFile->Seek(std::min(keep, NewSize), TSeekOrigin::soBeginning);
}

} // namespace quendel
