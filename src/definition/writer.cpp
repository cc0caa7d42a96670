#include "definition/writer.h"

#include "core/reflection.h"
#include "definition/binary_codec.h"
#include "definition/loader.h"

#include <map>

namespace quendel {

namespace {

class TWriter {
public:
  explicit TWriter(const TComponent& Root) : FRoot(Root) {}

  TObjectRecord Write() {
    // Each owned component goes inside its parent's record when the parent is
    // the root's too, otherwise inside the root's.
    for (int i = 0; i < FRoot.ComponentCount(); ++i) {
      const TComponent* c = FRoot.Components(i);
      const TComponent* parent = &FRoot;
      if (auto* p = dynamic_cast<const IParentedComponent*>(c))
        if (const TComponent* pc = p->GetParentComponent(); pc && pc->Owner() == &FRoot && pc != c)
          parent = pc;
      FChildren[parent].push_back(c);
    }
    TObjectRecord root = Record(FRoot, 1);
    if (FWritten != FRoot.ComponentCount())
      Raise<EWriteError>("The parents of %s's components form a cycle", {FRoot.Name()});
    return root;
  }

private:
  TObjectRecord Record(const TComponent& C, int Depth) {
    if (Depth > kMaxNesting)
      Raise<EWriteError>("Objects nested deeper than %d levels", {kMaxNesting});
    TObjectRecord rec;
    rec.ClassName = C.ClassName();
    rec.Name = C.Name();
    Properties(C, "", rec.Properties, Depth);
    std::vector<TExtraProperty> extras;
    const_cast<TComponent&>(C).DefineProperties(extras);
    for (const TExtraProperty& e : extras) {
      if (!e.Stored) continue;
      const std::int64_t v = e.Read();
      if (v < INT32_MIN || v > INT32_MAX)
        Raise<EWriteError>("%s.%s does not fit in 32 bits", {C.Name(), e.Name});
      rec.Properties.push_back({e.Name, TValue::Integer(v)});
    }
    if (auto it = FChildren.find(&C); it != FChildren.end())
      for (const TComponent* child : it->second) {
        ++FWritten;
        rec.Children.push_back(Record(*child, Depth + 1));
      }
    return rec;
  }

  void Properties(const TPersistent& Obj, const std::string& Prefix,
                  std::vector<TPropertyRecord>& Out, int Depth) {
    if (Depth > kMaxNesting)
      Raise<EWriteError>("Sub-objects nested deeper than %d levels", {kMaxNesting});
    for (const TPropInfo* prop : Obj.ClassType().Properties()) {
      const std::string name = Prefix + std::string(prop->Name);
      if (prop->Kind == TPropKind::Object) {
        if (!prop->StoredByRule(Obj)) continue;
        if (const TPersistent* sub = prop->GetObj(Obj))
          Properties(*sub, name + ".", Out, Depth + 1);
        continue;
      }
      if (prop->Kind == TPropKind::Event || prop->ReadOnly() || !prop->IsStored(Obj)) continue;
      Out.push_back(Property(Obj, *prop, name));
    }
  }

  TPropertyRecord Property(const TPersistent& Obj, const TPropInfo& Prop, const std::string& Name) {
    switch (Prop.Kind) {
    case TPropKind::Boolean:
      return {Name, TValue::Boolean(Prop.GetOrd(Obj) != 0)};
    case TPropKind::Integer: {
      const std::int64_t v = Prop.GetOrd(Obj);
      if (Prop.Idents)
        if (const char* ident = Prop.Idents->NameOf(v)) return {Name, TValue::Ident(ident)};
      return {Name, TValue::Integer(v)};
    }
    case TPropKind::Float:
      return {Name, TValue::Extended(Prop.GetFloat(Obj))};
    case TPropKind::String:
      return {Name, TValue::String(Prop.GetStr(Obj))};
    case TPropKind::Enumeration:
      return {Name, TValue::Ident(Prop.Enum->NameOf(static_cast<int>(Prop.GetOrd(Obj))))};
    case TPropKind::Set: {
      const auto bits = static_cast<std::uint64_t>(Prop.GetOrd(Obj));
      std::vector<std::string> members;
      for (int i = 0; i < 64; ++i)
        if (bits & (std::uint64_t{1} << i)) members.push_back(Prop.Enum->NameOf(i));
      return {Name, TValue::SetOf(std::move(members))};
    }
    case TPropKind::Reference: {
      auto* target = dynamic_cast<const TComponent*>(Prop.GetObj(Obj));
      if (!target || target->Name().empty())
        Raise<EWriteError>("%s cannot be stored: the object it refers to has no name", {Name});
      return {Name, TValue::Ident(target->Name())};
    }
    case TPropKind::StringList: {
      std::vector<TValue> lines;
      for (const std::string& s : *static_cast<const TStrings*>(Prop.GetObj(Obj)))
        lines.push_back(TValue::String(s));
      return {Name + ".Strings", TValue::List(std::move(lines))};
    }
    case TPropKind::Picture: {
      const auto bytes = static_cast<const TPicture*>(Prop.GetObj(Obj))->SaveToStream();
      return {Name + ".Data", TValue::Binary(std::string(bytes.begin(), bytes.end()))};
    }
    case TPropKind::Object:
    case TPropKind::Event:
      break;
    }
    Raise<EWriteError>("%s cannot be stored", {Name});
  }

  const TComponent& FRoot;
  std::map<const TComponent*, std::vector<const TComponent*>> FChildren;
  int FWritten = 0;
};

} // namespace

TObjectRecord ComponentToObject(const TComponent& Root) {
  return TWriter(Root).Write();
}

std::vector<std::uint8_t> WriteDefinition(const TComponent& Root) {
  return WriteObjectBinary(ComponentToObject(Root));
}

} // namespace quendel
