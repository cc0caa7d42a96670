// The win32 build reads version resources through the operating system.
#include "system/win32/version_api.h"

#include "system/version_resource.h"

#include <windows.h>

#include <vector>

namespace quendel {

namespace {

class TWin32VersionData : public IVersionData {
public:
  explicit TWin32VersionData(std::vector<char> Buffer) : FBuffer(std::move(Buffer)) {}

  std::optional<std::string> Query(std::string_view SubBlock) const override {
    void* value = nullptr;
    UINT length = 0;
    const std::string path(SubBlock);
    // VerQueryValueA converts texts into the buffer's spare half, so it
    // wants a writable buffer even for a read.
    if (!VerQueryValueA(const_cast<char*>(FBuffer.data()), path.c_str(), &value, &length) || !value)
      return std::nullopt;
    const auto* start = static_cast<const char*>(value);
    const char* end = FBuffer.data() + FBuffer.size();
    if (start < FBuffer.data() || start > end) return std::nullopt;
    if (length > static_cast<UINT>(end - start)) length = static_cast<UINT>(end - start);
    return std::string(start, length);
  }

private:
  std::vector<char> FBuffer;
};

} // namespace

std::unique_ptr<IVersionData> LoadVersionDataWin32(const std::string& FileName) {
  if (FileName.empty()) return nullptr;
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(FileName.c_str(), &handle);
  if (size == 0) return nullptr;
  // Zeroed, so that a text the resource leaves unterminated ends in the spare half.
  std::vector<char> buffer(size, 0);
  if (!GetFileVersionInfoA(FileName.c_str(), 0, size, buffer.data())) return nullptr;
  return std::make_unique<TWin32VersionData>(std::move(buffer));
}

std::unique_ptr<IVersionData> LoadVersionData(platform::IFileSystem*, const std::string& FileName) {
  return LoadVersionDataWin32(FileName);
}

std::string DefaultVersionFileName() {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string(path, n);
}

} // namespace quendel
