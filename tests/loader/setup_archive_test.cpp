#include "setup_archive.h"

#include "archive/compress.h"
#include "archive/sandbox.h"
#include "core/dates.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace quendel::loader {
namespace {

using quendel::testing::TSandbox;

struct TBytes {
  std::vector<std::uint8_t> Data;
};

bool ReadVector(void* Context, std::uint64_t Position, void* Buffer, std::uint32_t Count) {
  auto& D = static_cast<TBytes*>(Context)->Data;
  if (Position > D.size() || D.size() - Position < Count) return false;
  std::memcpy(Buffer, D.data() + Position, Count);
  return true;
}

bool AppendString(void* Context, const void* Buffer, std::uint32_t Count) {
  static_cast<std::string*>(Context)->append(static_cast<const char*>(Buffer), Count);
  return true;
}

bool RefuseWrite(void*, const void*, std::uint32_t) { return false; }

// A setup archive made by the real compressor (the setup program and one
// pre-setup file), placed at Prefix bytes inside a larger file as the build
// places it after the loading program.
class SetupArchive : public ::testing::Test {
protected:
  static constexpr std::size_t Prefix = 1000;

  void SetUp() override {
    Program = std::string(70000, 'P');
    for (std::size_t i = 0; i < Program.size(); i += 7) Program[i] = static_cast<char>(i * 31);
    S.Write("src\\ProductSetup.exe", Program);
    S.Write("src\\licence.txt", std::string("licence text\r\n"));
    Date = EncodeDateTime(2003, 7, 1, 12, 30, 0, 0);
    S.Files->SetStamp(S.Path("src\\ProductSetup.exe"), DateTimeToFileTime(Date));
    TQndlCompress C(nullptr, S.Files.get());
    C.SetCompressedFile(S.Path("setup.1"));
    TStrings L;
    L.Add(S.Path("src\\ProductSetup.exe"));
    C.SetFilesToProcess(L);
    C.Add(lzcOverwrite, 0);
    TStrings L2;
    L2.Add(S.Path("src\\licence.txt"));
    C.SetFilesToProcess(L2);
    C.Add(lzcOnlyAdd, 0);
    Archive = S.Read("setup.1");
    File.Data.assign(Prefix, 'L');
    File.Data.insert(File.Data.end(), Archive.begin(), Archive.end());
    File.Data.resize(File.Data.size() + 56, 'B');
  }

  // Reads every member; the first failure's result.
  TArchiveResult ReadAll(TBytes& F, std::uint64_t Length, std::vector<std::string>* Names = nullptr,
                         std::vector<std::string>* Contents = nullptr) {
    TSetupArchive A(ReadVector, &F, Prefix, Length);
    TArchiveResult R = A.Open();
    for (int i = 0; R == TArchiveResult::Ok && i < A.Count(); ++i) {
      TArchiveMember M;
      R = A.Next(M);
      if (R != TArchiveResult::Ok) break;
      std::string Out;
      R = A.Extract(M, AppendString, &Out);
      if (Names) Names->push_back(M.Name);
      if (Contents) Contents->push_back(Out);
      if (i == 0) FirstDate = M.Date;
    }
    return R;
  }

  TSandbox S;
  std::string Program;
  TDateTime Date = 0, FirstDate = 0;
  std::vector<std::uint8_t> Archive;
  TBytes File;
};

TEST_F(SetupArchive, ReadsWhatTheCompressorWrote) {
  std::vector<std::string> Names, Contents;
  ASSERT_EQ(ReadAll(File, Archive.size(), &Names, &Contents), TArchiveResult::Ok);
  EXPECT_EQ(Names, (std::vector<std::string>{"ProductSetup.exe", "licence.txt"}));
  ASSERT_EQ(Contents.size(), 2u);
  EXPECT_TRUE(Contents[0] == Program);
  EXPECT_EQ(Contents[1], "licence text\r\n");
  EXPECT_DOUBLE_EQ(FirstDate, Date);

  TSetupArchive A(ReadVector, &File, Prefix, Archive.size());
  ASSERT_EQ(A.Open(), TArchiveResult::Ok);
  TArchiveMember M;
  ASSERT_EQ(A.Next(M), TArchiveResult::Ok);
  EXPECT_EQ(A.Extract(M, RefuseWrite, nullptr), TArchiveResult::WriteFailed);
}

TEST_F(SetupArchive, TruncatedAnywhere_IsDamagedNeverACrash) {
  // Every length short of the whole archive, in steps that hit headers and data.
  for (std::uint64_t Length = 0; Length < Archive.size(); Length += (Length < 400 ? 1 : 97)) {
    TBytes Cut = File;
    Cut.Data.resize(Prefix + Length);
    EXPECT_EQ(ReadAll(Cut, Length), TArchiveResult::Damaged) << Length;
  }
}

TEST_F(SetupArchive, DamagedFields_AreRefused) {
  auto Damaged = [&](std::size_t At, std::uint8_t Value) {
    TBytes F = File;
    F.Data[Prefix + At] = Value;
    return ReadAll(F, Archive.size()) == TArchiveResult::Damaged;
  };
  EXPECT_TRUE(Damaged(0, 0));    // no member: no setup program
  EXPECT_TRUE(Damaged(0, 200));  // more members than the archive can hold
  EXPECT_TRUE(Damaged(3, 0x80)); // negative count
  EXPECT_TRUE(Damaged(4, 1));    // table layout: never written for the setup archive
  const std::size_t H = 5;       // the first header
  EXPECT_TRUE(Damaged(H + 132, 0x77)); // recorded size differs from the data
  EXPECT_TRUE(Damaged(H + 135, 0x80)); // negative size
  EXPECT_TRUE(Damaged(H + 136, 0x00)); // data not right after its header
  EXPECT_TRUE(Damaged(H + 128, 0x00)); // next header not right after the data
  EXPECT_TRUE(Damaged(H + 23, 0x7F));  // data end far outside the archive
  std::int32_t End;
  std::memcpy(&End, Archive.data() + H + 20, 4);
  EXPECT_TRUE(Damaged(static_cast<std::size_t>(End), Archive[End] ^ 1)); // the stream's checksum
  const std::size_t Middle = (H + 176 + static_cast<std::size_t>(End)) / 2;
  EXPECT_TRUE(Damaged(Middle, Archive[Middle] ^ 0x40));
}

TEST(SetupArchiveNames, OnlyPlainFileNamesAreExtracted) {
  for (const char* Good : {"setup.exe", "licence.txt", "a b.dll", "x"}) EXPECT_TRUE(IsPlainFileName(Good)) << Good;
  for (const char* Bad : {"", ".", "..", "a\\b", "a/b", "C:x", "a*", "a?", "a|b", "a<b", "\x01x"})
    EXPECT_FALSE(IsPlainFileName(Bad)) << Bad;
}

} // namespace
} // namespace quendel::loader
