#pragma once
// Programs and libraries: starting a process and waiting for it, calling a
// library's registration entry points, registering type libraries.
//
// Error rule as for the other ports: a failing call throws EPlatformError
// naming the Windows call (CreateProcessA, LoadLibraryA, GetProcAddress,
// LoadTypeLib, RegisterTypeLib, ...) and its error code. The OLE calls report
// their HRESULT as the code.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/error.h"

namespace quendel::platform {

// SW_* show states handed to a new process.
using TShowCommand = std::uint32_t;
inline constexpr TShowCommand showHide = 0;
inline constexpr TShowCommand showNormal = 1;
inline constexpr TShowCommand showMinimized = 2;
inline constexpr TShowCommand showMaximized = 3;

inline constexpr std::uint32_t waitInfinite = 0xFFFFFFFF; // INFINITE

// What CreateProcessA gets.
struct TProcessStart {
  // The program file (lpApplicationName); empty: the first word of CommandLine.
  std::string Application;
  // The whole command line the program sees, passed unchanged; a program
  // that parses it in the usual way expects its own name as the first word.
  std::string CommandLine;
  // Empty: the new process inherits the caller's current directory.
  std::string WorkingDirectory;
  TShowCommand ShowCommand = showNormal;
  // STARTF_FORCEONFEEDBACK: the busy cursor while the program starts.
  bool BusyCursor = false;
};

enum class TIdleResult {
  Idle,     // the process waits for input
  TimedOut, // it did not become idle in time
  NoInput,  // it has no message queue to wait on (a console program, a batch file)
};

// A started process. Destroying it closes the handles; the process runs on.
class IProcess {
public:
  IProcess() = default;
  IProcess(const IProcess&) = delete;
  IProcess& operator=(const IProcess&) = delete;
  virtual ~IProcess() = default;

  virtual std::uint32_t Id() const = 0;
  // WaitForInputIdle.
  virtual TIdleResult WaitForInputIdle(std::uint32_t milliseconds) = 0;
  // WaitForSingleObject: true when the process has ended within the time.
  virtual bool WaitForExit(std::uint32_t milliseconds) = 0;
  // GetExitCodeProcess; nothing while the process still runs (so that an
  // exit code of 259 is not mistaken for "still active").
  virtual std::optional<std::uint32_t> ExitCode() = 0;
  // TerminateProcess.
  virtual void Terminate(std::uint32_t exitCode) = 0;
};

// A loaded library. Destroying it frees the module.
class ILibrary {
public:
  ILibrary() = default;
  ILibrary(const ILibrary&) = delete;
  ILibrary& operator=(const ILibrary&) = delete;
  virtual ~ILibrary() = default;

  virtual const std::string& Path() const = 0;
  // GetProcAddress: 0 when the library exports the name, else the error code
  // (127, ERROR_PROC_NOT_FOUND).
  virtual TErrorCode TryFindExport(const std::string& name) = 0;
  // Calls an exported function of the registration kind (no arguments, an
  // HRESULT back: "DllRegisterServer", "DllUnregisterServer") with OLE
  // initialised for the call, and returns its result. A missing export
  // throws (GetProcAddress).
  virtual std::int32_t CallRegistrationExport(const std::string& name) = 0;
};

class IProcesses {
public:
  IProcesses() = default;
  IProcesses(const IProcesses&) = delete;
  IProcesses& operator=(const IProcesses&) = delete;
  virtual ~IProcesses() = default;

  // CreateProcessA: no handle inheritance, normal priority, the caller's environment.
  virtual std::unique_ptr<IProcess> Start(const TProcessStart& start) = 0;
  // LoadLibraryA.
  virtual std::unique_ptr<ILibrary> OpenLibrary(const std::string& path) = 0;
  // LoadTypeLib, then RegisterTypeLib with the directory of the library's
  // help file as its help directory.
  virtual void RegisterTypeLibrary(const std::string& path) = 0;
  // LoadTypeLib, then UnRegisterTypeLib with the library's identity.
  virtual void UnregisterTypeLibrary(const std::string& path) = 0;

  // Starts the program and waits up to milliseconds for it to end. Returns
  // its exit code, or nothing when it is still running then (it is left
  // running: the caller decides whether that is a failure).
  std::optional<std::uint32_t> RunAndWait(const TProcessStart& start, std::uint32_t milliseconds);
};

// The command line a program expects for its own file and a switch:
// "<quoted path> <arguments>" (the path quoted so that one with spaces stays
// one word and the program's runtime finds the switch after it).
std::string CommandLineOf(const std::string& program, const std::string& arguments);

} // namespace quendel::platform
