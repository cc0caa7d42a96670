#include "uninstall/uninstall_plan.h"

#include "core/strings.h"
#include "system/registry_routines.h"
#include "uninstall/uninstall_log.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace quendel {

namespace {

using platform::rkLocalMachine;
using platform::TRegAccess;

constexpr const char* SharedDLLsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* HelpKey = "SOFTWARE\\Microsoft\\Windows\\Help";
constexpr std::size_t MaxPath = 259;

std::string NoTrailingBackslash(std::string P) {
  while (P.size() > 3 && P.back() == '\\') P.pop_back();
  return P;
}

// "X:\a\b" with no empty, "." or ".." component and no character Windows
// refuses in a name; relative, UNC and device paths are not accepted.
bool IsWellFormedPath(const std::string& P) {
  if (P.size() < 4 || P.size() > MaxPath || !std::isalpha(static_cast<unsigned char>(P[0])) ||
      P[1] != ':' || P[2] != '\\')
    return false;
  std::size_t Start = 3;
  while (Start <= P.size()) {
    std::size_t End = P.find('\\', Start);
    if (End == std::string::npos) End = P.size();
    const std::string Part = P.substr(Start, End - Start);
    if (Part.empty() || Part == "." || Part == ".." || Part.back() == ' ' || Part.back() == '.')
      return false;
    for (unsigned char C : Part)
      if (C < 32 || std::string("/:*?\"<>|").find(static_cast<char>(C)) != std::string::npos)
        return false;
    Start = End + 1;
  }
  return true;
}

// Path lies strictly below Dir.
bool IsBelow(const std::string& Path, const std::string& Dir) {
  const std::string D = NoTrailingBackslash(Dir);
  return !D.empty() && Path.size() > D.size() + 1 && StartsText(D + "\\", Path);
}

bool IsBelowAny(const std::string& Path, const std::vector<std::string>& Dirs) {
  return std::any_of(Dirs.begin(), Dirs.end(), [&](auto& D) { return IsBelow(Path, D); });
}

bool IsShortcut(const std::string& Path) {
  const std::string Ext = UpperCase(ExtractFileExt(Path));
  return Ext == ".LNK" || Ext == ".URL" || Ext == ".PIF";
}

int Depth(const std::string& P) { return static_cast<int>(std::count(P.begin(), P.end(), '\\')); }

// A directory that must never be removed whatever the log says: a drive
// root, or one of the machine's own folders.
bool IsProtected(const std::string& Dir, const TUninstallRoots& Roots) {
  if (Dir.size() <= 3) return true;
  for (const auto* List : {&Roots.ShortcutDirs, &Roots.SharedDirs})
    for (const std::string& D : *List)
      if (SameText(NoTrailingBackslash(D), Dir) || IsBelow(D, Dir)) return true;
  return false;
}

// The shared-library count of Path: under its long name, else its short name.
bool FindSharedCount(platform::TPlatform& P, const std::string& Path, std::string& Name,
                     int& Count) {
  platform::TErrorCode Error = 0;
  auto Key = P.Registry->TryOpenKey(rkLocalMachine, SharedDLLsKey, TRegAccess::Read, Error);
  if (!Key) return false;
  std::vector<std::string> Names = {Path};
  try {
    const std::string Short = P.Files->ShortPath(Path);
    if (!SameText(Short, Path)) Names.push_back(Short);
  } catch (const platform::EPlatformError&) {
  }
  for (const std::string& N : Names) {
    if (!Key->ValueExists(N)) continue;
    try {
      const auto V = Key->ReadValue(N);
      if (auto D = V.AsDWord(); D && V.Type == platform::rtDWord) {
        Name = N;
        Count = static_cast<int>(std::min<std::uint32_t>(*D, 0x7FFFFFFF));
        return true;
      }
    } catch (const platform::EPlatformError&) {
    }
  }
  return false;
}

// The help value a file registered: its name upper-cased, holding its directory.
bool HasHelpValue(platform::TPlatform& P, const std::string& Path) {
  const std::string Name = UpperCase(ExtractFileName(Path));
  const std::string Value = ReadRegString(*P.Registry, rkiLocalMachine, std::string("\\") + HelpKey,
                                          Name, std::string(1, '\0'));
  return SameText(NoTrailingBackslash(Value), ExtractFileDir(Path));
}

} // namespace

