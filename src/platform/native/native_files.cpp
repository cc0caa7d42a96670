#include "platform/native/native_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <type_traits>
#include <utility>

#include "platform/call_args.h"
#include "platform/native/host.h"
#include "platform/native/names.h"

namespace quendel::platform::native {

namespace {

// Access rights, in the same bit positions as the share mode that allows them.
using TRights = std::uint32_t;
constexpr TRights rightRead = shareRead;
constexpr TRights rightWrite = shareWrite;
constexpr TRights rightDelete = shareDelete;

struct TFileId {
  dev_t Dev = 0;
  ino_t Ino = 0;
  auto operator<=>(const TFileId&) const = default;
};

TFileId IdOf(const struct stat& info) {
  return {info.st_dev, info.st_ino};
}

struct THandleRights {
  TRights Access;
  TShareMode Share;
};

// The DOS attributes the host file system cannot hold: for files all but
// read-only (which is the host's write permission), for directories all.
constexpr TFileAttributes kSettableAttributes =
    faReadOnly | faHidden | faSystem | faArchive | faTemporary;

[[noreturn]] void Fail(const char* call, const std::string& args, TErrorCode code) {
  throw EPlatformError(call, args, code);
}

[[noreturn]] void FailErrno(const char* call, const std::string& args) {
  throw EPlatformError(call, args, ErrnoToWindows(errno));
}

// For arguments not built yet: errno is taken before building them can change it.
template <typename Describe>
requires std::is_invocable_r_v<std::string, Describe>
[[noreturn]] void FailErrno(const char* call, Describe&& describe) {
  const int error = errno;
  throw EPlatformError(call, describe(), ErrnoToWindows(error));
}

class TFd {
public:
  explicit TFd(int fd = -1) : fd_(fd) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

private:
  int fd_;
};

bool WriteAll(int fd, const unsigned char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t done = ::write(fd, bytes, std::min<std::size_t>(count, 1u << 30));
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (done == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes += done;
    count -= static_cast<std::size_t>(done);
  }
  return true;
}

} // namespace

struct TNativeFileSystem::TShared {
  std::multimap<TFileId, THandleRights> Handles;
  std::map<TFileId, TFileAttributes> Attributes;

  // Windows' rule: every open handle must share what the new one wants to do,
  // and the new one must share what every open handle does.
  bool Compatible(const TFileId& id, TRights access, TShareMode share) const {
    const auto [first, last] = Handles.equal_range(id);
    for (auto it = first; it != last; ++it) {
      if ((access & ~it->second.Share) != 0) return false;
      if ((it->second.Access & ~share) != 0) return false;
    }
    return true;
  }

  TFileAttributes AttributesOf(const struct stat& info) const {
    const auto it = Attributes.find(IdOf(info));
    if (S_ISDIR(info.st_mode)) return faDirectory | (it == Attributes.end() ? 0 : it->second);
    TFileAttributes attributes = it == Attributes.end() ? faArchive : it->second;
    if ((info.st_mode & S_IWUSR) == 0) attributes |= faReadOnly;
    return attributes == 0 ? faNormal : attributes;
  }

  // The name is gone; when it was the last one, so are the attributes.
  void Forget(const struct stat& info) {
    if (S_ISDIR(info.st_mode) || info.st_nlink <= 1) Attributes.erase(IdOf(info));
  }
};

namespace {

bool IsReadOnlyFile(const TNativeFileSystem::TShared& shared, const struct stat& info) {
  return !S_ISDIR(info.st_mode) && (shared.AttributesOf(info) & faReadOnly) != 0;
}

class TNativeFile : public IFile {
public:
  using THandle = std::multimap<TFileId, THandleRights>::iterator;

  TNativeFile(TNativeFileSystem& system, std::shared_ptr<TNativeFileSystem::TShared> shared, int fd,
              THandle handle, TRights access, std::string path)
      : system_(system), shared_(std::move(shared)), fd_(fd), handle_(handle), access_(access),
        path_(std::move(path)) {}

