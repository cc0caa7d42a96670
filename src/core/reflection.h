// Published properties: one table per class, inheriting its parent's. The
// definition reader and writer, the text form, the translator and the tests
// all go through these tables.
//
// A class declares its table once, in its .cpp file:
//
//   const TClassInfo& TInstallObject::StaticClass() {
//     using T = TInstallObject;
//     return ClassTable([] {
//       return TClassBuilder<T>("TInstallObject", &TInstallContainer::StaticClass)
//           .Bool<&T::Include, &T::SetInclude>("Include", true)
//           .Set<&T::InstallTypes, &T::SetInstallTypes>("InstallTypes", InstallTypeInfo, AllTypes)
//           .Ref<&T::Container, &T::SetContainer>("Container")
//           .Event<&T::OnBeforeProcess>("OnBeforeProcess");
//     });
//   }
//
// The builder runs while the program is compiled: the table is constant data
// (one plain descriptor per property, names as literals, member pointers in
// constants of their own), and StaticClass returns its address. Nothing is
// built at start-up.
//
// Readers and writers are member functions or data members, given as template
// arguments; a read-only property's writer is nullptr. A class that can be
// created from a definition gets a factory automatically when it is concrete
// and constructible from its owner.
#pragma once

#include "core/component.h"
#include "core/event.h"
#include "core/exceptions.h"
#include "core/persistent.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace quendel {

enum class TPropKind : std::uint8_t {
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
// A table refers to a constant array of literals: nothing is built or freed
// when the program starts and ends.
class TEnumInfo {
public:
  template <std::size_t N>
  constexpr TEnumInfo(const char* Name, const char* const (&Names)[N])
      : FName(Name), FNames(Names), FCount(static_cast<int>(N)) {}
  template <std::size_t N>
  constexpr TEnumInfo(const char* Name, const std::array<const char*, N>& Names)
      : FName(Name), FNames(Names.data()), FCount(static_cast<int>(N)) {}
  // A braced list or a temporary array ends before the table does.
  template <std::size_t N> TEnumInfo(const char*, const char* (&&)[N]) = delete;
  template <std::size_t N> TEnumInfo(const char*, std::array<const char*, N>&&) = delete;
  std::string_view Name() const { return FName; }
  int Count() const { return FCount; }
  // Raises EPropertyError for an ordinal outside the enumeration.
  std::string NameOf(int Ordinal) const;
  // Case-insensitive; -1 when no value has that name.
  int ValueOf(std::string_view Name) const;

private:
  const char* FName;
  const char* const* FNames;
  int FCount;
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
  struct TLiteral {
    const char* Name;
    std::int64_t Value;
  };
  // A map refers to a constant array, as an enumeration table does.
  template <std::size_t N>
  constexpr explicit TIdentMap(const TLiteral (&Entries)[N]) : FEntries(Entries), FCount(N) {}
  template <std::size_t N> TIdentMap(TLiteral (&&)[N]) = delete;
  // Case-insensitive.
  std::optional<std::int64_t> ValueOf(std::string_view Name) const;
  // Null when no name is listed for the value.
  const char* NameOf(std::int64_t Value) const;

private:
  const TLiteral* FEntries;
  std::size_t FCount;
};

class TPropInfo;
using TClassOf = const TClassInfo& (*)();

namespace detail {
// A property's reader and writer, each one plain function per member type
// (shared by every property of that type) and the constant holding the
// member it reaches.
union TGetter {
  std::int64_t (*Ord)(const TPropInfo&, const TPersistent&);
  double (*Float)(const TPropInfo&, const TPersistent&);
  std::string (*Str)(const TPropInfo&, const TPersistent&);
  TPersistent* (*Obj)(const TPropInfo&, const TPersistent&); // reference, sub-object, list, picture
  bool (*Assigned)(const TPropInfo&, const TPersistent&);    // event
};
union TSetter {
  void (*Ord)(const TPropInfo&, TPersistent&, std::int64_t);
  void (*Float)(const TPropInfo&, TPersistent&, double);
  void (*Str)(const TPropInfo&, TPersistent&, const std::string&);
  void (*Ref)(const TPropInfo&, TPersistent&, TComponent*);
  void (*Event)(const TPropInfo&, TPersistent&, const TAnyEvent&);
};
union TDefault {
  std::int64_t Ord;
  double Float;
};
} // namespace detail

// One published property: constant data. Ordinal kinds (Boolean, Integer,
// Enumeration, Set) travel as int64 (a set as its bit mask); references,
// sub-objects, string lists and pictures as object pointers.
class TPropInfo {
public:
  std::string_view Name;
  TPropKind Kind = TPropKind::Integer;
  bool HasDefault = false;
  bool HasSetter = false;
  const TEnumInfo* Enum = nullptr;   // Enumeration and Set
  const TIdentMap* Idents = nullptr; // Integer: names a definition may use
  // Reference: the class the target must be. A function, because a class
  // may refer to its own kind.
  TClassOf RefClassOf = nullptr;
  const TClassInfo* RefClass() const { return RefClassOf ? &RefClassOf() : nullptr; }

