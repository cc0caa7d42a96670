#include "engine/setup_runtime.h"

#include "archive/compress.h"

#include "ui/main_form.h"
#include "ui/translate_hooks.h"
#include "engine/install.h"
#include "engine/uninstall_exe.h"
#include "links/shell_link.h"
#include "model/model_classes.h"
#include "net/net_location.h"
#include "paths/path_classes.h"

namespace quendel {

namespace {

char Lower(char C) {
  return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

} // namespace

TSetupRuntime::TSetupRuntime(platform::TPlatform Platform, std::string ProgramPath,
                             std::vector<std::string> Args)
    : FPlatform(std::move(Platform)) {
  // The quiet and log switches are looked at before the definition is
  // loaded, so that an error while loading is already logged and shown (or
  // not) as asked. The full command line is the install root's to check.
  std::string logPath;
  bool hasLog = false;
  for (const std::string& a : Args)
    if (a.size() >= 2 && a[0] == '*') {
      if (Lower(a[1]) == 'q') FQuiet = true;
      if (Lower(a[1]) == 'l') hasLog = true, logPath = a.substr(2);
    }
  if (hasLog) FLogFailed = !FModel.Log.Open(logPath);
  if (FQuiet || !FPlatform.UI) FPlatform.UI = std::make_unique<platform::TUnattendedUIServices>();
  if (auto* u = dynamic_cast<platform::TUnattendedUIServices*>(FPlatform.UI.get()))
    u->SetReport([this](const std::string& Text, const std::string&, unsigned Flags, int Answer) {
      LogAnswer(FModel.Log, Text, Flags, Answer, false);
    });

  FModel.AttachPlatform(&FPlatform);
  FTranslate.System = FPlatform.System.get();
  FArchive.emplace(*FPlatform.Files);
  FArchive->ProcessMessages = [this] { FPlatform.UI->ProcessMessages(); };
  // The compressor the install files of the main archive share; a run from
  // the self-extracting file points it at the file archive inside.
  FModel.SetSharedCompressor(std::make_unique<TQndlCompress>(nullptr, FPlatform.Files.get()));
  // Extracting lets the windows handle their input after every block, so
  // that the backdrop repaints and a Cancel is served.
  FModel.SharedCompressor->ProcessMessages = [this] {
    if (FArchive->ProcessMessages) FArchive->ProcessMessages();
  };
  FModelScope.emplace(FModel);
  FTranslateScope.emplace(FTranslate);
  FArchiveScope.emplace(*FArchive);
  // Network locations download through the platform; the cancel they check
  // is the model's user-abort flag (their default).
  FNet = std::make_unique<TNetContext>(FPlatform);
  FNet->ProcessMessages = [this] { FPlatform.UI->ProcessMessages(); };
  FNetScope.emplace(*FNet);
  ui::RegisterUiClasses();
  ui::AttachTranslateHooks(FTranslate);
  // A shortcut to the uninstaller passes it the product name.
  FLinks.UninstallerClass = &TUninstallEXE::StaticClass();
  FLinksScope.emplace(FLinks);
  RegisterModelClasses();
  RegisterPathClasses();
  RegisterLinkClasses();
  RegisterTranslateClasses();
  RegisterNetClasses();
  RegisterEngineClasses();
  dialogs::RegisterDialogClasses();
  SetupPathSpecifiers(FModel);
  // A quiet run opens no wizard: every manager logs the pages it skips.
  FDialogs.Unattended = FQuiet;
  FDialogsScope.emplace(FDialogs);
  FApp = std::make_unique<TApplication>(std::move(ProgramPath), std::move(Args), *FPlatform.UI);
  FApp->Log = &FModel.Log;
  FAppScope.emplace(*FApp);
  // What the install objects ask of the user, through the program's boxes
  // (unattended: their default buttons, logged), and the hourglass of the
  // container passes, which nest: each end puts back what its start found.
  FModel.AskYesNo = [this](const std::string& Text) {
    return FApp && FApp->ShowMessageBox(Text, FApp->Title,
                                        platform::mbYesNo | platform::mbIconQuestion) ==
                       platform::idYes;
  };
  FModel.AskOkCancel = [this](const std::string& Text) {
    return FApp && FApp->ShowMessageBox(Text, FApp->Title,
                                        platform::mbOKCancel | platform::mbIconInformation) ==
                       platform::idOK;
  };
  FModel.BusyCursor = [this, Before = std::vector<bool>()](bool Busy) mutable {
    if (Busy) {
      Before.push_back(FPlatform.UI->SetBusyCursor(true));
    } else if (!Before.empty()) {
      FPlatform.UI->SetBusyCursor(Before.back());
      Before.pop_back();
    }
  };
}

TSetupRuntime::~TSetupRuntime() {
  FUiScope.reset();
  FUi.reset();
  FAppScope.reset();
  FApp.reset();
  FDialogsScope.reset();
  FLinksScope.reset();
  FNetScope.reset();
  FNet.reset();
  FArchiveScope.reset();
  FTranslateScope.reset();
  FModelScope.reset();
  FArchive.reset();
}

ui::TUiContext& TSetupRuntime::UseWidgets(ui::IWidgetBackend& Backend,
                                          ui::TFormResources::TLookup Layouts) {
  if (FUi) throw EContextError("The setup runtime already has a widget backend");
  FUi.emplace(Backend);
  FUiScope.emplace(*FUi);
  FUi->Application().Title = FApp->Title;
  FUi->Resources().SetLookup(std::move(Layouts));
  // Long loops let the windows of this backend handle their input (the
  // Cancel of the copy form).
  FArchive->ProcessMessages = [this] {
    if (FUi) FUi->Application().ProcessMessages();
  };
  FNet->ProcessMessages = [this] {
    if (FUi) FUi->Application().ProcessMessages();
  };
  return *FUi;
}

} // namespace quendel
