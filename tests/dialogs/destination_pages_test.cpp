// The destination and program-folder pages driven on the headless backend
// as a user drives them: what they show, what they write into the install
// objects, what they refuse, and that the folder browser makes nothing the
// user did not ask for.
#include "dialogs/destination_pages.h"
#include "dialogs/fake_root.h"
#include "dialogs/open_folder_dialog.h"
#include "core/strings.h"
#include "dialogs/path_checks.h"
#include "links/shell_link.h"
#include "model/install_file.h"
#include "model/install_group.h"
#include "model/model_context.h"
#include "paths/expand_paths.h"
#include "support/test_runtime.h"
#include "system/test_failing_files.h"
#include "ui/headless.h"
#include "ui/main_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace quendel::dialogs {
namespace {

// Every directory below the scratch root, to see that nothing was made.
std::vector<std::string> Tree(const std::filesystem::path& Host) {
  std::vector<std::string> found;
  for (const auto& e : std::filesystem::recursive_directory_iterator(Host))
    found.push_back(e.path().lexically_relative(Host).generic_string());
  std::sort(found.begin(), found.end());
  return found;
}

class DestinationPageTest : public ::testing::Test {
protected:
  DestinationPageTest() {
    Rt.Runtime().UseWidgets(Backend);
    Root = new TFakeRoot(&Owner);
    Root->SetName("Install1");
    Rt.Runtime().Model().InstallRoot = Root;
    Manager = new TDialogManager(&Owner);
    Manager->SetName("BeforeInstall");
    Manager->SetContainer(Root);
    Dlg = new TSelectDestinationDlg(&Owner);
    Dlg->SetName("SelectDestination");
    Dlg->SetContainer(Root);
    Root->SetDestDir(Rt.Machine().Path("Product"));
  }
  ~DestinationPageTest() override {
    Owner.DestroyComponents();
    Rt.Runtime().Model().InstallRoot = nullptr;
  }
  ui::TWinControl* Top() {
    auto w = Backend.VisibleWindows();
    return w.empty() ? nullptr : w.back();
  }
  ui::TWinControl* Find(const std::string& Name) {
    return dynamic_cast<ui::TWinControl*>(Backend.FindControl(*Top(), Name));
  }
  bool Press(const std::string& Name) {
    ui::TWinControl* b = Find(Name);
    return b && Backend.Press(*b);
  }
  void Type(const std::string& Name, const std::string& Text) { Backend.Type(*Find(Name), Text); }
  std::string Caption() { return Backend.Node(Top()->Handle())->Text; }

