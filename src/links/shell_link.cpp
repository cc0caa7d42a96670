#include "links/shell_link.h"

#include "core/strings.h"
#include "model/install_file.h"
#include "model/install_group.h"
#include "paths/expand_paths.h"
#include "paths/standard_paths.h"
#include "platform/platform.h"
#include "system/registry_routines.h"
#include "uninstall/uninstall_log.h"

#include <cstdint>
#include <string_view>

namespace quendel {

constexpr const char* kMethodTypeInfo[] = {"mtAutoDetect", "mtShellLinkInterface"};
constinit const TEnumInfo MethodTypeInfo("TMethodType", kMethodTypeInfo);

namespace {

// What a path specifier gives for a folder the running system lacks.
constexpr std::string_view UndefinedFolder = "undefined";

// The destination of a group or shortcut: the specifier's path followed by
// DestDir. A folder that resolves to nothing would put the links into the
// current directory (or, through a relative path, the Windows directory):
// refuse it instead.
std::string ResolveFolder(TInstallContainer& Obj) {
  std::string Base;
  if (TCustomPathSpecifier* Specifier = Obj.DestDirType()) {
    Base = Specifier->GetPath(&Obj);
    if (Trim(Base).empty() || SameText(Trim(Base), UndefinedFolder))
      Raise<IEInstallShellLink>("Cannot install %s because its destination directory is blank or "
                                "undefined on this system",
                                {Obj.Name()});
  }
  std::string Folder = RemoveBackslash(Base + Obj.DestDir());
  if (Trim(Folder).empty())
    Raise<IEInstallShellLink>(
        "Cannot install %s because its destination directory is blank or undefined on this system",
        {Obj.Name()});
  return Folder;
}

TCustomPathSpecifier* FindSpecifier(TInstallContainer& Obj, const TClassInfo& Cls) {
  return Obj.Context().PathSpecifiers.Find(Cls);
}

// Characters a file name may not hold become "_": the double quote, "*",
// "/", ":", "<", ">", "?", "|" and the control characters. A backslash stays:
// it names a folder below the link's own.
std::string SubstituteLinkName(const std::string& Value) {
  std::string Name = Value;
  for (char& C : Name) {
    const auto U = static_cast<unsigned char>(C);
    if (U < 0x20 || C == '"' || C == '*' || C == '/' || C == ':' || C == '<' || C == '>' ||
        C == '?' || C == '|')
      C = '_';
  }
  return Name;
}

} // namespace

std::string EscapeMetaVariables(const std::string& Text) {
  std::string Out;
  for (const char C : Text) {
    Out += C;
    if (C == '%') Out += '%';
  }
  return Out;
}

// ---- TCustomShellLinkGroup ----------------------------------------------------------

const TClassInfo& TCustomShellLinkGroup::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TCustomShellLinkGroup>("TCustomShellLinkGroup",
                                                &TInstallObject::StaticClass);
  });
}

TCustomShellLinkGroup::TCustomShellLinkGroup(TComponent* AOwner)
    : TInstallObject(AOwner), FLinks(CurrentLinksContext()) {
  SetProcessWithContainer(false);
}

TCustomShellLinkGroup::~TCustomShellLinkGroup() = default;

std::string TCustomShellLinkGroup::FolderPath() {
  return ResolveFolder(*this);
}

void TCustomShellLinkGroup::CreateFolder() {
  Context().Platform().Files->ForceDirectories(FolderPath());
}

void TCustomShellLinkGroup::DoInstall() {
  Broadcast(this, ieCreateShellLinkGroup, nullptr);
  CreateFolder();
  TInstallObject::DoInstall();
}

void TCustomShellLinkGroup::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  TInstallObject::HandleEvent(Sender, Code, Param);
  if (Code == ieProcessShellLinkGroup) Process();
}

void TCustomShellLinkGroup::ContainerDestroying(TInstallContainer* Container) {
  const bool Mine = Container && Container == this->Container();
  TInstallObject::ContainerDestroying(Container);
  // A group lives inside its container: it goes with it.
  if (Mine && !IsDestroying()) Free();
}

// ---- TMainLinkGroup --------------------------------------------------------------------