  // Declared default. An ordinal property without one is always stored; a
  // string is stored when not empty, a float when not 0, a reference when set.
  std::optional<std::int64_t> OrdDefault() const {
    return HasDefault && Kind != TPropKind::Float ? std::optional(Default.Ord) : std::nullopt;
  }
  std::optional<double> FloatDefault() const {
    return HasDefault && Kind == TPropKind::Float ? std::optional(Default.Float) : std::nullopt;
  }

  // Each accessor serves the kinds named; a writer only when Writable().
  std::int64_t GetOrd(const TPersistent& Obj) const { return Get.Ord(*this, Obj); }
  void SetOrd(TPersistent& Obj, std::int64_t V) const { Set.Ord(*this, Obj, V); }
  double GetFloat(const TPersistent& Obj) const { return Get.Float(*this, Obj); }
  void SetFloat(TPersistent& Obj, double V) const { Set.Float(*this, Obj, V); }
  std::string GetStr(const TPersistent& Obj) const { return Get.Str(*this, Obj); }
  void SetStr(TPersistent& Obj, const std::string& V) const { Set.Str(*this, Obj, V); }
  // Reference target, sub-object, string list or picture.
  TPersistent* GetObj(const TPersistent& Obj) const { return Get.Obj(*this, Obj); }
  // Raises EPropertyError("Invalid property value") when the target is not of RefClass.
  void SetRef(TPersistent& Obj, TComponent* Target) const { Set.Ref(*this, Obj, Target); }
  // Events: the handler must be an event of the property's own signature; an
  // empty one clears it.
  void SetEvent(TPersistent& Obj, const TAnyEvent& Handler) const { Set.Event(*this, Obj, Handler); }
  bool EventAssigned(const TPersistent& Obj) const { return Get.Assigned(*this, Obj); }

  // True when the property has a writer (sub-objects, lists and pictures are
  // written through their own properties and count as writable).
  bool Writable() const { return HasSetter; }
  bool ReadOnly() const { return !HasSetter; }
  // False when the property's own "stored" rule says so for Obj; the default
  // rule below is not applied.
  bool StoredByRule(const TPersistent& Obj) const { return !StoredRule || StoredRule(*this, Obj); }
  // True when a definition writer stores this property for Obj.
  bool IsStored(const TPersistent& Obj) const;

  // What the builder fills in (and HasDefault, HasSetter above, kept beside
  // Kind to keep the descriptor small); the accessors above read it.
  detail::TDefault Default{};
  detail::TGetter Get{};
  detail::TSetter Set{};
  const void* GetMember = nullptr; // the reader's member (a constant of its type)
  const void* SetMember = nullptr;
  // "stored" rule; null means the default rule.
  bool (*StoredRule)(const TPropInfo&, const TPersistent&) = nullptr;
};

// A class: its name, parent, published properties and (for creatable
// components) its factory. Constant data.
class TClassInfo {
public:
  using TFactory = TComponent* (*)(TComponent* Owner);

  constexpr TClassInfo(const char* Name, TClassOf Parent, std::span<const TPropInfo> Props,
                       TFactory Factory)
      : FName(Name), FParent(Parent), FProps(Props), FFactory(Factory) {}

