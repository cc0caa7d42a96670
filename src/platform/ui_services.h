#pragma once
// What the setup program asks of the person at the machine: message boxes
// and questions, the hourglass cursor, and the handling of pending window
// messages during long operations.
//
// An unattended run (and every native run) has nobody to ask: its services
// answer each question with the message box's default button, show nothing,
// and report what would have been shown, so that it can be logged.

#include "core/event.h"

#include <memory>
#include <string>

namespace quendel::platform {

// Buttons, icons and default button of a message box, as the MB_* numbers.
inline constexpr unsigned mbOK = 0x0;
inline constexpr unsigned mbOKCancel = 0x1;
inline constexpr unsigned mbAbortRetryIgnore = 0x2;
inline constexpr unsigned mbYesNoCancel = 0x3;
inline constexpr unsigned mbYesNo = 0x4;
inline constexpr unsigned mbRetryCancel = 0x5;
inline constexpr unsigned mbIconError = 0x10;
inline constexpr unsigned mbIconQuestion = 0x20;
inline constexpr unsigned mbIconWarning = 0x30;
inline constexpr unsigned mbIconInformation = 0x40;
inline constexpr unsigned mbDefButton2 = 0x100;
inline constexpr unsigned mbDefButton3 = 0x200;

// The button pressed, as the ID* numbers.
inline constexpr int idOK = 1;
inline constexpr int idCancel = 2;
inline constexpr int idAbort = 3;
inline constexpr int idRetry = 4;
inline constexpr int idIgnore = 5;
inline constexpr int idYes = 6;
inline constexpr int idNo = 7;

// The button a message box of these flags has as its default (the one Enter
// presses). A default button beyond the box's buttons falls back to the first.
int DefaultAnswer(unsigned Flags);

class IUIServices {
public:
  IUIServices() = default;
  IUIServices(const IUIServices&) = delete;
  IUIServices& operator=(const IUIServices&) = delete;
  virtual ~IUIServices() = default;

  // Whether a person sees windows and answers questions.
  virtual bool Interactive() const = 0;
  // A modal message box; returns the button pressed (ID*).
  virtual int ShowMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) = 0;
  // The hourglass cursor on or off; returns whether it was on before.
  virtual bool SetBusyCursor(bool Busy) = 0;
  // Handles the window messages waiting, so that windows repaint and their
  // Cancel buttons work during a long operation.
  virtual void ProcessMessages() = 0;
};

// Nobody at the machine: every message box takes its default answer, which is
// reported (text, caption, flags, answer) to Report when one is given.
class TUnattendedUIServices final : public IUIServices {
public:
  using TReport = TEvent<void(const std::string& Text, const std::string& Caption,
                                     unsigned Flags, int Answer)>;
  explicit TUnattendedUIServices(TReport Report = {}) : FReport(std::move(Report)) {}

  bool Interactive() const override { return false; }
  int ShowMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) override;
  bool SetBusyCursor(bool Busy) override;
  void ProcessMessages() override {}

  void SetReport(TReport Report) { FReport = std::move(Report); }

private:
  TReport FReport;
  bool FBusy = false;
};

// The services of the build: Win32 message boxes in the win32 build, the
// unattended ones natively (there are no windows there).
std::unique_ptr<IUIServices> CreateDefaultUIServices();

} // namespace quendel::platform
