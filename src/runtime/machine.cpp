#include "runtime/machine.h"

#ifndef _WIN32
#include "platform/native/native_shell.h"
#endif

namespace quendel {

platform::TPlatform ThisMachinePlatform() {
  platform::TPlatform P = platform::CreateDefaultPlatform();
#ifndef _WIN32
  if (auto* Shell = dynamic_cast<platform::native::TNativeShell*>(P.Shell.get()))
    platform::native::WriteShellFolderRecords(*P.Registry, Shell->Config());
#endif
  return P;
}

TMachineRuntime::TMachineRuntime() : FPlatform(ThisMachinePlatform()) {}

TMachineRuntime::TMachineRuntime(platform::TPlatform APlatform) : FPlatform(std::move(APlatform)) {}

} // namespace quendel
