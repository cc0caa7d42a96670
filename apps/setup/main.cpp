// The setup program runtime. A product's setup program is a copy of it that
// carries the product's install definition as the resource "TFRMMAINMENU"
// (and its title as "SETUPTITLE"), added by "quendel make-setup"; the
// layouts of its wizard pages are resources of the runtime itself.
#include "main_window.h"

#include "definition/main_form.h"
#include "ui/main_form.h"
#include "engine/setup_program.h"
#include "engine/setup_runtime.h"
#include "ui/win32/win32_backend.h"

#include <windows.h>

#include <cctype>
#include <cstring>
#include <optional>
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

// The wizard pages' stored layouts are resources of this program named
// after their form class (made from forms/ by the build).
std::optional<std::string> FormLayout(const std::string& Name) {
  const std::vector<std::uint8_t> bytes = Resource(Name.c_str());
  if (bytes.empty()) return std::nullopt;
  return std::string(bytes.begin(), bytes.end());
}

// A bitmap resource as the bytes of a BMP file: the resource holds the
// bitmap without its file header, which is put back in front.
std::vector<std::uint8_t> BitmapResource(const std::string& Name) {
  HRSRC r = FindResourceA(nullptr, Name.c_str(), MAKEINTRESOURCEA(2));
  HGLOBAL g = r ? LoadResource(nullptr, r) : nullptr;
  const auto* p = static_cast<const std::uint8_t*>(g ? LockResource(g) : nullptr);
  const DWORD size = r ? SizeofResource(nullptr, r) : 0;
  if (!p || size < sizeof(BITMAPINFOHEADER)) return {};
  BITMAPINFOHEADER info;
  std::memcpy(&info, p, sizeof info);
  if (info.biSize < sizeof info || info.biSize > size) return {};
  DWORD colours = info.biBitCount <= 8 ? (info.biClrUsed ? info.biClrUsed : 1u << info.biBitCount) : 0;
  if (info.biCompression == BI_BITFIELDS && info.biSize == sizeof info) colours = 3;
  const DWORD offset = sizeof(BITMAPFILEHEADER) + info.biSize + colours * 4;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42; // "BM"
  file.bfSize = sizeof file + size;
  file.bfOffBits = offset;
  std::vector<std::uint8_t> bmp(sizeof file + size);
  std::memcpy(bmp.data(), &file, sizeof file);
  std::memcpy(bmp.data() + sizeof file, p, size);
  return bmp;
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
  // The component-object library is set up where it is used (shortcuts,
  // type libraries, the folder browser) and the common controls when the
  // first window class is registered: a quiet run that needs neither never
  // loads them (the controls would open the desktop).
  const std::vector<std::uint8_t> title = Resource("SETUPTITLE");
  // The wizards' windows; declared first, as the runtime's widget layer
  // uses it until its end. A quiet run opens no window at all (its
  // managers only log) and makes none.
  std::optional<ui::TWin32Backend> widgets;
  TSetupRuntime runtime(ProgramPath(), args);
  runtime.App().Title = title.empty() ? "Setup" : std::string(title.begin(), title.end());
  runtime.App().BitmapResource = BitmapResource;
  if (runtime.Quiet()) return RunSetupProgram(runtime.App(), Resource("TFRMMAINMENU"), nullptr);
  runtime.UseWidgets(widgets.emplace(), FormLayout);
  setup::TWin32WindowHost host;
  return RunSetupProgram(runtime.App(), Resource("TFRMMAINMENU"), &host);
}
