// Putting files in place and registering them through the real API, with the
// fixture programs of the build. The two RebootReplace phases run only from
// replace_at_reboot.sh, which restarts Wine between them.
#include "model/install_file_ops.h"

#include "archive/compress.h"
#include "core/strings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <random>

namespace quendel {
namespace {

using ::testing::HasSubstr;

std::string WinPath(std::string Unix) {
  for (char& C : Unix)
    if (C == '/') C = '\\';
  return "Z:" + Unix;
}
std::string FixturePath(const std::string& Name) {
  return WinPath(std::string(QUENDEL_FIXTURE_DIR) + "/" + Name);
}

class Win32FileOps : public ::testing::Test {
protected:
  void SetUp() override {
    M = platform::CreateDefaultPlatform();
    const char* Given = std::getenv("QUENDEL_REBOOT_DIR");
    if (Given) {
      Dir = WinPath(Given);
    } else {
      static std::random_device Random;
      Dir = M.Files->TempDirectory() + "QuendelFileOps-" + IntToStr(Random());
    }
    M.Files->ForceDirectories(Dir + "\\src");
    M.Files->ForceDirectories(Dir + "\\App");
    Target = Dir + "\\App\\App.exe";
    Source = Dir + "\\src\\App.exe";
  }
  void TearDown() override {
    for (const auto& Name : Made)
      M.Files->TryRemoveFile(Name);
    if (!std::getenv("QUENDEL_REBOOT_DIR")) {
      for (const auto& F : M.Files->FindFiles(Dir + "\\App\\*"))
        if (!F.IsDirectory()) M.Files->TryRemoveFile(Dir + "\\App\\" + F.Name);
      for (const auto& F : M.Files->FindFiles(Dir + "\\src\\*"))
        if (!F.IsDirectory()) M.Files->TryRemoveFile(Dir + "\\src\\" + F.Name);
      M.Files->TryRemoveFile(Dir + "\\files.1");
      M.Files->TryRemoveDir(Dir + "\\App");
      M.Files->TryRemoveDir(Dir + "\\src");
      M.Files->TryRemoveDir(Dir);
    }
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
  std::unique_ptr<TQndlCompress> ArchiveOf(const std::string& Contents) {
    Write(Source, Contents);
    auto C = std::make_unique<TQndlCompress>(nullptr, M.Files.get());
    C->SetCompressedFile(Dir + "\\files.1");
    TStrings List;
    List.Add(Source);
    C->SetFilesToProcess(List);
    C->Add(lzcOverwrite, 7);
    return C;
  }
  // Starts qt_holdfile on Path and waits until it holds the file.
  std::unique_ptr<platform::IProcess> Hold(const std::string& Path) {
    platform::TProcessStart Start;
    Start.Application = FixturePath("qt_holdfile.exe");
    Start.CommandLine = platform::CommandLineOf(Start.Application, "\"" + Path + "\" 30000");
    Start.ShowCommand = platform::showHide;
    auto Process = M.Processes->Start(Start);
    for (int I = 0; I < 500 && !M.Files->FileExists(Path + ".held"); ++I)
      Sleep(20);
    EXPECT_TRUE(M.Files->FileExists(Path + ".held"));
    return Process;
  }
  void Release(const std::string& Path, platform::IProcess& Holder) {
    Write(Path + ".release", "");
    EXPECT_TRUE(Holder.WaitForExit(20000));
    M.Files->TryRemoveFile(Path + ".release");
  }
  std::string Install(const std::string& Fixture, const std::string& Name) {
    const std::string Path = Dir + "\\App\\" + Name;
    M.Files->Copy(FixturePath(Fixture), Path, false);
    Made.push_back(Path);
    return Path;
  }
  std::string Mark(const std::string& Path) {
    platform::TErrorCode Error = 0;
    const auto Key =
        M.Registry->TryOpenKey(platform::rkCurrentUser, "Software\\QuendelTest\\Fixtures",
                               platform::TRegAccess::ReadWrite, Error);
    if (!Key || !Key->ValueExists(Path)) return "";
    const std::string Value = Key->ReadString(Path);
    Key->DeleteValue(Path);
    return Value;
  }

  platform::TPlatform M;
  std::string Dir, Target, Source;
  std::vector<std::string> Made;
};

TEST_F(Win32FileOps, RebootReplace_Before) {
  if (!std::getenv("QUENDEL_REBOOT_DIR")) GTEST_SKIP() << "run by replace_at_reboot.sh";
  Write(Target, "old");
  const auto Holder = Hold(Target);
  // A failed extraction leaves the held file as it was, and nothing beside it.
  auto Broken = ArchiveOf("new");
  EXPECT_ANY_THROW(ExtractAndPlace(*Broken, M, Dir + "\\App", "App.exe", Dir + "\\src\\None.exe",
                                   true, "IFApp_exe"));
  EXPECT_FALSE(M.Files->FileExists(Dir + "\\App\\App.1"));
  auto C = ArchiveOf("new contents");
  const TPlacement P = ExtractAndPlace(*C, M, Dir + "\\App", "App.exe", Source, true, "IFApp_exe");
  Release(Target, *Holder);
  EXPECT_TRUE(P.ReplaceAtReboot);
  ASSERT_TRUE(P.Reboot);
  EXPECT_EQ(P.Reboot->Method, TRebootMethod::DelayedMove);
  EXPECT_EQ(Read(Target), "old");
  EXPECT_EQ(Read(Dir + "\\App\\" + P.TempName), "new contents");
}

TEST_F(Win32FileOps, RebootReplace_After) {
  if (!std::getenv("QUENDEL_REBOOT_DIR")) GTEST_SKIP() << "run by replace_at_reboot.sh";
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_FALSE(M.Files->FileExists(Dir + "\\App\\App.1"));
}

TEST_F(Win32FileOps, Place_ReplacesAFreeTarget) {
  if (std::getenv("QUENDEL_REBOOT_DIR")) GTEST_SKIP();
  Write(Target, "old");
  auto C = ArchiveOf("new contents");
  const TPlacement P = ExtractAndPlace(*C, M, Dir + "\\App", "App.exe", Source, true, "IFApp_exe");
  EXPECT_FALSE(P.ReplaceAtReboot);
  EXPECT_EQ(Read(Target), "new contents");
  EXPECT_FALSE(M.Files->FileExists(Dir + "\\App\\App.1"));
}

TEST_F(Win32FileOps, SharedDLLs_CountsOneThenTwoInThe32BitView) {
  if (std::getenv("QUENDEL_REBOOT_DIR")) GTEST_SKIP();
  Write(Target, "x");
  const std::string Long = Target;
  EXPECT_EQ(IncrementSharedDLLCount(M, Target, "IFApp_exe"), 1);
  EXPECT_EQ(IncrementSharedDLLCount(M, Target, "IFApp_exe"), 2);
  HKEY Key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", 0,
                          KEY_READ | KEY_WRITE | KEY_WOW64_32KEY, &Key),
            ERROR_SUCCESS);
  DWORD Count = 0, Size = sizeof Count, Type = 0;
  // Whichever name the count went under, it is 2.
  std::string Name = M.Files->ShortPath(Target);
  if (RegQueryValueExA(Key, Name.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(&Count), &Size) !=
      ERROR_SUCCESS)
    Name = Long;
  Size = sizeof Count;
  EXPECT_EQ(
      RegQueryValueExA(Key, Name.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(&Count), &Size),
      ERROR_SUCCESS);
  EXPECT_EQ(Type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(Count, 2u);
  RegDeleteValueA(Key, Name.c_str());
  RegCloseKey(Key);
}

TEST_F(Win32FileOps, SelfRegister_LibrariesServersAndTheirFailures) {
  if (std::getenv("QUENDEL_REBOOT_DIR")) GTEST_SKIP();
  const std::string Dll = Install("qt_comserver.dll", "Com.ocx");
  SelfRegister(M, Dir + "\\App", "Com.ocx", "Com.ocx", "IFCom_ocx");
  EXPECT_EQ(Mark(Dll), "registered");
  const std::string Exe = Install("qt_server.exe", "Server.exe");
  SelfRegister(M, Dir + "\\App", "Server.exe", "Server.exe", "IFServer_exe");
  EXPECT_EQ(Mark(Exe), "server");
  Install("qt_comfail.dll", "Fail.dll");
  try {
    SelfRegister(M, Dir + "\\App", "Fail.dll", "Fail.dll", "IFFail_dll");
    ADD_FAILURE() << "a failing registration passed";
  } catch (const IECustomInstallFile& E) {
    EXPECT_THAT(E.Message(), HasSubstr("returned a value of -2147467259"));
  }
  Write(Dir + "\\App\\NotALib.dll", "text");
  Made.push_back(Dir + "\\App\\NotALib.dll");
  EXPECT_THROW(SelfRegister(M, Dir + "\\App", "NotALib.dll", "NotALib.dll", "IF"),
               IECustomInstallFile);
}

} // namespace
} // namespace quendel
