#include "inflate.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace quendel::loader {
namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Deflate(const TBytes& Data, int Level, int Strategy = Z_DEFAULT_STRATEGY) {
  z_stream Z{};
  EXPECT_EQ(deflateInit2(&Z, Level, Z_DEFLATED, 15, 9, Strategy), Z_OK);
  TBytes Out(deflateBound(&Z, Data.size()) + 64);
  Z.next_in = const_cast<Bytef*>(Data.data());
  Z.avail_in = static_cast<uInt>(Data.size());
  Z.next_out = Out.data();
  Z.avail_out = static_cast<uInt>(Out.size());
  EXPECT_EQ(deflate(&Z, Z_FINISH), Z_STREAM_END);
  Out.resize(Z.total_out);
  deflateEnd(&Z);
  return Out;
}

// The input handed over in pieces of Piece bytes, as the archive reader
// hands over its chunks.
struct TSource {
  const TBytes* Data;
  std::size_t Piece, At = 0;
};

bool Fill(void* Context, const std::uint8_t*& Data, std::uint32_t& Count) {
  auto& S = *static_cast<TSource*>(Context);
  const std::size_t Left = S.Data->size() - S.At;
  Count = static_cast<std::uint32_t>(Left < S.Piece ? Left : S.Piece);
  Data = S.Data->data() + S.At;
  S.At += Count;
  return true;
}

bool Collect(void* Context, const std::uint8_t* Data, std::uint32_t Count) {
  auto& Out = *static_cast<TBytes*>(Context);
  Out.insert(Out.end(), Data, Data + Count);
  return true;
}

TInflateResult Inflate(const TBytes& Stream, TBytes& Out, std::size_t Piece = 4096) {
  TSource S{&Stream, Piece};
  Out.clear();
  return InflateZlib(Fill, &S, Collect, &Out);
}

// Text, runs, noise and long-distance repeats: every block type and every
// length and distance class occur.
std::vector<TBytes> Samples() {
  std::mt19937 R(7);
  std::vector<TBytes> All;
  All.push_back({});
  All.push_back({'a'});
  TBytes Text;
  const std::string Words[] = {"install ", "file ", "DestDir ", "\r\n", "setup ", "version 1.2 "};
  while (Text.size() < 200000) {
    const std::string& W = Words[R() % 6];
    Text.insert(Text.end(), W.begin(), W.end());
  }
  All.push_back(Text);
  TBytes Noise(100000);
  for (auto& B : Noise) B = static_cast<std::uint8_t>(R());
  All.push_back(Noise);
  // Noise repeated at distances up to the whole window, and long runs.
  TBytes Mixed(Noise.begin(), Noise.begin() + 32768);
  Mixed.insert(Mixed.end(), Noise.begin(), Noise.begin() + 40000);
  Mixed.insert(Mixed.end(), 70000, 0);
  Mixed.insert(Mixed.end(), Text.begin(), Text.begin() + 50000);
  All.push_back(Mixed);
  return All;
}

TEST(Inflate, GivesWhatZlibCompressed_AtEveryLevelAndStrategyInAnyPieces) {
  for (const TBytes& Data : Samples())
    for (int Level : {0, 1, 6, 9})
      for (int Strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_RLE}) {
        const TBytes Stream = Deflate(Data, Level, Strategy);
        for (std::size_t Piece : {std::size_t{1}, std::size_t{4096}, Stream.size() + 1}) {
          TBytes Out;
          ASSERT_EQ(Inflate(Stream, Out, Piece), TInflateResult::Ok)
              << Data.size() << " bytes, level " << Level << ", strategy " << Strategy;
          ASSERT_TRUE(Out == Data) << Data.size() << " bytes, level " << Level;
        }
      }
}

