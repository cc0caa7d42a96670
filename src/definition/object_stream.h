// The generic model of a stored object stream: object records with their
// properties and children, and values of every tag. It needs no registered
// class, so any well-formed stream can be read, converted and written back.
//
// The model keeps everything that distinguishes the bytes of a stream: the tag
// of every integer (a value stored as int32 although it fits in int8 stays
// int32), the raw bytes of every float, and whether a text was stored as a
// short, long or wide string. Writing a model read from a stream therefore
// gives back the identical bytes. Values made by code (TValue::Integer,
// TValue::String, ...) take the smallest tag that holds them.
#pragma once

#include "core/exceptions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quendel {

// A stream that cannot be read: bad bytes, bad text, a class or a property
// that does not fit. EParserError carries the line and column of the text form.
QUENDEL_EXCEPTION(EParserError, EReadError);
QUENDEL_EXCEPTION(EClassNotFound, EReadError);

// The value tags, numbered as stored.
enum class TValueType : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
};
constexpr int kLastValueType = 19;

const char* ValueTypeName(TValueType Type);

// Flags of an object record's prefix byte (its low nibble).
enum TFilerFlag : std::uint8_t {
  ffInherited = 1,
  ffChildPos = 2,
  ffInline = 4,
};

// Objects, lists and collections nest; deeper input is refused rather than
// allowed to exhaust the stack of whoever reads, writes or loads it.
constexpr int kMaxNesting = 64;

// Characters per line of the text form's strings; short strings hold 255.
constexpr std::size_t kMaxShortString = 255;

struct TPropertyRecord;
struct TCollectionItem;

class TValue {
public:
  TValueType Type = TValueType::vaNull;
  // vaInt8/16/32/64; vaCurrency: the count of ten-thousandths.
  std::int64_t Int = 0;
  // vaExtended (10 bytes), vaSingle (4), vaDate (8): the stored bytes, little-endian.
  std::array<std::uint8_t, 10> Float{};
  // vaString, vaLString, vaIdent: the characters; vaBinary: the bytes.
  std::string Text;
  std::u16string Wide;                     // vaWString
  std::vector<std::string> Members;        // vaSet
  std::vector<TValue> Items;               // vaList
  std::vector<TCollectionItem> Collection; // vaCollection

  // Values as the writer makes them: the smallest tag that holds the value.
  static TValue Integer(std::int64_t V);
  // Exactly this integer tag; raises EWriteError when V does not fit it.
  static TValue IntegerAs(TValueType Type, std::int64_t V);
  static TValue Boolean(bool V);
  static TValue Nil();
  // vaString up to 255 characters, vaLString beyond.
  static TValue String(std::string V);
  static TValue WideString(std::u16string V);
  static TValue Ident(std::string V);
  static TValue Binary(std::string Bytes);
  static TValue SetOf(std::vector<std::string> Members);
  static TValue List(std::vector<TValue> Items);
  static TValue CollectionOf(std::vector<TCollectionItem> Items);
  // The extended nearest to V's shortest decimal spelling (0.1 is stored as
  // the extended nearest to 0.1, not as the double 0.1 widened), provided it
  // reads back as V; V widened exactly otherwise.
  static TValue Extended(double V);
  static TValue Single(float V);
  static TValue Date(double V);
  // A currency amount as its count of ten-thousandths (1.5 is 15000).
  static TValue Currency(std::int64_t TenThousandths);

  bool IsInteger() const;
  bool IsFloat() const;  // vaExtended, vaSingle, vaCurrency, vaDate
  bool IsString() const; // vaString, vaLString, vaWString
  // The value of a float tag or an integer, as the nearest double.
  double AsDouble() const;
  // A string tag as 8-bit ANSI text (a wide string is converted to code page 1252).
  std::string AsAnsiString() const;

  friend bool operator==(const TValue& A, const TValue& B);
};

struct TPropertyRecord {
  std::string Name;
  TValue Value;
  friend bool operator==(const TPropertyRecord& A, const TPropertyRecord& B);
};

struct TCollectionItem {
  std::optional<TValue> Index; // an integer value, when the item carries its order
  std::vector<TPropertyRecord> Properties;
  friend bool operator==(const TCollectionItem& A, const TCollectionItem& B);
};

struct TObjectRecord {
  std::uint8_t Flags = 0;         // TFilerFlag bits; 0 means no prefix byte
  std::optional<TValue> ChildPos; // present exactly when Flags has ffChildPos
  std::string ClassName;
  std::string Name;
  std::vector<TPropertyRecord> Properties;
  std::vector<TObjectRecord> Children;
  friend bool operator==(const TObjectRecord& A, const TObjectRecord& B);
};

// The smallest of vaInt8, vaInt16, vaInt32 and vaInt64 that holds V.
TValueType MinimalIntegerType(std::int64_t V);

// 80-bit extended floats as stored (10 bytes, little-endian) and doubles.
// ExtendedFromDouble is exact; ExtendedToDouble rounds to nearest, ties to even,
// and turns values beyond the double range into infinities.
std::array<std::uint8_t, 10> ExtendedFromDouble(double V);
double ExtendedToDouble(const std::array<std::uint8_t, 10>& Bytes);
// A decimal number ("0.1", "-2.5E300") as the nearest extended, on every
// platform. Overflow is set when it lies beyond the extended range.
std::array<std::uint8_t, 10> ExtendedFromDecimal(const std::string& Text, bool& Overflow);

// Code page 1252 and UTF-16: characters without an equivalent become '?'.
std::string WideToAnsi(const std::u16string& Text);
std::u16string AnsiToWide(const std::string& Text);

} // namespace quendel
