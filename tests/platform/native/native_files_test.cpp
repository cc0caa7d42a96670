// What only the native file system has: host mapping, its own Windows rules
// (where Wine running as root is laxer) and the pending-rename list.

#include "platform/native/native_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/test_platform.h"

namespace quendel::platform::native {
namespace {

namespace fs = std::filesystem;
using testing::ErrorOf;

class NativeFileSystem : public ::testing::Test {
protected:
  void SetUp() override {
    std::string host = (fs::temp_directory_path() / "quendel-native-XXXXXX").string();
    ASSERT_NE(::mkdtemp(host.data()), nullptr);
    host_ = host;
    TDriveMap drives;
    drives.Map('C', host_.string());
    files_ = std::make_unique<TNativeFileSystem>(std::move(drives));
  }
  void TearDown() override {
    files_.reset();
    fs::remove_all(host_);
  }

  void Write(const std::string& path, const std::string& text) {
    const auto file = files_->Create(path);
    file->Write(text.data(), text.size());
  }
  std::string Read(const std::string& path) {
    std::ifstream in(files_->HostPath(path));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path host_;
  std::unique_ptr<TNativeFileSystem> files_;
};

TEST_F(NativeFileSystem, ReadOnly_RefusesEveryWayOfWriting) {
  // Wine running as root lets writing, copying and moving onto a read-only
  // file through; Windows and this adapter do not.
  Write("C:\\ro.txt", "kept");
  Write("C:\\other.txt", "other");
  files_->SetAttributes("C:\\ro.txt", faReadOnly);
  EXPECT_EQ(fs::status(host_ / "ro.txt").permissions() & fs::perms::owner_write, fs::perms::none)
      << "read-only is the host's write permission";
  TErrorCode error = errSuccess;
  EXPECT_EQ(
      files_->TryOpen("C:\\ro.txt", TFileAccess::Write, shareAll, TCreation::OpenExisting, error),
      nullptr);
  EXPECT_EQ(error, errAccessDenied);
  EXPECT_EQ(
      files_->TryOpen("C:\\ro.txt", TFileAccess::Read, shareAll, TCreation::CreateAlways, error),
      nullptr);
  EXPECT_EQ(error, errAccessDenied);
  EXPECT_EQ(files_->TryCopy("C:\\other.txt", "C:\\ro.txt", false), errAccessDenied);
  EXPECT_EQ(files_->TryMove("C:\\other.txt", "C:\\ro.txt", moveReplaceExisting), errAccessDenied);
  EXPECT_EQ(Read("C:\\ro.txt"), "kept");
  EXPECT_NE(files_->OpenRead("C:\\ro.txt"), nullptr);
  EXPECT_EQ(files_->TryMove("C:\\ro.txt", "C:\\renamed.txt", 0), errSuccess)
      << "renaming a read-only file is allowed";
}

TEST_F(NativeFileSystem, Handles_SetStampOnlyWhenOpenForWriting) {
  // Windows needs FILE_WRITE_ATTRIBUTES for SetFileTime; Wine does not ask.
  Write("C:\\f.txt", "x");
  EXPECT_EQ(ErrorOf([&] { files_->OpenRead("C:\\f.txt")->SetStamp(125'000'000'000'000'000); }),
            errAccessDenied);
  EXPECT_EQ(ErrorOf([&] { files_->OpenRead("C:\\f.txt")->Truncate(); }), errAccessDenied);
}

TEST_F(NativeFileSystem, Move_ChangesTheCaseOfAName) {
  // As Windows does; Wine keeps the old spelling.
  Write("C:\\name.txt", "x");
  files_->Move("C:\\name.txt", "C:\\NAME.TXT", 0);
  EXPECT_TRUE(fs::exists(host_ / "NAME.TXT"));
  EXPECT_FALSE(fs::exists(host_ / "name.txt"));
}

TEST_F(NativeFileSystem, Attributes_ExactBitsAsWindowsReportsThem) {
  // Wine always adds faArchive and never reports faNormal; Windows reports what was set.
  Write("C:\\f.txt", "");
  EXPECT_EQ(files_->GetAttributes("C:\\f.txt"), faArchive);
  files_->SetAttributes("C:\\f.txt", faNormal);
  EXPECT_EQ(files_->GetAttributes("C:\\f.txt"), faNormal);
  files_->SetAttributes("C:\\f.txt", faSystem | faHidden | faDirectory);
  EXPECT_EQ(files_->GetAttributes("C:\\f.txt"), faSystem | faHidden) << "faDirectory cannot be set";
  files_->MakeDirectory("C:\\d");
  EXPECT_EQ(files_->GetAttributes("C:\\d"), faDirectory);
  files_->SetAttributes("C:\\d", faReadOnly);
  EXPECT_EQ(files_->GetAttributes("C:\\d"), faDirectory | faReadOnly);
  files_->MakeDirectory("C:\\d\\inside"); // a read-only directory still takes new entries
}

TEST_F(NativeFileSystem, Attributes_FollowTheFileNotTheName) {
  Write("C:\\a.txt", "a");
  files_->SetAttributes("C:\\a.txt", faHidden);
  files_->Move("C:\\a.txt", "C:\\b.txt", 0);
  EXPECT_EQ(files_->GetAttributes("C:\\b.txt"), faHidden);
  files_->RemoveFile("C:\\b.txt");
  Write("C:\\b.txt", "new");
  EXPECT_EQ(files_->GetAttributes("C:\\b.txt"), faArchive) << "a new file starts afresh";
}

TEST_F(NativeFileSystem, Sharing_FollowsTheWindowsMatrix) {
  Write("C:\\f.txt", "x");
  struct TCase {
    TFileAccess FirstAccess;
    TShareMode FirstShare;
    TFileAccess SecondAccess;
    TShareMode SecondShare;
    bool Allowed;
  };
  using A = TFileAccess;
  const TCase cases[] = {
      {A::Read, shareRead, A::Read, shareRead, true},
      {A::Read, shareRead, A::Write, shareAll, false},
      {A::Read, shareNone, A::Read, shareAll, false},
      {A::Read, shareRead | shareWrite, A::Write, shareRead, true},
      {A::Write, shareRead | shareWrite, A::Read, shareRead,
       false}, // the second refuses the writer
      {A::Write, shareRead, A::Read, shareRead, false},
      {A::Write, shareRead, A::Read, shareRead | shareWrite, true},
      {A::ReadWrite, shareAll, A::ReadWrite, shareAll, true},
  };
  for (const auto& test : cases) {
    const auto first =
        files_->Open("C:\\f.txt", test.FirstAccess, test.FirstShare, TCreation::OpenExisting);
    TErrorCode error = errSuccess;
    const auto second = files_->TryOpen("C:\\F.TXT", test.SecondAccess, test.SecondShare,
                                        TCreation::OpenExisting, error);
    EXPECT_EQ(second != nullptr, test.Allowed)
        << static_cast<int>(test.FirstAccess) << "/" << test.FirstShare << " then "
        << static_cast<int>(test.SecondAccess) << "/" << test.SecondShare;
    if (!test.Allowed) {
      EXPECT_EQ(error, errSharingViolation);
    }
  }
}

TEST_F(NativeFileSystem, Handles_OutliveTheFileSystem) {
  Write("C:\\f.txt", "still there");
  auto file = files_->OpenRead("C:\\f.txt");
  files_.reset();
  char text[5];
  file->ReadExact(text, sizeof text);
  EXPECT_EQ(std::string(text, 5), "still");
  file.reset();
}

TEST_F(NativeFileSystem, Paths_NetworkAndUnmappedDrivesAreNotFound) {
  EXPECT_EQ(ErrorOf([&] { files_->OpenRead("\\\\server\\share\\f.txt"); }), errPathNotFound);
  EXPECT_EQ(ErrorOf([&] { files_->Create("Q:\\f.txt"); }), errPathNotFound);
  EXPECT_EQ(files_->TryMakeDirectory("Q:\\d"), errPathNotFound);
  EXPECT_FALSE(files_->DirectoryExists("Q:\\"));
  EXPECT_EQ(ErrorOf([&] { files_->Create("C:\\" + std::string(300, 'x')); }),
            errFilenameExcedRange);
  EXPECT_EQ(ErrorOf([&] { files_->Create("C:\\dir\\"); }), errInvalidName)
      << "a file name cannot end in a separator";
  EXPECT_EQ(files_->TryRemoveDir("C:\\"), errAccessDenied) << "a mapped root never goes";
}

TEST_F(NativeFileSystem, Paths_HostFilesAreFoundWhateverTheirCase) {
  fs::create_directories(host_ / "Windows" / "System32");
  std::ofstream(host_ / "Windows" / "System32" / "KERNEL32.DLL") << "MZ";
  EXPECT_TRUE(files_->FileExists("C:\\WINDOWS\\system32\\kernel32.dll"));
  EXPECT_EQ(files_->HostPath("c:\\windows\\SYSTEM32\\Kernel32.dll"),
            (host_ / "Windows" / "System32" / "KERNEL32.DLL").string());
  EXPECT_EQ(files_->ShortPath("c:\\windows"), "c:\\windows") << "no 8.3 names: unchanged";
}

TEST_F(NativeFileSystem, Write_DiskFullIsReported) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  TDriveMap drives;
  drives.Map('D', "/dev");
  TNativeFileSystem devices(std::move(drives));
  const auto file = devices.Open("D:\\full", TFileAccess::Write, shareAll, TCreation::OpenExisting);
  EXPECT_EQ(ErrorOf([&] { file->Write("x", 1); }), errDiskFull);
}

TEST_F(NativeFileSystem, PendingRenames_RecordedUntilPerformed) {
  Write("C:\\old.txt", "old");
  Write("C:\\new.txt", "new");
  Write("C:\\gone.txt", "gone");
  Write("C:\\blocker.txt", "blocker");
  files_->MakeDirectory("C:\\sub");
  files_->SetCurrentDir("C:\\sub");
  files_->Move("..\\new.txt", "..\\old.txt", moveReplaceExisting | moveDelayUntilReboot);
  files_->Move("C:\\gone.txt", "", moveDelayUntilReboot);
  files_->Move("C:\\missing.txt", "C:\\x.txt", moveDelayUntilReboot);
  files_->Move("C:\\blocker.txt", "C:\\old.txt", moveDelayUntilReboot); // no replace: will fail
  EXPECT_EQ(files_->TryMove("C:\\a", "C:\\b", moveDelayUntilReboot | moveCopyAllowed),
            errInvalidParameter);

  ASSERT_EQ(files_->PendingRenames().size(), 4u);
  EXPECT_EQ(files_->PendingRenames()[0], (TPendingRename{"C:\\new.txt", "C:\\old.txt", true}))
      << "kept as full paths";
  EXPECT_EQ(files_->PendingRenames()[1], (TPendingRename{"C:\\gone.txt", "", false}));
  EXPECT_EQ(Read("C:\\old.txt"), "old") << "nothing happens before the restart";

  const auto failed = files_->PerformPendingRenames();
  EXPECT_EQ(failed, (std::vector<TPendingRename>{{"C:\\missing.txt", "C:\\x.txt", false},
                                                 {"C:\\blocker.txt", "C:\\old.txt", false}}));
  EXPECT_EQ(Read("C:\\old.txt"), "new");
  EXPECT_FALSE(files_->FileExists("C:\\new.txt"));
  EXPECT_FALSE(files_->FileExists("C:\\gone.txt"));
  EXPECT_TRUE(files_->FileExists("C:\\blocker.txt"));
  EXPECT_TRUE(files_->PendingRenames().empty());
}

TEST_F(NativeFileSystem, Defaults_CurrentAndTempDirectories) {
  EXPECT_EQ(files_->GetCurrentDir(), "C:\\");
  EXPECT_EQ(files_->TempDirectory(), "C:\\TEMP\\") << "the host's temp is out of C:'s reach";
  files_->SetTempDirectory("C:\\Work");
  EXPECT_EQ(files_->TempDirectory(), "C:\\Work\\");

  TDriveMap only;
  only.Map('D', host_.string());
  EXPECT_EQ(TNativeFileSystem(std::move(only)).GetCurrentDir(), "D:\\");

  TNativeFileSystem whole; // Z: is "/"
  const std::string temp = whole.TempDirectory();
  EXPECT_EQ(temp.substr(0, 3), "Z:\\");
  EXPECT_TRUE(whole.DirectoryExists(temp)) << temp;
}

} // namespace
} // namespace quendel::platform::native
