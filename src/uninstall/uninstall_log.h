// The product's uninstall key and the log below it, as the setup program
// writes them and the uninstaller reads them (HKEY_LOCAL_MACHINE):
//
//   ...\Uninstall\<product name>          the values of TUninstallValues
//   ...\Uninstall\<product name>\Files    "Entries" and File1, File2, ...:
//                                         installed files and shortcuts
//   ...\Files1, Files2, ...               used when a Files key is unusable
//   ...\Uninstall\<product name>\ActiveX  "Entries" and File1, ...: a
//                                         self-registering file, ";" and its kind
#pragma once

#include "platform/registry.h"

#include <memory>
#include <string>
#include <vector>

namespace quendel {

// Below HKEY_LOCAL_MACHINE, without a leading backslash.
inline constexpr const char* UninstallKeyRoot = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// "Files" and up to this many numbered keys after it; a log that needs more
// is refused rather than growing without end.
constexpr int MaxLogSubkeys = 100;
// Entries read from one log key at most.
constexpr int MaxLogEntries = 100000;

// The product's key below HKEY_LOCAL_MACHINE: the name as stored, not trimmed.
std::string ProductKeyPath(const std::string& ProductName);

// A product name that can name a registry key of its own: not blank and
// without "\" (which would place the key elsewhere).
bool IsValidProductName(const std::string& ProductName);

// The command Windows runs to uninstall: the uninstaller's path in quotes,
// so that a path with blanks cannot start another program, then the
// product name, trimmed.
std::string UninstallCommand(const std::string& UninstallerPath, const std::string& ProductName);

// The values of the product's key, written in this order; the ones after
// UninstallString only when not empty.
struct TUninstallValues {
  std::string DisplayName, UninstallString, Comments, Contact, DisplayIcon, DisplayVersion,
      HelpLink, HelpTelephone, Publisher, ProductID, Readme, URLInfoAbout, URLUpdateInfo;
};
// Raises EIRCannotWriteValue when a value cannot be written.
void WriteUninstallValues(platform::IRegistry& Registry, const std::string& ProductKey,
                          const TUninstallValues& Values);

// Kinds of self-registering files in the "ActiveX" log.
enum TActiveXKind { axLibrary = 0, axServerProgram = 1, axTypeLibrary = 2 };
// By the file name's extension, without regard to case: ".TLB" 2, ".EXE" 1, else 0.
TActiveXKind ActiveXKindOf(const std::string& FileName);

// Appends Path to the first of "Files", "Files1", ... that can be read and
// written; raises EIRCannotWriteValue when none of MaxLogSubkeys + 1 keys
// accepts it or the count cannot be written.
void AppendUninstallLogEntry(platform::IRegistry& Registry, const std::string& ProductKey,
                             const std::string& Path);

// Appends entries as AppendUninstallLogEntry does, keeping the key of the
// last one open: an install writes an entry for every file, and opening the
// key again each time costs two registry calls more per file. While the key
// stays open the count this writer wrote there last is the count: it is
// read from the key only when the key is opened, so every entry of this
// process must go through the same writer while it holds the key (the
// model context's; entries written by others meanwhile would be
// overwritten). Close (or the writer's end) lets the key go and forgets the
// count.
class TUninstallLogWriter {
public:
  explicit TUninstallLogWriter(platform::IRegistry& Registry) : FRegistry(Registry) {}
  void Append(const std::string& ProductKey, const std::string& Path);
  void Close();
  platform::IRegistry& Registry() const { return FRegistry; }

private:
  platform::IRegistry& FRegistry;
  std::string FProductKey; // whose log key is open
  std::string FKey;        // the open key: "Files", "Files1", ... of FProductKey
  std::unique_ptr<platform::IRegKey> FOpen;
  int FCount = -1; // "Entries" as this writer last wrote it to FOpen; -1 unknown
};
// Appends "Path;Kind" to "ActiveX"; raises EIRCannotWriteValue on failure.
void AppendActiveXLogEntry(platform::IRegistry& Registry, const std::string& ProductKey,
                           const std::string& Path, TActiveXKind Kind);

struct TActiveXEntry {
  std::string Path;
  int Kind = axLibrary; // as stored; unknown numbers are kept for the caller to refuse
  bool operator==(const TActiveXEntry&) const = default;
};

// What the log holds, in the order written. Entries are read by their value
// names (File1, File2, ...), whatever "Entries" says, from "Files" and every
// numbered key up to MaxLogSubkeys; an "ActiveX" entry without ";kind" is
// kept with kind -1.
struct TUninstallLog {
  std::vector<std::string> Files;
  std::vector<TActiveXEntry> ActiveX;
};
TUninstallLog ReadUninstallLog(platform::IRegistry& Registry, const std::string& ProductKey);

} // namespace quendel
