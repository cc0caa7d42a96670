// The internet-transfer port against real servers on 127.0.0.1 (started by
// with_servers.sh): the same cases for the WinInet adapter under Wine and
// the native one.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "net/test_servers.h"
#include "platform/platform.h"

namespace quendel::platform {
namespace {

using testing::Pattern;
using testing::Servers;

class NetPort : public ::testing::Test {
protected:
  void SetUp() override {
    if (!Servers().Present()) GTEST_SKIP() << "run through tests/net/with_servers.sh";
    platform_ = CreateDefaultPlatform();
    ASSERT_NE(platform_.Net, nullptr);
    session_ = platform_.Net->OpenSession(Servers().Options());
  }

  struct TFetched {
    std::string Data;
    std::vector<std::uint64_t> Totals;
    std::uint64_t FileSize = 0;
    TNetResult Result;
  };

  TFetched Fetch(const TNetServer& server, const std::string& name, std::size_t stopAfter = 0) {
    TFetched f;
    f.Result = session_->GetFile(server, name, [&](const char* data, std::size_t size, std::uint64_t total,
                                                   std::uint64_t fileSize) {
      EXPECT_LE(size, 8192u);
      f.Data.append(data, size);
      f.Totals.push_back(total);
      f.FileSize = fileSize;
      return stopAfter == 0 || f.Totals.size() < stopAfter;
    });
    return f;
  }

  // The step and code of the failure of a fetch; fails the test when it succeeds.
  ENetError FailureOf(const TNetServer& server, const std::string& name) {
    try {
      Fetch(server, name);
    } catch (const ENetError& e) {
      return e;
    }
    ADD_FAILURE() << name << " downloaded";
    return ENetError(TNetStep::OpenSession, "", "", 0, "");
  }

