#include "model/install_container.h"

#include "core/strings.h"
#include "model/file_container.h"

#include <algorithm>
#include <cstdint>

namespace quendel {

constexpr const char* kInstallTypeInfo[] = {"itFull", "itDefault", "itCompact", "itCustom"};
constinit const TEnumInfo InstallTypeInfo("TInstallType", kInstallTypeInfo);

namespace {

// The operating systems an object installs on unless told otherwise: every
// Windows the system detects by name. (A system detected as osLinux would get
// [osLinux] instead, but detection never yields it.)
constexpr OSSet DefaultOS{oswin95, oswinNT, oswin2K, oswin98, oswinME, oswinXP};

bool IsSpecifierHost(const TModelContext& Context, const TComponent* Owner) {
  return Owner && Context.IsSpecifierHost && Context.IsSpecifierHost(*Owner);
}

// A destination specifier that answers nothing (or "undefined", a folder this
// Windows does not have) would put the object at the root of the drive or
// below the current directory.
bool IsBlankDestination(const std::string& Path) {
  const std::string T = Trim(Path);
  return T.empty() || SameText(T, "undefined");
}

// Whether Item is still in List, for a walk over an earlier copy of List
// that asks for its items in order: From remembers where the last one was
// found, so that while List is unchanged each answer costs one comparison
// instead of a search (a folder of many files is walked for every block
// an install writes).
bool StillIn(const std::vector<TInstallContainer*>& List, const TInstallContainer* Item,
             std::size_t& From) {
  if (From < List.size() && List[From] == Item) {
    ++From;
    return true;
  }
  const auto It = std::find(List.begin(), List.end(), Item);
  if (It == List.end()) return false;
  From = static_cast<std::size_t>(It - List.begin()) + 1;
  return true;
}

} // namespace

// ---- TInstallContainer ----------------------------------------------------------------

const TClassInfo& TInstallContainer::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TInstallContainer>("TInstallContainer", &TComponent::StaticClass);
  });
}

TInstallContainer::TInstallContainer(TComponent* AOwner)
    : TComponent(AOwner), FContext(CurrentModelContext()), FOS(DefaultOS) {
  if (IsSpecifierHost(FContext, AOwner) && FContext.EnsureStandardSpecifiers) {
    // While the owner reads a definition its stored specifiers are still to
    // come: making them now would take their names. Loaded makes the missing ones.
    if (AOwner->IsLoading())
      FEnsureSpecifiersWhenLoaded = true;
    else
      FContext.EnsureStandardSpecifiers(AOwner);
  }
  FContext.AllContainers.Add(this);
}

TInstallContainer::~TInstallContainer() {
  TInstallContainerList& All = FContext.AllContainers;
  // Last to first; a handler may remove entries, so re-check the bounds.
  for (int i = All.Count() - 1; i >= 0; --i) {
    if (i >= All.Count()) continue;
    TInstallContainer* Other = All.Items(i);
    if (Other != this) Other->ContainerDestroying(this);
  }
  FChildren.clear();
  All.Remove(this);
}

bool TInstallContainer::InheritsFromName(const TPersistent& Obj, std::string_view Name) {
  for (const TClassInfo* Cls = &Obj.ClassType(); Cls; Cls = Cls->Parent())
    if (SameText(Cls->Name(), Name)) return true;
  return false;
}

int TInstallContainer::FileContainerCount() const {
  return CompCount(TFileContainer::StaticClass());
}

TInstallContainer* TInstallContainer::FileContainers(int Index) const {
  return Comp(Index, TFileContainer::StaticClass());
}

void TInstallContainer::SetDestDir(const std::string& Value) {
  FDestDir = Value;
  ++FContext.DestinationChanges;
}

void TInstallContainer::SetDestDirType(TCustomPathSpecifier* Value) {
  FDestDirTypeAssigned = true;
  if (Value && !IsLoading()) Value->Validate(this);
  FDestDirType = Value;
  ++FContext.DestinationChanges;
  if (Value) FreeNotification(Value);
}

void TInstallContainer::MarkDestDirTypeDefaulted() {
  if (!FDestDirType) return;
  FDestDirTypeDefaulted = true;
  FDestDirTypeAssigned = false;
}

