#include "distribution/file_list.h"
#include "distribution/self_extract.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace quendel::distribution {
namespace {

using ::testing::HasSubstr;

using TBlock = std::uint8_t[SelfExtractBlockSize];

std::int32_t IntAt(const std::uint8_t* P) {
  std::int32_t V;
  std::memcpy(&V, P, 4); // both builds are little-endian
  return V;
}

TEST(SelfExtractBlock, Encode_LayoutByteForByteAndReadsBack) {
  TSelfExtractInfo In;
  In.SelfExtracting = true;
  In.SetupStart = 40000;
  In.SetupEnd = 90000;
  In.FilesStart = 90001;
  In.FilesEnd = 123455;
  TBlock B;
  std::memset(B, 0xAA, sizeof B);
  EncodeSelfExtractBlock(In, B);
  EXPECT_EQ(B[0], 14);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(B + 1), 14), "SELFEXTRACTING");
  EXPECT_EQ(B[15], 0);
  EXPECT_EQ(IntAt(B + 16), 40000);
  EXPECT_EQ(IntAt(B + 20), 90000);
  EXPECT_EQ(IntAt(B + 24), 90001);
  EXPECT_EQ(IntAt(B + 28), 123455);
  for (int i = 32; i < 56; ++i) EXPECT_EQ(B[i], 0) << i;

  TSelfExtractInfo Out;
  ASSERT_EQ(DecodeSelfExtractBlock(B, 123456 + 56, Out), TBlockCheck::Ok);
  EXPECT_TRUE(Out.SelfExtracting);
  EXPECT_EQ(Out.SetupStart, 40000);
  EXPECT_EQ(Out.FilesEnd, 123455);
  EXPECT_TRUE(Out.HasFileArchive());

  // A setup file that carries no archives: the other signature and four zeros,
  // whatever positions the caller left in the record.
  TSelfExtractInfo Not = In;
  Not.SelfExtracting = false;
  EncodeSelfExtractBlock(Not, B);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(B + 1), 14), "NOTSELFEXTRACT");
  for (int i = 16; i < 56; ++i) EXPECT_EQ(B[i], 0) << i;
  ASSERT_EQ(DecodeSelfExtractBlock(B, 1000, Out), TBlockCheck::Ok);
  EXPECT_FALSE(Out.SelfExtracting);
}

TEST(SelfExtractBlock, Decode_EveryPositionCheckedBeforeItIsTrusted) {
  const std::int64_t Size = 10000 + 56; // positions must stay below 10000
  struct TCase {
    std::int32_t P1, E1, P2, E2;
    TBlockCheck Want;
  };
  const TCase Cases[] = {
      {1, 9999, 0, 0, TBlockCheck::Ok},           // the widest setup archive, no file archive
      {5000, 5000, 5001, 9999, TBlockCheck::Ok},  // one-byte setup archive
      {0, 100, 0, 0, TBlockCheck::BadPositions},  // P1 must be positive
      {200, 100, 0, 0, TBlockCheck::BadPositions},
      {100, 10000, 0, 0, TBlockCheck::BadPositions}, // reaches into the block
      {-5, 100, 0, 0, TBlockCheck::BadPositions},
      {100, 200, 300, 0, TBlockCheck::BadPositions}, // half a file archive
      {100, 200, 0, 300, TBlockCheck::BadPositions},
      {100, 200, 400, 300, TBlockCheck::BadPositions},
      {100, 200, 300, 10000, TBlockCheck::BadPositions},
      {100, 200, 300, std::numeric_limits<std::int32_t>::max(), TBlockCheck::BadPositions},
  };
  for (const TCase& C : Cases) {
    TSelfExtractInfo In;
    In.SelfExtracting = true;
    In.SetupStart = C.P1;
    In.SetupEnd = C.E1;
    In.FilesStart = C.P2;
    In.FilesEnd = C.E2;
    TBlock B;
    EncodeSelfExtractBlock(In, B);
    TSelfExtractInfo Out;
    Out.SetupStart = -77;
    const TBlockCheck Got = DecodeSelfExtractBlock(B, Size, Out);
    EXPECT_EQ(Got, C.Want) << C.P1 << " " << C.E1 << " " << C.P2 << " " << C.E2;
    if (Got != TBlockCheck::Ok) {
      EXPECT_EQ(Out.SetupStart, -77) << "left untouched on failure";
    }
  }

  TSelfExtractInfo Out;
  TBlock B{};
  EXPECT_EQ(DecodeSelfExtractBlock(B, Size, Out), TBlockCheck::BadSignature);
  EncodeSelfExtractBlock(TSelfExtractInfo{}, B);
  EXPECT_EQ(DecodeSelfExtractBlock(B, 55, Out), TBlockCheck::TooShort);
  B[0] = 13; // the length byte is part of the signature
  EXPECT_EQ(DecodeSelfExtractBlock(B, Size, Out), TBlockCheck::BadSignature);
  B[0] = 14;
  B[16] = 1; // "NOTSELFEXTRACT" with a position
  EXPECT_EQ(DecodeSelfExtractBlock(B, Size, Out), TBlockCheck::BadPositions);
}