const TClassInfo& TMainLinkGroup::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TMainLinkGroup> B("TMainLinkGroup", &TCustomShellLinkGroup::StaticClass);
    TInstallProps<TMainLinkGroup>::Container(B);
    TInstallProps<TMainLinkGroup>::DestDir(B);
    TInstallProps<TMainLinkGroup>::Include(B);
    TInstallProps<TMainLinkGroup>::OnAfterProcess(B);
    TInstallProps<TMainLinkGroup>::OnBeforeProcess(B);
    return B;
  });
}

TMainLinkGroup::TMainLinkGroup(TComponent* AOwner) : TCustomShellLinkGroup(AOwner) {
  if (Links().MainLinkGroup)
    Raise<IECustomShellLinkGroup>("You can only have one TMainLinkGroup component in your project");
  Links().MainLinkGroup = this;
  if (TCustomPathSpecifier* Menu = FindSpecifier(*this, TpsProgramMenu::StaticClass()))
    TInstallObject::SetDestDirType(Menu);
  IInstallRoot* Root = Context().InstallRoot;
  TInstallObject::SetDestDir(Root ? "\\" + Root->InstallRootProductName() : "\\MainFolderName");
}

TMainLinkGroup::~TMainLinkGroup() {
  if (Links().MainLinkGroup == this) Links().MainLinkGroup = nullptr;
}

void TMainLinkGroup::SetDestDirType(TCustomPathSpecifier*) {
  // The main group always lies below the Programs menu.
  if (!DestDirType())
    if (TCustomPathSpecifier* Menu = FindSpecifier(*this, TpsProgramMenu::StaticClass()))
      TInstallObject::SetDestDirType(Menu);
}

void TMainLinkGroup::Loaded() {
  TCustomShellLinkGroup::Loaded();
  SetDestDirType(nullptr); // the specifier may have been read after the group
}

// ---- TSubLinkGroup ----------------------------------------------------------------------

const TClassInfo& TSubLinkGroup::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TSubLinkGroup> B("TSubLinkGroup", &TCustomShellLinkGroup::StaticClass);
    TInstallProps<TSubLinkGroup>::Container(B);
    TInstallProps<TSubLinkGroup>::DestDir(B);
    TInstallProps<TSubLinkGroup>::Include(B);
    TInstallProps<TSubLinkGroup>::OnAfterProcess(B);
    TInstallProps<TSubLinkGroup>::OnBeforeProcess(B);
    return B;
  });
}

TSubLinkGroup::TSubLinkGroup(TComponent* AOwner) : TCustomShellLinkGroup(AOwner) {
  if (!Links().MainLinkGroup)
    Raise<IECustomShellLinkGroup>("To create a TInstallMainLink you must first have a "
                                  "TMainLinkGroup component in your project");
  SetContainer(Links().MainLinkGroup);
  SetDestDirType(nullptr);
  TInstallObject::SetDestDir("\\ASubGroup");
  Links().SubLinkGroups.Add(this);
}

TSubLinkGroup::~TSubLinkGroup() {
  Links().SubLinkGroups.Remove(this);
}

void TSubLinkGroup::SetContainer(TInstallContainer* Value) {
  if (Value && Value != Links().MainLinkGroup)
    Raise<IECustomShellLinkGroup>("The TMainLinkGroup component must be the Container for "
                                  "TInstallMainLink and TSubLinkGroup components");
  TCustomShellLinkGroup::SetContainer(Value);
}

void TSubLinkGroup::SetDestDirType(TCustomPathSpecifier*) {
  // Without a container there is no folder to point at (the group is on its
  // way out with its container).
  if (!Container()) return TInstallObject::SetDestDirType(nullptr);
  if (TCustomPathSpecifier* Own = FindSpecifier(*this, TpsContainerDestDir::StaticClass()))
    TInstallObject::SetDestDirType(Own);
}

void TSubLinkGroup::Loaded() {
  TCustomShellLinkGroup::Loaded();
  SetDestDirType(nullptr);
}

// ---- TCustomInstallShellLink --------------------------------------------------------

const TClassInfo& TCustomInstallShellLink::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TCustomInstallShellLink>("TCustomInstallShellLink",
                                                  &TInstallObject::StaticClass);
  });
}

TCustomInstallShellLink::TCustomInstallShellLink(TComponent* AOwner)
    : TInstallObject(AOwner), FLinks(CurrentLinksContext()) {
  SetProcessWithContainer(false);
  FLinks.ShellLinks.Add(this);
}

