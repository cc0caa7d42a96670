// The example product (examples/setup) installed and removed end to end in
// one process on the simulated machine: its archive made from its payload,
// the definition loaded as the setup program loads it, an unattended run
// with a log, then what the uninstaller would plan and do with what the run
// left behind.
#include "engine/exit_codes.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"

#include "core/strings.h"
#include "model/model_context.h"
#include "platform/native/native_files.h"
#include "platform/native/native_process.h"
#include "platform/native/native_sysinfo.h"
#include "platform/shell_link_format.h"
#include "translate/language.h"
#include "support/example_product.h"
#include "system/test_failing_files.h"
#include "uninstall/uninstall_log.h"
#include "uninstall/uninstall_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <sstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;
using platform::rkLocalMachine;

const char* const kProductKey = test::kExampleProductKey;
const char* const kProduct = "C:\\Program Files\\Quendel Example";

std::string ReadText(const fs::path& P) {
  return test::ReadHostText(P);
}

class ProductInstall : public test::TExampleProductTest {
protected:
  ProductInstall() : TExampleProductTest("quendel_product_") {}

  // One start of the product's setup program, as the loading program starts
  // it (Args replace the usual ones); Prepare sees the machine first, Check
  // before it is gone.
  using TMachineHook = std::function<void(platform::TPlatform&)>;
  int Install(const TMachineHook& Prepare = {}, const TMachineHook& Check = {},
              std::vector<std::string> Args = {}) {
    platform::TPlatform p = Machine();
    if (Prepare) Prepare(p);
    if (Args.empty()) Args = {"-sC:\\src", "*q"};
    Args.push_back("*l" + (FDir / "setup.log").string());
    int code;
    {
      TSetupRuntime runtime(std::move(p), "C:\\src\\setup.exe", Args);
      runtime.App().Title = "Quendel Example Install";
      code = RunSetupProgram(runtime.App(), FDefinition, nullptr);
      if (Check) Check(runtime.Platform());
      Save(runtime.Platform());
    }
    return code;
  }
  // The definition with Extra added to the object named Object.
  void Amend(const std::string& Object, const std::string& Extra) {
    const std::size_t at = FText.find("\n", FText.find("object " + Object + ":"));
    FText.insert(at + 1, Extra);
    FDefinition = WriteObjectBinary(ReadObjectStream(std::vector<std::uint8_t>(FText.begin(), FText.end())));
  }

  // The definition without its wizard (dialog managers and pages), for a run
  // that is not unattended but has no windows to show them in.
  void DropWizard() {
    std::string kept;
    std::istringstream in(FText);
    bool dropping = false;
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("  object ", 0) == 0) {
        const std::string cls = line.substr(line.find(": ") + 2);
        dropping = cls == "TDialogManager" || (cls.size() > 3 && cls.compare(cls.size() - 3, 3, "Dlg") == 0);
      }
      if (!dropping) kept += line + "\n";
      if (dropping && line == "  end") dropping = false;
    }
    FText = kept;
    FDefinition = WriteObjectBinary(ReadObjectStream(std::vector<std::uint8_t>(FText.begin(), FText.end())));
  }

  // What the uninstaller does when Windows starts "UninstallString".
  TUninstallResult Uninstall(TUninstallPlan* Planned = nullptr) {
    platform::TPlatform p = Machine();
    const std::string command = p.Registry->OpenKey(rkLocalMachine, kProductKey, platform::TRegAccess::Read)
                                    ->ReadString("UninstallString");
    const std::string exe = command.substr(1, command.find('"', 1) - 1);
    const std::string key = FindProductKey(*p.Registry, Trim(command.substr(command.find('"', 1) + 1)));
    const TUninstallPlan plan = PlanUninstall(p, key, ProductRoots(p, exe));
    if (Planned) *Planned = plan;
    TUninstallResult r = ExecuteUninstall(p, plan, [](const std::string&, int) { return std::string(); });
    Save(p);
    return r;
  }

};

