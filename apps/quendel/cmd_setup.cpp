// quendel make-setup: a product's setup program, made from the setup runtime
// of the kit and an install definition.
//
//   quendel make-setup product.txt -o ProductSetup.exe --title "Product Install"
//
// The definition (text or binary) is checked by loading it, then stored in
// binary form as the runtime's resource "TFRMMAINMENU"; the title, when given,
// as the resource "SETUPTITLE". The runtime is "quendel-setup.exe" in the kit
// directory: QUENDEL_KIT when set, else the directory of this program.
#include "author_runtime.h"
#include "commands.h"
#include "make_setup.h"

#include "definition/binary_codec.h"
#include "definition/loader.h"
#include "definition/main_form.h"
#include "ui/main_form.h"
#include "definition/text_codec.h"
#include "engine/install.h"
#include "core/strings.h"
#include "system/pe_resources.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quendel::cli {

namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<std::uint8_t>;

constexpr const char* kRuntimeName = "quendel-setup.exe";
constexpr const char* kTitleResource = "SETUPTITLE";

TBytes ReadFile(const fs::path& Name) {
  std::ifstream in(Name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + Name.string());
  TBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read " + Name.string());
  return bytes;
}

// Written beside the target under another name and renamed over it, so that
// a failure never leaves a half-written setup program under the real name.
void WriteFileWhole(const fs::path& Name, const TBytes& Bytes) {
  fs::path temp = Name;
  temp += ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
    out.close();
    if (!out) {
      std::error_code ec;
      fs::remove(temp, ec);
      throw std::runtime_error("cannot write " + Name.string());
    }
  }
  std::error_code ec;
  fs::rename(temp, Name, ec);
  if (ec) {
    fs::remove(temp, ec);
    throw std::runtime_error("cannot write " + Name.string());
  }
#ifndef _WIN32
  fs::permissions(Name, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, ec);
#endif
}

fs::path ThisProgramDirectory() {
#ifdef _WIN32
  char path[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return fs::path(std::string(path, n)).parent_path();
#else
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : self.parent_path();
#endif
}

fs::path FindRuntime() {
  fs::path kit;
  if (const char* env = std::getenv("QUENDEL_KIT"); env && *env)
    kit = env;
  else
    kit = ThisProgramDirectory();
  const fs::path runtime = kit / kRuntimeName;
  if (!fs::is_regular_file(runtime))
    throw std::runtime_error("the setup runtime " + runtime.string() +
                             " is missing: set QUENDEL_KIT to a kit directory (scripts/kit makes one)");
  return runtime;
}

// The definition in binary form, checked by loading every object (designing,
// so that nothing runs): a definition the setup program could not load is
// refused here rather than on the user's machine.
TBytes CheckedBinaryDefinition(const std::string& Name) {
  const TBytes bytes = ReadFile(Name);
  TObjectRecord root;
  try {
    root = IsBinaryStream(bytes) ? ReadObjectBinary(bytes) : ReadObjectStream(bytes);
  } catch (const EReadError& e) {
    throw std::runtime_error(Name + ": " + e.Message());
  }
  const TClassInfo& form = TfrmMainMenu::StaticClass();
  if (!SameText(root.ClassName, form.Name()))
    throw std::runtime_error(Name + ": the definition's root is " + root.ClassName + ", not " +
                             std::string(form.Name()));
  {
    TAuthorRuntime runtime; // every class a definition may name
    RegisterEngineClasses();
    std::unique_ptr<TComponent> check(form.Create(nullptr));
    check->SetDesigning(true);
    try {
      LoadDefinition(root, *check);
    } catch (const Exception& e) {
      throw std::runtime_error(Name + ": " + e.Message());
    }
  }
  return WriteObjectBinary(root);
}

struct TMakeSetupOptions {
  std::string Definition;
  std::string Output;
  std::string Title;
  bool HasTitle = false;
};

void MakeSetup(const TMakeSetupOptions& O) {
  const TBytes definition = CheckedBinaryDefinition(O.Definition);
  TBytes image = ReadFile(FindRuntime());
  try {
    image = SetPeResource(image, kResourceTypeRcData,
                          DefinitionResourceName(TfrmMainMenu::StaticClass()), definition);
    if (O.HasTitle)
      image = SetPeResource(image, kResourceTypeRcData, kTitleResource,
                            TBytes(O.Title.begin(), O.Title.end()));
  } catch (const EPeImage& e) {
    throw std::runtime_error("the setup runtime: " + e.Message());
  }
  WriteFileWhole(O.Output, image);
}

} // namespace

void MakeSetupProgram(const std::string& Definition, const std::string& Output,
                      const std::string* Title) {
  TMakeSetupOptions O;
  O.Definition = Definition;
  O.Output = Output;
  if (Title) {
    O.Title = *Title;
    O.HasTitle = true;
  }
  MakeSetup(O);
}

std::filesystem::path SetupRuntimePath() {
  return FindRuntime();
}

std::filesystem::path AuthorToolDirectory() {
  return ThisProgramDirectory();
}

void AddSetupCommands(CLI::App& App) {
  auto o = std::make_shared<TMakeSetupOptions>();
  auto* m = App.add_subcommand("make-setup",
                               "Make a product's setup program: the kit's setup runtime with an "
                               "install definition in it");
  m->add_option("DEFINITION", o->Definition, "Install definition, text or binary")->required();
  m->add_option("-o,--output", o->Output, "The setup program to write")->required();
  m->add_option("--title", o->Title, "The application title (task bar), e.g. \"Product Install\"");
  m->callback([o, m] {
    o->HasTitle = m->count("--title") > 0;
    MakeSetup(*o);
  });
}

} // namespace quendel::cli