TCustomInstallShellLink::~TCustomInstallShellLink() {
  FLinks.ShellLinks.Remove(this);
  if (FObjectLink) FObjectLink->RemoveFreeNotification(this);
  if (FObjectLocationType) FObjectLocationType->RemoveFreeNotification(this);
}

std::string TCustomInstallShellLink::FolderPath() {
  return ResolveFolder(*this);
}

std::string TCustomInstallShellLink::LinkFilePath() {
  return AddBackslash(FolderPath()) + FLinkName;
}

std::string TCustomInstallShellLink::TargetPath() {
  if (FObjectLocationType) return FObjectLocationType->GetPath(this) + FObjectLocation;
  // A definition may name the linked object and nothing else (the location
  // type is derived only when ObjectLink is set outside loading): the
  // shortcut still points at that object, never at an empty target.
  if (FObjectLink && Trim(FObjectLocation).empty()) return ObjectLinkSpecifier().GetPath(this);
  return RemoveBackslash(FObjectLocation);
}

void TCustomInstallShellLink::SetLinkName(const std::string& Value) {
  std::string Name = SubstituteLinkName(Value);
  if (!IsLoading() && !Trim(Name).empty()) {
    const std::string Ext = UpperCase(ExtractFileExt(Name));
    if (Ext == ".URL") {
      FLinkName = Name;
      SetObjectLink(nullptr);
    } else if (Ext != ".LNK") {
      const std::string Previous = ExtractFileExt(FLinkName);
      Name = ChangeFileExt(Name, Previous.empty() ? ".LNK" : Previous);
    }
  }
  FLinkName = Name;
}

void TCustomInstallShellLink::SetObjectLink(TInstallContainer* Value) {
  if (Value == FObjectLink) return;
  if (FObjectLink) FObjectLink->RemoveFreeNotification(this);
  FObjectLink = Value;
  if (FObjectLink) FObjectLink->FreeNotification(this);
  if (IsLoading()) return;
  if (!Value) {
    SetObjectLocationType(nullptr);
    return;
  }
  SetObjectLocationType(&ObjectLinkSpecifier());
  FObjectLocation.clear();
  if (auto* File = dynamic_cast<TCustomInstallFile*>(Value))
    SetLinkName(ChangeFileExt(File->DestName(), ".lnk"));
  else if (auto* Directory = dynamic_cast<TInstallDirectory*>(Value))
    SetLinkName(Directory->Description() + ".lnk");
  else
    SetLinkName(Value->Name() + ".lnk");
  if (!Container()) SetContainer(Value);
}

void TCustomInstallShellLink::SetObjectLocation(const std::string& Value) {
  FObjectLocation = Value;
  if (FObjectLocationType && dynamic_cast<TpsObjectLink*>(FObjectLocationType)) {
    FObjectLocation.clear();
    return;
  }
  if (IsLoading() || !(Trim(FLinkName).empty() || UpperCase(FLinkName) == ".LNK")) return;
  const std::string Upper = UpperCase(Value);
  if (const std::size_t Http = Upper.find("HTTP://"); Http != std::string::npos)
    SetLinkName(Value.substr(Http + 7) + ".URL");
  else if (const std::size_t Ftp = Upper.find("FTP://"); Ftp != std::string::npos)
    SetLinkName(Value.substr(Ftp + 6) + ".URL");
  else
    SetLinkName(ChangeFileExt(ExtractFileName(Value), ""));
}

void TCustomInstallShellLink::SetObjectLocationType(TCustomPathSpecifier* Value) {
  if (Value && !IsLoading()) Value->Validate(this);
  if (FObjectLocationType) FObjectLocationType->RemoveFreeNotification(this);
  FObjectLocationType = Value;
  if (FObjectLocationType) FObjectLocationType->FreeNotification(this);
  if (dynamic_cast<TpsObjectLink*>(Value)) FObjectLocation.clear();
}