void TInstallContainer::ContainerDestroying(TInstallContainer* Container) {
  // Only install objects are ever children, so this is a no-op for any other.
  RemoveChild(Container);
}

void TInstallContainer::PushStatusMessage(const std::string& Text) {
  TMessageParameter Param(Text);
  Broadcast(this, iePushStatusMessage, &Param);
}

void TInstallContainer::PopStatusMessage() {
  Broadcast(this, iePopStatusMessage, nullptr);
}

void TInstallContainer::DoInformationEventControl(TComponent*, int, TEventParameter*) {}

void TInstallContainer::HandleEvent(TComponent*, int, TEventParameter*) {}

std::string TInstallContainer::GetFullDestDir() {
  if (!FDestDirType) return RemoveBackslash(FDestDir);
  if (FInChildPass && !FPassDestDir.empty() && FPassDestStamp == FContext.DestinationChanges)
    return FPassDestDir;
  const std::string Base = FDestDirType->GetPath(this);
  if (IsBlankDestination(Base))
    Raise<IECustomInstallFile>("Cannot compress,copy, or install the following file because it's "
                               "destination directory is blank. File is :%s",
                               {Name() + " (" + FDestDirType->Name() + ")"});
  std::string Full = RemoveBackslash(Base + FDestDir);
  if (FInChildPass) {
    FPassDestDir = Full;
    FPassDestStamp = FContext.DestinationChanges;
  }
  return Full;
}

int TInstallContainer::RegisteredType() const {
  Raise<IEInstallContainer>("Class must declare a registered type");
}

void TInstallContainer::AddChild(TInstallContainer* Child) {
  if (!Child) Raise<IEInstallContainer>("Cannot add a blank base helper component to %s", {Name()});
  if (Child == this) Raise<IEInstallContainer>("Circular reference");
  // Child must not be one of this container's ancestors. The walk is bounded
  // by the number of live containers, whatever the links look like.
  const TInstallContainer* Current = this;
  for (int Steps = FContext.AllContainers.Count(); Steps >= 0; --Steps) {
    auto* Obj = dynamic_cast<const TInstallObject*>(Current);
    if (!Obj || !Obj->Container()) break;
    Current = Obj->Container();
    if (Current == Child) Raise<IEInstallContainer>("Circular reference");
  }

  std::size_t Position = FChildren.size();
  if (SameText(Child->ClassName(), "TINSTALLBDE")) {
    Position = 0;
  } else {
    // In front of the first child of the same kind or a later one: within a
    // kind, the child added last comes first.
    const int Kind = Child->RegisteredType();
    for (std::size_t i = 0; i < FChildren.size(); ++i)
      if (FChildren[i]->RegisteredType() >= Kind) {
        Position = i;
        break;
      }
  }
  FChildren.insert(FChildren.begin() + static_cast<std::ptrdiff_t>(Position), Child);
}

void TInstallContainer::Process() {
  // The OS filter switches the object off for the rest of the run.
  if (!FOS.Contains(FContext.OSVersion())) FInclude = false;
  try {
    if (OnBeforeProcess) OnBeforeProcess(this);
    Broadcast(this, ieBeforeProcess, nullptr);
    if (!FInclude) return;
    Broadcast(this, ieProcessIncluded, nullptr);
    if (FCurrentInstallType != itCustom && !FInstallTypes.Contains(FCurrentInstallType)) return;
    DoInstall();
    FEntered = true;
    if (FContext.InstallRoot && FUninstall)
      WriteUninstallEntries(UninstallKeyPrefix + FContext.InstallRoot->InstallRootProductName());
    if (OnAfterProcess) OnAfterProcess(this);
    Broadcast(this, ieAfterProcess, nullptr);
  } catch (const EAbort&) {
    // A handler skipped this object quietly; the container goes on.
  }
}

