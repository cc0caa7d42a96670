#pragma once
// Shortcuts through the shell: IShellLinkA and IPersistFile for ".lnk"
// files, the profile-string calls for ".URL" files, CreateHardLinkA found at
// run time.

#include "platform/links.h"

namespace quendel::platform::win32 {

class TWin32Links : public ILinks {
public:
  void SaveShellLink(const std::string& linkFile, const TShellLink& link) override;
  TShellLink LoadShellLink(const std::string& linkFile) override;
  void WriteInternetShortcut(const std::string& linkFile, const std::string& url) override;
  std::string ReadInternetShortcut(const std::string& linkFile) override;
  void MakeHardLink(const std::string& newName, const std::string& existing) override;
};

} // namespace quendel::platform::win32
