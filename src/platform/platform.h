#pragma once
// The operating-system ports as one bundle. The run's context owns one.

#include <memory>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/links.h"
#include "platform/net.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sysinfo.h"
#include "platform/ui_services.h"

namespace quendel::platform {

struct TPlatform {
  std::unique_ptr<IFileSystem> Files;
  std::unique_ptr<IRegistry> Registry;
  std::unique_ptr<ISystemInfo> System;
  std::unique_ptr<IShell> Shell; // may be absent: special folders then give nothing
  // Declared after Files: the native adapter uses Files and must go first.
  std::unique_ptr<IProcesses> Processes;
  // Shortcuts. Declared last: the native adapter writes through Files, so
  // it must go first.
  std::unique_ptr<ILinks> Links;
  // Message boxes and the message pump; absent means nobody to ask (the
  // unattended answers).
  std::unique_ptr<IUIServices> UI;
  std::unique_ptr<INet> Net;     // may be absent: downloads then fail to open a session
};

// The Win32 adapters in the win32 build. Natively, the Windows-like machine
// with the default drive map (Z: is "/"); see native/native_platform.h for
// one with a drive map of its own.
TPlatform CreateDefaultPlatform();

} // namespace quendel::platform
