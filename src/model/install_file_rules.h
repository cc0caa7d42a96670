// The decisions of an install file that depend only on its settings and the
// machine: whether to write over the target, whether its path goes to the
// uninstall log, whether its source registers itself, and how its settings
// derive from each other while a definition is edited.
#pragma once

#include "archive/overwrite.h"
#include "core/dates.h"
#include "core/reflection.h"
#include "platform/files.h"

#include <string>

namespace quendel {

enum TInstallFileType {
  iftNormal,
  iftJustADLL,
  iftApplicationSpecificDLL,
  iftVendorSharedDLL,
  iftSystemWideDLL
};
enum TQndlFileAttributes {
  qfaArchive,
  qfaCompressed,
  qfaDirectory,
  qfaHidden,
  qfaNormal,
  qfaOffline,
  qfaReadOnly,
  qfaSystem,
  qfaTemporary
};
using TQndlFileAttributesSet = TSet<TQndlFileAttributes>;

// The Windows attributes of the set (qfaCompressed is not applied).
platform::TFileAttributes WindowsAttributesOf(TQndlFileAttributesSet Attributes);

enum class TOverwriteOutcome { Write, Skip, Ask };

// Whether the stored file (version, date) is written over Target under Mode.
// A missing target is always written: the version and date rules compare
// with a file that is there, and a fresh install must not leave out the
// files that carry no version.
TOverwriteOutcome DecideOverwrite(platform::IFileSystem& Files, const std::string& StoredVersion,
                                  TDateTime StoredDate, const std::string& Target,
                                  TOverwriteType Mode);

// Whether an installed file's path goes to the uninstall log: not when the
// file was there before and this install left it alone (the uninstaller must
// never delete what this product did not put there), unless the product
// counts it as a shared library it uses.
bool LogsForUninstall(bool ExistedBefore, bool WillCopy, bool UpdateDLLCounter);

// Whether the file's version resource carries "OLESelfRegister" in the string
// table of its first translation.
bool HasOLESelfRegister(platform::IFileSystem* Files, const std::string& Source);

// The settings of an install file that derive from each other.
struct TInstallFileSettings {
  std::string FileName, IncludeFromDir, DestName, DestDir;
  // The class name of the DestDirType specifier ("TpsSystem"), empty for none.
  std::string DestDirTypeClass;
  TInstallFileType FileType = iftNormal;
  bool ActiveX = false;
  bool RegisterAsHelp = false;
  bool UpdateDLLCounter = false;
  TOverwriteType OverwriteMode = owAlways;
  TQndlFileAttributesSet InstallAttributes;
};

// Applies an edit outside loading: Current is what the file holds, Next the
// same with the edited values; returns what the file holds afterwards.
// ReadOnlySource tells whether the new source file can be opened and is
// read-only; OLESelfRegister answers for the new source.
TInstallFileSettings DeriveSettings(const TInstallFileSettings& Current,
                                    const TInstallFileSettings& Next, bool ReadOnlySource,
                                    bool OLESelfRegister);

} // namespace quendel
