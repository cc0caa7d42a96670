// Natively every version resource is read by the portable PE reader.
#include "system/version_resource.h"

namespace quendel {

std::unique_ptr<IVersionData> LoadVersionData(platform::IFileSystem* Files,
                                              const std::string& FileName) {
  if (!Files) return nullptr;
  return LoadVersionDataPortable(*Files, FileName);
}

// The author tool has no resource of its own to describe.
std::string DefaultVersionFileName() {
  return {};
}

} // namespace quendel
