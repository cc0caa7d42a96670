// The registry routines against the registry of the build: the in-memory one
// natively, the real one under Windows (keys under
// HKEY_CURRENT_USER\Software\QuendelTest, removed afterwards).
#include "system/registry_routines.h"

#include "platform/platform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <string>

#ifndef _WIN32
#include "platform/native/native_registry.h"
#endif

namespace quendel {
namespace {

using platform::rkCurrentUser;
using platform::rkLocalMachine;
using platform::TRegAccess;
using ::testing::ElementsAre;

std::string UniqueName(const char* Prefix) {
  static std::atomic<unsigned> Counter{0};
  static const unsigned Seed = std::random_device{}();
  char Name[64];
  std::snprintf(Name, sizeof Name, "%s-%08X-%u", Prefix, Seed, Counter++);
  return Name;
}

// A machine of a chosen Windows family.
class TFamilySystem : public platform::ISystemInfo {
public:
  explicit TFamilySystem(platform::TOSVersionInfo ARecord) : Record(std::move(ARecord)) {}
  platform::TOSVersionInfo Record;
  platform::TOSVersionInfo Version() const override { return Record; }
  std::string WindowsDirectory() const override { return "C:\\WINDOWS"; }
  std::string SystemDirectory() const override { return "C:\\WINDOWS\\system32"; }
  platform::TLangId UserDefaultLangId() const override { return 0x0409; }
};

const platform::TOSVersionInfo Windows98{4, 10, 2222, platform::verPlatformWin32Windows, " A "};
const platform::TOSVersionInfo WindowsXP{5, 1, 2600, platform::verPlatformWin32NT, ""};

class RegistryRoutines : public ::testing::Test {
protected:
  void SetUp() override {
    Sub = "Software\\QuendelTest\\" + UniqueName("Routines");
    Key = "\\" + Sub;
    Reg().CreateKey(rkCurrentUser, Sub);
  }
  void TearDown() override {
    EXPECT_EQ(Reg().TryDeleteTree(rkCurrentUser, Sub), platform::errSuccess);
    Reg().TryDeleteKey(rkCurrentUser, "Software\\QuendelTest"); // only when empty
    for (const auto& [Root, Name] : RunOnceValues) {
      platform::TErrorCode Error = 0;
      if (auto K = Reg().TryOpenKey(Root, RunOnceSub, TRegAccess::ReadWrite, Error))
        if (K->ValueExists(Name)) K->DeleteValue(Name);
    }
  }

  platform::IRegistry& Reg() { return *P.Registry; }
  bool Exists(const std::string& Path) { return Reg().KeyExists(rkCurrentUser, Path); }
  std::unique_ptr<platform::IRegKey> Open(platform::TRootKey Root, const std::string& Path) {
    return Reg().OpenKey(Root, Path, TRegAccess::Read);
  }
  // A RunOnce value name that the test removes again.
  std::string RunOnceName(platform::TRootKey Root) {
    const std::string Name = UniqueName("QuendelTest");
    for (const char* Suffix : {"", "1", "2", "3"})
      RunOnceValues.emplace_back(Root, Name + Suffix);
    return Name;
  }