std::string FindProductKey(platform::IRegistry& Registry, const std::string& ProductName) {
  if (!IsValidProductName(ProductName)) return {};
  if (Registry.KeyExists(rkLocalMachine, ProductKeyPath(ProductName)))
    return ProductKeyPath(ProductName);
  platform::TErrorCode Error = 0;
  auto Root = Registry.TryOpenKey(rkLocalMachine, UninstallKeyRoot, TRegAccess::Read, Error);
  if (!Root) return {};
  std::string Found;
  for (const std::string& Name : Root->SubKeyNames()) {
    if (!SameText(Trim(Name), Trim(ProductName))) continue;
    if (!Found.empty()) return {}; // two candidates: guessing could remove the wrong product
    Found = ProductKeyPath(Name);
  }
  return Found;
}

TUninstallRoots ProductRoots(platform::TPlatform& P, const std::string& UninstallerPath) {
  TUninstallRoots R;
  std::string Dir = ExtractFileDir(UninstallerPath);
  if (SameText(ExtractFileName(Dir), "Uninstall")) Dir = ExtractFileDir(Dir);
  if (IsWellFormedPath(Dir)) R.ProductDirs.push_back(Dir);
  if (P.Shell) {
    // Every folder a setup may put a shortcut into: the menus, the desktops,
    // the startup folders, Send To, the favorites, and the Quick Launch bar
    // (below the application data, where the setup's path specifier puts it).
    for (int Csidl :
         {platform::csidlPrograms, platform::csidlCommonPrograms, platform::csidlStartMenu,
          platform::csidlCommonStartMenu, platform::csidlDesktopDirectory,
          platform::csidlCommonDesktopDirectory, platform::csidlStartup,
          platform::csidlCommonStartup, platform::csidlSendTo, platform::csidlFavorites,
          platform::csidlCommonFavorites, platform::csidlAppData}) {
      platform::TErrorCode Error = 0;
      std::string Path = NoTrailingBackslash(P.Shell->TrySpecialFolderPath(Csidl, Error));
      if (Csidl == platform::csidlAppData) Path += "\\Microsoft\\Internet Explorer\\Quick Launch";
      if (Error == 0 && IsWellFormedPath(Path)) R.ShortcutDirs.push_back(Path);
    }
  }
  R.SharedDirs.push_back(P.System->WindowsDirectory());
  R.SharedDirs.push_back(P.System->SystemDirectory());
  const std::string Common =
      ReadRegString(*P.Registry, rkiLocalMachine, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                    "CommonFilesDir", "");
  if (IsWellFormedPath(NoTrailingBackslash(Common))) R.SharedDirs.push_back(NoTrailingBackslash(Common));
  // The product's directory itself must not be one of the machine's folders.
  std::erase_if(R.ProductDirs, [&](const std::string& D) { return IsProtected(D, R); });
  return R;
}

