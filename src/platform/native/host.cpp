#include "platform/native/host.h"

#include <cerrno>
#include <cstdint>

namespace quendel::platform::native {

TErrorCode ErrnoToWindows(int error) {
  switch (error) {
  case 0:
    return errSuccess;
  case ENOENT:
    return errFileNotFound;
  case ENOTDIR:
    return errPathNotFound;
  case EACCES:
  case EPERM:
  case EISDIR:
    return errAccessDenied;
  case EBADF:
    return errInvalidHandle;
  case ENOMEM:
    return errNotEnoughMemory;
  case EXDEV:
    return errNotSameDevice;
  case EROFS:
    return errWriteProtect;
  case EBUSY:
  case ETXTBSY:
    return errSharingViolation;
  case EEXIST:
    return errFileExists;
  case EINVAL:
    return errInvalidParameter;
  case ENOSPC:
  case EDQUOT:
  case EFBIG:
    return errDiskFull;
  case EMFILE:
  case ENFILE:
    return errTooManyOpenFiles;
  case ENAMETOOLONG:
    return errFilenameExcedRange;
  case ENOTEMPTY:
    return errDirNotEmpty;
  case EILSEQ:
    return errInvalidName;
  case ENOTSUP:
    return errNotSupported;
  default:
    return errGenFailure;
  }
}

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;

} // namespace

TFileStamp StampFromHost(const timespec& time) {
  const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + kSecondsFrom1601To1970;
  if (seconds < 0) return 0;
  return static_cast<TFileStamp>(seconds) * kTicksPerSecond +
         static_cast<TFileStamp>(time.tv_nsec / 100);
}

timespec HostFromStamp(TFileStamp stamp) {
  timespec time{};
  time.tv_sec = static_cast<std::time_t>(static_cast<std::int64_t>(stamp / kTicksPerSecond) -
                                         kSecondsFrom1601To1970);
  time.tv_nsec = static_cast<long>(stamp % kTicksPerSecond) * 100;
  return time;
}

} // namespace quendel::platform::native
