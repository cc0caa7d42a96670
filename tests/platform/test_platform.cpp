#include "platform/test_platform.h"

#include <atomic>
#include <cstdio>
#include <random>

namespace quendel::platform::testing {

namespace {

std::string UniqueName() {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  char name[48];
  std::snprintf(name, sizeof name, "QuendelTest-%08X-%u", seed, counter++);
  return name;
}

void RemoveTree(IFileSystem& files, const std::string& dir) {
  std::vector<TFindData> entries;
  try {
    entries = files.FindFiles(dir + "\\*");
  } catch (const EPlatformError&) {
    return;
  }
  for (const auto& entry : entries) {
    if (entry.Name == "." || entry.Name == "..") continue;
    const std::string path = dir + "\\" + entry.Name;
    if (entry.IsDirectory()) {
      RemoveTree(files, path);
    } else {
      files.TrySetAttributes(path, faNormal);
      files.TryRemoveFile(path);
    }
  }
  files.TrySetAttributes(dir, faNormal);
  files.TryRemoveDir(dir);
}

} // namespace

void PlatformTest::SetUp() {
  adapters_ = MakeAdapters();
  const std::string unique = UniqueName();
  dir_ = adapters_.ScratchParent + unique;
  Files().MakeDirectory(dir_);
  key_ = "Software\\QuendelTest\\" + unique;
  Reg().CreateKey(kKeyRoot, key_);
  savedCurrentDir_ = Files().GetCurrentDir();
}

void PlatformTest::TearDown() {
  Files().SetCurrentDir(savedCurrentDir_);
  RemoveTree(Files(), dir_);
  EXPECT_FALSE(Files().DirectoryExists(dir_)) << "scratch directory left behind: " << dir_;
  EXPECT_EQ(Reg().TryDeleteTree(kKeyRoot, key_), errSuccess);
  Reg().TryDeleteKey(kKeyRoot, "Software\\QuendelTest"); // only when no other run is in it
  if (adapters_.Cleanup) adapters_.Cleanup();
}

void PlatformTest::WriteFile(const std::string& path, const std::string& contents) {
  const auto file = Files().Create(path);
  file->Write(contents.data(), contents.size());
}

std::string PlatformTest::ReadFile(const std::string& path) {
  const auto file = Files().OpenRead(path);
  std::string contents(static_cast<std::size_t>(file->Size()), '\0');
  file->ReadExact(contents.data(), contents.size());
  return contents;
}

} // namespace quendel::platform::testing
