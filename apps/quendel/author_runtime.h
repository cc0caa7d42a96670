// What the author tool's commands run in: the system's runtime on this
// machine (the real one on Windows, the simulated one natively), with host
// paths turned into the paths the platform takes.
#pragma once

#include "runtime/runtime.h"

#include <string>

namespace quendel::cli {

class TAuthorRuntime : public TRuntime {
public:
  static constexpr const char* ContextName = "author runtime";

  TAuthorRuntime();

  platform::IFileSystem& Files() { return *Platform().Files; }
  // Natively an absolute host path becomes "Z:\..." and "/" becomes "\";
  // in the win32 build paths pass unchanged.
  std::string ToPlatform(const std::string& Path) const;
};

// main() composes one runtime for the command it runs; every command works
// in it. EContextError outside.
inline TAuthorRuntime& CurrentAuthorRuntime() {
  return TContextScope<TAuthorRuntime>::Current();
}

} // namespace quendel::cli
