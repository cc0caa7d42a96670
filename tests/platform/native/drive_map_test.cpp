#include "platform/native/drive_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/native/host.h"

namespace quendel::platform::native {
namespace {

namespace fs = std::filesystem;

class DriveMap : public ::testing::Test {
protected:
  void SetUp() override {
    root_ =
        fs::temp_directory_path() /
        ("quendel-drivemap-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "Program Files" / "Vexo");
    std::ofstream(root_ / "Program Files" / "Vexo" / "ReadMe.TXT") << "x";
    drives_.Map('c', root_.string());
  }
  void TearDown() override { fs::remove_all(root_); }

  THostPath Resolve(const std::string& text) {
    TWinPath path;
    EXPECT_EQ(ParseWinPath(text, TWinPath{}, path), errSuccess) << text;
    THostPath host;
    EXPECT_EQ(ResolveHost(drives_, path, host), errSuccess) << text;
    return host;
  }

  fs::path root_;
  TDriveMap drives_;
};

TEST_F(DriveMap, Map_ValidatesLettersAndHostPaths) {
  TDriveMap map;
  EXPECT_THROW(map.Map('1', "/tmp"), std::invalid_argument);
  EXPECT_THROW(map.Map('D', "relative/dir"), std::invalid_argument);
  EXPECT_THROW(map.Map('D', ""), std::invalid_argument);
  map.Map('d', "/tmp/x///");
  ASSERT_NE(map.HostRoot('D'), nullptr);
  EXPECT_EQ(*map.HostRoot('d'), "/tmp/x");
  map.Unmap('D');
  EXPECT_EQ(map.HostRoot('D'), nullptr);
  EXPECT_EQ(*TDriveMap::Default().HostRoot('Z'), "/");
}

TEST_F(DriveMap, FromHost_LongestMappingWins) {
  TDriveMap map = TDriveMap::Default();
  map.Map('C', "/srv/c");
  EXPECT_EQ(map.FromHost("/srv/c/Windows/x.dll")->Text(), "C:\\Windows\\x.dll");
  EXPECT_EQ(map.FromHost("/srv/c")->Text(), "C:\\");
  EXPECT_EQ(map.FromHost("/srv/cc/x")->Text(), "Z:\\srv\\cc\\x") << "only whole names match";
  map.Unmap('Z');
  EXPECT_FALSE(map.FromHost("/etc").has_value());
}

TEST_F(DriveMap, Resolve_FindsStoredNamesWhateverTheCase) {
  const THostPath host = Resolve("C:\\PROGRAM FILES\\vexo\\readme.txt");
  EXPECT_TRUE(host.Exists());
  EXPECT_EQ(host.Path, (root_ / "Program Files" / "Vexo" / "ReadMe.TXT").string());

  const THostPath fresh = Resolve("C:\\program files\\VEXO\\New.txt");
  EXPECT_FALSE(fresh.Exists());
  EXPECT_TRUE(fresh.ParentExists());
  EXPECT_EQ(fresh.MissingCode(), errFileNotFound);
  EXPECT_EQ(fresh.Path, (root_ / "Program Files" / "Vexo" / "New.txt").string())
      << "existing names as stored, the new one as given";
}

TEST_F(DriveMap, Resolve_PrefersTheExactSpelling) {
  std::ofstream(root_ / "case.txt") << "lower";
  std::ofstream(root_ / "CASE.txt") << "upper";
  EXPECT_EQ(Resolve("C:\\CASE.txt").Path, (root_ / "CASE.txt").string());
  EXPECT_EQ(Resolve("C:\\case.txt").Path, (root_ / "case.txt").string());
  EXPECT_EQ(Resolve("C:\\Case.TXT").Path, (root_ / "CASE.txt").string())
      << "otherwise the first in sorted order, whatever the directory order";
}

TEST_F(DriveMap, Resolve_TellsMissingFileFromMissingPath) {
  EXPECT_EQ(Resolve("C:\\nodir\\x.txt").MissingCode(), errPathNotFound);
  EXPECT_EQ(Resolve("C:\\Program Files\\Vexo\\ReadMe.txt\\below").MissingCode(), errPathNotFound)
      << "a file where a directory should be";
  EXPECT_EQ(Resolve("C:\\").MissingCode(), errSuccess);

  TWinPath unmapped;
  ASSERT_EQ(ParseWinPath("Q:\\x", TWinPath{}, unmapped), errSuccess);
  THostPath host;
  EXPECT_EQ(ResolveHost(drives_, unmapped, host), errPathNotFound);
}

TEST(HostTranslation, Stamps_ConvertBothWays) {
  const timespec epoch{0, 0};
  EXPECT_EQ(StampFromHost(epoch), 116'444'736'000'000'000u) << "1970 in FILETIME";
  const timespec precise{1'000'000'000, 123'456'700};
  EXPECT_EQ(HostFromStamp(StampFromHost(precise)).tv_sec, precise.tv_sec);
  EXPECT_EQ(HostFromStamp(StampFromHost(precise)).tv_nsec, precise.tv_nsec);
  const timespec before1601{-11'644'473'601, 0};
  EXPECT_EQ(StampFromHost(before1601), 0u);
  EXPECT_EQ(HostFromStamp(0).tv_sec, -11'644'473'600);
}

} // namespace
} // namespace quendel::platform::native
