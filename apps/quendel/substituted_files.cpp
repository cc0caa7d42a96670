#include "substituted_files.h"

#include "core/strings.h"

namespace quendel::cli {

TSubstitutedFiles::TSubstitutedFiles(std::unique_ptr<platform::IFileSystem> Inner)
    : FInner(std::move(Inner)) {}

std::string TSubstitutedFiles::FullPath(const std::string& Path) {
  if (Path.size() >= 2 && Path[1] == ':') return Path;
  if (Path.size() >= 2 && Path[0] == '\\' && Path[1] == '\\') return Path;
  const std::string Current = FInner->GetCurrentDir();
  if (!Path.empty() && Path[0] == '\\') return Current.substr(0, 2) + Path;
  return AddBackslash(Current) + Path;
}

void TSubstitutedFiles::Substitute(const std::string& Original, const std::string& StandIn) {
  FStandIns[UpperCase(FullPath(Original))] = FullPath(StandIn);
}

std::unique_ptr<platform::IFile> TSubstitutedFiles::Open(const std::string& path,
                                                         platform::TFileAccess access,
                                                         platform::TShareMode share,
                                                         platform::TCreation creation) {
  if (access == platform::TFileAccess::Read && !FStandIns.empty()) {
    const auto Found = FStandIns.find(UpperCase(FullPath(path)));
    if (Found != FStandIns.end()) return FInner->Open(Found->second, access, share, creation);
  }
  return FInner->Open(path, access, share, creation);
}

} // namespace quendel::cli
