#include "core/format.h"
#include "core/number_text.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace quendel {
namespace {

std::uint64_t Bits(double V) {
  return std::bit_cast<std::uint64_t>(V);
}

using TExtended = std::array<std::uint8_t, 10>;

// The spellings stored in definitions and form layouts, and the readings of
// the limits: the same in every build (the setup program's included).
TEST(NumberText, SpellingsAndLimits_AreTheSameInEveryBuild) {
  auto shortest = [](double V) {
    const TDecimalDigits digits(V);
    for (int p = 1; p <= 17; ++p)
      if (const std::string s = digits.General(p); Bits(ReadDouble(s)) == Bits(V)) return s;
    return std::string("none");
  };
  EXPECT_EQ(shortest(0.1), "0.1");
  EXPECT_EQ(shortest(100.0), "1e+02"); // %g's exponent form, kept as stored
  EXPECT_EQ(shortest(1e23), "1e+23");
  EXPECT_EQ(shortest(1.0 / 3), "0.3333333333333333");
  EXPECT_EQ(shortest(123456.0), "123456");
  EXPECT_EQ(shortest(1234567.0), "1234567");
  EXPECT_EQ(shortest(0.0001), "0.0001");
  EXPECT_EQ(shortest(0.00001), "1e-05");
  EXPECT_EQ(shortest(-2.5), "-2.5");
  EXPECT_EQ(shortest(-0.0), "-0");
  EXPECT_EQ(shortest(5e-324), "5e-324");
  EXPECT_EQ(shortest(2.2250738585072014e-308), "2.2250738585072014e-308");
  EXPECT_EQ(shortest(1.7976931348623157e308), "1.7976931348623157e+308");
  EXPECT_EQ(shortest(0x1p-20), "9.5367431640625e-07");

  // Extendeds: 0.1, the largest, the smallest normal and subnormal, 1/3.
  const std::pair<const char*, TExtended> extendeds[] = {
      {"0.1", {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
      {"1.189731495357231765e+4932", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x7F}},
      {"3.3621031431120935063e-4932", {0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0}},
      {"4e-4951", {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"0.33333333333333333334", {0xAB, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xFD, 0x3F}},
  };
  for (const auto& [text, bytes] : extendeds) {
    EXPECT_EQ(ReadExtended(text), bytes) << text;
    TDecimalDigits digits(false, 0, 0);
    ASSERT_TRUE(TDecimalDigits::FromExtended(bytes, digits));
    std::string found;
    for (int p = 1; p <= 21 && found.empty(); ++p)
      if (ReadExtended(digits.General(p)) == bytes) found = digits.General(p);
    EXPECT_EQ(found, text);
  }
  TDecimalDigits unused(false, 0, 0);
  EXPECT_FALSE(TDecimalDigits::FromExtended({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}, unused));
  EXPECT_FALSE(TDecimalDigits::FromExtended({1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x3F}, unused));

  // Reading: ties to even at the bottom and the top of each format, overflow.
  bool overflow = false;
  EXPECT_EQ(Bits(ReadDouble("2.4703282292062327e-324")), 0u);
  EXPECT_EQ(Bits(ReadDouble("2.4703282292062328e-324")), 1u);
  EXPECT_EQ(Bits(ReadDouble("-1e-400")), Bits(-0.0));
  EXPECT_EQ(ReadDouble("1.7976931348623158e308", &overflow), DBL_MAX);
  EXPECT_FALSE(overflow);
  EXPECT_TRUE(std::isinf(ReadDouble("1.7976931348623159e308", &overflow)) && overflow);
  EXPECT_EQ(ReadDouble("9007199254740993"), 0x1p53);
  EXPECT_EQ(ReadDouble("9007199254740993.0000000000000000000001"), 0x1.0000000000001p53);
  EXPECT_EQ(ReadSingle("3.4028235677973366e38", &overflow), FLT_MAX);
  EXPECT_TRUE(std::isinf(ReadSingle("3.4028235677973367e38", &overflow)) && overflow);
  ReadExtended("1e5000", &overflow);
  EXPECT_TRUE(overflow);
  EXPECT_EQ(ReadExtended("-1e-5000"), (TExtended{0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}));
  EXPECT_EQ(ReadDouble("  12.5x"), 12.5); // what follows the number is left
  EXPECT_EQ(ReadDouble("1e+"), 1.0);
  EXPECT_EQ(ReadDouble("-.e3"), 0.0);

  // Fixed: ties to even on the exact binary value, the sign of a zero kept, no length limit.
  EXPECT_EQ(FormatFixed(-0.001, 2), "-0.00");
  EXPECT_EQ(FormatFixed(0.5, 0), "0");
  EXPECT_EQ(FormatFixed(1.5, 0), "2");
  EXPECT_EQ(FormatFixed(1.0005, 3), "1.000");
  EXPECT_EQ(FormatFixed(0.05, 1), "0.1");
  EXPECT_EQ(FormatFixed(0.1, 20), "0.10000000000000000555");
  EXPECT_EQ(FormatFixed(99.996, 2), "100.00");
  EXPECT_EQ(FormatFixed(-INFINITY, 2), "-inf");
  // A message's %f is not cut short: 101 digits, the point and two decimals.
  const std::string large = Format("%.2f", {1e100});
  EXPECT_EQ(large.size(), 104u);
  EXPECT_EQ(large.substr(0, 20), "10000000000000000159");
  EXPECT_EQ(large.substr(98), "104.00");
}

#ifdef __GLIBC__
// The conversions against the C library they replace, over random bit
// patterns, powers of ten, exact halfway cases, subnormals and the limits.
TEST(NumberText, MatchesTheCLibrary_OnEveryKindOfValue) {
  std::mt19937_64 rng(20261208);
  char buf[900];
  int failures = 0;
  auto reads = [&](const char* s) {
    if (Bits(ReadDouble(s)) != Bits(std::strtod(s, nullptr))) ADD_FAILURE() << "double " << s;
    if (std::bit_cast<std::uint32_t>(ReadSingle(s)) !=
        std::bit_cast<std::uint32_t>(std::strtof(s, nullptr)))
      ADD_FAILURE() << "single " << s;
    const long double l = std::strtold(s, nullptr);
    if (std::memcmp(ReadExtended(s).data(), &l, 10) != 0) ADD_FAILURE() << "extended " << s;
  };
  auto doubles = [&](double v) {
    const TDecimalDigits digits(v);
    for (int p = 0; p <= 18 && failures < 10; ++p) {
      std::snprintf(buf, sizeof buf, "%.*g", p, v);
      if (digits.General(p) != buf && ++failures) ADD_FAILURE() << "%g " << p << " " << buf;
      reads(buf);
    }
    for (int p : {0, 1, 2, 6, 17, 25}) {
      std::snprintf(buf, sizeof buf, "%.*f", p, v);
      if (FormatFixed(v, p) != buf && ++failures) ADD_FAILURE() << "%f " << p << " " << buf;
    }
    // Exactly halfway to the next double up, and a digit short of it.
    const std::uint64_t b = Bits(std::fabs(v));
    const auto exp = static_cast<int>(b >> 52);
    const std::uint64_t m =
        (b & ((std::uint64_t{1} << 52) - 1)) | (exp ? std::uint64_t{1} << 52 : 0);
    const TDecimalDigits half(false, 2 * m + 1, (exp ? exp : 1) - 1076);
    reads(half.General(800).c_str());
    reads(half.General(20).c_str());
  };
  for (int i = 0; i < 400; ++i)
    if (const double v = std::bit_cast<double>(rng()); std::isfinite(v)) doubles(v);
  for (int e = -325; e <= 308; e += 7)
    doubles(std::strtod(("1e" + std::to_string(e)).c_str(), nullptr));
  for (double v : {0.0, -0.0, 5e-324, 2.2250738585072009e-308, DBL_MIN, DBL_MAX, 0.5, 2.5, 0.125,
                   9.5, 999.5, 0.15, 0.35, 1e22, 1e23, double(FLT_MAX), double(FLT_MIN)})
    doubles(v);

  auto extendeds = [&](std::uint64_t mant, unsigned se) {
    TExtended bytes{};
    for (std::size_t k = 0; k < 8; ++k)
      bytes[k] = static_cast<std::uint8_t>(mant >> (8 * k));
    bytes[8] = static_cast<std::uint8_t>(se);
    bytes[9] = static_cast<std::uint8_t>(se >> 8);
    long double v = 0;
    std::memcpy(&v, bytes.data(), 10);
    TDecimalDigits digits(false, 0, 0);
    if (!TDecimalDigits::FromExtended(bytes, digits)) return;
    for (int p = 1; p <= 21 && failures < 10; ++p) {
      std::snprintf(buf, sizeof buf, "%.*Lg", p, v);
      if (digits.General(p) != buf && ++failures) ADD_FAILURE() << "%Lg " << p << " " << buf;
      reads(buf);
    }
    std::snprintf(buf, sizeof buf, "%.40Le", v); // beyond the last bit: near-halfway readings
    reads(buf);
  };
  for (int i = 0; i < 60; ++i)
    extendeds(rng() | std::uint64_t{1} << 63, static_cast<unsigned>(1 + rng() % 32766) | (i & 1)
                                                                                             << 15);
  for (int i = 0; i < 20; ++i) // subnormals
    extendeds(rng() >> (1 + rng() % 63), 0);
  extendeds(~std::uint64_t{0}, 0x7FFE);
  extendeds(std::uint64_t{1} << 63, 1);
  extendeds(1, 0);

  for (int i = 0; i < 400; ++i) { // digit strings of every length and range
    std::string s = (i & 1) ? "-" : "";
    for (int k = 1 + static_cast<int>(rng() % 40); k-- > 0;)
      s += static_cast<char>('0' + rng() % 10);
    const int range[] = {9900, 700, 90};
    s += "e" + std::to_string(static_cast<int>(rng() % range[i % 3]) - range[i % 3] / 2);
    reads(s.c_str());
  }
}
#endif

} // namespace
} // namespace quendel
