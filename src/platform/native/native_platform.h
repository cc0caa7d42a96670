#pragma once
// The Windows-like machine as one bundle.

#include "platform/native/drive_map.h"
#include "platform/platform.h"

namespace quendel::platform::native {

// Native file system on the given drives, an empty registry (but for
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes), the default system information and
// the special folders of a Windows 7 user.
TPlatform CreateNativePlatform(TDriveMap drives);

} // namespace quendel::platform::native
