#pragma once
// Drive letters mapped onto host directories, and Windows paths resolved to
// host paths with names matched without regard to case.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/native/win_path.h"

namespace quendel::platform::native {

class TDriveMap {
public:
  // Z: is "/", as in Wine.
  static TDriveMap Default();

  // drive is a letter (either case); hostDirectory an absolute host path.
  // Throws std::invalid_argument for anything else.
  TDriveMap& Map(char drive, std::string hostDirectory);
  void Unmap(char drive);

  // The host directory of a drive, or nullptr when it is not mapped.
  const std::string* HostRoot(char drive) const;
  // The Windows path of a host path on a mapped drive; the longest mapping wins.
  std::optional<TWinPath> FromHost(std::string_view hostPath) const;
  const std::map<char, std::string>& Drives() const { return drives_; }

private:
  std::map<char, std::string> drives_; // upper-case letter -> host dir without trailing "/"
};

// A Windows path found on the host, as far as it exists.
struct THostPath {
  std::string Path;           // existing names in their stored case, the rest as given
  std::size_t Parts = 0;      // names in the Windows path
  std::size_t Found = 0;      // how many of them exist
  bool BlockedByFile = false; // an existing file stands where a directory is needed

  bool Exists() const { return Found == Parts && !BlockedByFile; }
  bool ParentExists() const { return Found + 1 >= Parts && !BlockedByFile; }
  // errSuccess, or what Windows says for the missing path: errFileNotFound
  // when only the last name is missing, errPathNotFound when a directory is.
  TErrorCode MissingCode() const;
};

// errPathNotFound for a drive that is not mapped.
TErrorCode ResolveHost(const TDriveMap& drives, const TWinPath& path, THostPath& out);

} // namespace quendel::platform::native
