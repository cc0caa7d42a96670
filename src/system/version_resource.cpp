#include "system/version_resource.h"

#include "core/byte_order.h"
#include "core/exceptions.h"
#include "core/format.h"
#include "platform/files.h"

#include <array>
#include <utility>

namespace quendel {

namespace {

struct TLanguageEntry {
  const char* Name;
  std::uint16_t Id;
};

// 1025..1057 one each, then the sublanguages.
constexpr std::array<TLanguageEntry, 45> Languages = {{
    {"lnArabic", 1025},
    {"lnBulgarian", 1026},
    {"lnCatalan", 1027},
    {"lnTraditionalChinese", 1028},
    {"lnCzech", 1029},
    {"lnDanish", 1030},
    {"lnGerman", 1031},
    {"lnGreek", 1032},
    {"lnUSEnglish", 1033},
    {"lnCastilianSpanish", 1034},
    {"lnFinnish", 1035},
    {"lnFrench", 1036},
    {"lnHebrew", 1037},
    {"lnHungarian", 1038},
    {"lnIcelandic", 1039},
    {"lnItalian", 1040},
    {"lnJapanese", 1041},
    {"lnKorean", 1042},
    {"lnDutch", 1043},
    {"lnNorwegianBokmal", 1044},
    {"lnPolish", 1045},
    {"lnBrazilianPortuguese", 1046},
    {"lnRhaetoRomanic", 1047},
    {"lnRomanian", 1048},
    {"lnRussian", 1049},
    {"lnCroatoSerbian", 1050},
    {"lnSlovak", 1051},
    {"lnAlbanian", 1052},
    {"lnSwedish", 1053},
    {"lnThai", 1054},
    {"lnTurkish", 1055},
    {"lnUrdu", 1056},
    {"lnBahasa", 1057},
    {"lnSimplifiedChinese", 2052},
    {"lnSwissGerman", 2055},
    {"lnUKEnglish", 2057},
    {"lnMexicanSpanish", 2058},
    {"lnBelgianFrench", 2060},
    {"lnSwissItalian", 2064},
    {"lnBelgianDutch", 2067},
    {"lnNorwegianNynorsk", 2068},
    {"lnPortuguese", 2070},
    {"lnSerboCroatian", 2074},
    {"lnCanadianFrench", 3084},
    {"lnSwissFrench", 4108},
}};

struct TCharsetEntry {
  const char* Name;
  std::uint16_t CodePage;
};

constexpr std::array<TCharsetEntry, 12> Charsets = {{
    {"csASCII", 0},
    {"csJapan", 932},
    {"csKorea", 949},
    {"csTaiwan", 950},
    {"csUnicode", 1200},
    {"csLatin2", 1250},
    {"csCyrillic", 1251},
    {"csMultilingual", 1252},
    {"csGreek", 1253},
    {"csTurkish", 1254},
    {"csHebrew", 1255},
    {"csArabic", 1256},
}};

template <class E, std::size_t N>
constexpr std::array<const char*, N> NamesOf(const std::array<E, N>& Table) {
  std::array<const char*, N> names{};
  for (std::size_t i = 0; i < N; ++i)
    names[i] = Table[i].Name;
  return names;
}

constexpr auto LanguageNameList = NamesOf(Languages);
constexpr auto CharsetNameList = NamesOf(Charsets);

std::string Join4(std::uint32_t Ms, std::uint32_t Ls) {
  return Format("%u.%u.%u.%u", {Ms >> 16, Ms & 0xFFFF, Ls >> 16, Ls & 0xFFFF});
}

std::uint32_t Dword(const std::string& B, std::size_t At) {
  return GetLE<std::uint32_t>(AsBytes(B), At);
}

const char* FileOSName(std::uint32_t V) {
  switch (V) {
  case 0x1:
    return "Windows 3.0 or later";
  case 0x2:
    return "16 bit OS/2 Presentation Manager";
  case 0x3:
    return "32 bit OS/2 Presentation Manager";
  case 0x4:
    return "32 bit Windows";
  case 0x10000:
    return "MS-Dos";
  case 0x10001:
    return "Windows 3.0 or later with MS-Dos";
  case 0x10004:
    return "32 bit Windows with MS-Dos";
  case 0x20000:
    return "16 bit OS/2";
  case 0x20002:
    return "16 bit OS/2 with Presentation Manager";
  case 0x30000:
    return "32 bit OS/2";
  case 0x30003:
    return "32 bit OS/2 with Presentation Manager";
  case 0x40000:
    return "Windows NT";
  case 0x40004:
    return "Windows NT with 32 bit Windows";
  default:
    return "Unknown";
  }
}

const char* FileTypeName(std::uint32_t V) {
  switch (V) {
  case 1:
    return "Application";
  case 2:
    return "Dynamic-Link Library";
  case 3:
    return "Device Driver";
  case 4:
    return "Font";
  case 5:
    return "Virtual Device Driver";
  case 7:
    return "Static-Link Library";
  default:
    return "Unknown";
  }
}

const char* DriverSubTypeName(std::uint32_t V) {
  static const char* const Names[] = {"Printer", "Keyboard",      "Language", "Display",
                                      "Mouse",   "Network",       "System",   "Installable",
                                      "Sound",   "Communications"};
  return V >= 1 && V <= 10 ? Names[V - 1] : "Unknown";
}

const char* FontSubTypeName(std::uint32_t V) {
  switch (V) {
  case 1:
    return "Raster";
  case 2:
    return "Vector";
  case 3:
    return "TrueType";
  default:
    return "Unknown";
  }
}

constexpr std::size_t FixedInfoSize = 52;

} // namespace

constinit const TEnumInfo VersionLanguageNames("TLanguage", LanguageNameList);
constinit const TEnumInfo VersionCharacterSetNames("TCharacterSet", CharsetNameList);

const TEnumInfo& LanguageInfo() {
  return VersionLanguageNames;
}
const TEnumInfo& CharacterSetInfo() {
  return VersionCharacterSetNames;
}

std::uint16_t LanguageId(system::TLanguage Language) {
  const auto i = static_cast<std::size_t>(Language);
  if (i >= Languages.size()) Raise<Exception>("");
  return Languages[i].Id;
}

std::uint16_t CodePage(TCharacterSet CharacterSet) {
  const auto i = static_cast<std::size_t>(CharacterSet);
  if (i >= Charsets.size()) Raise<Exception>("");
  return Charsets[i].CodePage;
}

// ---- TVersionInfo -------------------------------------------------------------

const TClassInfo& TVersionInfo::StaticClass() {
  using T = TVersionInfo;
  return ClassTable([] {
    return TClassBuilder<T>("TVersionInfo", &TPersistent::StaticClass)
        .Str<&T::Comment, &T::Comment>("Comment")
        .Str<&T::CompanyName, &T::CompanyName>("CompanyName")
        .Str<&T::FileDescription, &T::FileDescription>("FileDescription")
        .Str<&T::FileVersion, &T::FileVersion>("FileVersion")
        .Str<&T::InternalName, &T::InternalName>("InternalName")
        .Str<&T::LegalCopyright, &T::LegalCopyright>("LegalCopyright")
        .Str<&T::LegalTradeMarks, &T::LegalTradeMarks>("LegalTradeMarks")
        .Str<&T::OriginalFileName, &T::OriginalFileName>("OriginalFileName")
        .Str<&T::PrivateBuild, &T::PrivateBuild>("PrivateBuild")
        .Str<&T::ProductName, &T::ProductName>("ProductName")
        .Str<&T::ProductVersion, &T::ProductVersion>("ProductVersion")
        .Str<&T::SpecialBuild, &T::SpecialBuild>("SpecialBuild")
        .Str<&T::FileOS, &T::FileOS>("FileOS")
        .Str<&T::FileType, &T::FileType>("FileType")
        .Str<&T::FileSubType, &T::FileSubType>("FileSubType");
  });
}

void TVersionInfo::Clear() {
  for (std::string* s :
       {&Comment, &CompanyName, &FileDescription, &FileVersion, &InternalName, &LegalCopyright,
        &LegalTradeMarks, &OriginalFileName, &PrivateBuild, &ProductName, &ProductVersion,
        &SpecialBuild, &FileOS, &FileType, &FileSubType})
    s->clear();
  PrimaryLanguage = 0;
}

void TVersionInfo::Assign(const TPersistent& Source) {
  const auto* o = dynamic_cast<const TVersionInfo*>(&Source);
  if (!o) {
    TPersistent::Assign(Source);
    return;
  }
  Comment = o->Comment;
  CompanyName = o->CompanyName;
  FileDescription = o->FileDescription;
  FileVersion = o->FileVersion;
  InternalName = o->InternalName;
  LegalCopyright = o->LegalCopyright;
  LegalTradeMarks = o->LegalTradeMarks;
  OriginalFileName = o->OriginalFileName;
  PrivateBuild = o->PrivateBuild;
  ProductName = o->ProductName;
  ProductVersion = o->ProductVersion;
  SpecialBuild = o->SpecialBuild;
  FileOS = o->FileOS;
  FileType = o->FileType;
  FileSubType = o->FileSubType;
  PrimaryLanguage = o->PrimaryLanguage;
}

bool TVersionInfo::operator==(const TVersionInfo& O) const {
  return Comment == O.Comment && CompanyName == O.CompanyName &&
         FileDescription == O.FileDescription && FileVersion == O.FileVersion &&
         InternalName == O.InternalName && LegalCopyright == O.LegalCopyright &&
         LegalTradeMarks == O.LegalTradeMarks && OriginalFileName == O.OriginalFileName &&
         PrivateBuild == O.PrivateBuild && ProductName == O.ProductName &&
         ProductVersion == O.ProductVersion && SpecialBuild == O.SpecialBuild &&
         FileOS == O.FileOS && FileType == O.FileType && FileSubType == O.FileSubType &&
         PrimaryLanguage == O.PrimaryLanguage;
}

// ---- Reading ------------------------------------------------------------------

void ReadVersionInfo(const IVersionData& Data, std::uint16_t LanguageId, std::uint16_t CodePage,
                     TVersionInfo& Info) {
  Info.Clear();
  const auto fixed = Data.Query("\\");
  if (!fixed || fixed->size() < FixedInfoSize) return;
  const auto translation = Data.Query("\\VarFileInfo\\Translation");
  if (translation && translation->size() == 4)
    Info.PrimaryLanguage =
        static_cast<std::uint16_t>(GetLE<std::uint16_t>(AsBytes(*translation), 0) & 0x3FF);
  Info.FileVersion = Join4(Dword(*fixed, 8), Dword(*fixed, 12));
  Info.ProductVersion = Join4(Dword(*fixed, 16), Dword(*fixed, 20));
  Info.FileOS = FileOSName(Dword(*fixed, 32));
  const std::uint32_t type = Dword(*fixed, 36);
  Info.FileType = FileTypeName(type);
  if (type == 3) Info.FileSubType = DriverSubTypeName(Dword(*fixed, 40));
  if (type == 4) Info.FileSubType = FontSubTypeName(Dword(*fixed, 40));

  const std::string prefix = Format("\\StringFileInfo\\%.4X%.4X\\", {LanguageId, CodePage});
  const std::pair<const char*, std::string*> names[] = {
      {"Comment", &Info.Comment},
      {"CompanyName", &Info.CompanyName},
      {"FileDescription", &Info.FileDescription},
      {"InternalName", &Info.InternalName},
      {"LegalCopyright", &Info.LegalCopyright},
      {"LegalTradeMarks", &Info.LegalTradeMarks},
      {"OriginalFileName", &Info.OriginalFileName},
      {"PrivateBuild", &Info.PrivateBuild},
      {"ProductName", &Info.ProductName},
      {"ProductVersion", &Info.ProductVersion},
      {"SpecialBuild", &Info.SpecialBuild},
  };
  for (const auto& [name, target] : names) {
    auto text = Data.Query(prefix + name);
    if (!text) continue;
    *target = text->substr(0, text->find('\0'));
  }
}

std::unique_ptr<IVersionData> LoadVersionDataPortable(platform::IFileSystem& Files,
                                                      const std::string& FileName) {
  std::unique_ptr<platform::IFile> file;
  std::uint64_t size = 0;
  try {
    if (FileName.empty() || !Files.FileExists(FileName)) return nullptr;
    file = Files.OpenRead(FileName);
    size = file->Size();
  } catch (const std::exception&) {
    return nullptr;
  }
  TByteSource source;
  source.Size = size;
  source.ReadAt = [&file](std::uint64_t Pos, void* Buffer, std::size_t Count) -> std::size_t {
    try {
      file->Seek(static_cast<std::int64_t>(Pos), TSeekOrigin::soBeginning);
      return file->Read(Buffer, Count);
    } catch (const std::exception&) {
      return 0;
    }
  };
  auto block = ReadPeVersionResource(source);
  if (block.empty()) return nullptr;
  return ParseVersionBlock(std::move(block));
}

std::string GetFileVersionString(platform::IFileSystem* Files, const std::string& FileName) {
  auto data = LoadVersionData(Files, FileName);
  if (!data) return {};
  TVersionInfo info;
  ReadVersionInfo(*data, LanguageId(system::lnUSEnglish), CodePage(csMultilingual), info);
  return info.FileVersion;
}

// ---- TVersionResource -------------------------------------------------------------

TVersionResource::TVersionResource(TComponent* AOwner, platform::IFileSystem* Files)
    : TComponent(AOwner), FFiles(Files) {
  FFileName = DefaultVersionFileName();
  ReRead();
}

const TClassInfo& TVersionResource::StaticClass() {
  using T = TVersionResource;
  return ClassTable([] {
    return TClassBuilder<T>("TVersionResource", &TComponent::StaticClass)
        .Str<&T::FileName, &T::SetFileName>("FileName")
        .Enum<&T::Language, &T::SetLanguage>("Language", VersionLanguageNames, system::lnUSEnglish)
        .Enum<&T::CharacterSet, &T::SetCharacterSet>("CharacterSet", VersionCharacterSetNames,
                                                     csMultilingual)
        .Object<static_cast<const TVersionInfo& (T::*)() const>(&T::VersionInfo)>("VersionInfo");
  });
}

void TVersionResource::SetFileName(const std::string& Value) {
  FFileName = Value;
  ReRead();
}

void TVersionResource::SetLanguage(system::TLanguage Value) {
  LanguageId(Value);
  FLanguage = Value;
  ReRead();
}

void TVersionResource::SetCharacterSet(TCharacterSet Value) {
  CodePage(Value);
  FCharacterSet = Value;
  ReRead();
}

void TVersionResource::ReRead() {
  FVersionInfo.Clear();
  auto data = LoadVersionData(FFiles, FFileName);
  if (!data) return;
  ReadVersionInfo(*data, LanguageId(FLanguage), CodePage(FCharacterSet), FVersionInfo);
}

} // namespace quendel
