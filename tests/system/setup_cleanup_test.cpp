#include "system/setup_cleanup.h"

#include "archive/sandbox.h"
#include "core/strings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace quendel {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::TSandbox;

// The temporary directory and a directory outside it, both in the sandbox
// natively; under Wine the sandbox itself lies in the temporary directory.
class SetupCleanup : public ::testing::Test {
protected:
  void SetUp() override {
#ifdef _WIN32
    Temp = S.Files->TempDirectory();
    Temp.pop_back(); // its trailing backslash
    Outside = S.Host.parent_path().parent_path() / ("quendel-cleanup-" + S.Host.filename().string());
    std::filesystem::create_directories(Outside);
    OutsideDir = Outside.string();
#else
    static_cast<platform::native::TNativeFileSystem&>(*S.Files).SetTempDirectory("C:\\Temp");
    Temp = "C:\\Temp";
    OutsideDir = "C:\\Users\\user\\Downloads";
    Outside = S.HostPath("Users\\user\\Downloads");
    std::filesystem::create_directories(S.HostPath("Temp"));
    std::filesystem::create_directories(Outside);
#endif
  }
  void TearDown() override {
    std::error_code Ec;
    std::filesystem::remove_all(Outside, Ec);
  }
  std::filesystem::path Host(const std::string& Windows) {
#ifdef _WIN32
    return Windows;
#else
    return S.HostPath(Windows.substr(3));
#endif
  }
  void Put(const std::string& Windows) {
    std::filesystem::create_directories(Host(Windows).parent_path());
    std::ofstream(Host(Windows)) << "x";
  }

  TSandbox S;
  std::string Temp, OutsideDir;
  std::filesystem::path Outside;
};

TEST_F(SetupCleanup, InsideTheTemporaryDirectory_EverythingGoes) {
  const std::string Dir = Temp + "\\qnd0001 x.tmp";
  Put(Dir + "\\ProductSetup.exe");
  Put(Dir + "\\licence.txt");
  const std::string Batch = CleanupSetupDirectory(*S.Files, Dir + "\\ProductSetup.exe", true);
  ASSERT_FALSE(Batch.empty());
  EXPECT_FALSE(std::filesystem::exists(Host(Dir))) << "a program not running goes at once";
  const auto Text = S.Files->OpenRead(Batch);
  std::string Body(Text->Size(), '\0');
  Text->ReadExact(Body.data(), Body.size());
  EXPECT_THAT(Body, HasSubstr("rmdir /s /q \"" + Dir + "\""));
  EXPECT_THAT(Body, HasSubstr("del /f /q \"" + Batch + "\""));
  EXPECT_TRUE(EndsText(".bat", Batch));
}

TEST_F(SetupCleanup, AnywhereElse_NothingIsTouched) {
  const std::string Dir = OutsideDir;
  Put(Dir + "\\ProductSetup.exe");
  Put(Dir + "\\holiday photo.jpg");
  EXPECT_EQ(CleanupSetupDirectory(*S.Files, Dir + "\\ProductSetup.exe", true), "");
  EXPECT_TRUE(std::filesystem::exists(Host(Dir + "\\holiday photo.jpg")));
  EXPECT_TRUE(std::filesystem::exists(Host(Dir + "\\ProductSetup.exe")));

  EXPECT_FALSE(IsInsideTempDirectory(*S.Files, Temp)) << "the temporary directory itself";
  EXPECT_FALSE(IsInsideTempDirectory(*S.Files, Temp + "\\"));
  EXPECT_FALSE(IsInsideTempDirectory(*S.Files, Temp + "X\\qnd.tmp")) << "a sibling's name";
  EXPECT_FALSE(IsInsideTempDirectory(*S.Files, Temp + "\\..\\Documents"));
  EXPECT_FALSE(IsInsideTempDirectory(*S.Files, Temp + "\\a\\..\\..\\Documents"));
  EXPECT_FALSE(IsInsideTempDirectory(*S.Files, Temp + "\\a\\.."));
  EXPECT_FALSE(IsInsideTempDirectory(*S.Files, Temp + "\\a.\\b")) << "Windows drops the dot";
  EXPECT_FALSE(IsInsideTempDirectory(*S.Files, "qnd1.tmp"));
  // Resolved by name as Windows does, a way back in stays inside.
  EXPECT_TRUE(IsInsideTempDirectory(*S.Files, Temp + "\\a\\..\\qnd1.tmp"));
  EXPECT_TRUE(IsInsideTempDirectory(*S.Files, Temp + "\\.\\qnd1.tmp\\"));
  EXPECT_TRUE(IsInsideTempDirectory(*S.Files, UpperCase(Temp) + "\\qnd1.tmp"));
}

TEST(SetupCleanupBatch, QuotedBoundedAndNeverWaitingForInput) {
  const std::string Nt = CleanupBatchText("C:\\My Temp\\qnd1.tmp\\Setup.exe", "C:\\My Temp\\bat1.bat", true);
  EXPECT_THAT(Nt, HasSubstr("del /f /q \"C:\\My Temp\\qnd1.tmp\\Setup.exe\""));
  EXPECT_THAT(Nt, HasSubstr("rmdir /s /q \"C:\\My Temp\\qnd1.tmp\""));
  EXPECT_THAT(Nt, HasSubstr("del /f /q \"C:\\My Temp\\bat1.PIF\""));
  EXPECT_THAT(Nt, HasSubstr("geq 30 goto gone")) << "retries are bounded";
  EXPECT_THAT(Nt, Not(HasSubstr("DELTREE")));
  EXPECT_THAT(Nt, Not(HasSubstr("pause")));
  const std::string Nine = CleanupBatchText("C:\\WINDOWS\\TEMP\\qnd1.tmp\\Setup.exe", "C:\\WINDOWS\\TEMP\\bat1.bat", false);
  EXPECT_THAT(Nine, HasSubstr("DELTREE /Y \"C:\\WINDOWS\\TEMP\\qnd1.tmp\""));
  EXPECT_THAT(Nine, HasSubstr("ERASE \"C:\\WINDOWS\\TEMP\\bat1.bat\""));
}

#ifdef _WIN32
TEST_F(SetupCleanup, Batch_RemovesTheDirectoryUnderTheCommandInterpreter) {
  const std::string Dir = Temp + "\\qnd0002 y.tmp";
  const std::string Program = Dir + "\\ProductSetup.exe";
  Put(Program);
  Put(Dir + "\\sub dir\\left over.txt");
  const std::string Batch = Temp + "\\cleanup test.bat";
  const std::string Text = CleanupBatchText(Program, Batch, true);
  std::ofstream(Batch, std::ios::binary) << Text;
  ASSERT_EQ(std::system(("cmd /c \"\"" + Batch + "\"\" <nul >nul 2>nul").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(Dir));
  EXPECT_FALSE(std::filesystem::exists(Batch));
}
#endif

} // namespace
} // namespace quendel
