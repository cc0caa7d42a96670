// The example product's wizard walked as a user walks it, on the headless
// backend in one process: its definition and payload as examples/setup has
// them, the setup program's start-up, and a user who reads the pages, types
// and presses buttons. The same walk runs under Wine from outside
// (tests/e2e/wizard_wine.sh).
#include "engine/exit_codes.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"

#include "support/example_product.h"
#include "ui/controls.h"
#include "ui/headless.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace quendel {
namespace {

namespace fs = std::filesystem;
using platform::rkLocalMachine;

const char* const kProductKey = test::kExampleProductKey;
const char* const kPrograms = "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";

std::string ReadText(const fs::path& P) {
  return test::ReadHostText(P);
}

class SampleWalk : public test::TExampleProductTest {
protected:
  SampleWalk() : TExampleProductTest("quendel_walk_") {}

  void SetUp() override {
    TExampleProductTest::SetUp();
    // Two program folders of other products, one holding a shortcut.
    fs::create_directories(Host(std::string(kPrograms) + "\\Quendel Tools"));
    fs::create_directories(Host(std::string(kPrograms) + "\\Other Company"));
    std::ofstream(Host(std::string(kPrograms) + "\\Quendel Tools\\Other tool.lnk")) << "theirs";
    platform::TPlatform p = Machine();
    Save(p);
  }

  // One start of the setup program with its wizard, as the loading program
  // starts it; the user's actions are queued on Backend before.
  int Run() {
    platform::TPlatform p = Machine();
    int code;
    {
      TSetupRuntime runtime(std::move(p), "C:\\src\\setup.exe",
                            {"-sC:\\src", "*l" + (FDir / "setup.log").string()});
      runtime.App().Title = "Quendel Example Install";
      runtime.UseWidgets(Backend);
      code = RunSetupProgram(runtime.App(), FDefinition, nullptr);
      Save(runtime.Platform());
    }
    return code;
  }

  // The window the user looks at: the last one shown.
  ui::TWinControl& Window() {
    auto w = Backend.VisibleWindows();
    if (w.empty()) throw std::runtime_error("no window is open");
    return *w.back();
  }
  std::string Caption() { return Backend.Node(Window().Handle())->Text; }
  template <class C = ui::TWinControl> C& Control(const std::string& Name) {
    auto* c = dynamic_cast<C*>(Backend.FindControl(Window(), Name));
    if (!c) throw std::runtime_error("no control " + Name + " on " + Caption());
    return *c;
  }
  std::string Text(const std::string& Name) { return Backend.Node(Control(Name).Handle())->Text; }
  void Press(const std::string& Name) {
    if (!Backend.Press(Control(Name))) ADD_FAILURE() << Name << " cannot be pressed on " << Caption();
  }
  // A click on the list's item Item.
  void Pick(const std::string& List, const std::string& Item) {
    auto& list = Control<ui::TListBox>(List);
    const int i = list.Items().IndexOf(Item);
    ASSERT_GE(i, 0) << Item << " is not listed";
    list.SetItemIndex(i);
    Backend.Press(list);
  }

  // The pages of the example before the copy: welcome, licence, destination
  // (Dest typed), program folder (Folder picked from the list, or the
  // product's own when empty).
  void WalkToTheCopy(const std::string& Dest, const std::string& Folder) {
    Backend.Script([&] {
      EXPECT_EQ(Caption(), "Welcome");
      EXPECT_FALSE(Backend.Press(Control("BackBtn")));
      Press("ProceedBtn");
    });
    Backend.Script([&] {
      EXPECT_EQ(Caption(), "Software license agreement");
      EXPECT_EQ(Text("ProceedBtn"), "Accept >");
      EXPECT_NE(Text("Agreement").find("QUENDEL EXAMPLE SOFTWARE LICENCE"), std::string::npos);
      Press("ProceedBtn");
    });
    Backend.Script([&, Dest] {
      EXPECT_EQ(Caption(), "Choose Destination Location");
      EXPECT_EQ(Text("edDestDir"), "C:\\Program Files\\Quendel Example");
      Backend.Type(Control("edDestDir"), Dest);
      Press("ProceedBtn");
    });
    // Back from the folder page shows what was typed; Next again.
    Backend.Script([&] {
      EXPECT_EQ(Caption(), "Select folder in start menu");
      Press("BackBtn");
    });
    Backend.Script([&, Dest] {
      EXPECT_EQ(Text("edDestDir"), Dest);
      Press("ProceedBtn");
    });
    Backend.Script([&, Folder] {
      EXPECT_EQ(Caption(), "Select folder in start menu");
      // The other products' folders are offered; the product's own is shown.
      EXPECT_EQ(Text("FolderEdit"), "Quendel Example");
      EXPECT_GE(Control<ui::TListBox>("FolderListBox").Items().IndexOf("Other Company"), 0);
      if (!Folder.empty()) {
        Pick("FolderListBox", Folder);
        EXPECT_EQ(Text("FolderEdit"), Folder);
      }
      Press("ProceedBtn");
    });
  }

  std::string Log() { return ReadText(FDir / "setup.log"); }

