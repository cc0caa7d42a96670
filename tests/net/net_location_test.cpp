// Network install locations: login information, the process-wide list, the
// error messages, and downloads from the servers with_servers.sh starts.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "net/net_location.h"
#include "net/sha256.h"
#include "net/test_servers.h"

namespace quendel {
namespace {

using platform::testing::Pattern;
using platform::testing::Servers;

class NetLocationTest : public ::testing::Test {
protected:
  NetLocationTest() : platform_(platform::CreateDefaultPlatform()), net_(platform_), netScope_(net_) {
    net_.Options = Servers().Options();
    owner_ = std::make_unique<TComponent>(nullptr);
  }
  ~NetLocationTest() override {
    owner_.reset();
    for (const std::string& path : made_)
      if (Files().FileExists(path)) Files().RemoveFile(path);
  }

  platform::IFileSystem& Files() { return net_.Files(); }

  // A fresh local path in the temporary directory (no file there yet).
  std::string LocalPath() {
    const std::string path = Files().TempFileName(Files().TempDirectory(), "qnt");
    Files().RemoveFile(path);
    made_.push_back(path);
    return path;
  }
  std::string ReadAll(const std::string& path) {
    auto file = Files().Open(path, platform::TFileAccess::Read, platform::shareAll, platform::TCreation::OpenExisting);
    std::string data(static_cast<std::size_t>(file->Size()), '\0');
    file->Read(data.data(), data.size());
    return data;
  }

  TNetInstallLocation* Location(const std::string& host, TInternetProtocol protocol, const std::string& dir) {
    auto* location = new TNetInstallLocation(owner_.get());
    location->LoginInformation().Hostname = host;
    location->LoginInformation().Protocol = protocol;
    location->LoginInformation().Directory = dir;
    return location;
  }

  void RequireServers() {
    if (!Servers().Present()) GTEST_SKIP() << "run through tests/net/with_servers.sh";
  }

