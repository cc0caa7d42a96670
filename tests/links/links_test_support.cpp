#include "links/links_test_support.h"

#include "core/strings.h"
#include "paths/expand_paths.h"
#include "paths/path_classes.h"
#include "system/registry_routines.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <type_traits>

#ifndef _WIN32
#include <stdlib.h>

#include <filesystem>

#include "platform/native/native_platform.h"
#endif

namespace quendel::test {

namespace {

std::string UniqueName() {
  static std::atomic<unsigned> Counter{0};
  static const unsigned Seed = std::random_device{}();
  char Name[48];
  std::snprintf(Name, sizeof Name, "QuendelLinks-%08X-%u", Seed, Counter++);
  return Name;
}

void RemoveTree(platform::IFileSystem& Files, const std::string& Dir) {
  std::vector<platform::TFindData> Entries;
  try {
    Entries = Files.FindFiles(Dir + "\\*");
  } catch (const platform::EPlatformError&) {
    return;
  }
  for (const auto& E : Entries) {
    if (E.Name == "." || E.Name == "..") continue;
    const std::string Path = Dir + "\\" + E.Name;
    if (E.IsDirectory()) RemoveTree(Files, Path);
    else Files.TryRemoveFile(Path);
  }
  Files.TryRemoveDir(Dir);
}

} // namespace

TRootStandIn::TRootStandIn(TComponent* AOwner) : TInstallObject(AOwner) {
  Context().InstallRoot = this;
}
TRootStandIn::~TRootStandIn() {
  if (Context().InstallRoot == this) Context().InstallRoot = nullptr;
}
const TClassInfo& TRootStandIn::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TRootStandIn>("TRootStandIn", &TInstallObject::StaticClass); });
}

template <class Base> void TPlaced<Base>::DoInstall() {
  platform::IFileSystem& Files = *this->Context().Platform().Files;
  const std::string Dir = this->GetFullDestDir();
  Files.ForceDirectories(Dir);
  if constexpr (std::is_base_of_v<TCustomInstallFile, Base>) {
    const std::string Text = "MZ";
    Files.Create(AddBackslash(Dir) + this->DestName())->Write(Text.data(), Text.size());
  } else {
    // The container pass, for the files inside.
    this->TInstallContainer::DoInstall();
  }
}

template class TPlaced<TInstallFile>;
template class TPlaced<TUninstallEXE>;
template class TPlaced<TInstallDirectory>;

LinksTest::LinksTest() {
#ifdef _WIN32
  Machine = std::make_unique<platform::TPlatform>(platform::CreateDefaultPlatform());
  Scratch = Machine->Files->TempDirectory() + UniqueName();
#else
  std::string Host =
      (std::filesystem::temp_directory_path() / "quendel-links-XXXXXX").string();
  if (!::mkdtemp(Host.data())) throw std::runtime_error("mkdtemp failed for " + Host);
  platform::native::TDriveMap Drives;
  Drives.Map('C', Host);
  Machine = std::make_unique<platform::TPlatform>(
      platform::native::CreateNativePlatform(std::move(Drives)));
  Scratch = "C:\\" + UniqueName();
  Cleanup = [Host] {
    std::error_code Ignored;
    std::filesystem::remove_all(Host, Ignored);
  };
#endif
  Machine->Files->MakeDirectory(Scratch);
  Context.AttachPlatform(Machine.get());
  RegisterPathClasses();
  RegisterLinkClasses();
  SetupPathSpecifiers(Context);
  // What the setup program tells this layer about the uninstaller.
  LinksContext.UninstallerClass = &TUninstallEXE::StaticClass();
  Form = std::make_unique<TComponent>(nullptr);
  CreateStandardSpecifiers(Form.get(), false, Context);
  Root = Make<TRootStandIn>("Installer");
  Root->ProductName = UniqueName();
  AppDir = Make<TPlacedDirectory>("AppDir");
  AppDir->SetContainer(Root);
  AppDir->SetDestDirType(nullptr);
  AppDir->SetDestDir(PathOf("App"));
}

LinksTest::~LinksTest() {
  std::string MainFolder;
  try {
    MainFolder = AddBackslash(ProgramsMenuDir(*Machine)) + Root->ProductName;
  } catch (const std::exception&) {
  }
  const std::string Key = ProductKey();
  Form.reset();
  if (!MainFolder.empty()) RemoveTree(*Machine->Files, MainFolder);
  RemoveTree(*Machine->Files, Scratch);
  DeleteRegKeyTree(*Machine->Registry, rkiLocalMachine, Key);
  if (Cleanup) Cleanup();
}

std::string LinksTest::ProductKey() const {
  return std::string(UninstallKeyPrefix) + Root->ProductName;
}

TPlacedFile* LinksTest::MakeFile(const std::string& Name, const std::string& DestName) {
  auto* F = Make<TPlacedFile>(Name);
  F->SetFileName(DestName); // the source names of a container's files differ
  F->SetContainer(AppDir);
  F->SetDestDirType(nullptr);
  F->SetDestDir(PathOf("App"));
  F->SetDestName(DestName);
  return F;
}

void LinksTest::RunPhase(int RegisteredType) {
  const auto All = Context.AllContainers.Items();
  for (TInstallContainer* C : All)
    if (Context.AllContainers.Contains(C) && C->RegisteredType() == RegisteredType) C->Process();
}

void LinksTest::Run() {
  Root->Process();
  RunPhase(ikShellLinkGroup);
  RunPhase(ikShellLink);
}

std::string LinksTest::LogValue(const std::string& Subkey, const std::string& Name) {
  return ReadRegString(*Machine->Registry, rkiLocalMachine, ProductKey() + "\\" + Subkey, Name,
                       "<missing>");
}

void LinksTest::WriteFileText(const std::string& Path, const std::string& Text) {
  Machine->Files->Create(Path)->Write(Text.data(), Text.size());
}

} // namespace quendel::test
