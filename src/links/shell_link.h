// Program-folder groups and shortcuts. The main link group is the product's
// folder below the Programs menu; sub link groups are folders inside it;
// shortcuts are shell links (".lnk"), internet shortcuts (".URL") or hard
// links, inside a sub group or anywhere a path specifier names. Groups and
// shortcuts wait for their own install phases (groups 7000, shortcuts 8000)
// so that every target exists when its shortcut is made.
#pragma once

#include "links/links_context.h"
#include "model/install_container.h"

#include <cstdint>
#include <string>

namespace quendel {

QUENDEL_EXCEPTION(IECustomShellLinkGroup, IException);
QUENDEL_EXCEPTION(IEInstallShellLink, IException);
QUENDEL_EXCEPTION(IEInstallHardLink, IException);

enum TMethodType { mtAutoDetect, mtShellLinkInterface };
extern const TEnumInfo MethodTypeInfo;

// Install events that would make a group (-969) or a shortcut (-970) process
// itself, and the one a group sends to its helpers before making its folder.
inline constexpr int ieProcessShellLinkGroup = -969;
inline constexpr int ieProcessShellLink = -970;
inline constexpr int ieCreateShellLinkGroup = -991;

// The longest path Windows takes for a file (MAX_PATH without the terminator).
inline constexpr std::size_t MaxLinkPath = 259;

class TCustomShellLinkGroup : public TInstallObject {
public:
  explicit TCustomShellLinkGroup(TComponent* AOwner);
  ~TCustomShellLinkGroup() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  int RegisteredType() const override { return ikShellLinkGroup; }
  // Tells the helpers (-991), makes the folder with its parents, then the
  // container pass (shortcuts are not processed there).
  void DoInstall() override;
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
  void ContainerDestroying(TInstallContainer* Container) override;

  // The destination directory; raises IECustomShellLinkGroup when it
  // resolves to nothing or to "undefined" (a folder the system lacks).
  std::string FolderPath();
  void CreateFolder();

protected:
  TLinksContext& Links() const { return FLinks; }

private:
  TLinksContext& FLinks;
};

class TMainLinkGroup : public TCustomShellLinkGroup {
public:
  // Raises when the process already has one.
  explicit TMainLinkGroup(TComponent* AOwner);
  ~TMainLinkGroup() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Always the Programs menu: a new value is ignored.
  void SetDestDirType(TCustomPathSpecifier* Value) override;
  void Loaded() override;
};

class TSubLinkGroup : public TCustomShellLinkGroup {
public:
  // Raises without a main link group, and takes it as container.
  explicit TSubLinkGroup(TComponent* AOwner);
  ~TSubLinkGroup() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Only the main link group.
  void SetContainer(TInstallContainer* Value) override;
  // Always the container's folder.
  void SetDestDirType(TCustomPathSpecifier* Value) override;
  void Loaded() override;
};

class TCustomInstallShellLink : public TInstallObject {
public:
  explicit TCustomInstallShellLink(TComponent* AOwner);
  ~TCustomInstallShellLink() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  int RegisteredType() const override { return ikShellLink; }
  void DoInstall() override;
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
  void ContainerDestroying(TInstallContainer* Container) override;
  // One log entry: the link file.
  void WriteUninstallEntries(const std::string& KeyPath) override;

  // ---- Derived paths ------------------------------------------------------------
  // The destination directory (see TCustomShellLinkGroup::FolderPath).
  std::string FolderPath();
  // The folder, a backslash and LinkName.
  std::string LinkFilePath();
  // ObjectLocationType's path for this shortcut followed by ObjectLocation,
  // or ObjectLocation alone without a trailing backslash.
  std::string TargetPath();

  // ---- Properties -----------------------------------------------------------------
  bool HardLink() const { return FHardLink; }
  void SetHardLink(bool Value) { FHardLink = Value; }
  std::uint16_t HotKey() const { return FHotKey; }
  void SetHotKey(std::uint16_t Value) { FHotKey = Value; }
  const std::string& IconFilePath() const { return FIconFilePath; }
  void SetIconFilePath(const std::string& Value) { FIconFilePath = Value; }
  int IconIndex() const { return FIconIndex; }
  void SetIconIndex(int Value) { FIconIndex = Value; }
  const std::string& LinkName() const { return FLinkName; }
  void SetLinkName(const std::string& Value);
  TMethodType Method() const { return FMethod; }
  void SetMethod(TMethodType Value) { FMethod = Value; }
  TInstallContainer* ObjectLink() const { return FObjectLink; }
  virtual void SetObjectLink(TInstallContainer* Value);
  const std::string& ObjectLocation() const { return FObjectLocation; }
  void SetObjectLocation(const std::string& Value);
  TCustomPathSpecifier* ObjectLocationType() const { return FObjectLocationType; }
  void SetObjectLocationType(TCustomPathSpecifier* Value);
  const std::string& Parameters() const { return FParameters; }
  void SetParameters(const std::string& Value) { FParameters = Value; }
  const std::string& WorkingDir() const { return FWorkingDir; }
  void SetWorkingDir(const std::string& Value) { FWorkingDir = Value; }

  // The object-link specifier of this shortcut's form, made when missing.
  TCustomPathSpecifier& ObjectLinkSpecifier();

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  TLinksContext& Links() const { return FLinks; }

private:
  void CreateInternetShortcut();
  void CreateShellLink();
  void CreateHardLinkFile();
  [[noreturn]] void RaiseLinkError(std::uint32_t Code, const std::string& SystemText);

  TLinksContext& FLinks;
  bool FHardLink = false;
  std::uint16_t FHotKey = 0;
  std::string FIconFilePath;
  int FIconIndex = 0;
  std::string FLinkName;
  TMethodType FMethod = mtAutoDetect;
  TInstallContainer* FObjectLink = nullptr;
  std::string FObjectLocation;
  TCustomPathSpecifier* FObjectLocationType = nullptr;
  std::string FParameters;
  std::string FWorkingDir;
};

// A free-standing shortcut (the desktop, the Startup folder, anywhere).
class TInstallShellLink : public TCustomInstallShellLink {
public:
  explicit TInstallShellLink(TComponent* AOwner) : TCustomInstallShellLink(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// A shortcut inside a sub link group.
class TInstallSubLink : public TCustomInstallShellLink {
public:
  // Raises without a sub link group, and takes the first as container.
  explicit TInstallSubLink(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Only a sub link group.
  void SetContainer(TInstallContainer* Value) override;
  // Always the container's folder.
  void SetDestDirType(TCustomPathSpecifier* Value) override;
  void SetObjectLink(TInstallContainer* Value) override;
  void Loaded() override;
};

// The path of what a shortcut's ObjectLink names: an install file's full
// path, or another object's destination directory.
class TpsObjectLink : public TCustomPathSpecifier {
public:
  explicit TpsObjectLink(TComponent* AOwner) : TCustomPathSpecifier(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  void Validate(TComponent* Obj) override;
  std::string GetDescription() override;
  std::string GetPath(TComponent* Obj) override;
};

// "%" doubled, so that meta-variable expansion gives the text back.
std::string EscapeMetaVariables(const std::string& Text);

// Registers the classes of this layer with the class registry.
void RegisterLinkClasses();

} // namespace quendel
