#include "platform/error.h"

#include "core/format.h"

#include <utility>

namespace quendel::platform {

std::string_view ErrorName(TErrorCode code) {
  switch (code) {
  case errSuccess:
    return "ERROR_SUCCESS";
  case errInvalidFunction:
    return "ERROR_INVALID_FUNCTION";
  case errFileNotFound:
    return "ERROR_FILE_NOT_FOUND";
  case errPathNotFound:
    return "ERROR_PATH_NOT_FOUND";
  case errTooManyOpenFiles:
    return "ERROR_TOO_MANY_OPEN_FILES";
  case errAccessDenied:
    return "ERROR_ACCESS_DENIED";
  case errInvalidHandle:
    return "ERROR_INVALID_HANDLE";
  case errNotEnoughMemory:
    return "ERROR_NOT_ENOUGH_MEMORY";
  case errInvalidData:
    return "ERROR_INVALID_DATA";
  case errNotSameDevice:
    return "ERROR_NOT_SAME_DEVICE";
  case errWriteProtect:
    return "ERROR_WRITE_PROTECT";
  case errGenFailure:
    return "ERROR_GEN_FAILURE";
  case errSharingViolation:
    return "ERROR_SHARING_VIOLATION";
  case errHandleEof:
    return "ERROR_HANDLE_EOF";
  case errNotSupported:
    return "ERROR_NOT_SUPPORTED";
  case errFileExists:
    return "ERROR_FILE_EXISTS";
  case errInvalidParameter:
    return "ERROR_INVALID_PARAMETER";
  case errDiskFull:
    return "ERROR_DISK_FULL";
  case errInsufficientBuffer:
    return "ERROR_INSUFFICIENT_BUFFER";
  case errInvalidName:
    return "ERROR_INVALID_NAME";
  case errModNotFound:
    return "ERROR_MOD_NOT_FOUND";
  case errProcNotFound:
    return "ERROR_PROC_NOT_FOUND";
  case errNegativeSeek:
    return "ERROR_NEGATIVE_SEEK";
  case errDirNotEmpty:
    return "ERROR_DIR_NOT_EMPTY";
  case errBadPathName:
    return "ERROR_BAD_PATHNAME";
  case errAlreadyExists:
    return "ERROR_ALREADY_EXISTS";
  case errBadExeFormat:
    return "ERROR_BAD_EXE_FORMAT";
  case errFilenameExcedRange:
    return "ERROR_FILENAME_EXCED_RANGE";
  case errMoreData:
    return "ERROR_MORE_DATA";
  case errNoMoreItems:
    return "ERROR_NO_MORE_ITEMS";
  case errDirectory:
    return "ERROR_DIRECTORY";
  case errBadDb:
    return "ERROR_BADDB";
  case errKeyDeleted:
    return "ERROR_KEY_DELETED";
  case hrTypeCantLoadLibrary:
    return "TYPE_E_CANTLOADLIBRARY";
  case errUnsupportedType:
    return "ERROR_UNSUPPORTED_TYPE";
  default:
    return "";
  }
}

namespace {

std::string Describe(const std::string& call, const std::string& arguments, TErrorCode code,
                     bool codeMissing) {
  // Appends rather than chains of operator+: GCC 12 warns falsely on those at -O3.
  std::string text;
  text.append(call).append("(").append(arguments).append(") failed: error ");
  text.append(std::to_string(code));
  const std::string_view name = ErrorName(code);
  if (!name.empty()) text.append(" ").append(name);
  if (codeMissing) text.append(" (the call set no error code)");
  return text;
}

} // namespace

EPlatformError::EPlatformError(std::string call, std::string arguments, TErrorCode code)
    : Exception(
          Describe(call, arguments, code == errSuccess ? errGenFailure : code, code == errSuccess)),
      call_(std::move(call)), arguments_(std::move(arguments)),
      code_(code == errSuccess ? errGenFailure : code) {}

EPlatformError::EPlatformError(TOwnMessage, std::string message, std::string call, TErrorCode code)
    : Exception(std::move(message)), call_(std::move(call)), code_(code) {}

EAbsentPort::EAbsentPort(std::string port)
    : EPlatformError(TOwnMessage{},
                     "This program was composed without the platform's " + port +
                         " adapter, which this step needs",
                     port, errNotSupported) {}

void ThrowAbsentPort(const char* port) {
  throw EAbsentPort(port);
}

std::string QuoteArg(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      quoted += Format("\\x%.2X", {byte});
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  return quoted;
}

std::string HexArg(std::uint32_t value) {
  return Format("0x%X", {value});
}

} // namespace quendel::platform
