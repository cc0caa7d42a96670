#include "platform/win32/win32_registry.h"

#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/win32_error.h"

namespace quendel::platform::win32 {

HKEY RootKeyHandle(TRootKey root) {
  switch (root) {
  case rkClassesRoot:
    return HKEY_CLASSES_ROOT;
  case rkCurrentUser:
    return HKEY_CURRENT_USER;
  case rkLocalMachine:
    return HKEY_LOCAL_MACHINE;
  case rkUsers:
    return HKEY_USERS;
  case rkPerformanceData:
    return HKEY_PERFORMANCE_DATA;
  case rkCurrentConfig:
    return HKEY_CURRENT_CONFIG;
  }
  return nullptr;
}

namespace {

std::string KeyText(TRootKey root, const std::string& subKey) {
  std::string text(RootKeyName(root));
  if (!subKey.empty()) text += "\\" + subKey;
  return text;
}

REGSAM AccessMask(TRegAccess access) {
  return access == TRegAccess::Read ? KEY_READ : KEY_READ | KEY_WRITE;
}

std::string AccessText(TRegAccess access) {
  return access == TRegAccess::Read ? "KEY_READ" : "KEY_READ | KEY_WRITE";
}

class TWin32RegKey : public IRegKey {
public:
  TWin32RegKey(TRegKeyHandle key, std::string name)
      : key_(std::move(key)), name_(std::move(name)) {}

  const std::string& Name() const override { return name_; }

  std::vector<std::string> SubKeyNames() override {
    return Enumerate("RegEnumKeyExA", [&](DWORD index, char* buffer, DWORD* length) {
      return ::RegEnumKeyExA(key_.Get(), index, buffer, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  std::vector<std::string> ValueNames() override {
    return Enumerate("RegEnumValueA", [&](DWORD index, char* buffer, DWORD* length) {
      return ::RegEnumValueA(key_.Get(), index, buffer, length, nullptr, nullptr, nullptr, nullptr);
    });
  }

  bool ValueExists(const std::string& name) override {
    return ::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
  }

  TRegValue ReadValue(const std::string& name) override {
    const std::string args = QuoteArg(name_) + ", " + QuoteArg(name);
    TRegValue value;
    DWORD type = REG_NONE;
    // Most values (paths, counts) fit the first buffer, which saves asking
    // for the size first: every query is a round trip to the registry.
    value.Data.resize(512);
    DWORD size = static_cast<DWORD>(value.Data.size());
    // The value may grow between asking its size and reading it: ask again.
    for (int attempt = 0; attempt < 8; ++attempt) {
      const LONG result =
          ::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, value.Data.data(), &size);
      if (result == ERROR_MORE_DATA) {
        value.Data.resize(size ? size : value.Data.size() * 2);
        size = static_cast<DWORD>(value.Data.size());
        continue;
      }
      if (result != ERROR_SUCCESS) ThrowError("RegQueryValueExA", args, result);
      value.Data.resize(size);
      value.Type = type;
      return value;
    }
    ThrowError("RegQueryValueExA", args, ERROR_MORE_DATA);
  }

  void WriteValue(const std::string& name, const TRegValue& value) override {
    const std::string args = QuoteArg(name_) + ", " + QuoteArg(name) + ", type " +
                             std::to_string(value.Type) + ", " + std::to_string(value.Data.size()) +
                             " bytes";
    const LONG result = ::RegSetValueExA(key_.Get(), name.c_str(), 0, value.Type,
                                         value.Data.empty() ? nullptr : value.Data.data(),
                                         static_cast<DWORD>(value.Data.size()));
    if (result != ERROR_SUCCESS) ThrowError("RegSetValueExA", args, result);
  }

  void DeleteValue(const std::string& name) override {
    const std::string args = QuoteArg(name_) + ", " + QuoteArg(name);
    const LONG result = ::RegDeleteValueA(key_.Get(), name.c_str());
    if (result != ERROR_SUCCESS) ThrowError("RegDeleteValueA", args, result);
  }

  void Flush() override {
    const LONG result = ::RegFlushKey(key_.Get());
    if (result != ERROR_SUCCESS) ThrowError("RegFlushKey", QuoteArg(name_), result);
  }

private:
  template <typename Next> std::vector<std::string> Enumerate(const char* call, Next next) {
    const std::string args = QuoteArg(name_);
    std::vector<std::string> names;
    std::vector<char> buffer(256);
    for (DWORD index = 0;;) {
      DWORD length = static_cast<DWORD>(buffer.size());
      const LONG result = next(index, buffer.data(), &length);
      if (result == ERROR_NO_MORE_ITEMS) return names;
      if (result == ERROR_MORE_DATA && buffer.size() < 65536) {
        buffer.resize(buffer.size() * 4); // value names reach 16383 characters
        continue;
      }
      if (result != ERROR_SUCCESS) ThrowError(call, args, result);
      names.emplace_back(buffer.data(), length);
      ++index;
    }
  }

  TRegKeyHandle key_;
  std::string name_;
};

} // namespace

std::unique_ptr<IRegKey> TWin32Registry::OpenKey(TRootKey root, const std::string& subKey,
                                                 TRegAccess access) {
  const std::string name = KeyText(root, subKey);
  const std::string args = QuoteArg(name) + ", " + AccessText(access);
  HKEY key = nullptr;
  const LONG result =
      ::RegOpenKeyExA(RootKeyHandle(root), subKey.c_str(), 0, AccessMask(access), &key);
  if (result != ERROR_SUCCESS) ThrowError("RegOpenKeyExA", args, result);
  return std::make_unique<TWin32RegKey>(TRegKeyHandle(key), name);
}

std::unique_ptr<IRegKey> TWin32Registry::CreateKey(TRootKey root, const std::string& subKey,
                                                   bool* created) {
  const std::string name = KeyText(root, subKey);
  const std::string args = QuoteArg(name) + ", " + AccessText(TRegAccess::ReadWrite);
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG result =
      ::RegCreateKeyExA(RootKeyHandle(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, &disposition);
  if (result != ERROR_SUCCESS) ThrowError("RegCreateKeyExA", args, result);
  TRegKeyHandle owner(key);
  if (created) *created = disposition == REG_CREATED_NEW_KEY;
  return std::make_unique<TWin32RegKey>(std::move(owner), name);
}

void TWin32Registry::DeleteKey(TRootKey root, const std::string& subKey) {
  const std::string args = QuoteArg(KeyText(root, subKey));
  const LONG result = ::RegDeleteKeyA(RootKeyHandle(root), subKey.c_str());
  if (result != ERROR_SUCCESS) ThrowError("RegDeleteKeyA", args, result);
}

} // namespace quendel::platform::win32
