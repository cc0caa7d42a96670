// Forms on the headless backend: stored layouts load into the controls,
// layouts scale with the screen's DPI, tests drive windows as a user would,
// and modal loops always end.
#include "definition/loader.h"
#include "definition/text_codec.h"
#include "definition/writer.h"
#include "ui/backdrop.h"
#include "ui/forms.h"
#include "ui/headless.h"
#include "ui/main_form.h"
#include "ui/software_canvas.h"
#include "ui/translate_hooks.h"
#include "translate/translator.h"

#include <gtest/gtest.h>

namespace quendel::ui {
namespace {

class UiTest : public ::testing::Test {
protected:
  UiTest() { RegisterUiClasses(Registry); }
  void Load(TComponent& Root, const std::string& Text) {
    TLoadOptions o;
    o.Classes = &Registry;
    LoadDefinition(TextToObject(Text), Root, o);
  }
  TClassRegistry Registry;
  THeadlessBackend Backend;
  TUiContext Context{Backend};
  TUiScope Scope{Context};
};

const char* const kDialog = R"(object Dlg: TForm
  Left = 10
  Top = 20
  BorderStyle = bsDialog
  Caption = 'Question'
  ClientHeight = 100
  ClientWidth = 200
  Color = clBtnFace
  Font.Charset = HEBREW_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Arial'
  Font.Style = []
  PixelsPerInch = 96
  TextHeight = 14
  object Panel1: TPanel
    Left = 0
    Top = 60
    Width = 200
    Height = 40
    Align = alBottom
    BevelOuter = bvNone
    object OkBtn: TButton
      Left = 10
      Top = 8
      Width = 75
      Height = 25
      Caption = 'OK'
      ModalResult = 1
    end
    object NoBtn: TButton
      Left = 100
      Top = 8
      Width = 75
      Height = 25
      Caption = 'No'
      Enabled = False
    end
  end
  object Edit1: TEdit
    Left = 8
    Top = 8
    Width = 120
    Height = 21
    Text = 'typed'
  end
end
)";

TEST_F(UiTest, LayoutLoadsColoursAndCharsetsByName) {
  TForm f(nullptr);
  Load(f, kDialog);
  EXPECT_EQ(f.Color(), clBtnFace);
  EXPECT_EQ(f.Font().Charset(), 177);
  EXPECT_EQ(f.Font().Color(), clWindowText);
  EXPECT_EQ(f.ClientWidth(), 200);
  auto* panel = dynamic_cast<TPanel*>(f.FindComponent("Panel1"));
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->Parent(), &f);
  EXPECT_EQ(f.FindComponent("OkBtn")->ClassName(), "TButton");
  EXPECT_EQ(static_cast<TControl*>(f.FindComponent("OkBtn"))->Parent(), panel);
  // The children take the form's font unless they set their own.
  EXPECT_EQ(panel->Font().Name(), "Arial");
  // Written back, colours and charsets keep their names.
  f.SetColor(clWindow);
  const std::string text = ObjectToText(ComponentToObject(f));
  EXPECT_NE(text.find("Color = clWindow"), std::string::npos) << text;
  EXPECT_NE(text.find("Font.Charset = HEBREW_CHARSET"), std::string::npos) << text;
  // An unknown name is refused, not read as 0.
  TForm bad(nullptr);
  EXPECT_THROW(Load(bad, "object Dlg: TForm\n  Color = clNoSuchColour\nend\n"), EReadError);
}

TEST_F(UiTest, ClientAreaDecidesTheWindowSize) {
  TForm f(nullptr);
  Load(f, kDialog);
  f.AfterConstruction();
  // The frame of today's windows is added to the client area the layout
  // needs, whatever frame the stored size assumed.
  EXPECT_EQ(f.Width(), 200 + 16);
  EXPECT_EQ(f.Height(), 100 + 16 + 23);
  // An outer size designed for classic frames keeps its client area.
  f.SetBounds(0, 0, 206, 125);
  EXPECT_EQ(f.ClientWidth(), 200);
  EXPECT_EQ(f.ClientHeight(), 100);
}

TEST_F(UiTest, LayoutsScaleWithTheScreenDpi) {
  Backend.Dpi = 144;
  TForm f(nullptr);
  Load(f, kDialog);
  f.AfterConstruction();
  EXPECT_EQ(f.ClientWidth(), 300);
  EXPECT_EQ(f.ClientHeight(), 150);
  EXPECT_EQ(f.Font().Height(), -17); // -11 * 1.5, rounded away from zero
  auto* ok = static_cast<TControl*>(f.FindComponent("OkBtn"));
  EXPECT_EQ(ok->Left(), 15);
  EXPECT_EQ(ok->Width(), 113);
  auto* panel = static_cast<TControl*>(f.FindComponent("Panel1"));
  // Still aligned to the bottom of the larger client area; nothing clipped.
  EXPECT_EQ(panel->Top() + panel->Height(), 150);
  EXPECT_LE(ok->Left() + ok->Width(), panel->Width());
  EXPECT_LE(ok->Top() + ok->Height(), panel->Height());
}

