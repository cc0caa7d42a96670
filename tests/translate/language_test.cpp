#include "translate/language.h"

#include "core/stream.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

namespace quendel {
namespace {

// Sets the lines of a language's table in one change.
void SetTable(TLanguage& L, std::initializer_list<const char*> Lines) {
  std::string text;
  for (const char* l : Lines)
    text += std::string(l) + "\r\n";
  L.Strings()->SetText(text);
}

std::string ParseError(std::initializer_list<const char*> Lines) {
  TLanguage l(qlGerman);
  try {
    SetTable(l, Lines);
  } catch (const ETranslateError& e) {
    EXPECT_TRUE(l.StringElements().empty());
    EXPECT_TRUE(l.MemoElements().empty());
    return e.Message();
  }
  return "no error";
}

TEST(TableParse, Parse_StringsCommentsAndMemos) {
  TLanguage l(qlGerman);
  SetTable(l, {"* Pages", "", "  5;Weiter >  ", "6; Abbrechen", "#120;", "  Erste Zeile  ",
               "* not part of the memo", "#121;inside a memo", "#", "7;Fertig"});
  const auto& s = l.StringElements();
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].GLID, 5);
  EXPECT_EQ(s[0].Text, "Weiter >"); // the line is trimmed first
  EXPECT_EQ(s[0].LineIndex, 2);
  EXPECT_EQ(s[0].Language, &l);
  EXPECT_EQ(s[1].Text, " Abbrechen"); // the text itself is kept as written
  EXPECT_EQ(s[2].GLID, 7);
  EXPECT_EQ(s[2].LineIndex, 9);
  const auto& m = l.MemoElements();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].GLID, 120);
  EXPECT_EQ(m[0].LineIndex, 4);
  EXPECT_EQ(m[0].Lines, (std::vector<std::string>{"Erste Zeile", "#121;inside a memo"}));
}

TEST(TableParse, Parse_TextIsTheSecondFieldCutTo255) {
  TLanguage l(qlFrench);
  const std::string longText(300, 'x');
  const std::string longLine = "9;" + longText;
  SetTable(l, {"5;Suivant >;a note for translators", longLine.c_str(), "10;$20 per seat"});
  ASSERT_EQ(l.StringElements().size(), 3u);
  EXPECT_EQ(l.StringElements()[0].Text, "Suivant >");
  EXPECT_EQ(l.StringElements()[1].Text, std::string(255, 'x'));
  EXPECT_EQ(l.StringElements()[2].Text, "$20 per seat");
}

TEST(TableParse, Parse_UnclosedMemoIsDroppedSilently) {
  TLanguage l(qlFrench);
  SetTable(l, {"1;Un", "#2;", "ligne", "3;still memo text"});
  ASSERT_EQ(l.StringElements().size(), 1u);
  EXPECT_EQ(l.StringElements()[0].GLID, 1);
  EXPECT_TRUE(l.MemoElements().empty());
}

TEST(TableParse, Parse_MalformedLinesFailAndDiscardEverything) {
  EXPECT_EQ(ParseError({"1;Eins", "", "#"}),
            "Found the end of memo marker # at line 2. Was not in a memo however");
  EXPECT_EQ(ParseError({"1;Eins", "  ;Zwei  "}),
            "The 1'th string (;Zwei) does not have the proper format of GLID;Text");
  EXPECT_EQ(ParseError({"Zwei;2"}),
            "The 0'th string (Zwei;2) does not have the proper format of GLID;Text or .GLID;");
  EXPECT_EQ(ParseError({"1;Eins", "2;"}),
            "The 1'th string (2;) does not have the proper format of GLID;Text");
  EXPECT_EQ(ParseError({"2;   ;Zwei"}),
            "The 0'th string (2;   ;Zwei) does not have the proper format of GLID;Text");
  EXPECT_EQ(ParseError({"2"}), "The 0'th string (2) does not have the proper format of GLID;Text");
  EXPECT_EQ(ParseError({"#;"}),
            "The 0'th string (#;) does not have the proper format of GLID;Text");
  EXPECT_EQ(ParseError({"#zwei;"}),
            "The 0'th string (#zwei;) does not have the proper format of GLID;Text or .GLID;");
  EXPECT_EQ(
      ParseError({"99999999999;Zu gross"}),
      "The 0'th string (99999999999;Zu gross) does not have the proper format of GLID;Text or "
      ".GLID;");
}

