#pragma once
// Internet transfers through WinInet, loaded at run time by the first
// transfer, so that a machine without it fails only when something is
// downloaded.

#include "platform/net.h"

namespace quendel::platform::win32 {

class TWin32Net : public INet {
public:
  std::unique_ptr<INetSession> OpenSession(const TNetOptions& options) override;
};

} // namespace quendel::platform::win32