  ~TNativeFile() override {
    ::close(fd_);
    shared_->Handles.erase(handle_);
  }

  const std::string& Path() const override { return path_; }

  std::size_t Read(void* buffer, std::size_t count) override {
    Require(rightRead, "ReadFile", count);
    for (;;) {
      const ssize_t done = ::read(fd_, buffer, std::min<std::size_t>(count, 1u << 30));
      if (done >= 0) return static_cast<std::size_t>(done);
      if (errno != EINTR) FailErrno("ReadFile", [&] { return Args(count); });
    }
  }

  void Write(const void* buffer, std::size_t count) override {
    Require(rightWrite, "WriteFile", count);
    if (!WriteAll(fd_, static_cast<const unsigned char*>(buffer), count))
      FailErrno("WriteFile", [&] { return Args(count); });
  }

  std::uint64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    std::uint64_t base = 0;
    if (origin == TSeekOrigin::soCurrent) base = Tell();
    if (origin == TSeekOrigin::soEnd) base = Size();
    const std::string args = QuoteArg(path_) + ", " + std::to_string(offset);
    if (offset < 0 && static_cast<std::uint64_t>(-(offset + 1)) + 1 > base)
      Fail("SetFilePointerEx", args, errNegativeSeek);
    const std::uint64_t target = offset < 0 ? base - (static_cast<std::uint64_t>(-(offset + 1)) + 1)
                                            : base + static_cast<std::uint64_t>(offset);
    if (target > static_cast<std::uint64_t>(INT64_MAX))
      Fail("SetFilePointerEx", args, errInvalidParameter);
    if (::lseek(fd_, static_cast<off_t>(target), SEEK_SET) < 0) FailErrno("SetFilePointerEx", args);
    return target;
  }

  std::uint64_t Size() override {
    return static_cast<std::uint64_t>(Stat("GetFileSizeEx").st_size);
  }

  void Truncate() override {
    Require(rightWrite, "SetEndOfFile", 0);
    if (::ftruncate(fd_, static_cast<off_t>(Tell())) != 0)
      FailErrno("SetEndOfFile", [&] { return QuoteArg(path_); });
  }

  TFileStamp GetStamp() override { return StampFromHost(Stat("GetFileTime").st_mtim); }

  void SetStamp(TFileStamp stamp) override {
    Require(rightWrite, "SetFileTime", 0);
    const timespec times[2] = {{0, UTIME_OMIT}, HostFromStamp(stamp)};
    if (::futimens(fd_, times) != 0)
      FailErrno("SetFileTime", [&] { return QuoteArg(path_) + ", " + std::to_string(stamp); });
  }

  void Flush() override {
    Require(rightWrite, "FlushFileBuffers", 0);
    if (::fsync(fd_) != 0) FailErrno("FlushFileBuffers", [&] { return QuoteArg(path_); });
  }

  TErrorCode TryRename(const std::string& target, bool replaceExisting) override {
    if ((access_ & rightDelete) == 0) return errAccessDenied;
    const TErrorCode error = system_.RenameOpenFile(path_, target, replaceExisting);
    if (error == errSuccess) path_ = target;
    return error;
  }

private:
  std::string Args(std::size_t count) const {
    return QuoteArg(path_) + ", " + std::to_string(count) + " bytes";
  }

  void Require(TRights right, const char* call, std::size_t count) const {
    if ((access_ & right) == 0) Fail(call, Args(count), errAccessDenied);
  }

  std::uint64_t Tell() const {
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    if (position < 0) FailErrno("SetFilePointerEx", [&] { return QuoteArg(path_); });
    return static_cast<std::uint64_t>(position);
  }

  struct stat Stat(const char* call) const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) FailErrno(call, [&] { return QuoteArg(path_); });
    return info;
  }

  TNativeFileSystem& system_; // outlives its files, as a machine's does
  std::shared_ptr<TNativeFileSystem::TShared> shared_;
  int fd_;
  THandle handle_;
  TRights access_;
  std::string path_;
};

