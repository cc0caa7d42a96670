#include "system/os_version.h"

#include "core/strings.h"
#include "platform/error.h"

namespace quendel {

constexpr const char* kOSVerTypeInfo[] = {"os31win32",      "oswin95", "oswinNT", "oswinNT351",
                                          "osUnidentified", "osLinux", "oswin2K", "oswin98",
                                          "oswinME",        "oswinXP"};
constinit const TEnumInfo OSVerTypeInfo("TOSVerType", kOSVerTypeInfo);

std::string OSVerTypeName(TOSVerType Value) {
  return OSVerTypeInfo.NameOf(static_cast<int>(Value));
}

TOSVerType OSVersionFromRecord(const platform::TOSVersionInfo& Info) {
  switch (Info.dwPlatformId) {
  case platform::verPlatformWin32s:
    return os31win32;
  case platform::verPlatformWin32Windows:
    if (Info.dwMinorVersion == 0) return oswin95;
    if (Info.dwMinorVersion == 90) return oswinME;
    return oswin98;
  case platform::verPlatformWin32NT:
    if (Info.dwMajorVersion < 4) return oswinNT351;
    if (Info.dwMajorVersion == 4) return oswinNT;
    if (Info.dwMajorVersion == 5) return Info.dwMinorVersion == 0 ? oswin2K : oswinXP;
    return oswinXP;
  default:
    return osUnidentified;
  }
}

TOSVerType GetOSVersion(const platform::ISystemInfo& System) {
  platform::TOSVersionInfo Info;
  try {
    Info = System.Version();
  } catch (const platform::EPlatformError&) {
    ThrowWithCause(EAPIRoutines("Could not get information about the current version of Windows"));
  }
  return OSVersionFromRecord(Info);
}

namespace {

template <class F> std::string AskDirectory(F&& Ask, const char* Failure) {
  std::string Dir;
  try {
    Dir = Ask();
  } catch (const platform::EPlatformError&) {
    ThrowWithCause(EAPIRoutines(Failure));
  }
  if (Dir.empty()) Raise<EAPIRoutines>(Failure);
  return Dir;
}

} // namespace

std::string GetWindowsDir(const platform::ISystemInfo& System) {
  return AskDirectory([&] { return System.WindowsDirectory(); },
                      "Could not retrieve the windows directory from windows");
}

std::string GetSystemDir(const platform::ISystemInfo& System) {
  return AskDirectory([&] { return System.SystemDirectory(); },
                      "Could not retrieve the system directroy from windows");
}

std::string GetTempFileName(platform::IFileSystem& Files, bool Keep) {
  static const char* const Failure = "Cannot create a temporary file";
  std::string Name;
  try {
    const std::string Dir = Files.TempDirectory();
    if (Dir.empty()) Raise<EAPIRoutines>(Failure);
    Name = Files.TempFileName(Dir, "bat");
  } catch (const platform::EPlatformError&) {
    ThrowWithCause(EAPIRoutines(Failure));
  }
  if (Name.empty()) Raise<EAPIRoutines>(Failure);
  // Only the name is wanted: a file that cannot be deleted stays behind empty.
  if (!Keep) Files.TryRemoveFile(Name);
  return Name;
}

void RemoveDownloadedArchive(platform::IFileSystem& Files, const std::string& Archive) {
  if (Archive.empty()) return;
  (void)Files.TryRemoveFile(Archive);
  // The reservation is ours only while it is empty; anything else under that
  // name was put there by someone else.
  const std::string Reserved = ChangeFileExt(Archive, ".tmp");
  if (Reserved == Archive) return;
  try {
    const std::vector<platform::TFindData> Found = Files.FindFiles(Reserved);
    if (Found.size() == 1 && !Found.front().IsDirectory() && Found.front().Size == 0)
      (void)Files.TryRemoveFile(Reserved);
  } catch (const platform::EPlatformError&) {
  }
}

std::string GetShortPath(platform::IFileSystem& Files, const std::string& Path) {
  try {
    return Files.ShortPath(Path);
  } catch (const platform::EPlatformError&) {
    return {};
  }
}

} // namespace quendel
