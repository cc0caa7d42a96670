#include "paths/expand_paths.h"

#include "core/strings.h"
#include "model/install_container.h"
#include "model/model_context.h"
#include "system/os_version.h"
#include "system/registry_routines.h"

#include <cctype>

namespace quendel {

namespace {

// A platform without system information cannot tell its directories either.
platform::ISystemInfo& SystemOf(platform::TPlatform& Platform, const char* Failure) {
  if (!Platform.System) Raise<EAPIRoutines>(Failure);
  return *Platform.System;
}

std::string WindowsDir(platform::TPlatform& Platform) {
  return GetWindowsDir(SystemOf(Platform, "Could not retrieve the windows directory from windows"));
}

std::string Folder(platform::TPlatform& Platform, TRootKeyIndex Root, const char* Key,
                   const char* Value, const std::string& Default) {
  if (!Platform.Registry) return RemoveBackslash(Default);
  return RemoveBackslash(ReadRegString(*Platform.Registry, Root, Key, Value, Default));
}

std::string ShellFolder(platform::TPlatform& Platform, const char* Value,
                        const std::string& Default) {
  return Folder(Platform, rkiCurrentUser, ShellFoldersKey, Value, Default);
}

} // namespace

std::string StartMenuDir(platform::TPlatform& Platform) {
  return ShellFolder(Platform, "Start Menu", WindowsDir(Platform) + "\\Startmen");
}

std::string ProgramsMenuDir(platform::TPlatform& Platform) {
  return ShellFolder(Platform, "Programs", StartMenuDir(Platform) + "\\Programs");
}

std::string DesktopDir(platform::TPlatform& Platform) {
  return ShellFolder(Platform, "Desktop", WindowsDir(Platform) + "\\Desktop");
}

std::string StartupDir(platform::TPlatform& Platform) {
  return ShellFolder(Platform, "Startup", WindowsDir(Platform) + "\\Startup");
}

std::string CurrentDrive(platform::TPlatform& Platform) {
  if (!Platform.Files) return {};
  try {
    return ExtractFileDrive(Platform.Files->GetCurrentDir());
  } catch (const platform::EPlatformError&) {
    return {};
  }
}

std::string ProgramFilesDir(platform::TPlatform& Platform) {
  return Folder(Platform, rkiLocalMachine, CurrentVersionKey, "ProgramFilesDir",
                CurrentDrive(Platform) + "\\Program Files");
}

std::string CommonFilesDir(platform::TPlatform& Platform) {
  return Folder(Platform, rkiLocalMachine, CurrentVersionKey, "CommonFilesDir",
                CurrentDrive(Platform) + "\\Program Files\\Common Files");
}

namespace {

[[noreturn]] void ContainerDirFails(const char* Message) {
  Raise<EAICannotExpandContainerDirMV>(TranslateText(Message));
}

std::string Variable(char Letter, TInstallObject* Link, TModelContext& Context) {
  platform::TPlatform& P = Context.Platform();
  switch (std::tolower(static_cast<unsigned char>(Letter))) {
  case 'a':
    if (!Link) ContainerDirFails("Cannot expand the %a meta variable because the component is Nil");
    return Link->GetFullDestDir();
  case 'b':
    return ProgramsMenuDir(P);
  case 'c':
    if (!Link) ContainerDirFails("Cannot expand the %c meta variable because the component is Nil");
    if (!Link->Container())
      ContainerDirFails("Cannot expand the %c meta variable because the Container property is Nil");
    return Link->Container()->GetFullDestDir();
  case 'd':
    return DesktopDir(P);
  case 'f':
    return CommonFilesDir(P);
  case 'i':
    if (TInstallContainer* Root = Context.InstallRootContainer()) return Root->GetFullDestDir();
    Raise<EAICannotExpandInstallDirMV>(
        TranslateText("Cannot expand the %i meta variable because there is no TInstall component"));
  case 'm':
    return StartMenuDir(P);
  case 'p':
    return ProgramFilesDir(P);
  case 's':
    return GetSystemDir(SystemOf(P, "Could not retrieve the system directroy from windows"));
  case 'w':
    return WindowsDir(P);
  default:
    return {};
  }
}

} // namespace

std::string ExpandMetaVariables(const std::string& Text, TInstallObject* Link,
                                TModelContext& Context) {
  std::string Result;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != '%') {
      Result += Text[i];
    } else if (i + 1 < Text.size()) {
      const char Next = Text[++i];
      Result += Next == '%' ? std::string("%") : RemoveBackslash(Variable(Next, Link, Context));
    }
  }
  return Result;
}

std::string ExpandMetaVariables(const std::string& Text, TInstallObject* Link) {
  return ExpandMetaVariables(Text, Link, Link ? Link->Context() : CurrentModelContext());
}

} // namespace quendel
