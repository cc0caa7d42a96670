// Replacing a file that may be in use, on the Windows-like machine: the old
// file stays until its replacement exists, a file held open is replaced at
// the next start by the way the system offers, and the batch fallback moves
// only what is there.
#include "system/file_replace.h"

#include "core/strings.h"
#include "platform/native/native_files.h"
#include "platform/native/native_platform.h"
#include "platform/native/native_sysinfo.h"
#include "system/registry_routines.h"
#include "system/test_failing_files.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

namespace quendel {
namespace {

using platform::TRegAccess;

class FileReplace : public ::testing::Test {
protected:
  void SetUp() override {
    Host = (std::filesystem::temp_directory_path() / "quendel-replace-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Host.data()), nullptr);
    std::filesystem::create_directories(Host + "/WINDOWS");
    std::filesystem::create_directories(Host + "/TEMP");
    std::filesystem::create_directories(Host + "/App");
    platform::native::TDriveMap Drives;
    Drives.Map('C', Host);
    P = platform::native::CreateNativePlatform(std::move(Drives));
    Native().SetTempDirectory("C:\\TEMP");
  }
  void TearDown() override { std::filesystem::remove_all(Host); }

  platform::native::TNativeFileSystem& Native() {
    return dynamic_cast<platform::native::TNativeFileSystem&>(*P.Files);
  }
  void Write(const std::string& Path, const std::string& Text) {
    P.Files->Create(Path)->Write(Text.data(), Text.size());
  }
  std::string Read(const std::string& Path) {
    const auto F = P.Files->OpenRead(Path);
    std::string Text(static_cast<std::size_t>(F->Size()), '\0');
    F->ReadExact(Text.data(), Text.size());
    return Text;
  }
  void PlayWindows98() {
    dynamic_cast<platform::native::TNativeSystemInfo&>(*P.System).Config().Version = {
        4, 10, 2222, platform::verPlatformWin32Windows, " A "};
  }

  std::string Host;
  platform::TPlatform P;
  const std::string Target = "C:\\App\\App.exe";
  const std::string Temp = "C:\\App\\App.1";
};

TEST_F(FileReplace, TemporaryName_SkipsNamesThatAreTaken) {
  EXPECT_EQ(TemporaryReplaceName(*P.Files, "C:\\App", "App.exe"), "App.1");
  Write("C:\\App\\App.1", "x");
  P.Files->MakeDirectory("C:\\App\\APP.2");
  EXPECT_EQ(TemporaryReplaceName(*P.Files, "C:\\App", "App.exe"), "App.3");
  EXPECT_EQ(TemporaryReplaceName(*P.Files, "C:\\App", "README"), "README.1");
}

TEST_F(FileReplace, TryReplace_MovesOverFreeAndReadOnlyTargetsButNotHeldOnes) {
  Write(Target, "old");
  Write(Temp, "new");
  EXPECT_EQ(TryReplaceFile(*P.Files, Temp, Target), platform::errSuccess);
  EXPECT_EQ(Read(Target), "new");
  EXPECT_FALSE(P.Files->FileExists(Temp));

  // Read-only is no sign of use.
  P.Files->SetAttributes(Target, platform::faReadOnly);
  Write(Temp, "newer");
  EXPECT_EQ(TryReplaceFile(*P.Files, Temp, Target), platform::errSuccess);
  EXPECT_EQ(Read(Target), "newer");

  // Held open without sharing: in use, both files stay as they were.
  Write(Temp, "newest");
  {
    const auto Held = P.Files->Open(Target, platform::TFileAccess::Read, platform::shareNone,
                                    platform::TCreation::OpenExisting);
    const platform::TErrorCode Code = TryReplaceFile(*P.Files, Temp, Target);
    EXPECT_TRUE(IsInUse(Code)) << Code;
  }
  EXPECT_EQ(Read(Target), "newer");
  EXPECT_EQ(Read(Temp), "newest");
  EXPECT_FALSE(IsInUse(platform::errDiskFull));
}

TEST_F(FileReplace, Schedule_OnNTRecordsADelayedMoveThatTheNextStartCarriesOut) {
  Write(Target, "old");
  Write(Temp, "new");
  const auto Done = ScheduleReplaceAtReboot(*P.Files, *P.Registry, *P.System, Temp, Target, true);
  ASSERT_TRUE(Done);
  EXPECT_EQ(Done->Method, TRebootMethod::DelayedMove);
  EXPECT_EQ(Read(Target), "old");
  EXPECT_TRUE(Native().PerformPendingRenames().empty());
  EXPECT_EQ(Read(Target), "new");
  EXPECT_FALSE(P.Files->FileExists(Temp));
}

TEST_F(FileReplace, Schedule_On9xWritesTheRenameSectionOfWininit) {
  PlayWindows98();
  Write("C:\\WINDOWS\\WININIT.INI", "[Rename]\r\nNUL=C:\\OLD.TMP\r\n\r\n[Other]\r\nA=1\r\n");
  const auto Done = ScheduleReplaceAtReboot(*P.Files, *P.Registry, *P.System, Temp, Target, true);
  ASSERT_TRUE(Done);
  EXPECT_EQ(Done->Method, TRebootMethod::WininitIni);
  EXPECT_EQ(
      Read("C:\\WINDOWS\\WININIT.INI"),
      "[Rename]\r\nNUL=C:\\OLD.TMP\r\nC:\\App\\App.exe=C:\\App\\App.1\r\n\r\n[Other]\r\nA=1\r\n");
  EXPECT_TRUE(Native().PendingRenames().empty());
}

TEST_F(FileReplace, Schedule_FallsBackToAQuotedBatchFileRunOnce) {
  testing::TFailingFiles Files(*P.Files);
  Files.MoveFault = [](const std::string&, const std::string&, platform::TMoveFlags Flags) {
    return (Flags & platform::moveDelayUntilReboot) != 0 ? platform::errAccessDenied
                                                         : platform::errSuccess;
  };
  Write(Target, "old");
  Write(Temp, "new");
  EXPECT_FALSE(ScheduleReplaceAtReboot(Files, *P.Registry, *P.System, Temp, Target, false));
  const auto Done = ScheduleReplaceAtReboot(Files, *P.Registry, *P.System, Temp, Target, true);
  ASSERT_TRUE(Done);
  EXPECT_EQ(Done->Method, TRebootMethod::BatchFile);
  EXPECT_TRUE(EndsText(".bat", Done->BatchFile));
  EXPECT_EQ(Read(Done->BatchFile),
            "if exist \"C:\\App\\App.1\" move /y \"C:\\App\\App.1\" \"C:\\App\\App.exe\"\r\n");
  const auto RunOnce = P.Registry->OpenKey(platform::rkCurrentUser,
                                           "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                                           TRegAccess::Read);
  EXPECT_EQ(RunOnce->ReadString("QuendelBatFile"), Done->BatchFile);
  // A second one takes the next free name.
  const auto Second = ScheduleReplaceAtReboot(Files, *P.Registry, *P.System, Temp, Target, true);
  ASSERT_TRUE(Second);
  EXPECT_EQ(RunOnce->ReadString("QuendelBatFile1"), Second->BatchFile);
}

TEST(ProfileString, ReplacesOrAddsKeysInTheirSection) {
  std::string Host = (std::filesystem::temp_directory_path() / "quendel-ini-XXXXXX").string();
  ASSERT_NE(::mkdtemp(Host.data()), nullptr);
  {
    platform::native::TDriveMap Drives;
    Drives.Map('C', Host);
    platform::native::TNativeFileSystem Files(std::move(Drives));
    const std::string Ini = "C:\\x.ini";
    WriteProfileString(Files, Ini, "Rename", "A", "1");
    WriteProfileString(Files, Ini, "rename", "b", "2");
    WriteProfileString(Files, Ini, "RENAME", "a", "3");
    WriteProfileString(Files, Ini, "Other", "A", "4");
    EXPECT_EQ(ReadProfileString(Files, Ini, "Rename", "A", "-"), "3");
    EXPECT_EQ(ReadProfileString(Files, Ini, "Rename", "B", "-"), "2");
    EXPECT_EQ(ReadProfileString(Files, Ini, "Other", "a", "-"), "4");
    EXPECT_EQ(ReadProfileString(Files, Ini, "None", "a", "-"), "-");
    EXPECT_EQ(ReadProfileString(Files, "C:\\missing.ini", "Rename", "a", "-"), "-");
  }
  std::filesystem::remove_all(Host);
}

} // namespace
} // namespace quendel
