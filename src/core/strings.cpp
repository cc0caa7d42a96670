#include "core/strings.h"

#include "core/exceptions.h"

#include <algorithm>
#include <climits>

namespace quendel {

namespace {

bool IsSeparator(char C) {
  return C == '\\' || C == '/';
}
bool IsPathDelimiter(char C) {
  return IsSeparator(C) || C == ':';
}
bool IsBlank(char C) {
  return static_cast<unsigned char>(C) <= ' ';
}
bool IsIdentChar(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '_';
}

// Index of the last path delimiter, or npos.
std::size_t LastPathDelimiter(std::string_view FileName) {
  for (std::size_t I = FileName.size(); I > 0; --I)
    if (IsPathDelimiter(FileName[I - 1])) return I - 1;
  return std::string_view::npos;
}

// Index of the dot that starts the extension of the file-name part, or npos.
std::size_t ExtensionDot(std::string_view FileName) {
  for (std::size_t I = FileName.size(); I > 0; --I) {
    char C = FileName[I - 1];
    if (C == '.') return I - 1;
    if (IsPathDelimiter(C)) break;
  }
  return std::string_view::npos;
}

std::string KeepIdentChars(std::string_view Text) {
  std::string Result;
  for (char C : Text)
    if (IsIdentChar(C)) Result += C;
  return Result;
}

} // namespace

// ---- Backslashes ----------------------------------------------------------------

std::string AddBackslash(std::string_view Text) {
  std::string Result(Text);
  if (!Result.empty() && Result.back() != '\\') Result += '\\';
  return Result;
}

std::string RemoveBackslash(std::string_view Text) {
  if (!Text.empty() && Text.back() == '\\') Text.remove_suffix(1);
  return std::string(Text);
}

// ---- Delimited fields -------------------------------------------------------------

std::vector<std::string> SplitToList(std::string_view Text, char Delimiter) {
  std::vector<std::string> Fields;
  if (Text.empty()) return Fields;
  if (Text.back() == Delimiter) Text.remove_suffix(1); // a trailing delimiter only ends the list
  std::size_t Start = 0;
  for (;;) {
    std::size_t End = Text.find(Delimiter, Start);
    if (End == std::string_view::npos) {
      Fields.emplace_back(Text.substr(Start));
      return Fields;
    }
    Fields.emplace_back(Text.substr(Start, End - Start));
    Start = End + 1;
  }
}

int CountTokens(std::string_view Text, char Delimiter) {
  if (Text.empty()) return 0;
  auto Delimiters = std::count(Text.begin(), Text.end(), Delimiter);
  if (Text.back() == Delimiter) --Delimiters;
  return static_cast<int>(Delimiters + 1);
}

std::string GetToken(std::string_view Text, int N, char Delimiter) {
  if (N < 1) return {};
  std::size_t Start = 0;
  for (int Field = 1; Field < N; ++Field) {
    std::size_t End = Text.find(Delimiter, Start);
    if (End == std::string_view::npos) return {};
    Start = End + 1;
  }
  // Start may equal Text.size() after a trailing delimiter: that field is empty.
  std::size_t End = Text.find(Delimiter, Start);
  return std::string(Text.substr(Start, End == std::string_view::npos ? End : End - Start));
}

std::string TextAfterColon(std::string_view Text) {
  std::size_t Colon = Text.find(':');
  return std::string(Colon == std::string_view::npos ? Text : Text.substr(Colon + 1));
}

// ---- Names ------------------------------------------------------------------

std::string MakeValidName(std::string_view Text) {
  constexpr std::string_view Removed = "\"*:;<>?\\|";
  std::string Result;
  Result.reserve(Text.size());
  for (char C : Text) {
    if (C == '/')
      Result += '-';
    else if (Removed.find(C) == std::string_view::npos)
      Result += C;
  }
  return Result;
}

std::string UniqueName(std::string_view Base, const TNameTakenFunc& IsTaken) {
  std::string Candidate(Base);
  if (!IsTaken(Candidate)) return Candidate;
  for (int Number = 1; Number < INT_MAX; ++Number) {
    Candidate = std::string(Base) + std::to_string(Number);
    if (!IsTaken(Candidate)) return Candidate;
  }
  Raise<EComponentError>("No free component name is left for " + std::string(Base));
}

std::string UniqueName(std::string_view Base, const std::vector<std::string>& Taken) {
  return UniqueName(Base, [&Taken](const std::string& Candidate) {
    return std::any_of(Taken.begin(), Taken.end(),
                       [&Candidate](const std::string& Name) { return SameText(Name, Candidate); });
  });
}

std::string InstallFileBaseName(std::string_view FileName) {
  std::string_view Name = FileName;
  if (std::size_t Delim = LastPathDelimiter(Name); Delim != std::string_view::npos)
    Name = Name.substr(Delim + 1);
  std::string_view Stem = Name, Extension;
  if (std::size_t Dot = Name.rfind('.'); Dot != std::string_view::npos) {
    Stem = Name.substr(0, Dot);
    Extension = Name.substr(Dot + 1);
  }
  return "IF" + KeepIdentChars(Stem) + "_" + KeepIdentChars(Extension);
}

std::string UniqueInstallFileName(std::string_view FileName, const TNameTakenFunc& IsTaken) {
  return UniqueName(InstallFileBaseName(FileName), IsTaken);
}

// ---- Case -------------------------------------------------------------------

// The letters of code page 1252 outside the two Latin-1 blocks, as (lower, upper):
// š Š, œ Œ, ž Ž, ÿ Ÿ.
constexpr unsigned char ExtraLetters[][2] = {
    {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9E, 0x8E}, {0xFF, 0x9F}};

char AnsiUpperChar(char C) {
  auto B = static_cast<unsigned char>(C);
  if (B >= 'a' && B <= 'z') return static_cast<char>(B - 0x20);
  if (B >= 0xE0 && B <= 0xFE && B != 0xF7) return static_cast<char>(B - 0x20); // not ÷
  for (const auto& Pair : ExtraLetters)
    if (B == Pair[0]) return static_cast<char>(Pair[1]);
  return C;
}

char AnsiLowerChar(char C) {
  auto B = static_cast<unsigned char>(C);
  if (B >= 'A' && B <= 'Z') return static_cast<char>(B + 0x20);
  if (B >= 0xC0 && B <= 0xDE && B != 0xD7) return static_cast<char>(B + 0x20); // not ×
  for (const auto& Pair : ExtraLetters)
    if (B == Pair[1]) return static_cast<char>(Pair[0]);
  return C;
}

std::string AnsiUpperCase(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result)
    C = AnsiUpperChar(C);
  return Result;
}

