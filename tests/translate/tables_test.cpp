// The tables shipped in translations/: they must load, and every translation
// must answer every English entry with the same format arguments.
#include "translate/translator.h"

#include "core/exceptions.h"
#include "core/strings.h"
#include "definition/loader.h"
#include "ui/main_form.h"
#include "definition/text_codec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quendel {
namespace {

std::string ReadTable(const std::string& FileName) {
  std::ifstream in(std::string(QUENDEL_TRANSLATIONS) + "/" + FileName, std::ios::binary);
  EXPECT_TRUE(in) << FileName;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Load(TTranslator& T, TQndlLanguage Ident) {
  TLanguage* l = T.ResolveLanguage(Ident);
  l->Strings()->SetText(ReadTable(l->TextFileName()));
}

class ShippedTables : public ::testing::Test {
protected:
  ShippedTables() {
    Ctx.System = nullptr;
    Load(Translator, qlEnglish);
    Load(Translator, qlGerman);
    Load(Translator, qlFrench);
  }
  TTranslateContext Ctx;
  TTranslateScope Scope{Ctx};
  TTranslator Translator{nullptr};
};

TEST_F(ShippedTables, English_ListsTheLayoutTextsUnderTheirGlids) {
  const TLanguage& en = *Translator.LanguageAt<qlEnglish>();
  EXPECT_GT(en.StringElements().size(), 200u);
  const std::map<int, std::string> layout = {
      {2, "Please read the following License Agreement."},
      {4, "< Previous"},
      {5, "Next >"},
      {6, "Cancel"},
      {14, "Processing"},
      {26, "&Browse"},
      {43, "E&xisting Folders"},
      {72, "Finish"},
      {88, "Accept >"},
  };
  for (const auto& [glid, text] : layout) {
    ASSERT_NE(en.FindString(glid), nullptr) << glid;
    EXPECT_EQ(en.FindString(glid)->Text, text);
  }
  for (int glid : {3, 8, 10, 11, 12, 15, 16, 38, 41, 42, 60, 85, 86, 87})
    EXPECT_NE(en.FindString(glid), nullptr) << glid;

  // A text listed twice would hide the second GLID from every lookup.
  std::set<std::string> seen;
  for (const auto& s : en.StringElements())
    EXPECT_TRUE(seen.insert(AnsiUpperCase(s.Text)).second) << s.Text;
}

TEST_F(ShippedTables, Translations_AnswerEveryEnglishEntry) {
  const TLanguage& en = *Translator.LanguageAt<qlEnglish>();
  for (TQndlLanguage ident : {qlGerman, qlFrench}) {
    const TLanguage& l = *Translator.ResolveLanguage(ident);
    EXPECT_EQ(TableDifferences(en, l), std::vector<std::string>{}) << l.TextFileName();
    for (const auto& s : l.StringElements())
      EXPECT_EQ(s.Text, Trim(s.Text)) << l.TextFileName() << " " << s.GLID;
  }
}

TEST_F(ShippedTables, Translate_MessagesForGermanAndFrenchUsers) {
  Translator.SetTranslateIntoLanguage(qlGerman);
  EXPECT_EQ(IException("Cannot open the file %s", {"C:\\a.txt"}).Message(),
            "Die Datei C:\\a.txt kann nicht ge\xF6"
            "ffnet werden");
  EXPECT_EQ(EAIUserAbort().Message(), "Installation vom Benutzer abgebrochen");
  EXPECT_EQ(TranslateMessage("next >"), "Weiter >");

  Translator.SetTranslateIntoLanguage(qlFrench);
  EXPECT_EQ(
      IException("The file <%s> was not found in the archive <%s>", {"a.txt", "files.1"}).Message(),
      "Le fichier <a.txt> est introuvable dans l'archive <files.1>");
  EXPECT_EQ(TranslateMessage("Cancel"), "Annuler");
}

// MainTranslator.txt is the three tables as a translator object in text form
// ("quendel translate definition"); it must not drift from the tables.
TEST_F(ShippedTables, Definition_MatchesTheTables) {
  TClassRegistry registry;
  registry.Register<TfrmMainMenu>();
  registry.Register<TTranslator>();
  TLoadOptions options;
  options.Classes = &registry;
  TfrmMainMenu form(nullptr);
  LoadDefinition(TextToObject("object frmMainMenu: TfrmMainMenu\n" +
                              ReadTable("MainTranslator.txt") + "end\n"),
                 form, options);
  auto* loaded = dynamic_cast<TTranslator*>(form.FindComponent("MainTranslator"));
  ASSERT_NE(loaded, nullptr);
  for (TQndlLanguage ident : {qlEnglish, qlGerman, qlFrench})
    EXPECT_EQ(loaded->ResolveLanguage(ident)->Strings()->Items(),
              Translator.ResolveLanguage(ident)->Strings()->Items())
        << NamesOf(ident).PropertyName;
  EXPECT_EQ(loaded->TranslateIntoLanguage(), qlUser);
}

TEST_F(ShippedTables, Encoding_IsTheAnsiCodePage) {
  const std::string german = ReadTable("qndiGerman.txt");
  EXPECT_NE(german.find("\xFC"), std::string::npos);     // u-umlaut in code page 1252
  EXPECT_EQ(german.find("\xC3\xBC"), std::string::npos); // not UTF-8
}

} // namespace
} // namespace quendel
