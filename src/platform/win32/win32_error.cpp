#include "platform/win32/win32_error.h"

namespace quendel::platform::win32 {

void ThrowLastError(const char* call, const std::string& arguments) {
  const DWORD code = ::GetLastError(); // first, before anything can change it
  throw EPlatformError(call, arguments, code);
}

void ThrowError(const char* call, const std::string& arguments, LONG code) {
  throw EPlatformError(call, arguments, static_cast<TErrorCode>(code));
}

} // namespace quendel::platform::win32
