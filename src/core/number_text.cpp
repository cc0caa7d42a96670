#include "core/number_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace quendel {

namespace {

// An unsigned integer of any size, 32-bit limbs, least significant first, no
// leading zero limbs. Only what the conversions need.
class TBig {
public:
  TBig() = default;
  explicit TBig(std::uint64_t V) {
    for (; V; V >>= 32)
      FLimbs.push_back(static_cast<std::uint32_t>(V));
  }

  bool IsZero() const { return FLimbs.empty(); }
  int BitLength() const {
    if (FLimbs.empty()) return 0;
    return static_cast<int>(FLimbs.size() * 32) - std::countl_zero(FLimbs.back());
  }

  // this = this * M + A
  void MulAdd(std::uint32_t M, std::uint32_t A) {
    std::uint64_t carry = A;
    for (std::uint32_t& l : FLimbs) {
      carry += std::uint64_t{l} * M;
      l = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry) FLimbs.push_back(static_cast<std::uint32_t>(carry));
  }

  void MulPow5(int N) {
    for (; N >= 13; N -= 13)
      MulAdd(1220703125u, 0); // 5^13, the largest power of five in a limb
    std::uint32_t m = 1;
    while (N-- > 0)
      m *= 5;
    MulAdd(m, 0);
  }

  // Divides by D and returns the remainder.
  std::uint32_t DivSmall(std::uint32_t D) {
    std::uint64_t rem = 0;
    for (std::size_t i = FLimbs.size(); i-- > 0;) {
      const std::uint64_t cur = rem << 32 | FLimbs[i];
      FLimbs[i] = static_cast<std::uint32_t>(cur / D);
      rem = cur % D;
    }
    Trim();
    return static_cast<std::uint32_t>(rem);
  }

  void ShiftLeft(int N) {
    if (FLimbs.empty() || N <= 0) return;
    const auto whole = static_cast<std::size_t>(N / 32);
    const int bits = N % 32;
    if (bits) {
      std::uint32_t carry = 0;
      for (std::uint32_t& l : FLimbs) {
        const std::uint32_t next = l >> (32 - bits);
        l = l << bits | carry;
        carry = next;
      }
      if (carry) FLimbs.push_back(carry);
    }
    FLimbs.insert(FLimbs.begin(), whole, 0);
  }

  void ShiftRight1() {
    for (std::size_t i = 0; i < FLimbs.size(); ++i)
      FLimbs[i] = FLimbs[i] >> 1 | (i + 1 < FLimbs.size() ? FLimbs[i + 1] << 31 : 0);
    Trim();
  }

  friend int Compare(const TBig& A, const TBig& B) {
    if (A.FLimbs.size() != B.FLimbs.size()) return A.FLimbs.size() < B.FLimbs.size() ? -1 : 1;
    for (std::size_t i = A.FLimbs.size(); i-- > 0;)
      if (A.FLimbs[i] != B.FLimbs[i]) return A.FLimbs[i] < B.FLimbs[i] ? -1 : 1;
    return 0;
  }

  // this -= B, where B <= this.
  void Subtract(const TBig& B) {
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < FLimbs.size(); ++i) {
      std::int64_t cur = std::int64_t{FLimbs[i]} - borrow - (i < B.FLimbs.size() ? B.FLimbs[i] : 0);
      borrow = cur < 0;
      if (borrow) cur += std::int64_t{1} << 32;
      FLimbs[i] = static_cast<std::uint32_t>(cur);
    }
    Trim();
  }

  // The decimal digits, without leading zeros ("" for zero).
  std::string Decimal() const {
    TBig n = *this;
    std::vector<std::uint32_t> chunks; // base 10^9, least significant first
    while (!n.IsZero())
      chunks.push_back(n.DivSmall(1000000000u));
    std::string out;
    for (std::size_t i = chunks.size(); i-- > 0;) {
      char nine[9];
      std::uint32_t c = chunks[i];
      for (int k = 9; k-- > 0; c /= 10)
        nine[k] = static_cast<char>('0' + c % 10);
      int skip = 0;
      if (out.empty())
        while (skip < 8 && nine[skip] == '0')
          ++skip;
      out.append(nine + skip, nine + 9);
    }
    return out;
  }

private:
  void Trim() {
    while (!FLimbs.empty() && FLimbs.back() == 0)
      FLimbs.pop_back();
  }

