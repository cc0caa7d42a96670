// Reading a version resource out of an untrusted file: the PE/NE walk and
// the block parser never raise, never read outside the input, and the
// values they give lie inside it.
#include "system/version_data.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace quendel;
  TByteSource Source;
  Source.Size = Size;
  Source.ReadAt = [&](std::uint64_t Position, void* Buffer, std::size_t Count) -> std::size_t {
    if (Position >= Size) return 0;
    const std::size_t N = static_cast<std::size_t>(
        Count < Size - Position ? Count : static_cast<std::size_t>(Size - Position));
    std::memcpy(Buffer, Data + Position, N);
    return N;
  };
  std::vector<std::uint8_t> Block = ReadPeVersionResource(Source);
  // The block parser also sees the raw input, as a block of either layout.
  for (std::vector<std::uint8_t> Bytes : {Block, std::vector<std::uint8_t>(Data, Data + Size)}) {
    const std::size_t BlockSize = Bytes.size();
    std::unique_ptr<IVersionData> Version = ParseVersionBlock(std::move(Bytes));
    if (!Version) continue;
    for (const char* Path :
         {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\FileVersion",
          "\\StringFileInfo\\040904B0\\CompanyName", "\\StringFileInfo"}) {
      const std::optional<std::string> Value = Version->Query(Path);
      if (Value && Value->size() > BlockSize) {
        std::fprintf(stderr, "a value longer than its block\n");
        std::abort();
      }
    }
  }
  return 0;
}