TEST_F(UiTest, TestsDriveAModalFormAsAUser) {
  TForm f(nullptr);
  Load(f, kDialog);
  f.AfterConstruction();
  Backend.Script([&] {
    TWinControl* w = Backend.FindWindow("Question");
    ASSERT_EQ(w, &f);
    auto* no = dynamic_cast<TWinControl*>(Backend.FindControl(*w, "No"));
    ASSERT_TRUE(no);
    EXPECT_FALSE(Backend.Press(*no)); // disabled: refused
    auto* edit = dynamic_cast<TEdit*>(Backend.FindControl(*w, "Edit1"));
    EXPECT_EQ(Backend.Node(edit->Handle())->Text, "typed");
    Backend.Type(*edit, "changed");
    EXPECT_EQ(edit->Text(), "changed");
    EXPECT_TRUE(Backend.Press(*dynamic_cast<TWinControl*>(Backend.FindControl(*w, "OK"))));
  });
  EXPECT_EQ(f.ShowModal(), mrOk);
  EXPECT_FALSE(f.Visible());
  EXPECT_EQ(Backend.FindWindow("Question"), nullptr);
}

// The translator knows no control class; the hooks make it reach buttons
// taken by identifier, labels inside panels, and the windows showing them.
TEST_F(UiTest, TranslatorReachesNestedControlsThroughTheHooks) {
  TTranslateContext ctx;
  AttachTranslateHooks(ctx);
  TTranslateScope scope(ctx);
  TTranslator translator(nullptr);
  dynamic_cast<TStrings*>(GetObjectProp(translator, "lgEnglish.Strings"))
      ->SetText("5;Next >\n6;Cancel\n");
  dynamic_cast<TStrings*>(GetObjectProp(translator, "lgGerman.Strings"))
      ->SetText("5;Weiter >\n6;Abbrechen\n");
  translator.SetTranslateIntoLanguage(qlGerman);

  TForm f(nullptr);
  Load(f, kDialog);
  auto* next = new TTranslateBitBtn(&f);
  next->SetParent(dynamic_cast<TWinControl*>(f.FindComponent("Panel1")));
  next->SetCaption("whatever");
  next->GLID = 5;
  auto* label = new TLabel(&f);
  label->SetParent(dynamic_cast<TWinControl*>(f.FindComponent("Panel1")));
  label->SetCaption("Cancel");
  f.AfterConstruction();
  f.Show();
  EXPECT_EQ(TranslateForm(f, qlEnglish), qlGerman);
  EXPECT_EQ(next->Caption(), "Weiter >");
  EXPECT_EQ(Backend.Node(next->Handle())->Text, "Weiter >");
  EXPECT_EQ(label->Caption(), "Abbrechen");
  EXPECT_TRUE(label->Visible()); // hidden while its text changed, shown again
}

TEST_F(UiTest, ModalLoopsAlwaysEnd) {
  TForm f(nullptr);
  Load(f, kDialog);
  f.AfterConstruction();
  // Nobody to answer: an error instead of a hang.
  EXPECT_THROW(f.ShowModal(), EComponentError);
  EXPECT_FALSE(f.IsModal());

  // A handler's error closes the modal window before anybody reports it.
  auto* ok = static_cast<TButton*>(f.FindComponent("OkBtn"));
  ok->ModalResult = 0;
  ok->OnClick = [](TComponent*) { throw EAbort("handler failed"); };
  bool stillOpenWhenReported = true;
  Backend.Script([&] { Backend.Press(*ok); });
  try {
    f.ShowModal();
    ADD_FAILURE() << "the handler's error was lost";
  } catch (const EAbort&) {
    stillOpenWhenReported = f.Visible();
  }
  EXPECT_FALSE(stillOpenWhenReported);

  // The application's end ends the loop too: as cancelled.
  Backend.Script([&] { Application().Terminate(); });
  EXPECT_EQ(f.ShowModal(), mrCancel);
}

TEST_F(UiTest, MainWindowDefinitionLoadsWithBackdropAndLabel) {
  TfrmMainMenu main(nullptr);
  Load(main, R"(object frmMainMenu: TfrmMainMenu
  Left = 217
  Top = 103
  Width = 696
  Height = 480
  Caption = 'Demo Install'
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
      Caption = 'Demo 1.0'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -37
      Font.Name = 'Arial'
      Font.Style = [fsBold]
      ParentFont = False
      LabelStyle.AShadeLTSet = False
    end
  end
end
)");
  main.AfterConstruction();
  auto* backdrop = dynamic_cast<TBackdrop*>(main.FindComponent("BackDrop"));
  auto* label = dynamic_cast<TRotate3DLabel*>(main.FindComponent("ProductLabel"));
  ASSERT_TRUE(backdrop && label);
  EXPECT_EQ(MainBackdrop(), backdrop);
  EXPECT_EQ(MainLabel(), label);
  EXPECT_EQ(main.ClientWidth(), 688);
  EXPECT_EQ(main.ClientHeight(), 453);
  // The backdrop fills the client area; the label sits on top of it.
  EXPECT_EQ(backdrop->Width(), main.ClientWidth());
  EXPECT_EQ(backdrop->Height(), main.ClientHeight());
  EXPECT_EQ(label->Parent(), backdrop);
  EXPECT_EQ(label->Height(), 65);
  EXPECT_FALSE(label->LabelStyle().AShadeLTSet());
  EXPECT_TRUE(label->Font().Style().Contains(fsBold));

  // The rendered window: gradient below, the label's text in it.
  TBitmap32 shot;
  main.RenderTo(shot);
  EXPECT_EQ(shot.Pixel(5, shot.Height() - 1), MakeRGB(0, 0, 0));
  EXPECT_EQ(shot.Pixel(5, 0), MakeRGB(0, 0, 255));
  bool text = false;
  for (int x = 0; x < shot.Width(); ++x)
    for (int y = 0; y < 66; ++y)
      if (shot.Pixel(x, y) == ClassicSysColor(8)) text = true;
  EXPECT_TRUE(text);
}

} // namespace
} // namespace quendel::ui
