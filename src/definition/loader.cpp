#include "definition/loader.h"

#include "core/strings.h"

#include <algorithm>

namespace quendel {

// --- THandlerRegistry --------------------------------------------------------------

void THandlerRegistry::Register(const std::string& Name, TAnyEvent Handler) {
  FHandlers[UpperCase(Name)] = std::move(Handler);
}

const TAnyEvent* THandlerRegistry::Find(std::string_view Name) const {
  auto it = FHandlers.find(UpperCase(Name));
  return it == FHandlers.end() ? nullptr : &it->second;
}

namespace {

[[noreturn]] void InvalidValue() {
  Raise<EReadError>("Invalid property value");
}
[[noreturn]] void InvalidPath() {
  Raise<EReadError>("Invalid property path");
}

// Keeps the list of created objects and learns, through free notification,
// when one of them is destroyed before the load ends.
class TLoadTracker : public TComponent {
public:
  TLoadTracker() : TComponent(nullptr) {}
  ~TLoadTracker() override { Release(); }

  void Track(TComponent* C) {
    Created.push_back(C);
    FreeNotification(C);
  }
  bool Alive(const TComponent* C) const {
    return std::find(Created.begin(), Created.end(), C) != Created.end();
  }
  // Stops listening, so that the tracker's own end notifies nobody.
  void Release() {
    for (TComponent* c : Created)
      if (c) RemoveFreeNotification(c);
    Created.clear();
  }

  std::vector<TComponent*> Created; // creation order; null once destroyed

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove)
      std::replace(Created.begin(), Created.end(), AComponent, static_cast<TComponent*>(nullptr));
    TComponent::Notification(AComponent, Operation);
  }
};

// A reference read from the stream, assigned once the whole root is read.
struct TFixup {
  TComponent* Component; // the object whose record held the property
  TPersistent* Target;   // that object or one of its sub-objects
  const TPropInfo* Prop;
  std::string PropPath;
  std::string TargetName;
  bool Nil; // clears the reference
};

std::vector<std::string_view> SplitPath(std::string_view Path) {
  std::vector<std::string_view> parts;
  for (;;) {
    const auto dot = Path.find('.');
    parts.push_back(Path.substr(0, dot));
    if (dot == std::string_view::npos) return parts;
    Path.remove_prefix(dot + 1);
  }
}

class TLoader {
public:
  TLoader(TComponent& Root, const TLoadOptions& Options)
      : FRoot(Root), FClasses(Options.Classes ? *Options.Classes : ClassRegistry()),
        FHandlers(Options.Handlers) {}

  void Load(const TObjectRecord& Rec) {
    if (Rec.Flags & (ffInherited | ffInline))
      Raise<EReadError>("Inherited and inline objects are not supported (%s: %s)",
                        {Rec.Name, Rec.ClassName});
    if (!SameText(Rec.ClassName, FRoot.ClassName()))
      Raise<EReadError>("The stream holds a %s, not a %s", {Rec.ClassName, FRoot.ClassName()});
    const std::string oldName = FRoot.Name();
    try {
      FRoot.SetLoading();
      FRoot.SetName(Rec.Name);
      ReadProperties(FRoot, Rec);
      ReadChildren(Rec, FRoot, 1);
      ResolveReferences();
      FRoot.Loaded();
      for (std::size_t i = 0; i < FTracker.Created.size(); ++i)
        if (TComponent* c = FTracker.Created[i]) c->Loaded();
      FTracker.Release();
    } catch (...) {
      Rollback(oldName);
      throw;
    }
  }

private:
  void Rollback(const std::string& OldName) {
    FFixups.clear();
    // Last created first; a destructor may take others with it (the tracker
    // then clears their entries).
    for (std::size_t i = FTracker.Created.size(); i-- > 0;)
      if (TComponent* c = FTracker.Created[i]) {
        FTracker.RemoveFreeNotification(c);
        FTracker.Created[i] = nullptr;
        delete c;
      }
    FTracker.Release();
    try {
      FRoot.SetName(OldName);
    } catch (const Exception&) {
      // The old name was valid before; nothing can take it now.
    }
    FRoot.SetLoading(false);
  }

  void ReadChildren(const TObjectRecord& Rec, TComponent& Enclosing, int Depth) {
    for (const TObjectRecord& child : Rec.Children)
      ReadObject(child, Enclosing, Depth + 1);
  }

