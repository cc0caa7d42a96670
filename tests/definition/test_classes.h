// Stand-ins for the install classes a definition names, with the property
// shapes the real ones have (references, sub-objects, string lists, pictures,
// sets, enumerations, extra stored values, events). They record the order of
// their reference writers and Loaded calls in a shared log.
#pragma once

#include "core/component.h"
#include "core/reflection.h"
#include "definition/loader.h"

#include <string>
#include <vector>

namespace quendel::deftest {

// What the objects did, in order: "Loaded Name", "Container Name=Target".
inline std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

enum TInstallType { itFull, itDefault, itCompact, itCustom };
using TInstallTypeSet = TSet<TInstallType>;
inline const TEnumInfo InstallTypeInfo("TInstallType",
                                       {"itFull", "itDefault", "itCompact", "itCustom"});
inline const TInstallTypeSet AllInstallTypes{itFull, itDefault, itCompact, itCustom};

enum TOverwriteType { owAlways, owNever, owVersion, owDate, owVersionDate, owAsk };
inline const TEnumInfo OverwriteTypeInfo("TOverwriteType", {"owAlways", "owNever", "owVersion",
                                                            "owDate", "owVersionDate", "owAsk"});

class TCustomPathSpecifier : public TComponent {
public:
  using TComponent::TComponent;
  static const TClassInfo& StaticClass() {
    static const TClassInfo Info =
        TClassBuilder<TCustomPathSpecifier>("TCustomPathSpecifier", TComponent::StaticClass())
            .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  virtual std::string Kind() const = 0;
};

class TpsProgramFiles : public TCustomPathSpecifier {
public:
  using TCustomPathSpecifier::TCustomPathSpecifier;
  static const TClassInfo& StaticClass() {
    static const TClassInfo Info =
        TClassBuilder<TpsProgramFiles>("TpsProgramFiles", TCustomPathSpecifier::StaticClass())
            .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string Kind() const override { return "ProgramFiles"; }
};

class TpsContainerDestDir : public TCustomPathSpecifier {
public:
  using TCustomPathSpecifier::TCustomPathSpecifier;
  static const TClassInfo& StaticClass() {
    static const TClassInfo Info = TClassBuilder<TpsContainerDestDir>(
                                       "TpsContainerDestDir", TCustomPathSpecifier::StaticClass())
                                       .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string Kind() const override { return "ContainerDestDir"; }
};

// The container tree: a reference to the container, whose writer links the
// object into the container's children (newest first, as the real tree does).
class TInstallContainer : public TComponent {
public:
  using TComponent::TComponent;
  ~TInstallContainer() override {
    if (FContainer) std::erase(FContainer->Children, this);
    for (TInstallContainer* c : Children)
      c->FContainer = nullptr;
  }
  static const TClassInfo& StaticClass() {
    using T = TInstallContainer;
    static const TClassInfo Info = TClassBuilder<T>("TInstallContainer", TComponent::StaticClass())
                                       .Ref("Container", &T::Container, &T::SetContainer)
                                       .Bool("Include", &T::Include, &T::Include, true)
                                       .Set("InstallTypes", &T::InstallTypes, &T::InstallTypes,
                                            InstallTypeInfo, AllInstallTypes)
                                       .Event("OnBeforeProcess", &T::OnBeforeProcess)
                                       .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TInstallContainer* Container() const { return FContainer; }
  void SetContainer(TInstallContainer* C) {
    if (C == FContainer) return;
    if (FContainer) std::erase(FContainer->Children, this);
    FContainer = C;
    if (C) {
      C->Children.insert(C->Children.begin(), this);
      FreeNotification(C);
    }
    Log().push_back("Container " + Name() + "=" + (C ? C->Name() : "nil"));
  }

  void Loaded() override {
    TComponent::Loaded();
    Log().push_back("Loaded " + Name());
  }

  bool Include = true;
  TInstallTypeSet InstallTypes = AllInstallTypes;
  std::vector<TInstallContainer*> Children;
  std::function<void(TInstallContainer*)> OnBeforeProcess;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove) {
      if (AComponent == FContainer) FContainer = nullptr;
      std::erase(Children, AComponent);
    }
    TComponent::Notification(AComponent, Operation);
  }

private:
  TInstallContainer* FContainer = nullptr;
};

class TBuildInfo : public TPersistent {
public:
  static const TClassInfo& StaticClass() {
    static const TClassInfo Info =
        TClassBuilder<TBuildInfo>("TBuildInfo", TPersistent::StaticClass())
            .Str("BuildDirectory", &TBuildInfo::BuildDirectory, &TBuildInfo::BuildDirectory)
            .Bool("Compress", &TBuildInfo::Compress, &TBuildInfo::Compress, true)
            .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string BuildDirectory;
  bool Compress = true;
};

class TInformation : public TPersistent {
public:
  static const TClassInfo& StaticClass() {
    static const TClassInfo Info =
        TClassBuilder<TInformation>("TInformation", TPersistent::StaticClass())
            .Str("ProductName", &TInformation::ProductName, &TInformation::ProductName)
            .Str("Version", &TInformation::Version, &TInformation::Version)
            .Float("Rating", &TInformation::Rating, &TInformation::Rating)
            .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string ProductName;
  std::string Version;
  double Rating = 0;
};

class TInstall : public TInstallContainer {
public:
  using TInstallContainer::TInstallContainer;
  static const TClassInfo& StaticClass() {
    using T = TInstall;
    static const TClassInfo Info = TClassBuilder<T>("TInstall", TInstallContainer::StaticClass())
                                       .Str("DestDir", &T::DestDir, &T::DestDir)
                                       .Ref("DestDirType", &T::DestDirType, &T::SetDestDirType)
                                       .Object("BuildInfo", &T::BuildInfo)
                                       .Object("Information", &T::Information)
                                       .Strings("ReadmeText", &T::ReadmeText)
                                       .Int("DiskSize", &T::DiskSize, &T::DiskSize, 0)
                                       .Str("Version", &T::Version, nullptr)
                                       .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TCustomPathSpecifier* DestDirType = nullptr;
  void SetDestDirType(TCustomPathSpecifier* P) {
    DestDirType = P;
    if (P) FreeNotification(P);
  }
  std::string DestDir;
  TBuildInfo BuildInfo;
  TInformation Information;
  TStringList ReadmeText;
  std::int32_t DiskSize = 0;
  std::string Version = "1.0"; // read-only

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove && AComponent == DestDirType) DestDirType = nullptr;
    TInstallContainer::Notification(AComponent, Operation);
  }
};

class TDialogOptions : public TPersistent {
public:
  static const TClassInfo& StaticClass() {
    static const TClassInfo Info =
        TClassBuilder<TDialogOptions>("TDialogOptions", TPersistent::StaticClass())
            .Bool("AllowExcludeInclude", &TDialogOptions::AllowExcludeInclude,
                  &TDialogOptions::AllowExcludeInclude, false)
            .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  bool AllowExcludeInclude = false;
};

class TInstallGroup : public TInstallContainer {
public:
  using TInstallContainer::TInstallContainer;
  static const TClassInfo& StaticClass() {
    using T = TInstallGroup;
    static const TClassInfo Info =
        TClassBuilder<T>("TInstallGroup", TInstallContainer::StaticClass())
            .Str("GroupName", &T::GroupName, &T::GroupName)
            .Object("DialogOptions", &T::DialogOptions)
            .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string GroupName;
  TDialogOptions DialogOptions;
};

class TInstallDirectory : public TInstallContainer {
public:
  using TInstallContainer::TInstallContainer;
  static const TClassInfo& StaticClass() {
    using T = TInstallDirectory;
    static const TClassInfo Info =
        TClassBuilder<T>("TInstallDirectory", TInstallContainer::StaticClass())
            .Str("DestName", &T::DestName, &T::DestName)
            .Ref("DestDirType", &T::DestDirType, &T::DestDirType)
            .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string DestName;
  TCustomPathSpecifier* DestDirType = nullptr;
};

class TInstallFile : public TInstallContainer {
public:
  using TInstallContainer::TInstallContainer;
  static const TClassInfo& StaticClass() {
    using T = TInstallFile;
    static const TClassInfo Info =
        TClassBuilder<T>("TInstallFile", TInstallContainer::StaticClass())
            .Str("FileName", &T::FileName, &T::FileName)
            .Enum("OverwriteMode", &T::OverwriteMode, &T::OverwriteMode, OverwriteTypeInfo,
                  owVersion)
            .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  void DefineProperties(std::vector<TExtraProperty>& Props) override {
    TInstallContainer::DefineProperties(Props);
    Props.push_back({"UniqueID", [this] { return std::int64_t{UniqueID}; },
                     [this](std::int64_t v) { UniqueID = static_cast<int>(v); }, UniqueID != 0});
  }
  std::string FileName;
  TOverwriteType OverwriteMode = owVersion;
  int UniqueID = 0;
};

class TLicenseDlg : public TInstallContainer {
public:
  using TInstallContainer::TInstallContainer;
  static const TClassInfo& StaticClass() {
    using T = TLicenseDlg;
    static const TClassInfo Info = TClassBuilder<T>("TLicenseDlg", TInstallContainer::StaticClass())
                                       .Strings("LicenseAgreement", &T::LicenseAgreement)
                                       .Picture("ThemeBitmap", &T::ThemeBitmap)
                                       .Int("Order", &T::Order, &T::Order, 0)
                                       .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TStringList LicenseAgreement;
  TPicture ThemeBitmap;
  int Order = 0;
};

// A control that sits inside another record of the stream.
class TPanel : public TComponent, public IParentedComponent {
public:
  using TComponent::TComponent;
  static const TClassInfo& StaticClass() {
    static const TClassInfo Info = TClassBuilder<TPanel>("TPanel", TComponent::StaticClass())
                                       .Str("Caption", &TPanel::Caption, &TPanel::Caption)
                                       .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  void SetParentComponent(TComponent* P) override { Parent = P; }
  TComponent* GetParentComponent() const override { return Parent; }
  TComponent* Parent = nullptr;
  std::string Caption;
};

// The root of a setup definition, as far as this layer knows it: a plain
// component that keeps the window's stored caption and size (the widget
// layer's real form is tested there).
class TfrmMainMenu : public TComponent {
public:
  explicit TfrmMainMenu(TComponent* AOwner) : TComponent(AOwner) {}
  static const TClassInfo& StaticClass() {
    using T = TfrmMainMenu;
    static const TClassInfo Info = TClassBuilder<T>("TfrmMainMenu", TComponent::StaticClass())
                                       .Str("Caption", &T::Caption, &T::Caption)
                                       .Int("Width", &T::Width, &T::Width)
                                       .Int("Height", &T::Height, &T::Height)
                                       .Build();
    return Info;
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string Caption;
  int Width = 0;
  int Height = 0;
};

// Every class above, in a registry of its own.
inline TClassRegistry MakeRegistry() {
  TClassRegistry r;
  r.Register<TpsProgramFiles>();
  r.Register<TpsContainerDestDir>();
  r.Register<TInstall>();
  r.Register<TInstallGroup>();
  r.Register<TInstallDirectory>();
  r.Register<TInstallFile>();
  r.Register<TLicenseDlg>();
  r.Register<TPanel>();
  r.Register<TCustomPathSpecifier>();
  return r;
}

} // namespace quendel::deftest
