#include "dialogs/open_folder_dialog.h"

#include "core/format.h"
#include "core/strings.h"
#include "dialogs/path_checks.h"
#include "model/model_context.h"
#include "translate/translator.h"
#include "ui/forms.h"

#include <memory>

namespace quendel::dialogs {

namespace {

std::string Msg(const char* English, TFormatArgs Args = {}) {
  const std::string text = TTranslateScope::Installed() ? TranslateMessage(English) : English;
  return FormatSafe(text, Args);
}

std::string SystemString(const char* Library, int Id) {
  if (!ui::HasUiContext()) return {};
  return ui::UiContext().Backend().FolderBrowser().SystemString(Library, Id);
}

// The system's text, or ours where the system has none: a button without
// a caption tells the user nothing.
std::string OrDefault(std::string Text, const char* English) {
  return Text.empty() ? Msg(English) : Text;
}

platform::IFileSystem& Files() {
  return *CurrentModelContext().Platform().Files;
}

// The rectangle the added controls take when the browser's own controls
// are not where they are expected.
const ui::TRect DefaultAddedRect{20, 230, 140, 253};

} // namespace

// ------------------------------------------------------------- resources

std::string TOFDResourceStrings::NewFolderCaption() {
  return SystemString("comdlg32.dll", 703);
}
std::string TOFDResourceStrings::NewFolderPrompt() {
  return SystemString("shell32.dll", 8977);
}
std::string TOFDResourceStrings::BrowserTitle() {
  return SystemString("shell32.dll", 9248);
}

const TClassInfo& TOFDCreateButton::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TOFDCreateButton>("TOFDCreateButton", &ui::TButton::StaticClass);
  });
}

const TClassInfo& TOFDPathEdit::StaticClass() {
  return ClassTable(
      [] { return TClassBuilder<TOFDPathEdit>("TOFDPathEdit", &ui::TEdit::StaticClass); });
}

// ------------------------------------------------------------ the dialog

TOpenFolderDialog::TOpenFolderDialog(TComponent* AOwner) : TComponent(AOwner) {}

TOpenFolderDialog::~TOpenFolderDialog() {
  FreeAddedControls();
}

const TClassInfo& TOpenFolderDialog::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TOpenFolderDialog>("TOpenFolderDialog", &TComponent::StaticClass);
  });
}

void TOpenFolderDialog::FreeAddedControls() {
  // Their windows went with the browser's; the controls go now.
  if (FCreateButton) FCreateButton->Free();
  if (FPathEdit) FPathEdit->Free();
  FCreateButton = nullptr;
  FPathEdit = nullptr;
}

void TOpenFolderDialog::ShowError(const std::string& Text) {
  ui::Application().ShowMessageBox(Text, FTitle, 0);
}

bool TOpenFolderDialog::Execute() {
  ui::IFolderBrowser& browser = ui::UiContext().Backend().FolderBrowser();
  FTitle = OrDefault(TOFDResourceStrings::BrowserTitle(), "Browse for Folder");
  for (;;) {
    FRestart = false;
    FTyped = false;
    FTyping = false;
    FSettingSelection = false;
    FCurrentPath = FolderPath;
    ui::TFolderBrowseRequest request;
    request.Title = FTitle;
    request.OnInitialized = [this](ui::IFolderBrowserWindow& W) { Initialized(W); };
    request.OnSelectionChanged = [this](ui::IFolderBrowserWindow& W, const std::string& Path) {
      SelectionChanged(W, Path);
    };
    request.OnError = [this](ui::IFolderBrowserWindow&, const std::string& Message) {
      ShowError(Message);
    };
    std::string chosen;
    bool ok = false;
    try {
      ok = browser.Browse(request, chosen);
    } catch (...) {
      FreeAddedControls();
      throw;
    }
    FreeAddedControls();
    if (FRestart) {
      // The new-folder button closed the browser to open it on the new folder.
      FolderPath = FCurrentPath;
      continue;
    }
    if (!ok) return false;
    if (FTyped) {
      if (!AcceptTypedPath()) {
        FolderPath = FCurrentPath;
        continue;
      }
      return true;
    }
    FolderPath = chosen;
    return true;
  }
}

bool TOpenFolderDialog::AcceptTypedPath() {
  // A typed path is taken as it stands when it is a complete, valid path;
  // it need not exist yet (the installation makes it), so nothing is made
  // here. A relative one would land wherever the program happens to run.
  const std::string path = Trim(FCurrentPath);
  if (const std::string fault = CheckPathForm(path); !fault.empty()) {
    ShowError(fault);
    return false;
  }
  FolderPath = path;
  return true;
}

