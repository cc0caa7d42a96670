// The setup program runtime. A product's setup program is a copy of it that
// carries the product's install definition as the resource "TFRMMAINMENU"
// (and its title as "SETUPTITLE"), added by "quendel make-setup".
#include "main_window.h"

#include "definition/main_form.h"
#include "ui/main_form.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"
#include "ui/win32/win32_backend.h"

#include <windows.h>

#include <objbase.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Resource(const char* Name) {
  HRSRC r = FindResourceA(nullptr, Name, MAKEINTRESOURCEA(10));
  if (!r) return {};
  HGLOBAL g = LoadResource(nullptr, r);
  const auto* p = static_cast<const std::uint8_t*>(g ? LockResource(g) : nullptr);
  if (!p) return {};
  return std::vector<std::uint8_t>(p, p + SizeofResource(nullptr, r));
}

std::string ProgramPath() {
  char path[MAX_PATH + 1];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n < MAX_PATH ? n : 0);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace quendel;
  std::vector<std::string> args(__argv + 1, __argv + __argc);
  // The shell objects (shortcuts) need COM on this thread.
  const HRESULT com = CoInitialize(nullptr);
  int code;
  {
    const std::vector<std::uint8_t> title = Resource("SETUPTITLE");
    // The wizards' windows; declared first, as the runtime's widget layer
    // uses it until its end.
    ui::TWin32Backend widgets;
    TSetupRuntime runtime(platform::CreateDefaultPlatform(), ProgramPath(), args);
    runtime.App().Title = title.empty() ? "Setup" : std::string(title.begin(), title.end());
    // A quiet run opens no window at all: its managers only log.
    if (!runtime.Quiet()) runtime.UseWidgets(widgets);
    setup::TWin32WindowHost host;
    code = RunSetupProgram(runtime.App(), Resource("TFRMMAINMENU"),
                           runtime.Quiet() ? nullptr : &host);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return code;
}
