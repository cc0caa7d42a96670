#include "dialogs/path_checks.h"

#include "core/format.h"
#include "core/strings.h"
#include "translate/translator.h"

#include <cctype>
#include <vector>

namespace quendel::dialogs {

namespace {

std::string Msg(const char* English, TFormatArgs Args) {
  const std::string text = TTranslateScope::Installed() ? TranslateMessage(English) : English;
  return FormatSafe(text, Args);
}

bool IsSep(char C) { return C == '\\'; }

// Characters no file or directory name may hold (the separator aside).
bool IsForbidden(char C) {
  const auto U = static_cast<unsigned char>(C);
  return U < 0x20 || C == '<' || C == '>' || C == ':' || C == '"' || C == '/' || C == '|' ||
         C == '?' || C == '*';
}

std::vector<std::string> Split(std::string_view Text) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : Text) {
    if (IsSep(c)) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  parts.push_back(cur);
  return parts;
}

// The length of the root part: "C:\" (or "C:"), or "\\server\share\".
std::size_t RootLength(std::string_view P) {
  if (P.size() >= 2 && std::isalpha(static_cast<unsigned char>(P[0])) && P[1] == ':')
    return P.size() >= 3 && IsSep(P[2]) ? 3 : 2;
  if (P.size() >= 2 && IsSep(P[0]) && IsSep(P[1])) {
    const std::size_t server = P.find('\\', 2);
    if (server == std::string_view::npos || server == 2) return 0;
    const std::size_t share = P.find('\\', server + 1);
    if (share == server + 1) return 0;
    return share == std::string_view::npos ? P.size() : share + 1;
  }
  return 0;
}

// The name's problem, as one of the kinds the messages tell apart.
enum TNameFault { nfNone, nfCharacter, nfDevice, nfShape };

TNameFault NameFault(const std::string& Name) {
  for (char c : Name)
    if (IsForbidden(c)) return nfCharacter;
  if (Name.empty() || Name == "." || Name == ".." || Name.back() == '.' || Name.back() == ' ')
    return nfShape;
  if (IsReservedDeviceName(Name)) return nfDevice;
  return nfNone;
}

// What each kind of fault is called in a check's messages: the whole text
// as %s, and for a device name also the offending part.
struct TNameFaultTexts {
  const char* Character;
  const char* Device;
  const char* Shape;
};

// The message for the first faulty name of Rest's backslash-separated
// parts, or "" when every part is a valid name.
std::string NameFaultMessage(const std::string& Rest, const std::string& Whole,
                             const TNameFaultTexts& Texts) {
  for (const std::string& name : Split(Rest)) {
    switch (NameFault(name)) {
    case nfNone:
      break;
    case nfCharacter:
      return Msg(Texts.Character, {Whole});
    case nfDevice:
      return Msg(Texts.Device, {Whole, name});
    case nfShape:
      return Msg(Texts.Shape, {Whole});
    }
  }
  return {};
}

} // namespace

