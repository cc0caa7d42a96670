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

std::uint32_t TWin32SystemInfo::RestartWindows(bool EnableShutdownPrivilege) {
  if (EnableShutdownPrivilege) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
      return ::GetLastError();
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    DWORD error = 0;
    if (!::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
      error = ::GetLastError();
    // AdjustTokenPrivileges succeeds without enabling a privilege the token
    // lacks; the last error then says so.
    else if (!::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) ||
             ::GetLastError() != ERROR_SUCCESS)
      error = ::GetLastError();
    ::CloseHandle(token);
    if (error != 0) return error;
  }
  if (!::ExitWindowsEx(EWX_REBOOT, 0)) {
    const DWORD error = ::GetLastError();
    return error != 0 ? error : ERROR_GEN_FAILURE;
  }
  return 0;
}

} // namespace quendel::platform::win32
