// The version resource of an executable file: its fixed version numbers and
// one string table, read into a record of texts.
//
// Natively the resource is found by reading the PE file through the platform's
// file system; in the win32 build the Win32 version functions read it. Both
// give the same texts for the same file.
#pragma once

#include "core/component.h"
#include "core/persistent.h"
#include "core/reflection.h"
#include "system/version_data.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quendel {
namespace platform {
class IFileSystem;
}

// In a namespace of its own layer: the translator's language (a class of the
// translate layer) has the same name, and a program links both.
namespace system {
enum TLanguage {
  lnArabic,
  lnBulgarian,
  lnCatalan,
  lnTraditionalChinese,
  lnCzech,
  lnDanish,
  lnGerman,
  lnGreek,
  lnUSEnglish,
  lnCastilianSpanish,
  lnFinnish,
  lnFrench,
  lnHebrew,
  lnHungarian,
  lnIcelandic,
  lnItalian,
  lnJapanese,
  lnKorean,
  lnDutch,
  lnNorwegianBokmal,
  lnPolish,
  lnBrazilianPortuguese,
  lnRhaetoRomanic,
  lnRomanian,
  lnRussian,
  lnCroatoSerbian,
  lnSlovak,
  lnAlbanian,
  lnSwedish,
  lnThai,
  lnTurkish,
  lnUrdu,
  lnBahasa,
  lnSimplifiedChinese,
  lnSwissGerman,
  lnUKEnglish,
  lnMexicanSpanish,
  lnBelgianFrench,
  lnSwissItalian,
  lnBelgianDutch,
  lnNorwegianNynorsk,
  lnPortuguese,
  lnSerboCroatian,
  lnCanadianFrench,
  lnSwissFrench
};
} // namespace system

enum TCharacterSet {
  csASCII,
  csJapan,
  csKorea,
  csTaiwan,
  csUnicode,
  csLatin2,
  csCyrillic,
  csMultilingual,
  csGreek,
  csTurkish,
  csHebrew,
  csArabic
};

// The tables themselves, for class tables built while compiling.
extern const TEnumInfo VersionLanguageNames;
extern const TEnumInfo VersionCharacterSetNames;
const TEnumInfo& LanguageInfo();
const TEnumInfo& CharacterSetInfo();
// The Windows language identifier and code page each value stands for; a
// value outside the tables raises an error without message.
std::uint16_t LanguageId(system::TLanguage Language);
std::uint16_t CodePage(TCharacterSet CharacterSet);

// The texts read from one resource.
class TVersionInfo : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  std::string Comment, CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright,
      LegalTradeMarks, OriginalFileName, PrivateBuild, ProductName, ProductVersion, SpecialBuild,
      FileOS, FileType, FileSubType;
  // Primary language of the resource's first translation.
  std::uint16_t PrimaryLanguage = 0;

  void Clear();
  void Assign(const TPersistent& Source) override;
  bool operator==(const TVersionInfo& O) const;
};

// Fills Info from a loaded resource, looking the string table up under one
// language and code page. Info is cleared first.
void ReadVersionInfo(const IVersionData& Data, std::uint16_t LanguageId, std::uint16_t CodePage,
                     TVersionInfo& Info);

// The resource of a file through the portable PE reader; null when the file
// cannot be opened or has none.
std::unique_ptr<IVersionData> LoadVersionDataPortable(platform::IFileSystem& Files,
                                                      const std::string& FileName);

// The resource of a file as the platform reads it: the Win32 functions in
// the win32 build, the portable reader otherwise (Files may then be null,
// which reads nothing).
std::unique_ptr<IVersionData> LoadVersionData(platform::IFileSystem* Files,
                                              const std::string& FileName);

// The running program's own path in the win32 build; empty natively.
std::string DefaultVersionFileName();

// The fixed file version as "major.minor.release.build"; empty when the file
// has no version resource.
std::string GetFileVersionString(platform::IFileSystem* Files, const std::string& FileName);

class TVersionResource : public TComponent {
public:
  // Files: the file system FileName is read through natively.
  explicit TVersionResource(TComponent* AOwner, platform::IFileSystem* Files = nullptr);

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& Value);
  system::TLanguage Language() const { return FLanguage; }
  void SetLanguage(system::TLanguage Value);
  TCharacterSet CharacterSet() const { return FCharacterSet; }
  void SetCharacterSet(TCharacterSet Value);
  const TVersionInfo& VersionInfo() const { return FVersionInfo; }
  TVersionInfo& VersionInfo() { return FVersionInfo; }

  void SetFileSystem(platform::IFileSystem* Files) { FFiles = Files; }

private:
  void ReRead();

  platform::IFileSystem* FFiles;
  std::string FFileName;
  system::TLanguage FLanguage = system::lnUSEnglish;
  TCharacterSet FCharacterSet = csMultilingual;
  TVersionInfo FVersionInfo;
};

} // namespace quendel
