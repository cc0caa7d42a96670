// Install files inside a file container, installed from a real archive into
// a scratch directory: the overwrite rule of each mode, the question, files
// left alone kept out of the uninstall log, a target in use logged and
// registered under its real name, deferred self-registration and the file's
// own registration, progress, an archive on several disks, and a
// distribution over the net. Natively the machine is the Windows-like one;
// under Wine the real one, its registry cleaned up afterwards.
#include "model/install_file.h"
#include "model/install_file_ops.h"

#include "core/dates.h"
#include "core/strings.h"
#include "model/model_classes.h"
#include "support/scratch_machine.h"
#include "support/unique_name.h"
#include "system/registry_routines.h"
#include "translate/translator.h"
#include "uninstall/uninstall_log.h"

#ifndef _WIN32
#include "platform/native/native_files.h"
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace quendel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const OSSet AllOS{os31win32, oswin95, oswinNT,  oswinNT351, osUnidentified,
                  osLinux,   oswin2K, oswin98, oswinME,    oswinXP};

// The install root of product "Widget", holding its files directly.
class TTestRoot : public TFileContainer, public IInstallRoot {
public:
  explicit TTestRoot(TComponent* AOwner) : TFileContainer(AOwner, false) {
    Context().InstallRoot = this;
  }
  ~TTestRoot() override { Context().InstallRoot = nullptr; }
  TInstallContainer& InstallRootContainer() override { return *this; }
  bool InstallRootRunning() const override { return Running; }
  std::string InstallRootProductName() const override { return Product; }
  std::string InstallRootSetupKey() const override { return "\\SOFTWARE\\Vexo\\Install\\Install0"; }
  TDistributeType InstallRootDistributeType() const override { return Dist; }
  void InstallRootRequestReboot() override { Reboot = true; }
  void InstallRootAddUnfinished(const std::string& Name, int Kind) override {
    Unfinished.push_back(Name + ":" + std::to_string(Kind));
  }
  void DoInformationEventControl(TComponent* Sender, int Code, TEventParameter* Param) override {
    Codes.push_back(Code);
    TFileContainer::DoInformationEventControl(Sender, Code, Param);
  }
  std::string Product;
  bool Running = true;
  bool Reboot = false;
  TDistributeType Dist = dtTraditional;
  std::vector<std::string> Unfinished;
  std::vector<int> Codes;
};

class InstallFile : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterModelClasses();
    M = Scratch.MakePlatform();
    for (const char* Sub : {"\\TEMP", "\\WINDOWS", "\\src", "\\build"})
      M.Files->ForceDirectories(R + Sub);
#ifndef _WIN32
    dynamic_cast<platform::native::TNativeFileSystem&>(*M.Files).SetTempDirectory(R + "\\TEMP");
