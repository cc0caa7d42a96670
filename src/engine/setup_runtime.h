// Everything a setup program runs in: the system's runtime (the platform,
// every class a definition may name and every layer's context, in the
// runtime's order) with what the setup program adds on top, in the order of
// its start: the log and the user-interface services the command line asks
// for ("*l<path>", "*q"), the engine's classes, and the application object;
// the widget layer once the program gives it a backend (UseWidgets).
// Destroyed in the reverse order. The Win32 program makes one on the real
// machine; a test makes one on the simulated machine.
#pragma once

#include "archive/archive_context.h"
#include "dialogs/dialog_manager.h"
#include "engine/application.h"
#include "links/links_context.h"
#include "model/model_context.h"
#include "net/net_location.h"
#include "runtime/runtime.h"
#include "translate/translator.h"
#include "ui/forms.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quendel {

class TSetupRuntime : public TRuntime {
public:
  // On this machine. ProgramPath: the running program file as the platform
  // names it; Args: its arguments.
  TSetupRuntime(std::string ProgramPath, std::vector<std::string> Args);
  // On Platform (a test's machine, or one the author tool gives it).
  TSetupRuntime(platform::TPlatform Platform, std::string ProgramPath,
                std::vector<std::string> Args);
  ~TSetupRuntime();

  TApplication& App() { return *FApp; }
  TInstallLog& Log();
  // Gives the wizards their windows (the Win32 backend in the program, a
  // headless one in tests): made current until the runtime ends, and ended
  // first. Without it a wizard that has to open a window fails, so a quiet
  // run needs none. Long loops then let these windows handle their input.
  // The pages' layouts are those Layouts finds (the setup program's
  // resources), or without it those built into the dialog layer (tests).
  ui::TUiContext& UseWidgets(ui::IWidgetBackend& Backend, TLayoutLookup Layouts) {
    return Titled(TRuntime::UseWidgets(Backend, std::move(Layouts)));
  }
  // Inline, so that the setup program, which brings its own layouts, does not
  // carry the built-in ones too.
  ui::TUiContext& UseWidgets(ui::IWidgetBackend& Backend) {
    return Titled(TRuntime::UseWidgets(Backend));
  }
  // "*q": no windows; every question takes its default answer.
  bool Quiet() const { return FQuiet; }
  // "*l" named a log that could not be opened.
  bool LogFailed() const { return FLogFailed; }

private:
  // The widget layer's application takes the program's title.
  ui::TUiContext& Titled(ui::TUiContext& Ui);

  bool FQuiet = false;
  bool FLogFailed = false;
  // What each busy pass found, innermost last (see BusyCursor).
  std::vector<bool> FBusyBefore;
  std::unique_ptr<TApplication> FApp;
  std::optional<TApplicationScope> FAppScope;
};

} // namespace quendel
