#include "definition/binary_codec.h"

#include "core/byte_order.h"

#include <cstring>

namespace quendel {

bool IsBinaryStream(std::span<const std::uint8_t> Bytes) {
  return Bytes.size() >= 4 && std::memcmp(Bytes.data(), kStreamSignature, 4) == 0;
}

namespace {

bool IsIntegerTag(std::uint8_t Tag) {
  return Tag == static_cast<std::uint8_t>(TValueType::vaInt8) ||
         Tag == static_cast<std::uint8_t>(TValueType::vaInt16) ||
         Tag == static_cast<std::uint8_t>(TValueType::vaInt32);
}

class TBinaryReader {
public:
  explicit TBinaryReader(std::span<const std::uint8_t> Bytes) : FBytes(Bytes) {}

  TObjectRecord ReadStream() {
    if (!IsBinaryStream(FBytes)) Raise<EReadError>("Invalid stream format");
    FPos = 4;
    return ReadObject();
  }

  std::size_t Position() const { return FPos; }

private:
  [[noreturn]] void Fail(std::string_view What) const { Fail(What, FPos); }
  [[noreturn]] void Fail(std::string_view What, std::size_t At) const {
    Raise<EReadError>("Invalid stream format: %s at offset %u", {What, At});
  }

  std::size_t Remaining() const { return FBytes.size() - FPos; }

  void Need(std::size_t Count, std::string_view What) const {
    if (Count > Remaining())
      Raise<EReadError>("Invalid stream format: %s needs %u bytes at offset %u, %u left",
                        {What, Count, FPos, Remaining()});
  }

  std::uint8_t Peek(std::string_view What) const {
    Need(1, What);
    return FBytes[FPos];
  }

  std::uint8_t Byte(std::string_view What) {
    Need(1, What);
    return FBytes[FPos++];
  }

  std::uint64_t Unsigned(int Size, std::string_view What) {
    Need(static_cast<std::size_t>(Size), What);
    const std::uint64_t v = GetLEBytes(FBytes, FPos, static_cast<std::size_t>(Size));
    FPos += static_cast<std::size_t>(Size);
    return v;
  }

  std::string Chars(std::size_t Count, std::string_view What) {
    Need(Count, What);
    std::string s(reinterpret_cast<const char*>(FBytes.data() + FPos), Count);
    FPos += Count;
    return s;
  }

  std::string ShortString(std::string_view What) {
    const std::size_t len = Byte(What);
    return Chars(len, What);
  }

  void Enter(std::string_view What) {
    if (++FDepth > kMaxNesting)
      Raise<EReadError>("Invalid stream format: %s nested deeper than %d levels at offset %u",
                        {What, kMaxNesting, FPos});
  }
  void Leave() { --FDepth; }

  TValue ReadInteger(std::string_view What) {
    const std::size_t at = FPos;
    const std::uint8_t tag = Byte(What);
    if (!IsIntegerTag(tag)) Fail("an integer value was expected", at);
    FPos = at;
    return ReadValue();
  }

  TObjectRecord ReadObject() {
    Enter("object");
    TObjectRecord obj;
    if ((Peek("object record") & 0xF0) == 0xF0) {
      const std::size_t at = FPos;
      obj.Flags = Byte("object prefix") & 0x0F;
      if (obj.Flags == 0 || (obj.Flags & ~(ffInherited | ffChildPos | ffInline)) != 0)
        Fail("invalid object prefix", at);
      if (obj.Flags & ffChildPos) obj.ChildPos = ReadInteger("child position");
    }
    obj.ClassName = ShortString("class name");
    obj.Name = ShortString("object name");
    while (Peek("property list") != 0) {
      TPropertyRecord p;
      p.Name = ShortString("property name");
      p.Value = ReadValue();
      obj.Properties.push_back(std::move(p));
    }
    ++FPos;
    while (Peek("child list") != 0)
      obj.Children.push_back(ReadObject());
    ++FPos;
    Leave();
    return obj;
  }

