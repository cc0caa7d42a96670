// A simulated machine for the uninstall tests: drive C: on a fresh host
// directory, the native registry and the Windows 7 user's shell folders.
#pragma once

#include "platform/native/native_files.h"
#include "platform/native/native_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace quendel::testing {

class UninstallMachine : public ::testing::Test {
protected:
  UninstallMachine() {
    std::random_device Rd;
    Host = std::filesystem::temp_directory_path() / ("quendel-uninstall-" + std::to_string(Rd()));
    std::filesystem::create_directories(Host);
    P = platform::native::CreateNativePlatform(platform::native::TDriveMap().Map('C', Host.string()));
  }
  ~UninstallMachine() override {
    P = {};
    std::error_code Ec;
    std::filesystem::remove_all(Host, Ec);
  }

  std::filesystem::path HostPath(std::string Windows) const {
    Windows = Windows.substr(3);
    for (char& C : Windows)
      if (C == '\\') C = '/';
    return Host / Windows;
  }
  void Put(const std::string& Windows, const std::string& Text = "x") {
    const auto H = HostPath(Windows);
    std::filesystem::create_directories(H.parent_path());
    std::ofstream(H) << Text;
  }
  bool Exists(const std::string& Windows) const { return std::filesystem::exists(HostPath(Windows)); }
  platform::native::TNativeFileSystem& NativeFiles() {
    return static_cast<platform::native::TNativeFileSystem&>(*P.Files);
  }

  std::filesystem::path Host;
  platform::TPlatform P;
};

} // namespace quendel::testing
