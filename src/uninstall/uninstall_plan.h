// What the uninstaller removes, decided before anything is touched, and the
// removal itself. The plan reads the product's uninstall key and log and the
// machine's shared-library counts; every logged path is checked before it can
// be deleted: a relative or malformed path, or one outside every directory
// the product installed into, is refused and reported, never deleted.
#pragma once

#include "core/event.h"
#include "platform/platform.h"

#include <string>
#include <vector>

namespace quendel {

// Where a product may have put things.
struct TUninstallRoots {
  // The product's own directory (and everything below it).
  std::vector<std::string> ProductDirs;
  // The shell's folders: shortcuts and the program folders below them.
  std::vector<std::string> ShortcutDirs;
  // Windows, system and common-files directories: files there are removed
  // only when their shared-library count says no one else uses them.
  std::vector<std::string> SharedDirs;
};

enum class TUninstallStep {
  UnregisterServer, // Kind: 0 library, 1 server program, 2 type library
  DeleteFile,
  SetSharedCount,    // a shared library still used by others: its new count, the file stays
  DeleteSharedCount, // the last user: the count goes, and so does the file
  DeleteHelpValue,
  RemoveDirectory, // only when empty at that moment
  DeleteProductKey,
};

struct TUninstallAction {
  TUninstallStep Step;
  std::string Path; // file, directory, or the value name / key
  int Number = 0;   // server kind, or the new shared count
  bool operator==(const TUninstallAction&) const = default;
};

struct TRefusedEntry {
  std::string Entry;
  std::string Reason;
};

struct TUninstallPlan {
  std::string ProductKey;  // below HKEY_LOCAL_MACHINE
  std::string DisplayName;
  std::vector<TUninstallAction> Actions; // in the order they are carried out
  std::vector<TRefusedEntry> Refused;
  // Files that stay because other programs still count on them.
  std::vector<std::string> Kept;
};

// The product's key for the name the uninstaller was started with: the key
// of that name, or else the one key whose name, trimmed, is that name (a
// product name stored with trailing blanks). Empty when there is none.
std::string FindProductKey(platform::IRegistry& Registry, const std::string& ProductName);

// The directories of a product whose uninstaller lies at UninstallerPath:
// the uninstaller's directory, or its parent when that directory is
// "Uninstall"; the shell's program, start-menu, desktop and startup folders;
// the Windows, system and common-files directories.
TUninstallRoots ProductRoots(platform::TPlatform& Platform, const std::string& UninstallerPath);

// Raises nothing: unusable entries end up in Refused.
TUninstallPlan PlanUninstall(platform::TPlatform& Platform, const std::string& ProductKey,
                             const TUninstallRoots& Roots);

// Unregisters a self-registered server; returns an error text, empty on success.
using TUnregisterFunc = TFunctionRef<std::string(const std::string& Path, int Kind)>;

struct TUninstallResult {
  std::vector<std::string> Log; // one line per action, refusal and failure
  int Failures = 0;
  bool RestartNeeded = false; // something in use is removed at the next start
};

// Carries the plan out. A file in use is removed at the next start of
// Windows; a directory is removed only when it is empty.
TUninstallResult ExecuteUninstall(platform::TPlatform& Platform, const TUninstallPlan& Plan,
                                  const TUnregisterFunc& Unregister);

// The uninstaller's command line after its program name: its own switches
// first ("*q" quiet, "*l<path>" log), the rest, trimmed, is the product name
// (surrounding quotes removed).
struct TUninstallArguments {
  bool Quiet = false;
  std::string LogPath;
  std::string ProductName;
};
TUninstallArguments ParseUninstallArguments(const std::string& Arguments);

} // namespace quendel
