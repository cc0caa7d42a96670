// The container tree. Every install object (the install root, groups,
// directories, files, shortcuts, dialogs) is a TInstallContainer; the tree is
// made of Container references laid over the flat ownership of the form that
// holds the definition. Each container keeps its children sorted by kind
// (RegisteredType), decides through its filters (Include, OS, InstallTypes)
// whether it takes part, and processes itself and its sub-tree in Process.
#pragma once

#include "core/component.h"
#include "core/event.h"
#include "core/exceptions.h"
#include "core/reflection.h"
#include "model/model_context.h"
#include "model/path_base.h"
#include "model/reflector.h"
#include "model/types.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quendel {

QUENDEL_EXCEPTION(IEInstallContainer, IException);
// Errors of install files; also raised for any object whose destination
// specifier answers a blank path.
QUENDEL_EXCEPTION(IECustomInstallFile, IException);

// The key under which uninstall entries of a product are written, followed by
// the product name.
inline constexpr const char* UninstallKeyPrefix =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class TInstallContainer : public TComponent {
public:
  using TInstallContainerNotifyEvent = TEvent<void(TInstallContainer* Container)>;

  // Joins the current model context's AllContainers.
  explicit TInstallContainer(TComponent* AOwner);
  // Tells every other container (so that parents drop this child and children
  // drop this container), then leaves AllContainers. Children are not freed.
  ~TInstallContainer() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // ---- Overridable operations -------------------------------------------------

  // Children that are file containers (TFileContainer or a descendant).
  virtual int FileContainerCount() const;
  virtual TInstallContainer* FileContainers(int Index) const;
  virtual void SetDestDir(const std::string& Value);
  // Outside loading the specifier validates this object first (and may raise).
  virtual void SetDestDirType(TCustomPathSpecifier* Value);
  // Container is being destroyed: forget it as a child.
  virtual void ContainerDestroying(TInstallContainer* Container);
  // Broadcasts -974 with the text.
  virtual void PushStatusMessage(const std::string& Text);
  // Upward notification from a child. Base: nothing.
  virtual void DoInformationEventControl(TComponent* Sender, int Code, TEventParameter* Param);
  // Receives a broadcast. Base: nothing.
  virtual void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param);
  // DestDirType's path followed directly by DestDir, one trailing "\" removed.
  // A specifier that answers blank or "undefined" raises IECustomInstallFile.
  virtual std::string GetFullDestDir();
  // The class's kind code; the base has none and raises.
  virtual int RegisteredType() const;
  // Inserts Child in kind order; raises on nil and on a circular reference.
  virtual void AddChild(TInstallContainer* Child);
  // The install step of this object and its sub-tree, behind the filters.
  virtual void Process();
  // The body of Process. Base: set Entered, then Process every child that is
  // processed with its container, in child order.
  virtual void DoInstall();
  // Include and the install-type filter.
  virtual bool IsSelected() const;
  virtual void CompleteAfterReboot();
  virtual void Translate();
  // Removes the first occurrence; nil is ignored.
  virtual void RemoveChild(TInstallContainer* Child);
  virtual void WriteUninstallEntries(const std::string& KeyPath);

  // ---- The children -------------------------------------------------------------

  int ChildCount() const { return static_cast<int>(FChildren.size()); }
  // Raises IEInstallContainer outside 0..ChildCount-1.
  TInstallContainer* Children(int Index) const;
  // The Index-th child of class ComponentType or a descendant; raises
  // IEInstallContainer when there is none.
  TInstallContainer* Comp(int Index, const TClassInfo& ComponentType) const;
  int CompCount(const TClassInfo& ComponentType) const;
  // Destroys every child of that class, last first.
  void FreeChildrenOfClass(const TClassInfo& ComponentType);
  // Calls HandleEvent of every direct child whose RegisteredType is 2000 or more.
  void Broadcast(TComponent* Sender, int Code, TEventParameter* Param);
  // Broadcasts -973.
  void PopStatusMessage();
  // Sets CurrentInstallType on the whole sub-tree, children first.
  void SelectInstallType(TInstallType T);

  // ---- State and properties ---------------------------------------------------------

  bool ProcessWithContainer() const { return FProcessWithContainer; }
  bool Include() const { return FInclude; }
  void SetInclude(bool Value) { FInclude = Value; }
  bool Entered() const { return FEntered; }
  TInstallType CurrentInstallType() const { return FCurrentInstallType; }
  bool Uninstall() const { return FUninstall; }
  void SetUninstall(bool Value) { FUninstall = Value; }
  OSSet OS() const { return FOS; }
  void SetOS(OSSet Value) { FOS = Value; }
  const std::string& DestDir() const { return FDestDir; }
  TCustomPathSpecifier* DestDirType() const { return FDestDirType; }
  TInstallTypeSet InstallTypes() const { return FInstallTypes; }
  // The empty set stores [itFull].
  void SetInstallTypes(TInstallTypeSet Value);
  int Order() const { return FOrder; }
  void SetOrder(int Value) { FOrder = Value; }

  TInstallContainerNotifyEvent OnAfterProcess;
  TInstallContainerNotifyEvent OnBeforeProcess;

  TModelContext& Context() const { return FContext; }
  // The children in the order every pass visits them.
  const std::vector<TInstallContainer*>& ChildList() const { return FChildren; }

  // Whether Obj's class is named Name or derives from a class of that name.
  // Lets this layer recognise classes that are built above it.
  static bool InheritsFromName(const TPersistent& Obj, std::string_view Name);

  // Puts back the design-time defaults that the stored object did not assign.
  void Loaded() override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Set by the constructors of the kinds that are processed in their
  // container's child pass.
  void SetProcessWithContainer(bool Value) { FProcessWithContainer = Value; }
  void SetEntered(bool Value) { FEntered = Value; }
  void SetCurrentInstallType(TInstallType Value) { FCurrentInstallType = Value; }

  // Design-time default bookkeeping for DestDirType.
  void MarkDestDirTypeDefaulted();

