#include "definition/object_stream.h"

#include "core/byte_order.h"
#include "core/number_text.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace quendel {

static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559,
              "stored singles and dates are IEEE floats");

const char* ValueTypeName(TValueType Type) {
  switch (Type) {
  case TValueType::vaNull:
    return "null";
  case TValueType::vaList:
    return "list";
  case TValueType::vaInt8:
    return "int8";
  case TValueType::vaInt16:
    return "int16";
  case TValueType::vaInt32:
    return "int32";
  case TValueType::vaExtended:
    return "extended";
  case TValueType::vaString:
    return "string";
  case TValueType::vaIdent:
    return "identifier";
  case TValueType::vaFalse:
    return "false";
  case TValueType::vaTrue:
    return "true";
  case TValueType::vaBinary:
    return "binary";
  case TValueType::vaSet:
    return "set";
  case TValueType::vaLString:
    return "long string";
  case TValueType::vaNil:
    return "nil";
  case TValueType::vaCollection:
    return "collection";
  case TValueType::vaSingle:
    return "single";
  case TValueType::vaCurrency:
    return "currency";
  case TValueType::vaDate:
    return "date";
  case TValueType::vaWString:
    return "wide string";
  case TValueType::vaInt64:
    return "int64";
  }
  return "unknown";
}

TValueType MinimalIntegerType(std::int64_t V) {
  if (V >= INT8_MIN && V <= INT8_MAX) return TValueType::vaInt8;
  if (V >= INT16_MIN && V <= INT16_MAX) return TValueType::vaInt16;
  if (V >= INT32_MIN && V <= INT32_MAX) return TValueType::vaInt32;
  return TValueType::vaInt64;
}

// --- TValue ----------------------------------------------------------------------

TValue TValue::Integer(std::int64_t V) {
  TValue r;
  r.Type = MinimalIntegerType(V);
  r.Int = V;
  return r;
}

TValue TValue::IntegerAs(TValueType Type, std::int64_t V) {
  bool fits = false;
  switch (Type) {
  case TValueType::vaInt8:
    fits = V >= INT8_MIN && V <= INT8_MAX;
    break;
  case TValueType::vaInt16:
    fits = V >= INT16_MIN && V <= INT16_MAX;
    break;
  case TValueType::vaInt32:
    fits = V >= INT32_MIN && V <= INT32_MAX;
    break;
  case TValueType::vaInt64:
    fits = true;
    break;
  default:
    break;
  }
  if (!fits) Raise<EWriteError>("%d does not fit a value of type %s", {V, ValueTypeName(Type)});
  TValue r;
  r.Type = Type;
  r.Int = V;
  return r;
}

TValue TValue::Boolean(bool V) {
  TValue r;
  r.Type = V ? TValueType::vaTrue : TValueType::vaFalse;
  return r;
}

TValue TValue::Nil() {
  TValue r;
  r.Type = TValueType::vaNil;
  return r;
}

TValue TValue::String(std::string V) {
  TValue r;
  r.Type = V.size() <= kMaxShortString ? TValueType::vaString : TValueType::vaLString;
  r.Text = std::move(V);
  return r;
}

TValue TValue::WideString(std::u16string V) {
  TValue r;
  r.Type = TValueType::vaWString;
  r.Wide = std::move(V);
  return r;
}

TValue TValue::Ident(std::string V) {
  TValue r;
  r.Type = TValueType::vaIdent;
  r.Text = std::move(V);
  return r;
}

TValue TValue::Binary(std::string Bytes) {
  TValue r;
  r.Type = TValueType::vaBinary;
  r.Text = std::move(Bytes);
  return r;
}

TValue TValue::SetOf(std::vector<std::string> Members) {
  TValue r;
  r.Type = TValueType::vaSet;
  r.Members = std::move(Members);
  return r;
}

TValue TValue::List(std::vector<TValue> Items) {
  TValue r;
  r.Type = TValueType::vaList;
  r.Items = std::move(Items);
  return r;
}

TValue TValue::CollectionOf(std::vector<TCollectionItem> Items) {
  TValue r;
  r.Type = TValueType::vaCollection;
  r.Collection = std::move(Items);
  return r;
}

TValue TValue::Extended(double V) {
  TValue r;
  r.Type = TValueType::vaExtended;
  r.Float = ExtendedFromDouble(V);
  if (!std::isfinite(V)) return r;
  const TDecimalDigits digits(V);
  for (int p = 1; p <= 17; ++p) {
    const std::string text = digits.General(p);
    if (ReadDouble(text) != V) continue;
    bool overflow = false;
    const auto nearest = ExtendedFromDecimal(text, overflow);
    if (!overflow &&
        std::bit_cast<std::uint64_t>(ExtendedToDouble(nearest)) == std::bit_cast<std::uint64_t>(V))
      r.Float = nearest;
    break;
  }
  return r;
}

