#pragma once
// The servers tests/net/with_servers.sh starts, as the tests address them.

#include <cstdint>
#include <string>

#include "platform/net.h"

namespace quendel::platform::testing {

// The bytes of the servers' test file of that size (make_tree.py, bad_http.py).
std::string Pattern(std::size_t size);

class TTestServers {
public:
  TTestServers();
  bool Present() const { return http_ != 0; }
  // Short limits, so that the silent-server cases end quickly.
  TNetOptions Options() const;
  TNetServer Http(const std::string& directory) const;
  TNetServer Https(const std::string& directory) const;
  TNetServer Ftp(const std::string& directory) const;
  // The misbehaving server; the directory picks the misbehaviour.
  TNetServer Bad(const std::string& kind) const;
  std::uint16_t ClosedPort() const { return 1; }
  // host:port of each, for definitions that name a server in Hostname.
  std::string HttpHost() const;
  std::string FtpHost() const;
  std::string BadHost() const;
  std::string HttpsHost() const;

private:
  std::uint16_t http_ = 0, https_ = 0, ftp_ = 0, bad_ = 0;
  std::string ca_;
};

const TTestServers& Servers();

} // namespace quendel::platform::testing
