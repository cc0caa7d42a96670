#include "net/net_location.h"

#include "model/model_context.h"
#include "net/sha256.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace quendel {

using platform::ENetError;
using platform::TNetScheme;
using platform::TNetStep;

// ---- errors -------------------------------------------------------------------

namespace {

bool UserAbortSet(const TNetContext& Context) {
  if (Context.UserAborted) return Context.UserAborted();
  const TModelContext* Model = TModelContextScope::Installed();
  return Model != nullptr && Model->UserAbort;
}

std::string TrimText(const std::string& S) {
  const auto first = S.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return S.substr(first, S.find_last_not_of(" \t\r\n") - first + 1);
}

std::string Lower(std::string S) {
  for (char& c : S) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return S;
}

struct TCodeName {
  platform::TErrorCode Code;
  const char* Name;
};

constexpr TCodeName kCodeNames[] = {
    {6, "ERROR_INVALID_HANDLE"},
    {12001, "ERROR_INTERNET_OUT_OF_HANDLES"},
    {12002, "ERROR_INTERNET_TIMEOUT"},
    {12003, "ERROR_INTERNET_EXTENDED_ERROR"},
    {12004, "ERROR_INTERNET_INTERNAL_ERROR"},
    {12005, "ERROR_INTERNET_INVALID_URL"},
    {12006, "ERROR_INTERNET_UNRECOGNIZED_SCHEME"},
    {12007, "ERROR_INTERNET_NAME_NOT_RESOLVED"},
    {12008, "ERROR_INTERNET_PROTOCOL_NOT_FOUND"},
    {12009, "ERROR_INTERNET_INVALID_OPTION"},
    {12010, "ERROR_INTERNET_BAD_OPTION_LENGTH"},
    {12011, "ERROR_INTERNET_OPTION_NOT_SETTABLE"},
    {12012, "ERROR_INTERNET_SHUTDOWN"},
    {12013, "ERROR_INTERNET_INCORRECT_USER_NAME"},
    {12014, "ERROR_INTERNET_INCORRECT_PASSWORD"},
    {12015, "ERROR_INTERNET_LOGIN_FAILURE"},
    {12016, "ERROR_INTERNET_INVALID_OPERATION"},
    {12017, "ERROR_INTERNET_OPERATION_CANCELLED"},
    {12018, "ERROR_INTERNET_INCORRECT_HANDLE_TYPE"},
    {12019, "ERROR_INTERNET_INCORRECT_HANDLE_STATE"},
    {12020, "ERROR_INTERNET_NOT_PROXY_REQUEST"},
    {12021, "ERROR_INTERNET_REGISTRY_VALUE_NOT_FOUND"},
    {12022, "ERROR_INTERNET_BAD_REGISTRY_PARAMETER"},
    {12023, "ERROR_INTERNET_NO_DIRECT_ACCESS"},
    {12024, "ERROR_INTERNET_NO_CONTEXT"},
    {12025, "ERROR_INTERNET_NO_CALLBACK"},
    {12026, "ERROR_INTERNET_REQUEST_PENDING"},
    {12027, "ERROR_INTERNET_INCORRECT_FORMAT"},
    {12028, "ERROR_INTERNET_ITEM_NOT_FOUND"},
    {12029, "ERROR_INTERNET_CANNOT_CONNECT"},
    {12030, "ERROR_INTERNET_CONNECTION_ABORTED"},
    {12031, "ERROR_INTERNET_CONNECTION_RESET"},
    {12036, "ERROR_INTERNET_HANDLE_EXISTS"},
    {12041, "ERROR_INTERNET_MIXED_SECURITY"},
    {12110, "ERROR_FTP_TRANSFER_IN_PROGRESS"},
    {12111, "ERROR_FTP_DROPPED"},
    {12130, "ERROR_GOPHER_PROTOCOL_ERROR"},
    {12131, "ERROR_GOPHER_NOT_FILE"},
    {12132, "ERROR_GOPHER_DATA_ERROR"},
    {12133, "ERROR_GOPHER_END_OF_DATA"},
    {12134, "ERROR_GOPHER_INVALID_LOCATOR"},
    {12135, "ERROR_GOPHER_INCORRECT_LOCATOR_TYPE"},
    {12136, "ERROR_GOPHER_NOT_GOPHER_PLUS"},
    {12137, "ERROR_GOPHER_ATTRIBUTE_NOT_FOUND"},
    {12138, "ERROR_GOPHER_UNKNOWN_LOCATOR"},
    {12150, "ERROR_HTTP_HEADER_NOT_FOUND"},
    {12151, "ERROR_HTTP_DOWNLEVEL_SERVER"},
    {12152, "ERROR_HTTP_INVALID_SERVER_RESPONSE"},
    {12153, "ERROR_HTTP_INVALID_HEADER"},
    {12154, "ERROR_HTTP_INVALID_QUERY_REQUEST"},
    {12155, "ERROR_HTTP_HEADER_ALREADY_EXISTS"},
};

std::string ComposeNil(std::string_view Fmt, TFormatArgs Args, platform::TErrorCode Code,
                       const std::string& Host, const std::string& Response) {
  const std::string reply = Response.empty() ? "No server response" : Response;
  return FormatSafe("%s. Error message %s. Server %s. Response from server %s",
                    {FormatSafe(Fmt, Args), NetErrorName(Code), Host, reply});
}

} // namespace

