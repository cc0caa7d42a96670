// The Win32 adapter's own parts: scoped handles and error conversion.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/test_platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_registry.h"

namespace quendel::platform::win32 {
namespace {

using Win32 = testing::PlatformTest;

TEST(Win32Error, LastError_ZeroStillThrowsAFailure) {
  ::SetLastError(0);
  try {
    ThrowLastError("GetVersionExA", "");
    FAIL() << "did not throw";
  } catch (const EPlatformError& e) {
    EXPECT_EQ(e.Code(), errGenFailure);
    EXPECT_EQ(e.Call(), "GetVersionExA");
  }
  ::SetLastError(ERROR_SHARING_VIOLATION);
  EXPECT_EQ(testing::ErrorOf([] { ThrowLastError("DeleteFileA", "\"x\""); }), errSharingViolation);
  EXPECT_EQ(testing::ErrorOf([] { ThrowError("RegOpenKeyExA", "", ERROR_FILE_NOT_FOUND); }),
            errFileNotFound);
}

TEST(Win32Registry, RootKeyHandle_IsThePredefinedHandle) {
  EXPECT_EQ(RootKeyHandle(rkClassesRoot), HKEY_CLASSES_ROOT);
  EXPECT_EQ(RootKeyHandle(rkCurrentConfig), HKEY_CURRENT_CONFIG);
  for (int root = rkClassesRoot; root <= rkCurrentConfig; ++root)
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(RootKeyHandle(static_cast<TRootKey>(root))),
              RootKeyValue(static_cast<TRootKey>(root)));
}

TEST_F(Win32, FileHandle_ClosesWhenItGoesOutOfScope) {
  const std::string path = PathOf("held.txt");
  auto open = [&](DWORD share) {
    return TFileHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  {
    TFileHandle held = open(0);
    ASSERT_TRUE(held.Valid());
    EXPECT_FALSE(open(0).Valid()) << "exclusive while held";
    TFileHandle moved = std::move(held);
    EXPECT_FALSE(held.Valid());
    EXPECT_TRUE(moved.Valid());
  }
  EXPECT_TRUE(open(0).Valid()) << "the moved-to owner closed it once";

  TFileHandle reset = open(0);
  reset.Reset();
  EXPECT_FALSE(reset.Valid());
  EXPECT_TRUE(open(0).Valid());
}

TEST_F(Win32, RegKeyHandle_ClosesTheKey) {
  HKEY raw = nullptr;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, Key().c_str(), 0, KEY_READ, &raw), ERROR_SUCCESS);
  TRegKeyHandle key(raw);
  EXPECT_EQ(key.Get(), raw);
  HKEY released = key.Release();
  EXPECT_FALSE(key.Valid());
  EXPECT_EQ(::RegCloseKey(released), ERROR_SUCCESS) << "Release hands the key over unclosed";
}

} // namespace
} // namespace quendel::platform::win32
