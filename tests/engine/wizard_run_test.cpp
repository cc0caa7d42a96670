// The setup program with a before-install wizard in its definition, run as
// the program runs it (definition loaded, run on the first activation) on the
// headless backend: the pages appear in Order, a confirmed Cancel ends the run
// as a user abort, and a quiet run opens no window but logs the pages.
#include "dialogs/dialog_forms.h"
#include "dialogs/dialog_manager.h"
#include "engine/install.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"

#include "definition/binary_codec.h"
#include "definition/text_codec.h"
#include "platform/native/native_platform.h"
#include "ui/headless.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;

class TRunPage : public dialogs::TBaseInstallForm {
public:
  explicit TRunPage(TComponent* AOwner) : dialogs::TBaseInstallForm(AOwner) {}
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TRunPage>("TRunPage", &dialogs::TBaseInstallForm::StaticClass);
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// A page component as a definition names it; its page's caption is its name.
class TRunPageDlg : public dialogs::TBaseInstallDlg {
public:
  explicit TRunPageDlg(TComponent* AOwner) : dialogs::TBaseInstallDlg(AOwner) {
    Register(dialogs::dmBeforeInstall, 10);
  }
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      TClassBuilder<TRunPageDlg> B("TRunPageDlg", &dialogs::TBaseInstallDlg::StaticClass);
      dialogs::PublishBaseInstallDlg(B);
      return B;
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override { return TRunPage::StaticClass(); }
  void AssignDialogProperties() override {
    dialogs::TBaseInstallDlg::AssignDialogProperties();
    CurrentForm()->SetCaption(Name());
  }
};

class WizardRun : public ::testing::Test {
protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("quendel_wizard_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(FDir);
    fs::create_directories(FDir / "tmp");
    std::ofstream(FDir / "tmp" / "setup.exe", std::ios::binary) << std::string(4096, 'S');
    ClassRegistry().Register<TRunPageDlg>();
  }
  void TearDown() override { fs::remove_all(FDir); }

  // Three pages made in another order than they show.
  std::vector<std::uint8_t> Definition() const {
    std::string text = "object frmMainMenu: TfrmMainMenu\n  Caption = 'Test Install'\n"
                       "  object psProgramFiles: TpsProgramFiles\n  end\n"
                       "  object Install1: TInstall\n    DestDir = '\\Test App'\n"
                       "    DestDirType = psProgramFiles\n  end\n"
                       "  object BeforeInstall: TDialogManager\n    Container = Install1\n"
                       "    ManagerType = dmBeforeInstall\n  end\n";
    for (const auto& [name, order] : {std::pair{"Third", 30}, {"First", 10}, {"Second", 20}})
      text += std::string("  object ") + name + ": TRunPageDlg\n    Container = Install1\n" +
              "    DialogManager = BeforeInstall\n    Order = " + std::to_string(order) + "\n  end\n";
    text += Extra + "end\n";
    return WriteObjectBinary(ReadObjectStream(std::vector<std::uint8_t>(text.begin(), text.end())));
  }

  // One start of the program; Quiet adds "*q" and gives it no widgets, as the
  // Win32 program does.
  int Start(bool Quiet) {
    platform::TPlatform p =
        platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
    std::vector<std::string> args{"-sC:\\tmp", "*l" + (FDir / "setup.log").string()};
    if (Quiet) args.push_back("*q");
    TSetupRuntime runtime(std::move(p), "C:\\tmp\\setup.exe", args);
    runtime.App().Title = "Test Install";
    EXPECT_EQ(runtime.Dialogs().Unattended, Quiet);
    runtime.App().BitmapResource = Bitmaps;
    if (!Quiet) runtime.UseWidgets(Backend);
    return RunSetupProgram(runtime.App(), Definition(), nullptr);
  }

  ui::TWinControl* Host() {
    auto w = Backend.VisibleWindows();
    return w.empty() ? nullptr : w.back();
  }
  bool Press(const std::string& Name) {
    auto* b = Host() ? dynamic_cast<ui::TWinControl*>(Backend.FindControl(*Host(), Name)) : nullptr;
    return b && Backend.Press(*b);
  }
  std::string Caption() { return Host() ? Backend.Node(Host()->Handle())->Text : ""; }
  std::string LogText() {
    std::ifstream in(FDir / "setup.log", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // The side picture of the page in front.
  std::vector<std::uint8_t> SidePicture() {
    auto* image = Host() ? dynamic_cast<ui::TImage*>(Backend.FindControl(*Host(), "ThemeBitmap")) : nullptr;
    EXPECT_NE(image, nullptr);
    return image ? image->Picture().Data() : std::vector<std::uint8_t>{};
  }

  // More objects for the definition.
  std::string Extra;
  // The program's bitmap resources.
  TEvent<std::vector<std::uint8_t>(const std::string&)> Bitmaps;
  fs::path FDir;
  ui::THeadlessBackend Backend; // outlives every runtime's widget layer
};

TEST_F(WizardRun, PagesShowInOrderAndTheLastNextLetsTheRunGoOn) {
  std::vector<std::string> seen;
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_FALSE(Press("BackBtn")); // nothing before the first page
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_TRUE(Press("BackBtn"));
  });
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  for (int i = 0; i < 2; ++i)
    Backend.Script([&] {
      seen.push_back(Caption());
      EXPECT_TRUE(Press("ProceedBtn"));
    });
  EXPECT_EQ(Start(false), ecGoodInstall);
  EXPECT_EQ(seen, (std::vector<std::string>{"First", "Second", "First", "Second", "Third"}));
  EXPECT_EQ(Backend.PendingActions(), 0);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  const std::string log = LogText();
  EXPECT_NE(log.find("BeforeInstall: wizard of 3 pages"), std::string::npos) << log;
  EXPECT_NE(log.find("END exit code 0"), std::string::npos) << log;
}

// Cancel on the second page: the wizard closes, the run ends through the
// user-abort path (exit code 2), and the rest of the run never happens.
TEST_F(WizardRun, ConfirmedCancelEndsTheRunAsUserAbort) {
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Second");
    Backend.BoxAnswers = {ui::idYes};
    EXPECT_TRUE(Press("CancelBtn"));
  });
  EXPECT_EQ(Start(false), ecUserAbort);
  EXPECT_EQ(Backend.PendingActions(), 0);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  const std::string log = LogText();
  EXPECT_NE(log.find("BeforeInstall: cancelled by the user"), std::string::npos) << log;
  EXPECT_NE(log.find("ABORT"), std::string::npos) << log;
  EXPECT_EQ(log.find("installation completed"), std::string::npos) << log;
  EXPECT_NE(log.find("END exit code 2"), std::string::npos) << log;
}

