#include "engine/setup_program.h"

#include "definition/binary_codec.h"
#include "definition/loader.h"
#include "ui/main_form.h"
#include "model/model_context.h"

#include <memory>

namespace quendel {

void RunActivation(TApplication& App) {
  try {
    App.Activate();
  } catch (const std::exception& E) {
    App.HandleException(nullptr, E);
  }
}

TSetupExitCode RunSetupProgram(TApplication& App, const std::vector<std::uint8_t>& Definition,
                               IWindowHost* Host) {
  App.LogLine("START", App.ProgramPath());
  // The form owns every install object; it must die before the contexts.
  auto form = std::make_unique<TfrmMainMenu>(nullptr);
  try {
    if (Definition.empty()) Raise<EReadError>("This setup program carries no install definition");
    LoadDefinition(ReadObjectBinary(Definition), *form);
    // Without an install root nothing would run, and the program would end
    // as if it had installed.
    if (!CurrentModelContext().InstallRoot)
      Raise<EReadError>("The install definition has no install root (TInstall)");
  } catch (const std::exception& E) {
    App.ShowException(E);
    App.LogLine("END", "exit code %d", {static_cast<int>(ecStartFailed)});
    return ecStartFailed;
  }
  App.MainForm = form.get();
  if (!App.Terminated()) {
    if (Host)
      Host->Run(App, *form);
    else
      RunActivation(App);
  }
  form.reset();
  App.MainForm = nullptr;
  App.LogLine("END", "exit code %d", {static_cast<int>(App.ExitCode)});
  return App.ExitCode;
}

} // namespace quendel
