#include "translate/language.h"

#include "core/format.h"
#include "core/strings.h"

namespace quendel {

constexpr const char* kQndlLanguageInfo[] = {"qlChineseSimplified",
                                             "qlChineseTraditional",
                                             "qlCzech",
                                             "qlDanish",
                                             "qlDutch",
                                             "qlEnglish",
                                             "qlFrench",
                                             "qlGerman",
                                             "qlGreek",
                                             "qlHebrew",
                                             "qlItalian",
                                             "qlJapanese",
                                             "qlKorean",
                                             "qlNorwegianBokmal",
                                             "qlNorwegianNynorsk",
                                             "qlPolish",
                                             "qlPortugese",
                                             "qlRussian",
                                             "qlSpanish",
                                             "qlSwedish",
                                             "qlUser",
                                             "qlVietnamese"};
constinit const TEnumInfo QndlLanguageInfo("TQndlLanguage", kQndlLanguageInfo);

const std::array<TLanguageNames, LanguageCount>& LanguageNames() {
  return LanguageNameTable;
}

namespace {
[[noreturn]] void Unrecognized() {
  Raise<ETranslateError>("Unrecognized language");
}
} // namespace

const TLanguageNames& NamesOf(TQndlLanguage Ident) {
  for (const auto& n : LanguageNames())
    if (n.Ident == Ident) return n;
  Unrecognized();
}

TQndlLanguage LanguageOfLangId(std::uint16_t LangId) {
  const int primary = LangId & 0x3FF;
  const int sub = (LangId >> 10) & 0x3F;
  switch (primary) {
  case 4:
    return sub == 1 ? qlChineseTraditional : qlChineseSimplified;
  case 5:
    return qlCzech;
  case 6:
    return qlDanish;
  case 7:
    return qlGerman;
  case 8:
    return qlGreek;
  case 10:
    return qlSpanish;
  case 12:
    return qlFrench;
  case 13:
    return qlHebrew;
  case 16:
    return qlItalian;
  case 17:
    return qlJapanese;
  case 18:
    return qlKorean;
  case 19:
    return qlDutch;
  case 20:
    return sub == 1 ? qlNorwegianBokmal : qlNorwegianNynorsk;
  case 21:
    return qlPolish;
  case 22:
    return qlPortugese;
  case 25:
    return qlRussian;
  case 29:
    return qlSwedish;
  case 42:
    return qlVietnamese;
  default:
    return qlEnglish;
  }
}

TFontRule FontRuleOf(TQndlLanguage Ident) {
  // Face names of the East Asian rules are the fonts' names in their own code
  // pages (Big5 / GB, Shift-JIS, Unified Hangul).
  static const std::string ChineseFace("\xB7\x73\xB2\xD3\xA9\xFA\xC5");
  static const std::string JapaneseFace(
      "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
  static const std::string KoreanFace("\xB9\xD9\xC5\xC1");
  switch (Ident) {
  case qlChineseSimplified:
    return {134, ChineseFace, 9};
  case qlChineseTraditional:
    return {136, ChineseFace, 9};
  case qlCzech:
  case qlPolish:
  case qlPortugese:
    return {238, "Arial", 8};
  case qlGerman:
    return {0, "MS Sans Serif", 8};
  case qlGreek:
    return {0, "SGreek", 8};
  // Arial carries the Hebrew script on every Windows that can show it, and
  // 8 points keeps Hebrew pages the size of the other Latin-layout ones.
  case qlHebrew:
    return {177, "Arial", 8};
  case qlJapanese:
    return {128, JapaneseFace, 9};
  case qlKorean:
    return {129, KoreanFace, 9};
  case qlRussian:
    return {204, "Arial", 8};
  case qlVietnamese:
    return {163, "Arial", 8};
  case qlDanish:
  case qlDutch:
  case qlEnglish:
  case qlFrench:
  case qlItalian:
  case qlNorwegianBokmal:
  case qlNorwegianNynorsk:
  case qlSpanish:
  case qlSwedish:
    return {0, "Arial", 8};
  case qlUser:
    break;
  }
  Unrecognized();
}

void ApplyFontRule(TFont& Font, const TFontRule& Rule) {
  Font.SetCharset(Rule.Charset);
  Font.SetName(Rule.FaceName);
  if (Font.Size() < Rule.MinSize) Font.SetSize(Rule.MinSize);
}

// --- TLangFormatStrings --------------------------------------------------------

const TClassInfo& TLangFormatStrings::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TLangFormatStrings>("TLangFormatStrings", &TStrings::StaticClass);
  });
}

