#include "archive/errors.h"
#include "archive/file_header.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quendel {
namespace {

void PutInt(std::vector<std::uint8_t>& B, std::size_t At, std::int32_t V) {
  for (int i = 0; i < 4; ++i)
    B[At + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(V) >> (8 * i));
}

// A header laid out by hand at the offsets the format fixes.
std::vector<std::uint8_t> RawHeader(const std::string& Name, std::int32_t Next,
                                    std::int32_t Size = 10) {
  std::vector<std::uint8_t> h(FileHeaderSize, 0);
  PutInt(h, 0, 1);
  h[24] = static_cast<std::uint8_t>(Name.size());
  std::memcpy(h.data() + 25, Name.data(), Name.size());
  PutInt(h, 128, Next);
  PutInt(h, 132, Size);
  return h;
}

std::vector<std::uint8_t> Prologue(std::int32_t Count, std::uint8_t Spanned) {
  std::vector<std::uint8_t> p(5, 0);
  PutInt(p, 0, Count);
  p[4] = Spanned;
  return p;
}

void Append(std::vector<std::uint8_t>& A, const std::vector<std::uint8_t>& B) {
  A.insert(A.end(), B.begin(), B.end());
}

TEST(FileHeaderRecord, Fields_AtTheirOffsetsAndCut) {
  TFileHeaderRecord r;
  r.SetSequence(7);
  r.SetFileDate(36526.5);
  r.SetEndVolume(3);
  r.SetEndPosition(0x01020304);
  r.SetFileName(std::string(130, 'n'));
  r.SetNextHeader(-2);
  r.SetUncompressedSize(100);
  r.SetDataStart(181);
  r.SetCompressedSize(50);
  r.SetStartVolume(2);
  r.SetUniqueID(1999);
  r.SetFileVersion("1.2.3.4.5.6.7.8.9.10.11");
  const auto& b = r.Bytes();
  EXPECT_EQ(b[0], 7);
  double d;
  std::memcpy(&d, b.data() + 8, 8);
  EXPECT_EQ(d, 36526.5);
  EXPECT_EQ(b[16], 3);
  EXPECT_EQ(b[20], 0x04);
  EXPECT_EQ(b[23], 0x01);
  EXPECT_EQ(b[24], 100); // cut to 100 characters
  EXPECT_EQ(r.FileName(), std::string(100, 'n'));
  EXPECT_EQ(b[128], 0xFE);
  EXPECT_EQ(b[131], 0xFF);
  EXPECT_EQ(b[132], 100);
  EXPECT_EQ(b[136], 181);
  EXPECT_EQ(b[140], 50);
  EXPECT_EQ(b[144], 2);
  EXPECT_EQ(b[148] | b[149] << 8, 1999);
  EXPECT_EQ(b[152], 20);
  EXPECT_EQ(r.FileVersion(), "1.2.3.4.5.6.7.8.9.10");
  for (int pad : {4, 5, 6, 7, 17, 18, 19, 125, 126, 127, 145, 146, 147, 173, 174, 175})
    EXPECT_EQ(b[pad], 0) << pad;
  // A shorter name keeps the bytes after its end, as a rewrite must.
  r.SetFileName("ab");
  EXPECT_EQ(r.FileName(), "ab");
  EXPECT_EQ(b[27], 'n');
}

TEST(FileHeaders, ReadFrom_EmptyAndBothLayoutsAtAnOffset) {
  auto bytes = Prologue(0, 0);
  TMemoryStream empty(bytes);
  TFileHeaders list;
  list.ReadFrom(empty, 0);
  EXPECT_EQ(list.Count(), 0);

  // Chained: header, 3 data bytes, header; behind 1000 bytes of something else.
  std::vector<std::uint8_t> archive = Prologue(2, 0);
  Append(archive, RawHeader("a.txt", 5 + 176 + 3));
  Append(archive, {1, 2, 3});
  Append(archive, RawHeader("B.TXT", 5 + 176 * 2 + 3));
  archive[4 + 5] = 0xAA; // padding of header 1: ignored, kept
  std::vector<std::uint8_t> file(1000, 0x55);
  Append(file, archive);
  TMemoryStream s(file);
  list.ReadFrom(s, 1000);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_FALSE(list.Spanned);
  EXPECT_TRUE(list.Item(0).Loaded);
  EXPECT_EQ(list.Item(1).Record.FileName(), "B.TXT");
  EXPECT_EQ(list.Item(0).Record.Bytes()[4], 0xAA);
  EXPECT_EQ(list.FindByName("b.txt;ignored;fields"), 1);
  EXPECT_EQ(list.FindByName("c.txt"), -1);

  // Table layout; any non-zero flag means table.
  std::vector<std::uint8_t> table = Prologue(2, 7);
  Append(table, RawHeader("one", 181));
  Append(table, RawHeader("two", 357));
  TMemoryStream t(table);
  list.ReadFrom(t, 0);
  EXPECT_TRUE(list.Spanned);
  EXPECT_EQ(list.Item(1).Record.FileName(), "two");
}

TEST(FileHeaders, ReadFrom_HostileDirectories) {
  auto expectMessage = [](std::vector<std::uint8_t> Bytes, const char* Message) {
    TMemoryStream s(std::move(Bytes));
    TFileHeaders list;
    try {
      list.ReadFrom(s, 0);
      ADD_FAILURE() << "no error for " << Message;
    } catch (const EQndlCompress& e) {
      EXPECT_STREQ(e.what(), Message);
    }
  };
  const char* count = "Could not read the file header count for the compressed file";
  const char* headers = "Could not read the file headers for the compressed file. The Archive "
                        "file could possible be corrupt";
  expectMessage({1, 0, 0, 0}, count);
  expectMessage({}, count);
  // A count larger than the file can hold is refused before anything is read.
  auto huge = Prologue(0x7FFFFFFF, 0);
  Append(huge, RawHeader("x", 181));
  expectMessage(huge, headers);
  expectMessage(Prologue(-1, 0), headers);
  // A header pointing before the archive or past its end.
  for (std::int32_t next : {-5, 1 << 30, 200}) {
    auto b = Prologue(2, 0);
    Append(b, RawHeader("x", next));
    Append(b, std::vector<std::uint8_t>(176, 0));
    expectMessage(b, headers);
  }
  // A blank name.
  auto blank = Prologue(1, 0);
  Append(blank, RawHeader("   ", 181));
  expectMessage(blank, "Tried to add an invalid file header");
}

TEST(FileHeaders, WriteTo_TablePositionsAndShortWrites) {
  TFileHeaders list;
  for (const char* n : {"a", "b", "c"}) {
    auto h = std::make_unique<TFileHeader>();
    h->Record.SetFileName(n);
    h->Record.SetNextHeader(12345);
    list.Add(std::move(h));
  }
  TMemoryStream chained;
  list.WriteTo(chained);
  EXPECT_EQ(chained.Bytes(), Prologue(3, 0));

  list.Spanned = true;
  TMemoryStream table;
  list.WriteTo(table);
  ASSERT_EQ(table.Size(), 5 + 3 * 176);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(list.Item(i).Record.NextHeader(), 5 + 176 * (i + 1));

  TMemoryStream full;
  full.SetCapacity(100);
  EXPECT_THROW(list.WriteTo(full), EQndlCompress);
  EXPECT_THROW(list.Item(3), EQndlCompress);
  try {
    list.Item(-1);
  } catch (const EQndlCompress& e) {
    EXPECT_STREQ(e.what(), "-1 is an invalid TFileHeader index in TFileHeaders.GetFileHeaders");
  }
  auto blank = std::make_unique<TFileHeader>();
  EXPECT_THROW(list.Add(std::move(blank)), EQndlCompress);
}

TEST(FileHeaders, BuildFromList_FieldsAndAllOrNothing) {
  TFileHeaders list;
  TStrings names;
  names.Add("C:\\src\\one.dll;extra");
  names.Add(std::string("C:\\") + std::string(120, 'x'));
  list.BuildFromList(names, false, [](const std::string& Name) {
    TSourceFileInfo i;
    i.Size = static_cast<std::int64_t>(Name.size());
    i.Date = 40000.25;
    i.Version = "1.2.3.4.5.6.7.8.9.10.11.12";
    return i;
  });
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(0).Record.FileName(), "C:\\src\\one.dll");
  EXPECT_EQ(list.Item(1).Record.FileName().size(), 100u);
  EXPECT_EQ(list.Item(1).Record.Sequence(), 2);
  EXPECT_EQ(list.Item(0).Record.FileVersion().size(), 20u);
  EXPECT_FALSE(list.Item(0).Loaded);

