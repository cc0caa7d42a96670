// The application object of a setup program: its title and command line,
// the main window it drives, the exception handler, the request to end, the
// user-interface services, the log and the exit code.
//
// The program creates one and makes it current with a TApplicationScope for
// its whole life; the tests make their own.
#pragma once

#include "core/component.h"
#include "core/event.h"
#include "core/install_log.h"
#include "engine/command_line.h"
#include "engine/exit_codes.h"
#include "platform/ui_services.h"

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace quendel {

// The main window as the install root drives it.
class IMainWindow {
public:
  virtual void Maximize() = 0;
  // Left -2 x width, top -2 x height: the window exists and is activated,
  // but is not seen.
  virtual void MoveOffScreen() = 0;
  virtual void Repaint() = 0;
  virtual bool Destroying() const = 0;

protected:
  ~IMainWindow() = default;
};

class TApplication {
public:
  using TExceptionEvent = TEvent<void(TComponent* Sender, const std::exception& E)>;

  // ProgramPath: the running program file (a platform path); Args: its
  // arguments without it.
  TApplication(std::string ProgramPath, std::vector<std::string> Args,
               platform::IUIServices& UI);

  std::string Title;
  const std::string& ProgramPath() const { return FProgramPath; }
  // ParamStr(1..): the arguments as given.
  const std::vector<std::string>& Args() const { return FArgs; }
  platform::IUIServices& UI() { return *FUI; }
  void SetUI(platform::IUIServices& UI) { FUI = &UI; }

  // The window the install root drives, and its activation handler (the
  // root hooks its own in and keeps the one it found).
  TComponent* MainForm = nullptr;
  IMainWindow* Window = nullptr;
  TEvent<void()> OnActivate;
  // The program's window was activated: calls OnActivate.
  void Activate();

  // Called with every exception that escapes a message handler or the run.
  TExceptionEvent OnException;
  // OnException when set, else ShowException.
  void HandleException(TComponent* Sender, const std::exception& E);
  // The standard report: a message box with the message (logged as an
  // error; unattended, only logged).
  void ShowException(const std::exception& E);
  // A message box through the UI services. Interactive answers are logged
  // here; the unattended services report theirs to the log themselves (see
  // TSetupRuntime), also for the boxes that do not pass through here.
  int ShowMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags);
  void ProcessMessages() { FUI->ProcessMessages(); }

  // Asks the message loop to end; takes effect when control returns to it.
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }

  // The program's exit code: the run sets it as it ends.
  TSetupExitCode ExitCode = ecGoodInstall;

  // The running program's bitmap resources by name, as the bytes of a BMP
  // file; empty for a name it lacks, and in a program without resources
  // (the author tool, the tests), where it is unset.
  TEvent<std::vector<std::uint8_t>(const std::string& Name)> BitmapResource;

  // The log ("*l"); closed when none was asked for.
  TInstallLog* Log = nullptr;
  void LogLine(std::string_view Kind, std::string_view Text) {
    if (Log) Log->Write(Kind, Text);
  }
  void LogLine(std::string_view Kind, const char* Pattern, TFormatArgs Args) {
    if (Log) Log->Write(Kind, Pattern, Args);
  }

private:
  std::string FProgramPath;
  std::vector<std::string> FArgs;
  platform::IUIServices* FUI;
  bool FTerminated = false;
};

// One log line for a message box and the answer it got: "MESSAGE"/"ERROR"
// for a box with only OK, "ASK text -> answer" for a question.
void LogAnswer(TInstallLog& Log, const std::string& Text, unsigned Flags, int Answer,
               bool Interactive);

// The current application. Raises EComponentError without a scope.
TApplication& Application();
bool HasApplication();

class TApplicationScope {
public:
  explicit TApplicationScope(TApplication& App);
  ~TApplicationScope();
  TApplicationScope(const TApplicationScope&) = delete;
  TApplicationScope& operator=(const TApplicationScope&) = delete;

private:
  TApplication* FPrevious;
};

} // namespace quendel
