// quendel link show FILE.lnk: what a shortcut holds, read with the project's
// own reader (no shell needed, so it works on any build machine).
#include "cli_files.h"
#include "commands.h"

#include "platform/shell_link_format.h"

#include <cstdio>
#include <iostream>

namespace quendel::cli {

namespace {

struct TLinkOptions {
  std::string File;
  bool Json = false;
};

// "Ctrl+Alt+Q" for a hot key; key names for the keys a shortcut usually takes.
std::string HotKeyText(std::uint16_t HotKey) {
  if (HotKey == 0) return "";
  std::string Text;
  if (HotKey & platform::hotkeyControl) Text += "Ctrl+";
  if (HotKey & platform::hotkeyAlt) Text += "Alt+";
  if (HotKey & platform::hotkeyShift) Text += "Shift+";
  const unsigned Key = HotKey & 0xFF;
  if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) {
    Text += static_cast<char>(Key);
  } else if (Key >= 0x70 && Key <= 0x87) {
    Text += "F" + std::to_string(Key - 0x6F);
  } else {
    char Hex[8];
    std::snprintf(Hex, sizeof Hex, "0x%02X", Key);
    Text += Hex;
  }
  return Text;
}

std::string ShowText(int Show) {
  switch (Show) {
  case platform::swShowNormal: return "normal";
  case platform::swShowMaximized: return "maximized";
  case platform::swShowMinNoActive: return "minimized";
  default: return std::to_string(Show);
  }
}

void RunLinkShow(const TLinkOptions& O) {
  TAuthorRuntime& files = CurrentAuthorRuntime();
  const std::string path = files.ToPlatform(O.File);
  if (!files.Files().FileExists(path)) throw std::runtime_error("cannot open " + O.File);
  platform::TShellLink L;
  try {
    L = platform::ReadShellLinkFile(files.Files(), path);
  } catch (const platform::EShellLinkFormat& E) {
    throw std::runtime_error(O.File + ": " + E.what());
  }
  if (O.Json) {
    std::cout << "{\n \"target\": " << JsonString(L.Path)
              << ",\n \"arguments\": " << JsonString(L.Arguments)
              << ",\n \"workingDirectory\": " << JsonString(L.WorkingDirectory)
              << ",\n \"description\": " << JsonString(L.Description)
              << ",\n \"iconPath\": " << JsonString(L.IconPath)
              << ",\n \"iconIndex\": " << L.IconIndex << ",\n \"hotKey\": " << L.HotKey
              << ",\n \"hotKeyText\": " << JsonString(HotKeyText(L.HotKey))
              << ",\n \"showCommand\": " << L.ShowCommand << "\n}\n";
    return;
  }
  std::cout << "Target: " << ToConsole(L.Path) << "\n";
  std::cout << "Arguments: " << ToConsole(L.Arguments) << "\n";
  std::cout << "Working directory: " << ToConsole(L.WorkingDirectory) << "\n";
  std::cout << "Icon: " << ToConsole(L.IconPath) << "," << L.IconIndex << "\n";
  std::cout << "Hot key: " << HotKeyText(L.HotKey) << "\n";
  std::cout << "Show: " << ShowText(L.ShowCommand) << "\n";
  std::cout << "Description: " << ToConsole(L.Description) << "\n";
}

} // namespace

void AddLinkCommands(CLI::App& App) {
  auto opts = std::make_shared<TLinkOptions>();
  auto* link = App.add_subcommand("link", "Shortcut files");
  link->require_subcommand(1);
  auto* show = link->add_subcommand("show", "Show what a .lnk shortcut holds");
  show->add_option("FILE", opts->File, "A .lnk file")->required();
  show->add_flag("--json", opts->Json, "Print a JSON object");
  show->callback([opts] { RunLinkShow(*opts); });
}

} // namespace quendel::cli
