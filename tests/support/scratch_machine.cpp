#include "support/scratch_machine.h"

#include "support/unique_name.h"

#include <fstream>
#include <iterator>

#ifndef _WIN32
#include "platform/native/native_platform.h"
#endif

namespace quendel::test {

TScratchMachine::TScratchMachine()
    : FHost(std::filesystem::temp_directory_path() / UniqueName("quendel-scratch")) {
  std::filesystem::create_directories(FHost);
#ifdef _WIN32
  FRoot = FHost.string();
#else
  FRoot = "C:";
#endif
}

TScratchMachine::~TScratchMachine() {
  std::error_code ec;
  std::filesystem::remove_all(FHost, ec);
}

platform::TPlatform TScratchMachine::MakePlatform() const {
#ifdef _WIN32
  return platform::CreateDefaultPlatform();
#else
  return platform::native::CreateNativePlatform(
      platform::native::TDriveMap().Map('C', FHost.string()));
#endif
}

platform::TPlatform
TScratchMachine::MakePlatform(std::unique_ptr<platform::ISystemInfo> System) const {
  platform::TPlatform P = MakePlatform();
  P.System = std::move(System);
  return P;
}

std::filesystem::path TScratchMachine::HostPath(std::string Name) const {
  for (char& c : Name)
    if (c == '\\') c = '/';
  return FHost / Name;
}

void TScratchMachine::Write(const std::string& Name, const std::vector<std::uint8_t>& Bytes) const {
  const auto p = HostPath(Name);
  std::filesystem::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

void TScratchMachine::Write(const std::string& Name, const std::string& Text) const {
  Write(Name, std::vector<std::uint8_t>(Text.begin(), Text.end()));
}

std::vector<std::uint8_t> TScratchMachine::Read(const std::string& Name) const {
  std::ifstream f(HostPath(Name), std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
}

bool TScratchMachine::Exists(const std::string& Name) const {
  return std::filesystem::exists(HostPath(Name));
}

} // namespace quendel::test
