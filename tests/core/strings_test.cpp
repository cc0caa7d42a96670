#include "core/strings.h"

#include "core/exceptions.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace quendel {
namespace {

TEST(Strings, Backslash_AddsAndRemovesOnlyOne) {
  EXPECT_EQ(AddBackslash("C:\\dir"), "C:\\dir\\");
  EXPECT_EQ(AddBackslash("C:\\dir\\"), "C:\\dir\\");
  EXPECT_EQ(AddBackslash(""), ""); // no root out of nothing
  EXPECT_EQ(RemoveBackslash("C:\\dir\\\\"), "C:\\dir\\");
  EXPECT_EQ(RemoveBackslash("C:\\"), "C:");
  EXPECT_EQ(RemoveBackslash(""), "");
}

TEST(Strings, GetToken_EmptyFieldsCountAndBeyondTheEndIsEmpty) {
  EXPECT_EQ(GetToken("a;;c", 1), "a");
  EXPECT_EQ(GetToken("a;;c", 2), "");
  EXPECT_EQ(GetToken("a;;c", 3), "c");
  EXPECT_EQ(GetToken(";b", 1), "");
  EXPECT_EQ(GetToken(";b", 2), "b");
  EXPECT_EQ(GetToken("a;b;", 3), "");
  EXPECT_EQ(GetToken("a;b", 4), "");
  EXPECT_EQ(GetToken("a;b", 0), "");
  EXPECT_EQ(GetToken("a;b", -1), "");
  EXPECT_EQ(GetToken("", 1), "");
  EXPECT_EQ(GetToken("x,y|z", 2, ','), "y|z");
}

TEST(Strings, CountTokens_TrailingDelimiterEndsTheListAndEmptyTextHasNone) {
  EXPECT_EQ(CountTokens("a;b;c"), 3);
  EXPECT_EQ(CountTokens("a;b;c;"), 3);
  EXPECT_EQ(CountTokens("a;;"), 2); // the field between the two still counts
  EXPECT_EQ(CountTokens(";"), 1);
  EXPECT_EQ(CountTokens("abc"), 1);
  EXPECT_EQ(CountTokens(""), 0);
  // The trailing rule follows the delimiter in use, not a fixed ";".
  EXPECT_EQ(CountTokens("a,b;", ','), 2);
  EXPECT_EQ(CountTokens("a,b,", ','), 2);
}

struct FakeList {
  std::vector<std::string> Items{"stale"};
  void Clear() { Items.clear(); }
  int Add(const std::string& S) {
    Items.push_back(S);
    return static_cast<int>(Items.size()) - 1;
  }
};

TEST(Strings, SplitToList_AgreesWithCountAndGetToken) {
  for (std::string Text : {"a;;c", "a;b;", ";", "", "one", ";;x;"}) {
    auto Fields = SplitToList(Text);
    ASSERT_EQ(static_cast<int>(Fields.size()), CountTokens(Text)) << Text;
    for (int I = 0; I < static_cast<int>(Fields.size()); ++I)
      EXPECT_EQ(Fields[I], GetToken(Text, I + 1)) << Text;
  }
  FakeList List;
  SplitToList("x;y", List);
  EXPECT_EQ(List.Items, (std::vector<std::string>{"x", "y"}));
}

TEST(Strings, TextAfterColon_FirstColonOnly) {
  EXPECT_EQ(TextAfterColon("key:a:b"), "a:b");
  EXPECT_EQ(TextAfterColon("nocolon"), "nocolon");
  EXPECT_EQ(TextAfterColon("end:"), "");
}

TEST(Strings, MakeValidName_RemovesEveryForbiddenCharacter) {
  EXPECT_EQ(MakeValidName("a\"b*c:d;e<f>g?h\\i|j"), "abcdefghij");
  EXPECT_EQ(MakeValidName("ftp.host.com/pub/dir"), "ftp.host.com-pub-dir");
  EXPECT_EQ(MakeValidName("\"*:;<>?\\|"), "");
  // Everything else stays, including spaces, dots and 8-bit letters.
  EXPECT_EQ(MakeValidName("My Files. (\xE9t\xE9) #1"), "My Files. (\xE9t\xE9) #1");
}

TEST(Strings, UniqueName_SkipsTakenNamesIgnoringCase) {
  EXPECT_EQ(UniqueName("psFileContainer", std::vector<std::string>{}), "psFileContainer");
  EXPECT_EQ(UniqueName("psFileContainer", std::vector<std::string>{"PSFILECONTAINER"}),
            "psFileContainer1");
  // A gap is filled: the first free candidate wins, not one after the highest.
  EXPECT_EQ(UniqueName("ps", std::vector<std::string>{"ps", "PS2", "ps1", "ps4"}), "ps3");

  std::set<std::string> Taken{"x", "x1", "x2"};
  std::vector<std::string> Asked;
  auto Name = UniqueName("x", [&](const std::string& N) {
    Asked.push_back(N);
    return Taken.count(N) > 0;
  });
  EXPECT_EQ(Name, "x3");
  EXPECT_EQ(Asked, (std::vector<std::string>{"x", "x1", "x2", "x3"}));
}

TEST(Strings, InstallFileName_BuildsAnIdentifierFromTheFileName) {
  EXPECT_EQ(InstallFileBaseName("setup.exe"), "IFsetup_exe");
  EXPECT_EQ(InstallFileBaseName("C:\\Src Dir\\My App.v2.exe"), "IFMyAppv2_exe");
  EXPECT_EQ(InstallFileBaseName("readme"), "IFreadme_");
  EXPECT_EQ(InstallFileBaseName("file."), "IFfile_");
  EXPECT_EQ(InstallFileBaseName(".cfg"), "IF_cfg");
  // The dot of a directory is not an extension.
  EXPECT_EQ(InstallFileBaseName("dir.d\\noext"), "IFnoext_");
  EXPECT_EQ(InstallFileBaseName("r\xE9sum\xE9-1.t-x t"), "IFrsum1_txt");

  auto Taken = [](const std::string& N) { return SameText(N, "IFsetup_exe"); };
  EXPECT_EQ(UniqueInstallFileName("SETUP.EXE", Taken), "IFSETUP_EXE1");
  EXPECT_EQ(UniqueInstallFileName("other.dll", Taken), "IFother_dll");
}

TEST(Strings, Case_Maps1252LettersBothWays) {
  const std::string Lower = "abcz\xE0\xE9\xFE\x9A\x9C\x9E\xFF";
  const std::string Upper = "ABCZ\xC0\xC9\xDE\x8A\x8C\x8E\x9F";
  EXPECT_EQ(AnsiUpperCase(Lower), Upper);
  EXPECT_EQ(AnsiLowerCase(Upper), Lower);
  // No partners: division and multiplication signs, sharp s, micro, florin, digits.
  const std::string Fixed = "09_\xF7\xD7\xDF\xB5\x83";
  EXPECT_EQ(AnsiUpperCase(Fixed), Fixed);
  EXPECT_EQ(AnsiLowerCase(Fixed), Fixed);
  // The plain forms touch ASCII letters only.
  EXPECT_EQ(UpperCase("ab\xE9"), "AB\xE9");
  EXPECT_EQ(LowerCase("AB\xC9"), "ab\xC9");
}

TEST(Strings, CompareText_IgnoresAnsiCaseAndOrdersByLength) {
  EXPECT_TRUE(SameText("\xC9t\xE9", "\xE9T\xC9"));
  EXPECT_FALSE(SameText("abc", "abcd"));
  EXPECT_EQ(CompareText("abc", "ABC"), 0);
  EXPECT_LT(CompareText("abc", "abd"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "AB c"), 0);
  EXPECT_GT(CompareText("\xE0", "z"), 0); // 8-bit bytes order after ASCII, not below it
  EXPECT_TRUE(StartsText("HTTP://", "http://host"));
  EXPECT_FALSE(StartsText("http://host/x", "http://host"));
  EXPECT_TRUE(EndsText(".LNK", "Program.lnk"));
  EXPECT_FALSE(EndsText(".lnk", "lnk"));
}

TEST(Strings, Trim_RemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t\r\n x y \x01"), "x y");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0"); // a no-break space is text
}