std::string DefaultTemp(const TDriveMap& drives, const TWinPath& current) {
  std::error_code error;
  const std::filesystem::path host = std::filesystem::temp_directory_path(error);
  if (!error) {
    if (const auto path = drives.FromHost(host.string())) {
      std::string text = path->Text();
      if (text.back() != '\\') text += '\\';
      return text;
    }
  }
  return current.Text() + "TEMP\\";
}

} // namespace

struct TNativeFileSystem::TResolved {
  TWinPath Win;
  THostPath Host;
  bool TrailingSeparator = false;
  struct stat Info {}; // valid when Host.Exists()
};

TNativeFileSystem::TNativeFileSystem(TDriveMap drives)
    : shared_(std::make_shared<TShared>()), drives_(std::move(drives)) {
  if (!drives_.HostRoot('C') && !drives_.Drives().empty())
    current_.Drive = drives_.Drives().begin()->first;
  temp_ = DefaultTemp(drives_, current_);
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  tempCounter_ = static_cast<std::uint32_t>(ticks) & 0xFFFF;
}

TNativeFileSystem::~TNativeFileSystem() = default;

TNativeFileSystem::TResolved TNativeFileSystem::Resolve(const char* call, const std::string& args,
                                                        const std::string& path) {
  TResolved resolved;
  const TErrorCode error =
      ParseWinPath(path, current_, resolved.Win, {}, &resolved.TrailingSeparator);
  if (error != errSuccess) Fail(call, args, error);
  Locate(call, args, resolved);
  return resolved;
}

void TNativeFileSystem::Locate(const char* call, const std::string& args, TResolved& resolved) {
  if (const TErrorCode error = ResolveHost(drives_, resolved.Win, resolved.Host);
      error != errSuccess)
    Fail(call, args, error);
  if (resolved.Host.Exists() && ::stat(resolved.Host.Path.c_str(), &resolved.Info) != 0)
    FailErrno(call, args);
}

bool TNativeFileSystem::FileExists(const std::string& path) {
  try {
    const TResolved resolved = Resolve("GetFileAttributesA", QuoteArg(path), path);
    return resolved.Host.Exists() && !S_ISDIR(resolved.Info.st_mode);
  } catch (const EPlatformError&) {
    return false;
  }
}

bool TNativeFileSystem::DirectoryExists(const std::string& path) {
  try {
    const TResolved resolved = Resolve("GetFileAttributesA", QuoteArg(path), path);
    return resolved.Host.Exists() && S_ISDIR(resolved.Info.st_mode);
  } catch (const EPlatformError&) {
    return false;
  }
}

std::unique_ptr<IFile> TNativeFileSystem::Open(const std::string& path, TFileAccess access,
                                               TShareMode share, TCreation creation) {
  const char* call = "CreateFileA";
  const std::string args = QuoteArg(path) + ", " + AccessArg(access) + ", " + HexArg(share) + ", " +
                           CreationArg(creation);
  const TResolved resolved = Resolve(call, args, path);
  if (resolved.TrailingSeparator) Fail(call, args, errInvalidName);
  if (!resolved.Host.ParentExists()) Fail(call, args, errPathNotFound);

  const TRights rights = access == TFileAccess::Read        ? rightRead
                         : access == TFileAccess::Write     ? rightWrite
                         : access == TFileAccess::ReadWrite ? rightRead | rightWrite
                                                            : rightRead | rightWrite | rightDelete;
  const bool truncate =
      creation == TCreation::CreateAlways || creation == TCreation::TruncateExisting;
  if (creation == TCreation::TruncateExisting && (rights & rightWrite) == 0)
    Fail(call, args, errInvalidParameter);

  const bool exists = resolved.Host.Exists();
  if (exists) {
    if (S_ISDIR(resolved.Info.st_mode)) Fail(call, args, errAccessDenied);
    if (creation == TCreation::CreateNew) Fail(call, args, errFileExists);
    if (((rights & rightWrite) != 0 || truncate) && IsReadOnlyFile(*shared_, resolved.Info))
      Fail(call, args, errAccessDenied);
  } else if (creation == TCreation::OpenExisting || creation == TCreation::TruncateExisting) {
    Fail(call, args, errFileNotFound);
  }

  int flags = O_CLOEXEC | (access == TFileAccess::Read    ? O_RDONLY
                           : access == TFileAccess::Write ? O_WRONLY
                                                          : O_RDWR);
  if (!exists) flags |= O_CREAT | O_EXCL;
  TFd fd(::open(resolved.Host.Path.c_str(), flags, 0666));
  if (fd.Get() < 0) FailErrno(call, args);

  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) FailErrno(call, args);
  const TFileId id = IdOf(info);
  if (!shared_->Compatible(id, rights, share)) Fail(call, args, errSharingViolation);
  if (!exists) shared_->Attributes.erase(id); // a reused inode starts afresh
  if (exists && truncate && ::ftruncate(fd.Get(), 0) != 0) FailErrno(call, args);

  const auto handle = shared_->Handles.emplace(id, THandleRights{rights, share});
  return std::make_unique<TNativeFile>(*this, shared_, fd.Release(), handle, rights, path);
}

