// What the writer and the parser of the text form agree on: which
// characters make names, which words are reserved, and how floats are
// spelled (decimal only when it reads back to the same bits).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quendel::text_syntax {

bool IsIdentStart(char C);
bool IsDigit(char C);
bool IsIdentChar(char C);
bool IsHexDigit(char C);
int HexValue(char C);
// ASCII letters compared without case.
bool SameWord(std::string_view A, std::string_view B);
// An identifier, or identifiers joined by dots ("BuildInfo.BuildDirectory").
bool IsDottedIdent(std::string_view S);
// Words that open or close a record: a name spelled like one is quoted.
bool IsStructureWord(std::string_view S);
bool IsValueWord(std::string_view S);

// Makes sure a decimal reads as a float, not an integer.
std::string FloatSyntax(std::string S);
// The shortest decimal that reads back to exactly these bits; empty when
// there is none (NaN, infinities, bits no decimal reaches).
std::string ExtendedDecimal(const std::array<std::uint8_t, 10>& Bytes);
std::string SingleDecimal(std::uint32_t Bits);
std::string DoubleDecimal(std::uint64_t Bits);
std::string CurrencyDecimal(std::int64_t Raw);
std::uint64_t LoadLe(const std::array<std::uint8_t, 10>& B, int Count);
void StoreLe(std::array<std::uint8_t, 10>& B, std::uint64_t V, int Count);
// V in exactly Digits upper-case hexadecimal digits.
std::string Hex(std::uint64_t V, int Digits);

} // namespace quendel::text_syntax
