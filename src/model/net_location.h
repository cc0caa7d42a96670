// What the install objects need of a network install location: its login
// information and a way to download one named remote file into a local file,
// reporting the data as it arrives. The locations that talk FTP and HTTP are
// built above the model; a definition refers to one through the NetLocation
// properties.
#pragma once

#include "core/component.h"
#include "core/event.h"
#include "core/reflection.h"

#include <string>

namespace quendel {

enum TInternetProtocol { ipFTP, ipHTTP };
extern const TEnumInfo InternetProtocolInfo;

class TCustomLoginInformation : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  bool Anonymous = true;
  std::string Directory;
  std::string Hostname;
  std::string Password;
  TInternetProtocol Protocol = ipHTTP;
  std::string Username;

  // Anonymous: a host name; otherwise any of host name, password or user
  // name (blanks do not count).
  bool IsComplete() const;
  // The protocol's name ("FTP", "HTTP").
  std::string ProtocolName() const;
  void Assign(const TPersistent& Source) override;
};

class TCustomNetInstallLocation : public TComponent {
public:
  // Sender, the remote name, the size of the block just received, the bytes
  // received so far, the size the server reported, the block.
  using TDataReceivedNotify =
      TEvent<void(TComponent* Sender, const std::string& FileName, int Bytes,
                         int TotalBytes, int FileSize, const char* Buffer)>;

  explicit TCustomNetInstallLocation(TComponent* AOwner) : TComponent(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  TCustomLoginInformation& LoginInformation() { return FLoginInformation; }
  const TCustomLoginInformation& LoginInformation() const { return FLoginInformation; }
  void SetLoginInformation(const TCustomLoginInformation& Value) { FLoginInformation.Assign(Value); }

  // Downloads RemoteName into LocalPath (created or replaced), telling both
  // subscribers about every block. Raises on failure; a download stopped by
  // the user's cancel returns normally and leaves what was written.
  virtual void GetFile(const std::string& RemoteName, const std::string& LocalPath) = 0;
  // Whether LocalPath, a copy of RemoteName that an earlier run downloaded,
  // is still what the server serves as far as the location can tell (a
  // location that knows the file's digest checks it). Any copy by default.
  virtual bool AcceptsLocalCopy(const std::string& RemoteName, const std::string& LocalPath) {
    (void)RemoteName;
    (void)LocalPath;
    return true;
  }

  // The two data-received subscribers, called in this order.
  TDataReceivedNotify OnDataReceived1;
  TDataReceivedNotify OnDataReceived2;

protected:
  // For implementations: tells both subscribers about a block.
  void NotifyDataReceived(const std::string& FileName, int Bytes, int TotalBytes, int FileSize,
                          const char* Buffer);

private:
  TCustomLoginInformation FLoginInformation;
};

} // namespace quendel
