// quendel-formc: turns the stored form layouts of forms/ (text object
// streams, one per form class, named after it) into the binary streams the
// programs embed. Built for the machine that builds, also when the build
// makes Windows programs.
//
//   quendel-formc OUTDIR TWelcomeForm.txt TLicenseForm.txt ...
//
// writes OUTDIR/TWelcomeForm.form, ... A layout whose root is not of the
// class its file is named after is refused: it would be stored under a name
// no form looks up.
#include "core/strings.h"
#include "definition/binary_codec.h"
#include "definition/text_codec.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string BaseName(const std::string& Path) {
  const std::size_t slash = Path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? Path : Path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

void Convert(const std::string& In, const std::string& OutDir) {
  std::ifstream in(In, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open the file");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error("cannot read the file");
  const quendel::TObjectRecord root = quendel::TextToObject(text);
  const std::string name = BaseName(In);
  if (!quendel::SameText(root.ClassName, name))
    throw std::runtime_error("the layout is of class " + root.ClassName +
                             ", the file is named after " + name);
  const std::vector<std::uint8_t> bytes = quendel::WriteObjectBinary(root);
  const std::string out = OutDir + "/" + name + ".form";
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + out);
}

} // namespace

int main(int Argc, char** Argv) {
  if (Argc < 3) {
    std::fprintf(stderr, "usage: quendel-formc OUTDIR LAYOUT.txt...\n");
    return 2;
  }
  for (int i = 2; i < Argc; ++i) {
    try {
      Convert(Argv[i], Argv[1]);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", Argv[i], e.what());
      return 1;
    }
  }
  return 0;
}
