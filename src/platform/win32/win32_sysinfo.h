#pragma once
// System information over the ANSI Win32 API.

#include "platform/sysinfo.h"

namespace quendel::platform::win32 {

class TWin32SystemInfo : public ISystemInfo {
public:
  TOSVersionInfo Version() const override;
  std::string WindowsDirectory() const override;
  std::string SystemDirectory() const override;
  TLangId UserDefaultLangId() const override;
  std::uint32_t RestartWindows(bool EnableShutdownPrivilege) override;
};

} // namespace quendel::platform::win32