TCustomPathSpecifier& TCustomInstallShellLink::ObjectLinkSpecifier() {
  if (TCustomPathSpecifier* Found = FindSpecifier(*this, TpsObjectLink::StaticClass()))
    return *Found;
  TComponent* Form = Owner() ? Owner() : this;
  auto* Made = new TpsObjectLink(Form);
  std::string Name = Made->DefaultName();
  for (int i = 1; Form->FindComponent(Name); ++i) Name = Made->DefaultName() + std::to_string(i);
  Made->SetName(Name);
  return *Made;
}

void TCustomInstallShellLink::Notification(TComponent* AComponent, TOperation Operation) {
  TInstallObject::Notification(AComponent, Operation);
  if (Operation != opRemove || !AComponent) return;
  if (AComponent == FObjectLocationType) FObjectLocationType = nullptr;
  if (AComponent == FObjectLink) {
    FObjectLink = nullptr;
    // A shortcut to something that is gone has no reason to exist.
    if (!IsDestroying()) Free();
  }
}

void TCustomInstallShellLink::ContainerDestroying(TInstallContainer* Container) {
  const bool Mine = Container && Container == this->Container();
  TInstallObject::ContainerDestroying(Container);
  if (Mine && !IsDestroying()) Free();
}

void TCustomInstallShellLink::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  TInstallObject::HandleEvent(Sender, Code, Param);
  if (Code == ieProcessShellLink) Process();
}

void TCustomInstallShellLink::DoInstall() {
  if (Trim(FLinkName).empty())
    Raise<IEInstallShellLink>("The LinkName is blank for %s and therefore could not be installed",
                              {Name()});
  if (FObjectLink) {
    // A target that was not installed (excluded, filtered out) gets no link.
    if (!FObjectLink->Entered()) return;
    if (Links().IsUninstaller(*FObjectLink)) {
      IInstallRoot* Root = Context().InstallRoot;
      if (!Root)
        Raise<IEInstallShellLink>("%s cannot perform operation because there is no TInstall "
                                  "component",
                                  {Name()});
      // The arguments pass through meta-variable expansion: a "%" in the
      // product name must reach the uninstaller as it is.
      FParameters = EscapeMetaVariables(Root->InstallRootProductName());
    }
    if (auto* Group = dynamic_cast<TCustomShellLinkGroup*>(FObjectLink)) Group->CreateFolder();
  }
  const std::string LinkFile = LinkFilePath();
  if (LinkFile.size() > MaxLinkPath)
    Raise<IEInstallShellLink>(
        "The link file of %s is longer than Windows allows (%d characters): %s",
        {Name(), static_cast<std::int64_t>(MaxLinkPath), LinkFile});
  if (SameText(ExtractFileExt(FLinkName), ".URL")) {
    CreateInternetShortcut();
  } else if (FMethod == mtShellLinkInterface) {
    CreateShellLink();
  } else {
    switch (Context().OSVersion()) {
    case oswin95:
    case oswin98:
    case oswinME:
    case oswinNT:
      CreateShellLink();
      break;
    case oswin2K:
    case oswinXP:
      if (FHardLink) CreateHardLinkFile();
      else CreateShellLink();
      break;
    default:
      break; // a system this setup does not know gets no shortcut
    }
  }
  TInstallObject::DoInstall();
}

void TCustomInstallShellLink::CreateInternetShortcut() {
  platform::TPlatform& P = Context().Platform();
  try {
    P.Files->ForceDirectories(FolderPath());
    P.Links->WriteInternetShortcut(LinkFilePath(), FObjectLocation);
    Context().Log.Write("LINK", "%s -> %s", {LinkFilePath(), FObjectLocation});
  } catch (const platform::EPlatformError& E) {
    Raise<IEInstallShellLink>("The TCustomInstallShellLink %s name could not be installed. The "
                              "following error was reported %s",
                              {Name(), std::string(E.what())});
  }
}

void TCustomInstallShellLink::RaiseLinkError(std::uint32_t Code, const std::string& SystemText) {
  std::string Text;
  switch (Code) {
  case 0x8000FFFFu: Text = TranslateText("Indicates an unexpected error occurred"); break;
  case 0x80040110u:
    Text = TranslateText("Indicates this class cannot be created as part of an aggregate");
    break;
  case 0x80040154u:
    Text = TranslateText(
        "Indicates that a specified class is not registered in the registration database");
    break;
  case 0x8007000Eu: Text = TranslateText("Out of memory"); break;
  case 0x80070057u: Text = TranslateText("Indicates one or more arguments are invalid"); break;
  case 0: break;
  default: Text = SystemText; break;
  }
  Raise<IEInstallShellLink>(
      "The TCustomInstallShellLink %s name could not be installed. The "
      "following error was reported %s. Error code %d",
      {Name(), Text, static_cast<std::int64_t>(static_cast<std::int32_t>(Code))});
}

