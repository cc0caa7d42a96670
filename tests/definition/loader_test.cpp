#include "definition/loader.h"

#include "byte_builder.h"
#include "definition/binary_codec.h"
#include "definition/fixtures.h"
#include "definition/main_form.h"
#include "definition/text_codec.h"
#include "test_classes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace quendel {
namespace {

using namespace deftest;

class LoaderTest : public ::testing::Test {
protected:
  void SetUp() override { Log().clear(); }

  void Load(const std::string& Text, TComponent& Root) {
    TLoadOptions options;
    options.Classes = &Registry;
    options.Handlers = &Handlers;
    LoadDefinition(TextToObject(Text), Root, options);
  }

  // Loads Text into a fresh form and returns the error; the form must be left
  // as it was.
  std::string LoadError(const std::string& Text) {
    TfrmMainMenu form(nullptr);
    form.SetName("Before");
    std::string message = "no error";
    try {
      Load(Text, form);
    } catch (const Exception& e) {
      message = e.Message();
    }
    EXPECT_EQ(form.ComponentCount(), 0) << Text;
    EXPECT_EQ(form.Name(), "Before");
    EXPECT_FALSE(form.IsLoading());
    return message;
  }

  static std::string Form(const std::string& Body) {
    return "object frmMainMenu: TfrmMainMenu\n" + Body + "end\n";
  }

