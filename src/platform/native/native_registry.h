#pragma once
// The registry of the Windows-like machine: an in-memory tree of keys and
// typed values, optionally kept in a file between runs.
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes, as on Windows
// before per-user classes; the other roots are trees of their own.

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace quendel::platform::native {

class TNativeRegistry : public IRegistry {
public:
  TNativeRegistry();
  ~TNativeRegistry() override;

  std::unique_ptr<IRegKey> OpenKey(TRootKey root, const std::string& subKey,
                                   TRegAccess access) override;
  std::unique_ptr<IRegKey> CreateKey(TRootKey root, const std::string& subKey,
                                     bool* created) override;
  using IRegistry::CreateKey;
  void DeleteKey(TRootKey root, const std::string& subKey) override;

  // Makes the key and everything below it readable but not writable, as an
  // access rule granting only reading would: opening for writing, creating
  // and deleting there fail with errAccessDenied. The key need not exist yet.
  void DenyWrite(TRootKey root, const std::string& subKey);
  // Lifts a DenyWrite given for exactly that key.
  void AllowWrite(TRootKey root, const std::string& subKey);

  // The whole tree as text, and back. A load that fails (errBadDb, with the
  // line) leaves the registry as it was. Handles open before a load see
  // their keys as deleted (errKeyDeleted).
  std::string SaveToText() const;
  void LoadFromText(std::string_view text);
  // The file is replaced only once it is written in full.
  void SaveToFile(const std::string& hostPath) const;
  void LoadFromFile(const std::string& hostPath);

  struct TNode;

private:
  struct TRule {
    TRootKey Root;
    std::vector<std::string> Parts;
  };

  std::shared_ptr<TNode> Find(TRootKey root, const std::vector<std::string>& parts) const;
  bool WriteDenied(TRootKey root, const std::vector<std::string>& parts) const;
  void Replace(std::array<std::shared_ptr<TNode>, 6> roots);

  std::array<std::shared_ptr<TNode>, 6> roots_;
  std::vector<TRule> rules_;
};

} // namespace quendel::platform::native
