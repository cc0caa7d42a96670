#include "platform/win32/win32_shell.h"

#include <windows.h>

#include <shlobj.h> // after windows.h, whose declarations it uses

#include "platform/win32/win32_error.h"
#include "platform/win32/system_libraries.h"

namespace quendel::platform::win32 {

namespace {

// The item list belongs to the task allocator.
struct TItemList {
  LPITEMIDLIST Items = nullptr;
  TItemList() = default;
  TItemList(const TItemList&) = delete;
  TItemList& operator=(const TItemList&) = delete;
  ~TItemList() {
    if (Items) lazy::CoTaskMemFree(Items);
  }
};

} // namespace

std::string TWin32Shell::SpecialFolderPath(int csidl) {
  const std::string args = "CSIDL " + std::to_string(csidl);
  TItemList list;
  const HRESULT result = lazy::SHGetSpecialFolderLocation(nullptr, csidl, &list.Items);
  if (FAILED(result)) ThrowError("SHGetSpecialFolderLocation", args, result);
  if (!list.Items) ThrowError("SHGetSpecialFolderLocation", args, E_FAIL);
  char path[MAX_PATH + 1] = {};
  // SHGetPathFromIDListA sets no last error: a folder without a file-system
  // path is all it can mean.
  if (!lazy::SHGetPathFromIDListA(list.Items, path))
    ThrowError("SHGetPathFromIDListA", args, ERROR_PATH_NOT_FOUND);
  return path;
}

} // namespace quendel::platform::win32
