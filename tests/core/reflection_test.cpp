#include "core/reflection.h"

#include <gtest/gtest.h>

namespace quendel {
namespace {

enum TColour { clRed, clGreen, clBlue };
using TColourSet = TSet<TColour>;
constexpr const char* kColourInfo[] = {"clRed", "clGreen", "clBlue"};
constinit const TEnumInfo ColourInfo("TColour", kColourInfo);

class TOptions : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  std::string Directory;
  bool Compress = true;
};

const TClassInfo& TOptions::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TOptions>("TOptions", &TPersistent::StaticClass)
        .Str<&TOptions::Directory, &TOptions::Directory>("Directory")
        .Bool<&TOptions::Compress, &TOptions::Compress>("Compress", true);
  });
}

class TWidget : public TComponent {
public:
  explicit TWidget(TComponent* AOwner) : TComponent(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  int Order() const { return FOrder; }
  void SetOrder(int V) { FOrder = V; ++Writes; }
  TWidget* Link() const { return FLink; }
  void SetLink(TWidget* W) { FLink = W; }

  int FOrder = -1;
  std::int16_t Small = 0;
  TColour Colour = clGreen;
  TColourSet Colours{clRed, clGreen};
  std::string Caption;
  double Ratio = 0;
  TOptions Options;
  TStringList Lines;
  TPicture Image;
  TEvent<void(TWidget*)> OnClick;
  int Writes = 0;

private:
  TWidget* FLink = nullptr;
};

const TClassInfo& TWidget::StaticClass() {
  using T = TWidget;
  return ClassTable([] {
    return TClassBuilder<T>("TWidget", &TComponent::StaticClass)
        .Int<&T::Order, &T::SetOrder>("Order", -1)
        .Int<&T::Small, &T::Small>("Small")
        .Enum<&T::Colour, &T::Colour>("Colour", ColourInfo, clGreen)
        .Set<&T::Colours, &T::Colours>("Colours", ColourInfo, TColourSet{clRed, clGreen, clBlue})
        .Str<&T::Caption, &T::Caption>("Caption")
        .Float<&T::Ratio, &T::Ratio>("Ratio")
        .Ref<&T::Link, &T::SetLink>("Link")
        .Object<&T::Options>("Options")
        .Strings<&T::Lines>("Lines")
        .Picture<&T::Image>("Image")
        .Event<&T::OnClick>("OnClick");
  });
}

// A descendant redeclares a default and adds a property.
class TBigWidget : public TWidget {
public:
  using TWidget::TWidget;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  bool Big = false;
};

const TClassInfo& TBigWidget::StaticClass() {
  using T = TBigWidget;
  return ClassTable([] {
    return TClassBuilder<T>("TBigWidget", &TWidget::StaticClass)
        .Bool<&T::Big, &T::Big>("Big", false)
        .Int<&T::Order, &T::SetOrder>("Order", 7);
  });
}

class TAbstractThing : public TComponent {
public:
  using TComponent::TComponent;
  static const TClassInfo& StaticClass() {
    return ClassTable(
        [] { return TClassBuilder<TAbstractThing>("TAbstractThing", &TComponent::StaticClass); });
  }
  virtual int Kind() const = 0;
};

TEST(Reflection, Lookup_InheritsParentTableCaseInsensitive) {
  const TClassInfo& c = TBigWidget::StaticClass();
  EXPECT_TRUE(c.InheritsFrom(TWidget::StaticClass()));
  EXPECT_TRUE(c.InheritsFrom(TComponent::StaticClass()));
  EXPECT_FALSE(TWidget::StaticClass().InheritsFrom(c));
  ASSERT_NE(c.FindProperty("caption"), nullptr);
  EXPECT_EQ(c.FindProperty("Tag")->Kind, TPropKind::Integer);
  EXPECT_EQ(c.FindProperty("Nothing"), nullptr);
  // The redeclared Order is the descendant's, listed once.
  EXPECT_EQ(c.FindProperty("Order")->OrdDefault(), 7);
  int orders = 0;
  for (const TPropInfo* p : c.Properties()) orders += p->Name == "Order";
  EXPECT_EQ(orders, 1);
  EXPECT_EQ(c.Properties().front()->Name, "Name"); // root class first
}

TEST(Reflection, Access_OrdinalsStringsAndFloats) {
  TWidget w(nullptr);
  SetOrdProp(w, "Order", 12);
  EXPECT_EQ(w.Order(), 12);
  EXPECT_EQ(w.Writes, 1); // through the writer
  EXPECT_EQ(GetOrdProp(w, "order"), 12);
  SetEnumProp(w, "Colour", "CLBLUE");
  EXPECT_EQ(w.Colour, clBlue);
  EXPECT_EQ(GetEnumProp(w, "Colour"), "clBlue");
  SetEnumProp(w, "Colours", "[clBlue , clRed]");
  EXPECT_EQ(w.Colours, (TColourSet{clRed, clBlue}));
  EXPECT_EQ(GetEnumProp(w, "Colours"), "[clRed, clBlue]");
  SetEnumProp(w, "Colours", "[]");
  EXPECT_TRUE(w.Colours.Empty());
  SetStrProp(w, "Caption", "Hello");
  EXPECT_EQ(GetStrProp(w, "Caption"), "Hello");
  w.ClassType().FindProperty("Ratio")->SetFloat(w, 0.25);
  EXPECT_EQ(w.Ratio, 0.25);
}

TEST(Reflection, Access_MisuseRaisesTypedErrors) {
  TWidget w(nullptr);
  EXPECT_THROW(SetOrdProp(w, "Nothing", 1), EPropertyError);
  EXPECT_THROW(SetOrdProp(w, "Caption", 1), EPropertyError);
  EXPECT_THROW(SetEnumProp(w, "Colour", "clPurple"), EPropertyError);
  EXPECT_THROW(SetEnumProp(w, "Colours", "[clRed, clPurple]"), EPropertyError);
  EXPECT_THROW(SetEnumProp(w, "Colours", "clRed"), EPropertyError);
  EXPECT_THROW(SetOrdProp(w, "Colour", 3), EPropertyError);   // beyond the enumeration
  EXPECT_THROW(SetOrdProp(w, "Colours", 8), EPropertyError);  // a member that does not exist
  EXPECT_THROW(SetOrdProp(w, "Small", 40000), EPropertyError); // does not fit 16 bits
  SetOrdProp(w, "Small", -32768);
  EXPECT_EQ(w.Small, -32768);
  try {
    SetOrdProp(w, "Missing", 1);
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Property Missing does not exist");
  }
}

TEST(Reflection, DottedPaths_WalkSubObjectsOnly) {
  TWidget w(nullptr);
  SetStrProp(w, "Options.Directory", "C:\\Build");
  EXPECT_EQ(w.Options.Directory, "C:\\Build");
  SetEnumProp(w, "options.compress", "False");
  EXPECT_FALSE(w.Options.Compress);
  try {
    SetStrProp(w, "Caption.Directory", "x");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Invalid property path");
  }
  EXPECT_THROW(SetStrProp(w, "Nothing.Directory", "x"), EPropertyError);
  EXPECT_THROW(SetStrProp(w, "Options.Nothing", "x"), EPropertyError);
  EXPECT_EQ(GetObjectProp(w, "Lines"), &w.Lines);
  EXPECT_EQ(GetObjectProp(w, "Image"), &w.Image);
}

TEST(Reflection, References_CheckTargetClass) {
  TComponent root(nullptr);
  auto* a = new TWidget(&root);
  auto* b = new TBigWidget(&root);
  auto* plain = new TComponent(&root);
  SetRefProp(*a, "Link", b); // a descendant is accepted
  EXPECT_EQ(a->Link(), b);
  EXPECT_EQ(GetObjectProp(*a, "Link"), b);
  EXPECT_THROW(SetRefProp(*a, "Link", plain), EPropertyError);
  EXPECT_EQ(a->Link(), b); // unchanged after the refusal
  SetRefProp(*a, "Link", nullptr);
  EXPECT_EQ(a->Link(), nullptr);
  EXPECT_EQ(a->ClassType().FindProperty("Link")->RefClass(), &TWidget::StaticClass());
}

TEST(Reflection, Events_AssignTypedHandlersOnly) {
  TWidget w(nullptr);
  const TPropInfo* p = w.ClassType().FindProperty("OnClick");
  int clicks = 0;
  p->SetEvent(w, TEvent<void(TWidget*)>([&](TWidget*) { ++clicks; }));
  ASSERT_TRUE(p->EventAssigned(w));
  w.OnClick(&w);
  EXPECT_EQ(clicks, 1);
  EXPECT_THROW(p->SetEvent(w, TEvent<void()>([] {})), EPropertyError);
  p->SetEvent(w, TAnyEvent());
  EXPECT_FALSE(p->EventAssigned(w));
}

TEST(Reflection, Stored_DefaultsDecideWhatIsWritten) {
  TWidget w(nullptr);
  auto stored = [&](const char* n) { return w.ClassType().FindProperty(n)->IsStored(w); };
  EXPECT_FALSE(stored("Order"));   // equals its default -1
  EXPECT_TRUE(stored("Small"));    // no declared default: always stored
  EXPECT_FALSE(stored("Colour"));
  EXPECT_TRUE(stored("Colours"));  // initial value differs from the declared default
  EXPECT_FALSE(stored("Caption"));
  EXPECT_FALSE(stored("Ratio"));
  EXPECT_FALSE(stored("Link"));
  EXPECT_FALSE(stored("Lines"));
  EXPECT_FALSE(stored("Image"));
  EXPECT_FALSE(stored("OnClick"));
  EXPECT_FALSE(stored("Name"));    // written as the record's object name instead
  w.SetOrder(3);
  w.Colours = TColourSet{clRed, clGreen, clBlue};
  w.Caption = "x";
  w.Lines.Add("l");
  EXPECT_TRUE(stored("Order"));
  EXPECT_FALSE(stored("Colours"));
  EXPECT_TRUE(stored("Caption"));
  EXPECT_TRUE(stored("Lines"));
  TBigWidget big(nullptr);
  EXPECT_TRUE(big.ClassType().FindProperty("Order")->IsStored(big)); // -1 differs from 7
}

TEST(Reflection, Registry_CreatesConcreteClassesOnly) {
  TClassRegistry reg;
  reg.Register<TWidget>();
  reg.Register<TWidget>(); // twice is harmless
  reg.Register(TAbstractThing::StaticClass());
  ASSERT_EQ(reg.Find("twidget"), &TWidget::StaticClass());
  EXPECT_EQ(reg.Find("TBigWidget"), nullptr);
  TComponent root(nullptr);
  TComponent* made = reg.Find("TWidget")->Create(&root);
  EXPECT_EQ(made->Owner(), &root);
  EXPECT_EQ(made->ClassName(), "TWidget");
  EXPECT_TRUE(made->InheritsFrom(TComponent::StaticClass()));
  EXPECT_FALSE(TAbstractThing::StaticClass().CanCreate());
  EXPECT_THROW(TAbstractThing::StaticClass().Create(&root), EComponentError);
  TClassInfo impostor("TWidget", &TComponent::StaticClass, {}, nullptr);
  EXPECT_THROW(reg.Register(impostor), EComponentError);
}

// A class whose persistent part is not its first base: its table reaches
// members (its own, inherited and virtual ones) through a TPersistent that
// sits at an offset inside the object.
struct TTagged {
  virtual ~TTagged() = default;
  int Mark = 7;
};

class TTaggedWidget : public TTagged, public TWidget {
public:
  using TWidget::TWidget;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  virtual std::string Title() const { return FTitle; }
  virtual void SetTitle(const std::string& V) { FTitle = "<" + V + ">"; }
  bool Flag = false;
  TEvent<void()> OnDone;
  std::string FTitle;
};

const TClassInfo& TTaggedWidget::StaticClass() {
  using T = TTaggedWidget;
  return ClassTable([] {
    return TClassBuilder<T>("TTaggedWidget", &TWidget::StaticClass)
        .Str<&T::Title, &T::SetTitle>("Title")
        .Bool<&T::Flag, &T::Flag>("Flag")
        .Int<&T::FOrder, &T::SetOrder>("Tagless")
        .Event<&T::OnDone>("OnDone");
  });
}

TEST(Reflection, Access_ThroughABaseAtAnOffset) {
  TComponent root(nullptr);
  auto* w = new TTaggedWidget(&root);
  auto* other = new TWidget(&root);
  ASSERT_NE(static_cast<void*>(static_cast<TPersistent*>(w)), static_cast<void*>(w));
  SetStrProp(*w, "Title", "t");
  SetOrdProp(*w, "Flag", 1);
  SetOrdProp(*w, "Tagless", 12);
  SetOrdProp(*w, "Small", -3);
  SetStrProp(*w, "Options.Directory", "d");
  SetRefProp(*w, "Link", other);
  EXPECT_EQ(w->FTitle, "<t>");
  EXPECT_EQ(GetStrProp(*w, "Title"), "<t>");
  EXPECT_TRUE(w->Flag);
  EXPECT_EQ(w->Order(), 12);
  EXPECT_EQ(w->Writes, 1);
  EXPECT_EQ(w->Small, -3);
  EXPECT_EQ(w->Options.Directory, "d");
  EXPECT_EQ(w->Link(), other);
  EXPECT_EQ(GetObjectProp(*w, "Link"), other);
  EXPECT_EQ(w->Mark, 7);
  const TPropInfo* done = w->ClassType().FindProperty("OnDone");
  int calls = 0;
  done->SetEvent(*w, TEvent<void()>([&] { ++calls; }));
  ASSERT_TRUE(done->EventAssigned(*w));
  w->OnDone();
  EXPECT_EQ(calls, 1);
  EXPECT_THROW(SetOrdProp(*w, "Small", 40000), EPropertyError);
  EXPECT_EQ(w->Small, -3);
}

TEST(Reflection, SetText_ParsesAndRejects) {
  EXPECT_EQ(StringToSet(ColourInfo, " [ ] "), 0u);
  EXPECT_EQ(StringToSet(ColourInfo, "[clGreen,clBlue]"), 6u);
  EXPECT_THROW(StringToSet(ColourInfo, "[clGreen,,clBlue]"), EPropertyError);
  EXPECT_THROW(StringToSet(ColourInfo, "clGreen"), EPropertyError);
  EXPECT_EQ(SetToString(ColourInfo, 5), "[clRed, clBlue]");
}

} // namespace
} // namespace quendel