TUninstallPlan PlanUninstall(platform::TPlatform& P, const std::string& ProductKey,
                             const TUninstallRoots& Roots) {
  TUninstallPlan Plan;
  Plan.ProductKey = ProductKey;
  Plan.DisplayName =
      ReadRegString(*P.Registry, rkiLocalMachine, "\\" + ProductKey, "DisplayName", "");
  const TUninstallLog Log = ReadUninstallLog(*P.Registry, ProductKey);

  // Every entry once, in the order logged, with how often it was logged (each
  // install that counted a shared library logged it once more).
  struct TEntry {
    std::string Path;
    int Times = 0;
    int ServerKind = -1;
  };
  std::vector<TEntry> Entries;
  std::map<std::string, std::size_t> Index; // upper-cased path
  auto Take = [&](const std::string& Raw, int ServerKind) {
    const std::string Path = Raw;
    if (!IsWellFormedPath(Path)) {
      Plan.Refused.push_back({Raw, "relative or malformed path"});
      return;
    }
    const bool InProduct = IsBelowAny(Path, Roots.ProductDirs);
    const bool AsShortcut = IsShortcut(Path) && IsBelowAny(Path, Roots.ShortcutDirs);
    const bool Shared = IsBelowAny(Path, Roots.SharedDirs);
    if (!InProduct && !AsShortcut && !Shared) {
      Plan.Refused.push_back({Raw, "outside every directory the product installed into"});
      return;
    }
    const std::string K = UpperCase(Path);
    auto It = Index.find(K);
    if (It == Index.end()) {
      It = Index.emplace(K, Entries.size()).first;
      Entries.push_back({Path, 0, -1});
    }
    TEntry& E = Entries[It->second];
    ++E.Times;
    if (ServerKind >= 0) E.ServerKind = ServerKind;
  };
  for (const TActiveXEntry& A : Log.ActiveX) {
    if (A.Kind < 0 || A.Kind > 2) {
      Plan.Refused.push_back({A.Path + ";" + std::to_string(A.Kind), "unknown server kind"});
      continue;
    }
    Take(A.Path, A.Kind);
  }
  for (const std::string& F : Log.Files) Take(F, -1);

  // Decide for each entry, newest first: shortcuts were made last.
  std::vector<const TEntry*> Deleted;
  std::vector<TUninstallAction> Servers, Files;
  for (auto It = Entries.rbegin(); It != Entries.rend(); ++It) {
    const TEntry& E = *It;
    std::string CountName;
    int Count = 0;
    if (FindSharedCount(P, E.Path, CountName, Count)) {
      if (Count > E.Times) {
        Files.push_back({TUninstallStep::SetSharedCount, CountName, Count - E.Times});
        Plan.Kept.push_back(E.Path);
        continue;
      }
      Files.push_back({TUninstallStep::DeleteSharedCount, CountName, 0});
    } else if (!IsBelowAny(E.Path, Roots.ProductDirs) &&
               !(IsShortcut(E.Path) && IsBelowAny(E.Path, Roots.ShortcutDirs))) {
      // A file in a folder of the machine's that nothing counts: others may use it.
      Plan.Refused.push_back({E.Path, "shared folder without a shared-library count"});
      continue;
    }
    if (E.ServerKind >= 0) Servers.push_back({TUninstallStep::UnregisterServer, E.Path, E.ServerKind});
    if (HasHelpValue(P, E.Path))
      Files.push_back({TUninstallStep::DeleteHelpValue, UpperCase(ExtractFileName(E.Path)), 0});
    Files.push_back({TUninstallStep::DeleteFile, E.Path, 0});
    Deleted.push_back(&E);
  }

  // Directories that may become empty: those of deleted entries and their
  // parents up to the product's directory (itself included), or up to the
  // shell folder (itself excluded). The uninstaller's own directory too.
  std::set<std::string> Seen;
  std::vector<std::string> Dirs;
  auto AddDirsOf = [&](const std::string& Path) {
    for (std::string D = ExtractFileDir(Path); D.size() > 3; D = ExtractFileDir(D)) {
      const bool InProduct = IsBelowAny(D, Roots.ProductDirs) ||
                             std::any_of(Roots.ProductDirs.begin(), Roots.ProductDirs.end(),
                                         [&](auto& R) { return SameText(R, D); });
      if ((!InProduct && !IsBelowAny(D, Roots.ShortcutDirs)) || IsProtected(D, Roots)) break;
      if (Seen.insert(UpperCase(D)).second) Dirs.push_back(D);
    }
  };
  for (const TEntry* E : Deleted) AddDirsOf(E->Path);
  std::stable_sort(Dirs.begin(), Dirs.end(),
                   [](const std::string& A, const std::string& B) { return Depth(A) > Depth(B); });

  Plan.Actions = std::move(Servers);
  Plan.Actions.insert(Plan.Actions.end(), Files.begin(), Files.end());
  for (const std::string& D : Dirs) Plan.Actions.push_back({TUninstallStep::RemoveDirectory, D, 0});
  Plan.Actions.push_back({TUninstallStep::DeleteProductKey, ProductKey, 0});
  return Plan;
}

