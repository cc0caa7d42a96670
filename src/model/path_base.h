// Path specifiers: small named components that turn an install object into a
// directory or file path on the running machine. Install objects hold a
// reference to one (DestDirType, ArchiveFileType, ...) plus a relative part.
//
// This is the base of the family and the lists that find the single instance
// of a class; the concrete specifiers build on it in the paths layer.
#pragma once

#include "core/component.h"
#include "core/event.h"
#include "core/exceptions.h"
#include "core/reflection.h"

#include <string>
#include <string_view>
#include <vector>

namespace quendel {

struct TModelContext;

QUENDEL_EXCEPTION(IEPathSpecifier, IException);
QUENDEL_EXCEPTION(IEPathSpecifierList, IException);
QUENDEL_EXCEPTION(IEPathSpecifierClassList, IException);

class TCustomPathSpecifier : public TComponent {
public:
  // Obj is the object asking; a handler fills in Path.
  using TGetPathEvent = TEvent<void(TComponent* Obj, std::string& Path)>;

  // Joins the current model context's specifier list; leaves it when destroyed.
  explicit TCustomPathSpecifier(TComponent* AOwner);
  ~TCustomPathSpecifier() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // The name a fresh instance takes: the class name without its leading "T"
  // ("psProgramFiles" for TpsProgramFiles).
  virtual std::string DefaultName() const;

  // Raises IEPathSpecifier when this specifier cannot serve Obj. Base: accepts all.
  virtual void Validate(TComponent* Obj);
  // Base: "Unspecified".
  virtual std::string GetDescription();
  // Base: GetDescription.
  virtual std::string GetDescriptionFor(TComponent* Obj);
  // Base: what OnGetPath answers, empty when it is not assigned.
  virtual std::string GetPath(TComponent* Obj);
  // Base: GetDescription.
  virtual std::string GetCaption();
  // Base: GetDescriptionFor(Obj).
  virtual std::string GetCaptionFor(TComponent* Obj);

  TGetPathEvent OnGetPath;

  TModelContext& Context() const { return FContext; }

private:
  TModelContext& FContext;
};

// A member of the standard family: one instance of each class lives on the
// form that holds the install definition, and the standard list finds it.
class TStandardPathSpecifier : public TCustomPathSpecifier {
public:
  explicit TStandardPathSpecifier(TComponent* AOwner);
  ~TStandardPathSpecifier() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// Live specifiers in creation order. Does not own them.
class TPathSpecifierList {
public:
  // Raises IEPathSpecifierList for nil.
  void Add(TCustomPathSpecifier* Specifier);
  // Removes the first occurrence; absent entries are ignored.
  void Remove(TCustomPathSpecifier* Specifier);
  // Raises EListError outside 0..Count-1.
  TCustomPathSpecifier* Item(int Index) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  int IndexOf(const TCustomPathSpecifier* Specifier) const;
  const std::vector<TCustomPathSpecifier*>& Items() const { return FItems; }

  // The first member that is of class Cls or a descendant; raises
  // IEPathSpecifier "Could not find the path specifier" when there is none.
  TCustomPathSpecifier* FindByClass(const TClassInfo& Cls) const;
  // The same without raising: nullptr when there is none.
  TCustomPathSpecifier* Find(const TClassInfo& Cls) const;
  // Looks the class up by name in the class registry; nullptr when the class
  // is not registered or has no instance here.
  TCustomPathSpecifier* FindByClassName(std::string_view ClassName) const;

private:
  std::vector<TCustomPathSpecifier*> FItems;
};

class TStandardPathSpecList : public TPathSpecifierList {};

// The standard classes, in registration order (the order in which a new
// definition gets its instances).
class TPathSpecifierClassList {
public:
  // Raises IEPathSpecifierClassList for nil; a class registered twice keeps
  // its first place.
  void RegisterClass(const TClassInfo* Cls);
  void UnregisterClass(const TClassInfo* Cls);
  // Raises EListError outside 0..Count-1.
  const TClassInfo& Item(int Index) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  int IndexOf(const TClassInfo* Cls) const;
  const std::vector<const TClassInfo*>& Classes() const { return FItems; }

private:
  std::vector<const TClassInfo*> FItems;
};

} // namespace quendel
