// The default bundle of the build.

#include "platform/platform.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace quendel::platform