  static constexpr const char* RunOnceSub = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
  platform::TPlatform P = platform::CreateDefaultPlatform();
  std::string Sub; // below HKEY_CURRENT_USER, no leading "\"
  std::string Key; // the same with its leading "\"
  std::vector<std::pair<platform::TRootKey, std::string>> RunOnceValues;
};

TEST(RootKeyIndex, MapsBothWaysWithDefaults) {
  EXPECT_EQ(RootKeyOfIndex(rkiClassesRoot), hkClassesRoot);
  EXPECT_EQ(RootKeyOfIndex(rkiCurrentConfig), hkCurrentConfig);
  EXPECT_EQ(RootKeyOfIndex(rkiCurrentUser), hkCurrentUser);
  EXPECT_EQ(RootKeyOfIndex(rkiDynData), hkDynData);
  EXPECT_EQ(RootKeyOfIndex(rkiLocalMachine), hkLocalMachine);
  EXPECT_EQ(RootKeyOfIndex(rkiUsers), hkUsers);
  EXPECT_EQ(RootKeyOfIndex(6), hkCurrentUser);
  EXPECT_EQ(RootKeyOfIndex(255, hkLocalMachine), hkLocalMachine);
  for (TRootKeyIndex I = 0; I <= 5; ++I)
    EXPECT_EQ(IndexOfRootKey(RootKeyOfIndex(I), 99), I);
  EXPECT_EQ(IndexOfRootKey(hkPerformanceData, 99), 99);
  EXPECT_STREQ(RootKeyIndexName(rkiLocalMachine), "HKEY_LOCAL_MACHINE");
  EXPECT_STREQ(RootKeyIndexName(6), "");
}

TEST_F(RegistryRoutines, WriteRegString_CreatesMissingLevelsAndReadsBack) {
  WriteRegString(Reg(), rkiCurrentUser, Key + "\\One\\Two", "Name", "Value");
  EXPECT_TRUE(Exists(Sub + "\\One"));
  EXPECT_EQ(Open(rkCurrentUser, Sub + "\\One\\Two")->ReadString("Name"), "Value");
  EXPECT_EQ(ReadRegString(Reg(), rkiCurrentUser, Key + "\\One\\Two", "Name", "-"), "Value");

  // Without the leading backslash the path still starts at the root; a
  // trailing one is ignored. Writing again replaces the value.
  WriteRegString(Reg(), rkiCurrentUser, Sub + "\\One\\Two\\", "Name", "Other");
  EXPECT_EQ(ReadRegString(Reg(), rkiCurrentUser, Sub + "\\One\\Two", "Name", "-"), "Other");
  // An index above the table means HKEY_CURRENT_USER.
  EXPECT_EQ(ReadRegString(Reg(), 9, Key + "\\One\\Two", "Name", "-"), "Other");
}

TEST_F(RegistryRoutines, Integers_RoundTripAsDWords) {
  WriteRegInteger(Reg(), rkiCurrentUser, Key + "\\Counts", "Minus", -5);
  WriteRegInteger(Reg(), rkiCurrentUser, Key + "\\Counts", "Big", 0x7FFFFFFF);
  EXPECT_EQ(Open(rkCurrentUser, Sub + "\\Counts")->ReadDWord("Minus"), 0xFFFFFFFBu);
  EXPECT_EQ(ReadRegInteger(Reg(), rkiCurrentUser, Key + "\\Counts", "Minus", 0), -5);
  EXPECT_EQ(ReadRegInteger(Reg(), rkiCurrentUser, Key + "\\Counts", "Big", 0), 0x7FFFFFFF);
}

TEST_F(RegistryRoutines, Reads_GiveTheDefaultForWhatIsNotThere) {
  WriteRegInteger(Reg(), rkiCurrentUser, Key, "Number", 7);
  WriteRegString(Reg(), rkiCurrentUser, Key, "Text", "12");
  EXPECT_EQ(ReadRegString(Reg(), rkiCurrentUser, Key + "\\Missing", "Text", "dflt"), "dflt");
  EXPECT_EQ(ReadRegString(Reg(), rkiCurrentUser, Key, "Missing", "dflt"), "dflt");
  EXPECT_EQ(ReadRegString(Reg(), rkiCurrentUser, Key, "Number", "dflt"), "dflt")
      << "an integer is not read as text";
  EXPECT_EQ(ReadRegInteger(Reg(), rkiCurrentUser, Key, "Text", -1), -1) << "nor text as an integer";
  EXPECT_EQ(ReadRegInteger(Reg(), rkiCurrentUser, Key + "\\Missing", "Number", 3), 3);
  // The key's default value is the value without a name.
  EXPECT_EQ(ReadRegString(Reg(), rkiCurrentUser, Key, "", "none"), "none");
  WriteRegString(Reg(), rkiCurrentUser, Key, "", "unnamed");
  EXPECT_EQ(ReadRegString(Reg(), rkiCurrentUser, Key, "", "none"), "unnamed");
  // Reading leaves no trace.
  EXPECT_FALSE(Exists(Sub + "\\Missing"));
}

TEST_F(RegistryRoutines, Writes_ThatFailRaiseWithTheirMessages) {
  // HKEY_DYN_DATA is no part of an NT registry.
  try {
    WriteRegString(Reg(), rkiDynData, Key, "Name", "Text");
    ADD_FAILURE() << "no error";
  } catch (const EIRCannotWriteValue& E) {
    EXPECT_EQ(E.Message(), "Cannot install into registry. Key: " + Key + " Ident: Name Value Text");
  }
  try {
    WriteRegInteger(Reg(), rkiDynData, Key, "Name", 1);
    ADD_FAILURE() << "no error";
  } catch (const EIRCannotWriteValue& E) {
    EXPECT_EQ(E.Message(), Key);
  }
  EXPECT_EQ(ReadRegString(Reg(), rkiDynData, Key, "Name", "dflt"), "dflt");
}

TEST_F(RegistryRoutines, DeleteRegKeyTree_RemovesEveryLevelAndNothingElse) {
  WriteRegString(Reg(), rkiCurrentUser, Key + "\\Tree\\A\\B\\C", "Leaf", "x");
  WriteRegString(Reg(), rkiCurrentUser, Key + "\\Tree\\A\\B2", "Leaf", "x");
  WriteRegString(Reg(), rkiCurrentUser, Key + "\\Tree\\A", "Value", "x");
  WriteRegString(Reg(), rkiCurrentUser, Key + "\\Sibling", "Value", "x");

  DeleteRegKeyTree(Reg(), rkiCurrentUser, Key + "\\Tree\\A");
  EXPECT_FALSE(Exists(Sub + "\\Tree\\A"));
  EXPECT_TRUE(Exists(Sub + "\\Tree"));
  EXPECT_TRUE(Exists(Sub + "\\Sibling"));

  // A missing key, or one below a missing key, is no error.
  DeleteRegKeyTree(Reg(), rkiCurrentUser, Key + "\\Tree\\A");
  DeleteRegKeyTree(Reg(), rkiCurrentUser, Key + "\\Nowhere\\Deeper");
  EXPECT_THAT(Open(rkCurrentUser, Sub)->SubKeyNames(), ElementsAre("Sibling", "Tree"));
}

TEST_F(RegistryRoutines, AddRunOnce_FindsAFreeNameOrOverwrites) {
  TFamilySystem XP(WindowsXP);
  const std::string Name = RunOnceName(rkCurrentUser);
  ASSERT_TRUE(AddRunOnce(Reg(), XP, Name, "first.exe", true));
  ASSERT_TRUE(AddRunOnce(Reg(), XP, Name, "second.exe", true));
  ASSERT_TRUE(AddRunOnce(Reg(), XP, Name, "third.exe", true));
  const auto RunOnce = Open(rkCurrentUser, RunOnceSub);
  EXPECT_EQ(RunOnce->ReadString(Name), "first.exe");
  EXPECT_EQ(RunOnce->ReadString(Name + "1"), "second.exe");
  EXPECT_EQ(RunOnce->ReadString(Name + "2"), "third.exe") << "N and N1 taken: N2";

  ASSERT_TRUE(AddRunOnce(Reg(), XP, Name, "again.exe", false));
  EXPECT_EQ(RunOnce->ReadString(Name), "again.exe");
  EXPECT_FALSE(RunOnce->ValueExists(Name + "3"));
}

TEST_F(RegistryRoutines, AddRunOnce_GoesToTheMachineOn9x) {
  TFamilySystem W98(Windows98);
  const std::string Name = RunOnceName(rkLocalMachine);
  ASSERT_TRUE(AddRunOnce(Reg(), W98, Name, "setup.exe -r", false));
  EXPECT_EQ(Open(rkLocalMachine, RunOnceSub)->ReadString(Name), "setup.exe -r");
  platform::TErrorCode Error = 0;
  auto User = Reg().TryOpenKey(rkCurrentUser, RunOnceSub, TRegAccess::Read, Error);
  EXPECT_FALSE(User && User->ValueExists(Name));
}

TEST_F(RegistryRoutines, Accessor_OpensRelativeToTheCurrentKey) {
  TqndlRegistry R(Reg());
  EXPECT_EQ(R.RootKey(), hkCurrentUser);
  EXPECT_FALSE(R.OpenKey(Key + "\\Outer", false)) << "no key is made without CanCreate";
  EXPECT_EQ(R.CurrentKey(), nullptr);
  ASSERT_TRUE(R.OpenKey(Key + "\\Outer", true));
  EXPECT_EQ(R.CurrentPath(), Sub + "\\Outer");
  ASSERT_TRUE(R.OpenKey("Inner", true));
  EXPECT_EQ(R.CurrentPath(), Sub + "\\Outer\\Inner");
  R.WriteString("V", "inner");
  EXPECT_EQ(ReadRegString(Reg(), rkiCurrentUser, Key + "\\Outer\\Inner", "V", ""), "inner");

  // A failed open keeps the key that was open.
  EXPECT_FALSE(R.OpenKey("Missing", false));
  EXPECT_EQ(R.CurrentPath(), Sub + "\\Outer\\Inner");
  EXPECT_TRUE(R.KeyExistsReadable(Key + "\\Outer"));
  EXPECT_FALSE(R.KeyExistsReadable("Missing"));

  // Deleting a tree elsewhere leaves the current key open.
  ASSERT_TRUE(R.OpenKey(Key, false));
  WriteRegString(Reg(), rkiCurrentUser, Key + "\\Outer\\Inner\\Deepest", "V", "x");
  EXPECT_TRUE(R.DeleteKeyTree("Outer"));
  EXPECT_FALSE(Exists(Sub + "\\Outer"));
  EXPECT_EQ(R.CurrentPath(), Sub);
  EXPECT_FALSE(R.DeleteKeyTree("Outer")) << "nothing left to delete";
  R.WriteString("Still", "open");
  EXPECT_EQ(R.ReadString("Still"), "open");

  // Without an open key values cannot be touched.
  R.CloseKey();
  EXPECT_THROW(R.ReadString("Still"), platform::EPlatformError);
  EXPECT_TRUE(R.GetKeyNames().empty());
}

#ifndef _WIN32
// Access rules need the in-memory registry: Wine grants every access to a key
// whatever its security descriptor says.

class ReadOnlyRegistry : public RegistryRoutines {
protected:
  platform::native::TNativeRegistry& Native() {
    return dynamic_cast<platform::native::TNativeRegistry&>(Reg());
  }
};

TEST_F(ReadOnlyRegistry, Reads_FindValuesTheUserMayNotChange) {
  const std::string Version = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  Reg().CreateKey(rkLocalMachine, Version)->WriteString("ProgramFilesDir", "E:\\Programs");
  Reg().CreateKey(rkLocalMachine, Version)->WriteDWord("Count", 4);
  Native().DenyWrite(rkLocalMachine, "SOFTWARE");
  EXPECT_EQ(ReadRegString(Reg(), rkiLocalMachine, "\\" + Version, "ProgramFilesDir", "dflt"),
            "E:\\Programs");
  EXPECT_EQ(ReadRegInteger(Reg(), rkiLocalMachine, "\\" + Version, "Count", 0), 4);

  // Writes there fail as they should.
  EXPECT_THROW(WriteRegString(Reg(), rkiLocalMachine, "\\" + Version, "X", "y"),
               EIRCannotWriteValue);
  EXPECT_THROW(WriteRegInteger(Reg(), rkiLocalMachine, "\\" + Version + "\\New", "X", 1),
               EIRCannotWriteValue);
  TFamilySystem W98(Windows98);
  EXPECT_FALSE(AddRunOnce(Reg(), W98, "Blocked", "x.exe", false));
  // And so does deleting, silently.
  DeleteRegKeyTree(Reg(), rkiLocalMachine, "\\" + Version);
  EXPECT_TRUE(Reg().KeyExists(rkLocalMachine, Version));
}

TEST_F(ReadOnlyRegistry, DeleteRegKeyTree_OfNoKeyDeletesNothing) {
  for (const char* Empty : {"", "\\", "\\\\"}) {
    DeleteRegKeyTree(Reg(), rkiCurrentUser, Empty);
    EXPECT_TRUE(Reg().KeyExists(rkCurrentUser, Sub)) << "'" << Empty << "'";
  }
}
#endif

} // namespace
} // namespace quendel
