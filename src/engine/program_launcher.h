// Starts another program as a process of its own, waits until it is ready
// for input, and returns; it never waits for the program to end. The install
// root starts the run-after-install programs and its cleanup batch file with
// it.
#pragma once

#include "core/component.h"
#include "core/reflection.h"
#include "engine/errors.h"

#include <string>

namespace quendel {

enum TplShowMode { smNormal, smMaximized, smMinimized, smHide };
extern const TEnumInfo ShowModeInfo;

// The message for a program-start error number (not translated).
std::string ProgramLauncherMessage(int Code);

class TProgramLauncher : public TComponent {
public:
  explicit TProgramLauncher(TComponent* AOwner) : TComponent(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Starts FileName with Parameters as its whole command line (the program
  // name is not repeated), shown as ShowMode, in the current directory.
  // Raises EProgramLauncherFailed with the system's error number and its
  // message. Action, StartDir, Timeout and Wait do not change what it does.
  void Execute();

  std::string Action = "Open";
  std::string FileName;
  std::string Parameters;
  TplShowMode ShowMode = smNormal;
  std::string StartDir;
  int Timeout = -1;
  bool Wait = true;
};

} // namespace quendel
