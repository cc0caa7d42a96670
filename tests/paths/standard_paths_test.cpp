// The standard specifiers: the family, the shell folders per system, the
// install's own locations and their validation, and the Office folders.
#include "paths/standard_paths.h"

#include "core/strings.h"
#include "paths/expand_paths.h"
#include "paths/office_paths.h"
#include "paths/path_classes.h"
#include "paths/paths_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quendel::test {
namespace {

using platform::rkClassesRoot;
using platform::rkCurrentUser;
using platform::rkLocalMachine;
using platform::verPlatformWin32NT;
using platform::verPlatformWin32s;
using platform::verPlatformWin32Windows;

template <class F> std::string MessageOf(F&& Statement) {
  try {
    Statement();
  } catch (const Exception& E) {
    return E.Message();
  }
  return "(no error)";
}

// ---- The family ----------------------------------------------------------------------------

using PathFamily = PathsTest;

TEST_F(PathFamily, CreateStandardSpecifiers_NamesEveryClassInOrder) {
  std::vector<std::string> Names;
  for (TCustomPathSpecifier* S : Context.StandardPathSpecifiers.Items())
    Names.push_back(S->Name());
  EXPECT_THAT(
      Names,
      ::testing::ElementsAre(
          "psBDEDLL", "psCommonFiles", "psContainerArchiveFile", "psContainerDestDir",
          "psDesktopMenu", "psInstallSource", "psMainInstall", "psProgramFiles", "psProgramMenu",
          "psStartMenu", "psStartupMenu", "psSystem", "psMainArchiveFile", "psWindow", "psPrinters",
          "psRecent", "psSendTo", "psStartup", "psControlPanel", "psFavorites", "psBitBucket",
          "psCookies", "psCommonAltStartup", "psCommonStartup", "psCommonDesktopDirectory",
          "psCommonFavorites", "psCommonPrograms", "psCommonStartMenu", "psQuickLaunchMenu",
          "psOfficeUserTemplates", "psOfficeWorkgroupTemplates", "psOfficeClipartDirectory",
          "psOfficeStartupDirectory", "psOfficeToolsDirectory", "psOfficeFavoritesDirectory"));
  for (TCustomPathSpecifier* S : Context.StandardPathSpecifiers.Items()) {
    EXPECT_EQ(S->Owner(), Form.get());
    EXPECT_EQ(S->Name(), S->DefaultName());
    EXPECT_NE(S->GetDescription(), "Unspecified") << S->Name();
  }
}

TEST_F(PathFamily, CreateStandardSpecifiers_OnlyMissingAddsWhatIsNotThere) {
  Form->DestroyComponents();
  ASSERT_EQ(Context.PathSpecifiers.Count(), 0);
  auto* Own = new TpsSystem(Form.get());
  Own->SetName("psSystem");
  const std::vector<TComponent*> Created = CreateStandardSpecifiers(Form.get(), true, Context);
  EXPECT_EQ(Created.size(), StandardPathClasses().size() - 1);
  EXPECT_EQ(Context.StandardPathSpecifiers.FindByClass(TpsSystem::StaticClass()), Own);
  int Systems = 0;
  for (TCustomPathSpecifier* S : Context.PathSpecifiers.Items())
    Systems += dynamic_cast<TpsSystem*>(S) != nullptr;
  EXPECT_EQ(Systems, 1);

  // Asked for everything again, names already taken get a number.
  CreateStandardSpecifiers(Form.get(), false, Context);
  EXPECT_NE(Form->FindComponent("psSystem1"), nullptr);
  EXPECT_NE(Form->FindComponent("psQuickLaunchMenu1"), nullptr);
  EXPECT_EQ(Context.StandardPathSpecifiers.FindByClass(TpsSystem::StaticClass()), Own);
}

TEST_F(PathFamily, Registration_LetsDefinitionsCreateThemByName) {
  const TClassInfo* Cls = ClassRegistry().Find("tpsprogramfiles");
  ASSERT_NE(Cls, nullptr);
  TComponent* Made = Cls->Create(Form.get());
  EXPECT_NE(dynamic_cast<TpsProgramFiles*>(Made), nullptr);
  EXPECT_TRUE(Cls->InheritsFrom(TStandardPathSpecifier::StaticClass()));
  EXPECT_NE(Cls->FindProperty("OnGetPath"), nullptr);
  for (const TClassInfo* Standard : StandardPathClasses()) {
    EXPECT_EQ(ClassRegistry().Find(Standard->Name()), Standard);
    EXPECT_TRUE(Standard->CanCreate()) << Standard->Name();
  }
  // A new install object on a form gets its destination from the form's family.
  Form->DestroyComponents();
  Context.EnsureStandardSpecifiers(Form.get());
  EXPECT_EQ(Context.StandardPathSpecifiers.Count(), static_cast<int>(StandardPathClasses().size()));
}

// ---- Shell folders by system --------------------------------------------------------------------

class ShellFolders : public PathsTest {
protected:
  ShellFolders() {
    for (int Csidl : {2, 3, 4, 6, 7, 8, 9, 10, 11, 16, 22, 23, 24, 25, 26, 29, 30, 31, 33})
      Shell->Folders[Csidl] = "S:\\Folder" + std::to_string(Csidl);
  }
  template <class T> std::string PathOf() { return Specifier<T>().GetPath(nullptr); }
};

TEST_F(ShellFolders, NTFamily_TakesTheAllUsersFolders) {
  for (auto [Major, Minor] : {std::pair{4u, 0u}, {5u, 0u}, {5u, 1u}, {6u, 1u}, {10u, 0u}}) {
    PlayWindows(verPlatformWin32NT, Major, Minor);
    SCOPED_TRACE(OSVerTypeName(Context.OSVersion()));
    EXPECT_EQ(PathOf<TpsCommonDesktopDirectory>(), "S:\\Folder25");
    EXPECT_EQ(PathOf<TpsCommonStartMenu>(), "S:\\Folder22");
    EXPECT_EQ(PathOf<TpsCommonPrograms>(), "S:\\Folder23");
    EXPECT_EQ(PathOf<TpsCommonStartup>(), "S:\\Folder24") << "XP and later included";
    EXPECT_EQ(PathOf<TpsCommonFavorites>(), "S:\\Folder31");
    EXPECT_EQ(PathOf<TpsCommonAltStartup>(), "S:\\Folder30");
    EXPECT_EQ(PathOf<TpsRecent>(), "S:\\Folder8");
    EXPECT_EQ(PathOf<TpsPrinters>(), "S:\\Folder4");
    EXPECT_EQ(PathOf<TpsFavorites>(), "S:\\Folder6");
    EXPECT_EQ(PathOf<TpsControlPanel>(), "S:\\Folder3");
    EXPECT_EQ(PathOf<TpsBitBucket>(), "S:\\Folder10");
    EXPECT_EQ(PathOf<TpsCookies>(), "S:\\Folder33");
    EXPECT_EQ(PathOf<TpsSendTo>(), "S:\\Folder9");
    EXPECT_EQ(PathOf<TpsStartup>(), "S:\\Folder7");
  }
}

TEST_F(ShellFolders, Win9xFamily_TakesTheUsersFoldersOrNothing) {
  for (std::uint32_t Minor : {0u, 10u, 90u}) {
    PlayWindows(verPlatformWin32Windows, 4, Minor);
    SCOPED_TRACE(OSVerTypeName(Context.OSVersion()));
    EXPECT_EQ(PathOf<TpsCommonDesktopDirectory>(), "S:\\Folder16");
    EXPECT_EQ(PathOf<TpsCommonStartMenu>(), "S:\\Folder11");
    EXPECT_EQ(PathOf<TpsCommonPrograms>(), "S:\\Folder2");
    EXPECT_EQ(PathOf<TpsCommonStartup>(), "S:\\Folder7");
    EXPECT_EQ(PathOf<TpsCommonFavorites>(), "S:\\Folder6");
    EXPECT_EQ(PathOf<TpsCommonAltStartup>(), "S:\\Folder29");
    EXPECT_EQ(PathOf<TpsRecent>(), "undefined");
    EXPECT_EQ(PathOf<TpsPrinters>(), "undefined");
    EXPECT_EQ(PathOf<TpsFavorites>(), "undefined");
    EXPECT_EQ(PathOf<TpsControlPanel>(), "");
    EXPECT_EQ(PathOf<TpsStartup>(), "");
  }
}

TEST_F(ShellFolders, OtherSystems_GetTheFixedAnswers) {
  for (auto Record : {platform::TOSVersionInfo{3, 51, 1, verPlatformWin32NT, ""},
                      platform::TOSVersionInfo{3, 10, 1, verPlatformWin32s, ""},
                      platform::TOSVersionInfo{1, 0, 1, 3, ""}}) {
    System->Record = Record;
    SCOPED_TRACE(OSVerTypeName(Context.OSVersion()));
    EXPECT_EQ(PathOf<TpsCommonDesktopDirectory>(), "undefined");
    EXPECT_EQ(PathOf<TpsRecent>(), "undefined");
    EXPECT_EQ(PathOf<TpsCommonStartup>(), "");
    EXPECT_EQ(PathOf<TpsCommonStartMenu>(), "");
    EXPECT_EQ(PathOf<TpsCookies>(), "");
    // Quick Launch does not depend on the system.
    EXPECT_EQ(PathOf<TpsQuickLaunchMenu>(),
              "S:\\Folder26\\Microsoft\\Internet Explorer\\Quick Launch");
  }
}

TEST_F(ShellFolders, ShellFailures_GiveEmptyPaths) {
  Shell->Folders[24] = "S:\\All Users\\Startup\\";
  Shell->Folders[26] = "S:\\AppData\\";
  EXPECT_EQ(PathOf<TpsCommonStartup>(), "S:\\All Users\\Startup");
  EXPECT_EQ(PathOf<TpsQuickLaunchMenu>(),
            "S:\\AppData\\Microsoft\\Internet Explorer\\Quick Launch");
  Shell->Folders.erase(24);
  Shell->Folders.erase(26);
  EXPECT_EQ(PathOf<TpsCommonStartup>(), "");
  EXPECT_EQ(PathOf<TpsQuickLaunchMenu>(), "undefined");
  // Without any shell at all.
  Machine.Shell.reset();
  EXPECT_EQ(PathOf<TpsCommonPrograms>(), "");
}

// ---- The classic folders
// -------------------------------------------------------------------------

class ClassicFolders : public PathsTest {};

TEST_F(ClassicFolders, FollowTheFolderFunctions) {
  SetString(rkLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
            "E:\\Apps");
  EXPECT_EQ(Specifier<TpsProgramFiles>().GetPath(nullptr), "E:\\Apps");
  EXPECT_EQ(Specifier<TpsStartMenu>().GetPath(nullptr), "C:\\WINNT\\Startmen");
  EXPECT_EQ(Specifier<TpsProgramMenu>().GetPath(nullptr), "C:\\WINNT\\Startmen\\Programs");
  EXPECT_EQ(Specifier<TpsSystem>().GetPath(nullptr), "C:\\WINNT\\system32");
  EXPECT_EQ(Specifier<TpsWindow>().GetPath(nullptr), "C:\\WINNT");
  System->FailDirectories = true;
  EXPECT_THROW(Specifier<TpsWindow>().GetPath(nullptr), EAPIRoutines);
}

TEST_F(ClassicFolders, BDEDLL_TakesTheFirstRecordedDirectory) {
  SetString(rkLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
            "E:\\Apps");
  EXPECT_EQ(Specifier<TpsBDEDLL>().GetPath(nullptr), "E:\\Apps\\Borland\\Common Files\\BDE");
  SetString(rkLocalMachine, "Software\\Borland\\Database Engine", "DLLPath", "D:\\BDE\\;D:\\Old");
  EXPECT_EQ(Specifier<TpsBDEDLL>().GetPath(nullptr), "D:\\BDE");
  SetString(rkLocalMachine, "Software\\Borland\\Database Engine", "DLLPath", ";D:\\Old");
  EXPECT_EQ(Specifier<TpsBDEDLL>().GetPath(nullptr), "E:\\Apps\\Borland\\Common Files\\BDE");
}

// ---- The install's own locations -------------------------------------------------------------

class InstallLocations : public PathsTest {};

TEST_F(InstallLocations, ContainerDestDir_NeedsAContainedInstallObject) {
  auto& Specifier = this->Specifier<TpsContainerDestDir>();
  auto* Group = Make<TInstallGroup>("Group");
  Group->SetDestDir("F:\\Target\\");
  auto* Link = Make<TPlainProbe>("Link");

  EXPECT_EQ(MessageOf([&] { Specifier.GetPath(Link); }),
            "Cannot use ddContainerDestDir for Link unless you assign a Container");
  EXPECT_EQ(Specifier.GetDescriptionFor(Link), "Path of the group (container)");
  EXPECT_EQ(Specifier.GetCaptionFor(Link), "Path of the group (container)");
  EXPECT_EQ(MessageOf([&] { Specifier.Validate(Form.get()); }),
            "Form must be a TInstallObject to use the psContainerDestDir path specifier");
  EXPECT_EQ(MessageOf([&] { Specifier.Validate(nullptr); }),
            "nil must be a TInstallObject to use the psContainerDestDir path specifier");

  Link->SetContainer(Group);
  EXPECT_EQ(Specifier.GetPath(Link), "F:\\Target");
  EXPECT_EQ(Link->GetFullDestDir(), "F:\\Target") << "a contained object takes the specifier";
}

TEST_F(InstallLocations, ContainerDestDir_DescribesTheContainer) {
  auto& Specifier = this->Specifier<TpsContainerDestDir>();
  auto* Root = new TRootProbe(Form.get());
  auto* Group = Make<TInstallGroup>("Group");
  Group->SetDescription("Tools");
  auto* Dir = Make<TInstallDirectory>("Dir");
  Dir->SetDescription("Fonts");
  auto* Plain = Make<TPlainProbe>("Plain");
  auto* Obj = Make<TPlainProbe>("Obj");

  const auto Describe = [&](TInstallContainer* Container) {
    Obj->SetContainer(Container);
    return Specifier.GetDescriptionFor(Obj) + " / " + Specifier.GetCaptionFor(Obj);
  };
  EXPECT_EQ(Describe(Root), "Main installation directory / Main installation directory");
  EXPECT_EQ(Describe(Group), "Path of the <Tools> group / <Tools>");
  EXPECT_EQ(Describe(Dir), "Path of the <Fonts> directory / <Fonts>");
  EXPECT_EQ(Describe(Plain), "Path of the <Plain> group / <Plain>");
}

TEST_F(InstallLocations, ContainerArchiveFile_NeedsAFileRelatedContainer) {
  auto& Specifier = this->Specifier<TpsContainerArchiveFile>();
  auto* Obj = Make<TFileRelatedProbe>("File1");
  auto* Plain = Make<TPlainProbe>("Plain");
  auto* Group = Make<TInstallGroup>("Group");

  EXPECT_EQ(MessageOf([&] { Specifier.GetPath(Form.get()); }),
            "Form must be a TInstallObject to use the psContainerArchiveFile path specifier");
  EXPECT_EQ(MessageOf([&] { Specifier.GetPath(Obj); }),
            "Cannot use ddContainerArchiveFile for File1 unless you assign a Container");
  Obj->SetContainer(Plain);
  EXPECT_EQ(MessageOf([&] { Specifier.GetPath(Obj); }),
            "Cannot use the ddContainerArchiveFile path specifier for File1 because the Container "
            "is not a TFileRelated descendant");

  // The container's archive: its specifier's path followed by its own text.
  Obj->SetContainer(Group);
  Group->SetArchiveFile("F:\\Build\\group.1\\");
  EXPECT_EQ(Specifier.GetPath(Obj), "F:\\Build\\group.1");
  auto* Root = new TRootProbe(Form.get());
  Root->SetArchiveFileType(&this->Specifier<TpsMainArchiveFile>());
  Group->SetContainer(Root);
  Group->SetArchiveFile("");
  Group->SetArchiveFileType(&Specifier);
  EXPECT_EQ(Specifier.GetPath(Obj), "E:\\Setup\\files.1") << "through the group to the main archive";
}

TEST_F(InstallLocations, RootLocations_NeedTheInstallRoot) {
  auto* Obj = Make<TPlainProbe>("Obj");
  for (TCustomPathSpecifier* Specifier : std::initializer_list<TCustomPathSpecifier*>{
           &this->Specifier<TpsInstallSource>(), &this->Specifier<TpsMainInstall>(),
           &this->Specifier<TpsMainArchiveFile>()})
    EXPECT_EQ(MessageOf([&] { Specifier->GetPath(Obj); }),
              "There is no TInstall component so the path specifier could not be expanded for Obj");

  auto* Root = new TRootProbe(Form.get());
  Root->SetDestDirType(&this->Specifier<TpsProgramFiles>());
  Root->SetDestDir("\\Widget\\");
  SetString(rkLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
            "E:\\Apps");
  EXPECT_EQ(Specifier<TpsInstallSource>().GetPath(Obj), "E:\\Setup");
  EXPECT_EQ(Specifier<TpsMainInstall>().GetPath(Obj), "E:\\Apps\\Widget");
  EXPECT_EQ(MessageOf([&] { Specifier<TpsMainInstall>().GetPath(Root); }),
            "Cannot use the ddMainInstallDir path specifier for a TInstall component");
}

TEST_F(InstallLocations, MainArchiveFile_FindsTheFirstVolume) {
  auto& Specifier = this->Specifier<TpsMainArchiveFile>();
  auto* Root = new TRootProbe(Form.get());
  EXPECT_EQ(Specifier.GetPath(Root), "E:\\Setup\\files.1");
  Specifier.SetArchiveDirectory("A:\\");
  EXPECT_EQ(Specifier.GetPath(Root), "A:\\files.1");
  Specifier.SetArchiveDirectory(" ");
  EXPECT_EQ(Specifier.GetPath(Root), "E:\\Setup\\files.1") << "a blank directory is none";

  // Started by the self-extracting file: that file is the archive.
  Root->Extracting = true;
  Root->ExtractName = "Setup.exe";
  Specifier.SetArchiveDirectory("A:\\");
  EXPECT_EQ(Specifier.GetPath(Root), "E:\\Setup\\Setup.exe");
  Root->ExtractName = "  ";
  try {
    Specifier.GetPath(Root);
    ADD_FAILURE() << "no error";
  } catch (const IEInstall& E) {
    EXPECT_EQ(E.Message(), "You forgot to pass in the name of the self-extracting executable. "
                           "Usage example: \"-eSetup.exe\"");
  }
}

TEST_F(InstallLocations, FindByClass_FailsOnAnEmptyList) {
  Form->DestroyComponents();
  EXPECT_EQ(MessageOf([&] {
              Context.StandardPathSpecifiers.FindByClass(TpsMainArchiveFile::StaticClass());
            }),
            "Could not find the path specifier");
}

// ---- Office -----------------------------------------------------------------------------------

class OfficeFolders : public PathsTest {
protected:
  OfficeFolders() {
    SetString(rkLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
              "E:\\Apps");
  }
  // Word of the given class name, its server program present or not.
  void InstallWord(const std::string& ClassName, bool ServerExists) {
    const std::string Server = Files.Scratch + "\\WINWORD.EXE";
    SetString(rkClassesRoot, "Word.Document\\CurVer", "", ClassName);
    SetString(rkClassesRoot, ClassName + "\\protocol\\StdFileEditing\\server", "", Server);
    if (ServerExists) Platform().Files->Create(Server);
  }
  template <class T> std::string PathOf() { return Specifier<T>().GetPath(nullptr); }
};

TEST_F(OfficeFolders, WithoutWord_TakeTheDefaults) {
  EXPECT_EQ(OfficeVersion(Platform()), -1);
  EXPECT_EQ(PathOf<TpsOfficeClipartDirectory>(), "E:\\Apps\\Microsoft Office\\Clipart");
  EXPECT_EQ(PathOf<TpsOfficeStartupDirectory>(), "E:\\Apps\\Microsoft Office\\Office\\Startup");
  EXPECT_EQ(PathOf<TpsOfficeToolsDirectory>(), "E:\\Apps\\Microsoft Office\\Office");
  EXPECT_EQ(PathOf<TpsOfficeUserTemplates>(), "E:\\Apps\\Microsoft Office\\Templates");
  EXPECT_EQ(PathOf<TpsOfficeWorkgroupTemplates>(), "E:\\Apps\\Microsoft Office\\Templates");
  EXPECT_EQ(PathOf<TpsOfficeFavoritesDirectory>(), "C:\\WINNT\\Favorites");
  SetString(rkCurrentUser, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
            "Favorites", "D:\\Favs\\");
  EXPECT_EQ(PathOf<TpsOfficeFavoritesDirectory>(), "D:\\Favs");
}

TEST_F(OfficeFolders, Version_NeedsTwoDotsAndAnExistingServer) {
  InstallWord("Word.Document.8", false);
  EXPECT_EQ(OfficeVersion(Platform()), -1) << "the server program is missing";
  InstallWord("Word.Document.8", true);
  EXPECT_EQ(OfficeVersion(Platform()), 8);
  InstallWord("Word.Document", true);
  EXPECT_EQ(OfficeVersion(Platform()), -1);
  InstallWord("Word.Document.x", true);
  EXPECT_EQ(OfficeVersion(Platform()), -1);
  InstallWord("Word.Document.12", true);
  EXPECT_EQ(OfficeVersion(Platform()), 12);
}

TEST_F(OfficeFolders, KnownVersions_ReadTheirKeys) {
  EXPECT_EQ(OfficeTemplateKey(8, "LocalTemplates"),
            "\\Software\\Microsoft\\Office\\8.0\\Common\\FileNew\\LocalTemplates");
  EXPECT_EQ(OfficeWordOptionsKey(12),
            "\\Software\\Policies\\Microsoft\\Office\\12.0\\Word\\Options");
  EXPECT_EQ(OfficeWordOptionsKey(6), "");
  EXPECT_EQ(OfficeWordOptionsKey(20), "");

  InstallWord("Word.Document.8", true);
  SetString(rkCurrentUser, "Software\\Microsoft\\Office\\8.0\\Word\\Options", "PICTURE-PATH",
            "G:\\Art\\");
  SetString(rkCurrentUser, "Software\\Microsoft\\Office\\8.0\\Common\\FileNew\\LocalTemplates", "",
            "G:\\Mine");
  EXPECT_EQ(PathOf<TpsOfficeClipartDirectory>(), "G:\\Art");
  EXPECT_EQ(PathOf<TpsOfficeToolsDirectory>(), "E:\\Apps\\Microsoft Office\\Office");
  EXPECT_EQ(PathOf<TpsOfficeUserTemplates>(), "G:\\Mine");
  EXPECT_EQ(PathOf<TpsOfficeWorkgroupTemplates>(), "G:\\Mine") << "the user templates by default";
  SetString(rkCurrentUser, "Software\\Microsoft\\Office\\8.0\\Common\\FileNew\\SharedTemplates", "",
            "\\\\server\\templates\\");
  EXPECT_EQ(PathOf<TpsOfficeWorkgroupTemplates>(), "\\\\server\\templates");

  // Office 2007 keeps them under the policies.
  InstallWord("Word.Document.12", true);
  EXPECT_EQ(PathOf<TpsOfficeClipartDirectory>(), "E:\\Apps\\Microsoft Office\\Clipart");
  SetString(rkCurrentUser, "Software\\Policies\\Microsoft\\Office\\12.0\\Word\\Options",
            "PICTURE-PATH", "G:\\Art12");
  EXPECT_EQ(PathOf<TpsOfficeClipartDirectory>(), "G:\\Art12");
}

// ---- The machine the tests run on ------------------------------------------------------------

// The real registry and shell under Windows; the simulated Windows 7 natively.
class ThisMachineSpecifiers : public ::testing::Test {
protected:
  ThisMachineSpecifiers() {
    Context.AttachPlatform(&P);
    RegisterPathClasses();
    SetupPathSpecifiers(Context);
    CreateStandardSpecifiers(Form.get(), false, Context);
  }
  template <class T> std::string PathOf() {
    return Context.StandardPathSpecifiers.FindByClass(T::StaticClass())->GetPath(nullptr);
  }
  std::string ShellPath(int Csidl) { return RemoveBackslash(P.Shell->SpecialFolderPath(Csidl)); }

