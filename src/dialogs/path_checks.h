// What the destination and program-folder pages accept before the wizard
// moves on: a destination an installation can really be written to, and a
// program folder that stays below the Programs menu. Each check answers the
// message to show (translated), or "" when the value is fine.
#pragma once

#include "platform/files.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quendel::dialogs {

// The longest path Windows takes for a file and for a directory (MAX_PATH
// without the terminator, and less room for an 8.3 name for directories).
inline constexpr std::size_t MaxFilePath = 259;
inline constexpr std::size_t MaxDirectoryPath = 247;

// What the installation puts below its destination.
struct TDestinationNeeds {
  // The longest file path below the destination, counted from the
  // backslash after it ("\sub\file.txt"); 0 when there are no files.
  std::size_t LongestBelow = 0;
  // Bytes the files still need on the destination's drive.
  std::uint64_t BytesNeeded = 0;
};

// Device names Windows reserves in every directory (CON, NUL, COM1...),
// with or without an extension.
bool IsReservedDeviceName(std::string_view Name);

// A path that names a drive's root or lies below it ("C:\...", or a share
// "\\server\share\..."); a bare "C:" counts as the root.
bool IsCompletePath(std::string_view Path);

// The form of Path alone: complete, characters a directory may hold, no
// device names, no empty, "." or ".." names, none ending in a dot or a space.
std::string CheckPathForm(const std::string& Path);

// The nearest directory that exists at or above Path ("" when not even the
// drive does); Blocker is set to a file that stands where a directory must go.
std::string NearestExistingDirectory(platform::IFileSystem& Files, const std::string& Path,
                                     std::string* Blocker = nullptr);

// Everything about a destination: its form, its length with the longest
// file below it, its drive, that it can be written to (a file is made and
// removed again in its nearest existing directory; nothing else is made),
// and, when the drive tells its free space, that the files fit.
std::string CheckDestination(platform::IFileSystem& Files, const std::string& Path,
                             const TDestinationNeeds& Needs);

// One folder name: no separator, no character a name may not hold, not a
// device, not "." or "..", not ending in a dot or a space.
bool IsValidFolderName(std::string_view Name);

// A program folder below the Programs menu, possibly nested ("Company\Product").
std::string CheckProgramFolder(const std::string& Name);

// "1.5 MB", "320 KB", "12 bytes".
std::string FormatBytes(std::uint64_t Bytes);

// The free bytes of Path's drive, when the file system can tell.
std::optional<std::uint64_t> FreeSpaceOf(platform::IFileSystem& Files, const std::string& Path);

} // namespace quendel::dialogs