void TInstallContainer::DoInstall() {
  FEntered = true;
  // Every file below asks for its directory, often more than once, and a
  // shell folder behind it is read from the registry each time: the pass
  // resolves this container's destination once (GetFullDestDir).
  struct TPass {
    TInstallContainer& C;
    const bool Outer;
    explicit TPass(TInstallContainer& Container) : C(Container), Outer(!Container.FInChildPass) {
      C.FInChildPass = true;
    }
    ~TPass() {
      if (!Outer) return;
      C.FInChildPass = false;
      C.FPassDestDir.clear();
    }
    TPass(const TPass&) = delete;
    TPass& operator=(const TPass&) = delete;
  } Pass(*this);
  // A child's processing may free siblings: walk a copy, skipping the gone.
  const std::vector<TInstallContainer*> Snapshot = FChildren;
  std::size_t From = 0;
  for (TInstallContainer* Child : Snapshot)
    if (StillIn(FChildren, Child, From) && Child->ProcessWithContainer()) Child->Process();
}

bool TInstallContainer::IsSelected() const {
  return FInclude &&
         (FCurrentInstallType == itCustom || FInstallTypes.Contains(FCurrentInstallType));
}

void TInstallContainer::CompleteAfterReboot() {}

void TInstallContainer::Translate() {}

void TInstallContainer::RemoveChild(TInstallContainer* Child) {
  if (!Child) return;
  auto It = std::find(FChildren.begin(), FChildren.end(), Child);
  if (It != FChildren.end()) FChildren.erase(It);
}

void TInstallContainer::WriteUninstallEntries(const std::string&) {}

TInstallContainer* TInstallContainer::Children(int Index) const {
  if (Index < 0 || Index >= ChildCount())
    Raise<IEInstallContainer>("Tried to reference a helper component in the following component: "
                              "%s. The following index was used: %d",
                              {Name(), Index});
  return FChildren[static_cast<std::size_t>(Index)];
}

TInstallContainer* TInstallContainer::Comp(int Index, const TClassInfo& ComponentType) const {
  int Seen = 0;
  if (Index >= 0)
    for (TInstallContainer* C : FChildren)
      if (C->ClassType().InheritsFrom(ComponentType) && Seen++ == Index) return C;
  Raise<IEInstallContainer>(
      "Bad call to the Comp procedure which returns a TInstallObject for a "
      "TInstallContainer component. The parameters are probably reversed. "
      "Index: %d, ComponentType: %d",
      {Index, static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(&ComponentType))});
}

int TInstallContainer::CompCount(const TClassInfo& ComponentType) const {
  return static_cast<int>(std::count_if(FChildren.begin(), FChildren.end(), [&](auto* C) {
    return C->ClassType().InheritsFrom(ComponentType);
  }));
}

void TInstallContainer::FreeChildrenOfClass(const TClassInfo& ComponentType) {
  // Last to first. Each child leaves the list before it is freed, so that the
  // loop ends even if a destructor does not get that far.
  for (;;) {
    auto It = std::find_if(FChildren.rbegin(), FChildren.rend(),
                           [&](auto* C) { return C->ClassType().InheritsFrom(ComponentType); });
    if (It == FChildren.rend()) break;
    TInstallContainer* Child = *It;
    RemoveChild(Child);
    Child->Free();
  }
}

void TInstallContainer::Broadcast(TComponent* Sender, int Code, TEventParameter* Param) {
  // Most broadcasts (a file's progress, to its folder's files) reach no
  // child at all: then there is nothing to copy or walk.
  if (std::none_of(FChildren.begin(), FChildren.end(), [](const TInstallContainer* Child) {
        return Child->RegisteredType() >= ikFirstBroadcast;
      }))
    return;
  // A receiver may free siblings: walk a copy, skipping those that left.
  const std::vector<TInstallContainer*> Snapshot = FChildren;
  std::size_t From = 0;
  for (TInstallContainer* Child : Snapshot)
    if (StillIn(FChildren, Child, From) && Child->RegisteredType() >= ikFirstBroadcast)
      Child->HandleEvent(Sender, Code, Param);
}

void TInstallContainer::SelectInstallType(TInstallType T) {
  for (TInstallContainer* Child : FChildren)
    Child->SelectInstallType(T);
  FCurrentInstallType = T;
}

void TInstallContainer::SetInstallTypes(TInstallTypeSet Value) {
  FInstallTypes = Value.Empty() ? TInstallTypeSet{itFull} : Value;
}

void TInstallContainer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent && AComponent == FDestDirType) {
    FDestDirType = nullptr;
    ++FContext.DestinationChanges;
  }
  TComponent::Notification(AComponent, Operation);
}

