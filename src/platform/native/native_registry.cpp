#include "platform/native/native_registry.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "platform/native/host.h"
#include "platform/native/names.h"

namespace quendel::platform::native {

struct TNativeRegistry::TNode {
  std::string Name;
  TNode* Parent = nullptr;
  std::map<std::string, std::shared_ptr<TNode>, TNameLess> SubKeys;
  std::map<std::string, TRegValue, TNameLess> Values;
  bool Deleted = false;
};

namespace {

using TNode = TNativeRegistry::TNode;
using TRoots = std::array<std::shared_ptr<TNode>, 6>;

constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;
constexpr std::string_view kFileHeader = "QUENDEL-REGISTRY 1";

[[noreturn]] void Fail(const char* call, const std::string& args, TErrorCode code) {
  throw EPlatformError(call, args, code);
}

std::string KeyText(TRootKey root, const std::string& subKey) {
  std::string text(RootKeyName(root));
  if (!subKey.empty()) text += "\\" + subKey;
  return text;
}

std::string AccessText(TRegAccess access) {
  return access == TRegAccess::Read ? "KEY_READ" : "KEY_READ | KEY_WRITE";
}

// Windows refuses a leading "\"; empty names between separators are skipped.
TErrorCode SplitSubKey(const std::string& subKey, std::vector<std::string>& parts) {
  if (!subKey.empty() && subKey.front() == '\\') return errBadPathName;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= subKey.size(); ++i) {
    if (i == subKey.size() || subKey[i] == '\\') {
      if (i - start > kMaxKeyName) return errInvalidParameter;
      if (i > start) parts.push_back(subKey.substr(start, i - start));
      start = i + 1;
    }
  }
  return errSuccess;
}

// HKEY_CLASSES_ROOT is a view of HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
void Canonicalize(TRootKey& root, std::vector<std::string>& parts) {
  if (root != rkClassesRoot) return;
  root = rkLocalMachine;
  parts.insert(parts.begin(), {"SOFTWARE", "Classes"});
}

std::shared_ptr<TNode> Child(TNode& node, const std::string& name, bool create, bool* created) {
  const auto it = node.SubKeys.find(name);
  if (it != node.SubKeys.end()) return it->second;
  if (!create) return nullptr;
  auto child = std::make_shared<TNode>();
  child->Name = name;
  child->Parent = &node;
  node.SubKeys.emplace(name, child);
  if (created) *created = true;
  return child;
}

TRoots FreshRoots() {
  TRoots roots;
  for (auto& root : roots)
    root = std::make_shared<TNode>();
  auto software = Child(*roots[rkLocalMachine], "SOFTWARE", true, nullptr);
  Child(*software, "Classes", true, nullptr);
  return roots;
}

void MarkDeleted(TNode& node) {
  node.Deleted = true;
  node.Parent = nullptr;
  for (auto& [name, child] : node.SubKeys)
    MarkDeleted(*child);
}

class TNativeRegKey : public IRegKey {
public:
  TNativeRegKey(std::shared_ptr<TNode> node, bool writable, std::string name)
      : node_(std::move(node)), writable_(writable), name_(std::move(name)) {}

  const std::string& Name() const override { return name_; }

  std::vector<std::string> SubKeyNames() override {
    Check("RegEnumKeyExA", QuoteArg(name_));
    std::vector<std::string> names;
    for (const auto& entry : node_->SubKeys)
      names.push_back(entry.second->Name);
    return names;
  }

  std::vector<std::string> ValueNames() override {
    Check("RegEnumValueA", QuoteArg(name_));
    std::vector<std::string> names;
    for (const auto& entry : node_->Values)
      names.push_back(entry.first);
    return names;
  }

  bool ValueExists(const std::string& name) override {
    return !node_->Deleted && node_->Values.count(name) != 0;
  }

  TRegValue ReadValue(const std::string& name) override {
    const std::string args = QuoteArg(name_) + ", " + QuoteArg(name);
    Check("RegQueryValueExA", args);
    const auto it = node_->Values.find(name);
    if (it == node_->Values.end()) Fail("RegQueryValueExA", args, errFileNotFound);
    return it->second;
  }

