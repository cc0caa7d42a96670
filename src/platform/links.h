#pragma once
// Shortcuts on disk: shell links (".lnk"), internet shortcuts (".URL") and
// hard links.
//
// Same error rule as the other ports. A shell-link failure names the
// interface method that failed ("IShellLinkA::SetPath", "IPersistFile::Save")
// and carries its HRESULT as the code; a hard-link failure names the step
// ("LoadLibraryA", "GetProcAddress" or "CreateHardLinkA"), because the caller
// reports each one differently.

#include <cstdint>
#include <string>

#include "platform/error.h"
#include "platform/shell.h" // hrFail, hrInvalidArg

namespace quendel::platform {

// HRESULTs a shell link can fail with, as error codes.
inline constexpr TErrorCode hrUnexpected = 0x8000FFFF;       // E_UNEXPECTED
inline constexpr TErrorCode hrNoAggregation = 0x80040110;    // CLASS_E_NOAGGREGATION
inline constexpr TErrorCode hrClassNotRegistered = 0x80040154; // REGDB_E_CLASSNOTREG
inline constexpr TErrorCode hrOutOfMemory = 0x8007000E;      // E_OUTOFMEMORY

// The SW_* show commands a shell link may carry.
inline constexpr int swShowNormal = 1;
inline constexpr int swShowMaximized = 3;
inline constexpr int swShowMinNoActive = 7;

// HOTKEYF_* modifier flags, in the high byte of a hot key.
inline constexpr std::uint16_t hotkeyShift = 0x0100;
inline constexpr std::uint16_t hotkeyControl = 0x0200;
inline constexpr std::uint16_t hotkeyAlt = 0x0400;
inline constexpr std::uint16_t hotkeyExt = 0x0800;

// What a shell link holds, as IShellLinkA sets and gets it.
struct TShellLink {
  std::string Path;             // the target
  std::string Arguments;
  std::string WorkingDirectory;
  std::string Description;
  std::string IconPath;
  int IconIndex = 0;
  std::uint16_t HotKey = 0;     // virtual key in the low byte, HOTKEYF_* in the high byte
  int ShowCommand = swShowNormal;

  bool operator==(const TShellLink&) const = default;
};

class ILinks {
public:
  ILinks() = default;
  ILinks(const ILinks&) = delete;
  ILinks& operator=(const ILinks&) = delete;
  virtual ~ILinks() = default;

  // Creates (or replaces) the link file: the shell's ShellLink object
  // through IShellLinkA, saved with IPersistFile::Save. The directory must
  // exist. Fields are set in the order path, hot key, arguments, working
  // directory, description, icon location (only when IconPath is not empty),
  // show command.
  virtual void SaveShellLink(const std::string& linkFile, const TShellLink& link) = 0;
  // IPersistFile::Load and the IShellLinkA getters.
  virtual TShellLink LoadShellLink(const std::string& linkFile) = 0;

  // WritePrivateProfileStringA(section "InternetShortcut", key "URL"): a new
  // file, or the key set in an existing one.
  virtual void WriteInternetShortcut(const std::string& linkFile, const std::string& url) = 0;
  // GetPrivateProfileStringA of the same key; a file or key that is not there
  // fails with errFileNotFound.
  virtual std::string ReadInternetShortcut(const std::string& linkFile) = 0;

  // CreateHardLinkA of kernel32, looked up at run time because systems
  // before Windows 2000 lack it: newName becomes a second name of existing.
  virtual void MakeHardLink(const std::string& newName, const std::string& existing) = 0;
};

} // namespace quendel::platform
