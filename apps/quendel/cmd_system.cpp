// quendel system: this machine as the setup program sees it. Run on a target
// machine, it shows why an object's OS filter lets it through or not; natively
// it shows the simulated machine.
#include "cli_files.h"
#include "commands.h"

#include "author_runtime.h"
#include "core/format.h"
#include "core/strings.h"
#include "platform/platform.h"
#include "system/os_version.h"

#include <iostream>

namespace quendel::cli {

namespace {

struct TSystemOptions {
  bool Json = false;
};

const char* FamilyOf(TOSVerType T) {
  if (osNTFamily.Contains(T)) return "NT";
  if (os9xFamily.Contains(T)) return "9x";
  return "none";
}

void RunSystem(const TSystemOptions& O) {
  platform::TPlatform& P = CurrentAuthorRuntime().Platform();
  const platform::TOSVersionInfo V = P.System->Version();
  const TOSVerType T = GetOSVersion(*P.System);
  const std::string Windows = GetWindowsDir(*P.System);
  const std::string System = GetSystemDir(*P.System);
  const std::string Temp = RemoveBackslash(P.Files->TempDirectory());
  const unsigned Language = P.System->UserDefaultLangId();

  if (O.Json) {
    std::cout << "{\n"
              << " \"OSVerType\": " << JsonString(OSVerTypeName(T)) << ",\n"
              << " \"Family\": " << JsonString(FamilyOf(T)) << ",\n"
              << " \"PlatformId\": " << V.dwPlatformId << ",\n"
              << " \"MajorVersion\": " << V.dwMajorVersion << ",\n"
              << " \"MinorVersion\": " << V.dwMinorVersion << ",\n"
              << " \"BuildNumber\": " << V.dwBuildNumber << ",\n"
              << " \"CSDVersion\": " << JsonString(V.szCSDVersion) << ",\n"
              << " \"WindowsDirectory\": " << JsonString(Windows) << ",\n"
              << " \"SystemDirectory\": " << JsonString(System) << ",\n"
              << " \"TempDirectory\": " << JsonString(Temp) << ",\n"
              << " \"UserDefaultLangID\": " << Language << "\n"
              << "}\n";
    return;
  }
  std::cout << "OSVerType:         " << OSVerTypeName(T) << " (" << FamilyOf(T) << " family)\n"
            << "Version:           "
            << Format("%d.%d.%d, platform %d",
                      {V.dwMajorVersion, V.dwMinorVersion, V.dwBuildNumber, V.dwPlatformId});
  if (!V.szCSDVersion.empty()) std::cout << ", " << V.szCSDVersion;
  std::cout << "\n"
            << "Windows directory: " << Windows << "\n"
            << "System directory:  " << System << "\n"
            << "Temp directory:    " << Temp << "\n"
            << "User language:     " << Format("0x%.4X", {Language}) << "\n";
}

} // namespace

void AddSystemCommands(CLI::App& App) {
  auto opts = std::make_shared<TSystemOptions>();
  auto* s = App.add_subcommand("system", "Show this machine as the setup program sees it");
  s->add_flag("--json", opts->Json, "Print a JSON object");
  s->callback([opts] { RunSystem(*opts); });
}

} // namespace quendel::cli
