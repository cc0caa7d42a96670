// A dialog manager's wizard on the headless backend, driven as a user drives
// it: pages in Order, Back only where there is a page before, Cancel only when
// the install root agrees, and every path out frees the host.
#include "dialogs/dialog_forms.h"
#include "dialogs/dialog_manager.h"
#include "dialogs/fake_root.h"
#include "model/model_context.h"
#include "support/test_runtime.h"
#include "translate/translator.h"
#include "ui/headless.h"
#include "ui/main_form.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace quendel::dialogs {
namespace {

// A page that takes the shared frame and can refuse to be left.
class TTestPage : public TBaseInstallForm {
public:
  explicit TTestPage(TComponent* AOwner) : TBaseInstallForm(AOwner) {}
  static const TClassInfo& StaticClass() {
    return ClassTable(
        [] { return TClassBuilder<TTestPage>("TTestPage", &TBaseInstallForm::StaticClass); });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  bool CanLeavePage() override { return !LeaveCheck || LeaveCheck(); }
  void InitializeControls() override {
    TBaseInstallForm::InitializeControls();
    ++Initialized;
  }
  std::function<bool()> LeaveCheck;
  int Initialized = 0;
};

class TTestPageDlg : public TBaseInstallDlg {
public:
  explicit TTestPageDlg(TComponent* AOwner) : TBaseInstallDlg(AOwner) {
    Register(dmBeforeInstall, 10);
  }
  static const TClassInfo& StaticClass() {
    return ClassTable(
        [] { return TClassBuilder<TTestPageDlg>("TTestPageDlg", &TBaseInstallDlg::StaticClass); });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override { return TTestPage::StaticClass(); }
  void AssignDialogProperties() override {
    TBaseInstallDlg::AssignDialogProperties();
    CurrentForm()->SetCaption(Name());
  }
  TTestPage* Page() const { return dynamic_cast<TTestPage*>(CurrentForm()); }
};

class WizardTest : public ::testing::Test {
protected:
  WizardTest() {
    Rt.Runtime().UseWidgets(Backend);
    Root = new TFakeRoot(&Owner);
    Rt.Runtime().Model().InstallRoot = Root;
    Manager = new TDialogManager(&Owner);
    Manager->SetName("BeforeInstall");
    Manager->SetContainer(Root);
    // Made in another order than they are shown.
    C = Page("Third", 30);
    A = Page("First", 10);
    B = Page("Second", 20);
  }
  ~WizardTest() override {
    Owner.DestroyComponents();
    Rt.Runtime().Model().InstallRoot = nullptr;
  }
  TTestPageDlg* Page(const std::string& Name, int Order) {
    auto* d = new TTestPageDlg(&Owner);
    d->SetName(Name);
    d->SetOrder(Order);
    d->SetContainer(Root);
    EXPECT_EQ(d->DialogManager(), Manager); // found by its manager type
    return d;
  }
  ui::TWinControl* Host() {
    auto w = Backend.VisibleWindows();
    return w.empty() ? nullptr : w.back();
  }
  ui::TWinControl* Button(const std::string& Name) {
    return dynamic_cast<ui::TWinControl*>(Backend.FindControl(*Host(), Name));
  }
  bool Press(const std::string& Name) {
    ui::TWinControl* b = Button(Name);
    return b && Backend.Press(*b);
  }
  std::string Caption() { return Backend.Node(Host()->Handle())->Text; }

