#pragma once
// Name comparison as Windows does it for files and registry keys: without
// regard to case (ANSI code page 1252), keeping the case that was stored.

#include <string>
#include <string_view>

namespace quendel::platform::native {

// The upper-case form of one ANSI character (ASCII and the 1252 letters).
char FoldUpper(char c);

// <0, 0, >0 comparing the upper-case forms, the order Windows sorts keys in.
int CompareNames(std::string_view a, std::string_view b);
inline bool SameName(std::string_view a, std::string_view b) {
  return CompareNames(a, b) == 0;
}

// A comparator for maps keyed by names.
struct TNameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareNames(a, b) < 0; }
};

// File-name wildcards: "*" any run of characters, "?" exactly one, case
// ignored. A pattern ending in ".*" also matches the name without it, so
// "*.*" matches every name and "readme.*" matches "readme".
bool MatchPattern(std::string_view pattern, std::string_view name);

bool HasWildcards(std::string_view text);

} // namespace quendel::platform::native
