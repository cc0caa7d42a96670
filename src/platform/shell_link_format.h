#pragma once
// The shell link file format (".lnk", the documented Shell Link binary
// format), written and read without the shell, so that a machine without
// Windows can make shortcuts and anyone can check what a link holds.
//
// Written: the 76-byte header, a LinkInfo block with the target as a local
// base path (or, for "\\server\share\..." targets, a network location), and
// the strings in UTF-16 (description, relative path for a target that is not
// a full path, working directory, arguments, icon location). No item-ID list:
// it is optional, and the shell finds the target through the LinkInfo block.
// Read: all of that, and links the shell wrote (with an item-ID list, ANSI
// or UTF-16 strings and extra data blocks).

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/links.h"

namespace quendel::platform {

// A file that is not a shell link, or one cut short.
class EShellLinkFormat : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// What the header records about the target when it exists (zero otherwise).
struct TLinkTargetInfo {
  TFileAttributes Attributes = 0;
  std::uint64_t Size = 0;
  TFileStamp Stamp = 0;
};

// The link's bytes. Throws EShellLinkFormat for a text too long for the
// format (65535 UTF-16 units).
std::vector<std::uint8_t> EncodeShellLink(const TShellLink& Link, const TLinkTargetInfo& Target = {});

// What a link file holds. The target is the LinkInfo's local base path (or
// network name) with its common suffix; failing that, the relative path or
// the target of an environment-variable block. Throws EShellLinkFormat for
// bytes that are not a shell link or whose blocks run past the end.
TShellLink DecodeShellLink(const std::uint8_t* Data, std::size_t Size);
inline TShellLink DecodeShellLink(const std::vector<std::uint8_t>& Bytes) {
  return DecodeShellLink(Bytes.data(), Bytes.size());
}

// Reads the file through the port and decodes it.
TShellLink ReadShellLinkFile(IFileSystem& Files, const std::string& Path);

// ANSI code page 1252 and UTF-16; a character without an equivalent becomes "?".
std::u16string LinkAnsiToWide(const std::string& Text);
std::string LinkWideToAnsi(const std::u16string& Text);

} // namespace quendel::platform
