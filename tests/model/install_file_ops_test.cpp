// Putting one file in place and registering it in a scratch directory: the
// user's old file survives every failure, a file in use is replaced at the
// next start, and registrations fail loudly. The cases that need the
// Windows-like machine's own controls (a restart played, programs and
// libraries it simulates, a registry it denies) run natively only; their
// Wine counterparts are in install_file_ops_win32_test.cpp.
#include "model/install_file_ops.h"

#include "archive/compress.h"
#include "support/scratch_machine.h"
#include "support/unique_name.h"
#include "system/test_failing_files.h"
#include "uninstall/uninstall_log.h"

#ifndef _WIN32
#include "platform/native/native_files.h"
#include "platform/native/native_process.h"
#include "platform/native/native_registry.h"
#endif

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

namespace quendel {
namespace {

using ::testing::HasSubstr;

class InstallFileOps : public ::testing::Test {
protected:
  void SetUp() override {
    M = Scratch.MakePlatform();
    for (const char* Sub : {"\\TEMP", "\\WINDOWS", "\\src", "\\App"})
      M.Files->ForceDirectories(R + Sub);
#ifndef _WIN32
    Native().SetTempDirectory(R + "\\TEMP");
#endif
  }
  void TearDown() override {
#ifdef _WIN32
    // The real registry outlives the test.
    if (M.Registry) {
      M.Registry->TryDeleteTree(platform::rkLocalMachine, ProductKeyPath(Product));
      platform::TErrorCode Error = 0;
      if (const auto K = M.Registry->TryOpenKey(platform::rkLocalMachine, HelpKey + 1,
                                                platform::TRegAccess::ReadWrite, Error);
          K && K->ValueExists("APP.HLP") && K->ReadString("APP.HLP") == R + "\\App")
        K->DeleteValue("APP.HLP");
    }
#endif
  }

#ifndef _WIN32
  platform::native::TNativeFileSystem& Native() {
    return dynamic_cast<platform::native::TNativeFileSystem&>(*M.Files);
  }
  platform::native::TNativeProcesses& Programs() {
    return dynamic_cast<platform::native::TNativeProcesses&>(*M.Processes);
  }
#endif
  void Write(const std::string& Path, const std::string& Text) {
    M.Files->Create(Path)->Write(Text.data(), Text.size());
  }
  std::string Read(const std::string& Path) {
    const auto F = M.Files->OpenRead(Path);
    std::string Text(static_cast<std::size_t>(F->Size()), '\0');
    F->ReadExact(Text.data(), Text.size());
    return Text;
  }
  // An archive holding C:\src\App.exe with the given contents.
  std::unique_ptr<TQndlCompress> ArchiveOf(const std::string& Contents,
                                           platform::IFileSystem* Files = nullptr) {
    Write(Source, Contents);
    auto C = std::make_unique<TQndlCompress>(nullptr, M.Files.get());
    C->SetCompressedFile(R + "\\files.1");
    TStrings List;
    List.Add(Source);
    C->SetFilesToProcess(List);
    C->Add(lzcOverwrite, 7);
    if (Files) {
      C = std::make_unique<TQndlCompress>(nullptr, Files);
      C->SetCompressedFile(R + "\\files.1");
    }
    return C;
  }
  // Something that compresses poorly, so that it takes many blocks.
  static std::string Noise(std::size_t Size) {
    std::mt19937 Random(42);
    std::string Text(Size, '\0');
    for (char& C : Text)
      C = static_cast<char>(Random());
    return Text;
  }
  std::vector<std::string> AppDir() {
    std::vector<std::string> Names;
    for (const auto& F : M.Files->FindFiles(R + "\\App\\*"))
      if (!F.IsDirectory()) Names.push_back(F.Name);
    return Names;
  }

