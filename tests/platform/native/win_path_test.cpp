#include "platform/native/win_path.h"

#include <gtest/gtest.h>

#include <string>

namespace quendel::platform::native {
namespace {

// The full path text, or "error N".
std::string Parse(const std::string& text, const std::string& current = "C:\\cur\\dir",
                  bool wildcards = false) {
  TWinPath base;
  EXPECT_EQ(ParseWinPath(current, TWinPath{}, base), errSuccess);
  TWinPath path;
  TParseOptions options;
  options.WildcardsInLeaf = wildcards;
  const TErrorCode error = ParseWinPath(text, base, path, options);
  return error == errSuccess ? path.Text() : "error " + std::to_string(error);
}

TEST(WinPath, Parse_AbsoluteAndRelativeForms) {
  EXPECT_EQ(Parse("D:\\a\\b"), "D:\\a\\b");
  EXPECT_EQ(Parse("d:/a/b/"), "D:\\a\\b");
  EXPECT_EQ(Parse("x.txt"), "C:\\cur\\dir\\x.txt");
  EXPECT_EQ(Parse("\\x.txt"), "C:\\x.txt") << "root of the current drive";
  EXPECT_EQ(Parse("C:x.txt"), "C:\\cur\\dir\\x.txt") << "drive-relative on the current drive";
  EXPECT_EQ(Parse("D:x.txt"), "D:\\x.txt") << "another drive's directory is its root";
  EXPECT_EQ(Parse("C:"), "C:\\cur\\dir");
  EXPECT_EQ(Parse("D:\\"), "D:\\");
}

TEST(WinPath, Parse_NormalisesLikeWindows) {
  EXPECT_EQ(Parse("..\\..\\..\\..\\x"), "C:\\x") << "no climbing above the root";
  EXPECT_EQ(Parse(".\\a\\.\\b\\..\\c"), "C:\\cur\\dir\\a\\c");
  EXPECT_EQ(Parse("C:\\a\\\\b"), "C:\\a\\b");
  EXPECT_EQ(Parse("C:\\name. \\file..."), "C:\\name\\file") << "trailing dots and spaces go";
  EXPECT_EQ(Parse("C:\\ lead"), "C:\\ lead") << "leading spaces stay";
}

TEST(WinPath, Parse_RefusesWhatWindowsRefuses) {
  EXPECT_EQ(Parse(""), "error 3");
  EXPECT_EQ(Parse("\\\\server\\share\\x"), "error 3") << "no network on this machine";
  EXPECT_EQ(Parse("//server/share"), "error 3");
  EXPECT_EQ(Parse("1:\\x"), "error 123");
  EXPECT_EQ(Parse("C:\\a:b"), "error 123");
  EXPECT_EQ(Parse("C:\\a|b"), "error 123");
  EXPECT_EQ(Parse("C:\\a\x01"), "error 123");
  EXPECT_EQ(Parse("C:\\*.txt"), "error 123");
  EXPECT_EQ(Parse("C:\\dir\\*.txt", "C:\\", true), "C:\\dir\\*.txt");
  EXPECT_EQ(Parse("C:\\d?r\\*.txt", "C:\\", true), "error 123") << "wildcards only in the leaf";
  EXPECT_EQ(Parse("C:\\" + std::string(256, 'n')), "error 206");
  EXPECT_EQ(Parse("C:\\" + std::string(200, 'n') + "\\" + std::string(60, 'm')), "error 206")
      << "beyond MAX_PATH";
}

TEST(WinPath, Parse_ReportsTrailingSeparator) {
  TWinPath path;
  bool trailing = false;
  ASSERT_EQ(ParseWinPath("C:\\a\\", TWinPath{}, path, {}, &trailing), errSuccess);
  EXPECT_TRUE(trailing);
  ASSERT_EQ(ParseWinPath("C:\\a", TWinPath{}, path, {}, &trailing), errSuccess);
  EXPECT_FALSE(trailing);
}

} // namespace
} // namespace quendel::platform::native