void TLangFormatStrings::Changed() {
  TStringList::Changed();
  if (FLanguage.AutoParse()) FLanguage.Parse();
}

namespace {
// Runs Op with the language's auto-parse flag off, switches it on again
// whatever happens, then parses once.
template <class F> void ParseOnceAfter(TLanguage& Language, F&& Op) {
  Language.SetAutoParse(false);
  try {
    Op();
  } catch (...) {
    Language.SetAutoParse(true);
    throw;
  }
  Language.SetAutoParse(true);
  Language.Parse();
}
} // namespace

void TLangFormatStrings::Assign(const TPersistent& Source) {
  ParseOnceAfter(FLanguage, [&] { TStringList::Assign(Source); });
}

void TLangFormatStrings::LoadFromStream(TStream& Stream) {
  ParseOnceAfter(FLanguage, [&] {
    std::string text;
    char buf[4096];
    for (std::size_t n; (n = Stream.Read(buf, sizeof buf)) > 0;)
      text.append(buf, n);
    SetText(text);
  });
}

// --- TLanguage -----------------------------------------------------------------

const TClassInfo& TLanguage::StaticClass() {
  using T = TLanguage;
  return ClassTable([] {
    return TClassBuilder<T>("TLanguage", &TPersistent::StaticClass)
        .Object<&T::Font>("Font")
        .Bool<&T::FontOverride, &T::SetFontOverride>("FontOverride", false)
        .Enum<&T::LanguageIdent, nullptr>("LanguageIdent", QndlLanguageInfo)
        .Strings<&T::Strings>("Strings");
  });
}

TLanguage::TLanguage(TQndlLanguage Ident)
    : FIdent(Ident), FResourceName(NamesOf(Ident).ResourceName),
      FTextFileName(NamesOf(Ident).TextFileName), FFont(std::make_unique<TFont>()),
      FStrings(std::make_unique<TLangFormatStrings>(*this)) {}

namespace {
const char* const FormatMsg = "The %d'th string (%s) does not have the proper format of GLID;Text";
const char* const IntegerMsg =
    "The %d'th string (%s) does not have the proper format of GLID;Text or .GLID;";

// The GLID before the first ";" of Line (without the leading "#" of a memo).
int ParseGLID(int Index, const std::string& Line, bool Memo) {
  const std::size_t semi = Line.find(';');
  std::string head = Line.substr(0, semi);
  if (Memo) head.erase(0, 1);
  if (head.empty()) Raise<ETranslateError>(FormatMsg, {Index, Line});
  int glid = 0;
  if (!TryStrToInt(head, glid)) Raise<ETranslateError>(IntegerMsg, {Index, Line});
  return glid;
}
} // namespace

