#include "system/registry_routines.h"

#include "core/strings.h"
#include "system/os_version.h"

#include <array>
#include <optional>

namespace quendel {

namespace {

using platform::EPlatformError;
using platform::TRegAccess;

struct TRootEntry {
  TRootKeyHandle Handle;
  const char* Name;
};

// Indexed by TRootKeyIndex.
constexpr std::array<TRootEntry, 6> RootTable = {{
    {hkClassesRoot, "HKEY_CLASSES_ROOT"},
    {hkCurrentConfig, "HKEY_CURRENT_CONFIG"},
    {hkCurrentUser, "HKEY_CURRENT_USER"},
    {hkDynData, "HKEY_DYN_DATA"},
    {hkLocalMachine, "HKEY_LOCAL_MACHINE"},
    {hkUsers, "HKEY_USERS"},
}};

std::string JoinKey(const std::string& Parent, const std::string& Child) {
  if (Parent.empty()) return Child;
  if (Child.empty()) return Parent;
  return Parent + "\\" + Child;
}

} // namespace

TRootKeyHandle RootKeyOfIndex(TRootKeyIndex Index, TRootKeyHandle Default) {
  return Index < RootTable.size() ? RootTable[Index].Handle : Default;
}

TRootKeyIndex IndexOfRootKey(TRootKeyHandle RootKey, TRootKeyIndex Default) {
  for (std::size_t i = 0; i < RootTable.size(); ++i)
    if (RootTable[i].Handle == RootKey) return static_cast<TRootKeyIndex>(i);
  return Default;
}

const char* RootKeyIndexName(TRootKeyIndex Index) {
  return Index < RootTable.size() ? RootTable[Index].Name : "";
}

// ---- TqndlRegistry ----------------------------------------------------------------

TqndlRegistry::TqndlRegistry(platform::IRegistry& Registry) : FRegistry(Registry) {}

TqndlRegistry::~TqndlRegistry() {
  try {
    CloseKey();
  } catch (...) {
    // A flush that fails while the accessor goes away has no one to tell.
  }
}

void TqndlRegistry::SetRootKey(TRootKeyHandle Value) {
  CloseKey();
  FRootKey = Value;
}

void TqndlRegistry::SetRootKeyIndex(TRootKeyIndex Index) {
  SetRootKey(RootKeyOfIndex(Index, FRootKey));
}

platform::TRootKey TqndlRegistry::Root() const {
  const std::optional<platform::TRootKey> Root = platform::RootKeyFromValue(FRootKey);
  // HKEY_DYN_DATA and unknown handles: what NT answers for them.
  if (!Root)
    throw EPlatformError("RegOpenKeyExA", platform::HexArg(FRootKey), platform::errInvalidHandle);
  return *Root;
}

std::string TqndlRegistry::Resolve(const std::string& Key) const {
  std::string Path = Key;
  const bool Absolute = !Path.empty() && Path.front() == '\\';
  if (Absolute) Path.erase(0, 1);
  while (!Path.empty() && Path.back() == '\\')
    Path.pop_back();
  return Absolute || !FCurrentKey ? Path : JoinKey(FCurrentPath, Path);
}

bool TqndlRegistry::Open(const std::string& Key, bool CanCreate, TRegAccess Access) {
  try {
    const std::string Path = Resolve(Key);
    const platform::TRootKey R = Root();
    std::unique_ptr<platform::IRegKey> Opened;
    if (CanCreate && !Path.empty() && !KeyExistsReadable(Key))
      Opened = FRegistry.CreateKey(R, Path);
    else
      Opened = FRegistry.OpenKey(R, Path, Access);
    CloseKey();
    FCurrentKey = std::move(Opened);
    FCurrentPath = Path;
    return true;
  } catch (const EPlatformError&) {
    return false;
  }
}

bool TqndlRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  return Open(Key, CanCreate, TRegAccess::ReadWrite);
}

bool TqndlRegistry::OpenKeyReadOnly(const std::string& Key) {
  return Open(Key, false, TRegAccess::Read);
}

void TqndlRegistry::CloseKey() {
  std::unique_ptr<platform::IRegKey> Key = std::move(FCurrentKey);
  FCurrentPath.clear();
  if (Key && !FLazyWrite) Key->Flush();
}

bool TqndlRegistry::KeyExists(const std::string& Key) {
  try {
    return FRegistry.KeyExists(Root(), Resolve(Key));
  } catch (const EPlatformError&) {
    return false;
  }
}

bool TqndlRegistry::KeyExistsReadable(const std::string& Key) {
  try {
    FRegistry.OpenKey(Root(), Resolve(Key), TRegAccess::Read);
    return true;
  } catch (const EPlatformError&) {
    return false;
  }
}

bool TqndlRegistry::DeleteKey(const std::string& Key) {
  try {
    FRegistry.DeleteKey(Root(), Resolve(Key));
    return true;
  } catch (const EPlatformError&) {
    return false;
  }
}

bool TqndlRegistry::DeleteKeyTree(const std::string& Key) {
  std::string Path;
  platform::TRootKey R;
  try {
    Path = Resolve(Key);
    R = Root();
  } catch (const EPlatformError&) {
    return false;
  }
  // Deleting the root itself (an empty path) is never meant.
  if (Path.empty()) return false;
  std::vector<std::string> Children;
  try {
    Children = FRegistry.OpenKey(R, Path, TRegAccess::Read)->SubKeyNames();
  } catch (const EPlatformError&) {
    // Unreadable: its subkeys stay unknown, the deletion below decides.
  }
  for (const std::string& Child : Children)
    DeleteKeyTree("\\" + Path + "\\" + Child);
  try {
    FRegistry.DeleteKey(R, Path);
    return true;
  } catch (const EPlatformError&) {
    return false;
  }
}

