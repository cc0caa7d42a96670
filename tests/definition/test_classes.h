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
inline constexpr const char* kInstallTypeNames[] = {"itFull", "itDefault", "itCompact", "itCustom"};
inline constinit const TEnumInfo InstallTypeInfo("TInstallType", kInstallTypeNames);
inline const TInstallTypeSet AllInstallTypes{itFull, itDefault, itCompact, itCustom};

enum TOverwriteType { owAlways, owNever, owVersion, owDate, owVersionDate, owAsk };
inline constexpr const char* kOverwriteTypeNames[] = {"owAlways", "owNever",       "owVersion",
                                                      "owDate",   "owVersionDate", "owAsk"};
inline constinit const TEnumInfo OverwriteTypeInfo("TOverwriteType", kOverwriteTypeNames);

class TCustomPathSpecifier : public TComponent {
public:
  using TComponent::TComponent;
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TCustomPathSpecifier>("TCustomPathSpecifier", &TComponent::StaticClass);
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  virtual std::string Kind() const = 0;
};

class TpsProgramFiles : public TCustomPathSpecifier {
public:
  using TCustomPathSpecifier::TCustomPathSpecifier;
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TpsProgramFiles>("TpsProgramFiles", &TCustomPathSpecifier::StaticClass);
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string Kind() const override { return "ProgramFiles"; }
};

class TpsContainerDestDir : public TCustomPathSpecifier {
public:
  using TCustomPathSpecifier::TCustomPathSpecifier;
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TpsContainerDestDir>("TpsContainerDestDir",
                                                &TCustomPathSpecifier::StaticClass);
    });
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
    return ClassTable([] {
      return TClassBuilder<T>("TInstallContainer", &TComponent::StaticClass)
          .template Ref<&T::Container, &T::SetContainer>("Container")
          .template Bool<&T::Include, &T::Include>("Include", true)
          .template Set<&T::InstallTypes, &T::InstallTypes>("InstallTypes", InstallTypeInfo,
                                                            AllInstallTypes)
          .template Event<&T::OnBeforeProcess>("OnBeforeProcess");
    });
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
  TEvent<void(TInstallContainer*)> OnBeforeProcess;

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
    return ClassTable([] {
      return TClassBuilder<TBuildInfo>("TBuildInfo", &TPersistent::StaticClass)
          .template Str<&TBuildInfo::BuildDirectory, &TBuildInfo::BuildDirectory>("BuildDirectory")
          .template Bool<&TBuildInfo::Compress, &TBuildInfo::Compress>("Compress", true);
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string BuildDirectory;
  bool Compress = true;
};

class TInformation : public TPersistent {
public:
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TInformation>("TInformation", &TPersistent::StaticClass)
          .template Str<&TInformation::ProductName, &TInformation::ProductName>("ProductName")
          .template Str<&TInformation::Version, &TInformation::Version>("Version")
          .template Float<&TInformation::Rating, &TInformation::Rating>("Rating");
    });
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
    return ClassTable([] {
      return TClassBuilder<T>("TInstall", &TInstallContainer::StaticClass)
          .template Str<&T::DestDir, &T::DestDir>("DestDir")
          .template Ref<&T::DestDirType, &T::SetDestDirType>("DestDirType")
          .template Object<&T::BuildInfo>("BuildInfo")
          .template Object<&T::Information>("Information")
          .template Strings<&T::ReadmeText>("ReadmeText")
          .template Int<&T::DiskSize, &T::DiskSize>("DiskSize", 0)
          .template Str<&T::Version, nullptr>("Version");
    });
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
    return ClassTable([] {
      return TClassBuilder<TDialogOptions>("TDialogOptions", &TPersistent::StaticClass)
          .template Bool<&TDialogOptions::AllowExcludeInclude,
                         &TDialogOptions::AllowExcludeInclude>("AllowExcludeInclude", false);
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  bool AllowExcludeInclude = false;
};

class TInstallGroup : public TInstallContainer {
public:
  using TInstallContainer::TInstallContainer;
  static const TClassInfo& StaticClass() {
    using T = TInstallGroup;
    return ClassTable([] {
      return TClassBuilder<T>("TInstallGroup", &TInstallContainer::StaticClass)
          .template Str<&T::GroupName, &T::GroupName>("GroupName")
          .template Object<&T::DialogOptions>("DialogOptions");
    });
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
    return ClassTable([] {
      return TClassBuilder<T>("TInstallDirectory", &TInstallContainer::StaticClass)
          .template Str<&T::DestName, &T::DestName>("DestName")
          .template Ref<&T::DestDirType, &T::DestDirType>("DestDirType");
    });
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
    return ClassTable([] {
      return TClassBuilder<T>("TInstallFile", &TInstallContainer::StaticClass)
          .template Str<&T::FileName, &T::FileName>("FileName")
          .template Enum<&T::OverwriteMode, &T::OverwriteMode>("OverwriteMode", OverwriteTypeInfo,
                                                               owVersion);
    });
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
    return ClassTable([] {
      return TClassBuilder<T>("TLicenseDlg", &TInstallContainer::StaticClass)
          .template Strings<&T::LicenseAgreement>("LicenseAgreement")
          .template Picture<&T::ThemeBitmap>("ThemeBitmap")
          .template Int<&T::Order, &T::Order>("Order", 0);
    });
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
    return ClassTable([] {
      return TClassBuilder<TPanel>("TPanel", &TComponent::StaticClass)
          .template Str<&TPanel::Caption, &TPanel::Caption>("Caption");
    });
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
    return ClassTable([] {
      return TClassBuilder<T>("TfrmMainMenu", &TComponent::StaticClass)
          .template Str<&T::Caption, &T::Caption>("Caption")
          .template Int<&T::Width, &T::Width>("Width")
          .template Int<&T::Height, &T::Height>("Height");
    });
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
