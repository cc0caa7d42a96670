// The install log: one plain-text line per action of a run (files written or
// skipped, registry values, shortcuts, registrations, programs started,
// questions answered, warnings and errors), each stamped with the local time.
//
// Every line is flushed as it is written, so that a run that crashes or is
// killed loses nothing of what it did before. A closed log writes nothing,
// which is what a run without "*l" has.
#pragma once

#include "core/format.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace quendel {

class TInstallLog {
public:
  TInstallLog() = default;
  ~TInstallLog();
  TInstallLog(const TInstallLog&) = delete;
  TInstallLog& operator=(const TInstallLog&) = delete;

  // Opens (creates or appends to) the file at HostPath, a path of the machine
  // the program runs on. Returns false when it cannot be opened.
  bool Open(const std::string& HostPath);
  void Close();
  bool IsOpen() const { return FFile != nullptr; }
  const std::string& Path() const { return FPath; }

  // "YYYY-MM-DD HH:MM:SS KIND Text": Kind names the action in capitals
  // ("FILE", "SKIP", "REBOOT", "REGISTRY", "RUN", "ASK", "WARNING", "ERROR",
  // ...). Line breaks inside Text become spaces so that one action is one line.
  void Write(std::string_view Kind, std::string_view Text);
  // The same with Text formatted from a pattern and its arguments (see
  // core/format.h), only when the log is open: the places that log pass
  // their pieces instead of building the line's text themselves.
  void Write(std::string_view Kind, const char* Pattern, TFormatArgs Args);

private:
  std::FILE* FFile = nullptr;
  std::string FPath;
};

} // namespace quendel
