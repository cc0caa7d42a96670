#pragma once
// The registry. Keys are named by a root and a subkey path ("Software\Vexo",
// no leading backslash: Windows refuses one with errBadPathName). Names are
// case-insensitive and keep the case they were created with.
//
// Same error rule as the file system: failures throw EPlatformError naming
// the Reg* call; the Try forms return the Windows code.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace quendel::platform {

enum TRootKey {
  rkClassesRoot,
  rkCurrentUser,
  rkLocalMachine,
  rkUsers,
  rkPerformanceData,
  rkCurrentConfig,
};

// The predefined handle values, HKEY_CLASSES_ROOT (0x80000000) to
// HKEY_CURRENT_CONFIG (0x80000005).
std::uint32_t RootKeyValue(TRootKey root);
std::optional<TRootKey> RootKeyFromValue(std::uint32_t value);
std::string_view RootKeyName(TRootKey root); // "HKEY_CURRENT_USER"

// REG_* value types. Other type numbers pass through unchanged.
using TRegType = std::uint32_t;
inline constexpr TRegType rtNone = 0;
inline constexpr TRegType rtSz = 1;
inline constexpr TRegType rtExpandSz = 2;
inline constexpr TRegType rtBinary = 3;
inline constexpr TRegType rtDWord = 4;
inline constexpr TRegType rtMultiSz = 7;

// A value as the registry holds it: a type and the raw bytes.
struct TRegValue {
  TRegType Type = rtNone;
  std::vector<std::uint8_t> Data;

  // The text and its terminating NUL, as RegSetValueExA stores it.
  static TRegValue FromString(std::string_view text, TRegType type = rtSz);
  static TRegValue FromDWord(std::uint32_t value); // little-endian
  static TRegValue FromBinary(std::vector<std::uint8_t> bytes);
  // Each string with its NUL, then one more NUL.
  static TRegValue FromMultiString(const std::vector<std::string>& strings);

  // The text up to the first NUL (or all of it when the writer left none).
  std::string AsString() const;
  // Exactly four bytes, or nothing.
  std::optional<std::uint32_t> AsDWord() const;
  // The strings up to the empty one that ends the list.
  std::vector<std::string> AsMultiString() const;

  bool operator==(const TRegValue&) const = default;
};

enum class TRegAccess { Read, ReadWrite };

// An open key. Destroying it closes the handle. A key opened for reading
// refuses every change with errAccessDenied.
class IRegKey {
public:
  IRegKey() = default;
  IRegKey(const IRegKey&) = delete;
  IRegKey& operator=(const IRegKey&) = delete;
  virtual ~IRegKey() = default;

  // "HKEY_CURRENT_USER\Software\Vexo", for messages.
  virtual const std::string& Name() const = 0;

  // In the order the registry enumerates them (sorted, case-insensitively).
  virtual std::vector<std::string> SubKeyNames() = 0;
  virtual std::vector<std::string> ValueNames() = 0;

  virtual bool ValueExists(const std::string& name) = 0;
  // A missing value fails with errFileNotFound. "" is the key's default value.
  virtual TRegValue ReadValue(const std::string& name) = 0;
  virtual void WriteValue(const std::string& name, const TRegValue& value) = 0;
  virtual void DeleteValue(const std::string& name) = 0;
  // RegFlushKey: the key's changes go to disk now rather than lazily. The
  // in-memory registry has nothing to flush.
  virtual void Flush() {}

  // REG_SZ or REG_EXPAND_SZ (not expanded); another type fails with errUnsupportedType.
  std::string ReadString(const std::string& name);
  // REG_DWORD of four bytes; anything else fails with errUnsupportedType.
  std::uint32_t ReadDWord(const std::string& name);

  void WriteString(const std::string& name, std::string_view text);
  void WriteExpandString(const std::string& name, std::string_view text);
  void WriteDWord(const std::string& name, std::uint32_t value);
  void WriteBinary(const std::string& name, std::vector<std::uint8_t> bytes);
  void WriteMultiString(const std::string& name, const std::vector<std::string>& strings);
};

class IRegistry {
public:
  IRegistry() = default;
  IRegistry(const IRegistry&) = delete;
  IRegistry& operator=(const IRegistry&) = delete;
  virtual ~IRegistry() = default;

  // RegOpenKeyExA with KEY_READ or KEY_READ | KEY_WRITE. A missing key fails
  // with errFileNotFound.
  virtual std::unique_ptr<IRegKey> OpenKey(TRootKey root, const std::string& subKey,
                                           TRegAccess access) = 0;
  // RegCreateKeyExA for reading and writing, with every missing parent.
  // created (when given) tells whether the key is new.
  virtual std::unique_ptr<IRegKey> CreateKey(TRootKey root, const std::string& subKey,
                                             bool* created) = 0;
  // RegDeleteKeyA: a key that still has subkeys fails with errAccessDenied.
  virtual void DeleteKey(TRootKey root, const std::string& subKey) = 0;

  std::unique_ptr<IRegKey> CreateKey(TRootKey root, const std::string& subKey) {
    return CreateKey(root, subKey, nullptr);
  }
  bool KeyExists(TRootKey root, const std::string& subKey);
  // The key with all its subkeys, deepest first.
  void DeleteTree(TRootKey root, const std::string& subKey);

  std::unique_ptr<IRegKey> TryOpenKey(TRootKey root, const std::string& subKey, TRegAccess access,
                                      TErrorCode& error);
  TErrorCode TryDeleteKey(TRootKey root, const std::string& subKey);
  TErrorCode TryDeleteTree(TRootKey root, const std::string& subKey);
};

} // namespace quendel::platform