  std::vector<std::uint32_t> FLimbs;
};

// The rounded value of a decimal as a binary float of Precision bits whose
// normal exponents run from MinExp to MaxExp: Mantissa * 2^Exponent, where
// the mantissa has its top bit at Precision - 1 for a normal, lower for a
// subnormal.
struct TBinaryResult {
  bool Negative = false;
  bool Overflow = false;
  std::uint64_t Mantissa = 0;
  int Exponent = 0;
};

bool IsSpace(char C) {
  return C == ' ' || (C >= '\t' && C <= '\r');
}
bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}

TBinaryResult ReadBinary(std::string_view Text, int Precision, int MinExp, int MaxExp) {
  TBinaryResult r;
  std::size_t i = 0;
  while (i < Text.size() && IsSpace(Text[i]))
    ++i;
  if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) r.Negative = Text[i++] == '-';
  std::string sig; // the significant digits: no leading zeros
  long long e10 = 0;
  bool any = false;
  for (; i < Text.size() && IsDigit(Text[i]); ++i, any = true)
    if (!sig.empty() || Text[i] != '0') sig += Text[i];
  if (i < Text.size() && Text[i] == '.') {
    for (++i; i < Text.size() && IsDigit(Text[i]); ++i, any = true) {
      if (!sig.empty() || Text[i] != '0') sig += Text[i];
      --e10;
    }
  }
  if (!any) return {}; // nothing read: zero, as strtod gives it
  if (i < Text.size() && (Text[i] == 'e' || Text[i] == 'E')) {
    std::size_t j = i + 1;
    bool negExp = false;
    if (j < Text.size() && (Text[j] == '+' || Text[j] == '-')) negExp = Text[j++] == '-';
    if (j < Text.size() && IsDigit(Text[j])) {
      long long e = 0;
      for (; j < Text.size() && IsDigit(Text[j]); ++j)
        e = std::min(e * 10 + (Text[j] - '0'), 100000000LL); // far beyond any range
      e10 += negExp ? -e : e;
    }
  }
  // Past MaxDigits only whether a non-zero digit follows can matter: no
  // halfway point between two floats of the widest format has that many
  // significant digits, so a sticky 1 in their place rounds the same way,
  // and a text of a million digits costs no more than one of MaxDigits.
  constexpr std::size_t MaxDigits = 12000;
  if (sig.size() > MaxDigits) {
    const bool sticky = sig.find_first_not_of('0', MaxDigits) != std::string::npos;
    e10 += static_cast<long long>(sig.size() - MaxDigits);
    sig.resize(MaxDigits);
    if (sticky) {
      sig += '1';
      --e10;
    }
  }
  while (!sig.empty() && sig.back() == '0') {
    sig.pop_back();
    ++e10;
  }
  if (sig.empty()) return r; // a signed zero
  // The value lies in [10^(Magnitude-1), 10^Magnitude): far outside the
  // widest format it is an infinity or a zero without further arithmetic.
  const long long magnitude = static_cast<long long>(sig.size()) + e10;
  if (magnitude > 5000) {
    r.Overflow = true;
    return r;
  }
  if (magnitude < -5000) return r;

  // value = Num * 2^B / Den, with 10^e = 5^e * 2^e keeping the numbers small.
  TBig num;
  for (std::size_t k = 0; k < sig.size(); k += 9) {
    std::uint32_t chunk = 0, scale = 1;
    for (std::size_t m = k; m < std::min(sig.size(), k + 9); ++m, scale *= 10)
      chunk = chunk * 10 + static_cast<std::uint32_t>(sig[m] - '0');
    num.MulAdd(scale, chunk);
  }
  TBig den(1);
  const int b = static_cast<int>(e10);
  if (e10 >= 0)
    num.MulPow5(b);
  else
    den.MulPow5(-b);

  // The binary exponent of the value's leading bit.
  const int t = num.BitLength() - den.BitLength();
  TBig a = num, d = den;
  if (t >= 0)
    d.ShiftLeft(t);
  else
    a.ShiftLeft(-t);
  const int lead = (Compare(a, d) >= 0 ? t : t - 1) + b;
  if (lead > MaxExp) {
    r.Overflow = true;
    return r;
  }
  // The unit of the last kept bit; quotient = value / 2^unit < 2^Precision.
  int unit = std::max(lead, MinExp) - Precision + 1;
  const int shift = b - unit;
  if (shift >= 0)
    num.ShiftLeft(shift);
  else
    den.ShiftLeft(-shift);
  std::uint64_t q = 0;
  TBig step = den;
  step.ShiftLeft(Precision - 1);
  for (int bit = Precision - 1; bit >= 0; --bit) {
    if (Compare(num, step) >= 0) {
      num.Subtract(step);
      q |= std::uint64_t{1} << bit;
    }
    step.ShiftRight1();
  }
  // Round to nearest, ties to even: compare the remainder with half the divisor.
  num.ShiftLeft(1);
  const int half = Compare(num, den);
  if (half > 0 || (half == 0 && (q & 1))) {
    ++q;
    if (q == 0 || (Precision < 64 && q == std::uint64_t{1} << Precision)) {
      q = std::uint64_t{1} << (Precision - 1);
      ++unit;
    }
  }
  if (q == 0) return r;
  if (unit + 63 - std::countl_zero(q) > MaxExp) {
    r.Overflow = true;
    return r;
  }
  r.Mantissa = q;
  r.Exponent = unit;
  return r;
}

} // namespace

