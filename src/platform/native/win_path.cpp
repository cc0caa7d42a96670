#include "platform/native/win_path.h"

namespace quendel::platform::native {

std::string TWinPath::Text() const {
  std::string text{Drive, ':', '\\'};
  for (std::size_t i = 0; i < Parts.size(); ++i) {
    if (i > 0) text += '\\';
    text += Parts[i];
  }
  return text;
}

TWinPath TWinPath::Parent() const {
  TWinPath parent = *this;
  if (!parent.Parts.empty()) parent.Parts.pop_back();
  return parent;
}

TWinPath TWinPath::Child(std::string name) const {
  TWinPath child = *this;
  child.Parts.push_back(std::move(name));
  return child;
}

const std::string& TWinPath::Leaf() const {
  static const std::string empty;
  return Parts.empty() ? empty : Parts.back();
}

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
}

bool IsInvalidNameChar(char c, bool wildcardsAllowed) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x20) return true;
  switch (c) {
  case '<':
  case '>':
  case ':':
  case '"':
  case '|':
    return true;
  case '*':
  case '?':
    return !wildcardsAllowed;
  default:
    return false;
  }
}

} // namespace

TErrorCode ParseWinPath(std::string_view text, const TWinPath& current, TWinPath& out,
                        TParseOptions options, bool* trailingSeparator) {
  if (text.empty()) return errPathNotFound;
  if (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1])) return errPathNotFound;

  TWinPath path;
  std::string_view rest = text;
  if (text.size() >= 2 && text[1] == ':') {
    if (!IsLetter(text[0])) return errInvalidName;
    path.Drive = Upper(text[0]);
    rest = text.substr(2);
    if (rest.empty() || !IsSeparator(rest[0])) {
      // Drive-relative: only the current directory of the current drive is known.
      if (path.Drive == current.Drive) path.Parts = current.Parts;
    }
  } else {
    path.Drive = current.Drive;
    if (!IsSeparator(rest[0])) path.Parts = current.Parts;
  }

  if (trailingSeparator) *trailingSeparator = IsSeparator(text.back());

  // Split the rest; a wildcard may appear only in the last name.
  std::vector<std::string_view> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= rest.size(); ++i) {
    if (i == rest.size() || IsSeparator(rest[i])) {
      if (i > start) names.push_back(rest.substr(start, i - start));
      start = i + 1;
    }
  }
  for (std::size_t n = 0; n < names.size(); ++n) {
    std::string_view name = names[n];
    if (name == ".") continue;
    if (name == "..") {
      if (!path.Parts.empty()) path.Parts.pop_back();
      continue;
    }
    const bool wildcards = options.WildcardsInLeaf && n + 1 == names.size();
    for (const char c : name)
      if (IsInvalidNameChar(c, wildcards)) return errInvalidName;
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
      name.remove_suffix(1);
    if (name.empty()) continue; // "..." and " " name nothing
    if (name.size() > kMaxName) return errFilenameExcedRange;
    path.Parts.emplace_back(name);
  }
  if (path.Text().size() >= kMaxPath) return errFilenameExcedRange;
  out = std::move(path);
  return errSuccess;
}

} // namespace quendel::platform::native