ENIL::ENIL(std::string_view Fmt, TFormatArgs Args, platform::TErrorCode Code, const std::string& Host,
           const std::string& Response)
    : ECustomQuendelAbnormal(ComposeNil(Fmt, Args, Code, Host, Response)) {}

std::string NetErrorName(platform::TErrorCode Code) {
  for (const TCodeName& entry : kCodeNames)
    if (entry.Code == Code) return entry.Name;
  return "Unregistered error code";
}

// ---- login information ----------------------------------------------------------

platform::TNetServer NetServerOf(const TCustomLoginInformation& Login) {
  platform::TNetServer server;
  server.Scheme = Login.Protocol == ipFTP ? TNetScheme::Ftp : TNetScheme::Http;
  std::string host = TrimText(Login.Hostname);
  const std::string lower = Lower(host);
  for (const auto& [prefix, scheme] : {std::pair<const char*, TNetScheme>{"http://", TNetScheme::Http},
                                       {"https://", TNetScheme::Https},
                                       {"ftp://", TNetScheme::Ftp}}) {
    const std::string p = prefix;
    if (lower.rfind(p, 0) == 0) {
      server.Scheme = scheme;
      host = host.substr(p.size());
      break;
    }
  }
  if (const auto slash = host.find('/'); slash != std::string::npos) host.resize(slash);
  // "host:port" or "[v6 address]:port"; a bare v6 address has no port.
  std::string port;
  if (!host.empty() && host.front() == '[') {
    const auto close = host.find(']');
    if (close != std::string::npos) {
      if (close + 1 < host.size() && host[close + 1] == ':') port = host.substr(close + 2);
      host = host.substr(1, close - 1);
    }
  } else if (const auto colon = host.find(':'); colon != std::string::npos && host.find(':', colon + 1) == std::string::npos) {
    port = host.substr(colon + 1);
    const bool digits = !port.empty() && port.size() <= 5 &&
                        std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits) host.resize(colon);
    else port.clear();
  }
  if (!port.empty() && port.size() <= 5 &&
      std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const unsigned long number = std::stoul(port);
    if (number > 0 && number <= 65535) server.Port = static_cast<std::uint16_t>(number);
  }
  server.Host = host;
  server.Anonymous = Login.Anonymous;
  server.Username = Login.Anonymous ? std::string() : Login.Username;
  server.Password = Login.Anonymous ? std::string() : Login.Password;
  server.Directory = Login.Directory;
  return server;
}

const TClassInfo& TLoginInformation::StaticClass() {
  using T = TLoginInformation;
  return ClassTable([] {
    return TClassBuilder<T>("TLoginInformation", &TCustomLoginInformation::StaticClass)
        .Bool<&T::GetAnonymous, &T::SetAnonymous>("Anonymous", true)
        .Str<&T::GetDirectory, &T::SetDirectory>("Directory")
        .Str<&T::GetHostname, &T::SetHostname>("Hostname")
        .Str<&T::GetPassword, &T::SetPassword>("Password")
        .Enum<&T::GetProtocol, &T::SetProtocol>("Protocol", InternetProtocolInfo, ipHTTP)
        .Str<&T::GetUsername, &T::SetUsername>("Username");
  });
}

// ---- the location -------------------------------------------------------------

TNetInstallLocation::TNetInstallLocation(TComponent* AOwner)
    : TCustomNetInstallLocation(AOwner), FPublishedLogin(std::make_unique<TLoginInformation>(&LoginInformation())),
      FSHA256(std::make_unique<TStringList>()) {
  CurrentNetContext().Locations.Add(this);
}

TNetInstallLocation::~TNetInstallLocation() {
  if (!HasCurrentNetContext()) return;
  TNetContext& context = CurrentNetContext();
  if (context.CurrentLocation == this) context.CurrentLocation = nullptr;
  Disconnect();
  FSession.reset(); // releases the library
  if (context.DefaultLocation == this) context.DefaultLocation = nullptr;
  context.Locations.Remove(this);
}

