// The registry contract, and the value encodings both adapters share.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/test_platform.h"

namespace quendel::platform::testing {
namespace {

using Registry = PlatformTest;
using Bytes = std::vector<std::uint8_t>;

TEST(RegValue, Encodings_MatchWhatRegSetValueExStores) {
  EXPECT_EQ(TRegValue::FromString("ab").Data, (Bytes{'a', 'b', 0}));
  EXPECT_EQ(TRegValue::FromString("%SystemRoot%", rtExpandSz).Type, rtExpandSz);
  EXPECT_EQ(TRegValue::FromDWord(0x12345678).Data, (Bytes{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(TRegValue::FromMultiString({"a", "bc"}).Data, (Bytes{'a', 0, 'b', 'c', 0, 0}));
  EXPECT_EQ(TRegValue::FromMultiString({}).Data, (Bytes{0}));
}

TEST(RegValue, Decoders_TolerateWhatOtherWritersLeave) {
  TRegValue value;
  value.Data = {'a', 'b'}; // no terminating NUL
  EXPECT_EQ(value.AsString(), "ab");
  value.Data = {'a', 0, 'b', 0}; // text after the NUL is not part of it
  EXPECT_EQ(value.AsString(), "a");
  value.Data = {};
  EXPECT_EQ(value.AsString(), "");

  value.Data = {1, 2, 3};
  EXPECT_EQ(value.AsDWord(), std::nullopt) << "three bytes are no DWORD";
  value.Data = {1, 0, 0, 0, 0};
  EXPECT_EQ(value.AsDWord(), std::nullopt);

  value.Data = {'a', 0, 'b', 0, 0, 'c', 0, 0};
  EXPECT_EQ(value.AsMultiString(), (std::vector<std::string>{"a", "b"}))
      << "the empty string ends the list";
  value.Data = {'a', 0, 'b'};
  EXPECT_EQ(value.AsMultiString(), (std::vector<std::string>{"a", "b"}));
}

TEST(RootKey, ValuesAreThePredefinedHandles) {
  EXPECT_EQ(RootKeyValue(rkClassesRoot), 0x80000000u);
  EXPECT_EQ(RootKeyValue(rkCurrentUser), 0x80000001u);
  EXPECT_EQ(RootKeyValue(rkLocalMachine), 0x80000002u);
  EXPECT_EQ(RootKeyValue(rkCurrentConfig), 0x80000005u);
  for (int root = rkClassesRoot; root <= rkCurrentConfig; ++root)
    EXPECT_EQ(RootKeyFromValue(RootKeyValue(static_cast<TRootKey>(root))),
              static_cast<TRootKey>(root));
  EXPECT_EQ(RootKeyFromValue(0x80000006u), std::nullopt);
  EXPECT_EQ(RootKeyFromValue(0x7FFFFFFFu), std::nullopt);
  EXPECT_EQ(RootKeyName(rkLocalMachine), "HKEY_LOCAL_MACHINE");
}

TEST_F(Registry, CreateKey_MakesParentsAndTellsWhetherNew) {
  bool created = false;
  Reg().CreateKey(kKeyRoot, KeyOf("One\\Two"), &created);
  EXPECT_TRUE(created);
  EXPECT_TRUE(Reg().KeyExists(kKeyRoot, KeyOf("One")));
  EXPECT_TRUE(Reg().KeyExists(kKeyRoot, KeyOf("one\\TWO"))) << "names ignore case";
  Reg().CreateKey(kKeyRoot, KeyOf("ONE\\two"), &created);
  EXPECT_FALSE(created);
  EXPECT_EQ(Reg().OpenKey(kKeyRoot, Key(), TRegAccess::Read)->SubKeyNames(),
            std::vector<std::string>{"One"})
      << "the first spelling stays";
  EXPECT_FALSE(Reg().KeyExists(kKeyRoot, KeyOf("Three")));
}

TEST_F(Registry, Values_RoundTripEveryType) {
  const auto key = Reg().CreateKey(kKeyRoot, KeyOf("Values"));
  key->WriteString("Text", "Hello, world");
  key->WriteExpandString("Expand", "%SystemRoot%\\x");
  key->WriteDWord("Number", 0xDEADBEEF);
  key->WriteBinary("Bytes", {0, 1, 2, 0xFF});
  key->WriteMultiString("List", {"first", "second"});
  key->WriteString("", "default value");
  key->WriteValue("Odd", TRegValue{11, {1, 2, 3, 4, 5, 6, 7, 8}}); // REG_QWORD passes through

  const auto reader = Reg().OpenKey(kKeyRoot, KeyOf("Values"), TRegAccess::Read);
  EXPECT_EQ(reader->ReadString("Text"), "Hello, world");
  EXPECT_EQ(reader->ReadValue("Text"), TRegValue::FromString("Hello, world"));
  EXPECT_EQ(reader->ReadValue("Expand").Type, rtExpandSz);
  EXPECT_EQ(reader->ReadString("expand"), "%SystemRoot%\\x") << "read as stored, unexpanded";
  EXPECT_EQ(reader->ReadDWord("Number"), 0xDEADBEEFu);
  EXPECT_EQ(reader->ReadValue("Bytes"), TRegValue::FromBinary({0, 1, 2, 0xFF}));
  EXPECT_EQ(reader->ReadValue("List").AsMultiString(),
            (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(reader->ReadValue("List").Type, rtMultiSz);
  EXPECT_EQ(reader->ReadString(""), "default value");
  EXPECT_EQ(reader->ReadValue("Odd"), (TRegValue{11, {1, 2, 3, 4, 5, 6, 7, 8}}));
  EXPECT_TRUE(reader->ValueExists("NUMBER"));
  EXPECT_FALSE(reader->ValueExists("Missing"));
}

TEST_F(Registry, Values_OverwriteKeepsTheStoredName) {
  const auto key = Reg().CreateKey(kKeyRoot, Key());
  key->WriteDWord("Count", 1);
  key->WriteString("COUNT", "now text");
  EXPECT_EQ(key->ValueNames(), std::vector<std::string>{"Count"});
  EXPECT_EQ(key->ReadString("count"), "now text");
  key->WriteBinary("Empty", {});
  EXPECT_EQ(key->ReadValue("Empty"), TRegValue::FromBinary({}));
}

TEST_F(Registry, Values_MisuseGivesWindowsCodes) {
  const auto key = Reg().CreateKey(kKeyRoot, Key());
  key->WriteString("Text", "x");
  key->WriteBinary("Short", {1, 2});
  EXPECT_EQ(ErrorOf([&] { key->ReadValue("Missing"); }), errFileNotFound);
  EXPECT_EQ(ErrorOf([&] { key->ReadDWord("Text"); }), errUnsupportedType);
  EXPECT_EQ(ErrorOf([&] { key->ReadString("Short"); }), errUnsupportedType);
  EXPECT_EQ(ErrorOf([&] { key->DeleteValue("Missing"); }), errFileNotFound);
  key->DeleteValue("TEXT");
  EXPECT_FALSE(key->ValueExists("Text"));
  try {
    key->ReadValue("Missing");
  } catch (const EPlatformError& e) {
    EXPECT_EQ(e.Call(), "RegQueryValueExA");
    EXPECT_NE(e.Arguments().find("Missing"), std::string::npos) << e.what();
    EXPECT_NE(e.Arguments().find("QuendelTest"), std::string::npos) << e.what();
  }
}

TEST_F(Registry, Enumeration_SubkeysComeSorted) {
  for (const char* name : {"delta", "Alpha", "charlie", "Bravo", "alpha2", "10", "9"})
    Reg().CreateKey(kKeyRoot, KeyOf(name));
  const auto key = Reg().OpenKey(kKeyRoot, Key(), TRegAccess::Read);
  EXPECT_EQ(key->SubKeyNames(),
            (std::vector<std::string>{"10", "9", "Alpha", "alpha2", "Bravo", "charlie", "delta"}));
  // Windows lists values in the order they were written, Wine sorted: only
  // the set is the contract.
  const auto writer = Reg().OpenKey(kKeyRoot, Key(), TRegAccess::ReadWrite);
  for (const char* name : {"zeta", "Eta", "theta"})
    writer->WriteDWord(name, 1);
  auto values = writer->ValueNames();
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, (std::vector<std::string>{"Eta", "theta", "zeta"}));
}

TEST_F(Registry, DeleteKey_RefusesKeysWithSubkeys) {
  Reg().CreateKey(kKeyRoot, KeyOf("Parent\\Child"));
  EXPECT_EQ(Reg().TryDeleteKey(kKeyRoot, KeyOf("Parent")), errAccessDenied);
  EXPECT_TRUE(Reg().KeyExists(kKeyRoot, KeyOf("Parent\\Child")));
  EXPECT_EQ(Reg().TryDeleteKey(kKeyRoot, KeyOf("Parent\\Missing")), errFileNotFound);
  Reg().DeleteKey(kKeyRoot, KeyOf("PARENT\\child"));
  Reg().DeleteKey(kKeyRoot, KeyOf("Parent"));
  EXPECT_FALSE(Reg().KeyExists(kKeyRoot, KeyOf("Parent")));

  Reg().CreateKey(kKeyRoot, KeyOf("Tree\\A\\B"))->WriteDWord("v", 1);
  Reg().CreateKey(kKeyRoot, KeyOf("Tree\\C"));
  Reg().DeleteTree(kKeyRoot, KeyOf("Tree"));
  EXPECT_FALSE(Reg().KeyExists(kKeyRoot, KeyOf("Tree")));
}

TEST_F(Registry, OpenKey_ReadOnlyKeyRefusesChanges) {
  Reg().CreateKey(kKeyRoot, KeyOf("Locked"))->WriteString("Kept", "yes");
  const auto key = Reg().OpenKey(kKeyRoot, KeyOf("Locked"), TRegAccess::Read);
  EXPECT_EQ(ErrorOf([&] { key->WriteString("New", "no"); }), errAccessDenied);
  EXPECT_EQ(ErrorOf([&] { key->DeleteValue("Kept"); }), errAccessDenied);
  EXPECT_EQ(key->ReadString("Kept"), "yes");
  EXPECT_FALSE(key->ValueExists("New"));
}

TEST_F(Registry, OpenKey_MisuseGivesWindowsCodes) {
  TErrorCode error = errSuccess;
  EXPECT_EQ(Reg().TryOpenKey(kKeyRoot, KeyOf("Missing"), TRegAccess::Read, error), nullptr);
  EXPECT_EQ(error, errFileNotFound);
  const std::string leading = std::string(1, '\\').append(Key());
  EXPECT_EQ(ErrorOf([&] { Reg().OpenKey(kKeyRoot, leading, TRegAccess::Read); }), errBadPathName)
      << "a leading backslash is refused";
  EXPECT_EQ(ErrorOf([&] { Reg().CreateKey(kKeyRoot, leading + "\\x"); }), errBadPathName);
  EXPECT_TRUE(Reg().KeyExists(kKeyRoot, Key() + "\\")) << "a trailing one is not";
}

TEST_F(Registry, Handles_SeeTheirKeyDeleted) {
  Reg().CreateKey(kKeyRoot, KeyOf("Doomed"))->WriteDWord("v", 1);
  const auto key = Reg().OpenKey(kKeyRoot, KeyOf("Doomed"), TRegAccess::ReadWrite);
  Reg().DeleteKey(kKeyRoot, KeyOf("Doomed"));
  EXPECT_EQ(ErrorOf([&] { key->ReadValue("v"); }), errKeyDeleted);
  EXPECT_EQ(ErrorOf([&] { key->WriteDWord("v", 2); }), errKeyDeleted);
  EXPECT_FALSE(Reg().KeyExists(kKeyRoot, KeyOf("Doomed"))) << "writing must not revive it";
}

TEST_F(Registry, Roots_EveryRootOpensForReading) {
  for (int root = rkClassesRoot; root <= rkCurrentConfig; ++root)
    EXPECT_NE(Reg().OpenKey(static_cast<TRootKey>(root), "", TRegAccess::Read), nullptr)
        << RootKeyName(static_cast<TRootKey>(root));
}

} // namespace
} // namespace quendel::platform::testing
