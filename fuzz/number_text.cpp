// The number conversions against the C library's, on the same input. The
// first byte chooses the way round:
//   even: the rest is decimal text as a definition might hold it; whatever
//         strtod, strtof and strtold make of it, the readers must make the
//         same bits of (text the readers do not take on, such as "inf" or a
//         hexadecimal float, is only read, not compared);
//   odd:  the next eight bytes are a double's bits and the one after a
//         precision; "%.*g" and "%.*f" must spell it as snprintf does.
// Long inputs must stay fast: a definition is outside input.
#include "core/number_text.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Fail(const char* What, const std::string& Text) {
  std::fprintf(stderr, "%s differs for \"%.200s\"\n", What, Text.c_str());
  std::abort();
}

bool Comparable(const std::string& Text) {
  for (const char C : Text)
    if (!std::strchr("0123456789.eE+- \t\n\v\f\r", C) || C == '\0') return false;
  return true;
}

void Reading(const std::string& Text) {
  const double d = quendel::ReadDouble(Text);
  const float f = quendel::ReadSingle(Text);
  const auto x = quendel::ReadExtended(Text);
  if (!Comparable(Text)) return;
  if (std::bit_cast<std::uint64_t>(d) != std::bit_cast<std::uint64_t>(std::strtod(Text.c_str(), nullptr)))
    Fail("ReadDouble", Text);
  if (std::bit_cast<std::uint32_t>(f) != std::bit_cast<std::uint32_t>(std::strtof(Text.c_str(), nullptr)))
    Fail("ReadSingle", Text);
#if defined(__x86_64__) || defined(__i386__)
  const long double l = std::strtold(Text.c_str(), nullptr);
  if (std::memcmp(&l, x.data(), x.size()) != 0) Fail("ReadExtended", Text);
#endif
}

void Spelling(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 9) return;
  std::uint64_t bits;
  std::memcpy(&bits, Data, 8);
  const double v = std::bit_cast<double>(bits);
  const int p = Data[8] % 40;
  char want[512];
  std::snprintf(want, sizeof want, "%.*f", p, v);
  if (quendel::FormatFixed(v, p) != want) Fail("FormatFixed", want);
  if (!std::isfinite(v)) return;
  const quendel::TDecimalDigits digits(v);
  std::snprintf(want, sizeof want, "%.*g", p, v);
  if (digits.General(p) != want) Fail("General", want);
  std::snprintf(want, sizeof want, "%.*f", p, v);
  if (digits.Fixed(p) != want) Fail("Fixed", want);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  if (Data[0] % 2 == 0)
    Reading(std::string(reinterpret_cast<const char*>(Data + 1), Size - 1));
  else
    Spelling(Data + 1, Size - 1);
  return 0;
}