  // A source that cannot be described leaves the list as it was.
  TStrings more;
  more.Add("good");
  more.Add("bad");
  EXPECT_THROW(list.BuildFromList(more, true,
                                  [](const std::string& Name) -> TSourceFileInfo {
                                    if (Name == "bad")
                                      throw EQndlCompress("Cannot open the file bad");
                                    return {};
                                  }),
               EQndlCompress);
  EXPECT_EQ(list.Count(), 2);
}

TEST(Statistics, Percentage_RoundsHalfToEvenIntoAByte) {
  EXPECT_EQ(Percentage(1, 8), 12); // 12.5
  EXPECT_EQ(Percentage(3, 8), 38); // 37.5
  EXPECT_EQ(Percentage(1, 3), 33);
  EXPECT_EQ(Percentage(2, 3), 67);
  EXPECT_EQ(Percentage(5, 0), 0);
  EXPECT_EQ(Percentage(3, 1), 44); // 300 in its low 8 bits
  EXPECT_EQ(Percentage(101, 100), 101);

  TFileHeaders list;
  for (int i = 0; i < 2; ++i) {
    auto h = std::make_unique<TFileHeader>();
    h->Record.SetFileName("m");
    h->Record.SetUncompressedSize(0x70000000);
    h->Record.SetCompressedSize(0x38000000);
    list.Add(std::move(h));
  }
  TlzhFileStats st;
  st.TotalBytesDone = 9;
  list.Totals(st);
  // Sums beyond 32 bits stay right.
  EXPECT_EQ(st.TotalUncompressed, 2 * std::int64_t{0x70000000});
  EXPECT_EQ(st.TotalRatio, 50);
  EXPECT_EQ(st.TotalBytesDone, 0);
}

} // namespace
} // namespace quendel
