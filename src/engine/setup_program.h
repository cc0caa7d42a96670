// The start-up of a setup program, in the order it must happen: the title,
// the main window created from the stored definition (which creates every
// install object; the install root then reads the command line and builds,
// transfers, continues after a reboot, or waits for the window's first
// activation), the message loop, and the end with the exit code.
//
// The Win32 program (apps/setup) gives it the definition from its resource
// and a window host; a test runs the same start-up in one process without a
// window, as an unattended run does.
#pragma once

#include "engine/application.h"

#include <cstdint>
#include <vector>

namespace quendel {

namespace ui {
class TfrmMainMenu;
}
using ui::TfrmMainMenu;

// Shows the main window and runs the message loop until the application is
// terminated; the window's first activation calls Application().Activate()
// through RunActivation.
class IWindowHost {
public:
  virtual void Run(TApplication& App, TfrmMainMenu& Form) = 0;

protected:
  ~IWindowHost() = default;
};

// Activates the program: the install root's handler runs the installation.
// An exception that escapes goes to the application's exception handler.
void RunActivation(TApplication& App);

// App must be current (TApplicationScope), and so must the contexts of every
// layer with their classes registered. Host null: no window; the first
// activation happens at once. Returns the exit code; an error before any
// run (a damaged definition, a bad command line) is shown and gives
// ecStartFailed.
TSetupExitCode RunSetupProgram(TApplication& App, const std::vector<std::uint8_t>& Definition,
                               IWindowHost* Host);

} // namespace quendel
