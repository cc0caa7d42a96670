#include "paths/paths_test_support.h"

#include "paths/path_classes.h"

#include <atomic>
#include <cstdio>
#include <random>

#ifdef _WIN32
#else
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

#include "platform/native/native_platform.h"
#endif

namespace quendel::test {

namespace {

std::string UniqueName() {
  static std::atomic<unsigned> Counter{0};
  static const unsigned Seed = std::random_device{}();
  char Name[48];
  std::snprintf(Name, sizeof Name, "Paths-%08X-%u", Seed, Counter++);
  return Name;
}

constexpr platform::TRootKey AllRoots[] = {platform::rkClassesRoot, platform::rkCurrentUser,
                                           platform::rkLocalMachine, platform::rkUsers,
                                           platform::rkCurrentConfig};

} // namespace

// ---- TRedirectedRegistry ------------------------------------------------------------

std::string TRedirectedRegistry::Map(platform::TRootKey Root, const std::string& SubKey) const {
  std::string Path = Base + "\\" + std::string(platform::RootKeyName(Root));
  return SubKey.empty() ? Path : Path + "\\" + SubKey;
}

std::unique_ptr<platform::IRegKey> TRedirectedRegistry::OpenKey(platform::TRootKey Root,
                                                                const std::string& SubKey,
                                                                platform::TRegAccess Access) {
  return Inner.OpenKey(platform::rkCurrentUser, Map(Root, SubKey), Access);
}

std::unique_ptr<platform::IRegKey>
TRedirectedRegistry::CreateKey(platform::TRootKey Root, const std::string& SubKey, bool* Created) {
  return Inner.CreateKey(platform::rkCurrentUser, Map(Root, SubKey), Created);
}

void TRedirectedRegistry::DeleteKey(platform::TRootKey Root, const std::string& SubKey) {
  if (SubKey.empty())
    throw platform::EPlatformError("RegDeleteKeyA", "a root key", platform::errAccessDenied);
  Inner.DeleteKey(platform::rkCurrentUser, Map(Root, SubKey));
}

// ---- Fakes ----------------------------------------------------------------------------

std::string TFakeSystem::WindowsDirectory() const {
  if (FailDirectories) throw platform::EPlatformError("GetWindowsDirectoryA", "", 0);
  return Windows;
}

std::string TFakeSystem::SystemDirectory() const {
  if (FailDirectories) throw platform::EPlatformError("GetSystemDirectoryA", "", 0);
  return Windows + "\\system32";
}

std::string TFakeShell::SpecialFolderPath(int Csidl) {
  const auto Found = Folders.find(Csidl);
  if (Found == Folders.end())
    throw platform::EPlatformError("SHGetSpecialFolderLocation", std::to_string(Csidl),
                                   platform::hrFail);
  return Found->second;
}

// ---- Probes -----------------------------------------------------------------------------

const TClassInfo& TFileRelatedProbe::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TFileRelatedProbe>("TFileRelatedProbe", &TFileRelated::StaticClass);
  });
}

const TClassInfo& TRootProbe::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TRootProbe>("TRootProbe", &TFileContainer::StaticClass); });
}

const TClassInfo& TPlainProbe::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TPlainProbe>("TPlainProbe", &TInstallObject::StaticClass); });
}

TRootProbe::TRootProbe(TComponent* AOwner) : TFileContainer(AOwner, false) {
  SetName("Install1");
  Context().InstallRoot = this;
}

TRootProbe::~TRootProbe() {
  if (Context().InstallRoot == this) Context().InstallRoot = nullptr;
}

// ---- Files ----------------------------------------------------------------------------

#ifdef _WIN32
TTestFiles MakeTestFiles() {
  TTestFiles Result;
  Result.Files = platform::CreateDefaultPlatform().Files;
  Result.Scratch = Result.Files->TempDirectory() + UniqueName();
  Result.Files->MakeDirectory(Result.Scratch);
  platform::IFileSystem* Files = Result.Files.get();
  const std::string Scratch = Result.Scratch;
  Result.Cleanup = [Files, Scratch] {
    for (const auto& Entry : Files->FindFiles(Scratch + "\\*"))
      if (!Entry.IsDirectory()) Files->TryRemoveFile(Scratch + "\\" + Entry.Name);
    Files->TryRemoveDir(Scratch);
  };
  return Result;
}
#else
TTestFiles MakeTestFiles() {
  std::string Host = (std::filesystem::temp_directory_path() / "quendel-paths-XXXXXX").string();
  if (!::mkdtemp(Host.data())) throw std::runtime_error("mkdtemp failed for " + Host);
  std::filesystem::create_directory(Host + "/TEMP");
  platform::native::TDriveMap Drives = platform::native::TDriveMap::Default();
  Drives.Map('C', Host);
  TTestFiles Result;
  Result.Files = platform::native::CreateNativePlatform(std::move(Drives)).Files;
  Result.Scratch = "C:\\" + UniqueName();
  Result.Files->MakeDirectory(Result.Scratch);
  Result.Cleanup = [Host] {
    std::error_code Ignored;
    std::filesystem::remove_all(Host, Ignored);
  };
  return Result;
}
#endif

// ---- PathsTest ------------------------------------------------------------------------------

PathsTest::PathsTest() : Files(MakeTestFiles()) {
  ScratchKey = "Software\\QuendelTest\\" + UniqueName();
  auto Registry = std::make_unique<TRedirectedRegistry>(*Base.Registry, ScratchKey);
  for (platform::TRootKey Root : AllRoots)
    Registry->CreateKey(Root, "");
  auto FakeSystem = std::make_unique<TFakeSystem>();
  auto FakeShell = std::make_unique<TFakeShell>();
  System = FakeSystem.get();
  Shell = FakeShell.get();
  Machine.Files = std::move(Files.Files);
  Machine.Registry = std::move(Registry);
  Machine.System = std::move(FakeSystem);
  Machine.Shell = std::move(FakeShell);
  Context.AttachPlatform(&Machine);
  RegisterPathClasses();
  SetupPathSpecifiers(Context);
  Form->SetName("Form");
  CreateStandardSpecifiers(Form.get(), false, Context);
}

PathsTest::~PathsTest() {
  Form.reset();
  EXPECT_EQ(Base.Registry->TryDeleteTree(platform::rkCurrentUser, ScratchKey),
            platform::errSuccess);
  Base.Registry->TryDeleteKey(platform::rkCurrentUser, "Software\\QuendelTest");
  if (Files.Cleanup) Files.Cleanup(); // while the file system is still there
}

void PathsTest::SetString(platform::TRootKey Root, const std::string& Key, const std::string& Name,
                          const std::string& Value) {
  Machine.Registry->CreateKey(Root, Key)->WriteString(Name, Value);
}

void PathsTest::PlayWindows(std::uint32_t PlatformId, std::uint32_t Major, std::uint32_t Minor) {
  System->Record = platform::TOSVersionInfo{Major, Minor, 1, PlatformId, ""};
}

} // namespace quendel::test
