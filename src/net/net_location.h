// Network install locations: a server, how to log in there, and the download
// of one named remote file into a local file over FTP, HTTP or HTTPS, with
// progress as data arrives. Archives of web and net distributions and the
// remote file list come this way.
#pragma once

#include "core/component.h"
#include "core/context.h"
#include "core/event.h"
#include "core/exceptions.h"
#include "core/persistent.h"
#include "core/reflection.h"
#include "model/net_location.h"
#include "platform/net.h"
#include "platform/platform.h"

#include <memory>
#include <string>
#include <vector>

namespace quendel {

// ---- errors -------------------------------------------------------------------

// Network errors. Their messages are not translated; each is composed as
// "<message>. Error message <code name>. Server <host>. Response from server <reply>".
class ENIL : public ECustomQuendelAbnormal {
public:
  using ECustomQuendelAbnormal::ECustomQuendelAbnormal;
  // Builds the composed message (see above) from a message and its arguments.
  ENIL(std::string_view Fmt, TFormatArgs Args, platform::TErrorCode Code, const std::string& Host,
       const std::string& Response);
};
QUENDEL_EXCEPTION(ENIL_FTP, ENIL);
QUENDEL_EXCEPTION(ENIL_HTTP, ENIL);
QUENDEL_EXCEPTION(ENIL_OpenSession, ENIL);
QUENDEL_EXCEPTION(ENIL_OpenService, ENIL);
QUENDEL_EXCEPTION(ENIL_FTPSetDir, ENIL_FTP);
QUENDEL_EXCEPTION(ENIL_FTPOpenFile, ENIL_FTP);
QUENDEL_EXCEPTION(ENIL_HTTPOpenFile, ENIL_HTTP);
QUENDEL_EXCEPTION(ENIL_HTTPSendRequest, ENIL_HTTP);
QUENDEL_EXCEPTION(ENIL_FTPCloseFile, ENIL_FTP);
QUENDEL_EXCEPTION(ENIL_FailDataQuery, ENIL);
QUENDEL_EXCEPTION(ENIL_ReadFile, ENIL);
QUENDEL_EXCEPTION(ENIL_FileNotFound, ENIL);
// A download whose SHA-256 differs from the one its location gives.
QUENDEL_EXCEPTION(ENIL_Checksum, ENIL);
QUENDEL_EXCEPTION(ENIL_WriteDestFile, Exception);
QUENDEL_EXCEPTION(ENIL_FailLoadWININET, Exception);
QUENDEL_EXCEPTION(ENIL_FailLoadDLLProc, Exception);
QUENDEL_EXCEPTION(IENetList, IException);

// The published name of a Windows or WinInet error code, "Unregistered error
// code" for the others.
std::string NetErrorName(platform::TErrorCode Code);

// ---- login information ----------------------------------------------------------

// The published face of a location's login information: the six values,
// read and written straight through to the location's own record, so that
// a definition sets them where the file containers look.
class TLoginInformation : public TCustomLoginInformation {
public:
  explicit TLoginInformation(TCustomLoginInformation* Target = nullptr) : FTarget(Target ? Target : this) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  void Assign(const TPersistent& Source) override { FTarget->Assign(Source); }

  bool GetAnonymous() const { return FTarget->Anonymous; }
  void SetAnonymous(bool Value) { FTarget->Anonymous = Value; }
  std::string GetDirectory() const { return FTarget->Directory; }
  void SetDirectory(const std::string& Value) { FTarget->Directory = Value; }
  std::string GetHostname() const { return FTarget->Hostname; }
  void SetHostname(const std::string& Value) { FTarget->Hostname = Value; }
  std::string GetPassword() const { return FTarget->Password; }
  void SetPassword(const std::string& Value) { FTarget->Password = Value; }
  TInternetProtocol GetProtocol() const { return FTarget->Protocol; }
  void SetProtocol(TInternetProtocol Value) { FTarget->Protocol = Value; }
  std::string GetUsername() const { return FTarget->Username; }
  void SetUsername(const std::string& Value) { FTarget->Username = Value; }

private:
  TCustomLoginInformation* FTarget;
};

// The server as the transfer port takes it. Hostname may carry a port
// ("host:2121") and a scheme ("https://host", "ftp://host:2121"); a scheme
// decides the protocol, so an https address needs no new protocol value in
// stored definitions.
platform::TNetServer NetServerOf(const TCustomLoginInformation& Login);

// ---- the location -------------------------------------------------------------

using TNetNotifyEvent = TEvent<void(TCustomNetInstallLocation& Sender)>;
using TNetAfterDownloadEvent = TEvent<void(TCustomNetInstallLocation& Sender, bool Aborted)>;

// The location a definition holds: downloads over FTP, HTTP and HTTPS
// through the transfer port, with the process-wide bookkeeping.
class TNetInstallLocation : public TCustomNetInstallLocation {
public:
  explicit TNetInstallLocation(TComponent* AOwner);
  ~TNetInstallLocation() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TLoginInformation& PublishedLogin() const { return *FPublishedLogin; }

