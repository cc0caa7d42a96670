// The standard path specifiers: one class per symbol an install object can
// name as its destination or archive (the install's own locations, the
// classic Windows folders, the shell's special folders). Every class exists
// once on the form that holds the install definition, named by its
// DefaultName ("psProgramFiles" for TpsProgramFiles).
//
// Paths come back without a trailing backslash. Lookups do not fail: missing
// registry values give fallbacks and the shell's failures give empty paths.
// Only validation, a missing self-extracting file name and the operating-
// system routines raise.
#pragma once

#include "core/exceptions.h"
#include "model/path_base.h"
#include "platform/platform.h"

#include <string>

namespace quendel {

// Errors of the install root.
QUENDEL_EXCEPTION(IEInstall, IException);

// What the specifiers need to know about the run beyond the model's view of
// the install root. The install root implements it beside IInstallRoot; a
// root that does not has no source directory.
class IInstallRootSource {
public:
  // The directory the distributables are read from, without trailing "\".
  virtual std::string InstallSource() const = 0;
  // Whether the self-extracting file started the run (-e), and the file name
  // it gave.
  virtual bool SelfExtracting() const = 0;
  virtual std::string SelfExtractName() const = 0;

protected:
  ~IInstallRootSource() = default;
};

// A standard specifier with fixed description and caption.
class TpsDescribed : public TStandardPathSpecifier {
public:
  std::string GetDescription() override { return FDescription; }
  std::string GetCaption() override { return FCaption; }

protected:
  TpsDescribed(TComponent* AOwner, const char* ADescription, const char* ACaption)
      : TStandardPathSpecifier(AOwner), FDescription(ADescription), FCaption(ACaption) {}

private:
  const char* FDescription;
  const char* FCaption;
};

// Declares the class-table members of a concrete specifier.
#define QUENDEL_PATH_SPECIFIER_CLASS(Name)                                                         \
public:                                                                                            \
  explicit Name(TComponent* AOwner);                                                               \
  static const TClassInfo& StaticClass();                                                          \
  const TClassInfo& ClassType() const override {                                                   \
    return StaticClass();                                                                          \
  }

// ---- The install's own locations ---------------------------------------------------------

// The archive of Obj's container. Obj must be an install object whose
// container is file-related.
class TpsContainerArchiveFile : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsContainerArchiveFile)
  void Validate(TComponent* Obj) override;
  std::string GetPath(TComponent* Obj) override;
};

// The destination of Obj's container.
class TpsContainerDestDir : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsContainerDestDir)
  void Validate(TComponent* Obj) override;
  std::string GetPath(TComponent* Obj) override;
  // Name the container ("Path of the <Fonts> directory"); GetDescription
  // when Obj does not validate.
  std::string GetDescriptionFor(TComponent* Obj) override;
  std::string GetCaptionFor(TComponent* Obj) override;
};

// The directory the setup program runs from.
class TpsInstallSource : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsInstallSource)
  void Validate(TComponent* Obj) override;
  std::string GetPath(TComponent* Obj) override;
};

// The install root's destination; not for the root itself.
class TpsMainInstall : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsMainInstall)
  void Validate(TComponent* Obj) override;
  std::string GetPath(TComponent* Obj) override;
};

// The main archive: the self-extracting file when that started the run,
// otherwise "files.1" in ArchiveDirectory or in the install source.
class TpsMainArchiveFile : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsMainArchiveFile)
  void Validate(TComponent* Obj) override;
  std::string GetPath(TComponent* Obj) override;

  // Where the first volume is looked for instead of the install source; set
  // when the user points to another location for the disks.
  const std::string& ArchiveDirectory() const { return FArchiveDirectory; }
  void SetArchiveDirectory(const std::string& Value) { FArchiveDirectory = Value; }

private:
  std::string FArchiveDirectory;
};

// ---- The classic Windows folders -----------------------------------------------------------

// "DLLPath" of the database engine, first field only; by default below the
// common files of the program files directory.
class TpsBDEDLL : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsBDEDLL)
  std::string GetPath(TComponent* Obj) override;
};

class TpsCommonFiles : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsCommonFiles)
  std::string GetPath(TComponent* Obj) override;
};

class TpsDesktopMenu : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsDesktopMenu)
  std::string GetPath(TComponent* Obj) override;
};

class TpsProgramFiles : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsProgramFiles)
  std::string GetPath(TComponent* Obj) override;
};

class TpsProgramMenu : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsProgramMenu)
  std::string GetPath(TComponent* Obj) override;
};

class TpsStartMenu : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsStartMenu)
  std::string GetPath(TComponent* Obj) override;
};

class TpsStartupMenu : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsStartupMenu)
  std::string GetPath(TComponent* Obj) override;
};

class TpsSystem : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsSystem)
  std::string GetPath(TComponent* Obj) override;
};

class TpsWindow : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsWindow)
  std::string GetPath(TComponent* Obj) override;
};

// ---- The shell's special folders ---------------------------------------------------------------

// A shell folder chosen by the system's family: one folder number for the NT
// family, one (or none) for Windows 95 to ME, and a fixed answer ("undefined"
// or nothing) for any other system or a family without a folder.
class TpsShellFolder : public TpsDescribed {
public:
  std::string GetPath(TComponent* Obj) override;

protected:
  static constexpr int NoFolder = -1;
  TpsShellFolder(TComponent* AOwner, const char* ADescription, const char* ACaption, int ANTFolder,
                 int AWin9xFolder, const char* AOtherwise)
      : TpsDescribed(AOwner, ADescription, ACaption), FNTFolder(ANTFolder),
        FWin9xFolder(AWin9xFolder), FOtherwise(AOtherwise) {}

private:
  int FNTFolder;
  int FWin9xFolder;
  const char* FOtherwise;
};

class TpsPrinters : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsPrinters)
};
class TpsRecent : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsRecent)
};
class TpsSendTo : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsSendTo)
};
class TpsStartup : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsStartup)
};
class TpsControlPanel : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsControlPanel)
};
class TpsFavorites : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsFavorites)
};
class TpsBitBucket : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsBitBucket)
};
class TpsCookies : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsCookies)
};
class TpsCommonAltStartup : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsCommonAltStartup)
};
// The all-users startup folder on every member of the NT family, XP and
// later included.
class TpsCommonStartup : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsCommonStartup)
};
class TpsCommonDesktopDirectory : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsCommonDesktopDirectory)
};
class TpsCommonFavorites : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsCommonFavorites)
};
class TpsCommonPrograms : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsCommonPrograms)
};
class TpsCommonStartMenu : public TpsShellFolder {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsCommonStartMenu)
};

// The Quick Launch folder below the application data folder, on every system;
// "undefined" without application data folder.
class TpsQuickLaunchMenu : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsQuickLaunchMenu)
  std::string GetPath(TComponent* Obj) override;
};

// The path of a shell folder, without trailing backslash; empty on any
// failure or without a shell.
std::string ShellFolderPath(platform::TPlatform& Platform, int Csidl);

} // namespace quendel
