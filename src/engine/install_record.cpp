#include "engine/install_record.h"

#include "core/strings.h"
#include "system/os_version.h"

#include <cmath>
#include <cstring>
#include <set>

namespace quendel {

namespace {

using platform::rkLocalMachine;
using platform::TRegAccess;

constexpr double kSameDate = 0.0000001; // days

} // namespace

std::string PortKey(const std::string& KeyPath) {
  return !KeyPath.empty() && KeyPath[0] == '\\' ? KeyPath.substr(1) : KeyPath;
}

std::vector<std::uint8_t> DoubleBytes(double Value) {
  std::vector<std::uint8_t> b(8);
  std::memcpy(b.data(), &Value, 8); // the machines this runs on are little-endian
  return b;
}

bool BytesDouble(const std::vector<std::uint8_t>& Bytes, double& Value) {
  if (Bytes.size() != 8) return false;
  std::memcpy(&Value, Bytes.data(), 8);
  return std::isfinite(Value);
}

TSetupFileFacts ReadSetupFileFacts(platform::IFileSystem& Files, const std::string& Path) {
  auto f = Files.Open(Path, platform::TFileAccess::Read, platform::shareAll,
                      platform::TCreation::OpenExisting);
  TSetupFileFacts facts;
  facts.Path = Path;
  facts.Size = static_cast<std::uint32_t>(f->Size());
  facts.Date = FileTimeToDateTime(f->GetStamp());
  return facts;
}

std::string FindInstallRecord(platform::IRegistry& Registry, const TSetupFileFacts& File,
                              bool Create, TDateTime RunStartTime,
                              const std::string* SelfExtract) {
  const std::string root = PortKey(kInstallRecordRoot);
  try {
    auto key = Registry.CreateKey(rkLocalMachine, root);
    const std::vector<std::string> names = key->SubKeyNames();
    for (const std::string& name : names) {
      platform::TErrorCode error = 0;
      auto record = Registry.TryOpenKey(rkLocalMachine, root + "\\" + name, TRegAccess::ReadWrite, error);
      if (!record) continue;
      double date = 0;
      std::uint32_t size = 0;
      try {
        (void)record->ReadString("Path");
        if (!BytesDouble(record->ReadValue("CreationDate").Data, date)) continue;
        size = record->ReadDWord("Size");
      } catch (const platform::EPlatformError&) {
        continue;
      }
      if (std::fabs(date - File.Date) >= kSameDate || size != File.Size) continue;
      record->WriteBinary("LastRunDate", DoubleBytes(RunStartTime));
      record->WriteString("Path", File.Path);
      return std::string(kInstallRecordRoot) + "\\" + name;
    }
    if (!Create) return {};
    std::set<std::string> taken;
    for (const std::string& n : names)
      taken.insert(UpperCase(n));
    int n = 0;
    while (taken.count(UpperCase("Install" + std::to_string(n)))) ++n;
    const std::string name = "Install" + std::to_string(n);
    auto record = Registry.CreateKey(rkLocalMachine, root + "\\" + name);
    record->WriteString("Path", File.Path);
    record->WriteBinary("LastRunDate", DoubleBytes(RunStartTime));
    record->WriteBinary("CreationDate", DoubleBytes(File.Date));
    record->WriteDWord("Size", File.Size);
    if (SelfExtract) record->WriteString("SelfExtract", *SelfExtract);
    return std::string(kInstallRecordRoot) + "\\" + name;
  } catch (const platform::EPlatformError&) {
    return {};
  }
}

void RemoveInstallRecord(platform::IRegistry& Registry, platform::IFileSystem& Files,
                         const std::string& KeyPath) {
  if (KeyPath.empty()) return;
  const std::string path = PortKey(KeyPath);
  platform::TErrorCode error = 0;
  auto record = Registry.TryOpenKey(rkLocalMachine, path, TRegAccess::ReadWrite, error);
  if (!record) return;
  std::vector<std::string> subkeys;
  try {
    subkeys = record->SubKeyNames();
  } catch (const platform::EPlatformError&) {
  }
  for (const std::string& sub : subkeys) {
    auto k = Registry.TryOpenKey(rkLocalMachine, path + "\\" + sub, TRegAccess::Read, error);
    if (k) {
      try {
        if (k->ValueExists("LocalFile")) {
          const std::string local = Trim(k->ReadString("LocalFile"));
          if (!local.empty()) RemoveDownloadedArchive(Files, local);
        }
      } catch (const platform::EPlatformError&) {
      }
    }
    k.reset();
    (void)Registry.TryDeleteTree(rkLocalMachine, path + "\\" + sub);
  }
  record.reset();
  (void)Registry.TryDeleteKey(rkLocalMachine, path);
  for (const char* parent : {"SOFTWARE\\Vexo\\Install", "Software\\Quendel"}) {
    auto k = Registry.TryOpenKey(rkLocalMachine, parent, TRegAccess::Read, error);
    if (!k) return;
    bool empty = false;
    try {
      empty = k->SubKeyNames().empty();
    } catch (const platform::EPlatformError&) {
    }
    k.reset();
    if (empty) (void)Registry.TryDeleteKey(rkLocalMachine, parent);
  }
}

} // namespace quendel
