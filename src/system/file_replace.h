// Putting a new file in place of an existing one that may be in use: the
// new file is first written under a temporary name beside the target, then
// moved over it; a target that is in use is replaced at the next start of
// Windows instead ("WININIT.INI" on Windows 95 to ME, a delayed MoveFileEx
// elsewhere, and when that is refused a batch file run once at the next
// logon). The user's file is never removed before its replacement exists.
#pragma once

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/sysinfo.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quendel {

// The RunOnce value (a number is appended when it is taken) of the batch file
// that moves replacements into place when the system refused to.
inline constexpr const char* QuendelBatFileValue = "QuendelBatFile";

// Name with its extension replaced by "." and Attempt ("App.exe", 1 gives
// "App.1"): the temporary names of a replacement, tried in turn.
std::string TemporaryReplaceCandidate(const std::string& Name, int Attempt);
// The first of those candidates that names nothing in Dir.
std::string TemporaryReplaceName(platform::IFileSystem& Files, const std::string& Dir,
                                 const std::string& Name);

// Moves Temp over Target (which need not exist). A read-only Target is not in
// use: it loses the attribute and the move is tried again. Returns 0, or the
// Windows error code of the move that failed; IsInUse tells whether that
// code means the target is held by a running program.
platform::TErrorCode TryReplaceFile(platform::IFileSystem& Files, const std::string& Temp,
                                    const std::string& Target);
// The same with Temp still open (with delete access): renamed through the
// handle, which spares opening it again; an adapter that cannot rename a
// handle closes it and moves by name. Open is closed either way.
platform::TErrorCode TryReplaceFile(platform::IFileSystem& Files,
                                    std::unique_ptr<platform::IFile> Open, const std::string& Temp,
                                    const std::string& Target);
bool IsInUse(platform::TErrorCode Code);

enum class TRebootMethod { WininitIni, DelayedMove, BatchFile };

struct TRebootReplacement {
  TRebootMethod Method = TRebootMethod::DelayedMove;
  std::string BatchFile; // the batch file written (BatchFile method only)
};

// Arranges for Temp to replace Target at the next start. AllowBatch permits
// the batch-file fallback when the delayed move is refused. Returns nothing
// (and leaves no batch file behind) when none of the ways could be set up.
std::optional<TRebootReplacement>
ScheduleReplaceAtReboot(platform::IFileSystem& Files, platform::IRegistry& Registry,
                        const platform::ISystemInfo& System, const std::string& Temp,
                        const std::string& Target, bool AllowBatch);

// The batch file's text for these moves: one line per pair,
// if exist "temp" move /y "temp" "target", so that a move that cannot happen
// leaves the old file where it was.
std::string ReplaceBatchText(const std::vector<std::pair<std::string, std::string>>& Moves);

// WritePrivateProfileStringA through the files port: sets Key=Value in
// [Section] of the file at Path (section and key found case-insensitively;
// a missing file or section is created). Raises EPlatformError.
void WriteProfileString(platform::IFileSystem& Files, const std::string& Path,
                        const std::string& Section, const std::string& Key,
                        const std::string& Value);
// The value of Key in [Section], or Default.
std::string ReadProfileString(platform::IFileSystem& Files, const std::string& Path,
                              const std::string& Section, const std::string& Key,
                              const std::string& Default);

} // namespace quendel
