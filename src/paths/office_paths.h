// Folders of Microsoft Office: templates, clip art, Word's startup and tools
// folders and the Office favorites, found through the installed Word's
// version and the keys that version keeps its settings under.
#pragma once

#include "paths/standard_paths.h"

#include <string>

namespace quendel {

// The installed Word's major version (8 for Office 97), from the class name
// HKEY_CLASSES_ROOT\Word.Document\CurVer gives ("Word.Document.8") when that
// class's server program exists; -1 otherwise.
int OfficeVersion(platform::TPlatform& Platform);

// The keys Office of a version keeps its settings under: "FileNew\<Name>"
// and Word's "Options". Versions 7 and 8 keep them in "\Software\Microsoft",
// 9 to 19 in "\Software\Policies\Microsoft"; other versions have none ("").
std::string OfficeTemplateKey(int Version, const std::string& Name);
std::string OfficeWordOptionsKey(int Version);

// The template folder Name (the default value of its FileNew key under
// HKEY_CURRENT_USER), or Default when Office is not there or the value is
// missing. Without trailing backslash.
std::string OfficeTemplateFolder(platform::TPlatform& Platform, const std::string& Name,
                                 const std::string& Default);
// Word's option ValueName, the same way.
std::string OfficeWordOption(platform::TPlatform& Platform, const std::string& ValueName,
                             const std::string& Default);

class TpsOfficeUserTemplates : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsOfficeUserTemplates)
  std::string GetPath(TComponent* Obj) override;
};

// Falls back to the user templates folder.
class TpsOfficeWorkgroupTemplates : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsOfficeWorkgroupTemplates)
  std::string GetPath(TComponent* Obj) override;
};

class TpsOfficeClipartDirectory : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsOfficeClipartDirectory)
  std::string GetPath(TComponent* Obj) override;
};

class TpsOfficeStartupDirectory : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsOfficeStartupDirectory)
  std::string GetPath(TComponent* Obj) override;
};

class TpsOfficeToolsDirectory : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsOfficeToolsDirectory)
  std::string GetPath(TComponent* Obj) override;
};

// The user's "Favorites" shell folder as the registry records it.
class TpsOfficeFavoritesDirectory : public TpsDescribed {
  QUENDEL_PATH_SPECIFIER_CLASS(TpsOfficeFavoritesDirectory)
  std::string GetPath(TComponent* Obj) override;
};

} // namespace quendel