std::vector<std::string> TqndlRegistry::GetKeyNames() {
  return FCurrentKey ? FCurrentKey->SubKeyNames() : std::vector<std::string>{};
}

platform::IRegKey& TqndlRegistry::Current(const char* Call, const std::string& Name) {
  if (!FCurrentKey)
    throw EPlatformError(Call, platform::QuoteArg(Name) + ", no key open",
                         platform::errInvalidHandle);
  return *FCurrentKey;
}

bool TqndlRegistry::ValueExists(const std::string& Name) {
  return Current("RegQueryValueExA", Name).ValueExists(Name);
}

std::string TqndlRegistry::ReadString(const std::string& Name) {
  return Current("RegQueryValueExA", Name).ReadString(Name);
}

std::int32_t TqndlRegistry::ReadInteger(const std::string& Name) {
  return static_cast<std::int32_t>(Current("RegQueryValueExA", Name).ReadDWord(Name));
}

void TqndlRegistry::WriteString(const std::string& Name, const std::string& Value) {
  Current("RegSetValueExA", Name).WriteString(Name, Value);
}

void TqndlRegistry::WriteInteger(const std::string& Name, std::int32_t Value) {
  Current("RegSetValueExA", Name).WriteDWord(Name, static_cast<std::uint32_t>(Value));
}

// ---- The routines ----------------------------------------------------------------

void WriteRegString(platform::IRegistry& Registry, TRootKeyIndex Root, const std::string& Key,
                    const std::string& Ident, const std::string& Value) {
  const auto Fail = [&] {
    return EIRCannotWriteValue("Cannot install into registry. Key: %s Ident: %s Value %s",
                               {Key, Ident, Value});
  };
  TqndlRegistry Reg(Registry);
  Reg.SetRootKeyIndex(Root);
  if (!Reg.OpenKey(Key, true)) throw Fail();
  try {
    Reg.WriteString(Ident, Value);
  } catch (const EPlatformError&) {
    ThrowWithCause(Fail());
  }
}

void WriteRegInteger(platform::IRegistry& Registry, TRootKeyIndex Root, const std::string& Key,
                     const std::string& Ident, std::int32_t Value) {
  TqndlRegistry Reg(Registry);
  Reg.SetRootKeyIndex(Root);
  if (!Reg.OpenKey(Key, true)) Raise<EIRCannotWriteValue>(Key);
  try {
    Reg.WriteInteger(Ident, Value);
  } catch (const EPlatformError&) {
    ThrowWithCause(EIRCannotWriteValue(Key));
  }
}

namespace {

// Opens Key read-only and reads its value with Read; Default on any failure.
template <class T, class F>
T ReadValue(platform::IRegistry& Registry, TRootKeyIndex Root, const std::string& Key, T Default,
            F Read) {
  TqndlRegistry Reg(Registry);
  Reg.SetRootKeyIndex(Root);
  try {
    // A missing key or value fails the open or the read: no separate
    // existence checks (each would be one more round trip to the registry).
    if (!Reg.OpenKeyReadOnly(Key)) return Default;
    return Read(Reg);
  } catch (const EPlatformError&) {
    return Default;
  }
}

} // namespace

std::string ReadRegString(platform::IRegistry& Registry, TRootKeyIndex Root, const std::string& Key,
                          const std::string& Ident, const std::string& Default) {
  return ReadValue<std::string>(Registry, Root, Key, Default,
                                [&](TqndlRegistry& Reg) { return Reg.ReadString(Ident); });
}

std::int32_t ReadRegInteger(platform::IRegistry& Registry, TRootKeyIndex Root,
                            const std::string& Key, const std::string& Ident,
                            std::int32_t Default) {
  return ReadValue<std::int32_t>(Registry, Root, Key, Default,
                                 [&](TqndlRegistry& Reg) { return Reg.ReadInteger(Ident); });
}

void DeleteRegKeyTree(platform::IRegistry& Registry, TRootKeyIndex Root, const std::string& Key) {
  // An empty path would open the root key itself and take every key under it.
  if (Key.find_first_not_of('\\') == std::string::npos) return;
  try {
    std::vector<std::string> Children;
    {
      TqndlRegistry Reg(Registry);
      Reg.SetRootKeyIndex(Root);
      if (!Reg.OpenKey(Key, false)) return;
      Children = Reg.GetKeyNames();
    }
    std::string Parent = Key;
    while (!Parent.empty() && Parent.back() == '\\')
      Parent.pop_back();
    for (const std::string& Child : Children)
      DeleteRegKeyTree(Registry, Root, Parent + "\\" + Child);
    TqndlRegistry Reg(Registry);
    Reg.SetRootKeyIndex(Root);
    Reg.DeleteKeyTree(Key);
  } catch (const EPlatformError&) {
    // Uninstalling goes on with whatever could not be deleted.
  }
}

bool AddRunOnce(platform::IRegistry& Registry, const platform::ISystemInfo& System,
                const std::string& Name, const std::string& CommandLine, bool MakeUnique) {
  const TOSVerType OS = GetOSVersion(System);
  TqndlRegistry Reg(Registry);
  Reg.SetRootKey(osNTFamily.Contains(OS) ? hkCurrentUser : hkLocalMachine);
  if (!Reg.OpenKey(RunOnceKey, true)) return false;
  try {
    std::string ValueName = Name;
    if (MakeUnique)
      for (int N = 1; Reg.ValueExists(ValueName); ++N)
        ValueName = Name + IntToStr(N);
    Reg.WriteString(ValueName, CommandLine);
    Reg.SetLazyWrite(false);
    Reg.CloseKey();
    return true;
  } catch (const EPlatformError&) {
    return false;
  }
}

} // namespace quendel
