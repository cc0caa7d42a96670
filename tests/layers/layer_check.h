// Checks a source tree against its layer table: every "#include" under src/
// must stay in its own layer or reach a layer listed above it in the table
// of docs/architecture.md, every layer directory must have a row, the build
// must add the layers in the table's order, and only the Win32 adapters
// include <windows.h>.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace quendel::test {

// The layers of the table in docs/architecture.md, each with its rank (its
// row, counted from 0). A row may name several layers ("`links/`, `net/`");
// they share a rank and may not use each other.
std::map<std::string, int> ParseLayerTable(const std::string& Markdown);

// The layers src/CMakeLists.txt adds, in its order.
std::vector<std::string> ParseBuildOrder(const std::string& CMakeLists);

// Every breach of the rules in the tree at Root (which holds src/ and
// docs/architecture.md), one text each naming the file and the include;
// empty when the tree keeps its layers.
std::vector<std::string> CheckLayers(const std::filesystem::path& Root);

} // namespace quendel::test
