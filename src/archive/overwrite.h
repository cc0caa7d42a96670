// Whether a file about to be written may replace the one already at its
// target: the rule shared by extracting, copying and installing files.
#pragma once

#include "core/dates.h"
#include "core/reflection.h"
#include "platform/files.h"

#include <string>
#include <string_view>

namespace quendel {

enum TOverwriteType { owAlways, owNever, owVersion, owDate, owVersionDate, owAsk };
extern const TEnumInfo OverwriteTypeNames; // what OverwriteTypeInfo returns
const TEnumInfo& OverwriteTypeInfo();

// The outcome, with the values callers have always compared against.
enum TOverwriteDecision {
  odError = 0,   // a file needed for the comparison could not be read
  odEqual = 1,   // same version or date: leave the existing file
  odReplace = 2, // write the new file
  odKeep = 3,    // the existing file is newer, or may not be replaced
  odAsk = 4,     // write it after asking the user
};

enum class TVersionOrder { Equal, FirstNewer, SecondNewer };

// Compares two dotted version texts field by field: numbers by value, other
// fields as byte strings; the walk stops at the first empty field, and a text
// that runs out first is the older ("1.2.0" is newer than "1.2", "" is older
// than anything).
TVersionOrder CompareVersions(std::string_view A, std::string_view B);

// A file's modification stamp as a date of two-second resolution, the form
// archives store.
TDateTime StampToFileDate(platform::TFileStamp Stamp);

// The decision for an archive member (its stored version and date) against
// the file at ExistingFile.
TOverwriteDecision IsFileNewer(platform::IFileSystem& Files, const std::string& StoredVersion,
                               const std::string& ExistingFile, TOverwriteType Mode,
                               TDateTime StoredDate);

// The decision for two files on disk.
TOverwriteDecision IsFileNewerByName(platform::IFileSystem& Files, const std::string& NewFile,
                                     const std::string& ExistingFile, TOverwriteType Mode);

} // namespace quendel
