#include "model/net_location.h"

#include "core/strings.h"

namespace quendel {

constexpr const char* kInternetProtocolInfo[] = {"ipFTP", "ipHTTP"};
constinit const TEnumInfo InternetProtocolInfo("TInternetProtocol", kInternetProtocolInfo);

const TClassInfo& TCustomLoginInformation::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TCustomLoginInformation>("TCustomLoginInformation",
                                                  &TPersistent::StaticClass);
  });
}

bool TCustomLoginInformation::IsComplete() const {
  if (Anonymous) return !Trim(Hostname).empty();
  return !Trim(Hostname).empty() || !Trim(Password).empty() || !Trim(Username).empty();
}

std::string TCustomLoginInformation::ProtocolName() const {
  return Protocol == ipFTP ? "FTP" : "HTTP";
}

void TCustomLoginInformation::Assign(const TPersistent& Source) {
  if (auto* L = dynamic_cast<const TCustomLoginInformation*>(&Source)) {
    Anonymous = L->Anonymous;
    Directory = L->Directory;
    Hostname = L->Hostname;
    Password = L->Password;
    Protocol = L->Protocol;
    Username = L->Username;
    return;
  }
  TPersistent::Assign(Source);
}

const TClassInfo& TCustomNetInstallLocation::StaticClass() {
  return ClassTable([] {
    return TClassBuilder<TCustomNetInstallLocation>("TCustomNetInstallLocation",
                                                    &TComponent::StaticClass);
  });
}

void TCustomNetInstallLocation::NotifyDataReceived(const std::string& FileName, int Bytes,
                                                   int TotalBytes, int FileSize,
                                                   const char* Buffer) {
  if (OnDataReceived1) OnDataReceived1(this, FileName, Bytes, TotalBytes, FileSize, Buffer);
  if (OnDataReceived2) OnDataReceived2(this, FileName, Bytes, TotalBytes, FileSize, Buffer);
}

} // namespace quendel
