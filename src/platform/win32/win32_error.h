#pragma once
// Failing Win32 calls as platform errors.

#include <windows.h>

#include <string>

#include "platform/error.h"

namespace quendel::platform::win32 {

// For calls that report through GetLastError. A last error of 0 still
// throws (as errGenFailure). Build the arguments before the failing call:
// allocating between the call and this one could change the last error.
[[noreturn]] void ThrowLastError(const char* call, const std::string& arguments);

// For calls that return their error (the Reg* family).
[[noreturn]] void ThrowError(const char* call, const std::string& arguments, LONG code);

} // namespace quendel::platform::win32
