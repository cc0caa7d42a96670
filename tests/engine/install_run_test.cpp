// The setup program's start-up and run, end to end in one process on the
// simulated machine: a definition loaded as the program loads it, the run on
// the first activation, and what it leaves in the registry, the log and the
// exit code.
#include "engine/install.h"
#include "engine/install_record.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"

#include "definition/binary_codec.h"
#include "definition/text_codec.h"
#include "platform/native/native_platform.h"
#include "platform/native/native_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;
using platform::rkCurrentUser;
using platform::rkLocalMachine;

// An install object of any kind that records what reaches it, and fails or
// cancels on an event when a test asks it to.
struct TProbeLog {
  std::vector<std::string> Lines;
  int ThrowOn = 0;    // an event code or "process"
  bool AbortOn = false; // throw EAIUserAbort instead of an error
  bool ThrowOnProcess = false;
  std::vector<std::string> Completed;
  std::vector<std::string> CompletedIn; // the root's full destination then
};
TProbeLog* GLog = nullptr;

class TRunProbe : public TInstallObject {
public:
  explicit TRunProbe(TComponent* AOwner) : TInstallObject(AOwner) {}
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      TClassBuilder<TRunProbe> b("TRunProbe", &TInstallObject::StaticClass);
      TInstallProps<TRunProbe>::Container(b);
      b.Int<&TRunProbe::Kind, &TRunProbe::SetKind>("Kind", 9000);
      return b;
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int Kind() const { return FKind; }
  void SetKind(int V) {
    FKind = V;
    // Groups, directories and files are installed in their container's pass.
    SetProcessWithContainer(V < 7000);
  }
  int RegisteredType() const override { return FKind; }
  void HandleEvent(TComponent*, int Code, TEventParameter* Param) override {
    if (FKind < 9000) return; // one receiver (the dialog kind) records events
    std::string line = std::to_string(Code);
    if (auto* m = dynamic_cast<TMessageParameter*>(Param)) line += " " + m->Message;
    GLog->Lines.push_back(line);
    if (Code == GLog->ThrowOn) {
      if (GLog->AbortOn) throw EAIUserAbort();
      throw IEInstall("Archive is damaged");
    }
  }
  void DoInstall() override {
    GLog->Lines.push_back(Name() + " processed");
    if (GLog->ThrowOnProcess) throw IEInstall("Archive is damaged");
  }
  void CompleteAfterReboot() override {
    GLog->Completed.push_back(Name() + " " + CurrentInstall()->DestDir());
    GLog->CompletedIn.push_back(CurrentInstall()->GetFullDestDir());
  }

private:
  int FKind = 9000;
};

