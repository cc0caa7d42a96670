#include "layers/layer_check.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

namespace quendel::test {

namespace {

std::string ReadText(const std::filesystem::path& File) {
  std::ifstream In(File, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

// The directories named in backticks in a table cell ("`links/`, `net/`").
std::vector<std::string> LayersOfCell(const std::string& Cell) {
  std::vector<std::string> Names;
  static const std::regex Name("`([a-z0-9_]+)/`");
  for (auto It = std::sregex_iterator(Cell.begin(), Cell.end(), Name); It != std::sregex_iterator();
       ++It)
    Names.push_back((*It)[1]);
  return Names;
}

} // namespace

std::map<std::string, int> ParseLayerTable(const std::string& Markdown) {
  std::map<std::string, int> Ranks;
  std::istringstream Lines(Markdown);
  std::string Line;
  bool InTable = false;
  int Rank = 0;
  while (std::getline(Lines, Line)) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (!InTable) {
      // The table whose first column is headed "layer".
      InTable = Line.rfind("| layer |", 0) == 0;
      continue;
    }
    if (Line.rfind("|", 0) != 0) break; // the table ends at the first other line
    if (Line.rfind("|---", 0) == 0) continue;
    const std::size_t CellEnd = Line.find('|', 1);
    const std::vector<std::string> Names = LayersOfCell(Line.substr(1, CellEnd - 1));
    if (Names.empty()) continue;
    for (const std::string& N : Names)
      Ranks.emplace(N, Rank);
    ++Rank;
  }
  return Ranks;
}

std::vector<std::string> ParseBuildOrder(const std::string& CMakeLists) {
  std::vector<std::string> Order;
  static const std::regex Sub(R"(^\s*add_subdirectory\(\s*([a-z0-9_]+)\s*\))");
  std::istringstream Lines(CMakeLists);
  std::string Line;
  while (std::getline(Lines, Line)) {
    std::smatch M;
    if (std::regex_search(Line, M, Sub)) Order.push_back(M[1]);
  }
  return Order;
}

std::vector<std::string> CheckLayers(const std::filesystem::path& Root) {
  namespace fs = std::filesystem;
  std::vector<std::string> Breaches;
  const fs::path Src = Root / "src";
  const std::map<std::string, int> Ranks =
      ParseLayerTable(ReadText(Root / "docs" / "architecture.md"));
  if (Ranks.empty()) return {"docs/architecture.md has no layer table"};

  std::set<std::string> Layers;
  for (const auto& Entry : fs::directory_iterator(Src))
    if (Entry.is_directory()) Layers.insert(Entry.path().filename().string());
  for (const std::string& L : Layers)
    if (!Ranks.count(L)) Breaches.push_back("src/" + L + "/ has no row in the layer table");

  // The build adds each layer after every layer it may use.
  const std::vector<std::string> Order = ParseBuildOrder(ReadText(Src / "CMakeLists.txt"));
  int Highest = -1;
  std::string HighestName;
  for (const std::string& L : Order) {
    const auto It = Ranks.find(L);
    if (It == Ranks.end()) continue; // reported above when it is a directory
    if (It->second < Highest)
      Breaches.push_back("src/CMakeLists.txt adds " + L + " after " + HighestName +
                         ", which the layer table puts above it");
    if (It->second > Highest) {
      Highest = It->second;
      HighestName = L;
    }
  }
  for (const std::string& L : Layers)
    if (Ranks.count(L) && std::find(Order.begin(), Order.end(), L) == Order.end())
      Breaches.push_back("src/CMakeLists.txt does not add " + L);

  static const std::regex Include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  for (const auto& Entry : fs::recursive_directory_iterator(Src)) {
    if (!Entry.is_regular_file()) continue;
    const std::string Ext = Entry.path().extension().string();
    if (Ext != ".h" && Ext != ".cpp" && Ext != ".hpp" && Ext != ".inc") continue;
    const fs::path Rel = fs::relative(Entry.path(), Src);
    const std::string Layer = Rel.begin()->string();
    const auto Own = Ranks.find(Layer);
    const std::string Shown = "src/" + Rel.generic_string();
    const bool Win32Adapter = Rel.generic_string().rfind("platform/win32/", 0) == 0 ||
                              Rel.generic_string().rfind("system/win32/", 0) == 0 ||
                              Rel.generic_string().rfind("ui/win32/", 0) == 0;
    std::istringstream Lines(ReadText(Entry.path()));
    std::string Line;
    int Number = 0;
    while (std::getline(Lines, Line)) {
      ++Number;
      std::smatch M;
      if (!std::regex_search(Line, M, Include)) continue;
      const std::string Target = M[2];
      const std::string Where = Shown + ":" + std::to_string(Number) + ": ";
      if (M[1] == "<") {
        std::string Lower = Target;
        std::transform(Lower.begin(), Lower.end(), Lower.begin(),
                       [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
        if (Lower == "windows.h" && !Win32Adapter)
          Breaches.push_back(Where + "<windows.h> outside the Win32 adapters");
        continue;
      }
      const std::size_t Slash = Target.find('/');
      if (Slash == std::string::npos) continue; // a file beside this one
      const std::string Used = Target.substr(0, Slash);
      if (Used == Layer || Own == Ranks.end()) continue;
      const auto It = Ranks.find(Used);
      if (It == Ranks.end()) {
        if (Layers.count(Used)) continue; // reported as a missing row
        Breaches.push_back(Where + "includes \"" + Target + "\", which is no layer's");
      } else if (It->second >= Own->second) {
        Breaches.push_back(Where + Layer + " includes \"" + Target + "\" of " + Used +
                           ", which the layer table does not put below it");
      }
    }
  }
  return Breaches;
}

} // namespace quendel::test
