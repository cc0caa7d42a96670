// Byte streams: what archives, definitions and resources are read from and
// written to. Files come from the platform layer; memory streams live here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quendel {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;
  // Reads up to Count bytes; returns how many were read (0 at the end).
  virtual std::size_t Read(void* Buffer, std::size_t Count) = 0;
  // Writes up to Count bytes; returns how many were written (less when the
  // medium is full).
  virtual std::size_t Write(const void* Buffer, std::size_t Count) = 0;
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  virtual std::int64_t Size() const = 0;
  // Cuts or extends the stream at the current position.
  virtual void SetSize(std::int64_t NewSize) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, TSeekOrigin::soBeginning); }
  // Exactly Count bytes or EReadError("Stream read error").
  void ReadBuffer(void* Buffer, std::size_t Count);
  // Exactly Count bytes or EWriteError("Stream write error").
  void WriteBuffer(const void* Buffer, std::size_t Count);
  // Copies Count bytes (all the rest when Count is 0) from Source; returns the count.
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);
};

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> Bytes) : FData(std::move(Bytes)) {}
  std::size_t Read(void* Buffer, std::size_t Count) override;
  std::size_t Write(const void* Buffer, std::size_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() const override { return static_cast<std::int64_t>(FData.size()); }
  void SetSize(std::int64_t NewSize) override;
  // A memory stream may pretend to be a medium of limited capacity (a full
  // disk): writes beyond Capacity fall short. 0 means unlimited.
  void SetCapacity(std::size_t Capacity) { FCapacity = Capacity; }
  const std::vector<std::uint8_t>& Bytes() const { return FData; }
  std::vector<std::uint8_t>& Bytes() { return FData; }

private:
  std::vector<std::uint8_t> FData;
  std::size_t FPos = 0;
  std::size_t FCapacity = 0;
};

} // namespace quendel