TEST(TableParse, Changes_EveryEditParsesAgain) {
  TLanguage l(qlGerman);
  TLangFormatStrings& s = *l.Strings();
  s.Add("1;Eins");
  s.Add("2;Zwei");
  s.Insert(0, "0;Null");
  ASSERT_EQ(l.StringElements().size(), 3u);
  EXPECT_EQ(l.FindString(2)->LineIndex, 2);

  // A deleted entry no longer translates and later lines move up.
  s.Delete(1);
  EXPECT_EQ(l.FindString(1), nullptr);
  EXPECT_EQ(l.FindString(2)->LineIndex, 1);
  // An entry replaced in place translates with its new text.
  s.Put(1, "2;Deux");
  EXPECT_EQ(l.FindString(2)->Text, "Deux");

  s.Clear();
  EXPECT_TRUE(l.StringElements().empty());

  // A bad line is refused as it is added; the line stays, the elements go.
  s.Add("1;Eins");
  EXPECT_THROW(s.Add("#"), ETranslateError);
  EXPECT_EQ(s.Count(), 2);
  EXPECT_TRUE(l.StringElements().empty());
}

TEST(TableParse, Changes_AutoParseOffDefersUntilParse) {
  TLanguage l(qlGerman);
  l.SetAutoParse(false);
  l.Strings()->Add("1;Eins");
  l.Strings()->Add("#"); // not parsed yet, so not refused yet
  EXPECT_TRUE(l.StringElements().empty());
  l.Strings()->Delete(1);
  l.Parse();
  ASSERT_EQ(l.StringElements().size(), 1u);
  EXPECT_FALSE(l.AutoParse());
}

TEST(TableParse, Changes_CopyAndStreamParseOnceAndSwitchAutoParseOn) {
  TStringList source;
  source.Add("#4;");
  source.Add("Zeile");
  source.Add("#");
  int changes = 0;
  TLanguage l(qlGerman);
  l.Strings()->OnChange = [&](TStrings&) { ++changes; };
  l.SetAutoParse(false);
  l.SetStrings(source);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(l.AutoParse());
  ASSERT_EQ(l.MemoElements().size(), 1u);

  // A failing copy leaves the flag on as well, and no elements.
  l.SetAutoParse(false);
  source.Delete(0);
  EXPECT_THROW(l.SetStrings(source), ETranslateError);
  EXPECT_TRUE(l.AutoParse());
  EXPECT_TRUE(l.MemoElements().empty());

  const std::string text = "1;Eins\r\n2;Zwei\n3;Drei";
  TMemoryStream stream(std::vector<std::uint8_t>(text.begin(), text.end()));
  l.Strings()->LoadFromStream(stream);
  EXPECT_EQ(l.Strings()->Count(), 3);
  EXPECT_EQ(l.FindString(3)->Text, "Drei");
}

TEST(TableLookup, Find_TextIgnoresCaseMemoDoesNot) {
  TLanguage l(qlGerman);
  SetTable(l, {"1;\xDC"
               "ber",
               "2;\xFC"
               "ber",
               "3;Next >", "#7;", "Line One", "Line Two", "#"});
  // ANSI case: the accented capitals match their small letters.
  EXPECT_EQ(l.FindText("\xDC"
                       "BER")
                ->GLID,
            1);
  EXPECT_EQ(l.FindText("\xFC"
                       "ber")
                ->GLID,
            1);
  EXPECT_EQ(l.FindText("NEXT >")->GLID, 3);
  EXPECT_EQ(l.FindText("Next"), nullptr);
  EXPECT_EQ(l.FindMemo(std::vector<std::string>{"Line One", "Line Two"})->GLID, 7);
  EXPECT_EQ(l.FindMemo(std::vector<std::string>{"Line one", "Line Two"}), nullptr);
  EXPECT_EQ(l.FindMemo(std::vector<std::string>{"Line One"}), nullptr);
}

