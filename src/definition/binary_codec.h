// The binary form of an object stream: "TPF0" and one object record.
//
// The input is untrusted (author files, program resources): every length and
// count is checked against what remains, unknown tags and nesting deeper than
// kMaxNesting are refused, and every failure is an EReadError naming what was
// wrong and the offset at which it was found.
#pragma once

#include "definition/object_stream.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quendel {

inline constexpr char kStreamSignature[4] = {'T', 'P', 'F', '0'};

// True when Bytes begins with the signature.
bool IsBinaryStream(std::span<const std::uint8_t> Bytes);

// Reads the signature and the root record. Bytes after the root are not part
// of the stream; their start is stored in *Consumed when given, and when
// Consumed is null they are refused ("Invalid stream format").
TObjectRecord ReadObjectBinary(std::span<const std::uint8_t> Bytes,
                               std::size_t* Consumed = nullptr);

// Writes the signature and Root. A model that has no binary form (a short
// string over 255 characters, an integer that does not fit its tag, a prefix
// flag without its value, ...) raises EWriteError.
std::vector<std::uint8_t> WriteObjectBinary(const TObjectRecord& Root);

} // namespace quendel
