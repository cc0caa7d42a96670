#include "archive/overwrite.h"

#include "core/exceptions.h"
#include "system/version_resource.h"

#include <cmath>
#include <optional>

namespace quendel {

namespace {

std::string_view Field(std::string_view Text, int K) {
  for (int i = 1; i < K; ++i) {
    const std::size_t dot = Text.find('.');
    if (dot == std::string_view::npos) return {};
    Text.remove_prefix(dot + 1);
  }
  return Text.substr(0, Text.find('.'));
}

// Decimal digits with an optional sign, compared by value whatever their
// length; false when the field is not such a number.
bool Numeric(std::string_view F, bool& Negative, std::string_view& Digits) {
  Negative = false;
  if (!F.empty() && (F[0] == '+' || F[0] == '-')) {
    Negative = F[0] == '-';
    F.remove_prefix(1);
  }
  if (F.empty()) return false;
  for (char c : F)
    if (c < '0' || c > '9') return false;
  while (F.size() > 1 && F[0] == '0')
    F.remove_prefix(1);
  if (F == "0") Negative = false;
  Digits = F;
  return true;
}

int CompareNumbers(bool NegA, std::string_view A, bool NegB, std::string_view B) {
  if (NegA != NegB) return NegA ? -1 : 1;
  int c = A.size() != B.size() ? (A.size() < B.size() ? -1 : 1) : A.compare(B);
  if (c > 0) c = 1;
  if (c < 0) c = -1;
  return NegA ? -c : c;
}

TVersionOrder Order(int C) {
  return C > 0   ? TVersionOrder::FirstNewer
         : C < 0 ? TVersionOrder::SecondNewer
                 : TVersionOrder::Equal;
}

std::optional<TDateTime> FileDateOf(platform::IFileSystem& Files, const std::string& Path) {
  try {
    auto f = Files.OpenRead(Path);
    return StampToFileDate(f->GetStamp());
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

TOverwriteDecision ByDate(platform::IFileSystem& Files, std::optional<TDateTime> NewDate,
                          const std::string& ExistingFile) {
  const auto existing = FileDateOf(Files, ExistingFile);
  if (!NewDate || !existing) return odError;
  if (*NewDate > *existing) return odReplace;
  if (*NewDate == *existing) return odEqual;
  return odKeep;
}

TOverwriteDecision Decide(platform::IFileSystem& Files, const std::string& NewVersion,
                          TFunctionRef<std::optional<TDateTime>()> NewDate,
                          const std::string& ExistingFile, TOverwriteType Mode) {
  switch (Mode) {
  case owAlways:
    return odReplace;
  case owNever:
    return !ExistingFile.empty() && Files.FileExists(ExistingFile) ? odKeep : odReplace;
  case owVersion:
  case owVersionDate: {
    switch (CompareVersions(NewVersion, GetFileVersionString(&Files, ExistingFile))) {
    case TVersionOrder::FirstNewer:
      return odReplace;
    case TVersionOrder::SecondNewer:
      return odKeep;
    case TVersionOrder::Equal:
      break;
    }
    if (Mode == owVersion) return odEqual;
    return ByDate(Files, NewDate(), ExistingFile);
  }
  case owDate:
    return ByDate(Files, NewDate(), ExistingFile);
  case owAsk:
    return odAsk;
  }
  return odError;
}

} // namespace

constexpr const char* kOverwriteTypeNames[] = {"owAlways", "owNever",       "owVersion",
                                               "owDate",   "owVersionDate", "owAsk"};
constinit const TEnumInfo OverwriteTypeNames("TOverwriteType", kOverwriteTypeNames);

const TEnumInfo& OverwriteTypeInfo() {
  return OverwriteTypeNames;
}

TVersionOrder CompareVersions(std::string_view A, std::string_view B) {
  for (int k = 1;; ++k) {
    const std::string_view a = Field(A, k), b = Field(B, k);
    if (a.empty() || b.empty()) {
      if (a.empty() && b.empty()) return TVersionOrder::Equal;
      return a.empty() ? TVersionOrder::SecondNewer : TVersionOrder::FirstNewer;
    }
    bool na, nb;
    std::string_view da, db;
    const int c =
        Numeric(a, na, da) && Numeric(b, nb, db) ? CompareNumbers(na, da, nb, db) : a.compare(b);
    if (c != 0) return Order(c);
  }
}

TDateTime StampToFileDate(platform::TFileStamp Stamp) {
  const TDateTime d = FileTimeToDateTime(Stamp);
  try {
    return DosDateTimeToDateTime(DateTimeToDosDateTime(d));
  } catch (const EConvertError&) {
    // Outside the years a DOS stamp holds: keep the date, cut to two seconds.
    const double day = std::floor(d);
    const double ms = std::floor((d - day) * MSecsPerDay + 0.5);
    return day + std::floor(ms / 2000.0) * 2000.0 / MSecsPerDay;
  }
}

TOverwriteDecision IsFileNewer(platform::IFileSystem& Files, const std::string& StoredVersion,
                               const std::string& ExistingFile, TOverwriteType Mode,
                               TDateTime StoredDate) {
  return Decide(
      Files, StoredVersion, [&] { return std::optional<TDateTime>(StoredDate); }, ExistingFile,
      Mode);
}

TOverwriteDecision IsFileNewerByName(platform::IFileSystem& Files, const std::string& NewFile,
                                     const std::string& ExistingFile, TOverwriteType Mode) {
  const bool needsVersion = Mode == owVersion || Mode == owVersionDate;
  return Decide(
      Files, needsVersion ? GetFileVersionString(&Files, NewFile) : std::string(),
      [&] { return FileDateOf(Files, NewFile); }, ExistingFile, Mode);
}

} // namespace quendel
