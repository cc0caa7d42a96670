#include "platform/win32/win32_sysinfo.h"

#include <windows.h>

#include "platform/win32/win32_error.h"

namespace quendel::platform::win32 {

namespace {

template <typename Fill> std::string FetchDirectory(const char* call, Fill fill) {
  std::string text(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const UINT length = fill(text.data(), static_cast<UINT>(text.size()));
    if (length == 0) ThrowLastError(call, "");
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    text.assign(length, '\0');
  }
  throw EPlatformError(call, "", errInsufficientBuffer);
}

} // namespace

TOSVersionInfo TWin32SystemInfo::Version() const {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExA(&info)) ThrowLastError("GetVersionExA", "");
  TOSVersionInfo version;
  version.dwMajorVersion = info.dwMajorVersion;
  version.dwMinorVersion = info.dwMinorVersion;
  version.dwBuildNumber = info.dwBuildNumber;
  version.dwPlatformId = info.dwPlatformId;
  version.szCSDVersion.assign(info.szCSDVersion,
                              strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
  return version;
}

std::string TWin32SystemInfo::WindowsDirectory() const {
  return FetchDirectory("GetWindowsDirectoryA", [](char* buffer, UINT size) {
    return ::GetWindowsDirectoryA(buffer, size);
  });
}

std::string TWin32SystemInfo::SystemDirectory() const {
  return FetchDirectory("GetSystemDirectoryA", [](char* buffer, UINT size) {
    return ::GetSystemDirectoryA(buffer, size);
  });
}

TLangId TWin32SystemInfo::UserDefaultLangId() const {
  return ::GetUserDefaultLangID();
}

} // namespace quendel::platform::win32
