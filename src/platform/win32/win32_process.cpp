#include "platform/win32/win32_process.h"

#include <windows.h>

#include <oleauto.h>

#include <string>
#include <vector>

#include "platform/call_args.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/system_libraries.h"

namespace quendel::platform::win32 {

namespace {

struct TModuleTraits {
  using THandle = HMODULE;
  static THandle Invalid() { return nullptr; }
  static void Close(THandle module) { ::FreeLibrary(module); }
};
using TModuleHandle = TScopedHandle<TModuleTraits>;

struct TProcessHandleTraits {
  using THandle = HANDLE;
  static THandle Invalid() { return nullptr; }
  static void Close(THandle handle) { ::CloseHandle(handle); }
};
using TProcessHandle = TScopedHandle<TProcessHandleTraits>;

class TWin32Process : public IProcess {
public:
  TWin32Process(TProcessHandle process, DWORD id, std::string args)
      : process_(std::move(process)), id_(id), args_(std::move(args)) {}

  std::uint32_t Id() const override { return id_; }

  TIdleResult WaitForInputIdle(std::uint32_t milliseconds) override {
    switch (::WaitForInputIdle(process_.Get(), milliseconds)) {
    case 0:
      return TIdleResult::Idle;
    case WAIT_TIMEOUT:
      return TIdleResult::TimedOut;
    default:
      // WAIT_FAILED: a process without a message queue cannot be waited on
      // this way; that is an answer, not a fault.
      return TIdleResult::NoInput;
    }
  }

  bool WaitForExit(std::uint32_t milliseconds) override {
    const DWORD result = ::WaitForSingleObject(process_.Get(), milliseconds);
    if (result == WAIT_OBJECT_0) return true;
    if (result == WAIT_TIMEOUT) return false;
    ThrowLastError("WaitForSingleObject", args_);
  }

  std::optional<std::uint32_t> ExitCode() override {
    if (!WaitForExit(0)) return std::nullopt;
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_.Get(), &code)) ThrowLastError("GetExitCodeProcess", args_);
    return code;
  }

  void Terminate(std::uint32_t exitCode) override {
    if (!::TerminateProcess(process_.Get(), exitCode)) ThrowLastError("TerminateProcess", args_);
  }

private:
  TProcessHandle process_;
  DWORD id_;
  std::string args_;
};

class TWin32Library : public ILibrary {
public:
  TWin32Library(TModuleHandle module, std::string path)
      : module_(std::move(module)), path_(std::move(path)) {}

  const std::string& Path() const override { return path_; }

  TErrorCode TryFindExport(const std::string& name) override {
    ::SetLastError(0);
    if (::GetProcAddress(module_.Get(), name.c_str()) != nullptr) return errSuccess;
    const DWORD code = ::GetLastError();
    return code == 0 ? errProcNotFound : code;
  }

  std::int32_t CallRegistrationExport(const std::string& name) override {
    const std::string args = QuoteArg(path_) + ", " + QuoteArg(name);
    using TEntry = HRESULT(STDAPICALLTYPE*)();
    // The export's type is known by convention only; the cast through
    // void* keeps GCC's function-cast warning quiet.
    const auto entry = reinterpret_cast<TEntry>(
        reinterpret_cast<void*>(::GetProcAddress(module_.Get(), name.c_str())));
    if (entry == nullptr) ThrowLastError("GetProcAddress", args);
    // A server that creates OLE objects while it registers needs OLE; the
    // call is balanced whether the registration succeeds or not.
    const HRESULT ole = lazy::OleInitialize(nullptr);
    const HRESULT result = entry();
    if (SUCCEEDED(ole)) lazy::OleUninitialize();
    return static_cast<std::int32_t>(result);
  }

private:
  TModuleHandle module_;
  std::string path_;
};

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

// An interface pointer released on every path out.
template <typename T> class TComPtr {
public:
  TComPtr() = default;
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  ~TComPtr() {
    if (p_ != nullptr) p_->Release();
  }
  T** Out() { return &p_; }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }

private:
  T* p_ = nullptr;
};

class TBstr {
public:
  TBstr() = default;
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  ~TBstr() { lazy::SysFreeString(b_); }
  BSTR* Out() { return &b_; }
  const wchar_t* Get() const { return b_ != nullptr ? b_ : L""; }

private:
  BSTR b_ = nullptr;
};

void CheckHResult(HRESULT result, const char* call, const std::string& args) {
  if (FAILED(result)) ThrowError(call, args, result);
}

void LoadTypeLibrary(const std::string& path, TComPtr<ITypeLib>& library) {
  const std::wstring wide = Wide(path);
  CheckHResult(lazy::LoadTypeLib(wide.c_str(), library.Out()), "LoadTypeLib", QuoteArg(path));
}

} // namespace

std::unique_ptr<IProcess> TWin32Processes::Start(const TProcessStart& start) {
  const std::string args = QuoteArg(start.Application) + ", " + QuoteArg(start.CommandLine) + ", " +
                           QuoteArg(start.WorkingDirectory) + ", " +
                           std::to_string(start.ShowCommand);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | (start.BusyCursor ? STARTF_FORCEONFEEDBACK : 0);
  startup.wShowWindow = static_cast<WORD>(start.ShowCommand);
  PROCESS_INFORMATION info{};
  // CreateProcessA may write into the command line: it gets its own copy.
  std::vector<char> commandLine(start.CommandLine.begin(), start.CommandLine.end());
  commandLine.push_back('\0');
  if (!::CreateProcessA(start.Application.empty() ? nullptr : start.Application.c_str(),
                        commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        start.WorkingDirectory.empty() ? nullptr : start.WorkingDirectory.c_str(),
                        &startup, &info))
    ThrowLastError("CreateProcessA", args);
  ::CloseHandle(info.hThread);
  return std::make_unique<TWin32Process>(TProcessHandle(info.hProcess), info.dwProcessId, args);
}

std::unique_ptr<ILibrary> TWin32Processes::OpenLibrary(const std::string& path) {
  const std::string args = QuoteArg(path);
  TModuleHandle module(::LoadLibraryA(path.c_str()));
  if (!module) ThrowLastError("LoadLibraryA", args);
  return std::make_unique<TWin32Library>(std::move(module), path);
}

void TWin32Processes::RegisterTypeLibrary(const std::string& path) {
  TComPtr<ITypeLib> library;
  LoadTypeLibrary(path, library);
  TBstr helpFile;
  // A library without documentation has no help directory; that is no fault.
  library->GetDocumentation(-1, nullptr, nullptr, nullptr, helpFile.Out());
  std::wstring helpDir = helpFile.Get();
  const std::size_t slash = helpDir.find_last_of(L"\\/");
  helpDir = slash == std::wstring::npos ? std::wstring() : helpDir.substr(0, slash);
  std::wstring fullPath = Wide(path);
  CheckHResult(
      lazy::RegisterTypeLib(library.Get(), fullPath.data(), helpDir.empty() ? nullptr : helpDir.data()),
      "RegisterTypeLib", QuoteArg(path));
}

void TWin32Processes::UnregisterTypeLibrary(const std::string& path) {
  TComPtr<ITypeLib> library;
  LoadTypeLibrary(path, library);
  TLIBATTR* attributes = nullptr;
  CheckHResult(library->GetLibAttr(&attributes), "ITypeLib::GetLibAttr", QuoteArg(path));
  const TLIBATTR copy = *attributes;
  library->ReleaseTLibAttr(attributes);
  CheckHResult(
      lazy::UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind),
      "UnRegisterTypeLib", QuoteArg(path));
}

} // namespace quendel::platform::win32
