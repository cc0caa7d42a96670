// The folder functions and meta variables, on an arranged machine.
#include "paths/expand_paths.h"

#include "core/strings.h"
#include "paths/paths_test_support.h"
#include "system/os_version.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "platform/native/native_shell.h"
#endif

namespace quendel::test {
namespace {

using platform::rkCurrentUser;
using platform::rkLocalMachine;

constexpr const char* ShellFolders =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* CurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

class FolderFunctions : public PathsTest {};

TEST_F(FolderFunctions, ReadTheRecordedFolders) {
  SetString(rkCurrentUser, ShellFolders, "Start Menu", "D:\\Menu\\");
  SetString(rkCurrentUser, ShellFolders, "Programs", "D:\\Menu\\Progs");
  SetString(rkCurrentUser, ShellFolders, "Desktop", "D:\\Desk\\");
  SetString(rkCurrentUser, ShellFolders, "Startup", "D:\\Menu\\Progs\\Start");
  SetString(rkLocalMachine, CurrentVersion, "ProgramFilesDir", "E:\\Apps\\");
  SetString(rkLocalMachine, CurrentVersion, "CommonFilesDir", "E:\\Apps\\Shared");
  EXPECT_EQ(StartMenuDir(Platform()), "D:\\Menu");
  EXPECT_EQ(ProgramsMenuDir(Platform()), "D:\\Menu\\Progs");
  EXPECT_EQ(DesktopDir(Platform()), "D:\\Desk");
  EXPECT_EQ(StartupDir(Platform()), "D:\\Menu\\Progs\\Start");
  EXPECT_EQ(ProgramFilesDir(Platform()), "E:\\Apps");
  EXPECT_EQ(CommonFilesDir(Platform()), "E:\\Apps\\Shared");
}

TEST_F(FolderFunctions, FallBackWhenValuesAreMissing) {
  EXPECT_EQ(StartMenuDir(Platform()), "C:\\WINNT\\Startmen");
  EXPECT_EQ(ProgramsMenuDir(Platform()), "C:\\WINNT\\Startmen\\Programs");
  EXPECT_EQ(DesktopDir(Platform()), "C:\\WINNT\\Desktop");
  EXPECT_EQ(StartupDir(Platform()), "C:\\WINNT\\Startup");

  // Programs follows a recorded start menu.
  SetString(rkCurrentUser, ShellFolders, "Start Menu", "D:\\Menu");
  EXPECT_EQ(ProgramsMenuDir(Platform()), "D:\\Menu\\Programs");

  // The program files fall back to the drive of the current directory.
  platform::IFileSystem& Files = *Platform().Files;
  const std::string Saved = Files.GetCurrentDir();
  Files.SetCurrentDir("Z:\\");
  EXPECT_EQ(ProgramFilesDir(Platform()), "Z:\\Program Files");
  Files.SetCurrentDir("C:\\");
  EXPECT_EQ(ProgramFilesDir(Platform()), "C:\\Program Files");
  EXPECT_EQ(CommonFilesDir(Platform()), "C:\\Program Files\\Common Files");
  Files.SetCurrentDir(Saved);

  // A value of another type counts as missing.
  Platform().Registry->CreateKey(rkCurrentUser, ShellFolders)->WriteDWord("Desktop", 5);
  EXPECT_EQ(DesktopDir(Platform()), "C:\\WINNT\\Desktop");
}

TEST_F(FolderFunctions, NeedTheWindowsDirectoryEvenWhenRecorded) {
  SetString(rkCurrentUser, ShellFolders, "Start Menu", "D:\\Menu");
  SetString(rkLocalMachine, CurrentVersion, "ProgramFilesDir", "E:\\Apps");
  System->FailDirectories = true;
  EXPECT_THROW(StartMenuDir(Platform()), EAPIRoutines);
  EXPECT_THROW(DesktopDir(Platform()), EAPIRoutines);
  EXPECT_EQ(ProgramFilesDir(Platform()), "E:\\Apps") << "needs no Windows directory";
}

class MetaVariables : public PathsTest {
protected:
  MetaVariables() {
    SetString(rkCurrentUser, ShellFolders, "Start Menu", "D:\\Menu");
    SetString(rkCurrentUser, ShellFolders, "Desktop", "D:\\Desk");
    SetString(rkLocalMachine, CurrentVersion, "ProgramFilesDir", "E:\\Apps\\");
    SetString(rkLocalMachine, CurrentVersion, "CommonFilesDir", "E:\\Apps\\Shared");
  }
  std::string Expand(const std::string& Text, TInstallObject* Link = nullptr) {
    return ExpandMetaVariables(Text, Link, Context);
  }
};

TEST_F(MetaVariables, Expand_ReplacesEachLetter) {
  EXPECT_EQ(Expand("%p\\word %%1"), "E:\\Apps\\word %1");
  EXPECT_EQ(Expand("%b|%d|%f|%m|%s|%w"),
            "D:\\Menu\\Programs|D:\\Desk|E:\\Apps\\Shared|D:\\Menu|C:\\WINNT\\system32|C:\\WINNT");
  EXPECT_EQ(Expand("%P;%W"), "E:\\Apps;C:\\WINNT") << "letters in either case";
}

TEST_F(MetaVariables, Expand_HandlesPercentSignsAtTheEdges) {
  EXPECT_EQ(Expand("100%"), "100");
  EXPECT_EQ(Expand("%"), "");
  EXPECT_EQ(Expand("%%"), "%");
  EXPECT_EQ(Expand("%%%"), "%");
  EXPECT_EQ(Expand("%%p"), "%p") << "an escaped % starts nothing";
  EXPECT_EQ(Expand("a%xb%1c%\\d"), "abcd") << "unknown letters vanish with their %";
  EXPECT_EQ(Expand(""), "");
}

TEST_F(MetaVariables, Expand_ObjectDirectories) {
  auto* Group = Make<TInstallGroup>("Group");
  Group->SetDestDir("F:\\Target\\");
  auto* Link = Make<TPlainProbe>("Link");
  Link->SetDestDir("F:\\Links");
  EXPECT_EQ(Expand("%a", Link), "F:\\Links");
  try {
    Expand("%c", Link);
    ADD_FAILURE() << "no error";
  } catch (const EAICannotExpandContainerDirMV& E) {
    EXPECT_EQ(E.Message(),
              "Cannot expand the %c meta variable because the Container property is Nil");
  }
  Link->SetContainer(Group);
  EXPECT_EQ(Expand("%c\\x", Link), "F:\\Target\\x");

  try {
    Expand("ok %a", nullptr);
    ADD_FAILURE() << "no error";
  } catch (const EAICannotExpandContainerDirMV& E) {
    EXPECT_EQ(E.Message(), "Cannot expand the %a meta variable because the component is Nil");
  }
  EXPECT_THROW(Expand("%C", nullptr), EAICannotExpandContainerDirMV);
  // A "%%a" needs no object.
  EXPECT_EQ(Expand("%%a"), "%a");
}

// An object in a folder of its own below its container: %a is the object's
// folder, %c the container's, and they must not be confused.
TEST_F(MetaVariables, Expand_ObjectInItsOwnSubfolderOfTheContainer) {
  auto* Group = Make<TInstallGroup>("Group");
  Group->SetDestDir("F:\\Target");
  auto* Link = Make<TPlainProbe>("Link");
  Link->SetContainer(Group);
  Link->SetDestDirType(&Specifier<TpsContainerDestDir>());
  Link->SetDestDir("\\Sub");
  EXPECT_EQ(Expand("%a", Link), "F:\\Target\\Sub");
  EXPECT_EQ(Expand("%c", Link), "F:\\Target");
  EXPECT_EQ(Expand("%c\\x;%a\\y", Link), "F:\\Target\\x;F:\\Target\\Sub\\y");
}

TEST_F(MetaVariables, Expand_InstallDirectoryNeedsTheRoot) {
  try {
    Expand("%i");
    ADD_FAILURE() << "no error";
  } catch (const EAICannotExpandInstallDirMV& E) {
    EXPECT_EQ(E.Message(),
              "Cannot expand the %i meta variable because there is no TInstall component");
  }
  auto* Root = new TRootProbe(Form.get());
  Root->SetDestDirType(&Specifier<TpsProgramFiles>());
  Root->SetDestDir("\\Widget");
  EXPECT_EQ(Expand("%i\\run.exe"), "E:\\Apps\\Widget\\run.exe");
}

TEST_F(MetaVariables, Expand_TranslatesItsErrors) {
  const TTranslateHook Previous = SetTranslateHook([](const std::string& English) {
    return English == "Cannot expand the %i meta variable because there is no TInstall component"
               ? std::string("Kein Installationsobjekt")
               : English;
  });
  try {
    Expand("%i");
    ADD_FAILURE() << "no error";
  } catch (const EAI& E) {
    EXPECT_EQ(E.Message(), "Kein Installationsobjekt");
  }
  SetTranslateHook(Previous);
}

// What the registry records about the folders agrees with what the shell
// says, on Windows as on the simulated machine.
class ThisMachine : public ::testing::Test {
protected:
  ThisMachine() {
#ifndef _WIN32
    auto& Shell = dynamic_cast<platform::native::TNativeShell&>(*P.Shell);
    platform::native::WriteShellFolderRecords(*P.Registry, Shell.Config());
#endif
  }
  std::string ShellPath(int Csidl) {
    return RemoveBackslash(P.Shell->SpecialFolderPath(Csidl));
  }
  platform::TPlatform P = platform::CreateDefaultPlatform();
};

TEST_F(ThisMachine, FolderFunctions_AgreeWithTheShell) {
  EXPECT_PRED2(SameText, StartMenuDir(P), ShellPath(platform::csidlStartMenu));
  EXPECT_PRED2(SameText, ProgramsMenuDir(P), ShellPath(platform::csidlPrograms));
  EXPECT_PRED2(SameText, DesktopDir(P), ShellPath(platform::csidlDesktopDirectory));
  EXPECT_PRED2(SameText, StartupDir(P), ShellPath(platform::csidlStartup));
  EXPECT_PRED2(SameText, ProgramFilesDir(P), ShellPath(38)); // CSIDL_PROGRAM_FILES
  EXPECT_PRED2(SameText, CommonFilesDir(P), ShellPath(43));  // CSIDL_PROGRAM_FILES_COMMON
}

} // namespace
} // namespace quendel::test
