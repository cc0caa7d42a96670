#pragma once
// Windows paths as the native adapters understand them: a drive letter and
// the names below it, with "." and ".." already applied.

#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace quendel::platform::native {

inline constexpr std::size_t kMaxPath = 260; // MAX_PATH, terminating NUL included
inline constexpr std::size_t kMaxName = 255;

struct TWinPath {
  char Drive = 'C'; // upper case
  std::vector<std::string> Parts;

  std::string Text() const; // "C:\a\b", or "C:\" for the root
  bool IsRoot() const { return Parts.empty(); }
  TWinPath Parent() const; // the root is its own parent
  TWinPath Child(std::string name) const;
  const std::string& Leaf() const; // "" for the root
};

struct TParseOptions {
  bool WildcardsInLeaf = false; // a search pattern may have * and ? in its last name
};

// Makes a full path of text, resolving a relative one against current:
// "\x" is on the current drive, "D:x" relative to the current directory when
// it is on D: and to D:\ otherwise, "/" counts as "\", and as in Windows the
// trailing dots and spaces of each name are dropped.
// Fails with errPathNotFound for an empty or UNC path ("\\server\share"; the
// native machine has no network), errInvalidName for a character Windows
// refuses in names, errFilenameExcedRange past MAX_PATH.
// trailingSeparator (when given) tells whether the text ended in "\".
TErrorCode ParseWinPath(std::string_view text, const TWinPath& current, TWinPath& out,
                        TParseOptions options = {}, bool* trailingSeparator = nullptr);

} // namespace quendel::platform::native
