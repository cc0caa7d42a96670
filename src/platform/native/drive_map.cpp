#include "platform/native/drive_map.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <stdexcept>

#include "platform/native/names.h"

namespace quendel::platform::native {

TDriveMap TDriveMap::Default() {
  TDriveMap map;
  map.Map('Z', "/");
  return map;
}

TDriveMap& TDriveMap::Map(char drive, std::string hostDirectory) {
  const char letter = FoldUpper(drive);
  if (letter < 'A' || letter > 'Z')
    throw std::invalid_argument(std::string("not a drive letter: ") + drive);
  if (hostDirectory.empty() || hostDirectory.front() != '/')
    throw std::invalid_argument("a drive needs an absolute host directory: " + hostDirectory);
  while (hostDirectory.size() > 1 && hostDirectory.back() == '/')
    hostDirectory.pop_back();
  drives_[letter] = std::move(hostDirectory);
  return *this;
}

void TDriveMap::Unmap(char drive) {
  drives_.erase(FoldUpper(drive));
}

const std::string* TDriveMap::HostRoot(char drive) const {
  const auto it = drives_.find(FoldUpper(drive));
  return it == drives_.end() ? nullptr : &it->second;
}

std::optional<TWinPath> TDriveMap::FromHost(std::string_view hostPath) const {
  const std::pair<const char, std::string>* best = nullptr;
  for (const auto& entry : drives_) {
    const std::string& root = entry.second;
    const bool inside = root == "/"
                            ? !hostPath.empty() && hostPath.front() == '/'
                            : hostPath.substr(0, root.size()) == root &&
                                  (hostPath.size() == root.size() || hostPath[root.size()] == '/');
    if (inside && (!best || root.size() > best->second.size())) best = &entry;
  }
  if (!best) return std::nullopt;
  TWinPath path;
  path.Drive = best->first;
  std::string_view rest = hostPath.substr(best->second == "/" ? 0 : best->second.size());
  std::size_t start = 0;
  for (std::size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || rest[i] == '/') {
      if (i > start) path.Parts.emplace_back(rest.substr(start, i - start));
      start = i + 1;
    }
  }
  return path;
}

TErrorCode THostPath::MissingCode() const {
  if (Exists()) return errSuccess;
  return ParentExists() ? errFileNotFound : errPathNotFound;
}

namespace {

bool IsDirectory(const std::string& hostPath) {
  struct stat info {};
  return ::stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Join(const std::string& directory, const std::string& name) {
  return directory == "/" ? "/" + name : directory + "/" + name;
}

// The stored name in directory that equals name without regard to case.
std::optional<std::string> FindStoredName(const std::string& directory, const std::string& name) {
  struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
  };
  std::unique_ptr<DIR, DirCloser> dir(::opendir(directory.c_str()));
  if (!dir) return std::nullopt;
  std::optional<std::string> found;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view stored = entry->d_name;
    if (stored == "." || stored == "..") continue;
    // Two host names may differ only in case; take the first in sorted order
    // so that the choice does not depend on the directory's layout.
    if (SameName(stored, name) && (!found || stored < *found)) found = std::string(stored);
  }
  return found;
}

} // namespace

TErrorCode ResolveHost(const TDriveMap& drives, const TWinPath& path, THostPath& out) {
  const std::string* root = drives.HostRoot(path.Drive);
  if (!root) return errPathNotFound;

  THostPath result;
  result.Parts = path.Parts.size();
  result.Path = *root;
  if (!IsDirectory(*root)) {
    // A drive whose directory went away: nothing on it can be found.
    for (const auto& name : path.Parts)
      result.Path = Join(result.Path, name);
    result.BlockedByFile = true;
    out = std::move(result);
    return errSuccess;
  }

  // Most paths are spelt as stored: one stat settles them.
  std::string exact = *root;
  for (const auto& name : path.Parts)
    exact = Join(exact, name);
  struct stat info {};
  if (::stat(exact.c_str(), &info) == 0) {
    result.Path = std::move(exact);
    result.Found = result.Parts;
    out = std::move(result);
    return errSuccess;
  }

  bool missing = false;
  for (std::size_t i = 0; i < path.Parts.size(); ++i) {
    const std::string& name = path.Parts[i];
    if (missing || result.BlockedByFile) {
      result.Path = Join(result.Path, name);
      continue;
    }
    std::string candidate = Join(result.Path, name);
    if (::stat(candidate.c_str(), &info) != 0) {
      if (const auto stored = FindStoredName(result.Path, name)) {
        candidate = Join(result.Path, *stored);
        if (::stat(candidate.c_str(), &info) != 0) missing = true;
      } else {
        missing = true;
      }
    }
    result.Path = std::move(candidate);
    if (missing) continue;
    ++result.Found;
    if (!S_ISDIR(info.st_mode) && i + 1 < path.Parts.size()) result.BlockedByFile = true;
  }
  out = std::move(result);
  return errSuccess;
}

} // namespace quendel::platform::native
