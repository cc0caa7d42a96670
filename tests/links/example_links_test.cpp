// The links example (examples/links) installed in one process on the
// simulated machine, as its setup program runs it unattended: every shortcut
// the definition describes, as the native adapter writes it, read back by the
// project's reader; then what the uninstaller does with them.
//
// With QUENDEL_EXPORT_LINKS naming a host directory, the test also copies the
// link files it made there, keeping their folders, so that the Wine
// end-to-end test can load these natively written files with the shell.

#include "engine/exit_codes.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"

#include "core/strings.h"
#include "paths/expand_paths.h"
#include "platform/links.h"
#include "platform/shell_link_format.h"
#include "support/example_product.h"
#include "uninstall/uninstall_log.h"
#include "uninstall/uninstall_plan.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;
using platform::rkLocalMachine;

const char* const kKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Links 100% Example";
const char* const kProduct = "C:\\Program Files\\Links Example";

class LinksExample : public test::TExampleProductTest {
protected:
  LinksExample()
      : TExampleProductTest("quendel_links_", "links",
                            {"uninstall.exe", "payload\\viewer.cmd", "payload\\extras.txt",
                             "payload\\Docs\\guide.txt"},
                            "payload") {}

  int Install(const std::string& Extra = "") {
    platform::TPlatform P = Machine();
    int Code;
    {
      std::vector<std::string> Args = {"-sC:\\src", "*q", "*l" + (FDir / "setup.log").string()};
      if (!Extra.empty()) Args.push_back(Extra);
      TSetupRuntime Runtime(std::move(P), "C:\\src\\setup.exe", Args);
      Code = RunSetupProgram(Runtime.App(), FDefinition, nullptr);
      Save(Runtime.Platform());
    }
    return Code;
  }

  // The copy for the Wine test: the part of Path below the C: drive.
  void Export(const std::string& Path) {
    const char* To = std::getenv("QUENDEL_EXPORT_LINKS");
    if (!To || !*To) return;
    const fs::path Target = fs::path(To) / Host(Path).lexically_relative(FDir);
    fs::create_directories(Target.parent_path());
    fs::copy_file(Host(Path), Target, fs::copy_options::overwrite_existing);
  }
};

