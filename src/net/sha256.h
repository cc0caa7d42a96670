#pragma once
// SHA-256, for checking a downloaded file against the digest its author gave.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quendel {

class TSha256 {
public:
  TSha256();
  void Update(const void* data, std::size_t size);
  // The digest as 64 lower-case hexadecimal digits; the object is spent afterwards.
  std::string HexDigest();

private:
  void Block(const std::uint8_t* p);
  std::array<std::uint32_t, 8> FState;
  std::array<std::uint8_t, 64> FBuffer{};
  std::size_t FFill = 0;
  std::uint64_t FLength = 0;
};

} // namespace quendel
