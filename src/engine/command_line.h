// The setup program's command line.
//
// Each argument is a "-" or "*" followed by a switch letter (either case) and
// the switch's text: -b build, -f transfer to floppies, -d debug, -e called by
// the self-extractor, -r after reboot, -s source directory, -c clean up,
// -n clear unfinished work first. An unknown letter after "-" is an error;
// after "*" the argument is ignored, which leaves room for the switches of
// this program that older setup programs must not stumble over: "*q" (quiet:
// no windows, every question takes its default answer), "*l<path>" (log) and
// "*i<directory>" (install into this directory instead of the definition's:
// the choice the destination page makes, for unattended runs; a full path).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quendel {

struct TCommandLine {
  // Switch letter (lower case) -> the text after it; a later repetition
  // replaces the text.
  std::map<char, std::string> Params;
  bool Quiet = false;
  bool HasLog = false;
  std::string LogPath;
  // "*i": the destination chosen on the command line; empty without it.
  std::string DestDir;

  bool Has(char Switch) const { return Params.count(Switch) != 0; }
  // Empty when the switch is absent.
  std::string Param(char Switch) const;
};

// Parses Args (without the program's own name). Raises IEInstall with the
// invalid-parameter message naming the first bad argument.
TCommandLine ParseSetupCommandLine(const std::vector<std::string>& Args);

} // namespace quendel
