// The install engine's errors.
#pragma once

#include "core/exceptions.h"
// IEInstall, the install root's errors (the path specifiers raise them too).
#include "paths/standard_paths.h"

namespace quendel {

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
