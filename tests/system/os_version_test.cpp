#include "system/os_version.h"

#include "core/strings.h"
#include "platform/error.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#ifndef _WIN32
#include "platform/native/native_files.h"
#endif

namespace quendel {
namespace {

using platform::TOSVersionInfo;
using platform::verPlatformWin32NT;
using platform::verPlatformWin32s;
using platform::verPlatformWin32Windows;

TOSVerType Map(std::uint32_t Platform, std::uint32_t Major, std::uint32_t Minor) {
  return OSVersionFromRecord(TOSVersionInfo{Major, Minor, 0, Platform, ""});
}

TEST(OSVersion, FromRecord_ClassicSystems) {
  EXPECT_EQ(Map(verPlatformWin32s, 3, 10), os31win32);
  EXPECT_EQ(Map(verPlatformWin32Windows, 4, 0), oswin95);
  EXPECT_EQ(Map(verPlatformWin32Windows, 4, 10), oswin98);
  EXPECT_EQ(Map(verPlatformWin32Windows, 4, 90), oswinME);
  EXPECT_EQ(Map(verPlatformWin32NT, 3, 51), oswinNT351);
  EXPECT_EQ(Map(verPlatformWin32NT, 4, 0), oswinNT);
  EXPECT_EQ(Map(verPlatformWin32NT, 5, 0), oswin2K);
  EXPECT_EQ(Map(verPlatformWin32NT, 5, 1), oswinXP);
  EXPECT_EQ(Map(verPlatformWin32NT, 5, 2), oswinXP);
  EXPECT_EQ(Map(3, 10, 0), osUnidentified); // Windows CE and anything newer
  // Stored OS sets are bit sets over the ordinals.
  EXPECT_EQ((OSSet{oswinNT, osLinux, oswinXP}).Bits(), 0x224u);
}

TEST(OSVersion, FromRecord_CurrentNTCountsAsNTFamily) {
  // Vista, 7, 8, 8.1 and 10 must pass the default OS filter and take the NT
  // paths (all-users folders, HKLM run-once, hard links).
  for (auto [Major, Minor] : {std::pair{6u, 0u}, {6u, 1u}, {6u, 2u}, {6u, 3u}, {10u, 0u}}) {
    const TOSVerType T = Map(verPlatformWin32NT, Major, Minor);
    EXPECT_EQ(T, oswinXP) << Major << "." << Minor;
    EXPECT_TRUE(osNTFamily.Contains(T));
  }
}

// A machine that reports what it is told, or fails.
class TScriptedSystem : public platform::ISystemInfo {
public:
  TOSVersionInfo Record;
  std::string Windows = "C:\\WINDOWS", System = "C:\\WINDOWS\\system32";
  bool Fail = false;
  TOSVersionInfo Version() const override {
    if (Fail) throw platform::EPlatformError("GetVersionExA", "", 0);
    return Record;
  }
  std::string WindowsDirectory() const override {
    if (Fail) throw platform::EPlatformError("GetWindowsDirectoryA", "", 0);
    return Windows;
  }
  std::string SystemDirectory() const override {
    if (Fail) throw platform::EPlatformError("GetSystemDirectoryA", "", 0);
    return System;
  }
  platform::TLangId UserDefaultLangId() const override { return 0x0409; }
};

template <class F> std::string FailureOf(F&& Call) {
  try {
    Call();
  } catch (const EAPIRoutines& E) {
    return E.what();
  }
  return "no EAPIRoutines";
}

TEST(OSVersion, Routines_ReportFailuresAsAPIErrors) {
  const char* const NoWindows = "Could not retrieve the windows directory from windows";
  const char* const NoSystem = "Could not retrieve the system directroy from windows";
  TScriptedSystem S;
  S.Fail = true;
  EXPECT_EQ(FailureOf([&] { GetOSVersion(S); }),
            "Could not get information about the current version of Windows");
  EXPECT_EQ(FailureOf([&] { GetWindowsDir(S); }), NoWindows);
  EXPECT_EQ(FailureOf([&] { GetSystemDir(S); }), NoSystem);
  // An empty answer is a failure too.
  S.Fail = false;
  S.Windows.clear();
  S.System.clear();
  EXPECT_EQ(FailureOf([&] { GetWindowsDir(S); }), NoWindows);
  EXPECT_EQ(FailureOf([&] { GetSystemDir(S); }), NoSystem);
}

// ---- This machine (natively the simulated one, under Wine the real API) -------------

class ThisMachine : public ::testing::Test {
protected:
  platform::TPlatform P = platform::CreateDefaultPlatform();
};

TEST_F(ThisMachine, GetOSVersion_AgreesWithVersionRecordAndDefaultFilter) {
  const TOSVersionInfo Record = P.System->Version();
  const TOSVerType T = GetOSVersion(*P.System);
  EXPECT_EQ(T, OSVersionFromRecord(Record));
  // Every machine these tests run on is NT 6.1 or later (Wine's default).
  EXPECT_EQ(Record.dwPlatformId, verPlatformWin32NT);
  EXPECT_EQ(T, oswinXP) << Record.dwMajorVersion << "." << Record.dwMinorVersion;
}

// The win32 build also runs this under Wine with the program's Windows version
// set to an older release (os_version_wine.sh); skipped otherwise.
TEST_F(ThisMachine, GetOSVersion_PlaysTheConfiguredWindows) {
  const char* Expected = std::getenv("QUENDEL_EXPECT_OS");
  if (!Expected) GTEST_SKIP() << "QUENDEL_EXPECT_OS is not set";
  const TOSVersionInfo Record = P.System->Version();
  EXPECT_EQ(OSVerTypeName(GetOSVersion(*P.System)), Expected)
      << "platform " << Record.dwPlatformId << ", " << Record.dwMajorVersion << "."
      << Record.dwMinorVersion;
}

TEST_F(ThisMachine, Directories_SystemDirLiesInWindowsDir) {
  const std::string Windows = GetWindowsDir(*P.System);
  const std::string System = GetSystemDir(*P.System);
  EXPECT_FALSE(Windows.empty());
  EXPECT_TRUE(StartsText(AddBackslash(Windows), System)) << Windows << " / " << System;
#ifdef _WIN32
  // Natively the default machine maps no C: drive; under Wine it exists.
  EXPECT_TRUE(P.Files->DirectoryExists(System)) << System;
#endif
}

TEST_F(ThisMachine, GetTempFileName_DeletesUnlessKept) {
  const std::string TempDir = P.Files->TempDirectory();

  const std::string Gone = GetTempFileName(*P.Files, false);
  EXPECT_TRUE(SameText(ExtractFilePath(Gone), AddBackslash(TempDir))) << Gone;
  EXPECT_TRUE(StartsText("bat", ExtractFileName(Gone))) << Gone;
  EXPECT_TRUE(EndsText(".tmp", Gone)) << Gone;
  EXPECT_FALSE(P.Files->FileExists(Gone));

  const std::string Kept = GetTempFileName(*P.Files, true);
  EXPECT_NE(Kept, Gone);
  ASSERT_TRUE(P.Files->FileExists(Kept));
  EXPECT_EQ(P.Files->OpenRead(Kept)->Size(), 0u);

  // Short paths: an existing file has one, a missing file none.
  EXPECT_FALSE(GetShortPath(*P.Files, Kept).empty());
  P.Files->RemoveFile(Kept);
  EXPECT_EQ(GetShortPath(*P.Files, Kept), "");
}

#ifndef _WIN32
TEST(OSVersion, GetTempFileName_MissingTempDirectoryIsAnAPIError) {
  platform::native::TNativeFileSystem Files;
  Files.SetTempDirectory("Z:\\no\\such\\quendel\\dir\\");
  EXPECT_EQ(FailureOf([&] { GetTempFileName(Files, false); }), "Cannot create a temporary file");
}
#endif

} // namespace
} // namespace quendel