TEST_F(LinksExample, InstallWritesEveryLinkAndTheUninstallRemovesThem) {
  // Installed twice: the second run replaces what the first made.
  ASSERT_EQ(Install(), ecGoodInstall) << test::ReadHostText(FDir / "setup.log");
  ASSERT_EQ(Install(), ecGoodInstall) << test::ReadHostText(FDir / "setup.log");
  platform::TPlatform M = Machine();
  const std::string Product = kProduct;
  const std::string Programs = ProgramsMenuDir(M) + "\\Links Example";
  const std::string Desktop = DesktopDir(M) + "\\Links Viewer.lnk";

  struct TExpected {
    std::string File, Target, Arguments, WorkingDirectory, IconPath;
    int IconIndex;
    std::uint16_t HotKey;
  };
  const TExpected Expected[] = {
      {Programs + "\\Tools\\Viewer.lnk", Product + "\\viewer.cmd", "-startup", Product, "", 0, 0},
      // The product name reaches the uninstaller whole, its "%" included.
      {Programs + "\\Tools\\Uninstall.lnk", Product + "\\Uninstall\\uninstall.exe",
       "Links 100% Example", Product + "\\Uninstall", "", 0, 0},
      {Programs + "\\Help\\Documentation.lnk", Product + "\\Docs", "", Product, "", 0, 0},
      {Desktop, Product + "\\viewer.cmd", "/data \"" + Product + "\\Data\"", "C:\\WINDOWS\\Temp",
       "C:\\WINDOWS\\system32\\shell32.dll", 3,
       static_cast<std::uint16_t>(platform::hotkeyControl | platform::hotkeyAlt | 'L')},
  };
  for (const TExpected& E : Expected) {
    ASSERT_TRUE(M.Files->FileExists(E.File)) << E.File;
    const platform::TShellLink L = platform::ReadShellLinkFile(*M.Files, E.File);
    EXPECT_EQ(L.Path, E.Target) << E.File;
    EXPECT_EQ(L.Arguments, E.Arguments) << E.File;
    EXPECT_EQ(L.WorkingDirectory, E.WorkingDirectory) << E.File;
    EXPECT_EQ(L.IconPath, E.IconPath) << E.File;
    EXPECT_EQ(L.IconIndex, E.IconIndex) << E.File;
    EXPECT_EQ(L.HotKey, E.HotKey) << E.File;
    Export(E.File);
  }
  const std::string Home = Programs + "\\Help\\Home Page.URL";
  EXPECT_EQ(M.Links->ReadInternetShortcut(Home), "http://www.example.com:8080/links/");
  Export(Home);

  // The hard link is a second name of the installed guide.
  const std::string Guide = Programs + "\\Guide.lnk";
  ASSERT_TRUE(M.Files->FileExists(Guide));
  EXPECT_TRUE(fs::equivalent(Host(Guide), Host(Product + "\\Docs\\guide.txt")));

  // The excluded file is not there and neither is its shortcut, which the
  // log lists all the same.
  const std::string Extras = Programs + "\\Extras\\Extras.lnk";
  EXPECT_FALSE(M.Files->FileExists(Product + "\\extras.txt"));
  EXPECT_FALSE(M.Files->FileExists(Extras));
  EXPECT_TRUE(M.Files->DirectoryExists(ExtractFileDir(Extras))) << "its group's folder is made";
  const TUninstallLog Log = ReadUninstallLog(*M.Registry, kKey);
  EXPECT_NE(std::find(Log.Files.begin(), Log.Files.end(), Extras), Log.Files.end());

  // The uninstall as Windows starts it from "UninstallString".
  const std::string Command = M.Registry->OpenKey(rkLocalMachine, kKey, platform::TRegAccess::Read)
                                  ->ReadString("UninstallString");
  const std::string Exe = Command.substr(1, Command.find('"', 1) - 1);
  const TUninstallArguments Args =
      ParseUninstallArguments(Command.substr(Command.find('"', 1) + 1));
  ASSERT_EQ(Args.ProductName, "Links 100% Example");
  const TUninstallPlan Plan =
      PlanUninstall(M, FindProductKey(*M.Registry, Args.ProductName), ProductRoots(M, Exe));
  for (const TRefusedEntry& R : Plan.Refused)
    ADD_FAILURE() << R.Entry << ": " << R.Reason;
  EXPECT_EQ(
      ExecuteUninstall(M, Plan, [](const std::string&, int) { return std::string(); }).Failures, 0);
  for (const TExpected& E : Expected)
    EXPECT_FALSE(M.Files->FileExists(E.File)) << E.File;
  EXPECT_FALSE(M.Files->FileExists(Home));
  EXPECT_FALSE(M.Files->FileExists(Guide));
  EXPECT_FALSE(M.Files->DirectoryExists(Programs));
  EXPECT_TRUE(M.Files->DirectoryExists(DesktopDir(M))) << "the desktop itself stays";
}

// A destination chosen for the run: the shortcuts follow the product there.
TEST_F(LinksExample, LinksPointIntoTheChosenDirectory) {
  const std::string Chosen = "C:\\Chosen Place";
  ASSERT_EQ(Install("*i" + Chosen), ecGoodInstall) << test::ReadHostText(FDir / "setup.log");
  platform::TPlatform M = Machine();
  const std::string Programs = ProgramsMenuDir(M) + "\\Links Example";
  const platform::TShellLink Viewer =
      platform::ReadShellLinkFile(*M.Files, Programs + "\\Tools\\Viewer.lnk");
  EXPECT_EQ(Viewer.Path, Chosen + "\\viewer.cmd");
  EXPECT_EQ(Viewer.WorkingDirectory, Chosen);
  EXPECT_EQ(platform::ReadShellLinkFile(*M.Files, Programs + "\\Tools\\Uninstall.lnk").Path,
            Chosen + "\\Uninstall\\uninstall.exe");
  EXPECT_EQ(platform::ReadShellLinkFile(*M.Files, Programs + "\\Help\\Documentation.lnk").Path,
            Chosen + "\\Docs");
  const platform::TShellLink Desktop =
      platform::ReadShellLinkFile(*M.Files, DesktopDir(M) + "\\Links Viewer.lnk");
  EXPECT_EQ(Desktop.Path, Chosen + "\\viewer.cmd");
  EXPECT_EQ(Desktop.Arguments, "/data \"" + Chosen + "\\Data\"");
  EXPECT_TRUE(fs::equivalent(Host(Programs + "\\Guide.lnk"), Host(Chosen + "\\Docs\\guide.txt")));
}

} // namespace
} // namespace quendel
