// Languages and their string tables.
//
// A table is the list of lines of a language's Strings, one entry a line
// (every line is trimmed first):
//
//   * a comment (also inside a memo)
//   5;Next >                  a string: GLID ";" text [";" anything]
//   #120;                     starts a memo with GLID 120 ...
//   first line of the memo
//   second line
//   #                         ... and ends it
//
// Empty lines are ignored. A string's text is what lies between the first and
// the second ";", kept as written and cut to 255 characters. A memo that is
// never closed is dropped at the end of the table. The table is parsed again
// whenever its lines change; a malformed line raises ETranslateError and
// leaves the language without elements.
#pragma once

#include "core/exceptions.h"
#include "core/graphics.h"
#include "core/persistent.h"
#include "core/reflection.h"
#include "core/stream.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quendel {

// In this order; qlUser stands for the language of the Windows user and is
// the ident of no language.
enum TQndlLanguage : int {
  qlChineseSimplified,
  qlChineseTraditional,
  qlCzech,
  qlDanish,
  qlDutch,
  qlEnglish,
  qlFrench,
  qlGerman,
  qlGreek,
  qlHebrew,
  qlItalian,
  qlJapanese,
  qlKorean,
  qlNorwegianBokmal,
  qlNorwegianNynorsk,
  qlPolish,
  qlPortugese,
  qlRussian,
  qlSpanish,
  qlSwedish,
  qlUser,
  qlVietnamese,
};
extern const TEnumInfo QndlLanguageInfo;

inline constexpr int LanguageCount = 21; // every ident but qlUser

// Table-format errors and unknown languages.
QUENDEL_EXCEPTION(ETranslateError, ECustomQuendelAbnormal);

// What identifies a language outside the definition.
struct TLanguageNames {
  TQndlLanguage Ident;
  const char* PropertyName; // "lgGerman"
  const char* ResourceName; // "BM_LANG_GERMAN"
  const char* TextFileName; // "qndiGerman.txt"
};
// The 21 languages in ident order (qlUser left out); a constant, so that the
// translator's class table can name its language properties.
inline constexpr std::array<TLanguageNames, LanguageCount> LanguageNameTable{{
    {qlChineseSimplified, "lgChineseSimplified", "BM_LANG_SIMPCHINESE",
     "qndiChineseSimplified.txt"},
    {qlChineseTraditional, "lgChineseTraditional", "BM_LANG_CHINESE_TRADITIONAL",
     "qndiChineseTraditional.txt"},
    {qlCzech, "lgCzech", "BM_LANG_CZECH", "qndiCzech.txt"},
    {qlDanish, "lgDanish", "BM_LANG_DANISH", "qndiDanish.txt"},
    {qlDutch, "lgDutch", "BM_LANG_DUTCH", "qndiDutch.txt"},
    {qlEnglish, "lgEnglish", "BM_LANG_ENGLISH", "qndiEnglish.txt"},
    {qlFrench, "lgFrench", "BM_LANG_FRENCH", "qndiFrench.txt"},
    {qlGerman, "lgGerman", "BM_LANG_GERMAN", "qndiGerman.txt"},
    {qlGreek, "lgGreek", "BM_LANG_GREEK", "qndiGreek.txt"},
    {qlHebrew, "lgHebrew", "BM_LANG_HEBREW", "qndiHebrew.txt"},
    {qlItalian, "lgItalian", "BM_LANG_ITALIAN", "qndiItalian.txt"},
    {qlJapanese, "lgJapanese", "BM_LANG_JAPANESE", "qndiJapanese.txt"},
    {qlKorean, "lgKorean", "BM_LANG_KOREAN", "qndiKorean.txt"},
    {qlNorwegianBokmal, "lgNorwegianBokmal", "BM_LANG_NORWEGIAN_BOKMAL", "qndiNorwegianBokmal.txt"},
    {qlNorwegianNynorsk, "lgNorwegianNynorsk", "BM_LANG_NORWEGIAN_NYNORSK",
     "qndiNorwegianNynorsk.txt"},
    {qlPolish, "lgPolish", "BM_LANG_POLISH", "qndiPolish.txt"},
    {qlPortugese, "lgPortugese", "BM_LANG_PORTUGESE", "qndiPortugese.txt"},
    {qlRussian, "lgRussian", "BM_LANG_RUSSIAN", "qndiRussian.txt"},
    {qlSpanish, "lgSpanish", "BM_LANG_SPANISH", "qndiSpanish.txt"},
    {qlSwedish, "lgSwedish", "BM_LANG_SWEDISH", "qndiSwedish.txt"},
    {qlVietnamese, "lgVietnamese", "BM_LANG_VIETNAMESE", "qndiVietnamese.txt"},
}};
const std::array<TLanguageNames, LanguageCount>& LanguageNames();
// Raises ETranslateError("Unrecognized language") for qlUser and values
// outside the enumeration.
const TLanguageNames& NamesOf(TQndlLanguage Ident);

