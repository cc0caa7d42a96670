#include "engine/program_launcher.h"

#include "model/model_context.h"

namespace quendel {

constexpr const char* kShowModeInfo[] = {"smNormal", "smMaximized", "smMinimized", "smHide"};
constinit const TEnumInfo ShowModeInfo("TplShowMode", kShowModeInfo);

std::string ProgramLauncherMessage(int Code) {
  switch (Code) {
  case 0:
  case 8:
    return "Out of memory";
  case 2:
    return "File not found";
  case 3:
    return "Path not found";
  case 5:
    return "Sharing violation";
  case 6:
    return "Library/Segment error";
  case 10:
    return "Incorrect version of windows";
  case 11:
    return "Invalid file";
  case 12:
  case 13:
    return "Invalid DOS version";
  case 14:
  case 31:
    return "File type has no association";
  case 15:
    return "Cannot load a Real-mode application";
  case 16:
    return "Invalid attempt to launch second instance";
  case 19:
    return "Cannot load a compressed executable file";
  case 20:
    return "Invalid dynamic link library";
  case 21:
    return "Application requires Win32";
  default:
    return "Unknown error";
  }
}

void TProgramLauncher::Execute() {
  static constexpr platform::TShowCommand kShow[] = {platform::showNormal, platform::showMaximized,
                                                     platform::showMinimized, platform::showHide};
  platform::TProcessStart start;
  start.Application = FileName;
  start.CommandLine = Parameters;
  start.ShowCommand = kShow[ShowMode];
  start.BusyCursor = true;
  platform::IProcesses* processes = CurrentModelContext().Platform().Processes.get();
  if (!processes) throw EProgramLauncherFailed(0, ProgramLauncherMessage(0));
  try {
    std::unique_ptr<platform::IProcess> p = processes->Start(start);
    // A console program or a batch file never becomes idle: the wait then
    // returns at once, as the system reports.
    (void)p->WaitForInputIdle(platform::waitInfinite);
  } catch (const platform::EPlatformError& e) {
    // The system's error number, through the table of program-start errors.
    const int code = static_cast<int>(e.Code());
    throw EProgramLauncherFailed(code, ProgramLauncherMessage(code));
  }
}

const TClassInfo& TProgramLauncher::StaticClass() {
  using T = TProgramLauncher;
  return ClassTable([] {
    return TClassBuilder<T>("TProgramLauncher", &TComponent::StaticClass)
        .Str<&T::Action, &T::Action>("Action")
        .Str<&T::FileName, &T::FileName>("FileName")
        .Str<&T::Parameters, &T::Parameters>("Parameters")
        .Enum<&T::ShowMode, &T::ShowMode>("ShowMode", ShowModeInfo, static_cast<int>(smNormal))
        .Str<&T::StartDir, &T::StartDir>("StartDir")
        .Int<&T::Timeout, &T::Timeout>("Timeout", -1)
        .Bool<&T::Wait, &T::Wait>("Wait", true);
  });
}

} // namespace quendel