  void WriteValue(const std::string& name, const TRegValue& value) override {
    const std::string args = QuoteArg(name_) + ", " + QuoteArg(name) + ", type " +
                             std::to_string(value.Type) + ", " + std::to_string(value.Data.size()) +
                             " bytes";
    Check("RegSetValueExA", args);
    if (!writable_) Fail("RegSetValueExA", args, errAccessDenied);
    if (name.size() > kMaxValueName) Fail("RegSetValueExA", args, errInvalidParameter);
    const auto it = node_->Values.find(name);
    if (it != node_->Values.end())
      it->second = value; // the stored name keeps its case
    else
      node_->Values.emplace(name, value);
  }

  void DeleteValue(const std::string& name) override {
    const std::string args = QuoteArg(name_) + ", " + QuoteArg(name);
    Check("RegDeleteValueA", args);
    if (!writable_) Fail("RegDeleteValueA", args, errAccessDenied);
    if (node_->Values.erase(name) == 0) Fail("RegDeleteValueA", args, errFileNotFound);
  }

private:
  void Check(const char* call, const std::string& args) const {
    if (node_->Deleted) Fail(call, args, errKeyDeleted);
  }

  std::shared_ptr<TNode> node_;
  bool writable_;
  std::string name_;
};

// The file form: names and paths percent-escaped so that a line splits on
// spaces, data in hexadecimal ("-" when empty).
std::string Escape(std::string_view text) {
  std::string escaped = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x21 || byte > 0x7E || c == '"' || c == '%') {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", byte);
      escaped += code;
    } else {
      escaped += c;
    }
  }
  return escaped + "\"";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unescape(std::string_view token, std::string& text) {
  if (token.size() < 2 || token.front() != '"' || token.back() != '"') return false;
  token = token.substr(1, token.size() - 2);
  text.clear();
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (token[i] == '"') return false;
    if (token[i] != '%') {
      text += token[i];
      continue;
    }
    if (i + 2 >= token.size()) return false;
    const int high = HexDigit(token[i + 1]), low = HexDigit(token[i + 2]);
    if (high < 0 || low < 0) return false;
    text += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

std::string HexData(const std::vector<std::uint8_t>& data) {
  if (data.empty()) return "-";
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(data.size() * 2);
  for (const std::uint8_t byte : data) {
    hex += digits[byte >> 4];
    hex += digits[byte & 0xF];
  }
  return hex;
}

bool ParseHexData(std::string_view token, std::vector<std::uint8_t>& data) {
  data.clear();
  if (token == "-") return true;
  if (token.empty() || token.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < token.size(); i += 2) {
    const int high = HexDigit(token[i]), low = HexDigit(token[i + 1]);
    if (high < 0 || low < 0) return false;
    data.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return true;
}

bool ParseType(std::string_view token, TRegType& type) {
  if (token.empty() || token.size() > 10) return false;
  std::uint64_t value = 0;
  for (const char c : token) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFu) return false;
  type = static_cast<TRegType>(value);
  return true;
}

std::vector<std::string_view> SplitSpaces(std::string_view line) {
  std::vector<std::string_view> tokens;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == ' ') {
      tokens.push_back(line.substr(start, i - start));
      start = i + 1;
    }
  }
  return tokens;
}

void SaveNode(const TNode& node, TRootKey root, const std::string& path, bool isRoot,
              std::string& out) {
  if (!isRoot || !node.Values.empty()) {
    out += "key ";
    out += RootKeyName(root);
    out += " " + Escape(path) + "\n";
    for (const auto& [name, value] : node.Values)
      out += "value " + Escape(name) + " " + std::to_string(value.Type) + " " +
             HexData(value.Data) + "\n";
  }
  for (const auto& entry : node.SubKeys)
    SaveNode(*entry.second, root,
             path.empty() ? entry.second->Name : path + "\\" + entry.second->Name, false, out);
}

} // namespace

TNativeRegistry::TNativeRegistry() : roots_(FreshRoots()) {}

