#pragma once
// Errors of the operating-system ports. Every failing call becomes one
// EPlatformError that names the call, its arguments and a Windows error code.
// The native adapters report the same codes as Windows for the same faults.
//
// EPlatformError belongs to the system's own exception family, so that an
// upper layer that replaces it with a message of its own keeps it as the
// cause (ThrowWithCause) and a caller can still ask for the code
// (PlatformErrorCode) without parsing any text.

#include "core/exceptions.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quendel::platform {

// Windows system error codes (winerror.h values).
using TErrorCode = std::uint32_t;
inline constexpr TErrorCode errSuccess = 0;
inline constexpr TErrorCode errInvalidFunction = 1;
inline constexpr TErrorCode errFileNotFound = 2;
inline constexpr TErrorCode errPathNotFound = 3;
inline constexpr TErrorCode errTooManyOpenFiles = 4;
inline constexpr TErrorCode errAccessDenied = 5;
inline constexpr TErrorCode errInvalidHandle = 6;
inline constexpr TErrorCode errNotEnoughMemory = 8;
inline constexpr TErrorCode errInvalidData = 13;
inline constexpr TErrorCode errNotSameDevice = 17;
inline constexpr TErrorCode errWriteProtect = 19;
inline constexpr TErrorCode errGenFailure = 31;
inline constexpr TErrorCode errSharingViolation = 32;
inline constexpr TErrorCode errHandleEof = 38;
inline constexpr TErrorCode errNotSupported = 50;
inline constexpr TErrorCode errFileExists = 80;
inline constexpr TErrorCode errInvalidParameter = 87;
inline constexpr TErrorCode errDiskFull = 112;
inline constexpr TErrorCode errInsufficientBuffer = 122;
inline constexpr TErrorCode errInvalidName = 123;
inline constexpr TErrorCode errModNotFound = 126;
inline constexpr TErrorCode errProcNotFound = 127;
inline constexpr TErrorCode errNegativeSeek = 131;
inline constexpr TErrorCode errDirNotEmpty = 145;
inline constexpr TErrorCode errBadPathName = 161;
inline constexpr TErrorCode errAlreadyExists = 183;
inline constexpr TErrorCode errBadExeFormat = 193;
inline constexpr TErrorCode errFilenameExcedRange = 206;
inline constexpr TErrorCode errMoreData = 234;
inline constexpr TErrorCode errNoMoreItems = 259;
inline constexpr TErrorCode errDirectory = 267;
inline constexpr TErrorCode errBadDb = 1009;
inline constexpr TErrorCode errKeyDeleted = 1018;
inline constexpr TErrorCode errUnsupportedType = 1630;
// HRESULTs of the OLE calls.
inline constexpr TErrorCode hrTypeCantLoadLibrary = 0x80029C4A; // TYPE_E_CANTLOADLIBRARY

// The symbolic name of a code ("ERROR_FILE_NOT_FOUND"), or "" for a code this
// table does not know.
std::string_view ErrorName(TErrorCode code);

class EPlatformError : public Exception {
public:
  // A call that failed without leaving an error code still failed: code 0
  // becomes errGenFailure, so that Code() never reads as success.
  EPlatformError(std::string call, std::string arguments, TErrorCode code);

  const std::string& Call() const noexcept { return call_; }
  const std::string& Arguments() const noexcept { return arguments_; }
  TErrorCode Code() const noexcept { return code_; }

protected:
  // For a failure that is better told in words of its own than as a call.
  struct TOwnMessage {};
  EPlatformError(TOwnMessage, std::string message, std::string call, TErrorCode code);

private:
  std::string call_;
  std::string arguments_;
  TErrorCode code_;
};

// A port the program was composed without (the uninstaller has no process,
// shortcut or transfer adapter) was used: a mistake in composing the program,
// reported as a failure of that port (ERROR_NOT_SUPPORTED) rather than a
// null dereference.
class EAbsentPort : public EPlatformError {
public:
  explicit EAbsentPort(std::string port);
};
[[noreturn]] void ThrowAbsentPort(const char* port);

// The first platform error along Error's chain of causes (Error itself
// first), or nullptr.
inline const EPlatformError* FindPlatformError(const std::exception& Error) {
  return FindInCauses<EPlatformError>(Error);
}
// The Windows error code of that platform error, or errSuccess when no
// operating-system call lies behind Error.
inline TErrorCode PlatformErrorCode(const std::exception& Error) {
  const EPlatformError* Found = FindPlatformError(Error);
  return Found ? Found->Code() : errSuccess;
}

// Helpers for the argument lists of error texts.
std::string QuoteArg(std::string_view text); // "C:\x.txt" with the quotes
std::string HexArg(std::uint32_t value);     // 0x80000001

} // namespace quendel::platform
