#include "translate/translator.h"

#include "core/exceptions.h"
#include "core/graphics.h"
#include "definition/loader.h"
#include "ui/main_form.h"
#include "definition/text_codec.h"
#include "platform/native/native_sysinfo.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>

namespace quendel {
namespace {

// Controls as the widget layer will publish them, reduced to what the
// translator looks at.
class TControl : public TComponent {
public:
  explicit TControl(TComponent* AOwner) : TComponent(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& V) {
    if (V == "explode") throw EConvertError("caption refused");
    FCaption = V;
    VisibleWhenSet = Visible;
    AutoSizeWhenSet = AutoSize;
  }
  bool Visible = true;
  bool AutoSize = true; // published by labels only
  std::string Hint;
  TFont Font;
  bool VisibleWhenSet = true;
  bool AutoSizeWhenSet = true;

private:
  std::string FCaption;
};

const TClassInfo& TControl::StaticClass() {
  using T = TControl;
  return ClassTable([] {
    return TClassBuilder<T>("TControl", &TComponent::StaticClass)
        .Str<&T::Caption, &T::SetCaption>("Caption")
        .Str<&T::Hint, &T::Hint>("Hint")
        .Bool<&T::Visible, &T::Visible>("Visible", true)
        .Object<&T::Font>("Font");
  });
}

// A control class that adds nothing but its name.
#define QUENDEL_TEST_CONTROL(Name, Base)                                                           \
  class Name : public Base {                                                                       \
  public:                                                                                          \
    explicit Name(TComponent* AOwner) : Base(AOwner) {}                                            \
    static const TClassInfo& StaticClass() {                                                       \
      return ClassTable([] { return TClassBuilder<Name>(#Name, &Base::StaticClass); });            \
    }                                                                                              \
    const TClassInfo& ClassType() const override { return StaticClass(); }                         \
  }

QUENDEL_TEST_CONTROL(TWinControl, TControl);
QUENDEL_TEST_CONTROL(TForm, TWinControl);

class TLabel : public TControl {
public:
  explicit TLabel(TComponent* AOwner) : TControl(AOwner) {}
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TLabel>("TLabel", &TControl::StaticClass)
          .Bool<&TLabel::AutoSize, &TLabel::AutoSize>("AutoSize", true);
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
};
// A label and a button that take their caption by identifier.
class TTranslateLabel : public TLabel {
public:
  explicit TTranslateLabel(TComponent* AOwner) : TLabel(AOwner) {}
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TTranslateLabel>("TTranslateLabel", &TLabel::StaticClass)
          .Int<&TTranslateLabel::GLID, &TTranslateLabel::GLID>("GLID", 0);
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int GLID = 0;
};
class TTranslateBitBtn : public TWinControl {
public:
  explicit TTranslateBitBtn(TComponent* AOwner) : TWinControl(AOwner) {}
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TTranslateBitBtn>("TTranslateBitBtn", &TWinControl::StaticClass)
          .Int<&TTranslateBitBtn::GLID, &TTranslateBitBtn::GLID>("GLID", 0);
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  int GLID = 0;
};
class TMemo : public TWinControl {
public:
  explicit TMemo(TComponent* AOwner) : TWinControl(AOwner) {}
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TMemo>("TMemo", &TWinControl::StaticClass)
          .Strings<&TMemo::Lines>("Lines");
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TStringList Lines;
};
class TListBox : public TWinControl {
public:
  explicit TListBox(TComponent* AOwner) : TWinControl(AOwner) {}
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TListBox>("TListBox", &TWinControl::StaticClass)
          .Strings<&TListBox::Items>("Items");
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  TStringList Items;
};

void SetTable(TTranslator& T, const char* Language, std::initializer_list<const char*> Lines) {
  auto* strings = dynamic_cast<TStrings*>(GetObjectProp(T, std::string(Language) + ".Strings"));
  ASSERT_NE(strings, nullptr);
  std::string text;
  for (const char* l : Lines)
    text += std::string(l) + "\n";
  strings->SetText(text);
}

const std::initializer_list<const char*> English = {
    "5;Next >",
    "6;Cancel",
    "20;Welcome",
    "21;Cannot open the file %s",
    "22;Installation aborted by the user",
    "23;Setup",
    "#30;",
    "Put the readme here.",
    "It is a memo.",
    "#",
};
const std::initializer_list<const char*> German = {
    "5;Weiter >",
    "6;Abbrechen",
    "20;Willkommen",
    "21;Die Datei %s kann nicht ge\xF6"
    "ffnet werden",
    "22;Installation vom Benutzer abgebrochen",
    "#30;",
    "Hier steht die Liesmich-Datei.",
    "#",
};
const std::initializer_list<const char*> French = {
    "5;Suivant >",
    "6;Annuler",
    "20;Bienvenue",
};

// What the widget layer tells the translator about its classes; here about
// the stand-ins above, by class.
TWidgetKinds ProbeKinds(const TPersistent& X) {
  TWidgetKinds K = 0;
  if (X.InheritsFrom(TControl::StaticClass())) K |= wkControl;
  if (X.InheritsFrom(TWinControl::StaticClass())) K |= wkWinControl;
  if (X.InheritsFrom(TForm::StaticClass())) K |= wkForm;
  if (X.InheritsFrom(TLabel::StaticClass())) K |= wkLabel;
  if (X.InheritsFrom(TMemo::StaticClass())) K |= wkMemo;
  if (X.InheritsFrom(TListBox::StaticClass())) K |= wkItemList;
  if (X.InheritsFrom(TTranslateLabel::StaticClass()) ||
      X.InheritsFrom(TTranslateBitBtn::StaticClass()))
    K |= wkTranslatable;
  return K;
}

class TranslatorTest : public ::testing::Test {
protected:
  TranslatorTest() {
    Ctx.System = &System;
    Ctx.WidgetKinds = ProbeKinds;
  }
  TTranslateContext Ctx;
  TTranslateScope Scope{Ctx};
  platform::native::TNativeSystemInfo System; // an English user unless a test says otherwise
};

TEST_F(TranslatorTest, Main_FirstTranslatorOfTheContext) {
  EXPECT_EQ(TranslateMessage("Cancel"), "Cancel");
  EXPECT_EQ(ResolveLanguage(qlGerman), nullptr);
  {
    TTranslator first(nullptr);
    TTranslator second(nullptr);
    EXPECT_EQ(Ctx.MainTranslator, &first);
    SetTable(second, "lgEnglish", English);
    SetTable(second, "lgGerman", German);
    second.SetTranslateIntoLanguage(qlGerman);
    EXPECT_EQ(TranslateMessage("Cancel"), "Cancel"); // second is not the main one
    EXPECT_EQ(ResolveLanguage(qlGerman), first.LanguageAt<qlGerman>());
    {
      TTranslateContext other;
      TTranslateScope inner(other);
      TTranslator third(nullptr);
      EXPECT_EQ(other.MainTranslator, &third);
      EXPECT_EQ(Ctx.MainTranslator, &first);
    }
  }
  EXPECT_EQ(Ctx.MainTranslator, nullptr);
  TTranslator later(nullptr);
  EXPECT_EQ(Ctx.MainTranslator, &later);
}

TEST_F(TranslatorTest, Main_ContextEndingFirstIsForgotten) {
  auto ctx = std::make_unique<TTranslateContext>();
  std::unique_ptr<TTranslator> t;
  {
    TTranslateScope scope(*ctx);
    t = std::make_unique<TTranslator>(nullptr);
  }
  ctx.reset();
  t.reset(); // must not touch the context that is gone (ASan watches)
  EXPECT_EQ(Ctx.MainTranslator, nullptr);
}

TEST_F(TranslatorTest, Published_LanguagesThroughDottedPaths) {
  RegisterTranslateClasses();
  const TClassInfo* cls = ClassRegistry().Find("TTranslator");
  ASSERT_NE(cls, nullptr);
  TComponent owner(nullptr);
  auto* t = dynamic_cast<TTranslator*>(cls->Create(&owner));
  ASSERT_NE(t, nullptr);

  ASSERT_EQ(t->Languages().size(), 21u);
  for (std::size_t i = 0; i < t->Languages().size(); ++i) {
    const TLanguage* l = t->Languages()[i];
    EXPECT_EQ(GetObjectProp(*t, LanguageNames()[i].PropertyName), l);
    EXPECT_EQ(l->LanguageIdent(), LanguageNames()[i].Ident);
  }
  EXPECT_EQ(GetEnumProp(*t, "lgGerman.LanguageIdent"), "qlGerman");
  EXPECT_THROW(SetEnumProp(*t, "lgGerman.LanguageIdent", "qlFrench"), EPropertyError);

  SetStrProp(*t, "lgGerman.Font.Name", "Tahoma");
  SetOrdProp(*t, "lgGerman.Font.Height", -13);
  SetEnumProp(*t, "lgGerman.FontOverride", "True");
  EXPECT_EQ(t->LanguageAt<qlGerman>()->Font()->Name(), "Tahoma");
  EXPECT_EQ(t->LanguageAt<qlGerman>()->Font()->Size(), 10);
  EXPECT_TRUE(t->LanguageAt<qlGerman>()->FontOverride());

  SetTable(*t, "lgGerman", German);
  EXPECT_EQ(t->LanguageAt<qlGerman>()->FindString(6)->Text, "Abbrechen");

  int changes = 0;
  t->OnChange = [&](TTranslator&) { ++changes; };
  EXPECT_EQ(GetEnumProp(*t, "TranslateIntoLanguage"), "qlUser");
  SetEnumProp(*t, "TranslateIntoLanguage", "qlGerman");
  EXPECT_EQ(t->TranslateIntoLanguage(), qlGerman);
  EXPECT_EQ(changes, 1);
}

TEST_F(TranslatorTest, Text_ByTextByGlidAndMemo) {
  TTranslator t(nullptr);
  SetTable(t, "lgEnglish", English);
  SetTable(t, "lgGerman", German);
  t.SetTranslateIntoLanguage(qlGerman);

  EXPECT_EQ(t.TranslateText("Next >"), "Weiter >");
  EXPECT_EQ(t.TranslateText("NEXT >"), "Weiter >"); // case is ignored
  EXPECT_EQ(t.TranslateText("Next"), "Next");       // not in the English table
  EXPECT_EQ(t.TranslateText("Setup"), "Setup");     // no German entry for its GLID
  EXPECT_EQ(t.TranslateText("Weiter >", qlGerman), "Weiter >");
  EXPECT_EQ(t.TranslateGLID(6, "x"), "Abbrechen");
  EXPECT_EQ(t.TranslateGLID(99, "x"), "x");
  EXPECT_EQ(t.TranslateMemo({"Put the readme here.", "It is a memo."}),
            std::vector<std::string>{"Hier steht die Liesmich-Datei."});
  EXPECT_EQ(t.TranslateMemo({"put the readme here.", "It is a memo."}),
            (std::vector<std::string>{"put the readme here.", "It is a memo."}));

  // qlUser follows the user's language.
  t.SetTranslateIntoLanguage(qlUser);
  EXPECT_EQ(t.TranslateText("Cancel"), "Cancel"); // an English user
  System.Config().Language = 0x0407;
  EXPECT_EQ(t.UserLanguage(), qlGerman);
  EXPECT_EQ(t.TranslateText("Cancel"), "Abbrechen");
  System.Config().Language = 0x040C;
  EXPECT_EQ(t.TranslateText("Cancel"), "Cancel"); // French table empty
  SetTable(t, "lgFrench", French);
  EXPECT_EQ(t.TranslateText("Cancel"), "Annuler");
}

TEST_F(TranslatorTest, Message_GermanUserSeesTranslatedErrors) {
  System.Config().Language = 0x0407;
  TTranslator t(nullptr);
  SetTable(t, "lgEnglish", English);
  SetTable(t, "lgGerman", German);

  try {
    throw IException("Cannot open the file %s", {"C:\\setup.1"});
  } catch (const ECustomQuendelAbnormal& e) {
    EXPECT_EQ(e.Message(), "Die Datei C:\\setup.1 kann nicht ge\xF6"
                           "ffnet werden");
  }
  EXPECT_EQ(EAIUserAbort().Message(), "Installation vom Benutzer abgebrochen");
  // Errors outside the install-object family stay English.
  EXPECT_EQ(EQuendelAbnormal("Cancel").Message(), "Cancel");
  // Unknown messages are formatted as they are.
  EXPECT_EQ(IException("%s is missing", {"x"}).Message(), "x is missing");
}

TEST_F(TranslatorTest, Tree_TranslatesTextsListsAndMemos) {
  TTranslator t(nullptr);
  SetTable(t, "lgEnglish", English);
  SetTable(t, "lgGerman", German);
  t.SetTranslateIntoLanguage(qlGerman);

  TForm form(nullptr);
  form.SetName("Welcome"); // the name is never translated
  form.SetCaption("welcome");
  form.Hint = "  ";
  auto* label = new TLabel(&form);
  label->SetCaption("Cancel");
  auto* byId = new TTranslateBitBtn(&form);
  byId->SetCaption("Cancel");
  byId->GLID = 5; // by its GLID, not by its text
  auto* byText = new TTranslateLabel(&form);
  byText->SetCaption("Next >");
  auto* memo = new TMemo(&form);
  memo->Lines.SetText("Put the readme here.\r\nIt is a memo.\r\n");
  auto* list = new TListBox(&form);
  list->Items.Add("Next >");
  list->Items.Add("Other");
  auto* hidden = new TControl(&form);
  hidden->Visible = false;
  hidden->SetCaption("Cancel");
  auto* subForm = new TForm(&form); // forms translate themselves
  subForm->SetCaption("Cancel");

  EXPECT_EQ(TranslateForm(form, qlEnglish), qlGerman);
  EXPECT_EQ(form.Name(), "Welcome");
  EXPECT_EQ(form.Caption(), "Willkommen");
  EXPECT_EQ(form.Hint, "  ");
  EXPECT_EQ(label->Caption(), "Abbrechen");
  EXPECT_EQ(byId->Caption(), "Weiter >");
  EXPECT_EQ(byText->Caption(), "Weiter >");
  EXPECT_EQ(memo->Lines.Text(), "Hier steht die Liesmich-Datei.\r\n");
  EXPECT_EQ(list->Items.Strings(0), "Weiter >");
  EXPECT_EQ(list->Items.Strings(1), "Other");
  EXPECT_EQ(hidden->Caption(), "Abbrechen");
  EXPECT_EQ(subForm->Caption(), "Cancel");

  // Controls are hidden while they change (a form is not), labels without
  // auto-size; both come back as they were.
  EXPECT_TRUE(form.VisibleWhenSet);
  EXPECT_FALSE(label->VisibleWhenSet);
  EXPECT_FALSE(label->AutoSizeWhenSet);
  EXPECT_TRUE(label->Visible);
  EXPECT_TRUE(label->AutoSize);
  EXPECT_FALSE(hidden->Visible);

  // The form is German now: a second pass starts from the German texts.
  t.SetTranslateIntoLanguage(qlFrench);
  SetTable(t, "lgFrench", French);
  EXPECT_EQ(TranslateForm(form, qlGerman), qlFrench);
  EXPECT_EQ(form.Caption(), "Bienvenue");
  EXPECT_EQ(label->Caption(), "Annuler");
}

TEST_F(TranslatorTest, Tree_EmptyTargetTableChangesNothingButFonts) {
  System.Config().Language = 0x0407;
  TTranslator t(nullptr);
  SetTable(t, "lgEnglish", English);

  TForm form(nullptr);
  form.SetCaption("Welcome");
  form.Font.SetHeight(-9);
  auto* label = new TLabel(&form);
  label->SetCaption("Cancel");
  label->Font.SetName("Courier New");

  EXPECT_EQ(TranslateForm(form, qlEnglish), qlEnglish);
  EXPECT_EQ(form.Caption(), "Welcome");
  EXPECT_EQ(label->Caption(), "Cancel");

  // The German rule would be MS Sans Serif; with no German table English applies.
  ApplyFont(form);
  for (const TFont* f : {&form.Font, &label->Font}) {
    EXPECT_EQ(f->Name(), "Arial");
    EXPECT_EQ(f->Charset(), 0);
    EXPECT_GE(f->Size(), 8);
  }
  EXPECT_EQ(form.Font.Size(), 8);

  SetTable(t, "lgGerman", German);
  ApplyFont(form);
  EXPECT_EQ(label->Font.Name(), "MS Sans Serif");
}

TEST_F(TranslatorTest, Font_OverrideAndChildrenOfTheWidgetLayer) {
  TTranslator t(nullptr);
  SetTable(t, "lgEnglish", English);
  t.SetTranslateIntoLanguage(qlEnglish);
  TLanguage& en = *t.LanguageAt<qlEnglish>();
  en.SetFontOverride(true);
  en.Font()->SetName("Tahoma");
  en.Font()->SetSize(12);
  en.Font()->SetStyle({fsItalic});

  TForm form(nullptr);
  TForm other(nullptr); // a child by parentage, not by ownership
  auto* owned = new TLabel(&form);
  Ctx.ControlChildren = [&](TComponent& c) {
    return &c == &form ? std::vector<TComponent*>{&other} : std::vector<TComponent*>{};
  };
  ApplyFont(form);
  EXPECT_TRUE(form.Font == *en.Font());
  EXPECT_TRUE(other.Font == *en.Font());
  EXPECT_EQ(owned->Font.Name(), "MS Sans Serif");

  // Another language for one call only.
  SetTable(t, "lgFrench", French);
  ApplyFontWithLanguage(*owned, qlFrench);
  EXPECT_EQ(owned->Font.Name(), "Arial");
  EXPECT_EQ(t.TranslateIntoLanguage(), qlEnglish);
}

TEST_F(TranslatorTest, Tree_FailureRestoresTargetAndControls) {
  TTranslator t(nullptr);
  SetTable(t, "lgEnglish", {"1;Cancel"});
  SetTable(t, "lgGerman", {"1;explode"});
  t.SetTranslateIntoLanguage(qlEnglish);
  int realigned = 0;
  Ctx.RealignControl = [&](TComponent&) { ++realigned; };

  TForm form(nullptr);
  auto* label = new TLabel(&form);
  label->SetCaption("Cancel");
  EXPECT_THROW(TranslateFormWithLanguage(form, qlEnglish, qlGerman), EConvertError);
  EXPECT_EQ(t.TranslateIntoLanguage(), qlEnglish);
  EXPECT_TRUE(label->Visible);
  EXPECT_TRUE(label->AutoSize);
  EXPECT_EQ(realigned, 1); // the form, on the way out
}

TEST_F(TranslatorTest, NoMainTranslator_LeavesEverythingAlone) {
  TForm form(nullptr);
  form.SetCaption("Cancel");
  EXPECT_EQ(TranslateForm(form, qlFrench), qlFrench);
  EXPECT_EQ(TranslateFormWithLanguage(form, qlEnglish, qlGerman), qlEnglish);
  ApplyFont(form);
  EXPECT_EQ(form.Font.Name(), "MS Sans Serif");
  EXPECT_EQ(TranslateMessage("Cancel"), "Cancel");
}

// A translator as an install definition stores it.
class TranslatorDefinitionTest : public TranslatorTest {
protected:
  TranslatorDefinitionTest() {
    Registry.Register<TfrmMainMenu>();
    Registry.Register<TTranslator>();
    Options.Classes = &Registry;
  }
  void Load(const std::string& Translator) {
    LoadDefinition(TextToObject("object frmMainMenu: TfrmMainMenu\n" + Translator + "end\n"), Form,
                   Options);
  }
  TClassRegistry Registry;
  TLoadOptions Options;
  TfrmMainMenu Form{nullptr};
};

TEST_F(TranslatorDefinitionTest, Load_TablesFontsAndTarget) {
  Load(R"(  object MainTranslator: TTranslator
    lgEnglish.Strings.Strings = (
      '6;Cancel'
      '21;Cannot open the file %s')
    lgGerman.Font.Name = 'Tahoma'
    lgGerman.FontOverride = True
    lgGerman.Strings.Strings = (
      '* Deutsch'
      '6;Abbrechen'
      '21;Die Datei %s kann nicht ge'#246'ffnet werden')
    TranslateIntoLanguage = qlGerman
  end
)");
  auto* t = dynamic_cast<TTranslator*>(Form.FindComponent("MainTranslator"));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Ctx.MainTranslator, t);
  EXPECT_EQ(t->TranslateIntoLanguage(), qlGerman);
  EXPECT_EQ(t->LanguageAt<qlGerman>()->Font()->Name(), "Tahoma");
  EXPECT_TRUE(t->LanguageAt<qlGerman>()->FontOverride());
  EXPECT_EQ(IException("Cannot open the file %s", {"x.txt"}).Message(),
            "Die Datei x.txt kann nicht ge\xF6"
            "ffnet werden");
}

TEST_F(TranslatorDefinitionTest, Load_MalformedTableFailsTheDefinition) {
  try {
    Load(R"(  object MainTranslator: TTranslator
    lgGerman.Strings.Strings = (
      '6;Abbrechen'
      '#')
  end
)");
    ADD_FAILURE() << "loaded";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(),
              "Error reading MainTranslator.lgGerman.Strings.Strings: Found the end of "
              "memo marker # at line 1. Was not in a memo however");
  }
  EXPECT_EQ(Form.ComponentCount(), 0);
  EXPECT_EQ(Ctx.MainTranslator, nullptr); // the half-loaded translator is gone
}

// The user's language as the system reports it. Under Wine the ctest entry
// SystemLanguage.GermanUserFromWine runs this with LC_ALL=de_DE.UTF-8.
TEST(SystemLanguage, GermanUser_SeesTranslatedErrorFromTheSystem) {
  platform::TPlatform p = platform::CreateDefaultPlatform();
  if ((p.System->UserDefaultLangId() & 0x3FF) != 7) {
    if (std::getenv("QUENDEL_EXPECT_GERMAN"))
      FAIL() << "user language is 0x" << std::hex << p.System->UserDefaultLangId();
    GTEST_SKIP() << "the user is not German";
  }
  TTranslateContext ctx;
  ctx.System = p.System.get();
  TTranslateScope scope(ctx);
  TTranslator t(nullptr);
  SetTable(t, "lgEnglish", English);
  SetTable(t, "lgGerman", German);
  EXPECT_EQ(t.UserLanguage(), qlGerman);
  EXPECT_EQ(IException("Cannot open the file %s", {"A:\\files.1"}).Message(),
            "Die Datei A:\\files.1 kann nicht ge\xF6"
            "ffnet werden");
}

} // namespace
} // namespace quendel