void TCustomInstallShellLink::CreateShellLink() {
  platform::TPlatform& P = Context().Platform();
  P.Files->ForceDirectories(FolderPath());
  const std::string Arguments = ExpandMetaVariables(FParameters, this, Context());
  platform::TShellLink Link;
  try {
    Link.Path = TargetPath();
    Link.HotKey = FHotKey;
    Link.Arguments = Arguments;
    Link.WorkingDirectory =
        Trim(FWorkingDir).empty() ? RemoveBackslash(ExtractFilePath(Link.Path)) : FWorkingDir;
    if (!Trim(FIconFilePath).empty()) {
      Link.IconPath = FIconFilePath;
      Link.IconIndex = FIconIndex;
    }
    const std::string Target = Link.Path;
    P.Links->SaveShellLink(LinkFilePath(), std::move(Link));
    Context().Log.Write("LINK", "%s -> %s", {LinkFilePath(), Target});
  } catch (const platform::EPlatformError& E) {
    RaiseLinkError(E.Code(), E.what());
  } catch (const IEInstallShellLink&) {
    throw;
  } catch (const Exception& E) {
    Raise<IEInstallShellLink>("The TCustomInstallShellLink %s name could not be installed. The "
                              "following error was reported %s",
                              {Name(), E.Message()});
  }
}

void TCustomInstallShellLink::CreateHardLinkFile() {
  platform::TPlatform& P = Context().Platform();
  P.Files->ForceDirectories(FolderPath());
  const std::string LinkFile = LinkFilePath();
  try {
    // A link an earlier install made is replaced, as a shell link is: the
    // new name cannot be made while the old one exists, and the old one
    // still names the file this run has just replaced.
    if (!SameText(LinkFile, TargetPath()) && P.Files->FileExists(LinkFile))
      P.Files->RemoveFile(LinkFile);
    P.Links->MakeHardLink(LinkFile, TargetPath());
    Context().Log.Write("LINK", "%s (hard link) -> %s", {LinkFilePath(), TargetPath()});
  } catch (const platform::EPlatformError& E) {
    if (E.Call() == "LoadLibraryA")
      Raise<IEInstallHardLink>("Could not create hardlink for %s", {"from unloadable Kernel32"});
    if (E.Call() == "GetProcAddress")
      Raise<IEInstallHardLink>("Could not create hardlink for %s", {"Kernel32"});
    Raise<IEInstallShellLink>("Could not create hardlink for %s", {Name()});
  }
}

void TCustomInstallShellLink::WriteUninstallEntries(const std::string& KeyPath) {
  // The log routines take the key below HKEY_LOCAL_MACHINE without its leading "\".
  const std::string Key = !KeyPath.empty() && KeyPath[0] == '\\' ? KeyPath.substr(1) : KeyPath;
  // Through the writer the install files use: it knows the count it wrote last.
  Context().UninstallLogWriter().Append(Key, LinkFilePath());
}

// ---- TInstallShellLink and TInstallSubLink ---------------------------------------------

namespace {

template <class T> constexpr void LinkProps(TClassBuilder<T>& B, bool Free) {
  using P = TInstallProps<T>;
  P::Container(B);
  P::DestDir(B);
  if (Free) P::DestDirType(B);
  P::Include(B);
  if (Free) B.template Bool<&T::HardLink, &T::SetHardLink>("HardLink", false);
  B.template Int<&T::HotKey, &T::SetHotKey>("HotKey", 0);
  if (Free) {
    B.template Str<&T::IconFilePath, &T::SetIconFilePath>("IconFilePath");
    B.template Int<&T::IconIndex, &T::SetIconIndex>("IconIndex", 0);
  }
  B.template Str<&T::LinkName, &T::SetLinkName>("LinkName");
  B.template Enum<&T::Method, &T::SetMethod>("Method", MethodTypeInfo, mtAutoDetect);
  B.template Ref<&T::ObjectLink, &T::SetObjectLink>("ObjectLink");
  B.template Str<&T::ObjectLocation, &T::SetObjectLocation>("ObjectLocation");
  B.template Ref<&T::ObjectLocationType, &T::SetObjectLocationType>("ObjectLocationType");
  B.template Str<&T::Parameters, &T::SetParameters>("Parameters");
  if (Free) B.template Str<&T::WorkingDir, &T::SetWorkingDir>("WorkingDir");
  P::Uninstall(B);
  P::OnAfterProcess(B);
  P::OnBeforeProcess(B);
}

} // namespace

