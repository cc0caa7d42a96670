// Names no other test run on this machine uses at the same time: for scratch
// directories, registry keys and archive names.
#pragma once

#include <string>
#include <string_view>

namespace quendel::test {

// Prefix followed by the process id, a per-process counter and a random
// number ("QuendelTest-4711-3-2718281828").
std::string UniqueName(std::string_view Prefix);

} // namespace quendel::test
