#include "paths/standard_paths.h"

#include "core/strings.h"
#include "model/file_container.h"
#include "model/install_container.h"
#include "model/install_group.h"
#include "model/model_context.h"
#include "paths/expand_paths.h"
#include "system/os_version.h"
#include "system/registry_routines.h"

namespace quendel {

namespace {

std::string NameOf(const TComponent* Obj) {
  return Obj ? Obj->Name() : std::string("nil");
}

// Obj as an install object with a container, or the specifier's error.
TInstallObject& RequireContained(TComponent* Obj, const std::string& DefaultName,
                                 const char* NoContainer) {
  auto* Install = dynamic_cast<TInstallObject*>(Obj);
  if (!Install)
    Raise<IEPathSpecifier>("%s must be a %s to use the %s path specifier",
                           {NameOf(Obj), "TInstallObject", DefaultName});
  if (!Install->Container()) Raise<IEPathSpecifier>(NoContainer, {NameOf(Obj)});
  return *Install;
}

void RequireInstallRoot(TModelContext& Context, TComponent* Obj) {
  if (!Context.InstallRootContainer())
    Raise<IEPathSpecifier>(
        "There is no TInstall component so the path specifier could not be expanded for %s",
        {NameOf(Obj)});
}

const IInstallRootSource* RootSource(TModelContext& Context) {
  return dynamic_cast<const IInstallRootSource*>(Context.InstallRoot);
}

std::string InstallSourceOf(TModelContext& Context) {
  const IInstallRootSource* Source = RootSource(Context);
  return Source ? RemoveBackslash(Source->InstallSource()) : std::string();
}

std::string DescriptionOf(TFileContainer& Container) {
  return Container.Description();
}

} // namespace

// ---- The install's own locations ---------------------------------------------------------

TpsContainerArchiveFile::TpsContainerArchiveFile(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path to the archive file of the container", "Container archive file") {}
const TClassInfo& TpsContainerArchiveFile::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsContainerArchiveFile>("TpsContainerArchiveFile",
                                                  &TStandardPathSpecifier::StaticClass);
  });
}

void TpsContainerArchiveFile::Validate(TComponent* Obj) {
  TInstallObject& Install = RequireContained(
      Obj, DefaultName(), "Cannot use ddContainerArchiveFile for %s unless you assign a Container");
  if (!dynamic_cast<TFileRelated*>(Install.Container()))
    Raise<IEPathSpecifier>(
        "Cannot use the ddContainerArchiveFile path specifier for %s because the "
        "Container is not a TFileRelated descendant",
        {NameOf(Obj)});
}

std::string TpsContainerArchiveFile::GetPath(TComponent* Obj) {
  Validate(Obj);
  return RemoveBackslash(
      static_cast<TFileRelated*>(static_cast<TInstallObject*>(Obj)->Container())
          ->GetFullArchiveFile());
}

TpsContainerDestDir::TpsContainerDestDir(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of the group (container)", "Path of the group (container)") {}
const TClassInfo& TpsContainerDestDir::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsContainerDestDir>("TpsContainerDestDir",
                                              &TStandardPathSpecifier::StaticClass);
  });
}

void TpsContainerDestDir::Validate(TComponent* Obj) {
  RequireContained(Obj, DefaultName(),
                   "Cannot use ddContainerDestDir for %s unless you assign a Container");
}

std::string TpsContainerDestDir::GetPath(TComponent* Obj) {
  Validate(Obj);
  return RemoveBackslash(static_cast<TInstallObject*>(Obj)->Container()->GetFullDestDir());
}

std::string TpsContainerDestDir::GetDescriptionFor(TComponent* Obj) {
  try {
    Validate(Obj);
    TInstallContainer& Container = *static_cast<TInstallObject*>(Obj)->Container();
    if (&Container == Context().InstallRootContainer()) return "Main installation directory";
    if (auto* Group = dynamic_cast<TCustomInstallGroup*>(&Container))
      return Format("Path of the <%s> group", {DescriptionOf(*Group)});
    if (auto* Dir = dynamic_cast<TFileContainer*>(&Container))
      return Format("Path of the <%s> directory", {DescriptionOf(*Dir)});
    return Format("Path of the <%s> group", {Container.Name()});
  } catch (const Exception&) {
    return GetDescription();
  }
}

std::string TpsContainerDestDir::GetCaptionFor(TComponent* Obj) {
  try {
    Validate(Obj);
    TInstallContainer& Container = *static_cast<TInstallObject*>(Obj)->Container();
    if (&Container == Context().InstallRootContainer()) return "Main installation directory";
    if (auto* Dir = dynamic_cast<TFileContainer*>(&Container))
      return Format("<%s>", {DescriptionOf(*Dir)});
    return Format("<%s>", {Container.Name()});
  } catch (const Exception&) {
    return GetDescription();
  }
}

TpsInstallSource::TpsInstallSource(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path from which the user ran the install", "Install source") {}
const TClassInfo& TpsInstallSource::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsInstallSource>("TpsInstallSource",
                                           &TStandardPathSpecifier::StaticClass);
  });
}

