// Reads the text form back into records, with the line and column of the
// first fault.
#include "definition/text_codec.h"

#include "core/byte_order.h"
#include "core/number_text.h"
#include "definition/text_lexer.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace quendel {

namespace {

using namespace text_syntax;

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
      const float f = ReadSingle(Text);
      if (std::isinf(f)) Fail("Float " + Text + " is out of range");
      StoreLe(v.Float, std::bit_cast<std::uint32_t>(f), 4);
      break;
    }
    case TValueType::vaDate: {
      const double d = ReadDouble(Text);
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
          PutLEBytes(v.Float, 8, se, 2);
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

TObjectRecord TextToObject(std::string_view Text) {
  return TTextParser(Text).ParseRoot();
}

} // namespace quendel
