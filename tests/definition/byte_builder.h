// Builds binary object streams byte by byte, so that tests state the stored
// format independently of the writer.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace quendel::deftest {

class TBytes {
public:
  TBytes& Signature() { return Chars("TPF0"); }
  TBytes& Raw(std::initializer_list<int> Bytes) {
    for (int b : Bytes)
      FBytes.push_back(static_cast<std::uint8_t>(b));
    return *this;
  }
  TBytes& Chars(std::string_view S) {
    FBytes.insert(FBytes.end(), S.begin(), S.end());
    return *this;
  }
  // A short string: length byte and characters.
  TBytes& Str(std::string_view S) {
    FBytes.push_back(static_cast<std::uint8_t>(S.size()));
    return Chars(S);
  }
  TBytes& Le(std::uint64_t V, int Size) {
    for (int i = 0; i < Size; ++i)
      FBytes.push_back(static_cast<std::uint8_t>(V >> (8 * i)));
    return *this;
  }
  // An object header without prefix.
  TBytes& Object(std::string_view Class, std::string_view Name) { return Str(Class).Str(Name); }
  TBytes& End() { return Raw({0}); }

  const std::vector<std::uint8_t>& Get() const { return FBytes; }
  operator const std::vector<std::uint8_t>&() const { return FBytes; }
  operator std::span<const std::uint8_t>() const { return FBytes; }
  std::size_t Size() const { return FBytes.size(); }

private:
  std::vector<std::uint8_t> FBytes;
};

} // namespace quendel::deftest
