#include "definition/text_syntax.h"

#include "core/byte_order.h"
#include "core/number_text.h"
#include "definition/object_stream.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quendel::text_syntax {

// --- characters and names ---------------------------------------------------------

bool IsIdentStart(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_';
}
bool IsDigit(char C) {
  return C >= '0' && C <= '9';
}
bool IsIdentChar(char C) {
  return IsIdentStart(C) || IsDigit(C);
}
bool IsHexDigit(char C) {
  return IsDigit(C) || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}
int HexValue(char C) {
  if (IsDigit(C)) return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return C - 'A' + 10;
}

bool SameWord(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i) {
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (up(A[i]) != up(B[i])) return false;
  }
  return true;
}

bool IsDottedIdent(std::string_view S) {
  if (S.empty()) return false;
  std::size_t at = 0;
  for (;;) {
    if (at >= S.size() || !IsIdentStart(S[at])) return false;
    ++at;
    while (at < S.size() && IsIdentChar(S[at]))
      ++at;
    if (at == S.size()) return true;
    if (S[at] != '.') return false;
    ++at;
  }
}

bool IsStructureWord(std::string_view S) {
  return SameWord(S, "object") || SameWord(S, "inherited") || SameWord(S, "inline") ||
         SameWord(S, "end");
}
bool IsValueWord(std::string_view S) {
  return SameWord(S, "True") || SameWord(S, "False") || SameWord(S, "nil");
}

// --- floats ----------------------------------------------------------------------
//
// A float is written in decimal only when that decimal reads back to the same
// bits; otherwise its bits are written. The shortest such decimal is chosen.

std::string FloatSyntax(std::string S) {
  if (S.find_first_of(".eE") == std::string::npos) S += ".0";
  return S;
}

std::string ExtendedDecimal(const std::array<std::uint8_t, 10>& Bytes) {
  TDecimalDigits digits(false, 0, 0);
  if (!TDecimalDigits::FromExtended(Bytes, digits)) return {};
  for (int p = 1; p <= 21; ++p) { // 21 digits tell any two extendeds apart
    std::string text = digits.General(p);
    if (ReadExtended(text) == Bytes) return FloatSyntax(std::move(text));
  }
  return {};
}

std::uint64_t LoadLe(const std::array<std::uint8_t, 10>& B, int Count) {
  return GetLEBytes(B, 0, static_cast<std::size_t>(Count));
}
void StoreLe(std::array<std::uint8_t, 10>& B, std::uint64_t V, int Count) {
  PutLEBytes(B, 0, V, static_cast<std::size_t>(Count));
}

std::string SingleDecimal(std::uint32_t Bits) {
  const float v = std::bit_cast<float>(Bits);
  if (!std::isfinite(v)) return {};
  const TDecimalDigits digits(static_cast<double>(v));
  for (int p = 1; p <= 9; ++p) {
    std::string text = digits.General(p);
    if (std::bit_cast<std::uint32_t>(ReadSingle(text)) == Bits) return FloatSyntax(std::move(text));
  }
  return {};
}

std::string DoubleDecimal(std::uint64_t Bits) {
  const double v = std::bit_cast<double>(Bits);
  if (!std::isfinite(v)) return {};
  const TDecimalDigits digits(v);
  for (int p = 1; p <= 17; ++p) {
    std::string text = digits.General(p);
    if (std::bit_cast<std::uint64_t>(ReadDouble(text)) == Bits) return FloatSyntax(std::move(text));
  }
  return {};
}

std::string Hex(std::uint64_t V, int Digits) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string s(static_cast<std::size_t>(Digits), '0');
  for (int i = Digits; i-- > 0; V >>= 4)
    s[static_cast<std::size_t>(i)] = kDigits[V & 15];
  return s;
}

std::string CurrencyDecimal(std::int64_t Raw) {
  const bool neg = Raw < 0;
  const std::uint64_t mag =
      neg ? 0 - static_cast<std::uint64_t>(Raw) : static_cast<std::uint64_t>(Raw);
  std::string frac = std::to_string(mag % 10000);
  frac.insert(0, 4 - frac.size(), '0');
  while (frac.size() > 1 && frac.back() == '0')
    frac.pop_back();
  return (neg ? "-" : "") + std::to_string(mag / 10000) + "." + frac;
}

} // namespace quendel::text_syntax
