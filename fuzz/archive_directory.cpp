// Reading an archive's directory from untrusted bytes: the reader either
// fails with the compressor's own error or gives headers that lie inside the
// input, in a bounded number.
#include "archive/errors.h"
#include "archive/file_header.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace quendel;
  // The first byte picks where the archive starts, as Offset does.
  std::int64_t offset = 0;
  if (Size > 0) {
    offset = Data[0] % 8;
    ++Data;
    --Size;
  }
  TMemoryStream s(std::vector<std::uint8_t>(Data, Data + Size));
  TFileHeaders list;
  try {
    list.ReadFrom(s, offset);
  } catch (const EQndlCompress&) {
    return 0;
  }
  if (list.Count() > static_cast<std::int64_t>(Size) / FileHeaderSize) {
    std::fprintf(stderr, "more headers than the input holds\n");
    std::abort();
  }
  TlzhFileStats st;
  list.Totals(st);
  for (int i = 0; i < list.Count(); ++i) {
    SetMemberStats(st, list.Item(i).Record);
    if (list.FindByName(list.Item(i).Record.FileName()) > i) std::abort();
  }
  TMemoryStream out;
  list.WriteTo(out);
  return 0;
}
