// Putting one file in place and registering it, on the Windows-like machine:
// the user's old file survives every failure, a file in use is replaced at
// the next start, and registrations fail loudly.
#include "model/install_file_ops.h"

#include "archive/compress.h"
#include "platform/native/native_files.h"
#include "platform/native/native_platform.h"
#include "platform/native/native_process.h"
#include "platform/native/native_registry.h"
#include "system/test_failing_files.h"
#include "uninstall/uninstall_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <random>

namespace quendel {
namespace {

using ::testing::HasSubstr;

class InstallFileOps : public ::testing::Test {
protected:
  void SetUp() override {
    Host = (std::filesystem::temp_directory_path() / "quendel-fileops-XXXXXX").string();
    ASSERT_NE(::mkdtemp(Host.data()), nullptr);
    for (const char* Sub : {"/TEMP", "/WINDOWS", "/src", "/App"})
      std::filesystem::create_directories(Host + Sub);
    platform::native::TDriveMap Drives;
    Drives.Map('C', Host);
    M = platform::native::CreateNativePlatform(std::move(Drives));
    Native().SetTempDirectory("C:\\TEMP");
  }
  void TearDown() override { std::filesystem::remove_all(Host); }

  platform::native::TNativeFileSystem& Native() {
    return dynamic_cast<platform::native::TNativeFileSystem&>(*M.Files);
  }
  platform::native::TNativeProcesses& Programs() {
    return dynamic_cast<platform::native::TNativeProcesses&>(*M.Processes);
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
  // An archive holding C:\src\App.exe with the given contents.
  std::unique_ptr<TQndlCompress> ArchiveOf(const std::string& Contents,
                                           platform::IFileSystem* Files = nullptr) {
    Write(Source, Contents);
    auto C = std::make_unique<TQndlCompress>(nullptr, M.Files.get());
    C->SetCompressedFile("C:\\files.1");
    TStrings List;
    List.Add(Source);
    C->SetFilesToProcess(List);
    C->Add(lzcOverwrite, 7);
    if (Files) {
      C = std::make_unique<TQndlCompress>(nullptr, Files);
      C->SetCompressedFile("C:\\files.1");
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
    for (const auto& F : M.Files->FindFiles("C:\\App\\*"))
      if (!F.IsDirectory()) Names.push_back(F.Name);
    return Names;
  }

  std::string Host;
  platform::TPlatform M;
  const std::string Source = "C:\\src\\App.exe";
  const std::string Target = "C:\\App\\App.exe";
};

TEST_F(InstallFileOps, Place_ReplacesAFreeTargetAndLeavesNoTemporaryFile) {
  auto C = ArchiveOf("new contents");
  Write(Target, "old");
  Write("C:\\App\\App.1", "someone else's");
  const TPlacement P = ExtractAndPlace(*C, M, "C:\\App", "App.exe", Source, true, "IFApp_exe");
  EXPECT_FALSE(P.ReplaceAtReboot);
  EXPECT_EQ(P.TempName, "App.2");
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_THAT(AppDir(), ::testing::UnorderedElementsAre("App.exe", "App.1"));
  // A missing target is simply written, whatever the compressor's own rule.
  M.Files->RemoveFile(Target);
  C->SetOverwrite(owVersion);
  ExtractAndPlace(*C, M, "C:\\App", "App.exe", Source, true, "IFApp_exe");
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_EQ(C->Overwrite(), owVersion);
}

TEST_F(InstallFileOps, Place_TargetInUseWaitsForTheNextStart) {
  auto C = ArchiveOf("new contents");
  Write(Target, "old");
  TPlacement P;
  {
    const auto Held = M.Files->Open(Target, platform::TFileAccess::Read, platform::shareNone,
                                    platform::TCreation::OpenExisting);
    P = ExtractAndPlace(*C, M, "C:\\App", "App.exe", Source, true, "IFApp_exe");
  }
  EXPECT_TRUE(P.ReplaceAtReboot);
  EXPECT_EQ(P.TempName, "App.1");
  ASSERT_TRUE(P.Reboot);
  EXPECT_EQ(P.Reboot->Method, TRebootMethod::DelayedMove);
  EXPECT_EQ(Read(Target), "old");
  EXPECT_EQ(Read("C:\\App\\App.1"), "new contents");
  EXPECT_TRUE(Native().PerformPendingRenames().empty());
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
}

TEST_F(InstallFileOps, Place_ReadOnlyTargetIsReplacedNow) {
  auto C = ArchiveOf("new contents");
  Write(Target, "old");
  M.Files->SetAttributes(Target, platform::faReadOnly);
  const TPlacement P = ExtractAndPlace(*C, M, "C:\\App", "App.exe", Source, true, "IFApp_exe");
  EXPECT_FALSE(P.ReplaceAtReboot);
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_TRUE(Native().PendingRenames().empty());
}

TEST_F(InstallFileOps, Place_FailuresLeaveTheOldFileUntouched) {
  Write(Target, "old");
  {
    // The disk fills up in the middle of the file.
    testing::TFailingFiles Full(*M.Files);
    auto C = ArchiveOf(Noise(200000), &Full);
    Full.BytesLeft = 70000;
    EXPECT_ANY_THROW(ExtractAndPlace(*C, M, "C:\\App", "App.exe", Source, true, "IFApp_exe"));
    EXPECT_EQ(Read(Target), "old");
    EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
  }
  {
    // The user cancels after the first block.
    auto C = ArchiveOf(Noise(200000));
    C->ProcessMessages = [&] { C->SetAbort(true); };
    EXPECT_THROW(ExtractAndPlace(*C, M, "C:\\App", "App.exe", Source, true, "IFApp_exe"),
                 EAIUserAbort);
    EXPECT_EQ(Read(Target), "old");
    EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
  }
  {
    // The archive has no such member.
    auto C = ArchiveOf("new");
    EXPECT_ANY_THROW(
        ExtractAndPlace(*C, M, "C:\\App", "App.exe", "C:\\src\\Other.exe", true, "IFApp_exe"));
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
      ExtractAndPlace(*C, Wrapped, "C:\\App", "App.exe", Source, false, "IFApp_exe");
      ADD_FAILURE() << "no way to replace was reported as success";
    } catch (const IECustomInstallFile& E) {
      EXPECT_THAT(E.Message(), HasSubstr("IFApp_exe cannot register a routine"));
    }
    EXPECT_EQ(Read(Target), "old");
    EXPECT_THAT(AppDir(), ::testing::ElementsAre("App.exe"));
  }
}

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

TEST_F(InstallFileOps, Help_IsRegisteredUnderTheUpperCasedName) {
  RegisterHelpFile(*M.Registry, "App.hlp", "C:\\App");
  EXPECT_EQ(M.Registry
                ->OpenKey(platform::rkLocalMachine, "SOFTWARE\\Microsoft\\Windows\\Help",
                          platform::TRegAccess::Read)
                ->ReadString("APP.HLP"),
            "C:\\App");
}

TEST_F(InstallFileOps, SelfRegister_ByKindAndEveryFailureRaises) {
  Write("C:\\App\\Com.dll", "MZ");
  Write("C:\\App\\Bad.ocx", "MZ");
  Write("C:\\App\\Server.exe", "MZ");
  Write("C:\\App\\Lib.tlb", "MSFT");
  int Registered = 0;
  std::string CurrentDir;
  Programs().AddLibrary("C:\\App\\Com.dll", {{"DllRegisterServer", [&] {
                                                CurrentDir = M.Files->GetCurrentDir();
                                                return ++Registered, 0;
                                              }}});
  Programs().AddLibrary("C:\\App\\Bad.ocx", {{"DllRegisterServer", [] { return -2147467259; }}});
  std::uint32_t ServerExit = 0;
  std::string CommandLine;
  Programs().AddProgram("C:\\App\\Server.exe", [&](const platform::TProcessStart& S) {
    CommandLine = S.CommandLine;
    return ServerExit == 99 ? std::optional<std::uint32_t>() : ServerExit;
  });
  Programs().AddTypeLibrary("C:\\App\\Lib.tlb", {[&] { return ++Registered, 0; }, nullptr});

  const std::string Before = M.Files->GetCurrentDir();
  SelfRegister(M, "C:\\App", "Com.dll", "Com.dll", "IFCom_dll");
  EXPECT_EQ(CurrentDir, "C:\\App");
  EXPECT_EQ(M.Files->GetCurrentDir(), Before);
  SelfRegister(M, "C:\\App", "Lib.tlb", "Lib.tlb", "IFLib_tlb");
  EXPECT_EQ(Registered, 2);
  SelfRegister(M, "C:\\App", "Server.exe", "Server.exe", "IFServer_exe");
  EXPECT_EQ(CommandLine, "\"C:\\App\\Server.exe\" /REGSERVER");

  auto MessageOf = [&](const std::string& Name) {
    try {
      SelfRegister(M, "C:\\App", Name, Name, "IF", 1000);
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
  Write("C:\\App\\Plain.dll", "MZ");
  EXPECT_THAT(MessageOf("Plain.dll"), HasSubstr("LoadLibrary(C:\\App\\Plain.dll)"));
  EXPECT_EQ(Programs().LoadedLibraries(), 0);
}

TEST_F(InstallFileOps, UninstallLog_OfTwoActiveXFilesAndAPlainOne) {
  const std::string Product = ProductKeyPath("Demo");
  WriteFileUninstallEntry(*M.Registry, Product, "C:\\App\\Grid.ocx", "Grid.ocx", true);
  WriteFileUninstallEntry(*M.Registry, Product, "C:\\App\\Grid.tlb", "Grid.TLB", true);
  WriteFileUninstallEntry(*M.Registry, Product, "C:\\App\\App.exe", "App.exe", false);
  const auto Key = M.Registry->OpenKey(platform::rkLocalMachine, Product + "\\ActiveX",
                                       platform::TRegAccess::Read);
  EXPECT_EQ(Key->ReadString("Entries"), "2");
  EXPECT_EQ(Key->ReadString("File1"), "C:\\App\\Grid.ocx;0");
  EXPECT_EQ(Key->ReadString("File2"), "C:\\App\\Grid.tlb;2");
  const TUninstallLog Log = ReadUninstallLog(*M.Registry, Product);
  EXPECT_THAT(Log.Files, ::testing::ElementsAre("C:\\App\\App.exe"));
}

TEST_F(InstallFileOps, AfterReboot_EveryStepIsTriedAndEveryFailureReported) {
  Write("C:\\App\\Bad.dll", "MZ");
  Programs().AddLibrary("C:\\App\\Bad.dll", {{"DllRegisterServer", [] { return 1; }}});
  try {
    CompleteFileAfterReboot(M, "C:\\App", "Bad.dll", "Bad.dll", "IFBad_dll", true,
                            platform::faReadOnly);
    ADD_FAILURE() << "a failed registration was reported as success";
  } catch (const IECustomInstallFile& E) {
    EXPECT_THAT(E.Message(), HasSubstr("returned a value of 1"));
  }
  // The attributes were set all the same.
  EXPECT_EQ(M.Files->GetAttributes("C:\\App\\Bad.dll") & platform::faReadOnly,
            platform::faReadOnly);
  try {
    CompleteFileAfterReboot(M, "C:\\App", "Gone.dll", "Gone.dll", "IFGone_dll", true,
                            platform::faHidden);
    ADD_FAILURE() << "a missing file was reported as completed";
  } catch (const IECustomInstallFile& E) {
    EXPECT_THAT(E.Message(), HasSubstr("destination directory is blank"));
    EXPECT_THAT(E.Message(), HasSubstr("Cannot set file attributes. Error : "));
  }
}

} // namespace
} // namespace quendel
