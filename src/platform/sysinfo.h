#pragma once
// What the setup program asks about the machine it runs on.

#include <cstdint>
#include <string>

namespace quendel::platform {

// dwPlatformId values.
inline constexpr std::uint32_t verPlatformWin32s = 0;
inline constexpr std::uint32_t verPlatformWin32Windows = 1; // 95, 98, ME
inline constexpr std::uint32_t verPlatformWin32NT = 2;

// The fields of OSVERSIONINFOA, under their Win32 names.
struct TOSVersionInfo {
  std::uint32_t dwMajorVersion = 0;
  std::uint32_t dwMinorVersion = 0;
  std::uint32_t dwBuildNumber = 0;
  std::uint32_t dwPlatformId = 0;
  std::string szCSDVersion; // "Service Pack 1", or empty

  bool operator==(const TOSVersionInfo&) const = default;
};

using TLangId = std::uint16_t; // LANGID: primary language in the low 10 bits

class ISystemInfo {
public:
  ISystemInfo() = default;
  ISystemInfo(const ISystemInfo&) = delete;
  ISystemInfo& operator=(const ISystemInfo&) = delete;
  virtual ~ISystemInfo() = default;

  virtual TOSVersionInfo Version() const = 0;       // GetVersionExA
  virtual std::string WindowsDirectory() const = 0; // GetWindowsDirectoryA, no trailing "\"
  virtual std::string SystemDirectory() const = 0;  // GetSystemDirectoryA, no trailing "\"
  virtual TLangId UserDefaultLangId() const = 0;    // GetUserDefaultLangID
  // Asks Windows to restart (ExitWindowsEx with EWX_REBOOT); with
  // EnableShutdownPrivilege (the NT family) the process first enables
  // "SeShutdownPrivilege" in its token. Returns 0, or the Windows error code
  // of the call that failed. A machine that cannot restart answers
  // ERROR_NOT_SUPPORTED (50).
  virtual std::uint32_t RestartWindows(bool EnableShutdownPrivilege) {
    (void)EnableShutdownPrivilege;
    return 50;
  }
};

} // namespace quendel::platform
