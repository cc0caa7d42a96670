// The default bundle of the build.

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace quendel::platform {
namespace {

TEST(Platform, CreateDefault_GivesWorkingAdapters) {
  const TPlatform platform = CreateDefaultPlatform();
  ASSERT_NE(platform.Files, nullptr);
  ASSERT_NE(platform.Registry, nullptr);
  ASSERT_NE(platform.System, nullptr);
  ASSERT_NE(platform.Shell, nullptr);
  EXPECT_TRUE(platform.Files->DirectoryExists(platform.Files->TempDirectory()))
      << platform.Files->TempDirectory();
  EXPECT_TRUE(platform.Files->DirectoryExists(platform.Files->GetCurrentDir()));
  EXPECT_TRUE(platform.Registry->KeyExists(rkLocalMachine, "SOFTWARE"));
  EXPECT_FALSE(platform.System->WindowsDirectory().empty());
}

// A program may be composed of only the adapters it uses; reaching for one
// it lacks must be a clear failure of that port, never a null dereference.
TEST(Platform, AbsentPort_FailsLoudlyAndTheOthersStillWork) {
  TPlatform platform = CreateDefaultPlatform();
  platform.Processes = nullptr;
  platform.Links.reset();
  std::unique_ptr<INet> handedOn = std::move(platform.Net);
  EXPECT_NE(handedOn, nullptr);
  EXPECT_FALSE(platform.Net);
  EXPECT_EQ(platform.Processes.get(), nullptr);

  try {
    (void)platform.Processes->Start(TProcessStart{"x.exe", "x.exe", "", showHide, false});
    ADD_FAILURE() << "an absent process adapter started a program";
  } catch (const EAbsentPort& e) {
    EXPECT_EQ(e.Code(), errNotSupported);
    EXPECT_EQ(e.Call(), "IProcesses");
    EXPECT_NE(std::string(e.what()).find("IProcesses"), std::string::npos) << e.what();
  }
  EXPECT_THROW(platform.Links->MakeHardLink("a", "b"), EAbsentPort);
  EXPECT_THROW((void)platform.Net->OpenSession({}), EAbsentPort);
  // The error is a platform error like any other: callers find its code.
  try {
    (void)*platform.Links;
    ADD_FAILURE() << "an absent shortcut adapter was handed out";
  } catch (const std::exception& e) {
    EXPECT_EQ(PlatformErrorCode(e), errNotSupported);
  }
  EXPECT_TRUE(platform.Files->DirectoryExists(platform.Files->TempDirectory()));
}

} // namespace
} // namespace quendel::platform