TFileAttributes TNativeFileSystem::GetAttributes(const std::string& path) {
  const char* call = "GetFileAttributesA";
  const TResolved resolved = Resolve(call, QuoteArg(path), path);
  if (!resolved.Host.Exists()) Fail(call, QuoteArg(path), resolved.Host.MissingCode());
  return shared_->AttributesOf(resolved.Info);
}

void TNativeFileSystem::SetAttributes(const std::string& path, TFileAttributes attributes) {
  const char* call = "SetFileAttributesA";
  const std::string args = QuoteArg(path) + ", " + HexArg(attributes);
  const TResolved resolved = Resolve(call, args, path);
  if (!resolved.Host.Exists()) Fail(call, args, resolved.Host.MissingCode());
  const TFileId id = IdOf(resolved.Info);
  attributes &= kSettableAttributes;
  if (S_ISDIR(resolved.Info.st_mode)) {
    shared_->Attributes[id] = attributes;
    return;
  }
  const mode_t mode = resolved.Info.st_mode & 07777;
  const mode_t wanted = (attributes & faReadOnly) ? mode & ~mode_t{0222} : mode | S_IWUSR;
  if (wanted != mode && ::chmod(resolved.Host.Path.c_str(), wanted) != 0) FailErrno(call, args);
  shared_->Attributes[id] = attributes & ~faReadOnly;
}

TFileStamp TNativeFileSystem::GetStamp(const std::string& path) {
  const char* call = "GetFileAttributesExA";
  const TResolved resolved = Resolve(call, QuoteArg(path), path);
  if (!resolved.Host.Exists()) Fail(call, QuoteArg(path), resolved.Host.MissingCode());
  return StampFromHost(resolved.Info.st_mtim);
}

void TNativeFileSystem::SetStamp(const std::string& path, TFileStamp stamp) {
  const char* call = "SetFileTime";
  const std::string args = QuoteArg(path) + ", " + std::to_string(stamp);
  const TResolved resolved = Resolve(call, args, path);
  if (!resolved.Host.Exists()) Fail(call, args, resolved.Host.MissingCode());
  const timespec times[2] = {{0, UTIME_OMIT}, HostFromStamp(stamp)};
  if (::utimensat(AT_FDCWD, resolved.Host.Path.c_str(), times, 0) != 0) FailErrno(call, args);
}

