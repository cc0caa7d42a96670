// Link groups and shortcuts driven through their install phases on the
// build's machine: what they create, what the shell and the project's reader
// read back, what the uninstall log records, and how they refuse bad input.

#include "links/links_test_support.h"

#include "core/strings.h"
#include "paths/expand_paths.h"
#include "paths/standard_paths.h"
#include "platform/shell_link_format.h"
#include "support/fake_system.h"
#include "system/registry_routines.h"

namespace quendel::test {
namespace {

using Shortcuts = LinksTest;

// The link as the platform's shell loads it and as the project's reader
// reads it; both must agree.
platform::TShellLink ReadBoth(platform::TPlatform& P, const std::string& File) {
  const platform::TShellLink Shell = P.Links->LoadShellLink(File);
  const platform::TShellLink Own = platform::ReadShellLinkFile(*P.Files, File);
  EXPECT_EQ(Shell.Path, Own.Path) << File;
  EXPECT_EQ(Shell.Arguments, Own.Arguments) << File;
  EXPECT_EQ(Shell.WorkingDirectory, Own.WorkingDirectory) << File;
  EXPECT_EQ(Shell.IconPath, Own.IconPath) << File;
  EXPECT_EQ(Shell.IconIndex, Own.IconIndex) << File;
  EXPECT_EQ(Shell.HotKey, Own.HotKey) << File;
  return Own;
}

TEST_F(Shortcuts, Run_MakesTheProgramFolderItsLinksAndTheirLog) {
  Root->ProductName += " 100% Tools";
  TPlacedFile* Program = MakeFile("IFWidget_exe", "Widget.exe");
  auto* Uninstaller = Make<TPlacedUninstaller>("Uninstaller");
  Uninstaller->SetFileName("uninstall.exe");
  Uninstaller->SetContainer(AppDir);
  Uninstaller->SetDestDirType(nullptr);
  Uninstaller->SetDestDir(PathOf("App\\Uninstall"));
  Uninstaller->SetDestName("uninstall.exe");
  TPlacedFile* Excluded = MakeFile("IFExtra_exe", "Extra.exe");
  Excluded->SetInclude(false);
  auto* Docs = Make<TPlacedDirectory>("Docs");
  Docs->SetContainer(Root);
  Docs->SetDestDirType(nullptr);
  Docs->SetDestDir(PathOf("App\\Docs"));
  Docs->SetDescription("Documentation");

  auto* Main = Make<TMainLinkGroup>("MainGroup");
  Main->SetContainer(Root);
  Main->SetDestDir("\\" + Root->ProductName);
  auto* Sub = Make<TSubLinkGroup>("SubGroup");
  Sub->SetDestDir("\\Tools");

  auto* ToProgram = Make<TInstallSubLink>("ProgramLink");
  ToProgram->SetObjectLink(Program);
  ToProgram->SetParameters("-startup");
  auto* ToUninstaller = Make<TInstallSubLink>("UninstallLink");
  ToUninstaller->SetObjectLink(Uninstaller);
  ToUninstaller->SetLinkName("Uninstall.LNK");
  auto* ToDocs = Make<TInstallSubLink>("DocsLink");
  ToDocs->SetObjectLink(Docs);
  auto* ToExcluded = Make<TInstallSubLink>("ExtraLink");
  ToExcluded->SetObjectLink(Excluded);
  auto* Home = Make<TInstallSubLink>("HomeLink");
  Home->SetObjectLocation("http://www.example.com:8080/");

  auto* Desktop = Make<TInstallShellLink>("DesktopLink");
  Desktop->SetDestDir(PathOf("Desktop"));
  Desktop->SetObjectLink(Program);
  Desktop->SetContainer(Root); // the desktop link is not inside the program
  Desktop->SetDestDirType(nullptr);
  Desktop->SetDestDir(PathOf("Desktop"));
  Desktop->SetHotKey(static_cast<std::uint16_t>(platform::hotkeyControl | platform::hotkeyAlt | 'W'));
  Desktop->SetIconFilePath(PathOf("App\\Widget.exe"));
  Desktop->SetIconIndex(1);
  Desktop->SetWorkingDir(PathOf("Work"));
  Desktop->SetParameters("%%i=%i");
  Desktop->SetMethod(mtShellLinkInterface);

  Run();

  platform::TPlatform& P = Platform();
  const std::string Folder = AddBackslash(ProgramsMenuDir(P)) + Root->ProductName + "\\Tools";
  ASSERT_TRUE(P.Files->DirectoryExists(Folder)) << Folder;
  EXPECT_EQ(ToProgram->LinkFilePath(), Folder + "\\Widget.lnk");

  const platform::TShellLink ProgramLink = ReadBoth(P, Folder + "\\Widget.lnk");
  EXPECT_EQ(ProgramLink.Path, PathOf("App\\Widget.exe"));
  EXPECT_EQ(ProgramLink.Arguments, "-startup");
  EXPECT_EQ(ProgramLink.WorkingDirectory, PathOf("App")) << "the target's own directory";
  EXPECT_EQ(ProgramLink.IconPath, "");

  const platform::TShellLink UninstallLink = ReadBoth(P, Folder + "\\Uninstall.LNK");
  EXPECT_EQ(UninstallLink.Path, PathOf("App\\Uninstall\\uninstall.exe"));
  EXPECT_EQ(UninstallLink.Arguments, Root->ProductName) << "the % must survive expansion";

  EXPECT_EQ(ReadBoth(P, Folder + "\\Documentation.lnk").Path, PathOf("App\\Docs"));
  EXPECT_FALSE(P.Files->FileExists(Folder + "\\Extra.lnk"));

  EXPECT_EQ(Home->LinkName(), "www.example.com_8080_.URL");
  EXPECT_EQ(P.Links->ReadInternetShortcut(Folder + "\\www.example.com_8080_.URL"),
            "http://www.example.com:8080/");

  const platform::TShellLink DesktopLink = ReadBoth(P, PathOf("Desktop\\Widget.lnk"));
  EXPECT_EQ(DesktopLink.Path, PathOf("App\\Widget.exe"));
  EXPECT_EQ(DesktopLink.WorkingDirectory, PathOf("Work"));
  EXPECT_EQ(DesktopLink.IconPath, PathOf("App\\Widget.exe"));
  EXPECT_EQ(DesktopLink.IconIndex, 1);
  EXPECT_EQ(DesktopLink.HotKey, platform::hotkeyControl | platform::hotkeyAlt | 'W');
  EXPECT_EQ(DesktopLink.Arguments, "%i=" + RemoveBackslash(Root->GetFullDestDir()));

  // One log entry per shortcut, in phase order, the excluded one included.
  EXPECT_EQ(LogValue("Files", "Entries"), "6");
  EXPECT_EQ(LogValue("Files", "File1"), Folder + "\\Widget.lnk");
  EXPECT_EQ(LogValue("Files", "File2"), Folder + "\\Uninstall.LNK");
  EXPECT_EQ(LogValue("Files", "File3"), Folder + "\\Documentation.lnk");
  EXPECT_EQ(LogValue("Files", "File4"), Folder + "\\Extra.lnk");
  EXPECT_EQ(LogValue("Files", "File5"), Folder + "\\www.example.com_8080_.URL");
  EXPECT_EQ(LogValue("Files", "File6"), PathOf("Desktop\\Widget.lnk"));
}

TEST_F(Shortcuts, Run_ALinkLoadedWithOnlyItsObjectPointsAtThatObject) {
  TPlacedFile* Program = MakeFile("IFWidget_exe", "Widget.exe");
  auto* Link = Make<TInstallShellLink>("WidgetLink");
  Link->SetContainer(Root);
  Link->SetDestDirType(nullptr);
  Link->SetDestDir(PathOf("Links"));
  Link->SetLinkName("Widget.lnk");
  // As a definition reads it: the object is named, no location type is stored.
  Link->SetLoading();
  Link->SetObjectLink(Program);
  Link->Loaded();
  ASSERT_EQ(Link->ObjectLocationType(), nullptr);

  Run();

  EXPECT_EQ(ReadBoth(Platform(), PathOf("Links\\Widget.lnk")).Path, PathOf("App\\Widget.exe"));
}

TEST_F(Shortcuts, Log_SkipsAnUnusableSubkeyAndAppendsOnAReRun) {
  auto* Link = Make<TInstallShellLink>("Readme");
  Link->SetDestDir(PathOf("Links"));
  Link->SetObjectLocation(PathOf("readme.txt"));
  Link->SetMethod(mtShellLinkInterface);
  EXPECT_EQ(Link->LinkName(), "readme.LNK");
  WriteRegString(*Platform().Registry, rkiLocalMachine, ProductKey() + "\\Files", "Entries",
                 "many");
  RunPhase(ikShellLink);
  RunPhase(ikShellLink);
  EXPECT_EQ(LogValue("Files", "File1"), "<missing>");
  EXPECT_EQ(LogValue("Files1", "Entries"), "2");
  EXPECT_EQ(LogValue("Files1", "File2"), PathOf("Links\\readme.LNK"));
}

TEST_F(Shortcuts, Create_EnforcesOneMainGroupAndTheContainers) {
  auto Message = [](auto&& Statement) {
    try {
      Statement();
    } catch (const Exception& E) {
      return E.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(Message([&] { Make<TSubLinkGroup>("Early"); }),
            "To create a TInstallMainLink you must first have a TMainLinkGroup component in your "
            "project");
  EXPECT_EQ(Message([&] { Make<TInstallSubLink>("EarlyLink"); }),
            "To create a TInstallSubLink you must first have at least one TSubLinkGroup component "
            "in your project");
  EXPECT_TRUE(LinksContext.ShellLinks.Items().empty()) << "a refused object leaves no entry";
  auto* Main = Make<TMainLinkGroup>("Main");
  EXPECT_EQ(Main->DestDir(), "\\" + Root->ProductName);
  EXPECT_EQ(Message([&] { Make<TMainLinkGroup>("Second"); }),
            "You can only have one TMainLinkGroup component in your project");
  auto* Sub = Make<TSubLinkGroup>("Sub");
  EXPECT_EQ(Sub->Container(), Main);
  EXPECT_EQ(Sub->DestDir(), "\\ASubGroup");
  EXPECT_EQ(Message([&] { Sub->SetContainer(Root); }),
            "The TMainLinkGroup component must be the Container for TInstallMainLink and "
            "TSubLinkGroup components");
  auto* Link = Make<TInstallSubLink>("Link");
  EXPECT_EQ(Link->Container(), Sub);
  EXPECT_EQ(Message([&] { Link->SetContainer(Main); }),
            "A TSubLinkGroup component must be the Container for TInstallSubLink components");
  EXPECT_EQ(LinksContext.SubLinkGroups.Count(), 1);
  EXPECT_EQ(LinksContext.ShellLinks.Count(), 1);

  // Setting DestDirType changes nothing: the main group stays below the
  // Programs menu and the sub group inside its container.
  Main->SetDestDirType(nullptr);
  Sub->SetDestDirType(nullptr);
  EXPECT_EQ(Main->FolderPath(), AddBackslash(ProgramsMenuDir(Platform())) + Root->ProductName);
  EXPECT_EQ(Sub->FolderPath(), Main->FolderPath() + "\\ASubGroup");

  // A group goes with its container, a shortcut with its group.
  Main->Free();
  EXPECT_EQ(LinksContext.MainLinkGroup, nullptr);
  EXPECT_EQ(LinksContext.SubLinkGroups.Count(), 0);
  EXPECT_EQ(LinksContext.ShellLinks.Count(), 0);
}

TEST_F(Shortcuts, Setters_DeriveNamesAndLocations) {
  auto* Link = Make<TInstallShellLink>("L");
  Link->SetLinkName("a\"b*c/d<e>f?g|h:i.lnk");
  EXPECT_EQ(Link->LinkName(), "a_b_c_d_e_f_g_h_i.lnk");
  Link->SetLinkName("Tool.exe");
  EXPECT_EQ(Link->LinkName(), "Tool.lnk") << "the previous extension replaces a foreign one";
  Link->SetLinkName("Site.url");
  Link->SetLinkName("Other");
  EXPECT_EQ(Link->LinkName(), "Other.url");

  auto* FromPath = Make<TInstallShellLink>("P");
  FromPath->SetObjectLocation("C:\\Tools\\Edit.exe");
  EXPECT_EQ(FromPath->LinkName(), "Edit.LNK");
  FromPath->SetObjectLocation("C:\\Tools\\Edit.exe\\");
  EXPECT_EQ(FromPath->TargetPath(), "C:\\Tools\\Edit.exe");
  auto* FromFtp = Make<TInstallShellLink>("F");
  FromFtp->SetObjectLocation("ftp://ftp.example.com/pub");
  EXPECT_EQ(FromFtp->LinkName(), "ftp.example.com_pub.URL");

  // An object link names the link, takes the object-link specifier and
  // clears the location; a later .URL name drops the object link again.
  TPlacedFile* File = MakeFile("IFEdit_exe", "Edit.exe");
  auto* ToFile = Make<TInstallShellLink>("T");
  ToFile->SetObjectLocation("C:\\elsewhere.exe");
  ToFile->SetObjectLink(File);
  EXPECT_EQ(ToFile->LinkName(), "Edit.lnk");
  EXPECT_EQ(ToFile->ObjectLocation(), "");
  ASSERT_NE(ToFile->ObjectLocationType(), nullptr);
  EXPECT_EQ(ToFile->ObjectLocationType()->Name(), "psObjectLink");
  EXPECT_EQ(ToFile->Container(), File) << "a link without container goes into its target";
  EXPECT_EQ(ToFile->TargetPath(), PathOf("App\\Edit.exe"));
  ToFile->SetObjectLocation("ignored");
  EXPECT_EQ(ToFile->ObjectLocation(), "");
  ToFile->SetLinkName("Web.URL");
  EXPECT_EQ(ToFile->ObjectLink(), nullptr);
  EXPECT_EQ(ToFile->ObjectLocationType(), nullptr);

  // The object-link specifier serves shortcuts with a target only.
  TCustomPathSpecifier& Specifier = ToFile->ObjectLinkSpecifier();
  EXPECT_THROW(Specifier.Validate(File), IEPathSpecifier);
  EXPECT_THROW(Specifier.Validate(ToFile), IEPathSpecifier);
}

TEST_F(Shortcuts, Destroy_ALinkWhoseTargetGoesGoesWithIt) {
  TPlacedFile* File = MakeFile("IFGone_exe", "Gone.exe");
  auto* Link = Make<TInstallShellLink>("ToGone");
  Link->SetContainer(Root);
  Link->SetObjectLink(File);
  ASSERT_EQ(LinksContext.ShellLinks.Count(), 1);
  File->Free();
  EXPECT_EQ(LinksContext.ShellLinks.Count(), 0);
  EXPECT_EQ(Form->FindComponent("ToGone"), nullptr);
}

TEST_F(Shortcuts, DoInstall_RefusesBadNamesPathsAndFolders) {
  auto* Blank = Make<TInstallShellLink>("Blank");
  Blank->SetDestDir(PathOf("Links"));
  Blank->SetObjectLocation(PathOf("x.exe"));
  Blank->SetLinkName("  ");
  try {
    Blank->Process();
    ADD_FAILURE() << "a blank link name was accepted";
  } catch (const IEInstallShellLink& E) {
    EXPECT_EQ(E.Message(), "The LinkName is blank for Blank and therefore could not be installed");
  }
  Blank->Free();

  // Too long for Windows: refused, not cut.
  auto* Long = Make<TInstallShellLink>("Long");
  Long->SetDestDir(PathOf(std::string(120, 'd')));
  Long->SetObjectLocation(PathOf("x.exe"));
  Long->SetLinkName(std::string(150, 'n') + ".lnk");
  EXPECT_THROW(Long->Process(), IEInstallShellLink);
  EXPECT_FALSE(Platform().Files->DirectoryExists(PathOf(std::string(120, 'd'))));
  Long->Free();

  // A folder the system lacks is an error, not the current directory.
  auto* Missing = new TCustomPathSpecifier(Form.get());
  Missing->OnGetPath = [](TComponent*, std::string& Path) { Path = "undefined"; };
  auto* Nowhere = Make<TInstallShellLink>("Nowhere");
  Nowhere->SetDestDirType(Missing);
  Nowhere->SetObjectLocation(PathOf("x.exe"));
  EXPECT_THROW(Nowhere->Process(), IEInstallShellLink);
  Missing->OnGetPath = [](TComponent*, std::string& Path) { Path = ""; };
  Nowhere->SetDestDir("Links");
  EXPECT_THROW(Nowhere->Process(), IEInstallShellLink);
}

TEST_F(Shortcuts, Method_ChoosesByTheSystem) {
  TPlacedFile* File = MakeFile("IFData_txt", "Data.txt");
  Root->Process();
  auto* Hard = Make<TInstallShellLink>("Hard");
  Hard->SetContainer(Root);
  Hard->SetObjectLink(File);
  Hard->SetDestDirType(nullptr);
  Hard->SetDestDir(PathOf("Links"));
  Hard->SetLinkName("Data.lnk");
  Hard->SetHardLink(true);
  // Both builds report a Windows of the NT family after XP: a hard link.
  Hard->Process();
  auto LinkText = [&] {
    const auto Link = Platform().Files->OpenRead(PathOf("Links\\Data.lnk"));
    std::string Text(static_cast<std::size_t>(Link->Size()), '\0');
    Link->ReadExact(Text.data(), Text.size());
    return Text;
  };
  EXPECT_EQ(LinkText(), "MZ") << "a second name of the target, not a shell link";
  // Installed again over a replaced target: the link names the new file.
  Platform().Files->RemoveFile(PathOf("App\\Data.txt"));
  WriteFileText(PathOf("App\\Data.txt"), "new");
  Hard->Process();
  EXPECT_EQ(LinkText(), "new") << "the link of the earlier run is replaced";

  // Windows NT 3.51 knows no shell links: detecting makes none (the log still
  // lists it, as for a target that was not installed); the shell's interface,
  // asked for by name, makes one.
  auto OldNT = std::make_unique<TFakeSystem>();
  OldNT->Record = {3, 51, 1057, platform::verPlatformWin32NT, ""};
  Platform().System = std::move(OldNT);
  auto LinkTo = [&](const std::string& Name, TMethodType Method) {
    auto* Link = Make<TInstallShellLink>(Name);
    Link->SetContainer(Root);
    Link->SetObjectLink(File);
    Link->SetDestDirType(nullptr);
    Link->SetDestDir(PathOf("Links"));
    Link->SetLinkName(Name + ".lnk");
    Link->SetMethod(Method);
    Link->SetOS(OSSet{oswinNT351}); // an object is meant for NT 3.51 only when it says so
    Link->Process();
  };
  LinkTo("Detected", mtAutoDetect);
  LinkTo("Asked", mtShellLinkInterface);
  EXPECT_FALSE(Platform().Files->FileExists(PathOf("Links\\Detected.lnk")));
  EXPECT_EQ(ReadBoth(Platform(), PathOf("Links\\Asked.lnk")).Path, PathOf("App\\Data.txt"));
  EXPECT_EQ(LogValue("Files", "File3"), PathOf("Links\\Detected.lnk"));
  EXPECT_EQ(LogValue("Files", "File4"), PathOf("Links\\Asked.lnk"));
}

} // namespace
} // namespace quendel::test
