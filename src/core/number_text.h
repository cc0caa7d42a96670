// Exact conversions between binary floats and decimal text, without the C
// library's printf and strtod: their float code is large, and the spellings
// the object stream stores must come out the same on every platform that
// writes or reads them. Both directions are exact (big-integer arithmetic):
// the text shows the value rounded to nearest, ties to even, and a decimal
// reads as the nearest float, ties to even, with subnormals and infinities
// where the format has them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quendel {

// The exact decimal digits of a finite binary float Mantissa * 2^Exponent.
class TDecimalDigits {
public:
  TDecimalDigits(bool Negative, std::uint64_t Mantissa, int Exponent);
  explicit TDecimalDigits(double V); // V finite
  // The 10 stored bytes of an 80-bit extended; false for an infinity, a NaN,
  // or an encoding no arithmetic produces (an integer bit that disagrees
  // with the exponent).
  static bool FromExtended(const std::array<std::uint8_t, 10>& Bytes, TDecimalDigits& Into);

  // printf's "%.*g" and "%.*f" (no flags).
  std::string General(int Precision) const;
  std::string Fixed(int Precision) const;

private:
  // Rounded to Count significant digits: the digits (at most Count; fewer
  // when the rest are zeros, none when it rounds to zero) and the decimal
  // exponent of the first.
  std::string Rounded(int Count, int& Exponent) const;

  bool FNegative = false;
  std::string FDigits; // no leading or trailing zeros; empty for zero
  int FExponent = 0;   // the value is 0.d1d2d3... * 10^(FExponent + 1)
};

// The floats a decimal reads into. Text is read as strtod reads it (leading
// white space, a sign, digits with an optional point, an optional exponent;
// the rest is ignored; no digits read as zero). Overflow is set when the
// value lies beyond the format's range (the result is then an infinity).
double ReadDouble(std::string_view Text, bool* Overflow = nullptr);
float ReadSingle(std::string_view Text, bool* Overflow = nullptr);
std::array<std::uint8_t, 10> ReadExtended(std::string_view Text, bool* Overflow = nullptr);

// printf's "%.*f" of a double, "nan", "-inf" and the like included.
std::string FormatFixed(double V, int Precision);

} // namespace quendel