void TOpenFolderDialog::Initialized(ui::IFolderBrowserWindow& W) {
  FreeAddedControls();
  ui::TRect tree{}, ok{}, cancel{};
  const bool hasTree = W.TreeRect(tree);
  const bool hasOk = W.OkRect(ok);
  const bool hasCancel = W.CancelRect(cancel);
  const auto place = [&](ui::TWinControl& C, const ui::TRect& R) {
    if (ui::TWinControl* parent = W.Control())
      C.SetParent(parent);
    else
      C.SetForeignParent(W.Handle());
    C.SetBounds(R.Left, R.Top, R.Width(), R.Height());
    C.HandleNeeded();
  };
  if (NewFolderButton) {
    ui::TRect r = DefaultAddedRect;
    if (hasOk && hasCancel) {
      const int step = ok.Left - cancel.Left;
      r = {ok.Left + step, ok.Top - 22, ok.Right + step, ok.Bottom - 22};
    }
    if (hasTree) r.Left = tree.Left;
    FCreateButton = new TOFDCreateButton(this);
    FCreateButton->SetName("OFDCreateButton");
    FCreateButton->SetCaption(OrDefault(TOFDResourceStrings::NewFolderCaption(), "New Folder"));
    FCreateButton->OnClick = [this, &W](TComponent*) { CreateFolderClicked(W); };
    place(*FCreateButton, r);
  }
  if (PathEdit) {
    ui::TRect r = DefaultAddedRect;
    if (hasTree && hasOk) {
      tree.Bottom -= 60;
      W.SetTreeRect(tree);
      r = {tree.Left, tree.Bottom + 15, tree.Right, tree.Bottom + 15 + 21};
    }
    FPathEdit = new TOFDPathEdit(this);
    FPathEdit->SetName("OFDPathEdit");
    FPathEdit->OnChange = [this, &W](TComponent*) { PathTyped(W); };
    place(*FPathEdit, r);
  }
  SelectPath(W, FolderPath);
  // The edit shows the folder asked for even where it does not exist yet;
  // OK without a change keeps it.
  if (FPathEdit && !Trim(FolderPath).empty()) {
    FPathEdit->SetText(FolderPath);
    FCurrentPath = FolderPath;
    FTyped = true;
  }
}

void TOpenFolderDialog::SelectPath(ui::IFolderBrowserWindow& W, const std::string& Path) {
  FSettingSelection = true;
  struct TEnd {
    bool& Flag;
    ~TEnd() { Flag = false; }
  } end{FSettingSelection};
  std::string existing = Trim(Path).empty() ? std::string() : NearestExistingDirectory(Files(), Path);
  if (existing.size() > 3) existing = RemoveBackslash(existing);
  if (!existing.empty() && existing.size() <= 3) existing = AddBackslash(existing);
  if (!existing.empty()) W.SetSelection(existing);
}

void TOpenFolderDialog::SelectionChanged(ui::IFolderBrowserWindow& W, const std::string& Path) {
  FCurrentPath = Path;
  if (!FTyping) {
    FTyped = false;
    if (FPathEdit) FPathEdit->SetText(Path);
  }
  if (FCreateButton) FCreateButton->SetVisible(W.OkEnabled());
}

void TOpenFolderDialog::PathTyped(ui::IFolderBrowserWindow& W) {
  if (FSettingSelection || !FPathEdit) return;
  FTyping = true;
  struct TEnd {
    bool& Flag;
    ~TEnd() { Flag = false; }
  } end{FTyping};
  const std::string text = FPathEdit->Text();
  // The tree follows a typed folder that exists; the typed text stays the
  // current path either way.
  W.SetSelection(text);
  FCurrentPath = text;
  FTyped = true;
}

void TOpenFolderDialog::CreateFolderClicked(ui::IFolderBrowserWindow& W) {
  // Every error stays here, as a message inside the browser: the browser and
  // the install run around it go on.
  std::string folder;
  try {
    platform::IFileSystem& files = Files();
    if (FPathEdit && !Trim(FPathEdit->Text()).empty() &&
        !files.DirectoryExists(FPathEdit->Text())) {
      folder = Trim(FPathEdit->Text());
    } else {
      std::string name;
      if (!InputQuery(OrDefault(TOFDResourceStrings::NewFolderCaption(), "New Folder"),
                      OrDefault(TOFDResourceStrings::NewFolderPrompt(),
                                "Enter the name of the new folder:"),
                      name))
        return;
      name = Trim(name);
      if (!IsValidFolderName(name)) {
        ShowError(Msg("\"%s\" is not a valid folder name.", {name}));
        return;
      }
      folder = AddBackslash(FCurrentPath) + name;
    }
    if (const std::string fault = CheckPathForm(folder); !fault.empty()) {
      ShowError(fault);
      return;
    }
    files.ForceDirectories(folder);
    FCurrentPath = RemoveBackslash(folder);
    FRestart = true;
    W.PressOk();
  } catch (const std::exception& E) {
    ShowError(Msg("Setup cannot create the folder \"%s\": %s", {folder, E.what()}));
  }
}

// ----------------------------------------------------------- input query

bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  std::unique_ptr<ui::TForm> form(new ui::TForm(&ui::Application()));
  form->SetName("InputQuery");
  form->SetCaption(Caption);
  form->SetBorderStyle(ui::bsDialog);
  form->BorderIcons = {ui::biSystemMenu};
  form->Position = ui::poScreenCenter;
  form->Font().SetName("Arial");
  form->Font().SetHeight(-11);
  form->SetClientWidth(300);
  form->SetClientHeight(100);
  auto* label = new ui::TLabel(form.get());
  label->SetName("Prompt");
  label->SetParent(form.get());
  label->SetCaption(Prompt);
  label->SetBounds(10, 10, 280, 16);
  auto* edit = new ui::TEdit(form.get());
  edit->SetName("Value");
  edit->SetParent(form.get());
  edit->SetBounds(10, 30, 280, 21);
  edit->SetText(Value);
  for (int i = 0; i < 2; ++i) {
    auto* b = new ui::TButton(form.get());
    b->SetName(i == 0 ? "OK" : "Cancel");
    b->SetCaption(i == 0 ? "OK" : Msg("Cancel"));
    b->SetParent(form.get());
    b->ModalResult = i == 0 ? ui::mrOk : ui::mrCancel;
    b->Default = i == 0;
    b->Cancel = i == 1;
    b->SetBounds(i == 0 ? 134 : 215, 65, 75, 25);
  }
  if (form->ShowModal() != ui::mrOk) return false;
  Value = edit->Text();
  return true;
}

} // namespace quendel::dialogs