void TInstallContainer::Loaded() {
  if (FDestDirTypeDefaulted && !FDestDirTypeAssigned) FDestDirType = nullptr;
  FDestDirTypeDefaulted = false;
  TComponent::Loaded();
  if (FEnsureSpecifiersWhenLoaded) {
    FEnsureSpecifiersWhenLoaded = false;
    if (Owner() && FContext.EnsureStandardSpecifiers) FContext.EnsureStandardSpecifiers(Owner());
  }
}

// ---- TInstallObject ----------------------------------------------------------------

const TClassInfo& TInstallObject::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TInstallObject>("TInstallObject", &TInstallContainer::StaticClass);
  });
}

TInstallObject::TInstallObject(TComponent* AOwner) : TInstallContainer(AOwner) {}

TInstallObject::~TInstallObject() = default;

void TInstallObject::ApplyDesignDefaults() {
  if (FDesignDefaultsApplied || !IsDesigning() || IsLoading()) return;
  FDesignDefaultsApplied = true;
  TInstallContainer* Root = Context().InstallRootContainer();
  if (!Root || Root == this) return;
  SetContainer(Root);
  FContainerAssigned = false;
  FContainerDefaulted = true;
  MarkDestDirTypeDefaulted();
}

void TInstallObject::SetContainer(TInstallContainer* Value) {
  FContainerAssigned = true;
  if (Value == FContainer) return;
  ++Context().DestinationChanges;
  // Re-parented objects go to their new container's destination. Where the
  // standard specifiers are in use but the form lacks psContainerDestDir,
  // refuse before anything changes rather than keep a stale destination.
  TCustomPathSpecifier* ContainerDestDir = nullptr;
  if (Value && !IsLoading()) {
    ContainerDestDir = Context().StandardSpecifier(Context().SpecifierKinds.ContainerDestDir);
    if (!ContainerDestDir && Context().SpecifierKinds.ContainerDestDir)
      Raise<IEPathSpecifier>("Could not find the path specifier");
  }
  if (Value) Value->AddChild(this); // may refuse; the old link then stands
  if (FContainer) FContainer->RemoveChild(this);
  FContainer = Value;
  if (IsLoading()) return;
  if (Value) {
    if (ContainerDestDir) {
      SetDestDirType(ContainerDestDir);
      SetDestDir("");
    }
  } else if (TSpecifierKinds::Is(DestDirType(), Context().SpecifierKinds.ContainerDestDir)) {
    SetDestDirType(nullptr);
  }
}

void TInstallObject::ContainerDestroying(TInstallContainer* Container) {
  TInstallContainer::ContainerDestroying(Container);
  if (Container && Container == FContainer) SetContainer(nullptr);
}

void TInstallObject::Process() {
  // During a run an object is processed only inside its container's pass.
  const TModelContext& Ctx = Context();
  if (Ctx.InstallRoot && Ctx.InstallRoot->InstallRootRunning() && FContainer &&
      !FContainer->Entered())
    return;
  TInstallContainer::Process();
}

void TInstallObject::Loaded() {
  if (FContainerDefaulted && !FContainerAssigned) SetContainer(nullptr);
  FContainerDefaulted = false;
  TInstallContainer::Loaded();
}

bool TInstallObject::GetInterface(const TGUID& IID, void** Obj) {
  return FReflector.QueryInterface(IID, Obj) == hrOK;
}

std::int32_t TInstallObject::TReflector::QueryInterface(const TGUID& IID, void** Obj) {
  if (!Obj) return hrNoInterface;
  if (IID == IQndlReflectee::IID) {
    *Obj = static_cast<IQndlReflectee*>(this);
    return hrOK;
  }
  if (IID == IQndlReflector::IID) {
    *Obj = static_cast<IQndlReflector*>(this);
    return hrOK;
  }
  *Obj = nullptr;
  return hrNoInterface;
}

TComponent* CreateInstallObject(const TClassInfo& Cls, TComponent* Owner) {
  TComponent* Obj = Cls.Create(Owner);
  if (auto* Install = dynamic_cast<TInstallObject*>(Obj)) {
    try {
      Install->ApplyDesignDefaults();
    } catch (...) {
      Obj->Free();
      throw;
    }
  }
  return Obj;
}

} // namespace quendel
