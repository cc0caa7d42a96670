#include "paths/office_paths.h"

#include "core/strings.h"
#include "model/model_context.h"
#include "paths/expand_paths.h"
#include "system/os_version.h"
#include "system/registry_routines.h"

namespace quendel {

namespace {

std::string ReadString(platform::TPlatform& Platform, TRootKeyIndex Root, const std::string& Key,
                       const std::string& Ident, const std::string& Default) {
  return Platform.Registry ? ReadRegString(*Platform.Registry, Root, Key, Ident, Default) : Default;
}

// The text after the second dot, or nothing when there are fewer than two.
bool AfterSecondDot(const std::string& Text, std::string& Rest) {
  const std::size_t First = Text.find('.');
  if (First == std::string::npos) return false;
  const std::size_t Second = Text.find('.', First + 1);
  if (Second == std::string::npos) return false;
  Rest = Text.substr(Second + 1);
  return true;
}

bool KnownVersion(int Version) {
  return Version >= 7 && Version <= 19;
}

std::string OfficeKey(int Version, const std::string& Rest) {
  if (!KnownVersion(Version)) return {};
  const char* Base = Version <= 8 ? "\\Software\\Microsoft\\Office\\"
                                  : "\\Software\\Policies\\Microsoft\\Office\\";
  return Base + IntToStr(Version) + ".0\\" + Rest;
}

std::string OfficeValue(platform::TPlatform& Platform, const std::string& Key,
                        const std::string& Ident, const std::string& Default) {
  if (Key.empty()) return Default;
  return RemoveBackslash(ReadString(Platform, rkiCurrentUser, Key, Ident, Default));
}

std::string InProgramFiles(platform::TPlatform& Platform, const char* Subdirectory) {
  return ProgramFilesDir(Platform) + "\\" + Subdirectory;
}

} // namespace

int OfficeVersion(platform::TPlatform& Platform) {
  const std::string ClassName =
      ReadString(Platform, rkiClassesRoot, "\\Word.Document\\CurVer", "", "");
  std::string Rest;
  if (!AfterSecondDot(ClassName, Rest)) return -1;
  const std::string Server = ReadString(
      Platform, rkiClassesRoot, "\\" + ClassName + "\\protocol\\StdFileEditing\\server", "", "");
  if (Server.empty() || !Platform.Files || !Platform.Files->FileExists(Server)) return -1;
  return StrToIntDef(Rest, -1);
}

std::string OfficeTemplateKey(int Version, const std::string& Name) {
  return OfficeKey(Version, "Common\\FileNew\\" + Name);
}

std::string OfficeWordOptionsKey(int Version) {
  return OfficeKey(Version, "Word\\Options");
}

std::string OfficeTemplateFolder(platform::TPlatform& Platform, const std::string& Name,
                                 const std::string& Default) {
  return OfficeValue(Platform, OfficeTemplateKey(OfficeVersion(Platform), Name), "", Default);
}

std::string OfficeWordOption(platform::TPlatform& Platform, const std::string& ValueName,
                             const std::string& Default) {
  return OfficeValue(Platform, OfficeWordOptionsKey(OfficeVersion(Platform)), ValueName, Default);
}

TpsOfficeUserTemplates::TpsOfficeUserTemplates(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path to the MS Office User Templates directory", "User Templates") {}
const TClassInfo& TpsOfficeUserTemplates::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsOfficeUserTemplates>("TpsOfficeUserTemplates",
                                                 &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsOfficeUserTemplates::GetPath(TComponent*) {
  platform::TPlatform& P = Context().Platform();
  return OfficeTemplateFolder(P, "LocalTemplates",
                              InProgramFiles(P, "Microsoft Office\\Templates"));
}

TpsOfficeWorkgroupTemplates::TpsOfficeWorkgroupTemplates(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path to the MS Office Workgroup Templates directory",
                   "Workgroup Templates") {}
const TClassInfo& TpsOfficeWorkgroupTemplates::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsOfficeWorkgroupTemplates>("TpsOfficeWorkgroupTemplates",
                                                      &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsOfficeWorkgroupTemplates::GetPath(TComponent*) {
  platform::TPlatform& P = Context().Platform();
  const std::string User =
      OfficeTemplateFolder(P, "LocalTemplates", InProgramFiles(P, "Microsoft Office\\Templates"));
  return OfficeTemplateFolder(P, "SharedTemplates", User);
}

TpsOfficeClipartDirectory::TpsOfficeClipartDirectory(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path to the MS Office Clipart directory", "Office Clipart dir") {}
const TClassInfo& TpsOfficeClipartDirectory::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsOfficeClipartDirectory>("TpsOfficeClipartDirectory",
                                                    &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsOfficeClipartDirectory::GetPath(TComponent*) {
  platform::TPlatform& P = Context().Platform();
  return OfficeWordOption(P, "PICTURE-PATH", InProgramFiles(P, "Microsoft Office\\Clipart"));
}

TpsOfficeStartupDirectory::TpsOfficeStartupDirectory(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path to the MS Office Startup directory", "Office Startup dir") {}
const TClassInfo& TpsOfficeStartupDirectory::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsOfficeStartupDirectory>("TpsOfficeStartupDirectory",
                                                    &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsOfficeStartupDirectory::GetPath(TComponent*) {
  platform::TPlatform& P = Context().Platform();
  return OfficeWordOption(P, "STARTUP-PATH",
                          InProgramFiles(P, "Microsoft Office\\Office\\Startup"));
}

TpsOfficeToolsDirectory::TpsOfficeToolsDirectory(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path to the MS Office Tools directory", "Office Tools dir") {}
const TClassInfo& TpsOfficeToolsDirectory::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsOfficeToolsDirectory>("TpsOfficeToolsDirectory",
                                                  &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsOfficeToolsDirectory::GetPath(TComponent*) {
  platform::TPlatform& P = Context().Platform();
  return OfficeWordOption(P, "TOOLS-PATH", InProgramFiles(P, "Microsoft Office\\Office"));
}

TpsOfficeFavoritesDirectory::TpsOfficeFavoritesDirectory(TComponent* AOwner)
    : TpsDescribed(AOwner, "Path to the MS Office Favorites directory", "Office Favorites dir") {}
const TClassInfo& TpsOfficeFavoritesDirectory::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsOfficeFavoritesDirectory>("TpsOfficeFavoritesDirectory",
                                                      &TStandardPathSpecifier::StaticClass);
  });
}
std::string TpsOfficeFavoritesDirectory::GetPath(TComponent*) {
  platform::TPlatform& P = Context().Platform();
  if (!P.System) Raise<EAPIRoutines>("Could not retrieve the windows directory from windows");
  const std::string Default = GetWindowsDir(*P.System) + "\\Favorites";
  return RemoveBackslash(ReadString(P, rkiCurrentUser, ShellFoldersKey, "Favorites", Default));
}

} // namespace quendel
