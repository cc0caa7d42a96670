#include "engine/program_launcher.h"

#include "model/model_context.h"
#include "platform/native/native_platform.h"
#include "platform/native/native_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;

class ProgramLauncher : public ::testing::Test {
protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / "quendel_launcher_test";
    fs::remove_all(FDir);
    fs::create_directories(FDir);
    std::ofstream(FDir / "app.exe") << "MZ";
    std::ofstream(FDir / "data.txt") << "text";
    P = platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
    Procs = dynamic_cast<platform::native::TNativeProcesses*>(P.Processes.get());
    ASSERT_NE(Procs, nullptr);
    Procs->AddProgram("C:\\app.exe", [](const platform::TProcessStart&) { return std::nullopt; });
    Model.AttachPlatform(&P);
    Scope.emplace(Model);
  }
  void TearDown() override {
    Scope.reset();
    fs::remove_all(FDir);
  }
  fs::path FDir;
  platform::TPlatform P;
  platform::native::TNativeProcesses* Procs = nullptr;
  TModelContext Model;
  std::optional<TModelContextScope> Scope;
};

// The program gets FileName as its file and Parameters unchanged (a leading
// space included) as its whole command line, with the show state of
// ShowMode and the busy cursor; Wait, Timeout, Action and StartDir change
// nothing.
TEST_F(ProgramLauncher, Execute_PassesFileParametersAndShowState) {
  TProgramLauncher l(nullptr);
  l.FileName = "C:\\app.exe";
  l.Parameters = " /setup done";
  l.ShowMode = smHide;
  l.Wait = false;
  l.Timeout = 5;
  l.StartDir = "C:\\nowhere";
  l.Action = "Print";
  l.Execute();
  ASSERT_EQ(Procs->Started().size(), 1u);
  const platform::TProcessStart& s = Procs->Started()[0].Start;
  EXPECT_EQ(s.Application, "C:\\app.exe");
  EXPECT_EQ(s.CommandLine, " /setup done");
  EXPECT_EQ(s.ShowCommand, platform::showHide);
  EXPECT_TRUE(s.BusyCursor);
  EXPECT_TRUE(s.WorkingDirectory.empty());
  l.ShowMode = smMaximized;
  l.Execute();
  EXPECT_EQ(Procs->Started()[1].Start.ShowCommand, platform::showMaximized);
}

// A program that cannot start reports the system's error number through the
// table of program-start messages.
TEST_F(ProgramLauncher, Execute_FailureCarriesCodeAndMessage) {
  TProgramLauncher l(nullptr);
  l.FileName = "C:\\missing.exe";
  try {
    l.Execute();
    FAIL() << "started a missing program";
  } catch (const EProgramLauncherFailed& e) {
    EXPECT_EQ(e.ErrorCode, 2);
    EXPECT_EQ(e.Message(), "File not found");
  }
  l.FileName = "C:\\data.txt";
  try {
    l.Execute();
    FAIL() << "started a text file";
  } catch (const EProgramLauncherFailed& e) {
    EXPECT_EQ(e.Message(), "Unknown error"); // 193: not a program the table knows
  }
  EXPECT_EQ(ProgramLauncherMessage(0), "Out of memory");
  EXPECT_EQ(ProgramLauncherMessage(31), "File type has no association");
  EXPECT_EQ(ProgramLauncherMessage(13), "Invalid DOS version");
}

} // namespace
} // namespace quendel