  TClassRegistry Registry = [] {
    TClassRegistry r = MakeRegistry();
    r.Register<TfrmMainMenu>();
    return r;
  }();
  THandlerRegistry Handlers;
};

template <class T> T& Find(TComponent& Root, const char* Name) {
  auto* c = dynamic_cast<T*>(Root.FindComponent(Name));
  if (!c) throw std::runtime_error(std::string("missing ") + Name);
  return *c;
}

TEST_F(LoaderTest, Load_TypicalDefinition) {
  TfrmMainMenu form(nullptr);
  Load(ReadFile("typical.txt"), form);

  EXPECT_EQ(form.Name(), "frmMainMenu");
  EXPECT_EQ(form.Caption, "Demo Application Install");
  EXPECT_EQ(form.Width, 696);
  EXPECT_EQ(form.DesignLeft, 217);
  EXPECT_EQ(form.DesignTop, 103);
  ASSERT_EQ(form.ComponentCount(), 10);
  EXPECT_EQ(form.Components(0)->Name(), "psProgramFiles"); // creation order
  EXPECT_EQ(form.Components(9)->Name(), "LicenseDlg1");

  auto& install = Find<TInstall>(form, "Install1");
  auto& programFiles = Find<TpsProgramFiles>(form, "psProgramFiles");
  EXPECT_EQ(install.DestDir, "Demo");
  EXPECT_EQ(install.DestDirType, &programFiles);
  EXPECT_EQ(install.InstallTypes, (TInstallTypeSet{itFull, itDefault, itCompact}));
  EXPECT_EQ(install.BuildInfo.BuildDirectory, "C:\\Build\\Demo");
  EXPECT_FALSE(install.BuildInfo.Compress);
  EXPECT_EQ(install.Information.ProductName, "Demo Application");
  EXPECT_EQ(install.Information.Rating, 4.5);
  EXPECT_EQ(
      install.ReadmeText.Items(),
      (std::vector<std::string>{"Demo Application 2.5", "", "Read this before you install."}));
  EXPECT_EQ(install.DiskSize, 1457664);
  EXPECT_EQ(install.DesignLeft, 16);

  auto& group = Find<TInstallGroup>(form, "Group1");
  EXPECT_TRUE(group.DialogOptions.AllowExcludeInclude);
  auto& dir1 = Find<TInstallDirectory>(form, "Dir1");
  auto& dir2 = Find<TInstallDirectory>(form, "Dir2");
  EXPECT_EQ(dir1.DestDirType, &Find<TpsContainerDestDir>(form, "psContainerDestDir"));

  auto& exe = Find<TInstallFile>(form, "IFdemo_exe");
  auto& readme = Find<TInstallFile>(form, "IFreadme_txt");
  auto& help = Find<TInstallFile>(form, "IFhelp_hlp");
  EXPECT_EQ(exe.OverwriteMode, owAlways);
  EXPECT_EQ(readme.OverwriteMode, owVersion); // not stored: the default stays
  EXPECT_EQ(exe.UniqueID, 1);
  EXPECT_EQ(help.UniqueID, 3);
  EXPECT_FALSE(help.Include);
  // Backward (Dir1 before the file) and forward (Dir2 after it) references.
  EXPECT_EQ(exe.Container(), &dir1);
  EXPECT_EQ(readme.Container(), &dir2);
  EXPECT_EQ(dir1.Container(), &group);

  auto& licence = Find<TLicenseDlg>(form, "LicenseDlg1");
  ASSERT_EQ(licence.LicenseAgreement.Count(), 4);
  EXPECT_EQ(licence.LicenseAgreement[2],
            "You may install Demo Application on any number of computers that you own or use.");
  EXPECT_EQ(licence.LicenseAgreement[3], "Copyright \xA9 2003 Demo Software");
  EXPECT_EQ(licence.ThemeBitmap.GraphicClass(), "TBitmap");
  EXPECT_EQ(licence.ThemeBitmap.Width(), 2);
  EXPECT_EQ(licence.ThemeBitmap.Height(), 2);
  EXPECT_EQ(licence.Order, 2);

  // References are assigned in stream order after the whole root is read,
  // then the root and every object in creation order are told they are loaded.
  EXPECT_EQ(Log(),
            (std::vector<std::string>{
                "Container Group1=Install1", "Container Dir1=Group1", "Container IFdemo_exe=Dir1",
                "Container IFreadme_txt=Dir2", "Container IFhelp_hlp=Dir2",
                "Container Dir2=Install1", "Container LicenseDlg1=Install1", "Loaded Install1",
                "Loaded Group1", "Loaded Dir1", "Loaded IFdemo_exe", "Loaded IFreadme_txt",
                "Loaded IFhelp_hlp", "Loaded Dir2", "Loaded LicenseDlg1"}));
  EXPECT_EQ(install.Children, (std::vector<TInstallContainer*>{&licence, &dir2, &group}));
  EXPECT_EQ(dir2.Children, (std::vector<TInstallContainer*>{&help, &readme}));
  for (int i = 0; i < form.ComponentCount(); ++i)
    EXPECT_FALSE(form.Components(i)->IsLoading());
  EXPECT_FALSE(form.IsLoading());
}

TEST_F(LoaderTest, Load_IntegerWidthsReadTheSame) {
  for (auto bytes : {std::vector<int>{2, 0xFF}, std::vector<int>{3, 0xFF, 0xFF},
                     std::vector<int>{4, 0xFF, 0xFF, 0xFF, 0xFF}}) {
    TBytes b;
    b.Signature().Object("TfrmMainMenu", "F").End().Object("TLicenseDlg", "D").Str("Order");
    for (int x : bytes)
      b.Raw({x});
    b.End().End().End();
    TfrmMainMenu form(nullptr);
    LoadDefinition(ReadObjectBinary(b), form, {&Registry, nullptr});
    EXPECT_EQ(Find<TLicenseDlg>(form, "D").Order, -1);
  }
  TfrmMainMenu form(nullptr);
  Load(Form("  object D: TLicenseDlg\n    Order = Int32(40000)\n  end\n"), form);
  EXPECT_EQ(Find<TLicenseDlg>(form, "D").Order, 40000);
}

TEST_F(LoaderTest, Load_EmptySetDiffersFromAbsent) {
  TfrmMainMenu form(nullptr);
  Load(Form("  object G1: TInstallGroup\n    InstallTypes = []\n  end\n"
            "  object G2: TInstallGroup\n  end\n"),
       form);
  EXPECT_TRUE(Find<TInstallGroup>(form, "G1").InstallTypes.Empty());
  EXPECT_EQ(Find<TInstallGroup>(form, "G2").InstallTypes, AllInstallTypes);
}

TEST_F(LoaderTest, Load_ReferencesResolveByNameOrStayUnset) {
  TfrmMainMenu form(nullptr);
  Load(Form("  object F1: TInstallFile\n    Container = Nowhere\n  end\n"
            "  object F2: TInstallFile\n    Container = d1\n  end\n" // names ignore case
            "  object D1: TInstallDirectory\n    Container = nil\n  end\n"),
       form);
  EXPECT_EQ(Find<TInstallFile>(form, "F1").Container(), nullptr);
  EXPECT_EQ(Find<TInstallFile>(form, "F2").Container(), &Find<TInstallDirectory>(form, "D1"));
}

TEST_F(LoaderTest, Load_ExtraValuesOnlyWhereDefined) {
  TfrmMainMenu form(nullptr);
  Load(Form("  object ps1: TpsProgramFiles\n    Left = -4\n    Top = 70000\n  end\n"
            "  object F1: TInstallFile\n    UniqueID = 1999\n  end\n"),
       form);
  EXPECT_EQ(form.FindComponent("ps1")->DesignLeft, -4);
  EXPECT_EQ(form.FindComponent("ps1")->DesignTop, 70000);
  EXPECT_EQ(Find<TInstallFile>(form, "F1").UniqueID, 1999);
  EXPECT_EQ(LoadError(Form("  object D1: TInstallDirectory\n    UniqueID = 1\n  end\n")),
            "Error reading D1.UniqueID: Property does not exist");
  EXPECT_EQ(LoadError(Form("  object F1: TInstallFile\n    UniqueID = 'one'\n  end\n")),
            "Error reading F1.UniqueID: Invalid property value");
}

// A property writer that frees a sibling while the definition is still
// loading, as a writer that rebuilds its parts may.
class TSiblingFreer : public TComponent {
public:
  using TComponent::TComponent;
  static const TClassInfo& StaticClass() {
    return ClassTable([] {
      return TClassBuilder<TSiblingFreer>("TSiblingFreer", &TComponent::StaticClass)
          .Str<&TSiblingFreer::Freed, &TSiblingFreer::SetFree>("Free");
    });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const std::string& Freed() const { return FFreed; }
  void SetFree(const std::string& Name) {
    FFreed = Name;
    if (TComponent* Sibling = Owner() ? Owner()->FindComponent(Name) : nullptr) delete Sibling;
  }

private:
  std::string FFreed;
};

// The freed object's pending references are dropped, not written into the
// freed memory (the sanitizer build sees that), and the rest loads.
TEST_F(LoaderTest, Load_ObjectFreedWhileLoadingKeepsNoReferences) {
  Registry.Register<TSiblingFreer>();
  TfrmMainMenu form(nullptr);
  Load(Form("  object Dir1: TInstallDirectory\n"
            "    Container = Install1\n"
            "    DestDirType = psProgramFiles\n"
            "  end\n"
            "  object Freer: TSiblingFreer\n"
            "    Free = 'Dir1'\n"
            "  end\n"
            "  object Dir2: TInstallDirectory\n"
            "    Container = Install1\n"
            "  end\n"
            "  object Install1: TInstall\n"
            "  end\n"
            "  object psProgramFiles: TpsProgramFiles\n"
            "  end\n"),
       form);
  EXPECT_EQ(form.FindComponent("Dir1"), nullptr);
  auto* Install = dynamic_cast<TInstall*>(form.FindComponent("Install1"));
  ASSERT_NE(Install, nullptr);
  ASSERT_EQ(Install->Children.size(), 1u);
  EXPECT_EQ(Install->Children[0]->Name(), "Dir2");
  for (const std::string& Line : Log())
    EXPECT_EQ(Line.find("Dir1"), std::string::npos) << Line;
  EXPECT_EQ(form.ComponentCount(), 4);
}

TEST_F(LoaderTest, Load_FailuresLeaveNoPartialDefinition) {
  EXPECT_EQ(LoadError(Form("  object A: TInstallFile\n  end\n  object B: TNoSuchClass\n  end\n")),
            "Class TNoSuchClass not found");
  EXPECT_EQ(LoadError(Form("  object A: TInstallFile\n  end\n  object a: TInstallFile\n  end\n")),
            "A component named a already exists");
  EXPECT_EQ(LoadError(Form("  object '1st': TInstallFile\n  end\n")),
            "''1st'' is not a valid component name");
  EXPECT_EQ(LoadError(Form("  object A: TInstallFile\n    Colour = 1\n  end\n")),
            "Error reading A.Colour: Property does not exist");
  EXPECT_EQ(LoadError(Form("  object A: TInstallFile\n    FileName = 1\n  end\n")),
            "Error reading A.FileName: Invalid property value");
  EXPECT_EQ(LoadError(Form("  object A: TInstallFile\n    OverwriteMode = owSometimes\n  end\n")),
            "Error reading A.OverwriteMode: Invalid property value");
  EXPECT_EQ(
      LoadError(Form("  object A: TInstallFile\n    InstallTypes = [itFull, itNone]\n  end\n")),
      "Error reading A.InstallTypes: Invalid property value");
  EXPECT_EQ(LoadError(Form("  object A: TInstallFile\n    Include = 1\n  end\n")),
            "Error reading A.Include: Invalid property value");
  EXPECT_EQ(LoadError(Form("  object A: TInstallFile\n    FileName.Length = 1\n  end\n")),
            "Error reading A.FileName.Length: Invalid property path");
  EXPECT_EQ(LoadError(Form("  object A: TInstall\n    BuildInfo.Nothing = 1\n  end\n")),
            "Error reading A.BuildInfo.Nothing: Property does not exist");
  EXPECT_EQ(LoadError(Form("  object A: TInstall\n    BuildInfo = 1\n  end\n")),
            "Error reading A.BuildInfo: Invalid property value");
  EXPECT_EQ(LoadError(Form("  object A: TInstall\n    Version = '2.0'\n  end\n")),
            "Error reading A.Version: Property is read-only");
  EXPECT_EQ(LoadError(Form("  object A: TInstall\n    ReadmeText.Strings = ( 1 )\n  end\n")),
            "Error reading A.ReadmeText.Strings: Invalid property value");
  EXPECT_EQ(LoadError(Form("  object A: TLicenseDlg\n    ThemeBitmap.Data = { 07 54 42 69 74 6D 61 "
                           "70 05 00 00 00 00 }\n  end\n")),
            "Error reading A.ThemeBitmap.Data: Bitmap image is not valid");
  EXPECT_EQ(LoadError(Form("  object A: TLicenseDlg\n    Order = 3000000000\n  end\n")),
            "Error reading A.Order: Invalid property value");
  EXPECT_EQ(LoadError(Form("  object A: TCustomPathSpecifier\n  end\n")),
            "Cannot create an instance of the abstract class TCustomPathSpecifier");
  EXPECT_EQ(LoadError(Form("  Caption = 5\n")),
            "Error reading frmMainMenu.Caption: Invalid property value");
  EXPECT_EQ(LoadError("object F: TInstall\nend\n"),
            "The stream holds a TInstall, not a TfrmMainMenu");
  EXPECT_EQ(LoadError("inherited frmMainMenu: TfrmMainMenu\nend\n"),
            "Inherited and inline objects are not supported (frmMainMenu: TfrmMainMenu)");
  // A reference of the wrong class fails when references are resolved.
  EXPECT_EQ(
      LoadError(Form(
          "  object A: TInstall\n    DestDirType = B\n  end\n  object B: TInstallFile\n  end\n")),
      "Error reading A.DestDirType: Invalid property value");
}

TEST_F(LoaderTest, Load_ObjectsDestroyedWhenLoadedFails) {
  // A Loaded that refuses: everything created is gone, in every object's sight.
  class TPicky : public TInstallContainer {
  public:
    using TInstallContainer::TInstallContainer;
    static const TClassInfo& StaticClass() {
      return ClassTable(
          [] { return TClassBuilder<TPicky>("TPicky", &TInstallContainer::StaticClass); });
    }
    const TClassInfo& ClassType() const override { return StaticClass(); }
    void Loaded() override {
      TInstallContainer::Loaded();
      throw IException("Nothing to install");
    }
  };
  Registry.Register<TPicky>();
  EXPECT_EQ(
      LoadError(Form(
          "  object A: TInstallDirectory\n  end\n  object P: TPicky\n    Container = A\n  end\n"
          "  object C: TInstallFile\n    Container = A\n  end\n")),
      "Nothing to install");
  EXPECT_EQ(Log().back(), "Loaded P");
}

TEST_F(LoaderTest, Load_EventsNeedARegisteredHandler) {
  const std::string text =
      Form("  object G: TInstallGroup\n    OnBeforeProcess = GroupBeforeProcess\n  end\n");
  EXPECT_EQ(LoadError(text),
            "Error reading G.OnBeforeProcess: Event handler GroupBeforeProcess is not registered; "
            "definitions carry no event handlers");

  int calls = 0;
  Handlers.Register("groupbeforeprocess",
                    TEvent<void(TInstallContainer*)>([&](TInstallContainer*) { ++calls; }));
  TfrmMainMenu form(nullptr);
  Load(text, form);
  Find<TInstallGroup>(form, "G").OnBeforeProcess(nullptr);
  EXPECT_EQ(calls, 1);

  Handlers.Register("GroupBeforeProcess", TEvent<void()>([] {}));
  EXPECT_EQ(LoadError(text), "Error reading G.OnBeforeProcess: Invalid property value");

  TfrmMainMenu cleared(nullptr);
  Load(Form("  object G: TInstallGroup\n    OnBeforeProcess = nil\n  end\n"), cleared);
  EXPECT_FALSE(Find<TInstallGroup>(cleared, "G").OnBeforeProcess);
}

TEST_F(LoaderTest, Load_WideAndLongStringsIntoTextProperties) {
  TfrmMainMenu form(nullptr);
  Load(Form("  Caption = #8364'uro' + '" + std::string(200, '.') + "' + '" + std::string(100, '.') +
            "'\n"),
       form);
  EXPECT_EQ(form.Caption, "\x80uro" + std::string(300, '.'));
}

TEST_F(LoaderTest, Load_ParentedComponentsGetTheEnclosingObject) {
  TfrmMainMenu form(nullptr);
  Load(Form("  object Outer: TPanel\n    object Inner: TPanel\n    end\n  end\n"), form);
  EXPECT_EQ(Find<TPanel>(form, "Outer").Parent, &form);
  EXPECT_EQ(Find<TPanel>(form, "Inner").Parent, form.FindComponent("Outer"));
  EXPECT_EQ(form.FindComponent("Inner")->Owner(), &form); // owned by the root all the same
}

TEST(MainForm, Registration) {
  TClassRegistry r;
  r.Register<TfrmMainMenu>();
  ASSERT_NE(r.Find("tfrmmainmenu"), nullptr);
  EXPECT_EQ(DefinitionResourceName(TfrmMainMenu::StaticClass()), "TFRMMAINMENU");
  // The process-wide registry by default.
  ClassRegistry().Register<TfrmMainMenu>();
  EXPECT_EQ(ClassRegistry().Find("TfrmMainMenu"), &TfrmMainMenu::StaticClass());
}

} // namespace
} // namespace quendel
