// A model context on a machine the test controls: the build's file system,
// the build's registry redirected into a scratch key (so that missing and
// present values can be arranged even on a real registry), a system of a
// chosen Windows and a shell with a chosen folder table.
#pragma once

#include "model/file_container.h"
#include "model/install_container.h"
#include "model/install_group.h"
#include "model/model_context.h"
#include "paths/standard_paths.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace quendel::test {

// Every root key lives below HKEY_CURRENT_USER\<Base>\<root name>.
class TRedirectedRegistry : public platform::IRegistry {
public:
  TRedirectedRegistry(platform::IRegistry& AInner, std::string ABase)
      : Inner(AInner), Base(std::move(ABase)) {}
  std::unique_ptr<platform::IRegKey> OpenKey(platform::TRootKey Root, const std::string& SubKey,
                                             platform::TRegAccess Access) override;
  std::unique_ptr<platform::IRegKey> CreateKey(platform::TRootKey Root, const std::string& SubKey,
                                               bool* Created) override;
  using platform::IRegistry::CreateKey;
  void DeleteKey(platform::TRootKey Root, const std::string& SubKey) override;

  std::string Map(platform::TRootKey Root, const std::string& SubKey) const;

  platform::IRegistry& Inner;
  const std::string Base;
};

class TFakeSystem : public platform::ISystemInfo {
public:
  platform::TOSVersionInfo Record{6, 1, 7601, platform::verPlatformWin32NT, "Service Pack 1"};
  std::string Windows = "C:\\WINNT";
  bool FailDirectories = false;

  platform::TOSVersionInfo Version() const override { return Record; }
  std::string WindowsDirectory() const override;
  std::string SystemDirectory() const override;
  platform::TLangId UserDefaultLangId() const override { return 0x0409; }
};

// Folders by number; others fail with E_FAIL.
class TFakeShell : public platform::IShell {
public:
  std::map<int, std::string> Folders;
  std::string SpecialFolderPath(int Csidl) override;
};

// A file-related object that is neither a container nor an install file.
class TFileRelatedProbe : public TFileRelated {
public:
  explicit TFileRelatedProbe(TComponent* AOwner) : TFileRelated(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int RegisteredType() const override { return 2000; }
};

// An install object that is no file container.
class TPlainProbe : public TInstallObject {
public:
  explicit TPlainProbe(TComponent* AOwner) : TInstallObject(AOwner) {}
  static const TClassInfo& StaticClass(); // "TPlainProbe"
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int RegisteredType() const override { return 8000; }
};

// The install root, with the run's source and self-extractor settings.
class TRootProbe : public TFileContainer, public IInstallRoot, public IInstallRootSource {
public:
  explicit TRootProbe(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  ~TRootProbe() override;
  TInstallContainer& InstallRootContainer() override { return *this; }
  bool InstallRootRunning() const override { return false; }
  std::string InstallRootProductName() const override { return "Widget"; }
  std::string InstallSource() const override { return Source; }
  bool SelfExtracting() const override { return Extracting; }
  std::string SelfExtractName() const override { return ExtractName; }

  std::string Source = "E:\\Setup";
  bool Extracting = false;
  std::string ExtractName;
};

// The build's file system with drives C: and Z:, and a scratch directory.
struct TTestFiles {
  std::unique_ptr<platform::IFileSystem> Files;
  std::string Scratch; // no trailing "\"
  std::function<void()> Cleanup;
};
TTestFiles MakeTestFiles();

class PathsTest : public ::testing::Test {
protected:
  PathsTest();
  ~PathsTest() override;

  platform::TPlatform& Platform() { return Machine; }
  // Writes a string value into the arranged registry (Key without leading "\").
  void SetString(platform::TRootKey Root, const std::string& Key, const std::string& Name,
                 const std::string& Value);
  void PlayWindows(std::uint32_t PlatformId, std::uint32_t Major, std::uint32_t Minor);
  template <class T> T* Make(const std::string& Name) {
    auto* Obj = new T(Form.get());
    Obj->SetName(Name);
    return Obj;
  }
  // The standard instance of a class.
  template <class T> T& Specifier() {
    return dynamic_cast<T&>(*Context.StandardPathSpecifiers.FindByClass(T::StaticClass()));
  }

  platform::TPlatform Base = platform::CreateDefaultPlatform();
  TTestFiles Files;
  std::string ScratchKey;
  platform::TPlatform Machine;
  TFakeSystem* System = nullptr;
  TFakeShell* Shell = nullptr;
  TModelContext Context;
  TModelContextScope Scope{Context};
  // Declared last: the objects die before the context they live in.
  std::unique_ptr<TComponent> Form = std::make_unique<TComponent>(nullptr);
};

} // namespace quendel::test
