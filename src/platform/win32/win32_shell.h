#pragma once
// Special folders through the shell's item lists.

#include "platform/shell.h"

namespace quendel::platform::win32 {

class TWin32Shell : public IShell {
public:
  std::string SpecialFolderPath(int csidl) override;
};

} // namespace quendel::platform::win32