std::string AnsiLowerCase(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result)
    C = AnsiLowerChar(C);
  return Result;
}

std::string UpperCase(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 0x20);
  return Result;
}

std::string LowerCase(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C + 0x20);
  return Result;
}

int CompareText(std::string_view A, std::string_view B) {
  std::size_t Common = std::min(A.size(), B.size());
  for (std::size_t I = 0; I < Common; ++I) {
    int CA = static_cast<unsigned char>(AnsiUpperChar(A[I]));
    int CB = static_cast<unsigned char>(AnsiUpperChar(B[I]));
    if (CA != CB) return CA - CB;
  }
  return A.size() < B.size() ? -1 : (A.size() > B.size() ? 1 : 0);
}

bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && CompareText(A, B) == 0;
}

bool StartsText(std::string_view SubText, std::string_view Text) {
  return SubText.size() <= Text.size() && SameText(SubText, Text.substr(0, SubText.size()));
}

bool EndsText(std::string_view SubText, std::string_view Text) {
  return SubText.size() <= Text.size() &&
         SameText(SubText, Text.substr(Text.size() - SubText.size()));
}

std::string TrimLeft(std::string_view Text) {
  std::size_t Start = 0;
  while (Start < Text.size() && IsBlank(Text[Start]))
    ++Start;
  return std::string(Text.substr(Start));
}

std::string TrimRight(std::string_view Text) {
  std::size_t End = Text.size();
  while (End > 0 && IsBlank(Text[End - 1]))
    --End;
  return std::string(Text.substr(0, End));
}