TNativeRegistry::~TNativeRegistry() {
  for (auto& root : roots_)
    MarkDeleted(*root); // handles that outlive us see deleted keys
}

std::shared_ptr<TNode> TNativeRegistry::Find(TRootKey root,
                                             const std::vector<std::string>& parts) const {
  std::shared_ptr<TNode> node = roots_[root];
  for (const auto& name : parts) {
    node = Child(*node, name, false, nullptr);
    if (!node) return nullptr;
  }
  return node;
}

bool TNativeRegistry::WriteDenied(TRootKey root, const std::vector<std::string>& parts) const {
  for (const auto& rule : rules_) {
    if (rule.Root != root || rule.Parts.size() > parts.size()) continue;
    bool prefix = true;
    for (std::size_t i = 0; i < rule.Parts.size() && prefix; ++i)
      prefix = SameName(rule.Parts[i], parts[i]);
    if (prefix) return true;
  }
  return false;
}

std::unique_ptr<IRegKey> TNativeRegistry::OpenKey(TRootKey root, const std::string& subKey,
                                                  TRegAccess access) {
  const char* call = "RegOpenKeyExA";
  const std::string name = KeyText(root, subKey);
  const std::string args = QuoteArg(name) + ", " + AccessText(access);
  std::vector<std::string> parts;
  if (const TErrorCode error = SplitSubKey(subKey, parts); error != errSuccess)
    Fail(call, args, error);
  Canonicalize(root, parts);
  auto node = Find(root, parts);
  if (!node) Fail(call, args, errFileNotFound);
  const bool writable = access == TRegAccess::ReadWrite;
  if (writable && WriteDenied(root, parts)) Fail(call, args, errAccessDenied);
  return std::make_unique<TNativeRegKey>(std::move(node), writable, name);
}

std::unique_ptr<IRegKey> TNativeRegistry::CreateKey(TRootKey root, const std::string& subKey,
                                                    bool* created) {
  const char* call = "RegCreateKeyExA";
  const std::string name = KeyText(root, subKey);
  const std::string args = QuoteArg(name) + ", " + AccessText(TRegAccess::ReadWrite);
  std::vector<std::string> parts;
  if (const TErrorCode error = SplitSubKey(subKey, parts); error != errSuccess)
    Fail(call, args, error);
  Canonicalize(root, parts);
  if (WriteDenied(root, parts)) Fail(call, args, errAccessDenied);
  bool isNew = false;
  std::shared_ptr<TNode> node = roots_[root];
  for (const auto& part : parts)
    node = Child(*node, part, true, &isNew);
  if (created) *created = isNew;
  return std::make_unique<TNativeRegKey>(std::move(node), true, name);
}

void TNativeRegistry::DeleteKey(TRootKey root, const std::string& subKey) {
  const char* call = "RegDeleteKeyA";
  const std::string args = QuoteArg(KeyText(root, subKey));
  std::vector<std::string> parts;
  if (const TErrorCode error = SplitSubKey(subKey, parts); error != errSuccess)
    Fail(call, args, error);
  Canonicalize(root, parts);
  if (parts.empty()) Fail(call, args, errAccessDenied); // a root cannot go
  const auto node = Find(root, parts);
  if (!node) Fail(call, args, errFileNotFound);
  if (!node->SubKeys.empty() || WriteDenied(root, parts)) Fail(call, args, errAccessDenied);
  TNode* parent = node->Parent;
  MarkDeleted(*node);
  parent->SubKeys.erase(node->Name);
}

void TNativeRegistry::DenyWrite(TRootKey root, const std::string& subKey) {
  TRule rule{root, {}};
  if (SplitSubKey(subKey, rule.Parts) != errSuccess)
    throw EPlatformError("DenyWrite", QuoteArg(KeyText(root, subKey)), errBadPathName);
  Canonicalize(rule.Root, rule.Parts);
  rules_.push_back(std::move(rule));
}