  void ReadObject(const TObjectRecord& Rec, TComponent& Enclosing, int Depth) {
    if (Depth > kMaxNesting)
      Raise<EReadError>("Objects nested deeper than %d levels", {kMaxNesting});
    if (Rec.Flags & (ffInherited | ffInline))
      Raise<EReadError>("Inherited and inline objects are not supported (%s: %s)",
                        {Rec.Name, Rec.ClassName});
    const TClassInfo* cls = FClasses.Find(Rec.ClassName);
    if (!cls) Raise<EClassNotFound>("Class %s not found", {Rec.ClassName});
    TComponent* obj = cls->Create(&FRoot);
    FTracker.Track(obj);
    obj->SetLoading();
    obj->SetName(Rec.Name);
    if (auto* parented = dynamic_cast<IParentedComponent*>(obj))
      parented->SetParentComponent(&Enclosing);
    ReadProperties(*obj, Rec);
    ReadChildren(Rec, *obj, Depth);
  }

  void ReadProperties(TComponent& Comp, const TObjectRecord& Rec) {
    for (const TPropertyRecord& p : Rec.Properties) {
      try {
        ReadProperty(Comp, p);
      } catch (const Exception& e) {
        ThrowWithCause(
            EReadError("Error reading %s%s%s: %s",
                       {Comp.Name(), Comp.Name().empty() ? "" : ".", p.Name, e.Message()}));
      }
    }
  }

