// The copy progress form and the status box on the headless backend, fed the
// events the run sends: the form opens on the first status event and follows
// it, a download shows the transfer image, the end of the copy closes it, a
// Cancel asks before it sets the abort flags, and nested status messages
// restore the outer one.
#include "archive/compress.h"
#include "dialogs/dialog_manager.h"
#include "dialogs/fake_root.h"
#include "dialogs/progress_pages.h"
#include "model/model_context.h"
#include "model/status_params.h"
#include "support/test_runtime.h"
#include "translate/translator.h"
#include "ui/headless.h"
#include "ui/main_form.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace quendel::dialogs {
namespace {

struct TFileStatus : TFileStatusParameter {
  TFileStatus(const std::string& Name, int File, int Total) {
    FileName = Name;
    FilePercentDone = File;
    TotalPercentDone = Total;
  }
};

class ProgressPages : public ::testing::Test {
protected:
  ProgressPages() {
    Rt.Runtime().UseWidgets(Backend);
    Root = new TFakeRoot(&Owner);
    Rt.Runtime().Model().InstallRoot = Root;
    Manager = new TDialogManager(&Owner);
    Manager->SetName("DuringCopy");
    Manager->ManagerType = dmDuringCopyFiles;
    Manager->SetContainer(Root);
  }
  ~ProgressPages() override {
    Owner.DestroyComponents();
    Rt.Runtime().Model().InstallRoot = nullptr;
  }
  TCopyFileDlg* CopyDlg(const std::string& Name) {
    auto* d = new TCopyFileDlg(&Owner);
    d->SetName(Name);
    d->SetContainer(Root);
    return d;
  }
  void Send(int Code, TEventParameter* Param) { Root->Broadcast(Root, Code, Param); }
  TCopyFileForm* Form(TCopyFileDlg* D) { return dynamic_cast<TCopyFileForm*>(D->CurrentForm()); }
  template <class T> T& Part(ui::TCustomForm* F, const char* Name) {
    auto* c = dynamic_cast<T*>(F->FindComponent(Name));
    EXPECT_NE(c, nullptr) << Name;
    return *c;
  }
  int Bar(ui::TCustomForm* F, const char* Name) {
    return Backend.Node(Part<ui::TProgressBar>(F, Name).Handle())->Position;
  }

