#include "platform/net.h"

#include <utility>

namespace quendel::platform {

ENetError::ENetError(TNetStep step, std::string call, std::string arguments, TErrorCode code,
                     std::string serverResponse)
    : EPlatformError(std::move(call), std::move(arguments), code), step_(step),
      response_(std::move(serverResponse)) {}

std::string NetServerDirectory(const std::string& directory) {
  if (directory.find_first_not_of(" \t\r\n") == std::string::npos) return "/";
  std::string result = directory;
  for (char& c : result)
    if (c == '\\') c = '/';
  return result;
}

std::string NetRequestPath(const std::string& directory, const std::string& remoteName) {
  std::string path = NetServerDirectory(directory);
  // A request path always starts at the root: "files" asks for "/files/...".
  if (path.front() != '/') path.insert(path.begin(), '/');
  if (path.back() != '/') path += '/';
  path += remoteName;
  // Characters a request line cannot carry as they are.
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F || c == '#' || c == '?' || c == '"' || c == '<' || c == '>') {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 15];
    } else if (c == '\\') {
      escaped += '/';
    } else {
      escaped += ch;
    }
  }
  return escaped;
}

std::string NetFtpDirectory(const std::string& loginDirectory, const std::string& directory) {
  const std::string dir = NetServerDirectory(directory);
  if (dir.front() == '/' || loginDirectory.empty()) return dir;
  std::string base = loginDirectory;
  if (base.back() != '/') base += '/';
  return base + dir;
}

std::uint16_t NetDefaultPort(TNetScheme scheme) {
  switch (scheme) {
  case TNetScheme::Ftp: return 21;
  case TNetScheme::Https: return 443;
  case TNetScheme::Http: break;
  }
  return 80;
}

bool NetResolveLocation(const TNetUrl& base, const std::string& location, TNetUrl& out) {
  std::string lower = location;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  out = base;
  std::string rest;
  if (lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0) {
    const bool secure = lower[4] == 's';
    out.Scheme = secure ? TNetScheme::Https : TNetScheme::Http;
    rest = location.substr(secure ? 8 : 7);
    const auto slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    out.Path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (authority.find('@') != std::string::npos) return false; // no credentials in redirects
    out.Port = NetDefaultPort(out.Scheme);
    const auto colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']') == std::string::npos) {
      const std::string digits = authority.substr(colon + 1);
      unsigned long port = 0;
      for (const char c : digits) {
        if (c < '0' || c > '9' || port > 65535) return false;
        port = port * 10 + static_cast<unsigned>(c - '0');
      }
      if (digits.empty() || port == 0 || port > 65535) return false;
      out.Port = static_cast<std::uint16_t>(port);
      authority.resize(colon);
    }
    if (authority.empty()) return false;
    out.Host = authority;
  } else if (!location.empty() && location[0] == '/') {
    out.Path = location;
  } else if (!location.empty()) {
    const auto dir = base.Path.rfind('/');
    out.Path = base.Path.substr(0, dir + 1) + location;
  } else {
    return false;
  }
  // Never a broken request line.
  std::string path;
  for (const char c : out.Path) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) {
      path += '%';
      path += "0123456789ABCDEF"[u >> 4];
      path += "0123456789ABCDEF"[u & 15];
    } else {
      path += c;
    }
  }
  out.Path = path;
  return true;
}

} // namespace quendel::platform
