#include "model/model_test_support.h"
#include "model/path_base.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quendel::test {
namespace {

using ::testing::ElementsAre;

class TpsProbe : public TStandardPathSpecifier {
public:
  using TStandardPathSpecifier::TStandardPathSpecifier;
  static const TClassInfo& StaticClass() {
    return ClassTable(
        [] { return TClassBuilder<TpsProbe>("TpsProbe", &TStandardPathSpecifier::StaticClass); });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

class TpsProbeChild : public TpsProbe {
public:
  using TpsProbe::TpsProbe;
  static const TClassInfo& StaticClass() {
    return ClassTable(
        [] { return TClassBuilder<TpsProbeChild>("TpsProbeChild", &TpsProbe::StaticClass); });
  }
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

using PathSpecifierTest = ModelTest;

TEST_F(PathSpecifierTest, Lists_FollowLiveSpecifiersAndFindByClass) {
  auto* Custom = new TCustomPathSpecifier(Form.get());
  auto* Child = new TpsProbeChild(Form.get());
  auto* Probe = new TpsProbe(Form.get());
  EXPECT_THAT(Context.PathSpecifiers.Items(), ElementsAre(Custom, Child, Probe));
  EXPECT_THAT(Context.StandardPathSpecifiers.Items(), ElementsAre(Child, Probe));

  // The first instance of the class or a descendant.
  EXPECT_EQ(Context.StandardPathSpecifiers.FindByClass(TpsProbe::StaticClass()), Child);
  Child->Free();
  EXPECT_EQ(Context.StandardPathSpecifiers.FindByClass(TpsProbe::StaticClass()), Probe);
  try {
    Context.StandardPathSpecifiers.FindByClass(TpsProbeChild::StaticClass());
    ADD_FAILURE();
  } catch (const IEPathSpecifier& E) {
    EXPECT_EQ(E.Message(), "Could not find the path specifier");
  }
  // By name, only classes the registry knows.
  EXPECT_EQ(Context.StandardPathSpecifiers.FindByClassName("TpsProbe"), nullptr);
  ClassRegistry().Register<TpsProbe>();
  EXPECT_EQ(Context.StandardPathSpecifiers.FindByClassName("tpsprobe"), Probe);

  Form->DestroyComponents();
  EXPECT_EQ(Context.PathSpecifiers.Count(), 0);
  EXPECT_EQ(Context.StandardPathSpecifiers.Count(), 0);
}

TEST_F(PathSpecifierTest, Lists_RefuseNilAndKeepClassOrder) {
  try {
    Context.PathSpecifiers.Add(nullptr);
    ADD_FAILURE();
  } catch (const IEPathSpecifierList& E) {
    EXPECT_EQ(E.Message(), "Tried to add a nil object to the path specifier list");
  }
  TPathSpecifierClassList& Classes = Context.PathSpecifierClasses;
  EXPECT_THROW(Classes.RegisterClass(nullptr), IEPathSpecifierClassList);
  Classes.RegisterClass(&TpsProbeChild::StaticClass());
  Classes.RegisterClass(&TpsProbe::StaticClass());
  Classes.RegisterClass(&TpsProbeChild::StaticClass());
  EXPECT_THAT(Classes.Classes(),
              ElementsAre(&TpsProbeChild::StaticClass(), &TpsProbe::StaticClass()));
}

} // namespace
} // namespace quendel::test
