// Esc and the close box on real windows: Windows reports Esc through the
// dialog handling of the modal loop (or, for the modeless copy form, of the
// copy loop's pump) as IDCANCEL, and the close box as WM_CLOSE.
// On a completion page both finish; on other pages they are Cancel, asked
// first. Rich text shows through the system's rich-edit control. Needs a
// display (run by ctest under Xvfb, QUENDEL_WIN32_WINDOWS=1).
#include "archive/compress.h"
#include "dialogs/completion_pages.h"
#include "dialogs/fake_root.h"
#include "dialogs/info_pages.h"
#include "dialogs/progress_pages.h"
#include "model/status_params.h"
#include "support/test_runtime.h"
#include "ui/main_form.h"
#include "ui/win32/win32_backend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <windows.h>

namespace quendel::dialogs {
namespace {

// What the user does to the window titled Caption once it is up, and, where
// Cancel asks, the Yes to the question that follows.
struct TUserAction {
  std::string Caption;
  bool CloseBox = false;
  bool AnswerYes = false;
  bool Done = false;
};
TUserAction gAction;

void CALLBACK ActOnWindow(HWND, UINT, UINT_PTR Id, DWORD) {
  if (!gAction.Done) {
    HWND w = FindWindowA(nullptr, gAction.Caption.c_str());
    if (!w || !IsWindowVisible(w)) return;
    gAction.Done = true;
    if (gAction.CloseBox) {
      PostMessageA(w, WM_CLOSE, 0, 0);
    } else {
      HWND focus = GetFocus();
      PostMessageA(focus ? focus : w, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    if (!gAction.AnswerYes) KillTimer(nullptr, Id);
    return;
  }
  HWND box = FindWindowA("#32770", nullptr);
  if (!box || !IsWindowVisible(box)) return;
  KillTimer(nullptr, Id);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
}

void Expect(const std::string& Caption, bool CloseBox, bool AnswerYes = false) {
  gAction = {Caption, CloseBox, AnswerYes, false};
  SetTimer(nullptr, 0, 100, ActOnWindow);
}

TEST(Win32Keys, CompletionPagesFinishOnEscAndCloseOthersCancel) {
  if (!std::getenv("QUENDEL_WIN32_WINDOWS")) GTEST_SKIP() << "needs a display";
  ui::TWin32Backend backend;
  test::TTestRuntime rt;
  rt.Runtime().UseWidgets(backend);
  ui::TfrmMainMenu owner{nullptr};
  auto* root = new TFakeRoot(&owner);
  rt.Runtime().Model().InstallRoot = root;

  auto* good = new TGoodInstallationDlg(&owner);
  Expect("Setup complete", false);
  EXPECT_TRUE(good->Execute());
  Expect("Setup complete", true);
  EXPECT_TRUE(good->Execute());

  // In a wizard host Esc reaches the host, which asks its page in front.
  auto* after = new TDialogManager(&owner);
  after->ManagerType = dmAfterGoodInstall;
  after->SetContainer(root);
  good->SetDialogManager(after);
  Expect("Setup complete", false);
  after->Execute();

  auto* licence = new TLicenseDlg(&owner);
  Expect("Software license agreement", false, true);
  EXPECT_THROW(licence->Execute(), EAIUserAbort);
  Expect("Software license agreement", true, true);
  EXPECT_THROW(licence->Execute(), EAIUserAbort);
  EXPECT_EQ(root->Asked, 2);

  owner.DestroyComponents();
  rt.Runtime().Model().InstallRoot = nullptr;
}

// The copy form is modeless: no modal loop of its own hands it Esc, only the
// copy loop's pump between blocks. Esc there is still its Cancel, asked
// first, and a Yes stops the copy.
TEST(Win32Keys, EscOnTheModelessCopyFormIsItsCancel) {
  if (!std::getenv("QUENDEL_WIN32_WINDOWS")) GTEST_SKIP() << "needs a display";
  ui::TWin32Backend backend;
  test::TTestRuntime rt;
  rt.Runtime().UseWidgets(backend);
  TModelContext& model = rt.Runtime().Model();
  model.SetSharedCompressor(std::make_unique<TQndlCompress>(nullptr, nullptr));
  ui::TfrmMainMenu owner{nullptr};
  auto* root = new TFakeRoot(&owner);
  model.InstallRoot = root;
  auto* manager = new TDialogManager(&owner);
  manager->ManagerType = dmDuringCopyFiles;
  manager->SetContainer(root);
  (new TCopyFileDlg(&owner))->SetContainer(root);

  TFileStatusParameter status;
  status.FileName = "a.txt";
  root->Broadcast(root, -998, &status);
  Expect("Copying installation files", false, true);
  for (int i = 0; i < 400 && !model.UserAbort; ++i) {
    backend.ProcessMessages(); // as the compressor does after each block
    Sleep(25);
  }
  EXPECT_EQ(root->Asked, 1);
  EXPECT_TRUE(model.UserAbort);
  EXPECT_TRUE(model.SharedCompressor->Abort());
  root->Broadcast(root, -996, nullptr);

  owner.DestroyComponents();
  model.InstallRoot = nullptr;
}

// Rich text goes to the system's rich-edit control, which formats it: the
// window holds the document's text, not its markup.
TEST(Win32RichEdit, RichTextIsShownByTheRichEditControl) {
  if (!std::getenv("QUENDEL_WIN32_WINDOWS")) GTEST_SKIP() << "needs a display";
  ui::TWin32Backend backend;
  test::TTestRuntime rt;
  rt.Runtime().UseWidgets(backend);
  ui::TForm form{nullptr};
  auto* edit = new ui::TRichEdit(&form);
  edit->SetParent(&form);
  edit->Lines().SetText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\b Terms\\b0\\par One}");
  char text[256] = {};
  GetWindowTextA(static_cast<HWND>(edit->Handle()), text, sizeof text);
  const std::string shown = text;
  EXPECT_TRUE(backend.ShowsRichText(edit->Handle()));
  EXPECT_EQ(shown.find("Terms"), 0u) << shown;
  EXPECT_NE(shown.find("One"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("fonttbl"), std::string::npos) << shown;
}

} // namespace
} // namespace quendel::dialogs
