#include "platform/registry.h"

#include "core/byte_order.h"

#include <array>
#include <utility>

namespace quendel::platform {

namespace {

constexpr std::array<std::string_view, 6> kRootNames = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
};
constexpr std::uint32_t kFirstRootValue = 0x80000000u;

} // namespace

std::uint32_t RootKeyValue(TRootKey root) {
  return kFirstRootValue + static_cast<std::uint32_t>(root);
}

std::optional<TRootKey> RootKeyFromValue(std::uint32_t value) {
  if (value < kFirstRootValue || value - kFirstRootValue >= kRootNames.size()) return std::nullopt;
  return static_cast<TRootKey>(value - kFirstRootValue);
}

std::string_view RootKeyName(TRootKey root) {
  const auto index = static_cast<std::size_t>(root);
  return index < kRootNames.size() ? kRootNames[index] : std::string_view("HKEY_?");
}

TRegValue TRegValue::FromString(std::string_view text, TRegType type) {
  TRegValue value;
  value.Type = type;
  value.Data.assign(text.begin(), text.end());
  value.Data.push_back(0);
  return value;
}

TRegValue TRegValue::FromDWord(std::uint32_t dword) {
  TRegValue value;
  value.Type = rtDWord;
  AppendLE(value.Data, dword);
  return value;
}

TRegValue TRegValue::FromBinary(std::vector<std::uint8_t> bytes) {
  TRegValue value;
  value.Type = rtBinary;
  value.Data = std::move(bytes);
  return value;
}

TRegValue TRegValue::FromMultiString(const std::vector<std::string>& strings) {
  TRegValue value;
  value.Type = rtMultiSz;
  for (const auto& text : strings) {
    value.Data.insert(value.Data.end(), text.begin(), text.end());
    value.Data.push_back(0);
  }
  value.Data.push_back(0);
  return value;
}

std::string TRegValue::AsString() const {
  std::string text;
  for (const std::uint8_t byte : Data) {
    if (byte == 0) break;
    text += static_cast<char>(byte);
  }
  return text;
}

std::optional<std::uint32_t> TRegValue::AsDWord() const {
  if (Data.size() != 4) return std::nullopt;
  return GetLE<std::uint32_t>(Data, 0);
}

std::vector<std::string> TRegValue::AsMultiString() const {
  std::vector<std::string> strings;
  std::string current;
  for (const std::uint8_t byte : Data) {
    if (byte != 0) {
      current += static_cast<char>(byte);
    } else if (current.empty()) {
      return strings; // the empty string ends the list
    } else {
      strings.push_back(std::move(current));
      current.clear();
    }
  }
  if (!current.empty()) strings.push_back(std::move(current)); // writer left no final NUL
  return strings;
}

std::string IRegKey::ReadString(const std::string& name) {
  const TRegValue value = ReadValue(name);
  if (value.Type != rtSz && value.Type != rtExpandSz)
    throw EPlatformError("RegQueryValueExA",
                         QuoteArg(Name()) + ", " + QuoteArg(name) + ", type " +
                             std::to_string(value.Type) + " is not a string",
                         errUnsupportedType);
  return value.AsString();
}

std::uint32_t IRegKey::ReadDWord(const std::string& name) {
  const TRegValue value = ReadValue(name);
  const auto dword = value.AsDWord();
  if (value.Type != rtDWord || !dword)
    throw EPlatformError("RegQueryValueExA",
                         QuoteArg(Name()) + ", " + QuoteArg(name) + ", type " +
                             std::to_string(value.Type) + " of " +
                             std::to_string(value.Data.size()) + " bytes is not a DWORD",
                         errUnsupportedType);
  return *dword;
}

void IRegKey::WriteString(const std::string& name, std::string_view text) {
  WriteValue(name, TRegValue::FromString(text, rtSz));
}

void IRegKey::WriteExpandString(const std::string& name, std::string_view text) {
  WriteValue(name, TRegValue::FromString(text, rtExpandSz));
}

void IRegKey::WriteDWord(const std::string& name, std::uint32_t value) {
  WriteValue(name, TRegValue::FromDWord(value));
}

void IRegKey::WriteBinary(const std::string& name, std::vector<std::uint8_t> bytes) {
  WriteValue(name, TRegValue::FromBinary(std::move(bytes)));
}

void IRegKey::WriteMultiString(const std::string& name, const std::vector<std::string>& strings) {
  WriteValue(name, TRegValue::FromMultiString(strings));
}

std::unique_ptr<IRegKey> IRegistry::TryOpenKey(TRootKey root, const std::string& subKey,
                                               TRegAccess access, TErrorCode& error) {
  try {
    auto key = OpenKey(root, subKey, access);
    error = errSuccess;
    return key;
  } catch (const EPlatformError& e) {
    error = e.Code();
    return nullptr;
  }
}

bool IRegistry::KeyExists(TRootKey root, const std::string& subKey) {
  TErrorCode error = errSuccess;
  TryOpenKey(root, subKey, TRegAccess::Read, error);
  // A key we may not read still exists.
  return error == errSuccess || error == errAccessDenied;
}

TErrorCode IRegistry::TryDeleteKey(TRootKey root, const std::string& subKey) {
  try {
    DeleteKey(root, subKey);
    return errSuccess;
  } catch (const EPlatformError& e) {
    return e.Code();
  }
}

void IRegistry::DeleteTree(TRootKey root, const std::string& subKey) {
  std::vector<std::string> children;
  {
    const auto key = OpenKey(root, subKey, TRegAccess::Read);
    children = key->SubKeyNames();
  }
  const std::string prefix = subKey.empty() || subKey.back() == '\\' ? subKey : subKey + "\\";
  for (const auto& child : children)
    DeleteTree(root, prefix + child);
  DeleteKey(root, subKey);
}

TErrorCode IRegistry::TryDeleteTree(TRootKey root, const std::string& subKey) {
  try {
    DeleteTree(root, subKey);
    return errSuccess;
  } catch (const EPlatformError& e) {
    return e.Code();
  }
}

} // namespace quendel::platform
