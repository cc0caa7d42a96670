// System information a test chooses: the Windows version record, the
// Windows and system directories and the user's language, and a switch that
// makes every answer fail as the operating system would.
#pragma once

#include "platform/error.h"
#include "platform/sysinfo.h"

#include <string>

namespace quendel::test {

class TFakeSystem : public platform::ISystemInfo {
public:
  // Windows 7 SP1 unless a test says otherwise.
  platform::TOSVersionInfo Record{6, 1, 7601, platform::verPlatformWin32NT, "Service Pack 1"};
  std::string Windows = "C:\\WINDOWS";
  std::string System = "C:\\WINDOWS\\system32";
  platform::TLangId LangId = 0x0409;
  bool Fail = false;

  platform::TOSVersionInfo Version() const override {
    Check("GetVersionExA");
    return Record;
  }
  std::string WindowsDirectory() const override {
    Check("GetWindowsDirectoryA");
    return Windows;
  }
  std::string SystemDirectory() const override {
    Check("GetSystemDirectoryA");
    return System;
  }
  platform::TLangId UserDefaultLangId() const override { return LangId; }

private:
  void Check(const char* Call) const {
    if (Fail) throw platform::EPlatformError(Call, "", platform::errGenFailure);
  }
};

} // namespace quendel::test
