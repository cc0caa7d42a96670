// The layer rules of docs/architecture.md, checked on this tree, and the
// checker itself checked on small trees that break them on purpose.

#include "layers/layer_check.h"
#include "support/scratch_machine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace quendel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

const char* const Table = R"(# Map

## Layers

| layer | what lives there |
|---|---|
| `core/` | basics |
| `platform/` | ports |
| `model/` | objects |
| `links/`, `net/` | shortcuts; network |
| `engine/` | the run |

Text after the table.
)";

// A tree with the table above, its layers added in order, and one file per
// layer that includes only what it may.
class LayerFixture : public ::testing::Test {
protected:
  LayerFixture() {
    Put("docs/architecture.md", Table);
    Put("src/CMakeLists.txt", "add_subdirectory(core)\nadd_subdirectory(platform)\n"
                              "add_subdirectory(model)\nadd_subdirectory(links)\n"
                              "add_subdirectory(net)\n  add_subdirectory( engine )\n");
    Put("src/core/a.h", "#pragma once\n#include <string>\n#include \"b.h\"\n");
    Put("src/platform/win32/w.cpp", "#include <Windows.h>\n#include \"core/a.h\"\n");
    Put("src/model/m.cpp", "#include \"platform/p.h\"\n#include \"model/m.h\"\n");
    Put("src/links/l.cpp", "#include \"model/m.h\"\n");
    Put("src/net/n.cpp", "#include \"core/a.h\"\n");
    Put("src/engine/e.cpp", "#include \"links/l.h\"\n#include \"net/n.h\"\n");
  }
  void Put(const std::string& Name, const std::string& Text) {
    const fs::path P = Root() / Name;
    fs::create_directories(P.parent_path());
    std::ofstream(P, std::ios::binary) << Text;
  }
  fs::path Root() const { return Machine.Host(); }

  TScratchMachine Machine;
};

TEST_F(LayerFixture, Table_RowsRankLayersAndSharedRowsShareARank) {
  const auto Ranks = ParseLayerTable(Table);
  ASSERT_EQ(Ranks.size(), 6u);
  EXPECT_EQ(Ranks.at("core"), 0);
  EXPECT_EQ(Ranks.at("model"), 2);
  EXPECT_EQ(Ranks.at("links"), Ranks.at("net"));
  EXPECT_EQ(Ranks.at("engine"), 4);
  EXPECT_THAT(ParseBuildOrder("add_subdirectory(core)\n# add_subdirectory(x)\n"),
              ElementsAre("core"));
  EXPECT_THAT(CheckLayers(Root()), ::testing::IsEmpty());
}

TEST_F(LayerFixture, Include_UpwardsSidewaysAndUnknownAreCaught) {
  Put("src/platform/up.cpp", "#include \"model/m.h\"\n");
  Put("src/links/side.cpp", "  #  include \"net/n.h\"\n");
  Put("src/core/odd.h", "#include \"nowhere/x.h\"\n");
  const auto Breaches = CheckLayers(Root());
  ASSERT_EQ(Breaches.size(), 3u) << ::testing::PrintToString(Breaches);
  EXPECT_THAT(Breaches, ::testing::Contains(HasSubstr("src/platform/up.cpp:1: platform includes "
                                                      "\"model/m.h\" of model")));
  EXPECT_THAT(Breaches, ::testing::Contains(HasSubstr("src/links/side.cpp:1: links includes")));
  EXPECT_THAT(Breaches, ::testing::Contains(HasSubstr("\"nowhere/x.h\", which is no layer's")));
}

TEST_F(LayerFixture, Tree_WindowsHeaderMissingRowAndBuildOrderAreCaught) {
  Put("src/model/w.cpp", "#include <windows.h>\n");
  Put("src/extra/x.cpp", "#include \"core/a.h\"\n");
  Put("src/CMakeLists.txt", "add_subdirectory(core)\nadd_subdirectory(model)\n"
                            "add_subdirectory(platform)\nadd_subdirectory(links)\n"
                            "add_subdirectory(engine)\n");
  const auto Breaches = CheckLayers(Root());
  EXPECT_THAT(Breaches, ::testing::Contains(HasSubstr("src/model/w.cpp:1: <windows.h>")));
  EXPECT_THAT(Breaches, ::testing::Contains("src/extra/ has no row in the layer table"));
  EXPECT_THAT(Breaches, ::testing::Contains(HasSubstr("adds platform after model")));
  EXPECT_THAT(Breaches, ::testing::Contains("src/CMakeLists.txt does not add net"));
  EXPECT_EQ(Breaches.size(), 4u) << ::testing::PrintToString(Breaches);
}

TEST(Layers, ThisTreeKeepsTheTableOfItsArchitecture) {
  const char* Source = std::getenv("QUENDEL_SOURCE_DIR");
  ASSERT_NE(Source, nullptr) << "QUENDEL_SOURCE_DIR names the source tree";
  const auto Breaches = CheckLayers(Source);
  EXPECT_THAT(Breaches, ::testing::IsEmpty()) << ::testing::PrintToString(Breaches);
}

} // namespace
} // namespace quendel::test