  const test::TScratchMachine Scratch;
  // Where the test's files go: "C:" natively, a fresh directory under Wine.
  const std::string R = Scratch.Root();
  const std::string Product = test::ProductNameForRun("Demo");
  platform::TPlatform M;
  const std::string Source = R + "\\src\\App.exe";
  const std::string Target = R + "\\App\\App.exe";
};

TEST_F(InstallFileOps, Place_ReplacesAFreeTargetAndLeavesNoTemporaryFile) {
  auto C = ArchiveOf("new contents");
  Write(Target, "old");
  // Temporary names taken by a file and by a directory are passed over,
  // both left as they are.
  Write(R + "\\App\\App.1", "someone else's");
  M.Files->MakeDirectory(R + "\\App\\App.2");
  const TPlacement P = ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe");
  EXPECT_FALSE(P.ReplaceAtReboot);
  EXPECT_EQ(P.TempName, "App.3");
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_THAT(AppDir(), ::testing::UnorderedElementsAre("App.exe", "App.1"));
  EXPECT_EQ(Read(R + "\\App\\App.1"), "someone else's");
  EXPECT_TRUE(M.Files->DirectoryExists(R + "\\App\\App.2"));
  // A missing target is simply written, whatever the compressor's own rule.
  M.Files->RemoveFile(Target);
  C->SetOverwrite(owVersion);
  ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe");
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_EQ(C->Overwrite(), owVersion);
}

TEST_F(InstallFileOps, Place_AMissingTargetIsWrittenUnderItsNameAndRemovedOnFailure) {
  // Written in place: no temporary name, nothing else in the directory.
  {
    auto C = ArchiveOf("new contents");
    const TPlacement P =
        ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe", true);
    EXPECT_FALSE(P.ReplaceAtReboot);
    EXPECT_EQ(P.TempName, "");
    EXPECT_EQ(Read(Target), "new contents");
    EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
  }
  // Made by someone else after the caller looked: replaced through the
  // temporary names as any existing target, never written over in place.
  {
    auto C = ArchiveOf("newer contents");
    Write(R + "\\App\\App.1", "someone else's");
    const TPlacement P =
        ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe", true);
    EXPECT_EQ(P.TempName, "App.2");
    EXPECT_EQ(Read(Target), "newer contents");
    EXPECT_THAT(AppDir(), ::testing::UnorderedElementsAre("App.exe", "App.1"));
    M.Files->RemoveFile(R + "\\App\\App.1");
  }
  M.Files->RemoveFile(Target);
  // A full disk, a cancel, a member missing: nothing is left under the name.
  {
    testing::TFailingFiles Full(*M.Files);
    auto C = ArchiveOf(Noise(200000), &Full);
    Full.BytesLeft = 70000;
    EXPECT_ANY_THROW(
        ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe", true));
    EXPECT_THAT(AppDir(), ::testing::IsEmpty());
  }
  {
    auto C = ArchiveOf(Noise(200000));
    C->ProcessMessages = [&] { C->SetAbort(true); };
    EXPECT_THROW(ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe", true),
                 EAIUserAbort);
    EXPECT_THAT(AppDir(), ::testing::IsEmpty());
  }
  {
    auto C = ArchiveOf("new");
    EXPECT_ANY_THROW(ExtractAndPlace(*C, M, R + "\\App", "App.exe", R + "\\src\\Other.exe", true,
                                     "IFApp_exe", true));
    EXPECT_THAT(AppDir(), ::testing::IsEmpty());
  }
}

#ifndef _WIN32
TEST_F(InstallFileOps, Place_TargetInUseWaitsForTheNextStart) {
  auto C = ArchiveOf("new contents");
  Write(Target, "old");
  TPlacement P;
  {
    const auto Held = M.Files->Open(Target, platform::TFileAccess::Read, platform::shareNone,
                                    platform::TCreation::OpenExisting);
    P = ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe");
  }
  EXPECT_TRUE(P.ReplaceAtReboot);
  EXPECT_EQ(P.TempName, "App.1");
  ASSERT_TRUE(P.Reboot);
  EXPECT_EQ(P.Reboot->Method, TRebootMethod::DelayedMove);
  EXPECT_EQ(Read(Target), "old");
  EXPECT_EQ(Read(R + "\\App\\App.1"), "new contents");
  EXPECT_TRUE(Native().PerformPendingRenames().empty());
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
}

#endif

TEST_F(InstallFileOps, Place_ReadOnlyTargetIsReplacedNow) {
  auto C = ArchiveOf("new contents");
  Write(Target, "old");
  M.Files->SetAttributes(Target, platform::faReadOnly);
  const TPlacement P = ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe");
  EXPECT_FALSE(P.ReplaceAtReboot);
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_FALSE(P.Reboot);
#ifndef _WIN32
  EXPECT_TRUE(Native().PendingRenames().empty());
#endif
}

TEST_F(InstallFileOps, Place_FailuresLeaveTheOldFileUntouched) {
  Write(Target, "old");
  {
    // The disk fills up in the middle of the file.
    testing::TFailingFiles Full(*M.Files);
    auto C = ArchiveOf(Noise(200000), &Full);
    Full.BytesLeft = 70000;
    EXPECT_ANY_THROW(ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe"));
    EXPECT_EQ(Read(Target), "old");
    EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
  }
  {
    // The user cancels after the first block.
    auto C = ArchiveOf(Noise(200000));
    C->ProcessMessages = [&] { C->SetAbort(true); };
    EXPECT_THROW(ExtractAndPlace(*C, M, R + "\\App", "App.exe", Source, true, "IFApp_exe"),
                 EAIUserAbort);
    EXPECT_EQ(Read(Target), "old");
    EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
  }
  {
    // The archive has no such member.
    auto C = ArchiveOf("new");
    EXPECT_ANY_THROW(
        ExtractAndPlace(*C, M, R + "\\App", "App.exe", R + "\\src\\Other.exe", true, "IFApp_exe"));
    EXPECT_EQ(Read(Target), "old");
    EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
  }
  {
    // In use, and no way to replace it at the next start: nothing is left behind.
    auto C = ArchiveOf("new");
    auto NoDelay = std::make_unique<testing::TFailingFiles>(*M.Files);
    NoDelay->MoveFault = [](const std::string&, const std::string&, platform::TMoveFlags F) {
      return (F & platform::moveDelayUntilReboot) ? platform::errAccessDenied
                                                  : platform::errSharingViolation;
    };
    platform::TPlatform Wrapped;
    Wrapped.Files = std::move(NoDelay);
    Wrapped.Registry = std::move(M.Registry);
    Wrapped.System = std::move(M.System);
    try {
      ExtractAndPlace(*C, Wrapped, R + "\\App", "App.exe", Source, false, "IFApp_exe");
      ADD_FAILURE() << "no way to replace was reported as success";
    } catch (const IECustomInstallFile& E) {
      EXPECT_THAT(E.Message(), HasSubstr("IFApp_exe cannot register a routine"));
    }
    EXPECT_EQ(Read(Target), "old");
    EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
  }
}

#ifndef _WIN32
TEST_F(InstallFileOps, SharedDLLs_CountsUpUnderTheLongOrAnExistingShortName) {
  Write(Target, "x");
  EXPECT_EQ(IncrementSharedDLLCount(M, Target, "IFApp_exe"), 1);
  EXPECT_EQ(IncrementSharedDLLCount(M, Target, "IFApp_exe"), 2);
  const auto Key = M.Registry->OpenKey(platform::rkLocalMachine,
                                       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
                                       platform::TRegAccess::Read);
  EXPECT_EQ(Key->ReadDWord(Target), 2u);
}

TEST_F(InstallFileOps, SharedDLLs_AKeyThatCannotBeWrittenRaisesWithItsCode) {
  auto& Registry = dynamic_cast<platform::native::TNativeRegistry&>(*M.Registry);
  Registry.DenyWrite(platform::rkLocalMachine, "SOFTWARE");
  try {
    IncrementSharedDLLCount(M, Target, "IFApp_exe");
    ADD_FAILURE() << "an unwritable count was reported as done";
  } catch (const IECustomInstallFile& E) {
    EXPECT_THAT(E.Message(), HasSubstr("File component IFApp_exe. GetLastError return: 5"));
  }
}

#endif

TEST_F(InstallFileOps, Help_IsRegisteredUnderTheUpperCasedName) {
  RegisterHelpFile(*M.Registry, "App.hlp", R + "\\App");
  EXPECT_EQ(M.Registry
                ->OpenKey(platform::rkLocalMachine, "SOFTWARE\\Microsoft\\Windows\\Help",
                          platform::TRegAccess::Read)
                ->ReadString("APP.HLP"),
            R + "\\App");
}

#ifndef _WIN32
TEST_F(InstallFileOps, SelfRegister_ByKindAndEveryFailureRaises) {
  Write(R + "\\App\\Com.dll", "MZ");
  Write(R + "\\App\\Bad.ocx", "MZ");
  Write(R + "\\App\\Server.exe", "MZ");
  Write(R + "\\App\\Lib.tlb", "MSFT");
  int Registered = 0;
  std::string CurrentDir;
  Programs().AddLibrary(R + "\\App\\Com.dll", {{"DllRegisterServer", [&] {
                                                CurrentDir = M.Files->GetCurrentDir();
                                                return ++Registered, 0;
                                              }}});
  Programs().AddLibrary(R + "\\App\\Bad.ocx", {{"DllRegisterServer", [] { return -2147467259; }}});
  std::uint32_t ServerExit = 0;
  std::string CommandLine;
  Programs().AddProgram(R + "\\App\\Server.exe", [&](const platform::TProcessStart& S) {
    CommandLine = S.CommandLine;
    return ServerExit == 99 ? std::optional<std::uint32_t>() : ServerExit;
  });
  Programs().AddTypeLibrary(R + "\\App\\Lib.tlb", {[&] { return ++Registered, 0; }, nullptr});

  const std::string Before = M.Files->GetCurrentDir();
  SelfRegister(M, R + "\\App", "Com.dll", "Com.dll", "IFCom_dll");
  EXPECT_EQ(CurrentDir, R + "\\App");
  EXPECT_EQ(M.Files->GetCurrentDir(), Before);
  SelfRegister(M, R + "\\App", "Lib.tlb", "Lib.tlb", "IFLib_tlb");
  EXPECT_EQ(Registered, 2);
  SelfRegister(M, R + "\\App", "Server.exe", "Server.exe", "IFServer_exe");
  EXPECT_EQ(CommandLine, "\"" + R + "\\App\\Server.exe\" /REGSERVER");

  auto MessageOf = [&](const std::string& Name) {
    try {
      SelfRegister(M, R + "\\App", Name, Name, "IF", 1000);
    } catch (const IECustomInstallFile& E) {
      return E.Message();
    }
    return std::string("no error");
  };
  EXPECT_THAT(MessageOf("Bad.ocx"), HasSubstr("DllRegisterServer function returned a value of "
                                              "-2147467259"));
  ServerExit = 3;
  EXPECT_THAT(MessageOf("Server.exe"), HasSubstr("exit code 3"));
  ServerExit = 99; // never ends
  EXPECT_THAT(MessageOf("Server.exe"), HasSubstr("did not finish"));
  EXPECT_THAT(MessageOf("Missing.dll"), HasSubstr("destination directory is blank"));
  Write(R + "\\App\\Plain.dll", "MZ");
  EXPECT_THAT(MessageOf("Plain.dll"), HasSubstr("LoadLibrary(C:\\App\\Plain.dll)"));
  EXPECT_EQ(Programs().LoadedLibraries(), 0);
}

#endif

TEST_F(InstallFileOps, UninstallLog_OfTwoActiveXFilesAndAPlainOne) {
  const std::string ProductKey = ProductKeyPath(Product);
  WriteFileUninstallEntry(*M.Registry, ProductKey, R + "\\App\\Grid.ocx", "Grid.ocx", true);
  WriteFileUninstallEntry(*M.Registry, ProductKey, R + "\\App\\Grid.tlb", "Grid.TLB", true);
  WriteFileUninstallEntry(*M.Registry, ProductKey, R + "\\App\\App.exe", "App.exe", false);
  const auto Key = M.Registry->OpenKey(platform::rkLocalMachine, ProductKey + "\\ActiveX",
                                       platform::TRegAccess::Read);
  EXPECT_EQ(Key->ReadString("Entries"), "2");
  EXPECT_EQ(Key->ReadString("File1"), R + "\\App\\Grid.ocx;0");
  EXPECT_EQ(Key->ReadString("File2"), R + "\\App\\Grid.tlb;2");
  const TUninstallLog Log = ReadUninstallLog(*M.Registry, ProductKey);
  EXPECT_THAT(Log.Files, ::testing::ElementsAre(R + "\\App\\App.exe"));
}

#ifndef _WIN32
TEST_F(InstallFileOps, AfterReboot_EveryStepIsTriedAndEveryFailureReported) {
  Write(R + "\\App\\Bad.dll", "MZ");
  Programs().AddLibrary(R + "\\App\\Bad.dll", {{"DllRegisterServer", [] { return 1; }}});
  try {
    CompleteFileAfterReboot(M, R + "\\App", "Bad.dll", "Bad.dll", "IFBad_dll", true,
                            platform::faReadOnly);
    ADD_FAILURE() << "a failed registration was reported as success";
  } catch (const IECustomInstallFile& E) {
    EXPECT_THAT(E.Message(), HasSubstr("returned a value of 1"));
  }
  // The attributes were set all the same.
  EXPECT_EQ(M.Files->GetAttributes(R + "\\App\\Bad.dll") & platform::faReadOnly,
            platform::faReadOnly);
  try {
    CompleteFileAfterReboot(M, R + "\\App", "Gone.dll", "Gone.dll", "IFGone_dll", true,
                            platform::faHidden);
    ADD_FAILURE() << "a missing file was reported as completed";
  } catch (const IECustomInstallFile& E) {
    EXPECT_THAT(E.Message(), HasSubstr("destination directory is blank"));
    EXPECT_THAT(E.Message(), HasSubstr("Cannot set file attributes. Error : "));
  }
}

#endif

} // namespace
} // namespace quendel