const TClassInfo& TNetInstallLocation::StaticClass() {
  using T = TNetInstallLocation;
  return ClassTable([] {
    return TClassBuilder<T>("TNetInstallLocation", &TCustomNetInstallLocation::StaticClass)
        .Object<&T::PublishedLogin>("LoginInformation")
        .Strings<&T::SHA256>("SHA256")
        .Int<&T::ReceiveTimeout, &T::SetReceiveTimeout>("ReceiveTimeout", 0);
  });
}

std::string TNetInstallLocation::ExpectedDigest(const std::string& RemoteName) const {
  const std::string wanted = Lower(TrimText(RemoteName));
  for (int i = 0; i < FSHA256->Count(); ++i) {
    const std::string& line = FSHA256->Strings(i);
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    if (Lower(TrimText(line.substr(0, eq))) == wanted) return Lower(TrimText(line.substr(eq + 1)));
  }
  return {};
}

void TNetInstallLocation::Connect() {
  TNetContext& context = CurrentNetContext();
  context.CurrentLocation = this;
  if (!FSession) {
    platform::TNetOptions options = context.Options;
    if (FReceiveTimeout > 0)
      options.ReceiveTimeoutMs = static_cast<unsigned>(std::min(FReceiveTimeout, 24 * 3600)) * 1000u;
    FSession = context.Net().OpenSession(options);
  }
  if (!FConnected) {
    if (OnBeforeConnect) OnBeforeConnect(*this);
    FConnected = true;
    if (OnAfterConnect) OnAfterConnect(*this);
  }
}

void TNetInstallLocation::Disconnect() {
  if (FSession) FSession->Disconnect();
  FConnected = false;
}

void TNetInstallLocation::RaiseFor(const ENetError& Error, const std::string& RemoteName) {
  const TNetContext& context = CurrentNetContext();
  const std::string host =
      context.CurrentLocation != nullptr ? context.CurrentLocation->LoginInformation().Hostname : std::string();
  const platform::TErrorCode code = Error.Code();
  const std::string& reply = Error.ServerResponse();
  const bool ftp = NetServerOf(LoginInformation()).Scheme == TNetScheme::Ftp;
  switch (Error.Step()) {
  case TNetStep::LibraryMissing:
    Raise<ENIL_FailLoadWININET>(
        "Failed to load the Wininet.dll. If this is a hybrid installation, you might want to "
        "include the "
        "WININET.DLL file in the PresetupFiles property of the TInstall component");
  case TNetStep::EntryMissing:
    Raise<ENIL_FailLoadDLLProc>("Failed to load the procedure %s from WININET.DLL",
                                {Error.Arguments()});
  case TNetStep::OpenSession:
    throw ENIL_OpenSession("Cannot open internet connection", {}, code, host, reply);
  case TNetStep::Connect:
    throw ENIL_OpenService("Cannot connect to host %s", {LoginInformation().Hostname}, code, host, reply);
  case TNetStep::SetDirectory:
    throw ENIL_FTPSetDir("Cannot set directory on server to %s",
                         {platform::NetServerDirectory(LoginInformation().Directory)}, code, host, reply);
  case TNetStep::OpenFile:
    if (ftp) throw ENIL_FTPOpenFile("Cannot open file %s on server", {RemoteName}, code, host, reply);
    throw ENIL_HTTPOpenFile("Cannot open file %s on server", {RemoteName}, code, host, reply);
  case TNetStep::SendRequest:
    throw ENIL_HTTPSendRequest("Cannot send request for file %s to the server", {RemoteName}, code, host, reply);
  case TNetStep::QuerySize:
    throw ENIL_FailDataQuery("Could not query file %s on server", {RemoteName}, code, host, reply);
  case TNetStep::Read:
    throw ENIL_ReadFile("Could not read from file %s on the server", {RemoteName}, code, host, reply);
  case TNetStep::NotFound:
    throw ENIL_FileNotFound("Could not find the file %s on the server", {RemoteName}, code, host, reply);
  case TNetStep::CloseFile:
    break;
  }
  throw ENIL_FTPCloseFile("Cannot close the file %s on the server", {RemoteName}, code, host, reply);
}

