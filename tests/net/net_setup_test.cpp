// A web distribution through the setup program itself, in one process on the
// simulated machine: built with "-b", its net folder put on the test server
// as an author uploads it, then started unattended. The run reads the remote
// file list, downloads the archive, installs; a run that fails after the
// download keeps the copy and its record, which the next start uses instead
// of the server; a good install removes both.
#include "engine/exit_codes.h"
#include "engine/install.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"

#include "definition/binary_codec.h"
#include "definition/text_codec.h"
#include "net/net_location.h"
#include "net/test_servers.h"
#include "platform/native/native_platform.h"
#include "platform/native/native_registry.h"
#include "ui/main_form.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<std::uint8_t>;
using platform::testing::Servers;

class NetSetup : public ::testing::Test {
protected:
  void SetUp() override {
    if (!Servers().Present() || !std::getenv("QUENDEL_NET_ROOT"))
      GTEST_SKIP() << "run through tests/net/with_servers.sh";
    FServed = std::getenv("QUENDEL_NET_ROOT");
    FDir = fs::temp_directory_path() /
           ("quendel_netsetup_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(FDir);
    Write("tmp/ProductSetup.exe", std::string(6000, 'S'));
    Write("tmp/BUILD.INF", "C:\\build\r\n");
    Write("kit/Q32V52.TXT", "kit\r\n");
    Write("kit/QuendelLoadProgram.exe", std::string(3000, 'L'));
    Write("src/readme.txt", "Read me first.\r\n");
    Write("src/app.dat", std::string(120000, 'a') + "end");
    Write("src/help.txt", "Help.\r\n");
    ::setenv("QUENDEL_KIT", "C:\\kit", 1);
    FRegistry = (FDir / "registry.txt").string();
    // The machine's temporary directory, where downloads go.
    const std::string Temp = platform::native::CreateNativePlatform(
                                 platform::native::TDriveMap().Map('C', FDir.string()))
                                 .Files->TempDirectory();
    FTempWin = Temp.back() == '\\' ? Temp.substr(0, Temp.size() - 1) : Temp;
    FTemp = FDir / HostRel(Temp);
    fs::create_directories(FTemp);
  }
  // A path on C: relative to the directory that plays the drive.
  static std::string HostRel(const std::string& Path) {
    std::string Rel = Path.substr(3);
    for (char& C : Rel)
      if (C == '\\') C = '/';
    return Rel;
  }
  void TearDown() override {
    ::unsetenv("QUENDEL_KIT");
    if (!FDir.empty()) fs::remove_all(FDir);
  }

  void Write(const std::string& Rel, const std::string& Text) {
    fs::create_directories((FDir / Rel).parent_path());
    std::ofstream(FDir / Rel, std::ios::binary) << Text;
  }
  std::string Read(const fs::path& Path) {
    std::ifstream in(Path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Two files in the root's archive, one in Directory1's (a directory of
  // its own below the product's).
  TBytes Definition() {
    const std::string text = std::string() +
        "object frmMainMenu: TfrmMainMenu\n  Caption = 'Test Install'\n"
        "  object psProgramFiles: TpsProgramFiles\n  end\n"
        "  object psContainerArchiveFile: TpsContainerArchiveFile\n  end\n"
        "  object psContainerDestDir: TpsContainerDestDir\n  end\n"
        "  object Net1: TNetInstallLocation\n" + FLocation + "  end\n"
        "  object Install1: TInstall\n    DestDir = '\\Test App'\n"
        "    DestDirType = psProgramFiles\n    DistributeType = dtWeb\n    NetLocation = Net1\n  end\n"
        "  object File1: TInstallFile\n    Container = Install1\n    ArchiveFileType = psContainerArchiveFile\n"
        "    DestDirType = psContainerDestDir\n    FileName = 'readme.txt'\n    DestName = 'readme.txt'\n    IncludeFromDir = 'C:\\src'\n  end\n"
        "  object File2: TInstallFile\n    Container = Install1\n    ArchiveFileType = psContainerArchiveFile\n"
        "    DestDirType = psContainerDestDir\n    FileName = 'app.dat'\n    DestName = 'app.dat'\n    IncludeFromDir = 'C:\\src'\n  end\n"
        "  object Directory1: TInstallDirectory\n    Container = Install1\n"
        "    ArchiveFileType = psContainerArchiveFile\n    DestDir = '\\Help'\n"
        "    DestDirType = psContainerDestDir\n  end\n"
        "  object File3: TInstallFile\n    Container = Directory1\n    ArchiveFileType = psContainerArchiveFile\n"
        "    DestDirType = psContainerDestDir\n    FileName = 'help.txt'\n    DestName = 'help.txt'\n    IncludeFromDir = 'C:\\src'\n  end\n"
        "end\n";
    return WriteObjectBinary(ReadObjectStream(TBytes(text.begin(), text.end())));
  }

  // One start of the program on this test's machine (the registry carried
  // from start to start).
  int Start(const std::vector<std::string>& Args, IWindowHost* Host = nullptr) {
    platform::TPlatform p =
        platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
    auto& reg = dynamic_cast<platform::native::TNativeRegistry&>(*p.Registry);
    if (fs::exists(FRegistry)) reg.LoadFromFile(FRegistry);
    std::vector<std::string> args = Args;
    args.push_back("*q");
    args.push_back("*l" + (FDir / "setup.log").string());
    int code;
    {
      TSetupRuntime runtime(std::move(p), "C:\\tmp\\ProductSetup.exe", args);
      runtime.App().Title = "Test Install";
      runtime.Net().Options = Servers().Options();
      code = RunSetupProgram(runtime.App(), Definition(), Host);
      dynamic_cast<platform::native::TNativeRegistry&>(*runtime.Platform().Registry).SaveToFile(FRegistry);
    }
    return code;
  }
  std::string Log() { return Read(FDir / "setup.log"); }

  // The net folder of the build, uploaded to the server's "product" folder.
  void Upload(const std::string& Where = "product") {
    fs::path Folder;
    for (const auto& E : fs::recursive_directory_iterator(FDir / "build"))
      if (E.path().filename() == "filelist.lst") Folder = E.path().parent_path();
    ASSERT_FALSE(Folder.empty()) << "no file list built";
    fs::remove_all(FServed / Where);
    fs::create_directories(FServed / Where);
    for (const auto& E : fs::directory_iterator(Folder))
      fs::copy_file(E.path(), FServed / Where / E.path().filename());
  }
  std::string Installed(const std::string& Rel) {
    return Read(FDir / "Program Files" / "Test App" / Rel);
  }
  // "LocalFile" of every object the record lists.
  std::map<std::string, std::string> Copies() {
    platform::TPlatform p =
        platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
    auto& reg = dynamic_cast<platform::native::TNativeRegistry&>(*p.Registry);
    std::map<std::string, std::string> Found;
    if (!fs::exists(FRegistry)) return Found;
    reg.LoadFromFile(FRegistry);
    if (!p.Registry->KeyExists(platform::rkLocalMachine, "SOFTWARE\\Vexo\\Install")) return Found;
    auto Install = p.Registry->OpenKey(platform::rkLocalMachine, "SOFTWARE\\Vexo\\Install", platform::TRegAccess::Read);
    for (const std::string& Record : Install->SubKeyNames()) {
      auto R = p.Registry->OpenKey(platform::rkLocalMachine, "SOFTWARE\\Vexo\\Install\\" + Record, platform::TRegAccess::Read);
      for (const std::string& Object : R->SubKeyNames()) {
        auto O = p.Registry->OpenKey(platform::rkLocalMachine,
                                     "SOFTWARE\\Vexo\\Install\\" + Record + "\\" + Object, platform::TRegAccess::Read);
        if (O->ValueExists("LocalFile")) Found[Object] = O->ReadString("LocalFile");
      }
    }
    return Found;
  }

  // The downloaded copies in the machine's temporary directory.
  std::vector<std::string> TempCopies() {
    std::vector<std::string> Found;
    for (const auto& E : fs::directory_iterator(FTemp))
      if (E.path().extension() == ".1") Found.push_back(E.path().filename().string());
    return Found;
  }

  fs::path FDir;
  fs::path FServed;
  fs::path FTemp;
  std::string FTempWin;
  std::string FRegistry;
  std::string FLocation = "    LoginInformation.Hostname = '" + Servers().HttpHost() + "'\n"
                          "    LoginInformation.Directory = 'product'\n";
};

TEST_F(NetSetup, WebBuildInstallsFromTheServerAndAnUnfinishedRunKeepsItsCopies) {
  ASSERT_EQ(Start({"-b"}), ecGoodInstall) << Log();
  Upload();
  // The root's own archive is not on the server yet: the run downloads
  // Directory1's (directories come before files), then fails on the root's,
  // a bad install that keeps the record with the copy it made.
  const std::string RootArchive = Read(FServed / "product" / "Install1.1");
  fs::remove(FServed / "product" / "Install1.1");
  EXPECT_EQ(Start({"-sC:\\tmp"}), ecBadInstall) << Log();
  EXPECT_NE(Log().find("Could not find the file Install1.1 on the server"), std::string::npos) << Log();
  auto Kept = Copies();
  ASSERT_EQ(Kept.count("Directory1"), 1u) << Log();
  EXPECT_EQ(Kept.count("Install1"), 0u);
  const std::string Copy = Kept["Directory1"];
  EXPECT_EQ(Read(FDir / HostRel(Copy)), Read(FServed / "product" / "Directory1.1"));

  // The next start takes Directory1's archive from the copy (the server has
  // lost it) and downloads only the root's.
  fs::remove(FServed / "product" / "Directory1.1");
  std::ofstream(FServed / "product" / "Install1.1", std::ios::binary) << RootArchive;
  EXPECT_EQ(Start({"-sC:\\tmp"}), ecGoodInstall) << Log();
  EXPECT_EQ(Installed("readme.txt"), "Read me first.\r\n");
  EXPECT_TRUE(Installed("app.dat") == std::string(120000, 'a') + "end");
  EXPECT_EQ(Installed("Help/help.txt"), "Help.\r\n");
  // A good install removes the record and the copies it names.
  EXPECT_TRUE(Copies().empty());
  EXPECT_FALSE(fs::exists(FDir / HostRel(Copy))) << Copy;
}

// Every way a download fails ends the run as a bad install with the error in
// the log, stores no partial file, records nothing for what failed and
// leaves the user's files alone; a good copy made before the failure is
// kept and reused. The misbehaving server is switched between the runs of
// one build, whose location gives a wrong digest for the root's archive.
TEST_F(NetSetup, FailedDownloadsEndAsCleanBadInstalls) {
  FLocation = "    LoginInformation.Hostname = '" + Servers().BadHost() + "'\n"
              "    LoginInformation.Directory = 'switch/product'\n"
              "    ReceiveTimeout = 2\n"
              "    SHA256.Strings = (\n      'Install1.1=" + std::string(64, '0') + "')\n";
  ASSERT_EQ(Start({"-b"}), ecGoodInstall) << Log();
  Upload("switch/product");
  const fs::path App = FDir / "Program Files" / "Test App";
  const auto Switch = [&](const std::string& Mode) { std::ofstream(FServed / "switch.mode") << Mode << "\n"; };
  const auto Failing = [&](const std::string& Mode, const std::string& Message) {
    SCOPED_TRACE(Mode);
    fs::create_directories(App);
    std::ofstream(App / "readme.txt", std::ios::binary) << "my own readme";
    std::ofstream(App / "notes.txt", std::ios::binary) << "my notes";
    Switch(Mode);
    EXPECT_EQ(Start({"-sC:\\tmp"}), ecBadInstall) << Log();
    EXPECT_NE(Log().find(Message), std::string::npos) << Log();
    EXPECT_EQ(Read(App / "readme.txt"), "my own readme");
    EXPECT_EQ(Read(App / "notes.txt"), "my notes");
    EXPECT_FALSE(fs::exists(App / "app.dat"));
    EXPECT_EQ(Copies().count("Install1"), 0u);
  };
  for (const auto& [Mode, Message] : std::vector<std::pair<std::string, std::string>>{
           {"status404 Directory1.1", "Could not find the file Directory1.1 on the server"},
           {"status500 filelist.lst", "Could not read from file filelist.lst on the server"},
           {"trunc Directory1.1", "Could not read from file Directory1.1 on the server"}}) {
    Failing(Mode, Message);
    EXPECT_TRUE(TempCopies().empty()) << Mode;
    EXPECT_TRUE(Copies().empty()) << Mode;
  }
  // Directory1.1 arrives whole and is kept; the root's does not match.
  Failing("serve", "The file Install1.1 from the server does not match its SHA-256");
  const std::string Kept = Copies()["Directory1"];
  ASSERT_FALSE(Kept.empty());
  const auto OnlyKept = [&] {
    EXPECT_EQ(Copies()["Directory1"], Kept);
    EXPECT_EQ(Read(FDir / HostRel(Kept)), Read(FServed / "switch" / "product" / "Directory1.1"));
    EXPECT_EQ(TempCopies(), std::vector<std::string>{fs::path(HostRel(Kept)).filename().string()});
  };
  OnlyKept();
  // Only the root's archive is asked for now.
  const auto Began = std::chrono::steady_clock::now();
  Failing("hang Install1.1", "Could not read from file Install1.1 on the server");
  EXPECT_LT(std::chrono::steady_clock::now() - Began, std::chrono::seconds(30));
  OnlyKept();
  // Last, as it ends the misbehaving server: its process dies halfway
  // through the root's archive.
  Failing("stop Install1.1", "Could not read from file Install1.1 on the server");
  OnlyKept();
}

// The root's own archive, kept by an earlier run, is taken while the
// definition loads, and the run installs from it without the server.
TEST_F(NetSetup, RootsKeptArchiveIsTakenWhileLoading) {
  ASSERT_EQ(Start({"-b"}), ecGoodInstall) << Log();
  Upload();
  // A run that finds nothing on the server leaves the record behind.
  const std::string RootArchive = Read(FServed / "product" / "Install1.1");
  fs::remove(FServed / "product" / "Install1.1");
  fs::remove(FServed / "product" / "Directory1.1");
  ASSERT_EQ(Start({"-sC:\\tmp"}), ecBadInstall) << Log();
  // As a run that downloaded the root's archive and failed after it leaves it.
  std::string RecordKey;
  {
    platform::TPlatform p =
        platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
    auto& reg = dynamic_cast<platform::native::TNativeRegistry&>(*p.Registry);
    reg.LoadFromFile(FRegistry);
    auto Install = p.Registry->OpenKey(platform::rkLocalMachine, "SOFTWARE\\Vexo\\Install", platform::TRegAccess::Read);
    ASSERT_EQ(Install->SubKeyNames().size(), 1u);
    RecordKey = "SOFTWARE\\Vexo\\Install\\" + Install->SubKeyNames()[0];
    p.Registry->CreateKey(platform::rkLocalMachine, RecordKey + "\\Install1")->WriteString("LocalFile", FTempWin + "\\bat1.1");
    reg.SaveToFile(FRegistry);
  }
  std::ofstream(FTemp / "bat1.1", std::ios::binary) << RootArchive;
  // Directory1's archive comes from the server.
  Upload();
  fs::remove(FServed / "product" / "Install1.1");
  struct THost : IWindowHost {
    std::string Seen;
    void Run(TApplication& App, TfrmMainMenu& Form) override {
      for (int i = 0; i < Form.ComponentCount(); ++i)
        if (auto* Root = dynamic_cast<TInstall*>(Form.Components(i))) Seen = Root->LocalArchive();
      RunActivation(App);
    }
  } Host;
  EXPECT_EQ(Start({"-sC:\\tmp"}, &Host), ecGoodInstall) << Log();
  EXPECT_EQ(Host.Seen, FTempWin + "\\bat1.1");
  EXPECT_TRUE(Installed("app.dat") == std::string(120000, 'a') + "end");
  EXPECT_EQ(Installed("Help/help.txt"), "Help.\r\n");
}

// The root's distribution follows its location: a net distribution needs one
// (at design time; at run time the type cannot be set at all), the root's
// location becomes the run's default, and losing it makes the distribution
// traditional again.
TEST_F(NetSetup, DistributionNeedsTheRootsLocationAndFallsBackWithoutIt) {
  platform::TPlatform p =
      platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
  TSetupRuntime runtime(std::move(p), "C:\\tmp\\ProductSetup.exe", {"*q"});
  auto Form = std::make_unique<TfrmMainMenu>(nullptr);
  auto* Root = new TInstall(Form.get());
  EXPECT_THROW(Root->SetDistributeType(dtWeb), IEInstall);
  Form->SetDesigning(true);
  EXPECT_THROW(Root->SetDistributeType(dtWeb), IEInstallNetLocNil);
  auto* Location = new TNetInstallLocation(Form.get());
  Root->SetNetLocation(Location);
  EXPECT_EQ(runtime.Net().DefaultLocation, Location);
  Root->SetDistributeType(dtTraditionalNet);
  EXPECT_EQ(Root->DistributeType(), dtTraditionalNet);
  delete Location;
  EXPECT_EQ(Root->NetLocation(), nullptr);
  EXPECT_EQ(Root->DistributeType(), dtTraditional);
  EXPECT_EQ(runtime.Net().DefaultLocation, nullptr);
  Root->SetNetLocation(new TNetInstallLocation(Form.get()));
  Root->SetDistributeType(dtWeb);
  Root->SetNetLocation(nullptr);
  EXPECT_EQ(Root->DistributeType(), dtTraditional);
}

} // namespace
} // namespace quendel
