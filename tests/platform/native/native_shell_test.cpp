// The simulated machine's folder table, and the registry records made from it.

#include "platform/native/native_registry.h"
#include "platform/native/native_shell.h"
#include "platform/test_platform.h"

namespace quendel::platform::native {
namespace {

using testing::ErrorOf;

TEST(NativeShell, Config_MovesDropsAndAddsFolders) {
  TNativeShell shell(TNativeShellConfig::Windows7("anna", "D:\\WINNT"));
  EXPECT_EQ(shell.SpecialFolderPath(csidlStartMenu),
            "C:\\Users\\anna\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu");
  EXPECT_EQ(shell.SpecialFolderPath(20), "D:\\WINNT\\Fonts");

  shell.Config().Folders[csidlCommonStartup] = "E:\\Startup";
  EXPECT_EQ(shell.SpecialFolderPath(csidlCommonStartup), "E:\\Startup");
  shell.Config().Folders.erase(csidlCommonStartup);
  EXPECT_EQ(ErrorOf([&] { shell.SpecialFolderPath(csidlCommonStartup); }), hrFail);
  shell.Config().Folders[csidlAltStartup] = "C:\\Alt";
  EXPECT_EQ(shell.SpecialFolderPath(csidlAltStartup), "C:\\Alt");
  shell.Config().Folders[csidlAltStartup] = std::nullopt;
  EXPECT_EQ(ErrorOf([&] { shell.SpecialFolderPath(csidlAltStartup); }), errPathNotFound);
}

TEST(NativeShell, WriteShellFolderRecords_AgreesWithTheShell) {
  TNativeRegistry registry;
  const TNativeShellConfig config = TNativeShellConfig::Windows7();
  TNativeShell shell(config);
  WriteShellFolderRecords(registry, config);

  const auto user = registry.OpenKey(
      rkCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
      TRegAccess::Read);
  EXPECT_EQ(user->ReadString("Start Menu"), shell.SpecialFolderPath(csidlStartMenu));
  EXPECT_EQ(user->ReadString("Programs"), shell.SpecialFolderPath(csidlPrograms));
  EXPECT_EQ(user->ReadString("Desktop"), shell.SpecialFolderPath(csidlDesktopDirectory));
  EXPECT_EQ(user->ReadString("Startup"), shell.SpecialFolderPath(csidlStartup));
  const auto version = registry.OpenKey(
      rkLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", TRegAccess::Read);
  EXPECT_EQ(version->ReadString("ProgramFilesDir"), "C:\\Program Files");
  EXPECT_EQ(version->ReadString("CommonFilesDir"), "C:\\Program Files\\Common Files");
}

} // namespace
} // namespace quendel::platform::native
