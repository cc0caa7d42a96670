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
#include <cstring>
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
  // From literals: a table costs a constant array, not code per name.
  TEnumInfo(const char* Name, std::initializer_list<const char*> Names);
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
  struct TLiteral {
    const char* Name;
    std::int64_t Value;
  };
  explicit TIdentMap(std::initializer_list<TLiteral> Entries);
  // Case-insensitive.
  std::optional<std::int64_t> ValueOf(std::string_view Name) const;
  const std::string* NameOf(std::int64_t Value) const;
  const std::vector<TEntry>& Entries() const { return FEntries; }

private:
  std::vector<TEntry> FEntries;
};

namespace detail {

// One member pointer (a data member or a member function of any persistent
// class, seen through TPersistent) and the datum its accessor checks against
// (an enumeration's names). Every property of every class goes through a
// handful of accessor functions, one per member type, which find their
// member here: the tables are data, not one function per property.
struct TMemberSlot {
  alignas(void*) unsigned char Bytes[2 * sizeof(void*)];
  const void* Extra;
};

template <class M> TMemberSlot MakeSlot(M Member, const void* Extra = nullptr) {
  static_assert(sizeof(M) <= sizeof(TMemberSlot::Bytes) && std::is_trivially_copyable_v<M>);
  TMemberSlot s{};
  std::memcpy(s.Bytes, &Member, sizeof Member);
  s.Extra = Extra;
  return s;
}

template <class M> M SlotMember(const TMemberSlot& Slot) {
  M m;
  std::memcpy(&m, Slot.Bytes, sizeof m);
  return m;
}

} // namespace detail

// A property's reader or writer: a plain function and the member it reaches.
// Empty when the property has no such accessor (a read-only property has no
// writer).
template <class Sig> class TPropAccessor;
template <class R, class... A> class TPropAccessor<R(A...)> {
public:
  using TFunction = R (*)(const detail::TMemberSlot&, A...);
  TPropAccessor() = default;
  TPropAccessor(TFunction Function, const detail::TMemberSlot& Slot)
      : FFunction(Function), FSlot(Slot) {}
  explicit operator bool() const { return FFunction != nullptr; }
  R operator()(A... Args) const { return FFunction(FSlot, static_cast<A&&>(Args)...); }

private:
  TFunction FFunction = nullptr;
  detail::TMemberSlot FSlot{};
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

  TPropAccessor<std::int64_t(const TPersistent&)> GetOrd;
  TPropAccessor<void(TPersistent&, std::int64_t)> SetOrd;
  TPropAccessor<double(const TPersistent&)> GetFloat;
  TPropAccessor<void(TPersistent&, double)> SetFloat;
  TPropAccessor<std::string(const TPersistent&)> GetStr;
  TPropAccessor<void(TPersistent&, const std::string&)> SetStr;
  // Reference target, sub-object, string list or picture.
  TPropAccessor<TPersistent*(const TPersistent&)> GetObj;
  // Raises EPropertyError("Invalid property value") when the target is not of RefClass.
  TPropAccessor<void(TPersistent&, TComponent*)> SetRef;
  // Events: the handler is a std::function of the event's own type held in a std::any.
  TPropAccessor<void(TPersistent&, const std::any&)> SetEvent;
  TPropAccessor<bool(const TPersistent&)> EventAssigned;
  // "stored" rule; empty means the default rule above.
  TPropAccessor<bool(const TPersistent&)> StoredRule;

  bool ReadOnly() const;
  // True when a definition writer stores this property for Obj.
  bool IsStored(const TPersistent& Obj) const;
};

