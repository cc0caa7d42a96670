#include "uninstall/uninstall_plan.h"

#include "core/strings.h"
#include "system/registry_routines.h"
#include "uninstall/fixture.h"
#include "uninstall/uninstall_log.h"

#include <gmock/gmock.h>

#include <algorithm>

namespace quendel {
namespace {

using platform::rkLocalMachine;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::string Product = "C:\\Program Files (x86)\\My product";
const std::string Uninstaller = Product + "\\Uninstall\\uninstall.exe";
const std::string Folder =
    "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\My product";
const std::string System = "C:\\WINDOWS\\system32";
const std::string SharedKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// An installed product as the setup program leaves it: files, a shortcut,
// a self-registered server, a help file, shared libraries, its key and log.
class UninstallPlan : public testing::UninstallMachine {
protected:
  void SetUp() override {
    Key = ProductKeyPath("My product");
    TUninstallValues V;
    V.DisplayName = "My product";
    V.UninstallString = UninstallCommand(Uninstaller, "My product");
    WriteUninstallValues(*P.Registry, Key, V);
    Put(Uninstaller);
    for (const std::string F : {"\\app.exe", "\\app.hlp", "\\data\\a.txt", "\\data\\deep\\b.txt"}) {
      Put(Product + F);
      AppendUninstallLogEntry(*P.Registry, Key, Product + F);
    }
    Put(Product + "\\server.ocx");
    AppendActiveXLogEntry(*P.Registry, Key, Product + "\\server.ocx", axLibrary);
    WriteRegString(*P.Registry, rkiLocalMachine, "\\SOFTWARE\\Microsoft\\Windows\\Help", "APP.HLP",
                   Product);
    // Shared libraries: one still used by another product, one not.
    for (const std::string F : {"\\shared.dll", "\\lastuser.dll", "\\uncounted.dll"}) {
      Put(System + F);
      AppendUninstallLogEntry(*P.Registry, Key, System + F);
    }
    WriteRegInteger(*P.Registry, rkiLocalMachine, SharedKey, System + "\\shared.dll", 2);
    WriteRegInteger(*P.Registry, rkiLocalMachine, SharedKey, System + "\\lastuser.dll", 1);
    Put(Folder + "\\My app.lnk");
    AppendUninstallLogEntry(*P.Registry, Key, Folder + "\\My app.lnk");
    // Entries no uninstaller may follow.
    for (const std::string& Bad : std::vector<std::string>{"app.exe", "C:\\Users\\user\\Documents\\thesis.doc",
                                  Product + "\\..\\..\\Windows\\win.ini", "\\\\server\\share\\x",
                                  "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start "
                                  "Menu\\Programs\\notashortcut.exe"})
      AppendUninstallLogEntry(*P.Registry, Key, Bad);
    Put("C:\\Users\\user\\Documents\\thesis.doc");
    // Something the user made in the product's directory.
    Put(Product + "\\data\\mine.txt");
  }

  std::vector<std::string> PathsOf(const TUninstallPlan& Plan, TUninstallStep Step) {
    std::vector<std::string> Out;
    for (const auto& A : Plan.Actions)
      if (A.Step == Step) Out.push_back(A.Path);
    return Out;
  }