TValue TValue::Single(float V) {
  TValue r;
  r.Type = TValueType::vaSingle;
  PutLE(std::span<std::uint8_t>(r.Float), 0, std::bit_cast<std::uint32_t>(V));
  return r;
}

TValue TValue::Date(double V) {
  TValue r;
  r.Type = TValueType::vaDate;
  PutLE(std::span<std::uint8_t>(r.Float), 0, V);
  return r;
}

TValue TValue::Currency(std::int64_t TenThousandths) {
  TValue r;
  r.Type = TValueType::vaCurrency;
  r.Int = TenThousandths;
  return r;
}

bool TValue::IsInteger() const {
  return Type == TValueType::vaInt8 || Type == TValueType::vaInt16 || Type == TValueType::vaInt32 ||
         Type == TValueType::vaInt64;
}

bool TValue::IsFloat() const {
  return Type == TValueType::vaExtended || Type == TValueType::vaSingle ||
         Type == TValueType::vaCurrency || Type == TValueType::vaDate;
}

bool TValue::IsString() const {
  return Type == TValueType::vaString || Type == TValueType::vaLString ||
         Type == TValueType::vaWString;
}

namespace {
std::uint64_t LoadLe(const std::array<std::uint8_t, 10>& b, int Count) {
  return GetLEBytes(b, 0, static_cast<std::size_t>(Count));
}
} // namespace

double TValue::AsDouble() const {
  switch (Type) {
  case TValueType::vaExtended:
    return ExtendedToDouble(Float);
  case TValueType::vaSingle:
    return static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(LoadLe(Float, 4))));
  case TValueType::vaDate:
    return std::bit_cast<double>(LoadLe(Float, 8));
  case TValueType::vaCurrency:
    return static_cast<double>(Int) / 10000.0;
  default:
    if (IsInteger()) return static_cast<double>(Int);
    Raise<EReadError>("Invalid property value");
  }
}

std::string TValue::AsAnsiString() const {
  if (Type == TValueType::vaWString) return WideToAnsi(Wide);
  if (Type == TValueType::vaString || Type == TValueType::vaLString) return Text;
  Raise<EReadError>("Invalid property value");
}

bool operator==(const TValue& A, const TValue& B) {
  if (A.Type != B.Type) return false;
  switch (A.Type) {
  case TValueType::vaInt8:
  case TValueType::vaInt16:
  case TValueType::vaInt32:
  case TValueType::vaInt64:
  case TValueType::vaCurrency:
    return A.Int == B.Int;
  case TValueType::vaExtended:
    return A.Float == B.Float;
  case TValueType::vaSingle:
    return LoadLe(A.Float, 4) == LoadLe(B.Float, 4);
  case TValueType::vaDate:
    return LoadLe(A.Float, 8) == LoadLe(B.Float, 8);
  case TValueType::vaString:
  case TValueType::vaLString:
  case TValueType::vaIdent:
  case TValueType::vaBinary:
    return A.Text == B.Text;
  case TValueType::vaWString:
    return A.Wide == B.Wide;
  case TValueType::vaSet:
    return A.Members == B.Members;
  case TValueType::vaList:
    return A.Items == B.Items;
  case TValueType::vaCollection:
    return A.Collection == B.Collection;
  case TValueType::vaNull:
  case TValueType::vaFalse:
  case TValueType::vaTrue:
  case TValueType::vaNil:
    return true;
  }
  return false;
}

bool operator==(const TPropertyRecord& A, const TPropertyRecord& B) {
  return A.Name == B.Name && A.Value == B.Value;
}

bool operator==(const TCollectionItem& A, const TCollectionItem& B) {
  return A.Index == B.Index && A.Properties == B.Properties;
}

bool operator==(const TObjectRecord& A, const TObjectRecord& B) {
  return A.Flags == B.Flags && A.ChildPos == B.ChildPos && A.ClassName == B.ClassName &&
         A.Name == B.Name && A.Properties == B.Properties && A.Children == B.Children;
}

// --- 80-bit extended floats ------------------------------------------------------
//
// Layout: bytes 0-7 the 64-bit significand with an explicit integer bit (bit
// 63), bytes 8-9 the sign (bit 15) and a 15-bit exponent biased by 16383.

