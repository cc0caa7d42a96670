#include "platform/native/names.h"

#include <gtest/gtest.h>

#include <string>

namespace quendel::platform::native {
namespace {

TEST(Names, FoldUpper_CoversAsciiAndCodePage1252) {
  EXPECT_EQ(FoldUpper('a'), 'A');
  EXPECT_EQ(FoldUpper('Z'), 'Z');
  EXPECT_EQ(FoldUpper('_'), '_');
  EXPECT_EQ(FoldUpper('\xE9'), '\xC9'); // e acute
  EXPECT_EQ(FoldUpper('\xF7'), '\xF7'); // division sign has no capital
  EXPECT_EQ(FoldUpper('\x9A'), '\x8A'); // s caron
  EXPECT_EQ(FoldUpper('\xFF'), '\x9F'); // y diaeresis
  EXPECT_EQ(FoldUpper('\xDF'), '\xDF'); // sharp s stays
}

TEST(Names, CompareNames_SortsAsWindowsDoes) {
  EXPECT_TRUE(SameName("Program Files", "PROGRAM FILES"));
  EXPECT_TRUE(SameName("Caf\xE9", "CAF\xC9"));
  EXPECT_FALSE(SameName("a", "a "));
  EXPECT_LT(CompareNames("a", "ab"), 0);
  EXPECT_LT(CompareNames("alpha", "Bravo"), 0);
  // Upper-case comparison puts "_" (0x5F) after the letters (0x41-0x5A).
  EXPECT_LT(CompareNames("Zulu", "_x"), 0);
  EXPECT_LT(CompareNames("aa", "a_"), 0);
}

TEST(Names, MatchPattern_Wildcards) {
  EXPECT_TRUE(MatchPattern("*", ""));
  EXPECT_TRUE(MatchPattern("*.TXT", "readme.txt"));
  EXPECT_FALSE(MatchPattern("*.txt", "readme.txt.bak"));
  EXPECT_TRUE(MatchPattern("?.txt", "a.txt"));
  EXPECT_FALSE(MatchPattern("?.txt", ".txt"));
  EXPECT_FALSE(MatchPattern("??.txt", "a.txt"));
  EXPECT_TRUE(MatchPattern("a*b*c", "aXXbYYc"));
  EXPECT_FALSE(MatchPattern("a*b*c", "aXXbYY"));
  EXPECT_TRUE(MatchPattern("*.*", "noext"));
  EXPECT_TRUE(MatchPattern("readme.*", "README"));
  EXPECT_TRUE(MatchPattern("readme.*", "readme.doc"));
  EXPECT_FALSE(MatchPattern("readme.*", "readmeX"));
  EXPECT_TRUE(MatchPattern("exact", "EXACT"));
}

TEST(Names, MatchPattern_StaysFastOnHostilePatterns) {
  // Backtracking that recursed per star would take ages here.
  const std::string name(5000, 'a');
  EXPECT_FALSE(MatchPattern("*a*a*a*a*a*a*a*a*a*a*b", name));
  EXPECT_TRUE(MatchPattern("*a*a*a*a*a*a*a*a*a*a*", name));
}

} // namespace
} // namespace quendel::platform::native
