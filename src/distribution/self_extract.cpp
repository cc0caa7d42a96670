#include "distribution/self_extract.h"

#include <cstring>

namespace quendel::distribution {

namespace {

constexpr char SelfExtractingSignature[] = "SELFEXTRACTING";
constexpr char NotSelfExtractSignature[] = "NOTSELFEXTRACT";
constexpr int SignatureLength = 14;

void PutInt(std::uint8_t* At, std::int32_t V) {
  auto U = static_cast<std::uint32_t>(V);
  for (int i = 0; i < 4; ++i) At[i] = static_cast<std::uint8_t>(U >> (8 * i));
}

std::int32_t GetInt(const std::uint8_t* At) {
  std::uint32_t U = 0;
  for (int i = 0; i < 4; ++i) U |= static_cast<std::uint32_t>(At[i]) << (8 * i);
  return static_cast<std::int32_t>(U);
}

bool HasSignature(const std::uint8_t* Block, const char* Signature) {
  return Block[0] == SignatureLength && std::memcmp(Block + 1, Signature, SignatureLength) == 0;
}

// 0 < Start <= End < Limit.
bool ValidRange(std::int32_t Start, std::int32_t End, std::int64_t Limit) {
  return Start > 0 && Start <= End && End < Limit;
}

} // namespace

void EncodeSelfExtractBlock(const TSelfExtractInfo& Info,
                            std::uint8_t (&Out)[SelfExtractBlockSize]) {
  std::memset(Out, 0, sizeof Out);
  Out[0] = SignatureLength;
  std::memcpy(Out + 1, Info.SelfExtracting ? SelfExtractingSignature : NotSelfExtractSignature,
              SignatureLength);
  if (!Info.SelfExtracting) return;
  PutInt(Out + 16, Info.SetupStart);
  PutInt(Out + 20, Info.SetupEnd);
  PutInt(Out + 24, Info.FilesStart);
  PutInt(Out + 28, Info.FilesEnd);
}

TBlockCheck DecodeSelfExtractBlock(const std::uint8_t (&Block)[SelfExtractBlockSize],
                                   std::int64_t FileSize, TSelfExtractInfo& Info) {
  if (FileSize < SelfExtractBlockSize) return TBlockCheck::TooShort;
  TSelfExtractInfo Read;
  Read.SetupStart = GetInt(Block + 16);
  Read.SetupEnd = GetInt(Block + 20);
  Read.FilesStart = GetInt(Block + 24);
  Read.FilesEnd = GetInt(Block + 28);
  if (HasSignature(Block, SelfExtractingSignature)) {
    Read.SelfExtracting = true;
    // The archives lie between the loading program and the block itself.
    const std::int64_t Limit = FileSize - SelfExtractBlockSize;
    if (!ValidRange(Read.SetupStart, Read.SetupEnd, Limit)) return TBlockCheck::BadPositions;
    if (Read.HasFileArchive() && !ValidRange(Read.FilesStart, Read.FilesEnd, Limit))
      return TBlockCheck::BadPositions;
  } else if (HasSignature(Block, NotSelfExtractSignature)) {
    if (Read.SetupStart != 0 || Read.SetupEnd != 0 || Read.HasFileArchive())
      return TBlockCheck::BadPositions;
  } else {
    return TBlockCheck::BadSignature;
  }
  Info = Read;
  return TBlockCheck::Ok;
}

int SelfExtractBlockEnds(const std::uint8_t* Head, std::int64_t HeadLength, std::int64_t FileSize,
                         std::int64_t (&Ends)[MaxBlockEnds]) {
  int Count = 0;
  Ends[Count++] = FileSize;
  auto U16 = [&](std::int64_t At) { return static_cast<std::uint32_t>(Head[At] | Head[At + 1] << 8); };
  auto U32 = [&](std::int64_t At) { return static_cast<std::uint32_t>(GetInt(Head + At)); };
  if (!Head || HeadLength < 0x40 || Head[0] != 'M' || Head[1] != 'Z') return Count;
  const std::int64_t Pe = U32(0x3C);
  if (Pe < 0x40 || Pe + 24 + 2 > HeadLength || std::memcmp(Head + Pe, "PE\0\0", 4) != 0) return Count;
  const std::int64_t Optional = Pe + 24;
  const std::uint32_t Magic = U16(Optional);
  // The certificate table is data directory 4, after the fixed part of the
  // optional header (96 bytes for PE32, 112 for PE32+).
  const std::int64_t Dirs = Optional + (Magic == 0x10B ? 96 : Magic == 0x20B ? 112 : -1);
  if (Dirs < Optional || Dirs + 5 * 8 > HeadLength) return Count;
  if (U32(Dirs - 4) < 5) return Count; // NumberOfRvaAndSizes
  const std::int64_t Table = U32(Dirs + 4 * 8), TableSize = U32(Dirs + 4 * 8 + 4);
  if (Table == 0 || TableSize == 0 || Table + TableSize != FileSize) return Count;
  for (int Pad = 0; Pad < 8 && Table - Pad >= SelfExtractBlockSize; ++Pad) Ends[Count++] = Table - Pad;
  return Count;
}

} // namespace quendel::distribution