// A class: its name, parent, published properties and (for creatable
// components) its factory.
class TClassInfo {
public:
  using TFactory = TComponent* (*)(TComponent* Owner);

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

// A member pointer names the class that declares the member. The accessors
// below reach the object as that class, so they are shared by every class
// that inherits the member, and by every member of the same type that class
// declares. A member of a base outside the persistent hierarchy is reached
// through the class whose table names it.
template <class M> struct TMemberOf;
template <class V, class C> struct TMemberOf<V C::*> {
  using Value = V;
  using Class = C;
};
template <class T, class M>
using TOwnMember = typename TMemberOf<M>::Value std::conditional_t<
    std::is_base_of_v<TPersistent, typename TMemberOf<M>::Class>, typename TMemberOf<M>::Class,
    T>::*;

template <class M> const typename TMemberOf<M>::Class& Self(const TPersistent& o) {
  return static_cast<const typename TMemberOf<M>::Class&>(o);
}
template <class M> typename TMemberOf<M>::Class& Self(TPersistent& o) {
  return static_cast<typename TMemberOf<M>::Class&>(o);
}

template <class M> std::int64_t GetBool(const TMemberSlot& s, const TPersistent& o) {
  return ReadMember(Self<M>(o), SlotMember<M>(s)) ? 1 : 0;
}
template <class M> void SetBool(const TMemberSlot& s, TPersistent& o, std::int64_t v) {
  WriteMember(Self<M>(o), SlotMember<M>(s), v != 0);
}
// Integers and enumerations.
template <class M> std::int64_t GetInt(const TMemberSlot& s, const TPersistent& o) {
  return static_cast<std::int64_t>(ReadMember(Self<M>(o), SlotMember<M>(s)));
}
template <class V, class M> void SetInt(const TMemberSlot& s, TPersistent& o, std::int64_t v) {
  if (v < static_cast<std::int64_t>(std::numeric_limits<V>::min()) ||
      v > static_cast<std::int64_t>(std::numeric_limits<V>::max()))
    RaiseInvalidValue();
  WriteMember(Self<M>(o), SlotMember<M>(s), static_cast<V>(v));
}
template <class V, class M> void SetEnum(const TMemberSlot& s, TPersistent& o, std::int64_t v) {
  if (v < 0 || v >= static_cast<const TEnumInfo*>(s.Extra)->Count()) RaiseInvalidValue();
  WriteMember(Self<M>(o), SlotMember<M>(s), static_cast<V>(v));
}
template <class M> std::int64_t GetSet(const TMemberSlot& s, const TPersistent& o) {
  return static_cast<std::int64_t>(ReadMember(Self<M>(o), SlotMember<M>(s)).Bits());
}
template <class V, class M> void SetSet(const TMemberSlot& s, TPersistent& o, std::int64_t v) {
  const auto bits = static_cast<std::uint64_t>(v);
  const int count = static_cast<const TEnumInfo*>(s.Extra)->Count();
  if (count < 64 && (bits >> count) != 0) RaiseInvalidValue();
  WriteMember(Self<M>(o), SlotMember<M>(s), V::FromBits(bits));
}
template <class M> double GetFloat(const TMemberSlot& s, const TPersistent& o) {
  return static_cast<double>(ReadMember(Self<M>(o), SlotMember<M>(s)));
}
template <class M> void SetFloat(const TMemberSlot& s, TPersistent& o, double v) {
  WriteMember(Self<M>(o), SlotMember<M>(s), v);
}
template <class M> std::string GetStr(const TMemberSlot& s, const TPersistent& o) {
  return std::string(ReadMember(Self<M>(o), SlotMember<M>(s)));
}
template <class M> void SetStr(const TMemberSlot& s, TPersistent& o, const std::string& v) {
  WriteMember(Self<M>(o), SlotMember<M>(s), v);
}
template <class U, class M> TPersistent* GetRef(const TMemberSlot& s, const TPersistent& o) {
  return const_cast<std::remove_const_t<U>*>(ReadMember(Self<M>(o), SlotMember<M>(s)));
}
template <class U, class M> void SetRef(const TMemberSlot& s, TPersistent& o, TComponent* c) {
  U* u = nullptr;
  if (c) {
    u = dynamic_cast<U*>(c);
    if (!u) RaiseInvalidValue();
  }
  WriteMember(Self<M>(o), SlotMember<M>(s), u);
}
// An owned sub-object: the reader returns a pointer or a reference to it.
template <class M> TPersistent* GetOwned(const TMemberSlot& s, const TPersistent& o) {
  decltype(auto) r = ReadMember(Self<M>(o), SlotMember<M>(s));
  if constexpr (std::is_pointer_v<std::remove_cvref_t<decltype(r)>>)
    return const_cast<TPersistent*>(static_cast<const TPersistent*>(r));
  else
    return const_cast<TPersistent*>(static_cast<const TPersistent*>(&r));
}
template <class M> void SetEvent(const TMemberSlot& s, TPersistent& o, const std::any& h) {
  using F = typename TMemberOf<M>::Value;
  auto& field = Self<M>(o).*SlotMember<M>(s);
  if (!h.has_value()) {
    field = nullptr;
    return;
  }
  const F* f = std::any_cast<F>(&h);
  if (!f) RaiseInvalidValue();
  field = *f;
}
template <class M> bool EventAssigned(const TMemberSlot& s, const TPersistent& o) {
  return static_cast<bool>(Self<M>(o).*SlotMember<M>(s));
}
template <class M> bool StoredIf(const TMemberSlot& s, const TPersistent& o) {
  return (Self<M>(o).*SlotMember<M>(s))();
}
bool StoredNever(const TMemberSlot&, const TPersistent&);
bool StoredAlways(const TMemberSlot&, const TPersistent&);

// What every class's table builder shares: kept out of line, so that a class's
// table costs one call per property.
class TClassBuilderBase {
protected:
  TClassBuilderBase(std::string_view Name, const TClassInfo* Parent);
  TPropInfo& Add(std::string_view Name, TPropKind Kind);
  TClassInfo Build(TClassInfo::TFactory Factory);

