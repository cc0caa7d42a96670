#include "system/setup_cleanup.h"

#include "core/strings.h"

#include <vector>

namespace quendel {

namespace {

std::string WithoutBackslash(std::string P) {
  while (P.size() > 3 && P.back() == '\\') P.pop_back();
  return P;
}

std::string Quoted(const std::string& P) { return "\"" + P + "\""; }

// A full path with its "." and ".." resolved by name, as Windows resolves
// them before it looks at any file (C:\Temp\a\..\b is C:\Temp\b); empty for
// a path that is not full, climbs above its root, or holds a name that
// Windows would change (empty, or ending in a dot or a space), so that such
// a path is never taken for one inside another.
std::string Resolved(const std::string& P) {
  std::size_t RootEnd;
  if (P.size() >= 2 && P[1] == ':') {
    RootEnd = 2;
  } else if (StartsText("\\\\", P)) {
    const std::size_t Server = P.find('\\', 2);
    if (Server == std::string::npos || Server == 2) return {};
    RootEnd = P.find('\\', Server + 1);
    if (RootEnd == Server + 1) return {};
    if (RootEnd == std::string::npos) return P;
  } else {
    return {};
  }
  std::vector<std::string> Names;
  for (std::size_t At = RootEnd; At < P.size();) {
    if (P[At] != '\\') return {};
    std::size_t End = P.find('\\', At + 1);
    if (End == std::string::npos) End = P.size();
    const std::string Name = P.substr(At + 1, End - At - 1);
    At = End;
    if (Name == ".") continue;
    if (Name == "..") {
      if (Names.empty()) return {};
      Names.pop_back();
      continue;
    }
    if (Name.empty() || Name.back() == '.' || Name.back() == ' ') return {};
    Names.push_back(Name);
  }
  std::string Out = P.substr(0, RootEnd);
  for (const std::string& Name : Names) Out += "\\" + Name;
  return Out;
}

// How often the batch file tries to delete the program file before it gives up.
constexpr int CleanupRetries = 30;

} // namespace

bool IsInsideTempDirectory(platform::IFileSystem& Files, const std::string& Dir) {
  std::string Temp;
  try {
    Temp = Resolved(WithoutBackslash(Files.TempDirectory()));
  } catch (const platform::EPlatformError&) {
    return false;
  }
  const std::string D = Resolved(WithoutBackslash(Dir));
  return Temp.size() >= 3 && D.size() > Temp.size() + 1 && StartsText(Temp + "\\", D);
}

std::string CleanupBatchText(const std::string& ProgramPath, const std::string& BatchFile,
                             bool NTFamily) {
  const std::string Dir = WithoutBackslash(ExtractFileDir(ProgramPath));
  const std::string Program = Quoted(ProgramPath);
  const std::string Pif = Quoted(ChangeFileExt(BatchFile, ".PIF"));
  std::string T;
  if (NTFamily) {
    T += "@echo off\r\n";
    T += "set quendel_try=0\r\n";
    T += ":retry\r\n";
    T += "del /f /q " + Program + " >nul 2>&1\r\n";
    T += "if not exist " + Program + " goto gone\r\n";
    T += "set /a quendel_try+=1\r\n";
    T += "if %quendel_try% geq " + std::to_string(CleanupRetries) + " goto gone\r\n";
    T += "ping -n 2 127.0.0.1 >nul 2>&1\r\n";
    T += "goto retry\r\n";
    T += ":gone\r\n";
    T += "rmdir /s /q " + Quoted(Dir) + " >nul 2>&1\r\n";
    T += "del /f /q " + Pif + " >nul 2>&1\r\n";
    T += "del /f /q " + Quoted(BatchFile) + " >nul 2>&1\r\n";
  } else {
    // COMMAND.COM has no arithmetic and no pause that needs no input: a
    // bounded number of plain attempts.
    for (int i = 0; i < 5; ++i) T += "IF EXIST " + Program + " ERASE " + Program + "\r\n";
    T += "DELTREE /Y " + Quoted(Dir) + "\r\n";
    T += "ERASE " + Pif + "\r\n";
    T += "ERASE " + Quoted(BatchFile) + "\r\n";
  }
  return T;
}

std::string CleanupSetupDirectory(platform::IFileSystem& Files, const std::string& ProgramPath,
                                  bool NTFamily) {
  const std::string Dir = WithoutBackslash(ExtractFileDir(ProgramPath));
  if (!IsInsideTempDirectory(Files, Dir)) return {};
  try {
    for (const platform::TFindData& F : Files.FindFiles(Dir + "\\*.*"))
      if (F.Name != "." && F.Name != ".." && !F.IsDirectory())
        (void)Files.TryRemoveFile(Dir + "\\" + F.Name);
  } catch (const platform::EPlatformError&) {
  }
  (void)Files.TryRemoveDir(Dir);
  try {
    const std::string Temp = Files.TempFileName(Files.TempDirectory(), "bat");
    (void)Files.TryRemoveFile(Temp);
    const std::string Batch = ChangeFileExt(Temp, ".bat");
    const std::string Text = CleanupBatchText(ProgramPath, Batch, NTFamily);
    auto F = Files.Open(Batch, platform::TFileAccess::Write, platform::shareNone,
                        platform::TCreation::CreateAlways);
    F->Write(Text.data(), Text.size());
    return Batch;
  } catch (const platform::EPlatformError&) {
    return {};
  }
}

} // namespace quendel