const TClassInfo& TInstallShellLink::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TInstallShellLink> B("TInstallShellLink", &TCustomInstallShellLink::StaticClass);
    LinkProps(B, true);
    return B;
  });
}

const TClassInfo& TInstallSubLink::StaticClass() {
  return ClassTable([] {
    TClassBuilder<TInstallSubLink> B("TInstallSubLink", &TCustomInstallShellLink::StaticClass);
    LinkProps(B, false);
    return B;
  });
}

TInstallSubLink::TInstallSubLink(TComponent* AOwner) : TCustomInstallShellLink(AOwner) {
  if (Links().SubLinkGroups.Count() == 0)
    Raise<IEInstallShellLink>("To create a TInstallSubLink you must first have at least one "
                              "TSubLinkGroup component in your project");
  SetContainer(Links().SubLinkGroups.Items(0));
  SetDestDirType(nullptr);
}

void TInstallSubLink::SetContainer(TInstallContainer* Value) {
  if (Value && !dynamic_cast<TSubLinkGroup*>(Value))
    Raise<IEInstallShellLink>(
        "A TSubLinkGroup component must be the Container for TInstallSubLink components");
  TCustomInstallShellLink::SetContainer(Value);
}

void TInstallSubLink::SetDestDirType(TCustomPathSpecifier*) {
  if (!Container()) return TInstallObject::SetDestDirType(nullptr);
  if (TCustomPathSpecifier* Own = FindSpecifier(*this, TpsContainerDestDir::StaticClass()))
    TInstallObject::SetDestDirType(Own);
}

void TInstallSubLink::SetObjectLink(TInstallContainer* Value) {
  TCustomInstallShellLink::SetObjectLink(Value);
}

void TInstallSubLink::Loaded() {
  TCustomInstallShellLink::Loaded();
  SetDestDirType(nullptr);
}

// ---- TpsObjectLink -------------------------------------------------------------------------

const TClassInfo& TpsObjectLink::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TpsObjectLink>("TpsObjectLink", &TCustomPathSpecifier::StaticClass);
  });
}

void TpsObjectLink::Validate(TComponent* Obj) {
  auto* Link = dynamic_cast<TCustomInstallShellLink*>(Obj);
  if (!Link)
    Raise<IEPathSpecifier>(
        "%s must be a %s to use the %s path specifier",
        {Obj ? Obj->Name() : std::string("nil"), "TCustomInstallShellLink", "psObjectLink"});
  if (!Link->ObjectLink())
    Raise<IEPathSpecifier>("Cannot use ddObjectLink for %s unless you assign a value to ObjectLink",
                           {Link->Name()});
}

std::string TpsObjectLink::GetDescription() {
  return "Path of the file or file group in the ObjectLink property";
}

std::string TpsObjectLink::GetPath(TComponent* Obj) {
  Validate(Obj);
  TInstallContainer& Target = *static_cast<TCustomInstallShellLink*>(Obj)->ObjectLink();
  if (auto* File = dynamic_cast<TCustomInstallFile*>(&Target))
    return RemoveBackslash(AddBackslash(Target.GetFullDestDir()) + File->DestName());
  if (auto* Group = dynamic_cast<TCustomShellLinkGroup*>(&Target))
    return Group->FolderPath();
  return RemoveBackslash(Target.GetFullDestDir());
}

void RegisterLinkClasses() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TCustomShellLinkGroup>();
  R.Register<TMainLinkGroup>();
  R.Register<TSubLinkGroup>();
  R.Register<TCustomInstallShellLink>();
  R.Register<TInstallShellLink>();
  R.Register<TInstallSubLink>();
  R.Register<TpsObjectLink>();
}

} // namespace quendel
