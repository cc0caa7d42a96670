// The install root's part in a web or net distribution: its network location
// is the run's default one, and the remote file list tells every install file
// its size, date and version before any archive is downloaded.
#include "engine/install.h"

#include "core/strings.h"
#include "distribution/file_list.h"
#include "model/install_file.h"
#include "net/net_location.h"
#include "system/os_version.h"

#include <vector>

namespace quendel {

namespace {

const char* const kNeedsNetLocation =
    "Must assign a net location via the NetLocation property before you can set the distribute type";

} // namespace

void TCustomInstall::SetDistributeType(TDistributeType Value) {
  if (!IsLoading() && !IsDesigning())
    Raise<IEInstall>("DistributeType can only be set at design-time");
  if (Value != dtTraditional && !IsLoading() && NetLocation() == nullptr)
    throw IEInstallNetLocNil(kNeedsNetLocation);
  FDistributeType = Value;
}

void TCustomInstall::SetNetLocation(TCustomNetInstallLocation* Value) {
  TFileContainer::SetNetLocation(Value);
  // The root's location is where every object without one of its own
  // downloads from, and the server that errors name.
  if (TNetContext* Net = TNetContextScope::Installed()) Net->DefaultLocation = Value;
  if (Value == nullptr) FDistributeType = dtTraditional;
}

void TCustomInstall::ReadRemoteFileList() {
  TCustomNetInstallLocation* Location = NetLocation();
  if (Location == nullptr) throw IEInstallNetLocNil(kNeedsNetLocation);
  platform::IFileSystem& Files = *Context().Platform().Files;
  const std::string Temp = GetTempFileName(Files, false);
  auto Remove = [&] {
    try {
      if (Files.FileExists(Temp)) Files.RemoveFile(Temp);
    } catch (const std::exception&) {
      // The list was read or failed already; a leftover temporary file does no harm.
    }
  };
  std::vector<distribution::TFileListRecord> Records;
  try {
    Location->GetFile("filelist.lst", Temp);
    std::vector<std::uint8_t> Bytes;
    if (Files.FileExists(Temp)) {
      const auto In = Files.OpenRead(Temp);
      Bytes.resize(static_cast<std::size_t>(In->Size()));
      In->ReadExact(Bytes.data(), Bytes.size());
    }
    std::string Error;
    if (!distribution::DecodeFileList(Bytes.data(), Bytes.size(), Records, Error))
      Raise<IEInstall>("Cannot read the remote list of files: %s", {Temp});
  } catch (...) {
    Remove();
    throw;
  }
  Remove();
  const std::vector<TCustomInstallFile*> All = Context().AllInstallFiles.Items();
  for (const distribution::TFileListRecord& R : Records)
    for (TCustomInstallFile* F : All)
      if (SameText(F->Name(), R.Name)) {
        F->TakeListedInfo(R.Size, R.Date, R.Version);
        break;
      }
}

} // namespace quendel
