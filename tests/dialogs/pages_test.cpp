// The concrete wizard pages with their stored layouts, on the headless
// backend: the information pages of the before-install wizard and the
// completion pages, hosted and alone, in English and through the shipped
// German tables.
#include "dialogs/completion_pages.h"
#include "dialogs/fake_root.h"
#include "dialogs/info_pages.h"
#include "support/test_runtime.h"
#include "translate/translator.h"
#include "ui/backdrop.h"
#include "ui/headless.h"
#include "ui/main_form.h"
#include "ui/software_canvas.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quendel::dialogs {
namespace {

std::vector<std::string> Lines(std::initializer_list<const char*> L) {
  return {L.begin(), L.end()};
}

class PagesTest : public ::testing::Test {
protected:
  PagesTest() {
    Rt.Runtime().UseWidgets(Backend);
    Root = new TFakeRoot(&Owner);
    Rt.Runtime().Model().InstallRoot = Root;
  }
  ~PagesTest() override {
    Owner.DestroyComponents();
    Rt.Runtime().Model().InstallRoot = nullptr;
  }
  TDialogManager* Manager(const char* Name, TManagerType Type) {
    auto* m = new TDialogManager(&Owner);
    m->SetName(Name);
    m->ManagerType = Type;
    m->SetContainer(Root);
    return m;
  }
  template <class D> D* Dialog(const char* Name) {
    auto* d = new D(&Owner);
    d->SetName(Name);
    d->SetContainer(Root);
    return d;
  }
  ui::TCustomForm* Window() {
    auto w = Backend.VisibleWindows();
    return w.empty() ? nullptr : dynamic_cast<ui::TCustomForm*>(w.back());
  }
  ui::TControl* Control(const std::string& Name) { return Backend.FindControl(*Window(), Name); }
  // A button the user can reach (visible and enabled, in a visible page).
  bool Usable(const std::string& Name) {
    auto* b = dynamic_cast<ui::TWinControl*>(Control(Name));
    return b && b->HandleAllocated() && Backend.Usable(b->Handle());
  }
  bool Press(const std::string& Name) {
    auto* b = dynamic_cast<ui::TWinControl*>(Control(Name));
    return b && Backend.Press(*b);
  }
  std::string Text(const std::string& Name) {
    auto* c = dynamic_cast<ui::TWinControl*>(Control(Name));
    return c ? Backend.Node(c->Handle())->Text : Control(Name)->Caption();
  }
  std::string Caption() { return Backend.Node(Window()->Handle())->Text; }
  std::vector<std::string> EditLines(const std::string& Name) {
    return dynamic_cast<ui::TMemo*>(Control(Name))->Lines().Items();
  }

  ui::THeadlessBackend Backend; // outlives the runtime's widget context
  test::TTestRuntime Rt;
  ui::TfrmMainMenu Owner{nullptr}; // the main window holds every install object
  TFakeRoot* Root = nullptr;
};

// ------------------------------------------------ welcome, licence, readme

class InfoPages : public PagesTest {
protected:
  InfoPages() {
    Before = Manager("BeforeInstall", dmBeforeInstall);
    // Made in another order than they are shown; each finds its manager.
    Readme = Dialog<TReadmeDlg>("ReadmeDlg1");
    License = Dialog<TLicenseDlg>("LicenseDlg1");
    Welcome = Dialog<TWelcomeDlg>("WelcomeDlg1");
    TStringList licence;
    licence.Add("LICENSE AGREEMENT");
    licence.Add("");
    licence.Add("You may install this product on one computer.");
    License->SetLicenseAgreement(licence);
    Readme->ReadmeText().Add("Read me first.");
  }
  TDialogManager* Before = nullptr;
  TWelcomeDlg* Welcome = nullptr;
  TLicenseDlg* License = nullptr;
  TReadmeDlg* Readme = nullptr;
};

TEST_F(InfoPages, WelcomeLicenceAndReadmeWithAcceptOnTheLicence) {
  for (TBaseInstallDlg* d : std::initializer_list<TBaseInstallDlg*>{Welcome, License, Readme})
    EXPECT_EQ(d->DialogManager(), Before);
  EXPECT_EQ((std::vector<int>{Welcome->Order(), License->Order(), Readme->Order()}),
            (std::vector<int>{10, 20, 30}));
  std::vector<std::string> seen;
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_FALSE(Usable("BackBtn"));
    EXPECT_EQ(Text("Label1"), "This program will install the software on your computer.");
    EXPECT_EQ(Text("Label3"), "Click Next to continue with the installation.");
    auto* brand = dynamic_cast<ui::TRotate3DLabel*>(Control("Rotate3DLabel1"));
    ASSERT_NE(brand, nullptr);
    EXPECT_EQ(brand->Caption(), "Vexo Deployment Software");
    EXPECT_EQ(brand->LabelStyle().AStyle3D(), ui::A3dResit);
    // The long advice wraps onto the label's three lines instead of running
    // out of the page.
    ui::TBitmap32 shot;
    Welcome->CurrentForm()->RenderTo(shot);
    ui::TControl* advice = Control("Label2");
    int left = advice->Left(), top = advice->Top();
    for (ui::TWinControl* p = advice->Parent(); p && p != Welcome->CurrentForm(); p = p->Parent())
      left += p->Left(), top += p->Top();
    bool inked[3] = {};
    for (int y = 0; y < 42; ++y)
      for (int x = 0; x < advice->Width(); ++x)
        if (shot.Pixel(left + x, top + y) == ui::MakeRGB(0, 0, 0)) inked[y / 14] = true;
    EXPECT_TRUE(inked[0] && inked[1] && inked[2]);
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_TRUE(Usable("BackBtn"));
    EXPECT_EQ(Text("ProceedBtn"), "Accept >");
    EXPECT_EQ(EditLines("Agreement"),
              Lines({"LICENSE AGREEMENT", "", "You may install this product on one computer."}));
    EXPECT_TRUE(dynamic_cast<ui::TMemo*>(Control("Agreement"))->ReadOnly);
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_EQ(EditLines("Information"), Lines({"Read me first."}));
    EXPECT_TRUE(Press("BackBtn"));
  });
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); }); // the last page finishes
  Root->Broadcast(Root, -980, nullptr);
  EXPECT_EQ(seen, Lines({"Welcome", "Software license agreement", "Readme information",
                         "Software license agreement"}));
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  EXPECT_EQ(Root->Asked, 0);
  // Their own events do nothing while the pages have a manager.
  for (int code : {-982, -981, -977})
    Root->Broadcast(Root, code, nullptr);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
}

