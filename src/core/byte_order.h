// Little-endian numbers in byte buffers: the one reader and writer behind
// every format that comes from outside (archive directories, definition
// streams, PE resources, version blocks, bitmaps, shell links, registry
// data). Every access is checked against the end of its buffer, so a short
// or hostile input ends in an error instead of a read past the end.
//
// Reading past the end raises EReadError, writing past the end of a fixed
// buffer EWriteError; a format that reports its own error checks the size
// first (Fits) and the check here never fires.
#pragma once

#include "core/exceptions.h"

#include <concepts>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace quendel {

using TByteSpan = std::span<const std::uint8_t>;

// The bytes of a text that holds binary data.
inline TByteSpan AsBytes(std::string_view S) {
  return {reinterpret_cast<const std::uint8_t*>(S.data()), S.size()};
}

namespace detail {
[[noreturn]] void ByteReadOutOfRange(std::size_t At, std::size_t Count, std::size_t Size);
[[noreturn]] void ByteWriteOutOfRange(std::size_t At, std::size_t Count, std::size_t Size);
} // namespace detail

// Whether Count bytes at At lie inside a buffer of Size bytes (no overflow).
constexpr bool Fits(std::size_t Size, std::size_t At, std::size_t Count) {
  return At <= Size && Count <= Size - At;
}

// The low Count bytes of an unsigned number, least significant first;
// Count is 1 to 8.
inline std::uint64_t GetLEBytes(TByteSpan Bytes, std::size_t At, std::size_t Count) {
  if (!Fits(Bytes.size(), At, Count)) detail::ByteReadOutOfRange(At, Count, Bytes.size());
  std::uint64_t V = 0;
  for (std::size_t i = Count; i-- > 0;)
    V = V << 8 | Bytes[At + i];
  return V;
}

inline void PutLEBytes(std::span<std::uint8_t> Bytes, std::size_t At, std::uint64_t V,
                       std::size_t Count) {
  if (!Fits(Bytes.size(), At, Count)) detail::ByteWriteOutOfRange(At, Count, Bytes.size());
  for (std::size_t i = 0; i < Count; ++i)
    Bytes[At + i] = static_cast<std::uint8_t>(V >> (8 * i));
}

// T is an integer type or double (stored as its IEEE bits).
template <class T>
requires std::integral<T> || std::same_as<T, double>
T GetLE(TByteSpan Bytes, std::size_t At) {
  if constexpr (std::same_as<T, double>) {
    const std::uint64_t Bits = GetLEBytes(Bytes, At, 8);
    double D;
    std::memcpy(&D, &Bits, sizeof D);
    return D;
  } else {
    return static_cast<T>(GetLEBytes(Bytes, At, sizeof(T)));
  }
}

template <class T>
requires std::integral<T> || std::same_as<T, double>
void PutLE(std::span<std::uint8_t> Bytes, std::size_t At, T V) {
  if constexpr (std::same_as<T, double>) {
    std::uint64_t Bits;
    std::memcpy(&Bits, &V, sizeof Bits);
    PutLEBytes(Bytes, At, Bits, 8);
  } else {
    PutLEBytes(Bytes, At, static_cast<std::uint64_t>(V), sizeof(T));
  }
}

// Appends the low Count bytes of V, least significant first.
inline void AppendLEBytes(std::vector<std::uint8_t>& Out, std::uint64_t V, std::size_t Count) {
  for (std::size_t i = 0; i < Count; ++i)
    Out.push_back(static_cast<std::uint8_t>(V >> (8 * i)));
}

template <class T>
requires std::integral<T> || std::same_as<T, double>
void AppendLE(std::vector<std::uint8_t>& Out, T V) {
  if constexpr (std::same_as<T, double>) {
    std::uint64_t Bits;
    std::memcpy(&Bits, &V, sizeof Bits);
    AppendLEBytes(Out, Bits, 8);
  } else {
    AppendLEBytes(Out, static_cast<std::uint64_t>(V), sizeof(T));
  }
}

// A cursor over a buffer for formats read front to back.
class TByteReader {
public:
  explicit TByteReader(TByteSpan Bytes, std::size_t At = 0) : FBytes(Bytes), FPos(At) {
    if (At > Bytes.size()) detail::ByteReadOutOfRange(At, 0, Bytes.size());
  }

  std::size_t Position() const { return FPos; }
  std::size_t Size() const { return FBytes.size(); }
  std::size_t Remaining() const { return FBytes.size() - FPos; }
  bool Has(std::size_t Count) const { return Count <= Remaining(); }
  void Seek(std::size_t At) {
    if (At > FBytes.size()) detail::ByteReadOutOfRange(At, 0, FBytes.size());
    FPos = At;
  }
  void Skip(std::size_t Count) {
    if (!Has(Count)) detail::ByteReadOutOfRange(FPos, Count, FBytes.size());
    FPos += Count;
  }

  template <class T> T Read() {
    const T V = GetLE<T>(FBytes, FPos);
    FPos += sizeof(T);
    return V;
  }
  std::uint64_t ReadBytesLE(std::size_t Count) {
    const std::uint64_t V = GetLEBytes(FBytes, FPos, Count);
    FPos += Count;
    return V;
  }
  // The next Count bytes, as they are.
  TByteSpan Take(std::size_t Count) {
    if (!Has(Count)) detail::ByteReadOutOfRange(FPos, Count, FBytes.size());
    const TByteSpan Part = FBytes.subspan(FPos, Count);
    FPos += Count;
    return Part;
  }

private:
  TByteSpan FBytes;
  std::size_t FPos;
};

} // namespace quendel
