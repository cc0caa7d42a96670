// The first step of every program's runtime: the machine it works on.
//
// TRuntime (runtime.h) builds every layer's context on top of it.
#pragma once

#include "platform/platform.h"

namespace quendel {

// This machine: the Win32 adapters in the win32 build; natively the
// simulated machine, which also records its shell folders in its registry
// as Windows does.
platform::TPlatform ThisMachinePlatform();

class TMachineRuntime {
public:
  // On this machine, with every adapter of the build.
  TMachineRuntime();
  // On APlatform: a test's scratch machine, or this machine with only the
  // adapters a program uses (the uninstaller), so that the others are not
  // linked into it. Using a port APlatform lacks raises
  // platform::EAbsentPort.
  explicit TMachineRuntime(platform::TPlatform APlatform);
  TMachineRuntime(const TMachineRuntime&) = delete;
  TMachineRuntime& operator=(const TMachineRuntime&) = delete;

  platform::TPlatform& Platform() { return FPlatform; }

private:
  platform::TPlatform FPlatform;
};

} // namespace quendel
