// Build mode end to end in one process on the simulated machine: a setup
// program started with "-b" beside its BUILD.INF makes the distributables,
// and what it wrote is checked byte for byte (setup.exe = loader, setup.1,
// files.1, the 56-byte block), as are the failures, which must end with a
// non-zero exit code and the message in the log.
#include "engine/install.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"

#include "archive/compress.h"
#include "archive/self_extracting.h"
#include "definition/binary_codec.h"
#include "definition/text_codec.h"
#include "distribution/file_list.h"
#include "platform/native/native_platform.h"
#include "platform/native/native_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<std::uint8_t>;

// A server location that only names its folder; the build never downloads.
class TBuildNetLocation : public TCustomNetInstallLocation {
public:
  explicit TBuildNetLocation(TComponent* AOwner) : TCustomNetInstallLocation(AOwner) {}
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TBuildNetLocation>("TBuildNetLocation",
                                              &TCustomNetInstallLocation::StaticClass)
          .Str<&TBuildNetLocation::Host, &TBuildNetLocation::SetHost>("Host");
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string Host() const { return LoginInformation().Hostname; }
  void SetHost(const std::string& V) { LoginInformation().Hostname = V; }
  void GetFile(const std::string&, const std::string&) override {
    throw std::runtime_error("a build downloads nothing");
  }
};

TBytes Pattern(std::size_t Size, unsigned Seed) {
  TBytes b(Size);
  for (std::size_t i = 0; i < Size; ++i) b[i] = static_cast<std::uint8_t>((i * 7 + Seed * 13 + i / 97) & 0xFF);
  return b;
}

class BuildMode : public ::testing::Test {
protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("quendel_build_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(FDir);
    Write("tmp/ProductSetup.exe", Pattern(6000, 1));
    Write("tmp/BUILD.INF", "C:\\build\r\n");
    Write("kit/Q32V52.TXT", "kit\r\n");
    Write("kit/QuendelLoadProgram.exe", Pattern(3000, 2));
    Write("src/readme.txt", std::string(20000, 'r'));
    Write("src/app.dat", Pattern(50000, 3));
    Write("src/pre.dll", Pattern(700, 4));
    ::setenv("QUENDEL_KIT", "C:\\kit", 1);
    ClassRegistry().Register<TBuildNetLocation>();
  }
  void TearDown() override {
    ::unsetenv("QUENDEL_KIT");
    fs::remove_all(FDir);
  }

