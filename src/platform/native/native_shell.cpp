#include "platform/native/native_shell.h"

#include <utility>

namespace quendel::platform::native {

TNativeShellConfig TNativeShellConfig::Windows7(const std::string& userName,
                                                const std::string& windowsDirectory) {
  const std::string profile = "C:\\Users\\" + userName;
  const std::string roaming = profile + "\\AppData\\Roaming";
  const std::string local = profile + "\\AppData\\Local";
  const std::string user = roaming + "\\Microsoft\\Windows";
  const std::string common = "C:\\ProgramData\\Microsoft\\Windows";
  const std::string programFiles = "C:\\Program Files";
  TNativeShellConfig config;
  config.Folders = {
      {0, profile + "\\Desktop"},
      {1, "::{871C5380-42A0-1069-A2EA-08002B30309D}"},
      {2, user + "\\Start Menu\\Programs"},
      {3, std::nullopt},
      {4, "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}\\::{2227A280-3AEA-1069-A2DE-08002B30309D}"},
      {5, profile + "\\Documents"},
      {6, profile + "\\Favorites"},
      {7, user + "\\Start Menu\\Programs\\Startup"},
      {8, user + "\\Recent"},
      {9, user + "\\SendTo"},
      {10, std::nullopt},
      {11, user + "\\Start Menu"},
      {13, profile + "\\Music"},
      {14, profile + "\\Videos"},
      {16, profile + "\\Desktop"},
      {17, std::nullopt},
      {19, user + "\\Network Shortcuts"},
      {20, windowsDirectory + "\\Fonts"},
      {21, user + "\\Templates"},
      {22, common + "\\Start Menu"},
      {23, common + "\\Start Menu\\Programs"},
      {24, common + "\\Start Menu\\Programs\\Startup"},
      {25, "C:\\Users\\Public\\Desktop"},
      {26, roaming},
      {27, user + "\\Printer Shortcuts"},
      {28, local},
      {31, profile + "\\Favorites"},
      {32, local + "\\Microsoft\\Windows\\Temporary Internet Files"},
      {33, user + "\\Cookies"},
      {34, local + "\\Microsoft\\Windows\\History"},
      {35, "C:\\ProgramData"},
      {36, windowsDirectory},
      {37, windowsDirectory + "\\system32"},
      {38, programFiles},
      {39, profile + "\\Pictures"},
      {40, profile},
      {43, programFiles + "\\Common Files"},
      {46, "C:\\Users\\Public\\Documents"},
  };
  return config;
}

std::string TNativeShell::SpecialFolderPath(int csidl) {
  const std::string args = "CSIDL " + std::to_string(csidl);
  const auto found = config_.Folders.find(csidl);
  if (found == config_.Folders.end())
    throw EPlatformError("SHGetSpecialFolderLocation", args, hrFail);
  if (!found->second) throw EPlatformError("SHGetPathFromIDListA", args, errPathNotFound);
  return *found->second;
}

void WriteShellFolderRecords(IRegistry& registry, const TNativeShellConfig& config) {
  const auto pathOf = [&](int csidl) -> std::optional<std::string> {
    const auto found = config.Folders.find(csidl);
    return found == config.Folders.end() ? std::nullopt : found->second;
  };
  static const std::pair<const char*, int> userFolders[] = {
      {"AppData", 26},  {"Cache", 32},       {"Cookies", 33},  {"Desktop", 16},
      {"Favorites", 6}, {"Fonts", 20},       {"History", 34},  {"Local AppData", 28},
      {"My Music", 13}, {"My Pictures", 39}, {"My Video", 14}, {"NetHood", 19},
      {"Personal", 5},  {"PrintHood", 27},   {"Programs", 2},  {"Recent", 8},
      {"SendTo", 9},    {"Start Menu", 11},  {"Startup", 7},   {"Templates", 21},
  };
  const auto user = registry.CreateKey(
      rkCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  for (const auto& [name, csidl] : userFolders)
    if (const auto path = pathOf(csidl)) user->WriteString(name, *path);

  static const std::pair<const char*, int> commonFolders[] = {
      {"Common AppData", 35},  {"Common Desktop", 25},    {"Common Documents", 46},
      {"Common Programs", 23}, {"Common Start Menu", 22}, {"Common Startup", 24},
  };
  const auto common = registry.CreateKey(
      rkLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  for (const auto& [name, csidl] : commonFolders)
    if (const auto path = pathOf(csidl)) common->WriteString(name, *path);

  const auto version =
      registry.CreateKey(rkLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion");
  if (const auto path = pathOf(38)) version->WriteString("ProgramFilesDir", *path);
  if (const auto path = pathOf(43)) version->WriteString("CommonFilesDir", *path);
}

} // namespace quendel::platform::native