TEST_F(InfoPages, AnEmptyLicenceEmptiesTheControlAndDecliningAbortsTheRun) {
  License->LicenseAgreement().Clear();
  Root->AgreeToAbort = false;
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  Backend.Script([&] {
    EXPECT_EQ(EditLines("Agreement"), std::vector<std::string>{}); // no placeholder text
    EXPECT_TRUE(Press("CancelBtn"));                               // refused: the licence stays
  });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Software license agreement");
    Root->AgreeToAbort = true;
    Backend.BoxAnswers = {ui::idYes};
    EXPECT_TRUE(Press("CancelBtn"));
  });
  EXPECT_THROW(Root->Broadcast(Root, -980, nullptr), EAIUserAbort);
  EXPECT_EQ(Root->Asked, 2);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
}

// Without a manager the licence shows alone on its own event: Accept closes
// it with OK; closing it or Esc is Cancel, asked first.
TEST_F(InfoPages, ALicenceAloneAcceptsOrIsCancelledOnlyWhenConfirmed) {
  License->SetDialogManager(nullptr);
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Software license agreement");
    EXPECT_FALSE(Usable("BackBtn"));
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Root->Broadcast(Root, -981, nullptr);
  EXPECT_EQ(Root->Asked, 0);

  Root->AgreeToAbort = false;
  Backend.Script([&] { Backend.CloseBox(*Window()); }); // refused: stays open
  Backend.Script([&] { Backend.Escape(*Window()); });   // refused again
  Backend.Script([&] {
    Root->AgreeToAbort = true;
    Backend.BoxAnswers = {ui::idYes};
    Backend.CloseBox(*Window());
  });
  EXPECT_THROW(License->Execute(), EAIUserAbort);
  EXPECT_EQ(Root->Asked, 3);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
}

// The shipped tables translate every page by its string identifiers and its
// caption; the licence text itself stays as written.
TEST_F(InfoPages, PagesSpeakTheShippedGermanAndFrenchTables) {
  TTranslator translator(nullptr);
  for (TQndlLanguage ident : {qlEnglish, qlGerman, qlFrench}) {
    TLanguage* l = translator.ResolveLanguage(ident);
    std::ifstream in(std::string(QUENDEL_TRANSLATIONS) + "/" + l->TextFileName(), std::ios::binary);
    ASSERT_TRUE(in) << l->TextFileName();
    l->Strings()->SetText(std::string(std::istreambuf_iterator<char>(in), {}));
  }
  translator.SetTranslateIntoLanguage(qlGerman);
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Willkommen");
    EXPECT_EQ(Text("Label1"), "Dieses Programm installiert die Software auf Ihrem Computer.");
    EXPECT_EQ(Text("ProceedBtn"), "Weiter >");
    EXPECT_EQ(Text("CancelBtn"), "Abbrechen");
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Backend.Script([&] {
    EXPECT_EQ(Text("ProceedBtn"), "Annehmen >");
    EXPECT_EQ(Text("BackBtn"), std::string("< Zur") + '\xFC' + "ck");
    EXPECT_EQ(Text("Label1"), "Bitte lesen Sie die folgende Lizenzvereinbarung.");
    EXPECT_EQ(EditLines("Agreement")[0], "LICENSE AGREEMENT");
    Backend.BoxAnswers = {ui::idYes};
    EXPECT_TRUE(Press("CancelBtn"));
  });
  EXPECT_THROW(Root->Broadcast(Root, -980, nullptr), EAIUserAbort);
  // The completion page alone, in French.
  translator.SetTranslateIntoLanguage(qlFrench);
  auto* good = Dialog<TGoodInstallationDlg>("GoodDlg");
  Backend.Script([&] {
    EXPECT_EQ(Caption(), std::string("Installation termin") + '\xE9' + "e");
    EXPECT_EQ(Text("FinishBtn"), "Terminer");
    EXPECT_TRUE(Press("FinishBtn"));
  });
  EXPECT_TRUE(good->Execute());
}