TUninstallResult ExecuteUninstall(platform::TPlatform& P, const TUninstallPlan& Plan,
                                  const TUnregisterFunc& Unregister) {
  TUninstallResult R;
  for (const TRefusedEntry& E : Plan.Refused)
    R.Log.push_back("Refused " + E.Entry + ": " + E.Reason);
  for (const std::string& K : Plan.Kept)
    R.Log.push_back("Kept " + K + ": other programs still use it");
  std::vector<std::string> Delayed;
  auto Failed = [&](const std::string& What) {
    R.Log.push_back("Failed: " + What);
    ++R.Failures;
  };
  for (const TUninstallAction& A : Plan.Actions) {
    try {
      switch (A.Step) {
      case TUninstallStep::UnregisterServer: {
        const std::string Error = Unregister ? Unregister(A.Path, A.Number) : std::string();
        if (Error.empty())
          R.Log.push_back("Unregistered " + A.Path);
        else // the file still goes; a stale registration is better than a kept file
          R.Log.push_back("Could not unregister " + A.Path + ": " + Error);
        break;
      }
      case TUninstallStep::SetSharedCount:
        P.Registry->CreateKey(rkLocalMachine, SharedDLLsKey)
            ->WriteDWord(A.Path, static_cast<std::uint32_t>(A.Number));
        R.Log.push_back("Shared count of " + A.Path + " is now " + std::to_string(A.Number));
        break;
      case TUninstallStep::DeleteSharedCount:
        P.Registry->CreateKey(rkLocalMachine, SharedDLLsKey)->DeleteValue(A.Path);
        R.Log.push_back("Removed the shared count of " + A.Path);
        break;
      case TUninstallStep::DeleteHelpValue:
        P.Registry->CreateKey(rkLocalMachine, HelpKey)->DeleteValue(A.Path);
        R.Log.push_back("Removed the help entry " + A.Path);
        break;
      case TUninstallStep::DeleteFile: {
        if (!P.Files->FileExists(A.Path)) {
          R.Log.push_back("Already gone: " + A.Path);
          break;
        }
        P.Files->TrySetAttributes(A.Path, platform::faNormal);
        const platform::TErrorCode Code = P.Files->TryRemoveFile(A.Path);
        if (Code == 0) {
          R.Log.push_back("Deleted " + A.Path);
        } else if (P.Files->TryMove(A.Path, "", platform::moveDelayUntilReboot) == 0) {
          // In use: Windows deletes it at its next start.
          R.Log.push_back("In use, deleted at the next start of Windows: " + A.Path);
          Delayed.push_back(A.Path);
          R.RestartNeeded = true;
        } else {
          Failed("cannot delete " + A.Path + " (error " + std::to_string(Code) + ")");
        }
        break;
      }
      case TUninstallStep::RemoveDirectory: {
        if (!P.Files->DirectoryExists(A.Path)) break;
        if (P.Files->TryRemoveDir(A.Path) == 0) {
          R.Log.push_back("Removed the directory " + A.Path);
        } else if (std::any_of(Delayed.begin(), Delayed.end(),
                               [&](auto& F) { return IsBelow(F, A.Path); })) {
          // Empty once the files in use are gone: remove it at the same start.
          P.Files->TryMove(A.Path, "", platform::moveDelayUntilReboot);
          R.Log.push_back("Directory removed at the next start of Windows: " + A.Path);
        } else {
          R.Log.push_back("Kept the directory " + A.Path + ": it holds files not installed");
        }
        break;
      }
      case TUninstallStep::DeleteProductKey:
        if (P.Registry->TryDeleteTree(rkLocalMachine, A.Path) == 0)
          R.Log.push_back("Removed the registration " + A.Path);
        else
          Failed("cannot remove the registration " + A.Path);
        break;
      }
    } catch (const std::exception& E) {
      Failed(A.Path + ": " + E.what());
    }
  }
  return R;
}

TUninstallArguments ParseUninstallArguments(const std::string& Arguments) {
  TUninstallArguments A;
  std::size_t At = 0;
  for (;;) {
    while (At < Arguments.size() && (Arguments[At] == ' ' || Arguments[At] == '\t')) ++At;
    // One argument, quotes grouping.
    std::size_t End = At;
    std::string Arg;
    bool Quoted = false;
    while (End < Arguments.size() && (Quoted || (Arguments[End] != ' ' && Arguments[End] != '\t'))) {
      if (Arguments[End] == '"')
        Quoted = !Quoted;
      else
        Arg += Arguments[End];
      ++End;
    }
    if (Arg.size() >= 2 && Arg[0] == '*' && (Arg[1] == 'q' || Arg[1] == 'Q') && Arg.size() == 2) {
      A.Quiet = true;
    } else if (Arg.size() > 2 && Arg[0] == '*' && (Arg[1] == 'l' || Arg[1] == 'L')) {
      A.LogPath = Arg.substr(2);
    } else {
      break;
    }
    At = End;
  }
  std::string Name = Trim(Arguments.substr(std::min(At, Arguments.size())));
  if (Name.size() >= 2 && Name.front() == '"' && Name.back() == '"')
    Name = Trim(Name.substr(1, Name.size() - 2));
  A.ProductName = Name;
  return A;
}

} // namespace quendel
