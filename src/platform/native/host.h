#pragma once
// Translations between the host (POSIX) and the Windows view of the same facts.

#include <ctime>

#include "platform/error.h"
#include "platform/files.h"

namespace quendel::platform::native {

// The Windows error code for an errno value; errGenFailure for one without
// a counterpart.
TErrorCode ErrnoToWindows(int error);

// FILETIME stamps and host times. Stamps before 1601 cannot exist; host times
// before it become stamp 0.
TFileStamp StampFromHost(const timespec& time);
timespec HostFromStamp(TFileStamp stamp);

} // namespace quendel::platform::native
