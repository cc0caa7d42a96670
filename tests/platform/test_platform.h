#pragma once
// The adapters of this build, set up for one test: a scratch directory and a
// scratch registry key that are removed afterwards, whatever the test left.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace quendel::platform::testing {

// What differs between the builds: the adapters, the directory the scratch
// directory goes into, and what to undo at the end.
struct TAdapters {
  TPlatform Platform;
  std::string ScratchParent; // ends in "\"
  std::function<void()> Cleanup;
};
TAdapters MakeAdapters(); // test_platform_native.cpp or test_platform_win32.cpp

class PlatformTest : public ::testing::Test {
protected:
  static constexpr TRootKey kKeyRoot = rkCurrentUser;

  void SetUp() override;
  void TearDown() override;

  IFileSystem& Files() { return *adapters_.Platform.Files; }
  IRegistry& Reg() { return *adapters_.Platform.Registry; }
  ISystemInfo& System() { return *adapters_.Platform.System; }
  IShell& Shell() { return *adapters_.Platform.Shell; }
  IProcesses& Processes() { return *adapters_.Platform.Processes; }
  ILinks& Links() { return *adapters_.Platform.Links; }

  // The scratch directory (no trailing "\") and paths in it.
  const std::string& Dir() const { return dir_; }
  std::string PathOf(const std::string& name) const { return dir_ + "\\" + name; }
  // The scratch key (HKEY_CURRENT_USER\Software\QuendelTest\<unique>) and keys below it.
  const std::string& Key() const { return key_; }
  std::string KeyOf(const std::string& name) const { return key_ + "\\" + name; }

  void WriteFile(const std::string& path, const std::string& contents);
  std::string ReadFile(const std::string& path);

private:
  TAdapters adapters_;
  std::string dir_;
  std::string key_;
  std::string savedCurrentDir_;
};

// The code of a platform error thrown by a statement, or 0 when none was thrown.
template <typename Statement> TErrorCode ErrorOf(Statement&& statement) {
  try {
    statement();
  } catch (const EPlatformError& e) {
    return e.Code();
  }
  return errSuccess;
}

} // namespace quendel::platform::testing
