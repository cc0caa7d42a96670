#include "platform/process.h"

namespace quendel::platform {

std::optional<std::uint32_t> IProcesses::RunAndWait(const TProcessStart& start,
                                                    std::uint32_t milliseconds) {
  const std::unique_ptr<IProcess> process = Start(start);
  if (!process->WaitForExit(milliseconds)) return std::nullopt;
  return process->ExitCode();
}

std::string CommandLineOf(const std::string& program, const std::string& arguments) {
  std::string line;
  line.append("\"").append(program).append("\"");
  if (!arguments.empty()) line.append(" ").append(arguments);
  return line;
}

} // namespace quendel::platform
