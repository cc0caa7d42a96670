#include "core/stream.h"

#include "core/exceptions.h"

#include <algorithm>
#include <cstring>

namespace quendel {

void TStream::ReadBuffer(void* Buffer, std::size_t Count) {
  auto* p = static_cast<std::uint8_t*>(Buffer);
  while (Count > 0) {
    const std::size_t n = Read(p, Count);
    if (n == 0) Raise<EReadError>("Stream read error");
    p += n;
    Count -= n;
  }
}

void TStream::WriteBuffer(const void* Buffer, std::size_t Count) {
  if (Write(Buffer, Count) != Count) Raise<EWriteError>("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  std::vector<std::uint8_t> buf(64 * 1024);
  std::int64_t left = Count;
  while (left > 0) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(buf.size())));
    Source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= static_cast<std::int64_t>(n);
  }
  return Count;
}

std::size_t TMemoryStream::Read(void* Buffer, std::size_t Count) {
  if (FPos >= FData.size()) return 0;
  const std::size_t n = std::min(Count, FData.size() - FPos);
  std::memcpy(Buffer, FData.data() + FPos, n);
  FPos += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* Buffer, std::size_t Count) {
  std::size_t n = Count;
  if (FCapacity) n = FPos >= FCapacity ? 0 : std::min(Count, FCapacity - FPos);
  if (n == 0) return 0;
  if (FPos + n > FData.size()) FData.resize(FPos + n);
  std::memcpy(FData.data() + FPos, Buffer, n);
  FPos += n;
  return n;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t base = 0;
  if (Origin == TSeekOrigin::soCurrent) base = static_cast<std::int64_t>(FPos);
  if (Origin == TSeekOrigin::soEnd) base = Size();
  const std::int64_t to = base + Offset;
  if (to < 0) Raise<EReadError>("Stream seek error");
  FPos = static_cast<std::size_t>(to);
  return to;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) Raise<EWriteError>("Stream write error");
  FData.resize(static_cast<std::size_t>(NewSize));
  if (FPos > FData.size()) FPos = FData.size();
}

} // namespace quendel
