// The text form's tokens: names (dotted ones whole), strings with their
// #nnn characters, numbers with their suffixes, and symbols. Faults raise
// EParserError with the line and column.
#pragma once

#include "definition/object_stream.h"
#include "definition/text_syntax.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace quendel::text_syntax {

enum class TTokenKind { tkEOF, tkIdent, tkString, tkNumber, tkSymbol };

struct TToken {
  TTokenKind Kind = TTokenKind::tkEOF;
  std::string Text;          // identifier or number as written
  std::u16string Units;      // a string's characters
  bool Wide = false;         // a string character above #255
  bool ParenFollows = false; // an identifier directly followed by "("
  char Symbol = 0;
  std::size_t At = 0;
};

class TLexer {
public:
  explicit TLexer(std::string_view Text) : FText(Text) {}

  [[noreturn]] void Fail(std::size_t At, const std::string& Message) const {
    int line = 1, col = 1;
    for (std::size_t i = 0; i < At && i < FText.size(); ++i) {
      if (FText[i] == '\n') {
        ++line;
        col = 1;
      } else {
        ++col;
      }
    }
    Raise<EParserError>("%s (line %d, column %d)", {Message, line, col});
  }

  TToken Next() {
    SkipBlanks();
    TToken t;
    t.At = FPos;
    if (FPos >= FText.size()) return t;
    const char c = FText[FPos];
    if (IsIdentStart(c)) {
      t.Kind = TTokenKind::tkIdent;
      const std::size_t start = FPos;
      for (;;) {
        while (FPos < FText.size() && IsIdentChar(FText[FPos]))
          ++FPos;
        if (FPos + 1 < FText.size() && FText[FPos] == '.' && IsIdentStart(FText[FPos + 1]))
          FPos += 2;
        else
          break;
      }
      t.Text = std::string(FText.substr(start, FPos - start));
      t.ParenFollows = FPos < FText.size() && FText[FPos] == '(';
      return t;
    }
    if (c == '\'' || c == '#') {
      LexString(t);
      return t;
    }
    if (IsDigit(c) || c == '$' ||
        (c == '-' && FPos + 1 < FText.size() &&
         (IsDigit(FText[FPos + 1]) || FText[FPos + 1] == '$'))) {
      LexNumber(t);
      return t;
    }
    if (c != 0 && std::strchr("=:[](){}<>,+", c)) {
      t.Kind = TTokenKind::tkSymbol;
      t.Symbol = c;
      ++FPos;
      return t;
    }
    Fail(FPos, c >= 32 && c < 127
                   ? std::string("Unexpected character '") + c + "'"
                   : "Unexpected character #" + std::to_string(static_cast<unsigned char>(c)));
  }

  // The hexadecimal digits of a binary value up to its "}" (the "{" is read).
  std::string HexUntilBrace() {
    std::string bytes;
    int high = -1;
    for (;;) {
      SkipBlanks();
      if (FPos >= FText.size()) Fail(FPos, "Binary value without its closing '}'");
      const char c = FText[FPos];
      if (c == '}') {
        if (high >= 0) Fail(FPos, "Binary value with an odd number of hexadecimal digits");
        ++FPos;
        return bytes;
      }
      if (!IsHexDigit(c)) Fail(FPos, "Hexadecimal digit expected in binary value");
      if (high < 0) {
        high = HexValue(c);
      } else {
        bytes.push_back(static_cast<char>(high << 4 | HexValue(c)));
        high = -1;
      }
      ++FPos;
    }
  }

private:
  void SkipBlanks() {
    while (FPos < FText.size()) {
      const char c = FText[FPos];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        ++FPos;
      } else if (c == '/' && FPos + 1 < FText.size() && FText[FPos + 1] == '/') {
        while (FPos < FText.size() && FText[FPos] != '\n')
          ++FPos;
      } else {
        break;
      }
    }
  }

  void LexString(TToken& T) {
    T.Kind = TTokenKind::tkString;
    while (FPos < FText.size()) {
      const char c = FText[FPos];
      if (c == '\'') {
        ++FPos;
        for (;;) {
          if (FPos >= FText.size() || FText[FPos] == '\n' || FText[FPos] == '\r')
            Fail(T.At, "Unterminated string");
          if (FText[FPos] == '\'') {
            if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
              T.Units.push_back(u'\'');
              FPos += 2;
              continue;
            }
            ++FPos;
            break;
          }
          T.Units.push_back(static_cast<unsigned char>(FText[FPos++]));
        }
      } else if (c == '#') {
        const std::size_t at = FPos++;
        std::uint32_t v = 0;
        std::size_t digits = 0;
        const bool hex = FPos < FText.size() && FText[FPos] == '$';
        if (hex) ++FPos;
        while (FPos < FText.size() && (hex ? IsHexDigit(FText[FPos]) : IsDigit(FText[FPos]))) {
          v = v * (hex ? 16 : 10) + static_cast<std::uint32_t>(HexValue(FText[FPos]));
          ++FPos;
          if (++digits > 6 || v > 0xFFFF) Fail(at, "Character code above #65535");
        }
        if (digits == 0) Fail(at, "Character code expected after '#'");
        T.Wide = T.Wide || v > 255;
        T.Units.push_back(static_cast<char16_t>(v));
      } else {
        break;
      }
    }
    if (FPos < FText.size() && IsIdentChar(FText[FPos]))
      Fail(FPos, "Unexpected text after a string");
  }

  void LexNumber(TToken& T) {
    T.Kind = TTokenKind::tkNumber;
    const std::size_t start = FPos;
    if (FText[FPos] == '-') ++FPos;
    if (FPos < FText.size() && FText[FPos] == '$') {
      ++FPos;
      const std::size_t digits = FPos;
      while (FPos < FText.size() && IsHexDigit(FText[FPos]))
        ++FPos;
      if (FPos == digits) Fail(start, "Hexadecimal digits expected after '$'");
    } else {
      while (FPos < FText.size() && IsDigit(FText[FPos]))
        ++FPos;
      if (FPos < FText.size() && FText[FPos] == '.') {
        ++FPos;
        if (FPos >= FText.size() || !IsDigit(FText[FPos])) Fail(start, "Digits expected after '.'");
        while (FPos < FText.size() && IsDigit(FText[FPos]))
          ++FPos;
      }
      if (FPos < FText.size() && (FText[FPos] == 'e' || FText[FPos] == 'E')) {
        ++FPos;
        if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) ++FPos;
        if (FPos >= FText.size() || !IsDigit(FText[FPos]))
          Fail(start, "Digits expected in exponent");
        while (FPos < FText.size() && IsDigit(FText[FPos]))
          ++FPos;
      }
      if (FPos < FText.size() && std::strchr("sScCdD", FText[FPos]) &&
          (FPos + 1 >= FText.size() || !IsIdentChar(FText[FPos + 1])))
        ++FPos;
    }
    if (FPos < FText.size() && IsIdentChar(FText[FPos])) Fail(start, "Invalid number");
    T.Text = std::string(FText.substr(start, FPos - start));
  }

  std::string_view FText;
  std::size_t FPos = 0;
};

} // namespace quendel::text_syntax
