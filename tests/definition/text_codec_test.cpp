#include "definition/text_codec.h"

#include "definition/binary_codec.h"
#include "definition/fixtures.h"

#include <gtest/gtest.h>

namespace quendel {
namespace {

using deftest::ReadFile;

std::string ParseError(std::string_view Text) {
  try {
    TextToObject(Text);
  } catch (const EParserError& e) {
    return e.Message();
  }
  return "no error";
}

TValue PropValue(std::string_view Text) {
  const TObjectRecord obj = TextToObject("object T\n  P = " + std::string(Text) + "\nend\n");
  return obj.Properties.at(0).Value;
}

TValue Raw(TValueType Type, std::initializer_list<int> Bytes) {
  TValue v;
  v.Type = Type;
  std::size_t i = 0;
  for (int b : Bytes)
    v.Float[i++] = static_cast<std::uint8_t>(b);
  return v;
}

TEST(TextCodec, Typical_TextToBinaryAndBackGivesTheSameText) {
  const std::string text = ReadFile("typical.txt");
  ASSERT_FALSE(text.empty());
  const TObjectRecord obj = TextToObject(text);
  EXPECT_EQ(ObjectToText(obj), text);
  const std::vector<std::uint8_t> bin = WriteObjectBinary(obj);
  EXPECT_EQ(ObjectToText(ReadObjectBinary(bin)), text);
  EXPECT_EQ(ReadObjectStream(bin), obj);
  EXPECT_EQ(ReadObjectStream(std::vector<std::uint8_t>(text.begin(), text.end())), obj);
}

// A model with every tag, including the spellings that only the typed forms
// carry, converts to text and back unchanged, and so to the same bytes.
TEST(TextCodec, EveryValueKind_RoundTripsExactly) {
  TObjectRecord obj;
  obj.ClassName = "TThing";
  obj.Name = "Thing1";
  auto add = [&](std::string Name, TValue V) {
    obj.Properties.push_back({std::move(Name), std::move(V)});
  };
  add("Int8", TValue::Integer(-1));
  add("Int16", TValue::Integer(1000));
  add("Int32", TValue::Integer(-100000));
  add("Int64", TValue::Integer(std::int64_t{1} << 40));
  add("Wide32", TValue::IntegerAs(TValueType::vaInt32, 5));
  add("Wide64", TValue::IntegerAs(TValueType::vaInt64, -5));
  add("Ext", TValue::Extended(0.1));
  add("ExtTenth",
      Raw(TValueType::vaExtended, {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}));
  TValue widened;
  widened.Type = TValueType::vaExtended;
  widened.Float = ExtendedFromDouble(0.1);
  add("ExtWidened", widened);
  add("ExtWhole", TValue::Extended(3));
  add("ExtNaN", Raw(TValueType::vaExtended, {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F}));
  add("ExtUnnormal", Raw(TValueType::vaExtended, {1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x3F}));
  add("Single", TValue::Single(1.5f));
  add("SingleNaN", Raw(TValueType::vaSingle, {0, 0, 0xC0, 0x7F}));
  add("Date", TValue::Date(37987.75));
  add("NegZero", TValue::Date(-0.0));
  add("Money", TValue::Currency(-1));
  add("Str", TValue::String("It's #1\r\n\xE9"));
  add("Empty", TValue::String(""));
  add("Long", TValue::String(std::string(300, 'x')));
  TValue shortLong = TValue::String("short");
  shortLong.Type = TValueType::vaLString;
  add("ShortLong", shortLong);
  add("WideNarrow", TValue::WideString(u"narrow"));
  add("WideWide", TValue::WideString(u"\u20AC uro"));
  add("Id", TValue::Ident("Form.Button1"));
  add("IdOdd", TValue::Ident("not an identifier"));
  add("IdTrue", TValue::Ident("True"));
  add("Yes", TValue::Boolean(true));
  add("No", TValue::Boolean(false));
  add("Nothing", TValue::Nil());
  add("Bin", TValue::Binary(std::string(70, '\x5A')));
  add("NoBin", TValue::Binary(""));
  add("Set", TValue::SetOf({"itFull", "odd member"}));
  add("NoSet", TValue::SetOf({}));
  add("List",
      TValue::List({TValue::Integer(1), TValue::List({TValue::Ident("x")}), TValue::List({})}));
  TCollectionItem item1{TValue::IntegerAs(TValueType::vaInt16, 2),
                        {{"Caption", TValue::String("a")}}};
  TCollectionItem item2{std::nullopt, {}};
  add("Items", TValue::CollectionOf({item1, item2}));
  add("NoItems", TValue::CollectionOf({}));
  add("end", TValue::Integer(0));
  add("a b", TValue::Integer(0));
  // A quoted name longer than a line stays one piece (fuzz finding: it was
  // split with "+", which names did not accept).
  add(std::string(100, '-'), TValue::Integer(0));
  TObjectRecord child;
  child.Flags = ffInherited | ffInline | ffChildPos;
  child.ChildPos = TValue::IntegerAs(TValueType::vaInt32, 3);
  child.ClassName = "TChild";
  obj.Children.push_back(child);
  TObjectRecord odd;
  odd.ClassName = "inline";
  odd.Name = "my name";
  obj.Children.push_back(odd);

  const std::string text = ObjectToText(obj);
  const TObjectRecord back = TextToObject(text);
  EXPECT_EQ(back, obj) << text;
  EXPECT_EQ(WriteObjectBinary(back), WriteObjectBinary(obj));
  EXPECT_EQ(ObjectToText(back), text);

  // The spellings themselves.
  for (const std::string& line : std::vector<std::string>{
           "  Int8 = -1\n",
           "  Wide32 = Int32(5)\n",
           "  Wide64 = Int64(-5)\n",
           "  Ext = 0.1\n",
           "  ExtTenth = 0.1\n",
           "  ExtWhole = 3.0\n",
           "  ExtNaN = Extended($7FFFC000000000000000)\n",
           "  ExtUnnormal = Extended($3FFF0000000000000001)\n",
           "  Single = 1.5s\n",
           "  SingleNaN = Single($7FC00000)\n",
           "  Date = 37987.75d\n",
           "  NegZero = -0.0d\n",
           "  Money = -0.0001c\n",
           "  Str = 'It''s #1'#13#10#233\n",
           "  Empty = ''\n",
           "  ShortLong = LongString('short')\n",
           "  WideNarrow = WideString('narrow')\n",
           "  WideWide = #8364' uro'\n",
           "  Id = Form.Button1\n",
           "  IdOdd = Ident('not an identifier')\n",
           "  IdTrue = Ident('True')\n",
           "  Nothing = nil\n",
           "  NoBin = {}\n",
           "  Set = [itFull, 'odd member']\n",
           "  NoSet = []\n",
           "  NoItems = <>\n",
           "  'end' = 0\n",
           "  'a b' = 0\n",
           "  '" + std::string(100, '-') + "' = 0\n",
           "  inherited inline TChild [Int32(3)]\n",
           "  object 'my name': 'inline'\n",
           "  Items = <\n    item [Int16(2)]\n      Caption = 'a'\n    end\n    item\n    end>\n",
           "  List = (\n    1\n    (\n      x)\n    ())\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
}

TEST(TextCodec, Write_LongValuesWrapAcrossLines) {
  TObjectRecord obj;
  obj.ClassName = "T";
  obj.Properties.push_back({"S", TValue::String(std::string(64, 'a') + "bc")});
  obj.Properties.push_back({"B", TValue::Binary(std::string(33, '\x01'))});
  std::string hexLine;
  for (int i = 0; i < 32; ++i)
    hexLine += "01";
  EXPECT_EQ(ObjectToText(obj), "object T\n"
                               "  S = '" +
                                   std::string(64, 'a') +
                                   "' +\n"
                                   "    'bc'\n"
                                   "  B = {\n"
                                   "    " +
                                   hexLine +
                                   "\n"
                                   "    01}\n"
                                   "end\n");
}

TEST(TextCodec, Read_SpellingsAuthorsWrite) {
  EXPECT_EQ(PropValue("$FF"), TValue::IntegerAs(TValueType::vaInt16, 255));
  EXPECT_EQ(PropValue("-$80"), TValue::IntegerAs(TValueType::vaInt8, -128));
  EXPECT_EQ(PropValue("-9223372036854775808"), TValue::Integer(INT64_MIN));
  EXPECT_EQ(PropValue("'Line 1'#13#10 +\n    'Line 2'#$21"), TValue::String("Line 1\r\nLine 2!"));
  EXPECT_EQ(PropValue("'caf\xE9'"), TValue::String("caf\xE9")); // 8-bit text as it stands
  EXPECT_EQ(PropValue("'x'#300"), TValue::WideString(u"x\u012C"));
  EXPECT_EQ(PropValue("'" + std::string(256, 'y') + "'").Type, TValueType::vaLString);
  EXPECT_EQ(PropValue("TRUE"), TValue::Boolean(true));
  EXPECT_EQ(PropValue("NIL"), TValue::Nil());
  EXPECT_EQ(PropValue("1E3").AsDouble(), 1000.0);
  EXPECT_EQ(PropValue("1E3").Type, TValueType::vaExtended);
  EXPECT_EQ(PropValue("2.5d"), TValue::Date(2.5));
  EXPECT_EQ(PropValue("3c"), TValue::Currency(30000));
  EXPECT_EQ(PropValue("-12.3456c"), TValue::Currency(-123456));
  EXPECT_EQ(PropValue("0.5S"), TValue::Single(0.5f));
  EXPECT_EQ(PropValue("Single(2)"), TValue::Single(2.0f));
  EXPECT_EQ(PropValue("[ itFull,itCustom ]"), TValue::SetOf({"itFull", "itCustom"}));
  EXPECT_EQ(PropValue("{ 0a 1B\n 2c }"), TValue::Binary("\x0A\x1B\x2C"));

  const TObjectRecord obj = TextToObject("// A comment line\n"
                                         "inherited Form1: TForm1 [2] // after the header\n"
                                         "  Items = < item [1] Caption = 'a' end >\n"
                                         "  object TUnnamed\n"
                                         "  end\n"
                                         "  inline Frame1: TFrame1\n"
                                         "  end\n"
                                         "END");
  EXPECT_EQ(obj.Flags, ffInherited | ffChildPos);
  EXPECT_EQ(obj.ChildPos, TValue::Integer(2));
  EXPECT_EQ(obj.Properties[0].Value.Collection[0].Index, TValue::Integer(1));
  EXPECT_EQ(obj.Children[0].Name, "");
  EXPECT_EQ(obj.Children[0].ClassName, "TUnnamed");
  EXPECT_EQ(obj.Children[1].Flags, ffInline);
}

TEST(TextCodec, Read_ErrorsNameLineAndColumn) {
  EXPECT_EQ(ParseError(""), "'object' expected at the start of the text (line 1, column 1)");
  EXPECT_EQ(ParseError("object T\n  P = 'open\nend"), "Unterminated string (line 2, column 7)");
  EXPECT_EQ(
      ParseError("object T\n  P = 1\n"),
      "A property, an object or 'end' expected but the end of the text found (line 3, column 1)");
  EXPECT_EQ(ParseError("object T\n  object C\n  end\n  P = 1\nend"),
            "Properties must come before the first child object (line 4, column 3)");
  EXPECT_EQ(ParseError("object T\n  P 1\nend"),
            "'=' expected but the number 1 found (line 2, column 5)");
  EXPECT_EQ(ParseError("object T\n  P = 99999999999999999999\nend"),
            "Integer 99999999999999999999 is out of range (line 3, column 1)");
  EXPECT_EQ(ParseError("object T\n  P = Int8(300)\nend"),
            "300 does not fit in Int8 (line 2, column 15)");
  EXPECT_EQ(ParseError("object T\n  P = Colour(3)\nend"),
            "Unknown typed value Colour(...) (line 2, column 14)");
  EXPECT_EQ(ParseError("object T\n  P = { 012 }\nend"),
            "Binary value with an odd number of hexadecimal digits (line 2, column 13)");
  EXPECT_EQ(ParseError("object T\n  P = 1.5x\nend"), "Invalid number (line 2, column 7)");
  EXPECT_EQ(ParseError("object T\n  P = 1.23456c\nend"),
            "A currency value has at most four decimals (line 3, column 1)");
  EXPECT_EQ(ParseError("object T\n  P = 1E5000\nend"),
            "Float 1E5000 is out of range (line 3, column 1)");
  EXPECT_EQ(ParseError("object T\n  P = 1\nend\nobject U\nend"),
            "Text after the end of the root object (line 4, column 1)");
  EXPECT_EQ(ParseError("object T [Int64(1)]\nend"),
            "An order must fit in 32 bits (line 1, column 19)");
  EXPECT_EQ(ParseError("object T\n  P = ?\nend"), "Unexpected character '?' (line 2, column 7)");
  EXPECT_EQ(ParseError("\xEF\xBB\xBFobject T\nend").substr(0, 33),
            "The text is UTF-8 (it begins with");
  EXPECT_EQ(ParseError("object T\n  P = Ident('x'#300)\nend"),
            "Identifier with a character above #255 (line 2, column 20)");
}

// Bytes of neither form (a damaged signature, some other file) are refused
// as a stream, not reported as a text fault at line 1.
TEST(TextCodec, ReadStream_NeitherFormIsAnInvalidStream) {
  const auto Message = [](const std::string& Bytes) {
    try {
      ReadObjectStream(std::vector<std::uint8_t>(Bytes.begin(), Bytes.end()));
    } catch (const EReadError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(Message(std::string("TPF1\x0ATfrmMainMenu", 15)), "Invalid stream format");
  EXPECT_EQ(Message("MZ\x90"), "Invalid stream format");
  EXPECT_EQ(Message("objects are here"), "Invalid stream format");
  EXPECT_EQ(Message(""), "Invalid stream format");
  // A text with a fault of its own still says where.
  EXPECT_NE(Message("  \r\n OBJECT a: TA\n  X = \nend\n").find("line"), std::string::npos);
}

TEST(TextCodec, Read_NestingLimitMatchesTheBinaryForm) {
  auto lists = [](int Depth) {
    return "object T\n  P = " + std::string(static_cast<std::size_t>(Depth), '(') +
           std::string(static_cast<std::size_t>(Depth), ')') + "\nend\n";
  };
  const TObjectRecord ok = TextToObject(lists(kMaxNesting - 1));
  EXPECT_NO_THROW(ReadObjectBinary(WriteObjectBinary(ok)));
  EXPECT_EQ(ParseError(lists(kMaxNesting)),
            "List nested deeper than 64 levels (line 2, column 70)");
}

} // namespace
} // namespace quendel
