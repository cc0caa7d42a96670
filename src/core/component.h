// Components: named objects owned by another component. The owner destroys
// what it owns; every other reference is a plain pointer that its holder
// clears when the target announces its removal (free notification).
#pragma once

#include "core/event.h"
#include "core/persistent.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quendel {

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : std::uint32_t {
  csLoading = 1u << 0,    // properties are being read from a definition
  csReading = 1u << 1,    // the object record itself is being read
  csDesigning = 1u << 2,  // the object lives on a design surface
  csDestroying = 1u << 3, // the destructor has begun
  csUpdating = 1u << 4,
};
using TComponentState = std::uint32_t;

// A value a definition may store for an object besides its published
// properties ("Left" and "Top" of a non-visual component, an install file's
// "UniqueID"). Integers only.
struct TExtraProperty {
  std::string Name;
  TEvent<std::int64_t()> Read;
  TEvent<void(std::int64_t)> Write;
  bool Stored = true;
};

class TComponent : public TPersistent {
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Destroys the component; its owner (if any) forgets it first.
  void Free() { delete this; }

  const std::string& Name() const { return FName; }
  // Raises EComponentError for a name that is not an identifier or that
  // another component of the same owner already has.
  virtual void SetName(const std::string& NewName);

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  // Case-insensitive lookup among the owned components; nullptr when absent.
  TComponent* FindComponent(std::string_view AName) const;

  // Moves ownership: InsertComponent takes AComponent from its current owner.
  void InsertComponent(TComponent* AComponent);
  // Gives up ownership without destroying; the caller now owns AComponent.
  void RemoveComponent(TComponent* AComponent);
  // Destroys every owned component, last first.
  void DestroyComponents();

  // Asks AComponent to tell this component (through Notification) when it is
  // destroyed, and the other way round.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  TComponentState ComponentState() const { return FComponentState; }
  bool IsLoading() const { return (FComponentState & csLoading) != 0; }
  bool IsDesigning() const { return (FComponentState & csDesigning) != 0; }
  bool IsDestroying() const { return (FComponentState & csDestroying) != 0; }
  // Loading: set by the definition reader before the first property, cleared
  // by Loaded (or by SetLoading(false) when a load fails part way). Designing
  // applies to the owned components as well.
  void SetLoading(bool Value = true);
  void SetDesigning(bool Value, bool IncludeOwned = true);

  // Called once after a definition has been read, when every reference is
  // resolved. Descendants finish their setup here; the base clears csLoading.
  virtual void Loaded();

  // Begins destruction: marks this and the owned components as destroying.
  virtual void Destroying();

  // Values stored for this object besides its published properties.
  virtual void DefineProperties(std::vector<TExtraProperty>& Props);

  // Position on a design surface ("Left", "Top"); read and kept, unused.
  std::int32_t DesignLeft = 0;
  std::int32_t DesignTop = 0;

  std::intptr_t Tag = 0;

protected:
  // Told when AComponent is inserted into or removed from this component's
  // owner, or when a component this one asked to be told about is destroyed.
  // Descendants clear their references to AComponent on opRemove and must
  // call the base, which forwards to the owned components.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

  void ValidateRename(TComponent* AComponent, const std::string& CurName,
                      const std::string& NewName) const;

private:
  void Remove(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  std::string FName;
  TComponentState FComponentState = 0;
  std::vector<std::unique_ptr<TComponent>> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};

// True for a Pascal-style identifier: a letter or "_" then letters, digits, "_".
bool IsValidIdent(std::string_view Ident);

} // namespace quendel