  ui::THeadlessBackend Backend;
  test::TTestRuntime Rt;
  ui::TfrmMainMenu Owner{nullptr};
  TFakeRoot* Root = nullptr;
  TDialogManager* Manager = nullptr;
};

TEST_F(ProgressPages, CopyFormFollowsTheStatusEventsUntilTheCopyEnds) {
  TCopyFileDlg* dlg = CopyDlg("CopyFileDlg1");
  EXPECT_EQ(dlg->DialogManager(), Manager);
  Send(-996, nullptr); // nothing open: nothing happens
  EXPECT_TRUE(Backend.VisibleWindows().empty());

  TFileStatus first("readme.txt", 40, 10);
  Send(-998, &first);
  TCopyFileForm* form = Form(dlg);
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(Backend.VisibleWindows().size(), 1u);
  EXPECT_EQ(Backend.VisibleWindows()[0], form);
  EXPECT_EQ(Backend.Node(form->Handle())->Text, "Copying installation files");
  // Bottom centre of 1024 x 768, 30 above the bottom, with room for its layout.
  EXPECT_EQ(form->Left(), 275);
  EXPECT_EQ(form->Top(), 574);
  EXPECT_GE(form->ClientWidth(), 466);
  EXPECT_GE(form->ClientHeight(), 119);
  EXPECT_EQ(Bar(form, "ProgressBar1"), 40);
  EXPECT_EQ(Bar(form, "ProgressBar2"), 10);
  EXPECT_EQ(Part<ui::TLabel>(form, "lblCopyingFile").Caption(), "readme.txt");
  EXPECT_FALSE(Part<ui::TImage>(form, "TransferBitmap").Visible());
  EXPECT_GT(Backend.Updates, 0); // painted from inside the copy loop
  // Most blocks of a large file change nothing on the form: no painting then.
  const int painted = Backend.Updates;
  Send(-998, &first);
  EXPECT_EQ(Backend.Updates, painted);

  TFileStatus next("guide.txt", 100, 55);
  Send(-998, &next);
  EXPECT_EQ(Form(dlg), form); // the same form, not a second one
  EXPECT_EQ(Backend.VisibleWindows().size(), 1u);
  EXPECT_EQ(Bar(form, "ProgressBar2"), 55);
  EXPECT_EQ(Part<ui::TLabel>(form, "lblCopyingFile").Caption(), "guide.txt");

  Send(-996, nullptr);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  EXPECT_EQ(dlg->CurrentForm(), nullptr);
  // The next copy phase opens a new one.
  Send(-998, &first);
  EXPECT_NE(Form(dlg), nullptr);
  EXPECT_EQ(Backend.VisibleWindows().size(), 1u);
}

TEST_F(ProgressPages, ADownloadShowsTheTransferImageAndOnlyTheFileBar) {
  TCopyFileDlg* dlg = CopyDlg("CopyFileDlg1");
  TDownloadStatusParameter download;
  download.FileName = "files.1";
  download.PercentDone = 55;
  Send(-988, &download);
  TCopyFileForm* form = Form(dlg);
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(Part<ui::TImage>(form, "TransferBitmap").Visible());
  EXPECT_EQ(Bar(form, "ProgressBar1"), 55);
  EXPECT_EQ(Bar(form, "ProgressBar2"), 0);
  EXPECT_EQ(Part<ui::TLabel>(form, "lblCopyingFile").Caption(), "files.1");
  TFileStatus file("readme.txt", 5, 30);
  Send(-998, &file);
  EXPECT_FALSE(Part<ui::TImage>(form, "TransferBitmap").Visible());
  download.PercentDone = 80;
  Send(-988, &download);
  EXPECT_EQ(Bar(form, "ProgressBar2"), 30); // the total keeps its value
}

TEST_F(ProgressPages, EachCopyDialogGetsItsOwnFormAndNoneMeansNoForm) {
  TFileStatus status("a.txt", 1, 1);
  Send(-998, &status); // no copy dialog in the definition
  EXPECT_TRUE(Backend.VisibleWindows().empty());
  TCopyFileDlg* a = CopyDlg("CopyA");
  TCopyFileDlg* b = CopyDlg("CopyB");
  b->Position = qdpTopLeft;
  b->RelativeLeftOffset = 8;
  b->RelativeTopOffset = 9;
  Send(-998, &status);
  ASSERT_NE(Form(a), nullptr);
  ASSERT_NE(Form(b), nullptr);
  EXPECT_NE(Form(a), Form(b));
  EXPECT_EQ(Backend.VisibleWindows().size(), 2u);
  EXPECT_EQ(Form(b)->Left(), 8);
  EXPECT_EQ(Form(b)->Top(), 9);
  EXPECT_EQ(Form(a)->Top(), 574);
  b->Width = 100; // stored too small: the form still holds its layout
  Send(-996, nullptr);
  Send(-998, &status);
  EXPECT_GE(Form(b)->ClientWidth(), 466);
  // A second during-copy manager shows nothing: the forms belong to the first.
  auto* other = new TDialogManager(&Owner);
  other->SetName("OtherCopy");
  other->ManagerType = dmDuringCopyFiles;
  other->SetContainer(Root);
  other->UpdateDuringCopyForms(&status, nullptr);
  EXPECT_TRUE(other->DuringCopyForms().empty());
  Send(-996, nullptr);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
}

// Cancel asks the root, then the user; only a confirmed cancel sets the flags
// the copy loop and the download check, and then Cancel cannot be pressed
// again. The form waits for the end of the copy either way.
TEST_F(ProgressPages, CancelAsksFirstAndIsDisabledOnceConfirmed) {
  TModelContext& model = Rt.Runtime().Model();
  model.SetSharedCompressor(std::make_unique<TQndlCompress>(nullptr, nullptr));
  TCopyFileDlg* dlg = CopyDlg("CopyFileDlg1");
  TFileStatus status("a.txt", 1, 1);
  Send(-998, &status);
  auto& cancel = Part<ui::TButton>(Form(dlg), "CancelBtn");

  Root->AgreeToAbort = false; // the definition's OnUserAbort refuses
  EXPECT_TRUE(Backend.Press(cancel));
  EXPECT_TRUE(Backend.Boxes.empty());
  Root->AgreeToAbort = true;
  Backend.BoxAnswers = {ui::idNo};
  EXPECT_TRUE(Backend.Press(cancel));
  ASSERT_EQ(Backend.Boxes.size(), 1u);
  EXPECT_EQ(Backend.Boxes[0], "Are you sure you want to cancel the installation?");
  EXPECT_FALSE(model.UserAbort);
  EXPECT_FALSE(model.SharedCompressor->Abort());
  EXPECT_TRUE(cancel.Enabled());
  EXPECT_TRUE(Form(dlg)->Visible());

  // Esc and the close box are Cancel too; the form does not go away by them.
  Backend.BoxAnswers = {ui::idNo};
  Backend.Escape(*Form(dlg));
  EXPECT_EQ(Backend.Boxes.size(), 2u);
  Backend.BoxAnswers = {ui::idYes};
  Backend.CloseBox(*Form(dlg));
  EXPECT_TRUE(model.UserAbort);
  EXPECT_TRUE(model.SharedCompressor->Abort());
  EXPECT_FALSE(Backend.Press(cancel)); // disabled: asked once
  Backend.Escape(*Form(dlg));
  EXPECT_EQ(Backend.Boxes.size(), 3u);
  EXPECT_TRUE(Form(dlg)->Visible());
  Send(-996, nullptr);
  EXPECT_TRUE(Backend.VisibleWindows().empty());
}

TEST_F(ProgressPages, WrongEventParametersNameTheReceiver) {
  auto* status = new TInstallStatusDlg(&Owner);
  status->SetName("Status1");
  status->SetContainer(Root);
  const auto message = [&](int Code, TEventParameter* Param) -> std::string {
    try {
      Send(Code, Param);
    } catch (const IEDialogManager& e) {
      return e.what();
    }
    return "no error";
  };
  TFileStatusParameter file;
  TDownloadStatusParameter download;
  EXPECT_EQ(message(-998, nullptr), "DuringCopy got a nil PO parameter");
  EXPECT_EQ(message(-998, &download),
            "The PO object passed to DuringCopy is not a TFileStatusParameter object");
  EXPECT_EQ(message(-988, &file),
            "The PO object passed to DuringCopy is not a TDownloadStatusParameter object");
  EXPECT_EQ(message(-974, nullptr), "Status1 got a nil PO parameter");
  EXPECT_EQ(message(-974, &file),
            "The PO object passed to Status1 is not a TMessageParameter object");
  EXPECT_TRUE(status->Messages().empty());
}

// "A", then "B", then the end of "B": the box shows "A" again, as wide as its
// text; the end of "A" hides it, and an end more than was begun only hides.
TEST_F(ProgressPages, NestedStatusMessagesRestoreTheOuterOne) {
  auto* status = new TInstallStatusDlg(&Owner);
  status->SetName("Status1");
  status->SetContainer(Root);
  EXPECT_EQ(status->DialogManager(), nullptr);
  const auto shown = [&]() -> std::string {
    TInstallStatusForm* f = status->StatusForm();
    if (!f || !f->Visible()) return "(hidden)";
    return Part<ui::TLabel>(f, "lblMessage").Caption();
  };
  const auto width = [&](const std::string& Text) {
    return Backend.TextExtent(status->StatusForm()->Font(), Text).cx + 80;
  };
  Root->PushStatusMessage("Reading file information...");
  EXPECT_EQ(shown(), "Reading file information...");
  TInstallStatusForm* form = status->StatusForm();
  EXPECT_EQ(form->Width(), width("Reading file information..."));
  EXPECT_EQ(form->Height(), 58);
  EXPECT_LE(std::abs(2 * form->Left() + form->Width() - 1024), 1); // centred
  const int top = form->Top();
  EXPECT_EQ(top, (768 - 58) / 2);
  Root->PushStatusMessage("Installing shell links...");
  EXPECT_EQ(shown(), "Installing shell links...");
  EXPECT_EQ(form->Width(), width("Installing shell links..."));
  auto& label = Part<ui::TLabel>(form, "lblMessage");
  EXPECT_LE(std::abs(2 * label.Top() + label.Height() - 58), 1);
  EXPECT_EQ(label.Width(), Backend.TextExtent(label.Font(), "Installing shell links...").cx);

  Root->PopStatusMessage();
  EXPECT_EQ(shown(), "Reading file information...");
  EXPECT_EQ(form->Width(), width("Reading file information..."));
  EXPECT_EQ(form->Top(), top);
  Root->PopStatusMessage();
  EXPECT_EQ(shown(), "(hidden)");
  EXPECT_TRUE(status->Messages().empty());
  Root->PopStatusMessage();
  EXPECT_EQ(shown(), "(hidden)");
  EXPECT_EQ(status->StatusForm(), form); // made once, then shown and hidden
}

TEST_F(ProgressPages, FormsTakeTheTranslatorsTexts) {
  TTranslator translator(nullptr);
  const auto table = [&](const char* Language, const char* Lines) {
    dynamic_cast<TStrings*>(GetObjectProp(translator, std::string(Language) + ".Strings"))
        ->SetText(Lines);
  };
  table("lgEnglish", "6;Cancel\n15;File progress\n16;Total progress\n106;Copying installation "
                     "files\n216;Are you sure you want to cancel the installation?\n");
  table("lgGerman", "6;Abbrechen\n15;Dateifortschritt\n16;Gesamtfortschritt\n"
                    "106;Installationsdateien werden kopiert\n"
                    "216;M\xF6"
                    "chten Sie die Installation wirklich abbrechen?\n");
  translator.SetTranslateIntoLanguage(qlGerman);
  TCopyFileDlg* dlg = CopyDlg("CopyFileDlg1");
  TFileStatus status("a.txt", 1, 1);
  Send(-998, &status);
  TCopyFileForm* form = Form(dlg);
  EXPECT_EQ(form->Caption(), "Installationsdateien werden kopiert");
  EXPECT_EQ(Part<ui::TLabel>(form, "Label1").Caption(), "Dateifortschritt");
  EXPECT_EQ(Part<ui::TLabel>(form, "Label2").Caption(), "Gesamtfortschritt");
  EXPECT_EQ(Part<ui::TButton>(form, "CancelBtn").Caption(), "Abbrechen");
  EXPECT_EQ(Part<ui::TLabel>(form, "lblCopyingFile").Caption(), "a.txt");
  Backend.BoxAnswers = {ui::idNo};
  EXPECT_TRUE(Backend.Press(Part<ui::TButton>(form, "CancelBtn")));
  EXPECT_EQ(Backend.Boxes.back(), "M\xF6"
                                  "chten Sie die Installation wirklich abbrechen?");
}

} // namespace
} // namespace quendel::dialogs
