// A fresh model context per test, on a machine whose version record the test
// chooses, and install objects of any kind that log what happens to them.
#pragma once

#include "model/install_container.h"
#include "model/model_context.h"
#include "platform/error.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quendel::test {

class TFakeSystem : public platform::ISystemInfo {
public:
  platform::TOSVersionInfo Record{6, 1, 7601, platform::verPlatformWin32NT, ""};
  bool Fail = false;
  platform::TOSVersionInfo Version() const override {
    if (Fail) throw platform::EPlatformError("GetVersionExA", "", 0);
    return Record;
  }
  std::string WindowsDirectory() const override { return "C:\\WINDOWS"; }
  std::string SystemDirectory() const override { return "C:\\WINDOWS\\system32"; }
  platform::TLangId UserDefaultLangId() const override { return 0x0409; }
};

using TLog = std::vector<std::string>;

// An install object of kind Kind. Logs broadcasts it receives ("File got -990
// from Dir"), its install body and its uninstall entries.
class TProbe : public TInstallObject {
public:
  TProbe(TComponent* AOwner, int AKind, TLog* ALog = nullptr, bool WithContainer = true)
      : TInstallObject(AOwner), Kind(AKind), Log(ALog) {
    SetProcessWithContainer(WithContainer);
  }
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int RegisteredType() const override { return Kind; }
  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
  void DoInstall() override;
  void WriteUninstallEntries(const std::string& KeyPath) override;
  int Kind;
  TLog* Log;
};

// Distinct classes for the class-filtered child operations.
class TProbeGroup : public TProbe {
public:
  explicit TProbeGroup(TComponent* AOwner) : TProbe(AOwner, 500) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// The install root "Install1" of product "Widget", known to the context while it lives.
class TProbeRoot : public TProbe, public IInstallRoot {
public:
  TProbeRoot(TComponent* AOwner, TLog* ALog);
  ~TProbeRoot() override;
  TInstallContainer& InstallRootContainer() override { return *this; }
  bool InstallRootRunning() const override { return Running; }
  std::string InstallRootProductName() const override { return "Widget"; }
  bool Running = false;
};

class ModelTest : public ::testing::Test {
protected:
  ModelTest() {
    auto Fake = std::make_unique<TFakeSystem>();
    System = Fake.get();
    Platform.System = std::move(Fake);
    // The build's file system: the paths the tests name do not exist on it.
    Platform.Files = platform::CreateDefaultPlatform().Files;
    Context.AttachPlatform(&Platform);
  }

  TProbe* Make(const std::string& Name, int Kind, bool WithContainer = true) {
    auto* P = new TProbe(Form.get(), Kind, &Log, WithContainer);
    P->SetName(Name);
    return P;
  }

  TFakeSystem* System = nullptr;
  platform::TPlatform Platform;
  TModelContext Context;
  TModelContextScope Scope{Context};
  TLog Log;
  // Declared last: the objects die before the context they live in.
  std::unique_ptr<TComponent> Form = std::make_unique<TComponent>(nullptr);
};

} // namespace quendel::test
