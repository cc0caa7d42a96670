#pragma once
// Internet transfers: one remote file over HTTP, HTTPS or FTP, delivered block
// by block to a sink. Both adapters decide the outcome from the protocol's
// answer (the HTTP status line, the FTP reply codes), never from the body,
// treat a body shorter than the length the server announced as a failed read,
// and bound every wait.
//
// Error rule: a failing transfer throws ENetError, which says which step
// failed (the caller turns steps into its own error classes), carries the
// WinInet error code (12002 for a timeout, 12029 for a refused connection,
// 12003 for a refusing server, whose reply is then in ServerResponse) and
// the server's last reply.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/event.h"
#include "platform/error.h"

namespace quendel::platform {

// WinInet error codes the adapters report.
inline constexpr TErrorCode errInternetTimeout = 12002;
inline constexpr TErrorCode errInternetExtendedError = 12003;
inline constexpr TErrorCode errInternetNameNotResolved = 12007;
inline constexpr TErrorCode errInternetIncorrectPassword = 12014;
inline constexpr TErrorCode errInternetCannotConnect = 12029;
inline constexpr TErrorCode errInternetConnectionAborted = 12030;
inline constexpr TErrorCode errInternetConnectionReset = 12031;
inline constexpr TErrorCode errInternetSecurityFailure = 12045; // certificate refused
inline constexpr TErrorCode errHttpHeaderNotFound = 12150;
inline constexpr TErrorCode errHttpInvalidServerResponse = 12152;
inline constexpr TErrorCode errHttpRedirectFailed = 12156;

enum class TNetScheme { Ftp, Http, Https };

// Where a file lives: a server and a directory on it.
struct TNetServer {
  TNetScheme Scheme = TNetScheme::Http;
  std::string Host;
  std::uint16_t Port = 0; // 0: the scheme's default (21, 80, 443)
  bool Anonymous = true;
  std::string Username;
  std::string Password;
  std::string Directory = "/"; // "/" separated
};

// The step of a transfer that failed.
enum class TNetStep {
  LibraryMissing, // the internet library cannot be loaded
  EntryMissing,  // an entry point of it is missing (Arguments names it)
  OpenSession,   // no session could be opened
  Connect,       // the server is unreachable or refused the login
  SetDirectory,  // FTP: the directory could not be entered
  OpenFile,      // FTP: the file could not be opened; HTTP: no request could be made
  SendRequest,   // HTTP: the request could not be sent
  QuerySize,     // the announced size could not be read
  Read,          // the transfer broke off, timed out, came short, or the server failed
  NotFound,      // the server answered that the file does not exist
  CloseFile,     // the server did not confirm the end of the transfer
};

class ENetError : public EPlatformError {
public:
  ENetError(TNetStep step, std::string call, std::string arguments, TErrorCode code,
            std::string serverResponse);
  TNetStep Step() const noexcept { return step_; }
  // The server's last reply ("550 No such file", "HTTP/1.1 500 ..."), or "".
  const std::string& ServerResponse() const noexcept { return response_; }

private:
  TNetStep step_;
  std::string response_;
};

struct TNetOptions {
  std::string Agent = "Quendel Setup";
  unsigned ConnectTimeoutMs = 30000;
  unsigned ReceiveTimeoutMs = 60000; // the longest silence while waiting for data
  unsigned MaxRedirects = 10;
  // Extra certificate authority (PEM file on the host) that HTTPS trusts
  // beside the system's own. The native adapter only: Win32 trusts what the
  // machine's certificate store trusts.
  std::string ExtraCaFile;
};

// Receives each block as it arrives: the block, the bytes received so far and
// the size the server announced (0 when it announced none). Returning false
// stops the transfer quietly (the user cancelled).
using TNetSink = TFunctionRef<bool(const char* data, std::size_t size, std::uint64_t total,
                                    std::uint64_t fileSize)>;

struct TNetResult {
  std::uint64_t Bytes = 0;
  std::uint64_t FileSize = 0; // as announced, 0 when unknown
  bool Cancelled = false;     // the sink asked to stop
};

// A session keeps the library, the session and the server connection open
// between files, as a location does for its life.
class INetSession {
public:
  INetSession() = default;
  INetSession(const INetSession&) = delete;
  INetSession& operator=(const INetSession&) = delete;
  virtual ~INetSession() = default;

  // Fetches Server.Directory + "/" + RemoteName. Throws ENetError.
  virtual TNetResult GetFile(const TNetServer& server, const std::string& remoteName,
                             const TNetSink& sink) = 0;
  // Closes the connection and the session; the next GetFile opens them again.
  virtual void Disconnect() = 0;
  // The server's last reply text, "" when there is none.
  virtual std::string LastResponse() const = 0;
};

class INet {
public:
  INet() = default;
  INet(const INet&) = delete;
  INet& operator=(const INet&) = delete;
  virtual ~INet() = default;

  // Opening loads nothing yet: the library is loaded by the first transfer,
  // so a machine without it fails only when something is downloaded.
  virtual std::unique_ptr<INetSession> OpenSession(const TNetOptions& options) = 0;
};

// The request path of a file: Directory with every "\" made "/", a leading
// and a trailing "/", then the name ("" and blanks become "/").
std::string NetRequestPath(const std::string& directory, const std::string& remoteName);
// The directory as the server is told it: blank becomes "/", "\" becomes "/".
std::string NetServerDirectory(const std::string& directory);
// The FTP directory to enter: a relative directory is taken from the login
// directory, so that every file of a session finds the same place however
// often the directory is entered.
std::string NetFtpDirectory(const std::string& loginDirectory, const std::string& directory);
std::uint16_t NetDefaultPort(TNetScheme scheme);

// An HTTP address, for following redirects.
struct TNetUrl {
  TNetScheme Scheme = TNetScheme::Http;
  std::string Host;
  std::uint16_t Port = 80;
  std::string Path; // the request path, from "/"
};
// Resolves a Location header against the address it came from. False for a
// target the transfer does not follow (another protocol, credentials in it,
// a bad port).
bool NetResolveLocation(const TNetUrl& base, const std::string& location, TNetUrl& out);

} // namespace quendel::platform