  std::string Key;
};

TEST_F(UninstallPlan, Plan_RefusesWhatLiesOutsideAndKeepsWhatOthersUse) {
  const auto Roots = ProductRoots(P, Uninstaller);
  ASSERT_THAT(Roots.ProductDirs, ElementsAre(Product));
  const TUninstallPlan Plan = PlanUninstall(P, FindProductKey(*P.Registry, "My product"), Roots);
  EXPECT_EQ(Plan.DisplayName, "My product");
  std::vector<std::string> Refused;
  for (const auto& R : Plan.Refused) Refused.push_back(R.Entry);
  EXPECT_THAT(Refused, ::testing::UnorderedElementsAre(
                           "app.exe", "C:\\Users\\user\\Documents\\thesis.doc",
                           Product + "\\..\\..\\Windows\\win.ini", "\\\\server\\share\\x",
                           ::testing::EndsWith("notashortcut.exe"), System + "\\uncounted.dll"));
  EXPECT_THAT(Plan.Kept, ElementsAre(System + "\\shared.dll"));

  // Servers first, then files and shortcuts (newest first), the directories
  // deepest first, the key last.
  ASSERT_FALSE(Plan.Actions.empty());
  EXPECT_EQ(Plan.Actions.front(),
            (TUninstallAction{TUninstallStep::UnregisterServer, Product + "\\server.ocx", 0}));
  EXPECT_EQ(Plan.Actions.back().Step, TUninstallStep::DeleteProductKey);
  EXPECT_THAT(PathsOf(Plan, TUninstallStep::DeleteFile),
              ElementsAre(Folder + "\\My app.lnk", System + "\\lastuser.dll",
                          Product + "\\data\\deep\\b.txt", Product + "\\data\\a.txt",
                          Product + "\\app.hlp", Product + "\\app.exe", Product + "\\server.ocx"));
  EXPECT_THAT(PathsOf(Plan, TUninstallStep::RemoveDirectory),
              ElementsAre(Folder, Product + "\\data\\deep", Product + "\\data", Product));
  EXPECT_THAT(PathsOf(Plan, TUninstallStep::DeleteHelpValue), ElementsAre("APP.HLP"));
  EXPECT_THAT(PathsOf(Plan, TUninstallStep::SetSharedCount), ElementsAre(System + "\\shared.dll"));
}

// Shortcuts a setup put on the Quick Launch bar, into Send To or the
// favorites go too; those folders stay.
TEST_F(UninstallPlan, Plan_RemovesShortcutsFromEveryFolderALinkMayUse) {
  const std::string Roaming = "C:\\Users\\user\\AppData\\Roaming";
  const std::vector<std::string> Links = {
      Roaming + "\\Microsoft\\Internet Explorer\\Quick Launch\\My app.lnk",
      P.Shell->SpecialFolderPath(platform::csidlSendTo) + "\\My app.lnk",
      P.Shell->SpecialFolderPath(platform::csidlFavorites) + "\\My product\\Home Page.URL"};
  for (const std::string& L : Links) {
    Put(L);
    AppendUninstallLogEntry(*P.Registry, Key, L);
  }
  const TUninstallPlan Plan = PlanUninstall(P, Key, ProductRoots(P, Uninstaller));
  const std::vector<std::string> Deleted = PathsOf(Plan, TUninstallStep::DeleteFile);
  for (const std::string& L : Links) {
    EXPECT_NE(std::find(Deleted.begin(), Deleted.end(), L), Deleted.end()) << L;
    for (const auto& R : Plan.Refused) EXPECT_NE(R.Entry, L);
  }
  const std::vector<std::string> Removed = PathsOf(Plan, TUninstallStep::RemoveDirectory);
  EXPECT_NE(std::find(Removed.begin(), Removed.end(), ExtractFileDir(Links[2])), Removed.end());
  for (const std::string& D : Removed) {
    EXPECT_NE(D, ExtractFileDir(Links[0]));
    EXPECT_NE(D, ExtractFileDir(Links[1]));
    EXPECT_FALSE(SameText(D, Roaming)) << D;
  }
}

TEST_F(UninstallPlan, Execute_RemovesWhatWasInstalledAndNothingElse) {
  const auto Roots = ProductRoots(P, Uninstaller);
  const TUninstallPlan Plan = PlanUninstall(P, Key, Roots);
  std::vector<std::string> Unregistered;
  const auto Result = ExecuteUninstall(P, Plan, [&](const std::string& Path, int Kind) {
    Unregistered.push_back(Path + ";" + std::to_string(Kind));
    EXPECT_TRUE(Exists(Path)) << "unregistered before its file goes";
    return std::string();
  });
  EXPECT_EQ(Result.Failures, 0);
  EXPECT_THAT(Unregistered, ElementsAre(Product + "\\server.ocx;0"));
  for (const std::string F : {"\\app.exe", "\\app.hlp", "\\server.ocx", "\\data\\a.txt"})
    EXPECT_FALSE(Exists(Product + F)) << F;
  EXPECT_FALSE(Exists(Product + "\\data\\deep"));
  EXPECT_FALSE(Exists(Folder));
  EXPECT_FALSE(Exists(System + "\\lastuser.dll"));
  // What the user made, what others use and what lies outside stays.
  EXPECT_TRUE(Exists(Product + "\\data\\mine.txt"));
  EXPECT_TRUE(Exists(System + "\\shared.dll"));
  EXPECT_TRUE(Exists(System + "\\uncounted.dll"));
  EXPECT_TRUE(Exists("C:\\Users\\user\\Documents\\thesis.doc"));
  EXPECT_EQ(ReadRegInteger(*P.Registry, rkiLocalMachine, SharedKey, System + "\\shared.dll", -1), 1);
  EXPECT_EQ(ReadRegInteger(*P.Registry, rkiLocalMachine, SharedKey, System + "\\lastuser.dll", -1), -1);
  EXPECT_EQ(ReadRegString(*P.Registry, rkiLocalMachine, "\\SOFTWARE\\Microsoft\\Windows\\Help",
                          "APP.HLP", "gone"),
            "gone");
  EXPECT_FALSE(P.Registry->KeyExists(rkLocalMachine, Key));
  std::string Log;
  for (const auto& L : Result.Log) Log += L + "\n";
  EXPECT_THAT(Log, HasSubstr("Refused app.exe: relative or malformed path"));
  EXPECT_THAT(Log, HasSubstr("Kept the directory " + Product + "\\data"));
}

TEST_F(UninstallPlan, SecondInstall_RemovesEverythingOnceAndCountsEachInstall) {
  // The same setup run again appends its entries again, and counts the
  // shared library once more.
  for (const std::string F : {"\\app.exe", "\\app.hlp", "\\data\\a.txt", "\\data\\deep\\b.txt"})
    AppendUninstallLogEntry(*P.Registry, Key, Product + F);
  AppendUninstallLogEntry(*P.Registry, Key, System + "\\shared.dll");
  WriteRegInteger(*P.Registry, rkiLocalMachine, SharedKey, System + "\\shared.dll", 3);
  const TUninstallPlan Plan = PlanUninstall(P, Key, ProductRoots(P, Uninstaller));
  const auto Files = PathsOf(Plan, TUninstallStep::DeleteFile);
  EXPECT_EQ(std::count(Files.begin(), Files.end(), Product + "\\app.exe"), 1);
  const auto Result = ExecuteUninstall(P, Plan, nullptr);
  EXPECT_EQ(Result.Failures, 0);
  EXPECT_EQ(ReadRegInteger(*P.Registry, rkiLocalMachine, SharedKey, System + "\\shared.dll", -1), 1);
  EXPECT_FALSE(Exists(Product + "\\app.exe"));
}

TEST_F(UninstallPlan, FileInUse_IsRemovedAtTheNextStart) {
  auto Held = P.Files->Open(Product + "\\app.exe", platform::TFileAccess::Read,
                            platform::shareRead, platform::TCreation::OpenExisting);
  const auto Result = ExecuteUninstall(P, PlanUninstall(P, Key, ProductRoots(P, Uninstaller)), nullptr);
  EXPECT_EQ(Result.Failures, 0);
  EXPECT_TRUE(Result.RestartNeeded);
  EXPECT_TRUE(Exists(Product + "\\app.exe"));
  Held.reset();
  NativeFiles().PerformPendingRenames();
  EXPECT_FALSE(Exists(Product + "\\app.exe"));
}

TEST_F(UninstallPlan, ProductKey_FoundForANameStoredWithBlanks) {
  WriteRegString(*P.Registry, rkiLocalMachine, "\\" + ProductKeyPath("Blank product  "),
                 "DisplayName", "Blank product");
  EXPECT_EQ(FindProductKey(*P.Registry, "Blank product"), ProductKeyPath("Blank product  "));
  EXPECT_EQ(FindProductKey(*P.Registry, "No such product"), "");
  EXPECT_EQ(FindProductKey(*P.Registry, "..\\Uninstall"), "");
  // Two keys that both trim to the name: no guess.
  WriteRegString(*P.Registry, rkiLocalMachine, "\\" + ProductKeyPath("Blank product "),
                 "DisplayName", "x");
  EXPECT_EQ(FindProductKey(*P.Registry, "Blank product"), "");
}

TEST_F(UninstallPlan, Roots_NeverTheMachinesOwnFolders) {
  // An uninstaller placed straight into a system folder gives no product
  // directory: nothing there can be removed by path alone.
  EXPECT_TRUE(ProductRoots(P, System + "\\uninstall.exe").ProductDirs.empty());
  EXPECT_TRUE(ProductRoots(P, "C:\\Uninstall\\uninstall.exe").ProductDirs.empty());
  EXPECT_THAT(ProductRoots(P, "C:\\Tools\\uninstall.exe").ProductDirs, ElementsAre("C:\\Tools"));
}

TEST(UninstallArguments, SwitchesFirstThenTheProductName) {
  auto A = ParseUninstallArguments("*q \"*lC:\\log dir\\u.txt\"  My product  ");
  EXPECT_TRUE(A.Quiet);
  EXPECT_EQ(A.LogPath, "C:\\log dir\\u.txt");
  EXPECT_EQ(A.ProductName, "My product");
  A = ParseUninstallArguments(" My *q product");
  EXPECT_FALSE(A.Quiet);
  EXPECT_EQ(A.ProductName, "My *q product");
  EXPECT_EQ(ParseUninstallArguments("\"Quoted name\"").ProductName, "Quoted name");
  EXPECT_EQ(ParseUninstallArguments("*Q").ProductName, "");
}

} // namespace
} // namespace quendel
