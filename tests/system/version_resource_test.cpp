#include "system/version_resource.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#ifdef _WIN32
#include "system/win32/version_api.h"
#endif

namespace quendel {
namespace {

namespace fs = std::filesystem;

// The fixtures as the file system sees them: a Windows path natively (the
// default drive map puts the host's "/" on Z:) and under Wine alike.
std::string Fixture(const std::string& Name) {
  const fs::path p = fs::absolute(fs::path(QUENDEL_TEST_DATA) / "system" / Name);
#ifdef _WIN32
  return p.string();
#else
  std::string s = "Z:" + p.string();
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
#endif
}

class VersionResource : public ::testing::Test {
protected:
  platform::TPlatform P = platform::CreateDefaultPlatform();
};

TEST_F(VersionResource, Read_FixedVersionWinsOverStringTable) {
  TVersionResource r(nullptr, P.Files.get());
  r.SetFileName(Fixture("ver_ansi_table.dll"));
  const TVersionInfo& v = r.VersionInfo();
  EXPECT_EQ(v.FileVersion, "5.0.2195.1");
  // A ProductVersion text replaces the numeric one.
  EXPECT_EQ(v.ProductVersion, "5.0 beta");
  EXPECT_EQ(v.Comment, "A comment");
  EXPECT_EQ(v.CompanyName, "Quendel Test Company");
  EXPECT_EQ(v.LegalCopyright, "\xA9 2001 Nobody");
  EXPECT_EQ(v.OriginalFileName, "ver_ansi_table.dll");
  EXPECT_EQ(v.SpecialBuild, "special");
  EXPECT_EQ(v.FileOS, "Windows NT with 32 bit Windows");
  EXPECT_EQ(v.FileType, "Device Driver");
  EXPECT_EQ(v.FileSubType, "System");
  EXPECT_EQ(v.PrimaryLanguage, 0x09);
}

TEST_F(VersionResource, Read_UnicodeTableNeedsItsCharacterSet) {
  TVersionResource r(nullptr, P.Files.get());
  r.SetFileName(Fixture("ver_unicode_table.dll"));
  EXPECT_EQ(r.VersionInfo().FileVersion, "1.2.3.4");
  EXPECT_EQ(r.VersionInfo().CompanyName, "");
  EXPECT_EQ(r.VersionInfo().ProductVersion, "1.2.0.0");
  EXPECT_EQ(r.VersionInfo().FileType, "Font");
  EXPECT_EQ(r.VersionInfo().FileSubType, "TrueType");
  EXPECT_EQ(r.VersionInfo().FileOS, "32 bit Windows");
  // 0x0C07 keeps its primary language only.
  EXPECT_EQ(r.VersionInfo().PrimaryLanguage, 0x07);

  r.SetCharacterSet(csUnicode);
  EXPECT_EQ(r.VersionInfo().CompanyName, "Unicode Company");
  EXPECT_EQ(r.VersionInfo().ProductVersion, "1.2 release");
  // "Comments" is not the name this reader asks for.
  EXPECT_EQ(r.VersionInfo().Comment, "");
}

TEST_F(VersionResource, Read_LanguageSelectsTheTable) {
  TVersionResource r(nullptr, P.Files.get());
  r.SetFileName(Fixture("ver_german.dll"));
  EXPECT_EQ(r.VersionInfo().FileVersion, "2.10.0.65535");
  EXPECT_EQ(r.VersionInfo().CompanyName, "");
  EXPECT_EQ(r.VersionInfo().FileOS, "Unknown");
  EXPECT_EQ(r.VersionInfo().FileType, "Application");
  EXPECT_EQ(r.VersionInfo().FileSubType, "");
  EXPECT_EQ(r.VersionInfo().PrimaryLanguage, 0);
  r.SetLanguage(system::lnGerman);
  EXPECT_EQ(r.VersionInfo().CompanyName, "Deutsche Firma");
  EXPECT_EQ(GetEnumProp(r, "Language"), "lnGerman");
}

TEST_F(VersionResource, Read_NoResourceOrNoFileGivesEmptyTexts) {
  TVersionResource r(nullptr, P.Files.get());
  r.SetFileName(Fixture("ver_ansi_table.dll"));
  ASSERT_FALSE(r.VersionInfo().FileVersion.empty());
  r.SetFileName(Fixture("ver_none.dll"));
  EXPECT_TRUE(r.VersionInfo() == TVersionInfo());
  r.SetFileName(Fixture("no_such_file.dll"));
  EXPECT_TRUE(r.VersionInfo() == TVersionInfo());
  r.SetFileName(Fixture("make_fixtures.sh"));
  EXPECT_TRUE(r.VersionInfo() == TVersionInfo());
  EXPECT_EQ(GetFileVersionString(P.Files.get(), Fixture("ver_none.dll")), "");
  EXPECT_EQ(GetFileVersionString(P.Files.get(), Fixture("ver_german.dll")), "2.10.0.65535");
}

TEST(VersionTables, LanguageAndCodePage_ValuesAndOutOfRange) {
  EXPECT_EQ(LanguageId(system::lnArabic), 1025);
  EXPECT_EQ(LanguageId(system::lnBahasa), 1057);
  EXPECT_EQ(LanguageId(system::lnUKEnglish), 2057);
  EXPECT_EQ(LanguageId(system::lnSwissFrench), 4108);
  EXPECT_EQ(CodePage(csASCII), 0);
  EXPECT_EQ(CodePage(csArabic), 1256);
  EXPECT_THROW(LanguageId(static_cast<system::TLanguage>(45)), Exception);
  EXPECT_THROW(CodePage(static_cast<TCharacterSet>(12)), Exception);
  TVersionResource r(nullptr);
  EXPECT_THROW(SetOrdProp(r, "CharacterSet", 99), Exception);
}

std::vector<std::uint8_t> Slurp(const std::string& HostPath) {
  std::ifstream f(HostPath, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

TByteSource MemorySource(const std::vector<std::uint8_t>& Bytes) {
  TByteSource s;
  s.Size = Bytes.size();
  s.ReadAt = [&Bytes](std::uint64_t Pos, void* Buf, std::size_t Count) -> std::size_t {
    if (Pos >= Bytes.size()) return 0;
    const std::size_t n = std::min<std::size_t>(Count, Bytes.size() - Pos);
    std::memcpy(Buf, Bytes.data() + Pos, n);
    return n;
  };
  return s;
}

// Damaged images and blocks end in "no resource", never in a crash or a read
// past the buffer (the sanitizers watch).
TEST(VersionData, DamagedInput_NoCrash) {
  const auto image =
      Slurp((fs::path(QUENDEL_TEST_DATA) / "system" / "ver_ansi_table.dll").string());
  ASSERT_GT(image.size(), 1000u);
  const auto block = ReadPeVersionResource(MemorySource(image));
  ASSERT_GT(block.size(), 100u);
  std::mt19937 rng(20240605);
  for (int round = 0; round < 400; ++round) {
    auto damaged = image;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < flips; ++k)
      damaged[rng() % damaged.size()] = static_cast<std::uint8_t>(rng());
    damaged.resize(damaged.size() - rng() % 64);
    auto b = ReadPeVersionResource(MemorySource(damaged));
    if (auto d = ParseVersionBlock(b)) {
      TVersionInfo info;
      ReadVersionInfo(*d, 0x409, 1252, info);
    }
    auto blk = block;
    for (int k = 0; k < flips; ++k)
      blk[rng() % blk.size()] = static_cast<std::uint8_t>(rng());
    blk.resize(rng() % (blk.size() + 1));
    if (auto d = ParseVersionBlock(blk)) {
      TVersionInfo info;
      ReadVersionInfo(*d, 0x409, 1252, info);
      d->Query("\\StringFileInfo\\\\040904E4\\");
    }
  }
}

TEST(VersionData, Utf16ToAnsi_MapsCodePage1252) {
  const std::uint16_t text[] = {'A', 0xE9, 0x20AC, 0x0152, 0x4E2D, 0xD83D, 0xDE00, 'z'};
  EXPECT_EQ(Utf16ToAnsi(text, 8), "A\xE9\x80\x8C??z");
}

#ifdef _WIN32
// The portable reader must agree with Windows on every file: compare both
// on our own programs and on every DLL of the system directory.
void ExpectSameAsWin32(const std::string& Path, int& Compared) {
  auto api = LoadVersionDataWin32(Path);
  platform::TPlatform p = platform::CreateDefaultPlatform();
  auto portable = LoadVersionDataPortable(*p.Files, Path);
  ASSERT_EQ(api != nullptr, portable != nullptr) << Path;
  if (!api) return;
  for (auto [lang, cp] : {std::pair{0x409, 1252}, std::pair{0x409, 1200}, std::pair{0x407, 1252},
                          std::pair{0x000, 0x04B0}}) {
    TVersionInfo a, b;
    ReadVersionInfo(*api, static_cast<std::uint16_t>(lang), static_cast<std::uint16_t>(cp), a);
    ReadVersionInfo(*portable, static_cast<std::uint16_t>(lang), static_cast<std::uint16_t>(cp), b);
    EXPECT_EQ(a.FileVersion, b.FileVersion) << Path;
    EXPECT_EQ(a.ProductVersion, b.ProductVersion) << Path;
    EXPECT_EQ(a.CompanyName, b.CompanyName) << Path;
    EXPECT_EQ(a.FileDescription, b.FileDescription) << Path;
    EXPECT_EQ(a.LegalCopyright, b.LegalCopyright) << Path;
    EXPECT_EQ(a.ProductName, b.ProductName) << Path;
    EXPECT_EQ(a.PrimaryLanguage, b.PrimaryLanguage) << Path;
    EXPECT_TRUE(a == b) << Path;
  }
  ++Compared;
}

TEST(VersionCrossCheck, PortableMatchesWin32_SystemDllsAndOwnPrograms) {
  platform::TPlatform p = platform::CreateDefaultPlatform();
  int compared = 0;
  const std::string sys = p.System->SystemDirectory();
  int seen = 0;
  for (const auto& f : p.Files->FindFiles(sys + "\\*.dll")) {
    if (f.IsDirectory() || ++seen > 400) continue;
    ExpectSameAsWin32(sys + "\\" + f.Name, compared);
  }
  for (const char* f :
       {"ver_ansi_table.dll", "ver_unicode_table.dll", "ver_german.dll", "ver_none.dll"})
    ExpectSameAsWin32(Fixture(f), compared);
  const std::string self = DefaultVersionFileName();
  ASSERT_FALSE(self.empty());
  ExpectSameAsWin32(self, compared);
  // The author tool carries a resource of its own.
  // build/win32/tests/system/system_tests.exe beside build/win32/apps/quendel/quendel.exe
  fs::path quendel;
  for (fs::path up = fs::path(self).parent_path(); !up.empty() && up != up.parent_path();
       up = up.parent_path())
    for (const fs::path& c :
         {up / "apps" / "quendel" / "quendel.exe", up / "quendel" / "quendel.exe"})
      if (quendel.empty() && fs::exists(c)) quendel = c;
  EXPECT_FALSE(quendel.empty()) << "quendel.exe not found near " << self;
  if (!quendel.empty()) {
    const int before = compared;
    ExpectSameAsWin32(quendel.string(), compared);
    EXPECT_EQ(compared, before + 1) << "quendel.exe carries no version resource";
    TVersionResource r(nullptr, p.Files.get());
    r.SetFileName(quendel.string());
    EXPECT_EQ(r.VersionInfo().ProductName, "Quendel Setup");
  }
  EXPECT_GT(compared, 50);
  std::printf("compared %d files\n", compared);
}
#endif

} // namespace
} // namespace quendel
