// The binary reader of object streams, on untrusted bytes: anything it
// accepts writes back to the same bytes, converts to text and back unchanged,
// and loads cleanly or fails cleanly.
#include "definition/binary_codec.h"
#include "definition/text_codec.h"
#include "definition_fuzz.h"

#include <span>

using namespace quendel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::span<const std::uint8_t> input(Data, Size);
  TObjectRecord stream;
  std::size_t used = 0;
  try {
    stream = ReadObjectBinary(input, &used);
  } catch (const EReadError&) {
    return 0;
  }
  if (WriteObjectBinary(stream) !=
      std::vector<std::uint8_t>(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(used)))
    fuzz::Die("the writer does not give back the bytes read");
  const std::string text = ObjectToText(stream);
  TObjectRecord back;
  try {
    back = TextToObject(text);
  } catch (const EParserError& e) {
    std::fprintf(stderr, "%s\n%s\n", e.what(), text.c_str());
    fuzz::Die("the text written for a stream does not read");
  }
  if (!(back == stream)) fuzz::Die("text round trip changed the stream");
  fuzz::LoadAndRewrite(stream);
  return 0;
}