#endif
    Context.AttachPlatform(&M);
    Root = new TTestRoot(Form.get());
    Root->Product = Product;
    Root->SetName("Install1");
    Root->SetOS(AllOS);
    Root->SetDestDir(R + "\\App");
  }
  void TearDown() override {
    Form.reset();
#ifdef _WIN32
    // The real registry outlives the test: take back what it wrote there.
    M.Registry->TryDeleteTree(platform::rkLocalMachine, ProductKeyPath(Product));
    // SharedDLLs counts go under the files' paths, help files under their
    // names with the directory as data.
    auto Clean = [&](const char* Key, bool ByData) {
      platform::TErrorCode Error = 0;
      const auto K = M.Registry->TryOpenKey(platform::rkLocalMachine, Key + 1,
                                            platform::TRegAccess::ReadWrite, Error);
      if (!K) return;
      for (const std::string& Value : K->ValueNames())
        if (StartsText(R, ByData ? K->ReadString(Value) : Value)) K->DeleteValue(Value);
    };
    Clean(SharedDLLsKey, false);
    Clean(HelpKey, true);
#endif
  }

  void Write(const std::string& Path, const std::string& Text) {
    M.Files->Create(Path)->Write(Text.data(), Text.size());
  }
  std::string Read(const std::string& Path) {
    const auto F = M.Files->OpenRead(Path);
    std::string Text(static_cast<std::size_t>(F->Size()), '\0');
    F->ReadExact(Text.data(), Text.size());
    return Text;
  }
  void Stamp(const std::string& Path, int Year) {
    M.Files->SetStamp(Path, DateTimeToFileTime(EncodeDate(Year, 1, 1)));
  }
  // A file of the root built into C:\build\setup.1 from C:\src\Name.
  template <class T = TInstallFile>
  T* Built(const std::string& FileName, const std::string& Contents, int Year = 2010) {
    Write(R + "\\src\\" + FileName, Contents);
    Stamp(R + "\\src\\" + FileName, Year);
    auto* F = new T(Form.get(), Root, R + "\\src\\" + FileName);
    F->SetName("File" + std::to_string(++Made));
    F->SetOS(AllOS);
    F->SetDestDir(R + "\\App");
    F->SetArchiveFile(R + "\\build\\setup.1");
    F->SetAddToArchive(lzcOnlyAdd);
    F->Compress();
    return F;
  }
  void Install() {
    Root->Execute(cmInstall);
  }
  std::vector<std::string> Logged() {
    return ReadUninstallLog(*M.Registry, ProductKeyPath(Product)).Files;
  }

  const test::TScratchMachine Scratch;
  // Where the test's files go: "C:" natively, a fresh directory under Wine.
  const std::string R = Scratch.Root();
  const std::string Product = test::ProductNameForRun("Widget");
  platform::TPlatform M;
  TModelContext Context;
  TModelContextScope Scope{Context};
  std::unique_ptr<TComponent> Form = std::make_unique<TComponent>(nullptr);
  TTestRoot* Root = nullptr;
  int Made = 0;
};

TEST_F(InstallFile, ClassIsRegisteredWithDefaultsAndTakesDistinctIdentifiers) {
  const TClassInfo* Cls = ClassRegistry().Find("TInstallFile");
  ASSERT_NE(Cls, nullptr);
  for (const char* Prop : {"ActiveX", "DestName", "FileName", "FileType", "IncludeFromDir",
                           "InstallAttributes", "OverwriteMode", "RegisterAsHelp",
                           "RunAfterInstall", "UpdateDLLCounter", "OnReplacing", "OnNewDisk"})
    EXPECT_NE(Cls->FindProperty(Prop), nullptr) << Prop;
  EXPECT_EQ(Cls->FindProperty("OverwriteMode")->OrdDefault(), owAlways);

  auto* A = new TInstallFile(Form.get(), Root, R + "\\src\\a.exe");
  auto* B = new TInstallFile(Form.get(), Root, R + "\\src\\b.exe");
  EXPECT_NE(A->UniqueID(), B->UniqueID());
  EXPECT_EQ(A->DestName(), "a.exe");
  EXPECT_EQ(A->IncludeFromDir(), R + "\\src");
  EXPECT_FALSE(A->Net());
  EXPECT_EQ(Context.AllInstallFiles.Count(), 2);
  const int Freed = A->UniqueID();
  A->Free();
  EXPECT_FALSE(Context.UniqueIDPool.IsTaken(Freed));
  EXPECT_EQ(Context.AllInstallFiles.Count(), 1);
  EXPECT_EQ(Root->Files().size(), 1u);
}

TEST_F(InstallFile, FreshInstallWritesEveryModeAndLogsIt) {
  // A missing target is written under every rule, also without a version.
  const std::vector<TOverwriteType> Modes{owAlways, owNever, owVersion, owDate, owVersionDate};
  for (std::size_t i = 0; i < Modes.size(); ++i)
    Built("f" + std::to_string(i) + ".txt", "data " + std::to_string(i))
        ->SetOverwriteMode(Modes[i]);
  Install();
  for (std::size_t i = 0; i < Modes.size(); ++i)
    EXPECT_EQ(Read(R + "\\App\\f" + std::to_string(i) + ".txt"), "data " + std::to_string(i));
  EXPECT_EQ(Logged().size(), Modes.size());
  EXPECT_FALSE(Root->Reboot);
}

