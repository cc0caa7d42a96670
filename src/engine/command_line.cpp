#include "engine/command_line.h"

#include "engine/errors.h"

#include <cctype>

namespace quendel {

namespace {

const char* const kInvalidParameter =
    "Invalid parameter <%s>. Valid command line parameters are: -b (Build), -d (Debug), -f "
    "(Transfer to floppies), -e (Called by self-extractor), -r (After reboot)";

char Lower(char C) {
  return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

} // namespace

std::string TCommandLine::Param(char Switch) const {
  const auto it = Params.find(Switch);
  return it == Params.end() ? std::string() : it->second;
}

TCommandLine ParseSetupCommandLine(const std::vector<std::string>& Args) {
  TCommandLine result;
  for (const std::string& arg : Args) {
    if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '*'))
      Raise<IEInstall>(kInvalidParameter, {arg});
    const char letter = Lower(arg[1]);
    static const std::string kSwitches = "bfderscn";
    if (kSwitches.find(letter) != std::string::npos) {
      result.Params[letter] = arg.substr(2);
      continue;
    }
    if (arg[0] == '-') Raise<IEInstall>(kInvalidParameter, {arg});
    if (letter == 'q') {
      result.Quiet = true;
    } else if (letter == 'l') {
      result.HasLog = true;
      result.LogPath = arg.substr(2);
    } else if (letter == 'i') {
      const std::string dir = arg.substr(2);
      // Only a full path: a relative one would land wherever the program
      // happened to start.
      const bool drive = dir.size() >= 3 && std::isalpha(static_cast<unsigned char>(dir[0])) &&
                         dir[1] == ':' && dir[2] == '\\';
      const bool unc = dir.size() > 2 && dir[0] == '\\' && dir[1] == '\\';
      if (!drive && !unc) Raise<IEInstall>(kInvalidParameter, {arg});
      result.DestDir = dir;
    }
    // Any other "*" argument (the self-extractor's "*TODISK", say) is not ours.
  }
  return result;
}

} // namespace quendel