std::string Trim(std::string_view Text) {
  return TrimLeft(TrimRight(Text));
}

// ---- Numbers ----------------------------------------------------------------

std::string IntToStr(std::int64_t Value) {
  return std::to_string(Value);
}

bool TryStrToInt(std::string_view Text, int& Value) {
  std::size_t I = 0, End = Text.size();
  while (I < End && IsBlank(Text[I]))
    ++I;
  while (End > I && IsBlank(Text[End - 1]))
    --End;
  bool Negative = false;
  if (I < End && (Text[I] == '+' || Text[I] == '-')) Negative = Text[I++] == '-';
  int Base = 10;
  if (I < End && Text[I] == '$') {
    Base = 16;
    ++I;
  } else if (End - I >= 2 && Text[I] == '0' && (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
    Base = 16;
    I += 2;
  }
  if (I == End) return false;
  // The magnitude of INT_MIN is one more than INT_MAX.
  const std::int64_t Limit = Negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
  std::int64_t Magnitude = 0;
  for (; I < End; ++I) {
    char C = Text[I];
    int Digit;
    if (C >= '0' && C <= '9')
      Digit = C - '0';
    else if (Base == 16 && C >= 'a' && C <= 'f')
      Digit = C - 'a' + 10;
    else if (Base == 16 && C >= 'A' && C <= 'F')
      Digit = C - 'A' + 10;
    else
      return false;
    Magnitude = Magnitude * Base + Digit;
    if (Magnitude > Limit) return false;
  }
  Value = static_cast<int>(Negative ? -Magnitude : Magnitude);
  return true;
}

int StrToInt(std::string_view Text) {
  int Value = 0;
  if (!TryStrToInt(Text, Value))
    Raise<EConvertError>("'" + std::string(Text) + "' is not a valid integer value");
  return Value;
}

int StrToIntDef(std::string_view Text, int Default) {
  int Value = Default;
  return TryStrToInt(Text, Value) ? Value : Default;
}

// ---- Paths ------------------------------------------------------------------

std::string ExtractFileDrive(std::string_view FileName) {
  if (FileName.size() >= 2 && FileName[1] == ':') return std::string(FileName.substr(0, 2));
  if (FileName.size() >= 2 && IsSeparator(FileName[0]) && IsSeparator(FileName[1])) {
    // \\server\share: up to the separator that follows the share name.
    std::size_t I = 2;
    int Separators = 0;
    for (; I < FileName.size(); ++I)
      if (IsSeparator(FileName[I]) && ++Separators == 2) break;
    return std::string(FileName.substr(0, I));
  }
  return {};
}

std::string ExtractFilePath(std::string_view FileName) {
  std::size_t Delim = LastPathDelimiter(FileName);
  return Delim == std::string_view::npos ? std::string()
                                         : std::string(FileName.substr(0, Delim + 1));
}

std::string ExtractFileDir(std::string_view FileName) {
  std::size_t Delim = LastPathDelimiter(FileName);
  if (Delim == std::string_view::npos) return {};
  std::size_t Length = Delim + 1;
  // Keep the separator of a root ("C:\", "\").
  if (Delim > 0 && IsSeparator(FileName[Delim]) && !IsPathDelimiter(FileName[Delim - 1]))
    Length = Delim;
  return std::string(FileName.substr(0, Length));
}

std::string ExtractFileName(std::string_view FileName) {
  std::size_t Delim = LastPathDelimiter(FileName);
  return std::string(Delim == std::string_view::npos ? FileName : FileName.substr(Delim + 1));
}

std::string ExtractFileExt(std::string_view FileName) {
  std::size_t Dot = ExtensionDot(FileName);
  return Dot == std::string_view::npos ? std::string() : std::string(FileName.substr(Dot));
}

std::string ChangeFileExt(std::string_view FileName, std::string_view Extension) {
  std::size_t Dot = ExtensionDot(FileName);
  std::string Result(Dot == std::string_view::npos ? FileName : FileName.substr(0, Dot));
  Result += Extension;
  return Result;
}

} // namespace quendel
