// The classic Windows folders an install writes into, as the registry records
// them (with fixed fallbacks for systems that lack the values), and the
// expansion of meta variables such as %p or %i in texts like a shortcut's
// command-line parameters.
#pragma once

#include "core/exceptions.h"
#include "platform/platform.h"

#include <string>

namespace quendel {

class TInstallObject;
struct TModelContext;

// A meta variable that needs an object or its container that is not there.
QUENDEL_EXCEPTION(EAICannotExpandContainerDirMV, EAI);
// %i without an install root.
QUENDEL_EXCEPTION(EAICannotExpandInstallDirMV, EAI);

// Where Windows records the folders of the current user.
inline constexpr const char* ShellFoldersKey =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// Where Windows records the program files folders.
inline constexpr const char* CurrentVersionKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// Each gives the recorded folder, or its fallback when the value is missing,
// never with a trailing backslash. The fallbacks are worked out first: when
// the Windows directory cannot be had, EAPIRoutines is raised even if the
// value exists.
//
// Value (HKEY_CURRENT_USER, ShellFoldersKey)  Fallback
//   "Start Menu"                              Windows directory\Startmen
//   "Programs"                                StartMenuDir\Programs
//   "Desktop"                                 Windows directory\Desktop
//   "Startup"                                 Windows directory\Startup
// Value (HKEY_LOCAL_MACHINE, CurrentVersionKey)
//   "ProgramFilesDir"                         current drive\Program Files
//   "CommonFilesDir"                          current drive\Program Files\Common Files
std::string StartMenuDir(platform::TPlatform& Platform);
std::string ProgramsMenuDir(platform::TPlatform& Platform);
std::string DesktopDir(platform::TPlatform& Platform);
std::string StartupDir(platform::TPlatform& Platform);
std::string ProgramFilesDir(platform::TPlatform& Platform);
std::string CommonFilesDir(platform::TPlatform& Platform);

// The drive of the process's current directory ("C:"), empty when the
// platform cannot tell.
std::string CurrentDrive(platform::TPlatform& Platform);

// Text with every meta variable replaced by its directory (without trailing
// backslash). "%%" gives "%", a "%" at the end is dropped, and "%" with any
// letter outside the table gives nothing. Letters, in either case:
//   a  Link's own destination directory        b  ProgramsMenuDir
//   c  the destination of Link's container     d  DesktopDir
//   f  CommonFilesDir                          i  the install root's destination
//   m  StartMenuDir                            p  ProgramFilesDir
//   s  the Windows system directory            w  the Windows directory
// Link may be nil; %a and %c then raise EAICannotExpandContainerDirMV (as does
// %c for a Link without container) and %i without install root raises
// EAICannotExpandInstallDirMV. The context supplies the platform and the
// install root; the second form takes Link's, or the current one.
std::string ExpandMetaVariables(const std::string& Text, TInstallObject* Link,
                                TModelContext& Context);
std::string ExpandMetaVariables(const std::string& Text, TInstallObject* Link);

} // namespace quendel