TEST_F(InstallFile, ExistingTargetFollowsTheModeAndLeftAloneFilesAreNotLogged) {
  M.Files->ForceDirectories(R + "\\App");
  // Libraries of versions 1.2.3.4 < 2.10.0.65535 < 5.0.2195.1; "" is a file
  // without a version.
  auto Library = [&](const char* Name) {
    std::string Path = std::string(QUENDEL_TEST_DATA) + "/system/" + Name;
#ifdef _WIN32
    Path = "Z:" + Path; // the build tree, seen from Wine
#endif
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
  };
  const std::string V1 = Library("ver_unicode_table.dll"), V2 = Library("ver_german.dll"),
                    V5 = Library("ver_ansi_table.dll");
  ASSERT_FALSE(V1.empty() || V2.empty() || V5.empty());
  struct TCase {
    TOverwriteType Mode;
    int TargetYear;
    bool Written;
    std::string Old = "old", New = "new";
  };
  const std::vector<TCase> Cases{{owAlways, 2020, true},
                                 {owNever, 2000, false},
                                 {owDate, 2000, true},
                                 {owDate, 2020, false},
                                 {owDate, 2010, false},
                                 {owVersion, 2020, true, V1, V5},
                                 {owVersion, 2000, false, V5, V5},
                                 {owVersion, 2000, false, V5, V2},
                                 {owVersionDate, 2020, true, V2, V5},
                                 {owVersionDate, 2000, false, V5, V1}};
  std::vector<TInstallFile*> Files;
  for (std::size_t i = 0; i < Cases.size(); ++i) {
    const std::string Name = "e" + std::to_string(i) + ".dll";
    Write(R + "\\App\\" + Name, Cases[i].Old);
    Stamp(R + "\\App\\" + Name, Cases[i].TargetYear);
    Files.push_back(Built(Name, Cases[i].New, 2010));
    Files.back()->SetOverwriteMode(Cases[i].Mode);
  }
  Install();
  std::vector<std::string> Expected;
  for (std::size_t i = 0; i < Cases.size(); ++i) {
    const std::string Target = R + "\\App\\e" + std::to_string(i) + ".dll";
    EXPECT_TRUE(Read(Target) == (Cases[i].Written ? Cases[i].New : Cases[i].Old)) << i;
    EXPECT_TRUE(Files[i]->ExistedBefore());
    EXPECT_EQ(Files[i]->WillCopy(), Cases[i].Written) << i;
    if (Cases[i].Written) Expected.push_back(Target);
  }
  EXPECT_THAT(Logged(), ::testing::UnorderedElementsAreArray(Expected));
  // Skipped files still count as done for progress.
  EXPECT_EQ(std::count(Root->Codes.begin(), Root->Codes.end(), icFileSkippedByOverwrite), 6);
}

TEST_F(InstallFile, SkippedSharedLibraryIsCountedAndLogged) {
  M.Files->ForceDirectories(R + "\\App");
  Write(R + "\\App\\lib.dll", "old");
  TInstallFile* F = Built("lib.dll", "new");
  F->SetOverwriteMode(owNever);
  F->SetUpdateDLLCounter(true);
  Install();
  EXPECT_EQ(Read(R + "\\App\\lib.dll"), "old");
  EXPECT_THAT(Logged(), ElementsAre(R + "\\App\\lib.dll"));
  EXPECT_EQ(ReadRegInteger(*M.Registry, rkiLocalMachine, SharedDLLsKey, R + "\\App\\lib.dll", 0),
            1);
}

TEST_F(InstallFile, AskModeShowsTheQuestionAndFollowsTheAnswer) {
  M.Files->ForceDirectories(R + "\\App");
  Write(R + "\\App\\yes.txt", "old");
  Write(R + "\\App\\no.txt", "old");
  Built("yes.txt", "new")->SetOverwriteMode(owAsk);
  Built("no.txt", "new")->SetOverwriteMode(owAsk);
  std::vector<std::string> Asked;
  Context.AskYesNo = [&](const std::string& Text) {
    Asked.push_back(Text);
    return Text.find("yes") != std::string::npos;
  };
  Install();
  EXPECT_THAT(Asked, ::testing::UnorderedElementsAre("Copy This File yes.txt?",
                                                     "Copy This File no.txt?"));
  EXPECT_EQ(Read(R + "\\App\\yes.txt"), "new");
  EXPECT_EQ(Read(R + "\\App\\no.txt"), "old");
  // Without anybody to ask, the existing file is left alone.
  Context.AskYesNo = nullptr;
  Write(R + "\\App\\no.txt", "old");
  Install();
  EXPECT_EQ(Read(R + "\\App\\no.txt"), "old");
}

