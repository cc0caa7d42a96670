#pragma once
// The system information of the Windows-like machine: whatever it is told.

#include <string>
#include <utility>

#include "platform/sysinfo.h"

namespace quendel::platform::native {

// Windows 7 SP1 in English unless told otherwise, as Wine reports by default.
struct TNativeSystemConfig {
  TOSVersionInfo Version{6, 1, 7601, verPlatformWin32NT, "Service Pack 1"};
  std::string WindowsDirectory = "C:\\WINDOWS";
  std::string SystemDirectory = "C:\\WINDOWS\\system32";
  TLangId Language = 0x0409;
  std::uint32_t RestartError = 0; // what RestartWindows answers
};

class TNativeSystemInfo : public ISystemInfo {
public:
  explicit TNativeSystemInfo(TNativeSystemConfig config = {}) : config_(std::move(config)) {}

  TOSVersionInfo Version() const override { return config_.Version; }
  std::string WindowsDirectory() const override { return config_.WindowsDirectory; }
  std::string SystemDirectory() const override { return config_.SystemDirectory; }
  TLangId UserDefaultLangId() const override { return config_.Language; }
  // Records the request; the simulated machine does not stop.
  std::uint32_t RestartWindows(bool EnableShutdownPrivilege) override {
    ++restarts_;
    privilegeAsked_ = EnableShutdownPrivilege;
    return config_.RestartError;
  }
  int Restarts() const { return restarts_; }
  bool ShutdownPrivilegeAsked() const { return privilegeAsked_; }

  // For tests that play another Windows.
  TNativeSystemConfig& Config() { return config_; }

private:
  TNativeSystemConfig config_;
  int restarts_ = 0;
  bool privilegeAsked_ = false;
};

} // namespace quendel::platform::native
