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

} // namespace quendel::distribution
