// The shell link format without the shell: what the writer puts down reads
// back whole, links as the shell writes them (item-ID lists, ANSI strings,
// Unicode LinkInfo, extra data) read right, and bad bytes raise instead of
// reading past the end.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/shell_link_format.h"

namespace quendel::platform {
namespace {

TShellLink Sample() {
  TShellLink link;
  link.Path = "C:\\Program Files\\Demo\\Demo.exe";
  link.Arguments = "-startup %1";
  link.WorkingDirectory = "C:\\Program Files\\Demo";
  link.Description = "Demo program";
  link.IconPath = "C:\\Program Files\\Demo\\Demo.ico";
  link.IconIndex = -2;
  link.HotKey = static_cast<std::uint16_t>(hotkeyControl | hotkeyShift | 'D');
  link.ShowCommand = swShowMaximized;
  return link;
}

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

TEST(ShellLinkFormat, Encode_RoundTripsEveryFieldAndKindOfTarget) {
  EXPECT_EQ(DecodeShellLink(EncodeShellLink(Sample())), Sample());

  TShellLink unc;
  unc.Path = "\\\\server\\share\\tools\\run.exe";
  EXPECT_EQ(DecodeShellLink(EncodeShellLink(unc)).Path, unc.Path);
  unc.Path = "\\\\server\\share";
  EXPECT_EQ(DecodeShellLink(EncodeShellLink(unc)).Path, unc.Path);

  TShellLink relative; // not a full path: kept as the relative path
  relative.Path = "notepad.exe";
  EXPECT_EQ(DecodeShellLink(EncodeShellLink(relative)).Path, "notepad.exe");

  TShellLink ansi;
  ansi.Path = "D:\\\x80\xE9\xFF\\x.exe";
  ansi.Description = "\x8A\x9C";
  EXPECT_EQ(DecodeShellLink(EncodeShellLink(ansi)), ansi);
}

TEST(ShellLinkFormat, Encode_WritesTheDocumentedHeaderAndLocalPath) {
  TLinkTargetInfo target;
  target.Attributes = 0x20;
  target.Size = 1234;
  target.Stamp = 0x01D2000000000000ULL;
  const auto bytes = EncodeShellLink(Sample(), target);
  ASSERT_GE(bytes.size(), 0x4Cu);
  EXPECT_EQ(U32At(bytes, 0), 0x4Cu);
  EXPECT_EQ(bytes[4], 0x01);
  EXPECT_EQ(bytes[19], 0x46);
  const std::uint32_t flags = U32At(bytes, 20);
  EXPECT_EQ(flags, 0x2u | 0x4 | 0x10 | 0x20 | 0x40 | 0x80) << std::hex << flags;
  EXPECT_EQ(U32At(bytes, 24), 0x20u);
  EXPECT_EQ(U32At(bytes, 52), 1234u);
  EXPECT_EQ(static_cast<std::int32_t>(U32At(bytes, 56)), -2);
  EXPECT_EQ(U32At(bytes, 60), 3u);
  // LinkInfo right after the header: local base path with an empty suffix.
  const std::size_t info = 0x4C;
  EXPECT_EQ(U32At(bytes, info + 8), 1u);
  const std::size_t base = info + U32At(bytes, info + 16);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[base])), Sample().Path);
  // Ends with the terminal block.
  EXPECT_EQ(U32At(bytes, bytes.size() - 4), 0u);
}

