#include "model/model_context.h"

#include "model/install_container.h"
#include "uninstall/uninstall_log.h"

namespace quendel {

void TInstallContainerList::Add(TInstallContainer* Container) {
  if (!Container)
    Raise<IEContainerList>("Cannot add a blank entry to the TInstallContainerList object");
  FItems.push_back(Container);
}

void TCustomInstallFileList::Add(TCustomInstallFile* File) {
  if (!File)
    Raise<IECustomInstallFileList>("Cannot add a blank entry to the TCustomInstallFileList object");
  FItems.push_back(File);
}

// ---- TUniqueIDPool --------------------------------------------------------------------

int TUniqueIDPool::Allocate() {
  for (int i = 0; i < Size; ++i)
    if (!FTaken.test(static_cast<std::size_t>(i))) {
      FTaken.set(static_cast<std::size_t>(i));
      return i;
    }
  return 0;
}

void TUniqueIDPool::Mark(int ID) {
  if (ID >= 0 && ID < Size) FTaken.set(static_cast<std::size_t>(ID));
}

void TUniqueIDPool::Release(int ID) {
  if (ID >= 0 && ID < Size) FTaken.reset(static_cast<std::size_t>(ID));
}

bool TUniqueIDPool::IsTaken(int ID) const {
  return ID >= 0 && ID < Size && FTaken.test(static_cast<std::size_t>(ID));
}

void TUniqueIDPool::ResetOnce() {
  if (FWasReset) return;
  FTaken.reset();
  FWasReset = true;
}

// ---- TModelContext ----------------------------------------------------------------------

TModelContext::TModelContext() = default;
TModelContext::~TModelContext() = default;

void TModelContext::AttachPlatform(platform::TPlatform* APlatform) {
  // An open key belongs to the registry it came from.
  FUninstallLogWriter.reset();
  FAttachedPlatform = APlatform;
}

TUninstallLogWriter& TModelContext::UninstallLogWriter() {
  platform::IRegistry& Registry = *Platform().Registry;
  if (!FUninstallLogWriter || &FUninstallLogWriter->Registry() != &Registry)
    FUninstallLogWriter = std::make_unique<TUninstallLogWriter>(Registry);
  return *FUninstallLogWriter;
}

void TModelContext::CloseUninstallLog() {
  if (FUninstallLogWriter) FUninstallLogWriter->Close();
}

platform::TPlatform& TModelContext::Platform() {
  if (!FAttachedPlatform) Raise<EContextError>("The model context has no platform attached");
  return *FAttachedPlatform;
}

bool TSpecifierKinds::Is(const TCustomPathSpecifier* Specifier, const TClassInfo* Kind) {
  return Specifier && Kind && Specifier->InheritsFrom(*Kind);
}

TOSVerType TModelContext::OSVersion() {
  platform::TPlatform& P = Platform();
  if (!P.System)
    Raise<EAPIRoutines>("Could not get information about the current version of Windows");
  return GetOSVersion(*P.System);
}

TInstallContainer* TModelContext::InstallRootContainer() const {
  return InstallRoot ? &InstallRoot->InstallRootContainer() : nullptr;
}

bool TModelContext::InstallRootRunning() const {
  return InstallRoot && InstallRoot->InstallRootRunning();
}

} // namespace quendel
