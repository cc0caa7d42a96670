#include "setup_archive.h"

#include "inflate.h"

#include <cstdlib>
#include <cstring>

namespace quendel::loader {

namespace {

constexpr std::uint32_t PrologueSize = 5;
constexpr std::uint32_t HeaderSize = 176;
constexpr std::uint32_t ChunkSize = 32768;

std::int32_t GetInt(const std::uint8_t* At) {
  std::uint32_t U = 0;
  for (int i = 0; i < 4; ++i) U |= static_cast<std::uint32_t>(At[i]) << (8 * i);
  return static_cast<std::int32_t>(U);
}

} // namespace

bool IsPlainFileName(const char* Name) {
  if (Name == nullptr || *Name == 0) return false;
  if (std::strcmp(Name, ".") == 0 || std::strcmp(Name, "..") == 0) return false;
  for (const char* P = Name; *P; ++P) {
    const auto C = static_cast<unsigned char>(*P);
    if (C < 32 || std::strchr("\\/:*?\"<>|", C) != nullptr) return false;
  }
  return true;
}

TArchiveResult TSetupArchive::Open() {
  std::uint8_t Prologue[PrologueSize];
  if (FLength < PrologueSize || !FRead(FContext, FStart, Prologue, PrologueSize))
    return TArchiveResult::Damaged;
  const std::int32_t Count = GetInt(Prologue);
  // Only the chained layout is ever written for the setup archive, and its
  // first member is the setup program.
  if (Prologue[4] != 0 || Count < 1 ||
      static_cast<std::uint64_t>(Count) > (FLength - PrologueSize) / HeaderSize)
    return TArchiveResult::Damaged;
  FCount = Count;
  FIndex = 0;
  FNext = PrologueSize;
  return TArchiveResult::Ok;
}

TArchiveResult TSetupArchive::Next(TArchiveMember& Member) {
  if (FIndex >= FCount || FNext + HeaderSize > FLength) return TArchiveResult::Damaged;
  std::uint8_t H[HeaderSize];
  if (!FRead(FContext, FStart + FNext, H, HeaderSize)) return TArchiveResult::Damaged;
  const std::int32_t DataStart = GetInt(H + 136);
  const std::int32_t EndPosition = GetInt(H + 20);
  const std::int32_t NextHeader = GetInt(H + 128);
  const std::int32_t Size = GetInt(H + 132);
  // In the chained layout the data follows its header directly and the next
  // header follows the data; anything else is damage. A zlib stream is at
  // least two bytes of header and four of checksum.
  if (static_cast<std::uint64_t>(DataStart) != FNext + HeaderSize || EndPosition < DataStart + 5 ||
      static_cast<std::uint64_t>(EndPosition) >= FLength || NextHeader != EndPosition + 1 ||
      Size < 0 || H[16] != 0 || H[144] != 0)
    return TArchiveResult::Damaged;
  std::uint8_t NameLength = H[24];
  if (NameLength > 100) NameLength = 100;
  std::memcpy(Member.StoredName, H + 25, NameLength);
  Member.StoredName[NameLength] = 0;
  if (std::strlen(Member.StoredName) != NameLength) return TArchiveResult::Damaged;
  const char* Name = Member.StoredName;
  for (const char* P = Member.StoredName; *P; ++P)
    if (*P == '\\' || *P == '/' || *P == ':') Name = P + 1;
  Member.Name = Name;
  Member.Size = Size;
  Member.DataStart = DataStart;
  Member.EndPosition = EndPosition;
  std::uint64_t DateBits = 0;
  for (int i = 0; i < 8; ++i) DateBits |= static_cast<std::uint64_t>(H[8 + i]) << (8 * i);
  std::memcpy(&Member.Date, &DateBits, 8);
  FNext = static_cast<std::uint64_t>(NextHeader);
  ++FIndex;
  return TArchiveResult::Ok;
}

namespace {

// The member's data as the inflater reads it, and what it inflates to.
struct TExtraction {
  TReadAt Read;
  void* ReadContext;
  std::uint64_t Position, End; // absolute positions in the setup file
  std::uint8_t* Buffer;
  bool ReadFailed = false;
  TWriteOut Write;
  void* WriteContext;
  std::uint64_t Written = 0, Size;
  bool WriteFailed = false;
};

bool FillFromMember(void* Context, const std::uint8_t*& Data, std::uint32_t& Count) {
  auto& X = *static_cast<TExtraction*>(Context);
  const std::uint64_t Left = X.End - X.Position;
  Count = static_cast<std::uint32_t>(Left < ChunkSize ? Left : ChunkSize);
  if (Count == 0) return true;
  if (!X.Read(X.ReadContext, X.Position, X.Buffer, Count)) {
    X.ReadFailed = true;
    Count = 0;
    return false;
  }
  X.Position += Count;
  Data = X.Buffer;
  return true;
}

bool WriteMember(void* Context, const std::uint8_t* Data, std::uint32_t Count) {
  auto& X = *static_cast<TExtraction*>(Context);
  X.Written += Count;
  // More than the recorded size is damage, found before it is written.
  if (X.Written > X.Size) return false;
  X.WriteFailed = !X.Write(X.WriteContext, Data, Count);
  return !X.WriteFailed;
}

} // namespace

TArchiveResult TSetupArchive::Extract(const TArchiveMember& Member, TWriteOut Write,
                                      void* WriteContext) {
  TExtraction X{};
  X.Read = FRead;
  X.ReadContext = FContext;
  X.Position = FStart + static_cast<std::uint64_t>(Member.DataStart);
  X.End = FStart + static_cast<std::uint64_t>(Member.EndPosition) + 1;
  X.Buffer = static_cast<std::uint8_t*>(std::malloc(ChunkSize));
  X.Write = Write;
  X.WriteContext = WriteContext;
  X.Size = static_cast<std::uint64_t>(Member.Size);
  if (X.Buffer == nullptr) return TArchiveResult::NoMemory;
  const TInflateResult R = InflateZlib(FillFromMember, &X, WriteMember, &X);
  std::free(X.Buffer);
  if (R == TInflateResult::NoMemory) return TArchiveResult::NoMemory;
  if (X.WriteFailed) return TArchiveResult::WriteFailed;
  // The stream must fill the member's data exactly and give its recorded size.
  if (R != TInflateResult::Ok || X.Written != X.Size) return TArchiveResult::Damaged;
  return TArchiveResult::Ok;
}

} // namespace quendel::loader
