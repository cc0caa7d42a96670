#include "core/reflection.h"

#include "core/strings.h"

#include <algorithm>

namespace quendel {

std::optional<std::int64_t> TIdentMap::ValueOf(std::string_view Name) const {
  for (std::size_t i = 0; i < FCount; ++i)
    if (SameText(FEntries[i].Name, Name)) return FEntries[i].Value;
  return std::nullopt;
}

const char* TIdentMap::NameOf(std::int64_t Value) const {
  for (std::size_t i = 0; i < FCount; ++i)
    if (FEntries[i].Value == Value) return FEntries[i].Name;
  return nullptr;
}


namespace {
// Class names are identifiers: ASCII case folding is all they need.
std::string Upper(std::string_view s) { return UpperCase(s); }
std::string Trimmed(std::string_view s) { return Trim(s); }
} // namespace

const char* PropKindName(TPropKind Kind) {
  switch (Kind) {
  case TPropKind::Boolean: return "Boolean";
  case TPropKind::Integer: return "Integer";
  case TPropKind::Float: return "Float";
  case TPropKind::String: return "String";
  case TPropKind::Enumeration: return "Enumeration";
  case TPropKind::Set: return "Set";
  case TPropKind::Reference: return "Reference";
  case TPropKind::Object: return "Object";
  case TPropKind::StringList: return "StringList";
  case TPropKind::Picture: return "Picture";
  case TPropKind::Event: return "Event";
  }
  return "?";
}

namespace detail {
void RaiseInvalidValue() {
  Raise<EPropertyError>("Invalid property value");
}
bool StoredNever(const TPropInfo&, const TPersistent&) {
  return false;
}
bool StoredAlways(const TPropInfo&, const TPersistent&) {
  return true;
}
} // namespace detail

// --- TEnumInfo -----------------------------------------------------------------

std::string TEnumInfo::NameOf(int Ordinal) const {
  if (Ordinal < 0 || Ordinal >= Count()) Raise<EPropertyError>("Invalid property value");
  return FNames[Ordinal];
}

int TEnumInfo::ValueOf(std::string_view Name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(FNames[i], Name)) return i;
  return -1;
}

// --- TPropInfo -----------------------------------------------------------------

bool TPropInfo::IsStored(const TPersistent& Obj) const {
  if (!StoredByRule(Obj)) return false;
  switch (Kind) {
  case TPropKind::Boolean:
  case TPropKind::Integer:
  case TPropKind::Enumeration:
  case TPropKind::Set:
    return !HasDefault || GetOrd(Obj) != Default.Ord;
  case TPropKind::Float:
    return GetFloat(Obj) != (HasDefault ? Default.Float : 0.0);
  case TPropKind::String: return !GetStr(Obj).empty();
  case TPropKind::Reference: return GetObj(Obj) != nullptr;
  case TPropKind::Event: return EventAssigned(Obj);
  case TPropKind::StringList: {
    auto* s = static_cast<const TStrings*>(GetObj(Obj));
    return s && s->Count() > 0;
  }
  case TPropKind::Picture: {
    auto* p = static_cast<const TPicture*>(GetObj(Obj));
    return p && !p->Empty();
  }
  case TPropKind::Object: return GetObj(Obj) != nullptr;
  }
  return true;
}

// --- TClassInfo ----------------------------------------------------------------

