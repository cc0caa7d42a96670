// quendel paths: where every standard path specifier and folder function
// lands on this machine. Run on a target machine (or under Wine) it shows
// where psCommonPrograms or psOfficeUserTemplates put files there; natively
// it shows the simulated Windows 7 machine.
#include "author_runtime.h"
#include "cli_files.h"
#include "commands.h"

#include "core/exceptions.h"
#include "model/model_context.h"
#include "paths/expand_paths.h"
#include "paths/path_classes.h"
#include "paths/standard_paths.h"
#include "platform/platform.h"
#include "system/os_version.h"

#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

namespace quendel::cli {

namespace {

struct TPathsOptions {
  bool Json = false;
};

// A path, or why there is none.
struct TAnswer {
  std::string Path;
  std::optional<std::string> Error;
  bool DuringInstall = false; // the specifier needs an install object or root
};

template <class F> TAnswer Ask(F&& Lookup) {
  try {
    return {Lookup(), std::nullopt};
  } catch (const IEPathSpecifier& E) {
    return {"", std::string(E.what()), true};
  } catch (const std::exception& E) {
    return {"", std::string(E.what())};
  }
}

struct TRow {
  std::string Name;
  std::string Class;
  std::string Caption;
  std::string Description;
  TAnswer Answer;
};

std::string JsonAnswer(const TAnswer& A) {
  if (A.Error) return "null, \"Error\": " + JsonString(*A.Error);
  return JsonString(A.Path);
}

std::string TextAnswer(const TAnswer& A) {
  if (A.DuringInstall) return "(known during an install)";
  if (A.Error) return "(" + *A.Error + ")";
  return A.Path.empty() ? "(none)" : A.Path;
}

void RunPaths(const TPathsOptions& O) {
  TAuthorRuntime& Runtime = CurrentAuthorRuntime();
  TModelContext& Context = Runtime.Model();
  platform::TPlatform& P = Runtime.Platform();
  auto Form = std::make_unique<TComponent>(nullptr);
  CreateStandardSpecifiers(Form.get(), false, Context);

  const TAnswer OS = Ask([&] { return OSVerTypeName(Context.OSVersion()); });
  const std::vector<std::pair<std::string, TAnswer>> Folders = {
      {"StartMenuDir", Ask([&] { return StartMenuDir(P); })},
      {"ProgramsMenuDir", Ask([&] { return ProgramsMenuDir(P); })},
      {"DesktopDir", Ask([&] { return DesktopDir(P); })},
      {"StartupDir", Ask([&] { return StartupDir(P); })},
      {"ProgramFilesDir", Ask([&] { return ProgramFilesDir(P); })},
      {"CommonFilesDir", Ask([&] { return CommonFilesDir(P); })},
  };
  std::vector<TRow> Rows;
  for (TCustomPathSpecifier* S : Context.StandardPathSpecifiers.Items())
    // No install object asks: specifiers that need one say so.
    Rows.push_back({S->DefaultName(), std::string(S->ClassName()), S->GetCaption(),
                    S->GetDescription(), Ask([&] { return S->GetPath(nullptr); })});

  if (O.Json) {
    std::cout << "{\n \"OSVerType\": " << JsonAnswer(OS) << ",\n \"Folders\": {\n";
    for (std::size_t i = 0; i < Folders.size(); ++i)
      std::cout << "  " << JsonString(Folders[i].first) << ": "
                << JsonString(Folders[i].second.Path) << (i + 1 < Folders.size() ? ",\n" : "\n");
    std::cout << " },\n \"Specifiers\": [\n";
    for (std::size_t i = 0; i < Rows.size(); ++i) {
      const TRow& R = Rows[i];
      std::cout << "  {\"DefaultName\": " << JsonString(R.Name)
                << ", \"Class\": " << JsonString(R.Class)
                << ", \"Caption\": " << JsonString(R.Caption)
                << ", \"Description\": " << JsonString(R.Description)
                << ", \"Path\": " << JsonAnswer(R.Answer) << "}"
                << (i + 1 < Rows.size() ? ",\n" : "\n");
    }
    std::cout << " ]\n}\n";
    return;
  }
  std::cout << "System: " << TextAnswer(OS) << "\n\nFolder functions\n";
  for (const auto& [Name, Answer] : Folders)
    std::cout << "  " << std::left << std::setw(17) << Name << ToConsole(TextAnswer(Answer))
              << "\n";
  std::cout << "\nPath specifiers\n";
  for (const TRow& R : Rows)
    std::cout << "  " << std::left << std::setw(28) << R.Name << std::setw(33)
              << ToConsole(R.Caption) << ToConsole(TextAnswer(R.Answer)) << "\n";
}

} // namespace

void AddPathsCommands(CLI::App& App) {
  auto opts = std::make_shared<TPathsOptions>();
  auto* s = App.add_subcommand(
      "paths",
      "Show where every standard path specifier and folder function lands on this machine");
  s->add_flag("--json", opts->Json, "Print a JSON object");
  s->callback([opts] { RunPaths(*opts); });
}

} // namespace quendel::cli
