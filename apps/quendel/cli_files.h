// What the archive and version commands share: the runtime's file system
// with host paths turned into the paths it takes, a progress line for long
// work, and JSON texts.
#pragma once

#include "author_runtime.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace quendel::cli {

// "\r 42% name" on stderr, only when stderr is a terminal and the work has
// taken longer than a moment; at most ten updates a second.
class TProgress {
public:
  TProgress();
  void Show(int Percent, const std::string& Name);
  // Ends the line if one was shown.
  void Done();

private:
  bool FTerminal;
  bool FShown = false;
  std::chrono::steady_clock::time_point FStart, FLast;
};

// An ANSI text as the console shows it: UTF-8 natively, unchanged under Windows.
std::string ToConsole(const std::string& Ansi);

// A JSON string literal of an ANSI (code page 1252) text.
std::string JsonString(const std::string& Ansi);

} // namespace quendel::cli
