#pragma once
// Shortcuts on the Windows-like machine: real ".lnk" files in the shell link
// format, ".URL" files as WritePrivateProfileStringA writes them, and hard
// links on the host, all through the machine's file system so that drive
// mapping, sharing and error codes hold as for any other file.

#include "platform/links.h"
#include "platform/native/native_files.h"

namespace quendel::platform::native {

class TNativeLinks : public ILinks {
public:
  explicit TNativeLinks(TNativeFileSystem& Files) : files_(Files) {}

  void SaveShellLink(const std::string& linkFile, const TShellLink& link) override;
  TShellLink LoadShellLink(const std::string& linkFile) override;
  void WriteInternetShortcut(const std::string& linkFile, const std::string& url) override;
  std::string ReadInternetShortcut(const std::string& linkFile) override;
  void MakeHardLink(const std::string& newName, const std::string& existing) override;

private:
  TNativeFileSystem& files_;
};

} // namespace quendel::platform::native