TEST(Inflate, DamagedTruncatedOrExtendedStreams_NeverPassAsGood) {
  std::mt19937 R(11);
  TBytes Data = Samples()[2];
  Data.resize(20000);
  const TBytes Stream = Deflate(Data, 9);
  TBytes Out;
  for (std::size_t Cut = 0; Cut < Stream.size(); ++Cut) {
    const TBytes Short(Stream.begin(), Stream.begin() + static_cast<std::ptrdiff_t>(Cut));
    ASSERT_EQ(Inflate(Short, Out), TInflateResult::Damaged) << "cut at " << Cut;
  }
  TBytes Longer = Stream;
  Longer.push_back(0);
  EXPECT_EQ(Inflate(Longer, Out), TInflateResult::Damaged);
  // A changed byte anywhere: either refused, or (in a part that does not
  // change the result) exactly the original data; never other data.
  for (std::size_t At = 0; At < Stream.size(); ++At) {
    TBytes Changed = Stream;
    Changed[At] ^= static_cast<std::uint8_t>(1 + R() % 255);
    const TInflateResult Result = Inflate(Changed, Out);
    if (Result != TInflateResult::Damaged) {
      ASSERT_EQ(Result, TInflateResult::Ok);
      ASSERT_TRUE(Out == Data) << "byte " << At;
    }
  }
  // A preset dictionary, another method and a bad header check.
  for (const TBytes& Header : {TBytes{0x78, 0xBB}, TBytes{0x79, 0xDA}, TBytes{0x78, 0xDB}}) {
    TBytes Bad = Stream;
    Bad[0] = Header[0];
    Bad[1] = Header[1];
    EXPECT_EQ(Inflate(Bad, Out), TInflateResult::Damaged);
  }
}

TEST(Inflate, HandcraftedBlocks_DistanceBeforeTheStartAndBadStoredLength_AreDamaged) {
  TBytes Out;
  // A fixed block whose first code is a match of length 3 at distance 1:
  // there is nothing to copy yet.
  const TBytes TooFar = {0x78, 0x01, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
  EXPECT_EQ(Inflate(TooFar, Out), TInflateResult::Damaged);
  // A stored block whose length and its complement disagree.
  const TBytes Stored = {0x78, 0x01, 0x01, 0x01, 0x00, 0xFF, 0xFF, 'x', 0, 0x79, 0, 0x79};
  EXPECT_EQ(Inflate(Stored, Out), TInflateResult::Damaged);
  // Block type 3 does not exist.
  EXPECT_EQ(Inflate(TBytes{0x78, 0x01, 0x07, 0, 0, 0, 0, 1}, Out), TInflateResult::Damaged);
}

TEST(Inflate, CodeSetsWithUnusedCodes_AreDamagedAsZlibHasIt) {
  // Two dynamic blocks holding "a": literal 'a' of one bit and the end of
  // the block of one bit (a complete set), or of two bits (half of the
  // two-bit codes unused). The second never comes from a compressor.
  const TBytes Complete = {0x78, 0x01, 0x05, 0xC0, 0x01, 0x09, 0x00, 0x00, 0x00, 0x80, 0xA0,
                           0x97, 0x03, 0xFC, 0x7F, 0x42, 0x05, 0x00, 0x62, 0x00, 0x62};
  TBytes Incomplete = Complete;
  Incomplete[15] = 0x22;
  TBytes Out;
  ASSERT_EQ(Inflate(Complete, Out), TInflateResult::Ok);
  EXPECT_EQ(Out, TBytes{'a'});
  EXPECT_EQ(Inflate(Incomplete, Out), TInflateResult::Damaged);
  uLongf Size = 16;
  std::uint8_t Buffer[16];
  EXPECT_EQ(uncompress(Buffer, &Size, Incomplete.data(), static_cast<uLong>(Incomplete.size())),
            Z_DATA_ERROR);
}

TEST(Inflate, AStopFromTheWriter_EndsTheInflation) {
  const TBytes Stream = Deflate(Samples()[2], 9);
  TSource S{&Stream, 4096};
  int Calls = 0;
  const auto Stop = [](void* Context, const std::uint8_t*, std::uint32_t) {
    return ++*static_cast<int*>(Context) < 2;
  };
  EXPECT_EQ(InflateZlib(Fill, &S, Stop, &Calls), TInflateResult::Stopped);
  EXPECT_EQ(Calls, 2);
}

} // namespace
} // namespace quendel::loader
