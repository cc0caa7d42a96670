// A growable text buffer on malloc, for the loading program, which keeps
// clear of the C++ library's strings to stay small. A failed allocation
// marks the buffer Failed instead of throwing; callers check it once.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace quendel::loader {

class TText {
public:
  TText() = default;
  TText(const TText&) = delete;
  TText& operator=(const TText&) = delete;
  ~TText() { std::free(FData); }

  const char* Get() const { return FData ? FData : ""; }
  std::size_t Length() const { return FLength; }
  bool Failed() const { return FFailed; }

  void Append(const char* Text, std::size_t Count) {
    if (FFailed) return;
    if (FLength + Count + 1 > FCapacity) {
      std::size_t Capacity = FCapacity ? FCapacity * 2 : 64;
      while (Capacity < FLength + Count + 1) Capacity *= 2;
      auto* Grown = static_cast<char*>(std::realloc(FData, Capacity));
      if (Grown == nullptr) {
        FFailed = true;
        return;
      }
      FData = Grown;
      FCapacity = Capacity;
    }
    std::memcpy(FData + FLength, Text, Count);
    FLength += Count;
    FData[FLength] = 0;
  }
  void Append(const char* Text) { Append(Text, std::strlen(Text)); }
  void Append(char C) { Append(&C, 1); }
  void Assign(const char* Text) {
    Clear();
    Append(Text);
  }
  void Clear() {
    FLength = 0;
    if (FData) FData[0] = 0;
  }

private:
  char* FData = nullptr;
  std::size_t FLength = 0;
  std::size_t FCapacity = 0;
  bool FFailed = false;
};

} // namespace quendel::loader
