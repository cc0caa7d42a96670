// A net-distributed install in one process on the simulated machine: a
// directory whose archive lives on the test servers is installed through a
// real network location, the downloaded copy is recorded under the install
// record and reused by the next start, a damaged copy is fetched again, and
// every failed download ends the install with nothing stored and nothing of
// the user's touched.
#include "model/install_file.h"
#include "model/install_group.h"
#include "model/model_classes.h"
#include "net/net_location.h"
#include "net/sha256.h"
#include "net/test_servers.h"
#include "platform/native/native_files.h"
#include "platform/native/native_platform.h"
#include "system/registry_routines.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quendel {
namespace {

using platform::testing::Servers;

const OSSet AllOS{os31win32, oswin95, oswinNT,  oswinNT351, osUnidentified,
                  osLinux,   oswin2K, oswin98, oswinME,    oswinXP};
const char* const SetupKey = "\\SOFTWARE\\Vexo\\Install\\Install0";
const char* const RecordKey = "\\SOFTWARE\\Vexo\\Install\\Install0\\Directory1";

std::string Slashed(std::string Path) {
  for (char& C : Path)
    if (C == '\\') C = '/';
  return Path;
}

// The install root of a net distribution with its install record.
class TNetRoot : public TFileContainer, public IInstallRoot {
public:
  TNetRoot(TComponent* AOwner, TDistributeType ADist) : TFileContainer(AOwner, false), Dist(ADist) {
    Context().InstallRoot = this;
  }
  ~TNetRoot() override { Context().InstallRoot = nullptr; }
  TInstallContainer& InstallRootContainer() override { return *this; }
  bool InstallRootRunning() const override { return true; }
  std::string InstallRootProductName() const override { return "Widget"; }
  std::string InstallRootSetupKey() const override { return SetupKey; }
  TDistributeType InstallRootDistributeType() const override { return Dist; }
  TDistributeType Dist;
};

// The files of the product: name and contents.
const std::vector<std::pair<std::string, std::string>> Product{
    {"readme.txt", "Read me first.\r\n"},
    {"widget.dat", std::string(150000, 'w') + "end"},
};

// One start of the setup program: its contexts and the definition's
// objects (the install root with its location and Directory1 with the
// product's files), made in the same order every time so that the files
// keep their identifiers from the build to every install.
struct TStart {
  TStart(platform::TPlatform& Machine, TDistributeType Dist,
         const std::function<void(TNetInstallLocation&)>& Place)
      : Net(Machine) {
    Model.AttachPlatform(&Machine);
    Net.Options = Servers().Options();
    Root = new TNetRoot(Form.get(), Dist);
    Root->SetName("Install1");
    Root->SetOS(AllOS);
    Root->SetDestDir("C:\\App");
    Location = new TNetInstallLocation(Form.get());
    Location->SetName("NetLocation1");
    Place(*Location);
    Root->SetNetLocation(Location);
    Dir = new TInstallDirectory(Form.get());
    Dir->SetName("Directory1");
    Dir->SetContainer(Root);
    Dir->SetOS(AllOS);
    Dir->SetDestDir("C:\\App");
    for (const auto& [Name, Text] : Product) {
      auto* F = new TInstallFile(Form.get(), Dir, "C:\\src\\" + Name);
      F->SetName("File" + std::to_string(Files.size() + 1));
      F->SetOS(AllOS);
      F->SetDestDir("C:\\App");
      F->SetNet(true);
      Files.push_back(F);
    }
    Dir->OnDataReceived = [this](TComponent*, const std::string& Name, int, int Total, int, const char*) {
      Received.push_back(Name + " " + std::to_string(Total));
    };
  }

