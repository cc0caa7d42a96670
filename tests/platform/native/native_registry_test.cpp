// What only the in-memory registry has: access rules, the HKEY_CLASSES_ROOT
// view, Windows' sort order and saving to a file.

#include "platform/native/native_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/test_platform.h"

namespace quendel::platform::native {
namespace {

using testing::ErrorOf;

class NativeRegistry : public ::testing::Test {
protected:
  TNativeRegistry registry_;
};

TEST_F(NativeRegistry, DenyWrite_MakesAKeyTreeReadOnly) {
  registry_.CreateKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install")->WriteString("Path", "C:\\x");
  registry_.DenyWrite(rkLocalMachine, "software\\vexo");

  EXPECT_EQ(registry_.OpenKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install", TRegAccess::Read)
                ->ReadString("Path"),
            "C:\\x");
  TErrorCode error = errSuccess;
  EXPECT_EQ(registry_.TryOpenKey(rkLocalMachine, "SOFTWARE\\Vexo", TRegAccess::ReadWrite, error),
            nullptr);
  EXPECT_EQ(error, errAccessDenied);
  EXPECT_EQ(ErrorOf([&] {
              registry_.OpenKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install", TRegAccess::ReadWrite);
            }),
            errAccessDenied)
      << "the rule covers the keys below";
  EXPECT_EQ(ErrorOf([&] { registry_.CreateKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install"); }),
            errAccessDenied);
  EXPECT_EQ(ErrorOf([&] { registry_.CreateKey(rkLocalMachine, "SOFTWARE\\Vexo\\New"); }),
            errAccessDenied);
  EXPECT_EQ(registry_.TryDeleteKey(rkLocalMachine, "SOFTWARE\\Vexo\\Install"), errAccessDenied);
  EXPECT_TRUE(registry_.KeyExists(rkLocalMachine, "SOFTWARE\\Vexo\\Install"));
  EXPECT_NE(registry_.CreateKey(rkLocalMachine, "SOFTWARE\\Other"), nullptr)
      << "siblings stay free";

  registry_.AllowWrite(rkLocalMachine, "SOFTWARE\\VEXO");
  EXPECT_NE(registry_.OpenKey(rkLocalMachine, "SOFTWARE\\Vexo", TRegAccess::ReadWrite), nullptr);
}

TEST_F(NativeRegistry, DenyWrite_AppliesToKeysNotYetMade) {
  registry_.DenyWrite(rkClassesRoot, ".qnd");
  EXPECT_EQ(ErrorOf([&] { registry_.CreateKey(rkClassesRoot, ".qnd"); }), errAccessDenied);
  EXPECT_EQ(ErrorOf([&] { registry_.CreateKey(rkLocalMachine, "Software\\Classes\\.QND"); }),
            errAccessDenied)
      << "the same key through HKEY_LOCAL_MACHINE";
}

TEST_F(NativeRegistry, ClassesRoot_IsAViewOfLocalMachineClasses) {
  registry_.CreateKey(rkClassesRoot, ".qnd")->WriteString("", "Quendel.File");
  EXPECT_EQ(registry_.OpenKey(rkLocalMachine, "SOFTWARE\\Classes\\.qnd", TRegAccess::Read)
                ->ReadString(""),
            "Quendel.File");
  registry_.DeleteKey(rkLocalMachine, "SOFTWARE\\Classes\\.qnd");
  EXPECT_FALSE(registry_.KeyExists(rkClassesRoot, ".qnd"));
}

TEST_F(NativeRegistry, Enumeration_UsesWindowsUpperCaseOrder) {
  // Windows compares upper-case forms; Wine compares lower-case ones and
  // would put "_x" and "[q" before the letters.
  for (const char* name : {"b", "_x", "A1", "Z", "[q", "aa", "a_"}) {
    registry_.CreateKey(rkCurrentUser, std::string("Order\\") + name);
    registry_.CreateKey(rkCurrentUser, "Order")->WriteDWord(name, 1);
  }
  const auto key = registry_.OpenKey(rkCurrentUser, "Order", TRegAccess::Read);
  const std::vector<std::string> expected{"A1", "aa", "a_", "b", "Z", "[q", "_x"};
  EXPECT_EQ(key->SubKeyNames(), expected);
  EXPECT_EQ(key->ValueNames(), expected);
}

TEST_F(NativeRegistry, Save_RoundTripsAwkwardNamesAndData) {
  auto key = registry_.CreateKey(rkCurrentUser, "Software\\With Space\\100% \"quoted\"");
  key->WriteString("", "default");
  key->WriteString("line\nbreak", "caf\xE9");
  key->WriteBinary("empty", {});
  key->WriteValue("odd type", TRegValue{0xFFFFFFFFu, {0, 255}});
  registry_.CreateKey(rkUsers, ".DEFAULT\\Empty Key");
  registry_.CreateKey(rkLocalMachine, "")->WriteDWord("on the root", 7);

  const std::string text = registry_.SaveToText();
  TNativeRegistry copy;
  copy.LoadFromText(text);
  EXPECT_EQ(copy.SaveToText(), text);
  const auto back =
      copy.OpenKey(rkCurrentUser, "software\\with space\\100% \"QUOTED\"", TRegAccess::Read);
  EXPECT_EQ(back->ReadString("LINE\nBREAK"), "caf\xE9");
  EXPECT_EQ(back->ReadValue("odd type"), (TRegValue{0xFFFFFFFFu, {0, 255}}));
  EXPECT_EQ(back->ReadValue("empty").Data.size(), 0u);
  EXPECT_TRUE(copy.KeyExists(rkUsers, ".DEFAULT\\Empty Key"));
  EXPECT_EQ(copy.OpenKey(rkLocalMachine, "", TRegAccess::Read)->ReadDWord("on the root"), 7u);
  EXPECT_TRUE(copy.KeyExists(rkClassesRoot, "")) << "the classes view survives a load";
}

TEST_F(NativeRegistry, Load_RefusesDamageAndKeepsTheTree) {
  registry_.CreateKey(rkCurrentUser, "Kept")->WriteDWord("v", 1);
  const std::string header = "QUENDEL-REGISTRY 1\n";
  const char* damaged[] = {
      "",
      "NOT-A-REGISTRY\n",
      "QUENDEL-REGISTRY 1\nvalue \"v\" 1 00\n",                              // value before any key
      "QUENDEL-REGISTRY 1\nkey HKEY_NOWHERE \"x\"\n",                        // unknown root
      "QUENDEL-REGISTRY 1\nkey HKEY_CLASSES_ROOT \"x\"\n",                   // a view, not stored
      "QUENDEL-REGISTRY 1\nkey HKEY_CURRENT_USER x\n",                       // unquoted
      "QUENDEL-REGISTRY 1\nkey HKEY_CURRENT_USER \"a%4\"\n",                 // cut escape
      "QUENDEL-REGISTRY 1\nkey HKEY_CURRENT_USER \"a%zz\"\n",                // bad escape
      "QUENDEL-REGISTRY 1\nkey HKEY_CURRENT_USER \"%5Cx\"\n",                // leading backslash
      "QUENDEL-REGISTRY 1\nkey HKEY_CURRENT_USER \"a\"\nvalue \"v\" 1 0\n",  // odd hex
      "QUENDEL-REGISTRY 1\nkey HKEY_CURRENT_USER \"a\"\nvalue \"v\" 1 zz\n", // bad hex
      "QUENDEL-REGISTRY 1\nkey HKEY_CURRENT_USER \"a\"\nvalue \"v\" 4294967296 00\n", // type
      "QUENDEL-REGISTRY 1\nkey HKEY_CURRENT_USER \"a\"\nvalue \"v\" 1\n",             // short line
      "QUENDEL-REGISTRY 1\nkey HKEY_CURRENT_USER \"a\"  \n",                          // extra field
      "QUENDEL-REGISTRY 1\nremove everything\n",
  };
  for (const char* text : damaged) {
    EXPECT_EQ(ErrorOf([&] { registry_.LoadFromText(text); }), errBadDb) << text;
    EXPECT_EQ(registry_.OpenKey(rkCurrentUser, "Kept", TRegAccess::Read)->ReadDWord("v"), 1u)
        << text;
  }
  EXPECT_EQ(ErrorOf([&] { registry_.LoadFromText(header); }), errSuccess);
}

TEST_F(NativeRegistry, Files_SaveAndLoad) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("quendel-registry-" + std::to_string(::getpid()) + ".reg");
  registry_.CreateKey(rkCurrentUser, "Software\\Vexo")->WriteString("Name", "value");
  registry_.SaveToFile(path.string());
  EXPECT_FALSE(std::filesystem::exists(path.string() + ".tmp"));

  TNativeRegistry loaded;
  loaded.LoadFromFile(path.string());
  EXPECT_EQ(loaded.OpenKey(rkCurrentUser, "Software\\Vexo", TRegAccess::Read)->ReadString("Name"),
            "value");
  std::filesystem::remove(path);
  EXPECT_EQ(ErrorOf([&] { loaded.LoadFromFile(path.string()); }), errFileNotFound);
  EXPECT_EQ(ErrorOf([&] { registry_.SaveToFile("/nonexistent-dir/x.reg"); }), errFileNotFound);
}

TEST_F(NativeRegistry, Handles_SeeKeysReplacedByALoadOrTheRegistryGone) {
  auto key = registry_.CreateKey(rkCurrentUser, "Software");
  registry_.LoadFromText("QUENDEL-REGISTRY 1\n");
  EXPECT_EQ(ErrorOf([&] { key->WriteDWord("v", 1); }), errKeyDeleted);

  auto other = std::make_unique<TNativeRegistry>();
  auto orphan = other->CreateKey(rkCurrentUser, "x");
  other.reset();
  EXPECT_EQ(ErrorOf([&] { orphan->SubKeyNames(); }), errKeyDeleted);
  EXPECT_FALSE(orphan->ValueExists("v"));
}

TEST_F(NativeRegistry, Paths_LongNamesAreRefused) {
  EXPECT_EQ(ErrorOf([&] { registry_.CreateKey(rkCurrentUser, std::string(256, 'k')); }),
            errInvalidParameter);
  EXPECT_NE(registry_.CreateKey(rkCurrentUser, std::string(255, 'k')), nullptr);
  EXPECT_EQ(registry_.TryDeleteKey(rkCurrentUser, ""), errAccessDenied) << "a root cannot go";
}

} // namespace
} // namespace quendel::platform::native
