// Definitions that hold install objects and path specifiers, loaded the way
// a setup program loads its own: the stored specifiers may follow the first
// install object, and a failed load leaves nothing behind.
#include "definition/loader.h"
#include "ui/main_form.h"
#include "definition/text_codec.h"
#include "model/install_group.h"
#include "model/model_classes.h"
#include "paths/path_classes.h"
#include "paths/standard_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace quendel::test {
namespace {

class DefinitionLoad : public ::testing::Test {
protected:
  DefinitionLoad() {
    Context.AttachPlatform(&Machine);
    ui::RegisterUiClasses();
    RegisterModelClasses();
    RegisterPathClasses();
    SetupPathSpecifiers(Context);
    Context.IsSpecifierHost = [](const TComponent& Owner) {
      return dynamic_cast<const TfrmMainMenu*>(&Owner) != nullptr;
    };
  }
  void Load(const std::string& Body) {
    const std::string Text = "object frmMainMenu: TfrmMainMenu\n" + Body + "end\n";
    LoadDefinition(ReadObjectStream(std::span<const std::uint8_t>(
                       reinterpret_cast<const std::uint8_t*>(Text.data()), Text.size())),
                   *Form);
  }
  int Count(const TClassInfo& Cls) const {
    int N = 0;
    for (int i = 0; i < Form->ComponentCount(); ++i)
      if (Form->Components(i)->InheritsFrom(Cls)) ++N;
    return N;
  }

  platform::TPlatform Machine = platform::CreateDefaultPlatform();
  TModelContext Context;
  TModelContextScope Scope{Context};
  std::unique_ptr<TfrmMainMenu> Form = std::make_unique<TfrmMainMenu>(nullptr);
};

const char* const Tree = "  object Group: TInstallGroup\n"
                         "    DestDirType = psProgramFiles\n"
                         "    DestDir = '\\Sample'\n"
                         "  end\n"
                         "  object Help: TInstallDirectory\n"
                         "    Container = Group\n"
                         "    DestDirType = psContainerDestDir\n"
                         "    DestDir = '\\Help'\n"
                         "  end\n"
                         "  object psFileContainer: TpsFileContainer\n"
                         "    FileContainer = Group\n"
                         "  end\n"
                         "  object psFileContainer1: TpsFileContainer\n"
                         "    FileContainer = Help\n"
                         "  end\n"
                         "  object psSystem: TpsSystem\n"
                         "  end\n"
                         "  object psProgramFiles: TpsProgramFiles\n"
                         "  end\n"
                         "  object psContainerDestDir: TpsContainerDestDir\n"
                         "  end\n";

TEST_F(DefinitionLoad, SpecifiersAfterTheFirstInstallObject_LoadAndTheMissingAreMadeAfterwards) {
  ASSERT_NO_THROW(Load(Tree));
  auto* Group = dynamic_cast<TInstallGroup*>(Form->FindComponent("Group"));
  auto* Help = dynamic_cast<TInstallDirectory*>(Form->FindComponent("Help"));
  ASSERT_TRUE(Group && Help);
  EXPECT_EQ(Help->Container(), Group);
  EXPECT_EQ(Group->DestDirType(), Form->FindComponent("psProgramFiles"));
  EXPECT_TRUE(dynamic_cast<TpsSystem*>(Form->FindComponent("psSystem")));
  EXPECT_EQ(Form->FindComponent("psSystem1"), nullptr) << "no second instance of a stored one";
  // Every standard class once, the stored ones included.
  for (const TClassInfo* Cls : StandardPathClasses()) EXPECT_EQ(Count(*Cls), 1) << Cls->Name();
  // One own specifier per container: the stored ones, under their stored names.
  EXPECT_EQ(Count(TpsFileContainer::StaticClass()), 2);
  EXPECT_EQ(Group->OwnSpecifier(), Form->FindComponent("psFileContainer"));
  EXPECT_EQ(Help->OwnSpecifier(), Form->FindComponent("psFileContainer1"));
  const std::string ProgramFiles = Context.StandardPathSpecifiers
                                       .FindByClass(TpsProgramFiles::StaticClass())
                                       ->GetPath(nullptr);
  EXPECT_EQ(Help->GetFullDestDir(), ProgramFiles + "\\Sample\\Help");
}

TEST_F(DefinitionLoad, FailedLoad_LeavesNoSpecifiersBehind) {
  EXPECT_THROW(Load(std::string(Tree) + "  object Bad: TInstallDirectory\n"
                                        "    NoSuchProperty = 1\n"
                                        "  end\n"),
               EReadError);
  EXPECT_EQ(Form->ComponentCount(), 0);
  EXPECT_EQ(Context.PathSpecifiers.Count(), 0);
  EXPECT_EQ(Context.AllContainers.Count(), 0);
  // And the same definition then loads.
  ASSERT_NO_THROW(Load(Tree));
  EXPECT_EQ(Count(TpsSystem::StaticClass()), 1);
}

} // namespace
} // namespace quendel::test
