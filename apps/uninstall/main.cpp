// uninstall.exe: removes a product that the setup program installed. Windows
// starts it with the product name ("UninstallString", the uninstall
// shortcut); "*q" removes without asking, "*l<path>" writes a log:
//
//   uninstall.exe *q "*lC:\log.txt" My product
//
// Exit codes, as the setup program's: 0 removed, 1 something could not be
// removed, 2 the user said no, 3 removed but files in use wait for the next
// start of Windows, 4 nothing ran (bad arguments, no product of that name).
#include "core/strings.h"
#include "platform/platform.h"
#include "runtime/machine.h"
#include "uninstall/uninstall_plan.h"

// After the portable headers: these bring <windows.h>, whose macros
// (DeleteFile...) would rename their names.
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_sysinfo.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace quendel;

namespace {

constexpr int ExitFailed = 1;
constexpr int ExitDeclined = 2;
constexpr int ExitRestartPending = 3;
constexpr int ExitBadArguments = 4;
constexpr int ExitNotRegistered = 4;
const char Title[] = "Uninstall";

struct TLog {
  std::FILE* File = nullptr;
  void Line(const std::string& Text) {
    if (File) std::fputs((Text + "\n").c_str(), File);
  }
};

// The command line after the program name, as typed.
std::string ArgumentsText() {
  const char* P = GetCommandLineA();
  if (*P == '"') {
    ++P;
    while (*P && *P != '"') ++P;
    if (*P) ++P;
  } else {
    while (*P && *P != ' ' && *P != '\t') ++P;
  }
  return P;
}

std::string SelfPath() {
  char Buffer[MAX_PATH + 1];
  const DWORD N = GetModuleFileNameA(nullptr, Buffer, sizeof Buffer);
  return N > 0 && N < sizeof Buffer ? std::string(Buffer, N) : std::string();
}

// DllUnregisterServer, UnRegisterTypeLib or "/UNREGSERVER" by kind.
std::string Unregister(const std::string& Path, int Kind) {
  if (Kind == 2) {
    std::wstring Wide(Path.size() + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, Path.c_str(), -1, Wide.data(), static_cast<int>(Wide.size()));
    ITypeLib* Lib = nullptr;
    HRESULT Hr = LoadTypeLibEx(Wide.c_str(), REGKIND_NONE, &Lib);
    if (FAILED(Hr)) return "LoadTypeLibEx failed with " + std::to_string(static_cast<long>(Hr));
    TLIBATTR* Attr = nullptr;
    Hr = Lib->GetLibAttr(&Attr);
    if (SUCCEEDED(Hr)) {
      Hr = UnRegisterTypeLib(Attr->guid, Attr->wMajorVerNum, Attr->wMinorVerNum, Attr->lcid,
                             Attr->syskind);
      Lib->ReleaseTLibAttr(Attr);
    }
    Lib->Release();
    return SUCCEEDED(Hr) ? "" : "UnRegisterTypeLib failed with " + std::to_string(static_cast<long>(Hr));
  }
  if (Kind == 1) {
    std::string Line = "\"" + Path + "\" /UNREGSERVER";
    STARTUPINFOA Si{};
    Si.cb = sizeof Si;
    PROCESS_INFORMATION Pi;
    if (!CreateProcessA(Path.c_str(), Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &Si, &Pi))
      return "cannot start it (error " + std::to_string(GetLastError()) + ")";
    CloseHandle(Pi.hThread);
    // A server that hangs must not hang the uninstall.
    WaitForSingleObject(Pi.hProcess, 60000);
    CloseHandle(Pi.hProcess);
    return "";
  }
  HMODULE Module = LoadLibraryA(Path.c_str());
  if (Module == nullptr) return "LoadLibrary failed (error " + std::to_string(GetLastError()) + ")";
  using TEntry = HRESULT(STDAPICALLTYPE*)();
  auto Entry = reinterpret_cast<TEntry>(reinterpret_cast<void*>(GetProcAddress(Module, "DllUnregisterServer")));
  std::string Error;
  if (Entry == nullptr) {
    Error = "it has no DllUnregisterServer";
  } else if (HRESULT Hr = Entry(); FAILED(Hr)) {
    Error = "DllUnregisterServer returned " + std::to_string(static_cast<long>(Hr));
  }
  FreeLibrary(Module);
  return Error;
}

// The uninstaller cannot delete its own running file: it moves itself out
// of the product's directory (a running program may be renamed) into the
// temporary directory, and has Windows delete it at the next start; where
// the move is impossible (another drive), it is deleted in place at that start.
void RemoveSelf(platform::TPlatform& P, const std::string& Self, TLog& Log) {
  std::string Target;
  try {
    Target = P.Files->TempFileName(P.Files->TempDirectory(), "qun");
  } catch (const std::exception&) {
  }
  if (!Target.empty() && P.Files->TryMove(Self, Target, platform::moveReplaceExisting) == 0) {
    P.Files->TryMove(Target, "", platform::moveDelayUntilReboot);
    Log.Line("Moved the uninstaller to " + Target + ", deleted at the next start of Windows");
    return;
  }
  if (!Target.empty()) P.Files->TryRemoveFile(Target);
  P.Files->TryMove(Self, "", platform::moveDelayUntilReboot);
  Log.Line("The uninstaller " + Self + " is deleted at the next start of Windows");
}

// The adapters the removal uses, and only those: the others (internet
// transfers, shortcuts, processes, message boxes) would only add to every
// product's uninstaller. A step that reached for one of them would fail
// with EAbsentPort.
platform::TPlatform RemovalPlatform() {
  platform::TPlatform P;
  P.Files = std::make_unique<platform::win32::TWin32FileSystem>();
  P.Registry = std::make_unique<platform::win32::TWin32Registry>();
  P.System = std::make_unique<platform::win32::TWin32SystemInfo>();
  P.Shell = std::make_unique<platform::win32::TWin32Shell>();
  return P;
}

int Run() {
  const TUninstallArguments Args = ParseUninstallArguments(ArgumentsText());
  TLog Log;
  if (!Args.LogPath.empty()) Log.File = std::fopen(Args.LogPath.c_str(), "a");
  auto Tell = [&](const std::string& Text, UINT Icon) {
    Log.Line(Text);
    if (!Args.Quiet) MessageBoxA(nullptr, Text.c_str(), Title, MB_OK | Icon);
  };
  int Code = 0;
  if (Args.ProductName.empty()) {
    Tell("Usage: uninstall.exe [*q] [*l<log file>] <product name>", MB_ICONERROR);
    Code = ExitBadArguments;
  } else {
    TMachineRuntime Machine(RemovalPlatform());
    platform::TPlatform& P = Machine.Platform();
    const std::string Key = FindProductKey(*P.Registry, Args.ProductName);
    if (Key.empty()) {
      Tell("No product named \"" + Args.ProductName + "\" is registered for uninstalling.",
           MB_ICONERROR);
      Code = ExitNotRegistered;
    } else {
      const std::string Self = SelfPath();
      const TUninstallPlan Plan = PlanUninstall(P, Key, ProductRoots(P, Self));
      const std::string Name = Plan.DisplayName.empty() ? Args.ProductName : Plan.DisplayName;
      if (!Args.Quiet &&
          MessageBoxA(nullptr,
                      ("Are you sure you want to completely remove " + Name +
                       " and all of its components?")
                          .c_str(),
                      Title, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        Log.Line("Uninstall of " + Name + " cancelled by the user");
        Code = ExitDeclined;
      } else {
        Log.Line("Uninstalling " + Name);
        const HRESULT Com = CoInitialize(nullptr);
        const TUninstallResult Result = ExecuteUninstall(P, Plan, &Unregister);
        if (SUCCEEDED(Com)) CoUninitialize();
        for (const std::string& Line : Result.Log) Log.Line(Line);
        if (Result.Failures == 0) {
          // Last, itself; then its directory and the product's, when empty.
          RemoveSelf(P, Self, Log);
          const auto Roots = ProductRoots(P, Self);
          for (std::string Dir = ExtractFileDir(Self); Dir.size() > 3; Dir = ExtractFileDir(Dir)) {
            const bool Last = !Roots.ProductDirs.empty() && SameText(Dir, Roots.ProductDirs[0]);
            if (Roots.ProductDirs.empty() || (!Last && !StartsText(Roots.ProductDirs[0] + "\\", Dir)))
              break;
            if (P.Files->TryRemoveDir(Dir) == 0) Log.Line("Removed the directory " + Dir);
            if (Last) break;
          }
        }
        if (Result.Failures > 0) {
          Tell(Name + " could not be removed completely. Some files or registry entries remain.",
               MB_ICONWARNING);
          Code = ExitFailed;
        } else {
          std::string Done = Name + " was removed.";
          // A deployment script must learn that the removal is not over yet.
          if (Result.RestartNeeded) {
            Done += " Some files were in use and are removed when Windows starts again.";
            Code = ExitRestartPending;
          }
          Tell(Done, MB_ICONINFORMATION);
        }
      }
    }
  }
  Log.Line("Exit code " + std::to_string(Code));
  if (Log.File) std::fclose(Log.File);
  return Code;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return Run();
  } catch (const std::exception& E) {
    MessageBoxA(nullptr, E.what(), Title, MB_OK | MB_ICONERROR);
    return ExitFailed;
  }
}
