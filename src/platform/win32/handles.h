#pragma once
// Scoped owners of Win32 handles: each closes its handle exactly once, on
// every path out, and can hand it over by moving.

#include <windows.h>

#include <utility>

namespace quendel::platform::win32 {

template <typename Traits> class TScopedHandle {
public:
  using THandle = typename Traits::THandle;

  TScopedHandle() = default;
  explicit TScopedHandle(THandle handle) : handle_(handle) {}
  TScopedHandle(TScopedHandle&& other) noexcept : handle_(other.Release()) {}
  TScopedHandle& operator=(TScopedHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TScopedHandle(const TScopedHandle&) = delete;
  TScopedHandle& operator=(const TScopedHandle&) = delete;
  ~TScopedHandle() { Reset(); }

  THandle Get() const { return handle_; }
  bool Valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }

  THandle Release() { return std::exchange(handle_, Traits::Invalid()); }
  void Reset(THandle handle = Traits::Invalid()) {
    const THandle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

private:
  THandle handle_ = Traits::Invalid();
};

struct TFileHandleTraits {
  using THandle = HANDLE;
  static THandle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(THandle handle) { ::CloseHandle(handle); }
};

struct TFindHandleTraits {
  using THandle = HANDLE;
  static THandle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(THandle handle) { ::FindClose(handle); }
};

struct TRegKeyTraits {
  using THandle = HKEY;
  static THandle Invalid() { return nullptr; }
  static void Close(THandle key) { ::RegCloseKey(key); }
};

using TFileHandle = TScopedHandle<TFileHandleTraits>; // CreateFileA
using TFindHandle = TScopedHandle<TFindHandleTraits>; // FindFirstFileA
using TRegKeyHandle = TScopedHandle<TRegKeyTraits>;   // RegOpenKeyExA, RegCreateKeyExA

} // namespace quendel::platform::win32
