#include "platform/native/native_net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

namespace quendel::platform::native {

namespace {

constexpr std::size_t kBlock = 8192;
constexpr std::size_t kMaxLine = 16384;    // one header line or FTP reply line
constexpr std::size_t kMaxHeaders = 65536; // all response headers together

[[noreturn]] void Fail(TNetStep step, const char* call, const std::string& args, TErrorCode code,
                       const std::string& response = {}) {
  throw ENetError(step, call, args, code, response);
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

// A digits-only number, or nothing (no sign, no overflow).
std::optional<std::uint64_t> ParseNumber(std::string_view text, int base = 10) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
  }
  return value;
}

std::string Base64(std::string_view data) {
  static const char kTable[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    const unsigned n = (static_cast<unsigned char>(data[i]) << 16) |
                       (static_cast<unsigned char>(data[i + 1]) << 8) |
                       static_cast<unsigned char>(data[i + 2]);
    out += kTable[(n >> 18) & 63];
    out += kTable[(n >> 12) & 63];
    out += kTable[(n >> 6) & 63];
    out += kTable[n & 63];
  }
  if (i < data.size()) {
    unsigned n = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) n |= static_cast<unsigned char>(data[i + 1]) << 8;
    out += kTable[(n >> 18) & 63];
    out += kTable[(n >> 12) & 63];
    out += i + 1 < data.size() ? kTable[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string OpenSslError() {
  const unsigned long code = ERR_get_error();
  if (code == 0) return "no detail";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  ERR_clear_error();
  return text;
}

// One TCP connection, optionally under TLS, with a read buffer. Each wait is
// bounded by the session's limits; a failure throws for the step given.
class TConnection {
public:
  TConnection(const TNetOptions& options) : options_(options) {}
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;
  ~TConnection() { Close(); }

  void Close() {
    if (ssl_ != nullptr) {
      SSL_free(ssl_);
      ssl_ = nullptr;
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buffer_.clear();
  }
  bool Open() const { return fd_ >= 0; }

  void Connect(const std::string& host, std::uint16_t port, TNetStep step) {
    Close();
    const std::string where = host + ":" + std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 ||
        found == nullptr)
      Fail(step, "getaddrinfo", where, errInternetNameNotResolved);
    TErrorCode code = errInternetCannotConnect;
    for (addrinfo* a = found; a != nullptr && fd_ < 0; a = a->ai_next) {
      const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
      if (fd < 0) continue;
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
      int rc = ::connect(fd, a->ai_addr, a->ai_addrlen);
      if (rc != 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        rc = ::poll(&p, 1, static_cast<int>(options_.ConnectTimeoutMs));
        if (rc == 0) {
          code = errInternetTimeout;
          rc = -1;
        } else if (rc > 0) {
          int err = 0;
          socklen_t len = sizeof err;
          ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
          rc = err == 0 ? 0 : -1;
        }
      }
      if (rc == 0) {
        fd_ = fd;
        std::memcpy(&peer_, a->ai_addr, a->ai_addrlen);
        peerLen_ = a->ai_addrlen;
      } else {
        ::close(fd);
      }
    }
    ::freeaddrinfo(found);
    if (fd_ < 0) Fail(step, "connect", where, code);
  }

  // The address this connection reached, with another port (FTP's data line).
  sockaddr_storage PeerWithPort(std::uint16_t port, socklen_t& len) const {
    sockaddr_storage a = peer_;
    if (a.ss_family == AF_INET) reinterpret_cast<sockaddr_in&>(a).sin_port = htons(port);
    else reinterpret_cast<sockaddr_in6&>(a).sin6_port = htons(port);
    len = peerLen_;
    return a;
  }
  std::string PeerHost() const {
    char text[INET6_ADDRSTRLEN] = {};
    if (peer_.ss_family == AF_INET)
      ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(peer_).sin_addr, text, sizeof text);
    else
      ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(peer_).sin6_addr, text,
                  sizeof text);
    return text;
  }

  void StartTls(SSL_CTX* context, const std::string& host, TNetStep step) {
    ssl_ = SSL_new(context);
    if (ssl_ == nullptr) Fail(step, "SSL_new", host, errInternetSecurityFailure);
    SSL_set_fd(ssl_, fd_);
    in6_addr ip6;
    in_addr ip4;
    const bool isAddress = ::inet_pton(AF_INET, host.c_str(), &ip4) == 1 ||
                           ::inet_pton(AF_INET6, host.c_str(), &ip6) == 1;
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl_);
    if (isAddress) {
      X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str());
    } else {
      SSL_set_tlsext_host_name(ssl_, host.c_str());
      X509_VERIFY_PARAM_set1_host(param, host.c_str(), 0);
    }
    for (;;) {
      const int rc = SSL_connect(ssl_);
      if (rc == 1) break;
      const int err = SSL_get_error(ssl_, rc);
      if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
        Wait(err == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, options_.ReceiveTimeoutMs, step,
             "SSL_connect");
        continue;
      }
      const long verify = SSL_get_verify_result(ssl_);
      std::string detail = verify != X509_V_OK ? X509_verify_cert_error_string(verify)
                                               : OpenSslError();
      Fail(step, "SSL_connect", host + ": " + detail, errInternetSecurityFailure);
    }
  }

  void WriteAll(std::string_view data, TNetStep step) {
    while (!data.empty()) {
      long written;
      if (ssl_ != nullptr) {
        const int rc = SSL_write(ssl_, data.data(), static_cast<int>(data.size()));
        if (rc <= 0) {
          const int err = SSL_get_error(ssl_, rc);
          if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
            Wait(err == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, options_.ReceiveTimeoutMs, step,
                 "SSL_write");
            continue;
          }
          Fail(step, "SSL_write", OpenSslError(), errInternetConnectionReset);
        }
        written = rc;
      } else {
        written = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (written < 0) {
          if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            Wait(POLLOUT, options_.ReceiveTimeoutMs, step, "send");
            continue;
          }
          Fail(step, "send", std::strerror(errno), errInternetConnectionReset);
        }
      }
      data.remove_prefix(static_cast<std::size_t>(written));
    }
  }

  // Up to size bytes; 0 at the end of the stream.
  std::size_t Read(char* out, std::size_t size, TNetStep step) {
    if (!buffer_.empty()) {
      const std::size_t n = std::min(size, buffer_.size());
      std::memcpy(out, buffer_.data(), n);
      buffer_.erase(0, n);
      return n;
    }
    return ReadRaw(out, size, step);
  }

  // One line without its CR LF. The end of the stream before a line end
  // fails: a reply that breaks off is not a reply.
  std::string ReadLine(TNetStep step) {
    for (;;) {
      const auto end = buffer_.find('\n');
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
      }
      if (buffer_.size() > kMaxLine) Fail(step, "recv", "line too long", errHttpInvalidServerResponse);
      char block[4096];
      const std::size_t n = ReadRaw(block, sizeof block, step);
      if (n == 0) Fail(step, "recv", "connection closed by the server", errInternetConnectionAborted);
      buffer_.append(block, n);
    }
  }

