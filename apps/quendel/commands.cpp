#include "commands.h"

namespace quendel::cli {

// One line per area; each is defined in its cmd_<area>.cpp.
void AddArchiveCommands(CLI::App& App);
void AddVersionCommands(CLI::App& App);
void AddSystemCommands(CLI::App& App);
void AddTranslateCommands(CLI::App& App);
void AddDefinitionCommands(CLI::App& App);
void AddPathsCommands(CLI::App& App);
void AddPlanCommands(CLI::App& App);
void AddLinkCommands(CLI::App& App);
void AddSetupCommands(CLI::App& App);
void AddBuildCommands(CLI::App& App);

void AddCommands(CLI::App& App) {
  AddArchiveCommands(App);
  AddVersionCommands(App);
  AddSystemCommands(App);
  AddTranslateCommands(App);
  AddDefinitionCommands(App);
  AddPathsCommands(App);
  AddPlanCommands(App);
  AddLinkCommands(App);
  AddSetupCommands(App);
  AddBuildCommands(App);
  (void)App;
}

int ExitCodeFor(const std::exception& E) {
  if (auto* x = dynamic_cast<const TExit*>(&E)) return x->Code;
  return 1;
}

} // namespace quendel::cli
