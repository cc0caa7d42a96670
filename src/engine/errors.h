// The install engine's errors.
#pragma once

#include "core/exceptions.h"

namespace quendel {

// Errors of the install root; their messages are translated.
class IEInstall : public IException {
public:
  using IException::IException;
};
// Setting a distribution type that needs a net location without one.
class IEInstallNetLocNil : public IEInstall {
public:
  using IEInstall::IEInstall;
};

// Errors of the program launcher (not translated).
QUENDEL_EXCEPTION(EProgramLauncher, EQuendelAbnormal);
class EProgramLauncherFailed : public EProgramLauncher {
public:
  EProgramLauncherFailed(int Code, const std::string& Message)
      : EProgramLauncher(Message), ErrorCode(Code) {}
  int ErrorCode;
};

} // namespace quendel
