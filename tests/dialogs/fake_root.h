// The install root as the dialogs see it: it answers the cancel question and
// counts how often it was asked.
#pragma once

#include "model/model_context.h"

#include <string>

namespace quendel::dialogs {

class TFakeRoot : public TInstallObject, public IInstallRoot {
public:
  explicit TFakeRoot(TComponent* AOwner) : TInstallObject(AOwner) {}
  int RegisteredType() const override { return 1000; }
  TInstallContainer& InstallRootContainer() override { return *this; }
  bool InstallRootRunning() const override { return true; }
  std::string InstallRootProductName() const override { return "Product"; }
  bool InstallRootConfirmUserAbort() override {
    ++Asked;
    return AgreeToAbort;
  }
  bool AgreeToAbort = true;
  int Asked = 0;
};

} // namespace quendel::dialogs
