#pragma once
// Internet transfers on Linux: POSIX sockets, HTTP/1.1 (Content-Length,
// chunked and close-delimited bodies, redirects up to a bound), HTTPS through
// OpenSSL, and passive FTP. Every wait is a poll with the session's limit.

#include "platform/net.h"

namespace quendel::platform::native {

class TNativeNet : public INet {
public:
  std::unique_ptr<INetSession> OpenSession(const TNetOptions& options) override;
};

} // namespace quendel::platform::native