  std::string_view Name() const { return FName; }
  const TClassInfo* Parent() const { return FParent ? &FParent() : nullptr; }
  bool InheritsFrom(const TClassInfo& Other) const;
  // Own and inherited properties, case-insensitive; nullptr when absent.
  const TPropInfo* FindProperty(std::string_view PropName) const;
  // Every property, the root class's first.
  std::vector<const TPropInfo*> Properties() const;
  // Only this class's own table.
  std::span<const TPropInfo> OwnProperties() const { return FProps; }
  bool CanCreate() const { return FFactory != nullptr; }
  // Raises EComponentError for a class that cannot be created.
  TComponent* Create(TComponent* Owner) const;

private:
  const char* FName;
  TClassOf FParent;
  std::span<const TPropInfo> FProps;
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

// The constant a table points at for member M of a class T's table, as the
// class its accessor reaches (one constant per member, shared by the tables
// of every class that names it).
template <class R, auto M> inline constexpr R MemberConstant = static_cast<R>(M);

template <class M> const M& MemberAt(const void* Constant) {
  return *static_cast<const M*>(Constant);
}

template <class M> const typename TMemberOf<M>::Class& Self(const TPersistent& o) {
  return static_cast<const typename TMemberOf<M>::Class&>(o);
}
template <class M> typename TMemberOf<M>::Class& Self(TPersistent& o) {
  return static_cast<typename TMemberOf<M>::Class&>(o);
}
template <class M> decltype(auto) Read(const TPropInfo& p, const TPersistent& o) {
  return ReadMember(Self<M>(o), MemberAt<M>(p.GetMember));
}
template <class M, class V> void Write(const TPropInfo& p, TPersistent& o, V&& v) {
  WriteMember(Self<M>(o), MemberAt<M>(p.SetMember), std::forward<V>(v));
}

template <class M> std::int64_t GetBool(const TPropInfo& p, const TPersistent& o) {
  return Read<M>(p, o) ? 1 : 0;
}
template <class M> void SetBool(const TPropInfo& p, TPersistent& o, std::int64_t v) {
  Write<M>(p, o, v != 0);
}
// Integers and enumerations.
template <class M> std::int64_t GetInt(const TPropInfo& p, const TPersistent& o) {
  return static_cast<std::int64_t>(Read<M>(p, o));
}
template <class V, class M> void SetInt(const TPropInfo& p, TPersistent& o, std::int64_t v) {
  if (v < static_cast<std::int64_t>(std::numeric_limits<V>::min()) ||
      v > static_cast<std::int64_t>(std::numeric_limits<V>::max()))
    RaiseInvalidValue();
  Write<M>(p, o, static_cast<V>(v));
}
template <class V, class M> void SetEnum(const TPropInfo& p, TPersistent& o, std::int64_t v) {
  if (v < 0 || v >= p.Enum->Count()) RaiseInvalidValue();
  Write<M>(p, o, static_cast<V>(v));
}
template <class M> std::int64_t GetSet(const TPropInfo& p, const TPersistent& o) {
  return static_cast<std::int64_t>(Read<M>(p, o).Bits());
}
template <class V, class M> void SetSet(const TPropInfo& p, TPersistent& o, std::int64_t v) {
  const auto bits = static_cast<std::uint64_t>(v);
  const int count = p.Enum->Count();
  if (count < 64 && (bits >> count) != 0) RaiseInvalidValue();
  Write<M>(p, o, V::FromBits(bits));
}
template <class M> double GetFloat(const TPropInfo& p, const TPersistent& o) {
  return static_cast<double>(Read<M>(p, o));
}
template <class M> void SetFloat(const TPropInfo& p, TPersistent& o, double v) {
  Write<M>(p, o, v);
}
template <class M> std::string GetStr(const TPropInfo& p, const TPersistent& o) {
  return std::string(Read<M>(p, o));
}
template <class M> void SetStr(const TPropInfo& p, TPersistent& o, const std::string& v) {
  Write<M>(p, o, v);
}
template <class U, class M> TPersistent* GetRef(const TPropInfo& p, const TPersistent& o) {
  return const_cast<std::remove_const_t<U>*>(Read<M>(p, o));
}
template <class U, class M> void SetRef(const TPropInfo& p, TPersistent& o, TComponent* c) {
  U* u = nullptr;
  if (c) {
    u = dynamic_cast<U*>(c);
    if (!u) RaiseInvalidValue();
  }
  Write<M>(p, o, u);
}
// An owned sub-object: the reader returns a pointer or a reference to it.
template <class M> TPersistent* GetOwned(const TPropInfo& p, const TPersistent& o) {
  decltype(auto) r = Read<M>(p, o);
  if constexpr (std::is_pointer_v<std::remove_cvref_t<decltype(r)>>)
    return const_cast<TPersistent*>(static_cast<const TPersistent*>(r));
  else
    return const_cast<TPersistent*>(static_cast<const TPersistent*>(&r));
}
template <class M> void SetEvent(const TPropInfo& p, TPersistent& o, const TAnyEvent& h) {
  auto& field = Self<M>(o).*MemberAt<M>(p.SetMember);
  if (!h.HasValue())
    field = nullptr;
  else if (!h.Into(field))
    RaiseInvalidValue();
}
template <class M> bool EventAssigned(const TPropInfo& p, const TPersistent& o) {
  return static_cast<bool>(Self<M>(o).*MemberAt<M>(p.GetMember));
}
bool StoredNever(const TPropInfo&, const TPersistent&);
bool StoredAlways(const TPropInfo&, const TPersistent&);

} // namespace detail

// Builds a class's table while the program is compiled (see the top of this
// file); ClassTable turns it into constant data.
template <class T> class TClassBuilder {
  template <auto G>
  using MemberType = std::remove_cvref_t<decltype(detail::ReadMember(std::declval<const T&>(), G))>;
  template <auto M> using Rebased = detail::TOwnMember<T, decltype(M)>;
  template <auto M> static constexpr const void* Constant() {
    return &detail::MemberConstant<Rebased<M>, M>;
  }
  template <auto S> static constexpr bool NoSetter = std::is_null_pointer_v<decltype(S)>;

public:
  constexpr TClassBuilder(const char* Name, TClassOf Parent) : FName(Name), FParent(Parent) {}
  // For the root of a hierarchy.
  constexpr explicit TClassBuilder(const char* Name) : FName(Name), FParent(nullptr) {}

  template <auto G, auto S>
  constexpr TClassBuilder& Bool(const char* Name, std::optional<bool> Default = {}) {
    TPropInfo& p = Add<G, S>(Name, TPropKind::Boolean);
    if (Default) SetDefault(p, *Default ? 1 : 0);
    p.Get.Ord = &detail::GetBool<Rebased<G>>;
    if constexpr (!NoSetter<S>) p.Set.Ord = &detail::SetBool<Rebased<S>>;
    return *this;
  }

  template <auto G, auto S>
  constexpr TClassBuilder& Int(const char* Name, std::optional<std::int64_t> Default = {}) {
    TPropInfo& p = Add<G, S>(Name, TPropKind::Integer);
    if (Default) SetDefault(p, *Default);
    p.Get.Ord = &detail::GetInt<Rebased<G>>;
    if constexpr (!NoSetter<S>) p.Set.Ord = &detail::SetInt<MemberType<G>, Rebased<S>>;
    return *this;
  }

  template <auto G, auto S>
  constexpr TClassBuilder& Float(const char* Name, std::optional<double> Default = {}) {
    TPropInfo& p = Add<G, S>(Name, TPropKind::Float);
    if (Default) {
      p.HasDefault = true;
      p.Default.Float = *Default;
    }
    p.Get.Float = &detail::GetFloat<Rebased<G>>;
    if constexpr (!NoSetter<S>) p.Set.Float = &detail::SetFloat<Rebased<S>>;
    return *this;
  }

  template <auto G, auto S> constexpr TClassBuilder& Str(const char* Name) {
    TPropInfo& p = Add<G, S>(Name, TPropKind::String);
    p.Get.Str = &detail::GetStr<Rebased<G>>;
    if constexpr (!NoSetter<S>) p.Set.Str = &detail::SetStr<Rebased<S>>;
    return *this;
  }

  template <auto G, auto S>
  constexpr TClassBuilder& Enum(const char* Name, const TEnumInfo& Info,
                                std::optional<int> Default = {}) {
    TPropInfo& p = Add<G, S>(Name, TPropKind::Enumeration);
    p.Enum = &Info;
    if (Default) SetDefault(p, *Default);
    p.Get.Ord = &detail::GetInt<Rebased<G>>;
    if constexpr (!NoSetter<S>) p.Set.Ord = &detail::SetEnum<MemberType<G>, Rebased<S>>;
    return *this;
  }

  // The member is a TSet<E>; Default is a set of the same type.
  template <auto G, auto S>
  constexpr TClassBuilder& Set(const char* Name, const TEnumInfo& Info,
                               std::optional<MemberType<G>> Default = {}) {
    TPropInfo& p = Add<G, S>(Name, TPropKind::Set);
    p.Enum = &Info;
    if (Default) SetDefault(p, static_cast<std::int64_t>(Default->Bits()));
    p.Get.Ord = &detail::GetSet<Rebased<G>>;
    if constexpr (!NoSetter<S>) p.Set.Ord = &detail::SetSet<MemberType<G>, Rebased<S>>;
    return *this;
  }

  // A reference to another component of class U (the reader returns U*, the
  // writer takes U*).
  template <auto G, auto S> constexpr TClassBuilder& Ref(const char* Name) {
    using U = std::remove_pointer_t<MemberType<G>>;
    TPropInfo& p = Add<G, S>(Name, TPropKind::Reference);
    p.RefClassOf = &U::StaticClass;
    p.Get.Obj = &detail::GetRef<U, Rebased<G>>;
    if constexpr (!NoSetter<S>) p.Set.Ref = &detail::SetRef<std::remove_const_t<U>, Rebased<S>>;
    return *this;
  }

  // An owned sub-object (reader returns a pointer or a reference to it).
  template <auto G> constexpr TClassBuilder& Object(const char* Name) {
    return Owned<G>(Name, TPropKind::Object);
  }
  template <auto G> constexpr TClassBuilder& Strings(const char* Name) {
    return Owned<G>(Name, TPropKind::StringList);
  }
  template <auto G> constexpr TClassBuilder& Picture(const char* Name) {
    return Owned<G>(Name, TPropKind::Picture);
  }

  // An event: a TEvent data member.
  template <auto Field> constexpr TClassBuilder& Event(const char* Name) {
    TPropInfo& p = Add<Field, Field>(Name, TPropKind::Event);
    p.Get.Assigned = &detail::EventAssigned<Rebased<Field>>;
    p.Set.Event = &detail::SetEvent<Rebased<Field>>;
    return *this;
  }

  // Lets the integer property declared last be written with these names.
  constexpr TClassBuilder& Idents(const TIdentMap& Map) {
    FProps.back().Idents = &Map;
    return *this;
  }

  // Replaces the "stored" rule of the property declared last: a constant or
  // a captureless function of the object.
  template <class P> constexpr TClassBuilder& Stored(P Predicate) {
    if constexpr (std::is_same_v<P, bool>)
      FProps.back().StoredRule = Predicate ? &detail::StoredAlways : &detail::StoredNever;
    else
      FProps.back().StoredRule = &StoredBy<P>;
    return *this;
  }

  // For ClassTable.
  constexpr std::size_t Count() const { return FProps.size(); }
  template <std::size_t N> constexpr std::array<TPropInfo, N> Table() const {
    std::array<TPropInfo, N> a{};
    for (std::size_t i = 0; i < N; ++i)
      a[i] = FProps[i];
    return a;
  }
  constexpr TClassInfo Info(std::span<const TPropInfo> Props) const {
    return TClassInfo(FName, FParent, Props, Factory());
  }

private:
  template <class P> static bool StoredBy(const TPropInfo&, const TPersistent& o) {
    return P{}(static_cast<const T&>(o));
  }

  static TComponent* Create(TComponent* Owner) { return new T(Owner); }

  static constexpr TClassInfo::TFactory Factory() {
    if constexpr (!std::is_abstract_v<T> && std::is_constructible_v<T, TComponent*> &&
                  std::is_base_of_v<TComponent, T>)
      return &Create;
    else
      return nullptr;
  }

  template <auto G, auto S> constexpr TPropInfo& Add(const char* Name, TPropKind Kind) {
    TPropInfo& p = FProps.emplace_back();
    p.Name = Name;
    p.Kind = Kind;
    p.GetMember = Constant<G>();
    if constexpr (!NoSetter<S>) {
      p.SetMember = Constant<S>();
      p.HasSetter = true;
    }
    return p;
  }
  static constexpr void SetDefault(TPropInfo& p, std::int64_t V) {
    p.HasDefault = true;
    p.Default.Ord = V;
  }

  template <auto G> constexpr TClassBuilder& Owned(const char* Name, TPropKind Kind) {
    TPropInfo& p = Add<G, nullptr>(Name, Kind);
    p.Get.Obj = &detail::GetOwned<Rebased<G>>;
    p.HasSetter = true; // written through its own properties
    return *this;
  }

  const char* FName;
  TClassOf FParent;
  std::vector<TPropInfo> FProps;
};

namespace detail {
// The constant table of the class a builder function describes: the builder
// runs while compiling, once to count the properties and once to fill them.
template <class F> struct TClassTable {
  static constexpr std::size_t Count = F{}().Count();
  static constexpr std::array<TPropInfo, Count> Props = F{}().template Table<Count>();
  static constexpr TClassInfo Info = F{}().Info(Props);
};
} // namespace detail

// A class's table from a captureless function that returns its builder.
template <class F> const TClassInfo& ClassTable(F) {
  return detail::TClassTable<F>::Info;
}

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
