#include "commands.h"

namespace quendel::cli {

// One line per area; each is defined in its cmd_<area>.cpp.

void AddCommands(CLI::App& App) {
  (void)App;
}

int ExitCodeFor(const std::exception& E) {
  if (auto* x = dynamic_cast<const TExit*>(&E)) return x->Code;
  return 1;
}

} // namespace quendel::cli
