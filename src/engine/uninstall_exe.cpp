#include "engine/uninstall_exe.h"

#include "core/strings.h"
#include "engine/install.h"
#include "uninstall/uninstall_log.h"

namespace quendel {

namespace {

// Destination directory with a trailing "\" and DestName of an install file
// processed in this run; "" for anything else.
std::string InstalledPath(TComponent* Object) {
  auto* File = dynamic_cast<TCustomInstallFile*>(Object);
  if (!File || !File->Entered()) return {};
  return AddBackslash(File->GetFullDestDir()) + File->DestName();
}

} // namespace

TUninstallEXE::TUninstallEXE(TComponent* AOwner) : TCustomInstallFile(AOwner) {
  // Whatever install type the user picks, the product can be removed again.
  SetInstallTypes(TInstallTypeSet{itFull, itDefault, itCompact, itCustom});
  SetNet(true);
}

void TUninstallEXE::WriteUninstallEntries(const std::string& KeyPath) {
  TCustomInstall* Root = CurrentInstall();
  if (!Root)
    Raise<IEUninstallEXE>("%s could not write information about the uninstall to the registry "
                          "because there was no TInstall component",
                          {Name()});
  const TInstallInformation& Info = Root->Information();
  // A blank name would write into the list of all products, one with "\"
  // into some other product's key.
  if (!IsValidProductName(Info.ProductName))
    Raise<IEUninstallEXE>("%s cannot register the product for uninstalling: the product name "
                          "\"%s\" is blank or holds \"\\\"",
                          {Name(), Info.ProductName});
  const TControlPanelExtensionInformation& X = Root->win2KExtendedInformation();
  TUninstallValues V;
  V.DisplayName = Trim(Info.ProductName);
  V.UninstallString =
      UninstallCommand(AddBackslash(GetFullDestDir()) + DestName(), Info.ProductName);
  V.Comments = X.Comments;
  V.Contact = X.Contact;
  V.DisplayIcon = InstalledPath(X.DisplayIcon);
  V.DisplayVersion = Info.Version;
  V.HelpLink = X.HelpLink;
  V.HelpTelephone = X.HelpTelephone;
  V.Publisher = Info.CompanyName;
  V.ProductID = X.ProductID;
  V.Readme = InstalledPath(X.ReadMe);
  V.URLInfoAbout = X.URLInfoAbout;
  V.URLUpdateInfo = X.URLUpdateInfo;
  std::string Key = KeyPath;
  while (!Key.empty() && Key.front() == '\\') Key.erase(0, 1);
  WriteUninstallValues(*Context().Platform().Registry, Key, V);
  Context().Log.Write("REGISTRY", "HKEY_LOCAL_MACHINE\\%s UninstallString=%s",
                      {Key, V.UninstallString});
}

const TClassInfo& TUninstallEXE::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TUninstallEXE> B("TUninstallEXE", &TCustomInstallFile::StaticClass);
    PublishInstallFile<TInstallFileTable::Uninstaller>(B);
    return B;
  });
}

} // namespace quendel