TEST_F(InstallFile, TargetInUseIsReplacedAtRestartAndKnownByItsRealName) {
  M.Files->ForceDirectories(R + "\\App");
  Write(R + "\\App\\App.exe", "old");
  Write(R + "\\App\\App.1", "someone else's");
  TInstallFile* F = Built("App.exe", "new");
  F->SetRegisterAsHelp(true);
  {
    const auto Held = M.Files->Open(R + "\\App\\App.exe", platform::TFileAccess::Read,
                                    platform::shareNone, platform::TCreation::OpenExisting);
    Install();
  }
  EXPECT_TRUE(F->ReplaceAtReboot());
  EXPECT_EQ(F->DestName(), "App.exe");
  EXPECT_EQ(Read(R + "\\App\\App.exe"), "old");
  EXPECT_EQ(Read(R + "\\App\\App.1"), "someone else's");
  EXPECT_TRUE(Root->Reboot);
  EXPECT_THAT(Root->Unfinished, ElementsAre("File1:0"));
  EXPECT_THAT(Logged(), ElementsAre(R + "\\App\\App.exe"));
  EXPECT_EQ(ReadRegString(*M.Registry, rkiLocalMachine, HelpKey, "APP.EXE", ""), R + "\\App");
#ifndef _WIN32
  // The restart itself under Wine is replace_at_reboot.sh's.
  dynamic_cast<platform::native::TNativeFileSystem&>(*M.Files).PerformPendingRenames();
  EXPECT_EQ(Read(R + "\\App\\App.exe"), "new");
  F->CompleteAfterReboot();
#endif
}

TEST_F(InstallFile, FailedExtractionLeavesTheOldFile) {
  M.Files->ForceDirectories(R + "\\App");
  Write(R + "\\App\\keep.txt", "old");
  Built("keep.txt", "new");
  M.Files->RemoveFile(R + "\\build\\setup.1");
  EXPECT_ANY_THROW(Install());
  EXPECT_EQ(Read(R + "\\App\\keep.txt"), "old");
  EXPECT_EQ(Logged().size(), 0u);
}

// Members are found by their stored name, the first 100 characters of the
// source path: an identifier handed out again does not borrow the member of
// a file whose name is only the start of this one's, a long path installs,
// and a second file agreeing with it that far is refused by the build.
TEST_F(InstallFile, ArchiveMembersAreFoundByTheirStoredName) {
  TInstallFile* A = Built("a.txt", "aaa");
  const int Freed = A->UniqueID();
  A->Free();
  Write(R + "\\src\\a.txt.bak", "backup");
  auto* B = new TInstallFile(Form.get(), Root, R + "\\src\\a.txt.bak");
  ASSERT_EQ(B->UniqueID(), Freed);
  B->SetArchiveFile(R + "\\build\\setup.1");
  B->ReadInfoFromArchive();
  EXPECT_FALSE(B->InfoRead());
  EXPECT_EQ(B->Size(), 0);
  B->Free();

  // R + "\src\" + Dir + "\" + "report_2026_" is exactly 100 characters.
  const std::string Dir = std::string(100 - (R.size() + 5) - 1 - 12, 'd');
  M.Files->ForceDirectories(R + "\\src\\" + Dir);
  TInstallFile* Long = Built(Dir + "\\report_2026_first.dat", "first");
  ASSERT_GT(Long->SourcePath().size(), 100u);
  const std::string TwinPath = R + "\\src\\" + Dir + "\\report_2026_second.dat";
  Write(TwinPath, "second");
  auto* Twin = new TInstallFile(Form.get(), Root, TwinPath);
  Twin->SetOS(AllOS);
  Twin->SetArchiveFile(R + "\\build\\setup.1");
  Twin->SetAddToArchive(lzcOnlyAdd);
  try {
    Twin->Compress();
    ADD_FAILURE() << "a second file stored under the same name was added";
  } catch (const IECustomInstallFile& E) {
    EXPECT_THAT(E.what(), HasSubstr(Long->SourcePath()));
    EXPECT_THAT(E.what(), HasSubstr(TwinPath));
  }
  // The same file again (another container sharing the archive) is no twin.
  EXPECT_NO_THROW(Long->Compress());
  Twin->Free();
  Install();
  EXPECT_EQ(Read(R + "\\App\\report_2026_first.dat"), "first");
}

