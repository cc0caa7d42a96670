#include "platform/native/native_sysinfo.h"

#include <gtest/gtest.h>

namespace quendel::platform::native {
namespace {

TEST(NativeSystemInfo, Defaults_AreWindows7InEnglish) {
  const TNativeSystemInfo system;
  EXPECT_EQ(system.Version(), (TOSVersionInfo{6, 1, 7601, verPlatformWin32NT, "Service Pack 1"}));
  EXPECT_EQ(system.WindowsDirectory(), "C:\\WINDOWS");
  EXPECT_EQ(system.SystemDirectory(), "C:\\WINDOWS\\system32");
  EXPECT_EQ(system.UserDefaultLangId(), 0x0409);
}

} // namespace
} // namespace quendel::platform::native
