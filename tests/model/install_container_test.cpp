#include "model/install_container.h"
#include "model/install_group.h"
#include "model/model_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quendel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Stands in for the paths layer's container-destination specifier, which
// the context is told about: the path of the asking object's container.
class TContainerDest : public TStandardPathSpecifier {
public:
  using TStandardPathSpecifier::TStandardPathSpecifier;
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TContainerDest>("TContainerDest", &TStandardPathSpecifier::StaticClass);
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

class TFixedPath : public TCustomPathSpecifier {
public:
  TFixedPath(TComponent* AOwner, std::string APath) : TCustomPathSpecifier(AOwner), Path(APath) {}
  std::string GetPath(TComponent*) override { return Path; }
  std::string Path;
};

// A class the tree always puts first.
class TInstallBDE : public TProbe {
public:
  explicit TInstallBDE(TComponent* AOwner) : TProbe(AOwner, 2000) {}
  static const TClassInfo& StaticClass() {
    return ClassTable(
        [] { return TClassBuilder<TInstallBDE>("TInstallBDE", &TProbe::StaticClass); });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

std::vector<std::string> ChildNames(const TInstallContainer& C) {
  std::vector<std::string> Names;
  for (int i = 0; i < C.ChildCount(); ++i)
    Names.push_back(C.Children(i)->Name());
  return Names;
}

std::string MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const IException& E) {
    return E.Message();
  }
  return "no exception";
}

const char* const Key =
    "uninstall Dir \\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Widget";

class InstallContainerTest : public ModelTest {
protected:
  // The form's container-destination specifier, known to the context as such.
  TContainerDest* MakeContainerDest() {
    Context.SpecifierKinds.ContainerDestDir = &TContainerDest::StaticClass();
    return new TContainerDest(Form.get());
  }
};

// ---- The tree ---------------------------------------------------------------------------

TEST_F(InstallContainerTest, AddChild_SortsByKindNewestFirstWithinKind) {
  TProbe* Root = Make("Root", 1000);
  for (auto [Name, Kind] :
       {std::pair{"FileA", 2000}, {"Dir", 1000}, {"FileB", 2000}, {"Group", 500}})
    Make(Name, Kind)->SetContainer(Root);
  EXPECT_THAT(ChildNames(*Root), ElementsAre("Group", "Dir", "FileB", "FileA"));

  auto* Bde = new TInstallBDE(Form.get());
  Bde->SetContainer(Root);
  EXPECT_EQ(Root->Children(0), Bde);
}

TEST_F(InstallContainerTest, AddChild_RefusesNilKindlessAndCircularLinks) {
  TProbe* Root = Make("Root", 1000);
  TProbe* Dir = Make("Dir", 1000);
  TProbe* Sub = Make("Sub", 1000);
  Dir->SetContainer(Root);
  Sub->SetContainer(Dir);

  EXPECT_EQ(MessageOf([&] { Root->AddChild(nullptr); }),
            "Cannot add a blank base helper component to Root");
  EXPECT_EQ(MessageOf([&] { Dir->AddChild(Dir); }), "Circular reference");
  auto* Plain = new TInstallObject(Form.get());
  EXPECT_EQ(MessageOf([&] { Plain->SetContainer(Root); }), "Class must declare a registered type");

  // Making an object the child of its own descendant leaves the old link.
  EXPECT_EQ(MessageOf([&] { Dir->SetContainer(Sub); }), "Circular reference");
  EXPECT_EQ(Dir->Container(), Root);
  EXPECT_THAT(ChildNames(*Root), ElementsAre("Dir"));
  EXPECT_EQ(Sub->ChildCount(), 0);
}

TEST_F(InstallContainerTest, SetContainer_MovesAndResetsDestination) {
  auto* Specifier = MakeContainerDest();
  TProbe* A = Make("A", 1000);
  TProbe* B = Make("B", 1000);
  TProbe* File = Make("File", 2000);
  File->SetDestDir("\\Docs");
  File->SetContainer(A);
  File->SetContainer(B);
  EXPECT_EQ(A->ChildCount(), 0);
  EXPECT_THAT(ChildNames(*B), ElementsAre("File"));
  EXPECT_EQ(File->DestDirType(), Specifier);
  EXPECT_EQ(File->DestDir(), "");
  File->SetContainer(nullptr);
  EXPECT_EQ(B->ChildCount(), 0);
  EXPECT_EQ(File->DestDirType(), nullptr);

  // Another specifier stays when the container goes.
  auto* Other = new TFixedPath(Form.get(), "C:\\Other");
  File->SetDestDirType(Other);
  File->SetContainer(nullptr);
  EXPECT_EQ(File->DestDirType(), Other);

  // While loading the writer only links.
  File->SetDestDir("\\Stored");
  File->SetLoading();
  File->SetContainer(A);
  EXPECT_EQ(File->DestDir(), "\\Stored");
  EXPECT_EQ(File->DestDirType(), Other);
}

TEST_F(InstallContainerTest, SetContainer_WithoutContainerDestDirRefusesBeforeChanging) {
  MakeContainerDest()->Free(); // the family is in use, but this form lacks the instance
  TProbe* A = Make("A", 1000);
  TProbe* B = Make("B", 1000);
  TProbe* File = Make("File", 2000);
  File->SetLoading();
  File->SetContainer(A); // while loading no specifier is needed
  File->Loaded();
  auto* Own = new TFixedPath(Form.get(), "C:\\Own");
  File->SetDestDirType(Own);
  File->SetDestDir("\\Docs");

  EXPECT_EQ(MessageOf([&] { File->SetContainer(B); }), "Could not find the path specifier");
  EXPECT_EQ(File->Container(), A);
  EXPECT_THAT(ChildNames(*A), ElementsAre("File"));
  EXPECT_EQ(B->ChildCount(), 0);
  EXPECT_EQ(File->DestDirType(), Own);
  EXPECT_EQ(File->GetFullDestDir(), "C:\\Own\\Docs");
}

TEST_F(InstallContainerTest, GetFullDestDir_BlankOrUndefinedSpecifierRaises) {
  TProbe* File = Make("File", 2000);
  auto* Fixed = new TFixedPath(Form.get(), "");
  Fixed->SetName("psRecent");
  File->SetDestDirType(Fixed);
  File->SetDestDir("\\Docs");
  const std::string Blank = "Cannot compress,copy, or install the following file because it's "
                            "destination directory is blank. File is :File (psRecent)";
  EXPECT_EQ(MessageOf([&] { File->GetFullDestDir(); }), Blank) << "not \\Docs at the drive's root";
  Fixed->Path = " undefined ";
  EXPECT_EQ(MessageOf([&] { File->GetFullDestDir(); }), Blank) << "a folder this Windows lacks";
  Fixed->Path = "C:\\X";
  EXPECT_EQ(File->GetFullDestDir(), "C:\\X\\Docs");
  File->SetDestDirType(nullptr);
  EXPECT_EQ(File->GetFullDestDir(), "\\Docs") << "without a specifier the text is the destination";
}

TEST_F(InstallContainerTest, Destroy_GroupLeavesParentAndReleasesChildren) {
  MakeContainerDest();
  TProbe* Root = Make("Root", 1000);
  TProbe* Group = Make("Group", 500);
  TProbe* File1 = Make("File1", 2000);
  TProbe* File2 = Make("File2", 2000);
  Group->SetContainer(Root);
  File1->SetContainer(Group);
  File2->SetContainer(Group);

  Group->Free();
  EXPECT_EQ(Root->ChildCount(), 0);
  EXPECT_EQ(File1->Container(), nullptr);
  EXPECT_EQ(File2->Container(), nullptr);
  EXPECT_EQ(File1->DestDirType(), nullptr);
  EXPECT_THAT(Context.AllContainers.Items(), ElementsAre(Root, File1, File2));

  auto* Fixed = new TFixedPath(Form.get(), "C:\\X");
  File1->SetDestDirType(Fixed);
  Fixed->Free();
  EXPECT_EQ(File1->DestDirType(), nullptr);
}

TEST_F(InstallContainerTest, ChildAccess_ByIndexAndClass) {
  TProbe* Root = Make("Root", 1000);
  auto* G1 = new TProbeGroup(Form.get());
  auto* Dir = new TInstallDirectory(Form.get());
  auto* G2 = new TProbeGroup(Form.get());
  for (TInstallObject* O : std::initializer_list<TInstallObject*>{G1, Dir, G2})
    O->SetContainer(Root);
  Make("File", 2000)->SetContainer(Root);

  EXPECT_EQ(Root->Comp(0, TProbeGroup::StaticClass()), G2);
  EXPECT_EQ(Root->Comp(1, TProbeGroup::StaticClass()), G1);
  EXPECT_EQ(Root->CompCount(TProbe::StaticClass()), 3);
  EXPECT_EQ(Root->CompCount(TInstallObject::StaticClass()), 4);
  EXPECT_EQ(Root->FileContainerCount(), 1);
  EXPECT_EQ(Root->FileContainers(0), Dir);
  EXPECT_EQ(MessageOf([&] { Root->Children(4); }),
            "Tried to reference a helper component in the following component: Root. The "
            "following index was used: 4");
  EXPECT_THAT(MessageOf([&] { Root->Comp(2, TProbeGroup::StaticClass()); }),
              HasSubstr("The parameters are probably reversed. Index: 2, ComponentType: "));

  Root->FreeChildrenOfClass(TProbeGroup::StaticClass());
  EXPECT_EQ(Root->ChildCount(), 2);
  EXPECT_EQ(Form->ComponentCount(), 4) << "Root, the directory, its psFileContainer, the file";
}

TEST_F(InstallContainerTest, Broadcast_ReachesDirectChildrenOfKind2000AndAbove) {
  TProbe* Root = Make("Root", 1000);
  TProbe* Dir = Make("Dir", 1000);
  for (auto [Name, Kind] : {std::pair{"Group", 500}, {"File", 2000}, {"Dialog", 9000}})
    Make(Name, Kind)->SetContainer(Root);
  Dir->SetContainer(Root);
  Make("Nested", 2000)->SetContainer(Dir);

  Root->PushStatusMessage("Copying");
  Root->PopStatusMessage();
  EXPECT_THAT(Log, ElementsAre("File got -974 from Root \"Copying\"",
                               "Dialog got -974 from Root \"Copying\"", "File got -973 from Root",
                               "Dialog got -973 from Root"));
}

TEST_F(InstallContainerTest, InstallTypes_StoredAlwaysAndEmptyMeansFull) {
  TProbe* Root = Make("Root", 1000);
  TProbe* File = Make("File", 2000);
  File->SetContainer(Root);
  // The initial set differs from the declared default, and OS has none, so a
  // writer stores both for every object.
  const TClassInfo& Cls = File->ClassType();
  EXPECT_TRUE(Cls.FindProperty("InstallTypes")->IsStored(*File));
  EXPECT_TRUE(Cls.FindProperty("OS")->IsStored(*File));
  EXPECT_FALSE(Cls.FindProperty("Include")->IsStored(*File));
  EXPECT_EQ(GetEnumProp(*File, "InstallTypes"), "[itFull, itDefault, itCompact]");

  SetEnumProp(*File, "InstallTypes", "[]");
  EXPECT_EQ(File->InstallTypes(), TInstallTypeSet{itFull});
  Root->SelectInstallType(itCompact);
  EXPECT_EQ(File->CurrentInstallType(), itCompact);
}

// ---- Process ----------------------------------------------------------------------------

TEST_F(InstallContainerTest, Process_RunsStepsInOrder) {
  auto* Root = new TProbeRoot(Form.get(), &Log);
  TProbe* Dir = Make("Dir", 1000);
  TProbe* File = Make("File", 2000);
  TProbe* Dialog = Make("Dialog", 9000, false);
  Dir->SetContainer(Root);
  File->SetContainer(Dir);
  Dialog->SetContainer(Dir);
  Dir->OnBeforeProcess = [&](TInstallContainer* C) { Log.push_back("before " + C->Name()); };
  Dir->OnAfterProcess = [&](TInstallContainer* C) { Log.push_back("after " + C->Name()); };
  File->SetUninstall(false);
  Root->SetUninstall(false);

  Root->Running = true;
  Root->Process();
  EXPECT_THAT(Log, ElementsAre("install Install1", "before Dir", "File got -990 from Dir",
                               "Dialog got -990 from Dir", "File got -999 from Dir",
                               "Dialog got -999 from Dir", "install Dir", "install File", Key,
                               "after Dir", "File got -989 from Dir", "Dialog got -989 from Dir"));
  EXPECT_TRUE(File->Entered());
  EXPECT_FALSE(Dialog->Entered()); // not part of the child pass
}

TEST_F(InstallContainerTest, Process_DestinationResolvedOncePerPassFollowsEveryChange) {
  // The root's folder is costly to find (a registry read on a real
  // machine); the files below ask for it through their directory.
  struct TCounted : TFixedPath {
    using TFixedPath::TFixedPath;
    std::string GetPath(TComponent* Obj) override {
      ++Calls;
      return TFixedPath::GetPath(Obj);
    }
    int Calls = 0;
  };
  struct TOfContainer : TCustomPathSpecifier {
    using TCustomPathSpecifier::TCustomPathSpecifier;
    std::string GetPath(TComponent* Obj) override {
      return static_cast<TInstallObject*>(Obj)->Container()->GetFullDestDir();
    }
  };
  auto* Root = new TProbeRoot(Form.get(), nullptr);
  auto* Folder = new TCounted(Form.get(), "C:\\Programs");
  auto* Parent = new TOfContainer(Form.get());
  Root->SetDestDirType(Folder);
  Root->SetDestDir("\\App");
  Root->SetUninstall(false);
  TProbe* Dir = Make("Dir", 1000);
  Dir->SetContainer(Root);
  Dir->SetDestDirType(Parent);
  Dir->SetDestDir("\\Docs");
  std::vector<std::string> Seen;
  for (const char* Name : {"F1", "F2", "F3", "F4"}) {
    TProbe* File = Make(Name, 2000);
    File->SetContainer(Dir);
    File->SetDestDirType(Parent);
    File->SetUninstall(false);
    File->OnBeforeProcess = [&](TInstallContainer* C) { Seen.push_back(C->GetFullDestDir()); };
  }
  // Added last, processed first (newest first within a kind): F4, F3, F2, F1.
  Dir->Children(1)->OnAfterProcess = [&](TInstallContainer*) { Root->SetDestDir("\\Other"); };
  Dir->Children(2)->OnAfterProcess = [&](TInstallContainer*) { Folder->Path = "D:\\Elsewhere"; };

  Root->Running = true;
  Root->Process();
  // A change of a destination in the model is seen at once; a change behind
  // a specifier only by the next pass.
  EXPECT_THAT(Seen, ElementsAre("C:\\Programs\\App\\Docs", "C:\\Programs\\App\\Docs",
                                "C:\\Programs\\Other\\Docs", "C:\\Programs\\Other\\Docs"));
  EXPECT_EQ(Folder->Calls, 2);
  EXPECT_EQ(Root->GetFullDestDir(), "D:\\Elsewhere\\Other") << "the pass's memory ends with it";
}

TEST_F(InstallContainerTest, Process_OSFilterClearsIncludeButStillAnnounces) {
  TProbe* Dir = Make("Dir", 1000);
  Make("Dialog", 9000, false)->SetContainer(Dir);
  Dir->OnBeforeProcess = [&](TInstallContainer*) { Log.push_back("before"); };
  Dir->SetOS(osNTFamily);
  System->Record = {4, 10, 2222, platform::verPlatformWin32Windows, ""};

  Dir->Process();
  EXPECT_FALSE(Dir->Include());
  EXPECT_THAT(Log, ElementsAre("before", "Dialog got -990 from Dir"));

  // Permanent for the run, even once the system matches.
  Log.clear();
  System->Record = {5, 1, 2600, platform::verPlatformWin32NT, ""};
  Dir->Process();
  EXPECT_THAT(Log, ElementsAre("before", "Dialog got -990 from Dir"));
}

TEST_F(InstallContainerTest, Process_DefaultOSInstallsOnCurrentWindows) {
  TProbe* Dir = Make("Dir", 1000);
  for (auto [Major, Minor] : {std::pair{6u, 0u}, {6u, 1u}, {10u, 0u}}) {
    System->Record = {Major, Minor, 1, platform::verPlatformWin32NT, ""};
    Log.clear();
    Dir->Process();
    EXPECT_THAT(Log, ElementsAre("install Dir")) << Major << "." << Minor;
  }
  System->Fail = true;
  EXPECT_THROW(Dir->Process(), EAPIRoutines);
}

TEST_F(InstallContainerTest, Process_InstallTypeFilterStopsAfterAnnouncing) {
  TProbe* Dir = Make("Dir", 1000);
  Make("Dialog", 9000, false)->SetContainer(Dir);
  Dir->SetInstallTypes({itFull});
  Dir->SelectInstallType(itCompact);
  Dir->Process();
  EXPECT_THAT(Log, ElementsAre("Dialog got -990 from Dir", "Dialog got -999 from Dir"));
  EXPECT_FALSE(Dir->Entered());

  Log.clear();
  Dir->SelectInstallType(itCustom);
  Dir->Process();
  EXPECT_THAT(Log, ElementsAre("Dialog got -990 from Dir", "Dialog got -999 from Dir",
                               "install Dir", "Dialog got -989 from Dir"));
}

TEST_F(InstallContainerTest, Process_SilentAbortSkipsOneObjectOnly) {
  TProbe* Dir = Make("Dir", 1000, false);
  TProbe* Second = Make("Second", 1000);
  TProbe* First = Make("First", 1000);
  Second->SetContainer(Dir);
  First->SetContainer(Dir); // children: First, Second
  First->OnBeforeProcess = [](TInstallContainer*) { throw EAbort("skip"); };

  Dir->Process();
  EXPECT_THAT(Log, ElementsAre("install Dir", "install Second"));

  Second->OnAfterProcess = [](TInstallContainer*) { throw EAIUserAbort(); };
  EXPECT_THROW(Dir->Process(), EAIUserAbort);
}

TEST_F(InstallContainerTest, Process_DuringRunNeedsEnteredContainer) {
  auto* Root = new TProbeRoot(Form.get(), &Log);
  TProbe* Dir = Make("Dir", 1000);
  TProbe* File = Make("File", 1000);
  Dir->SetContainer(Root);
  File->SetContainer(Dir);

  Root->Running = true;
  File->Process();
  EXPECT_TRUE(Log.empty());

  // Outside a run an object is processed when asked.
  Root->Running = false;
  Dir->Process();
  EXPECT_THAT(Log, ElementsAre("install Dir", "install File",
                               "uninstall File \\Software\\Microsoft\\Windows\\CurrentVersion\\"
                               "Uninstall\\Widget",
                               Key));
}

// ---- Design-time defaults ------------------------------------------------------------------

TEST_F(InstallContainerTest, DesignDefaults_AttachToRootAndUndoUnlessStored) {
  auto* Root = new TProbeRoot(Form.get(), &Log);
  auto* Specifier = MakeContainerDest();
  auto* Other = new TFixedPath(Form.get(), "C:\\Other");
  TProbe* Dir = Make("Dir", 1000);
  Form->SetDesigning(true);

  auto* Fresh = NewInstallObject<TProbeGroup>(Form.get());
  EXPECT_EQ(Fresh->Container(), Root);
  EXPECT_EQ(Fresh->DestDirType(), Specifier);

  // Loaded from a definition that stores neither reference: both go again.
  auto* Plain = NewInstallObject<TProbeGroup>(Form.get());
  Plain->SetLoading();
  Plain->Loaded();
  EXPECT_EQ(Plain->Container(), nullptr);
  EXPECT_EQ(Plain->DestDirType(), nullptr);
  EXPECT_EQ(Root->ChildCount(), 1);

  // Stored references stay, the root included.
  auto* Stored = NewInstallObject<TProbeGroup>(Form.get());
  Stored->SetLoading();
  Stored->SetContainer(Dir);
  Stored->SetDestDirType(Other);
  Stored->Loaded();
  EXPECT_EQ(Stored->Container(), Dir);
  EXPECT_EQ(Stored->DestDirType(), Other);
  auto* InRoot = NewInstallObject<TProbeGroup>(Form.get());
  InRoot->SetLoading();
  InRoot->SetContainer(Root);
  InRoot->Loaded();
  EXPECT_EQ(InRoot->Container(), Root);
  EXPECT_EQ(InRoot->DestDirType(), nullptr);

  Form->SetDesigning(false);
  EXPECT_EQ(NewInstallObject<TProbeGroup>(Form.get())->Container(), nullptr);
}

// ---- Context ---------------------------------------------------------------------------------

TEST(ModelContext, NoActiveContext_NewObjectRaises) {
  ASSERT_FALSE(HasCurrentModelContext());
  EXPECT_THROW(new TProbe(nullptr, 2000), EComponentError);
}

} // namespace
} // namespace quendel::test
