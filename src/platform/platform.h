#pragma once
// The operating-system ports as one bundle. The run's context owns one.

#include <cstddef>
#include <memory>
#include <type_traits>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/links.h"
#include "platform/net.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sysinfo.h"
#include "platform/ui_services.h"

namespace quendel::platform {

template <class I> inline constexpr const char* PortName = nullptr;
template <> inline constexpr const char* PortName<IFileSystem> = "IFileSystem";
template <> inline constexpr const char* PortName<IRegistry> = "IRegistry";
template <> inline constexpr const char* PortName<ISystemInfo> = "ISystemInfo";
template <> inline constexpr const char* PortName<IShell> = "IShell";
template <> inline constexpr const char* PortName<IProcesses> = "IProcesses";
template <> inline constexpr const char* PortName<ILinks> = "ILinks";
template <> inline constexpr const char* PortName<IUIServices> = "IUIServices";
template <> inline constexpr const char* PortName<INet> = "INet";

// One adapter of the platform, owned as by a unique_ptr. A program may be
// composed of only the adapters it uses (so that the others are not linked
// into it): using one that is absent raises EAbsentPort instead of
// dereferencing null. get() and the test for presence still answer for the
// ports that may be absent on purpose (Shell, UI, Net).
template <class I> class TPort {
public:
  TPort() = default;
  TPort(std::nullptr_t) {}
  template <class D>
    requires std::is_convertible_v<D*, I*>
  TPort(std::unique_ptr<D> Adapter) : FAdapter(std::move(Adapter)) {}
  TPort(TPort&&) noexcept = default;
  TPort& operator=(TPort&&) noexcept = default;
  template <class D>
    requires std::is_convertible_v<D*, I*>
  TPort& operator=(std::unique_ptr<D> Adapter) {
    FAdapter = std::move(Adapter);
    return *this;
  }
  TPort& operator=(std::nullptr_t) {
    FAdapter.reset();
    return *this;
  }

  I* get() const noexcept { return FAdapter.get(); }
  explicit operator bool() const noexcept { return FAdapter != nullptr; }
  friend bool operator==(const TPort& Port, std::nullptr_t) noexcept { return !Port; }
  I& operator*() const {
    if (!FAdapter) ThrowAbsentPort(PortName<I>);
    return *FAdapter;
  }
  I* operator->() const { return &**this; }
  void reset() noexcept { FAdapter.reset(); }
  // Hands the adapter on (a wrapper that forwards to it).
  operator std::unique_ptr<I>() && { return std::move(FAdapter); }

private:
  std::unique_ptr<I> FAdapter;
};

struct TPlatform {
  TPort<IFileSystem> Files;
  TPort<IRegistry> Registry;
  TPort<ISystemInfo> System;
  TPort<IShell> Shell; // may be absent: special folders then give nothing
  // Declared after Files: the native adapter uses Files and must go first.
  TPort<IProcesses> Processes;
  // Shortcuts. Declared last: the native adapter writes through Files, so
  // it must go first.
  TPort<ILinks> Links;
  // Message boxes and the message pump; absent means nobody to ask (the
  // unattended answers).
  TPort<IUIServices> UI;
  TPort<INet> Net; // may be absent: downloads then fail to open a session
};

// The Win32 adapters in the win32 build. Natively, the Windows-like machine
// with the default drive map (Z: is "/"); see native/native_platform.h for
// one with a drive map of its own.
TPlatform CreateDefaultPlatform();

} // namespace quendel::platform