  void Write(const std::string& Rel, const TBytes& Bytes) {
    fs::create_directories((FDir / Rel).parent_path());
    std::ofstream(FDir / Rel, std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  }
  void Write(const std::string& Rel, const std::string& Text) { Write(Rel, TBytes(Text.begin(), Text.end())); }
  TBytes Read(const std::string& Rel) {
    std::ifstream in(FDir / Rel, std::ios::binary);
    return TBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  // The definition: the root (with the extra text of Root) and its files.
  TBytes Definition(const std::string& Root, const std::vector<std::string>& Files) {
    std::string text = "object frmMainMenu: TfrmMainMenu\n  Caption = 'Test Install'\n"
                       "  object psProgramFiles: TpsProgramFiles\n  end\n"
                       "  object psContainerArchiveFile: TpsContainerArchiveFile\n  end\n"
                       "  object Net1: TBuildNetLocation\n    Host = 'files.example.com'\n  end\n"
                       "  object Install1: TInstall\n    DestDir = '\\Test App'\n"
                       "    DestDirType = psProgramFiles\n" +
                       Root + "  end\n";
    int n = 0;
    for (const std::string& f : Files)
      text += "  object File" + std::to_string(++n) + ": TInstallFile\n    Container = Install1\n" +
              "    ArchiveFileType = psContainerArchiveFile\n    FileName = '" + f +
              "'\n    IncludeFromDir = 'C:\\src'\n  end\n";
    text += "end\n";
    return WriteObjectBinary(ReadObjectStream(TBytes(text.begin(), text.end())));
  }

  platform::TPlatform Machine() {
    fs::create_directories(FDir / "floppy");
    return platform::native::CreateNativePlatform(
        platform::native::TDriveMap().Map('C', FDir.string()).Map('A', (FDir / "floppy").string()));
  }

  int Start(const std::vector<std::string>& Args, const TBytes& Def,
            const std::function<void(platform::TPlatform&)>& Prepare = {}) {
    platform::TPlatform p = Machine();
    if (Prepare) Prepare(p);
    std::vector<std::string> args = Args;
    args.push_back("*q");
    args.push_back("*l" + (FDir / "setup.log").string());
    TSetupRuntime runtime(std::move(p), "C:\\tmp\\ProductSetup.exe", args);
    runtime.App().Title = "Test Install";
    return RunSetupProgram(runtime.App(), Def, nullptr);
  }

  std::string LogText() {
    std::ifstream in(FDir / "setup.log", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::vector<std::string> Members(const std::string& Archive, std::int32_t Offset = 0) {
    platform::TPlatform p = Machine();
    TQndlCompress C(nullptr, p.Files.get());
    C.SetCompressedFile(Archive);
    C.SetOffset(Offset);
    std::vector<std::string> names;
    for (int i = 0; i < C.Count(); ++i) {
      TlzhFileStats s;
      C.GetFileStats(i, s);
      names.push_back(s.FileName.substr(s.FileName.rfind('\\') + 1));
    }
    return names;
  }

  fs::path FDir;
};

// A traditional build: setup.exe is the loader followed by setup.1 (the
// setup program first, then the pre-setup files) and files.1 and the block,
// byte for byte; no file list; a second build writes the same bytes.
TEST_F(BuildMode, Traditional_SetupFileIsLoaderArchivesAndBlock) {
  const TBytes def = Definition("    PresetupFiles.Strings = (\n      'C:\\src\\pre.dll')\n",
                                {"readme.txt", "app.dat"});
  ASSERT_EQ(Start({"-b"}, def), ecGoodInstall) << LogText();
  // The workers compressed what the build added, in the build's order.
  EXPECT_NE(LogText().find("2 of 2 files compressed ahead"), std::string::npos) << LogText();
  const TBytes loader = Read("kit/QuendelLoadProgram.exe");
  const TBytes setup1 = Read("build/setup.1");
  const TBytes files1 = Read("build/files.1");
  const TBytes exe = Read("build/setup.exe");
  ASSERT_EQ(exe.size(), loader.size() + setup1.size() + files1.size() + 56);
  EXPECT_TRUE(std::equal(loader.begin(), loader.end(), exe.begin()));
  EXPECT_TRUE(std::equal(setup1.begin(), setup1.end(), exe.begin() + loader.size()));
  EXPECT_TRUE(std::equal(files1.begin(), files1.end(), exe.begin() + loader.size() + setup1.size()));

  std::uint8_t block[56];
  std::copy(exe.end() - 56, exe.end(), block);
  distribution::TSelfExtractInfo info;
  ASSERT_EQ(distribution::DecodeSelfExtractBlock(block, static_cast<std::int64_t>(exe.size()), info),
            distribution::TBlockCheck::Ok);
  EXPECT_TRUE(info.SelfExtracting);
  EXPECT_EQ(info.SetupStart, static_cast<std::int32_t>(loader.size()));
  EXPECT_EQ(info.SetupEnd, static_cast<std::int32_t>(loader.size() + setup1.size() - 1));
  EXPECT_EQ(info.FilesStart, info.SetupEnd + 1);
  EXPECT_EQ(info.FilesEnd, static_cast<std::int32_t>(exe.size() - 57));

  EXPECT_EQ(Members("C:\\build\\setup.1"), (std::vector<std::string>{"ProductSetup.exe", "pre.dll"}));
  EXPECT_EQ(Members("C:\\build\\setup.exe", info.FilesStart),
            (std::vector<std::string>{"app.dat", "readme.txt"}));
  EXPECT_FALSE(fs::exists(FDir / "build" / "files.example.com"));

  ASSERT_EQ(Start({"-b"}, def), ecGoodInstall) << LogText();
  EXPECT_EQ(Read("build/setup.exe"), exe);
}

// Every file distributed over the net: setup.exe carries only setup.1 and
// its block says so; the server folder holds the file list with one record
// per compressed file, read back with its size and version.
TEST_F(BuildMode, Web_FileListAndNoFileArchive) {
  const TBytes def = Definition("    DistributeType = dtWeb\n    NetLocation = Net1\n", {"readme.txt", "app.dat"});
  ASSERT_EQ(Start({"-b"}, def), ecGoodInstall) << LogText();
  const auto info = [&] {
    platform::TPlatform p = Machine();
    return ReadSelfExtractInfo(*p.Files, "C:\\build\\setup.exe");
  }();
  EXPECT_FALSE(info.HasFileArchive());
  EXPECT_EQ(static_cast<std::size_t>(info.SetupEnd + 1 + 56), Read("build/setup.exe").size());

  const TBytes list = Read("build/files.example.com/HTTP/filelist.lst");
  std::vector<distribution::TFileListRecord> records;
  std::string error;
  ASSERT_TRUE(distribution::DecodeFileList(list.data(), list.size(), records, error)) << error;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Name, "File1");
  EXPECT_EQ(records[0].Size, 20000);
  EXPECT_EQ(records[1].Name, "File2");
  EXPECT_EQ(records[1].Size, 50000);
  EXPECT_GT(records[1].Date, 40000.0);
}

// A group (and a file) whose own archive is the main archive: the build puts
// their members into the build directory's files.1, which setup.exe
// carries, and nowhere else (compressed ahead in the order the tree is
// walked); the product then installs from setup.exe.
TEST_F(BuildMode, MainArchiveGroup_MembersGoIntoSetupExe) {
  const std::string s = "object frmMainMenu: TfrmMainMenu\n"
                        "  object psProgramFiles: TpsProgramFiles\n  end\n"
                        "  object psMainArchiveFile: TpsMainArchiveFile\n  end\n"
                        "  object psContainerArchiveFile: TpsContainerArchiveFile\n  end\n"
                        "  object psContainerDestDir: TpsContainerDestDir\n  end\n"
                        "  object Install1: TInstall\n    DestDir = '\\Test App'\n"
                        "    DestDirType = psProgramFiles\n    ArchiveFileType = psMainArchiveFile\n"
                        "    NoUninstall = True\n  end\n"
                        "  object Docs: TInstallDirectory\n    Container = Install1\n"
                        "    ArchiveFileType = psMainArchiveFile\n    DestDir = '\\docs'\n"
                        "    DestDirType = psContainerDestDir\n  end\n"
                        "  object File1: TInstallFile\n    Container = Docs\n"
                        "    ArchiveFileType = psContainerArchiveFile\n    DestDirType = psContainerDestDir\n"
                        "    FileName = 'readme.txt'\n    DestName = 'readme.txt'\n"
                        "    IncludeFromDir = 'C:\\src'\n  end\n"
                        "  object File2: TInstallFile\n    Container = Install1\n"
                        "    ArchiveFileType = psMainArchiveFile\n    DestDirType = psContainerDestDir\n"
                        "    FileName = 'app.dat'\n    DestName = 'app.dat'\n"
                        "    IncludeFromDir = 'C:\\src'\n  end\nend\n";
  const TBytes def = WriteObjectBinary(ReadObjectStream(TBytes(s.begin(), s.end())));
  ASSERT_EQ(Start({"-b"}, def), ecGoodInstall) << LogText();
  EXPECT_NE(LogText().find("2 of 2 files compressed ahead"), std::string::npos) << LogText();
  const auto info = [&] {
    platform::TPlatform p = Machine();
    return ReadSelfExtractInfo(*p.Files, "C:\\build\\setup.exe");
  }();
  ASSERT_TRUE(info.HasFileArchive());
  auto members = Members("C:\\build\\setup.exe", info.FilesStart);
  std::sort(members.begin(), members.end());
  EXPECT_EQ(members, (std::vector<std::string>{"app.dat", "readme.txt"}));
  for (const auto& e : fs::recursive_directory_iterator(FDir / "build"))
    EXPECT_TRUE(e.path().parent_path() == FDir / "build") << "stray " << e.path();

  fs::remove(FDir / "setup.log");
  ASSERT_EQ(Start({"-esetup.exe", "-sC:\\build"}, def), ecGoodInstall) << LogText();
  EXPECT_EQ(Read("Program Files/Test App/docs/readme.txt"), Read("src/readme.txt"));
  EXPECT_EQ(Read("Program Files/Test App/app.dat"), Read("src/app.dat"));
}

// Failures of a build end the program with a non-zero code and their
// message in the log: no BUILD.INF, an empty one, no kit, a kit without the
// loading program, a stand-alone build without it, a file whose name
// would not fit the file list (named in the message), and two files an
// archive could not tell apart.
TEST_F(BuildMode, Failures_EndNonZeroWithTheirMessage) {
  const TBytes def = Definition("", {"readme.txt"});
  auto expectFailure = [&](const TBytes& D, const std::string& Message) {
    fs::remove(FDir / "setup.log");
    EXPECT_EQ(Start({"-b"}, D), ecBadInstall) << Message;
    EXPECT_NE(LogText().find(Message), std::string::npos) << LogText();
  };
  fs::remove(FDir / "tmp" / "BUILD.INF");
  expectFailure(def, "Need to have a BUILD.INF file in this directory");
  Write("tmp/BUILD.INF", "");
  expectFailure(def, "Must be 1 line in BUILD.INF");
  Write("tmp/BUILD.INF", "C:\\build\r\n");

  ::setenv("QUENDEL_KIT", "C:\\src", 1);
  expectFailure(def, "The HKEY_LOCAL_MACHINE | \\Software\\Dorvik\\Q32V52 key in the registry is "
                     "either missing or points to an invalid Vexo directory");
  ::setenv("QUENDEL_KIT", "C:\\kit", 1);
  fs::remove(FDir / "kit" / "QuendelLoadProgram.exe");
  expectFailure(def, "The loader program C:\\kit\\QuendelLoadProgram.exe was not found");
  Write("kit/QuendelLoadProgram.exe", Pattern(3000, 2));

  expectFailure(Definition("    UseLoadingProgram = False\n", {"readme.txt"}),
                "Cannot build a stand alone executable if the UseLoadingProgram property");

  // The file list records the file's Name: 45 characters do not fit.
  const std::string longName = "File_" + std::string(40, 'x');
  const std::string s = "object frmMainMenu: TfrmMainMenu\n"
                        "  object psContainerArchiveFile: TpsContainerArchiveFile\n  end\n"
                        "  object Net1: TBuildNetLocation\n    Host = 'h'\n  end\n"
                        "  object Install1: TInstall\n    DistributeType = dtWeb\n"
                        "    NetLocation = Net1\n  end\n"
                        "  object " + longName + ": TInstallFile\n    Container = Install1\n"
                        "    ArchiveFileType = psContainerArchiveFile\n    FileName = 'readme.txt'\n"
                        "    IncludeFromDir = 'C:\\src'\n  end\nend\n";
  expectFailure(WriteObjectBinary(ReadObjectStream(TBytes(s.begin(), s.end()))), longName);

  // An archive keeps the first 100 characters of a source path, and the
  // installer finds members by them: two files (or two pre-setup files)
  // agreeing that far are refused, both named. "C:\src\" + 80 + "\" +
  // "report_2026_" is 100 characters.
  const std::string dir = "C:\\src\\" + std::string(80, 'd');
  Write("src/" + std::string(80, 'd') + "/report_2026_first.dat", "first");
  Write("src/" + std::string(80, 'd') + "/report_2026_second.dat", "second");
  std::string twins = "object frmMainMenu: TfrmMainMenu\n"
                      "  object psContainerArchiveFile: TpsContainerArchiveFile\n  end\n"
                      "  object Install1: TInstall\n  end\n";
  for (const char* name : {"first", "second"})
    twins += std::string("  object ") + name + ": TInstallFile\n    Container = Install1\n" +
             "    ArchiveFileType = psContainerArchiveFile\n    FileName = 'report_2026_" + name +
             ".dat'\n    IncludeFromDir = '" + dir + "'\n  end\n";
  twins += "end\n";
  fs::remove(FDir / "setup.log");
  EXPECT_EQ(Start({"-b"}, WriteObjectBinary(ReadObjectStream(TBytes(twins.begin(), twins.end())))),
            ecBadInstall);
  for (const char* name : {"first", "second"})
    EXPECT_NE(LogText().find(dir + "\\report_2026_" + name + ".dat"), std::string::npos) << LogText();
  expectFailure(Definition("    PresetupFiles.Strings = (\n      '" + dir +
                               "\\report_2026_first.dat'\n      '" + dir +
                               "\\report_2026_second.dat')\n",
                           {"readme.txt"}),
                dir + "\\report_2026_first.dat and " + dir + "\\report_2026_second.dat");
}

// A built setup.exe copied to floppies: setup.exe there is the loading
// program with a "NOTSELFEXTRACT" block, setup.1 the setup archive, and the
// file archive's members come out of the volume set; without "-e" the
// transfer refuses.
TEST_F(BuildMode, FloppyTransfer_LoaderSetupArchiveAndVolumeSet) {
  const TBytes def = Definition("", {"readme.txt", "app.dat"});
  ASSERT_EQ(Start({"-b"}, def), ecGoodInstall) << LogText();
  fs::remove(FDir / "setup.log");
  EXPECT_EQ(Start({"-f"}, def), ecBadInstall);
  EXPECT_NE(LogText().find("You can only transfer this installation to floppies through the "
                           "self-extracting file"),
            std::string::npos)
      << LogText();
  ASSERT_EQ(Start({"-f", "-esetup.exe", "-sC:\\build"}, def), ecGoodInstall) << LogText();
  const TBytes loader = Read("kit/QuendelLoadProgram.exe");
  const TBytes exe = Read("floppy/setup.exe");
  ASSERT_EQ(exe.size(), loader.size() + 56);
  EXPECT_TRUE(std::equal(loader.begin(), loader.end(), exe.begin()));
  EXPECT_EQ(std::string(exe.end() - 55, exe.end() - 41), "NOTSELFEXTRACT");
  EXPECT_EQ(Read("floppy/setup.1"), Read("build/setup.1"));
  EXPECT_EQ(Members("A:\\files.1"), (std::vector<std::string>{"app.dat", "readme.txt"}));
}

// The kit is found through QUENDEL_KIT, else the registry value, else beside
// the running program; a directory without the marker file does not count.
TEST_F(BuildMode, KitLookup_EnvironmentRegistryThenBesideTheProgram) {
  const TBytes def = Definition("", {"readme.txt"});
  ::unsetenv("QUENDEL_KIT");
  EXPECT_EQ(Start({"-b"}, def,
                  [](platform::TPlatform& p) {
                    p.Registry->CreateKey(platform::rkLocalMachine, "Software\\Dorvik\\Q32V52")
                        ->WriteString("", "C:\\kit");
                  }),
            ecGoodInstall)
      << LogText();
  fs::remove(FDir / "build" / "setup.exe");
  // Beside the program: not without the marker, then with it.
  EXPECT_EQ(Start({"-b"}, def), ecBadInstall);
  Write("tmp/Q32V52.TXT", "kit");
  Write("tmp/QuendelLoadProgram.exe", Pattern(100, 9));
  EXPECT_EQ(Start({"-b"}, def), ecGoodInstall) << LogText();
  EXPECT_EQ(Read("build/setup.exe").size() > 100, true);
  const TBytes exe = Read("build/setup.exe");
  EXPECT_EQ(TBytes(exe.begin(), exe.begin() + 100), Pattern(100, 9));
}

} // namespace
} // namespace quendel
