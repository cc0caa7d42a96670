// The text form of an object stream: what authors write and read.
//
//   object frmMainMenu: TfrmMainMenu
//     Caption = 'Demo Install'
//     object Install1: TInstall
//       DestDir = 'C:\Demo'
//       BuildInfo.BuildDirectory = 'build'
//       InstallTypes = [itFull, itDefault]
//       DestDirType = psProgramFiles
//       ReadmeText.Strings = (
//         'First line'
//         'Second line')
//     end
//   end
//
// Records: "object Name: TClass ... end"; "inherited" or "inline" (or
// "inherited inline") instead of "object" for the prefix flags, "[n]" after
// the class for a child position, "object TClass" for an unnamed object.
// Properties come before children. "//" starts a comment.
//
// Values, and the tag each one is written as:
//   12, -5, $FF           integer: the smallest of int8, int16, int32, int64
//   1.5, 2.0, 1E300       extended;  1.5s single, 1.5c currency, 1.5d date
//   'It''s' #13#10 + 'x'  string: quoted runs and #nnn characters, "+" joins
//                         pieces across lines; up to 255 characters a short
//                         string, beyond that a long string, and a wide string
//                         when a character is above #255
//   psProgramFiles, A.B   identifier;  True, False, nil
//   [itFull, itDefault]   set;  ( 'a' 'b' ) list;  { 0A1B } binary
//   < item ... end item [2] ... end >   collection, "[n]" the item's order
//
// The binary form distinguishes more than these plain spellings do. What a
// plain spelling would change is written in a typed form, an identifier
// directly followed by "(":
//   Int8(5) Int16(5) Int32(5) Int64(5)   an integer stored wider than needed
//   LongString('x')  WideString('x')     a short text stored long or wide
//   Ident('not an identifier')           an identifier that is no identifier
//   Extended($400A9C40000000000000) Single($7FC00000) Date($...)
//                                        the exact bits of a float whose
//                                        decimal spelling would not read back
//                                        identically (NaN, infinities, ...)
// Names that are not identifiers (or are the words object, inherited, inline
// or end) are quoted: 'my name' = 5.
//
// So every binary stream converts to text and back to the identical bytes,
// and the text written for a stream is always the same. The text is 8-bit in
// the ANSI code page; the writer escapes everything outside printable ASCII
// as #nnn, so what it writes is plain ASCII.
#pragma once

#include "definition/object_stream.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quendel {

std::string ObjectToText(const TObjectRecord& Root);

// Raises EParserError with the line and column of the fault.
TObjectRecord TextToObject(std::string_view Text);

// Reads either form, recognised by its first bytes ("TPF0" is binary, a
// text starts with "object", "inherited" or "inline"); anything else raises
// EReadError "Invalid stream format". Bytes after a binary root are refused.
TObjectRecord ReadObjectStream(std::span<const std::uint8_t> Bytes);

} // namespace quendel