TEST_F(InstallFile, FailingSelfRegistrationIsDeferredDuringARunAndFailsTheRetry) {
  TInstallFile* F = Built("server.ocx", "not a library");
  EXPECT_TRUE(F->ActiveX());
  // A self-registering file is taken for a system-wide library; keep it here.
  F->SetFileType(iftNormal);
  F->SetDestDir(R + "\\App");
  Install();
  EXPECT_EQ(Read(R + "\\App\\server.ocx"), "not a library");
  ASSERT_EQ(Context.DeferredRegistrations.Count(), 1);
  EXPECT_EQ(Context.DeferredRegistrations.Items(0), F);
  EXPECT_THROW(RetryDeferredRegistrations(Context), IECustomInstallFile);
  EXPECT_EQ(ReadUninstallLog(*M.Registry, ProductKeyPath(Product)).ActiveX.size(), 1u);
  // Outside a run the failure is the caller's at once.
  Root->Running = false;
  EXPECT_THROW(Install(), IECustomInstallFile);
}

TEST_F(InstallFile, ProgressReachesTheContainerAndArchiveInformationIsRead) {
  TInstallFile* F = Built("big.bin", std::string(100000, 'x'));
  std::vector<int> Percents;
  Root->OnStatus = [&](TCustomInstallFile* File, int FilePercent, int) {
    EXPECT_EQ(File, F);
    Percents.push_back(FilePercent);
  };
  Install();
  ASSERT_FALSE(Percents.empty());
  EXPECT_EQ(Percents.back(), 100);
  EXPECT_EQ(F->Size(), 100000);
  EXPECT_GT(F->CompressedSize(), 0);
  EXPECT_LT(F->CompressedSize(), 100000);
  EXPECT_EQ(F->State(), ifsNone);
  EXPECT_EQ(Root->DoneSize(), 100000);
}

TEST_F(InstallFile, EditingDerivesSettingsAndRefusesDuplicatesAndOtherContainers) {
  auto* F = new TInstallFile(Form.get(), Root, R + "\\src\\app.exe");
  F->SetFileName("Guide.Hlp");
  EXPECT_TRUE(F->RegisterAsHelp());
  EXPECT_EQ(F->DestName(), "Guide.Hlp");
  F->SetFileType(iftVendorSharedDLL);
  EXPECT_TRUE(F->UpdateDLLCounter());
  EXPECT_EQ(F->OverwriteMode(), owVersionDate);
  EXPECT_EQ(F->DestDir(), "\\System");
  EXPECT_THROW(new TInstallFile(Form.get(), Root, R + "\\SRC\\guide.hlp"), IEfcDuplicateFile);
  auto* Other = new TInstallFile(Form.get(), R + "\\src\\x.txt");
  EXPECT_THAT([&] { Other->SetContainer(F); },
              ::testing::Throws<IECustomInstallFile>());
}


// Registers server programs and type libraries its own way; the type
// library fails until told otherwise.
class TOwnRegistration : public TInstallFile {
public:
  using TInstallFile::TInstallFile;
  void RegisterServerExe() override { Calls.push_back("exe " + DestName()); }
  void RegisterTypeLib() override {
    Calls.push_back("tlb " + DestName());
    if (Fail) throw IECustomInstallFile("the type library is not registered");
  }
  std::vector<std::string> Calls;
  bool Fail = true;
};

