// Names no other test run on this machine uses at the same time: for scratch
// directories, registry keys and archive names.
#pragma once

#include <string>
#include <string_view>

namespace quendel::test {

// Prefix followed by the process id, a per-process counter and a random
// number ("QuendelTest-4711-3-2718281828").
std::string UniqueName(std::string_view Prefix);

// A product name for a test that writes the machine's registry: Name itself
// on the simulated machine, which is the test's own; a unique one under Wine,
// where tests running at the same time share one registry.
inline std::string ProductNameForRun(std::string_view Name) {
#ifdef _WIN32
  return UniqueName(std::string("Quendel") + std::string(Name));
#else
  return std::string(Name);
#endif
}

} // namespace quendel::test