  platform::TPlatform P = platform::CreateDefaultPlatform();
  TModelContext Context;
  TModelContextScope Scope{Context};
  std::unique_ptr<TComponent> Form = std::make_unique<TComponent>(nullptr);
};

TEST_F(ThisMachineSpecifiers, CurrentWindows_ServesTheAllUsersFolders) {
  ASSERT_TRUE(osNTFamily.Contains(Context.OSVersion()));
  EXPECT_EQ(PathOf<TpsCommonStartup>(), ShellPath(platform::csidlCommonStartup));
  EXPECT_FALSE(PathOf<TpsCommonStartup>().empty());
  EXPECT_EQ(PathOf<TpsCommonPrograms>(), ShellPath(platform::csidlCommonPrograms));
  EXPECT_EQ(PathOf<TpsCommonDesktopDirectory>(), ShellPath(platform::csidlCommonDesktopDirectory));
  EXPECT_EQ(PathOf<TpsStartup>(), ShellPath(platform::csidlStartup));
  EXPECT_EQ(PathOf<TpsBitBucket>(), "") << "no file-system path";
  EXPECT_EQ(PathOf<TpsQuickLaunchMenu>(),
            ShellPath(platform::csidlAppData) + "\\Microsoft\\Internet Explorer\\Quick Launch");
  EXPECT_EQ(PathOf<TpsSystem>(), RemoveBackslash(P.System->SystemDirectory()));
}

} // namespace
} // namespace quendel::test