// A link as the Windows shell writes one: item-ID list, LinkInfo with
// Unicode offsets, ANSI strings and an extra data block.
std::vector<std::uint8_t> ShellWritten() {
  std::vector<std::uint8_t> b;
  auto u16 = [&](std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto u32 = [&](std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  auto text = [&](const std::string& s) { b.insert(b.end(), s.begin(), s.end()); };
  u32(0x4C);
  const std::uint8_t clsid[16] = {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  b.insert(b.end(), clsid, clsid + 16);
  u32(0x1 | 0x2 | 0x20 | 0x40); // ID list, LinkInfo, arguments, icon; ANSI strings
  b.resize(b.size() + 4 + 24 + 4);
  u32(5);    // icon index
  u32(7);    // show minimised
  u16(0x0670); // alt+shift? any word
  b.resize(b.size() + 10);
  // Item-ID list: one item of 6 bytes, then the terminator.
  u16(8);
  u16(6);
  u32(0xDEADBEEF);
  u16(0);
  // LinkInfo with header size 0x24: the Unicode path wins over the ANSI one.
  const std::size_t start = b.size();
  u32(0);                        // size, patched
  u32(0x24);
  u32(1);
  u32(0x24);                     // volume ID
  u32(0x24 + 0x11);              // ANSI base
  u32(0);
  u32(0x24 + 0x11 + 6);          // ANSI suffix
  u32(0x24 + 0x11 + 6 + 1);      // Unicode base
  u32(0x24 + 0x11 + 6 + 1 + 14); // Unicode suffix
  u32(0x11);
  u32(3);
  u32(0x1234);
  u32(0x10);
  b.push_back(0);
  text("C:\\old");
  b.back() = 0; // "C:\ol" + NUL: the ANSI copy is a stale 5-char text
  b.push_back(0);
  for (const char16_t c : std::u16string(u"C:\\Wi\u00E9")) u16(c);
  u16(0);
  for (const char16_t c : std::u16string(u"x.exe")) u16(c);
  u16(0);
  const std::uint32_t infoSize = static_cast<std::uint32_t>(b.size() - start);
  for (int i = 0; i < 4; ++i) b[start + i] = static_cast<std::uint8_t>(infoSize >> (8 * i));
  u16(4); // counted with its NUL, as Wine's shell writes them
  text("/go");
  b.push_back(0);
  u16(11);
  text("C:\\icon.ico");
  // A property-store-like block the reader skips, then the terminal block.
  u32(12);
  u32(0xA0000009);
  u32(0);
  u32(0);
  return b;
}

TEST(ShellLinkFormat, Decode_ReadsLinksAsTheShellWritesThem) {
  const TShellLink link = DecodeShellLink(ShellWritten());
  EXPECT_EQ(link.Path, "C:\\Wi\xE9x.exe");
  EXPECT_EQ(link.Arguments, "/go");
  EXPECT_EQ(link.IconPath, "C:\\icon.ico");
  EXPECT_EQ(link.IconIndex, 5);
  EXPECT_EQ(link.ShowCommand, 7);
  EXPECT_EQ(link.HotKey, 0x0670);
  EXPECT_EQ(link.WorkingDirectory, "");
}

TEST(ShellLinkFormat, Decode_RaisesOnEveryTruncationAndOnForeignBytes) {
  for (const auto& whole : {EncodeShellLink(Sample()), ShellWritten()}) {
    // Every cut inside the header, LinkInfo and strings; the extra data at
    // the end may be missing, as the shell tolerates.
    for (std::size_t n = 0; n + 4 < whole.size(); ++n) {
      const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(n));
      bool raised = false;
      try {
        DecodeShellLink(cut);
      } catch (const EShellLinkFormat&) {
        raised = true;
      }
      if (n < whole.size() - 16) {
        EXPECT_TRUE(raised) << "cut at " << n;
      }
    }
  }
  std::vector<std::uint8_t> wrongClass = EncodeShellLink(Sample());
  wrongClass[4] ^= 0xFF;
  EXPECT_THROW(DecodeShellLink(wrongClass), EShellLinkFormat);

  // A LinkInfo whose offsets point past its end.
  std::vector<std::uint8_t> badOffset = EncodeShellLink(Sample());
  badOffset[0x4C + 16] = 0xF0;
  EXPECT_THROW(DecodeShellLink(badOffset), EShellLinkFormat);
}

// A network link whose offset is so large that adding the link's size to it
// wraps round: refused, never read far outside the file.
TEST(ShellLinkFormat, Decode_RaisesOnANetworkLinkOffsetThatWrapsRound) {
  std::vector<std::uint8_t> wrapping = EncodeShellLink(Sample());
  const std::size_t info = 0x4C;
  ASSERT_EQ(wrapping[info + 8] & 0x01, 0x01); // a local path, as Sample() has
  wrapping[info + 8] = 0x02;                  // a network link instead
  const std::uint8_t huge[4] = {0xF0, 0xFF, 0xFF, 0xFF};
  std::copy(huge, huge + 4, wrapping.begin() + static_cast<long>(info + 20));
  EXPECT_THROW(DecodeShellLink(wrapping), EShellLinkFormat);
}

TEST(ShellLinkFormat, Encode_RefusesTextsTooLongForTheFormat) {
  TShellLink link = Sample();
  link.Arguments.assign(70000, 'a');
  EXPECT_THROW(EncodeShellLink(link), EShellLinkFormat);
}

// The fixtures under tests/data/links are what this writer makes; the Wine
// test has the shell load them. Set QUENDEL_WRITE_LINK_FIXTURES to remake them.
TEST(ShellLinkFormat, Encode_MatchesTheCheckedInFixtures) {
  const std::filesystem::path dir = std::filesystem::path(QUENDEL_TEST_DATA) / "links";
  const std::pair<const char*, TShellLink> cases[] = {{"sample.lnk", Sample()}};
  for (const auto& [name, link] : cases) {
    const auto bytes = EncodeShellLink(link);
    const auto path = dir / name;
    if (std::getenv("QUENDEL_WRITE_LINK_FIXTURES")) {
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    const std::vector<std::uint8_t> stored{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(stored, bytes) << name;
  }
}

} // namespace
} // namespace quendel::platform
