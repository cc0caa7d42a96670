#include "platform/files.h"

#include <vector>

#include "platform/call_args.h"

namespace quendel::platform {

void IFile::ReadExact(void* buffer, std::size_t count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t got = Read(bytes + done, count - done);
    if (got == 0)
      throw EPlatformError("ReadFile",
                           QuoteArg(Path()) + ", " + std::to_string(count) + " bytes, got " +
                               std::to_string(done),
                           errHandleEof);
    done += got;
  }
}

TErrorCode IFile::TryRename(const std::string&, bool) {
  return errNotSupported;
}

std::unique_ptr<IFile> IFileSystem::OpenRead(const std::string& path) {
  return Open(path, TFileAccess::Read, shareRead, TCreation::OpenExisting);
}

std::unique_ptr<IFile> IFileSystem::OpenReadWrite(const std::string& path) {
  return Open(path, TFileAccess::ReadWrite, shareRead, TCreation::OpenExisting);
}

std::unique_ptr<IFile> IFileSystem::Create(const std::string& path) {
  return Open(path, TFileAccess::ReadWrite, shareRead, TCreation::CreateAlways);
}

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// Length of the part of a path that cannot be created: "C:\", "C:", "\",
// "\\server\share\" (then nothing below it is a root).
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    std::size_t pos = 2;
    for (int part = 0; part < 2 && pos <= path.size(); ++part) {
      while (pos < path.size() && !IsSeparator(path[pos]))
        ++pos;
      if (pos < path.size()) ++pos;
    }
    return pos;
  }
  if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  if (!path.empty() && IsSeparator(path[0])) return 1;
  return 0;
}

} // namespace

std::uint64_t IFileSystem::FreeSpace(const std::string& path) {
  throw EPlatformError("GetDiskFreeSpaceExA", QuoteArg(path), errNotSupported);
}

void IFileSystem::ForceDirectories(const std::string& path) {
  std::string full = path;
  const std::size_t root = RootLength(full);
  while (full.size() > root && IsSeparator(full.back()))
    full.pop_back();
  if (full.size() <= root) return; // a root exists or cannot be made

  // Walk up to the deepest existing ancestor, then create downwards.
  std::vector<std::string> missing;
  std::string current = full;
  while (current.size() > root && !DirectoryExists(current)) {
    missing.push_back(current);
    std::size_t cut = current.size();
    while (cut > root && !IsSeparator(current[cut - 1]))
      --cut;
    while (cut > root && IsSeparator(current[cut - 1]))
      --cut;
    current.resize(cut);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    const TErrorCode error = TryMakeDirectory(*it);
    // Someone else may have made it meanwhile; only a directory will do.
    if (error == errAlreadyExists && DirectoryExists(*it)) continue;
    if (error != errSuccess) MakeDirectory(*it); // throws with the call's own details
  }
}

std::unique_ptr<IFile> IFileSystem::TryOpen(const std::string& path, TFileAccess access,
                                            TShareMode share, TCreation creation,
                                            TErrorCode& error) {
  try {
    auto file = Open(path, access, share, creation);
    error = errSuccess;
    return file;
  } catch (const EPlatformError& e) {
    error = e.Code();
    return nullptr;
  }
}

namespace {

template <typename Operation> TErrorCode Attempt(Operation&& operation) {
  try {
    operation();
    return errSuccess;
  } catch (const EPlatformError& e) {
    return e.Code();
  }
}

} // namespace

TErrorCode IFileSystem::TryGetAttributes(const std::string& path, TFileAttributes& attributes) {
  return Attempt([&] { attributes = GetAttributes(path); });
}

TErrorCode IFileSystem::TrySetAttributes(const std::string& path, TFileAttributes attributes) {
  return Attempt([&] { SetAttributes(path, attributes); });
}

TErrorCode IFileSystem::TryMakeDirectory(const std::string& path) {
  return Attempt([&] { MakeDirectory(path); });
}

TErrorCode IFileSystem::TryRemoveDir(const std::string& path) {
  return Attempt([&] { RemoveDir(path); });
}

TErrorCode IFileSystem::TryRemoveFile(const std::string& path) {
  return Attempt([&] { RemoveFile(path); });
}

TErrorCode IFileSystem::TryCopy(const std::string& source, const std::string& target,
                                bool failIfExists) {
  return Attempt([&] { Copy(source, target, failIfExists); });
}

TErrorCode IFileSystem::TryMove(const std::string& source, const std::string& target,
                                TMoveFlags flags) {
  return Attempt([&] { Move(source, target, flags); });
}

std::string AccessArg(TFileAccess access) {
  switch (access) {
  case TFileAccess::Read:
    return "GENERIC_READ";
  case TFileAccess::Write:
    return "GENERIC_WRITE";
  case TFileAccess::ReadWrite:
    return "GENERIC_READ | GENERIC_WRITE";
  case TFileAccess::ReadWriteDelete:
    return "GENERIC_READ | GENERIC_WRITE | DELETE";
  }
  return "?";
}

std::string CreationArg(TCreation creation) {
  switch (creation) {
  case TCreation::CreateNew:
    return "CREATE_NEW";
  case TCreation::CreateAlways:
    return "CREATE_ALWAYS";
  case TCreation::OpenExisting:
    return "OPEN_EXISTING";
  case TCreation::OpenAlways:
    return "OPEN_ALWAYS";
  case TCreation::TruncateExisting:
    return "TRUNCATE_EXISTING";
  }
  return "?";
}

std::string BoolArg(bool value) {
  return value ? "TRUE" : "FALSE";
}

} // namespace quendel::platform
