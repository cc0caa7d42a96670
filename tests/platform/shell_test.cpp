// The special folders as the shell gives them.

#include <cctype>
#include <string>

#include "platform/test_platform.h"

namespace quendel::platform::testing {
namespace {

using SpecialFolders = PlatformTest;

std::string WithoutTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

bool IsFullPath(const std::string& path) {
  return path.size() >= 4 && path[1] == ':' && path[2] == '\\';
}

// Whether inner lies directly below outer, compared without regard to case.
bool IsBelow(const std::string& inner, const std::string& outer) {
  if (inner.size() <= outer.size() + 1 || inner[outer.size()] != '\\') return false;
  for (std::size_t i = 0; i < outer.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(inner[i])) !=
        std::tolower(static_cast<unsigned char>(outer[i])))
      return false;
  return inner.find('\\', outer.size() + 1) == std::string::npos;
}

TEST_F(SpecialFolders, SpecialFolderPath_GivesTheFoldersAnInstallUses) {
  for (const int csidl :
       {csidlPrograms, csidlFavorites, csidlStartup, csidlRecent, csidlSendTo, csidlStartMenu,
        csidlDesktopDirectory, csidlCommonStartMenu, csidlCommonPrograms, csidlCommonStartup,
        csidlCommonDesktopDirectory, csidlAppData, csidlCommonFavorites, csidlCookies}) {
    const std::string path = Shell().SpecialFolderPath(csidl);
    EXPECT_TRUE(IsFullPath(path)) << "CSIDL " << csidl << ": " << path;
  }
}

TEST_F(SpecialFolders, SpecialFolderPath_NestsTheMenusAsWindowsDoes) {
  IShell& shell = Shell();
  const auto path = [&](int csidl) {
    return WithoutTrailingBackslash(shell.SpecialFolderPath(csidl));
  };
  EXPECT_TRUE(IsBelow(path(csidlPrograms), path(csidlStartMenu))) << path(csidlPrograms);
  EXPECT_TRUE(IsBelow(path(csidlStartup), path(csidlPrograms))) << path(csidlStartup);
  EXPECT_TRUE(IsBelow(path(csidlCommonPrograms), path(csidlCommonStartMenu)))
      << path(csidlCommonPrograms);
  EXPECT_TRUE(IsBelow(path(csidlCommonStartup), path(csidlCommonPrograms)))
      << path(csidlCommonStartup);
  EXPECT_NE(path(csidlCommonStartMenu), path(csidlStartMenu))
      << "all users have a menu of their own";
}

TEST_F(SpecialFolders, SpecialFolderPath_FailsForFoldersWithoutAPath) {
  IShell& shell = Shell();
  // Virtual folders: the shell knows them, but they have no file-system path.
  for (const int csidl : {csidlControls, csidlBitBucket}) {
    EXPECT_EQ(ErrorOf([&] { shell.SpecialFolderPath(csidl); }), errPathNotFound) << csidl;
  }
  // The alternate startup folders do not exist on NT.
  for (const int csidl : {csidlAltStartup, csidlCommonAltStartup}) {
    TErrorCode error = errSuccess;
    EXPECT_EQ(shell.TrySpecialFolderPath(csidl, error), "");
    EXPECT_NE(error, errSuccess) << csidl;
  }
  // The printers folder answers, if at all, with a shell name rather than a path.
  TErrorCode error = errSuccess;
  const std::string printers = shell.TrySpecialFolderPath(csidlPrinters, error);
  if (error == errSuccess) {
    EXPECT_EQ(printers.substr(0, 3), "::{") << printers;
  }
}

} // namespace
} // namespace quendel::platform::testing
