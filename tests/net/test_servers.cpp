#include "net/test_servers.h"

#include <cstdlib>

namespace quendel::platform::testing {

namespace {
std::uint16_t PortFrom(const char* name) {
  const char* text = std::getenv(name);
  return text == nullptr ? 0 : static_cast<std::uint16_t>(std::atoi(text));
}
TNetServer Make(TNetScheme scheme, std::uint16_t port, const std::string& directory) {
  TNetServer server;
  server.Scheme = scheme;
  server.Host = "127.0.0.1";
  server.Port = port;
  server.Directory = directory;
  return server;
}
} // namespace

std::string Pattern(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(((i * 31) + (i >> 8)) & 0xFF);
  return data;
}

TTestServers::TTestServers()
    : http_(PortFrom("QUENDEL_HTTP_PORT")), https_(PortFrom("QUENDEL_HTTPS_PORT")),
      ftp_(PortFrom("QUENDEL_FTP_PORT")), bad_(PortFrom("QUENDEL_BAD_PORT")) {
  if (const char* ca = std::getenv("QUENDEL_NET_CA")) ca_ = ca;
}

TNetOptions TTestServers::Options() const {
  TNetOptions options;
  options.ConnectTimeoutMs = 5000;
  options.ReceiveTimeoutMs = 2000;
  options.ExtraCaFile = ca_;
  return options;
}

TNetServer TTestServers::Http(const std::string& d) const { return Make(TNetScheme::Http, http_, d); }
TNetServer TTestServers::Https(const std::string& d) const { return Make(TNetScheme::Https, https_, d); }
TNetServer TTestServers::Ftp(const std::string& d) const { return Make(TNetScheme::Ftp, ftp_, d); }
TNetServer TTestServers::Bad(const std::string& k) const { return Make(TNetScheme::Http, bad_, k); }
std::string TTestServers::HttpHost() const { return "127.0.0.1:" + std::to_string(http_); }
std::string TTestServers::HttpsHost() const { return "127.0.0.1:" + std::to_string(https_); }
std::string TTestServers::FtpHost() const { return "127.0.0.1:" + std::to_string(ftp_); }
std::string TTestServers::BadHost() const { return "127.0.0.1:" + std::to_string(bad_); }

const TTestServers& Servers() {
  static const TTestServers servers;
  return servers;
}

} // namespace quendel::platform::testing