TEST_F(InstallFile, RegistrationGoesThroughTheFilesOwnSlotsAlsoInTheRetryAndAfterRestart) {
  auto* Exe = Built<TOwnRegistration>("server.exe", "MZ");
  auto* Tlb = Built<TOwnRegistration>("types.tlb", "TLB");
  for (TOwnRegistration* F : {Exe, Tlb}) {
    F->SetActiveX(true);
    F->SetFileType(iftNormal);
    F->SetDestDir(R + "\\App");
  }
  Install();
  EXPECT_THAT(Exe->Calls, ElementsAre("exe server.exe"));
  EXPECT_THAT(Tlb->Calls, ElementsAre("tlb types.tlb"));
  ASSERT_EQ(Context.DeferredRegistrations.Count(), 1);
  EXPECT_EQ(Context.DeferredRegistrations.Items(0), Tlb);
  Tlb->Fail = false;
  RetryDeferredRegistrations(Context);
  EXPECT_THAT(Tlb->Calls, ElementsAre("tlb types.tlb", "tlb types.tlb"));
  EXPECT_EQ(Context.DeferredRegistrations.Count(), 0);
  Exe->CompleteAfterReboot();
  EXPECT_THAT(Exe->Calls, ElementsAre("exe server.exe", "exe server.exe"));
}

std::string Noise(std::size_t Size) {
  std::string Text(Size, '\0');
  std::uint32_t X = 2463534242u;
  for (char& C : Text) {
    X ^= X << 13;
    X ^= X >> 17;
    X ^= X << 5;
    C = static_cast<char>(X);
  }
  return Text;
}

// An archive on disks: the first in C:\disks, the others only in C:\disk2.
// The question for the next disk goes through the translator; no answer
// (or Cancel) aborts the install and leaves the old file; a container that
// handles the request answers for the user.
TEST_F(InstallFile, NewDiskIsAskedForTranslatedAndItsCancelAbortsTheInstall) {
  const std::string Data = Noise(12000);
  TInstallFile* F = Built("big.bin", Data);
  {
    TQndlCompress Q(nullptr, M.Files.get());
    Q.SetCompressedFile(R + "\\build\\setup.1");
    Q.VolumeCapacity = 5000;
    Q.OnNewDisk = [](TQndlCompress&, int, std::string&) {};
    Q.SplitToVolumes(R + "\\disks", "setup.1");
  }
  M.Files->ForceDirectories(R + "\\disk2");
  int Disks = 1;
  for (; M.Files->FileExists(R + "\\disks\\setup." + std::to_string(Disks + 1)); ++Disks) {
    const std::string Name = "setup." + std::to_string(Disks + 1);
    M.Files->Move(R + "\\disks\\" + Name, R + "\\disk2\\" + Name, 0);
  }
  ASSERT_GE(Disks, 3);
  F->SetArchiveFile(R + "\\disks\\setup.1");
  M.Files->ForceDirectories(R + "\\App");
  Write(R + "\\App\\big.bin", "old");

  TTranslateContext Translate;
  Translate.System = M.System.get();
  TTranslateScope TranslateScope(Translate);
  TTranslator Translator(nullptr);
  auto Table = [&](const char* Language, const char* Line) {
    dynamic_cast<TStrings*>(GetObjectProp(Translator, std::string(Language) + ".Strings"))
        ->SetText(std::string(Line) + "\n");
  };
  Table("lgEnglish", "209;Please insert disk #%d");
  Table("lgGerman", "209;Bitte legen Sie Diskette Nr. %d ein");
  Translator.SetTranslateIntoLanguage(qlGerman);

  std::vector<std::string> Asked;
  Context.AskOkCancel = [&](const std::string& Text) {
    Asked.push_back(Text);
    return false;
  };
  EXPECT_THROW(Install(), EAIUserAbort);
  EXPECT_THAT(Asked, ElementsAre("Bitte legen Sie Diskette Nr. 2 ein"));
  EXPECT_EQ(std::count(Root->Codes.begin(), Root->Codes.end(), icNewDisk), 1);
  EXPECT_EQ(Read(R + "\\App\\big.bin"), "old");
  Context.AskOkCancel = nullptr;
  EXPECT_THROW(Install(), EAIUserAbort);
  EXPECT_EQ(Read(R + "\\App\\big.bin"), "old");

  std::vector<int> Handled;
  Root->OnNewDisk = [&](TCustomInstallFile* File, int Disk, std::string& Path) {
    EXPECT_EQ(File, F);
    EXPECT_EQ(Path, Disk == 2 ? R + "\\disks" : R + "\\disk2");
    Handled.push_back(Disk);
    Path = R + "\\disk2";
  };
  Asked.clear();
  Install();
  EXPECT_TRUE(Asked.empty());
  EXPECT_THAT(Handled, ElementsAre(2));
  EXPECT_EQ(Read(R + "\\App\\big.bin"), Data);
}

