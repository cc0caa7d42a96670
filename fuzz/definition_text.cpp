// The text reader of object streams, on untrusted text: anything it accepts
// converts to binary and back unchanged, is written again as the same text,
// and loads cleanly or fails cleanly.
#include "definition/binary_codec.h"
#include "definition/text_codec.h"
#include "definition_fuzz.h"

#include <string_view>

using namespace quendel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TObjectRecord stream;
  try {
    stream = TextToObject(std::string_view(reinterpret_cast<const char*>(Data), Size));
  } catch (const EParserError&) {
    return 0;
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes = WriteObjectBinary(stream);
  } catch (const EWriteError&) {
    return 0; // a text can say what no binary stream holds (a class name of 240+ characters)
  }
  if (!(ReadObjectBinary(bytes) == stream)) fuzz::Die("binary round trip changed the stream");
  const std::string text = ObjectToText(stream);
  const TObjectRecord again = TextToObject(text);
  if (!(again == stream)) fuzz::Die("the written text reads differently");
  if (ObjectToText(again) != text) fuzz::Die("the written text is not stable");
  fuzz::LoadAndRewrite(stream);
  return 0;
}