void TNetInstallLocation::GetFile(const std::string& RemoteName, const std::string& LocalPath) {
  Connect();
  TNetContext& context = CurrentNetContext();
  FLocalPath = LocalPath;
  FRemoteName = RemoteName;
  if (OnBeforeDownload) OnBeforeDownload(*this);

  platform::IFileSystem& files = context.Files();
  const std::string expected = ExpectedDigest(RemoteName);
  TSha256 digest;
  std::unique_ptr<platform::IFile> local;
  bool aborted = false;
  // Whatever goes wrong, no partial or unchecked file stays behind as if it
  // were the download.
  bool created = false;
  auto discard = [&] {
    local.reset();
    try {
      if (created && files.FileExists(LocalPath)) files.RemoveFile(LocalPath);
    } catch (const platform::EPlatformError&) {
      // The first failure is the one to report.
    }
  };
  try {
    // The local file is made once the server has answered with data, so a
    // refused download does not replace an existing file with nothing.
    auto sink = [&](const char* data, std::size_t size, std::uint64_t total, std::uint64_t fileSize) {
      if (!local) {
        try {
          local = files.Open(LocalPath, platform::TFileAccess::Write, platform::shareRead,
                             platform::TCreation::CreateAlways);
        } catch (const platform::EPlatformError&) {
          Raise<ENIL_WriteDestFile>("%s could not write to the local dest file %s",
                                    {Name(), LocalPath});
        }
        created = true;
      }
      const auto clamp = [](std::uint64_t v) { return static_cast<int>(std::min<std::uint64_t>(v, 0x7FFFFFFF)); };
      NotifyDataReceived(RemoteName, clamp(size), clamp(total), clamp(fileSize), data);
      if (context.ProcessMessages) context.ProcessMessages();
      if (UserAbortSet(context)) {
        aborted = true;
        return false;
      }
      try {
        local->Write(data, size);
      } catch (const platform::EPlatformError&) {
        Raise<ENIL_WriteDestFile>("%s could not write to the local dest file %s",
                                  {Name(), LocalPath});
      }
      digest.Update(data, size);
      return true;
    };
    platform::TNetResult result;
    try {
      result = FSession->GetFile(NetServerOf(LoginInformation()), RemoteName, sink);
    } catch (const ENetError& e) {
      RaiseFor(e, RemoteName);
    }
    if (!aborted && !result.Cancelled) {
      const std::string host = LoginInformation().Hostname;
      if (result.Bytes == 0)
        throw ENIL_FileNotFound("Could not find the file %s on the server", {RemoteName},
                                platform::errInternetExtendedError, host, FSession->LastResponse());
      if (!expected.empty() && digest.HexDigest() != expected)
        throw ENIL_Checksum("The file %s from the server does not match its SHA-256", {RemoteName},
                            platform::errInvalidData, host, FSession->LastResponse());
    }
    if (local) local->Flush();
    local.reset();
  } catch (...) {
    discard();
    throw;
  }
  if (OnAfterDownload) OnAfterDownload(*this, UserAbortSet(context));
}

bool TNetInstallLocation::AcceptsLocalCopy(const std::string& RemoteName, const std::string& LocalPath) {
  const std::string expected = ExpectedDigest(RemoteName);
  if (expected.empty()) return true;
  TSha256 digest;
  try {
    const auto file = CurrentNetContext().Files().OpenRead(LocalPath);
    std::vector<char> block(65536);
    for (;;) {
      const std::size_t got = file->Read(block.data(), block.size());
      if (got == 0) break;
      digest.Update(block.data(), got);
    }
  } catch (const platform::EPlatformError&) {
    return false;
  }
  return digest.HexDigest() == expected;
}

// ---- the list and the context -------------------------------------------------------

void TCustomNetInstallLocationList::Add(TCustomNetInstallLocation* Location) {
  if (Location == nullptr)
    Raise<IENetList>("Cannot add a blank location to the global net location list");
  FItems.push_back(Location);
}

void TCustomNetInstallLocationList::Remove(const TCustomNetInstallLocation* Location) {
  const auto it = std::find(FItems.begin(), FItems.end(), Location);
  if (it != FItems.end()) FItems.erase(it);
}

platform::INet& TNetContext::Net() {
  if (FAttachedNet == nullptr)
    Raise<EContextError>("The net context has no internet transfers attached");
  return *FAttachedNet;
}

platform::IFileSystem& TNetContext::Files() {
  if (FAttachedFiles == nullptr)
    Raise<EContextError>("The net context has no file system attached");
  return *FAttachedFiles;
}

TNetContext& CurrentNetContext() {
  return TNetContextScope::Current();
}

bool HasCurrentNetContext() {
  return TNetContextScope::Installed() != nullptr;
}

void RegisterNetClasses() {
  TClassRegistry& R = ClassRegistry();
  R.Register<TNetInstallLocation>();
}

} // namespace quendel
