#include "engine/install_record.h"

#include "platform/native/native_platform.h"
#include "platform/native/native_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;
using platform::rkLocalMachine;

class InstallRecord : public ::testing::Test {
protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("quendel_record_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir / "tmp1");
    fs::create_directories(FDir / "tmp2");
    P = platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
  }
  void TearDown() override { fs::remove_all(FDir); }

  void MakeFile(const std::string& Rel, std::size_t Size) {
    std::ofstream(FDir / Rel, std::ios::binary) << std::string(Size, 'x');
  }
  std::string Read(const std::string& Key, const std::string& Name) {
    return P.Registry->OpenKey(rkLocalMachine, PortKey(Key), platform::TRegAccess::Read)->ReadString(Name);
  }

  fs::path FDir;
  platform::TPlatform P;
};

// The loading program unpacks the same setup file into another temporary
// directory each time: the record is found by size and date, and its Path
// follows the file.
TEST_F(InstallRecord, SameFileFromTwoDirectories_FindsOneRecord) {
  MakeFile("tmp1/setup.exe", 1000);
  fs::copy_file(FDir / "tmp1/setup.exe", FDir / "tmp2/setup.exe");
  fs::last_write_time(FDir / "tmp2/setup.exe", fs::last_write_time(FDir / "tmp1/setup.exe"));
  const TSetupFileFacts a = ReadSetupFileFacts(*P.Files, "C:\\tmp1\\setup.exe");
  const TSetupFileFacts b = ReadSetupFileFacts(*P.Files, "C:\\tmp2\\setup.exe");
  EXPECT_EQ(FindInstallRecord(*P.Registry, a, false, 0, nullptr), "");
  const std::string selfExtract = "C:\\tmp1\\Setup.exe";
  const std::string key = FindInstallRecord(*P.Registry, a, true, 45000.5, &selfExtract);
  EXPECT_EQ(key, "\\SOFTWARE\\Vexo\\Install\\Install0");
  EXPECT_EQ(Read(key, "SelfExtract"), selfExtract);
  EXPECT_EQ(FindInstallRecord(*P.Registry, b, true, 45001.0, nullptr), key);
  EXPECT_EQ(Read(key, "Path"), "C:\\tmp2\\setup.exe");
  double last = 0;
  auto k = P.Registry->OpenKey(rkLocalMachine, PortKey(key), platform::TRegAccess::Read);
  ASSERT_TRUE(BytesDouble(k->ReadValue("LastRunDate").Data, last));
  EXPECT_EQ(last, 45001.0);
  EXPECT_EQ(k->ReadDWord("Size"), 1000u);
}

// Another size is another setup program: it takes the lowest free number,
// reusing the gap a removed record left. A damaged record is skipped.
TEST_F(InstallRecord, OtherFiles_TakeTheFirstFreeNumber) {
  MakeFile("tmp1/a.exe", 10);
  MakeFile("tmp1/b.exe", 20);
  MakeFile("tmp1/c.exe", 30);
  auto facts = [&](const char* N) { return ReadSetupFileFacts(*P.Files, std::string("C:\\tmp1\\") + N); };
  P.Registry->CreateKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install\\Install0")->WriteString("Path", "x");
  const std::string a = FindInstallRecord(*P.Registry, facts("a.exe"), true, 0, nullptr);
  const std::string b = FindInstallRecord(*P.Registry, facts("b.exe"), true, 0, nullptr);
  EXPECT_EQ(a, "\\SOFTWARE\\Vexo\\Install\\Install1");
  EXPECT_EQ(b, "\\SOFTWARE\\Vexo\\Install\\Install2");
  RemoveInstallRecord(*P.Registry, *P.Files, a);
  EXPECT_EQ(FindInstallRecord(*P.Registry, facts("c.exe"), true, 0, nullptr), a);
  EXPECT_EQ(FindInstallRecord(*P.Registry, facts("b.exe"), false, 0, nullptr), b);
}

// Removing the record deletes its downloaded archives with the empty file
// that held each one's name, its subkeys, and the parent keys once nothing
// else is in them. A non-empty file of the reserved name is not ours.
TEST_F(InstallRecord, Remove_DeletesDownloadsAndEmptyParents) {
  MakeFile("tmp1/setup.exe", 5);
  MakeFile("tmp2/files.1", 5);
  MakeFile("tmp2/files.tmp", 0);
  MakeFile("tmp2/other.1", 5);
  MakeFile("tmp2/other.tmp", 3);
  const std::string key =
      FindInstallRecord(*P.Registry, ReadSetupFileFacts(*P.Files, "C:\\tmp1\\setup.exe"), true, 0, nullptr);
  P.Registry->CreateKey(rkLocalMachine, PortKey(key) + "\\Dir1")->WriteString("LocalFile", "C:\\tmp2\\files.1");
  P.Registry->CreateKey(rkLocalMachine, PortKey(key) + "\\Dir2")->WriteString("LocalFile", "C:\\tmp2\\other.1");
  P.Registry->CreateKey(rkLocalMachine, PortKey(key) + "\\Unfinished")->WriteString("IFa_exe", "0");
  P.Registry->CreateKey(rkLocalMachine, "Software\\Quendel");
  RemoveInstallRecord(*P.Registry, *P.Files, key);
  EXPECT_FALSE(fs::exists(FDir / "tmp2/files.1"));
  EXPECT_FALSE(fs::exists(FDir / "tmp2/files.tmp"));
  EXPECT_FALSE(fs::exists(FDir / "tmp2/other.1"));
  EXPECT_TRUE(fs::exists(FDir / "tmp2/other.tmp"));
  EXPECT_FALSE(P.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
  EXPECT_FALSE(P.Registry->KeyExists(rkLocalMachine, "Software\\Quendel"));
  EXPECT_TRUE(P.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo"));
  // Nothing to remove is not an error.
  RemoveInstallRecord(*P.Registry, *P.Files, key);
  RemoveInstallRecord(*P.Registry, *P.Files, "");
}

// A registry that refuses gives no record rather than an error.
TEST_F(InstallRecord, RegistryRefuses_NoRecord) {
  MakeFile("tmp1/setup.exe", 5);
  auto* reg = dynamic_cast<platform::native::TNativeRegistry*>(P.Registry.get());
  ASSERT_NE(reg, nullptr);
  P.Registry->CreateKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install");
  reg->DenyWrite(rkLocalMachine, "SOFTWARE\\Vexo");
  EXPECT_EQ(FindInstallRecord(*P.Registry, ReadSetupFileFacts(*P.Files, "C:\\tmp1\\setup.exe"), true, 0,
                              nullptr),
            "");
}

} // namespace
} // namespace quendel