  TValue ReadValue() {
    const std::size_t at = FPos;
    const std::uint8_t tag = Byte("value");
    if (tag > kLastValueType)
      Raise<EReadError>("Invalid stream format: unknown value tag %d at offset %u", {tag, at});
    TValue v;
    v.Type = static_cast<TValueType>(tag);
    switch (v.Type) {
    case TValueType::vaNull:
      Fail("a value was expected", at);
    case TValueType::vaList:
      Enter("list");
      while (Peek("list") != 0)
        v.Items.push_back(ReadValue());
      ++FPos;
      Leave();
      break;
    case TValueType::vaInt8:
      v.Int = static_cast<std::int8_t>(Unsigned(1, "int8"));
      break;
    case TValueType::vaInt16:
      v.Int = static_cast<std::int16_t>(Unsigned(2, "int16"));
      break;
    case TValueType::vaInt32:
      v.Int = static_cast<std::int32_t>(Unsigned(4, "int32"));
      break;
    case TValueType::vaInt64:
    case TValueType::vaCurrency:
      v.Int = static_cast<std::int64_t>(Unsigned(8, ValueTypeName(v.Type)));
      break;
    case TValueType::vaExtended:
    case TValueType::vaSingle:
    case TValueType::vaDate: {
      const std::size_t size = v.Type == TValueType::vaExtended ? 10
                               : v.Type == TValueType::vaSingle ? 4
                                                                : 8;
      Need(size, ValueTypeName(v.Type));
      std::memcpy(v.Float.data(), FBytes.data() + FPos, size);
      FPos += size;
      break;
    }
    case TValueType::vaString:
    case TValueType::vaIdent:
      v.Text = ShortString(ValueTypeName(v.Type));
      break;
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
      break;
    case TValueType::vaBinary:
    case TValueType::vaLString: {
      const auto len = Unsigned(4, ValueTypeName(v.Type));
      v.Text = Chars(static_cast<std::size_t>(len), ValueTypeName(v.Type));
      break;
    }
    case TValueType::vaWString: {
      const auto count = Unsigned(4, "wide string");
      if (count > Remaining() / 2) // checked before doubling: size_t may be 32 bits
        Raise<EReadError>("Invalid stream format: wide string of %u characters at offset %u, "
                          "%u bytes left",
                          {count, FPos, Remaining()});
      v.Wide.resize(static_cast<std::size_t>(count));
      for (auto& u : v.Wide)
        u = static_cast<char16_t>(Unsigned(2, "wide string"));
      break;
    }
    case TValueType::vaSet:
      for (;;) {
        std::string m = ShortString("set");
        if (m.empty()) break;
        v.Members.push_back(std::move(m));
      }
      break;
    case TValueType::vaCollection:
      Enter("collection");
      while (Peek("collection") != 0) {
        TCollectionItem item;
        if (IsIntegerTag(FBytes[FPos])) item.Index = ReadValue();
        const std::size_t itemAt = FPos;
        if (Byte("collection item") != static_cast<std::uint8_t>(TValueType::vaList))
          Fail("a collection item must begin with a list tag", itemAt);
        while (Peek("collection item") != 0) {
          TPropertyRecord p;
          p.Name = ShortString("property name");
          p.Value = ReadValue();
          item.Properties.push_back(std::move(p));
        }
        ++FPos;
        v.Collection.push_back(std::move(item));
      }
      ++FPos;
      Leave();
      break;
    }
    return v;
  }

  std::span<const std::uint8_t> FBytes;
  std::size_t FPos = 0;
  int FDepth = 0;
};

class TBinaryWriter {
public:
  std::vector<std::uint8_t> Write(const TObjectRecord& Root) {
    FOut.insert(FOut.end(), kStreamSignature, kStreamSignature + 4);
    WriteObject(Root, false);
    return std::move(FOut);
  }

private:
  void Byte(std::uint8_t B) { FOut.push_back(B); }
  void Unsigned(std::uint64_t V, int Size) {
    AppendLEBytes(FOut, V, static_cast<std::size_t>(Size));
  }
  void Bytes(const void* Data, std::size_t Count) {
    auto* p = static_cast<const std::uint8_t*>(Data);
    FOut.insert(FOut.end(), p, p + Count);
  }
  void ShortString(const std::string& S, std::string_view What) {
    if (S.size() > kMaxShortString)
      Raise<EWriteError>("%s is longer than 255 characters: %.40s...", {What, S});
    Byte(static_cast<std::uint8_t>(S.size()));
    Bytes(S.data(), S.size());
  }
  void Length(std::size_t N, std::string_view What) {
    if (N > UINT32_MAX) Raise<EWriteError>("%s is too long to store", {What});
    Unsigned(N, 4);
  }
  void Enter(std::string_view What) {
    if (++FDepth > kMaxNesting)
      Raise<EWriteError>("%s nested deeper than %d levels", {What, kMaxNesting});
  }
  void Leave() { --FDepth; }

  void Properties(const std::vector<TPropertyRecord>& Props) {
    for (const TPropertyRecord& p : Props) {
      if (p.Name.empty()) Raise<EWriteError>("A property without a name cannot be stored");
      ShortString(p.Name, "Property name");
      WriteValue(p.Value);
    }
    Byte(0);
  }

