// Published properties: one table per class, inheriting its parent's. The
// definition reader and writer, the text form, the translator and the tests
// all go through these tables.
//
// A class declares its table once, in its .cpp file:
//
//   const TClassInfo& TInstallObject::StaticClass() {
//     static const TClassInfo Info =
//         TClassBuilder<TInstallObject>("TInstallObject", TInstallContainer::StaticClass())
//             .Bool("Include", &TInstallObject::Include, &TInstallObject::SetInclude, true)
//             .Set("InstallTypes", &T::InstallTypes, &T::SetInstallTypes, InstallTypeInfo, AllTypes)
//             .Ref("Container", &T::Container, &T::SetContainer)
//             .Event("OnBeforeProcess", &T::OnBeforeProcess)
//             .Build();
//     return Info;
//   }
//
// Readers and writers are member functions or data members. A class that can
// be created from a definition gets a factory automatically when it is
// concrete and constructible from its owner.
#pragma once

#include "core/component.h"
#include "core/exceptions.h"
#include "core/persistent.h"

#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace quendel {

enum class TPropKind {
  Boolean,
  Integer,
  Float,
  String,
  Enumeration,
  Set,
  Reference,  // another component, named in the definition
  Object,     // an owned sub-object whose properties are set through a dotted path
  StringList, // stored as "Name.Strings"
  Picture,    // stored as "Name.Data"
  Event,      // "On..." handler
};

const char* PropKindName(TPropKind Kind);

// The names of an enumeration's values, in declared order (ordinal = index).
class TEnumInfo {
public:
  TEnumInfo(std::string Name, std::vector<std::string> Names)
      : FName(std::move(Name)), FNames(std::move(Names)) {}
  const std::string& Name() const { return FName; }
  int Count() const { return static_cast<int>(FNames.size()); }
  // Raises EPropertyError for an ordinal outside the enumeration.
  const std::string& NameOf(int Ordinal) const;
  // Case-insensitive; -1 when no value has that name.
  int ValueOf(std::string_view Name) const;

private:
  std::string FName;
  std::vector<std::string> FNames;
};

// A set of enumeration values, stored as a bit mask (ordinal N = bit N).
template <class E> class TSet {
public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Items) {
    for (E e : Items) FBits |= Bit(e);
  }
  static constexpr TSet FromBits(std::uint64_t Bits) {
    TSet s;
    s.FBits = Bits;
    return s;
  }
  constexpr std::uint64_t Bits() const { return FBits; }
  constexpr bool Contains(E e) const { return (FBits & Bit(e)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E e) { FBits |= Bit(e); return *this; }
  constexpr TSet& Exclude(E e) { FBits &= ~Bit(e); return *this; }
  constexpr TSet operator+(TSet o) const { return FromBits(FBits | o.FBits); }
  constexpr TSet operator-(TSet o) const { return FromBits(FBits & ~o.FBits); }
  constexpr TSet operator*(TSet o) const { return FromBits(FBits & o.FBits); }
  constexpr bool operator==(const TSet&) const = default;

private:
  static constexpr std::uint64_t Bit(E e) { return std::uint64_t{1} << static_cast<unsigned>(e); }
  std::uint64_t FBits = 0;
};

// Names that an integer property may be written with in a definition
// (colours such as clBtnFace, character sets such as DEFAULT_CHARSET). The
// first name listed for a value is the one a writer uses.
class TIdentMap {
public:
  struct TEntry {
    std::string Name;
    std::int64_t Value;
  };
  explicit TIdentMap(std::vector<TEntry> Entries) : FEntries(std::move(Entries)) {}
  // Case-insensitive.
  std::optional<std::int64_t> ValueOf(std::string_view Name) const;
  const std::string* NameOf(std::int64_t Value) const;
  const std::vector<TEntry>& Entries() const { return FEntries; }

private:
  std::vector<TEntry> FEntries;
};

// One published property. Ordinal kinds (Boolean, Integer, Enumeration, Set)
// travel as int64 (a set as its bit mask); references, sub-objects, string
// lists and pictures as object pointers.
class TPropInfo {
public:
  std::string Name;
  TPropKind Kind = TPropKind::Integer;
  const TEnumInfo* Enum = nullptr;       // Enumeration and Set
  const TIdentMap* Idents = nullptr;     // Integer: names a definition may use
  // Reference: the class the target must be. A function, because a class
  // may refer to its own kind while its table is being built.
  const TClassInfo& (*RefClassOf)() = nullptr;
  const TClassInfo* RefClass() const { return RefClassOf ? &RefClassOf() : nullptr; }

  // Declared default. An ordinal property without one is always stored; a
  // string is stored when not empty, a float when not 0, a reference when set.
  std::optional<std::int64_t> OrdDefault;
  std::optional<double> FloatDefault;

