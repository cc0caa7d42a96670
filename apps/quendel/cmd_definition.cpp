// quendel definition to-text|to-binary|check: install definitions (object
// streams) between their binary form, stored in the setup program, and the
// text form that authors write.
//
//   quendel definition to-binary setup.txt -o setup.dfm
//   quendel definition to-text setup.dfm          (text on standard output)
//   quendel definition check setup.txt            (loads it, prints the objects)
//
// Either form is accepted as input, recognised by its first bytes; "-" reads
// standard input or writes standard output.
#include "author_runtime.h"
#include "commands.h"

#include "definition/binary_codec.h"
#include "definition/loader.h"
#include "definition/main_form.h"
#include "definition/text_codec.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace quendel::cli {

namespace {

void BinaryMode(std::FILE* F) {
#ifdef _WIN32
  _setmode(_fileno(F), _O_BINARY);
#else
  (void)F;
#endif
}

std::vector<std::uint8_t> ReadInput(const std::string& Name) {
  if (Name == "-") {
    BinaryMode(stdin);
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, stdin)) > 0;)
      bytes.insert(bytes.end(), buf, buf + n);
    if (std::ferror(stdin)) throw std::runtime_error("cannot read standard input");
    return bytes;
  }
  std::ifstream in(Name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + Name);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read " + Name);
  return bytes;
}

void WriteOutput(const std::string& Name, const void* Data, std::size_t Size) {
  if (Name.empty() || Name == "-") {
    BinaryMode(stdout);
    if (std::fwrite(Data, 1, Size, stdout) != Size || std::fflush(stdout) != 0)
      throw std::runtime_error("cannot write standard output");
    return;
  }
  std::ofstream out(Name, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(Data), static_cast<std::streamsize>(Size));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + Name);
}

// Either form; bytes after a binary root are reported and left out.
TObjectRecord ReadDefinition(const std::string& Name) {
  const std::vector<std::uint8_t> bytes = ReadInput(Name);
  const std::string shown = Name == "-" ? "standard input" : Name;
  try {
    if (!IsBinaryStream(bytes)) return ReadObjectStream(bytes);
    std::size_t used = 0;
    TObjectRecord root = ReadObjectBinary(bytes, &used);
    if (used != bytes.size())
      std::fprintf(stderr,
                   "quendel: %s: %zu bytes after the root object are not part of the definition\n",
                   shown.c_str(), bytes.size() - used);
    return root;
  } catch (const EReadError& e) {
    throw std::runtime_error(shown + ": " + e.Message());
  }
}

struct TConvertOptions {
  std::string Input;
  std::string Output;
};

void PrintTree(const TComponent& Root) {
  std::map<const TComponent*, std::vector<const TComponent*>> children;
  for (int i = 0; i < Root.ComponentCount(); ++i) {
    const TComponent* c = Root.Components(i);
    const TComponent* parent = &Root;
    if (auto* p = dynamic_cast<const IParentedComponent*>(c))
      if (const TComponent* pc = p->GetParentComponent(); pc && pc->Owner() == &Root && pc != c)
        parent = pc;
    children[parent].push_back(c);
  }
  auto print = [&](auto& self, const TComponent& C, int Depth) -> void {
    if (Depth > kMaxNesting) return;
    std::cout << std::string(static_cast<std::size_t>(Depth) * 2, ' ') << C.Name() << ": "
              << C.ClassName() << "\n";
    for (const TComponent* child : children[&C])
      self(self, *child, Depth + 1);
  };
  print(print, Root, 0);
}

void Check(const std::string& Input) {
  const TObjectRecord stream = ReadDefinition(Input);
  CurrentAuthorRuntime(); // where every class a definition may name is registered
  const TClassInfo* cls = ClassRegistry().Find(stream.ClassName);
  if (!cls) throw std::runtime_error("Class " + stream.ClassName + " not found");
  // Designing: the objects are loaded to be looked at, not to run an install.
  std::unique_ptr<TComponent> root(cls->Create(nullptr));
  root->SetDesigning(true);
  LoadDefinition(stream, *root);
  PrintTree(*root);
  std::cout << root->ComponentCount() << " objects loaded\n";
}

} // namespace

void AddDefinitionCommands(CLI::App& App) {
  auto* d = App.add_subcommand("definition",
                               "Install definitions: convert between text and binary, check");
  d->require_subcommand(1);

  auto toText = std::make_shared<TConvertOptions>();
  auto* t = d->add_subcommand("to-text", "Write a definition in its text form");
  t->add_option("IN", toText->Input, "Definition, binary or text ('-' for standard input)")
      ->required();
  t->add_option("-o,--output", toText->Output, "Output file ('-' or none for standard output)");
  t->callback([toText] {
    const std::string text = ObjectToText(ReadDefinition(toText->Input));
    WriteOutput(toText->Output, text.data(), text.size());
  });

  auto toBinary = std::make_shared<TConvertOptions>();
  auto* b = d->add_subcommand("to-binary", "Write a definition in its binary form (\"TPF0\")");
  b->add_option("IN", toBinary->Input, "Definition, text or binary ('-' for standard input)")
      ->required();
  b->add_option("-o,--output", toBinary->Output, "Output file ('-' or none for standard output)");
  b->callback([toBinary] {
    const std::vector<std::uint8_t> bytes = WriteObjectBinary(ReadDefinition(toBinary->Input));
    WriteOutput(toBinary->Output, bytes.data(), bytes.size());
  });

  auto checkInput = std::make_shared<std::string>();
  auto* c = d->add_subcommand(
      "check", "Load a definition into the registered classes and print its objects");
  c->add_option("IN", *checkInput, "Definition, text or binary ('-' for standard input)")
      ->required();
  c->callback([checkInput] { Check(*checkInput); });
}

} // namespace quendel::cli
