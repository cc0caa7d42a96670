#include "platform/win32/win32_files.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/call_args.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_error.h"

namespace quendel::platform::win32 {

namespace {

TFileStamp StampOf(const FILETIME& time) {
  return static_cast<TFileStamp>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

FILETIME FileTimeOf(TFileStamp stamp) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(stamp);
  time.dwHighDateTime = static_cast<DWORD>(stamp >> 32);
  return time;
}

DWORD AccessRights(TFileAccess access) {
  switch (access) {
  case TFileAccess::Read:
    return GENERIC_READ;
  case TFileAccess::Write:
    return GENERIC_WRITE;
  case TFileAccess::ReadWrite:
    return GENERIC_READ | GENERIC_WRITE;
  case TFileAccess::ReadWriteDelete:
    return GENERIC_READ | GENERIC_WRITE | DELETE;
  }
  return 0;
}

// FILE_RENAME_INFORMATION as the native call takes it.
struct TRenameInformation {
  BOOLEAN ReplaceIfExists;
  HANDLE RootDirectory;
  ULONG FileNameLength;
  WCHAR FileName[1];
};

struct TIoStatus {
  union {
    LONG Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
};

using TNtSetInformationFile = LONG(WINAPI*)(HANDLE, TIoStatus*, PVOID, ULONG, int);
using TRtlNtStatusToDosError = ULONG(WINAPI*)(LONG);
constexpr int FileRenameInformationClass = 10;

// Renames the file behind Handle to Target, a full DOS path, through the
// native call that MoveFileExA itself makes on a handle it opens: the same
// rules (a target in use or read-only is refused with ERROR_ACCESS_DENIED),
// without opening the file again.
DWORD RenameByHandle(HANDLE Handle, const std::string& Target, bool Replace) {
  static const auto Set = reinterpret_cast<TNtSetInformationFile>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtSetInformationFile")));
  static const auto ToDos = reinterpret_cast<TRtlNtStatusToDosError>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlNtStatusToDosError")));
  if (!Set || !ToDos) return ERROR_NOT_SUPPORTED;
  // The native call takes a full NT path ("\??\C:\dir\name",
  // "\??\UNC\server\share\name"): the name is made full first, as the
  // path calls do (no "." or "..", one kind of separator).
  char Full[MAX_PATH * 2];
  const DWORD Length = ::GetFullPathNameA(Target.c_str(), sizeof Full, Full, nullptr);
  if (Length == 0 || Length >= sizeof Full) return ERROR_NOT_SUPPORTED;
  const std::string Path(Full, Length);
  std::string Nt;
  if (Path.size() > 2 && Path[1] == ':' && Path[2] == '\\')
    Nt = "\\??\\" + Path;
  else if (Path.rfind("\\\\", 0) == 0 && Path.size() > 2 && Path[2] != '?' && Path[2] != '.')
    Nt = "\\??\\UNC\\" + Path.substr(2);
  else
    return ERROR_NOT_SUPPORTED; // a device path: moved by name
  const int Chars =
      ::MultiByteToWideChar(CP_ACP, 0, Nt.data(), static_cast<int>(Nt.size()), nullptr, 0);
  if (Chars <= 0) return ::GetLastError();
  std::vector<unsigned char> Buffer(sizeof(TRenameInformation) +
                                    static_cast<std::size_t>(Chars) * sizeof(WCHAR));
  auto* Info = reinterpret_cast<TRenameInformation*>(Buffer.data());
  Info->ReplaceIfExists = Replace ? TRUE : FALSE;
  Info->RootDirectory = nullptr;
  Info->FileNameLength = static_cast<ULONG>(Chars) * sizeof(WCHAR);
  ::MultiByteToWideChar(CP_ACP, 0, Nt.data(), static_cast<int>(Nt.size()), Info->FileName, Chars);
  TIoStatus Io{};
  const LONG Status =
      Set(Handle, &Io, Info, static_cast<ULONG>(Buffer.size()), FileRenameInformationClass);
  if (Status >= 0) return ERROR_SUCCESS;
  const ULONG Error = ToDos(Status);
  // An information class the system does not know: moved by name instead.
  return Error == ERROR_INVALID_PARAMETER || Error == ERROR_INVALID_FUNCTION ? ERROR_NOT_SUPPORTED
                                                                             : Error;
}

// The Win32 calls that fill a buffer and return the length they need when
// it is too small: asks until the text fits. fill returns 0 on failure.
template <typename Fill>
std::string FetchText(const char* call, const std::string& args, Fill fill) {
  std::string text(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = fill(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) ThrowLastError(call, args);
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    text.assign(length, '\0'); // length counts the terminating NUL here
  }
  throw EPlatformError(call, args, errInsufficientBuffer); // it kept growing
}

class TWin32File : public IFile {
public:
  TWin32File(TFileHandle handle, std::string path)
      : handle_(std::move(handle)), path_(std::move(path)) {}

