#include "model/file_container.h"
#include "model/install_group.h"
#include "model/model_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace quendel::test {
namespace {

using ::testing::ElementsAre;

// An install file as the containers see it: installing reports progress in
// two steps (half, then finished) through its container, or tells it that the
// file was skipped; compressing may fail.
class TTestFile : public TFileRelated, public IContainedFile {
public:
  TTestFile(TComponent* AOwner, TLog* ALog) : TFileRelated(AOwner), Log(ALog) { SetNet(false); }
  static const TClassInfo& StaticClass() {
    return ClassTable(
        [] { return TClassBuilder<TTestFile>("TTestFile", &TFileRelated::StaticClass); });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int RegisteredType() const override { return ikInstallFile; }

  TCustomInstallFile* InstallFile() override { return nullptr; }
  TFileRelated& FileRelated() override { return *this; }
  std::int64_t FileSize() const override { return Size; }
  std::int64_t FileCompressedSize() const override { return Size / 2; }
  std::string FileFileName() const override { return Name() + ".dat"; }
  std::string SourcePath() const override { return "C:\\Src\\" + Name(); }
  bool KeepsOwnArchive() const override { return false; }
  void SetNetArchive(bool) override {}
  void CompressFile() override {
    if (Log) Log->push_back("compress " + Name() + " into " + GetFullArchiveFile());
    if (FailCompress) throw IEFileContainer("disk full");
  }
  void CopyFile() override {}
  void ReadFileInfoFromArchive() override {}
  void ReadFileInfoFromSource() override {}

  void HandleEvent(TComponent* Sender, int Code, TEventParameter*) override {
    if (Log) Log->push_back(Name() + " got " + std::to_string(Code) + " from " + Sender->Name());
  }

  void DoInstall() override {
    if (Log) Log->push_back("install " + Name());
    if (Fail) throw EAIUserAbort();
    TObjectParameter Self(this);
    if (Skip) {
      Container()->DoInformationEventControl(this, icFileSkippedByOverwrite, &Self);
      return;
    }
    Report(Size / 2, false);
    Report(Size, true);
  }

  void Report(std::int64_t Done, bool Finished) {
    TFileStatusParameter S;
    S.FileBytesDone = Done;
    S.FilePercentDone = Size ? static_cast<int>(Done * 100 / Size) : 100;
    S.Status.Finished = Finished;
    S.Status.UncompressedSize = Size;
    TParameterList L;
    L.Items = {{this, nullptr}, {nullptr, &S}};
    Container()->DoInformationEventControl(this, icStatusInstall, &L);
    LastTotalPercent = S.TotalPercentDone;
  }

  std::int64_t Size = 0;
  bool Skip = false;
  bool Fail = false;
  bool FailCompress = false;
  int LastTotalPercent = -1;
  TLog* Log;
};

// The install root: a file container without its own specifier.
class TTestRoot : public TFileContainer, public IInstallRoot {
public:
  explicit TTestRoot(TComponent* AOwner) : TFileContainer(AOwner, false) {
    SetName("Install1");
    Context().InstallRoot = this;
  }
  ~TTestRoot() override {
    if (Context().InstallRoot == this) Context().InstallRoot = nullptr;
  }
  static const TClassInfo& StaticClass() {
    return ClassTable(
        [] { return TClassBuilder<TTestRoot>("TTestRoot", &TFileContainer::StaticClass); });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TInstallContainer& InstallRootContainer() override { return *this; }
  bool InstallRootRunning() const override { return Running; }
  std::string InstallRootProductName() const override { return "Widget"; }
  bool Running = false;
};

class TFixedPath : public TCustomPathSpecifier {
public:
  TFixedPath(TComponent* AOwner, std::string APath) : TCustomPathSpecifier(AOwner), Path(APath) {}
  std::string GetPath(TComponent*) override { return Path; }
  std::string Path;
};

std::string MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& E) {
    return E.Message();
  }
  return "no exception";
}

class FileContainerTest : public ModelTest {
protected:
  template <class T> T* New(const std::string& Name, TInstallContainer* Container) {
    auto* Obj = new T(Form.get());
    Obj->SetName(Name);
    if (Container) Obj->SetContainer(Container);
    return Obj;
  }
  TTestFile* File(const std::string& Name, TInstallContainer* Container, std::int64_t Size) {
    auto* F = new TTestFile(Form.get(), &Log);
    F->SetName(Name);
    F->Size = Size;
    F->SetContainer(Container);
    return F;
  }
  // Records every status a container's handler sees as "name:file%/total%".
  void Watch(TFileContainer* C) {
    C->OnStatus = [this, C](TCustomInstallFile*, int FilePercent, int TotalPercent) {
      Log.push_back(C->Name() + ":" + std::to_string(FilePercent) + "/" +
                    std::to_string(TotalPercent));
    };
  }
  std::vector<std::string> Only(const std::string& Prefix) const {
    std::vector<std::string> R;
    for (const std::string& E : Log)
      if (E.rfind(Prefix, 0) == 0) R.push_back(E);
    return R;
  }
};

std::vector<std::string> ChildNames(const TInstallContainer& C) {
  std::vector<std::string> Names;
  for (int i = 0; i < C.ChildCount(); ++i) Names.push_back(C.Children(i)->Name());
  return Names;
}

// ---- Order and progress of the install pass ------------------------------------------------------

TEST_F(FileContainerTest, InstallPass_GroupsThenDirectoriesThenFilesEachNewestFirst) {
  auto* Root = new TTestRoot(Form.get());
  File("F1", Root, 1);
  auto* D1 = New<TInstallDirectory>("D1", Root);
  auto* G1 = New<TInstallGroup>("G1", Root);
  File("F2", Root, 1);
  New<TInstallDirectory>("D2", Root);
  New<TInstallGroup>("G2", Root);
  File("F3", D1, 1);
  File("F4", G1, 1);
  EXPECT_THAT(ChildNames(*Root), ElementsAre("G2", "G1", "D2", "D1", "F2", "F1"));

  Root->Process();
  EXPECT_THAT(Only("install"), ElementsAre("install F4", "install F3", "install F2", "install F1"))
      << "each sub-tree completely before the next child";
  EXPECT_EQ(Root->Mode(), cmIdle);
  EXPECT_EQ(D1->Mode(), cmIdle);
}

TEST_F(FileContainerTest, Progress_EachLevelAgainstItsOwnTotal) {
  auto* Root = new TTestRoot(Form.get());
  auto* Group = New<TInstallGroup>("Group", Root);
  auto* Dir = New<TInstallDirectory>("Dir", Group);
  TTestFile* Deep = File("Deep", Dir, 200);
  TTestFile* Top = File("Top", Root, 400);
  File("Excluded", Root, 1000)->SetInclude(false);
  for (TFileContainer* C : {static_cast<TFileContainer*>(Root), static_cast<TFileContainer*>(Group),
                            static_cast<TFileContainer*>(Dir)})
    Watch(C);

  Root->Process();
  EXPECT_EQ(Root->TotalSize(), 600) << "selected files only";
  EXPECT_EQ(Group->TotalSize(), 200);
  // Deep, half then finished: the directory and the group see their own 50 %
  // and 100 %, the root a third of that.
  EXPECT_THAT(Only("Dir:"), ElementsAre("Dir:50/50", "Dir:100/100"));
  EXPECT_THAT(Only("Group:"), ElementsAre("Group:50/50", "Group:100/100"));
  EXPECT_THAT(Only("Install1:"),
              ElementsAre("Install1:50/17", "Install1:100/33", "Install1:50/67", "Install1:100/100"));
  EXPECT_EQ(Deep->LastTotalPercent, 33) << "the parameter holds the root's values afterwards";
  EXPECT_EQ(Top->LastTotalPercent, 100);
  EXPECT_EQ(Root->DoneSize(), 600);
  EXPECT_EQ(Group->DoneSize(), 200);
}

TEST_F(FileContainerTest, Progress_SkippedFileAdvancesDoneSizeAndReportsItselfDone) {
  auto* Root = new TTestRoot(Form.get());
  auto* Dir = New<TInstallDirectory>("Dir", Root);
  File("Second", Dir, 200);
  File("First", Dir, 100)->Skip = true;
  Watch(Dir);
  Watch(Root);

  Root->Process();
  EXPECT_THAT(Only("Dir:"), ElementsAre("Dir:100/33", "Dir:50/67", "Dir:100/100"));
  EXPECT_THAT(Only("Install1:"), ElementsAre("Install1:100/33", "Install1:50/67", "Install1:100/100"));
  EXPECT_EQ(Dir->DoneSize(), 300);
  EXPECT_EQ(Root->DoneSize(), 300);
}

TEST_F(FileContainerTest, Progress_ZeroTotalGivesZeroPercent) {
  auto* Root = new TTestRoot(Form.get());
  auto* Dir = New<TInstallDirectory>("Dir", Root);
  File("Empty", Dir, 0);
  File("Skipped", Dir, 0)->Skip = true;
  Watch(Dir);
  Root->Process();
  EXPECT_EQ(Dir->TotalSize(), 0);
  EXPECT_THAT(Only("Dir:"), ElementsAre("Dir:100/0", "Dir:100/0", "Dir:100/0"));
}

TEST_F(FileContainerTest, Notifications_IdleContainerSwallowsThemAndPassesNothingUp) {
  auto* Root = new TTestRoot(Form.get());
  auto* Group = New<TInstallGroup>("Group", Root);
  auto* Idle = New<TInstallDirectory>("Idle", Root);
  TTestFile* F = File("F", Idle, 100);
  Watch(Root);
  Watch(Idle);
  TObjectParameter P(F);

  // The group's pass runs (so the root is busy as well); the directory is not.
  Group->OnBeforeInstallObjects = [&](TInstallContainer*) {
    Idle->DoInformationEventControl(F, icFileSkippedByOverwrite, &P);
    Idle->DoInformationEventControl(F, icFileSkippedByOverwrite, nullptr); // no misuse check either
  };
  Idle->SetInclude(false);
  Root->Process();
  EXPECT_TRUE(Only("Idle:").empty());
  EXPECT_TRUE(Only("Install1:").empty());
  EXPECT_EQ(Idle->DoneSize(), 0);
  EXPECT_EQ(Root->DoneSize(), 0);
}

TEST_F(FileContainerTest, InstallPass_EndsCleanlyWhenAChildFails) {
  auto* Root = new TTestRoot(Form.get());
  auto* Dir = New<TInstallDirectory>("Dir", Root);
  File("Listener", Dir, 1);
  File("Failing", Dir, 1)->Fail = true;
  std::vector<bool> Aborted;
  Dir->OnAfterInstallObjects = [&](TInstallContainer*, bool WasAborted) {
    Aborted.push_back(WasAborted);
  };

  EXPECT_THROW(Root->Process(), EAIUserAbort);
  EXPECT_EQ(Dir->Mode(), cmIdle);
  EXPECT_EQ(Root->Mode(), cmIdle);
  EXPECT_THAT(Aborted, ElementsAre(false));
  EXPECT_THAT(Only("Listener got -99"),
              ElementsAre("Listener got -990 from Dir", "Listener got -999 from Dir",
                          "Listener got -992 from Dir", "Listener got -996 from Dir"));
}

// ---- Misuse of the notifications --------------------------------------------------------------

TEST_F(FileContainerTest, Notifications_WrongParametersAreRefusedAndNotPassedUp) {
  auto* Root = new TTestRoot(Form.get());
  auto* Dir = New<TInstallDirectory>("Dir", Root);
  TTestFile* F = File("F", Dir, 10);
  auto* Other = New<TInstallDirectory>("Other", Root);
  TObjectParameter FileParam(F), OtherParam(Other);
  TFileStatusParameter Status;
  TDiskParameter Disk;
  TDownloadStatusParameter Download;
  TParameterList Short, NoFile, NoStatus, DiskNoFile, DiskNoDisk;
  Short.Items = {{F, nullptr}};
  NoFile.Items = {{Other, nullptr}, {nullptr, &Status}};
  NoStatus.Items = {{F, nullptr}, {nullptr, &Disk}};
  DiskNoFile.Items = {{Other, nullptr}, {nullptr, &Disk}};
  DiskNoDisk.Items = {{F, nullptr}, {nullptr, &Status}};

  std::map<std::string, std::string> Seen;
  // An event holds a few pointers; the handler with all its captures stays here.
  const auto BeforeInstall = [&] {
    auto Try = [&](const std::string& Label, int Code, TEventParameter* P) {
      Seen[Label] = MessageOf([&] { Dir->DoInformationEventControl(F, Code, P); });
    };
    Try("1003 nil", icFileReplacing, nullptr);
    Try("1003 other", icFileReplacing, &OtherParam);
    Try("1008 not list", icStatusInstall, &Status);
    Try("1009 short", icStatusCompress, &Short);
    Try("1010 no file", icStatusCopy, &NoFile);
    Try("1008 no status", icStatusInstall, &NoStatus);
    Try("1011 no file", icNewDisk, &DiskNoFile);
    Try("1011 no disk", icNewDisk, &DiskNoDisk);
    Try("1014 nil", icDataReceived, nullptr);
    Try("1014 wrong", icDataReceived, &Status);
    Try("1015 other", icFileSkippedByAbort, &OtherParam);
    Try("1016 nil", icFileSkippedByOverwrite, nullptr);
  };
  Dir->OnBeforeInstallObjects = [&BeforeInstall](TInstallContainer*) { BeforeInstall(); };
  Watch(Root);
  Root->Process();
  const std::string Bad = "DoInformationEventControl says bad ";
  EXPECT_EQ(Seen["1003 nil"], "Dir got a nil PO parameter");
  EXPECT_EQ(Seen["1003 other"], "DoInformationEventControl parameter is not TInstallFile");
  EXPECT_EQ(Seen["1008 not list"], "DoInformationEventControl--PO is not a TList object");
  EXPECT_EQ(Seen["1009 short"], "DoInformationEventControl--Not engouh parameters for status event");
  EXPECT_EQ(Seen["1010 no file"], Bad + "first parameter");
  EXPECT_EQ(Seen["1008 no status"], Bad + "second parameter");
  EXPECT_EQ(Seen["1011 no file"], Bad + "1 parameter");
  EXPECT_EQ(Seen["1011 no disk"], Bad + "2 parameter");
  EXPECT_EQ(Seen["1014 nil"], "Dir got a nil PO parameter");
  EXPECT_EQ(Seen["1014 wrong"], "The PO object passed to Dir is not a TDownloadStatusParameter object");
  EXPECT_EQ(Seen["1015 other"], Bad + "first parameter");
  EXPECT_EQ(Seen["1016 nil"], "Dir got a nil PO parameter");
  // The root saw only the real file's progress.
  EXPECT_THAT(Only("Install1:"), ElementsAre("Install1:50/50", "Install1:100/100"));
}

TEST_F(FileContainerTest, Notifications_NewDiskAndReplacingReachHandlersAndChildren) {
  auto* Root = new TTestRoot(Form.get());
  auto* Dir = New<TInstallDirectory>("Dir", Root);
  TTestFile* F = File("F", Dir, 10);
  Root->OnNewDisk = [&](TCustomInstallFile*, int NewDisk, std::string& Path) {
    Log.push_back("root disk " + std::to_string(NewDisk) + " " + Path);
    Path = "B:\\";
  };
  Dir->OnReplacing = [&](TCustomInstallFile*) { Log.push_back("dir replacing"); };
  TDiskParameter Disk;
  Disk.NewDisk = 2;
  Disk.Path = "A:\\";
  TParameterList List;
  List.Items = {{F, nullptr}, {nullptr, &Disk}};
  TObjectParameter P(F);
  const auto BeforeInstall = [&] {
    Dir->DoInformationEventControl(F, icNewDisk, &List);
    Dir->DoInformationEventControl(F, icFileReplacing, &P);
  };
  Dir->OnBeforeInstallObjects = [&BeforeInstall](TInstallContainer*) { BeforeInstall(); };
  F->Size = 0;
  F->Skip = true;
  Root->Process();
  EXPECT_EQ(Disk.Path, "B:\\") << "the root's handler changed it";
  EXPECT_EQ(F->Tag, 1) << "the file does not ask the user itself";
  EXPECT_THAT(Only("root disk"), ElementsAre("root disk 2 A:\\"));
  EXPECT_THAT(Only("dir replacing"), ElementsAre("dir replacing"));
  EXPECT_THAT(Only("F got -99"),
              ElementsAre("F got -990 from Dir", "F got -999 from Dir", "F got -992 from Dir",
                          "F got -993 from Dir", "F got -997 from Dir", "F got -998 from Dir",
                          "F got -996 from Dir"))
      << "broadcasts reach the directory's own files";
}

// ---- Build mode ---------------------------------------------------------------------------

TEST_F(FileContainerTest, Compress_RefusesBothForceOptions) {
  auto* Dir = New<TInstallDirectory>("Dir", nullptr);
  bool Started = false;
  Dir->OnBeforeProcess = [&](TInstallContainer*) { Started = true; };
  EXPECT_EQ(MessageOf([&] { Dir->Compress(coForceNetFilesLocal | coForceFilesNet | coBuild); }),
            "Cannot pass both coForceNetFilesLocal and coForceFilesNet to Compress");
  EXPECT_FALSE(Started);
  EXPECT_EQ(Dir->Mode(), cmIdle);
}

TEST_F(FileContainerTest, Compress_RestoresEveryChildsArchiveAfterAFailure) {
  auto* Dir = New<TInstallDirectory>("Dir", nullptr);
  Dir->SetAddToArchive(lzcOnlyAdd);
  Dir->SetArchiveFile("C:\\Build\\files.1");
  auto* Sub = New<TInstallDirectory>("Sub", Dir);
  Sub->SetAddToArchive(lzcOnlyAdd);
  Sub->SetArchiveFile("C:\\Sub\\sub.1");
  auto* Type = new TFixedPath(Form.get(), "D:\\Arch");
  // Compressed in reverse order of creation: Good first, then the failing Bad.
  TTestFile* Bad = File("Bad", Sub, 5);
  Bad->SetArchiveFile("E:\\Other\\bad.1");
  Bad->FailCompress = true;
  TTestFile* Good = File("Good", Sub, 5);
  Good->SetArchiveFileType(Type);
  Good->SetArchiveFile("\\good.1");
  Good->SetAddToArchive(lzcOnlyAdd);
  Good->SetInclude(false);
  File("Listener", Dir, 1);

  EXPECT_EQ(MessageOf([&] {
              Dir->Compress(coArchiveInBuildDir | coBuild | coForceNetFilesLocal | coIncludeAll);
            }),
            "disk full");
  // During the build each child had its archive rebuilt in the build directory.
  EXPECT_THAT(Only("compress"), ElementsAre("compress Good into C:\\Build\\Sub\\Arch\\good.1",
                                            "compress Bad into C:\\Build\\Sub\\Other\\bad.1"));
  EXPECT_EQ(Good->ArchiveFileType(), Type);
  EXPECT_EQ(Good->ArchiveFile(), "\\good.1");
  EXPECT_EQ(Good->AddToArchive(), lzcOnlyAdd);
  EXPECT_FALSE(Good->Include());
  EXPECT_EQ(Bad->ArchiveFile(), "E:\\Other\\bad.1");
  EXPECT_EQ(Bad->ArchiveFileType(), nullptr);
  EXPECT_EQ(Bad->AddToArchive(), lzcOverwrite);
  EXPECT_EQ(Sub->ArchiveFile(), "C:\\Sub\\sub.1");
  EXPECT_EQ(Sub->AddToArchive(), lzcOnlyAdd);
  EXPECT_EQ(Dir->Mode(), cmIdle);
  EXPECT_EQ(Sub->Mode(), cmIdle);
  EXPECT_THAT(Only("Listener got -996"), ElementsAre("Listener got -996 from Dir"));
}

TEST_F(FileContainerTest, Compress_ExcludedContainerCompressesNothingEvenWithIncludeAll) {
  auto* Dir = New<TInstallDirectory>("Dir", nullptr);
  Dir->SetAddToArchive(lzcOnlyAdd);
  File("F", Dir, 1);
  Dir->SetInclude(false);
  Dir->Compress(coIncludeAll | coForceNetFilesLocal);
  EXPECT_TRUE(Only("compress").empty());
  EXPECT_EQ(Dir->Mode(), cmIdle);
}

TEST_F(FileContainerTest, Compress_WithoutNetLocationNeedsTraditionalBuild) {
  auto* Dir = New<TInstallDirectory>("Dir", nullptr);
  Dir->SetAddToArchive(lzcOnlyAdd);
  Dir->SetArchiveFile("C:\\Build\\files.1");
  File("F", Dir, 1);
  EXPECT_EQ(MessageOf([&] { Dir->Compress(coIncludeAll); }),
            "Could not find a net install location for Dir");
  EXPECT_EQ(Dir->Mode(), cmIdle);
  Dir->Compress(coIncludeAll | coForceNetFilesLocal);
  EXPECT_THAT(Only("compress"), ElementsAre("compress F into "));
}

// ---- Sizes and the own specifier ----------------------------------------------------------

TEST_F(FileContainerTest, Sizes_SelectedOrAllAndRecursive) {
  auto* Root = new TTestRoot(Form.get());
  auto* Dir = New<TInstallDirectory>("Dir", Root);
  File("A", Root, 1);
  File("B", Root, 10)->SetInstallTypes({itCompact});
  File("C", Dir, 100);
  File("D", Dir, 1000)->SetInclude(false);
  EXPECT_EQ(Root->FilesSize(false), 1);
  EXPECT_EQ(Root->FilesSize(true), 11);
  EXPECT_EQ(Root->SubtreeSize(false), 101);
  EXPECT_EQ(Root->SubtreeSize(true), 1111);
  EXPECT_EQ(Root->CompressedSize(true), 0 + 5 + 50 + 500);
  Dir->SetInclude(false);
  EXPECT_EQ(Root->SubtreeSize(false), 1);
  Root->SelectInstallType(itCompact);
  EXPECT_EQ(Root->SubtreeSize(false), 11);
}

TEST_F(FileContainerTest, OwnSpecifier_NamesTheContainersFolderForOtherObjectsOnly) {
  auto* Root = new TTestRoot(Form.get());
  Root->SetDestDirType(new TFixedPath(Form.get(), "C:\\App"));
  EXPECT_EQ(Root->OwnSpecifier(), nullptr);
  auto* Dir = New<TInstallDirectory>("Dir", Root);
  Dir->SetDestDirType(new TFixedPath(Form.get(), "C:\\App\\Fonts"));
  auto* Other = New<TInstallGroup>("Other", Root);
  TpsFileContainer* Specifier = Dir->OwnSpecifier();
  ASSERT_NE(Specifier, nullptr);
  EXPECT_EQ(Specifier->Name(), "psFileContainer");
  EXPECT_EQ(Other->OwnSpecifier()->Name(), "psFileContainer1");
  Dir->SetDescription("Fonts");
  EXPECT_EQ(Specifier->GetDescription(), "Path into which Fonts will be installed");
  EXPECT_EQ(Specifier->GetCaption(), "<Fonts>");

  auto* Link = Make("Link", 8000);
  Link->SetDestDirType(Specifier);
  Link->SetDestDir("\\Tools");
  EXPECT_EQ(Link->GetFullDestDir(), "C:\\App\\Fonts\\Tools");
  EXPECT_EQ(MessageOf([&] { Other->SetDestDirType(Specifier); }),
            "A file container cannot reference another file container or group");
  EXPECT_EQ(MessageOf([&] { File("F", Dir, 1)->SetDestDirType(Specifier); }),
            "A file container cannot reference another file container or group");

  Dir->Free();
  EXPECT_EQ(Form->FindComponent("psFileContainer"), nullptr) << "dies with its container";
  EXPECT_EQ(Link->DestDirType(), nullptr);
}

TEST_F(FileContainerTest, OwnSpecifier_StoredOneReplacesTheMadeOneAndTakesItsName) {
  auto* Dir = New<TInstallDirectory>("Dir", nullptr);
  TpsFileContainer* Made = Dir->OwnSpecifier();
  ASSERT_EQ(Made->Name(), "psFileContainer");

  // What a definition does: a stored specifier of the same name, then Loaded.
  auto* Stored = new TpsFileContainer(Form.get());
  Stored->SetLoading();
  Stored->SetName("psFileContainer");
  EXPECT_EQ(Made->Name(), "nameClash1");
  Stored->SetFileContainer(Dir);
  Stored->Loaded();
  EXPECT_EQ(Dir->OwnSpecifier(), Stored);
  EXPECT_EQ(Form->FindComponent("nameClash1"), nullptr) << "the made one is gone";

  // Another clash counts on.
  auto* Dir2 = New<TInstallDirectory>("Dir2", nullptr);
  ASSERT_EQ(Dir2->OwnSpecifier()->Name(), "psFileContainer1");
  auto* Stored2 = new TpsFileContainer(Form.get());
  Stored2->SetName("psFileContainer1");
  EXPECT_EQ(Dir2->OwnSpecifier()->Name(), "nameClash2");
}

TEST_F(FileContainerTest, Group_OnlyUnderRootOrGroupAndNilMeansRoot) {
  auto* Root = new TTestRoot(Form.get());
  auto* Dir = New<TInstallDirectory>("Dir", Root);
  auto* Parent = New<TInstallGroup>("Parent", Root);
  auto* Group = New<TInstallGroup>("Group", Parent);
  EXPECT_EQ(MessageOf([&] { Group->SetContainer(Dir); }),
            "A TInstallGroup component can only be contained by a TInstall, or another "
            "TInstallGroup component");
  EXPECT_EQ(Group->Container(), Parent);
  Group->SetContainer(nullptr);
  EXPECT_EQ(Group->Container(), Root);
  EXPECT_THAT(ChildNames(*Root), ElementsAre("Group", "Parent", "Dir"));
}

TEST_F(FileContainerTest, Directory_DescribedByCountWhileEditing) {
  new TTestRoot(Form.get());
  Form->SetDesigning(true);
  auto* Dir = NewInstallObject<TInstallDirectory>(Form.get());
  EXPECT_EQ(Dir->Description(), "Install Directory 2");
  Form->SetDesigning(false);
  EXPECT_EQ(NewInstallObject<TInstallDirectory>(Form.get())->Description(), "");
}

} // namespace
} // namespace quendel::test
