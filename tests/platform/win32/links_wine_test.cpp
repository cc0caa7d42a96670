// The shell and the project's own link format agree both ways: the shell's
// IShellLinkA loads links the project's writer made (the checked-in fixtures
// and fresh ones), and the project's reader reads links the shell saved.

#include <filesystem>

#include "platform/shell_link_format.h"
#include "platform/test_platform.h"
#include "platform/win32/win32_links.h"

namespace quendel::platform::testing {
namespace {

using ShellAndWriter = PlatformTest;

void ExpectSameButShow(const TShellLink& expected, const TShellLink& actual, const std::string& how) {
  EXPECT_EQ(actual.Path, expected.Path) << how;
  EXPECT_EQ(actual.Arguments, expected.Arguments) << how;
  EXPECT_EQ(actual.WorkingDirectory, expected.WorkingDirectory) << how;
  EXPECT_EQ(actual.Description, expected.Description) << how;
  EXPECT_EQ(actual.IconPath, expected.IconPath) << how;
  EXPECT_EQ(actual.IconIndex, expected.IconIndex) << how;
  EXPECT_EQ(actual.HotKey, expected.HotKey) << how;
}

TEST_F(ShellAndWriter, Shell_LoadsTheNativelyWrittenFixture) {
  const std::string fixture =
      std::filesystem::absolute(std::filesystem::path(QUENDEL_TEST_DATA) / "links" / "sample.lnk")
          .string();
  win32::TWin32Links shell;
  const TShellLink read = shell.LoadShellLink(fixture);
  const TShellLink written = ReadShellLinkFile(Files(), fixture);
  EXPECT_EQ(written.Path, "C:\\Program Files\\Demo\\Demo.exe");
  ExpectSameButShow(written, read, "sample.lnk");
}

TEST_F(ShellAndWriter, Shell_LoadsWhatTheWriterMakesForEveryKindOfLink) {
  WriteFile(PathOf("Tool.exe"), "MZ");
  TShellLink full;
  full.Path = PathOf("Tool.exe");
  full.Arguments = "\"%1\" -x";
  full.WorkingDirectory = Dir();
  full.Description = "A tool";
  full.IconPath = PathOf("Tool.exe");
  full.IconIndex = 1;
  full.HotKey = static_cast<std::uint16_t>(hotkeyAlt | hotkeyControl | 'T');
  TShellLink bare;
  bare.Path = PathOf("Caf\xE9\\Missing.exe");
  win32::TWin32Links shell;
  int n = 0;
  for (const TShellLink& link : {full, bare}) {
    const std::string file = PathOf("made" + std::to_string(n++) + ".lnk");
    const auto bytes = EncodeShellLink(link);
    Files().Create(file)->Write(bytes.data(), bytes.size());
    ExpectSameButShow(link, shell.LoadShellLink(file), file);
  }
}

TEST_F(ShellAndWriter, Reader_ReadsWhatTheShellSaved) {
  TShellLink link;
  link.Path = PathOf("Target.exe");
  link.Arguments = "-startup";
  link.WorkingDirectory = Dir();
  link.Description = "Saved by the shell";
  link.IconPath = PathOf("Target.exe");
  link.IconIndex = 2;
  link.HotKey = static_cast<std::uint16_t>(hotkeyShift | hotkeyControl | 'S');
  WriteFile(link.Path, "MZ");
  win32::TWin32Links shell;
  const std::string file = PathOf("shell.lnk");
  shell.SaveShellLink(file, link);
  ExpectSameButShow(link, ReadShellLinkFile(Files(), file), "shell.lnk");
}

} // namespace
} // namespace quendel::platform::testing
