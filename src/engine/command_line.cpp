#include "engine/command_line.h"

#include "engine/errors.h"

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
      throw IEInstall(kInvalidParameter, {arg});
    const char letter = Lower(arg[1]);
    static const std::string kSwitches = "bfderscn";
    if (kSwitches.find(letter) != std::string::npos) {
      result.Params[letter] = arg.substr(2);
      continue;
    }
    if (arg[0] == '-') throw IEInstall(kInvalidParameter, {arg});
    if (letter == 'q') {
      result.Quiet = true;
    } else if (letter == 'l') {
      result.HasLog = true;
      result.LogPath = arg.substr(2);
    }
    // Any other "*" argument (the self-extractor's "*TODISK", say) is not ours.
  }
  return result;
}

} // namespace quendel