class InstallRun : public ::testing::Test {
protected:
  void SetUp() override {
    GLog = &FLog;
    FDir = fs::temp_directory_path() /
           ("quendel_run_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(FDir);
    fs::create_directories(FDir / "tmp");
    std::ofstream(FDir / "tmp" / "setup.exe", std::ios::binary) << std::string(4096, 'S');
    ClassRegistry().Register<TRunProbe>();
  }
  void TearDown() override {
    GLog = nullptr;
    fs::remove_all(FDir);
  }

  // The definition: the root (with the extra text of Root) and a probe of
  // each kind in Kinds.
  std::vector<std::uint8_t> Definition(const std::string& Root, const std::vector<int>& Kinds) {
    std::string text = "object frmMainMenu: TfrmMainMenu\n  Caption = 'Test Install'\n"
                       "  object psProgramFiles: TpsProgramFiles\n  end\n"
                       "  object Install1: TInstall\n    DestDir = '\\Test App'\n"
                       "    DestDirType = psProgramFiles\n" +
                       Root + "  end\n";
    for (std::size_t i = 0; i < Kinds.size(); ++i)
      text += "  object Probe" + std::to_string(i + 1) + ": TRunProbe\n    Container = Install1\n    Kind = " +
              std::to_string(Kinds[i]) + "\n  end\n";
    text += "end\n";
    return WriteObjectBinary(ReadObjectStream(std::vector<std::uint8_t>(text.begin(), text.end())));
  }

  // One start of the program with Args, on the machine of this test (the
  // registry carried from start to start).
  int Start(const std::vector<std::string>& Args, const std::vector<std::uint8_t>& Def,
            const std::function<void(TCustomInstall&)>& Prepare = {}) {
    platform::TPlatform p =
        platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
    if (FRegistry.empty()) FRegistry = (FDir / "registry.txt").string();
    auto* reg = dynamic_cast<platform::native::TNativeRegistry*>(p.Registry.get());
    if (fs::exists(FRegistry)) reg->LoadFromFile(FRegistry);
    int code;
    {
      TSetupRuntime runtime(std::move(p), "C:\\tmp\\setup.exe", Args);
      runtime.App().Title = "Test Install";
      if (Prepare)
        runtime.App().OnActivate = [&] {
          if (TCustomInstall* root = CurrentInstall()) Prepare(*root);
        };
      code = RunSetupProgram(runtime.App(), Def, nullptr);
      dynamic_cast<platform::native::TNativeRegistry&>(*runtime.Platform().Registry).SaveToFile(FRegistry);
    }
    return code;
  }

  platform::TPlatform Machine() {
    platform::TPlatform p =
        platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
    dynamic_cast<platform::native::TNativeRegistry&>(*p.Registry).LoadFromFile(FRegistry);
    return p;
  }

  std::string LogText() {
    std::ifstream in(FDir / "setup.log", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string LogArg() { return "*l" + (FDir / "setup.log").string(); }
  bool Has(const std::string& Line) {
    return std::find(FLog.Lines.begin(), FLog.Lines.end(), Line) != FLog.Lines.end();
  }
  int CountOf(const std::string& Line) {
    return static_cast<int>(std::count(FLog.Lines.begin(), FLog.Lines.end(), Line));
  }

  fs::path FDir;
  std::string FRegistry;
  TProbeLog FLog;
};

// A good install: the wizard's events, the tree, the good-install events,
// the record gone, exit code 0, and the log of it all.
TEST_F(InstallRun, GoodInstall_RemovesRecordLogsAndEndsWithZero) {
  const int code = Start({"-sC:\\tmp", "*q", "*TODISK", LogArg()}, Definition("", {9000, 500}));
  EXPECT_EQ(code, ecGoodInstall);
  EXPECT_TRUE(Has("-980"));
  EXPECT_TRUE(Has("Probe2 processed"));
  EXPECT_TRUE(Has("-995"));
  EXPECT_TRUE(Has("-979"));
  EXPECT_FALSE(Has("-994"));
  // No shortcut objects: no shortcut status.
  EXPECT_EQ(CountOf("-974 Installing shell links..."), 0);
  platform::TPlatform m = Machine();
  EXPECT_FALSE(m.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
  const std::string log = LogText();
  EXPECT_NE(log.find(" START C:\\tmp\\setup.exe"), std::string::npos) << log;
  EXPECT_NE(log.find(" RECORD HKEY_LOCAL_MACHINE\\SOFTWARE\\Vexo\\Install\\Install0"), std::string::npos) << log;
  EXPECT_NE(log.find(" RUN installation completed"), std::string::npos) << log;
  EXPECT_NE(log.find(" END exit code 0"), std::string::npos) << log;
}

// Groups and shortcuts: the shortcut status shows once per phase that has
// objects, in the phase order.
TEST_F(InstallRun, ShortcutPhases_StatusOncePerPhase) {
  EXPECT_EQ(Start({"-sC:\\tmp", "*q"}, Definition("", {9000, 8000, 7000, 8000})), ecGoodInstall);
  EXPECT_EQ(CountOf("-974 Installing shell links..."), 2);
  const auto at = [&](const std::string& L) {
    return std::find(FLog.Lines.begin(), FLog.Lines.end(), L) - FLog.Lines.begin();
  };
  EXPECT_LT(at("Probe3 processed"), at("Probe2 processed"));
  EXPECT_LT(at("Probe2 processed"), at("Probe4 processed"));
}

// Errors before any run end the program with the start-failure code: a bad
// argument (with its message in the log), a definition without a root, a
// damaged definition, and the loading program's switch missing.
TEST_F(InstallRun, ErrorsBeforeTheRun_EndWithStartFailed) {
  EXPECT_EQ(Start({"-x", "*q", LogArg()}, Definition("", {})), ecStartFailed);
  EXPECT_NE(LogText().find("ERROR Invalid parameter <-x>. Valid command line parameters are:"),
            std::string::npos)
      << LogText();
  const std::string noRoot = "object frmMainMenu: TfrmMainMenu\nend\n";
  EXPECT_EQ(Start({"*q"}, WriteObjectBinary(ReadObjectStream(std::vector<std::uint8_t>(noRoot.begin(), noRoot.end())))),
            ecStartFailed);
  std::vector<std::uint8_t> damaged = Definition("", {});
  damaged.resize(damaged.size() / 2);
  EXPECT_EQ(Start({"*q"}, damaged), ecStartFailed);
  EXPECT_EQ(Start({"*q"}, {}), ecStartFailed);
  EXPECT_EQ(Start({"-d", "*q"}, Definition("", {})), ecStartFailed);
  // Without "-s" the run itself fails (the loading program's message): a bad
  // install, which keeps the record.
  EXPECT_EQ(Start({"*q", LogArg()}, Definition("", {})), ecBadInstall);
  EXPECT_NE(LogText().find("ERROR The path of the loading program was not passed correctly."),
            std::string::npos);
}

// A failure in the tree is a bad install: the bad-install events, the record
// kept, the error logged, exit code 1.
TEST_F(InstallRun, FailureInTheTree_BadInstallKeepsRecord) {
  FLog.ThrowOnProcess = true;
  EXPECT_EQ(Start({"-sC:\\tmp", "*q", LogArg()}, Definition("", {9000, 500})), ecBadInstall);
  EXPECT_TRUE(Has("-994"));
  EXPECT_TRUE(Has("-978"));
  EXPECT_FALSE(Has("-995"));
  EXPECT_TRUE(Machine().Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install\\Install0"));
  EXPECT_NE(LogText().find("ERROR Archive is damaged"), std::string::npos);
  // Running again from another directory finds the same record.
  fs::create_directories(FDir / "tmp2");
  fs::copy_file(FDir / "tmp/setup.exe", FDir / "tmp2/setup.exe");
  fs::last_write_time(FDir / "tmp2/setup.exe", fs::last_write_time(FDir / "tmp/setup.exe"));
  FLog.ThrowOnProcess = false;
  EXPECT_EQ(Start({"-sC:\\tmp", "*q"}, Definition("", {9000, 500})), ecGoodInstall);
  EXPECT_FALSE(Machine().Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
}

// Cancelling the before-install wizard: the bad-install events, the record
// removed, nothing installed, the user-abort code.
TEST_F(InstallRun, CancelInWizard_UserAbortRemovesRecord) {
  FLog.ThrowOn = -980;
  FLog.AbortOn = true;
  EXPECT_EQ(Start({"-sC:\\tmp", "*q"}, Definition("", {9000, 500})), ecUserAbort);
  EXPECT_TRUE(Has("-978"));
  EXPECT_FALSE(Has("Probe2 processed"));
  EXPECT_FALSE(Machine().Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
}

// A reboot: the continuation registered under RunOnce (HKEY_CURRENT_USER on
// NT), the chosen destination saved, no good-install notification, even when
// the handler clears Reboot; the continuation then finishes into the chosen
// destination and removes the record.
TEST_F(InstallRun, Reboot_ContinuationFinishesIntoTheChosenDestination) {
  const auto def = Definition("    Reboot = True\n", {9000, 500});
  const int code = Start({"-sC:\\tmp", "*q", LogArg()}, def, [](TCustomInstall& Root) {
    Root.SetDestDir("\\Chosen Place");
  });
  EXPECT_EQ(code, ecRebootPending);
  EXPECT_FALSE(Has("-995"));
  platform::TPlatform m = Machine();
  auto runOnce =
      m.Registry->OpenKey(rkCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                          platform::TRegAccess::Read);
  const std::string command = runOnce->ReadString("QuendelUnfinished");
  EXPECT_EQ(command.substr(0, command.find(" *q")), "\"C:\\tmp\\setup.exe\" -r \"-sC:\\tmp\"");
  EXPECT_TRUE(m.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install\\Install0\\Chosen"));
  m.Registry->CreateKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install\\Install0\\Unfinished")
      ->WriteString("probe2", "0");
  dynamic_cast<platform::native::TNativeRegistry&>(*m.Registry).SaveToFile(FRegistry);

  FLog.Lines.clear();
  EXPECT_EQ(Start({"-r", "-sC:\\tmp", "*q", LogArg()}, def), ecGoodInstall);
  EXPECT_EQ(FLog.Completed, std::vector<std::string>{"Probe2 \\Chosen Place"});
  EXPECT_TRUE(Has("-995"));
  EXPECT_FALSE(Machine().Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
  EXPECT_NE(LogText().find("RUN installation completed after the restart"), std::string::npos);
}

// A directory given on the command line ("*i") is a full path, as the
// destination page's typed one: kept in the record for the restart, and the
// continuation works there, not below the definition's program-files folder.
TEST_F(InstallRun, DestinationOnCommandLine_ContinuationFinishesThere) {
  const auto def = Definition("    Reboot = True\n", {9000, 500});
  EXPECT_EQ(Start({"-sC:\\tmp", "*q", "*iD:\\Chosen Place\\"}, def), ecRebootPending);
  platform::TPlatform m = Machine();
  m.Registry->CreateKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install\\Install0\\Unfinished")
      ->WriteString("probe2", "0");
  dynamic_cast<platform::native::TNativeRegistry&>(*m.Registry).SaveToFile(FRegistry);
  EXPECT_EQ(Start({"-r", "-sC:\\tmp", "*q"}, def), ecGoodInstall);
  EXPECT_EQ(FLog.CompletedIn, std::vector<std::string>{"D:\\Chosen Place"});
}

// A stale RunOnce entry (the record is gone): the continuation ends quietly.
TEST_F(InstallRun, ContinuationWithoutRecord_EndsQuietly) {
  EXPECT_EQ(Start({"-r", "-sC:\\tmp", "*q", LogArg()}, Definition("", {9000})), ecGoodInstall);
  EXPECT_FALSE(Has("-995"));
  EXPECT_NE(LogText().find("nothing to continue"), std::string::npos);
}

// An "Unfinished" entry whose kind is not a number stops the continuation
// with the message naming the whole line.
TEST_F(InstallRun, ContinuationWithBadEntry_FailsNamingTheLine) {
  const auto def = Definition("    Reboot = True\n", {9000});
  EXPECT_EQ(Start({"-sC:\\tmp", "*q"}, def), ecRebootPending);
  platform::TPlatform m = Machine();
  m.Registry->CreateKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install\\Install0\\Unfinished")
      ->WriteString("Probe1", "zero");
  dynamic_cast<platform::native::TNativeRegistry&>(*m.Registry).SaveToFile(FRegistry);
  EXPECT_EQ(Start({"-r", "-sC:\\tmp", "*q", LogArg()}, def), ecStartFailed);
  EXPECT_NE(LogText().find("There is an invalid entry for the unfinished install list Probe1;zero"),
            std::string::npos)
      << LogText();
}

} // namespace
} // namespace quendel