namespace {
constexpr int kExtBias = 16383;
constexpr int kDblBias = 1023;

std::array<std::uint8_t, 10> PackExtended(bool Negative, unsigned Exponent,
                                          std::uint64_t Mantissa) {
  std::array<std::uint8_t, 10> b{};
  PutLE(std::span<std::uint8_t>(b), 0, Mantissa);
  PutLE(std::span<std::uint8_t>(b), 8,
        static_cast<std::uint16_t>((Negative ? 0x8000u : 0u) | (Exponent & 0x7FFFu)));
  return b;
}
} // namespace

std::array<std::uint8_t, 10> ExtendedFromDouble(double V) {
  const auto bits = std::bit_cast<std::uint64_t>(V);
  const bool neg = (bits >> 63) != 0;
  const auto exp = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);
  if (exp == 0x7FF) // infinity or NaN: keep the payload
    return PackExtended(neg, 0x7FFF, (std::uint64_t{1} << 63) | (frac << 11));
  if (exp == 0) {
    if (frac == 0) return PackExtended(neg, 0, 0);
    // A subnormal double is a normal extended: value = frac * 2^-1074.
    const int lz = std::countl_zero(frac);
    return PackExtended(neg, static_cast<unsigned>(kExtBias + 63 - 1074 - lz), frac << lz);
  }
  return PackExtended(neg, static_cast<unsigned>(exp - kDblBias + kExtBias),
                      (std::uint64_t{1} << 63) | (frac << 11));
}

double ExtendedToDouble(const std::array<std::uint8_t, 10>& Bytes) {
  std::uint64_t mant = LoadLe(Bytes, 8);
  const unsigned se = GetLE<std::uint16_t>(Bytes, 8);
  const std::uint64_t sign = static_cast<std::uint64_t>(se >> 15) << 63;
  const int exp = static_cast<int>(se & 0x7FFF);
  if (exp == 0x7FFF) {
    const std::uint64_t payload = (mant << 1) >> 12; // without the integer bit
    if ((mant << 1) == 0) return std::bit_cast<double>(sign | 0x7FF0000000000000ULL);
    return std::bit_cast<double>(sign | 0x7FF8000000000000ULL | payload);
  }
  if (mant == 0) return std::bit_cast<double>(sign);
  // value = mant * 2^(e - 16383 - 63), with e = 1 for the denormal exponent 0;
  // normalised so that the top bit of mant is set: value = 1.f * 2^e2.
  const int lz = std::countl_zero(mant);
  mant <<= lz;
  int e2 = (exp == 0 ? 1 : exp) - kExtBias - lz;
  if (e2 > kDblBias) return std::bit_cast<double>(sign | 0x7FF0000000000000ULL);
  // Keep 53 bits (normal) or fewer (subnormal) and round the rest, ties to even.
  const int shift = e2 >= 1 - kDblBias ? 11 : 11 + (1 - kDblBias - e2);
  std::uint64_t q;
  if (shift >= 65) {
    q = 0;
  } else if (shift == 64) {
    q = mant > (std::uint64_t{1} << 63) ? 1 : 0;
  } else {
    q = mant >> shift;
    const std::uint64_t rem = mant & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (rem > half || (rem == half && (q & 1))) ++q;
  }
  if (e2 >= 1 - kDblBias) {
    if (q == (std::uint64_t{1} << 53)) { // rounding carried into the next power of two
      q >>= 1;
      ++e2;
      if (e2 > kDblBias) return std::bit_cast<double>(sign | 0x7FF0000000000000ULL);
    }
    const auto biased = static_cast<std::uint64_t>(e2 + kDblBias);
    return std::bit_cast<double>(sign | biased << 52 | (q & ((std::uint64_t{1} << 52) - 1)));
  }
  // Subnormal: the exponent field is 0; a carry into bit 52 makes the smallest normal.
  return std::bit_cast<double>(sign | q);
}

std::array<std::uint8_t, 10> ExtendedFromDecimal(const std::string& Text, bool& Overflow) {
  return ReadExtended(Text, &Overflow);
}

// --- code page 1252 ---------------------------------------------------------------

namespace {
// 0x80-0x9F; the five undefined positions map to the C1 controls, as Windows does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
} // namespace

std::u16string AnsiToWide(const std::string& Text) {
  std::u16string r;
  r.reserve(Text.size());
  for (char c : Text) {
    const auto b = static_cast<unsigned char>(c);
    r.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
  }
  return r;
}

std::string WideToAnsi(const std::u16string& Text) {
  std::string r;
  r.reserve(Text.size());
  for (char16_t u : Text) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      r.push_back(static_cast<char>(u));
      continue;
    }
    char mapped = '?';
    for (int i = 0; i < 32; ++i)
      if (kCp1252High[i] == u) mapped = static_cast<char>(0x80 + i);
    r.push_back(mapped);
  }
  return r;
}

} // namespace quendel
