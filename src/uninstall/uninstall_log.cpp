#include "uninstall/uninstall_log.h"

#include "core/strings.h"
#include "system/registry_routines.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>

namespace quendel {

namespace {

using platform::IRegistry;
using platform::TRegAccess;
using platform::rkLocalMachine;

// A decimal count; false for anything else (the log then moves on).
bool ParseCount(const std::string& Text, int& Out) {
  const std::string T = Trim(Text);
  if (T.empty()) return false;
  auto [End, Ec] = std::from_chars(T.data(), T.data() + T.size(), Out);
  return Ec == std::errc() && End == T.data() + T.size() && Out >= 0;
}

// Reads "Entries" of the open key K (default 0), writes FileN; the new N,
// or -1 when the key is unusable. Known >= 0: the count, known without
// reading it.
int TryAppendTo(platform::IRegKey& K, const std::string& Value, int Known = -1) {
  try {
    int Count = Known;
    if (Count < 0) {
      std::string Text;
      // Read without asking first whether it exists: one round trip less for
      // every file of an install.
      try {
        Text = K.ReadString("Entries");
      } catch (const platform::EPlatformError& E) {
        if (E.Code() != platform::errFileNotFound) return -1;
        Text = "0";
      }
      if (!ParseCount(Text, Count)) return -1;
    }
    if (Count >= MaxLogEntries) return -1;
    const int N = Count + 1;
    K.WriteString("File" + std::to_string(N), Value);
    return N;
  } catch (const platform::EPlatformError&) {
    return -1;
  }
}

// TryAppendTo on Key, opened (made) here. Opened holds the key for writing
// the count with.
int TryAppend(IRegistry& Registry, const std::string& Key, const std::string& Value,
              std::unique_ptr<platform::IRegKey>& Opened) {
  std::unique_ptr<platform::IRegKey> K;
  try {
    K = Registry.CreateKey(rkLocalMachine, Key);
  } catch (const platform::EPlatformError&) {
    return -1;
  }
  const int N = TryAppendTo(*K, Value);
  if (N >= 0) Opened = std::move(K);
  return N;
}

void WriteEntryCount(platform::IRegKey& K, const std::string& Key, int N) {
  try {
    K.WriteString("Entries", std::to_string(N));
  } catch (const platform::EPlatformError&) {
    ThrowWithCause(EIRCannotWriteValue("Cannot install into registry. Key: %s Ident: %s Value %s",
                                       {"\\" + Key, "Entries", std::to_string(N)}));
  }
}

void Fail(const std::string& Key, const std::string& Ident, const std::string& Value) {
  Raise<EIRCannotWriteValue>("Cannot install into registry. Key: %s Ident: %s Value %s",
                             {"\\" + Key, Ident, Value});
}

void WriteCount(IRegistry& Registry, const std::string& Key, int N) {
  WriteRegString(Registry, rkiLocalMachine, "\\" + Key, "Entries", std::to_string(N));
}

// FileN values of one key, by number.
void ReadEntries(IRegistry& Registry, const std::string& Key, std::vector<std::string>& Out) {
  platform::TErrorCode Error = 0;
  auto K = Registry.TryOpenKey(rkLocalMachine, Key, TRegAccess::Read, Error);
  if (!K) return;
  std::map<int, std::string> ByNumber;
  for (const std::string& Name : K->ValueNames()) {
    if (Name.size() < 5 || !SameText(Name.substr(0, 4), "File")) continue;
    int N = 0;
    const std::string Digits = Name.substr(4);
    auto [End, Ec] = std::from_chars(Digits.data(), Digits.data() + Digits.size(), N);
    if (Ec != std::errc() || End != Digits.data() + Digits.size() || N < 1) continue;
    try {
      ByNumber[N] = K->ReadString(Name);
    } catch (const platform::EPlatformError&) {
      continue; // a value of another type is no entry
    }
    if (static_cast<int>(ByNumber.size()) >= MaxLogEntries) break;
  }
  for (auto& [N, Path] : ByNumber) Out.push_back(std::move(Path));
}

} // namespace

std::string ProductKeyPath(const std::string& ProductName) {
  return std::string(UninstallKeyRoot) + "\\" + ProductName;
}

bool IsValidProductName(const std::string& ProductName) {
  return !Trim(ProductName).empty() && ProductName.find('\\') == std::string::npos;
}

std::string UninstallCommand(const std::string& UninstallerPath, const std::string& ProductName) {
  return "\"" + UninstallerPath + "\" " + Trim(ProductName);
}

void WriteUninstallValues(IRegistry& Registry, const std::string& ProductKey,
                          const TUninstallValues& V) {
  const std::string Key = "\\" + ProductKey;
  auto Put = [&](const char* Name, const std::string& Value, bool Always) {
    if (Always || !Value.empty()) WriteRegString(Registry, rkiLocalMachine, Key, Name, Value);
  };
  Put("DisplayName", V.DisplayName, true);
  Put("UninstallString", V.UninstallString, true);
  Put("Comments", V.Comments, false);
  Put("Contact", V.Contact, false);
  Put("DisplayIcon", V.DisplayIcon, false);
  Put("DisplayVersion", V.DisplayVersion, false);
  Put("HelpLink", V.HelpLink, false);
  Put("HelpTelephone", V.HelpTelephone, false);
  Put("Publisher", V.Publisher, false);
  Put("ProductID", V.ProductID, false);
  Put("Readme", V.Readme, false);
  Put("URLInfoAbout", V.URLInfoAbout, false);
  Put("URLUpdateInfo", V.URLUpdateInfo, false);
}

TActiveXKind ActiveXKindOf(const std::string& FileName) {
  const std::string Ext = UpperCase(ExtractFileExt(FileName));
  if (Ext == ".TLB") return axTypeLibrary;
  if (Ext == ".EXE") return axServerProgram;
  return axLibrary;
}

void AppendUninstallLogEntry(IRegistry& Registry, const std::string& ProductKey,
                             const std::string& Path) {
  TUninstallLogWriter(Registry).Append(ProductKey, Path);
}

void TUninstallLogWriter::Append(const std::string& ProductKey, const std::string& Path) {
  // The key that took the last entry: the keys before it were full or
  // unusable then, and a count only grows.
  if (FOpen && FProductKey == ProductKey) {
    const int N = TryAppendTo(*FOpen, Path, FCount);
    if (N >= 0) {
      FCount = -1; // unknown, should the count's write fail
      WriteEntryCount(*FOpen, FKey, N);
      FCount = N;
      return;
    }
    Close();
  }
  for (int Suffix = 0; Suffix <= MaxLogSubkeys; ++Suffix) {
    const std::string Key =
        ProductKey + "\\Files" + (Suffix == 0 ? std::string() : std::to_string(Suffix));
    std::unique_ptr<platform::IRegKey> Opened;
    const int N = TryAppend(FRegistry, Key, Path, Opened);
    if (N < 0) continue;
    WriteEntryCount(*Opened, Key, N);
    FOpen = std::move(Opened);
    FProductKey = ProductKey;
    FKey = Key;
    FCount = N;
    return;
  }
  Fail(ProductKey + "\\Files" + std::to_string(MaxLogSubkeys), "Entries", Path);
}

void TUninstallLogWriter::Close() {
  FOpen.reset();
  FCount = -1;
  FProductKey.clear();
  FKey.clear();
}

void AppendActiveXLogEntry(IRegistry& Registry, const std::string& ProductKey,
                           const std::string& Path, TActiveXKind Kind) {
  const std::string Key = ProductKey + "\\ActiveX";
  const std::string Value = Path + ";" + std::to_string(static_cast<int>(Kind));
  const std::string Count = ReadRegString(Registry, rkiLocalMachine, "\\" + Key, "Entries", "0");
  int N = 0;
  if (!ParseCount(Count, N) || N >= MaxLogEntries) Fail(Key, "Entries", Count);
  ++N;
  WriteRegString(Registry, rkiLocalMachine, "\\" + Key, "File" + std::to_string(N), Value);
  WriteCount(Registry, Key, N);
}

TUninstallLog ReadUninstallLog(IRegistry& Registry, const std::string& ProductKey) {
  TUninstallLog Log;
  for (int Suffix = 0; Suffix <= MaxLogSubkeys; ++Suffix)
    ReadEntries(Registry,
                ProductKey + "\\Files" + (Suffix == 0 ? std::string() : std::to_string(Suffix)),
                Log.Files);
  std::vector<std::string> ActiveX;
  ReadEntries(Registry, ProductKey + "\\ActiveX", ActiveX);
  for (const std::string& Entry : ActiveX) {
    TActiveXEntry E;
    const auto Semi = Entry.rfind(';');
    int Kind = -1;
    if (Semi != std::string::npos && ParseCount(Entry.substr(Semi + 1), Kind)) {
      E.Path = Entry.substr(0, Semi);
      E.Kind = Kind;
    } else {
      E.Path = Entry;
      E.Kind = -1;
    }
    Log.ActiveX.push_back(std::move(E));
  }
  return Log;
}

} // namespace quendel
