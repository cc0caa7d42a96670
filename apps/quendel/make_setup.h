// Making a product's setup program (quendel make-setup), for the commands
// that build on it.
#pragma once

#include <filesystem>
#include <string>

namespace quendel::cli {

// The kit's setup runtime with Definition (text or binary, checked by
// loading it) and Title in it, written whole to Output. Raises
// std::runtime_error.
void MakeSetupProgram(const std::string& Definition, const std::string& Output,
                      const std::string* Title);

// The kit's setup runtime: QUENDEL_KIT when set, else beside this program.
std::filesystem::path SetupRuntimePath();

// The directory this program runs from (empty when unknown).
std::filesystem::path AuthorToolDirectory();

} // namespace quendel::cli