// --- binary to decimal -----------------------------------------------------------

TDecimalDigits::TDecimalDigits(bool Negative, std::uint64_t Mantissa, int Exponent)
    : FNegative(Negative) {
  if (Mantissa == 0) return;
  TBig n(Mantissa);
  int exp10 = 0;
  if (Exponent >= 0) {
    n.ShiftLeft(Exponent);
  } else {
    n.MulPow5(-Exponent); // m / 2^k = m * 5^k / 10^k
    exp10 = Exponent;
  }
  FDigits = n.Decimal();
  FExponent = static_cast<int>(FDigits.size()) - 1 + exp10;
  while (FDigits.back() == '0')
    FDigits.pop_back();
}

namespace {
std::uint64_t DoubleMantissa(double V) {
  const auto bits = std::bit_cast<std::uint64_t>(V);
  const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);
  return (bits >> 52 & 0x7FF) == 0 ? frac : frac | std::uint64_t{1} << 52;
}
int DoubleExponent(double V) {
  const auto exp = static_cast<int>(std::bit_cast<std::uint64_t>(V) >> 52 & 0x7FF);
  return (exp == 0 ? 1 : exp) - 1075;
}
} // namespace

TDecimalDigits::TDecimalDigits(double V)
    : TDecimalDigits(std::signbit(V), DoubleMantissa(V), DoubleExponent(V)) {}

bool TDecimalDigits::FromExtended(const std::array<std::uint8_t, 10>& Bytes, TDecimalDigits& Into) {
  std::uint64_t mant = 0;
  for (int k = 8; k-- > 0;)
    mant = mant << 8 | Bytes[static_cast<std::size_t>(k)];
  const unsigned se = Bytes[8] | static_cast<unsigned>(Bytes[9]) << 8;
  const int exp = static_cast<int>(se & 0x7FFF);
  if (exp == 0x7FFF || (exp != 0) != (mant >> 63 != 0)) return false;
  Into = TDecimalDigits((se & 0x8000) != 0, mant, (exp == 0 ? 1 : exp) - 16383 - 63);
  return true;
}

std::string TDecimalDigits::Rounded(int Count, int& Exponent) const {
  const int size = static_cast<int>(FDigits.size());
  Exponent = FExponent;
  if (Count >= size) return FDigits;
  if (Count < 0) return {};
  std::string s = FDigits.substr(0, static_cast<std::size_t>(Count));
  const char next = FDigits[static_cast<std::size_t>(Count)];
  const bool odd = Count > 0 && (s.back() - '0') % 2 == 1;
  if (next < '5' || (next == '5' && size == Count + 1 && !odd)) return s;
  int k = Count;
  while (k > 0 && s[static_cast<std::size_t>(k - 1)] == '9')
    s[static_cast<std::size_t>(--k)] = '0';
  if (k > 0) {
    ++s[static_cast<std::size_t>(k - 1)];
  } else { // 99.9 became 100: one more digit before the point
    s.insert(s.begin(), '1');
    if (Count > 0) s.pop_back();
    ++Exponent;
  }
  return s;
}

