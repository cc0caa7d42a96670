// The author tool's subcommands. Each area keeps its commands in its own
// cmd_<area>.cpp and is added to AddCommands (commands.cpp).
#pragma once

#include <CLI/CLI.hpp>

#include <exception>

namespace quendel::cli {

void AddCommands(CLI::App& App);

// A failing command exits with 1; a command may throw TExit to choose another code.
struct TExit : std::exception {
  explicit TExit(int C) : Code(C) {}
  int Code;
  const char* what() const noexcept override { return "exit"; }
};
int ExitCodeFor(const std::exception& E);

} // namespace quendel::cli