std::vector<TFileListRecord> TwoRecords() {
  return {{1234, 36925.5, "IFreadme_txt", "1.2.3.4"}, {0, 0, "IFempty", ""}};
}

// A signed setup file: the block ends before the certificate table (or up
// to 7 alignment bytes earlier); an unsigned file, a table that does not
// end the file, or headers cut short give only the file's end.
TEST(SelfExtractBlock, Ends_BeforeTheCertificateTableOfASignedFile) {
  std::vector<std::uint8_t> Head(1024, 0);
  Head[0] = 'M';
  Head[1] = 'Z';
  Head[0x3C] = 0x80;
  std::memcpy(&Head[0x80], "PE\0\0", 4);
  const std::size_t Optional = 0x80 + 24;
  Head[Optional] = 0x0B; // PE32
  Head[Optional + 1] = 0x01;
  Head[Optional + 92] = 16; // NumberOfRvaAndSizes
  const std::size_t Security = Optional + 96 + 4 * 8;
  auto Put = [&](std::size_t At, std::uint32_t V) { std::memcpy(&Head[At], &V, 4); };
  Put(Security, 200000);
  Put(Security + 4, 3000);
  std::int64_t Ends[MaxBlockEnds];
  ASSERT_EQ(SelfExtractBlockEnds(Head.data(), 1024, 203000, Ends), 9);
  EXPECT_EQ(Ends[0], 203000);
  EXPECT_EQ(Ends[1], 200000);
  EXPECT_EQ(Ends[8], 199993);
  EXPECT_EQ(SelfExtractBlockEnds(Head.data(), 1024, 203001, Ends), 1); // table not at the end
  EXPECT_EQ(SelfExtractBlockEnds(Head.data(), 0x90, 203000, Ends), 1); // headers cut short
  Put(Security, 0);
  EXPECT_EQ(SelfExtractBlockEnds(Head.data(), 1024, 203000, Ends), 1); // not signed
  Head[0] = 'X';
  EXPECT_EQ(SelfExtractBlockEnds(Head.data(), 1024, 203000, Ends), 1); // not a PE file
}

TEST(FileList, Encode_LayoutByteForByteAndReadsBack) {
  std::vector<std::uint8_t> Bytes;
  std::string Error;
  ASSERT_TRUE(EncodeFileList(TwoRecords(), Bytes, Error)) << Error;
  ASSERT_EQ(Bytes.size(), 4u + 2 * 80);
  EXPECT_EQ(IntAt(Bytes.data()), 2);
  const std::uint8_t* R = Bytes.data() + 4;
  EXPECT_EQ(IntAt(R), 1234);
  EXPECT_EQ(IntAt(R + 4), 0);
  double Date;
  std::memcpy(&Date, R + 8, 8);
  EXPECT_EQ(Date, 36925.5);
  EXPECT_STREQ(reinterpret_cast<const char*>(R + 16), "IFreadme_txt");
  EXPECT_STREQ(reinterpret_cast<const char*>(R + 56), "1.2.3.4");
  for (int i = 16 + 12; i < 56; ++i) EXPECT_EQ(R[i], 0) << "zero-filled name " << i;
  for (int i = 56 + 7; i < 80; ++i) EXPECT_EQ(R[i], 0) << "zero-filled version " << i;

  std::vector<TFileListRecord> Back;
  ASSERT_TRUE(DecodeFileList(Bytes.data(), Bytes.size(), Back, Error)) << Error;
  EXPECT_EQ(Back, TwoRecords());

  // An empty list is just the count.
  ASSERT_TRUE(EncodeFileList({}, Bytes, Error));
  EXPECT_EQ(Bytes, std::vector<std::uint8_t>(4, 0));
}