void TpsInstallSource::Validate(TComponent* Obj) {
  RequireInstallRoot(Context(), Obj);
}

std::string TpsInstallSource::GetPath(TComponent* Obj) {
  Validate(Obj);
  return InstallSourceOf(Context());
}

TpsMainInstall::TpsMainInstall(TComponent* AOwner)
    : TpsDescribed(AOwner, "Main installation directory", "Main install dir") {}
const TClassInfo& TpsMainInstall::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsMainInstall>("TpsMainInstall", &TStandardPathSpecifier::StaticClass);
  });
}

void TpsMainInstall::Validate(TComponent* Obj) {
  RequireInstallRoot(Context(), Obj);
  if (Obj && Obj == Context().InstallRootContainer())
    Raise<IEPathSpecifier>(
        "Cannot use the ddMainInstallDir path specifier for a TInstall component");
}

std::string TpsMainInstall::GetPath(TComponent* Obj) {
  Validate(Obj);
  return RemoveBackslash(Context().InstallRootContainer()->GetFullDestDir());
}

TpsMainArchiveFile::TpsMainArchiveFile(TComponent* AOwner)
    : TpsDescribed(AOwner, "Archive containing most or all non-internet installation files",
                   "Main archive") {}
const TClassInfo& TpsMainArchiveFile::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsMainArchiveFile>("TpsMainArchiveFile",
                                             &TStandardPathSpecifier::StaticClass);
  });
}

void TpsMainArchiveFile::Validate(TComponent* Obj) {
  RequireInstallRoot(Context(), Obj);
}

std::string TpsMainArchiveFile::GetPath(TComponent* Obj) {
  Validate(Obj);
  const IInstallRootSource* Source = RootSource(Context());
  if (Source && Source->SelfExtracting()) {
    const std::string Name = Source->SelfExtractName();
    if (Trim(Name).empty())
      Raise<IEInstall>("You forgot to pass in the name of the self-extracting executable. Usage "
                       "example: \"-eSetup.exe\"");
    return InstallSourceOf(Context()) + "\\" + Name;
  }
  if (!Trim(FArchiveDirectory).empty()) return RemoveBackslash(FArchiveDirectory) + "\\files.1";
  return InstallSourceOf(Context()) + "\\files.1";
}

// ---- The classic Windows folders -----------------------------------------------------------

TpsBDEDLL::TpsBDEDLL(TComponent* AOwner)
    : TpsDescribed(AOwner, "Borland Database Engine DLL Path", "BDE DLL") {}
const TClassInfo& TpsBDEDLL::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TpsBDEDLL>("TpsBDEDLL", &TStandardPathSpecifier::StaticClass); });
}

std::string TpsBDEDLL::GetPath(TComponent*) {
  platform::TPlatform& P = Context().Platform();
  std::string Path;
  if (P.Registry)
    Path = GetToken(ReadRegString(*P.Registry, rkiLocalMachine,
                                  "\\Software\\Borland\\Database Engine", "DLLPath", ""),
                    1, ';');
  // A list that starts with an empty field names no directory either.
  if (Path.empty()) Path = AddBackslash(ProgramFilesDir(P)) + "Borland\\Common Files\\BDE";
  return RemoveBackslash(Path);
}

TpsCommonFiles::TpsCommonFiles(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of the common files directory under the program files directory",
                   "Common files") {}
