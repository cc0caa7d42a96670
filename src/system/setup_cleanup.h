// Removing the setup program's own files at the end of a run. The loading
// program unpacks the setup program into a fresh directory below the
// system's temporary directory and asks for this with -c; a setup program
// started from anywhere else (a user's Downloads folder, a CD) must leave its
// directory alone, so nothing happens outside the temporary directory.
#pragma once

#include "platform/files.h"

#include <string>

namespace quendel {

// True when Dir lies strictly below the system's temporary directory (the
// temporary directory itself is never a setup program's own).
bool IsInsideTempDirectory(platform::IFileSystem& Files, const std::string& Dir);

// The batch file that removes what the running program could not: the
// program file, its directory with everything in it, the batch file's ".PIF"
// and the batch file itself. Every path is quoted; on the NT family the
// directory goes with "rmdir /s /q" (DELTREE exists only on Windows 9x), and
// the program file is retried a bounded number of times, about a second
// apart, while the setup program is still ending. Nothing waits for input.
std::string CleanupBatchText(const std::string& ProgramPath, const std::string& BatchFile,
                             bool NTFamily);

// Deletes every file of the running program's directory (its own file,
// still in use, stays), tries to remove the directory, and writes the batch
// file for the rest into the temporary directory. Returns the batch file's
// path, or "" when the directory is not inside the temporary directory (then
// nothing at all is touched) or the batch file could not be written.
// Failures to delete are ignored: the batch file tries again.
std::string CleanupSetupDirectory(platform::IFileSystem& Files, const std::string& ProgramPath,
                                  bool NTFamily);

} // namespace quendel