void TLanguage::Parse() {
  FStringElements.clear();
  FMemoElements.clear();
  try {
    bool inMemo = false;
    TLanguageMemo memo;
    for (int i = 0; i < FStrings->Count(); ++i) {
      const std::string line = Trim(FStrings->Strings(i));
      if (line.empty()) continue;
      if (line == "#") {
        if (!inMemo)
          Raise<ETranslateError>(
              "Found the end of memo marker # at line %d. Was not in a memo however", {i});
        FMemoElements.push_back(std::move(memo));
        memo = TLanguageMemo{};
        inMemo = false;
        continue;
      }
      if (line[0] == '*') continue;
      if (inMemo) {
        memo.Lines.push_back(line);
        continue;
      }
      if (line[0] == '#') {
        memo = TLanguageMemo{};
        memo.GLID = ParseGLID(i, line, true);
        memo.Language = this;
        memo.LineIndex = i;
        inMemo = true;
        continue;
      }
      TLanguageString str;
      str.GLID = ParseGLID(i, line, false);
      str.Language = this;
      str.LineIndex = i;
      // The text runs from the first ";" to the second one or the end.
      const std::size_t first = line.find(';');
      if (first != std::string::npos) {
        const std::size_t second = line.find(';', first + 1);
        str.Text = line.substr(first + 1, second == std::string::npos ? std::string::npos
                                                                      : second - first - 1);
      }
      if (Trim(str.Text).empty()) Raise<ETranslateError>(FormatMsg, {i, line});
      if (str.Text.size() > TLanguageString::MaxLength) str.Text.resize(TLanguageString::MaxLength);
      FStringElements.push_back(std::move(str));
    }
    // A memo still open at the end of the table is dropped.
  } catch (...) {
    FStringElements.clear();
    FMemoElements.clear();
    throw;
  }
}

const TLanguageString* TLanguage::FindText(std::string_view Text) const {
  for (const auto& s : FStringElements)
    if (SameText(s.Text, Text)) return &s;
  return nullptr;
}

const TLanguageString* TLanguage::FindString(int GLID) const {
  for (const auto& s : FStringElements)
    if (s.GLID == GLID) return &s;
  return nullptr;
}

const TLanguageMemo* TLanguage::FindMemo(int GLID) const {
  for (const auto& m : FMemoElements)
    if (m.GLID == GLID) return &m;
  return nullptr;
}

namespace {
std::string JoinLines(const std::vector<std::string>& Lines) {
  std::string r;
  for (const auto& l : Lines) {
    r += l;
    r += "\r\n";
  }
  return r;
}
} // namespace

const TLanguageMemo* TLanguage::FindMemo(const std::vector<std::string>& Lines) const {
  const std::string text = JoinLines(Lines);
  for (const auto& m : FMemoElements)
    if (JoinLines(m.Lines) == text) return &m;
  return nullptr;
}

namespace {
// The format specifiers of a text in order; "%%" is none.
std::string Specifiers(const std::string& Text) {
  std::string r;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != '%') continue;
    std::size_t j = i + 1;
    while (j < Text.size() &&
           (Text[j] == '-' || Text[j] == '.' || (Text[j] >= '0' && Text[j] <= '9')))
      ++j;
    if (j >= Text.size()) break;
    if (Text[j] != '%') {
      if (!r.empty()) r += ' ';
      r += Text.substr(i, j - i + 1);
    }
    i = j;
  }
  return r;
}
} // namespace

std::vector<std::string> TableDifferences(const TLanguage& Reference,
                                          const TLanguage& Translation) {
  std::vector<std::string> r;
  for (const auto& s : Reference.StringElements()) {
    const TLanguageString* t = Translation.FindString(s.GLID);
    if (!t) {
      r.push_back(Format("GLID %d is missing", {s.GLID}));
      continue;
    }
    const std::string want = Specifiers(s.Text);
    const std::string got = Specifiers(t->Text);
    if (want != got)
      r.push_back(Format("GLID %d has the arguments [%s] instead of [%s]", {s.GLID, got, want}));
  }
  for (const auto& t : Translation.StringElements())
    if (!Reference.FindString(t.GLID))
      r.push_back(Format("GLID %d is not in the reference table", {t.GLID}));
  for (const auto& m : Reference.MemoElements())
    if (!Translation.FindMemo(m.GLID)) r.push_back(Format("memo GLID %d is missing", {m.GLID}));
  for (const auto& m : Translation.MemoElements())
    if (!Reference.FindMemo(m.GLID))
      r.push_back(Format("memo GLID %d is not in the reference table", {m.GLID}));
  return r;
}

} // namespace quendel
