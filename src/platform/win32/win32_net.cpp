#include "platform/win32/win32_net.h"

#include <windows.h>
#include <wininet.h>

#include <charconv>
#include <cstdlib>
#include <optional>
#include <utility>

namespace quendel::platform::win32 {

namespace {

using TInternetGetLastResponseInfo = BOOL(WINAPI*)(DWORD*, LPSTR, DWORD*);
using TInternetOpen = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using TInternetConnect = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, INTERNET_PORT, LPCSTR, LPCSTR, DWORD,
                                            DWORD, DWORD_PTR);
using TFtpSetCurrentDirectory = BOOL(WINAPI*)(HINTERNET, LPCSTR);
using TInternetCloseHandle = BOOL(WINAPI*)(HINTERNET);
using TInternetQueryDataAvailable = BOOL(WINAPI*)(HINTERNET, DWORD*, DWORD, DWORD_PTR);
using TInternetReadFile = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, DWORD*);
using TFtpOpenFile = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, DWORD, DWORD, DWORD_PTR);
using THttpOpenRequest = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR*,
                                            DWORD, DWORD_PTR);
using THttpSendRequest = BOOL(WINAPI*)(HINTERNET, LPCSTR, DWORD, LPVOID, DWORD);
using THttpQueryInfo = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD*, DWORD*);
using TInternetSetOption = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
using TFtpGetCurrentDirectory = BOOL(WINAPI*)(HINTERNET, LPSTR, DWORD*);

// The request flags of every download: always from the server, never from
// or into the cache, on the kept connection.
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kBlock = 8192;

class TWin32NetSession : public INetSession {
public:
  explicit TWin32NetSession(const TNetOptions& options) : options_(options) {}
  ~TWin32NetSession() override {
    Disconnect();
    if (library_ != nullptr) ::FreeLibrary(library_);
  }

  TNetResult GetFile(const TNetServer& server, const std::string& remoteName,
                     const TNetSink& sink) override {
    Load();
    Connect(server);
    return server.Scheme == TNetScheme::Ftp ? GetFtp(server, remoteName, sink)
                                            : GetHttp(server, remoteName, sink);
  }

  void Disconnect() override {
    if (connection_ != nullptr) closeHandle_(connection_);
    connection_ = nullptr;
    connectionKey_.clear();
    if (session_ != nullptr) closeHandle_(session_);
    session_ = nullptr;
  }

  std::string LastResponse() const override {
    if (getLastResponse_ == nullptr) return {};
    char text[3000];
    DWORD error = 0;
    DWORD size = sizeof text;
    if (!getLastResponse_(&error, text, &size)) return {};
    return std::string(text, size < sizeof text ? size : sizeof text - 1);
  }

private:
  [[noreturn]] void Fail(TNetStep step, const char* call, const std::string& args, DWORD code) {
    throw ENetError(step, call, args, code, LastResponse());
  }

