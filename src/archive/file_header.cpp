#include "archive/file_header.h"

#include "archive/errors.h"
#include "core/byte_order.h"
#include "core/strings.h"

#include <cmath>
#include <cstring>

namespace quendel {

namespace {

const char* const MsgReadCount = "Could not read the file header count for the compressed file";
const char* const MsgReadHeaders =
    "Could not read the file headers for the compressed file. The Archive file could possible be "
    "corrupt";
const char* const MsgWriteHeaders = "Could not write the file headers for the compressed file";

bool SameNameAscii(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i) {
    char a = A[i], b = B[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

// The same answer, the characters compared last to first.
bool SameNameAsciiFromEnd(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = A.size(); i-- > 0;) {
    char a = A[i], b = B[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

} // namespace

// ---- TFileHeaderRecord ----------------------------------------------------------

std::int32_t TFileHeaderRecord::GetInt(int At) const {
  return GetLE<std::int32_t>(FBytes, static_cast<std::size_t>(At));
}

void TFileHeaderRecord::SetInt(int At, std::int32_t V) {
  PutLE(std::span<std::uint8_t>(FBytes), static_cast<std::size_t>(At), V);
}

TDateTime TFileHeaderRecord::FileDate() const {
  return GetLE<double>(FBytes, 8);
}

void TFileHeaderRecord::SetFileDate(TDateTime V) {
  PutLE(std::span<std::uint8_t>(FBytes), 8, V);
}

std::string TFileHeaderRecord::GetShort(int At, int Capacity) const {
  return std::string(GetShortView(At, Capacity));
}

std::string_view TFileHeaderRecord::GetShortView(int At, int Capacity) const {
  const int len = std::min<int>(FBytes[At], Capacity);
  return std::string_view(reinterpret_cast<const char*>(FBytes.data() + At + 1),
                          static_cast<std::size_t>(len));
}

void TFileHeaderRecord::SetShort(int At, int Capacity, std::string_view V) {
  if (V.size() > static_cast<std::size_t>(Capacity)) V = V.substr(0, Capacity);
  FBytes[At] = static_cast<std::uint8_t>(V.size());
  std::memcpy(FBytes.data() + At + 1, V.data(), V.size());
}

// ---- Statistics ------------------------------------------------------------------

std::uint8_t Percentage(double Part, double Whole) {
  if (Whole == 0) return 0;
  const double p = std::nearbyint(Part / Whole * 100.0);
  if (!std::isfinite(p) || std::fabs(p) > 9.0e18) return 0;
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(p) & 0xFF);
}

void SetMemberStats(TlzhFileStats& Stats, const TFileHeaderRecord& Header) {
  Stats.FileName = Header.FileName();
  Stats.UncompressedSize = Header.UncompressedSize();
  Stats.CompressedSize = Header.CompressedSize();
  Stats.FileBytesDone = 0;
  Stats.FilePercent = 0;
  Stats.Finished = false;
  Stats.Ratio = Percentage(static_cast<double>(Stats.CompressedSize),
                           static_cast<double>(Stats.UncompressedSize));
  Stats.Header = Header;
}

// ---- TFileHeaders ----------------------------------------------------------------

TFileHeader& TFileHeaders::Item(int Index) {
  if (Index < 0 || Index >= Count())
    Raise<EQndlCompress>("%d is an invalid TFileHeader index in TFileHeaders.GetFileHeaders",
                         {Index});
  return *FItems[static_cast<std::size_t>(Index)];
}

const TFileHeader& TFileHeaders::Item(int Index) const {
  return const_cast<TFileHeaders*>(this)->Item(Index);
}

void TFileHeaders::Add(std::unique_ptr<TFileHeader> Header) {
  if (!Header || Trim(Header->Record.FileName()).empty())
    Raise<EQndlCompress>("Tried to add an invalid file header");
  FItems.push_back(std::move(Header));
}

std::string StoredMemberName(std::string_view Name) {
  std::string Stored = GetToken(Name, 1);
  if (Stored.size() > static_cast<std::size_t>(FileNameCapacity)) Stored.resize(FileNameCapacity);
  return Stored;
}

bool SameStoredName(std::string_view A, std::string_view B) {
  return SameNameAscii(StoredMemberName(A), StoredMemberName(B));
}

int TFileHeaders::FindByName(std::string_view Name) const {
  // Asked once or twice for every member an install writes: the stored
  // names are compared where they lie, length first and from their ends
  // (members of one folder share their start), without a copy each.
  const std::string key = GetToken(Name, 1);
  for (int i = 0; i < Count(); ++i)
    if (SameNameAsciiFromEnd(FItems[static_cast<std::size_t>(i)]->Record.FileNameView(), key))
      return i;
  return -1;
}

void TFileHeaders::BuildFromList(const TStrings& List, bool Append,
                                 const TSourceInfoFunc& Describe) {
  std::vector<std::unique_ptr<TFileHeader>> made;
  for (int i = 0; i < List.Count(); ++i) {
    auto h = std::make_unique<TFileHeader>();
    h->Record.SetFileName(GetToken(List[i], 1));
    const TSourceFileInfo info = Describe(h->Record.FileName());
    h->Record.SetFileDate(info.Date);
    h->Record.SetUncompressedSize(static_cast<std::int32_t>(info.Size));
    h->Record.SetFileVersion(info.Version);
    h->Record.SetSequence(i + 1);
    if (Trim(h->Record.FileName()).empty())
      Raise<EQndlCompress>("Tried to add an invalid file header");
    made.push_back(std::move(h));
  }
  if (!Append) FItems.clear();
  for (auto& h : made)
    FItems.push_back(std::move(h));
}

void TFileHeaders::ReadFrom(TStream& Stream, std::int64_t Offset) {
  FItems.clear();
  const std::int64_t size = Stream.Size();
  if (Offset < 0 || Offset + ArchivePrologueSize > size) Raise<EQndlCompress>(MsgReadCount);
  Stream.SetPosition(Offset);
  std::uint8_t prologue[ArchivePrologueSize];
  std::size_t got = 0;
  while (got < sizeof prologue) {
    const std::size_t n = Stream.Read(prologue + got, sizeof prologue - got);
    if (n == 0) break;
    got += n;
  }
  if (got < sizeof prologue) Raise<EQndlCompress>(MsgReadCount);
  const auto count = GetLE<std::int32_t>(prologue, 0);
  Spanned = prologue[4] != 0;
  // Every member needs a header's worth of bytes after the prologue.
  const std::int64_t room = (size - Offset - ArchivePrologueSize) / FileHeaderSize;
  if (count < 0 || count > room) Raise<EQndlCompress>(MsgReadHeaders);

  std::int64_t p = Offset + ArchivePrologueSize;
  for (std::int32_t i = 0; i < count; ++i) {
    if (p < Offset || p + FileHeaderSize > size) Raise<EQndlCompress>(MsgReadHeaders);
    Stream.SetPosition(p);
    auto h = std::make_unique<TFileHeader>();
    auto& bytes = h->Record.Bytes();
    got = 0;
    while (got < bytes.size()) {
      const std::size_t n = Stream.Read(bytes.data() + got, bytes.size() - got);
      if (n == 0) break;
      got += n;
    }
    if (got < bytes.size()) Raise<EQndlCompress>(MsgReadHeaders);
    h->Loaded = true;
    p = Offset + h->Record.NextHeader();
    Add(std::move(h));
  }
}

void TFileHeaders::WriteTo(TStream& Stream) {
  Stream.SetPosition(0);
  std::uint8_t prologue[ArchivePrologueSize];
  PutLE(std::span<std::uint8_t>(prologue), 0, static_cast<std::int32_t>(Count()));
  prologue[4] = Spanned ? 1 : 0;
  if (Stream.Write(prologue, sizeof prologue) != sizeof prologue)
    Raise<EQndlCompress>(MsgWriteHeaders);
  if (!Spanned) return;
  for (auto& h : FItems) {
    const std::int64_t next = Stream.Position() + FileHeaderSize;
    h->Record.SetNextHeader(static_cast<std::int32_t>(next));
    const auto& bytes = h->Record.Bytes();
    if (Stream.Write(bytes.data(), bytes.size()) != bytes.size())
      Raise<EQndlCompress>(MsgWriteHeaders);
  }
}

void TFileHeaders::Totals(TlzhFileStats& Stats) const {
  Stats.TotalUncompressed = 0;
  Stats.TotalCompressed = 0;
  for (const auto& h : FItems) {
    Stats.TotalUncompressed += h->Record.UncompressedSize();
    Stats.TotalCompressed += h->Record.CompressedSize();
  }
  Stats.TotalBytesDone = 0;
  Stats.TotalPercent = 0;
  Stats.Finished = false;
  Stats.TotalRatio = Percentage(static_cast<double>(Stats.TotalCompressed),
                                static_cast<double>(Stats.TotalUncompressed));
}

} // namespace quendel
