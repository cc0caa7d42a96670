#include "system/pe_resources.h"

#include "platform/platform.h"
#include "system/version_resource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quendel {
namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<std::uint8_t>;

TBytes Slurp(const std::string& Name) {
  std::ifstream in(fs::path(QUENDEL_TEST_DATA) / "system" / Name, std::ios::binary);
  return TBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TBytes Text(const std::string& S) { return TBytes(S.begin(), S.end()); }

std::uint32_t At32(const TBytes& B, std::size_t Off) {
  return B[Off] | (B[Off + 1] << 8) | (B[Off + 2] << 16) | (static_cast<std::uint32_t>(B[Off + 3]) << 24);
}
std::uint16_t At16(const TBytes& B, std::size_t Off) { return static_cast<std::uint16_t>(B[Off] | (B[Off + 1] << 8)); }
std::uint16_t SectionCount(const TBytes& B) { return At16(B, At32(B, 0x3C) + 6); }

class TempFile {
public:
  explicit TempFile(const TBytes& Bytes) {
    FPath = fs::temp_directory_path() /
            ("quendel_pe_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".dll");
    std::ofstream out(FPath, std::ios::binary);
    out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  }
  ~TempFile() {
    std::error_code ec;
    fs::remove(FPath, ec);
  }
  std::string Path() const { return FPath.string(); }

private:
  fs::path FPath;
};

// The version resource of a DLL fixture survives the rebuilt resource
// section, and the new resource reads back: the result is still a PE image
// the version reader (the Win32 one in that build) accepts.
TEST(PeResources, Set_AddsResourceAndKeepsTheOthers) {
  const TBytes dll = Slurp("ver_german.dll");
  ASSERT_FALSE(dll.empty());
  EXPECT_FALSE(FindPeResource(dll, kResourceTypeRcData, "TFRMMAINMENU"));
  const TBytes out = SetPeResource(dll, kResourceTypeRcData, "TfrmMainMenu", Text("TPF0 data"));
  EXPECT_EQ(FindPeResource(out, kResourceTypeRcData, "tfrmmainmenu"), Text("TPF0 data"));
  EXPECT_EQ(At32(out, At32(out, 0x3C) + 24 + 64), PeChecksum(out));

  TempFile f(out);
  platform::TPlatform p = platform::CreateDefaultPlatform();
  EXPECT_EQ(GetFileVersionString(p.Files.get(), f.Path()), "2.10.0.65535");
}

// Replacing keeps one copy of the resource whatever its size, and a second
// rebuild reuses the section the first one appended instead of adding more.
TEST(PeResources, Set_ReplacesGrowingAndShrinking) {
  const TBytes dll = Slurp("ver_ansi_table.dll");
  TBytes big(100000);
  for (std::size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<std::uint8_t>(i * 7);
  const TBytes a = SetPeResource(dll, kResourceTypeRcData, "TFRMMAINMENU", Text("first"));
  const TBytes b = SetPeResource(a, kResourceTypeRcData, "TFRMMAINMENU", big);
  const TBytes c = SetPeResource(b, kResourceTypeRcData, "TFRMMAINMENU", Text("x"));
  EXPECT_EQ(FindPeResource(b, kResourceTypeRcData, "TFRMMAINMENU"), big);
  EXPECT_EQ(FindPeResource(c, kResourceTypeRcData, "TFRMMAINMENU"), Text("x"));
  EXPECT_EQ(SectionCount(b), SectionCount(a));
  EXPECT_EQ(SectionCount(c), SectionCount(a));
  EXPECT_LT(c.size(), b.size());
  // An empty resource is a resource too.
  const TBytes d = SetPeResource(c, kResourceTypeRcData, "TFRMMAINMENU", {});
  EXPECT_EQ(FindPeResource(d, kResourceTypeRcData, "TFRMMAINMENU"), TBytes{});

  TempFile f(c);
  platform::TPlatform p = platform::CreateDefaultPlatform();
  EXPECT_EQ(GetFileVersionString(p.Files.get(), f.Path()), "5.0.2195.1");
}

// Several named resources: each is found, whatever order they were added in
// (the lookup of the system searches sorted lists in halves).
TEST(PeResources, Set_SeveralNamesAllFound) {
  TBytes img = Slurp("ver_none.dll");
  const char* names[] = {"ZULU", "ALPHA", "MIKE", "BRAVO", "TFRMMAINMENU"};
  for (const char* n : names)
    img = SetPeResource(img, kResourceTypeRcData, n, Text(std::string("data of ") + n));
  for (const char* n : names)
    EXPECT_EQ(FindPeResource(img, kResourceTypeRcData, n), Text(std::string("data of ") + n)) << n;
#ifdef _WIN32
  TempFile f(img);
  HMODULE m = LoadLibraryExA(f.Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(m, nullptr) << GetLastError();
  for (const char* n : names) {
    HRSRC r = FindResourceA(m, n, MAKEINTRESOURCEA(10));
    ASSERT_NE(r, nullptr) << n;
    const std::string want = std::string("data of ") + n;
    ASSERT_EQ(SizeofResource(m, r), want.size());
    const char* data = static_cast<const char*>(LockResource(LoadResource(m, r)));
    EXPECT_EQ(std::string(data, want.size()), want);
  }
  FreeLibrary(m);
#endif
}

// Damaged images raise EPeImage and never read outside the buffer: every
// prefix of a real image, and images with a header field spoiled.
TEST(PeResources, DamagedImages_RaiseEPeImage) {
  const TBytes dll = SetPeResource(Slurp("ver_ansi_table.dll"), kResourceTypeRcData, "TFRMMAINMENU",
                                   Text("payload"));
  for (std::size_t n = 0; n < dll.size(); n += 61) {
    const TBytes cut(dll.begin(), dll.begin() + static_cast<std::ptrdiff_t>(n));
    try {
      (void)FindPeResource(cut, kResourceTypeRcData, "TFRMMAINMENU");
      (void)SetPeResource(cut, kResourceTypeRcData, "TFRMMAINMENU", Text("x"));
    } catch (const EPeImage&) {
    }
  }
  EXPECT_THROW(SetPeResource(Text("MZ but nothing else"), 10, "A", {}), EPeImage);
  EXPECT_THROW(FindPeResource(Text("not an executable at all, just text....................................."), 10, "A"),
               EPeImage);
  TBytes spoiled = dll;
  const std::size_t pe = At32(dll, 0x3C);
  spoiled[pe] = 'X';
  EXPECT_THROW(FindPeResource(spoiled, 10, "A"), EPeImage);
  // Every byte of the resource directory overwritten: an error or another
  // answer, never a crash.
  for (std::size_t i = 0; i < dll.size(); i += 13) {
    TBytes b = dll;
    b[i] ^= 0xFF;
    try {
      (void)SetPeResource(b, kResourceTypeRcData, "TFRMMAINMENU", Text("x"));
    } catch (const EPeImage&) {
    }
  }
  EXPECT_THROW(SetPeResource(dll, 10, "", Text("x")), EPeImage);
}

// A file alignment beyond the format's 64 KiB would pad the new section to
// gigabytes for an image of a few kilobytes: refused before anything grows.
TEST(PeResources, Set_RefusesAHugeFileAlignment) {
  TBytes dll = Slurp("ver_ansi_table.dll");
  const std::size_t fileAlignment = At32(dll, 0x3C) + 24 + 36;
  ASSERT_EQ(At32(dll, fileAlignment), 0x200u);
  dll[fileAlignment + 1] = 0; // 0x40000000
  dll[fileAlignment + 3] = 0x40;
  EXPECT_THROW(SetPeResource(dll, kResourceTypeRcData, "TFRMMAINMENU", Text("x")), EPeImage);
}

} // namespace
} // namespace quendel
