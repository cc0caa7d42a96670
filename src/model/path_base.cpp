#include "model/path_base.h"

#include "model/model_context.h"

namespace quendel {

// ---- TCustomPathSpecifier ---------------------------------------------------------------

const TClassInfo& TCustomPathSpecifier::StaticClass() {
  using T = TCustomPathSpecifier;
  return ClassTable([] {
    return TClassBuilder<T>("TCustomPathSpecifier", &TComponent::StaticClass)
        .Event<&T::OnGetPath>("OnGetPath");
  });
}

TCustomPathSpecifier::TCustomPathSpecifier(TComponent* AOwner)
    : TComponent(AOwner), FContext(CurrentModelContext()) {
  FContext.PathSpecifiers.Add(this);
}

TCustomPathSpecifier::~TCustomPathSpecifier() {
  FContext.PathSpecifiers.Remove(this);
}

std::string TCustomPathSpecifier::DefaultName() const {
  const std::string_view Cls = ClassName();
  return std::string((!Cls.empty() && (Cls[0] == 'T' || Cls[0] == 't')) ? Cls.substr(1) : Cls);
}

void TCustomPathSpecifier::Validate(TComponent*) {}

std::string TCustomPathSpecifier::GetDescription() {
  return "Unspecified";
}

std::string TCustomPathSpecifier::GetDescriptionFor(TComponent*) {
  return GetDescription();
}

std::string TCustomPathSpecifier::GetPath(TComponent* Obj) {
  std::string Path;
  if (OnGetPath) OnGetPath(Obj, Path);
  return Path;
}

std::string TCustomPathSpecifier::GetCaption() {
  return GetDescription();
}

std::string TCustomPathSpecifier::GetCaptionFor(TComponent* Obj) {
  return GetDescriptionFor(Obj);
}

// ---- TStandardPathSpecifier ---------------------------------------------------------------

const TClassInfo& TStandardPathSpecifier::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TStandardPathSpecifier>("TStandardPathSpecifier",
                                                 &TCustomPathSpecifier::StaticClass);
  });
}

TStandardPathSpecifier::TStandardPathSpecifier(TComponent* AOwner) : TCustomPathSpecifier(AOwner) {
  Context().StandardPathSpecifiers.Add(this);
}

TStandardPathSpecifier::~TStandardPathSpecifier() {
  Context().StandardPathSpecifiers.Remove(this);
}

// ---- TPathSpecifierList --------------------------------------------------------------------

void TPathSpecifierList::Add(TCustomPathSpecifier* Specifier) {
  if (!Specifier)
    Raise<IEPathSpecifierList>("Tried to add a nil object to the path specifier list");
  FItems.push_back(Specifier);
}

void TPathSpecifierList::Remove(TCustomPathSpecifier* Specifier) {
  for (auto It = FItems.begin(); It != FItems.end(); ++It)
    if (*It == Specifier) {
      FItems.erase(It);
      return;
    }
}

TCustomPathSpecifier* TPathSpecifierList::Item(int Index) const {
  if (Index < 0 || Index >= Count()) Raise<EListError>("List index out of bounds (%d)", {Index});
  return FItems[static_cast<std::size_t>(Index)];
}

int TPathSpecifierList::IndexOf(const TCustomPathSpecifier* Specifier) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == Specifier) return static_cast<int>(i);
  return -1;
}

TCustomPathSpecifier* TPathSpecifierList::Find(const TClassInfo& Cls) const {
  for (TCustomPathSpecifier* S : FItems)
    if (S->ClassType().InheritsFrom(Cls)) return S;
  return nullptr;
}

TCustomPathSpecifier* TPathSpecifierList::FindByClass(const TClassInfo& Cls) const {
  if (TCustomPathSpecifier* S = Find(Cls)) return S;
  Raise<IEPathSpecifier>("Could not find the path specifier");
}

TCustomPathSpecifier* TPathSpecifierList::FindByClassName(std::string_view ClassName) const {
  const TClassInfo* Cls = ClassRegistry().Find(ClassName);
  return Cls ? Find(*Cls) : nullptr;
}

// ---- TPathSpecifierClassList -----------------------------------------------------------------

void TPathSpecifierClassList::RegisterClass(const TClassInfo* Cls) {
  if (!Cls) Raise<IEPathSpecifierClassList>("Tried to add a nil object to the path specifier list");
  if (IndexOf(Cls) < 0) FItems.push_back(Cls);
}

void TPathSpecifierClassList::UnregisterClass(const TClassInfo* Cls) {
  const int i = IndexOf(Cls);
  if (i >= 0) FItems.erase(FItems.begin() + i);
}

const TClassInfo& TPathSpecifierClassList::Item(int Index) const {
  if (Index < 0 || Index >= Count()) Raise<EListError>("List index out of bounds (%d)", {Index});
  return *FItems[static_cast<std::size_t>(Index)];
}

int TPathSpecifierClassList::IndexOf(const TClassInfo* Cls) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == Cls) return static_cast<int>(i);
  return -1;
}

} // namespace quendel