  ui::THeadlessBackend Backend;
  test::TTestRuntime Rt;
  ui::TfrmMainMenu Owner{nullptr};
  TFakeRoot* Root = nullptr;
  TDialogManager* Manager = nullptr;
  TSelectDestinationDlg* Dlg = nullptr;
};

TEST_F(DestinationPageTest, EachBadDestinationKeepsThePageWithItsMessageAndMakesNothing) {
  const auto before = Tree(Rt.Machine().Host());
  const std::string tooLong = Rt.Machine().Path(std::string(300, 'x'));
  const std::vector<std::string> bad = {
      "MyApp", "", "   ", Rt.Machine().Path("a|b"), "Q:\\Product", Rt.Machine().Path("CON\\x"),
      Rt.Machine().Path("a\\..\\b"), tooLong};
  for (const std::string& path : bad)
    Backend.Script([&, path] {
      EXPECT_EQ(Caption(), "Choose Destination Location");
      Type("edDestDir", path);
      const std::size_t boxes = Backend.Boxes.size();
      EXPECT_TRUE(Press("ProceedBtn"));
      EXPECT_EQ(Backend.Boxes.size(), boxes + 1) << path; // told why
      EXPECT_EQ(Caption(), "Choose Destination Location") << path;
    });
  const std::string good = Rt.Machine().Path("Program Files\\My App");
  Backend.Script([&] {
    Type("edDestDir", good);
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Root->Broadcast(Root, -980, nullptr);
  ASSERT_EQ(Backend.Boxes.size(), bad.size());
  EXPECT_NE(Backend.Boxes[0].find("\"MyApp\" is not a complete path"), std::string::npos);
  EXPECT_NE(Backend.Boxes[1].find("enter the directory"), std::string::npos);
  EXPECT_NE(Backend.Boxes[3].find("may not hold"), std::string::npos);
  EXPECT_NE(Backend.Boxes[4].find("does not exist"), std::string::npos);
  EXPECT_NE(Backend.Boxes[5].find("CON"), std::string::npos);
  EXPECT_NE(Backend.Boxes[7].find("too long"), std::string::npos);
  // The typed destination is the root's, as an absolute path.
  EXPECT_EQ(Root->DestDir(), good);
  EXPECT_EQ(Root->DestDirType(), nullptr);
  EXPECT_EQ(Root->GetFullDestDir(), good);
  EXPECT_EQ(Tree(Rt.Machine().Host()), before);
}

TEST_F(DestinationPageTest, AnEmptiedDestinationStaysEditableAfterBack) {
  // A page before the destination to go back to.
  auto* other = new TSelectDestinationDlg(&Owner);
  other->SetName("Earlier");
  other->SetContainer(Root);
  other->SetOrder(10);
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); }); // the earlier page
  Backend.Script([&] {
    Type("edDestDir", "");
    EXPECT_TRUE(Press("BackBtn"));
  });
  Backend.Script([&] {
    // The earlier page shows the emptied destination as well.
    EXPECT_EQ(Find("edDestDir")->Caption(), "");
    EXPECT_TRUE(Find("gbDirectory")->Visible());
    Type("edDestDir", Rt.Machine().Path("Elsewhere"));
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Backend.Script([&] {
    EXPECT_TRUE(Find("gbDirectory")->Visible());
    Type("edDestDir", "");
    EXPECT_TRUE(Press("ProceedBtn")); // refused: the field is still there to fix
    EXPECT_TRUE(Find("gbDirectory")->Visible());
    EXPECT_EQ(Backend.Boxes.size(), 1u);
    Backend.BoxAnswers.push_back(6); // yes, cancel
    EXPECT_TRUE(Press("CancelBtn"));
  });
  EXPECT_THROW(Root->Broadcast(Root, -980, nullptr), EAIUserAbort);
}

TEST_F(DestinationPageTest, AnInstallWithoutDestinationShowsNoDirectoryAndAsksNothing) {
  Root->SetDestDir("");
  Backend.Script([&] {
    EXPECT_FALSE(Find("gbDirectory")->Visible());
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Root->Broadcast(Root, -980, nullptr);
  EXPECT_TRUE(Backend.Boxes.empty());
}

TEST_F(DestinationPageTest, TheLongestFileBelowDecidesWhetherThePathIsShortEnough) {
  TModelContext& m = Rt.Runtime().Model();
  auto* dir = new TInstallDirectory(&Owner);
  dir->SetName("DataDir");
  dir->SetContainer(Root);
  dir->SetDestDirType(m.StandardSpecifier(m.SpecifierKinds.ContainerDestDir));
  dir->SetDestDir("\\data");
  auto* file = new TInstallFile(&Owner, dir, "C:\\src\\" + std::string(100, 'f') + ".txt");
  file->SetName("LongFile");
  file->TakeListedInfo(5000, 0, "");
  auto* page = static_cast<TSelectDestinationForm*>(
      ui::NewForm<TSelectDestinationForm>(&ui::Application()));
  std::unique_ptr<TComponent> own(page);
  const std::string dest = Rt.Machine().Path("Product");
  const TDestinationNeeds needs = page->NeedsBelow(dest);
  EXPECT_EQ(needs.LongestBelow, std::string("\\data\\").size() + 104);
  EXPECT_EQ(needs.BytesNeeded, 5000u);
  // A destination that leaves the file too little room is refused; one
  // characters shorter passes that rule.
  platform::IFileSystem& files = *Rt.Runtime().Platform().Files;
  const std::size_t room = MaxFilePath - needs.LongestBelow;
  const std::string base = Rt.Machine().Root() + "\\";
  const std::string fits = base + std::string(room - base.size(), 'd');
  EXPECT_EQ(CheckDestination(files, fits, needs), "");
  EXPECT_NE(CheckDestination(files, fits + "d", needs).find("too long"), std::string::npos);
  // A drive without room for the files is refused with both sizes.
  TDestinationNeeds huge = needs;
  huge.BytesNeeded = std::uint64_t{1} << 62;
  EXPECT_NE(CheckDestination(files, fits, huge).find("not enough free space"), std::string::npos);
}

// A folder this user may not write to (an access-denied file system, since
// tests run with every right) is refused before any file is copied.
TEST_F(DestinationPageTest, AnUnwritableFolderIsRefused) {
  class TReadOnlyFiles : public testing::TFailingFiles {
  public:
    using TFailingFiles::TFailingFiles;
    std::string TempFileName(const std::string& D, const std::string&) override {
      throw platform::EPlatformError("GetTempFileNameA", D, platform::errAccessDenied);
    }
  };
  platform::TPlatform& p = Rt.Runtime().Platform();
  std::unique_ptr<platform::IFileSystem> real = std::move(p.Files);
  p.Files = std::make_unique<TReadOnlyFiles>(*real);
  const std::string dest = Rt.Machine().Path("Locked\\Product");
  const std::string fault = CheckDestination(*p.Files, dest, {});
  p.Files = std::move(real);
  EXPECT_NE(fault.find("cannot write to \"" + Rt.Machine().Root()), std::string::npos) << fault;
  EXPECT_FALSE(std::filesystem::exists(Rt.Machine().HostPath("Locked")));
}

TEST_F(DestinationPageTest, BrowseThenCancelLeavesNothingAndAChosenFolderIsTaken) {
  const std::string dest = Rt.Machine().Path("New\\Deep");
  Root->SetDestDir(dest);
  Rt.Machine().Write("Existing\\keep.txt", "x");
  const std::string existing = Rt.Machine().Path("Existing");
  const auto before = Tree(Rt.Machine().Host());
  Dlg->SetDialogManager(nullptr);
  Backend.Script([&] { EXPECT_TRUE(Press("BrowseBtn")); });
  Backend.Script([&] {
    // The browser opened at the nearest folder that exists, showing the
    // destination asked for, and made nothing for it.
    ASSERT_NE(Backend.Browser.Window(), nullptr);
    EXPECT_EQ(Backend.Browser.Selection(), Rt.Machine().Root() + (Rt.Machine().Root().size() == 2 ? "\\" : ""));
    EXPECT_EQ(Find("OFDPathEdit")->Caption(), dest);
    EXPECT_EQ(Tree(Rt.Machine().Host()), before);
    EXPECT_TRUE(Press("Cancel"));
  });
  // Browse again: a folder picked in the tree becomes the destination.
  Backend.Script([&] { EXPECT_TRUE(Press("BrowseBtn")); });
  Backend.Script([&] {
    Backend.Browser.Select(existing);
    EXPECT_EQ(Find("OFDPathEdit")->Caption(), existing);
    EXPECT_TRUE(Press("OK"));
  });
  Backend.Script([&] {
    EXPECT_EQ(Find("edDestDir")->Caption(), existing);
    // A typed relative path is refused inside the browser, which reopens.
    EXPECT_TRUE(Press("BrowseBtn"));
  });
  Backend.Script([&] {
    Type("OFDPathEdit", "Relative\\Dir");
    EXPECT_TRUE(Press("OK"));
  });
  Backend.Script([&] {
    EXPECT_NE(Backend.Browser.Window(), nullptr); // open again
    EXPECT_TRUE(Press("Cancel"));
  });
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  EXPECT_TRUE(Dlg->Execute());
  EXPECT_EQ(Root->DestDir(), existing);
  EXPECT_EQ(Backend.Boxes.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(Rt.Machine().HostPath("New")));
  EXPECT_FALSE(std::filesystem::exists(Rt.Machine().HostPath("Relative")));
}

TEST_F(DestinationPageTest, TheNewFolderButtonMakesOnlyWhatTheUserNamed) {
  Rt.Machine().Write("Base\\keep.txt", "x");
  const std::string base = Rt.Machine().Path("Base");
  Root->SetDestDir(base);
  Dlg->SetDialogManager(nullptr);
  Backend.Script([&] { EXPECT_TRUE(Press("BrowseBtn")); });
  Backend.Script([&] {
    Backend.Browser.Select(base);
    EXPECT_TRUE(Press("OFDCreateButton"));
  });
  Backend.Script([&] { // the name box: a name with a forbidden character
    Type("Value", "bad|name");
    EXPECT_TRUE(Press("OK"));
  });
  Backend.Script([&] {
    EXPECT_EQ(Backend.Browser.Opened, 1); // still the first browser
    EXPECT_TRUE(Press("OFDCreateButton"));
  });
  Backend.Script([&] {
    Type("Value", "Fresh");
    EXPECT_TRUE(Press("OK"));
  });
  Backend.Script([&] {
    // The browser reopened on the new folder.
    EXPECT_EQ(Backend.Browser.Opened, 2);
    EXPECT_EQ(Find("OFDPathEdit")->Caption(), base + "\\Fresh");
    EXPECT_TRUE(Press("OK"));
  });
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  EXPECT_TRUE(Dlg->Execute());
  EXPECT_EQ(Root->DestDir(), base + "\\Fresh");
  EXPECT_TRUE(std::filesystem::is_directory(Rt.Machine().HostPath("Base/Fresh")));
  EXPECT_FALSE(std::filesystem::exists(Rt.Machine().HostPath("Base/bad|name")));
  ASSERT_EQ(Backend.Boxes.size(), 1u);
}

TEST_F(DestinationPageTest, AStandaloneRunNeedsAContainer) {
  Dlg->SetDialogManager(nullptr);
  Dlg->SetContainer(nullptr);
  EXPECT_THROW(Dlg->Execute(), IEDialogManager);
  Dlg->SetContainer(Root);
  // Without a manager the page shows on its own event.
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  Root->Broadcast(Root, ieShowSelectDestination, nullptr);
  EXPECT_EQ(Backend.PendingActions(), 0);
}

// ------------------------------------------------------------ folder page

class FolderPageTest : public DestinationPageTest {
protected:
  FolderPageTest() {
    Dlg->SetDialogManager(nullptr);
    Group = new TMainLinkGroup(&Owner);
    Group->SetName("MainGroup");
    Group->SetContainer(Root);
    Folder = new TSelectFolderDlg(&Owner);
    Folder->SetName("SelectFolder");
    EXPECT_EQ(Folder->Container(), Group); // the main group by default
    Group->SetDestDir("\\Company\\Product");
  }
  TMainLinkGroup* Group = nullptr;
  TSelectFolderDlg* Folder = nullptr;
};

TEST_F(FolderPageTest, ShowsTheWholeFolderAndWritesOnlyWhatTheUserTypes) {
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Select folder in start menu");
    EXPECT_EQ(Find("FolderEdit")->Caption(), "Company\\Product");
    EXPECT_EQ(Group->DestDir(), "\\Company\\Product"); // showing wrote nothing
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Root->Broadcast(Root, -980, nullptr);
  EXPECT_EQ(Group->DestDir(), "\\Company\\Product");

  // Nothing typed into an empty folder: no list item is taken for it.
  Group->SetDestDir("");
  Backend.Script([&] {
    EXPECT_EQ(Find("FolderEdit")->Caption(), "");
    Backend.BoxAnswers.push_back(6); // yes, cancel
    EXPECT_TRUE(Press("CancelBtn"));
  });
  EXPECT_THROW(Root->Broadcast(Root, -980, nullptr), EAIUserAbort);
  EXPECT_EQ(Group->DestDir(), "");
}

TEST_F(FolderPageTest, BadFolderNamesAreRefused) {
  const std::vector<std::string> bad = {"",   "  ",   "\\Abs",    "C:\\Abs", ".",
                                        "..", "a\\..\\..\\b", "a|b", "a\\\\b",  "NUL"};
  for (const std::string& name : bad)
    Backend.Script([&, name] {
      Type("FolderEdit", name);
      EXPECT_TRUE(Press("ProceedBtn"));
      EXPECT_EQ(Caption(), "Select folder in start menu") << name;
    });
  Backend.Script([&] {
    Type("FolderEdit", "Vendor\\New Product");
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Root->Broadcast(Root, -980, nullptr);
  EXPECT_EQ(Backend.Boxes.size(), bad.size());
  EXPECT_EQ(Group->DestDir(), "\\Vendor\\New Product");
  EXPECT_EQ(Group->FolderPath(), ProgramsMenuDir(Rt.Runtime().Platform()) + "\\Vendor\\New Product");
}

TEST_F(FolderPageTest, ListsTheExistingFoldersOfTheUserAndAllUsers) {
  platform::TPlatform& p = Rt.Runtime().Platform();
  const std::string user = ProgramsMenuDir(p);
  std::string common;
  if (p.Shell) {
    platform::TErrorCode error = 0;
    common = p.Shell->TrySpecialFolderPath(platform::csidlCommonPrograms, error);
  }
  p.Files->ForceDirectories(user + "\\Zeta Tools");
  p.Files->ForceDirectories(user + "\\Accessories");
  if (!common.empty()) p.Files->ForceDirectories(common + "\\Shared Suite");
  Backend.Script([&] {
    auto* list = dynamic_cast<ui::TListBox*>(Find("FolderListBox"));
    ASSERT_NE(list, nullptr);
    const auto& items = list->Items().Items();
    EXPECT_NE(std::find(items.begin(), items.end(), "Zeta Tools"), items.end());
    EXPECT_NE(std::find(items.begin(), items.end(), "Accessories"), items.end());
    if (!common.empty()) {
      EXPECT_NE(std::find(items.begin(), items.end(), "Shared Suite"), items.end());
    }
    EXPECT_TRUE(std::is_sorted(items.begin(), items.end(), [](auto& A, auto& B) {
      return CompareText(A, B) < 0;
    }));
    // Picking one fills the edit and the group.
    list->SetItemIndex(static_cast<int>(std::find(items.begin(), items.end(), "Zeta Tools") -
                                        items.begin()));
    EXPECT_TRUE(Backend.Press(*list));
    EXPECT_EQ(Find("FolderEdit")->Caption(), "Zeta Tools");
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Root->Broadcast(Root, -980, nullptr);
  EXPECT_EQ(Group->DestDir(), "\\Zeta Tools");
  if (!common.empty()) p.Files->RemoveDir(common + "\\Shared Suite");
  p.Files->RemoveDir(user + "\\Zeta Tools");
  p.Files->RemoveDir(user + "\\Accessories");
}

TEST_F(FolderPageTest, TheContainerMustBeAShortcutGroup) {
  Folder->SetContainer(Root);
  EXPECT_THROW(Folder->LinkGroup(), IEDialogManager);
  Folder->SetDialogManager(nullptr);
  EXPECT_THROW(Folder->Execute(), IEDialogManager);
  // Without a container the page is passed over.
  Folder->SetContainer(nullptr);
  Folder->SetDialogManager(Manager);
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Choose Destination Location");
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Dlg->SetDialogManager(Manager);
  Root->Broadcast(Root, -980, nullptr);
  EXPECT_EQ(Backend.PendingActions(), 0);
}

// ------------------------------------------------------------- the checks

TEST(PathChecks, FormsOfPathsAndFolderNames) {
  EXPECT_TRUE(IsReservedDeviceName("con"));
  EXPECT_TRUE(IsReservedDeviceName("LPT1.txt"));
  EXPECT_TRUE(IsReservedDeviceName("Com9 "));
  EXPECT_FALSE(IsReservedDeviceName("COM0"));
  EXPECT_FALSE(IsReservedDeviceName("Console"));
  EXPECT_TRUE(IsCompletePath("C:"));
  EXPECT_TRUE(IsCompletePath("\\\\server\\share\\dir"));
  EXPECT_FALSE(IsCompletePath("\\\\server"));
  EXPECT_FALSE(IsCompletePath("\\Program Files"));
  EXPECT_EQ(CheckPathForm("C:\\Program Files\\My App"), "");
  EXPECT_EQ(CheckPathForm("D:\\"), "");
  EXPECT_NE(CheckPathForm("C:\\a:b"), "");
  EXPECT_NE(CheckPathForm("C:\\dir.\\x"), "");
  EXPECT_NE(CheckPathForm("C:/Program Files"), "");
  EXPECT_EQ(CheckProgramFolder("Company\\Product"), "");
  EXPECT_EQ(CheckProgramFolder("Product\\"), "");
  EXPECT_NE(CheckProgramFolder("Tools\\aux"), "");
  EXPECT_EQ(FormatBytes(512), "512 bytes");
  EXPECT_EQ(FormatBytes(1536), "2 KB");
  EXPECT_EQ(FormatBytes(5u * 1024 * 1024 + 512 * 1024), "5.5 MB");
}

} // namespace
} // namespace quendel::dialogs
