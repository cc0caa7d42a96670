// The archive's directory: member headers, their list, and the statistics
// record the compressor reports progress with.
//
// An archive starts with a 5-byte prologue (Int32 member count, Byte layout
// flag) followed by 176-byte member headers. In the chained layout each
// header is followed by its member's zlib stream and the next header; in the
// table layout (first volume of a volume set) all headers come first and the
// data follows. Both are read by following each header's NextHeader.
#pragma once

#include "core/dates.h"
#include "core/event.h"
#include "core/persistent.h"
#include "core/stream.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quendel {

constexpr int ArchivePrologueSize = 5;
constexpr int FileHeaderSize = 176;
constexpr int FileNameCapacity = 100;
constexpr int FileVersionCapacity = 20;
// Identifiers of install files run from 0 to MaxUniqueIDs - 1.
constexpr int MaxUniqueIDs = 2000;

// The 176 bytes of one member header, kept as they are on disk so that
// padding and the bytes after a short string's end survive a rewrite.
class TFileHeaderRecord {
public:
  using TBytes = std::array<std::uint8_t, FileHeaderSize>;

  TFileHeaderRecord() { FBytes.fill(0); }

  const TBytes& Bytes() const { return FBytes; }
  TBytes& Bytes() { return FBytes; }

  std::int32_t Sequence() const { return GetInt(0); }
  void SetSequence(std::int32_t V) { SetInt(0, V); }
  TDateTime FileDate() const;
  void SetFileDate(TDateTime V);
  std::uint8_t EndVolume() const { return FBytes[16]; }
  void SetEndVolume(std::uint8_t V) { FBytes[16] = V; }
  std::int32_t EndPosition() const { return GetInt(20); }
  void SetEndPosition(std::int32_t V) { SetInt(20, V); }
  std::string FileName() const { return GetShort(24, FileNameCapacity); }
  // The same characters where they lie, valid while this record is.
  std::string_view FileNameView() const { return GetShortView(24, FileNameCapacity); }
  // Cut to the first 100 characters.
  void SetFileName(std::string_view V) { SetShort(24, FileNameCapacity, V); }
  std::int32_t NextHeader() const { return GetInt(128); }
  void SetNextHeader(std::int32_t V) { SetInt(128, V); }
  std::int32_t UncompressedSize() const { return GetInt(132); }
  void SetUncompressedSize(std::int32_t V) { SetInt(132, V); }
  std::int32_t DataStart() const { return GetInt(136); }
  void SetDataStart(std::int32_t V) { SetInt(136, V); }
  std::int32_t CompressedSize() const { return GetInt(140); }
  void SetCompressedSize(std::int32_t V) { SetInt(140, V); }
  std::uint8_t StartVolume() const { return FBytes[144]; }
  void SetStartVolume(std::uint8_t V) { FBytes[144] = V; }
  std::int32_t UniqueID() const { return GetInt(148); }
  void SetUniqueID(std::int32_t V) { SetInt(148, V); }
  std::string FileVersion() const { return GetShort(152, FileVersionCapacity); }
  // Cut to 20 characters.
  void SetFileVersion(std::string_view V) { SetShort(152, FileVersionCapacity, V); }

  bool operator==(const TFileHeaderRecord&) const = default;

private:
  std::int32_t GetInt(int At) const;
  void SetInt(int At, std::int32_t V);
  // A length byte above the capacity is read as the capacity.
  std::string GetShort(int At, int Capacity) const;
  std::string_view GetShortView(int At, int Capacity) const;
  void SetShort(int At, int Capacity, std::string_view V);

  TBytes FBytes;
};

class TFileHeader {
public:
  // True when read from an existing archive; false for a file about to be added.
  bool Loaded = false;
  TFileHeaderRecord Record;
};

// The statistics record handed to every progress event. Counters are 64-bit
// here (sizes on disk are 32-bit, but sums over many members are not).
struct TlzhFileStats {
  std::uint8_t FilePercent = 0;
  std::int64_t FileBytesDone = 0;
  std::string FileName;
  std::int64_t CompressedSize = 0;
  std::uint8_t Ratio = 0;
  std::int64_t UncompressedSize = 0;
  TFileHeaderRecord Header;
  bool Finished = false;
  std::uint8_t TotalPercent = 0;
  std::int64_t TotalBytesDone = 0;
  std::int64_t TotalCompressed = 0;
  std::uint8_t TotalRatio = 0;
  std::int64_t TotalUncompressed = 0;
};

// Part / Whole × 100, rounded to the nearest integer (halves to even), kept
// in its low 8 bits; 0 when Whole is 0.
std::uint8_t Percentage(double Part, double Whole);

// Fills the per-member fields of Stats from a header (counters to zero).
void SetMemberStats(TlzhFileStats& Stats, const TFileHeaderRecord& Header);

// What the header of a file about to be added records about its source.
struct TSourceFileInfo {
  TDateTime Date = 0;
  std::int64_t Size = 0;
  std::string Version;
};
// Opens the named file and describes it; raises when it cannot be opened.
using TSourceInfoFunc = TFunctionRef<TSourceFileInfo(const std::string& FileName)>;

// The name a member added from the list entry Name is stored and found
// under: the entry's first ";"-field, cut to FileNameCapacity characters.
// Two sources that agree that far cannot be told apart in one archive.
std::string StoredMemberName(std::string_view Name);
// Whether two list entries would be stored under the same name (ASCII
// letters compared without case).
bool SameStoredName(std::string_view A, std::string_view B);

class TFileHeaders {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EQndlCompress for an index outside 0..Count - 1.
  TFileHeader& Item(int Index);
  const TFileHeader& Item(int Index) const;
  // Takes ownership; refuses a header whose name is blank.
  void Add(std::unique_ptr<TFileHeader> Header);
  void Clear() { FItems.clear(); }
  // Index of the first header named like the first ";"-field of Name (ASCII
  // letters compared without case); -1 when none. A name longer than a
  // stored one matches nothing: look up StoredMemberName(Source).
  int FindByName(std::string_view Name) const;

  // One new header per entry of List, after the present ones when Append.
  // Nothing changes when a source cannot be described.
  void BuildFromList(const TStrings& List, bool Append, const TSourceInfoFunc& Describe);
  // Replaces the list with the directory of the archive at Offset in Stream.
  // Counts and positions are checked against the stream's size.
  void ReadFrom(TStream& Stream, std::int64_t Offset);
  // The prologue and, in the table layout, the header table at position 0.
  void WriteTo(TStream& Stream);
  // The overall fields of Stats.
  void Totals(TlzhFileStats& Stats) const;

  bool Spanned = false;

private:
  std::vector<std::unique_ptr<TFileHeader>> FItems;
};

} // namespace quendel
