#pragma once
// Processes and libraries through CreateProcessA, LoadLibraryA and OLE.

#include "platform/process.h"

namespace quendel::platform::win32 {

class TWin32Processes : public IProcesses {
public:
  std::unique_ptr<IProcess> Start(const TProcessStart& start) override;
  std::unique_ptr<ILibrary> OpenLibrary(const std::string& path) override;
  void RegisterTypeLibrary(const std::string& path) override;
  void UnregisterTypeLibrary(const std::string& path) override;
};

} // namespace quendel::platform::win32