  std::function<std::int64_t(const TPersistent&)> GetOrd;
  std::function<void(TPersistent&, std::int64_t)> SetOrd;
  std::function<double(const TPersistent&)> GetFloat;
  std::function<void(TPersistent&, double)> SetFloat;
  std::function<std::string(const TPersistent&)> GetStr;
  std::function<void(TPersistent&, const std::string&)> SetStr;
  // Reference target, sub-object, string list or picture.
  std::function<TPersistent*(const TPersistent&)> GetObj;
  // Raises EPropertyError("Invalid property value") when the target is not of RefClass.
  std::function<void(TPersistent&, TComponent*)> SetRef;
  // Events: the handler is a std::function of the event's own type held in a std::any.
  std::function<void(TPersistent&, const std::any&)> SetEvent;
  std::function<bool(const TPersistent&)> EventAssigned;
  // "stored" rule; empty means the default rule above.
  std::function<bool(const TPersistent&)> StoredRule;

  bool ReadOnly() const;
  // True when a definition writer stores this property for Obj.
  bool IsStored(const TPersistent& Obj) const;
};

// A class: its name, parent, published properties and (for creatable
// components) its factory.
class TClassInfo {
public:
  using TFactory = std::function<TComponent*(TComponent* Owner)>;

  TClassInfo(std::string Name, const TClassInfo* Parent, std::vector<TPropInfo> Props,
             TFactory Factory);

  const std::string& Name() const { return FName; }
  const TClassInfo* Parent() const { return FParent; }
  bool InheritsFrom(const TClassInfo& Other) const;
  // Own and inherited properties, case-insensitive; nullptr when absent.
  const TPropInfo* FindProperty(std::string_view PropName) const;
  // Every property, the root class's first.
  std::vector<const TPropInfo*> Properties() const;
  // Only this class's own table.
  const std::vector<TPropInfo>& OwnProperties() const { return FProps; }
  bool CanCreate() const { return static_cast<bool>(FFactory); }
  // Raises EComponentError for a class that cannot be created.
  TComponent* Create(TComponent* Owner) const;

private:
  std::string FName;
  const TClassInfo* FParent;
  std::vector<TPropInfo> FProps;
  TFactory FFactory;
};

// Class name → class, for creating objects named in a definition.
class TClassRegistry {
public:
  // Registering the same class twice is harmless; another class under a
  // taken name raises EComponentError.
  void Register(const TClassInfo& Cls);
  template <class T> void Register() { Register(T::StaticClass()); }
  // Case-insensitive; nullptr when absent.
  const TClassInfo* Find(std::string_view Name) const;
  std::vector<const TClassInfo*> Classes() const;

private:
  std::map<std::string, const TClassInfo*> FClasses; // key: upper-cased name
};

// The registry every program uses; each layer adds its classes through its
// own Register...Classes function.
TClassRegistry& ClassRegistry();

namespace detail {

template <class T, class A> decltype(auto) ReadMember(const T& Obj, A Accessor) {
  if constexpr (std::is_member_object_pointer_v<A>)
    return (Obj.*Accessor);
  else
    return (Obj.*Accessor)();
}

template <class T, class A, class V> void WriteMember(T& Obj, A Accessor, V&& Value) {
  if constexpr (std::is_member_object_pointer_v<A>)
    Obj.*Accessor = std::forward<V>(Value);
  else
    (Obj.*Accessor)(std::forward<V>(Value));
}

template <class T> constexpr bool IsNoSetter = std::is_same_v<T, std::nullptr_t>;

[[noreturn]] void RaiseInvalidValue();

} // namespace detail

