// Everything a setup program runs in, composed in the order of its start:
// the platform, the contexts of every layer with every class a definition
// may name, the log and user-interface services the command line asks for
// ("*l<path>", "*q"), the dialogs context, and the application object; the
// widget layer once the program gives it a backend (UseWidgets). Destroyed in
// the reverse order. The Win32 program makes one on the real machine; a test makes one
// on the simulated machine.
#pragma once

#include "archive/archive_context.h"
#include "dialogs/dialog_layouts.h"
#include "dialogs/dialog_manager.h"
#include "engine/application.h"
#include "links/links_context.h"
#include "model/model_context.h"
#include "net/net_location.h"
#include "platform/platform.h"
#include "translate/translator.h"
#include "ui/forms.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quendel {

class TSetupRuntime {
public:
  // ProgramPath: the running program file as the platform names it.
  TSetupRuntime(platform::TPlatform Platform, std::string ProgramPath,
                std::vector<std::string> Args);
  ~TSetupRuntime();
  TSetupRuntime(const TSetupRuntime&) = delete;
  TSetupRuntime& operator=(const TSetupRuntime&) = delete;

  platform::TPlatform& Platform() { return FPlatform; }
  TModelContext& Model() { return FModel; }
  TNetContext& Net() { return *FNet; }
  TApplication& App() { return *FApp; }
  TInstallLog& Log() { return FModel.Log; }
  // The form registries and the running wizard; unattended with "*q".
  dialogs::TDialogsContext& Dialogs() { return FDialogs; }
  // Gives the wizards their windows (the Win32 backend in the program, a
  // headless one in tests): made current until the runtime ends, and ended
  // first. Without it a wizard that has to open a window fails, so a quiet
  // run needs none. The pages' layouts are those Layouts finds (the setup
  // program's resources).
  ui::TUiContext& UseWidgets(ui::IWidgetBackend& Backend, ui::TFormResources::TLookup Layouts);
  // The same with the layouts built into the dialog layer (tests); inline,
  // so that a program with layouts of its own does not carry them twice.
  ui::TUiContext& UseWidgets(ui::IWidgetBackend& Backend) {
    ui::TUiContext& context = UseWidgets(Backend, nullptr);
    dialogs::AddDialogLayouts(context.Resources());
    return context;
  }
  // "*q": no windows; every question takes its default answer.
  bool Quiet() const { return FQuiet; }
  // "*l" named a log that could not be opened.
  bool LogFailed() const { return FLogFailed; }

private:
  platform::TPlatform FPlatform;
  bool FQuiet = false;
  bool FLogFailed = false;
  TModelContext FModel;
  TTranslateContext FTranslate;
  std::optional<TArchiveContext> FArchive;
  std::optional<TModelContextScope> FModelScope;
  std::optional<TTranslateScope> FTranslateScope;
  std::optional<TArchiveContextScope> FArchiveScope;
  std::unique_ptr<TNetContext> FNet;
  std::optional<TNetContextScope> FNetScope;
  // Shortcut groups and shortcuts; their lists refer to the model's objects.
  TLinksContext FLinks;
  std::optional<TLinksContextScope> FLinksScope;
  dialogs::TDialogsContext FDialogs;
  std::optional<dialogs::TDialogsScope> FDialogsScope;
  std::unique_ptr<TApplication> FApp;
  std::optional<TApplicationScope> FAppScope;
  // The widget layer's forms die first, while every context they use lives.
  std::optional<ui::TUiContext> FUi;
  std::optional<ui::TUiScope> FUiScope;
};

} // namespace quendel