private:
  TModelContext& FContext;
  bool FProcessWithContainer = false;
  std::vector<TInstallContainer*> FChildren;
  bool FInclude = true;
  bool FEntered = false;
  TInstallType FCurrentInstallType = itFull;
  bool FUninstall = true;
  OSSet FOS;
  std::string FDestDir;
  TCustomPathSpecifier* FDestDirType = nullptr;
  TInstallTypeSet FInstallTypes{itFull, itDefault, itCompact};
  int FOrder = -1;
  bool FDestDirTypeAssigned = false;
  bool FDestDirTypeDefaulted = false;
  bool FEnsureSpecifiersWhenLoaded = false;
  // While the children are processed, the destination as first resolved in
  // that pass (see GetFullDestDir).
  bool FInChildPass = false;
  std::string FPassDestDir;
  std::uint64_t FPassDestStamp = 0;
};

class TInstallObject : public TInstallContainer {
public:
  explicit TInstallObject(TComponent* AOwner);
  ~TInstallObject() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TInstallContainer* Container() const { return FContainer; }
  // Links this object into Value's children (which may refuse) and out of the
  // old container's. Outside loading, a new container makes the destination
  // the container's own; no container drops that specifier again.
  virtual void SetContainer(TInstallContainer* Value);

  void ContainerDestroying(TInstallContainer* Container) override;
  // Skipped during a run while the container has not been entered.
  void Process() override;

  // Design-time defaults: while the definition is being edited, a new object
  // is attached to the install root and takes its container's destination
  // (Container := root, DestDirType := psContainerDestDir, DestDir empty). The
  // defaulted references are marked, and Loaded sets each one the stored
  // object did not assign back to nil, so a stored definition reads as stored.
  // Runs once, after construction (the object's kind must be known to place
  // it among the root's children): NewInstallObject and
  // CreateInstallObject call it. Does nothing outside design mode.
  virtual void ApplyDesignDefaults();

