// The registries the install objects share: every live container, every
// install file, the unique-identifier pool, the path-specifier lists, the
// shared compressor and the current install root.
//
// One TModelContext exists per run (tests make a fresh one each). Objects take
// the context that is current when they are created and keep using it; the
// context must outlive them.
#pragma once

#include "core/context.h"
#include "core/event.h"
#include "core/exceptions.h"
#include "core/install_log.h"
#include "core/persistent.h"
#include "model/path_base.h"
#include "model/types.h"
#include "platform/platform.h"
#include "system/os_version.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quendel {

class TInstallContainer;
class TCustomInstallFile;
class TQndlCompress;
class IQndlExternalReflector;
class TUninstallLogWriter;

QUENDEL_EXCEPTION(IEContainerList, IException);
QUENDEL_EXCEPTION(IECustomInstallFileList, IException);

// A list of object references over a plain pointer list: get by index, add
// with a nil check, remove by reference. Does not own its entries.
template <class T> class TObjectRefList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError outside 0..Count-1.
  T* Items(int Index) const {
    if (Index < 0 || Index >= Count()) Raise<EListError>("List index out of bounds (%d)", {Index});
    return FItems[static_cast<std::size_t>(Index)];
  }
  int IndexOf(const T* Item) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
      if (FItems[i] == Item) return static_cast<int>(i);
    return -1;
  }
  bool Contains(const T* Item) const { return IndexOf(Item) >= 0; }
  // Removes the first occurrence; an absent entry is ignored.
  void Remove(const T* Item) {
    const int i = IndexOf(Item);
    if (i >= 0) FItems.erase(FItems.begin() + i);
  }
  void Clear() { FItems.clear(); }
  const std::vector<T*>& Items() const { return FItems; }

protected:
  std::vector<T*> FItems;
};

class TInstallContainerList : public TObjectRefList<TInstallContainer> {
public:
  // Raises IEContainerList for nil.
  void Add(TInstallContainer* Container);
};

class TCustomInstallFileList : public TObjectRefList<TCustomInstallFile> {
public:
  // Raises IECustomInstallFileList for nil.
  void Add(TCustomInstallFile* File);
};

// Unique identifiers of install files: 2000 slots and a mark that the pool
// was cleared for a loaded definition.
class TUniqueIDPool {
public:
  static constexpr int Size = 2000;

  // The lowest free slot, now taken. With every slot taken: 0, nothing marked.
  int Allocate();
  // Takes ID (a stored identifier); identifiers outside 0..1999 are ignored.
  void Mark(int ID);
  // Frees ID; identifiers outside 0..1999 are ignored.
  void Release(int ID);
  bool IsTaken(int ID) const;
  // Clears every slot the first time it is called and sets the reset mark;
  // later calls do nothing. The first loaded install file calls it so that the
  // stored identifiers replace those handed out while the objects were created.
  void ResetOnce();
  bool WasReset() const { return FWasReset; }

private:
  std::bitset<Size> FTaken;
  bool FWasReset = false;
};

// What the model needs from the install root (built on top of the model):
// the root object, whether a run is in progress and the product name its
// uninstall entries go under.
class IInstallRoot {
public:
  virtual TInstallContainer& InstallRootContainer() = 0;
  virtual bool InstallRootRunning() const = 0;
  virtual std::string InstallRootProductName() const = 0;
  // The install record of this setup ("\SOFTWARE\Vexo\Install\Install<n>"),
  // under which downloaded archives are recorded; empty when there is none.
  virtual std::string InstallRootSetupKey() const { return {}; }
  // How the run's archives are distributed.
  virtual TDistributeType InstallRootDistributeType() const { return dtTraditional; }
  // A file waits for the next start of Windows: the run must ask for a restart.
  virtual void InstallRootRequestReboot() {}
  // Records an object (Kind 0: its CompleteAfterReboot runs after the
  // restart) or a file (Kind 1: deleted after the restart) as unfinished.
  virtual void InstallRootAddUnfinished(const std::string& Name, int Kind) {
    (void)Name;
    (void)Kind;
  }
  // Asked by every Cancel of the wizard and the progress forms before the
  // run is aborted; the root's handler may refuse.
  virtual bool InstallRootConfirmUserAbort() { return true; }
  // The side picture of the wizard pages; nullptr when there is none.
  virtual const TPicture* InstallRootDialogThemeBitmap() const { return nullptr; }

protected:
  ~IInstallRoot() = default;
};

// Destroys the shared compressor through a function captured where its type
// is complete, so that this layer needs only its declaration.
struct TCompressorDeleter {
  void (*Destroy)(TQndlCompress*) = nullptr;
  void operator()(TQndlCompress* C) const {
    if (Destroy) Destroy(C);
  }
};

// The standard specifier classes the model has to recognise although they
// are built above it. The paths layer fills them in (SetupPathSpecifiers);
// a class left unset is never recognised and has no instance.
struct TSpecifierKinds {
  const TClassInfo* ContainerDestDir = nullptr;
  const TClassInfo* ContainerArchiveFile = nullptr;
  const TClassInfo* MainArchiveFile = nullptr;
  const TClassInfo* InstallSource = nullptr;
  // Points the main-archive specifier at the directory the user gave for
  // the next disk, so the following volumes are looked for there.
  TEvent<void(TCustomPathSpecifier& MainArchive, const std::string& Directory)>
      SetMainArchiveDirectory;