bool IsReservedDeviceName(std::string_view Name) {
  // The part before the first dot, without trailing spaces, names the device.
  std::string base(Name.substr(0, Name.find('.')));
  while (!base.empty() && base.back() == ' ')
    base.pop_back();
  base = UpperCase(base);
  for (const char* d : {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"})
    if (base == d) return true;
  if (base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
      base[3] <= '9')
    return true;
  return false;
}

bool IsValidFolderName(std::string_view Name) {
  const std::string name(Name);
  return name.find('\\') == std::string::npos && NameFault(name) == nfNone;
}

bool IsCompletePath(std::string_view Path) {
  return RootLength(Path) > 0;
}

std::string CheckPathForm(const std::string& Path) {
  if (Trim(Path).empty()) return Msg("Please enter the directory to install into.", {});
  const std::size_t root = RootLength(Path);
  if (root == 0)
    return Msg("\"%s\" is not a complete path. Enter a path that begins with a drive letter, "
               "such as C:\\Program Files\\Product.",
               {Path});
  std::string rest = Path.substr(root);
  if (!rest.empty() && IsSep(rest.back())) rest.pop_back();
  if (rest.empty()) return {};
  return NameFaultMessage(rest, Path,
                          {"The path \"%s\" contains characters that a directory name may not hold "
                           "(/ : * ? \" < > |).",
                           "The path \"%s\" uses the name %s, which Windows reserves for a device.",
                           "The path \"%s\" has an empty, \".\" or \"..\" folder name, or one "
                           "that ends in a dot or a space."});
  return {};
}

std::string NearestExistingDirectory(platform::IFileSystem& Files, const std::string& Path,
                                     std::string* Blocker) {
  const std::size_t root = RootLength(Path);
  if (root == 0) return {};
  std::string current = RemoveBackslash(Path);
  for (;;) {
    if (current.size() <= root) {
      // The root: "C:" is tried as "C:\".
      const std::string r = AddBackslash(current.substr(0, std::min(current.size(), root)));
      return Files.DirectoryExists(r) ? r : std::string();
    }
    if (Files.DirectoryExists(current)) return current;
    if (Blocker && Files.FileExists(current)) *Blocker = current;
    const std::size_t cut = current.find_last_of('\\');
    if (cut == std::string::npos || cut < root - 1) {
      current.resize(root);
    } else {
      current.resize(cut);
    }
  }
}

std::optional<std::uint64_t> FreeSpaceOf(platform::IFileSystem& Files, const std::string& Path) {
  const std::string dir = NearestExistingDirectory(Files, Path);
  if (dir.empty()) return std::nullopt;
  try {
    return Files.FreeSpace(dir);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string CheckDestination(platform::IFileSystem& Files, const std::string& Path,
                             const TDestinationNeeds& Needs) {
  if (std::string fault = CheckPathForm(Path); !fault.empty()) return fault;
  const std::string dir = RemoveBackslash(Path);
  if (dir.size() > MaxDirectoryPath)
    return Msg("The path \"%s\" is too long: Windows allows directories of at most %d characters.",
               {Path, static_cast<int>(MaxDirectoryPath)});
  if (Needs.LongestBelow > 0 && dir.size() + Needs.LongestBelow > MaxFilePath)
    return Msg("The path \"%s\" is too long: the longest file of this installation would have a "
               "path of %d characters, and Windows allows %d.",
               {Path, static_cast<int>(dir.size() + Needs.LongestBelow),
                static_cast<int>(MaxFilePath)});
  std::string blocker;
  const std::string existing = NearestExistingDirectory(Files, Path, &blocker);
  if (existing.empty()) return Msg("The drive of \"%s\" does not exist.", {Path});
  if (!blocker.empty()) return Msg("\"%s\" is a file, not a directory.", {blocker});
  // Whether this user may write there shows only by trying: a file made and
  // removed at once. Nothing else is made before the files are copied.
  try {
    const std::string probe = Files.TempFileName(existing, "qnd");
    Files.TryRemoveFile(probe);
  } catch (const std::exception&) {
    return Msg("Setup cannot write to \"%s\". Choose a directory you may write to.", {existing});
  }
  if (Needs.BytesNeeded > 0)
    if (const auto free = FreeSpaceOf(Files, existing); free && *free < Needs.BytesNeeded)
      return Msg("There is not enough free space on %s: the installation needs %s and %s are free.",
                 {existing.substr(0, RootLength(existing)), FormatBytes(Needs.BytesNeeded),
                  FormatBytes(*free)});
  return {};
}

std::string CheckProgramFolder(const std::string& Name) {
  if (Trim(Name).empty()) return Msg("Please enter the name of the program folder.", {});
  if (IsSep(Name.front()) || RootLength(Name) > 0 ||
      (Name.size() >= 2 && Name[1] == ':'))
    return Msg("The program folder \"%s\" must be a name below the Programs menu, not a complete "
               "path.",
               {Name});
  std::string rest = Name;
  if (IsSep(rest.back())) rest.pop_back();
  return NameFaultMessage(
      rest, Name,
      {"The program folder \"%s\" contains characters that a folder name may not hold "
       "(/ : * ? \" < > |).",
       "The program folder \"%s\" uses the name %s, which Windows reserves for a device.",
       "The program folder \"%s\" has an empty, \".\" or \"..\" folder name, or one "
       "that ends in a dot or a space."});
  return {};
}

std::string FormatBytes(std::uint64_t Bytes) {
  const auto tenths = [](std::uint64_t V, std::uint64_t Unit) {
    const std::uint64_t t = (V * 10 + Unit / 2) / Unit;
    return std::to_string(t / 10) + "." + std::to_string(t % 10);
  };
  constexpr std::uint64_t KB = 1024, MB = KB * 1024, GB = MB * 1024;
  if (Bytes >= GB) return tenths(Bytes, GB) + " GB";
  if (Bytes >= MB) return tenths(Bytes, MB) + " MB";
  if (Bytes >= KB) return std::to_string((Bytes + KB / 2) / KB) + " KB";
  return std::to_string(Bytes) + " bytes";
}

} // namespace quendel::dialogs
