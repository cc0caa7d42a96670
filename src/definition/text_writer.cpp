// Writes the text form: one spelling per stream, so that the same stream
// always gives the same text and the text reads back to the same bytes.
#include "definition/text_codec.h"

#include "core/byte_order.h"
#include "definition/text_syntax.h"

#include <string>
#include <type_traits>
#include <vector>

namespace quendel {

namespace {

using namespace text_syntax;

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
      Raise<EWriteError>("%s nested deeper than %d levels", {What, kMaxNesting});
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
      Raise<EWriteError>("A null tag cannot stand as a value");
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
        Typed("Extended", "$" + Hex(GetLEBytes(V.Float, 8, 2), 4) + Hex(LoadLe(V.Float, 8), 16));
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
        Raise<EWriteError>("String is longer than 255 characters");
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
        if (V.Members[i].empty())
          Raise<EWriteError>("A set member without a name cannot be stored");
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
            Raise<EWriteError>("A collection item's order must be an int8, int16 or int32");
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

} // namespace

std::string ObjectToText(const TObjectRecord& Root) {
  return TTextWriter().Write(Root);
}

} // namespace quendel
