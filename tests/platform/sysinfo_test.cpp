// What the system reports must look like a real Windows.

#include <cctype>
#include <string>

#include "platform/test_platform.h"

namespace quendel::platform::testing {
namespace {

using SystemInfo = PlatformTest;

bool LooksLikeFullPath(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         path[2] == '\\' && path.back() != '\\';
}

TEST_F(SystemInfo, Version_IsAPlausibleWindows) {
  const TOSVersionInfo version = System().Version();
  EXPECT_LE(version.dwPlatformId, verPlatformWin32NT);
  if (version.dwPlatformId == verPlatformWin32NT) {
    EXPECT_GE(version.dwMajorVersion, 3u);
  } else if (version.dwPlatformId == verPlatformWin32Windows) {
    EXPECT_EQ(version.dwMajorVersion, 4u);
  }
  EXPECT_GT(version.dwBuildNumber, 0u);
  EXPECT_LT(version.szCSDVersion.size(), 128u) << "szCSDVersion holds 128 characters";
}

TEST_F(SystemInfo, Directories_AreFullPathsWithSystemInsideWindows) {
  const std::string windows = System().WindowsDirectory();
  const std::string system = System().SystemDirectory();
  EXPECT_TRUE(LooksLikeFullPath(windows)) << windows;
  EXPECT_TRUE(LooksLikeFullPath(system)) << system;
  EXPECT_EQ(system.substr(0, windows.size() + 1), windows + "\\") << system;
}

TEST_F(SystemInfo, Language_HasAPrimaryLanguage) {
  const TLangId language = System().UserDefaultLangId();
  EXPECT_NE(language & 0x3FF, 0) << "primary language of " << language;
}

} // namespace
} // namespace quendel::platform::testing