// The language of a Windows LANGID (GetUserDefaultLangID): primary language
// in the low 10 bits, sublanguage in the 6 above; unknown ones are English.
TQndlLanguage LanguageOfLangId(std::uint16_t LangId);

// How a language wants its texts drawn unless it overrides the font.
struct TFontRule {
  std::uint8_t Charset;
  std::string FaceName; // bytes in the language's own code page
  int MinSize;          // points
};
// Raises ETranslateError("Unrecognized language") for qlUser and values
// outside the enumeration.
TFontRule FontRuleOf(TQndlLanguage Ident);
// Sets Font's character set and face name by the rule and raises its size to
// the minimum when smaller.
void ApplyFontRule(TFont& Font, const TFontRule& Rule);

class TLanguage;

// A parsed entry of a table. LineIndex is the zero-based line it starts on.
struct TLanguageElement {
  int GLID = 0;
  TLanguage* Language = nullptr;
  int LineIndex = 0;
};

struct TLanguageString : TLanguageElement {
  static constexpr std::size_t MaxLength = 255;
  std::string Text;
};

struct TLanguageMemo : TLanguageElement {
  std::vector<std::string> Lines;
};

// A language's Strings: parses the table again after every change while its
// language's auto-parse flag is on.
class TLangFormatStrings : public TStringList {
public:
  explicit TLangFormatStrings(TLanguage& Language) : FLanguage(Language) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TLanguage& Language() const { return FLanguage; }
  // Copying another list and loading a stream parse once at the end, and
  // leave the language's auto-parse flag on, also when they fail.
  void Assign(const TPersistent& Source) override;
  // Replaces the lines by the text of Stream (CR LF, LF or CR separated).
  void LoadFromStream(TStream& Stream);

protected:
  void Changed() override;

private:
  TLanguage& FLanguage;
};

class TLanguage : public TPersistent {
public:
  explicit TLanguage(TQndlLanguage Ident);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TQndlLanguage LanguageIdent() const { return FIdent; }
  const std::string& ResourceName() const { return FResourceName; }
  const std::string& TextFileName() const { return FTextFileName; }

  TFont* Font() const { return FFont.get(); }
  void SetFont(const TFont& Value) { FFont->Assign(Value); }
  bool FontOverride() const { return FFontOverride; }
  void SetFontOverride(bool Value) { FFontOverride = Value; }
  TLangFormatStrings* Strings() const { return FStrings.get(); }
  void SetStrings(const TStrings& Value) { FStrings->Assign(Value); }

  // Off: changes of Strings are not parsed until Parse is called.
  bool AutoParse() const { return FAutoParse; }
  void SetAutoParse(bool Value) { FAutoParse = Value; }
  // Parses Strings into elements; on a malformed line every element is
  // discarded and ETranslateError raised.
  void Parse();

  const std::vector<TLanguageString>& StringElements() const { return FStringElements; }
  const std::vector<TLanguageMemo>& MemoElements() const { return FMemoElements; }

  // The first string whose text equals Text ignoring case (ANSI); nullptr when none.
  const TLanguageString* FindText(std::string_view Text) const;
  // The first string / memo with this GLID; nullptr when none.
  const TLanguageString* FindString(int GLID) const;
  const TLanguageMemo* FindMemo(int GLID) const;
  // The first memo whose lines, joined as text, equal Lines exactly.
  const TLanguageMemo* FindMemo(const std::vector<std::string>& Lines) const;

  // The table has at least one line (comments and blank lines count).
  bool HasTable() const { return FStrings->Count() > 0; }

private:
  TQndlLanguage FIdent;
  std::string FResourceName;
  std::string FTextFileName;
  std::unique_ptr<TFont> FFont;
  bool FFontOverride = false;
  std::unique_ptr<TLangFormatStrings> FStrings;
  bool FAutoParse = true;
  std::vector<TLanguageString> FStringElements;
  std::vector<TLanguageMemo> FMemoElements;
};

// What a translation lacks against its reference table (the English one):
// GLIDs missing from either side, and texts whose format arguments ("%s",
// "%d", ...) differ in kind or order. Empty when the two match.
std::vector<std::string> TableDifferences(const TLanguage& Reference, const TLanguage& Translation);

} // namespace quendel
