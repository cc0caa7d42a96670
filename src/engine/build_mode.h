// Build mode from outside the setup program: the author tool makes the
// distributables of a product's setup program exactly as the program's own
// "-b" would, with the kit it found itself and a progress callback.
#pragma once

#include "core/event.h"
#include "engine/application.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quendel {

class TCustomInstall;

struct TBuildRequest {
  std::string ProgramFile;    // the product's setup program (goes first into "setup.1")
  std::string BuildDirectory; // where the distributables are written
  std::string KitDirectory;   // holds "QuendelLoadProgram.exe"; empty: looked up
  // The whole build's percentage and the install file being compressed.
  TEvent<void(int TotalPercent, const std::string& File)> OnProgress;
  // Called with the loaded install root before anything is built.
  TEvent<void(TCustomInstall& Root)> OnLoaded;
};

struct TBuildSummary {
  int Files = 0;             // install files compressed
  std::int64_t BytesIn = 0;  // their sizes
};

// The kit directory: Named when given (it must hold the marker file), else
// the registry value under HKLM "Software\Dorvik\Q32V52", else Beside when it
// holds the marker. Raises IEInstall with the missing-kit message.
std::string LocateKitDirectory(platform::TPlatform& Platform, const std::string& Named,
                               const std::string& Beside);

// Loads Definition (binary) with App current and every layer's context set
// up, then makes the distributables. Raises what the build raises.
TBuildSummary BuildSetupDistributables(TApplication& App, const std::vector<std::uint8_t>& Definition,
                                       const TBuildRequest& Request);

} // namespace quendel
