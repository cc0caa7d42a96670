// The uninstaller as an install file: it is extracted and placed like any
// other file (usually "uninstall.exe" in "\Uninstall" below the product's
// folder, installed first), and instead of a log entry for itself it writes
// the product's uninstall key, through which Windows lists the product and
// starts the uninstaller with the product name.
#pragma once

#include "model/install_file.h"

namespace quendel {

QUENDEL_EXCEPTION(IEUninstallEXE, IException);

class TUninstallEXE : public TCustomInstallFile {
public:
  explicit TUninstallEXE(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // The product's key: "DisplayName", the quoted "UninstallString" and the
  // optional values of the install root's information. Raises
  // IEUninstallEXE without an install root or with a product name that
  // cannot name a key of its own.
  void WriteUninstallEntries(const std::string& KeyPath) override;
};

} // namespace quendel
