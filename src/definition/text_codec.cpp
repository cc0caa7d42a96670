#include "definition/text_codec.h"

#include "core/strings.h"
#include "definition/binary_codec.h"

#include <cctype>

namespace quendel {

namespace {
// Whether Text starts, after white space, with a keyword a text definition
// starts with. Anything else (a damaged binary signature, some other file)
// is not a definition of either form.
bool LooksLikeText(std::string_view Text) {
  std::size_t At = 0;
  while (At < Text.size() &&
         (Text[At] == ' ' || Text[At] == '\t' || Text[At] == '\r' || Text[At] == '\n'))
    ++At;
  std::size_t End = At;
  while (End < Text.size() && std::isalpha(static_cast<unsigned char>(Text[End])))
    ++End;
  const std::string_view Word = Text.substr(At, End - At);
  return SameText(Word, "object") || SameText(Word, "inherited") || SameText(Word, "inline");
}
} // namespace

TObjectRecord ReadObjectStream(std::span<const std::uint8_t> Bytes) {
  if (IsBinaryStream(Bytes)) return ReadObjectBinary(Bytes);
  const std::string_view Text(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
  if (!LooksLikeText(Text)) Raise<EReadError>("Invalid stream format");
  return TextToObject(Text);
}

} // namespace quendel
