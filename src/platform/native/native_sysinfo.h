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
};

class TNativeSystemInfo : public ISystemInfo {
public:
  explicit TNativeSystemInfo(TNativeSystemConfig config = {}) : config_(std::move(config)) {}

  TOSVersionInfo Version() const override { return config_.Version; }
  std::string WindowsDirectory() const override { return config_.WindowsDirectory; }
  std::string SystemDirectory() const override { return config_.SystemDirectory; }
  TLangId UserDefaultLangId() const override { return config_.Language; }

  // For tests that play another Windows.
  TNativeSystemConfig& Config() { return config_; }

private:
  TNativeSystemConfig config_;
};

} // namespace quendel::platform::native
