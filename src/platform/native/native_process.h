#pragma once
// Processes and libraries of the Windows-like machine. Linux cannot run
// Windows programs, so this machine only runs what a test put there: a
// program or library file is an existing file on the machine whose path was
// registered with a callable that does what the real one would (writes a
// registry value, exits with a code, never ends). Anything else that exists
// is not a program this machine can run (193, ERROR_BAD_EXE_FORMAT).
// Windows, message queues and type-library parsing are not simulated: a
// started program is never "idle" but has no input (TIdleResult::NoInput),
// and a type library does what its registered callables do.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"

namespace quendel::platform::native {

// The body of a simulated program: gets the start request, returns the exit
// code, or nothing for a program that keeps running until terminated.
using TNativeProgram = std::function<std::optional<std::uint32_t>(const TProcessStart& start)>;
// An exported registration function: returns its HRESULT.
using TNativeExport = std::function<std::int32_t()>;

struct TNativeTypeLibrary {
  TNativeExport Register;   // what RegisterTypeLib does for it; its HRESULT
  TNativeExport Unregister; // what UnRegisterTypeLib does for it
};

class TNativeProcesses : public IProcesses {
public:
  // files: the machine's file system (paths are resolved against its current
  // directory and must exist there); it must outlive this object.
  explicit TNativeProcesses(IFileSystem& files);
  ~TNativeProcesses() override;

  std::unique_ptr<IProcess> Start(const TProcessStart& start) override;
  std::unique_ptr<ILibrary> OpenLibrary(const std::string& path) override;
  void RegisterTypeLibrary(const std::string& path) override;
  void UnregisterTypeLibrary(const std::string& path) override;

  // Makes the file at path runnable (it must exist when it is started).
  void AddProgram(const std::string& path, TNativeProgram body);
  // Makes the file at path a library with these exports.
  void AddLibrary(const std::string& path, std::map<std::string, TNativeExport> exports);
  void AddTypeLibrary(const std::string& path, TNativeTypeLibrary library);

  // Every start so far, oldest first (the program file as resolved).
  struct TStarted {
    std::string Program;
    TProcessStart Start;
  };
  const std::vector<TStarted>& Started() const { return started_; }
  // Libraries loaded and not yet freed.
  int LoadedLibraries() const { return *loaded_; }

private:
  std::string FullKey(const char* call, const std::string& args, const std::string& path);
  std::string Key(const char* call, const std::string& args, const std::string& path,
                  TErrorCode missing);

  IFileSystem& files_;
  std::map<std::string, TNativeProgram> programs_;
  std::map<std::string, std::map<std::string, TNativeExport>> libraries_;
  std::map<std::string, TNativeTypeLibrary> typeLibraries_;
  std::vector<TStarted> started_;
  std::shared_ptr<int> loaded_;
  std::uint32_t nextId_ = 1000;
};

} // namespace quendel::platform::native