TEST(Strings, StrToInt_AcceptsDecimalAndHexWithinRange) {
  EXPECT_EQ(StrToInt(" 42 "), 42);
  EXPECT_EQ(StrToInt("-2147483648"), INT_MIN);
  EXPECT_EQ(StrToInt("+2147483647"), INT_MAX);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("-0x10"), -16);
  for (const char* Bad : {"", " ", "-", "$", "0x", "12a", "1 2", "2147483648", "-2147483649",
                          "99999999999999999999", "$100000000"}) {
    EXPECT_EQ(StrToIntDef(Bad, -7), -7) << Bad;
    EXPECT_THROW(StrToInt(Bad), EConvertError) << Bad;
  }
  EXPECT_EQ(IntToStr(-123), "-123");
}

TEST(Strings, Paths_SplitWindowsPaths) {
  EXPECT_EQ(ExtractFilePath("C:\\dir\\a.txt"), "C:\\dir\\");
  EXPECT_EQ(ExtractFilePath("C:a.txt"), "C:");
  EXPECT_EQ(ExtractFilePath("a.txt"), "");
  EXPECT_EQ(ExtractFilePath("C:/dir/a.txt"), "C:/dir/");
  EXPECT_EQ(ExtractFileName("C:\\dir\\a.txt"), "a.txt");
  EXPECT_EQ(ExtractFileName("C:a.txt"), "a.txt");
  EXPECT_EQ(ExtractFileName("C:\\dir\\"), "");
  EXPECT_EQ(ExtractFileDir("C:\\dir\\a.txt"), "C:\\dir");
  EXPECT_EQ(ExtractFileDir("C:\\a.txt"), "C:\\");
  EXPECT_EQ(ExtractFileDir("\\a.txt"), "\\");
  EXPECT_EQ(ExtractFileDir("a.txt"), "");

  EXPECT_EQ(ExtractFileExt("C:\\dir\\a.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("C:\\dir.d\\noext"), "");
  EXPECT_EQ(ExtractFileExt("file."), ".");
  EXPECT_EQ(ChangeFileExt("C:\\dir\\App.exe", ".1"), "C:\\dir\\App.1");
  EXPECT_EQ(ChangeFileExt("C:\\dir.d\\App", ".bat"), "C:\\dir.d\\App.bat");
  EXPECT_EQ(ChangeFileExt("App.exe", ""), "App");

  EXPECT_EQ(ExtractFileDrive("C:\\dir\\a"), "C:");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share\\dir\\a"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("\\\\server\\share"), "\\\\server\\share");
  EXPECT_EQ(ExtractFileDrive("\\\\server"), "\\\\server");
  EXPECT_EQ(ExtractFileDrive("\\dir\\a"), "");
  EXPECT_EQ(ExtractFileDrive("a"), "");
}

} // namespace
} // namespace quendel
