// Reading a shell link (".lnk") from an untrusted file, as `quendel link
// show` and the links layer do: the reader either gives a link whose texts
// come from the input or raises EShellLinkFormat; it never reads outside the
// input and raises nothing else.
#include "platform/shell_link_format.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace quendel::platform;
  try {
    const TShellLink Link = DecodeShellLink(Data, Size);
    // Every text is read out of the input (a Unicode one is at most as long
    // in ANSI as its UTF-16 bytes).
    for (const std::string* Text :
         {&Link.Path, &Link.Arguments, &Link.WorkingDirectory, &Link.Description, &Link.IconPath})
      if (Text->size() > Size) {
        std::fprintf(stderr, "a text longer than the link\n");
        std::abort();
      }
  } catch (const EShellLinkFormat&) {
  }
  return 0;
}
