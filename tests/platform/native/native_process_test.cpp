// The simulated programs and libraries of the Windows-like machine: what runs
// is what a test registered, with the error codes Windows gives for the rest.

#include <gtest/gtest.h>

#include "platform/native/native_process.h"
#include "platform/test_platform.h"

namespace quendel::platform::testing {
namespace {

class NativeProcesses : public PlatformTest {
protected:
  native::TNativeProcesses& Native() {
    return dynamic_cast<native::TNativeProcesses&>(Processes());
  }
};

TEST_F(NativeProcesses, Start_RunsTheRegisteredProgramWithItsRequest) {
  const std::string exe = PathOf("Server.exe");
  WriteFile(exe, "MZ");
  TProcessStart seen;
  Native().AddProgram(exe, [&](const TProcessStart& start) {
    seen = start;
    return std::optional<std::uint32_t>(7);
  });
  TProcessStart start;
  start.CommandLine = CommandLineOf(exe, "/REGSERVER");
  start.WorkingDirectory = Dir();
  start.ShowCommand = showHide;
  // Found by the first word of the command line, in any case.
  for (char& c : start.CommandLine)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const auto process = Processes().Start(start);
  EXPECT_EQ(seen.CommandLine, start.CommandLine);
  EXPECT_EQ(seen.ShowCommand, showHide);
  EXPECT_TRUE(process->WaitForExit(0));
  EXPECT_EQ(process->ExitCode(), 7u);
  EXPECT_EQ(process->WaitForInputIdle(100), TIdleResult::NoInput);
  ASSERT_EQ(Native().Started().size(), 1u);
  EXPECT_EQ(Processes().RunAndWait(start, 1000), 7u);
}

TEST_F(NativeProcesses, Start_FailsAsWindowsDoes) {
  const std::string exe = PathOf("App.exe");
  TProcessStart start;
  start.Application = exe;
  start.CommandLine = "x";
  EXPECT_EQ(ErrorOf([&] { Processes().Start(start); }), errFileNotFound);
  WriteFile(exe, "not registered");
  EXPECT_EQ(ErrorOf([&] { Processes().Start(start); }), errBadExeFormat);
  Native().AddProgram(exe, [](const TProcessStart&) { return std::optional<std::uint32_t>(0); });
  start.WorkingDirectory = PathOf("missing");
  EXPECT_EQ(ErrorOf([&] { Processes().Start(start); }), errDirectory);
  EXPECT_TRUE(Native().Started().empty());
}

TEST_F(NativeProcesses, ProgramThatNeverEnds_TimesOutAndCanBeTerminated) {
  const std::string exe = PathOf("Hang.exe");
  WriteFile(exe, "MZ");
  Native().AddProgram(exe, [](const TProcessStart&) { return std::optional<std::uint32_t>(); });
  TProcessStart start;
  start.Application = exe;
  EXPECT_EQ(Processes().RunAndWait(start, 50), std::nullopt);
  const auto process = Processes().Start(start);
  EXPECT_FALSE(process->WaitForExit(10));
  EXPECT_EQ(process->ExitCode(), std::nullopt);
  process->Terminate(9);
  EXPECT_EQ(process->ExitCode(), 9u);
  EXPECT_EQ(ErrorOf([&] { process->Terminate(1); }), errAccessDenied);
}

TEST_F(NativeProcesses, Library_CallsItsExportsAndIsFreed) {
  const std::string dll = PathOf("Com.dll");
  EXPECT_EQ(ErrorOf([&] { Processes().OpenLibrary(dll); }), errModNotFound);
  WriteFile(dll, "MZ");
  EXPECT_EQ(ErrorOf([&] { Processes().OpenLibrary(dll); }), errBadExeFormat);
  int calls = 0;
  Native().AddLibrary(dll, {{"DllRegisterServer", [&] { return ++calls == 1 ? 0 : -2147467259; }}});
  {
    const auto library = Processes().OpenLibrary(dll);
    EXPECT_EQ(Native().LoadedLibraries(), 1);
    EXPECT_EQ(library->TryFindExport("DllRegisterServer"), errSuccess);
    EXPECT_EQ(library->TryFindExport("DllUnregisterServer"), errProcNotFound);
    EXPECT_EQ(library->CallRegistrationExport("DllRegisterServer"), 0);
    EXPECT_EQ(library->CallRegistrationExport("DllRegisterServer"), -2147467259);
    try {
      library->CallRegistrationExport("DllUnregisterServer");
      ADD_FAILURE() << "a missing export was called";
    } catch (const EPlatformError& e) {
      EXPECT_EQ(e.Call(), "GetProcAddress");
      EXPECT_EQ(e.Code(), errProcNotFound);
    }
  }
  EXPECT_EQ(Native().LoadedLibraries(), 0);
}

TEST_F(NativeProcesses, TypeLibrary_RunsItsRegistrationAndReportsTheHResult) {
  const std::string tlb = PathOf("Lib.tlb");
  EXPECT_EQ(ErrorOf([&] { Processes().RegisterTypeLibrary(tlb); }), hrTypeCantLoadLibrary);
  WriteFile(tlb, "MSFT");
  int registered = 0;
  Native().AddTypeLibrary(tlb, {[&] { return ++registered, 0; }, [&] { return -2147319779; }});
  Processes().RegisterTypeLibrary(tlb);
  EXPECT_EQ(registered, 1);
  try {
    Processes().UnregisterTypeLibrary(tlb);
    ADD_FAILURE() << "a failing unregistration passed";
  } catch (const EPlatformError& e) {
    EXPECT_EQ(e.Call(), "UnRegisterTypeLib");
    EXPECT_EQ(e.Code(), 0x8002801Du);
  }
}

} // namespace
} // namespace quendel::platform::testing
