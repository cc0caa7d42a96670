#include "platform/native/native_process.h"

#include <utility>

#include "platform/native/names.h"
#include "platform/native/win_path.h"

namespace quendel::platform::native {

namespace {

// A simulated process: its body ran to its end at the start, or it never ends.
class TNativeProcess : public IProcess {
public:
  TNativeProcess(std::uint32_t id, std::optional<std::uint32_t> exitCode)
      : id_(id), exitCode_(exitCode) {}

  std::uint32_t Id() const override { return id_; }
  TIdleResult WaitForInputIdle(std::uint32_t) override { return TIdleResult::NoInput; }
  bool WaitForExit(std::uint32_t) override { return exitCode_.has_value(); }
  std::optional<std::uint32_t> ExitCode() override { return exitCode_; }
  void Terminate(std::uint32_t exitCode) override {
    // Windows refuses to terminate a process that has ended.
    if (exitCode_) throw EPlatformError("TerminateProcess", std::to_string(id_), errAccessDenied);
    exitCode_ = exitCode;
  }

private:
  std::uint32_t id_;
  std::optional<std::uint32_t> exitCode_;
};

class TNativeLibrary : public ILibrary {
public:
  TNativeLibrary(std::string path, std::map<std::string, TNativeExport> exports,
                 std::shared_ptr<int> loaded)
      : path_(std::move(path)), exports_(std::move(exports)), loaded_(std::move(loaded)) {
    ++*loaded_;
  }
  ~TNativeLibrary() override { --*loaded_; }

  const std::string& Path() const override { return path_; }
  TErrorCode TryFindExport(const std::string& name) override {
    return exports_.count(name) != 0 ? errSuccess : errProcNotFound; // export names match exactly
  }
  std::int32_t CallRegistrationExport(const std::string& name) override {
    const auto found = exports_.find(name);
    if (found == exports_.end())
      throw EPlatformError("GetProcAddress", QuoteArg(path_) + ", " + QuoteArg(name),
                           errProcNotFound);
    return found->second();
  }

private:
  std::string path_;
  std::map<std::string, TNativeExport> exports_;
  std::shared_ptr<int> loaded_;
};

} // namespace

TNativeProcesses::TNativeProcesses(IFileSystem& files)
    : files_(files), loaded_(std::make_shared<int>(0)) {}

TNativeProcesses::~TNativeProcesses() = default;

// The full upper-case path that names path on this machine.
std::string TNativeProcesses::FullKey(const char* call, const std::string& args,
                                      const std::string& path) {
  TWinPath current;
  TWinPath full;
  TErrorCode error = ParseWinPath(files_.GetCurrentDir(), TWinPath{}, current);
  if (error == errSuccess) error = ParseWinPath(path, current, full);
  if (error != errSuccess) throw EPlatformError(call, args, error);
  std::string key;
  for (const char c : full.Text())
    key += FoldUpper(c);
  return key;
}

// The same, after checking that the file is there.
std::string TNativeProcesses::Key(const char* call, const std::string& args,
                                  const std::string& path, TErrorCode missing) {
  std::string key = FullKey(call, args, path);
  if (!files_.FileExists(key)) throw EPlatformError(call, args, missing);
  return key;
}

void TNativeProcesses::AddProgram(const std::string& path, TNativeProgram body) {
  programs_[FullKey("AddProgram", QuoteArg(path), path)] = std::move(body);
}

void TNativeProcesses::AddLibrary(const std::string& path,
                                  std::map<std::string, TNativeExport> exports) {
  libraries_[FullKey("AddLibrary", QuoteArg(path), path)] = std::move(exports);
}

void TNativeProcesses::AddTypeLibrary(const std::string& path, TNativeTypeLibrary library) {
  typeLibraries_[FullKey("AddTypeLibrary", QuoteArg(path), path)] = std::move(library);
}

std::unique_ptr<IProcess> TNativeProcesses::Start(const TProcessStart& start) {
  const std::string args = QuoteArg(start.Application) + ", " + QuoteArg(start.CommandLine) + ", " +
                           QuoteArg(start.WorkingDirectory) + ", " +
                           std::to_string(start.ShowCommand);
  std::string program = start.Application;
  if (program.empty()) {
    // The first word of the command line, quoted or not.
    const std::string& line = start.CommandLine;
    std::size_t at = line.find_first_not_of(' ');
    if (at == std::string::npos) throw EPlatformError("CreateProcessA", args, errPathNotFound);
    if (line[at] == '"') {
      const std::size_t end = line.find('"', at + 1);
      program = line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    } else {
      program = line.substr(at, line.find(' ', at) - at);
    }
  }
  if (!start.WorkingDirectory.empty() && !files_.DirectoryExists(start.WorkingDirectory))
    throw EPlatformError("CreateProcessA", args, errDirectory);
  const std::string key = Key("CreateProcessA", args, program, errFileNotFound);
  const auto found = programs_.find(key);
  if (found == programs_.end()) throw EPlatformError("CreateProcessA", args, errBadExeFormat);
  started_.push_back({key, start});
  // The body may start programs itself; copy it so that a registration made
  // meanwhile cannot pull it away.
  const TNativeProgram body = found->second;
  return std::make_unique<TNativeProcess>(nextId_++, body(start));
}

std::unique_ptr<ILibrary> TNativeProcesses::OpenLibrary(const std::string& path) {
  const std::string args = QuoteArg(path);
  const std::string key = Key("LoadLibraryA", args, path, errModNotFound);
  const auto found = libraries_.find(key);
  if (found == libraries_.end()) throw EPlatformError("LoadLibraryA", args, errBadExeFormat);
  return std::make_unique<TNativeLibrary>(path, found->second, loaded_);
}

void TNativeProcesses::RegisterTypeLibrary(const std::string& path) {
  const std::string args = QuoteArg(path);
  const std::string key = Key("LoadTypeLib", args, path, hrTypeCantLoadLibrary);
  const auto found = typeLibraries_.find(key);
  if (found == typeLibraries_.end())
    throw EPlatformError("LoadTypeLib", args, hrTypeCantLoadLibrary);
  const std::int32_t result = found->second.Register ? found->second.Register() : 0;
  if (result < 0) throw EPlatformError("RegisterTypeLib", args, static_cast<TErrorCode>(result));
}

void TNativeProcesses::UnregisterTypeLibrary(const std::string& path) {
  const std::string args = QuoteArg(path);
  const std::string key = Key("LoadTypeLib", args, path, hrTypeCantLoadLibrary);
  const auto found = typeLibraries_.find(key);
  if (found == typeLibraries_.end())
    throw EPlatformError("LoadTypeLib", args, hrTypeCantLoadLibrary);
  const std::int32_t result = found->second.Unregister ? found->second.Unregister() : 0;
  if (result < 0) throw EPlatformError("UnRegisterTypeLib", args, static_cast<TErrorCode>(result));
}

} // namespace quendel::platform::native
