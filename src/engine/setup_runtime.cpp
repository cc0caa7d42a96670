#include "engine/setup_runtime.h"

#include "archive/archive_context.h"
#include "archive/compress.h"
#include "dialogs/dialog_manager.h"
#include "engine/install.h"
#include "engine/uninstall_exe.h"
#include "links/links_context.h"
#include "model/model_context.h"
#include "ui/forms.h"

namespace quendel {

namespace {

char Lower(char C) {
  return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

bool HasSwitch(const std::vector<std::string>& Args, char Letter) {
  for (const std::string& A : Args)
    if (A.size() >= 2 && A[0] == '*' && Lower(A[1]) == Letter) return true;
  return false;
}

// A quiet run, or a machine without a user interface, answers every question
// with its default; the runtime's layers see these services from the start.
platform::TPlatform WithUiServices(platform::TPlatform P, const std::vector<std::string>& Args) {
  if (HasSwitch(Args, 'q') || !P.UI) P.UI = std::make_unique<platform::TUnattendedUIServices>();
  return P;
}

} // namespace

TSetupRuntime::TSetupRuntime(std::string ProgramPath, std::vector<std::string> Args)
    : TSetupRuntime(ThisMachinePlatform(), std::move(ProgramPath), std::move(Args)) {}

TSetupRuntime::TSetupRuntime(platform::TPlatform Platform, std::string ProgramPath,
                             std::vector<std::string> Args)
    : TRuntime(WithUiServices(std::move(Platform), Args)), FQuiet(HasSwitch(Args, 'q')) {
  // The log is opened before the definition is loaded, so that an error
  // while loading is already logged. The full command line is the install
  // root's to check.
  const std::string* LogPath = nullptr;
  for (const std::string& A : Args)
    if (A.size() >= 2 && A[0] == '*' && Lower(A[1]) == 'l') LogPath = &A;
  if (LogPath) FLogFailed = !Log().Open(LogPath->substr(2));
  if (auto* U = dynamic_cast<platform::TUnattendedUIServices*>(this->Platform().UI.get()))
    U->SetReport([this](const std::string& Text, const std::string&, unsigned Flags, int Answer) {
      LogAnswer(Log(), Text, Flags, Answer, false);
    });

  // The compressor the install files of the main archive share; a run from
  // the self-extracting file points it at the file archive inside.
  Model().SetSharedCompressor(
      std::make_unique<TQndlCompress>(nullptr, this->Platform().Files.get()));
  Model().SharedCompressor->ProcessMessages = [this] {
    if (Archive().ProcessMessages) Archive().ProcessMessages();
  };
  // A shortcut to the uninstaller passes it the product name.
  Links().UninstallerClass = &TUninstallEXE::StaticClass();
  RegisterEngineClasses();
  // A quiet run opens no wizard: every manager logs the pages it skips.
  Dialogs().Unattended = FQuiet;
  FApp = std::make_unique<TApplication>(std::move(ProgramPath), std::move(Args),
                                        *this->Platform().UI);
  FApp->Log = &Log();
  FAppScope.emplace(*FApp);
  // What the install objects ask of the user, through the program's boxes
  // (unattended: their default buttons, logged), and the hourglass of the
  // container passes, which nest: each end puts back what its start found.
  Model().AskYesNo = [this](const std::string& Text) {
    return FApp && FApp->ShowMessageBox(Text, FApp->Title,
                                        platform::mbYesNo | platform::mbIconQuestion) ==
                       platform::idYes;
  };
  Model().AskOkCancel = [this](const std::string& Text) {
    return FApp && FApp->ShowMessageBox(Text, FApp->Title,
                                        platform::mbOKCancel | platform::mbIconInformation) ==
                       platform::idOK;
  };
  Model().BusyCursor = [this](bool Busy) {
    if (Busy) {
      FBusyBefore.push_back(this->Platform().UI->SetBusyCursor(true));
    } else if (!FBusyBefore.empty()) {
      this->Platform().UI->SetBusyCursor(FBusyBefore.back());
      FBusyBefore.pop_back();
    }
  };
}

TSetupRuntime::~TSetupRuntime() {
  // The widget layer's forms die first, while the application and every
  // context they use are still there.
  EndWidgets();
  FAppScope.reset();
  FApp.reset();
}

TInstallLog& TSetupRuntime::Log() {
  return Model().Log;
}

ui::TUiContext& TSetupRuntime::Titled(ui::TUiContext& Ui) {
  Ui.Application().Title = FApp->Title;
  return Ui;
}

} // namespace quendel
