// The portable PE resource code over an untrusted image: looking a resource
// up, computing the checksum and writing a resource either work or raise
// EPeImage, and never read or write outside the image.
#include "system/pe_resources.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace quendel;
  const std::vector<std::uint8_t> Image(Data, Data + Size);
  try {
    const auto Found = FindPeResource(Image, kResourceTypeRcData, "TFRMMAINMENU");
    if (Found && Found->size() > Size) {
      std::fprintf(stderr, "a resource larger than its image\n");
      std::abort();
    }
    (void)FindPeResource(Image, kResourceTypeVersion, "1");
    (void)PeChecksum(Image);
    // A written image holds what was written and reads as an image again.
    const std::vector<std::uint8_t> Payload{1, 2, 3, 4, 5};
    const std::vector<std::uint8_t> Written =
        SetPeResource(Image, kResourceTypeRcData, "TFRMMAINMENU", Payload);
    const auto Back = FindPeResource(Written, kResourceTypeRcData, "TFRMMAINMENU");
    if (!Back || *Back != Payload) {
      std::fprintf(stderr, "a written resource does not read back\n");
      std::abort();
    }
  } catch (const EPeImage&) {
  }
  return 0;
}