// "*q": no window (a wizard would fail without widgets), each page logged in
// its order with its defaults, and the run completes.
TEST_F(WizardRun, QuietRunOpensNoWindowAndLogsThePages) {
  EXPECT_EQ(Start(true), ecGoodInstall);
  const std::string log = LogText();
  const auto first = log.find("BeforeInstall: unattended, First keeps its defaults");
  const auto third = log.find("BeforeInstall: unattended, Third keeps its defaults");
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_NE(third, std::string::npos) << log;
  EXPECT_LT(first, third);
  EXPECT_NE(log.find("END exit code 0"), std::string::npos) << log;
}

// "Setup complete" alone (no manager) closed with its close box: the run
// stays a good install, nothing is aborted.
TEST_F(WizardRun, SetupCompleteClosedByItsCloseBoxStaysAGoodInstall) {
  Extra = "  object GoodDlg: TGoodInstallationDlg\n    Container = Install1\n  end\n";
  for (int i = 0; i < 3; ++i)
    Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Setup complete");
    Backend.CloseBox(*dynamic_cast<ui::TCustomForm*>(Host()));
  });
  EXPECT_EQ(Start(false), ecGoodInstall);
  EXPECT_EQ(Backend.PendingActions(), 0);
  const std::string log = LogText();
  EXPECT_EQ(log.find("ABORT"), std::string::npos) << log;
  EXPECT_NE(log.find("END exit code 0"), std::string::npos) << log;
}

// A declined licence ends the run as a user abort, which shows "Setup
// incomplete"; Esc closes that page without another error.
TEST_F(WizardRun, DecliningTheLicenceShowsSetupIncomplete) {
  Extra = "  object LicenseDlg1: TLicenseDlg\n    Container = Install1\n"
          "    DialogManager = BeforeInstall\n    Order = 15\n"
          "    LicenseAgreement.Strings = (\n      'Terms')\n  end\n"
          "  object BadDlg: TBadInstallationDlg\n    Container = Install1\n  end\n";
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Software license agreement");
    Backend.BoxAnswers = {ui::idYes};
    EXPECT_TRUE(Press("CancelBtn"));
  });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Setup incomplete");
    Backend.Escape(*dynamic_cast<ui::TCustomForm*>(Host()));
  });
  EXPECT_EQ(Start(false), ecUserAbort);
  EXPECT_EQ(Backend.PendingActions(), 0);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  EXPECT_NE(LogText().find("END exit code 2"), std::string::npos);
}

} // namespace
} // namespace quendel

namespace quendel {
namespace {

// A 1 x 1 bitmap of 24 bits.
std::vector<std::uint8_t> TinyBitmap() {
  std::vector<std::uint8_t> b = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0,
                                 1,   0,   0,  0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0};
  b.resize(54);
  b.insert(b.end(), {0x20, 0x40, 0x80, 0});
  return b;
}

// The program's bitmap "INSTALLTHEME1" is every page's side picture; a
// damaged one leaves the pages without, and the run goes on.
TEST_F(WizardRun, PagesShowTheProgramsSidePicture) {
  const std::vector<std::uint8_t> theme = TinyBitmap();
  for (const bool damaged : {false, true}) {
    Bitmaps = [&](const std::string& Name) {
      if (Name != "INSTALLTHEME1") return std::vector<std::uint8_t>{};
      return damaged ? std::vector<std::uint8_t>{'B', 'M', 1} : theme;
    };
    std::vector<std::vector<std::uint8_t>> shown;
    for (int i = 0; i < 3; ++i)
      Backend.Script([&] {
        shown.push_back(SidePicture());
        EXPECT_TRUE(Press("ProceedBtn"));
      });
    EXPECT_EQ(Start(false), ecGoodInstall);
    EXPECT_EQ(shown, std::vector<std::vector<std::uint8_t>>(3, damaged ? std::vector<std::uint8_t>{} : theme));
  }
}

} // namespace
} // namespace quendel
