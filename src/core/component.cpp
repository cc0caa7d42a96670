#include "core/component.h"

#include "core/exceptions.h"
#include "core/reflection.h"
#include "core/strings.h"

#include <algorithm>

namespace quendel {

namespace {
// Component names are identifiers: ASCII case folding is all they need.
bool SameName(std::string_view a, std::string_view b) { return SameText(a, b); }
} // namespace

bool IsValidIdent(std::string_view Ident) {
  if (Ident.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!alpha(Ident[0])) return false;
  return std::all_of(Ident.begin() + 1, Ident.end(),
                     [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

const TClassInfo& TComponent::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TComponent>("TComponent", &TPersistent::StaticClass)
        .Str<&TComponent::FName, &TComponent::SetName>("Name")
        .Stored(false) // the object record carries the name
        .Int<&TComponent::Tag, &TComponent::Tag>("Tag", 0);
  });
}

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Everyone who asked is told first, while the owned components still exist.
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    auto& back = other->FFreeNotifies;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (IsDestroying()) return;
  FComponentState |= csDestroying;
  for (auto& c : FComponents) c->Destroying();
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back().release();
    FComponents.pop_back();
    c->FOwner = nullptr;
    // The remaining components may hold references to c: let them drop them.
    Notification(c, opRemove);
    delete c;
  }
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    Raise<EListError>("List index out of bounds (%d)", {Index});
  return FComponents[static_cast<std::size_t>(Index)].get();
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  const auto& list = FOwner->FComponents;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == this) return static_cast<int>(i);
  return -1;
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty()) return nullptr;
  for (const auto& c : FComponents)
    if (SameName(c->FName, AName)) return c.get();
  return nullptr;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& CurName,
                                const std::string& NewName) const {
  if (!NewName.empty() && !SameName(CurName, NewName)) {
    TComponent* other = FindComponent(NewName);
    if (other && other != AComponent)
      Raise<EComponentError>("A component named %s already exists", {NewName});
  }
}

void TComponent::SetName(const std::string& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    Raise<EComponentError>("''%s'' is not a valid component name", {NewName});
  if (FOwner)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  FName = NewName;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner == this) return;
  if (!AComponent->FName.empty()) ValidateRename(AComponent, "", AComponent->FName);
  if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
  FComponents.emplace_back(AComponent);
  AComponent->FOwner = this;
  if (IsDesigning()) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::Remove(TComponent* AComponent) {
  auto it = std::find_if(FComponents.begin(), FComponents.end(),
                         [&](const auto& p) { return p.get() == AComponent; });
  if (it == FComponents.end()) return;
  it->release();
  FComponents.erase(it);
  AComponent->FOwner = nullptr;
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (!AComponent || AComponent->FOwner != this) return;
  Remove(AComponent);
  Notification(AComponent, opRemove);
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
    FFreeNotifies.push_back(AComponent);
    AComponent->FFreeNotifies.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  if (!AComponent) return;
  FFreeNotifies.erase(std::remove(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent),
                      FFreeNotifies.end());
  auto& other = AComponent->FFreeNotifies;
  other.erase(std::remove(other.begin(), other.end(), this), other.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Iterate by index from the end: a handler may free one of our components.
  for (std::size_t i = FComponents.size(); i-- > 0;) {
    if (i >= FComponents.size()) continue;
    TComponent* c = FComponents[i].get();
    if (c != AComponent) c->Notification(AComponent, Operation);
  }
}

void TComponent::SetLoading(bool Value) {
  if (Value)
    FComponentState |= csLoading;
  else
    FComponentState &= ~static_cast<TComponentState>(csLoading);
}

void TComponent::SetDesigning(bool Value, bool IncludeOwned) {
  if (Value)
    FComponentState |= csDesigning;
  else
    FComponentState &= ~static_cast<TComponentState>(csDesigning);
  if (IncludeOwned)
    for (auto& c : FComponents) c->SetDesigning(Value, true);
}

void TComponent::Loaded() { FComponentState &= ~static_cast<TComponentState>(csLoading); }

void TComponent::DefineProperties(std::vector<TExtraProperty>& Props) {
  Props.push_back({"Left", [this] { return std::int64_t{DesignLeft}; },
                   [this](std::int64_t v) { DesignLeft = static_cast<std::int32_t>(v); },
                   DesignLeft != 0 || DesignTop != 0});
  Props.push_back({"Top", [this] { return std::int64_t{DesignTop}; },
                   [this](std::int64_t v) { DesignTop = static_cast<std::int32_t>(v); },
                   DesignLeft != 0 || DesignTop != 0});
}

} // namespace quendel
