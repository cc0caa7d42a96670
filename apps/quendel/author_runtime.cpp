#include "author_runtime.h"

#include <filesystem>

namespace quendel::cli {

TAuthorRuntime::TAuthorRuntime() {
#ifndef _WIN32
  // Relative paths resolve against the shell's directory, as the user expects.
  std::error_code ec;
  const std::string cwd = std::filesystem::current_path(ec).string();
  if (!ec) {
    try {
      Files().SetCurrentDir(ToPlatform(cwd));
    } catch (const std::exception&) {
    }
  }
#endif
}

std::string TAuthorRuntime::ToPlatform(const std::string& Path) const {
#ifdef _WIN32
  return Path;
#else
  std::string p = Path;
  for (char& c : p)
    if (c == '/') c = '\\';
  if (!Path.empty() && Path[0] == '/') p.insert(0, "Z:");
  return p;
#endif
}

} // namespace quendel::cli