private:
  void Wait(short events, unsigned timeoutMs, TNetStep step, const char* call) {
    pollfd p{fd_, events, 0};
    for (;;) {
      const int rc = ::poll(&p, 1, static_cast<int>(timeoutMs));
      if (rc > 0) return;
      if (rc == 0) Fail(step, call, "no answer within " + std::to_string(timeoutMs) + " ms", errInternetTimeout);
      if (errno != EINTR) Fail(step, "poll", std::strerror(errno), errInternetConnectionAborted);
    }
  }

  std::size_t ReadRaw(char* out, std::size_t size, TNetStep step) {
    for (;;) {
      if (ssl_ != nullptr) {
        const int rc = SSL_read(ssl_, out, static_cast<int>(std::min<std::size_t>(size, 1 << 20)));
        if (rc > 0) return static_cast<std::size_t>(rc);
        const int err = SSL_get_error(ssl_, rc);
        if (err == SSL_ERROR_ZERO_RETURN) return 0;
        if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
          Wait(err == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, options_.ReceiveTimeoutMs, step,
               "SSL_read");
          continue;
        }
        // A peer that closes without TLS's close notice ends the stream too;
        // the length checks of the protocol catch a body cut short.
        if (err == SSL_ERROR_SYSCALL || err == SSL_ERROR_SSL) {
          ERR_clear_error();
          return 0;
        }
        Fail(step, "SSL_read", OpenSslError(), errInternetConnectionReset);
      }
      const long n = ::recv(fd_, out, size, 0);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        Wait(POLLIN, options_.ReceiveTimeoutMs, step, "recv");
        continue;
      }
      Fail(step, "recv", std::strerror(errno), errInternetConnectionReset);
    }
  }

  const TNetOptions& options_;
  int fd_ = -1;
  SSL* ssl_ = nullptr;
  sockaddr_storage peer_{};
  socklen_t peerLen_ = 0;
  std::string buffer_;
};