void TNativeRegistry::AllowWrite(TRootKey root, const std::string& subKey) {
  std::vector<std::string> parts;
  if (SplitSubKey(subKey, parts) != errSuccess) return;
  Canonicalize(root, parts);
  std::erase_if(rules_, [&](const TRule& rule) {
    if (rule.Root != root || rule.Parts.size() != parts.size()) return false;
    for (std::size_t i = 0; i < parts.size(); ++i)
      if (!SameName(rule.Parts[i], parts[i])) return false;
    return true;
  });
}

std::string TNativeRegistry::SaveToText() const {
  std::string out(kFileHeader);
  out += "\n";
  for (std::size_t root = 0; root < roots_.size(); ++root)
    SaveNode(*roots_[root], static_cast<TRootKey>(root), "", true, out);
  return out;
}

void TNativeRegistry::Replace(TRoots roots) {
  for (auto& old : roots_)
    MarkDeleted(*old);
  roots_ = std::move(roots);
  // The view behind HKEY_CLASSES_ROOT is always there.
  auto software = Child(*roots_[rkLocalMachine], "SOFTWARE", true, nullptr);
  Child(*software, "Classes", true, nullptr);
}

namespace {

TRoots ParseRegistry(std::istream& in, const std::string& source) {
  TRoots roots;
  for (auto& root : roots)
    root = std::make_shared<TNode>();
  std::string line;
  std::size_t number = 0;
  auto bad = [&](const std::string& why) {
    throw EPlatformError("RegLoadKeyA",
                         QuoteArg(source) + ", line " + std::to_string(number) + ": " + why,
                         errBadDb);
  };
  std::shared_ptr<TNode> current;
  while (std::getline(in, line)) {
    ++number;
    if (number == 1) {
      if (line != kFileHeader) bad("not a registry file");
      continue;
    }
    if (line.empty()) continue;
    const auto tokens = SplitSpaces(line);
    if (tokens[0] == "key") {
      if (tokens.size() != 3) bad("a key line has a root and a path");
      std::optional<TRootKey> root;
      for (int r = rkClassesRoot; r <= rkCurrentConfig; ++r)
        if (tokens[1] == RootKeyName(static_cast<TRootKey>(r))) root = static_cast<TRootKey>(r);
      if (!root || *root == rkClassesRoot) bad("unknown root");
      std::string path;
      std::vector<std::string> parts;
      if (!Unescape(tokens[2], path) || SplitSubKey(path, parts) != errSuccess) bad("bad key path");
      current = roots[*root];
      for (const auto& part : parts)
        current = Child(*current, part, true, nullptr);
    } else if (tokens[0] == "value") {
      if (!current) bad("a value before any key");
      if (tokens.size() != 4) bad("a value line has a name, a type and data");
      std::string name;
      TRegValue value;
      if (!Unescape(tokens[1], name) || name.size() > kMaxValueName) bad("bad value name");
      if (!ParseType(tokens[2], value.Type)) bad("bad value type");
      if (!ParseHexData(tokens[3], value.Data)) bad("bad value data");
      current->Values[name] = std::move(value);
    } else {
      bad("unknown line");
    }
  }
  if (number == 0) bad("empty file");
  return roots;
}

} // namespace

void TNativeRegistry::LoadFromText(std::string_view text) {
  std::istringstream in{std::string(text)};
  Replace(ParseRegistry(in, "<text>"));
}

void TNativeRegistry::SaveToFile(const std::string& hostPath) const {
  const std::string temporary = hostPath + ".tmp";
  const std::string text = SaveToText();
  auto fail = [&] {
    const int error = errno;
    std::remove(temporary.c_str());
    throw EPlatformError("RegSaveKeyA", QuoteArg(hostPath), ErrnoToWindows(error));
  };
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) fail();
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0 || !written) fail();
  if (std::rename(temporary.c_str(), hostPath.c_str()) != 0) fail();
}

void TNativeRegistry::LoadFromFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) {
    const int error = errno;
    throw EPlatformError("RegLoadKeyA", QuoteArg(hostPath), ErrnoToWindows(error));
  }
  Replace(ParseRegistry(in, hostPath));
}

} // namespace quendel::platform::native
