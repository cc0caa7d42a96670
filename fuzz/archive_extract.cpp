// Extracting every member of an untrusted archive into a directory: errors
// are the system's own, and nothing is ever written outside that directory.
#include "archive/compress.h"

#include "platform/native/native_files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TPlace {
  fs::path Host;
  std::unique_ptr<quendel::platform::IFileSystem> Files;
  TPlace() {
    Host = fs::temp_directory_path() / ("quendel-fuzz-extract-" + std::to_string(getpid()));
    fs::remove_all(Host);
    fs::create_directories(Host);
    Files = std::make_unique<quendel::platform::native::TNativeFileSystem>(
        quendel::platform::native::TDriveMap().Map('C', Host.string()));
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace quendel;
  static TPlace place;
  fs::remove_all(place.Host / "out");
  {
    std::ofstream f(place.Host / "in.qar", std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
  }
  TQndlCompress c(nullptr, place.Files.get());
  c.SetCompressedFile("C:\\in.qar");
  c.SetExtractDirectory("C:\\out");
  try {
    TStrings names;
    const int n = c.Count();
    for (int i = 0; i < n; ++i)
      names.Add(c.Directory().Item(i).Record.FileName());
    c.SetFilesToProcess(names);
    c.Extract();
  } catch (const EQndlCompress&) {
  } catch (const EZlibError&) {
  } catch (const platform::EPlatformError&) {
    // The machine's own refusals (a name Windows would not take).
  }
  for (const auto& e : fs::directory_iterator(place.Host)) {
    const std::string name = e.path().filename().string();
    if (name != "in.qar" && name != "out") {
      std::fprintf(stderr, "written outside the extract directory: %s\n", name.c_str());
      std::abort();
    }
  }
  if (fs::exists(place.Host / "out"))
    for (const auto& e : fs::recursive_directory_iterator(place.Host / "out"))
      if (e.is_directory()) {
        std::fprintf(stderr, "a directory appeared: %s\n", e.path().c_str());
        std::abort();
      }
  return 0;
}