  // The reflector interfaces (see model/reflector.h).
  IQndlReflectee& Reflectee() { return FReflector; }
  bool GetInterface(const TGUID& IID, void** Obj);

  void Loaded() override;

private:
  class TReflector final : public IQndlReflectee {
  public:
    explicit TReflector(TInstallObject& AOwner) : FOwner(AOwner) {}
    std::int32_t QueryInterface(const TGUID& IID, void** Obj) override;
    std::int32_t AddRef() override { return -1; }
    std::int32_t Release() override { return -1; }
    void RemoveChild(TInstallContainer* Child) override { FOwner.RemoveChild(Child); }
    void SetContainer(TInstallContainer* Value) override { FOwner.SetContainer(Value); }
    void Process() override { FOwner.Process(); }
    void ContainerDestroying(TInstallContainer* C) override { FOwner.ContainerDestroying(C); }
    int RegisteredType() override { return FOwner.RegisteredType(); }
    void WriteUninstallEntries(const std::string& K) override { FOwner.WriteUninstallEntries(K); }
    std::string GetFullDestDir() override { return FOwner.GetFullDestDir(); }

  private:
    TInstallObject& FOwner;
  };

  TInstallContainer* FContainer = nullptr;
  bool FContainerAssigned = false;
  bool FContainerDefaulted = false;
  bool FDesignDefaultsApplied = false;
  TReflector FReflector{*this};
};

// Creates an install object and, on a design surface, gives it its design-time
// defaults. Designers create new objects this way.
template <class T> T* NewInstallObject(TComponent* Owner) {
  T* Obj = new T(Owner);
  try {
    Obj->ApplyDesignDefaults();
  } catch (...) {
    Obj->Free();
    throw;
  }
  return Obj;
}
// The same for a class known by its table; other components are only created.
TComponent* CreateInstallObject(const TClassInfo& Cls, TComponent* Owner);

// Published properties of install objects. The base classes publish nothing:
// each concrete class publishes its own selection, in its own order, with
//   TClassBuilder<TInstallGroup> B("TInstallGroup", &TFileContainer::StaticClass);
//   TInstallProps<TInstallGroup>::Container(B); ... ; return B;
template <class T> struct TInstallProps {
  static constexpr void Container(TClassBuilder<T>& B) {
    B.template Ref<&T::Container, &T::SetContainer>("Container");
  }
  static constexpr void DestDir(TClassBuilder<T>& B) {
    B.template Str<&T::DestDir, &T::SetDestDir>("DestDir");
  }
  static constexpr void DestDirType(TClassBuilder<T>& B) {
    B.template Ref<&T::DestDirType, &T::SetDestDirType>("DestDirType");
  }
  static constexpr void Include(TClassBuilder<T>& B) {
    B.template Bool<&T::Include, &T::SetInclude>("Include", true);
  }
  // Declared default: all four types, so that the initial three are stored.
  static constexpr void InstallTypes(TClassBuilder<T>& B) {
    B.template Set<&T::InstallTypes, &T::SetInstallTypes>("InstallTypes", InstallTypeInfo,
                                                          AllInstallTypes);
  }
  // No declared default: always stored.
  static constexpr void OS(TClassBuilder<T>& B) {
    B.template Set<&T::OS, &T::SetOS>("OS", OSVerTypeInfo);
  }
  static constexpr void Order(TClassBuilder<T>& B, std::optional<std::int64_t> Default = {}) {
    B.template Int<&T::Order, &T::SetOrder>("Order", Default);
  }
  static constexpr void Uninstall(TClassBuilder<T>& B) {
    B.template Bool<&T::Uninstall, &T::SetUninstall>("Uninstall", true);
  }
  static constexpr void OnAfterProcess(TClassBuilder<T>& B) {
    B.template Event<&T::OnAfterProcess>("OnAfterProcess");
  }
  static constexpr void OnBeforeProcess(TClassBuilder<T>& B) {
    B.template Event<&T::OnBeforeProcess>("OnBeforeProcess");
  }
};

} // namespace quendel
