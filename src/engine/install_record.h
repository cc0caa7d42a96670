// The install record: the registry key under which a setup program keeps
// what a run must remember (the unfinished work, the downloaded archives,
// the language and the destinations chosen before a reboot).
//
// A record belongs to a setup program file, recognised by its size and date
// rather than its path, because the loading program may unpack it into
// another temporary directory each time.
#pragma once

#include "core/dates.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quendel {

// HKEY_LOCAL_MACHINE: one subkey "Install<N>" per installation.
inline constexpr const char* kInstallRecordRoot = "\\SOFTWARE\\Vexo\\Install";
inline constexpr const char* kUnfinishedSubkey = "Unfinished";

// The identity of a setup program file.
struct TSetupFileFacts {
  std::string Path;
  TDateTime Date = 0; // last write, local time
  std::uint32_t Size = 0;
};

// Opens Path for reading (sharing everything) and reads its size and date.
// Raises the platform's error when the file cannot be read.
TSetupFileFacts ReadSetupFileFacts(platform::IFileSystem& Files, const std::string& Path);

// The key path ("\SOFTWARE\Vexo\Install\Install<N>") of the record of File,
// found by date and size; its "LastRunDate" and "Path" are brought up to
// date. Without a match and with Create, a new record takes the lowest free
// number. Empty when there is none, or when the registry refuses: a record
// that cannot be kept must not stop an installation that needs none.
// SelfExtract, when not null, is written into a new record.
std::string FindInstallRecord(platform::IRegistry& Registry, const TSetupFileFacts& File,
                              bool Create, TDateTime RunStartTime,
                              const std::string* SelfExtract);

// Deletes the record with its subkeys and the archives it downloaded, then
// the parent keys when nothing else is left in them. Never fails.
void RemoveInstallRecord(platform::IRegistry& Registry, platform::IFileSystem& Files,
                         const std::string& KeyPath);

// A registry key path with a leading "\" as the platform's ports take it.
std::string PortKey(const std::string& KeyPath);

// Double values stored as 8 bytes.
std::vector<std::uint8_t> DoubleBytes(double Value);
bool BytesDouble(const std::vector<std::uint8_t>& Bytes, double& Value);

} // namespace quendel