  void ReadProperty(TComponent& Comp, const TPropertyRecord& P) {
    const auto parts = SplitPath(P.Name);
    TPersistent* obj = &Comp;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
      const TPropInfo* prop = obj->ClassType().FindProperty(parts[i]);
      if (prop && i + 2 == parts.size()) {
        if (prop->Kind == TPropKind::StringList && SameText(parts.back(), "Strings"))
          return ReadStrings(*obj, *prop, P.Value);
        if (prop->Kind == TPropKind::Picture && SameText(parts.back(), "Data"))
          return ReadPicture(*obj, *prop, P.Value);
      }
      if (!prop || prop->Kind != TPropKind::Object) InvalidPath();
      obj = prop->GetObj(*obj);
      if (!obj) InvalidPath();
    }
    if (const TPropInfo* prop = obj->ClassType().FindProperty(parts.back()))
      return SetProperty(Comp, *obj, *prop, P);
    if (parts.size() == 1) {
      std::vector<TExtraProperty> extras;
      Comp.DefineProperties(extras);
      for (const TExtraProperty& e : extras)
        if (SameText(e.Name, parts.back())) {
          const TValue& v = P.Value;
          if (!v.IsInteger() || v.Type == TValueType::vaInt64) InvalidValue();
          e.Write(v.Int);
          return;
        }
    }
    Raise<EReadError>("Property does not exist");
  }

  static void RequireWritable(const TPropInfo& Prop) {
    if (Prop.ReadOnly()) Raise<EReadError>("Property is read-only");
  }

  void SetProperty(TComponent& Comp, TPersistent& Obj, const TPropInfo& Prop,
                   const TPropertyRecord& P) {
    const TValue& v = P.Value;
    switch (Prop.Kind) {
    case TPropKind::Boolean:
      if (v.Type != TValueType::vaTrue && v.Type != TValueType::vaFalse) InvalidValue();
      RequireWritable(Prop);
      Prop.SetOrd(Obj, v.Type == TValueType::vaTrue ? 1 : 0);
      return;
    case TPropKind::Integer: {
      std::int64_t value = v.Int;
      if (v.Type == TValueType::vaIdent && Prop.Idents) {
        const auto named = Prop.Idents->ValueOf(v.Text);
        if (!named) InvalidValue();
        value = *named;
      } else if (!v.IsInteger()) {
        InvalidValue();
      }
      RequireWritable(Prop);
      Prop.SetOrd(Obj, value);
      return;
    }
    case TPropKind::Float:
      if (!v.IsFloat() && !v.IsInteger()) InvalidValue();
      RequireWritable(Prop);
      Prop.SetFloat(Obj, v.AsDouble());
      return;
    case TPropKind::String:
      if (!v.IsString()) InvalidValue();
      RequireWritable(Prop);
      Prop.SetStr(Obj, v.AsAnsiString());
      return;
    case TPropKind::Enumeration: {
      if (v.Type != TValueType::vaIdent || !Prop.Enum) InvalidValue();
      const int ordinal = Prop.Enum->ValueOf(v.Text);
      if (ordinal < 0) InvalidValue();
      RequireWritable(Prop);
      Prop.SetOrd(Obj, ordinal);
      return;
    }
    case TPropKind::Set: {
      if (v.Type != TValueType::vaSet || !Prop.Enum) InvalidValue();
      std::uint64_t bits = 0;
      for (const std::string& m : v.Members) {
        const int ordinal = Prop.Enum->ValueOf(m);
        if (ordinal < 0 || ordinal >= 64) InvalidValue();
        bits |= std::uint64_t{1} << ordinal;
      }
      RequireWritable(Prop);
      Prop.SetOrd(Obj, static_cast<std::int64_t>(bits));
      return;
    }
    case TPropKind::Reference:
      if (v.Type != TValueType::vaIdent && v.Type != TValueType::vaNil) InvalidValue();
      RequireWritable(Prop);
      FFixups.push_back({&Comp, &Obj, &Prop, P.Name, v.Text, v.Type == TValueType::vaNil});
      return;
    case TPropKind::Event: {
      if (v.Type != TValueType::vaIdent && v.Type != TValueType::vaNil) InvalidValue();
      RequireWritable(Prop);
      if (v.Type == TValueType::vaNil) {
        Prop.SetEvent(Obj, TAnyEvent{});
        return;
      }
      const TAnyEvent* handler = FHandlers ? FHandlers->Find(v.Text) : nullptr;
      if (!handler)
        Raise<EReadError>("Event handler %s is not registered; definitions carry no event handlers",
                          {v.Text});
      Prop.SetEvent(Obj, *handler);
      return;
    }
    case TPropKind::Object:
    case TPropKind::StringList:
    case TPropKind::Picture:
      // Set through their own stored names ("Font.Name", "Lines.Strings", "Image.Data").
      InvalidValue();
    }
    InvalidValue();
  }

  static void ReadStrings(TPersistent& Obj, const TPropInfo& Prop, const TValue& V) {
    auto* strings = dynamic_cast<TStrings*>(Prop.GetObj(Obj));
    if (!strings) InvalidPath();
    if (V.Type != TValueType::vaList) InvalidValue();
    std::vector<std::string> lines;
    for (const TValue& item : V.Items) {
      if (!item.IsString()) InvalidValue();
      lines.push_back(item.AsAnsiString());
    }
    strings->Clear();
    for (const std::string& s : lines)
      strings->Add(s);
  }

  static void ReadPicture(TPersistent& Obj, const TPropInfo& Prop, const TValue& V) {
    auto* picture = dynamic_cast<TPicture*>(Prop.GetObj(Obj));
    if (!picture) InvalidPath();
    if (V.Type != TValueType::vaBinary) InvalidValue();
    picture->LoadFromStream(std::vector<std::uint8_t>(V.Text.begin(), V.Text.end()));
  }

  TComponent* FindTarget(const std::string& Name) const {
    if (TComponent* c = FRoot.FindComponent(Name)) return c;
    if (!Name.empty() && SameText(FRoot.Name(), Name)) return &FRoot;
    return nullptr;
  }

  void ResolveReferences() {
    // Stream order, so that the writers' side effects (a container linking its
    // children) happen in that order.
    for (const TFixup& f : FFixups) {
      if (f.Component != &FRoot && !FTracker.Alive(f.Component)) continue;
      TComponent* target = nullptr;
      if (!f.Nil) {
        target = FindTarget(f.TargetName);
        if (!target) continue; // an unknown name leaves the reference unset
      }
      try {
        f.Prop->SetRef(*f.Target, target);
      } catch (const Exception& e) {
        const std::string& name = f.Component->Name();
        ThrowWithCause(EReadError("Error reading %s%s%s: %s",
                                  {name, name.empty() ? "" : ".", f.PropPath, e.Message()}));
      }
    }
    FFixups.clear();
  }

  TComponent& FRoot;
  const TClassRegistry& FClasses;
  const THandlerRegistry* FHandlers;
  TLoadTracker FTracker;
  std::vector<TFixup> FFixups;
};

} // namespace

void LoadDefinition(const TObjectRecord& Stream, TComponent& Root, const TLoadOptions& Options) {
  TLoader(Root, Options).Load(Stream);
}

} // namespace quendel
