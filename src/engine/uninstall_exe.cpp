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
    throw IEUninstallEXE("%s could not write information about the uninstall to the registry "
                         "because there was no TInstall component",
                         {Name()});
  const TInstallInformation& Info = Root->Information();
  // A blank name would write into the list of all products, one with "\"
  // into some other product's key.
  if (!IsValidProductName(Info.ProductName))
    throw IEUninstallEXE("%s cannot register the product for uninstalling: the product name "
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
  Context().Log.Write("REGISTRY", "HKEY_LOCAL_MACHINE\\" + Key + " UninstallString=" + V.UninstallString);
}

const TClassInfo& TUninstallEXE::StaticClass() {
  static const TClassInfo Info = [] {
    using T = TUninstallEXE;
    using P = TInstallProps<T>;
    using F = TFileRelatedProps<T>;
    using Ev = TCustomInstallFile::TInstallFileNotifyEvent;
    TClassBuilder<T> B("TUninstallEXE", TCustomInstallFile::StaticClass());
    F::AddToArchive(B);
    F::ArchiveFile(B);
    F::ArchiveFileType(B);
    P::Container(B);
    P::DestDir(B);
    P::DestDirType(B);
    B.Str("DestName", &T::DestName, &T::SetDestName);
    B.Str("FileName", &T::FileName, &T::SetFileName);
    B.Enum("FileType", &T::FileType, &T::SetFileType, InstallFileTypeInfo, iftNormal);
    B.Str("IncludeFromDir", &T::IncludeFromDir, &T::SetIncludeFromDir);
    P::Include(B);
    P::InstallTypes(B);
    F::Net(B, true);
    F::NetLocation(B);
    P::Order(B);
    B.Enum("OverwriteMode", &T::OverwriteMode, &T::SetOverwriteMode, OverwriteTypeInfo(),
           owAlways);
    B.Bool("UpdateDLLCounter", &T::UpdateDLLCounter, &T::SetUpdateDLLCounter, false);
    B.Event("OnAfterCompress", static_cast<Ev T::*>(&T::OnAfterCompress));
    B.Event("OnAfterCopy", static_cast<Ev T::*>(&T::OnAfterCopy));
    B.Event("OnAfterInstall", static_cast<Ev T::*>(&T::OnAfterInstall));
    B.Event("OnBeforeCompress", static_cast<Ev T::*>(&T::OnBeforeCompress));
    B.Event("OnBeforeCopy", static_cast<Ev T::*>(&T::OnBeforeCopy));
    B.Event("OnBeforeInstall", static_cast<Ev T::*>(&T::OnBeforeInstall));
    B.Event("OnNewDisk", static_cast<TCustomInstallFile::TInstallFileNewDiskEvent T::*>(
                             &T::OnNewDisk));
    B.Event("OnReplacing", static_cast<Ev T::*>(&T::OnReplacing));
    B.Event("OnStatus",
            static_cast<TCustomInstallFile::TInstallFileStatusEvent T::*>(&T::OnStatus));
    return B.Build();
  }();
  return Info;
}

} // namespace quendel
