#include "platform/native/names.h"

namespace quendel::platform::native {

char FoldUpper(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  // Code page 1252: the accented lower-case letters sit 0x20 above their capitals,
  // except the division sign; s caron, oe and z caron pair up lower down.
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  switch (byte) {
  case 0x9A:
    return static_cast<char>(0x8A);
  case 0x9C:
    return static_cast<char>(0x8C);
  case 0x9E:
    return static_cast<char>(0x8E);
  case 0xFF:
    return static_cast<char>(0x9F);
  default:
    return c;
  }
}

int CompareNames(std::string_view a, std::string_view b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(FoldUpper(a[i]));
    const auto y = static_cast<unsigned char>(FoldUpper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

namespace {

// Classic wildcard matching with one backtrack point per "*": linear in
// practice and never recursive, whatever the pattern.
bool Match(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || FoldUpper(pattern[p]) == FoldUpper(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

} // namespace

bool MatchPattern(std::string_view pattern, std::string_view name) {
  if (Match(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*")
    return Match(pattern.substr(0, pattern.size() - 2), name);
  return false;
}

bool HasWildcards(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

} // namespace quendel::platform::native