  const std::string& Path() const override { return path_; }

  std::size_t Read(void* buffer, std::size_t count) override {
    const std::string args = Args(count);
    DWORD done = 0;
    const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
    if (!::ReadFile(handle_.Get(), buffer, asked, &done, nullptr)) ThrowLastError("ReadFile", args);
    return done;
  }

  void Write(const void* buffer, std::size_t count) override {
    const std::string args = Args(count);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (count > 0) {
      DWORD done = 0;
      const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
      if (!::WriteFile(handle_.Get(), bytes, asked, &done, nullptr))
        ThrowLastError("WriteFile", args);
      if (done == 0) throw EPlatformError("WriteFile", args, errDiskFull);
      bytes += done;
      count -= done;
    }
  }

  std::uint64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    const std::string args = QuoteArg(path_) + ", " + std::to_string(offset);
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    const DWORD method = origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                         : origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                            : FILE_END;
    if (!::SetFilePointerEx(handle_.Get(), distance, &position, method))
      ThrowLastError("SetFilePointerEx", args);
    return static_cast<std::uint64_t>(position.QuadPart);
  }

  std::uint64_t Size() override {
    const std::string args = QuoteArg(path_);
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(handle_.Get(), &size)) ThrowLastError("GetFileSizeEx", args);
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  void Truncate() override {
    const std::string args = QuoteArg(path_);
    if (!::SetEndOfFile(handle_.Get())) ThrowLastError("SetEndOfFile", args);
  }

  TFileStamp GetStamp() override {
    const std::string args = QuoteArg(path_);
    FILETIME written;
    if (!::GetFileTime(handle_.Get(), nullptr, nullptr, &written))
      ThrowLastError("GetFileTime", args);
    return StampOf(written);
  }

  void SetStamp(TFileStamp stamp) override {
    const std::string args = QuoteArg(path_) + ", " + std::to_string(stamp);
    const FILETIME written = FileTimeOf(stamp);
    if (!::SetFileTime(handle_.Get(), nullptr, nullptr, &written))
      ThrowLastError("SetFileTime", args);
  }

  void Flush() override {
    const std::string args = QuoteArg(path_);
    if (!::FlushFileBuffers(handle_.Get())) ThrowLastError("FlushFileBuffers", args);
  }

  TErrorCode TryRename(const std::string& target, bool replaceExisting) override {
    const DWORD error = RenameByHandle(handle_.Get(), target, replaceExisting);
    if (error == ERROR_SUCCESS) path_ = target;
    return static_cast<TErrorCode>(error);
  }

private:
  std::string Args(std::size_t count) const {
    return QuoteArg(path_) + ", " + std::to_string(count) + " bytes";
  }

