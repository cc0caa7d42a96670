// Programs, libraries and type libraries through the real API, with the
// fixtures the build makes (tests/fixtures): each test copies what it uses
// into its scratch directory, so the registry marks (named by module path)
// never collide between tests.

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/test_platform.h"

namespace quendel::platform::testing {
namespace {

// The build directory of the fixtures, a Unix path, is on drive Z: under Wine.
std::string FixturePath(const std::string& name) {
  std::string path = std::string("Z:") + QUENDEL_FIXTURE_DIR + "/" + name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

constexpr const char* kMarks = "Software\\QuendelTest\\Fixtures";

class Win32Processes : public PlatformTest {
protected:
  std::string Install(const std::string& fixture, const std::string& name) {
    const std::string path = PathOf(name);
    Files().Copy(FixturePath(fixture), path, true);
    installed_.push_back(path);
    return path;
  }
  // The fixture's mark for the module at path, or "" when there is none.
  std::string Mark(const std::string& path) {
    if (!Reg().KeyExists(rkCurrentUser, kMarks)) return "";
    const auto key = Reg().OpenKey(rkCurrentUser, kMarks, TRegAccess::Read);
    return key->ValueExists(path) ? key->ReadString(path) : "";
  }
  void TearDown() override {
    if (Reg().KeyExists(rkCurrentUser, kMarks)) {
      const auto key = Reg().OpenKey(rkCurrentUser, kMarks, TRegAccess::ReadWrite);
      for (const auto& path : installed_)
        if (key->ValueExists(path)) key->DeleteValue(path);
    }
    Reg().TryDeleteKey(rkCurrentUser, kMarks);
    PlatformTest::TearDown();
  }

private:
  std::vector<std::string> installed_;
};

TEST_F(Win32Processes, Server_AnswersRegServerAndItsExitCodeComesBack) {
  const std::string exe = Install("qt_server.exe", "My Server.exe");
  TProcessStart start;
  start.Application = exe;
  start.CommandLine = CommandLineOf(exe, "/REGSERVER");
  start.ShowCommand = showHide;
  EXPECT_EQ(Processes().RunAndWait(start, 20000), 0u);
  EXPECT_EQ(Mark(exe), "server");
  start.CommandLine = CommandLineOf(exe, "/UNREGSERVER");
  EXPECT_EQ(Processes().RunAndWait(start, 20000), 0u);
  EXPECT_EQ(Mark(exe), "");
  start.CommandLine = CommandLineOf(exe, "/EXIT:259");
  EXPECT_EQ(Processes().RunAndWait(start, 20000), 259u); // not "still active"
}

TEST_F(Win32Processes, Start_InTheWorkingDirectoryAndWaitsWithALimit) {
  const std::string exe = Install("qt_server.exe", "Server.exe");
  TProcessStart start;
  start.CommandLine = CommandLineOf(exe, "/SLEEP:3000");
  start.WorkingDirectory = Dir();
  const auto process = Processes().Start(start);
  EXPECT_NE(process->Id(), 0u);
  EXPECT_EQ(process->WaitForInputIdle(1000), TIdleResult::NoInput); // a console program
  EXPECT_FALSE(process->WaitForExit(50));
  EXPECT_EQ(process->ExitCode(), std::nullopt);
  process->Terminate(5);
  EXPECT_TRUE(process->WaitForExit(10000));
  EXPECT_EQ(process->ExitCode(), 5u);
}

TEST_F(Win32Processes, Start_FailureCarriesTheCallAndCode) {
  TProcessStart start;
  start.Application = PathOf("missing.exe");
  start.CommandLine = "missing.exe";
  try {
    Processes().Start(start);
    ADD_FAILURE() << "a missing program started";
  } catch (const EPlatformError& e) {
    EXPECT_EQ(e.Call(), "CreateProcessA");
    EXPECT_EQ(e.Code(), errFileNotFound);
  }
}

TEST_F(Win32Processes, Library_RegistersThroughItsExport) {
  const std::string dll = Install("qt_comserver.dll", "Com.dll");
  {
    const auto library = Processes().OpenLibrary(dll);
    EXPECT_EQ(library->TryFindExport("DllRegisterServer"), errSuccess);
    EXPECT_EQ(library->TryFindExport("NoSuchExport"), errProcNotFound);
    EXPECT_EQ(library->CallRegistrationExport("DllRegisterServer"), 0);
    EXPECT_EQ(Mark(dll), "registered");
    EXPECT_EQ(library->CallRegistrationExport("DllUnregisterServer"), 0);
    EXPECT_EQ(Mark(dll), "");
  }
  // Freed: the file can be deleted again.
  EXPECT_EQ(Files().TryRemoveFile(dll), errSuccess);

  const std::string failing = Install("qt_comfail.dll", "Fail.dll");
  EXPECT_EQ(Processes().OpenLibrary(failing)->CallRegistrationExport("DllRegisterServer"),
            static_cast<std::int32_t>(E_FAIL));
  EXPECT_EQ(ErrorOf([&] { Processes().OpenLibrary(PathOf("none.dll")); }), errModNotFound);
}

TEST_F(Win32Processes, TypeLibrary_RegistersAndUnregisters) {
  const std::string tlb = PathOf("Test.tlb");
  const std::string maker = FixturePath("qt_mktlb.exe");
  TProcessStart start;
  start.CommandLine = CommandLineOf(maker, "\"" + tlb + "\" \"" + Dir() + "\"");
  start.ShowCommand = showHide;
  ASSERT_EQ(Processes().RunAndWait(start, 20000), 0u);
  const std::string key = "TypeLib\\{5C1B6C3E-6D0A-4C2F-9A51-0B7E2D4F8A10}\\1.0";
  Processes().RegisterTypeLibrary(tlb);
  ASSERT_TRUE(Reg().KeyExists(rkClassesRoot, key + "\\0\\win32"));
  EXPECT_EQ(Reg().OpenKey(rkClassesRoot, key + "\\0\\win32", TRegAccess::Read)->ReadString(""),
            tlb);
  EXPECT_EQ(Reg().OpenKey(rkClassesRoot, key + "\\HELPDIR", TRegAccess::Read)->ReadString(""),
            Dir());
  Processes().UnregisterTypeLibrary(tlb);
  EXPECT_FALSE(Reg().KeyExists(rkClassesRoot, key));

  WriteFile(PathOf("Bad.tlb"), "not a type library");
  try {
    Processes().RegisterTypeLibrary(PathOf("Bad.tlb"));
    ADD_FAILURE() << "a bad type library registered";
  } catch (const EPlatformError& e) {
    EXPECT_EQ(e.Call(), "LoadTypeLib");
  }
}

} // namespace
} // namespace quendel::platform::testing
