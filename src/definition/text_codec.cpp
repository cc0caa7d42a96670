#include "definition/text_codec.h"

#include "core/strings.h"
#include "definition/binary_codec.h"

#include <bit>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <type_traits>

namespace quendel {

namespace {

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

// An identifier, or identifiers joined by dots ("BuildInfo.BuildDirectory").
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

// Words that open or close a record: a name spelled like one is quoted.
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

#if LDBL_MANT_DIG == 64 && (defined(__i386__) || defined(__x86_64__))
#define QUENDEL_X87_LONG_DOUBLE 1
#endif

// Makes sure a decimal reads as a float, not an integer.
std::string FloatSyntax(std::string S) {
  if (S.find_first_of(".eE") == std::string::npos) S += ".0";
  return S;
}

std::string ExtendedDecimal(const std::array<std::uint8_t, 10>& Bytes) {
  char buf[64];
#ifdef QUENDEL_X87_LONG_DOUBLE
  long double v = 0;
  std::memcpy(&v, Bytes.data(), 10);
  if (!std::isfinite(v)) return {};
  for (int p = 1; p <= 21; ++p) {
    std::snprintf(buf, sizeof buf, "%.*Lg", p, v);
    bool overflow = false;
    if (ExtendedFromDecimal(buf, overflow) == Bytes) return FloatSyntax(buf);
  }
#else
  const double v = ExtendedToDouble(Bytes);
  if (!std::isfinite(v) || ExtendedFromDouble(v) != Bytes) return {};
  for (int p = 1; p <= 17; ++p) {
    std::snprintf(buf, sizeof buf, "%.*g", p, v);
    if (std::strtod(buf, nullptr) == v) return FloatSyntax(buf);
  }
#endif
  return {};
}

std::uint64_t LoadLe(const std::array<std::uint8_t, 10>& B, int Count) {
  std::uint64_t v = 0;
  for (int i = Count; i-- > 0;)
    v = v << 8 | B[static_cast<std::size_t>(i)];
  return v;
}
void StoreLe(std::array<std::uint8_t, 10>& B, std::uint64_t V, int Count) {
  for (int i = 0; i < Count; ++i)
    B[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(V >> (8 * i));
}

std::string SingleDecimal(std::uint32_t Bits) {
  const float v = std::bit_cast<float>(Bits);
  if (!std::isfinite(v)) return {};
  char buf[64];
  for (int p = 1; p <= 9; ++p) {
    std::snprintf(buf, sizeof buf, "%.*g", p, static_cast<double>(v));
    if (std::bit_cast<std::uint32_t>(std::strtof(buf, nullptr)) == Bits) return FloatSyntax(buf);
  }
  return {};
}

std::string DoubleDecimal(std::uint64_t Bits) {
  const double v = std::bit_cast<double>(Bits);
  if (!std::isfinite(v)) return {};
  char buf[64];
  for (int p = 1; p <= 17; ++p) {
    std::snprintf(buf, sizeof buf, "%.*g", p, v);
    if (std::bit_cast<std::uint64_t>(std::strtod(buf, nullptr)) == Bits) return FloatSyntax(buf);
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

// --- writer ------------------------------------------------------------------------

constexpr std::size_t kCharsPerLine = 64;
constexpr std::size_t kBytesPerLine = 32;

// A string literal in pieces of at most PerChunk characters (0: one piece).
template <class S> std::vector<std::string> StringChunks(const S& Text, std::size_t PerChunk) {
  std::vector<std::string> chunks;
  std::string cur;
  bool quoted = false;
  std::size_t count = 0;
  auto close = [&] {
    if (quoted) cur += '\'';
    quoted = false;
  };
  for (auto ch : Text) {
    const auto u = static_cast<std::uint32_t>(
        static_cast<std::make_unsigned_t<std::remove_cvref_t<decltype(ch)>>>(ch));
    if (PerChunk != 0 && count == PerChunk) {
      close();
      chunks.push_back(std::move(cur));
      cur.clear();
      count = 0;
    }
    if (u >= 32 && u <= 126) {
      if (!quoted) cur += '\'';
      quoted = true;
      cur += static_cast<char>(u);
      if (u == '\'') cur += '\'';
    } else {
      close();
      cur += '#' + std::to_string(u);
    }
    ++count;
  }
  close();
  if (cur.empty()) cur = "''";
  chunks.push_back(std::move(cur));
  return chunks;
}

const char* IntegerTypeName(TValueType Type) {
  switch (Type) {
  case TValueType::vaInt8:
    return "Int8";
  case TValueType::vaInt16:
    return "Int16";
  case TValueType::vaInt32:
    return "Int32";
  default:
    return "Int64";
  }
}

std::string Spaces(int N) {
  return std::string(static_cast<std::size_t>(N), ' ');
}

class TTextWriter {
public:
  std::string Write(const TObjectRecord& Root) {
    WriteObject(Root, 0);
    return std::move(FOut);
  }

private:
  void Enter(std::string_view What) {
    if (++FDepth > kMaxNesting)
      throw EWriteError("%s nested deeper than %d levels", {What, kMaxNesting});
  }
  void Leave() { --FDepth; }

  // A name: bare when it is a (dotted) identifier, quoted otherwise, and
  // always on one line.
  void Name(const std::string& N) {
    if (IsDottedIdent(N) && !IsStructureWord(N)) {
      FOut += N;
      return;
    }
    FOut += StringChunks(N, 0).front();
  }

  template <class S> void String(const S& Text, int Indent) {
    const auto chunks = StringChunks(Text, kCharsPerLine);
    for (std::size_t i = 0; i < chunks.size(); ++i) {
      if (i > 0) FOut += " +\n" + Spaces(Indent + 2);
      FOut += chunks[i];
    }
  }

  void Integer(std::int64_t V) { FOut += std::to_string(V); }

  void WriteObject(const TObjectRecord& Obj, int Indent) {
    Enter("Object");
    FOut += Spaces(Indent);
    if ((Obj.Flags & ffInherited) && (Obj.Flags & ffInline))
      FOut += "inherited inline ";
    else if (Obj.Flags & ffInherited)
      FOut += "inherited ";
    else if (Obj.Flags & ffInline)
      FOut += "inline ";
    else
      FOut += "object ";
    if (!Obj.Name.empty()) {
      Name(Obj.Name);
      FOut += ": ";
    }
    Name(Obj.ClassName);
    if (Obj.ChildPos) {
      FOut += " [";
      WriteValue(*Obj.ChildPos, Indent);
      FOut += "]";
    }
    FOut += "\n";
    for (const TPropertyRecord& p : Obj.Properties)
      Property(p, Indent + 2);
    for (const TObjectRecord& c : Obj.Children)
      WriteObject(c, Indent + 2);
    FOut += Spaces(Indent) + "end\n";
    Leave();
  }

  void Property(const TPropertyRecord& P, int Indent) {
    FOut += Spaces(Indent);
    Name(P.Name);
    FOut += " = ";
    WriteValue(P.Value, Indent);
    FOut += "\n";
  }

  void Typed(const char* TypeName, const std::string& Arg) {
    FOut += TypeName;
    FOut += "(" + Arg + ")";
  }

  void WriteValue(const TValue& V, int Indent) {
    switch (V.Type) {
    case TValueType::vaNull:
      throw EWriteError("A null tag cannot stand as a value");
    case TValueType::vaInt8:
    case TValueType::vaInt16:
    case TValueType::vaInt32:
    case TValueType::vaInt64:
      (void)TValue::IntegerAs(V.Type, V.Int);
      if (V.Type == MinimalIntegerType(V.Int))
        Integer(V.Int);
      else
        Typed(IntegerTypeName(V.Type), std::to_string(V.Int));
      break;
    case TValueType::vaExtended: {
      const std::string d = ExtendedDecimal(V.Float);
      if (!d.empty())
        FOut += d;
      else
        Typed("Extended", "$" + Hex(static_cast<std::uint64_t>(V.Float[9]) << 8 | V.Float[8], 4) +
                              Hex(LoadLe(V.Float, 8), 16));
      break;
    }
    case TValueType::vaSingle: {
      const auto bits = static_cast<std::uint32_t>(LoadLe(V.Float, 4));
      const std::string d = SingleDecimal(bits);
      if (!d.empty())
        FOut += d + "s";
      else
        Typed("Single", "$" + Hex(bits, 8));
      break;
    }
    case TValueType::vaDate: {
      const std::uint64_t bits = LoadLe(V.Float, 8);
      const std::string d = DoubleDecimal(bits);
      if (!d.empty())
        FOut += d + "d";
      else
        Typed("Date", "$" + Hex(bits, 16));
      break;
    }
    case TValueType::vaCurrency:
      FOut += CurrencyDecimal(V.Int) + "c";
      break;
    case TValueType::vaString:
      if (V.Text.size() > kMaxShortString)
        throw EWriteError("String is longer than 255 characters");
      String(V.Text, Indent);
      break;
    case TValueType::vaLString:
      if (V.Text.size() > kMaxShortString) {
        String(V.Text, Indent);
      } else {
        FOut += "LongString(";
        String(V.Text, Indent);
        FOut += ")";
      }
      break;
    case TValueType::vaWString: {
      bool wide = false;
      for (char16_t u : V.Wide)
        wide = wide || u > 255;
      if (wide) {
        String(V.Wide, Indent);
      } else {
        FOut += "WideString(";
        String(V.Wide, Indent);
        FOut += ")";
      }
      break;
    }
    case TValueType::vaIdent:
      if (IsDottedIdent(V.Text) && !IsValueWord(V.Text)) {
        FOut += V.Text;
      } else {
        FOut += "Ident(";
        String(V.Text, Indent);
        FOut += ")";
      }
      break;
    case TValueType::vaFalse:
      FOut += "False";
      break;
    case TValueType::vaTrue:
      FOut += "True";
      break;
    case TValueType::vaNil:
      FOut += "nil";
      break;
    case TValueType::vaBinary:
      FOut += "{";
      for (std::size_t i = 0; i < V.Text.size(); ++i) {
        if (i % kBytesPerLine == 0) FOut += "\n" + Spaces(Indent + 2);
        FOut += Hex(static_cast<unsigned char>(V.Text[i]), 2);
      }
      FOut += "}";
      break;
    case TValueType::vaSet:
      FOut += "[";
      for (std::size_t i = 0; i < V.Members.size(); ++i) {
        if (V.Members[i].empty()) throw EWriteError("A set member without a name cannot be stored");
        if (i > 0) FOut += ", ";
        Name(V.Members[i]);
      }
      FOut += "]";
      break;
    case TValueType::vaList:
      Enter("List");
      FOut += "(";
      for (const TValue& item : V.Items) {
        FOut += "\n" + Spaces(Indent + 2);
        WriteValue(item, Indent + 2);
      }
      FOut += ")";
      Leave();
      break;
    case TValueType::vaCollection:
      Enter("Collection");
      FOut += "<";
      for (const TCollectionItem& item : V.Collection) {
        FOut += "\n" + Spaces(Indent + 2) + "item";
        if (item.Index) {
          if (!item.Index->IsInteger() || item.Index->Type == TValueType::vaInt64)
            throw EWriteError("A collection item's order must be an int8, int16 or int32");
          FOut += " [";
          WriteValue(*item.Index, Indent + 2);
          FOut += "]";
        }
        FOut += "\n";
        for (const TPropertyRecord& p : item.Properties)
          Property(p, Indent + 4);
        FOut += Spaces(Indent + 2) + "end";
      }
      FOut += ">";
      Leave();
      break;
    }
  }

  std::string FOut;
  int FDepth = 0;
};

// --- lexer -------------------------------------------------------------------------

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
    throw EParserError("%s (line %d, column %d)", {Message, line, col});
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

// --- parser ------------------------------------------------------------------------

std::string Describe(const TToken& T) {
  switch (T.Kind) {
  case TTokenKind::tkEOF:
    return "the end of the text";
  case TTokenKind::tkIdent:
    return "'" + T.Text + "'";
  case TTokenKind::tkString:
    return "a string";
  case TTokenKind::tkNumber:
    return "the number " + T.Text;
  case TTokenKind::tkSymbol:
    return std::string("'") + T.Symbol + "'";
  }
  return "?";
}

class TTextParser {
public:
  explicit TTextParser(std::string_view Text) : FLex(Text) {
    if (Text.size() >= 3 && Text.substr(0, 3) == "\xEF\xBB\xBF")
      FLex.Fail(0, "The text is UTF-8 (it begins with a byte-order mark); write definitions in the "
                   "ANSI code page (Windows-1252) and other characters as #nnn");
    Advance();
  }

  TObjectRecord ParseRoot() {
    if (!IsRecordStart()) Fail("'object' expected at the start of the text");
    TObjectRecord root = ParseObject();
    if (FTok.Kind != TTokenKind::tkEOF) Fail("Text after the end of the root object");
    return root;
  }

private:
  [[noreturn]] void Fail(const std::string& Message) const { FLex.Fail(FTok.At, Message); }
  [[noreturn]] void Expected(const std::string& What) const {
    Fail(What + " expected but " + Describe(FTok) + " found");
  }

  void Advance() { FTok = FLex.Next(); }
  bool IsSymbol(char C) const { return FTok.Kind == TTokenKind::tkSymbol && FTok.Symbol == C; }
  bool IsWord(std::string_view W) const {
    return FTok.Kind == TTokenKind::tkIdent && SameWord(FTok.Text, W);
  }
  bool IsRecordStart() const { return IsWord("object") || IsWord("inherited") || IsWord("inline"); }
  void ExpectSymbol(char C) {
    if (!IsSymbol(C)) Expected(std::string("'") + C + "'");
    Advance();
  }

  void Enter(const char* What) {
    if (++FDepth > kMaxNesting)
      Fail(std::string(What) + " nested deeper than " + std::to_string(kMaxNesting) + " levels");
  }
  void Leave() { --FDepth; }

  // An 8-bit short string out of a string token's characters.
  std::string ShortText(const std::u16string& Units, const char* What) const {
    std::string s;
    for (char16_t u : Units) {
      if (u > 255) Fail(std::string(What) + " with a character above #255");
      s.push_back(static_cast<char>(u));
    }
    if (s.size() > kMaxShortString) Fail(std::string(What) + " longer than 255 characters");
    return s;
  }

  // A name: an identifier or a quoted string.
  std::string ParseName(const char* What) {
    std::string n;
    if (FTok.Kind == TTokenKind::tkIdent) {
      n = FTok.Text;
      if (n.size() > kMaxShortString) Fail(std::string(What) + " longer than 255 characters");
    } else if (FTok.Kind == TTokenKind::tkString) {
      return ShortText(StringExpr().Units, What);
    } else {
      Expected(What);
    }
    Advance();
    return n;
  }

  TObjectRecord ParseObject() {
    Enter("Object");
    TObjectRecord obj;
    if (IsWord("inherited")) {
      obj.Flags |= ffInherited;
      Advance();
      if (IsWord("inline")) {
        obj.Flags |= ffInline;
        Advance();
      }
    } else if (IsWord("inline")) {
      obj.Flags |= ffInline;
      Advance();
    } else {
      Advance(); // "object"
    }
    std::string first = ParseName("Object name or class name");
    if (IsSymbol(':')) {
      Advance();
      obj.Name = std::move(first);
      obj.ClassName = ParseName("Class name");
    } else {
      obj.ClassName = std::move(first);
    }
    if (IsSymbol('[')) {
      Advance();
      obj.ChildPos = ParseOrder();
      obj.Flags |= ffChildPos;
      ExpectSymbol(']');
    }
    bool children = false;
    for (;;) {
      if (IsWord("end")) break;
      if (IsRecordStart()) {
        obj.Children.push_back(ParseObject());
        children = true;
      } else if (FTok.Kind == TTokenKind::tkIdent || FTok.Kind == TTokenKind::tkString) {
        if (children) Fail("Properties must come before the first child object");
        obj.Properties.push_back(ParseProperty());
      } else {
        Expected("A property, an object or 'end'");
      }
    }
    Advance();
    Leave();
    return obj;
  }

  TPropertyRecord ParseProperty() {
    TPropertyRecord p;
    p.Name = ParseName("Property name");
    if (p.Name.empty()) Fail("A property needs a name");
    ExpectSymbol('=');
    p.Value = ParseValue();
    return p;
  }

  // A child position or a collection item's order: an int8, int16 or int32.
  TValue ParseOrder() {
    TValue v = ParseValue();
    if (!v.IsInteger()) Fail("An integer expected as the order");
    if (v.Type == TValueType::vaInt64) Fail("An order must fit in 32 bits");
    return v;
  }

  static std::optional<std::int64_t> IntegerOf(const std::string& Text) {
    std::size_t at = 0;
    const bool neg = Text[0] == '-';
    if (neg) ++at;
    const bool hex = Text[at] == '$';
    if (hex) ++at;
    const std::uint64_t limit = neg ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    const unsigned base = hex ? 16 : 10;
    std::uint64_t v = 0;
    for (; at < Text.size(); ++at) {
      const auto d = static_cast<std::uint64_t>(HexValue(Text[at]));
      if (v > (limit - d) / base) return std::nullopt;
      v = v * base + d;
    }
    return neg ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
  }

  static bool IsPlainInteger(const std::string& Text) {
    return Text.find('$') != std::string::npos ||
           Text.find_first_of(".eEsScCdD") == std::string::npos;
  }

  std::int64_t Integer(const std::string& Text) const {
    const auto v = IntegerOf(Text);
    if (!v) Fail("Integer " + Text + " is out of range");
    return *v;
  }

  TValue Currency(std::string Text) const {
    if (Text.find_first_of("eE$") != std::string::npos)
      Fail("A currency value is written as digits with up to four decimals");
    const bool neg = Text[0] == '-';
    if (neg) Text.erase(0, 1);
    const auto dot = Text.find('.');
    std::string whole = Text.substr(0, dot);
    std::string frac = dot == std::string::npos ? "" : Text.substr(dot + 1);
    if (frac.size() > 4) Fail("A currency value has at most four decimals");
    frac.append(4 - frac.size(), '0');
    const auto v = IntegerOf((neg ? "-" : "") + whole + frac);
    if (!v) Fail("Currency value " + Text + " is out of range");
    return TValue::Currency(*v);
  }

  TValue Float(TValueType Type, const std::string& Text) const {
    TValue v;
    v.Type = Type;

    switch (Type) {
    case TValueType::vaSingle: {
      const float f = std::strtof(Text.c_str(), nullptr);
      if (std::isinf(f)) Fail("Float " + Text + " is out of range");
      StoreLe(v.Float, std::bit_cast<std::uint32_t>(f), 4);
      break;
    }
    case TValueType::vaDate: {
      const double d = std::strtod(Text.c_str(), nullptr);
      if (std::isinf(d)) Fail("Float " + Text + " is out of range");
      StoreLe(v.Float, std::bit_cast<std::uint64_t>(d), 8);
      break;
    }
    default: {
      bool overflow = false;
      v.Float = ExtendedFromDecimal(Text, overflow);
      if (overflow) Fail("Float " + Text + " is out of range");
      break;
    }
    }
    return v;
  }

  TValue Number() {
    std::string text = FTok.Text;
    Advance();
    if (IsPlainInteger(text)) return TValue::Integer(Integer(text));
    const char suffix = text.back();
    if (std::strchr("sScCdD", suffix)) {
      text.pop_back();
      if (suffix == 's' || suffix == 'S') return Float(TValueType::vaSingle, text);
      if (suffix == 'd' || suffix == 'D') return Float(TValueType::vaDate, text);
      return Currency(text);
    }
    return Float(TValueType::vaExtended, text);
  }

  // A string: pieces joined by "+".
  TToken StringExpr() {
    if (FTok.Kind != TTokenKind::tkString) Expected("A string");
    TToken s = FTok;
    Advance();
    while (IsSymbol('+')) {
      Advance();
      if (FTok.Kind != TTokenKind::tkString) Expected("A string after '+'");
      s.Units += FTok.Units;
      s.Wide = s.Wide || FTok.Wide;
      Advance();
    }
    return s;
  }

  TValue StringValue() {
    TToken s = StringExpr();
    if (s.Wide) return TValue::WideString(std::move(s.Units));
    std::string bytes;
    bytes.reserve(s.Units.size());
    for (char16_t u : s.Units)
      bytes.push_back(static_cast<char>(u));
    return TValue::String(std::move(bytes));
  }

  // Bits written as $ and exactly Digits hexadecimal digits.
  std::uint64_t Bits(const std::string& Text, std::size_t Digits, const char* TypeName) const {
    if (Text.size() != Digits + 1 || Text[0] != '$') // no sign: the sign is one of the bits
      Fail(std::string(TypeName) + " bits are $ and " + std::to_string(Digits) +
           " hexadecimal digits");
    std::uint64_t v = 0;
    for (std::size_t i = 1; i < Text.size(); ++i)
      v = v << 4 | static_cast<std::uint64_t>(HexValue(Text[i]));
    return v;
  }

  TValue TypedValue(const std::string& TypeName) {
    ExpectSymbol('(');
    TValue v;
    auto number = [&]() {
      if (FTok.Kind != TTokenKind::tkNumber) Expected("A number");
      std::string t = FTok.Text;
      Advance();
      return t;
    };
    static const std::pair<const char*, TValueType> kInts[] = {{"Int8", TValueType::vaInt8},
                                                               {"Int16", TValueType::vaInt16},
                                                               {"Int32", TValueType::vaInt32},
                                                               {"Int64", TValueType::vaInt64}};
    bool known = false;
    for (const auto& [name, type] : kInts)
      if (SameWord(TypeName, name)) {
        const std::string t = number();
        if (!IsPlainInteger(t)) Fail("An integer expected in " + TypeName + "(...)");
        const std::int64_t i = Integer(t);
        if (MinimalIntegerType(i) > type && type != TValueType::vaInt64)
          Fail(t + " does not fit in " + TypeName);
        v = TValue::IntegerAs(type, i);
        known = true;
      }
    if (known) {
    } else if (SameWord(TypeName, "Extended") || SameWord(TypeName, "Single") ||
               SameWord(TypeName, "Date")) {
      const TValueType type = SameWord(TypeName, "Single") ? TValueType::vaSingle
                              : SameWord(TypeName, "Date") ? TValueType::vaDate
                                                           : TValueType::vaExtended;
      const std::string t = number();
      if (t.find('$') != std::string::npos) {
        v.Type = type;
        if (type == TValueType::vaSingle) {
          StoreLe(v.Float, Bits(t, 8, "Single"), 4);
        } else if (type == TValueType::vaDate) {
          StoreLe(v.Float, Bits(t, 16, "Date"), 8);
        } else {
          // Sign and exponent (4 digits), then the significand (16 digits).
          if (t.size() != 21) Fail("Extended bits are $ and 20 hexadecimal digits");
          const std::uint64_t se = Bits(t.substr(0, 5), 4, "Extended");
          StoreLe(v.Float, Bits("$" + t.substr(5), 16, "Extended"), 8);
          v.Float[8] = static_cast<std::uint8_t>(se);
          v.Float[9] = static_cast<std::uint8_t>(se >> 8);
        }
      } else {
        if (std::strchr("sScCdD", t.back())) Fail("No suffix inside " + TypeName + "(...)");
        v = Float(type, t);
      }
    } else if (SameWord(TypeName, "Currency")) {
      const std::string t = number();
      if (std::strchr("sScCdD", t.back())) Fail("No suffix inside Currency(...)");
      v = Currency(t);
    } else if (SameWord(TypeName, "LongString")) {
      TToken s = StringExpr();
      v.Type = TValueType::vaLString;
      v.Text = ShortTextUnlimited(s);
    } else if (SameWord(TypeName, "WideString")) {
      v = TValue::WideString(StringExpr().Units);
    } else if (SameWord(TypeName, "Ident")) {
      v = TValue::Ident(ShortText(StringExpr().Units, "Identifier"));
    } else {
      Fail("Unknown typed value " + TypeName + "(...)");
    }
    ExpectSymbol(')');
    return v;
  }

  std::string ShortTextUnlimited(const TToken& S) const {
    if (S.Wide) Fail("A long string holds no character above #255");
    std::string bytes;
    for (char16_t u : S.Units)
      bytes.push_back(static_cast<char>(u));
    return bytes;
  }

  TValue ParseValue() {
    switch (FTok.Kind) {
    case TTokenKind::tkNumber:
      return Number();
    case TTokenKind::tkString:
      return StringValue();
    case TTokenKind::tkIdent: {
      const std::string word = FTok.Text;
      if (FTok.ParenFollows) {
        Advance();
        return TypedValue(word);
      }
      Advance();
      if (SameWord(word, "True")) return TValue::Boolean(true);
      if (SameWord(word, "False")) return TValue::Boolean(false);
      if (SameWord(word, "nil")) return TValue::Nil();
      if (word.size() > kMaxShortString) Fail("Identifier longer than 255 characters");
      return TValue::Ident(word);
    }
    case TTokenKind::tkSymbol:
      break;
    case TTokenKind::tkEOF:
      Expected("A value");
    }
    switch (FTok.Symbol) {
    case '[': {
      Advance();
      TValue v = TValue::SetOf({});
      if (!IsSymbol(']')) {
        for (;;) {
          std::string m = ParseName("Set member");
          if (m.empty()) Fail("A set member needs a name");
          v.Members.push_back(std::move(m));
          if (IsSymbol(']')) break;
          ExpectSymbol(',');
        }
      }
      Advance();
      return v;
    }
    case '(': {
      Enter("List");
      Advance();
      TValue v = TValue::List({});
      while (!IsSymbol(')'))
        v.Items.push_back(ParseValue());
      Advance();
      Leave();
      return v;
    }
    case '{': {
      TValue v = TValue::Binary(FLex.HexUntilBrace());
      Advance();
      return v;
    }
    case '<': {
      Enter("Collection");
      Advance();
      TValue v = TValue::CollectionOf({});
      while (!IsSymbol('>')) {
        if (!IsWord("item")) Expected("'item' or '>'");
        Advance();
        TCollectionItem item;
        if (IsSymbol('[')) {
          Advance();
          item.Index = ParseOrder();
          ExpectSymbol(']');
        }
        while (!IsWord("end")) {
          if (FTok.Kind != TTokenKind::tkIdent && FTok.Kind != TTokenKind::tkString)
            Expected("A property or 'end'");
          item.Properties.push_back(ParseProperty());
        }
        Advance();
        v.Collection.push_back(std::move(item));
      }
      Advance();
      Leave();
      return v;
    }
    default:
      Expected("A value");
    }
  }

  TLexer FLex;
  TToken FTok;
  int FDepth = 0;
};

} // namespace

std::string ObjectToText(const TObjectRecord& Root) {
  return TTextWriter().Write(Root);
}

TObjectRecord TextToObject(std::string_view Text) {
  return TTextParser(Text).ParseRoot();
}

namespace {
// Whether Text starts, after white space, with a keyword a text definition
// starts with. Anything else (a damaged binary signature, some other file)
// is not a definition of either form.
bool LooksLikeText(std::string_view Text) {
  std::size_t At = 0;
  while (At < Text.size() &&
         (Text[At] == ' ' || Text[At] == '\t' || Text[At] == '\r' || Text[At] == '\n'))
    ++At;
  std::size_t End = At;
  while (End < Text.size() && std::isalpha(static_cast<unsigned char>(Text[End])))
    ++End;
  const std::string_view Word = Text.substr(At, End - At);
  return SameText(Word, "object") || SameText(Word, "inherited") || SameText(Word, "inline");
}
} // namespace

TObjectRecord ReadObjectStream(std::span<const std::uint8_t> Bytes) {
  if (IsBinaryStream(Bytes)) return ReadObjectBinary(Bytes);
  const std::string_view Text(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
  if (!LooksLikeText(Text)) throw EReadError("Invalid stream format");
  return TextToObject(Text);
}

} // namespace quendel
