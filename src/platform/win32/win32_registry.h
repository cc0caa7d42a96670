#pragma once
// The registry over the ANSI Win32 API.

#include <windows.h>

#include "platform/registry.h"

namespace quendel::platform::win32 {

// The predefined handle of a root key.
HKEY RootKeyHandle(TRootKey root);

class TWin32Registry : public IRegistry {
public:
  std::unique_ptr<IRegKey> OpenKey(TRootKey root, const std::string& subKey,
                                   TRegAccess access) override;
  std::unique_ptr<IRegKey> CreateKey(TRootKey root, const std::string& subKey,
                                     bool* created) override;
  using IRegistry::CreateKey;
  void DeleteKey(TRootKey root, const std::string& subKey) override;
};

} // namespace quendel::platform::win32
