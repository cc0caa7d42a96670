// Shows the main window in every drawing case, one after the other, for a
// screenshot script: for each case it paints the window, writes what the
// software renderer draws for the same window (NAME.ppm), creates NAME.ready
// and waits for NAME.taken. With --headless (the only choice natively) it
// writes the renders without showing anything.
//
//   ui_showcase OUTDIR [--headless] [--only NAME]
#include "definition/binary_codec.h"
#include "definition/loader.h"
#include "definition/text_codec.h"
#include "ui/backdrop.h"
#include "ui/forms.h"
#include "ui/headless.h"
#include "ui/main_form.h"
#include "ui/software_canvas.h"
#ifdef _WIN32
#include "ui/win32/win32_backend.h"
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace quendel;
using namespace quendel::ui;
namespace fs = std::filesystem;

namespace {

const char* const kMainWindow = R"(object frmMainMenu: TfrmMainMenu
  Left = 0
  Top = 0
  Width = 696
  Height = 480
  BorderStyle = bsNone
  Caption = 'Showcase Install'
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  PixelsPerInch = 96
  TextHeight = 13
  object BackDrop: TBackdrop
    Left = 0
    Top = 0
    Width = 688
    Height = 453
    Tag = -1
    object ProductLabel: TRotate3DLabel
      Left = 1
      Top = 1
      Width = 686
      Height = 65
      Tag = -1
      Align = alTop
      Alignment = taCenter
      Caption = 'Quendel 1.0'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clYellow
      Font.Height = -37
      Font.Name = 'Arial'
      Font.Style = [fsBold]
      ParentFont = False
      LabelStyle.AShadeLTSet = False
    end
  end
end
)";

struct TCase {
  std::string Name;
  TDirection Direction;
  T3DEffectShort Effect;
  int Angle;
  bool Opaque;
};

std::vector<TCase> Cases() {
  std::vector<TCase> out;
  for (int d = 0; d < DirectionInfo.Count(); ++d)
    out.push_back({"dir_" + DirectionInfo.NameOf(d), static_cast<TDirection>(d), A3dRaised, 0, false});
  for (int e = 0; e < Effect3DInfo.Count(); ++e)
    for (int a : {0, 45, 90})
      out.push_back({"label_" + Effect3DInfo.NameOf(e) + "_" + std::to_string(a), bdUp,
                     static_cast<T3DEffectShort>(e), a, false});
  out.push_back({"label_opaque_45", bdUp, A3dRaised, 45, true});
  return out;
}

void Apply(TfrmMainMenu& Form, const TCase& C) {
  auto* backdrop = static_cast<TBackdrop*>(Form.FindComponent("BackDrop"));
  auto* label = static_cast<TRotate3DLabel*>(Form.FindComponent("ProductLabel"));
  backdrop->SetDirection(C.Direction);
  label->LabelStyle().SetAStyle3D(C.Effect);
  label->LabelStyle().SetAngle(C.Angle);
  // Turned text needs the height of the window; level text keeps its strip.
  label->SetAlign(C.Angle == 0 ? alTop : alClient);
  if (C.Opaque) {
    label->SetColor(0x00C000);
    label->SetMyTransparent(false);
  }
  backdrop->Invalidate();
}

bool WaitFor(const fs::path& P, IWidgetBackend& B) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(P)) {
    if (std::chrono::steady_clock::now() > until) return false;
    B.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void Touch(const fs::path& P) { std::ofstream(P) << "1\n"; }

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: ui_showcase OUTDIR [--headless] [--only NAME]\n";
    return 2;
  }
  const fs::path out = argv[1];
  bool headless = true;
#ifdef _WIN32
  headless = false;
#endif
  std::string only;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--headless") headless = true;
    if (a == "--only" && i + 1 < argc) only = argv[++i];
  }
  try {
    fs::create_directories(out);
    std::unique_ptr<IWidgetBackend> backend;
#ifdef _WIN32
    if (!headless) backend = std::make_unique<TWin32Backend>();
#endif
    if (!backend) backend = std::make_unique<THeadlessBackend>();
    TUiContext context(*backend);
    TUiScope scope(context);
    TClassRegistry classes;
    RegisterUiClasses(classes);
    const std::vector<std::uint8_t> layout = WriteObjectBinary(TextToObject(kMainWindow));
    context.Resources().Add("TFRMMAINMENU", std::string(layout.begin(), layout.end()));

    for (const TCase& c : Cases()) {
      if (!only.empty() && c.Name != only) continue;
      TfrmMainMenu form(nullptr);
      TLoadOptions o;
      o.Classes = &classes;
      LoadDefinition(TextToObject(kMainWindow), form, o);
      form.AfterConstruction();
      Apply(form, c);
      TBitmap32 render;
      form.RenderTo(render);
      std::ofstream(out / (c.Name + ".ppm"), std::ios::binary) << render.ToPPM();
      // The size the window takes on this screen, for the script to crop.
      std::ofstream(out / (c.Name + ".size")) << form.ClientWidth() << "x" << form.ClientHeight()
                                              << "\n";
      if (headless) continue;
      form.Show();
      for (int i = 0; i < 10; ++i) {
        backend->ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      Touch(out / (c.Name + ".ready"));
      if (!WaitFor(out / (c.Name + ".taken"), *backend)) {
        std::cerr << "nobody took the screenshot of " << c.Name << "\n";
        return 1;
      }
      form.Hide();
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "ui_showcase: " << e.what() << "\n";
    return 1;
  }
}