// --------------------------------------------------------- completion pages

class CompletionPages : public PagesTest {};

TEST_F(CompletionPages, OnePageShowsFinishAloneAndEndsTheWizard) {
  Manager("AfterGoodInstall", dmAfterGoodInstall);
  auto* good = Dialog<TGoodInstallationDlg>("GoodDlg");
  ASSERT_NE(good->DialogManager(), nullptr);
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Setup complete");
    EXPECT_EQ(Text("Label1"), "The software has been properly installed. You may start the "
                              "software by clicking on the icon.");
    EXPECT_FALSE(Usable("BackBtn"));
    EXPECT_FALSE(Usable("ProceedBtn"));
    EXPECT_EQ(Control("CancelBtn"), nullptr);
    EXPECT_TRUE(Usable("FinishBtn"));
    EXPECT_EQ(Backend.Focused(), dynamic_cast<ui::TWinControl*>(Control("FinishBtn"))->Handle());
    EXPECT_TRUE(Press("FinishBtn"));
  });
  Root->Broadcast(Root, -995, nullptr); // has a manager: waits for the wizard
  Root->Broadcast(Root, -979, nullptr);
  EXPECT_EQ(Backend.PendingActions(), 0);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
}

// Two pages: Next on the first, Back and Finish on the second; Esc or the
// window's close on a completion page finish, they never cancel.
TEST_F(CompletionPages, TwoPagesNextThenBackAndFinishAndClosingFinishes) {
  TDialogManager* after = Manager("AfterBadInstall", dmAfterBadInstall);
  auto* bad = Dialog<TBadInstallationDlg>("BadDlg");
  auto* second = Dialog<TGoodInstallationDlg>("MoreDlg");
  second->SetDialogManager(after);
  second->SetOrder(20);
  const auto walk = [&](bool CloseBox) {
    Backend.Script([&] {
      EXPECT_EQ(Caption(), "Setup incomplete");
      EXPECT_EQ(Text("TopLabel"), "This software has not been properly installed and will not "
                                  "work correctly if you try to use it.");
      EXPECT_FALSE(Usable("BackBtn"));
      EXPECT_TRUE(Usable("ProceedBtn"));
      EXPECT_FALSE(Usable("FinishBtn"));
      EXPECT_TRUE(Press("ProceedBtn"));
    });
    Backend.Script([&, CloseBox] {
      EXPECT_EQ(Caption(), "Setup complete");
      EXPECT_TRUE(Usable("BackBtn"));
      EXPECT_FALSE(Usable("ProceedBtn"));
      EXPECT_TRUE(Usable("FinishBtn"));
      if (CloseBox)
        Backend.CloseBox(*Window());
      else
        Backend.Escape(*Window());
    });
    Root->Broadcast(Root, -994, nullptr);
    Root->Broadcast(Root, -978, nullptr);
    EXPECT_EQ(Backend.PendingActions(), 0);
    EXPECT_TRUE(Backend.VisibleWindows().empty());
  };
  walk(true);
  walk(false);
  EXPECT_EQ(Root->Asked, 0);
  EXPECT_EQ(bad->DialogManager(), after);
}

// Alone, on its own event: Finish, the close box and Esc all end the page as
// finished, so a good install stays good.
TEST_F(CompletionPages, AlonePagesFinishHoweverTheyAreClosed) {
  auto* good = Dialog<TGoodInstallationDlg>("GoodDlg");
  auto* bad = Dialog<TBadInstallationDlg>("BadDlg");
  ASSERT_EQ(good->DialogManager(), nullptr);
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Setup complete");
    EXPECT_TRUE(Usable("FinishBtn"));
    EXPECT_FALSE(Usable("ProceedBtn"));
    EXPECT_FALSE(Usable("BackBtn"));
    EXPECT_TRUE(Press("FinishBtn"));
  });
  Root->Broadcast(Root, -995, nullptr);
  Backend.Script([&] { Backend.CloseBox(*Window()); });
  Root->Broadcast(Root, -995, nullptr);
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Setup incomplete");
    Backend.Escape(*Window());
  });
  Root->Broadcast(Root, -994, nullptr);
  EXPECT_EQ(Backend.PendingActions(), 0);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  EXPECT_EQ(bad->CurrentForm(), nullptr);
}

} // namespace
} // namespace quendel::dialogs
