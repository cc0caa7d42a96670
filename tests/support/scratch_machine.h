// A scratch directory on the build's machine, removed afterwards, and a
// platform that works in it. Natively the directory is drive C: of a
// simulated machine of its own (an empty registry, the default system
// information and shell); under Wine it is a fresh directory below the
// prefix's temporary directory and the platform is the real one.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quendel::test {

class TScratchMachine {
public:
  TScratchMachine();
  ~TScratchMachine();
  TScratchMachine(const TScratchMachine&) = delete;
  TScratchMachine& operator=(const TScratchMachine&) = delete;

  // A platform on this scratch directory; each call makes a new one (natively
  // with its own registry).
  platform::TPlatform MakePlatform() const;
  // The same with System in place of the platform's system information.
  platform::TPlatform MakePlatform(std::unique_ptr<platform::ISystemInfo> System) const;

  // The Windows path of the scratch directory ("C:" natively) and of a name
  // inside it ("sub\a.txt").
  const std::string& Root() const { return FRoot; }
  std::string Path(const std::string& Name) const { return FRoot + "\\" + Name; }
  // The host path of a name inside it.
  std::filesystem::path HostPath(std::string Name) const;
  const std::filesystem::path& Host() const { return FHost; }

  void Write(const std::string& Name, const std::vector<std::uint8_t>& Bytes) const;
  void Write(const std::string& Name, const std::string& Text) const;
  std::vector<std::uint8_t> Read(const std::string& Name) const;
  bool Exists(const std::string& Name) const;

private:
  std::filesystem::path FHost;
  std::string FRoot;
};

} // namespace quendel::test