  TModelContext Model;
  TModelContextScope ModelScope{Model};
  TNetContext Net;
  TNetContextScope NetScope{Net};
  std::unique_ptr<TComponent> Form = std::make_unique<TComponent>(nullptr);
  TNetRoot* Root = nullptr;
  TNetInstallLocation* Location = nullptr;
  TInstallDirectory* Dir = nullptr;
  std::vector<TInstallFile*> Files;
  std::vector<std::string> Received; // "name total" per block
};

class NetInstall : public ::testing::Test {
protected:
  void SetUp() override {
    if (!Servers().Present() || !std::getenv("QUENDEL_NET_ROOT"))
      GTEST_SKIP() << "run through tests/net/with_servers.sh";
    RegisterModelClasses();
    RegisterNetClasses();
    Host = (std::filesystem::temp_directory_path() / "quendel-netinstall-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Host.data()), nullptr);
    for (const char* Sub : {"/TEMP", "/src", "/App"}) std::filesystem::create_directories(Host + Sub);
    platform::native::TDriveMap Drives;
    Drives.Map('C', Host);
    // S: is the servers' tree: what the build puts there, they serve.
    Drives.Map('S', std::getenv("QUENDEL_NET_ROOT"));
    M = platform::native::CreateNativePlatform(std::move(Drives));
    dynamic_cast<platform::native::TNativeFileSystem&>(*M.Files).SetTempDirectory("C:\\TEMP");
    for (const auto& [Name, Text] : Product) Write("C:\\src\\" + Name, Text);
  }
  void TearDown() override {
    if (!Host.empty()) std::filesystem::remove_all(Host);
  }

  void Write(const std::string& Path, const std::string& Text) {
    M.Files->Create(Path)->Write(Text.data(), Text.size());
  }
  std::string Read(const std::string& Path) {
    const auto F = M.Files->OpenRead(Path);
    std::string Text(static_cast<std::size_t>(F->Size()), '\0');
    F->ReadExact(Text.data(), Text.size());
    return Text;
  }
  // The author's side: Directory1's archive made where the servers serve
  // it (S:\Folder\Directory1.1).
  std::string Publish(const std::string& Folder) {
    std::filesystem::create_directories(std::filesystem::path(std::getenv("QUENDEL_NET_ROOT")) /
                                        std::filesystem::path(Slashed(Folder)));
    const std::string Archive = "S:\\" + Folder + "\\Directory1.1";
    if (M.Files->FileExists(Archive)) M.Files->RemoveFile(Archive);
    TStart Build(M, dtWeb, [](TNetInstallLocation&) {});
    for (TInstallFile* F : Build.Files) {
      F->SetArchiveFile(Archive);
      F->SetAddToArchive(lzcOnlyAdd);
      F->Compress();
    }
    return Archive;
  }
  std::string Recorded() {
    return ReadRegString(*M.Registry, rkiLocalMachine, RecordKey, LocalFileValue, "");
  }
  // The files of the temporary directory that hold an archive's name.
  std::vector<std::string> TempArchives() {
    std::vector<std::string> Found;
    for (const auto& E : std::filesystem::directory_iterator(Host + "/TEMP"))
      if (E.path().extension() == ".1") Found.push_back(E.path().filename().string());
    return Found;
  }
  void ExpectInstalled() {
    for (const auto& [Name, Text] : Product) EXPECT_EQ(Read("C:\\App\\" + Name), Text) << Name;
  }
  void RemoveInstalled() {
    for (const auto& [Name, Text] : Product)
      if (M.Files->FileExists("C:\\App\\" + Name)) M.Files->RemoveFile("C:\\App\\" + Name);
  }

  std::string Host;
  platform::TPlatform M;
};

std::function<void(TNetInstallLocation&)> At(const std::string& Host, TInternetProtocol Protocol,
                                              const std::string& Directory) {
  return [=](TNetInstallLocation& L) {
    L.LoginInformation().Hostname = Host;
    L.LoginInformation().Protocol = Protocol;
    L.LoginInformation().Directory = Directory;
  };
}

TEST_F(NetInstall, EachServerInstallsRecordsTheCopyAndTheNextStartReusesIt) {
  struct TCase {
    const char* What;
    TDistributeType Dist;
    std::string Folder;
    std::function<void(TNetInstallLocation&)> Place;
  };
  const std::vector<TCase> Cases{
      {"http", dtWeb, "web", At(Servers().HttpHost(), ipHTTP, "\\web")},
      {"https", dtWeb, "secure", At("https://" + Servers().HttpsHost(), ipHTTP, "secure")},
      {"ftp anonymous", dtTraditionalNet, "pub\\net", At(Servers().FtpHost(), ipFTP, "pub\\net")},
      {"ftp user", dtTraditionalNet, "user",
       [](TNetInstallLocation& L) {
         At(Servers().FtpHost(), ipFTP, "/user")(L);
         L.LoginInformation().Anonymous = false;
         L.LoginInformation().Username = "quendel";
         L.LoginInformation().Password = "s3cret";
       }},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    const std::string Served = Publish(C.Folder);
    const std::string Archive = Read(Served);
    std::string Copy;
    {
      TStart Run(M, C.Dist, C.Place);
      Run.Root->Execute(cmInstall);
      ExpectInstalled();
      // Downloaded once for the whole directory, with its progress.
      ASSERT_FALSE(Run.Received.empty());
      EXPECT_EQ(Run.Received.back(), "Directory1.1 " + std::to_string(Archive.size()));
      Copy = Run.Dir->LocalArchive();
    }
    // The copy is a "bat" temporary file named as the archive's first volume,
    // and the install record names it.
    EXPECT_EQ(Copy.rfind("C:\\TEMP\\bat", 0), 0u) << Copy;
    EXPECT_EQ(Copy.substr(Copy.size() - 2), ".1");
    EXPECT_EQ(Recorded(), Copy);
    EXPECT_EQ(Read(Copy), Archive);

    // The next start finds the copy and does not ask the server again,
    // which no longer has the archive.
    RemoveInstalled();
    M.Files->RemoveFile(Served);
    {
      TStart Again(M, C.Dist, C.Place);
      Again.Root->Execute(cmInstall);
      ExpectInstalled();
      EXPECT_TRUE(Again.Received.empty());
    }
    M.Files->RemoveFile(Copy);
  }
}

TEST_F(NetInstall, DamagedCopyIsDeletedWithItsRecordAndDownloadedAgain) {
  const std::string Served = Publish("web");
  const std::string Archive = Read(Served);
  TSha256 Sha;
  Sha.Update(Archive.data(), Archive.size());
  const std::string Digest = Sha.HexDigest();
  auto Place = [&](TNetInstallLocation& L) {
    At(Servers().HttpHost(), ipHTTP, "web")(L);
    L.SHA256().Add("Directory1.1=" + Digest);
  };
  // A copy cut short, then one of the right length with a byte changed in a
  // member's data (its directory still reads; only the digest tells).
  const std::vector<std::function<std::string(std::string)>> Damages{
      [](std::string A) { return A.substr(0, A.size() - 100); },
      [](std::string A) {
        A[A.size() - 10] = static_cast<char>(A[A.size() - 10] ^ 0x55);
        return A;
      },
  };
  for (std::size_t i = 0; i < Damages.size(); ++i) {
    SCOPED_TRACE("damage " + std::to_string(i));
    {
      TStart Run(M, dtWeb, Place);
      Run.Root->Execute(cmInstall);
    }
    const std::string Damaged = Recorded();
    ASSERT_FALSE(Damaged.empty());
    Write(Damaged, Damages[i](Archive));
    RemoveInstalled();
    {
      TStart Again(M, dtWeb, Place);
      Again.Root->Execute(cmInstall);
      ExpectInstalled();
      EXPECT_FALSE(Again.Received.empty()) << "downloaded again";
    }
    EXPECT_FALSE(M.Files->FileExists(Damaged));
    ASSERT_NE(Recorded(), Damaged);
    EXPECT_EQ(Read(Recorded()), Archive);
    M.Files->RemoveFile(Recorded());
  }
}

TEST_F(NetInstall, FailedDownloadEndsTheInstallStoringNothing) {
  Publish("web");
  struct TCase {
    const char* What;
    std::function<void(TNetInstallLocation&)> Place;
    std::string Message;
  };
  const std::vector<TCase> Cases{
      {"404", At(Servers().HttpHost(), ipHTTP, "nowhere"), "Could not find the file Directory1.1 on the server"},
      {"500", At(Servers().BadHost(), ipHTTP, "status500"), "Could not read from file Directory1.1 on the server"},
      {"403", At(Servers().BadHost(), ipHTTP, "status403"), "Could not read from file Directory1.1 on the server"},
      {"cut short", At(Servers().BadHost(), ipHTTP, "trunc"), "Could not read from file Directory1.1 on the server"},
      {"no answer", At(Servers().BadHost(), ipHTTP, "hang"), "Could not read from file Directory1.1 on the server"},
      {"silent", At(Servers().BadHost(), ipHTTP, "hangbody"), "Could not read from file Directory1.1 on the server"},
      {"wrong digest",
       [](TNetInstallLocation& L) {
         At(Servers().HttpHost(), ipHTTP, "web")(L);
         L.SHA256().Add("Directory1.1=" + std::string(64, '0'));
       },
       "The file Directory1.1 from the server does not match its SHA-256"},
      {"ftp missing", At(Servers().FtpHost(), ipFTP, "web\\none"), "Cannot set directory on server to web/none"},
  };
  // The user's own copy of a product file.
  Write("C:\\App\\readme.txt", "my notes");
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    TStart Run(M, dtWeb, C.Place);
    try {
      Run.Root->Execute(cmInstall);
      ADD_FAILURE() << "installed";
    } catch (const ENIL& E) {
      EXPECT_NE(std::string(E.what()).find(C.Message), std::string::npos) << E.what();
    }
    EXPECT_EQ(Run.Dir->LocalArchive(), "");
    EXPECT_FALSE(Run.Dir->ArchiveAvailable());
    EXPECT_TRUE(TempArchives().empty());
    EXPECT_EQ(Recorded(), "");
    EXPECT_EQ(Read("C:\\App\\readme.txt"), "my notes");
    EXPECT_FALSE(M.Files->FileExists("C:\\App\\widget.dat"));
  }

  // The user's cancel during the download: the run aborts, the part that
  // arrived is gone.
  TStart Run(M, dtWeb, At(Servers().HttpHost(), ipHTTP, "web"));
  Run.Dir->OnDataReceived = [&](TComponent*, const std::string&, int, int, int, const char*) {
    Run.Model.UserAbort = true;
  };
  EXPECT_THROW(Run.Root->Execute(cmInstall), EAIUserAbort);
  EXPECT_TRUE(TempArchives().empty());
  EXPECT_EQ(Recorded(), "");
  EXPECT_EQ(Read("C:\\App\\readme.txt"), "my notes");
}

TEST_F(NetInstall, ArchiveWhoseBytesBeginWith404IsAnArchiveLikeAnyOther) {
  // The misbehaving server answers 200 with a body that begins with "404".
  TStart Run(M, dtWeb, At(Servers().BadHost(), ipHTTP, "start404"));
  Run.Dir->DownloadArchive();
  const std::string Copy = Run.Dir->LocalArchive();
  ASSERT_FALSE(Copy.empty());
  EXPECT_EQ(Read(Copy).substr(0, 3), "404");
  EXPECT_EQ(Recorded(), Copy);
}

} // namespace
} // namespace quendel