struct TFtpReply {
  int Code = 0;
  std::string Text; // every line, joined by CR LF
};


class TNativeNetSession : public INetSession {
public:
  explicit TNativeNetSession(const TNetOptions& options) : options_(options), ftp_(options_) {
    // A server that closes while a request is written must not end the process.
    struct sigaction current{};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
      ::signal(SIGPIPE, SIG_IGN);
  }
  ~TNativeNetSession() override {
    ftp_.Close();
    if (tls_ != nullptr) SSL_CTX_free(tls_);
  }

  TNetResult GetFile(const TNetServer& server, const std::string& remoteName,
                     const TNetSink& sink) override {
    if (server.Scheme == TNetScheme::Ftp) return GetFtp(server, remoteName, sink);
    return GetHttp(server, remoteName, sink);
  }

  void Disconnect() override {
    if (ftp_.Open()) {
      try {
        ftp_.WriteAll("QUIT\r\n", TNetStep::CloseFile);
      } catch (const ENetError&) {
        // The server went away already; closing is all that is left.
      }
    }
    ftp_.Close();
    ftpKey_.clear();
  }

  std::string LastResponse() const override { return lastResponse_; }

private:
  // ---- HTTP ----

  SSL_CTX* TlsContext() {
    if (tls_ != nullptr) return tls_;
    tls_ = SSL_CTX_new(TLS_client_method());
    if (tls_ == nullptr) Fail(TNetStep::OpenSession, "SSL_CTX_new", OpenSslError(), errInternetSecurityFailure);
    SSL_CTX_set_min_proto_version(tls_, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(tls_);
    if (!options_.ExtraCaFile.empty() &&
        SSL_CTX_load_verify_locations(tls_, options_.ExtraCaFile.c_str(), nullptr) != 1)
      Fail(TNetStep::OpenSession, "SSL_CTX_load_verify_locations", options_.ExtraCaFile,
           errInternetSecurityFailure);
    SSL_CTX_set_verify(tls_, SSL_VERIFY_PEER, nullptr);
    return tls_;
  }

  TNetResult GetHttp(const TNetServer& server, const std::string& remoteName, const TNetSink& sink) {
    TNetUrl url;
    url.Scheme = server.Scheme;
    url.Host = server.Host;
    url.Port = server.Port != 0 ? server.Port : NetDefaultPort(server.Scheme);
    url.Path = NetRequestPath(server.Directory, remoteName);
    const std::string authorization =
        server.Anonymous || (server.Username.empty() && server.Password.empty())
            ? std::string()
            : "Authorization: Basic " + Base64(server.Username + ":" + server.Password) + "\r\n";
    lastResponse_.clear();
    for (unsigned redirects = 0;; ++redirects) {
      TConnection http(options_);
      const std::string where = url.Host + ":" + std::to_string(url.Port) + url.Path;
      http.Connect(url.Host, url.Port, TNetStep::Connect);
      if (url.Scheme == TNetScheme::Https) http.StartTls(TlsContext(), url.Host, TNetStep::SendRequest);
      std::string hostHeader = url.Host.find(':') != std::string::npos ? "[" + url.Host + "]" : url.Host;
      if (url.Port != NetDefaultPort(url.Scheme)) hostHeader += ":" + std::to_string(url.Port);
      http.WriteAll("GET " + url.Path + " HTTP/1.1\r\nHost: " + hostHeader + "\r\nUser-Agent: " +
                        options_.Agent + "\r\nAccept: */*\r\n" +
                        (url.Host == server.Host ? authorization : std::string()) +
                        "Cache-Control: no-cache\r\nConnection: close\r\n\r\n",
                    TNetStep::SendRequest);

      // Status line and headers. Interim 1xx answers are skipped.
      int status = 0;
      std::string location, contentLength;
      bool chunked = false;
      std::size_t headerBytes = 0;
      do {
        const std::string statusLine = http.ReadLine(TNetStep::Read);
        lastResponse_ = statusLine;
        const auto sp = statusLine.find(' ');
        const auto code = sp == std::string::npos ? std::nullopt
                                                   : ParseNumber(statusLine.substr(sp + 1, 3));
        if (statusLine.rfind("HTTP/1.", 0) != 0 || !code || statusLine.size() < sp + 4)
          Fail(TNetStep::Read, "HttpSendRequest", where + ": not an HTTP answer",
               errHttpInvalidServerResponse, statusLine);
        status = static_cast<int>(*code);
        for (;;) {
          const std::string line = http.ReadLine(TNetStep::Read);
          headerBytes += line.size() + 2;
          if (headerBytes > kMaxHeaders)
            Fail(TNetStep::Read, "HttpQueryInfo", where + ": headers too long",
                 errHttpInvalidServerResponse, lastResponse_);
          if (line.empty()) break;
          const auto colon = line.find(':');
          if (colon == std::string::npos) continue;
          const std::string name = Lower(Trim(line.substr(0, colon)));
          const std::string value = Trim(line.substr(colon + 1));
          if (name == "content-length") contentLength = value;
          else if (name == "location") location = value;
          else if (name == "transfer-encoding") chunked = Lower(value).find("chunked") != std::string::npos;
        }
      } while (status >= 100 && status < 200);

      if ((status == 301 || status == 302 || status == 303 || status == 307 || status == 308) &&
          !location.empty()) {
        TNetUrl next;
        if (redirects >= options_.MaxRedirects || !NetResolveLocation(url, location, next))
          Fail(TNetStep::Read, "HttpSendRequest", where + ": redirected to " + location,
               errHttpRedirectFailed, lastResponse_);
        url = next;
        continue;
      }
      if (status == 404 || status == 410)
        Fail(TNetStep::NotFound, "HttpQueryInfo", where, errInternetExtendedError, lastResponse_);
      if (status < 200 || status > 299)
        Fail(TNetStep::Read, "HttpQueryInfo", where, errInternetExtendedError, lastResponse_);

      TNetResult result;
      std::optional<std::uint64_t> announced;
      if (!chunked && !contentLength.empty()) {
        announced = ParseNumber(contentLength);
        if (announced) result.FileSize = *announced;
      }
      char block[kBlock];
      auto deliver = [&](std::size_t n) {
        result.Bytes += n;
        if (!sink(block, n, result.Bytes, result.FileSize)) {
          result.Cancelled = true;
          return false;
        }
        return true;
      };
      if (chunked) {
        for (;;) {
          const std::string sizeLine = http.ReadLine(TNetStep::Read);
          const auto size = ParseNumber(Trim(sizeLine.substr(0, sizeLine.find(';'))), 16);
          if (!size)
            Fail(TNetStep::Read, "InternetReadFile", where + ": bad chunk size",
                 errHttpInvalidServerResponse, lastResponse_);
          if (*size == 0) {
            while (!http.ReadLine(TNetStep::Read).empty()) {
            } // trailers
            break;
          }
          std::uint64_t left = *size;
          while (left > 0) {
            const std::size_t n = http.Read(block, std::min<std::uint64_t>(left, kBlock), TNetStep::Read);
            if (n == 0)
              Fail(TNetStep::Read, "InternetReadFile", where + ": the body broke off after " +
                   std::to_string(result.Bytes) + " bytes", errInternetConnectionAborted, lastResponse_);
            left -= n;
            if (!deliver(n)) return result;
          }
          if (!http.ReadLine(TNetStep::Read).empty())
            Fail(TNetStep::Read, "InternetReadFile", where + ": bad chunk end",
                 errHttpInvalidServerResponse, lastResponse_);
        }
      } else {
        for (;;) {
          std::size_t want = kBlock;
          if (announced) {
            if (result.Bytes >= *announced) break;
            want = static_cast<std::size_t>(std::min<std::uint64_t>(*announced - result.Bytes, kBlock));
          }
          const std::size_t n = http.Read(block, want, TNetStep::Read);
          if (n == 0) break;
          if (!deliver(n)) return result;
        }
        if (announced && result.Bytes < *announced)
          Fail(TNetStep::Read, "InternetReadFile",
               where + ": " + std::to_string(result.Bytes) + " of " + std::to_string(*announced) +
                   " bytes arrived",
               errInternetConnectionAborted, lastResponse_);
      }
      return result;
    }
  }

  // ---- FTP ----

  TFtpReply Reply(TNetStep step) {
    TFtpReply reply;
    std::string line = ftp_.ReadLine(step);
    reply.Text = line;
    const auto code = line.size() >= 3 ? ParseNumber(line.substr(0, 3)) : std::nullopt;
    if (!code) Fail(step, "InternetGetLastResponseInfo", "not an FTP reply", errHttpInvalidServerResponse, line);
    if (line.size() > 3 && line[3] == '-') {
      const std::string end = line.substr(0, 3) + " ";
      do {
        line = ftp_.ReadLine(step);
        reply.Text += "\r\n" + line;
        if (reply.Text.size() > kMaxHeaders)
          Fail(step, "InternetGetLastResponseInfo", "reply too long", errHttpInvalidServerResponse);
      } while (line.rfind(end, 0) != 0);
    }
    reply.Code = static_cast<int>(*code);
    lastResponse_ = reply.Text;
    return reply;
  }

  TFtpReply Command(const std::string& command, TNetStep step) {
    ftp_.WriteAll(command + "\r\n", step);
    return Reply(step);
  }

  void FtpLogin(const TNetServer& server, std::uint16_t port) {
    const std::string where = server.Host + ":" + std::to_string(port);
    ftp_.Connect(server.Host, port, TNetStep::Connect);
    TFtpReply reply = Reply(TNetStep::Connect);
    if (reply.Code != 220) Fail(TNetStep::Connect, "InternetConnect", where, errInternetExtendedError, reply.Text);
    const std::string user = server.Anonymous ? "anonymous" : server.Username;
    const std::string pass = server.Anonymous ? "quendel@" : server.Password;
    reply = Command("USER " + user, TNetStep::Connect);
    if (reply.Code == 331) reply = Command("PASS " + pass, TNetStep::Connect);
    if (reply.Code != 230)
      Fail(TNetStep::Connect, "InternetConnect", where,
           reply.Code == 530 ? errInternetIncorrectPassword : errInternetExtendedError, reply.Text);
    reply = Command("TYPE I", TNetStep::Connect);
    if (reply.Code != 200) Fail(TNetStep::Connect, "InternetConnect", where, errInternetExtendedError, reply.Text);
    // The login directory, in quotes, doubled quotes standing for one.
    loginDirectory_.clear();
    reply = Command("PWD", TNetStep::Connect);
    const auto open = reply.Text.find('"');
    if (reply.Code == 257 && open != std::string::npos) {
      for (std::size_t i = open + 1; i < reply.Text.size(); ++i) {
        if (reply.Text[i] != '"') loginDirectory_ += reply.Text[i];
        else if (i + 1 < reply.Text.size() && reply.Text[i + 1] == '"') loginDirectory_ += reply.Text[++i];
        else break;
      }
    }
  }

  TNetResult GetFtp(const TNetServer& server, const std::string& remoteName, const TNetSink& sink) {
    const std::uint16_t port = server.Port != 0 ? server.Port : NetDefaultPort(TNetScheme::Ftp);
    const std::string key = server.Host + "\n" + std::to_string(port) + "\n" +
                            (server.Anonymous ? std::string() : server.Username + "\n" + server.Password);
    std::string directory;
    TFtpReply reply;
    // A kept connection may have been dropped by the server meanwhile: one
    // fresh login, then failures are real.
    for (int attempt = 0;; ++attempt) {
      const bool reused = ftp_.Open() && ftpKey_ == key;
      try {
        if (!reused) {
          ftp_.Close();
          ftpKey_.clear();
          FtpLogin(server, port);
          ftpKey_ = key;
        }
        directory = NetFtpDirectory(loginDirectory_, server.Directory);
        reply = Command("CWD " + directory, TNetStep::SetDirectory);
        break;
      } catch (const ENetError& e) {
        ftp_.Close();
        ftpKey_.clear();
        if (!reused || attempt > 0 || e.Step() != TNetStep::SetDirectory) throw;
      }
    }
    if (reply.Code != 250 && reply.Code != 200)
      Fail(TNetStep::SetDirectory, "FtpSetCurrentDirectory", directory, errInternetExtendedError, reply.Text);

    TNetResult result;
    std::optional<std::uint64_t> announced;
    reply = Command("SIZE " + remoteName, TNetStep::OpenFile);
    if (reply.Code == 213) announced = ParseNumber(Trim(reply.Text.substr(3)));
    if (announced) result.FileSize = *announced;

    // Passive mode; the data line goes to the address the control line
    // reached, whatever address the server announces.
    reply = Command("PASV", TNetStep::OpenFile);
    const auto open = reply.Text.find('(');
    const auto close = reply.Text.find(')', open == std::string::npos ? 0 : open);
    unsigned numbers[6] = {};
    int count = 0;
    if (reply.Code == 227 && open != std::string::npos && close != std::string::npos) {
      std::string part;
      for (const char c : reply.Text.substr(open + 1, close - open - 1) + ",") {
        if (c != ',') {
          part += c;
          continue;
        }
        const auto n = ParseNumber(Trim(part));
        if (!n || *n > 255 || count == 6) {
          count = 7;
          break;
        }
        numbers[count++] = static_cast<unsigned>(*n);
        part.clear();
      }
    }
    if (count != 6) Fail(TNetStep::OpenFile, "FtpOpenFile", remoteName, errInternetExtendedError, reply.Text);
    TConnection data(options_);
    data.Connect(ftp_.PeerHost(), static_cast<std::uint16_t>(numbers[4] * 256 + numbers[5]), TNetStep::OpenFile);
    reply = Command("RETR " + remoteName, TNetStep::OpenFile);
    if (reply.Code != 150 && reply.Code != 125)
      Fail(TNetStep::OpenFile, "FtpOpenFile", remoteName, errInternetExtendedError, reply.Text);

    char block[kBlock];
    for (;;) {
      const std::size_t n = data.Read(block, kBlock, TNetStep::Read);
      if (n == 0) break;
      result.Bytes += n;
      if (!sink(block, n, result.Bytes, result.FileSize)) {
        // The control line is in the middle of a transfer: start afresh next time.
        result.Cancelled = true;
        data.Close();
        Disconnect();
        return result;
      }
    }
    data.Close();
    reply = Reply(TNetStep::CloseFile);
    if (reply.Code == 426 || reply.Code == 451 || reply.Code == 551)
      Fail(TNetStep::Read, "InternetReadFile", remoteName, errInternetExtendedError, reply.Text);
    if (reply.Code != 226 && reply.Code != 250)
      Fail(TNetStep::CloseFile, "InternetCloseHandle", remoteName, errInternetExtendedError, reply.Text);
    if (announced && result.Bytes != *announced)
      Fail(TNetStep::Read, "InternetReadFile",
           remoteName + ": " + std::to_string(result.Bytes) + " of " + std::to_string(*announced) +
               " bytes arrived",
           errInternetConnectionAborted, reply.Text);
    return result;
  }

  TNetOptions options_;
  TConnection ftp_; // the kept control connection
  std::string ftpKey_;
  std::string loginDirectory_;
  SSL_CTX* tls_ = nullptr;
  std::string lastResponse_;
};

} // namespace

std::unique_ptr<INetSession> TNativeNet::OpenSession(const TNetOptions& options) {
  return std::make_unique<TNativeNetSession>(options);
}

} // namespace quendel::platform::native