  ui::THeadlessBackend Backend; // outlives the runtime's widget context
  test::TTestRuntime Rt;
  ui::TfrmMainMenu Owner{nullptr}; // the main window holds every install object
  TFakeRoot* Root = nullptr;
  TDialogManager* Manager = nullptr;
  TTestPageDlg *A = nullptr, *B = nullptr, *C = nullptr;
};

TEST_F(WizardTest, PagesRunInOrderWithBackOnlyAfterTheFirst) {
  std::vector<std::string> seen;
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_EQ(Backend.VisibleWindows().size(), 1u);
    EXPECT_FALSE(Press("BackBtn")); // hidden on the first page
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_TRUE(Backend.Usable(Button("BackBtn")->Handle()));
    // The inactive pages are hidden: one page's buttons are reachable.
    EXPECT_FALSE(A->Page()->Visible());
    EXPECT_TRUE(Press("BackBtn"));
  });
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_EQ(A->Page()->Initialized, 2); // read again when come back to
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  Backend.Script([&] {
    seen.push_back(Caption());
    EXPECT_TRUE(Press("ProceedBtn")); // the last page finishes the wizard
  });
  Root->Broadcast(Root, -980, nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"First", "Second", "First", "Third"}));
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  EXPECT_EQ(A->CurrentForm(), nullptr); // the pages died with the host
  EXPECT_EQ(Rt.Runtime().Dialogs().CurrentDialogManager, nullptr);
  EXPECT_EQ(Root->Asked, 0);
}

TEST_F(WizardTest, CancelNeedsTheRootsConsentAndThenAbortsTheRun) {
  Root->AgreeToAbort = false;
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  Backend.Script([&] { EXPECT_TRUE(Press("CancelBtn")); }); // refused: stays
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Second");
    Root->AgreeToAbort = true;
    Backend.BoxAnswers = {ui::idNo}; // the user keeps the wizard
    EXPECT_TRUE(Press("CancelBtn"));
  });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "Second");
    Backend.BoxAnswers = {ui::idYes};
    EXPECT_TRUE(Press("CancelBtn"));
  });
  EXPECT_THROW(Root->Broadcast(Root, -980, nullptr), EAIUserAbort);
  EXPECT_EQ(Root->Asked, 3);
  EXPECT_EQ(Backend.Boxes.size(), 2u); // not asked while the root refuses
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  EXPECT_EQ(Rt.Runtime().Dialogs().CurrentDialogManager, nullptr);
  // Another moment's manager ignores the event; with nothing to show the run
  // goes on.
  Manager->ManagerType = dmAfterGoodInstall;
  Root->Broadcast(Root, -980, nullptr);
  A->SetDialogManager(nullptr);
  B->SetDialogManager(nullptr);
  C->SetDialogManager(nullptr);
  Root->Broadcast(Root, -979, nullptr);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
}

TEST_F(WizardTest, APageCanRefuseToBeLeftAndItsErrorClosesTheWizardFirst) {
  // Pages are made when the host is built; the checks go in once they exist.
  Backend.Script([&] {
    A->Page()->LeaveCheck = [] { return false; };
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "First");
    A->Page()->LeaveCheck = []() -> bool { throw IEDialogManager("the folder cannot be made"); };
    EXPECT_TRUE(Press("ProceedBtn"));
  });
  try {
    Manager->Execute();
    FAIL() << "the page's error was lost";
  } catch (const IEDialogManager& e) {
    EXPECT_STREQ(e.what(), "the folder cannot be made");
    // Whoever reports it (the bad-install wizard) finds no wizard on screen.
    EXPECT_TRUE(Backend.VisibleWindows().empty());
  }
  EXPECT_EQ(Rt.Runtime().Dialogs().CurrentDialogManager, nullptr);
}

TEST_F(WizardTest, AHostStoredTooSmallStillHoldsItsPages) {
  Manager->Width = 0;
  Manager->Height = 0;
  Backend.Script([&] {
    auto* host = dynamic_cast<TBaseFormContainer*>(Host());
    ASSERT_NE(host, nullptr);
    EXPECT_GE(host->DisplayPanel()->Width(), 470);
    EXPECT_GE(host->DisplayPanel()->Height(), 368);
    // Its Next button lies inside the host's client area.
    ui::TWinControl* next = Button("ProceedBtn");
    EXPECT_LE(next->Parent()->Top() + next->Top() + next->Height(), host->ClientHeight());
    Backend.BoxAnswers = {ui::idYes};
    EXPECT_TRUE(Press("CancelBtn"));
  });
  EXPECT_THROW(Manager->Execute(), EAIUserAbort);
}

TEST_F(WizardTest, UnattendedOpensNoWindow) {
  Rt.Runtime().Dialogs().Unattended = true;
  Manager->Execute(); // a window would find no scripted user and fail
  EXPECT_TRUE(A->Execute());
  EXPECT_TRUE(Backend.VisibleWindows().empty());
}

