// quendel version FILE: the version resource of an executable file.
#include "cli_files.h"
#include "commands.h"

#include "core/reflection.h"
#include "system/version_resource.h"

#include <iostream>

namespace quendel::cli {

namespace {

struct TVersionOptions {
  std::string File;
  bool Json = false;
};

void RunVersion(const TVersionOptions& O) {
  TAuthorRuntime& files = CurrentAuthorRuntime();
  const std::string path = files.ToPlatform(O.File);
  if (!files.Files().FileExists(path))
    throw std::runtime_error(std::string("cannot open ").append(O.File));
  TVersionResource r(nullptr, &files.Files());
  r.SetFileName(path);
  const TVersionInfo& v = r.VersionInfo();
  if (v.FileVersion.empty()) throw std::runtime_error(O.File + " has no version resource");
  const auto props = TVersionInfo::StaticClass().Properties();
  if (O.Json) {
    std::cout << "{";
    bool first = true;
    for (const TPropInfo* p : props) {
      std::cout << (first ? "\n " : ",\n ") << JsonString(std::string(p->Name)) << ": "
                << JsonString(p->GetStr(v));
      first = false;
    }
    std::cout << ",\n \"PrimaryLanguage\": " << v.PrimaryLanguage << "\n}\n";
    return;
  }
  for (const TPropInfo* p : props) {
    const std::string value = p->GetStr(v);
    if (!value.empty()) std::cout << p->Name << ": " << ToConsole(value) << "\n";
  }
  std::cout << "PrimaryLanguage: " << v.PrimaryLanguage << "\n";
}

} // namespace

void AddVersionCommands(CLI::App& App) {
  auto opts = std::make_shared<TVersionOptions>();
  auto* v = App.add_subcommand("version", "Show the version resource of an executable file");
  v->add_option("FILE", opts->File, "An .exe, .dll or other PE file")->required();
  v->add_flag("--json", opts->Json, "Print a JSON object");
  v->callback([opts] { RunVersion(*opts); });
}

} // namespace quendel::cli
