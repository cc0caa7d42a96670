// quendel plan DEFINITION [--json] [--install-type full|default|compact|custom]
//              [--source DIR]:
// loads an install definition and prints the install as it would run on this
// machine, writing nothing: every object in processing order with its kind,
// whether the filters let it through (and which one stopped it), its full
// destination, its archive and member, and its size; totals at the end.
// Natively it plans for the simulated machine, under Windows for the real one.
// The archives are looked for where the setup program would run from: DIR,
// by default the definition's directory.
#include "author_runtime.h"
#include "cli_files.h"
#include "commands.h"

#include "core/strings.h"
#include "definition/binary_codec.h"
#include "definition/loader.h"
#include "definition/text_codec.h"
#include "engine/application.h"
#include "engine/install.h"
#include "model/file_container.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

namespace quendel::cli {

namespace {

struct TPlanOptions {
  std::string Input;
  bool Json = false;
  std::string InstallType = "full";
  std::string Source;
};

struct TPlanEntry {
  int Depth = 0;
  std::string Name, Kind, StoppedBy, Destination, Archive, Member, Error;
  std::int64_t Size = -1; // -1: not a file
};

TObjectRecord ReadDefinitionFile(const std::string& Name) {
  std::ifstream in(Name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + Name);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  try {
    return IsBinaryStream(bytes) ? ReadObjectBinary(bytes) : ReadObjectStream(bytes);
  } catch (const EReadError& e) {
    throw std::runtime_error(Name + ": " + e.Message());
  }
}

// Which filter of Process stops the object, or "" when it takes part.
std::string StoppedBy(TInstallContainer& C, TOSVerType OS) {
  if (!C.OS().Contains(OS)) return "OS";
  if (!C.Include()) return "Include";
  if (C.CurrentInstallType() != itCustom && !C.InstallTypes().Contains(C.CurrentInstallType()))
    return "InstallTypes";
  return "";
}

std::string StrProp(const TPersistent& Obj, const char* Name) {
  const TPropInfo* P = Obj.ClassType().FindProperty(Name);
  return P && P->Kind == TPropKind::String ? P->GetStr(Obj) : std::string();
}

// "X:\..." or "\\server\...".
bool IsFullPath(const std::string& Path) {
  const bool Drive = Path.size() >= 3 && std::isalpha(static_cast<unsigned char>(Path[0])) &&
                     Path[1] == ':' && Path[2] == '\\';
  return Drive || Path.rfind("\\\\", 0) == 0;
}

void Walk(TInstallContainer& C, int Depth, const std::string& Blocked, TOSVerType OS,
          std::vector<TPlanEntry>& Out) {
  TPlanEntry E;
  E.Depth = Depth;
  E.Name = C.Name();
  E.Kind = C.ClassName();
  E.StoppedBy = Blocked.empty() ? StoppedBy(C, OS) : Blocked;
  try {
    E.Destination = C.GetFullDestDir();
    // Without a path specifier the destination is taken as written; one
    // that is not a full path would land wherever the setup program happens
    // to run.
    if (!IsFullPath(E.Destination))
      E.Error = "the destination " + E.Destination + " of " + C.Name() + " is not a full path";
    if (auto* F = dynamic_cast<IContainedFile*>(&C)) {
      std::string DestName = StrProp(C, "DestName");
      if (DestName.empty()) DestName = F->FileFileName();
      E.Destination += "\\" + DestName;
    }
  } catch (const std::exception& X) {
    E.Error = X.what();
  }
  if (auto* R = dynamic_cast<TFileRelated*>(&C)) {
    try {
      E.Archive = R->GetFullArchiveFile();
    } catch (const std::exception& X) {
      if (E.Error.empty()) E.Error = X.what();
    }
  }
  if (auto* F = dynamic_cast<IContainedFile*>(&C)) {
    E.Member = F->FileFileName();
    E.Size = F->FileSize();
  }
  Out.push_back(E);
  const std::string Inner = E.StoppedBy.empty() ? "" : "container";
  for (int i = 0; i < C.ChildCount(); ++i) {
    TInstallContainer* Child = C.Children(i);
    if (Child->ProcessWithContainer()) Walk(*Child, Depth + 1, Inner, OS, Out);
  }
}

TInstallType InstallTypeOf(const std::string& Text) {
  static const std::map<std::string, TInstallType> Types = {
      {"full", itFull}, {"default", itDefault}, {"compact", itCompact}, {"custom", itCustom}};
  auto It = Types.find(Text);
  if (It == Types.end()) throw std::runtime_error("unknown install type " + Text);
  return It->second;
}

void Plan(const TPlanOptions& O) {
  const TObjectRecord Stream = ReadDefinitionFile(O.Input);
  const TInstallType Type = InstallTypeOf(O.InstallType);
  TAuthorRuntime& Runtime = CurrentAuthorRuntime();
  // The install root takes its install source from the directory of the
  // running setup program: as if it ran from Source.
  const std::string Source = Runtime.ToPlatform(
      std::filesystem::absolute(O.Source.empty() ? std::filesystem::path(O.Input).parent_path()
                                                 : std::filesystem::path(O.Source))
          .lexically_normal()
          .string());
  platform::TUnattendedUIServices Quiet;
  TApplication App(AddBackslash(Source) + "setup.exe", {}, Quiet);
  TApplicationScope AppScope(App);
  // A product's definition has an install root and an uninstaller.
  RegisterEngineClasses();
  const TClassInfo* Cls = ClassRegistry().Find(Stream.ClassName);
  if (!Cls) throw std::runtime_error("Class " + Stream.ClassName + " not found");
  std::unique_ptr<TComponent> Root(Cls->Create(nullptr));
  LoadDefinition(Stream, *Root);

  // The install root when there is one, otherwise every top-level object.
  std::vector<TInstallContainer*> Tops;
  if (TInstallContainer* R = Runtime.Model().InstallRootContainer())
    Tops.push_back(R);
  else
    for (TInstallContainer* C : Runtime.Model().AllContainers.Items())
      if (auto* Obj = dynamic_cast<TInstallObject*>(C); Obj && !Obj->Container() &&
                                                         Obj->ProcessWithContainer())
        Tops.push_back(C);
  const TOSVerType OS = Runtime.Model().OSVersion();
  std::vector<TPlanEntry> Entries;
  for (TInstallContainer* T : Tops) {
    T->SelectInstallType(Type);
    Walk(*T, 0, "", OS, Entries);
  }
  // Objects the install never reaches (a directory or file whose container
  // is missing) are listed after it, so that an author sees them.
  if (!Tops.empty() && Tops.front() == Runtime.Model().InstallRootContainer()) {
    std::set<std::string> Seen;
    for (const TPlanEntry& E : Entries) Seen.insert(E.Name);
    for (TInstallContainer* C : Runtime.Model().AllContainers.Items())
      if (auto* Obj = dynamic_cast<TInstallObject*>(C);
          Obj && !Obj->Container() && C != Tops.front() && !Seen.count(C->Name()))
        Walk(*C, 0, "no container", OS, Entries);
  }

  std::int64_t Files = 0, Bytes = 0, Skipped = 0;
  int Errors = 0;
  for (const TPlanEntry& E : Entries) {
    if (!E.Error.empty()) ++Errors;
    if (E.Size < 0) continue;
    if (E.StoppedBy.empty()) {
      ++Files;
      Bytes += E.Size;
    } else {
      ++Skipped;
    }
  }

  if (O.Json) {
    std::cout << "{\"objects\": [";
    for (std::size_t i = 0; i < Entries.size(); ++i) {
      const TPlanEntry& E = Entries[i];
      std::cout << (i ? ",\n  " : "\n  ") << "{\"name\": " << JsonString(E.Name)
                << ", \"kind\": " << JsonString(E.Kind) << ", \"depth\": " << E.Depth
                << ", \"included\": " << (E.StoppedBy.empty() ? "true" : "false")
                << ", \"stopped_by\": " << JsonString(E.StoppedBy)
                << ", \"destination\": " << JsonString(E.Destination)
                << ", \"archive\": " << JsonString(E.Archive)
                << ", \"member\": " << JsonString(E.Member);
      if (E.Size >= 0) std::cout << ", \"size\": " << E.Size;
      if (!E.Error.empty()) std::cout << ", \"error\": " << JsonString(E.Error);
      std::cout << "}";
    }
    std::cout << "\n], \"files\": " << Files << ", \"bytes\": " << Bytes
              << ", \"skipped_files\": " << Skipped << ", \"errors\": " << Errors << "}\n";
  } else {
    for (const TPlanEntry& E : Entries) {
      std::cout << std::string(static_cast<std::size_t>(E.Depth) * 2, ' ') << E.Name << ": "
                << E.Kind;
      std::cout << (E.StoppedBy.empty() ? "" : " [skipped: " + E.StoppedBy + "]");
      if (!E.Error.empty())
        std::cout << " -> error: " << E.Error;
      else
        std::cout << " -> " << E.Destination;
      if (!E.Archive.empty()) std::cout << "  archive " << E.Archive;
      if (!E.Member.empty()) std::cout << " member " << E.Member;
      if (E.Size >= 0) std::cout << " (" << E.Size << " bytes)";
      std::cout << "\n";
    }
    std::cout << Files << " files, " << Bytes << " bytes to install; " << Skipped
              << " files skipped; " << Errors << " errors\n";
  }
  // A plan that cannot say where something goes is a failed plan.
  if (Errors > 0) throw TExit(1);
}

} // namespace

void AddPlanCommands(CLI::App& App) {
  auto O = std::make_shared<TPlanOptions>();
  auto* P = App.add_subcommand("plan", "Show where every object of a definition would install");
  P->add_option("DEFINITION", O->Input, "Install definition, text or binary")->required();
  P->add_flag("--json", O->Json, "Print JSON");
  P->add_option("--install-type", O->InstallType, "full, default, compact or custom")
      ->check(CLI::IsMember({"full", "default", "compact", "custom"}));
  P->add_option("--source", O->Source,
                "The directory the setup program runs from (default: the definition's)");
  P->callback([O] { Plan(*O); });
}

} // namespace quendel::cli
