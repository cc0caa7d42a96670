// Shortcuts on a machine the test controls: the build's platform (natively
// C: is a fresh host directory; under Wine the real shell and registry with
// a scratch directory and a unique product), the model, paths and links
// contexts, the standard path specifiers, an install root, and install files
// and directories of the real classes placed without an archive.
#pragma once

#include "engine/uninstall_exe.h"
#include "links/shell_link.h"
#include "model/install_file.h"
#include "model/install_group.h"
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

// The real install-file, uninstaller and directory classes, installed
// without an archive: a file's install puts a small file at its destination,
// a directory's makes the directory. They write no uninstall entries of their
// own, so the log holds only what the shortcuts write.
template <class Base> class TPlaced : public Base {
public:
  explicit TPlaced(TComponent* AOwner) : Base(AOwner) { this->SetUninstall(false); }
  void DoInstall() override;
};
using TPlacedFile = TPlaced<TInstallFile>;
using TPlacedUninstaller = TPlaced<TUninstallEXE>;
using TPlacedDirectory = TPlaced<TInstallDirectory>;

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
  // An install file in the scratch directory, contained in the root.
  TPlacedFile* MakeFile(const std::string& Name, const std::string& DestName);

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
  // Install files need a file container: the directory "App" in the scratch
  // directory, inside the root.
  TPlacedDirectory* AppDir = nullptr;
};

} // namespace quendel::test
