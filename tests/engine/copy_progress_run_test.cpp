// The copy progress form and the status box in a whole run of the setup
// program on the headless backend: a Cancel pressed while files are copied,
// confirmed or refused, and what the run then leaves on the machine.
#include "engine/exit_codes.h"
#include "engine/install.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"

#include "archive/compress.h"
#include "definition/binary_codec.h"
#include "definition/text_codec.h"
#include "dialogs/progress_pages.h"
#include "platform/native/native_platform.h"
#include "platform/native/native_registry.h"
#include "platform/native/native_shell.h"
#include "ui/headless.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;

const char* const kTarget = "Program Files/Test App";

std::string ReadText(const fs::path& P) {
  std::ifstream in(P, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// a.dat and b.dat come from the main archive (the shared compressor), c.dat,
// the last file, from an archive of its own directory. Within a kind the
// object made last is installed first: a.dat, b.dat, then c.dat.
const char* const kDefinition = R"(object frmMainMenu: TfrmMainMenu
  Caption = 'Test Install'
  object psProgramFiles: TpsProgramFiles
  end
  object psContainerDestDir: TpsContainerDestDir
  end
  object psMainArchiveFile: TpsMainArchiveFile
  end
  object psContainerArchiveFile: TpsContainerArchiveFile
  end
  object Install1: TInstall
    DestDir = '\Test App'
    DestDirType = psProgramFiles
    ArchiveFileType = psMainArchiveFile
  end
  object ExtraDir: TInstallDirectory
    Container = Install1
    DestDirType = psContainerDestDir
    ArchiveFile = 'C:\src\extra.1'
  end
  object IFc_dat: TInstallFile
    Container = ExtraDir
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
    FileName = 'c.dat'
    UniqueID = 3
    DestName = 'c.dat'
  end
  object AppDir: TInstallDirectory
    Container = Install1
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
  end
  object IFb_dat: TInstallFile
    Container = AppDir
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
    FileName = 'b.dat'
    UniqueID = 2
    DestName = 'b.dat'
  end
  object IFa_dat: TInstallFile
    Container = AppDir
    DestDirType = psContainerDestDir
    ArchiveFileType = psContainerArchiveFile
    FileName = 'a.dat'
    UniqueID = 1
    DestName = 'a.dat'
  end
  object CopyManager: TDialogManager
    Container = Install1
    ManagerType = dmDuringCopyFiles
  end
  object CopyFileDlg1: TCopyFileDlg
    Container = Install1
    DialogManager = CopyManager
  end
  object InstallStatusDlg1: TInstallStatusDlg
    Container = Install1
  end
end
)";

class CopyProgressRun : public ::testing::Test {
protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("quendel_copyrun_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(FDir);
    fs::create_directories(FDir / "src");
    std::ofstream(FDir / "src" / "setup.exe", std::ios::binary) << std::string(4096, 'S');
    // Several output blocks each, so that the copy loop lets input through
    // while a file is being written.
    for (const char* name : {"a.dat", "b.dat", "c.dat"}) {
      std::string data;
      for (int i = 0; i < 20000; ++i)
        data.push_back(static_cast<char>((i * 7 + name[0]) % 251));
      std::ofstream(FDir / "src" / name, std::ios::binary) << data;
    }
    platform::TPlatform p = Machine();
    p.Files->SetCurrentDir("C:\\src");
    const auto pack = [&](const char* Archive,
                          std::initializer_list<std::pair<const char*, int>> Files) {
      TQndlCompress c(nullptr, p.Files.get());
      c.SetCompressedFile(Archive);
      bool first = true;
      for (const auto& [file, id] : Files) {
        TStrings list;
        list.Add(file);
        c.SetFilesToProcess(list);
        c.Add(first ? lzcOverwrite : lzcOnlyAdd, id);
        first = false;
      }
    };
    pack("C:\\src\\files.1", {{"a.dat", 1}, {"b.dat", 2}});
    pack("C:\\src\\extra.1", {{"c.dat", 3}});
    const std::string text = kDefinition;
    FDefinition =
        WriteObjectBinary(ReadObjectStream(std::vector<std::uint8_t>(text.begin(), text.end())));
  }
  void TearDown() override { fs::remove_all(FDir); }

  platform::TPlatform Machine() {
    platform::TPlatform p = platform::native::CreateNativePlatform(
        platform::native::TDriveMap().Map('C', FDir.string()));
    auto& reg = dynamic_cast<platform::native::TNativeRegistry&>(*p.Registry);
    platform::native::WriteShellFolderRecords(
        reg, dynamic_cast<platform::native::TNativeShell&>(*p.Shell).Config());
    return p;
  }

  // One run with the widgets of Backend; the record is looked at before the
  // machine goes.
  int Run() {
    int code;
    TSetupRuntime runtime(Machine(), "C:\\src\\setup.exe",
                          {"-sC:\\src", "*l" + (FDir / "setup.log").string()});
    runtime.App().Title = "Test Install";
    runtime.UseWidgets(Backend);
    runtime.App().OnActivate = [this] {
      if (TCustomInstall* root = CurrentInstall())
        root->OnAfterInstallObjects = [this](TComponent*, bool Aborted) {
          ObjectsAborted = Aborted;
        };
    };
    code = RunSetupProgram(runtime.App(), FDefinition, nullptr);
    RecordLeft = runtime.Platform().Registry->KeyExists(platform::rkLocalMachine,
                                                        "SOFTWARE\\Vexo\\Install\\Install0");
    return code;
  }

  ui::TWinControl* Window(bool CopyForm) {
    for (ui::TWinControl* w : Backend.VisibleWindows())
      if ((dynamic_cast<dialogs::TCopyFileForm*>(w) != nullptr) == CopyForm &&
          (CopyForm || dynamic_cast<dialogs::TInstallStatusForm*>(w)))
        return w;
    return nullptr;
  }
  std::string Text(ui::TWinControl* W, const char* Control) {
    ui::TControl* c = Backend.FindControl(*W, Control);
    return c ? c->Caption() : "";
  }
  // Watches the windows whenever the run lets input through; presses Cancel
  // on the copy form once it shows File, answering the question with Answer.
  void CancelDuring(const std::string& File, int Answer) {
    Backend.OnProcessMessages = [=, this] {
      if (ui::TWinControl* status = Window(false)) StatusSeen.push_back(Text(status, "lblMessage"));
      ui::TWinControl* copy = Window(true);
      if (!copy) return;
      FilesSeen.push_back(Text(copy, "lblCopyingFile"));
      if (Pressed || FilesSeen.back() != File) return;
      Pressed = true;
      Backend.BoxAnswers.push_back(Answer);
      auto* cancel = dynamic_cast<ui::TWinControl*>(Backend.FindControl(*copy, "CancelBtn"));
      ASSERT_NE(cancel, nullptr);
      EXPECT_TRUE(Backend.Press(*cancel));
      CancelEnabledAfter = cancel->Enabled();
    };
  }
  bool Installed(const char* Name) { return fs::exists(FDir / kTarget / Name); }

  fs::path FDir;
  std::vector<std::uint8_t> FDefinition;
  ui::THeadlessBackend Backend;
  std::vector<std::string> StatusSeen, FilesSeen;
  bool Pressed = false, CancelEnabledAfter = true, RecordLeft = true;
  std::optional<bool> ObjectsAborted; // what OnAfterInstallObjects was told
};

// A confirmed Cancel during the first file: the run ends as a user abort,
// nothing more is written, the user's own file at a later target is left as
// it was, and the record is removed.
TEST_F(CopyProgressRun, CancelConfirmedDuringTheCopyEndsAsUserAbort) {
  fs::create_directories(FDir / kTarget);
  std::ofstream(FDir / kTarget / "b.dat", std::ios::binary) << "the user's own";
  CancelDuring("a.dat", ui::idYes);
  EXPECT_EQ(Run(), ecUserAbort);
  EXPECT_TRUE(Pressed);
  EXPECT_FALSE(CancelEnabledAfter);
  EXPECT_EQ(ObjectsAborted, true);
  EXPECT_FALSE(Installed("a.dat")); // interrupted: no half file either
  EXPECT_TRUE(ReadText(FDir / kTarget / "b.dat") == "the user's own");
  EXPECT_FALSE(Installed("c.dat"));
  EXPECT_EQ(std::distance(fs::directory_iterator(FDir / kTarget), fs::directory_iterator()), 1);
  EXPECT_FALSE(RecordLeft);
  EXPECT_TRUE(Backend.VisibleWindows().empty()); // copy form and status box gone
  const std::string log = ReadText(FDir / "setup.log");
  EXPECT_NE(log.find("ABORT Installation aborted by the user"), std::string::npos) << log;
  EXPECT_EQ(log.find("installation completed"), std::string::npos) << log;
  EXPECT_NE(log.find("END exit code 2"), std::string::npos) << log;
}

// The last file comes from an archive of its own (its own compressor): the
// Cancel confirmed while it is written still ends the run as a user abort,
// and what was copied before stays.
TEST_F(CopyProgressRun, CancelDuringTheLastFileIsNotLost) {
  CancelDuring("c.dat", ui::idYes);
  EXPECT_EQ(Run(), ecUserAbort);
  EXPECT_TRUE(Pressed);
  EXPECT_TRUE(Installed("a.dat"));
  EXPECT_TRUE(Installed("b.dat"));
  EXPECT_FALSE(Installed("c.dat"));
  EXPECT_FALSE(RecordLeft);
  EXPECT_EQ(ReadText(FDir / "setup.log").find("installation completed"), std::string::npos);
}

// Refused: the copy goes on with Cancel still available and the run ends as
// a good install; the form showed every file and the status box the phase.
TEST_F(CopyProgressRun, RefusedCancelContinuesToAGoodInstall) {
  CancelDuring("a.dat", ui::idNo);
  EXPECT_EQ(Run(), ecGoodInstall);
  EXPECT_TRUE(Pressed);
  EXPECT_TRUE(CancelEnabledAfter);
  EXPECT_EQ(ObjectsAborted, false);
  for (const char* f : {"a.dat", "b.dat", "c.dat"}) {
    EXPECT_TRUE(Installed(f)) << f;
    EXPECT_NE(std::find(FilesSeen.begin(), FilesSeen.end(), f), FilesSeen.end()) << f;
  }
  EXPECT_NE(std::find(StatusSeen.begin(), StatusSeen.end(), "Reading file information..."),
            StatusSeen.end());
  EXPECT_EQ(Backend.Boxes.size(), 1u);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  EXPECT_NE(ReadText(FDir / "setup.log").find("installation completed"), std::string::npos);
}

} // namespace
} // namespace quendel
