// A scratch directory for archive tests, reached through the platform's file
// system: natively as drive C: mapped onto a host temporary directory, under
// Wine as the temporary directory itself.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include "platform/native/native_files.h"
#endif

namespace quendel::testing {

class TSandbox {
public:
  TSandbox() {
    static int counter = 0;
    std::random_device rd;
    Host = std::filesystem::temp_directory_path() /
           ("quendel-archive-" + std::to_string(rd()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(Host);
#ifdef _WIN32
    Root = Host.string();
    Files = platform::CreateDefaultPlatform().Files;
#else
    Root = "C:";
    Files = std::make_unique<platform::native::TNativeFileSystem>(
        platform::native::TDriveMap().Map('C', Host.string()));
#endif
  }
  ~TSandbox() {
    Files.reset();
    std::error_code ec;
    std::filesystem::remove_all(Host, ec);
  }

  // The Windows path of a name inside the sandbox ("sub\a.txt").
  std::string Path(const std::string& Name) const {
    return Root + "\\" + Name;
  }
  std::filesystem::path HostPath(std::string Name) const {
    for (char& c : Name)
      if (c == '\\') c = '/';
    return Host / Name;
  }

  void Write(const std::string& Name, const std::vector<std::uint8_t>& Bytes) const {
    const auto p = HostPath(Name);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(Bytes.data()),
            static_cast<std::streamsize>(Bytes.size()));
  }
  void Write(const std::string& Name, const std::string& Text) const {
    Write(Name, std::vector<std::uint8_t>(Text.begin(), Text.end()));
  }
  std::vector<std::uint8_t> Read(const std::string& Name) const {
    std::ifstream f(HostPath(Name), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
  }
  bool Exists(const std::string& Name) const {
    return std::filesystem::exists(HostPath(Name));
  }

  std::filesystem::path Host;
  std::string Root;
  std::unique_ptr<platform::IFileSystem> Files;
};

// Bytes that compress like text, like random data, or not at all.
inline std::vector<std::uint8_t> TextBytes(std::size_t N, unsigned Seed = 1) {
  static const char* const Words[] = {"setup ",  "archive ", "member ", "volume ",
                                      "header ", "install ", "the ",    "\r\n"};
  std::mt19937 rng(Seed);
  std::vector<std::uint8_t> out;
  while (out.size() < N)
    for (const char* c = Words[rng() % 8]; *c && out.size() < N; ++c)
      out.push_back(static_cast<std::uint8_t>(*c));
  return out;
}

inline std::vector<std::uint8_t> RandomBytes(std::size_t N, unsigned Seed = 2) {
  std::mt19937 rng(Seed);
  std::vector<std::uint8_t> out(N);
  for (auto& b : out)
    b = static_cast<std::uint8_t>(rng());
  return out;
}

} // namespace quendel::testing
