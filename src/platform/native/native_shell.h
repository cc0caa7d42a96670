#pragma once
// The special folders of the Windows-like machine: a table of CSIDL numbers
// and paths, set up like a Windows 7 installation unless told otherwise.

#include <map>
#include <optional>
#include <string>

#include "platform/registry.h"
#include "platform/shell.h"

namespace quendel::platform::native {

struct TNativeShellConfig {
  // CSIDL number -> path. std::nullopt marks a virtual folder without a
  // file-system path; numbers missing from the table fail with hrFail, as the
  // alternate startup folders (29, 30) do on NT.
  std::map<int, std::optional<std::string>> Folders;

  // The folders of a Windows 7 user named userName, with the Windows
  // directory where the machine's system information puts it.
  static TNativeShellConfig Windows7(const std::string& userName = "user",
                                     const std::string& windowsDirectory = "C:\\WINDOWS");
};

class TNativeShell : public IShell {
public:
  explicit TNativeShell(TNativeShellConfig config = TNativeShellConfig::Windows7())
      : config_(std::move(config)) {}

  std::string SpecialFolderPath(int csidl) override;

  // For tests that move, drop or add folders.
  TNativeShellConfig& Config() { return config_; }
  const TNativeShellConfig& Config() const { return config_; }

private:
  TNativeShellConfig config_;
};

// Writes what Windows records about its folders: the "Shell Folders" values of
// HKEY_CURRENT_USER and "ProgramFilesDir"/"CommonFilesDir" of
// HKEY_LOCAL_MACHINE, taken from the shell's table. A fresh native registry
// has none of them; a simulated machine that should answer like a real one
// gets them this way.
void WriteShellFolderRecords(IRegistry& registry, const TNativeShellConfig& config);

} // namespace quendel::platform::native
