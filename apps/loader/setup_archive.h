// A small reader of the setup archive ("setup.1") that the loading program
// carries: the chained layout only (a prologue, then each member header
// followed by its zlib stream). Every count, position and size is checked
// against the archive's extent before it is used, and a member must inflate
// to exactly its recorded size, so a damaged or truncated setup file is
// reported instead of producing a half-written program.
#pragma once

#include <cstdint>

namespace quendel::loader {

// Reads Count bytes at absolute Position of the setup file; false when fewer
// could be read.
using TReadAt = bool (*)(void* Context, std::uint64_t Position, void* Buffer,
                         std::uint32_t Count);
// Writes Count bytes to the file being extracted; false on failure.
using TWriteOut = bool (*)(void* Context, const void* Buffer, std::uint32_t Count);

struct TArchiveMember {
  char StoredName[101] = {};   // the name as stored (the source path at build time)
  const char* Name = nullptr;  // its file-name part, inside StoredName
  std::int32_t Size = 0;       // uncompressed
  std::int32_t DataStart = 0;  // archive positions
  std::int32_t EndPosition = 0;
  double Date = 0;             // days since 30 December 1899, local time
};

enum class TArchiveResult { Ok, Damaged, WriteFailed, NoMemory };

class TSetupArchive {
public:
  // The archive occupies Length bytes from Start of the setup file.
  TSetupArchive(TReadAt Read, void* Context, std::uint64_t Start, std::uint64_t Length)
      : FRead(Read), FContext(Context), FStart(Start), FLength(Length) {}

  // Reads the prologue: a chained archive with at least one member.
  TArchiveResult Open();
  int Count() const { return FCount; }
  // The next member's header; Damaged past the last one or on a bad header.
  TArchiveResult Next(TArchiveMember& Member);
  // Inflates the member's data through Write.
  TArchiveResult Extract(const TArchiveMember& Member, TWriteOut Write, void* WriteContext);

private:
  TReadAt FRead;
  void* FContext;
  std::uint64_t FStart;
  std::uint64_t FLength;
  int FCount = 0;
  int FIndex = 0;
  std::uint64_t FNext = 0; // archive position of the next header
};

// True for a name that can only create a file in the directory it is
// extracted to: not empty, not "." or "..", no path separators, drive
// colons, wildcards or control characters.
bool IsPlainFileName(const char* Name);

} // namespace quendel::loader