template <class T> class TClassBuilder {
  template <class G>
  using MemberType =
      std::remove_cvref_t<decltype(detail::ReadMember(std::declval<const T&>(), std::declval<G>()))>;

public:
  TClassBuilder(std::string Name, const TClassInfo& Parent)
      : FName(std::move(Name)), FParent(&Parent) {}
  // For the root of a hierarchy.
  explicit TClassBuilder(std::string Name) : FName(std::move(Name)), FParent(nullptr) {}

  template <class G, class S>
  TClassBuilder& Bool(std::string Name, G Get, S Set, std::optional<bool> Default = {}) {
    TPropInfo& p = Add(std::move(Name), TPropKind::Boolean);
    if (Default) p.OrdDefault = *Default ? 1 : 0;
    p.GetOrd = [Get](const TPersistent& o) -> std::int64_t {
      return detail::ReadMember(Self(o), Get) ? 1 : 0;
    };
    if constexpr (!detail::IsNoSetter<S>)
      p.SetOrd = [Set](TPersistent& o, std::int64_t v) { detail::WriteMember(Self(o), Set, v != 0); };
    return *this;
  }

  template <class G, class S>
  TClassBuilder& Int(std::string Name, G Get, S Set, std::optional<std::int64_t> Default = {}) {
    TPropInfo& p = Add(std::move(Name), TPropKind::Integer);
    p.OrdDefault = Default;
    p.GetOrd = [Get](const TPersistent& o) -> std::int64_t {
      return static_cast<std::int64_t>(detail::ReadMember(Self(o), Get));
    };
    if constexpr (!detail::IsNoSetter<S>)
      p.SetOrd = [Set](TPersistent& o, std::int64_t v) {
        using V = MemberType<G>;
        if (v < static_cast<std::int64_t>(std::numeric_limits<V>::min()) ||
            v > static_cast<std::int64_t>(std::numeric_limits<V>::max()))
          detail::RaiseInvalidValue();
        detail::WriteMember(Self(o), Set, static_cast<V>(v));
      };
    return *this;
  }

  template <class G, class S>
  TClassBuilder& Float(std::string Name, G Get, S Set, std::optional<double> Default = {}) {
    TPropInfo& p = Add(std::move(Name), TPropKind::Float);
    p.FloatDefault = Default;
    p.GetFloat = [Get](const TPersistent& o) -> double {
      return static_cast<double>(detail::ReadMember(Self(o), Get));
    };
    if constexpr (!detail::IsNoSetter<S>)
      p.SetFloat = [Set](TPersistent& o, double v) { detail::WriteMember(Self(o), Set, v); };
    return *this;
  }

  template <class G, class S> TClassBuilder& Str(std::string Name, G Get, S Set) {
    TPropInfo& p = Add(std::move(Name), TPropKind::String);
    p.GetStr = [Get](const TPersistent& o) -> std::string {
      return std::string(detail::ReadMember(Self(o), Get));
    };
    if constexpr (!detail::IsNoSetter<S>)
      p.SetStr = [Set](TPersistent& o, const std::string& v) {
        detail::WriteMember(Self(o), Set, v);
      };
    return *this;
  }

  template <class G, class S>
  TClassBuilder& Enum(std::string Name, G Get, S Set, const TEnumInfo& Info,
                      std::optional<int> Default = {}) {
    TPropInfo& p = Add(std::move(Name), TPropKind::Enumeration);
    p.Enum = &Info;
    if (Default) p.OrdDefault = *Default;
    p.GetOrd = [Get](const TPersistent& o) -> std::int64_t {
      return static_cast<std::int64_t>(detail::ReadMember(Self(o), Get));
    };
    if constexpr (!detail::IsNoSetter<S>)
      p.SetOrd = [Set, &Info](TPersistent& o, std::int64_t v) {
        if (v < 0 || v >= Info.Count()) detail::RaiseInvalidValue();
        detail::WriteMember(Self(o), Set, static_cast<MemberType<G>>(v));
      };
    return *this;
  }

  // The member is a TSet<E>; Default is a set of the same type.
  template <class G, class S>
  TClassBuilder& Set(std::string Name, G Get, S Sett, const TEnumInfo& Info,
                     std::optional<MemberType<G>> Default = {}) {
    using SetT = MemberType<G>;
    TPropInfo& p = Add(std::move(Name), TPropKind::Set);
    p.Enum = &Info;
    if (Default) p.OrdDefault = static_cast<std::int64_t>(Default->Bits());
    p.GetOrd = [Get](const TPersistent& o) -> std::int64_t {
      return static_cast<std::int64_t>(detail::ReadMember(Self(o), Get).Bits());
    };
    if constexpr (!detail::IsNoSetter<S>)
      p.SetOrd = [Sett, &Info](TPersistent& o, std::int64_t v) {
        const auto bits = static_cast<std::uint64_t>(v);
        if (Info.Count() < 64 && (bits >> Info.Count()) != 0) detail::RaiseInvalidValue();
        detail::WriteMember(Self(o), Sett, SetT::FromBits(bits));
      };
    return *this;
  }

  // A reference to another component of class U (the reader returns U*, the
  // writer takes U*).
  template <class G, class S> TClassBuilder& Ref(std::string Name, G Get, S Set) {
    using U = std::remove_pointer_t<
        std::remove_cvref_t<decltype(detail::ReadMember(std::declval<const T&>(), Get))>>;
    TPropInfo& p = Add(std::move(Name), TPropKind::Reference);
    p.RefClassOf = &U::StaticClass;
    p.GetObj = [Get](const TPersistent& o) -> TPersistent* {
      return const_cast<std::remove_const_t<U>*>(detail::ReadMember(Self(o), Get));
    };
    if constexpr (!detail::IsNoSetter<S>)
      p.SetRef = [Set](TPersistent& o, TComponent* c) {
        U* u = nullptr;
        if (c) {
          u = dynamic_cast<U*>(c);
          if (!u) detail::RaiseInvalidValue();
        }
        detail::WriteMember(Self(o), Set, u);
      };
    return *this;
  }

  // An owned sub-object (reader returns a pointer or a reference to it).
  template <class G> TClassBuilder& Object(std::string Name, G Get) {
    return Owned(std::move(Name), TPropKind::Object, Get);
  }
  template <class G> TClassBuilder& Strings(std::string Name, G Get) {
    return Owned(std::move(Name), TPropKind::StringList, Get);
  }
  template <class G> TClassBuilder& Picture(std::string Name, G Get) {
    return Owned(std::move(Name), TPropKind::Picture, Get);
  }

  // An event: a std::function data member.
  template <class F> TClassBuilder& Event(std::string Name, F T::* Field) {
    TPropInfo& p = Add(std::move(Name), TPropKind::Event);
    p.SetEvent = [Field](TPersistent& o, const std::any& h) {
      if (!h.has_value()) {
        Self(o).*Field = nullptr;
        return;
      }
      const F* f = std::any_cast<F>(&h);
      if (!f) detail::RaiseInvalidValue();
      Self(o).*Field = *f;
    };
    p.EventAssigned = [Field](const TPersistent& o) { return static_cast<bool>(Self(o).*Field); };
    return *this;
  }

  // Lets the integer property declared last be written with these names.
  TClassBuilder& Idents(const TIdentMap& Map) {
    FProps.back().Idents = &Map;
    return *this;
  }

  // Replaces the "stored" rule of the property declared last.
  template <class P> TClassBuilder& Stored(P Predicate) {
    if constexpr (std::is_same_v<P, bool>)
      FProps.back().StoredRule = [Predicate](const TPersistent&) { return Predicate; };
    else if constexpr (std::is_member_function_pointer_v<P>)
      FProps.back().StoredRule = [Predicate](const TPersistent& o) {
        return (Self(o).*Predicate)();
      };
    else
      FProps.back().StoredRule = [Predicate](const TPersistent& o) { return Predicate(Self(o)); };
    return *this;
  }

  TClassInfo Build() { return TClassInfo(std::move(FName), FParent, std::move(FProps), Factory()); }

private:
  static const T& Self(const TPersistent& o) { return static_cast<const T&>(o); }
  static T& Self(TPersistent& o) { return static_cast<T&>(o); }

  static TClassInfo::TFactory Factory() {
    if constexpr (!std::is_abstract_v<T> && std::is_constructible_v<T, TComponent*> &&
                  std::is_base_of_v<TComponent, T>)
      return [](TComponent* Owner) -> TComponent* { return new T(Owner); };
    else
      return nullptr;
  }

  template <class G> TClassBuilder& Owned(std::string Name, TPropKind Kind, G Get) {
    TPropInfo& p = Add(std::move(Name), Kind);
    p.GetObj = [Get](const TPersistent& o) -> TPersistent* {
      decltype(auto) r = detail::ReadMember(Self(o), Get);
      if constexpr (std::is_pointer_v<std::remove_cvref_t<decltype(r)>>)
        return const_cast<TPersistent*>(static_cast<const TPersistent*>(r));
      else
        return const_cast<TPersistent*>(static_cast<const TPersistent*>(&r));
    };
    return *this;
  }

  TPropInfo& Add(std::string Name, TPropKind Kind) {
    TPropInfo& p = FProps.emplace_back();
    p.Name = std::move(Name);
    p.Kind = Kind;
    return p;
  }

  std::string FName;
  const TClassInfo* FParent;
  std::vector<TPropInfo> FProps;
};

