#pragma once
// The shell's special folders, named by their CSIDL numbers.
//
// Same error rule as the other ports: a failure throws EPlatformError naming
// the call; the Try form returns the code instead.

#include <string>

#include "platform/error.h"

namespace quendel::platform {

// The CSIDL numbers the setup program asks for.
inline constexpr int csidlPrograms = 2;
inline constexpr int csidlControls = 3;
inline constexpr int csidlPrinters = 4;
inline constexpr int csidlFavorites = 6;
inline constexpr int csidlStartup = 7;
inline constexpr int csidlRecent = 8;
inline constexpr int csidlSendTo = 9;
inline constexpr int csidlBitBucket = 10;
inline constexpr int csidlStartMenu = 11;
inline constexpr int csidlDesktopDirectory = 16;
inline constexpr int csidlCommonStartMenu = 22;
inline constexpr int csidlCommonPrograms = 23;
inline constexpr int csidlCommonStartup = 24;
inline constexpr int csidlCommonDesktopDirectory = 25;
inline constexpr int csidlAppData = 26;
inline constexpr int csidlAltStartup = 29;
inline constexpr int csidlCommonAltStartup = 30;
inline constexpr int csidlCommonFavorites = 31;
inline constexpr int csidlCookies = 33;

// HRESULTs of SHGetSpecialFolderLocation, as error codes.
inline constexpr TErrorCode hrFail = 0x80004005;       // E_FAIL: no such folder here
inline constexpr TErrorCode hrInvalidArg = 0x80070057; // E_INVALIDARG: unknown number

class IShell {
public:
  IShell() = default;
  IShell(const IShell&) = delete;
  IShell& operator=(const IShell&) = delete;
  virtual ~IShell() = default;

  // SHGetSpecialFolderLocation (no owner window), SHGetPathFromIDListA, and
  // the item list freed with CoTaskMemFree. The path is the shell's text as
  // it stands: it may end in "\", and a virtual folder may answer with a
  // "::{GUID}" text. A folder the shell does not have fails with its HRESULT
  // (hrFail, hrInvalidArg); one without a file-system path (the control
  // panel, the recycle bin) fails in SHGetPathFromIDListA with errPathNotFound.
  virtual std::string SpecialFolderPath(int csidl) = 0;

  // The path, or "" with the code in error.
  std::string TrySpecialFolderPath(int csidl, TErrorCode& error);
};

} // namespace quendel::platform