  // Whether Specifier is of Kind (false when either is missing).
  static bool Is(const TCustomPathSpecifier* Specifier, const TClassInfo* Kind);
};

struct TModelContext {
  static constexpr const char* ContextName = "model context";

  TModelContext();
  explicit TModelContext(platform::TPlatform& APlatform) : TModelContext() {
    FAttachedPlatform = &APlatform;
  }
  ~TModelContext();
  TModelContext(const TModelContext&) = delete;
  TModelContext& operator=(const TModelContext&) = delete;

  // The ports the objects use (operating-system version for the OS filter,
  // and everything the later layers ask). The runtime attaches its platform;
  // without one this raises EContextError rather than reaching for the real
  // machine behind a test's back.
  platform::TPlatform& Platform();
  bool HasPlatform() const { return FAttachedPlatform != nullptr; }
  void AttachPlatform(platform::TPlatform* APlatform);

  // The writer of the products' uninstall logs on the platform's registry,
  // made on first use; the files and the shortcuts of a run log through it
  // alone. It keeps a log key open between entries, and the count it wrote
  // there: a file container lets it go at the end of its pass, the install
  // root at the end of its run (CloseUninstallLog).
  TUninstallLogWriter& UninstallLogWriter();
  void CloseUninstallLog();
  // The running system as the OS filter sees it (EAPIRoutines on failure).
  TOSVerType OSVersion();

  // The install root, or nullptr. The root sets itself here when it is
  // created and clears it when destroyed.
  IInstallRoot* InstallRoot = nullptr;
  TInstallContainer* InstallRootContainer() const;
  bool InstallRootRunning() const;

  // Called for the owner of a new install object when that owner is a form
  // or data module: makes sure the owner has its standard path specifiers.
  // The paths layer installs it; empty means nothing to do.
  TEvent<void(TComponent* Owner)> EnsureStandardSpecifiers;
  // Whether Owner is a form or data module, which holds the standard path
  // specifiers. The layer that knows the window classes installs it; unset,
  // no owner is one.
  TEvent<bool(const TComponent& Owner)> IsSpecifierHost;

  // Shows the hourglass (true) and puts the previous cursor back (false)
  // around long container passes. The setup runtime installs it.
  TEvent<void(bool Busy)> BusyCursor;

  // Asks the user a Yes/No question (true: Yes) and an OK/Cancel one (true:
  // OK). The setup runtime installs them; unset, the answer is No
  // (the file is left alone) and Cancel (no disk can be inserted).
  TEvent<bool(const std::string& Text)> AskYesNo;
  TEvent<bool(const std::string& Text)> AskOkCancel;

  // Set by the wizard's Cancel; downloads check it.
  bool UserAbort = false;

  // Counts the components renamed out of a path specifier's way ("nameClash1").
  int NameClashCounter = 0;

  // Counts the changes of any install object's destination (its DestDir,
  // DestDirType or container). A container passing over its children keeps
  // its resolved destination only while this stays the same.
  std::uint64_t DestinationChanges = 0;

  // Declared for an external reflector; nothing in the system sets it.
  IQndlExternalReflector* Reflector = nullptr;

  TPathSpecifierClassList PathSpecifierClasses;
  TPathSpecifierList PathSpecifiers;
  TStandardPathSpecList StandardPathSpecifiers;
  TSpecifierKinds SpecifierKinds;
  // The standard instance of Kind, or nullptr.
  TCustomPathSpecifier* StandardSpecifier(const TClassInfo* Kind) const {
    return Kind ? StandardPathSpecifiers.Find(*Kind) : nullptr;
  }

  // Destroyed in the reverse order: DeferredRegistrations, AllInstallFiles,
  // SharedCompressor, AllContainers.
  TInstallContainerList AllContainers;

  // The compressor that holds the main archive open. The archive layer puts
  // one here; the deleter is captured where the type is complete.
  std::unique_ptr<TQndlCompress, TCompressorDeleter> SharedCompressor;
  template <class C> void SetSharedCompressor(std::unique_ptr<C> Compressor) {
    SharedCompressor = std::unique_ptr<TQndlCompress, TCompressorDeleter>(
        Compressor.release(),
        TCompressorDeleter{[](TQndlCompress* P) { delete static_cast<C*>(P); }});
  }

  TCustomInstallFileList AllInstallFiles;
  TCustomInstallFileList DeferredRegistrations;

  TUniqueIDPool UniqueIDPool;

  // The run's log ("*l"): every install object writes a line per action it
  // performs. Closed (writing nothing) unless the program opened it.
  TInstallLog Log;

private:
  platform::TPlatform* FAttachedPlatform = nullptr;
  std::unique_ptr<TUninstallLogWriter> FUninstallLogWriter;
};

// Makes a context current for its lifetime and restores the previous one.
using TModelContextScope = TContextScope<TModelContext>;

// The context new install objects and path specifiers join. Raises
// EContextError (an EComponentError) when no TModelContextScope is active.
inline TModelContext& CurrentModelContext() {
  return TModelContextScope::Current();
}
inline bool HasCurrentModelContext() {
  return TModelContextScope::Installed() != nullptr;
}

} // namespace quendel