  template <typename T> void Entry(T& slot, const char* name) {
    slot = reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(library_, name)));
    if (slot == nullptr) {
      const DWORD code = ::GetLastError();
      std::string shortName(name);
      if (shortName.back() == 'A') shortName.pop_back();
      throw ENetError(TNetStep::EntryMissing, "GetProcAddress", shortName, code, {});
    }
  }

  void Load() {
    if (loaded_) return;
    if (library_ == nullptr) {
      library_ = ::LoadLibraryA("WININET.DLL");
      if (library_ == nullptr)
        throw ENetError(TNetStep::LibraryMissing, "LoadLibraryA", "\"WININET.DLL\"", ::GetLastError(), {});
    }
    Entry(getLastResponse_, "InternetGetLastResponseInfoA");
    Entry(open_, "InternetOpenA");
    Entry(connect_, "InternetConnectA");
    Entry(ftpSetDir_, "FtpSetCurrentDirectoryA");
    Entry(closeHandle_, "InternetCloseHandle");
    Entry(queryData_, "InternetQueryDataAvailable");
    Entry(readFile_, "InternetReadFile");
    Entry(ftpOpenFile_, "FtpOpenFileA");
    Entry(httpOpen_, "HttpOpenRequestA");
    Entry(httpSend_, "HttpSendRequestA");
    Entry(httpQuery_, "HttpQueryInfoA");
    Entry(setOption_, "InternetSetOptionA");
    Entry(ftpGetDir_, "FtpGetCurrentDirectoryA");
    loaded_ = true;
  }

  // Every wait is bounded, so a server that says nothing cannot hold the
  // install. Set on every handle: not every library version hands the
  // session's limits down to the handles made from it.
  void Bound(HINTERNET handle) {
    DWORD connectMs = options_.ConnectTimeoutMs, receiveMs = options_.ReceiveTimeoutMs;
    setOption_(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
    setOption_(handle, INTERNET_OPTION_SEND_TIMEOUT, &receiveMs, sizeof receiveMs);
    setOption_(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
    setOption_(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
  }

  void Connect(const TNetServer& server) {
    if (session_ == nullptr) {
      session_ = open_(options_.Agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
      if (session_ == nullptr) Fail(TNetStep::OpenSession, "InternetOpenA", options_.Agent, ::GetLastError());
      Bound(session_);
    }
    const INTERNET_PORT port = server.Port != 0 ? server.Port : NetDefaultPort(server.Scheme);
    const std::string key = std::to_string(static_cast<int>(server.Scheme)) + "\n" + server.Host +
                            "\n" + std::to_string(port) + "\n" +
                            (server.Anonymous ? "" : server.Username + "\n" + server.Password);
    if (connection_ != nullptr && key == connectionKey_) return;
    if (connection_ != nullptr) closeHandle_(connection_);
    connection_ = nullptr;
    connectionKey_.clear();
    const bool ftp = server.Scheme == TNetScheme::Ftp;
    const char* user = server.Anonymous ? (ftp ? nullptr : "") : server.Username.c_str();
    const char* pass = server.Anonymous ? (ftp ? nullptr : "") : server.Password.c_str();
    const std::string where = server.Host + ":" + std::to_string(port);
    connection_ = connect_(session_, server.Host.c_str(), port, user, pass,
                           ftp ? INTERNET_SERVICE_FTP : INTERNET_SERVICE_HTTP,
                           ftp ? INTERNET_FLAG_PASSIVE : 0, 0);
    if (connection_ == nullptr) Fail(TNetStep::Connect, "InternetConnectA", where, ::GetLastError());
    connectionKey_ = key;
    Bound(connection_);
    loginDirectory_.clear();
    if (ftp) {
      char dir[MAX_PATH + 1];
      DWORD size = sizeof dir;
      // The reported length may or may not count the terminating zero.
      if (ftpGetDir_(connection_, dir, &size)) loginDirectory_ = std::string(dir, size < sizeof dir ? size : 0).c_str();
    }
  }

  // Reads the open file to its end into the sink.
  void Transfer(HINTERNET file, const std::string& name, const TNetSink& sink, TNetResult& result) {
    char block[kBlock];
    for (;;) {
      DWORD read = 0;
      if (!readFile_(file, block, kBlock, &read)) {
        const DWORD code = ::GetLastError();
        Fail(TNetStep::Read, "InternetReadFile", name + " after " + std::to_string(result.Bytes) + " bytes", code);
      }
      if (read == 0) return;
      result.Bytes += read;
      if (!sink(block, read, result.Bytes, result.FileSize)) {
        result.Cancelled = true;
        return;
      }
    }
  }

  // Closes a remote file on every path out; a failing close after a good
  // transfer is an error of its own.
  struct TRemoteFile {
    TWin32NetSession& Session;
    HINTERNET Handle;
    ~TRemoteFile() {
      if (Handle != nullptr) Session.closeHandle_(Handle);
    }
    void Close(const std::string& name) {
      const HINTERNET handle = std::exchange(Handle, nullptr);
      if (!Session.closeHandle_(handle)) Session.Fail(TNetStep::CloseFile, "InternetCloseHandle", name, ::GetLastError());
    }
  };

  TNetResult GetFtp(const TNetServer& server, const std::string& remoteName, const TNetSink& sink) {
    std::string directory = NetFtpDirectory(loginDirectory_, server.Directory);
    if (!ftpSetDir_(connection_, directory.c_str())) {
      const DWORD code = ::GetLastError();
      // A connection the server dropped meanwhile gets one fresh login.
      if (code == ERROR_INTERNET_CONNECTION_ABORTED || code == ERROR_INTERNET_CONNECTION_RESET) {
        closeHandle_(connection_);
        connection_ = nullptr;
        connectionKey_.clear();
        Connect(server);
        directory = NetFtpDirectory(loginDirectory_, server.Directory);
        if (!ftpSetDir_(connection_, directory.c_str()))
          Fail(TNetStep::SetDirectory, "FtpSetCurrentDirectoryA", directory, ::GetLastError());
      } else {
        Fail(TNetStep::SetDirectory, "FtpSetCurrentDirectoryA", directory, code);
      }
    }
    TRemoteFile file{*this, ftpOpenFile_(connection_, remoteName.c_str(), GENERIC_READ,
                                         FTP_TRANSFER_TYPE_BINARY, 0)};
    if (file.Handle == nullptr) Fail(TNetStep::OpenFile, "FtpOpenFileA", remoteName, ::GetLastError());
    Bound(file.Handle);
    // The library cannot tell an FTP file's size (bytes available is not
    // one): the size stays unknown, 0.
    TNetResult result;
    Transfer(file.Handle, remoteName, sink, result);
    if (result.Cancelled) return result;
    file.Close(remoteName);
    return result;
  }

  // Redirects are followed here, not by the library, so that a loop ends
  // after a bounded number of steps whatever the library would do.
  TNetResult GetHttp(const TNetServer& server, const std::string& remoteName, const TNetSink& sink) {
    TNetUrl url;
    url.Scheme = server.Scheme;
    url.Host = server.Host;
    url.Port = server.Port != 0 ? server.Port : NetDefaultPort(server.Scheme);
    url.Path = NetRequestPath(server.Directory, remoteName);
    const TNetUrl first = url;
    TRemoteFile elsewhere{*this, nullptr}; // a connection to another server a redirect leads to
    for (unsigned redirects = 0;; ++redirects) {
      const bool home = url.Host == first.Host && url.Port == first.Port;
      const HINTERNET connection = home ? connection_ : elsewhere.Handle;
      const std::string& path = url.Path;
      const DWORD flags = kRequestFlags | INTERNET_FLAG_NO_AUTO_REDIRECT |
                          (url.Scheme == TNetScheme::Https ? INTERNET_FLAG_SECURE : 0);
      TRemoteFile request{*this, httpOpen_(connection, "GET", path.c_str(), nullptr, nullptr, nullptr, flags, 0)};
      if (request.Handle == nullptr) Fail(TNetStep::OpenFile, "HttpOpenRequestA", path, ::GetLastError());
      Bound(request.Handle);
      static const char kHeaders[] = "Accept: */*\r\n\r\n";
      if (!httpSend_(request.Handle, kHeaders, sizeof kHeaders - 1, nullptr, 0)) {
        const DWORD code = ::GetLastError();
        // Waiting for an answer that never came, or that broke off, is a
        // failed read (the library reports a silent server either way).
        const bool read = code == ERROR_INTERNET_TIMEOUT || code == ERROR_INTERNET_CONNECTION_ABORTED ||
                          code == ERROR_INTERNET_CONNECTION_RESET;
        Fail(read ? TNetStep::Read : TNetStep::SendRequest, "HttpSendRequestA", path, code);
      }
      DWORD status = 0;
      DWORD size = sizeof status;
      if (!httpQuery_(request.Handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        Fail(TNetStep::Read, "HttpQueryInfoA", path + " status", ::GetLastError());
      const std::string statusText = "HTTP status " + std::to_string(status);
      if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
        char location[2048];
        size = sizeof location;
        TNetUrl next;
        if (redirects >= options_.MaxRedirects ||
            !httpQuery_(request.Handle, HTTP_QUERY_LOCATION, location, &size, nullptr) ||
            !NetResolveLocation(url, std::string(location, size < sizeof location ? size : 0), next))
          throw ENetError(TNetStep::Read, "HttpSendRequestA", path + ": redirected too often or elsewhere",
                          12156, statusText);
        if (next.Scheme != url.Scheme && next.Host == url.Host && next.Port == url.Port) {
          url = next;
          continue; // same server, other protocol: the flags carry it
        }
        url = next;
        if (!(url.Host == first.Host && url.Port == first.Port)) {
          if (elsewhere.Handle != nullptr) closeHandle_(elsewhere.Handle);
          elsewhere.Handle = connect_(session_, url.Host.c_str(), url.Port, "", "", INTERNET_SERVICE_HTTP, 0, 0);
          if (elsewhere.Handle == nullptr) Fail(TNetStep::Connect, "InternetConnectA", url.Host, ::GetLastError());
        }
        continue;
      }
      if (status == 404 || status == 410)
        throw ENetError(TNetStep::NotFound, "HttpQueryInfoA", path, ERROR_INTERNET_EXTENDED_ERROR, statusText);
      if (status < 200 || status > 299)
        throw ENetError(TNetStep::Read, "HttpQueryInfoA", path, ERROR_INTERNET_EXTENDED_ERROR, statusText);

      TNetResult result;
      std::optional<std::uint64_t> announced;
      char length[64];
      size = sizeof length;
      if (httpQuery_(request.Handle, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr)) {
        // Digits only, after any blanks; a length that does not fit is no
        // announced length at all.
        const char* first = length;
        const char* const last = length + (size < sizeof length ? size : 0);
        while (first != last && (*first == ' ' || *first == '\t'))
          ++first;
        std::uint64_t value = 0;
        const auto [stop, error] = std::from_chars(first, last, value);
        if (first != last && error == std::errc() && stop == last) {
          announced = value;
          result.FileSize = value;
        }
      } else {
        const DWORD code = ::GetLastError();
        if (code != ERROR_HTTP_HEADER_NOT_FOUND) Fail(TNetStep::QuerySize, "HttpQueryInfoA", path + " length", code);
      }
      Transfer(request.Handle, path, sink, result);
      if (result.Cancelled) return result;
      if (announced && result.Bytes < *announced)
        Fail(TNetStep::Read, "InternetReadFile",
             path + ": " + std::to_string(result.Bytes) + " of " + std::to_string(*announced) + " bytes arrived",
             ERROR_INTERNET_CONNECTION_ABORTED);
      request.Close(path);
      return result;
    }
  }

  TNetOptions options_;
  HMODULE library_ = nullptr;
  bool loaded_ = false;
  HINTERNET session_ = nullptr;
  HINTERNET connection_ = nullptr;
  std::string connectionKey_;

  TInternetGetLastResponseInfo getLastResponse_ = nullptr;
  TInternetOpen open_ = nullptr;
  TInternetConnect connect_ = nullptr;
  TFtpSetCurrentDirectory ftpSetDir_ = nullptr;
  TInternetCloseHandle closeHandle_ = nullptr;
  TInternetQueryDataAvailable queryData_ = nullptr;
  TInternetReadFile readFile_ = nullptr;
  TFtpOpenFile ftpOpenFile_ = nullptr;
  THttpOpenRequest httpOpen_ = nullptr;
  THttpSendRequest httpSend_ = nullptr;
  THttpQueryInfo httpQuery_ = nullptr;
  TInternetSetOption setOption_ = nullptr;
  TFtpGetCurrentDirectory ftpGetDir_ = nullptr;
  std::string loginDirectory_;
};

} // namespace

std::unique_ptr<INetSession> TWin32Net::OpenSession(const TNetOptions& options) {
  return std::make_unique<TWin32NetSession>(options);
}

} // namespace quendel::platform::win32
