// Raw version resources: finding the block inside a PE file, and querying
// values out of it by path ("\", "\VarFileInfo\Translation",
// "\StringFileInfo\040904E4\CompanyName"), as the Win32 version API does.
#pragma once

#include "core/event.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quendel {

// A version resource loaded from one file; answers value queries.
class IVersionData {
public:
  virtual ~IVersionData() = default;
  // The value at SubBlock: the fixed information and binary values as their
  // bytes, texts in the ANSI code page as the characters the resource stores
  // for them (not cut at a zero). Nothing when the path names no block.
  virtual std::optional<std::string> Query(std::string_view SubBlock) const = 0;
};

// Random access to a file's bytes.
struct TByteSource {
  std::uint64_t Size = 0;
  // Reads up to Count bytes at Position; returns how many were read.
  TEvent<std::size_t(std::uint64_t Position, void* Buffer, std::size_t Count)> ReadAt;
};

// The bytes of an executable's version resource: in a PE image type 16, name
// 1 (the US English language when there is one, else neutral, else the
// first); in a 16-bit NE image the same type and name. Empty when the file is
// neither or has no such resource; never raises on bad input.
std::vector<std::uint8_t> ReadPeVersionResource(const TByteSource& Source);

// A query object over a version block in either layout (the 32-bit one with
// UTF-16 keys and texts, and the old 16-bit one with 8-bit keys). Null when the
// block is too short to hold its own root.
std::unique_ptr<IVersionData> ParseVersionBlock(std::vector<std::uint8_t> Block);

// UTF-16LE code units to the ANSI code page 1252; a character it lacks
// becomes "?".
std::string Utf16ToAnsi(const std::uint16_t* Text, std::size_t Count);

} // namespace quendel
