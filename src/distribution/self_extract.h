// The 56-byte block at the very end of a setup file that says where the
// archives appended to the loading program lie:
//
//   0   16  a length byte 14, "SELFEXTRACTING" (or "NOTSELFEXTRACT"), a zero
//   16   4  Int32 first byte of the setup archive
//   20   4  Int32 its last byte (inclusive)
//   24   4  Int32 first byte of the file archive, 0 when there is none
//   28   4  Int32 its last byte (inclusive), 0 when there is none
//   32  24  zero
//
// This module uses nothing but the C library: the loading program links it
// and must stay small.
#pragma once

#include <cstdint>

namespace quendel::distribution {

constexpr int SelfExtractBlockSize = 56;

struct TSelfExtractInfo {
  // False for a "NOTSELFEXTRACT" block, whose positions are all 0.
  bool SelfExtracting = false;
  std::int32_t SetupStart = 0; // P1
  std::int32_t SetupEnd = 0;   // E1
  std::int32_t FilesStart = 0; // P2
  std::int32_t FilesEnd = 0;   // E2

  bool HasFileArchive() const { return FilesStart != 0 || FilesEnd != 0; }
};

enum class TBlockCheck {
  Ok,
  TooShort,     // the file cannot even hold the block
  BadSignature, // neither signature
  BadPositions, // a position lies outside the file or the ranges are inverted
};

// Writes the block for Info into Out.
void EncodeSelfExtractBlock(const TSelfExtractInfo& Info, std::uint8_t (&Out)[SelfExtractBlockSize]);

// Reads the block of a setup file of FileSize bytes whose last 56 bytes are
// Block. Every position is checked before it is trusted: for a self-extracting
// file 0 < P1 <= E1 < FileSize - 56, and P2, E2 likewise or both 0; a
// "NOTSELFEXTRACT" block must carry four zeros. Info is set only on Ok.
TBlockCheck DecodeSelfExtractBlock(const std::uint8_t (&Block)[SelfExtractBlockSize],
                                   std::int64_t FileSize, TSelfExtractInfo& Info);

// Where the block may end. A setup file signed after it was built carries
// an Authenticode certificate table at its end (and up to 7 bytes of
// alignment before it); the block then ends where the signed data ends.
// Head: the file's first HeadLength bytes (its PE headers). Writes the
// candidate ends, most likely first, and returns how many (1 to 9).
constexpr int MaxBlockEnds = 9;
int SelfExtractBlockEnds(const std::uint8_t* Head, std::int64_t HeadLength, std::int64_t FileSize,
                         std::int64_t (&Ends)[MaxBlockEnds]);

} // namespace quendel::distribution
