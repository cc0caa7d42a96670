// quendel: the author's tool. Definitions, archives, version information and
// the build of the distributables, from the command line.
#include "author_runtime.h"
#include "commands.h"
#include "core/exceptions.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <iostream>

int main(int argc, char** argv) {
  CLI::App app{"Quendel Setup author tool: definitions, archives and distributables", "quendel"};
  app.set_version_flag("--version", std::string("quendel ") + QUENDEL_VERSION);
  app.require_subcommand(0, 1);
  // Each area adds its own subcommands (commands.h).
  quendel::cli::AddCommands(app);
  try {
    // Every command runs in the one runtime, made before and freed after it.
    quendel::TScopedContext<quendel::cli::TAuthorRuntime> Runtime;
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const std::exception& e) {
    // Subcommand callbacks run inside parse; their errors end here, with
    // whatever lower error they replaced.
    std::fprintf(stderr, "quendel: %s\n", quendel::DescribeWithCauses(e).c_str());
    return quendel::cli::ExitCodeFor(e);
  }
  if (app.get_subcommands().empty()) std::cout << app.help();
  return 0;
}
