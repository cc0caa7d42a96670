#include "platform/platform.h"

#include "platform/win32/win32_files.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_links.h"
#include "platform/win32/win32_net.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_sysinfo.h"

namespace quendel::platform {

TPlatform CreateDefaultPlatform() {
  TPlatform platform;
  platform.Files = std::make_unique<win32::TWin32FileSystem>();
  platform.Registry = std::make_unique<win32::TWin32Registry>();
  platform.System = std::make_unique<win32::TWin32SystemInfo>();
  platform.Shell = std::make_unique<win32::TWin32Shell>();
  platform.Processes = std::make_unique<win32::TWin32Processes>();
  platform.Links = std::make_unique<win32::TWin32Links>();
  platform.UI = CreateDefaultUIServices();
  platform.Net = std::make_unique<win32::TWin32Net>();
  return platform;
}

} // namespace quendel::platform