std::vector<TFindData> TNativeFileSystem::FindFiles(const std::string& pattern) {
  const char* call = "FindFirstFileA";
  const std::string args = QuoteArg(pattern);
  TParseOptions options;
  options.WildcardsInLeaf = true;
  TResolved resolved;
  if (const TErrorCode error =
          ParseWinPath(pattern, current_, resolved.Win, options, &resolved.TrailingSeparator);
      error != errSuccess)
    Fail(call, args, error);
  std::vector<TFindData> found;
  if (resolved.TrailingSeparator || resolved.Win.IsRoot()) return found; // names no file

  TResolved directory;
  directory.Win = resolved.Win.Parent();
  Locate(call, args, directory);
  if (!directory.Host.Exists() || !S_ISDIR(directory.Info.st_mode))
    Fail(call, args, errPathNotFound);
  const THostPath& hostDirectory = directory.Host;
  const struct stat& info = directory.Info;
  const std::string& leaf = resolved.Win.Leaf();

  auto add = [&](std::string name, const struct stat& entry) {
    TFindData data;
    data.Name = std::move(name);
    data.Attributes = shared_->AttributesOf(entry);
    data.Size = S_ISDIR(entry.st_mode) ? 0 : static_cast<std::uint64_t>(entry.st_size);
    data.Stamp = StampFromHost(entry.st_mtim);
    found.push_back(std::move(data));
  };

  if (!HasWildcards(leaf)) {
    Locate(call, args, resolved);
    if (resolved.Host.Exists())
      add(std::filesystem::path(resolved.Host.Path).filename().string(), resolved.Info);
    return found;
  }

  if (!directory.Win.IsRoot()) {
    struct stat parent {};
    if (MatchPattern(leaf, ".")) add(".", info);
    if (MatchPattern(leaf, "..") && ::stat((hostDirectory.Path + "/..").c_str(), &parent) == 0)
      add("..", parent);
  }
  const std::size_t dots = found.size();

  struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
  };
  std::unique_ptr<DIR, DirCloser> dir(::opendir(hostDirectory.Path.c_str()));
  if (!dir) FailErrno(call, args);
  errno = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || !MatchPattern(leaf, name)) continue;
    struct stat entryInfo {};
    const std::string hostPath = (hostDirectory.Path == "/" ? "" : hostDirectory.Path) + "/" + name;
    if (::stat(hostPath.c_str(), &entryInfo) != 0) continue; // a dangling link is no file
    add(name, entryInfo);
  }
  std::sort(
      found.begin() + static_cast<std::ptrdiff_t>(dots), found.end(),
      [](const TFindData& a, const TFindData& b) { return CompareNames(a.Name, b.Name) < 0; });
  return found;
}

