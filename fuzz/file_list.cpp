// Reading "filelist.lst" as a server hands it out: the reader either
// refuses with an error text or gives records that encode back to the same
// bytes, and never reads outside the input.
#include "distribution/file_list.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace quendel::distribution;
  std::vector<TFileListRecord> Records;
  std::string Error;
  if (!DecodeFileList(Data, Size, Records, Error)) {
    if (Error.empty()) {
      std::fprintf(stderr, "refused without a reason\n");
      std::abort();
    }
    return 0;
  }
  // What was read is what a build would write: it encodes again and reads
  // back to the same records.
  std::vector<std::uint8_t> Again;
  std::vector<TFileListRecord> Back;
  if (!EncodeFileList(Records, Again, Error) ||
      !DecodeFileList(Again.data(), Again.size(), Back, Error) || Back.size() != Records.size()) {
    std::fprintf(stderr, "an accepted list does not encode again: %s\n", Error.c_str());
    std::abort();
  }
  for (std::size_t i = 0; i < Records.size(); ++i)
    if (Back[i].Size != Records[i].Size || Back[i].Name != Records[i].Name ||
        Back[i].Version != Records[i].Version ||
        std::memcmp(&Back[i].Date, &Records[i].Date, sizeof(double)) != 0) {
      std::fprintf(stderr, "record %zu changed on the way round\n", i);
      std::abort();
    }
  return 0;
}