  void WriteObject(const TObjectRecord& Obj, bool IsChild) {
    Enter("Object");
    if ((Obj.Flags & ~(ffInherited | ffChildPos | ffInline)) != 0)
      Raise<EWriteError>("Invalid object prefix flags %d", {Obj.Flags});
    if (((Obj.Flags & ffChildPos) != 0) != Obj.ChildPos.has_value())
      Raise<EWriteError>("Object %s: a child position goes with the child-position flag",
                         {Obj.Name});
    if (Obj.Flags != 0) {
      Byte(static_cast<std::uint8_t>(0xF0 | Obj.Flags));
      if (Obj.ChildPos) {
        if (!Obj.ChildPos->IsInteger() || Obj.ChildPos->Type == TValueType::vaInt64)
          Raise<EWriteError>("Object %s: a child position must be an int8, int16 or int32",
                             {Obj.Name});
        WriteValue(*Obj.ChildPos);
      }
    } else if (Obj.ClassName.size() >= 0xF0) {
      // Its length byte would read as a prefix.
      Raise<EWriteError>("Class name of %s is too long to store without a prefix", {Obj.Name});
    } else if (IsChild && Obj.ClassName.empty()) {
      // Its length byte would read as the end of the enclosing child list.
      Raise<EWriteError>("Child object %s has no class name", {Obj.Name});
    }
    ShortString(Obj.ClassName, "Class name");
    ShortString(Obj.Name, "Object name");
    Properties(Obj.Properties);
    for (const TObjectRecord& c : Obj.Children)
      WriteObject(c, true);
    Byte(0);
    Leave();
  }

  void WriteValue(const TValue& V) {
    Byte(static_cast<std::uint8_t>(V.Type));
    switch (V.Type) {
    case TValueType::vaNull:
      Raise<EWriteError>("A null tag cannot stand as a value");
    case TValueType::vaList:
      Enter("List");
      for (const TValue& item : V.Items)
        WriteValue(item);
      Byte(0);
      Leave();
      break;
    case TValueType::vaInt8:
    case TValueType::vaInt16:
    case TValueType::vaInt32:
    case TValueType::vaInt64: {
      (void)TValue::IntegerAs(V.Type, V.Int); // raises when it does not fit
      const int size = V.Type == TValueType::vaInt8    ? 1
                       : V.Type == TValueType::vaInt16 ? 2
                       : V.Type == TValueType::vaInt32 ? 4
                                                       : 8;
      Unsigned(static_cast<std::uint64_t>(V.Int), size);
      break;
    }
    case TValueType::vaCurrency:
      Unsigned(static_cast<std::uint64_t>(V.Int), 8);
      break;
    case TValueType::vaExtended:
      Bytes(V.Float.data(), 10);
      break;
    case TValueType::vaSingle:
      Bytes(V.Float.data(), 4);
      break;
    case TValueType::vaDate:
      Bytes(V.Float.data(), 8);
      break;
    case TValueType::vaString:
      ShortString(V.Text, "String");
      break;
    case TValueType::vaIdent:
      ShortString(V.Text, "Identifier");
      break;
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
      break;
    case TValueType::vaBinary:
    case TValueType::vaLString:
      Length(V.Text.size(), ValueTypeName(V.Type));
      Bytes(V.Text.data(), V.Text.size());
      break;
    case TValueType::vaWString:
      Length(V.Wide.size(), "wide string");
      for (char16_t u : V.Wide)
        Unsigned(u, 2);
      break;
    case TValueType::vaSet:
      for (const std::string& m : V.Members) {
        if (m.empty()) Raise<EWriteError>("A set member without a name cannot be stored");
        ShortString(m, "Set member");
      }
      Byte(0);
      break;
    case TValueType::vaCollection:
      Enter("Collection");
      for (const TCollectionItem& item : V.Collection) {
        if (item.Index) {
          if (!item.Index->IsInteger() || item.Index->Type == TValueType::vaInt64)
            Raise<EWriteError>("A collection item's order must be an int8, int16 or int32");
          WriteValue(*item.Index);
        }
        Byte(static_cast<std::uint8_t>(TValueType::vaList));
        Properties(item.Properties);
      }
      Byte(0);
      Leave();
      break;
    }
  }

  std::vector<std::uint8_t> FOut;
  int FDepth = 0;
};

} // namespace

TObjectRecord ReadObjectBinary(std::span<const std::uint8_t> Bytes, std::size_t* Consumed) {
  TBinaryReader reader(Bytes);
  TObjectRecord root = reader.ReadStream();
  if (Consumed)
    *Consumed = reader.Position();
  else if (reader.Position() != Bytes.size())
    Raise<EReadError>("Invalid stream format: %u bytes follow the root object at offset %u",
                      {Bytes.size() - reader.Position(), reader.Position()});
  return root;
}

std::vector<std::uint8_t> WriteObjectBinary(const TObjectRecord& Root) {
  return TBinaryWriter().Write(Root);
}

} // namespace quendel
