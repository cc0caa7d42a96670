#include "archive/overwrite.h"

#include "archive/sandbox.h"

#include <gtest/gtest.h>

namespace quendel {
namespace {

TEST(CompareVersions, FieldByField) {
  struct TCase {
    const char* A;
    const char* B;
    TVersionOrder Want;
  };
  const TCase cases[] = {
      {"1.2.0", "1.2", TVersionOrder::FirstNewer},
      {"1.2", "1.2", TVersionOrder::Equal},
      {"1.10", "1.9", TVersionOrder::FirstNewer},
      {"1.9", "1.10", TVersionOrder::SecondNewer},
      {"", "0.0.0.1", TVersionOrder::SecondNewer},
      {"0", "", TVersionOrder::FirstNewer},
      {"", "", TVersionOrder::Equal},
      {"2a", "2b", TVersionOrder::SecondNewer},
      {"2b", "10", TVersionOrder::FirstNewer}, // text against number compares as text
      {"1.02", "1.2", TVersionOrder::Equal},
      {"-1", "0", TVersionOrder::SecondNewer},
      {"+3", "3", TVersionOrder::Equal},
      // An empty field ends the walk: what follows is never compared.
      {"1..2", "1..3", TVersionOrder::Equal},
      {"1.", "1.0", TVersionOrder::SecondNewer},
      // Numbers too long for any integer type still compare by value.
      {"1.100000000000000000000", "1.99999999999999999999", TVersionOrder::FirstNewer},
      {"5.0.2195.1", "5.0.2195.10", TVersionOrder::SecondNewer},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(CompareVersions(c.A, c.B), c.Want) << c.A << " vs " << c.B;
}

TEST(StampToFileDate, TwoSecondResolution) {
  const TDateTime d = EncodeDateTime(2004, 7, 9, 13, 14, 15, 600);
  EXPECT_EQ(StampToFileDate(DateTimeToFileTime(d)), EncodeDateTime(2004, 7, 9, 13, 14, 14, 0));
  // Before 1980 no DOS stamp exists; the date still comes out, cut to two seconds.
  const TDateTime old = EncodeDateTime(1975, 1, 1, 0, 0, 3, 0);
  EXPECT_EQ(StampToFileDate(DateTimeToFileTime(old)), EncodeDateTime(1975, 1, 1, 0, 0, 2, 0));
}

class Overwrite : public ::testing::Test {
protected:
  void Put(const std::string& Name, TDateTime Date) {
    S.Write(Name, "x");
    S.Files->SetStamp(S.Path(Name), DateTimeToFileTime(Date));
  }
  testing::TSandbox S;
  const TDateTime D = EncodeDateTime(2003, 3, 3, 3, 3, 4, 0);
};

TEST_F(Overwrite, IsFileNewer_EveryMode) {
  auto& fs = *S.Files;
  Put("old", D);
  const std::string old = S.Path("old");
  EXPECT_EQ(IsFileNewer(fs, "", old, owAlways, D), odReplace);
  EXPECT_EQ(IsFileNewer(fs, "", old, owNever, D), odKeep);
  EXPECT_EQ(IsFileNewer(fs, "", S.Path("absent"), owNever, D), odReplace);
  EXPECT_EQ(IsFileNewer(fs, "", "", owNever, D), odReplace);
  EXPECT_EQ(IsFileNewer(fs, "", old, owAsk, D), odAsk);
  // A file without version resource counts as older than any version.
  EXPECT_EQ(IsFileNewer(fs, "1.0", old, owVersion, D), odReplace);
  EXPECT_EQ(IsFileNewer(fs, "", old, owVersion, D), odEqual);
  EXPECT_EQ(IsFileNewer(fs, "", old, owDate, D + 1.0 / 86400 * 2), odReplace);
  EXPECT_EQ(IsFileNewer(fs, "", old, owDate, D), odEqual);
  EXPECT_EQ(IsFileNewer(fs, "", old, owDate, D - 1), odKeep);
  EXPECT_EQ(IsFileNewer(fs, "", old, owVersionDate, D - 1), odKeep);
  EXPECT_EQ(IsFileNewer(fs, "2", old, owVersionDate, D - 1), odReplace);
  EXPECT_EQ(IsFileNewer(fs, "", S.Path("absent"), owDate, D), odError);
}

TEST_F(Overwrite, IsFileNewer_LockedFileCannotBeCompared) {
  Put("locked", D);
  auto hold = S.Files->Open(S.Path("locked"), platform::TFileAccess::ReadWrite, platform::shareNone,
                            platform::TCreation::OpenExisting);
  EXPECT_EQ(IsFileNewer(*S.Files, "", S.Path("locked"), owDate, D), odError);
}

TEST_F(Overwrite, IsFileNewerByName_DatesOfBothFiles) {
  Put("new", D + 1);
  Put("old", D);
  EXPECT_EQ(IsFileNewerByName(*S.Files, S.Path("new"), S.Path("old"), owDate), odReplace);
  EXPECT_EQ(IsFileNewerByName(*S.Files, S.Path("old"), S.Path("new"), owDate), odKeep);
  EXPECT_EQ(IsFileNewerByName(*S.Files, S.Path("old"), S.Path("old"), owVersionDate), odEqual);
  EXPECT_EQ(IsFileNewerByName(*S.Files, S.Path("gone"), S.Path("old"), owDate), odError);
  EXPECT_EQ(IsFileNewerByName(*S.Files, S.Path("gone"), S.Path("old"), owVersion), odEqual);
}

} // namespace
} // namespace quendel
