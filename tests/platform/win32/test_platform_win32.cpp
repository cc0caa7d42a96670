// Under Windows the contract runs against the real API: files in the
// temporary directory, keys under HKEY_CURRENT_USER\Software\QuendelTest.

#include "platform/test_platform.h"

namespace quendel::platform::testing {

TAdapters MakeAdapters() {
  TAdapters adapters;
  adapters.Platform = CreateDefaultPlatform();
  adapters.ScratchParent = adapters.Platform.Files->TempDirectory();
  return adapters;
}

} // namespace quendel::platform::testing