bool TClassInfo::InheritsFrom(const TClassInfo& Other) const {
  for (const TClassInfo* c = this; c; c = c->Parent())
    if (c == &Other) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view PropName) const {
  for (const TClassInfo* c = this; c; c = c->Parent())
    for (const TPropInfo& p : c->FProps)
      if (SameText(p.Name, PropName)) return &p;
  return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = this; c; c = c->Parent())
    chain.push_back(c);
  std::vector<const TPropInfo*> all;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const TPropInfo& p : (*it)->FProps) {
      // A descendant may redeclare a property (a new default): the newest wins.
      auto same = std::find_if(all.begin(), all.end(),
                               [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
      if (same != all.end())
        *same = &p;
      else
        all.push_back(&p);
    }
  return all;
}

TComponent* TClassInfo::Create(TComponent* Owner) const {
  if (!FFactory)
    Raise<EComponentError>("Cannot create an instance of the abstract class %s", {FName});
  return FFactory(Owner);
}

// --- TClassRegistry --------------------------------------------------------------

void TClassRegistry::Register(const TClassInfo& Cls) {
  auto [it, inserted] = FClasses.emplace(Upper(Cls.Name()), &Cls);
  if (!inserted && it->second != &Cls)
    Raise<EComponentError>("A class named %s is already registered", {Cls.Name()});
}

const TClassInfo* TClassRegistry::Find(std::string_view Name) const {
  auto it = FClasses.find(Upper(Name));
  return it == FClasses.end() ? nullptr : it->second;
}

std::vector<const TClassInfo*> TClassRegistry::Classes() const {
  std::vector<const TClassInfo*> r;
  for (auto& [k, v] : FClasses) r.push_back(v);
  return r;
}

TClassRegistry& ClassRegistry() {
  static TClassRegistry Registry;
  return Registry;
}

// --- access by name --------------------------------------------------------------

TPropTarget ResolvePropertyPath(TPersistent& Root, std::string_view Path) {
  TPersistent* obj = &Root;
  std::string_view rest = Path;
  for (;;) {
    const auto dot = rest.find('.');
    const std::string_view part = rest.substr(0, dot);
    const TPropInfo* p = obj->ClassType().FindProperty(part);
    if (dot == std::string_view::npos) {
      if (!p) Raise<EPropertyError>("Property %s does not exist", {std::string(part)});
      return {obj, p};
    }
    if (!p || p->Kind != TPropKind::Object) Raise<EPropertyError>("Invalid property path");
    obj = p->GetObj(*obj);
    if (!obj) Raise<EPropertyError>("Invalid property path");
    rest = rest.substr(dot + 1);
  }
}

namespace {
TPropTarget Resolve(const TPersistent& Obj, std::string_view Path) {
  return ResolvePropertyPath(const_cast<TPersistent&>(Obj), Path);
}
bool IsOrdinal(TPropKind k) {
  return k == TPropKind::Boolean || k == TPropKind::Integer || k == TPropKind::Enumeration ||
         k == TPropKind::Set;
}
void Require(bool ok) {
  if (!ok) Raise<EPropertyError>("Invalid property value");
}
} // namespace

std::int64_t GetOrdProp(const TPersistent& Obj, std::string_view Path) {
  auto t = Resolve(Obj, Path);
  Require(IsOrdinal(t.Prop->Kind));
  return t.Prop->GetOrd(*t.Object);
}

void SetOrdProp(TPersistent& Obj, std::string_view Path, std::int64_t Value) {
  auto t = ResolvePropertyPath(Obj, Path);
  Require(IsOrdinal(t.Prop->Kind) && t.Prop->Writable());
  t.Prop->SetOrd(*t.Object, Value);
}

std::string GetStrProp(const TPersistent& Obj, std::string_view Path) {
  auto t = Resolve(Obj, Path);
  Require(t.Prop->Kind == TPropKind::String);
  return t.Prop->GetStr(*t.Object);
}

void SetStrProp(TPersistent& Obj, std::string_view Path, const std::string& Value) {
  auto t = ResolvePropertyPath(Obj, Path);
  Require(t.Prop->Kind == TPropKind::String && t.Prop->Writable());
  t.Prop->SetStr(*t.Object, Value);
}

std::string SetToString(const TEnumInfo& Info, std::uint64_t Bits) {
  std::string r = "[";
  for (int i = 0; i < Info.Count() && i < 64; ++i)
    if (Bits & (std::uint64_t{1} << i)) {
      if (r.size() > 1) r += ", ";
      r += Info.NameOf(i);
    }
  return r + "]";
}

std::uint64_t StringToSet(const TEnumInfo& Info, std::string_view Text) {
  std::string t = Trimmed(Text);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']')
    Raise<EPropertyError>("Invalid property value");
  t = t.substr(1, t.size() - 2);
  std::uint64_t bits = 0;
  std::size_t at = 0;
  while (at <= t.size()) {
    const auto comma = t.find(',', at);
    const std::string name = Trimmed(std::string_view(t).substr(at, comma - at));
    if (!name.empty()) {
      const int v = Info.ValueOf(name);
      if (v < 0 || v >= 64) Raise<EPropertyError>("Invalid property value");
      bits |= std::uint64_t{1} << v;
    } else if (comma != std::string::npos) {
      Raise<EPropertyError>("Invalid property value");
    }
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return bits;
}

std::string GetEnumProp(const TPersistent& Obj, std::string_view Path) {
  auto t = Resolve(Obj, Path);
  if (t.Prop->Kind == TPropKind::Boolean) return t.Prop->GetOrd(*t.Object) ? "True" : "False";
  Require(t.Prop->Enum != nullptr);
  const auto v = t.Prop->GetOrd(*t.Object);
  if (t.Prop->Kind == TPropKind::Set) return SetToString(*t.Prop->Enum, static_cast<std::uint64_t>(v));
  return t.Prop->Enum->NameOf(static_cast<int>(v));
}

void SetEnumProp(TPersistent& Obj, std::string_view Path, std::string_view ValueName) {
  auto t = ResolvePropertyPath(Obj, Path);
  Require(IsOrdinal(t.Prop->Kind) && t.Prop->Writable());
  if (t.Prop->Kind == TPropKind::Boolean) {
    if (SameText(ValueName, "True"))
      t.Prop->SetOrd(*t.Object, 1);
    else if (SameText(ValueName, "False"))
      t.Prop->SetOrd(*t.Object, 0);
    else
      Raise<EPropertyError>("Invalid property value");
    return;
  }
  Require(t.Prop->Enum != nullptr);
  if (t.Prop->Kind == TPropKind::Set) {
    t.Prop->SetOrd(*t.Object, static_cast<std::int64_t>(StringToSet(*t.Prop->Enum, ValueName)));
    return;
  }
  const int v = t.Prop->Enum->ValueOf(ValueName);
  Require(v >= 0);
  t.Prop->SetOrd(*t.Object, v);
}

TPersistent* GetObjectProp(const TPersistent& Obj, std::string_view Path) {
  auto t = Resolve(Obj, Path);
  Require(t.Prop->Kind == TPropKind::Reference || t.Prop->Kind == TPropKind::Object ||
          t.Prop->Kind == TPropKind::StringList || t.Prop->Kind == TPropKind::Picture);
  return t.Prop->GetObj(*t.Object);
}

void SetRefProp(TPersistent& Obj, std::string_view Path, TComponent* Target) {
  auto t = ResolvePropertyPath(Obj, Path);
  Require(t.Prop->Kind == TPropKind::Reference && t.Prop->Writable());
  t.Prop->SetRef(*t.Object, Target);
}

} // namespace quendel