  // Expected SHA-256 digests of this location's files, as "name=digest"
  // lines; a name not listed is not checked. Empty by default.
  TStrings& SHA256() const { return *FSHA256; }
  // The digest given for RemoteName (lower case), or "".
  std::string ExpectedDigest(const std::string& RemoteName) const;

  // Seconds a download waits for a silent server before it fails with the
  // read error; 0 (the default) keeps the run's limit (a minute). Read when
  // the location first connects.
  int ReceiveTimeout() const { return FReceiveTimeout; }
  void SetReceiveTimeout(int Value) { FReceiveTimeout = Value < 0 ? 0 : Value; }

  // Becomes the current location and opens the session when none is open.
  void Connect();
  // Closes the connection and then the session.
  void Disconnect();
  // Downloads RemoteName from the server's directory into LocalPath, which
  // is replaced. A download that fails leaves no LocalPath behind; one
  // stopped by the user keeps what arrived (the caller deletes it).
  void GetFile(const std::string& RemoteName, const std::string& LocalPath) override;
  // A copy of a file with a digest given must still have it.
  bool AcceptsLocalCopy(const std::string& RemoteName, const std::string& LocalPath) override;

  // The file being transferred.
  const std::string& LocalDestination() const { return FLocalPath; }
  const std::string& RemoteFileName() const { return FRemoteName; }

  TNetNotifyEvent OnBeforeConnect;
  TNetNotifyEvent OnAfterConnect;
  TNetNotifyEvent OnBeforeDownload;
  TNetAfterDownloadEvent OnAfterDownload;

private:
  [[noreturn]] void RaiseFor(const platform::ENetError& Error, const std::string& RemoteName);

  std::unique_ptr<TLoginInformation> FPublishedLogin;
  std::unique_ptr<TStrings> FSHA256;
  int FReceiveTimeout = 0;
  std::unique_ptr<platform::INetSession> FSession;
  bool FConnected = false;
  std::string FLocalPath;
  std::string FRemoteName;
};

// Every live location, in creation order. Does not own them.
class TCustomNetInstallLocationList {
public:
  // Raises IENetList for nil.
  void Add(TCustomNetInstallLocation* Location);
  void Remove(const TCustomNetInstallLocation* Location);
  int Count() const { return static_cast<int>(FItems.size()); }
  TCustomNetInstallLocation* Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }

private:
  std::vector<TCustomNetInstallLocation*> FItems;
};

// The process-wide state of network locations, composed by the runtime (tests
// make their own) and made current by a TNetContextScope.
struct TNetContext {
  static constexpr const char* ContextName = "net context";

  TNetContext() = default;
  // Downloads go through APlatform's transfer port into its file system.
  explicit TNetContext(platform::TPlatform& APlatform)
      : FAttachedNet(APlatform.Net.get()), FAttachedFiles(APlatform.Files.get()) {}
  TNetContext(const TNetContext&) = delete;
  TNetContext& operator=(const TNetContext&) = delete;

  TCustomNetInstallLocationList Locations;
  // The install root's location; cleared when that location dies.
  TCustomNetInstallLocation* DefaultLocation = nullptr;
  // The location that most recently started connecting: errors name its server.
  TCustomNetInstallLocation* CurrentLocation = nullptr;
  // The transfer port. Raises EContextError when none is attached, rather
  // than reaching for the real machine behind a test's back.
  platform::INet& Net();
  void AttachNet(platform::INet* ANet) { FAttachedNet = ANet; }
  // Limits of every session (timeouts, redirects).
  platform::TNetOptions Options;
  // The user's cancel and the message pump, run after every block. Without a
  // hook of its own the cancel is the model's user-abort flag (the one the
  // wizard sets), when a model context is current.
  TEvent<bool()> UserAborted;
  TEvent<void()> ProcessMessages;
  // The file system the local copies are written through; as Net().
  platform::IFileSystem& Files();
  void AttachFiles(platform::IFileSystem* AFiles) { FAttachedFiles = AFiles; }

private:
  platform::INet* FAttachedNet = nullptr;
  platform::IFileSystem* FAttachedFiles = nullptr;
};

using TNetContextScope = TContextScope<TNetContext>;

// Raises EContextError when no scope is active.
TNetContext& CurrentNetContext();
bool HasCurrentNetContext();

// Adds the location classes to the class registry.
void RegisterNetClasses();

} // namespace quendel