  TPlatform platform_;
  std::unique_ptr<INetSession> session_;
};

TEST_F(NetPort, Http_WholeFileInBlocksWithRunningTotalsAndAnnouncedSize) {
  const TFetched f = Fetch(Servers().Http("files"), "data.bin");
  EXPECT_EQ(f.Data, Pattern(100000));
  EXPECT_EQ(f.Result.Bytes, 100000u);
  EXPECT_EQ(f.FileSize, 100000u);
  EXPECT_FALSE(f.Result.Cancelled);
  ASSERT_GE(f.Totals.size(), 2u);
  for (std::size_t i = 1; i < f.Totals.size(); ++i) EXPECT_GT(f.Totals[i], f.Totals[i - 1]);
  EXPECT_EQ(f.Totals.back(), 100000u);

  // The same session serves the next files; directories may be written with
  // backslashes, or be empty (the server's root), or need escaping.
  EXPECT_EQ(Fetch(Servers().Http("\\files\\"), "small.txt").Data, "small file\r\n");
  EXPECT_EQ(Fetch(Servers().Http(""), "data.bin").Data, Pattern(100000));
  EXPECT_EQ(Fetch(Servers().Http("files/sub dir"), "spaced.txt").Data, "a name with a space\n");
}

TEST_F(NetPort, Http_StatusDecidesNotTheBody) {
  // A real file whose text begins with "404" is a file.
  EXPECT_EQ(Fetch(Servers().Http("files"), "starts404.txt").Data.substr(0, 3), "404");
  EXPECT_EQ(Fetch(Servers().Bad("start404"), "x").Data.substr(0, 3), "404");
  // An empty file arrives empty: whether that is acceptable is the caller's call.
  const TFetched empty = Fetch(Servers().Http("files"), "empty.txt");
  EXPECT_EQ(empty.Result.Bytes, 0u);
  EXPECT_TRUE(empty.Data.empty());

  EXPECT_EQ(FailureOf(Servers().Http("files"), "missing.bin").Step(), TNetStep::NotFound);
  EXPECT_EQ(FailureOf(Servers().Bad("status403"), "x").Step(), TNetStep::Read);
  EXPECT_EQ(FailureOf(Servers().Bad("status500"), "x").Step(), TNetStep::Read);
}

TEST_F(NetPort, Http_RedirectsAreFollowedButALoopFails) {
  EXPECT_EQ(Fetch(Servers().Http("files"), "moved.bin").Data, Pattern(100000));
  EXPECT_EQ(FailureOf(Servers().Http("loop"), "start").Step(), TNetStep::Read);
}

TEST_F(NetPort, Http_BodiesWithoutALengthArriveWhole) {
  const TFetched chunked = Fetch(Servers().Bad("chunked"), "x");
  EXPECT_EQ(chunked.Data, Pattern(100000));
  EXPECT_EQ(chunked.FileSize, 0u);
  const TFetched closed = Fetch(Servers().Bad("nolength"), "x");
  EXPECT_EQ(closed.Data, Pattern(100000));
  EXPECT_EQ(closed.FileSize, 0u);
}

TEST_F(NetPort, Http_ShortOrBrokenBodiesFail) {
  EXPECT_EQ(FailureOf(Servers().Bad("trunc"), "x").Step(), TNetStep::Read);
#ifndef _WIN32
  // WinInet under Wine hands over a chunked body that breaks off between
  // chunks as if it were whole; only a known length or a checksum catches that there.
  EXPECT_EQ(FailureOf(Servers().Bad("badchunk"), "x").Step(), TNetStep::Read);
#endif
}

TEST_F(NetPort, Http_SilentServersTimeOut) {
  const ENetError silent = FailureOf(Servers().Bad("hang"), "x");
  EXPECT_EQ(silent.Step(), TNetStep::Read);
  // The native adapter says "timeout"; WinInet under Wine reports the
  // connection it gave up on as aborted.
  EXPECT_TRUE(silent.Code() == errInternetTimeout || silent.Code() == errInternetConnectionAborted)
      << silent.what();
  const ENetError stalled = FailureOf(Servers().Bad("hangbody"), "x");
  EXPECT_EQ(stalled.Step(), TNetStep::Read);
}

TEST_F(NetPort, Http_RefusedConnectionFailsToConnect) {
  TNetServer server = Servers().Http("files");
  server.Port = Servers().ClosedPort();
  const ENetError e = FailureOf(server, "data.bin");
  // WinInet connects when the request is sent, the native adapter before.
  EXPECT_TRUE(e.Step() == TNetStep::Connect || e.Step() == TNetStep::SendRequest);
  EXPECT_EQ(e.Code(), errInternetCannotConnect);
}

TEST_F(NetPort, Https_UntrustedCertificateIsRefused) {
  TNetOptions options = Servers().Options();
  options.ExtraCaFile.clear();
  const auto strict = platform_.Net->OpenSession(options);
  try {
    strict->GetFile(Servers().Https("files"), "data.bin", [](const char*, std::size_t, std::uint64_t,
                                                              std::uint64_t) { return true; });
    ADD_FAILURE() << "a certificate nobody vouches for was accepted";
  } catch (const ENetError& e) {
    EXPECT_EQ(e.Step(), TNetStep::SendRequest);
    EXPECT_EQ(e.Code(), errInternetSecurityFailure);
  }
}

#ifndef _WIN32
// Wine's certificate store keeps its roots apart from what a program adds,
// so the trusted case runs natively, where the test names the certificate.
TEST_F(NetPort, Https_TrustedCertificateDownloads) {
  const TFetched f = Fetch(Servers().Https("files"), "data.bin");
  EXPECT_EQ(f.Data, Pattern(100000));
  EXPECT_EQ(f.FileSize, 100000u);
  EXPECT_EQ(FailureOf(Servers().Https("files"), "missing.bin").Step(), TNetStep::NotFound);
}
#endif

TEST_F(NetPort, Ftp_AnonymousAndUserLoginsDownload) {
  const TFetched anonymous = Fetch(Servers().Ftp("files"), "data.bin");
  EXPECT_EQ(anonymous.Data, Pattern(100000));
  EXPECT_EQ(Fetch(Servers().Ftp("\\files"), "small.txt").Data, "small file\r\n");
  EXPECT_EQ(Fetch(Servers().Ftp(""), "data.bin").Data, Pattern(100000));

  TNetServer user = Servers().Ftp("files");
  user.Anonymous = false;
  user.Username = "quendel";
  user.Password = "s3cret";
  EXPECT_EQ(Fetch(user, "data.bin").Data, Pattern(100000));
  EXPECT_EQ(Fetch(user, "starts404.txt").Data.substr(0, 3), "404");

  session_->Disconnect();
  user.Password = "wrong";
  EXPECT_EQ(FailureOf(user, "data.bin").Step(), TNetStep::Connect);
}

TEST_F(NetPort, Ftp_MissingFileOrDirectoryFailsWithTheServersReply) {
  const ENetError file = FailureOf(Servers().Ftp("files"), "missing.bin");
  EXPECT_EQ(file.Step(), TNetStep::OpenFile);
  EXPECT_NE(file.ServerResponse().find("550"), std::string::npos) << file.ServerResponse();
  EXPECT_EQ(FailureOf(Servers().Ftp("nowhere"), "data.bin").Step(), TNetStep::SetDirectory);
  // The connection stays usable after both.
  EXPECT_EQ(Fetch(Servers().Ftp("files"), "small.txt").Data, "small file\r\n");
}

TEST_F(NetPort, CancelStopsQuietlyAndTheSessionGoesOn) {
  for (const TNetServer& server : {Servers().Http("files"), Servers().Ftp("files")}) {
    const TFetched stopped = Fetch(server, "data.bin", 2);
    EXPECT_TRUE(stopped.Result.Cancelled);
    EXPECT_EQ(stopped.Totals.size(), 2u);
    EXPECT_LT(stopped.Data.size(), 100000u);
    EXPECT_EQ(Fetch(server, "data.bin").Data, Pattern(100000));
  }
}

TEST(NetPath, RequestPathsAndServerDirectories) {
  EXPECT_EQ(NetRequestPath("", "a.1"), "/a.1");
  EXPECT_EQ(NetRequestPath("  ", "a.1"), "/a.1");
  EXPECT_EQ(NetRequestPath("files", "a.1"), "/files/a.1");
  EXPECT_EQ(NetRequestPath("\\web\\files\\", "a.1"), "/web/files/a.1");
  EXPECT_EQ(NetRequestPath("/x y", "a#b?.1"), "/x%20y/a%23b%3F.1");
  EXPECT_EQ(NetServerDirectory(""), "/");
  EXPECT_EQ(NetServerDirectory("\\web\\files"), "/web/files");
  EXPECT_EQ(NetServerDirectory("files"), "files");
  EXPECT_EQ(NetFtpDirectory("/home/q", "files"), "/home/q/files");
  EXPECT_EQ(NetFtpDirectory("/", "a\\b"), "/a/b");
  EXPECT_EQ(NetFtpDirectory("/home/q", "/pub"), "/pub");
  EXPECT_EQ(NetFtpDirectory("/home/q", ""), "/");
}

} // namespace
} // namespace quendel::platform