  ui::THeadlessBackend Backend; // outlives every runtime's widget layer
};

// The whole wizard: the files land in the typed destination, the shortcuts
// in the picked folder beside the other product's, the uninstall key names
// the typed destination, and the record is gone.
TEST_F(SampleWalk, InstallsWhereTheUserChose) {
  const std::string dest = "C:\\My Programs\\Example Product";
  WalkToTheCopy(dest, "Quendel Tools");
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Setup complete");
    EXPECT_EQ(Backend.FindControl(Window(), "CancelBtn"), nullptr);
    Press("FinishBtn");
  });
  ASSERT_EQ(Run(), ecGoodInstall) << Log();
  EXPECT_EQ(Backend.PendingActions(), 0);
  for (const char* f : {"\\example.ini", "\\readme.txt", "\\Docs\\licence.txt", "\\Docs\\guide.txt",
                        "\\Uninstall\\uninstall.exe"})
    EXPECT_TRUE(fs::exists(Host(dest + f))) << f;
  EXPECT_FALSE(fs::exists(Host("C:\\Program Files\\Quendel Example")));
  const std::string folder = std::string(kPrograms) + "\\Quendel Tools";
  for (const char* l : {"\\Read me.lnk", "\\Tools\\Uninstall.lnk", "\\Tools\\Documentation.lnk"})
    EXPECT_TRUE(fs::exists(Host(folder + l))) << l;
  EXPECT_TRUE(fs::exists(Host(folder + "\\Other tool.lnk")));
  platform::TPlatform m = Machine();
  EXPECT_EQ(m.Registry->OpenKey(rkLocalMachine, kProductKey, platform::TRegAccess::Read)
                ->ReadString("UninstallString"),
            "\"" + dest + "\\Uninstall\\uninstall.exe\" Quendel Example");
  EXPECT_FALSE(m.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
  const std::string log = Log();
  EXPECT_NE(log.find("BeforeInstall: wizard of 4 pages"), std::string::npos) << log;
  EXPECT_NE(log.find("END exit code 0"), std::string::npos) << log;
}

// Cancel on the licence page, confirmed: the bad-install page, exit code 2,
// nothing installed or registered, the record removed; a refused cancel
// first keeps the page.
TEST_F(SampleWalk, DecliningTheLicenceEndsAsUserAbort) {
  Backend.BoxAnswers = {7, 6};
  Backend.Script([&] { Press("ProceedBtn"); });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Software license agreement");
    Press("CancelBtn");
  });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Software license agreement");
    Press("CancelBtn");
  });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Setup incomplete");
    Press("FinishBtn");
  });
  EXPECT_EQ(Run(), ecUserAbort) << Log();
  EXPECT_EQ(Backend.PendingActions(), 0);
  EXPECT_EQ(Backend.Boxes.size(), 2u);
  EXPECT_FALSE(fs::exists(Host("C:\\Program Files\\Quendel Example")));
  EXPECT_FALSE(fs::exists(Host(std::string(kPrograms) + "\\Quendel Example")));
  platform::TPlatform m = Machine();
  EXPECT_FALSE(m.Registry->KeyExists(rkLocalMachine, kProductKey));
  EXPECT_FALSE(m.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
  EXPECT_TRUE(fs::exists(Host(std::string(kPrograms) + "\\Quendel Tools\\Other tool.lnk")));
  EXPECT_NE(Log().find("END exit code 2"), std::string::npos) << Log();
}

// Cancel on the copy form, confirmed, while the first file is copied: the
// bad-install page, exit code 2, the record removed, no shortcut made, the
// uninstaller never reached, and the user's own file in the destination kept.
TEST_F(SampleWalk, CancelDuringTheCopyEndsAsUserAbort) {
  const std::string dest = "C:\\Program Files\\Quendel Example";
  fs::create_directories(Host(dest));
  std::ofstream(Host(dest + "\\notes.txt")) << "the user's notes";
  WalkToTheCopy(dest, "");
  Backend.BoxAnswers = {6};
  bool cancelled = false;
  Backend.OnProcessMessages = [&] {
    ui::TWinControl* copy = Backend.FindWindow("Copying installation files");
    if (cancelled || !copy) return;
    auto* cancel = dynamic_cast<ui::TWinControl*>(Backend.FindControl(*copy, "CancelBtn"));
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(Backend.Press(*cancel));
    cancelled = true;
  };
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Setup incomplete");
    Press("FinishBtn");
  });
  EXPECT_EQ(Run(), ecUserAbort) << Log();
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(Backend.PendingActions(), 0);
  EXPECT_EQ(Backend.Boxes.size(), 1u);
  EXPECT_EQ(ReadText(Host(dest + "\\notes.txt")), "the user's notes");
  EXPECT_FALSE(fs::exists(Host(dest + "\\Uninstall\\uninstall.exe")));
  EXPECT_FALSE(fs::exists(Host(std::string(kPrograms) + "\\Quendel Example\\Read me.lnk")));
  platform::TPlatform m = Machine();
  EXPECT_FALSE(m.Registry->KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
  const std::string log = Log();
  EXPECT_NE(log.find("ABORT"), std::string::npos) << log;
  EXPECT_NE(log.find("END exit code 2"), std::string::npos) << log;
}

// The example carries the translator as translations/MainTranslator.txt
// makes it: a table changed there and not here would ship stale texts.
TEST(SampleDefinition, CarriesTheShippedTranslator) {
  const fs::path root = QUENDEL_SOURCE_DIR;
  const std::string definition = ReadText(root / "examples" / "setup" / "definition.txt");
  std::istringstream in(ReadText(root / "translations" / "MainTranslator.txt"));
  std::string indented;
  for (std::string line; std::getline(in, line);) indented += (line.empty() ? "" : "  ") + line + "\n";
  const auto at = definition.find("  object MainTranslator: TTranslator\n");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(definition.substr(at), indented + "end\n")
      << "paste translations/MainTranslator.txt into examples/setup/definition.txt again";
}

} // namespace
} // namespace quendel
