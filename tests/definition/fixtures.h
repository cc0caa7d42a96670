// The fixture files of tests/data/definition.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quendel::deftest {

// A fixture file, whole.
inline std::string ReadFile(const std::string& Name) {
  std::ifstream in(std::filesystem::path(QUENDEL_TEST_DATA) / "definition" / Name,
                   std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

} // namespace quendel::deftest
