#include "ui/folder_browser.h"

#include "ui/forms.h"

#include <exception>

namespace quendel::ui {

class THeadlessFolderBrowser::TWindow : public IFolderBrowserWindow {
public:
  explicit TWindow(THeadlessFolderBrowser& Browser) : FBrowser(Browser) {}
  THandle Handle() override { return FBrowser.FForm->Handle(); }
  TWinControl* Control() override { return FBrowser.FForm; }
  bool TreeRect(TRect& R) override { return RectOf("FolderTree", R); }
  bool OkRect(TRect& R) override { return RectOf("OK", R); }
  bool CancelRect(TRect& R) override { return RectOf("Cancel", R); }
  void SetTreeRect(const TRect& R) override {
    if (TControl* c = Find("FolderTree")) c->SetBounds(R.Left, R.Top, R.Width(), R.Height());
  }
  void SetSelection(const std::string& Path) override { FBrowser.Select(Path); }
  bool OkEnabled() override {
    TControl* ok = Find("OK");
    return ok && ok->Enabled();
  }
  void PressOk() override {
    if (TControl* ok = Find("OK")) ok->Click();
  }

private:
  TControl* Find(const char* Name) { return FBrowser.FForm->FindChildControl(Name); }
  bool RectOf(const char* Name, TRect& R) {
    TControl* c = Find(Name);
    if (c) R = c->BoundsRect();
    return c != nullptr;
  }
  THeadlessFolderBrowser& FBrowser;
};

THeadlessFolderBrowser::THeadlessFolderBrowser() = default;
THeadlessFolderBrowser::~THeadlessFolderBrowser() = default;

namespace {
// A handler's error stays in the browser, as with the system's.
template <class F> void Guarded(const TFolderBrowseRequest& Request, IFolderBrowserWindow& W,
                                F&& Call) {
  try {
    Call();
  } catch (const std::exception& E) {
    if (Request.OnError) Request.OnError(W, E.what());
  }
}
} // namespace

bool THeadlessFolderBrowser::Browse(const TFolderBrowseRequest& Request, std::string& Path) {
  ++Opened;
  std::unique_ptr<TForm> form(new TForm(nullptr));
  form->SetName("BrowseForFolder");
  form->SetCaption(Request.Title);
  form->SetBorderStyle(bsDialog);
  form->Position = poScreenCenter;
  form->SetClientWidth(320);
  form->SetClientHeight(320);
  auto* tree = new TListBox(form.get());
  tree->SetName("FolderTree");
  tree->SetParent(form.get());
  tree->SetBounds(10, 40, 300, 225);
  for (const char* name : {"OK", "Cancel"}) {
    auto* b = new TButton(form.get());
    b->SetName(name);
    b->SetCaption(name);
    b->SetParent(form.get());
    const bool ok = name[0] == 'O';
    b->ModalResult = ok ? mrOk : mrCancel;
    b->SetBounds(ok ? 150 : 235, 285, 75, 25);
  }
  FForm = form.get();
  FRequest = &Request;
  FWindow = std::make_unique<TWindow>(*this);
  FSelection.clear();
  struct TEnd {
    THeadlessFolderBrowser& B;
    ~TEnd() {
      B.FForm = nullptr;
      B.FRequest = nullptr;
    }
  } end{*this};
  form->HandleNeeded();
  if (Request.OnInitialized) Guarded(Request, *FWindow, [&] { Request.OnInitialized(*FWindow); });
  const int result = form->ShowModal();
  if (result != mrOk || FSelection.empty()) return false;
  Path = FSelection;
  return true;
}

void THeadlessFolderBrowser::Select(const std::string& Path) {
  FSelection = Path;
  if (!FForm) return;
  if (auto* tree = dynamic_cast<TListBox*>(FForm->FindChildControl("FolderTree"))) {
    tree->Items().Clear();
    tree->Items().Add(Path);
    tree->SetItemIndex(0);
  }
  if (FRequest && FRequest->OnSelectionChanged)
    Guarded(*FRequest, *FWindow, [&] { FRequest->OnSelectionChanged(*FWindow, Path); });
}

std::string THeadlessFolderBrowser::SystemString(const std::string&, int) {
  // No system libraries here: every string is missing.
  return {};
}

} // namespace quendel::ui
