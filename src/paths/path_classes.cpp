#include "paths/path_classes.h"

#include "core/strings.h"
#include "model/model_context.h"
#include "paths/office_paths.h"
#include "paths/standard_paths.h"

namespace quendel {

const std::vector<const TClassInfo*>& StandardPathClasses() {
  static const std::vector<const TClassInfo*> Classes = {
      &TpsBDEDLL::StaticClass(),
      &TpsCommonFiles::StaticClass(),
      &TpsContainerArchiveFile::StaticClass(),
      &TpsContainerDestDir::StaticClass(),
      &TpsDesktopMenu::StaticClass(),
      &TpsInstallSource::StaticClass(),
      &TpsMainInstall::StaticClass(),
      &TpsProgramFiles::StaticClass(),
      &TpsProgramMenu::StaticClass(),
      &TpsStartMenu::StaticClass(),
      &TpsStartupMenu::StaticClass(),
      &TpsSystem::StaticClass(),
      &TpsMainArchiveFile::StaticClass(),
      &TpsWindow::StaticClass(),

      &TpsPrinters::StaticClass(),
      &TpsRecent::StaticClass(),
      &TpsSendTo::StaticClass(),
      &TpsStartup::StaticClass(),
      &TpsControlPanel::StaticClass(),
      &TpsFavorites::StaticClass(),
      &TpsBitBucket::StaticClass(),
      &TpsCookies::StaticClass(),
      &TpsCommonAltStartup::StaticClass(),
      &TpsCommonStartup::StaticClass(),
      &TpsCommonDesktopDirectory::StaticClass(),
      &TpsCommonFavorites::StaticClass(),
      &TpsCommonPrograms::StaticClass(),
      &TpsCommonStartMenu::StaticClass(),
      &TpsQuickLaunchMenu::StaticClass(),

      &TpsOfficeUserTemplates::StaticClass(),
      &TpsOfficeWorkgroupTemplates::StaticClass(),
      &TpsOfficeClipartDirectory::StaticClass(),
      &TpsOfficeStartupDirectory::StaticClass(),
      &TpsOfficeToolsDirectory::StaticClass(),
      &TpsOfficeFavoritesDirectory::StaticClass(),
  };
  return Classes;
}

void RegisterPathClasses() {
  TClassRegistry& Registry = ClassRegistry();
  Registry.Register<TCustomPathSpecifier>();
  Registry.Register<TStandardPathSpecifier>();
  for (const TClassInfo* Cls : StandardPathClasses())
    Registry.Register(*Cls);
}

void SetupPathSpecifiers(TModelContext& Context) {
  for (const TClassInfo* Cls : StandardPathClasses())
    Context.PathSpecifierClasses.RegisterClass(Cls);
  Context.SpecifierKinds.ContainerDestDir = &TpsContainerDestDir::StaticClass();
  Context.SpecifierKinds.ContainerArchiveFile = &TpsContainerArchiveFile::StaticClass();
  Context.SpecifierKinds.MainArchiveFile = &TpsMainArchiveFile::StaticClass();
  Context.SpecifierKinds.InstallSource = &TpsInstallSource::StaticClass();
  Context.SpecifierKinds.SetMainArchiveDirectory = [](TCustomPathSpecifier& S,
                                                      const std::string& Directory) {
    if (auto* Main = dynamic_cast<TpsMainArchiveFile*>(&S)) Main->SetArchiveDirectory(Directory);
  };
  TModelContext* C = &Context;
  Context.EnsureStandardSpecifiers = [C](TComponent* Owner) {
    CreateStandardSpecifiers(Owner, true, *C);
  };
}

std::vector<TComponent*> CreateStandardSpecifiers(TComponent* Owner, bool OnlyMissing,
                                                  TModelContext& Context) {
  // The specifiers join the context that is current while they are made.
  TModelContextScope Scope(Context);
  std::vector<TComponent*> Created;
  for (const TClassInfo* Cls : Context.PathSpecifierClasses.Classes()) {
    if (OnlyMissing && Context.PathSpecifiers.Find(*Cls)) continue;
    TComponent* Made = Cls->Create(Owner);
    auto* Specifier = dynamic_cast<TCustomPathSpecifier*>(Made);
    if (!Specifier) {
      Made->Free();
      Raise<IEPathSpecifierClassList>("%s is not a path specifier class", {Cls->Name()});
    }
    try {
      std::string Name = Specifier->DefaultName();
      if (Owner)
        Name = UniqueName(Name, [&](const std::string& Candidate) {
          const TComponent* Found = Owner->FindComponent(Candidate);
          return Found && Found != Made;
        });
      Specifier->SetName(Name);
    } catch (...) {
      Made->Free();
      throw;
    }
    Created.push_back(Made);
  }
  return Created;
}

std::vector<TComponent*> CreateStandardSpecifiers(TComponent* Owner, bool OnlyMissing) {
  return CreateStandardSpecifiers(Owner, OnlyMissing, CurrentModelContext());
}

} // namespace quendel
