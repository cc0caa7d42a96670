// Which Windows the setup program runs on, where its Windows and system
// directories are, temporary file names and short paths.
//
// Every routine asks the platform ports it is given; the native adapter plays
// whatever machine its version record describes, so any system can be tested.
#pragma once

#include "core/exceptions.h"
#include "core/reflection.h"
#include "platform/files.h"
#include "platform/sysinfo.h"

#include <string>
#include <string_view>

namespace quendel {

// The kinds of system an install object can be limited to. Stored sets of it
// are bit sets over these ordinals, so the order is fixed.
enum TOSVerType {
  os31win32,
  oswin95,
  oswinNT,
  oswinNT351,
  osUnidentified,
  osLinux,
  oswin2K,
  oswin98,
  oswinME,
  oswinXP,
};
using OSSet = TSet<TOSVerType>;

extern const TEnumInfo OSVerTypeInfo;

inline constexpr OSSet osNTFamily{oswinNT, oswin2K, oswinXP};
inline constexpr OSSet os9xFamily{oswin95, oswin98, oswinME};

// The name of a value ("oswinXP").
std::string OSVerTypeName(TOSVerType Value);

// Failures of the operating-system routines.
QUENDEL_EXCEPTION(EAPIRoutines, EQuendelAbnormal);

// The system a version record describes. Every NT release from 6.0 on counts
// as the newest member of the NT family, so that objects limited to the NT
// family (the default for every install object) install on current Windows.
TOSVerType OSVersionFromRecord(const platform::TOSVersionInfo& Info);

// The running system, read afresh on every call. Raises EAPIRoutines when the
// platform cannot tell.
TOSVerType GetOSVersion(const platform::ISystemInfo& System);

// The Windows and system directories as the platform reports them. An empty
// answer or a failing call raises EAPIRoutines.
std::string GetWindowsDir(const platform::ISystemInfo& System);
std::string GetSystemDir(const platform::ISystemInfo& System);

// A new unique file in the temporary directory, named "bat<hex>.tmp". The
// platform creates it empty to claim the name; unless Keep is set it is deleted
// again and only the name is returned. Raises EAPIRoutines on any failure.
std::string GetTempFileName(platform::IFileSystem& Files, bool Keep);

// Deletes a file a run downloaded under a name made from GetTempFileName
// (the "*.tmp" changed to another extension), and the empty "*.tmp" kept to
// hold that name. Failures are ignored: a leftover in the temporary
// directory is no reason to fail the run or the cleanup that asks.
void RemoveDownloadedArchive(platform::IFileSystem& Files, const std::string& Archive);

// The short (8.3) form of Path; empty when Path does not exist or the platform
// cannot shorten it. Paths of any length are passed on.
std::string GetShortPath(platform::IFileSystem& Files, const std::string& Path);

} // namespace quendel