const TClassInfo& TpsCommonFiles::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsCommonFiles>("TpsCommonFiles", &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsCommonFiles::GetPath(TComponent*) {
  return CommonFilesDir(Context().Platform());
}

TpsDesktopMenu::TpsDesktopMenu(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of the Desktop", "Desktop") {}
const TClassInfo& TpsDesktopMenu::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsDesktopMenu>("TpsDesktopMenu", &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsDesktopMenu::GetPath(TComponent*) {
  return DesktopDir(Context().Platform());
}

TpsProgramFiles::TpsProgramFiles(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of the program files directory", "Program files") {}
const TClassInfo& TpsProgramFiles::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsProgramFiles>("TpsProgramFiles", &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsProgramFiles::GetPath(TComponent*) {
  return ProgramFilesDir(Context().Platform());
}

TpsProgramMenu::TpsProgramMenu(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of the Programs folder under the Start Menu", "Program menu") {}
const TClassInfo& TpsProgramMenu::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsProgramMenu>("TpsProgramMenu", &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsProgramMenu::GetPath(TComponent*) {
  return ProgramsMenuDir(Context().Platform());
}

TpsStartMenu::TpsStartMenu(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of Start Menu", "Start menu") {}
const TClassInfo& TpsStartMenu::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsStartMenu>("TpsStartMenu", &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsStartMenu::GetPath(TComponent*) {
  return StartMenuDir(Context().Platform());
}

TpsStartupMenu::TpsStartupMenu(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of the Startup folder in the Programs folder under the Start Menu",
                   "Startup menu") {}
const TClassInfo& TpsStartupMenu::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsStartupMenu>("TpsStartupMenu", &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsStartupMenu::GetPath(TComponent*) {
  return StartupDir(Context().Platform());
}

namespace {

platform::ISystemInfo& SystemOf(TModelContext& Context, const char* Failure) {
  platform::TPlatform& P = Context.Platform();
  if (!P.System) Raise<EAPIRoutines>(Failure);
  return *P.System;
}

} // namespace

TpsSystem::TpsSystem(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of system directory", "System dir") {}
const TClassInfo& TpsSystem::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TpsSystem>("TpsSystem", &TStandardPathSpecifier::StaticClass); });
}
std::string TpsSystem::GetPath(TComponent*) {
  return RemoveBackslash(
      GetSystemDir(SystemOf(Context(), "Could not retrieve the system directroy from windows")));
}

TpsWindow::TpsWindow(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of the Windows directory", "Windows dir") {}
const TClassInfo& TpsWindow::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TpsWindow>("TpsWindow", &TStandardPathSpecifier::StaticClass); });
}
std::string TpsWindow::GetPath(TComponent*) {
  return RemoveBackslash(
      GetWindowsDir(SystemOf(Context(), "Could not retrieve the windows directory from windows")));
}

// ---- The shell's special folders ---------------------------------------------------------------

std::string ShellFolderPath(platform::TPlatform& Platform, int Csidl) {
  if (!Platform.Shell) return {};
  platform::TErrorCode Error = platform::errSuccess;
  return RemoveBackslash(Platform.Shell->TrySpecialFolderPath(Csidl, Error));
}

std::string TpsShellFolder::GetPath(TComponent*) {
  const TOSVerType OS = Context().OSVersion();
  int Folder = NoFolder;
  if (osNTFamily.Contains(OS))
    Folder = FNTFolder;
  else if (os9xFamily.Contains(OS))
    Folder = FWin9xFolder;
  return Folder == NoFolder ? std::string(FOtherwise)
                            : ShellFolderPath(Context().Platform(), Folder);
}

namespace {
constexpr const char* Undefined = "undefined";
}

#define QUENDEL_SHELL_FOLDER(Name, Description, Caption, NT, Win9x, Otherwise)                     \
  Name::Name(TComponent* AOwner)                                                                   \
      : TpsShellFolder(AOwner, Description, Caption, NT, Win9x, Otherwise) {}                      \
  const TClassInfo& Name::StaticClass() {                                                          \
    return ClassTable(                                                                             \
        [] { return TClassBuilder<Name>(#Name, &TStandardPathSpecifier::StaticClass); });          \
  }

QUENDEL_SHELL_FOLDER(TpsRecent, "Recently Used Documents", "Recently Used", 8, NoFolder, Undefined)
QUENDEL_SHELL_FOLDER(TpsPrinters, "virtual folder containing installed printers",
                     "Installed Printers", 4, NoFolder, Undefined)
QUENDEL_SHELL_FOLDER(TpsCommonDesktopDirectory, "Common Desktop Directory", "Common Desktop", 25,
                     16, Undefined)
QUENDEL_SHELL_FOLDER(TpsFavorites, "Favorites", "Favorites", 6, NoFolder, Undefined)
QUENDEL_SHELL_FOLDER(TpsControlPanel, "Control Panel", "Control Panel", 3, NoFolder, "")
QUENDEL_SHELL_FOLDER(TpsBitBucket, "Recycle bin", "Recycle bin", 10, NoFolder, "")
QUENDEL_SHELL_FOLDER(TpsCookies, "Cookies", "Cookies", 33, NoFolder, "")
QUENDEL_SHELL_FOLDER(TpsSendTo, "Send To Menu", "Send To", 9, NoFolder, "")
QUENDEL_SHELL_FOLDER(TpsStartup, "User Startup", "Startup", 7, NoFolder, "")
QUENDEL_SHELL_FOLDER(TpsCommonAltStartup, "Alternate Startup folder for (All Users profile)",
                     "Common Alternate Startup folder", 30, 29, "")
QUENDEL_SHELL_FOLDER(TpsCommonStartMenu, "Common Start Menu", "Common Start Menu", 22, 11, "")
QUENDEL_SHELL_FOLDER(TpsCommonPrograms, "Common Programs", "Common Programs", 23, 2, "")
QUENDEL_SHELL_FOLDER(TpsCommonStartup, "Common Startup directory", "Common Startup", 24, 7, "")
QUENDEL_SHELL_FOLDER(TpsCommonFavorites, "Common Favorites", "Common Favorites", 31, 6, "")

#undef QUENDEL_SHELL_FOLDER

TpsQuickLaunchMenu::TpsQuickLaunchMenu(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path of the Quick Launch Toolbar Menu", "Quick Launch Toolbar menu") {}
const TClassInfo& TpsQuickLaunchMenu::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsQuickLaunchMenu>("TpsQuickLaunchMenu",
                                             &TStandardPathSpecifier::StaticClass);
  });
}

std::string TpsQuickLaunchMenu::GetPath(TComponent*) {
  const std::string AppData = ShellFolderPath(Context().Platform(), platform::csidlAppData);
  return AppData.empty() ? std::string(Undefined)
                         : AppData + "\\Microsoft\\Internet Explorer\\Quick Launch";
}

} // namespace quendel
