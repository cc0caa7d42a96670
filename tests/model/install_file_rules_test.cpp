// The overwrite outcome per mode against an older, newer, equal and missing
// target, the uninstall-log rule and the derived settings. Runs in both
// builds on drive Z: (the host's root natively, as under Wine).
#include "model/install_file_rules.h"

#include "core/dates.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace quendel {
namespace {

std::string ZPath(std::string Unix) {
  for (char& C : Unix)
    if (C == '/') C = '\\';
  return "Z:" + Unix;
}

class OverwriteOutcome : public ::testing::Test {
protected:
  void SetUp() override {
    Host = std::filesystem::temp_directory_path() /
           ("quendel-rules-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(Host);
#ifdef _WIN32
    Dir = Host.string(); // already a Windows path
#else
    Dir = ZPath(Host.string());
#endif
  }
  void TearDown() override {
    std::filesystem::remove_all(Host);
  }

  // A target with version 5.0.2195.1 and the given date.
  std::string VersionedTarget(TDateTime Date) {
    const std::string Target = Dir + "\\ver.dll";
    M.Files->Copy(ZPath(std::string(QUENDEL_TEST_DATA) + "/system/ver_ansi_table.dll"), Target,
                  false);
    M.Files->SetAttributes(Target, platform::faArchive);
    M.Files->SetStamp(Target, DateTimeToFileTime(Date));
    return Target;
  }
  TOverwriteOutcome Decide(const std::string& Version, TDateTime Date, const std::string& Target,
                           TOverwriteType Mode) {
    return DecideOverwrite(*M.Files, Version, Date, Target, Mode);
  }

  platform::TPlatform M = platform::CreateDefaultPlatform();
  std::filesystem::path Host;
  std::string Dir;
  const TDateTime Day = EncodeDateTime(2005, 6, 7, 8, 0, 0, 0);
};

TEST_F(OverwriteOutcome, EachModeAgainstOlderNewerEqualAndMissingTargets) {
  using O = TOverwriteOutcome;
  const std::string Target = VersionedTarget(Day);
  const std::string Missing = Dir + "\\missing.dll";
  const TDateTime Later = Day + 1, Earlier = Day - 1;
  struct TCase {
    TOverwriteType Mode;
    O Newer, Equal, Older, Absent;
  };
  // Newer: the stored file is newer than the target (version 6.0, a later date).
  const TCase Cases[] = {
      {owAlways, O::Write, O::Write, O::Write, O::Write},
      {owNever, O::Skip, O::Skip, O::Skip, O::Write},
      {owVersion, O::Write, O::Skip, O::Skip, O::Write},
      {owDate, O::Write, O::Skip, O::Skip, O::Write},
      {owVersionDate, O::Write, O::Skip, O::Skip, O::Write},
      {owAsk, O::Ask, O::Ask, O::Ask, O::Write},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(static_cast<int>(C.Mode));
    EXPECT_EQ(Decide("6.0", Later, Target, C.Mode), C.Newer);
    EXPECT_EQ(Decide("5.0.2195.1", Day, Target, C.Mode), C.Equal);
    EXPECT_EQ(Decide("4.0", Earlier, Target, C.Mode), C.Older);
    // A fresh install writes files without a version too.
    EXPECT_EQ(Decide("", Day, Missing, C.Mode), C.Absent);
  }
  // Equal versions fall back on the dates.
  EXPECT_EQ(Decide("5.0.2195.1", Later, Target, owVersionDate), O::Write);
  EXPECT_EQ(Decide("5.0.2195.1", Earlier, Target, owVersionDate), O::Skip);
}

TEST(UninstallLogRule, AFileLeftAloneIsNotLoggedUnlessCounted) {
  EXPECT_TRUE(LogsForUninstall(false, true, false));
  EXPECT_TRUE(LogsForUninstall(true, true, false));
  EXPECT_FALSE(LogsForUninstall(true, false, false));
  EXPECT_TRUE(LogsForUninstall(true, false, true));
}

TEST(FileAttributes, MapToWindowsBitsWithoutCompressed) {
  EXPECT_EQ(WindowsAttributesOf({qfaReadOnly, qfaHidden, qfaCompressed}), 0x3u);
  EXPECT_EQ(WindowsAttributesOf({qfaArchive, qfaSystem, qfaTemporary, qfaOffline}), 0x1124u);
}

TEST(DeriveSettings, TheExamplesOfEditingAFile) {
  TInstallFileSettings Current;
  Current.FileName = "App.exe";
  Current.DestName = "App.exe";
  Current.DestDirTypeClass = "TpsContainerDestDir";

  TInstallFileSettings Next = Current;
  Next.FileType = iftVendorSharedDLL;
  TInstallFileSettings R = DeriveSettings(Current, Next, false, false);
  EXPECT_EQ(R.DestDir, "\\System");
  EXPECT_EQ(R.DestDirTypeClass, "TpsCommonFiles");
  EXPECT_TRUE(R.UpdateDLLCounter);
  EXPECT_EQ(R.OverwriteMode, owVersionDate);

  Next = Current;
  Next.FileName = "Guide.HlP";
  R = DeriveSettings(Current, Next, true, false);
  EXPECT_TRUE(R.RegisterAsHelp);
  EXPECT_EQ(R.DestName, "Guide.HlP");
  EXPECT_EQ(R.InstallAttributes, TQndlFileAttributesSet{qfaReadOnly});
  EXPECT_FALSE(R.ActiveX);

  // A control registers itself and becomes a system-wide library.
  Next = Current;
  Next.FileName = "Grid.ocx";
  R = DeriveSettings(Current, Next, false, false);
  EXPECT_TRUE(R.ActiveX);
  EXPECT_EQ(R.FileType, iftSystemWideDLL);
  EXPECT_EQ(R.DestDirTypeClass, "TpsSystem");
  EXPECT_EQ(R.DestDir, "");
  EXPECT_TRUE(R.UpdateDLLCounter);

  // A library moved to the Windows directory is compared by version and date.
  Current.FileName = Current.DestName = "Lib.dll";
  Next = Current;
  Next.DestDirTypeClass = "TpsWindow";
  R = DeriveSettings(Current, Next, false, false);
  EXPECT_EQ(R.OverwriteMode, owVersionDate);
  EXPECT_EQ(R.FileType, iftNormal);
  // One with OLESelfRegister in its version resource registers itself.
  Next = Current;
  Next.IncludeFromDir = "C:\\other";
  EXPECT_TRUE(DeriveSettings(Current, Next, false, true).ActiveX);
}

TEST(OLESelfRegister, FalseWithoutTheValueOrAResource) {
  platform::TPlatform M = platform::CreateDefaultPlatform();
  EXPECT_FALSE(HasOLESelfRegister(
      M.Files.get(), ZPath(std::string(QUENDEL_TEST_DATA) + "/system/ver_ansi_table.dll")));
  EXPECT_FALSE(HasOLESelfRegister(M.Files.get(),
                                  ZPath(std::string(QUENDEL_TEST_DATA) + "/system/missing.dll")));
}

} // namespace
} // namespace quendel
