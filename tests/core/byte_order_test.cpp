// The one little-endian reader and writer: values land in the right bytes,
// and an access that would reach past the end raises instead of touching
// memory, also when offset plus size would wrap round.
#include "core/byte_order.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

namespace quendel {
namespace {

TEST(ByteOrder, ValuesRoundTripInLittleEndianBytes) {
  std::array<std::uint8_t, 16> B{};
  PutLE(std::span<std::uint8_t>(B), 1, std::int32_t{-2});
  EXPECT_EQ(B[1], 0xFE);
  EXPECT_EQ(B[4], 0xFF);
  EXPECT_EQ(GetLE<std::int32_t>(B, 1), -2);
  EXPECT_EQ(GetLE<std::uint32_t>(B, 1), 0xFFFFFFFEu);
  PutLE(std::span<std::uint8_t>(B), 8, 1.5);
  EXPECT_EQ(GetLE<double>(B, 8), 1.5);
  EXPECT_EQ(B[15], 0x3F); // the sign and exponent byte last
  EXPECT_EQ(GetLEBytes(B, 1, 2), 0xFFFEu);

  std::vector<std::uint8_t> Out;
  AppendLE(Out, std::uint16_t{0x1234});
  AppendLEBytes(Out, 0xABCDEF, 3);
  EXPECT_EQ(Out, (std::vector<std::uint8_t>{0x34, 0x12, 0xEF, 0xCD, 0xAB}));

  TByteReader R(Out);
  EXPECT_EQ(R.Read<std::uint16_t>(), 0x1234);
  EXPECT_EQ(R.ReadBytesLE(3), 0xABCDEFu);
  EXPECT_EQ(R.Remaining(), 0u);
}

TEST(ByteOrder, AccessPastTheEndRaisesAndChangesNothing) {
  std::array<std::uint8_t, 8> B{1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(GetLE<std::uint32_t>(B, 4), 0x08070605u);
  EXPECT_THROW(GetLE<std::uint32_t>(B, 5), EReadError);
  EXPECT_THROW(GetLE<std::uint16_t>(B, 8), EReadError);
  constexpr std::size_t Huge = std::numeric_limits<std::size_t>::max() - 1;
  EXPECT_THROW(GetLE<std::uint32_t>(B, Huge), EReadError);
  EXPECT_FALSE(Fits(B.size(), Huge, 4));
  EXPECT_TRUE(Fits(B.size(), 8, 0));

  EXPECT_THROW(PutLE(std::span<std::uint8_t>(B), 6, std::uint32_t{0}), EWriteError);
  EXPECT_EQ(B[6], 7); // nothing written by the refused call
  EXPECT_EQ(B[7], 8);

  TByteReader R(B, 6);
  EXPECT_THROW(R.Read<std::uint32_t>(), EReadError);
  EXPECT_EQ(R.Position(), 6u);
  EXPECT_THROW(R.Take(3), EReadError);
  EXPECT_THROW(R.Seek(9), EReadError);
  EXPECT_EQ(R.Read<std::uint16_t>(), 0x0807);
}

} // namespace
} // namespace quendel