// Without a manager a dialog shows its page alone: Back hidden, Next closes
// it once the page lets go, Cancel aborts the run.
TEST_F(WizardTest, ADialogWithoutManagerRunsItsPageAlone) {
  A->SetDialogManager(nullptr);
  int leaveAsked = 0;
  Backend.Script([&] {
    EXPECT_EQ(Caption(), "First");
    EXPECT_FALSE(Press("BackBtn"));
    A->Page()->LeaveCheck = [&] { return ++leaveAsked > 1; };
    EXPECT_TRUE(Press("ProceedBtn")); // refused once: stays open
  });
  Backend.Script([&] { EXPECT_TRUE(Press("ProceedBtn")); });
  EXPECT_TRUE(A->Execute());
  EXPECT_EQ(leaveAsked, 2);
  EXPECT_EQ(A->CurrentForm(), nullptr);
  Backend.Script([&] {
    Backend.BoxAnswers = {ui::idYes};
    EXPECT_TRUE(Press("CancelBtn"));
  });
  EXPECT_THROW(A->Execute(), EAIUserAbort);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
}

TEST_F(WizardTest, PagesTakeTheTranslatorsTextsAndFontRules) {
  TTranslator translator(nullptr);
  const auto table = [&](const char* Language, const char* Lines) {
    dynamic_cast<TStrings*>(GetObjectProp(translator, std::string(Language) + ".Strings"))
        ->SetText(Lines);
  };
  table("lgEnglish", "5;Next >\n6;Cancel\n");
  table("lgGerman", "5;Weiter >\n6;Abbrechen\n");
  table("lgHebrew", "5;\xE4\xE1\xE0 >\n6;\xE1\xE8\xEC\n");
  const auto cancelShowing = [&](const std::string& Next, const std::string& Cancel, int Charset) {
    Backend.Script([=, this] {
      EXPECT_EQ(Backend.Node(Button("ProceedBtn")->Handle())->Text, Next);
      EXPECT_EQ(Button("CancelBtn")->Caption(), Cancel);
      EXPECT_EQ(Button("CancelBtn")->Font().Charset(), Charset);
      Backend.BoxAnswers = {ui::idYes};
      EXPECT_TRUE(Press("CancelBtn"));
    });
    EXPECT_THROW(Manager->Execute(), EAIUserAbort);
  };
  translator.SetTranslateIntoLanguage(qlGerman);
  cancelShowing("Weiter >", "Abbrechen", 0);
  translator.SetTranslateIntoLanguage(qlHebrew);
  cancelShowing("\xE4\xE1\xE0 >", "\xE1\xE8\xEC", 177);
  // A dialog component may keep its page in a language of its own.
  for (TTestPageDlg* d : {A, B, C}) {
    d->OverrideMainTranslator = true;
    d->TranslateIntoLanguage = qlGerman;
  }
  cancelShowing("Weiter >", "Abbrechen", 0);
}

TEST(DialogPlacement, RowsColumnsAndTheirRounding) {
  const ui::TSize screen{1024, 768};
  // A copy form of 474 x 146 at the bottom centre, 30 above the task bar.
  EXPECT_EQ(PlaceRect(qdpBottomCenter, 0, 30, 474, 146, screen, 18, true), (ui::TPoint{275, 574}));
  // Half a pixel: the host truncates, the self-placed forms round to even.
  EXPECT_EQ(PlaceRect(qdpCenter, 0, 0, 473, 395, screen, 18, false).X, 275);
  EXPECT_EQ(PlaceRect(qdpCenter, 0, 0, 473, 395, screen, 18, true).X, 276);
  EXPECT_EQ(PlaceRect(qdpCenter, 0, 0, 475, 395, screen, 18, true).X, 274);
  EXPECT_EQ(PlaceRect(qdpTopRight, 10, 20, 400, 300, screen, 18, false), (ui::TPoint{614, 20}));
  EXPECT_EQ(PlaceRect(qdpCenterLeft, 7, 5, 400, 301, screen, 18, false), (ui::TPoint{7, 238}));
}

} // namespace
} // namespace quendel::dialogs