// Property access by name, for loaders, tests and tools. Each raises
// EPropertyError ("Property %s does not exist", "Invalid property value") on
// misuse; a dotted path walks owned sub-objects ("BuildInfo.BuildDirectory").
struct TPropTarget {
  TPersistent* Object;
  const TPropInfo* Prop;
};
TPropTarget ResolvePropertyPath(TPersistent& Root, std::string_view Path);

std::int64_t GetOrdProp(const TPersistent& Obj, std::string_view Path);
void SetOrdProp(TPersistent& Obj, std::string_view Path, std::int64_t Value);
std::string GetStrProp(const TPersistent& Obj, std::string_view Path);
void SetStrProp(TPersistent& Obj, std::string_view Path, const std::string& Value);
// Enumeration by value name; Set as "[a, b]".
std::string GetEnumProp(const TPersistent& Obj, std::string_view Path);
void SetEnumProp(TPersistent& Obj, std::string_view Path, std::string_view ValueName);
std::string SetToString(const TEnumInfo& Info, std::uint64_t Bits);
// Raises EPropertyError for an unknown member name.
std::uint64_t StringToSet(const TEnumInfo& Info, std::string_view Text);
TPersistent* GetObjectProp(const TPersistent& Obj, std::string_view Path);
void SetRefProp(TPersistent& Obj, std::string_view Path, TComponent* Target);

} // namespace quendel