std::uint64_t TNativeFileSystem::FreeSpace(const std::string& path) {
  const char* call = "GetDiskFreeSpaceExA";
  const TResolved resolved = Resolve(call, QuoteArg(path), path);
  if (!resolved.Host.Exists()) Fail(call, QuoteArg(path), resolved.Host.MissingCode());
  struct statvfs info {};
  if (::statvfs(resolved.Host.Path.c_str(), &info) != 0)
    FailErrno(call, [&] { return QuoteArg(path); });
  return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

void TNativeFileSystem::MakeDirectory(const std::string& path) {
  const char* call = "CreateDirectoryA";
  const TResolved resolved = Resolve(call, QuoteArg(path), path);
  if (resolved.Host.Exists()) Fail(call, QuoteArg(path), errAlreadyExists);
  if (!resolved.Host.ParentExists()) Fail(call, QuoteArg(path), errPathNotFound);
  if (::mkdir(resolved.Host.Path.c_str(), 0777) != 0) {
    if (errno == EEXIST) Fail(call, QuoteArg(path), errAlreadyExists);
    FailErrno(call, [&] { return QuoteArg(path); });
  }
  struct stat info {};
  if (::stat(resolved.Host.Path.c_str(), &info) == 0) shared_->Attributes.erase(IdOf(info));
}

void TNativeFileSystem::RemoveDir(const std::string& path) {
  const char* call = "RemoveDirectoryA";
  const TResolved resolved = Resolve(call, QuoteArg(path), path);
  if (resolved.Win.IsRoot()) Fail(call, QuoteArg(path), errAccessDenied); // never a mapped root
  if (!resolved.Host.Exists()) Fail(call, QuoteArg(path), resolved.Host.MissingCode());
  if (!S_ISDIR(resolved.Info.st_mode)) Fail(call, QuoteArg(path), errDirectory);
  if (::rmdir(resolved.Host.Path.c_str()) != 0) {
    if (errno == ENOTEMPTY || errno == EEXIST) Fail(call, QuoteArg(path), errDirNotEmpty);
    FailErrno(call, [&] { return QuoteArg(path); });
  }
  shared_->Forget(resolved.Info);
}

void TNativeFileSystem::RemoveFile(const std::string& path) {
  const char* call = "DeleteFileA";
  const TResolved resolved = Resolve(call, QuoteArg(path), path);
  if (resolved.TrailingSeparator) Fail(call, QuoteArg(path), errInvalidName);
  if (!resolved.Host.Exists()) Fail(call, QuoteArg(path), resolved.Host.MissingCode());
  if (S_ISDIR(resolved.Info.st_mode) || IsReadOnlyFile(*shared_, resolved.Info))
    Fail(call, QuoteArg(path), errAccessDenied);
  if (!shared_->Compatible(IdOf(resolved.Info), rightDelete, shareAll))
    Fail(call, QuoteArg(path), errSharingViolation);
  if (::unlink(resolved.Host.Path.c_str()) != 0) FailErrno(call, [&] { return QuoteArg(path); });
  shared_->Forget(resolved.Info);
}

void TNativeFileSystem::Copy(const std::string& source, const std::string& target,
                             bool failIfExists) {
  const char* call = "CopyFileA";
  const std::string args =
      QuoteArg(source) + ", " + QuoteArg(target) + ", " + BoolArg(failIfExists);
  const TResolved from = Resolve(call, args, source);
  if (from.TrailingSeparator) Fail(call, args, errInvalidName);
  if (!from.Host.Exists()) Fail(call, args, from.Host.MissingCode());
  if (S_ISDIR(from.Info.st_mode)) Fail(call, args, errAccessDenied);
  // The source is read sharing reading and writing, the target written sharing reading.
  if (!shared_->Compatible(IdOf(from.Info), rightRead, shareAll))
    Fail(call, args, errSharingViolation);

  const TResolved to = Resolve(call, args, target);
  if (to.TrailingSeparator) Fail(call, args, errInvalidName);
  if (!to.Host.ParentExists()) Fail(call, args, errPathNotFound);
  const bool exists = to.Host.Exists();
  if (exists) {
    if (IdOf(to.Info) == IdOf(from.Info)) Fail(call, args, errSharingViolation);
    if (failIfExists) Fail(call, args, errFileExists);
    if (S_ISDIR(to.Info.st_mode) || IsReadOnlyFile(*shared_, to.Info))
      Fail(call, args, errAccessDenied);
    if (!shared_->Compatible(IdOf(to.Info), rightWrite, shareRead))
      Fail(call, args, errSharingViolation);
  }

  TFd in(::open(from.Host.Path.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) FailErrno(call, args);
  TFd out(::open(to.Host.Path.c_str(), O_WRONLY | O_CLOEXEC | (exists ? O_TRUNC : O_CREAT | O_EXCL),
                 0666));
  if (out.Get() < 0) FailErrno(call, args);

  // A copy that fails half way leaves no half file behind.
  auto abandon = [&](int error) {
    ::unlink(to.Host.Path.c_str());
    if (exists) shared_->Forget(to.Info);
    throw EPlatformError(call, args, ErrnoToWindows(error));
  };
  std::vector<unsigned char> buffer(64 * 1024);
  for (;;) {
    const ssize_t got = ::read(in.Get(), buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      abandon(errno);
    }
    if (got == 0) break;
    if (!WriteAll(out.Get(), buffer.data(), static_cast<std::size_t>(got))) abandon(errno);
  }

  struct stat outInfo {};
  if (::fstat(out.Get(), &outInfo) != 0) abandon(errno);
  const timespec times[2] = {{0, UTIME_OMIT}, from.Info.st_mtim};
  if (::futimens(out.Get(), times) != 0) abandon(errno);
  if (::fchmod(out.Get(), from.Info.st_mode & 07777) != 0) abandon(errno);
  const auto attributes = shared_->Attributes.find(IdOf(from.Info));
  if (attributes != shared_->Attributes.end())
    shared_->Attributes[IdOf(outInfo)] = attributes->second;
  else
    shared_->Attributes.erase(IdOf(outInfo));
}

void TNativeFileSystem::Move(const std::string& source, const std::string& target,
                             TMoveFlags flags) {
  const char* call = "MoveFileExA";
  const std::string args = QuoteArg(source) + ", " + QuoteArg(target) + ", " + HexArg(flags);

  if (flags & moveDelayUntilReboot) {
    if (flags & moveCopyAllowed) Fail(call, args, errInvalidParameter);
    TPendingRename rename;
    rename.Source = Resolve(call, args, source).Win.Text();
    if (!target.empty()) rename.Target = Resolve(call, args, target).Win.Text();
    rename.ReplaceExisting = (flags & moveReplaceExisting) != 0;
    pending_.push_back(std::move(rename));
    return;
  }

  MoveNow(call, args, source, target, flags, false);
}

TErrorCode TNativeFileSystem::RenameOpenFile(const std::string& source, const std::string& target,
                                             bool replaceExisting) {
  try {
    MoveNow("NtSetInformationFile", QuoteArg(source) + ", " + QuoteArg(target), source, target,
            replaceExisting ? moveReplaceExisting : 0, true);
  } catch (const EPlatformError& e) {
    return e.Code();
  }
  return errSuccess;
}

void TNativeFileSystem::MoveNow(const char* call, const std::string& args,
                                const std::string& source, const std::string& target,
                                TMoveFlags flags, bool byHandle) {
  const TResolved from = Resolve(call, args, source);
  if (!from.Host.Exists()) Fail(call, args, from.Host.MissingCode());
  // Through its own handle (opened with delete access, which every other
  // handle had to share) the file needs nobody's leave.
  if (!byHandle && !shared_->Compatible(IdOf(from.Info), rightDelete, shareAll))
    Fail(call, args, errSharingViolation);

  const TResolved to = Resolve(call, args, target);
  if (!to.Host.ParentExists()) Fail(call, args, errPathNotFound);
  std::string hostTarget = to.Host.Path;
  bool replacing = false;
  if (to.Host.Exists()) {
    if (IdOf(to.Info) == IdOf(from.Info)) {
      // The same file under another spelling: a change of case only.
      THostPath parent;
      ResolveHost(drives_, to.Win.Parent(), parent);
      hostTarget = (parent.Path == "/" ? "" : parent.Path) + "/" + to.Win.Leaf();
    } else {
      if ((flags & moveReplaceExisting) == 0) Fail(call, args, errAlreadyExists);
      if (S_ISDIR(to.Info.st_mode) || S_ISDIR(from.Info.st_mode) ||
          IsReadOnlyFile(*shared_, to.Info) ||
          !shared_->Compatible(IdOf(to.Info), rightDelete, shareAll))
        Fail(call, args, errAccessDenied);
      replacing = true;
    }
  }

  if (::rename(from.Host.Path.c_str(), hostTarget.c_str()) != 0) {
    if (errno == EXDEV && (flags & moveCopyAllowed) && !S_ISDIR(from.Info.st_mode)) {
      Copy(source, target, false);
      RemoveFile(source);
      return;
    }
    FailErrno(call, args);
  }
  if (replacing) shared_->Forget(to.Info);
}

void TNativeFileSystem::CreateHardLink(const std::string& newName, const std::string& existing) {
  const char* call = "CreateHardLinkA";
  const std::string args = QuoteArg(newName) + ", " + QuoteArg(existing) + ", NULL";
  const TResolved from = Resolve(call, args, existing);
  if (!from.Host.Exists()) Fail(call, args, from.Host.MissingCode());
  if (S_ISDIR(from.Info.st_mode)) Fail(call, args, errAccessDenied);
  const TResolved to = Resolve(call, args, newName);
  if (to.Host.Exists()) Fail(call, args, errAlreadyExists);
  if (!to.Host.ParentExists()) Fail(call, args, errPathNotFound);
  if (::link(from.Host.Path.c_str(), to.Host.Path.c_str()) != 0) {
    if (errno == EXDEV) Fail(call, args, errNotSameDevice);
    FailErrno(call, args);
  }
}

std::string TNativeFileSystem::ShortPath(const std::string& path) {
  const char* call = "GetShortPathNameA";
  const TResolved resolved = Resolve(call, QuoteArg(path), path);
  if (!resolved.Host.Exists()) Fail(call, QuoteArg(path), resolved.Host.MissingCode());
  return path; // the native machine has no 8.3 names
}

std::string TNativeFileSystem::TempDirectory() {
  return temp_;
}

void TNativeFileSystem::SetTempDirectory(const std::string& path) {
  temp_ = path;
  if (temp_.empty() || (temp_.back() != '\\' && temp_.back() != '/')) temp_ += '\\';
}

std::string TNativeFileSystem::TempFileName(const std::string& directory,
                                            const std::string& prefix) {
  const char* call = "GetTempFileNameA";
  const std::string args = QuoteArg(directory) + ", " + QuoteArg(prefix);
  const TResolved resolved = Resolve(call, args, directory);
  if (!resolved.Host.Exists() || !S_ISDIR(resolved.Info.st_mode)) Fail(call, args, errDirectory);

  std::string base = directory;
  if (base.back() != '\\' && base.back() != '/') base += '\\';
  base += prefix.substr(0, 3);
  for (std::uint32_t attempt = 0; attempt < 0x10000; ++attempt) {
    tempCounter_ = (tempCounter_ + 1) & 0xFFFF;
    if (tempCounter_ == 0) continue; // 0 asks Windows for a name; it never gives one
    char unique[8];
    std::snprintf(unique, sizeof unique, "%X", static_cast<unsigned>(tempCounter_));
    const std::string name = base + unique + ".TMP";
    TErrorCode error = errSuccess;
    if (TryOpen(name, TFileAccess::Write, shareNone, TCreation::CreateNew, error)) return name;
    if (error != errFileExists) Fail(call, args, error);
  }
  Fail(call, args, errFileExists);
}

std::string TNativeFileSystem::GetCurrentDir() {
  return current_.Text();
}

void TNativeFileSystem::SetCurrentDir(const std::string& path) {
  const char* call = "SetCurrentDirectoryA";
  const TResolved resolved = Resolve(call, QuoteArg(path), path);
  if (!resolved.Host.Exists()) Fail(call, QuoteArg(path), resolved.Host.MissingCode());
  if (!S_ISDIR(resolved.Info.st_mode)) Fail(call, QuoteArg(path), errDirectory);
  current_ = resolved.Win;
}

std::vector<TPendingRename> TNativeFileSystem::PerformPendingRenames() {
  std::vector<TPendingRename> failed;
  const std::vector<TPendingRename> renames = std::exchange(pending_, {});
  for (const auto& rename : renames) {
    TErrorCode error = errSuccess;
    if (rename.Target.empty())
      error = DirectoryExists(rename.Source) ? TryRemoveDir(rename.Source)
                                             : TryRemoveFile(rename.Source);
    else
      error =
          TryMove(rename.Source, rename.Target, rename.ReplaceExisting ? moveReplaceExisting : 0);
    if (error != errSuccess) failed.push_back(rename);
  }
  return failed;
}

std::string TNativeFileSystem::HostPath(const std::string& path) {
  return Resolve("HostPath", QuoteArg(path), path).Host.Path;
}

} // namespace quendel::platform::native
