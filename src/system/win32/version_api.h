// The version resource as the Win32 version functions read it.
#pragma once

#include "system/version_data.h"

#include <memory>
#include <string>

namespace quendel {

// GetFileVersionInfoSizeA, GetFileVersionInfoA and VerQueryValueA; null when
// the file has no version resource or cannot be read.
std::unique_ptr<IVersionData> LoadVersionDataWin32(const std::string& FileName);

} // namespace quendel
