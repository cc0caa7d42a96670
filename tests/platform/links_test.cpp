// Shortcuts as both adapters make them: shell links that load back, and that
// the project's own reader reads as the shell does; internet shortcuts; hard
// links. (Wine reads every show command back as 1, so the contract leaves
// the show command to the native and format cases.)

#include <string>

#include "platform/shell_link_format.h"
#include "platform/test_platform.h"

namespace quendel::platform::testing {
namespace {

using Shortcuts = PlatformTest;

TShellLink FullLink(const std::string& dir) {
  TShellLink link;
  link.Path = dir + "\\Program.exe";
  link.Arguments = "-startup \"C:\\My Files\\x.txt\"";
  link.WorkingDirectory = dir;
  link.Description = "The program";
  link.IconPath = dir + "\\Icons.dll";
  link.IconIndex = 3;
  link.HotKey = static_cast<std::uint16_t>(hotkeyControl | hotkeyAlt | 'Q');
  return link;
}

void ExpectSameButShow(const TShellLink& expected, const TShellLink& actual, const char* how) {
  EXPECT_EQ(actual.Path, expected.Path) << how;
  EXPECT_EQ(actual.Arguments, expected.Arguments) << how;
  EXPECT_EQ(actual.WorkingDirectory, expected.WorkingDirectory) << how;
  EXPECT_EQ(actual.Description, expected.Description) << how;
  EXPECT_EQ(actual.IconPath, expected.IconPath) << how;
  EXPECT_EQ(actual.IconIndex, expected.IconIndex) << how;
  EXPECT_EQ(actual.HotKey, expected.HotKey) << how;
}

TEST_F(Shortcuts, ShellLink_LoadsBackAndTheProjectReaderAgrees) {
  WriteFile(PathOf("Program.exe"), "MZ");
  const TShellLink link = FullLink(Dir());
  const std::string file = PathOf("Program.lnk");
  Links().SaveShellLink(file, link);
  ASSERT_TRUE(Files().FileExists(file));
  ExpectSameButShow(link, Links().LoadShellLink(file), "through the adapter");
  ExpectSameButShow(link, ReadShellLinkFile(Files(), file), "through the project's reader");
}

TEST_F(Shortcuts, ShellLink_KeepsEmptyFieldsEmptyAndCodePageTexts) {
  // A target that does not exist (yet) is still linked, and texts outside
  // ASCII travel through the ANSI code page.
  TShellLink link;
  link.Path = Dir() + "\\Caf\xE9 \x80uro\\Menu.exe";
  link.Arguments = "na\xEFve";
  const std::string file = PathOf("Caf\xE9.lnk");
  Links().SaveShellLink(file, link);
  for (const TShellLink& read : {Links().LoadShellLink(file), ReadShellLinkFile(Files(), file)}) {
    EXPECT_EQ(read.Path, link.Path);
    EXPECT_EQ(read.Arguments, link.Arguments);
    EXPECT_EQ(read.WorkingDirectory, "");
    EXPECT_EQ(read.Description, "");
    EXPECT_EQ(read.IconPath, "");
    EXPECT_EQ(read.HotKey, 0);
  }
}

TEST_F(Shortcuts, ShellLink_ReplacesAnExistingLink) {
  const std::string file = PathOf("Twice.lnk");
  Links().SaveShellLink(file, FullLink(Dir()));
  TShellLink second;
  second.Path = Dir() + "\\Other.exe";
  Links().SaveShellLink(file, second);
  const TShellLink read = Links().LoadShellLink(file);
  EXPECT_EQ(read.Path, second.Path);
  EXPECT_EQ(read.Arguments, "");
  EXPECT_EQ(read.IconPath, "");
}

TEST_F(Shortcuts, ShellLink_FailsWithoutDirectoryAndOnFilesThatAreNoLinks) {
  TShellLink link;
  link.Path = Dir() + "\\Program.exe";
  EXPECT_NE(ErrorOf([&] { Links().SaveShellLink(PathOf("missing\\Program.lnk"), link); }),
            errSuccess);
  EXPECT_FALSE(Files().FileExists(PathOf("missing\\Program.lnk")));
  WriteFile(PathOf("text.lnk"), "this is not a shell link at all, only text");
  EXPECT_NE(ErrorOf([&] { Links().LoadShellLink(PathOf("text.lnk")); }), errSuccess);
  EXPECT_NE(ErrorOf([&] { Links().LoadShellLink(PathOf("absent.lnk")); }), errSuccess);
}

TEST_F(Shortcuts, InternetShortcut_WritesTheSectionAndUpdatesInPlace) {
  const std::string file = PathOf("Home Page.URL");
  Links().WriteInternetShortcut(file, "http://www.example.com/");
  EXPECT_EQ(Links().ReadInternetShortcut(file), "http://www.example.com/");
  const std::string text = ReadFile(file);
  EXPECT_NE(text.find("[InternetShortcut]"), std::string::npos) << text;
  EXPECT_NE(text.find("URL=http://www.example.com/"), std::string::npos) << text;

  // A second write changes the key and keeps what else the file holds.
  WriteFile(file, "[Other]\r\nKeep=1\r\n[InternetShortcut]\r\nURL=old\r\nIconIndex=2\r\n");
  Links().WriteInternetShortcut(file, "ftp://ftp.example.com/pub");
  EXPECT_EQ(Links().ReadInternetShortcut(file), "ftp://ftp.example.com/pub");
  const std::string updated = ReadFile(file);
  EXPECT_NE(updated.find("Keep=1"), std::string::npos) << updated;
  EXPECT_NE(updated.find("IconIndex=2"), std::string::npos) << updated;
  EXPECT_EQ(updated.find("old"), std::string::npos) << updated;
}

TEST_F(Shortcuts, InternetShortcut_ReadFailsForMissingFileOrKey) {
  EXPECT_EQ(ErrorOf([&] { Links().ReadInternetShortcut(PathOf("none.URL")); }), errFileNotFound);
  WriteFile(PathOf("empty.URL"), "[Other]\r\nURL=elsewhere\r\n");
  EXPECT_EQ(ErrorOf([&] { Links().ReadInternetShortcut(PathOf("empty.URL")); }), errFileNotFound);
}

TEST_F(Shortcuts, HardLink_IsASecondNameOfTheSameFile) {
  WriteFile(PathOf("data.txt"), "one");
  Links().MakeHardLink(PathOf("alias.txt"), PathOf("data.txt"));
  EXPECT_EQ(ReadFile(PathOf("alias.txt")), "one");
  WriteFile(PathOf("data.txt"), "two"); // truncates and rewrites the same file
  EXPECT_EQ(ReadFile(PathOf("alias.txt")), "two");
  Files().RemoveFile(PathOf("data.txt"));
  EXPECT_EQ(ReadFile(PathOf("alias.txt")), "two");

  EXPECT_EQ(ErrorOf([&] { Links().MakeHardLink(PathOf("x.txt"), PathOf("absent.txt")); }),
            errFileNotFound);
  WriteFile(PathOf("taken.txt"), "");
  EXPECT_EQ(ErrorOf([&] { Links().MakeHardLink(PathOf("taken.txt"), PathOf("alias.txt")); }),
            errAlreadyExists);
}

} // namespace
} // namespace quendel::platform::testing