TEST(FileList, Encode_FieldThatDoesNotFitFailsNamingTheFile) {
  std::vector<std::uint8_t> Bytes = {9};
  std::string Error;
  auto Records = TwoRecords();
  Records[0].Name = std::string(39, 'N'); // exactly fits
  Records[0].Version = std::string(23, '9');
  EXPECT_TRUE(EncodeFileList(Records, Bytes, Error)) << Error;

  Records[1].Name = "IF" + std::string(38, 'x'); // 40 characters
  Bytes = {9};
  EXPECT_FALSE(EncodeFileList(Records, Bytes, Error));
  EXPECT_THAT(Error, HasSubstr(Records[1].Name));
  EXPECT_EQ(Bytes, std::vector<std::uint8_t>{9}) << "nothing produced";

  Records = TwoRecords();
  Records[1].Version = std::string(24, '1');
  EXPECT_FALSE(EncodeFileList(Records, Bytes, Error));
  EXPECT_THAT(Error, HasSubstr("IFempty"));

  Records = TwoRecords();
  Records[0].Name.clear();
  EXPECT_FALSE(EncodeFileList(Records, Bytes, Error));
  Records = TwoRecords();
  Records[0].Size = -1;
  EXPECT_FALSE(EncodeFileList(Records, Bytes, Error));
  EXPECT_THAT(Error, HasSubstr("IFreadme_txt"));
}

TEST(FileList, Decode_EveryFieldBoundedAndImpossibleCountsRefused) {
  std::vector<std::uint8_t> Good;
  std::string Error;
  ASSERT_TRUE(EncodeFileList(TwoRecords(), Good, Error));
  std::vector<TFileListRecord> Out = {{7, 0, "kept", ""}};
  auto Refused = [&](std::vector<std::uint8_t> Bytes) {
    Error.clear();
    const bool Ok = DecodeFileList(Bytes.data(), Bytes.size(), Out, Error);
    return !Ok && !Error.empty() && Out.size() == 1 && Out[0].Name == "kept";
  };
  EXPECT_TRUE(Refused({}));
  EXPECT_TRUE(Refused({1, 2, 3}));
  auto B = Good;
  B[0] = 3; // one record more than the data holds
  EXPECT_TRUE(Refused(B));
  B = Good;
  B[3] = 0x80; // negative count
  EXPECT_TRUE(Refused(B));
  B = Good;
  B.resize(B.size() - 1); // the last record cut short
  EXPECT_TRUE(Refused(B));
  B = Good;
  std::memset(B.data() + 4 + 16, 'A', 40); // a name without its zero
  EXPECT_TRUE(Refused(B));
  B = Good;
  std::memset(B.data() + 4 + 80 + 56, '1', 24); // a version without its zero
  EXPECT_TRUE(Refused(B));
  B = Good;
  B[4 + 16] = 0; // a blank name matches nothing
  EXPECT_TRUE(Refused(B));
  B = Good;
  B[4 + 3] = 0xFF; // negative size
  EXPECT_TRUE(Refused(B));
  B = Good;
  const double NaN = std::numeric_limits<double>::quiet_NaN();
  std::memcpy(B.data() + 4 + 8, &NaN, 8);
  EXPECT_TRUE(Refused(B));

  B = Good;
  B.push_back(0x55); // bytes after the last record are not part of the list
  ASSERT_TRUE(DecodeFileList(B.data(), B.size(), Out, Error)) << Error;
  EXPECT_EQ(Out, TwoRecords());
}

} // namespace
} // namespace quendel::distribution
