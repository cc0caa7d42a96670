// An example product (examples/setup by default) on a simulated machine of
// its own, for the tests that install it in one process: a directory below
// the temporary one mapped as C:, the payload with stand-ins for the
// uninstaller and the setup program in "C:\src" (the payload's files where
// the definition reads them, relative to that directory), all dated alike,
// the archive "files.1" made from them as "quendel archive add" makes it, the definition in its text and binary forms, and the machine's
// registry kept in a file between the programs' starts.
#pragma once

#include "archive/compress.h"
#include "core/persistent.h"
#include "definition/binary_codec.h"
#include "definition/text_codec.h"
#include "platform/native/native_platform.h"
#include "platform/native/native_registry.h"
#include "platform/native/native_shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace quendel::test {

inline const char* const kExampleProductKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quendel Example";
// The payload in the order of the definition's unique identifiers.
inline const char* const kExampleMembers[] = {"uninstall.exe", "example.ini", "readme.txt",
                                              "licence.txt", "guide.txt"};

inline std::string ReadHostText(const std::filesystem::path& P) {
  std::ifstream In(P, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

class TExampleProductTest : public ::testing::Test {
protected:
  // Prefix names the test's directory, with the test's own name after it.
  // Members are the archive's files in the order of their unique identifiers,
  // named as the definition reads them (below PayloadDir when the definition
  // reads its files from that directory, beside it when PayloadDir is empty).
  explicit TExampleProductTest(std::string Prefix, std::string Example = "setup",
                               std::vector<std::string> Members = {std::begin(kExampleMembers),
                                                                   std::end(kExampleMembers)},
                               std::string PayloadDir = "")
      : FPrefix(std::move(Prefix)), FExample(std::move(Example)), FMembers(std::move(Members)),
        FPayloadDir(std::move(PayloadDir)) {}

  void SetUp() override {
    namespace fs = std::filesystem;
    FDir = fs::temp_directory_path() /
           (FPrefix + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir / "src");
    FRegistry = (FDir / "registry.txt").string();
    const fs::path Example = fs::path(QUENDEL_SOURCE_DIR) / "examples" / FExample;
    fs::copy(Example / "payload", FDir / "src" / FPayloadDir, fs::copy_options::recursive);
    std::ofstream(FDir / "src" / "uninstall.exe", std::ios::binary) << "MZ uninstaller";
    std::ofstream(FDir / "src" / "setup.exe", std::ios::binary) << std::string(4096, 'S');
    // One stamp for all, on an even second (archives keep two-second dates).
    FStamp = fs::file_time_type::clock::now() - std::chrono::hours(24 * 40);
    FStamp -= FStamp.time_since_epoch() % std::chrono::seconds(2);
    for (std::string M : FMembers) {
      for (char& Ch : M)
        if (Ch == '\\') Ch = '/';
      fs::last_write_time(FDir / "src" / M, FStamp);
    }
    BuildArchive();
    FText = ReadHostText(Example / "definition.txt");
    FDefinition = Binary(FText);
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }

  // "C:\src\files.1" made afresh from the payload in "C:\src".
  void BuildArchive() {
    platform::TPlatform P = Machine();
    P.Files->SetCurrentDir("C:\\src");
    TQndlCompress C(nullptr, P.Files.get());
    C.SetCompressedFile("C:\\src\\files.1");
    for (int I = 0; I < static_cast<int>(FMembers.size()); ++I) {
      TStrings List;
      List.Add(FMembers[I]);
      C.SetFilesToProcess(List);
      C.Add(I == 0 ? lzcOverwrite : lzcOnlyAdd, I + 1);
    }
  }

  // The machine as the last program left it (a fresh one names its shell
  // folders in its registry, as Windows does).
  platform::TPlatform Machine() {
    platform::TPlatform P =
        platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', FDir.string()));
    auto& Reg = dynamic_cast<platform::native::TNativeRegistry&>(*P.Registry);
    if (std::filesystem::exists(FRegistry))
      Reg.LoadFromFile(FRegistry);
    else
      platform::native::WriteShellFolderRecords(
          Reg, dynamic_cast<platform::native::TNativeShell&>(*P.Shell).Config());
    return P;
  }
  void Save(platform::TPlatform& P) {
    dynamic_cast<platform::native::TNativeRegistry&>(*P.Registry).SaveToFile(FRegistry);
  }
  // The host path of a path on C:.
  std::filesystem::path Host(const std::string& WinPath) {
    std::string Rel = WinPath.substr(3);
    for (char& Ch : Rel)
      if (Ch == '\\') Ch = '/';
    return FDir / Rel;
  }
  static std::vector<std::uint8_t> Binary(const std::string& Text) {
    return WriteObjectBinary(ReadObjectStream(std::vector<std::uint8_t>(Text.begin(), Text.end())));
  }

  std::string FPrefix;
  std::string FExample;
  std::vector<std::string> FMembers;
  std::string FPayloadDir;
  std::filesystem::path FDir;
  std::string FRegistry;
  std::filesystem::file_time_type FStamp;
  std::string FText; // the definition's text form
  std::vector<std::uint8_t> FDefinition;
};

} // namespace quendel::test
