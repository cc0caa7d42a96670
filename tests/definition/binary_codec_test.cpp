#include "definition/binary_codec.h"

#include "byte_builder.h"

#include <gtest/gtest.h>

#include <string>

namespace quendel {
namespace {

using deftest::TBytes;

std::string ReadError(const std::vector<std::uint8_t>& Bytes) {
  try {
    ReadObjectBinary(Bytes);
  } catch (const EReadError& e) {
    return e.Message();
  }
  return "no error";
}

// A stream with one property of every tag and a child with a prefix.
TBytes EveryTag() {
  TBytes b;
  b.Signature().Object("TThing", "Thing1");
  b.Str("L").Raw({1, 2, 5, 6}).Str("a").End();
  b.Str("I8").Raw({2, 0xFF});
  b.Str("I16").Raw({3, 0x34, 0x12});
  b.Str("I32").Raw({4, 0x78, 0x56, 0x34, 0x12});
  b.Str("X").Raw({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F});
  b.Str("S").Raw({6}).Str("abc");
  b.Str("Id").Raw({7}).Str("psProgramFiles");
  b.Str("F").Raw({8});
  b.Str("T").Raw({9});
  b.Str("B").Raw({10}).Le(3, 4).Raw({1, 2, 3});
  b.Str("Set").Raw({11}).Str("itFull").Str("itCompact").End();
  b.Str("LS").Raw({12}).Le(2, 4).Chars("xy");
  b.Str("N").Raw({13});
  b.Str("C").Raw({14, 2, 3, 1}).Str("P").Raw({2, 7}).End().Raw({1}).End().End();
  b.Str("Sg").Raw({15, 0, 0, 0xC0, 0x3F});
  b.Str("Cu").Raw({16}).Le(15000, 8);
  b.Str("D").Raw({17}).Le(0x4002000000000000, 8);
  b.Str("W").Raw({18}).Le(2, 4).Raw({0xAC, 0x20, 0x41, 0});
  b.Str("I64").Raw({19}).Le(0xFFFFFFFF00000000, 8);
  b.End();
  b.Raw({0xF3, 2, 5}).Object("TChild", "Child1").End().End();
  b.End();
  return b;
}

TEST(BinaryCodec, Read_EveryTagAndWriteBackIdentical) {
  const TBytes bytes = EveryTag();
  const TObjectRecord obj = ReadObjectBinary(bytes);
  EXPECT_EQ(obj.ClassName, "TThing");
  EXPECT_EQ(obj.Name, "Thing1");
  ASSERT_EQ(obj.Properties.size(), 19u);
  auto value = [&](std::size_t i) -> const TValue& { return obj.Properties[i].Value; };
  EXPECT_EQ(value(0).Items, (std::vector<TValue>{TValue::Integer(5), TValue::String("a")}));
  EXPECT_EQ(value(1).Int, -1); // 0xFF as int8
  EXPECT_EQ(value(2).Int, 0x1234);
  EXPECT_EQ(value(3).Int, 0x12345678);
  EXPECT_EQ(value(4).AsDouble(), 1.0);
  EXPECT_EQ(value(5).Text, "abc");
  EXPECT_EQ(value(6), TValue::Ident("psProgramFiles"));
  EXPECT_EQ(value(7).Type, TValueType::vaFalse);
  EXPECT_EQ(value(8).Type, TValueType::vaTrue);
  EXPECT_EQ(value(9).Text, std::string("\x01\x02\x03"));
  EXPECT_EQ(value(10).Members, (std::vector<std::string>{"itFull", "itCompact"}));
  EXPECT_EQ(value(11).Type, TValueType::vaLString);
  EXPECT_EQ(value(11).Text, "xy");
  EXPECT_EQ(value(12).Type, TValueType::vaNil);
  ASSERT_EQ(value(13).Collection.size(), 2u);
  EXPECT_EQ(value(13).Collection[0].Index, TValue::Integer(3));
  EXPECT_EQ(value(13).Collection[0].Properties[0].Value, TValue::Integer(7));
  EXPECT_FALSE(value(13).Collection[1].Index.has_value());
  EXPECT_EQ(value(14).AsDouble(), 1.5);
  EXPECT_EQ(value(15).AsDouble(), 1.5);
  EXPECT_EQ(value(16).AsDouble(), 2.25);
  EXPECT_EQ(value(17).Wide, u"\u20ACA");
  EXPECT_EQ(value(18).Int, -4294967296);
  ASSERT_EQ(obj.Children.size(), 1u);
  EXPECT_EQ(obj.Children[0].Flags, ffInherited | ffChildPos);
  EXPECT_EQ(obj.Children[0].ChildPos, TValue::Integer(5));

  EXPECT_EQ(WriteObjectBinary(obj), bytes.Get());
}

TEST(BinaryCodec, Read_KeepsTheStoredIntegerWidth) {
  TBytes b;
  b.Signature()
      .Object("T", "")
      .Str("A")
      .Raw({4, 5, 0, 0, 0})
      .Str("B")
      .Raw({3, 0xFF, 0xFF})
      .End()
      .End();
  const TObjectRecord obj = ReadObjectBinary(b);
  EXPECT_EQ(obj.Properties[0].Value, TValue::IntegerAs(TValueType::vaInt32, 5));
  EXPECT_EQ(obj.Properties[1].Value, TValue::IntegerAs(TValueType::vaInt16, -1));
  EXPECT_EQ(WriteObjectBinary(obj), b.Get());
}

TEST(BinaryCodec, Read_EveryTruncationFailsCleanly) {
  const TBytes bytes = EveryTag();
  for (std::size_t n = 0; n < bytes.Size(); ++n) {
    std::vector<std::uint8_t> cut(bytes.Get().begin(),
                                  bytes.Get().begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_THROW(ReadObjectBinary(cut), EReadError) << "cut at " << n;
  }
}

TEST(BinaryCodec, Read_RefusesMalformedInput) {
  EXPECT_EQ(ReadError(TBytes().Chars("TPF1").Object("T", "").End().End()), "Invalid stream format");
  EXPECT_EQ(ReadError(TBytes().Chars("TP")), "Invalid stream format");
  EXPECT_EQ(ReadError(TBytes().Signature().Object("T", "").Str("P").Raw({20}).End().End()),
            "Invalid stream format: unknown value tag 20 at offset 9");
  EXPECT_EQ(
      ReadError(
          TBytes().Signature().Object("T", "").Str("P").Raw({10}).Le(0xFFFFFFFF, 4).End().End()),
      "Invalid stream format: binary needs 4294967295 bytes at offset 14, 2 left");
  EXPECT_EQ(
      ReadError(
          TBytes().Signature().Object("T", "").Str("P").Raw({18}).Le(0x80000000, 4).End().End()),
      "Invalid stream format: wide string of 2147483648 characters at offset 14, 2 bytes left");
  EXPECT_EQ(ReadError(TBytes().Signature().Object("T", "").Str("P").Raw({0}).End().End()),
            "Invalid stream format: a value was expected at offset 9");
  // The prefix: no flags, or a flag this format does not know.
  EXPECT_EQ(ReadError(TBytes().Signature().Raw({0xF0}).Object("T", "").End().End()),
            "Invalid stream format: invalid object prefix at offset 4");
  EXPECT_EQ(ReadError(TBytes().Signature().Raw({0xF8}).Object("T", "").End().End()),
            "Invalid stream format: invalid object prefix at offset 4");
  EXPECT_EQ(ReadError(TBytes().Signature().Raw({0xF2, 6}).Str("x").Object("T", "").End().End()),
            "Invalid stream format: an integer value was expected at offset 5");
  // A collection item is an optional order, then a list.
  EXPECT_EQ(
      ReadError(TBytes().Signature().Object("T", "").Str("C").Raw({14, 2, 1, 9}).End().End().End()),
      "Invalid stream format: a collection item must begin with a list tag at offset 12");
}

TEST(BinaryCodec, Read_BytesAfterTheRoot) {
  TBytes b;
  b.Signature().Object("T", "A").End().End().Raw({0, 0, 0});
  EXPECT_EQ(ReadError(b), "Invalid stream format: 3 bytes follow the root object at offset 10");
  std::size_t used = 0;
  EXPECT_EQ(ReadObjectBinary(b, &used).Name, "A");
  EXPECT_EQ(used, 10u);
}

// Objects and values nested beyond the limit are refused before they can
// exhaust the stack; up to the limit they are read.
TEST(BinaryCodec, Read_NestingLimit) {
  auto lists = [](int Depth) {
    TBytes b;
    b.Signature().Object("T", "").Str("P");
    for (int i = 0; i < Depth; ++i)
      b.Raw({1});
    for (int i = 0; i < Depth; ++i)
      b.End();
    return b.End().End();
  };
  EXPECT_NO_THROW(ReadObjectBinary(lists(kMaxNesting - 1))); // the root is one level
  EXPECT_EQ(ReadError(lists(kMaxNesting)),
            "Invalid stream format: list nested deeper than 64 levels at offset 73");
  auto objects = [](int Depth) {
    TBytes b;
    b.Signature();
    for (int i = 0; i < Depth; ++i)
      b.Object("T", "").End();
    for (int i = 0; i < Depth; ++i)
      b.End();
    return b;
  };
  EXPECT_NO_THROW(ReadObjectBinary(objects(kMaxNesting)));
  EXPECT_THROW(ReadObjectBinary(objects(kMaxNesting + 1)), EReadError);
  // Many siblings are no nesting.
  TBytes wide;
  wide.Signature().Object("T", "").Str("P").Raw({1});
  for (int i = 0; i < 100000; ++i)
    wide.Raw({8});
  wide.End().End().End();
  EXPECT_EQ(ReadObjectBinary(wide).Properties[0].Value.Items.size(), 100000u);
}

TEST(BinaryCodec, Write_RefusesWhatHasNoBinaryForm) {
  TObjectRecord obj;
  obj.ClassName = "T";
  EXPECT_NO_THROW(WriteObjectBinary(obj));

  TObjectRecord longName = obj;
  longName.Properties.push_back({std::string(256, 'p'), TValue::Integer(1)});
  EXPECT_THROW(WriteObjectBinary(longName), EWriteError);

  TObjectRecord badInt = obj;
  TValue v = TValue::Integer(1);
  v.Type = TValueType::vaInt8;
  v.Int = 300;
  badInt.Properties.push_back({"P", v});
  EXPECT_THROW(WriteObjectBinary(badInt), EWriteError);

  TObjectRecord noPos = obj;
  noPos.Flags = ffChildPos;
  EXPECT_THROW(WriteObjectBinary(noPos), EWriteError);

  // A class name of 240 characters or more would read back as a prefix.
  TObjectRecord longClass = obj;
  longClass.ClassName = std::string(240, 'T');
  EXPECT_THROW(WriteObjectBinary(longClass), EWriteError);
  longClass.Flags = ffInherited;
  EXPECT_EQ(ReadObjectBinary(WriteObjectBinary(longClass)), longClass);

  // A child without a class name and prefix would read as the end of the
  // child list (fuzz finding); the root has no such list around it.
  TObjectRecord noClass = obj;
  noClass.Children.push_back({});
  EXPECT_THROW(WriteObjectBinary(noClass), EWriteError);
  noClass.Children[0].Flags = ffInline;
  EXPECT_EQ(ReadObjectBinary(WriteObjectBinary(noClass)), noClass);
  TObjectRecord emptyRoot;
  EXPECT_EQ(ReadObjectBinary(WriteObjectBinary(emptyRoot)), emptyRoot);

  TObjectRecord nullValue = obj;
  nullValue.Properties.push_back({"P", TValue()});
  EXPECT_THROW(WriteObjectBinary(nullValue), EWriteError);

  TObjectRecord deep = obj;
  TValue list = TValue::List({});
  for (int i = 0; i < kMaxNesting; ++i)
    list = TValue::List({list});
  deep.Properties.push_back({"P", list});
  EXPECT_THROW(WriteObjectBinary(deep), EWriteError);
}

} // namespace
} // namespace quendel