// Serves the files of a directory of the machine, as a server would.
class TDirLocation : public TCustomNetInstallLocation {
public:
  TDirLocation(TComponent* AOwner, platform::IFileSystem& AFiles, std::string ADir)
      : TCustomNetInstallLocation(AOwner), Files(AFiles), Dir(std::move(ADir)) {}
  void GetFile(const std::string& RemoteName, const std::string& LocalPath) override {
    Fetched.push_back(RemoteName);
    Files.Copy(Dir + "\\" + RemoteName, LocalPath, false);
  }
  platform::IFileSystem& Files;
  std::string Dir;
  std::vector<std::string> Fetched;
};

// A distribution over the net: before anything is downloaded a file reads
// no information and a file outside a container cannot; the install fetches
// the container's archive and, for a file compared by version, its own; the
// information then comes from the downloaded copies.
TEST_F(InstallFile, NetDistributionReadsAndInstallsFromTheDownloadedArchives) {
  Root->Dist = dtWeb;
  TInstallFile* Shared = Built("shared.txt", "shared data");
  TInstallFile* Own = Built("own.txt", "own data");
  Own->SetName("Own");
  Own->SetOverwriteMode(owVersion);
  Shared->SetArchiveFile(R + "\\server\\Install1.1");
  Own->SetArchiveFile(R + "\\server\\Own.1");
  Shared->Compress();
  Own->Compress();
  for (TInstallFile* F : {Shared, Own}) F->SetArchiveFile(R + "\\gone\\setup.1");

  Own->ReadInfoFromArchive();
  EXPECT_FALSE(Own->InfoRead());
  Own->Reflect();
  EXPECT_EQ(Own->GetFullArchiveFile(), "");
  Own->SetState(ifsNone);
  auto* Loose = new TInstallFile(Form.get(), R + "\\src\\own.txt");
  Loose->SetName("Loose");
  EXPECT_THAT([&] { Loose->ReadInfoFromArchive(); },
              ::testing::ThrowsMessage<IECustomInstallFile>(HasSubstr(
                  "Loose cannot perform ReadInfoFromArchive because either no container")));
  Loose->Free();

  auto* Location = new TDirLocation(Form.get(), *M.Files, R + "\\server");
  Location->LoginInformation().Hostname = "127.0.0.1";
  Root->SetNetLocation(Location);
  Install();
  EXPECT_EQ(Read(R + "\\App\\shared.txt"), "shared data");
  EXPECT_EQ(Read(R + "\\App\\own.txt"), "own data");
  EXPECT_THAT(Location->Fetched, ::testing::UnorderedElementsAre("Install1.1", "Own.1"));
  for (TInstallFile* F : {Shared, Own}) {
    F->SetInfoRead(false);
    F->ReadInfoFromArchive();
    EXPECT_TRUE(F->InfoRead()) << F->Name();
  }
  EXPECT_EQ(Shared->Size(), 11);
  EXPECT_EQ(Own->Size(), 8);
  EXPECT_EQ(Location->Fetched.size(), 2u);
  // The downloaded archives (and the empty files reserving their names in
  // the temporary directory) are the run's to remove at its end.
  for (const std::string& Local : {Root->LocalArchive(), Own->LocalArchive()}) {
    ASSERT_FALSE(Local.empty());
    M.Files->TryRemoveFile(Local);
    M.Files->TryRemoveFile(ChangeFileExt(Local, ".tmp"));
  }
}

} // namespace
} // namespace quendel
