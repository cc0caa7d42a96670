#include "platform/native/native_platform.h"

#include <utility>

#include "platform/native/native_files.h"
#include "platform/native/native_process.h"
#include "platform/native/native_links.h"
#include "platform/native/native_net.h"
#include "platform/native/native_registry.h"
#include "platform/native/native_shell.h"
#include "platform/native/native_sysinfo.h"

namespace quendel::platform {

namespace native {

TPlatform CreateNativePlatform(TDriveMap drives) {
  TPlatform platform;
  auto files = std::make_unique<TNativeFileSystem>(std::move(drives));
  platform.Links = std::make_unique<TNativeLinks>(*files);
  platform.Files = std::move(files);
  platform.Registry = std::make_unique<TNativeRegistry>();
  platform.System = std::make_unique<TNativeSystemInfo>();
  platform.Shell = std::make_unique<TNativeShell>();
  platform.Processes = std::make_unique<TNativeProcesses>(*platform.Files);
  platform.UI = CreateDefaultUIServices();
  platform.Net = std::make_unique<TNativeNet>();
  return platform;
}

} // namespace native

TPlatform CreateDefaultPlatform() {
  return native::CreateNativePlatform(native::TDriveMap::Default());
}

} // namespace quendel::platform