  std::string FName;
  const TClassInfo* FParent;
  std::vector<TPropInfo> FProps;
};

} // namespace detail

template <class T> class TClassBuilder : detail::TClassBuilderBase {
  template <class G>
  using MemberType =
      std::remove_cvref_t<decltype(detail::ReadMember(std::declval<const T&>(), std::declval<G>()))>;
  template <class M> using Rebased = detail::TOwnMember<T, M>;

  template <class M> static detail::TMemberSlot Slot(M Member, const void* Extra = nullptr) {
    return detail::MakeSlot(static_cast<Rebased<M>>(static_cast<typename detail::TMemberOf<M>::Value T::*>(Member)), Extra);
  }

public:
  TClassBuilder(std::string_view Name, const TClassInfo& Parent)
      : TClassBuilderBase(Name, &Parent) {}
  // For the root of a hierarchy.
  explicit TClassBuilder(std::string_view Name) : TClassBuilderBase(Name, nullptr) {}

  template <class G, class S>
  TClassBuilder& Bool(std::string_view Name, G Get, S Set, std::optional<bool> Default = {}) {
    TPropInfo& p = Add(Name, TPropKind::Boolean);
    if (Default) p.OrdDefault = *Default ? 1 : 0;
    p.GetOrd = {&detail::GetBool<Rebased<G>>, Slot(Get)};
    if constexpr (!detail::IsNoSetter<S>) p.SetOrd = {&detail::SetBool<Rebased<S>>, Slot(Set)};
    return *this;
  }

  template <class G, class S>
  TClassBuilder& Int(std::string_view Name, G Get, S Set,
                     std::optional<std::int64_t> Default = {}) {
    TPropInfo& p = Add(Name, TPropKind::Integer);
    p.OrdDefault = Default;
    p.GetOrd = {&detail::GetInt<Rebased<G>>, Slot(Get)};
    if constexpr (!detail::IsNoSetter<S>)
      p.SetOrd = {&detail::SetInt<MemberType<G>, Rebased<S>>, Slot(Set)};
    return *this;
  }

  template <class G, class S>
  TClassBuilder& Float(std::string_view Name, G Get, S Set, std::optional<double> Default = {}) {
    TPropInfo& p = Add(Name, TPropKind::Float);
    p.FloatDefault = Default;
    p.GetFloat = {&detail::GetFloat<Rebased<G>>, Slot(Get)};
    if constexpr (!detail::IsNoSetter<S>) p.SetFloat = {&detail::SetFloat<Rebased<S>>, Slot(Set)};
    return *this;
  }

  template <class G, class S> TClassBuilder& Str(std::string_view Name, G Get, S Set) {
    TPropInfo& p = Add(Name, TPropKind::String);
    p.GetStr = {&detail::GetStr<Rebased<G>>, Slot(Get)};
    if constexpr (!detail::IsNoSetter<S>) p.SetStr = {&detail::SetStr<Rebased<S>>, Slot(Set)};
    return *this;
  }

  template <class G, class S>
  TClassBuilder& Enum(std::string_view Name, G Get, S Set, const TEnumInfo& Info,
                      std::optional<int> Default = {}) {
    TPropInfo& p = Add(Name, TPropKind::Enumeration);
    p.Enum = &Info;
    if (Default) p.OrdDefault = *Default;
    p.GetOrd = {&detail::GetInt<Rebased<G>>, Slot(Get)};
    if constexpr (!detail::IsNoSetter<S>)
      p.SetOrd = {&detail::SetEnum<MemberType<G>, Rebased<S>>, Slot(Set, &Info)};
    return *this;
  }

  // The member is a TSet<E>; Default is a set of the same type.
  template <class G, class S>
  TClassBuilder& Set(std::string_view Name, G Get, S Sett, const TEnumInfo& Info,
                     std::optional<MemberType<G>> Default = {}) {
    TPropInfo& p = Add(Name, TPropKind::Set);
    p.Enum = &Info;
    if (Default) p.OrdDefault = static_cast<std::int64_t>(Default->Bits());
    p.GetOrd = {&detail::GetSet<Rebased<G>>, Slot(Get)};
    if constexpr (!detail::IsNoSetter<S>)
      p.SetOrd = {&detail::SetSet<MemberType<G>, Rebased<S>>, Slot(Sett, &Info)};
    return *this;
  }

  // A reference to another component of class U (the reader returns U*, the
  // writer takes U*).
  template <class G, class S> TClassBuilder& Ref(std::string_view Name, G Get, S Set) {
    using U = std::remove_pointer_t<MemberType<G>>;
    TPropInfo& p = Add(Name, TPropKind::Reference);
    p.RefClassOf = &U::StaticClass;
    p.GetObj = {&detail::GetRef<U, Rebased<G>>, Slot(Get)};
    if constexpr (!detail::IsNoSetter<S>)
      p.SetRef = {&detail::SetRef<std::remove_const_t<U>, Rebased<S>>, Slot(Set)};
    return *this;
  }

  // An owned sub-object (reader returns a pointer or a reference to it).
  template <class G> TClassBuilder& Object(std::string_view Name, G Get) {
    return Owned(Name, TPropKind::Object, Get);
  }
  template <class G> TClassBuilder& Strings(std::string_view Name, G Get) {
    return Owned(Name, TPropKind::StringList, Get);
  }
  template <class G> TClassBuilder& Picture(std::string_view Name, G Get) {
    return Owned(Name, TPropKind::Picture, Get);
  }

  // An event: a std::function data member.
  template <class F, class C> TClassBuilder& Event(std::string_view Name, F C::* Field) {
    TPropInfo& p = Add(Name, TPropKind::Event);
    p.SetEvent = {&detail::SetEvent<Rebased<F C::*>>, Slot(Field)};
    p.EventAssigned = {&detail::EventAssigned<Rebased<F C::*>>, Slot(Field)};
    return *this;
  }

  // Lets the integer property declared last be written with these names.
  TClassBuilder& Idents(const TIdentMap& Map) {
    FProps.back().Idents = &Map;
    return *this;
  }

  // Replaces the "stored" rule of the property declared last: a constant, a
  // member predicate or a captureless function of the object.
  template <class P> TClassBuilder& Stored(P Predicate) {
    auto& rule = FProps.back().StoredRule;
    if constexpr (std::is_same_v<P, bool>)
      rule = {Predicate ? &detail::StoredAlways : &detail::StoredNever, {}};
    else if constexpr (std::is_member_function_pointer_v<P>)
      rule = {&detail::StoredIf<Rebased<P>>, Slot(Predicate)};
    else
      rule = {&StoredBy<P>, {}};
    return *this;
  }

  TClassInfo Build() { return TClassBuilderBase::Build(Factory()); }

private:
  template <class P> static bool StoredBy(const detail::TMemberSlot&, const TPersistent& o) {
    return P{}(static_cast<const T&>(o));
  }

  static TComponent* Create(TComponent* Owner) { return new T(Owner); }

  static TClassInfo::TFactory Factory() {
    if constexpr (!std::is_abstract_v<T> && std::is_constructible_v<T, TComponent*> &&
                  std::is_base_of_v<TComponent, T>)
      return &Create;
    else
      return nullptr;
  }

  template <class G> TClassBuilder& Owned(std::string_view Name, TPropKind Kind, G Get) {
    TPropInfo& p = Add(Name, Kind);
    p.GetObj = {&detail::GetOwned<Rebased<G>>, Slot(Get)};
    return *this;
  }
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