// The product's files in their directories with their contents and dates,
// the shortcuts, the uninstall key's values and log, the record gone, and
// the log file's lines; then the uninstall removes all of it but what the
// user added.
TEST_F(ProductInstall, InstallsEverythingAndTheUninstallRemovesIt) {
  ASSERT_EQ(Install(), ecGoodInstall) << ReadText(FDir / "setup.log");
  const std::string product = kProduct;
  for (const auto& [file, source] : std::vector<std::pair<std::string, std::string>>{
           {"\\example.ini", "example.ini"}, {"\\readme.txt", "readme.txt"},
           {"\\Docs\\licence.txt", "licence.txt"}, {"\\Docs\\guide.txt", "guide.txt"},
           {"\\Uninstall\\uninstall.exe", "uninstall.exe"}}) {
    const fs::path installed = Host(product + file);
    ASSERT_TRUE(fs::exists(installed)) << installed;
    EXPECT_EQ(ReadText(installed), ReadText(FDir / "src" / source)) << file;
    EXPECT_EQ(fs::last_write_time(installed), FStamp) << file;
  }

  platform::TPlatform m = Machine();
  EXPECT_FALSE(m.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
  auto key = m.Registry->OpenKey(rkLocalMachine, kProductKey, platform::TRegAccess::Read);
  EXPECT_EQ(key->ReadString("DisplayName"), "Quendel Example");
  EXPECT_EQ(key->ReadString("UninstallString"),
            "\"" + product + "\\Uninstall\\uninstall.exe\" Quendel Example");
  EXPECT_EQ(key->ReadString("Readme"), product + "\\readme.txt");
  EXPECT_EQ(key->ReadString("Publisher"), "Quendel Example Company");
  EXPECT_EQ(key->ReadString("DisplayVersion"), "1.0");
  EXPECT_EQ(key->ReadString("Comments"), "An example product");
  EXPECT_FALSE(key->ValueExists("DisplayIcon"));

  const TUninstallLog log = ReadUninstallLog(*m.Registry, kProductKey);
  // Four files (the uninstaller logs none for itself) and three shortcuts.
  ASSERT_EQ(log.Files.size(), 7u);
  EXPECT_EQ(ExtractFileName(log.Files[4]), "Read me.lnk");
  int links = 0;
  for (const std::string& f : log.Files) {
    if (LowerCase(ExtractFileExt(f)) == ".lnk") {
      ++links;
      EXPECT_TRUE(m.Files->FileExists(f)) << f;
    }
  }
  EXPECT_EQ(links, 3);
  // The uninstaller's shortcut starts it with the product name.
  const platform::TShellLink uninstallLink =
      platform::ReadShellLinkFile(*m.Files, ExtractFileDir(log.Files[4]) + "\\Tools\\Uninstall.lnk");
  EXPECT_EQ(uninstallLink.Path, product + "\\Uninstall\\uninstall.exe");
  EXPECT_EQ(uninstallLink.Arguments, "Quendel Example");
  const std::string text = ReadText(FDir / "setup.log");
  EXPECT_NE(text.find(" RUN installation completed"), std::string::npos) << text;
  EXPECT_NE(text.find(" END exit code 0"), std::string::npos) << text;
  EXPECT_NE(text.find(" FILE " + product + "\\Docs\\guide.txt"), std::string::npos) << text;
  EXPECT_NE(text.find(" LINK " + log.Files[4] + " -> " + product + "\\readme.txt"), std::string::npos) << text;

  // The user's own file in the product's folder stays, and so its folder.
  std::ofstream(Host(product + "\\Docs\\notes.txt")) << "mine";
  TUninstallPlan plan;
  const TUninstallResult r = Uninstall(&plan);
  EXPECT_EQ(r.Failures, 0);
  EXPECT_TRUE(plan.Refused.empty());
  m = Machine();
  for (const std::string& f : log.Files) EXPECT_FALSE(m.Files->FileExists(f)) << f;
  // The program folder of the shortcuts, with its sub folder.
  EXPECT_FALSE(m.Files->DirectoryExists(ExtractFileDir(log.Files[4])));
  // The running uninstaller removes itself (and then its folder) at the
  // next start; the program does that, not the plan.
  EXPECT_TRUE(m.Files->FileExists(product + "\\Uninstall\\uninstall.exe"));
  EXPECT_TRUE(m.Files->FileExists(product + "\\Docs\\notes.txt"));
  EXPECT_FALSE(m.Registry->KeyExists(rkLocalMachine, kProductKey));
}

// A second install over the first appends to the log; the uninstall still
// removes every file once and leaves no folder behind.
TEST_F(ProductInstall, SecondInstallAppendsAndOneUninstallRemovesAll) {
  ASSERT_EQ(Install(), ecGoodInstall);
  ASSERT_EQ(Install(), ecGoodInstall) << ReadText(FDir / "setup.log");
  platform::TPlatform m = Machine();
  EXPECT_EQ(ReadUninstallLog(*m.Registry, kProductKey).Files.size(), 14u);
  const TUninstallResult r = Uninstall();
  EXPECT_EQ(r.Failures, 0);
  m = Machine();
  EXPECT_FALSE(m.Files->DirectoryExists(std::string(kProduct) + "\\Docs"));
  EXPECT_FALSE(m.Registry->KeyExists(rkLocalMachine, kProductKey));
}

// Programs to run after the install: each with its own parameters, only
// what this run installed, and a program that cannot start is logged while
// the install stays good.
TEST_F(ProductInstall, RunsItsOwnInstalledProgramsAfterwards) {
  std::string text = ReadText(fs::path(QUENDEL_SOURCE_DIR) / "examples" / "setup" / "definition.txt");
  auto add = [&](const std::string& Object, const std::string& Extra) {
    const std::size_t at = text.find("\n", text.find("object " + Object + ":"));
    text.insert(at + 1, Extra);
  };
  add("IFexample_ini", "    RunAfterInstall = True\n    RunParameters = '/first'\n");
  add("IFreadme_txt", "    RunAfterInstall = True\n");      // not a program: fails to start
  add("IFguide_txt", "    RunAfterInstall = True\n    Include = False\n"); // not installed
  FDefinition = WriteObjectBinary(ReadObjectStream(std::vector<std::uint8_t>(text.begin(), text.end())));
  const std::string ini = std::string(kProduct) + "\\example.ini";
  std::vector<std::string> started;
  EXPECT_EQ(Install(
                [&](platform::TPlatform& P) {
                  dynamic_cast<platform::native::TNativeProcesses&>(*P.Processes)
                      .AddProgram(ini, [&](const platform::TProcessStart& S) {
                        started.push_back(S.Application + "|" + S.CommandLine);
                        return std::optional<std::uint32_t>(0);
                      });
                }),
            ecGoodInstall);
  EXPECT_EQ(started, std::vector<std::string>{ini + "| /first"});
  const std::string log = ReadText(FDir / "setup.log");
  EXPECT_NE(log.find("WARNING cannot start " + std::string(kProduct) + "\\readme.txt"), std::string::npos) << log;
  EXPECT_NE(log.find(" END exit code 0"), std::string::npos) << log;
}

// A file in use waits for the restart: exit code 3, the record kept, the
// continuation under RunOnce. After the restart the continuation finishes
// into the directory the first run used and removes the record; a second
// continuation (a stale RunOnce entry) ends quietly.
TEST_F(ProductInstall, FileInUse_RestartAndContinuation) {
  ASSERT_EQ(Install(), ecGoodInstall);
  const std::string readme = std::string(kProduct) + "\\readme.txt";
  std::ofstream(Host(readme)) << "old text, still open";
  std::unique_ptr<platform::IFile> held;
  EXPECT_EQ(Install([&](platform::TPlatform& P) {
              held = P.Files->Open(readme, platform::TFileAccess::Read, platform::shareNone,
                                   platform::TCreation::OpenExisting);
            },
                    [&](platform::TPlatform& P) {
                      held.reset();
                      EXPECT_EQ(ReadText(Host(readme)), "old text, still open");
                      // The restart: Windows moves the waiting file into place.
                      dynamic_cast<platform::native::TNativeFileSystem&>(*P.Files).PerformPendingRenames();
                    }),
            ecRebootPending);
  EXPECT_NE(ReadText(FDir / "setup.log").find(" REBOOT " + readme + " is in use"), std::string::npos);
  platform::TPlatform m = Machine();
  EXPECT_TRUE(m.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install\\Install0"));
  const std::string command =
      m.Registry->OpenKey(platform::rkCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                          platform::TRegAccess::Read)
          ->ReadString("QuendelUnfinished");
  EXPECT_EQ(command.substr(0, command.find(" *q")), "\"C:\\src\\setup.exe\" -r \"-sC:\\src\"");

  // The next start of Windows: the continuation.
  const int code = Install({}, {}, {"-r", "-sC:\\src", "*q"});
  EXPECT_EQ(code, ecGoodInstall) << ReadText(FDir / "setup.log");
  EXPECT_EQ(ReadText(Host(readme)), ReadText(FDir / "src" / "readme.txt"));
  m = Machine();
  EXPECT_FALSE(m.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
  EXPECT_NE(ReadText(FDir / "setup.log").find(" RUN installation completed after the restart"),
            std::string::npos);
  EXPECT_EQ(Install({}, {}, {"-r", "-sC:\\src", "*q"}), ecGoodInstall);
}

// The continuation speaks the language the first run used, which it reads
// from the record: here the first run's definition chose German, the
// continuation's leaves it to the user's language (English on this
// machine). A saved value that is no language falls back to the latter.
TEST_F(ProductInstall, ContinuationTakesTheSavedLanguage) {
  const std::vector<std::uint8_t> plain = FDefinition;
  Amend("Install1", "    Reboot = True\n");
  Amend("MainTranslator", "    TranslateIntoLanguage = qlGerman\n");
  const std::vector<std::uint8_t> german = FDefinition;
  const std::string record = "SOFTWARE\\Vexo\\Install\\Install0";
  auto continuation = [&](const std::string& Expected) {
    FDefinition = plain;
    fs::remove(FDir / "setup.log");
    EXPECT_EQ(Install({}, {}, {"-r", "-sC:\\src", "*q"}), ecGoodInstall) << ReadText(FDir / "setup.log");
    const std::string log = ReadText(FDir / "setup.log");
    EXPECT_NE(log.find(" RUN continuing after the restart in the language of the first run, " + Expected),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(" RUN installation completed after the restart"), std::string::npos) << log;
    EXPECT_FALSE(Machine().Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
    FDefinition = german;
  };

  ASSERT_EQ(Install(), ecRebootPending) << ReadText(FDir / "setup.log");
  EXPECT_EQ(Machine().Registry->OpenKey(rkLocalMachine, record, platform::TRegAccess::Read)->ReadDWord("Language"),
            static_cast<std::uint32_t>(qlGerman));
  continuation("qlGerman");

  ASSERT_EQ(Install(), ecRebootPending);
  {
    platform::TPlatform m = Machine();
    m.Registry->OpenKey(rkLocalMachine, record, platform::TRegAccess::ReadWrite)->WriteDWord("Language", 99);
    Save(m);
  }
  continuation("qlUser");
}

// Outside the unattended mode a needed restart is asked of Windows, with the
// shutdown privilege on the NT family; a refused restart still ends the run
// as pending a restart.
TEST_F(ProductInstall, RestartIsAskedOfWindows) {
  DropWizard();
  Amend("Install1", "    Reboot = True\n");
  for (std::uint32_t refusal : {0u, 5u}) {
    int restarts = -1;
    bool privilege = false;
    EXPECT_EQ(Install([&](platform::TPlatform& P) {
                dynamic_cast<platform::native::TNativeSystemInfo&>(*P.System).Config().RestartError = refusal;
              },
                      [&](platform::TPlatform& P) {
                        auto& S = dynamic_cast<platform::native::TNativeSystemInfo&>(*P.System);
                        restarts = S.Restarts();
                        privilege = S.ShutdownPrivilegeAsked();
                      },
                      {"-sC:\\src"}),
              ecRebootPending);
    EXPECT_EQ(restarts, 1);
    EXPECT_TRUE(privilege);
  }
}

// Pumps the windows as the copy form does, whose Cancel the user presses
// once the new guide is being written beside the installed one.
class TCancelDuringExtraction : public platform::IUIServices {
public:
  TCancelDuringExtraction(platform::IFileSystem& AFiles, std::string AWatched)
      : Files(AFiles), Watched(std::move(AWatched)) {}
  bool Interactive() const override { return false; }
  int ShowMessageBox(const std::string&, const std::string&, unsigned Flags) override {
    return platform::DefaultAnswer(Flags);
  }
  bool SetBusyCursor(bool) override { return false; }
  void ProcessMessages() override {
    if (Cancelled || !Files.FileExists(Watched)) return;
    Cancelled = true;
    TModelContext& M = CurrentModelContext();
    if (M.SharedCompressor) M.SharedCompressor->SetAbort(true);
    M.UserAbort = true;
  }
  platform::IFileSystem& Files;
  std::string Watched;
  bool Cancelled = false;
};

// A second release whose guide is large fails in the middle of writing it,
// on a full disk and when the user cancels: the guide the first install put
// there is as it was, nothing is left beside it, and the run ends with a
// failure code.
TEST_F(ProductInstall, FullDiskOrCancelDuringAnExtractionKeepsTheInstalledFile) {
  ASSERT_EQ(Install(), ecGoodInstall);
  const std::string docs = std::string(kProduct) + "\\Docs";
  const std::string installed = ReadText(Host(docs + "\\guide.txt"));
  auto names = [&] {
    std::vector<std::string> found;
    for (const auto& E : fs::directory_iterator(Host(docs)))
      found.push_back(E.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
  };
  const std::vector<std::string> before = names();
  {
    std::mt19937 random(7);
    std::string noise(300000, '\0');
    for (char& c : noise)
      c = static_cast<char>(random());
    std::ofstream(FDir / "src" / "guide.txt", std::ios::binary) << noise;
  }
  fs::last_write_time(FDir / "src" / "guide.txt", FStamp);
  BuildArchive();

  std::unique_ptr<platform::IFileSystem> disk;
  EXPECT_EQ(Install([&](platform::TPlatform& P) {
              disk = std::move(P.Files);
              auto full = std::make_unique<testing::TFailingFiles>(*disk);
              full->BytesLeft = 100000;
              P.Files = std::move(full);
            }),
            ecBadInstall);
  EXPECT_EQ(ReadText(Host(docs + "\\guide.txt")), installed);
  EXPECT_EQ(names(), before);
  // The log of every run ends with its exit code.
  auto lastEnd = [&] {
    const std::string log = ReadText(FDir / "setup.log");
    return log.substr(log.rfind(" END "));
  };
  EXPECT_EQ(lastEnd(), " END exit code 1\r\n");

  DropWizard();
  bool cancelled = false;
  EXPECT_EQ(Install(
                [&](platform::TPlatform& P) {
                  P.UI = std::make_unique<TCancelDuringExtraction>(*P.Files, docs + "\\guide.1");
                },
                [&](platform::TPlatform& P) {
                  cancelled = dynamic_cast<TCancelDuringExtraction&>(*P.UI).Cancelled;
                },
                {"-sC:\\src"}),
            ecUserAbort);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(ReadText(Host(docs + "\\guide.txt")), installed);
  EXPECT_EQ(names(), before);
  EXPECT_EQ(lastEnd(), " END exit code 2\r\n");
}

} // namespace
} // namespace quendel