TEST(TableDifferences, Compare_GlidsAndArguments) {
  TLanguage en(qlEnglish), de(qlGerman);
  SetTable(en, {"1;Cannot copy %s to %s", "2;Disk %d of %d", "3;100%% done", "4;Only English",
                "#9;", "memo", "#"});
  SetTable(de, {"1;%s kann nicht nach %s kopiert werden", "2;Diskette %d von %s", "3;100%% fertig",
                "5;Nur Deutsch"});
  EXPECT_EQ(TableDifferences(en, de), (std::vector<std::string>{
                                          "GLID 2 has the arguments [%d %s] instead of [%d %d]",
                                          "GLID 4 is missing",
                                          "GLID 5 is not in the reference table",
                                          "memo GLID 9 is missing",
                                      }));
  EXPECT_TRUE(TableDifferences(en, en).empty());
}

TEST(LanguageOfLangId, Map_PrimaryAndSubLanguage) {
  // Sublanguages matter for Chinese and Norwegian only; the bits above them are ignored.
  const std::pair<std::uint16_t, TQndlLanguage> cases[] = {{0x0407, qlGerman},
                                                           {0x0C07, qlGerman},
                                                           {0x3C07, qlGerman},
                                                           {0x0404, qlChineseTraditional},
                                                           {0x0804, qlChineseSimplified},
                                                           {0x0414, qlNorwegianBokmal},
                                                           {0x0814, qlNorwegianNynorsk},
                                                           {0x042A, qlVietnamese},
                                                           {0x0418, qlEnglish},
                                                           {0x0000, qlEnglish}};
  for (const auto& [id, expected] : cases)
    EXPECT_EQ(LanguageOfLangId(id), expected) << std::hex << id;
}

TEST(LanguageNames, Names_FollowTheIdents) {
  for (const auto& n : LanguageNames()) {
    const std::string ident = QndlLanguageInfo.NameOf(n.Ident);
    EXPECT_EQ(std::string(n.PropertyName), "lg" + ident.substr(2));
    EXPECT_EQ(std::string(n.TextFileName), "qndi" + ident.substr(2) + ".txt");
    EXPECT_EQ(TLanguage(n.Ident).LanguageIdent(), n.Ident);
  }
  for (TQndlLanguage bad : {qlUser, static_cast<TQndlLanguage>(40)}) {
    EXPECT_THROW(NamesOf(bad), ETranslateError);
    try {
      FontRuleOf(bad);
      ADD_FAILURE();
    } catch (const ETranslateError& e) {
      EXPECT_EQ(e.Message(), "Unrecognized language");
    }
  }
}

TEST(FontRule, Apply_RaisesSmallSizesOnly) {
  TFont small;
  small.SetHeight(-9); // 7 points
  ApplyFontRule(small, FontRuleOf(qlJapanese));
  EXPECT_EQ(small.Size(), 9);
  EXPECT_EQ(small.Charset(), 128);
  EXPECT_EQ(small.Name().size(), 15u);

  TFont large;
  large.SetSize(14);
  large.SetStyle({fsBold});
  ApplyFontRule(large, FontRuleOf(qlHebrew));
  EXPECT_EQ(large.Size(), 14);
  EXPECT_EQ(large.Name(), "Arial");
  EXPECT_EQ(large.Charset(), 177);
  EXPECT_EQ(large.Style(), TFontStyles{fsBold});
}

} // namespace
} // namespace quendel
