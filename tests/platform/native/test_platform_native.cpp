// Natively, C: is a fresh host directory of its own for every test, with
// C:\TEMP in it.
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "platform/native/native_platform.h"
#include "platform/test_platform.h"

namespace quendel::platform::testing {

TAdapters MakeAdapters() {
  std::string host = (std::filesystem::temp_directory_path() / "quendel-platform-XXXXXX").string();
  if (!::mkdtemp(host.data())) throw std::runtime_error("mkdtemp failed for " + host);
  // The adapter's temporary directory is C:\TEMP\ when the host's is out of reach.
  std::filesystem::create_directory(host + "/TEMP");
  native::TDriveMap drives;
  drives.Map('C', host);
  TAdapters adapters;
  adapters.Platform = native::CreateNativePlatform(std::move(drives));
  adapters.ScratchParent = "C:\\";
  adapters.Cleanup = [host] {
    std::error_code ignored;
    std::filesystem::remove_all(host, ignored);
  };
  return adapters;
}

} // namespace quendel::platform::testing