std::string TDecimalDigits::General(int Precision) const {
  const int p = std::max(Precision, 1);
  std::string out = FNegative ? "-" : "";
  if (FDigits.empty()) return out + "0";
  int x = 0;
  std::string s = Rounded(p, x);
  while (!s.empty() && s.back() == '0')
    s.pop_back();
  if (x < p && x >= -4) {
    if (x >= 0) {
      s.resize(std::max(s.size(), static_cast<std::size_t>(x) + 1), '0');
      out.append(s, 0, static_cast<std::size_t>(x) + 1);
      if (s.size() > static_cast<std::size_t>(x) + 1)
        out.append(".").append(s, static_cast<std::size_t>(x) + 1);
    } else {
      out.append("0.").append(static_cast<std::size_t>(-x - 1), '0').append(s);
    }
    return out;
  }
  out += s[0];
  if (s.size() > 1) out.append(".").append(s, 1);
  out += x < 0 ? "e-" : "e+";
  const int mag = x < 0 ? -x : x;
  if (mag < 10) out += '0';
  out += std::to_string(mag);
  return out;
}

std::string TDecimalDigits::Fixed(int Precision) const {
  const int p = std::max(Precision, 0);
  std::string out = FNegative ? "-" : "";
  int x = 0;
  const std::string s = FDigits.empty() ? std::string() : Rounded(FExponent + 1 + p, x);
  auto digit = [&](int Index) {
    return Index >= 0 && Index < static_cast<int>(s.size()) ? s[static_cast<std::size_t>(Index)]
                                                            : '0';
  };
  if (s.empty() || x < 0)
    out += '0';
  else
    for (int k = 0; k <= x; ++k)
      out += digit(k);
  if (p > 0) out += '.';
  for (int j = 1; j <= p; ++j)
    out += s.empty() ? '0' : digit(x + j);
  return out;
}

std::string FormatFixed(double V, int Precision) {
  if (std::isnan(V)) return std::signbit(V) ? "-nan" : "nan";
  if (std::isinf(V)) return V < 0 ? "-inf" : "inf";
  return TDecimalDigits(V).Fixed(Precision);
}

// --- decimal to binary -----------------------------------------------------------

double ReadDouble(std::string_view Text, bool* Overflow) {
  const TBinaryResult r = ReadBinary(Text, 53, -1022, 1023);
  if (Overflow) *Overflow = r.Overflow;
  std::uint64_t bits = r.Negative ? std::uint64_t{1} << 63 : 0;
  if (r.Overflow)
    bits |= 0x7FF0000000000000ULL;
  else if (r.Mantissa >> 52) // normal: the leading bit is implied
    bits |= static_cast<std::uint64_t>(r.Exponent + 52 + 1023) << 52 |
            (r.Mantissa & ((std::uint64_t{1} << 52) - 1));
  else
    bits |= r.Mantissa;
  return std::bit_cast<double>(bits);
}

float ReadSingle(std::string_view Text, bool* Overflow) {
  const TBinaryResult r = ReadBinary(Text, 24, -126, 127);
  if (Overflow) *Overflow = r.Overflow;
  std::uint32_t bits = r.Negative ? 0x80000000u : 0;
  if (r.Overflow)
    bits |= 0x7F800000u;
  else if (r.Mantissa >> 23)
    bits |= static_cast<std::uint32_t>(r.Exponent + 23 + 127) << 23 |
            static_cast<std::uint32_t>(r.Mantissa & 0x7FFFFF);
  else
    bits |= static_cast<std::uint32_t>(r.Mantissa);
  return std::bit_cast<float>(bits);
}

std::array<std::uint8_t, 10> ReadExtended(std::string_view Text, bool* Overflow) {
  const TBinaryResult r = ReadBinary(Text, 64, -16382, 16383);
  if (Overflow) *Overflow = r.Overflow;
  std::uint64_t mant = r.Mantissa;
  unsigned exp = 0;
  if (r.Overflow) {
    mant = std::uint64_t{1} << 63;
    exp = 0x7FFF;
  } else if (mant >> 63) { // normal; the integer bit is stored
    exp = static_cast<unsigned>(r.Exponent + 63 + 16383);
  }
  std::array<std::uint8_t, 10> b{};
  for (std::size_t k = 0; k < 8; ++k, mant >>= 8)
    b[k] = static_cast<std::uint8_t>(mant);
  const unsigned se = exp | (r.Negative ? 0x8000u : 0u);
  b[8] = static_cast<std::uint8_t>(se);
  b[9] = static_cast<std::uint8_t>(se >> 8);
  return b;
}

} // namespace quendel
