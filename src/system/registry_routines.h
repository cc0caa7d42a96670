// Registry access for the installer: an accessor that keeps a root key, an
// open current key and its path, and the routines that read folder locations,
// write values for install objects, remove whole trees on uninstall and
// schedule programs to run once after the next logon.
//
// Everything goes through the platform's registry port, so the same code runs
// on the real registry and on the in-memory one.
#pragma once

#include "core/exceptions.h"
#include "platform/registry.h"
#include "platform/sysinfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quendel {

// A registry write that did not happen.
QUENDEL_EXCEPTION(EIRCannotWriteValue, Exception);

// The predefined root key handles (HKEY values).
using TRootKeyHandle = std::uint32_t;
inline constexpr TRootKeyHandle hkClassesRoot = 0x80000000u;
inline constexpr TRootKeyHandle hkCurrentUser = 0x80000001u;
inline constexpr TRootKeyHandle hkLocalMachine = 0x80000002u;
inline constexpr TRootKeyHandle hkUsers = 0x80000003u;
inline constexpr TRootKeyHandle hkPerformanceData = 0x80000004u;
inline constexpr TRootKeyHandle hkCurrentConfig = 0x80000005u;
inline constexpr TRootKeyHandle hkDynData = 0x80000006u;

// The one-byte root key numbers that definitions and the routines below use.
using TRootKeyIndex = std::uint8_t;
inline constexpr TRootKeyIndex rkiClassesRoot = 0;
inline constexpr TRootKeyIndex rkiCurrentConfig = 1;
inline constexpr TRootKeyIndex rkiCurrentUser = 2;
inline constexpr TRootKeyIndex rkiDynData = 3;
inline constexpr TRootKeyIndex rkiLocalMachine = 4;
inline constexpr TRootKeyIndex rkiUsers = 5;

// The root key of an index; an index above 5 gives Default.
TRootKeyHandle RootKeyOfIndex(TRootKeyIndex Index, TRootKeyHandle Default = hkCurrentUser);
// The index of a root key; any key outside the table gives Default.
TRootKeyIndex IndexOfRootKey(TRootKeyHandle RootKey, TRootKeyIndex Default);
// "HKEY_CLASSES_ROOT" ... "HKEY_USERS" for 0..5, "" above.
const char* RootKeyIndexName(TRootKeyIndex Index);

// A registry accessor. Key paths that begin with "\" are taken from the root
// key; any other path is relative to the current key (or to the root when no
// key is open). An open changes the current key and path only when it
// succeeds. HKEY_DYN_DATA exists only on Windows 95 to ME: opening anything
// under it fails.
class TqndlRegistry {
public:
  explicit TqndlRegistry(platform::IRegistry& Registry);
  ~TqndlRegistry();
  TqndlRegistry(const TqndlRegistry&) = delete;
  TqndlRegistry& operator=(const TqndlRegistry&) = delete;

  // HKEY_CURRENT_USER at first. Changing it closes the current key.
  TRootKeyHandle RootKey() const { return FRootKey; }
  void SetRootKey(TRootKeyHandle Value);
  // The root of an index; an index above 5 leaves the root as it is.
  void SetRootKeyIndex(TRootKeyIndex Index);

  // True at first. When off, closing the current key flushes it to disk.
  bool LazyWrite() const { return FLazyWrite; }
  void SetLazyWrite(bool Value) { FLazyWrite = Value; }

  // The current key, nullptr when none is open, and its path below the root.
  platform::IRegKey* CurrentKey() const { return FCurrentKey.get(); }
  const std::string& CurrentPath() const { return FCurrentPath; }

  // Opens Key for reading and writing; with CanCreate a missing key (and its
  // missing parents) is created. Returns whether the key is now open.
  bool OpenKey(const std::string& Key, bool CanCreate);
  // Opens Key for reading only: what a user without write access can do.
  bool OpenKeyReadOnly(const std::string& Key);
  void CloseKey();

  // Whether Key exists at all (even when it may not be read).
  bool KeyExists(const std::string& Key);
  // Whether Key can be opened for reading.
  bool KeyExistsReadable(const std::string& Key);
  // Deletes a key without subkeys; returns whether it succeeded.
  bool DeleteKey(const std::string& Key);
  // Deletes Key with all its subkeys, deepest first; returns whether Key
  // itself was deleted. The current key stays open.
  bool DeleteKeyTree(const std::string& Key);

  // The current key's subkeys; none when no key is open.
  std::vector<std::string> GetKeyNames();

  // Values of the current key. Without an open key, or on any failure (a
  // missing value, a value of another type), these throw EPlatformError.
  bool ValueExists(const std::string& Name);
  std::string ReadString(const std::string& Name);   // REG_SZ or REG_EXPAND_SZ
  std::int32_t ReadInteger(const std::string& Name); // REG_DWORD
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteInteger(const std::string& Name, std::int32_t Value);

private:
  platform::TRootKey Root() const;
  // The path below the root that Key names.
  std::string Resolve(const std::string& Key) const;
  bool Open(const std::string& Key, bool CanCreate, platform::TRegAccess Access);
  platform::IRegKey& Current(const char* Call, const std::string& Name);

  platform::IRegistry& FRegistry;
  TRootKeyHandle FRootKey = hkCurrentUser;
  bool FLazyWrite = true;
  std::unique_ptr<platform::IRegKey> FCurrentKey;
  std::string FCurrentPath;
};

// The routines. Root is a root key index (above 5: HKEY_CURRENT_USER); Key a
// path from the root, with or without its leading "\".

// Creates the key where needed and writes a string value. Raises
// EIRCannotWriteValue "Cannot install into registry. Key: %s Ident: %s Value %s".
void WriteRegString(platform::IRegistry& Registry, TRootKeyIndex Root, const std::string& Key,
                    const std::string& Ident, const std::string& Value);
// The same for a 32-bit integer; the error's message is the key path.
void WriteRegInteger(platform::IRegistry& Registry, TRootKeyIndex Root, const std::string& Key,
                     const std::string& Ident, std::int32_t Value);

// The value, or Default when the key or value is missing, cannot be read or
// has another type. Keys are opened for reading only, so values a user may
// read but not change (HKEY_LOCAL_MACHINE for most users) are found.
std::string ReadRegString(platform::IRegistry& Registry, TRootKeyIndex Root, const std::string& Key,
                          const std::string& Ident, const std::string& Default);
std::int32_t ReadRegInteger(platform::IRegistry& Registry, TRootKeyIndex Root,
                            const std::string& Key, const std::string& Ident, std::int32_t Default);

// Deletes Key with all its subkeys. Never fails: what cannot be deleted stays.
// An empty Key (or a lone "\") names no key and deletes nothing, rather than
// everything under the root.
void DeleteRegKeyTree(platform::IRegistry& Registry, TRootKeyIndex Root, const std::string& Key);

// The key that programs to run once at the next logon are written to.
inline constexpr const char* RunOnceKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// Writes CommandLine under RunOnce (HKEY_CURRENT_USER on the NT family,
// HKEY_LOCAL_MACHINE otherwise) as the value Name, or with MakeUnique as the
// first of Name, Name1, Name2, ... that is not taken yet, and flushes the key.
// Returns whether the value was written. Raises EAPIRoutines only when the
// system cannot be identified.
bool AddRunOnce(platform::IRegistry& Registry, const platform::ISystemInfo& System,
                const std::string& Name, const std::string& CommandLine, bool MakeUnique);

} // namespace quendel
