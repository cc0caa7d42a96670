// Shortcuts on a machine the test controls: the build's platform (natively
// C: is a fresh host directory; under Wine the real shell and registry with
// a scratch directory and a unique product), the model, paths and links
// contexts, the standard path specifiers, an install root and install-file
// stand-ins published under the names the shortcut layer recognises.
#pragma once

#include "links/shell_link.h"
#include "model/install_container.h"
#include "model/model_context.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace quendel::test {

// The install root: a product name and nothing else.
class TRootStandIn : public TInstallObject, public IInstallRoot {
public:
  explicit TRootStandIn(TComponent* AOwner);
  ~TRootStandIn() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int RegisteredType() const override { return 500; }
  TInstallContainer& InstallRootContainer() override { return *this; }
  bool InstallRootRunning() const override { return false; }
  std::string InstallRootProductName() const override { return ProductName; }
  std::string ProductName = "Widget";
};

// An install file: "installing" writes a small file at DestDir\DestName.
class TFileStandIn : public TInstallObject {
public:
  explicit TFileStandIn(TComponent* AOwner);
  static const TClassInfo& StaticClass(); // "TCustomInstallFile"
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int RegisteredType() const override { return 2000; }
  void DoInstall() override;
  std::string GetFullDestDir() override { return DestDir(); }
  const std::string& DestName() const { return FDestName; }
  void SetDestName(const std::string& V) { FDestName = V; }

private:
  std::string FDestName;
};

class TUninstallStandIn : public TFileStandIn {
public:
  using TFileStandIn::TFileStandIn;
  static const TClassInfo& StaticClass(); // "TUninstallEXE"
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// A directory object: its destination is DestDir.
class TDirectoryStandIn : public TInstallObject {
public:
  explicit TDirectoryStandIn(TComponent* AOwner);
  static const TClassInfo& StaticClass(); // "TInstallDirectory"
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int RegisteredType() const override { return 1000; }
  void DoInstall() override;
  std::string GetFullDestDir() override { return DestDir(); }
  const std::string& Description() const { return FDescription; }
  void SetDescription(const std::string& V) { FDescription = V; }

private:
  std::string FDescription;
};

class LinksTest : public ::testing::Test {
protected:
  LinksTest();
  ~LinksTest() override;

  platform::TPlatform& Platform() { return *Machine; }
  // The scratch directory (no trailing "\") and paths in it.
  const std::string& Dir() const { return Scratch; }
  std::string PathOf(const std::string& Name) const { return Scratch + "\\" + Name; }
  // The product's uninstall key, below HKEY_LOCAL_MACHINE.
  std::string ProductKey() const;

  template <class T> T* Make(const std::string& Name) {
    auto* Obj = new T(Form.get());
    Obj->SetName(Name);
    return Obj;
  }
  // A file stand-in in the scratch directory, contained in the root.
  TFileStandIn* MakeFile(const std::string& Name, const std::string& DestName);

  // What the run does: the object tree from the root, then the shortcut
  // phases, each in creation order.
  void Run();
  void RunPhase(int RegisteredType);

  std::string LogValue(const std::string& Subkey, const std::string& Name);
  void WriteFileText(const std::string& Path, const std::string& Text);

  std::unique_ptr<platform::TPlatform> Machine;
  std::string Scratch;
  std::function<void()> Cleanup;
  TModelContext Context;
  TModelContextScope Scope{Context};
  TLinksContext LinksContext;
  TLinksContextScope LinksScope{LinksContext};
  std::unique_ptr<TComponent> Form;
  TRootStandIn* Root = nullptr;
};

} // namespace quendel::test
