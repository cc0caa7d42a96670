#include "core/install_log.h"

#include <ctime>

namespace quendel {

TInstallLog::~TInstallLog() {
  Close();
}

bool TInstallLog::Open(const std::string& HostPath) {
  Close();
  FFile = std::fopen(HostPath.c_str(), "ab");
  if (!FFile) return false;
  FPath = HostPath;
  return true;
}

void TInstallLog::Close() {
  if (FFile) std::fclose(FFile);
  FFile = nullptr;
  FPath.clear();
}

void TInstallLog::Write(std::string_view Kind, const char* Pattern, TFormatArgs Args) {
  if (FFile) Write(Kind, FormatSafe(Pattern, Args));
}

void TInstallLog::Write(std::string_view Kind, std::string_view Text) {
  if (!FFile) return;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::string line = stamp;
  line.append(" ").append(Kind).append(" ");
  for (char c : Text)
    line.push_back(c == '\r' || c == '\n' ? ' ' : c);
  line += "\r\n";
  std::fwrite(line.data(), 1, line.size(), FFile);
  std::fflush(FFile);
}

} // namespace quendel
