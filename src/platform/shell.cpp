#include "platform/shell.h"

namespace quendel::platform {

std::string IShell::TrySpecialFolderPath(int csidl, TErrorCode& error) {
  try {
    std::string path = SpecialFolderPath(csidl);
    error = errSuccess;
    return path;
  } catch (const EPlatformError& e) {
    error = e.Code();
    return {};
  }
}

} // namespace quendel::platform
