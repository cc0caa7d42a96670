// quendel translate: string tables for the translator.
//
//   quendel translate check qndiGerman.txt --against qndiEnglish.txt
//   quendel translate definition qndiEnglish.txt qndiGerman.txt > MainTranslator.txt
//
// A table file holds the lines of one language's Strings; its name says the
// language ("qndiGerman.txt"). "definition" writes them as a translator
// object in the definition's text form, ready to paste into a definition.
#include "commands.h"

#include "core/format.h"
#include "core/strings.h"
#include "definition/text_codec.h"
#include "translate/language.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace quendel::cli {

namespace {

std::string ReadHostFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  if (!in) Raise<ETranslateError>("Cannot open the file %s", {Path});
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The language whose text file name the path ends in.
TQndlLanguage LanguageOfFile(const std::string& Path) {
  const std::string name = ExtractFileName(Path);
  for (const auto& n : LanguageNames())
    if (SameText(name, n.TextFileName)) return n.Ident;
  Raise<ETranslateError>(
      "Cannot tell the language of %s: name it qndi<Language>.txt, as qndiGerman.txt", {Path});
}

// Parses a table file; a format error names the file.
std::unique_ptr<TLanguage> LoadTable(const std::string& Path) {
  auto language = std::make_unique<TLanguage>(LanguageOfFile(Path));
  try {
    language->Strings()->SetText(ReadHostFile(Path));
  } catch (const ETranslateError& e) {
    Raise<ETranslateError>("%s: %s", {Path, e.Message()});
  }
  return language;
}

struct TCheckOptions {
  std::vector<std::string> Files;
  std::string Against;
};

void RunCheck(const TCheckOptions& O) {
  std::unique_ptr<TLanguage> reference;
  if (!O.Against.empty()) reference = LoadTable(O.Against);
  int problems = 0;
  for (const std::string& path : O.Files) {
    std::unique_ptr<TLanguage> table;
    try {
      table = LoadTable(path);
    } catch (const ETranslateError& e) {
      std::cerr << e.Message() << "\n";
      ++problems;
      continue;
    }
    std::cout << Format("%s: %d strings, %d memos",
                        {path, table->StringElements().size(), table->MemoElements().size()})
              << "\n";
    if (reference)
      for (const std::string& d : TableDifferences(*reference, *table)) {
        std::cerr << path << ": " << d << "\n";
        ++problems;
      }
  }
  if (problems > 0) Raise<ETranslateError>("Problems found in the tables: %d", {problems});
}

struct TDefinitionOptions {
  std::vector<std::string> Files;
  std::string Name = "MainTranslator";
  std::string Into;
};

void RunDefinition(const TDefinitionOptions& O) {
  TObjectRecord translator;
  translator.ClassName = "TTranslator";
  translator.Name = O.Name;
  for (const std::string& path : O.Files) {
    std::unique_ptr<TLanguage> table = LoadTable(path); // refuses a malformed table
    std::vector<TValue> lines;
    for (const std::string& line : table->Strings()->Items())
      lines.push_back(TValue::String(line));
    translator.Properties.push_back(
        {std::string(NamesOf(table->LanguageIdent()).PropertyName) + ".Strings.Strings",
         TValue::List(std::move(lines))});
  }
  if (!O.Into.empty()) {
    const int into = QndlLanguageInfo.ValueOf(O.Into);
    if (into < 0) Raise<ETranslateError>("Unrecognized language");
    translator.Properties.push_back(
        {"TranslateIntoLanguage", TValue::Ident(QndlLanguageInfo.NameOf(into))});
  }
  std::cout << ObjectToText(translator);
}

} // namespace

void AddTranslateCommands(CLI::App& App) {
  auto* t = App.add_subcommand("translate", "String tables of the translator");
  t->require_subcommand(1);

  auto check = std::make_shared<TCheckOptions>();
  auto* c =
      t->add_subcommand("check", "Parse tables; with --against, compare them with a reference");
  c->add_option("TABLE", check->Files, "Table files named qndi<Language>.txt")->required();
  c->add_option("--against", check->Against, "The reference table, usually qndiEnglish.txt");
  c->callback([check] { RunCheck(*check); });

  auto def = std::make_shared<TDefinitionOptions>();
  auto* d = t->add_subcommand("definition", "Write tables as a translator object in text form");
  d->add_option("TABLE", def->Files, "Table files named qndi<Language>.txt")->required();
  d->add_option("--name", def->Name, "The translator's component name")->capture_default_str();
  d->add_option("--into", def->Into, "TranslateIntoLanguage, as qlGerman (default: qlUser)");
  d->callback([def] { RunDefinition(*def); });
}

} // namespace quendel::cli
