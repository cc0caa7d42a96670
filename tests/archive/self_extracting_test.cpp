#include "archive/self_extracting.h"

#include "archive/compress.h"
#include "archive/sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quendel {
namespace {

using ::testing::HasSubstr;
using testing::TSandbox;

class SelfExtractingFile : public ::testing::Test {
protected:
  void SetUp() override {
    S.Write("build\\setup.exe", std::vector<std::uint8_t>(1000, 'L'));
    S.Write("build\\setup.1", std::vector<std::uint8_t>(300, '1'));
    S.Write("src\\payload.txt", testing::TextBytes(5000));
    TQndlCompress C(nullptr, S.Files.get());
    C.SetCompressedFile(S.Path("build\\files.1"));
    TStrings L;
    L.Add(S.Path("src\\payload.txt"));
    C.SetFilesToProcess(L);
    C.Add(lzcOverwrite, 7);
  }
  std::string Message(const std::function<void()>& F) {
    try {
      F();
    } catch (const EQndlCompress& E) {
      return E.what();
    }
    return "no error";
  }
  TSandbox S;
};

TEST_F(SelfExtractingFile, Layout_LoaderThenArchivesThenTheBlock) {
  const auto FilesArchive = S.Read("build\\files.1");
  const auto Info = MakeSelfExtractingFile(*S.Files, S.Path("build\\setup.exe"),
                                           S.Path("build\\setup.1"), S.Path("build\\files.1"));
  EXPECT_EQ(Info.SetupStart, 1000);
  EXPECT_EQ(Info.SetupEnd, 1299);
  EXPECT_EQ(Info.FilesStart, 1300);
  EXPECT_EQ(Info.FilesEnd, 1300 + static_cast<int>(FilesArchive.size()) - 1);
  const auto Bytes = S.Read("build\\setup.exe");
  ASSERT_EQ(Bytes.size(), 1300 + FilesArchive.size() + 56);
  EXPECT_EQ(std::vector<std::uint8_t>(Bytes.begin() + 1300, Bytes.end() - 56), FilesArchive);

  const auto Back = ReadSelfExtractInfo(*S.Files, S.Path("build\\setup.exe"));
  EXPECT_EQ(Back.FilesStart, Info.FilesStart);
  EXPECT_EQ(Back.FilesEnd, Info.FilesEnd);
  // The install run reads the file archive where the block says it starts.
  TQndlCompress C(nullptr, S.Files.get());
  C.SetCompressedFile(S.Path("build\\setup.exe"));
  C.SetOffset(Back.FilesStart);
  ASSERT_EQ(C.Count(), 1);
  EXPECT_EQ(C.IndexOfUniqueID(7), 0);
}

TEST_F(SelfExtractingFile, WithoutAFileArchive_ItsPositionsAreZero) {
  const auto Info = MakeSelfExtractingFile(*S.Files, S.Path("build\\setup.exe"),
                                           S.Path("build\\setup.1"), S.Path("build\\none.1"));
  EXPECT_EQ(Info.SetupEnd, 1299);
  EXPECT_FALSE(Info.HasFileArchive());
  EXPECT_EQ(S.Read("build\\setup.exe").size(), 1300u + 56);
  EXPECT_FALSE(ReadSelfExtractInfo(*S.Files, S.Path("build\\setup.exe")).HasFileArchive());
}

TEST_F(SelfExtractingFile, NotSelfExtract_AndDamagedBlocksAreRefused) {
  AppendNotSelfExtractBlock(*S.Files, S.Path("build\\setup.exe"));
  EXPECT_FALSE(ReadSelfExtractInfo(*S.Files, S.Path("build\\setup.exe")).SelfExtracting);
  EXPECT_EQ(S.Read("build\\setup.exe").size(), 1056u);

  MakeSelfExtractingFile(*S.Files, S.Path("build\\setup.exe"), S.Path("build\\setup.1"),
                         S.Path("build\\files.1"));
  auto Bytes = S.Read("build\\setup.exe");
  Bytes.resize(Bytes.size() - 10); // a download cut short
  S.Write("build\\cut.exe", Bytes);
  EXPECT_THAT(Message([&] { ReadSelfExtractInfo(*S.Files, S.Path("build\\cut.exe")); }),
              HasSubstr("Could not read the extraction info from the archive file " +
                        S.Path("build\\cut.exe")));
  Bytes = S.Read("build\\setup.exe");
  Bytes[Bytes.size() - 56 + 20] = 0xFF; // E1 far beyond the file
  Bytes[Bytes.size() - 56 + 23] = 0x70;
  S.Write("build\\bad.exe", Bytes);
  EXPECT_THAT(Message([&] { ReadSelfExtractInfo(*S.Files, S.Path("build\\bad.exe")); }),
              HasSubstr("Could not read the extraction info"));
  EXPECT_THAT(Message([&] { ReadSelfExtractInfo(*S.Files, S.Path("build\\missing.exe")); }),
              HasSubstr("Could not read the extraction info"));
}

TEST_F(SelfExtractingFile, PastTwoGiB_FailsBeforeAnythingIsWritten) {
  // A sparse file: only its size matters, nothing is read before the check.
  std::filesystem::resize_file(S.HostPath("build\\files.1"), 0x7FFFFFFF - 1000);
  EXPECT_THAT(Message([&] {
                MakeSelfExtractingFile(*S.Files, S.Path("build\\setup.exe"),
                                       S.Path("build\\setup.1"), S.Path("build\\files.1"));
              }),
              HasSubstr("would grow past 2 GiB"));
  EXPECT_EQ(S.Read("build\\setup.exe").size(), 1000u) << "the loading program is left as it was";
}

} // namespace
} // namespace quendel