  // This machine's files and transfers: the real ones under Wine, natively
  // the host's through Z:.
  platform::TPlatform platform_;
  TNetContext net_;
  TNetContextScope netScope_;
  std::unique_ptr<TComponent> owner_;
  std::vector<std::string> made_;
};

TEST_F(NetLocationTest, LoginInformation_PublishedViewWritesThroughToTheLocation) {
  auto* location = new TNetInstallLocation(owner_.get());
  TLoginInformation& published = location->PublishedLogin();
  EXPECT_TRUE(published.GetAnonymous());
  EXPECT_EQ(published.GetProtocol(), ipHTTP);
  published.SetHostname("files.test");
  published.SetDirectory("\\pub");
  published.SetAnonymous(false);
  published.SetUsername("only-a-user");
  EXPECT_EQ(location->LoginInformation().Hostname, "files.test");
  EXPECT_EQ(location->LoginInformation().Directory, "\\pub");
  EXPECT_TRUE(location->LoginInformation().IsComplete());

  TCustomLoginInformation other;
  other.Hostname = "ftp.test";
  other.Protocol = ipFTP;
  published.Assign(other);
  EXPECT_EQ(location->LoginInformation().Hostname, "ftp.test");
  EXPECT_EQ(location->LoginInformation().Protocol, ipFTP);
  EXPECT_TRUE(location->LoginInformation().Anonymous);

  const TClassInfo& cls = TNetInstallLocation::StaticClass();
  ASSERT_NE(cls.FindProperty("LoginInformation"), nullptr);
  ASSERT_NE(cls.FindProperty("SHA256"), nullptr);
  for (const char* name : {"Anonymous", "Directory", "Hostname", "Password", "Protocol", "Username"})
    EXPECT_NE(TLoginInformation::StaticClass().FindProperty(name), nullptr) << name;
  EXPECT_EQ(TCustomNetInstallLocation::StaticClass().FindProperty("LoginInformation"), nullptr);
}

TEST_F(NetLocationTest, LoginInformation_HostnameMayCarrySchemeAndPort) {
  TCustomLoginInformation login;
  login.Hostname = "files.test";
  EXPECT_EQ(NetServerOf(login).Scheme, platform::TNetScheme::Http);
  EXPECT_EQ(NetServerOf(login).Port, 0);
  login.Hostname = " https://files.test:8443 ";
  EXPECT_EQ(NetServerOf(login).Scheme, platform::TNetScheme::Https);
  EXPECT_EQ(NetServerOf(login).Host, "files.test");
  EXPECT_EQ(NetServerOf(login).Port, 8443);
  login.Protocol = ipFTP;
  login.Hostname = "127.0.0.1:2121";
  EXPECT_EQ(NetServerOf(login).Scheme, platform::TNetScheme::Ftp);
  EXPECT_EQ(NetServerOf(login).Host, "127.0.0.1");
  EXPECT_EQ(NetServerOf(login).Port, 2121);
  login.Hostname = "[::1]:21";
  EXPECT_EQ(NetServerOf(login).Host, "::1");
  EXPECT_EQ(NetServerOf(login).Port, 21);
  login.Hostname = "host:notaport";
  EXPECT_EQ(NetServerOf(login).Host, "host:notaport");
  EXPECT_TRUE(NetServerOf(login).Anonymous);
}

TEST_F(NetLocationTest, List_LocationsJoinAndLeaveAndReferencesClear) {
  EXPECT_EQ(net_.Locations.Count(), 0);
  auto* first = Location("a", ipHTTP, "");
  auto* second = Location("b", ipHTTP, "");
  ASSERT_EQ(net_.Locations.Count(), 2);
  EXPECT_EQ(net_.Locations.Items(1), second);
  net_.DefaultLocation = first;
  first->Connect();
  EXPECT_EQ(net_.CurrentLocation, first);
  delete first;
  EXPECT_EQ(net_.Locations.Count(), 1);
  EXPECT_EQ(net_.DefaultLocation, nullptr);
  EXPECT_EQ(net_.CurrentLocation, nullptr);
  try {
    net_.Locations.Add(nullptr);
    FAIL() << "a blank location was added";
  } catch (const IENetList& e) {
    EXPECT_STREQ(e.what(), "Cannot add a blank location to the global net location list");
  }
}

TEST_F(NetLocationTest, Errors_NamesAndComposedMessage) {
  EXPECT_EQ(NetErrorName(6), "ERROR_INVALID_HANDLE");
  EXPECT_EQ(NetErrorName(12002), "ERROR_INTERNET_TIMEOUT");
  EXPECT_EQ(NetErrorName(12036), "ERROR_INTERNET_HANDLE_EXISTS");
  EXPECT_EQ(NetErrorName(12111), "ERROR_FTP_DROPPED");
  EXPECT_EQ(NetErrorName(12155), "ERROR_HTTP_HEADER_ALREADY_EXISTS");
  EXPECT_EQ(NetErrorName(12032), "Unregistered error code");
  EXPECT_EQ(NetErrorName(0), "Unregistered error code");
  const ENIL_ReadFile e("Could not read from file %s on the server", {"a.1"}, 12030, "host", "");
  EXPECT_STREQ(e.what(), "Could not read from file a.1 on the server. Error message "
                         "ERROR_INTERNET_CONNECTION_ABORTED. Server host. Response from server No server response");
}

TEST_F(NetLocationTest, Sha256_KnownDigests) {
  TSha256 empty;
  EXPECT_EQ(empty.HexDigest(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  TSha256 abc;
  abc.Update("ab", 2);
  abc.Update("c", 1);
  EXPECT_EQ(abc.HexDigest(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string million(1000000, 'a');
  TSha256 many;
  many.Update(million.data(), million.size());
  EXPECT_EQ(many.HexDigest(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_F(NetLocationTest, GetFile_HttpAndFtpWithProgressToBothSubscribers) {
  RequireServers();
  auto* web = Location(Servers().HttpHost(), ipHTTP, "files");
  std::vector<std::string> calls;
  int lastTotal = 0;
  web->OnDataReceived1 = [&](TComponent* sender, const std::string& name, int bytes, int total, int size,
                            const char*) {
    EXPECT_EQ(sender, web);
    EXPECT_EQ(name, "data.bin");
    EXPECT_EQ(size, 100000);
    EXPECT_EQ(total, lastTotal + bytes);
    lastTotal = total;
    calls.push_back("first");
  };
  web->OnDataReceived2 = [&](TComponent*, const std::string&, int, int, int, const char*) {
    calls.push_back("second");
  };
  bool afterAborted = true;
  web->OnAfterDownload = [&](TCustomNetInstallLocation&, bool aborted) { afterAborted = aborted; };
  const std::string path = LocalPath();
  web->GetFile("data.bin", path);
  EXPECT_EQ(ReadAll(path), Pattern(100000));
  EXPECT_EQ(lastTotal, 100000);
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0], "first");
  EXPECT_EQ(calls[1], "second");
  EXPECT_FALSE(afterAborted);
  EXPECT_EQ(web->LocalDestination(), path);
  EXPECT_EQ(web->RemoteFileName(), "data.bin");
  web->OnDataReceived1 = nullptr;
  web->OnDataReceived2 = nullptr;

  // A real file whose text begins with "404" is downloaded like any other.
  const std::string text = LocalPath();
  web->GetFile("starts404.txt", text);
  EXPECT_EQ(ReadAll(text).substr(0, 3), "404");

  auto* ftp = Location(Servers().FtpHost(), ipFTP, "\\files");
  ftp->LoginInformation().Anonymous = false;
  ftp->LoginInformation().Username = "quendel";
  ftp->LoginInformation().Password = "s3cret";
  const std::string fromFtp = LocalPath();
  ftp->GetFile("data.bin", fromFtp);
  EXPECT_EQ(ReadAll(fromFtp), Pattern(100000));
  ftp->GetFile("small.txt", fromFtp); // again, from the same directory
  EXPECT_EQ(ReadAll(fromFtp), "small file\r\n");
}

// Each failure raises its class, and leaves no file behind, however far the
// transfer got; a file that was at the path before a refused download stays.
TEST_F(NetLocationTest, GetFile_FailuresRaiseTheirClassAndStoreNothing) {
  RequireServers();
  auto expectFailure = [&](TNetInstallLocation& location, const std::string& name, auto tag,
                           const std::string& text) {
    using E = decltype(tag);
    const std::string path = LocalPath();
    try {
      location.GetFile(name, path);
      ADD_FAILURE() << name << " downloaded";
    } catch (const E& e) {
      EXPECT_NE(std::string(e.what()).find(text), std::string::npos) << e.what();
    } catch (const std::exception& e) {
      ADD_FAILURE() << name << ": " << e.what();
    }
    EXPECT_FALSE(Files().FileExists(path)) << name;
  };
  auto* web = Location(Servers().HttpHost(), ipHTTP, "files");
  expectFailure(*web, "missing.1", ENIL_FileNotFound("", {}, 0, "", ""),
                "Could not find the file missing.1 on the server. Error message ERROR_INTERNET_EXTENDED_ERROR. "
                "Server " + Servers().HttpHost() + ". Response from server ");
  expectFailure(*web, "empty.txt", ENIL_FileNotFound("", {}, 0, "", ""), "Could not find the file empty.txt");

  auto* bad = Location(Servers().BadHost(), ipHTTP, "trunc");
  expectFailure(*bad, "x.1", ENIL_ReadFile("", {}, 0, "", ""), "Could not read from file x.1 on the server");
  bad->LoginInformation().Directory = "status500";
  expectFailure(*bad, "x.1", ENIL_ReadFile("", {}, 0, "", ""), "Could not read from file x.1");
  bad->LoginInformation().Directory = "hang";
  expectFailure(*bad, "x.1", ENIL_ReadFile("", {}, 0, "", ""), "Could not read from file x.1");
  // The location's own limit for a silent server goes before the run's.
  net_.Options.ReceiveTimeoutMs = 120000;
  auto* hasty = Location(Servers().BadHost(), ipHTTP, "hang");
  hasty->SetReceiveTimeout(1);
  const auto began = std::chrono::steady_clock::now();
  expectFailure(*hasty, "x.1", ENIL_ReadFile("", {}, 0, "", ""), "Could not read from file x.1");
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(30));
  net_.Options = Servers().Options();
  bad->LoginInformation().Directory = "start404";
  const std::string real = LocalPath();
  bad->GetFile("x.1", real);
  EXPECT_EQ(ReadAll(real).substr(0, 3), "404");

  auto* ftp = Location(Servers().FtpHost(), ipFTP, "files");
  expectFailure(*ftp, "missing.1", ENIL_FTPOpenFile("", {}, 0, "", ""), "Cannot open file missing.1 on server");
  ftp->LoginInformation().Directory = "no\\where";
  expectFailure(*ftp, "data.bin", ENIL_FTPSetDir("", {}, 0, "", ""), "Cannot set directory on server to no/where");

  // A download that cannot even start leaves the file that was there alone.
  const std::string kept = LocalPath();
  Files().Open(kept, platform::TFileAccess::Write, platform::shareNone, platform::TCreation::CreateAlways)->Write("old", 3);
  EXPECT_THROW(web->GetFile("missing.1", kept), ENIL_FileNotFound);
  EXPECT_EQ(ReadAll(kept), "old");

  // A local path that cannot be written is the write error, naming the location.
  web->SetName("WebSite");
  const std::string unwritable = LocalPath() + "\\no such dir\\x.1";
  try {
    web->GetFile("data.bin", unwritable);
    ADD_FAILURE() << "wrote into a missing directory";
  } catch (const ENIL_WriteDestFile& e) {
    EXPECT_EQ(std::string(e.what()), "WebSite could not write to the local dest file " + unwritable);
  }
}

TEST_F(NetLocationTest, GetFile_Sha256RefusesAMismatchAndChecksOnlyListedFiles) {
  RequireServers();
  auto* web = Location(Servers().HttpHost(), ipHTTP, "files");
  TSha256 good;
  const std::string data = Pattern(100000);
  good.Update(data.data(), data.size());
  web->SHA256().Add("DATA.BIN = " + good.HexDigest());
  web->SHA256().Add("small.txt=0000000000000000000000000000000000000000000000000000000000000000");
  const std::string path = LocalPath();
  web->GetFile("data.bin", path);
  EXPECT_EQ(ReadAll(path), data);
  const std::string wrong = LocalPath();
  EXPECT_THROW(web->GetFile("small.txt", wrong), ENIL_Checksum);
  EXPECT_FALSE(Files().FileExists(wrong));
  web->GetFile("starts404.txt", wrong); // not listed: not checked
  EXPECT_TRUE(Files().FileExists(wrong));
}

TEST_F(NetLocationTest, GetFile_UserAbortStopsQuietlyKeepingWhatWasWritten) {
  RequireServers();
  auto* web = Location(Servers().HttpHost(), ipHTTP, "files");
  int blocks = 0;
  bool afterAborted = false;
  web->OnDataReceived1 = [&](TComponent*, const std::string&, int, int, int, const char*) { ++blocks; };
  web->OnAfterDownload = [&](TCustomNetInstallLocation&, bool aborted) { afterAborted = aborted; };
  net_.UserAborted = [&] { return blocks >= 2; };
  const std::string path = LocalPath();
  web->GetFile("data.bin", path);
  EXPECT_EQ(blocks, 2);
  EXPECT_TRUE(afterAborted);
  ASSERT_TRUE(Files().FileExists(path));
  EXPECT_LT(ReadAll(path).size(), 100000u);
}

} // namespace
} // namespace quendel