  TFileHandle handle_;
  std::string path_;
};

} // namespace

bool TWin32FileSystem::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool TWin32FileSystem::DirectoryExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::unique_ptr<IFile> TWin32FileSystem::Open(const std::string& path, TFileAccess access,
                                              TShareMode share, TCreation creation) {
  const std::string args = QuoteArg(path) + ", " + AccessArg(access) + ", " + HexArg(share) + ", " +
                           CreationArg(creation);
  TFileHandle handle(::CreateFileA(path.c_str(), AccessRights(access), share, nullptr,
                                   static_cast<DWORD>(creation), FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) ThrowLastError("CreateFileA", args);
  return std::make_unique<TWin32File>(std::move(handle), path);
}

TFileAttributes TWin32FileSystem::GetAttributes(const std::string& path) {
  const std::string args = QuoteArg(path);
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError("GetFileAttributesA", args);
  return attributes;
}

void TWin32FileSystem::SetAttributes(const std::string& path, TFileAttributes attributes) {
  const std::string args = QuoteArg(path) + ", " + HexArg(attributes);
  if (!::SetFileAttributesA(path.c_str(), attributes)) ThrowLastError("SetFileAttributesA", args);
}

TFileStamp TWin32FileSystem::GetStamp(const std::string& path) {
  const std::string args = QuoteArg(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    ThrowLastError("GetFileAttributesExA", args);
  return StampOf(data.ftLastWriteTime);
}

void TWin32FileSystem::SetStamp(const std::string& path, TFileStamp stamp) {
  const std::string args = QuoteArg(path) + ", " + std::to_string(stamp);
  // Only the attributes are written, so a file in use (shared for reading) can
  // still be stamped; backup semantics reach directories too.
  TFileHandle handle(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) ThrowLastError("CreateFileA", args);
  const FILETIME written = FileTimeOf(stamp);
  if (!::SetFileTime(handle.Get(), nullptr, nullptr, &written)) ThrowLastError("SetFileTime", args);
}

std::vector<TFindData> TWin32FileSystem::FindFiles(const std::string& pattern) {
  const std::string args = QuoteArg(pattern);
  std::vector<TFindData> found;
  WIN32_FIND_DATAA data;
  TFindHandle find(::FindFirstFileA(pattern.c_str(), &data));
  if (!find) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return found;
    throw EPlatformError("FindFirstFileA", args, error);
  }
  for (;;) {
    TFindData entry;
    entry.Name = data.cFileName;
    entry.Attributes = data.dwFileAttributes;
    entry.Size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    entry.Stamp = StampOf(data.ftLastWriteTime);
    found.push_back(std::move(entry));
    if (!::FindNextFileA(find.Get(), &data)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_NO_MORE_FILES) return found;
      throw EPlatformError("FindNextFileA", args, error);
    }
  }
}

std::uint64_t TWin32FileSystem::FreeSpace(const std::string& path) {
  const std::string args = QuoteArg(path);
  ULARGE_INTEGER available{}, total{}, free{};
  if (!::GetDiskFreeSpaceExA(path.c_str(), &available, &total, &free))
    ThrowLastError("GetDiskFreeSpaceExA", args);
  return available.QuadPart;
}

void TWin32FileSystem::MakeDirectory(const std::string& path) {
  const std::string args = QuoteArg(path);
  if (!::CreateDirectoryA(path.c_str(), nullptr)) ThrowLastError("CreateDirectoryA", args);
}

void TWin32FileSystem::RemoveDir(const std::string& path) {
  const std::string args = QuoteArg(path);
  if (!::RemoveDirectoryA(path.c_str())) ThrowLastError("RemoveDirectoryA", args);
}

void TWin32FileSystem::RemoveFile(const std::string& path) {
  const std::string args = QuoteArg(path);
  if (!::DeleteFileA(path.c_str())) ThrowLastError("DeleteFileA", args);
}

void TWin32FileSystem::Copy(const std::string& source, const std::string& target,
                            bool failIfExists) {
  const std::string args =
      QuoteArg(source) + ", " + QuoteArg(target) + ", " + BoolArg(failIfExists);
  if (!::CopyFileA(source.c_str(), target.c_str(), failIfExists ? TRUE : FALSE))
    ThrowLastError("CopyFileA", args);
}

void TWin32FileSystem::Move(const std::string& source, const std::string& target,
                            TMoveFlags flags) {
  const std::string args = QuoteArg(source) + ", " + QuoteArg(target) + ", " + HexArg(flags);
  // An empty target with a delayed move asks for deletion at the next start.
  if (!::MoveFileExA(source.c_str(), target.empty() ? nullptr : target.c_str(), flags))
    ThrowLastError("MoveFileExA", args);
}

std::string TWin32FileSystem::ShortPath(const std::string& path) {
  return FetchText("GetShortPathNameA", QuoteArg(path), [&](char* buffer, DWORD size) {
    return ::GetShortPathNameA(path.c_str(), buffer, size);
  });
}

std::string TWin32FileSystem::TempDirectory() {
  return FetchText("GetTempPathA", "",
                   [](char* buffer, DWORD size) { return ::GetTempPathA(size, buffer); });
}

std::string TWin32FileSystem::TempFileName(const std::string& directory,
                                           const std::string& prefix) {
  const std::string args = QuoteArg(directory) + ", " + QuoteArg(prefix);
  char name[MAX_PATH + 1] = {};
  if (::GetTempFileNameA(directory.c_str(), prefix.c_str(), 0, name) == 0)
    ThrowLastError("GetTempFileNameA", args);
  return name;
}

std::string TWin32FileSystem::GetCurrentDir() {
  return FetchText("GetCurrentDirectoryA", "",
                   [](char* buffer, DWORD size) { return ::GetCurrentDirectoryA(size, buffer); });
}

void TWin32FileSystem::SetCurrentDir(const std::string& path) {
  const std::string args = QuoteArg(path);
  if (!::SetCurrentDirectoryA(path.c_str())) ThrowLastError("SetCurrentDirectoryA", args);
}

} // namespace quendel::platform::win32
