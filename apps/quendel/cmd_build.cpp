// quendel build: a product's distributables from its install definition, in
// one step on the author's machine.
//
//   quendel build product.txt -o build [--title "Product Install"]
//                 [--program ProductSetup.exe] [--source DIR] [--sign CERT KEY]
//
// Makes the product's setup program (as make-setup does) in the build
// directory, then the distributables exactly as that program's "-b" would:
// "setup.exe" (the kit's loading program with "setup.1", "files.1" and the
// block appended), the archives, and "filelist.lst" for a net distribution.
// Relative source paths of the definition are read from --source, by default
// the definition's directory. The setup program gets the newest date of its
// inputs (or SOURCE_DATE_EPOCH), so the same inputs build the same bytes.
#include "author_runtime.h"
#include "commands.h"
#include "make_setup.h"
#include "substituted_files.h"

#include "core/strings.h"
#include "definition/binary_codec.h"
#include "definition/text_codec.h"
#include "engine/build_mode.h"
#include "engine/install.h"
#include "engine/setup_runtime.h"
#include "engine/uninstall_exe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <stdexcept>

#ifdef _WIN32
#include <io.h>
#define QUENDEL_ISATTY _isatty
#define QUENDEL_FILENO _fileno
#else
#include <sys/wait.h>
#include <unistd.h>
#define QUENDEL_ISATTY isatty
#define QUENDEL_FILENO fileno
#endif

namespace quendel::cli {

namespace {

namespace fs = std::filesystem;

struct TBuildOptions {
  std::string Definition;
  std::string Output = "build";
  std::string Title;
  bool HasTitle = false;
  std::string Program = "ProductSetup.exe";
  std::string Source;
  std::vector<std::string> Sign; // CERT KEY
};

std::vector<std::uint8_t> ReadBytes(const fs::path& Name) {
  std::ifstream in(Name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + Name.string());
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
}

// The date the made setup program carries (the archive stores it): the
// newest of its inputs, or SOURCE_DATE_EPOCH, never the time of the build.
fs::file_time_type ReproducibleDate(const std::vector<fs::path>& Inputs) {
  if (const char* Epoch = std::getenv("SOURCE_DATE_EPOCH"); Epoch && *Epoch) {
    const auto Seconds = std::chrono::seconds(std::strtoll(Epoch, nullptr, 10));
    const auto System = std::chrono::system_clock::time_point(Seconds);
    return fs::file_time_type::clock::now() +
           std::chrono::duration_cast<fs::file_time_type::duration>(System -
                                                                     std::chrono::system_clock::now());
  }
  fs::file_time_type Newest = fs::file_time_type::min();
  for (const fs::path& P : Inputs) Newest = std::max(Newest, fs::last_write_time(P));
  // Whole seconds: the archive and the file systems keep no more.
  return std::chrono::time_point_cast<std::chrono::seconds>(Newest);
}

// Signs File in place with osslsigncode (a PE signature; the program's
// bytes before it are unchanged).
void SignFile(const fs::path& File, const std::string& Cert, const std::string& Key) {
  const fs::path Signed = fs::path(File.string() + ".signed");
  std::error_code ec;
  fs::remove(Signed, ec);
#ifdef _WIN32
  (void)Cert;
  (void)Key;
  throw std::runtime_error("--sign needs osslsigncode, which this tool runs only on Linux");
#else
  const pid_t Child = fork();
  if (Child < 0) throw std::runtime_error("cannot start osslsigncode");
  if (Child == 0) {
    const std::string In = File.string(), Out = Signed.string();
    execlp("osslsigncode", "osslsigncode", "sign", "-certs", Cert.c_str(), "-key", Key.c_str(),
           "-h", "sha256", "-in", In.c_str(), "-out", Out.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int Status = 0;
  if (waitpid(Child, &Status, 0) < 0 || !WIFEXITED(Status) || WEXITSTATUS(Status) != 0) {
    fs::remove(Signed, ec);
    throw std::runtime_error("osslsigncode could not sign " + File.string() +
                             (WIFEXITED(Status) && WEXITSTATUS(Status) == 127
                                  ? " (osslsigncode is not installed)"
                                  : ""));
  }
  fs::rename(Signed, File);
#endif
}

// The uninstallers a signed build packs: each is copied into a scratch
// directory, signed there, given its original's date, and read by the build
// under the original's name. The author's own files stay unsigned.
class TSignedUninstallers {
public:
  TSignedUninstallers(TSubstitutedFiles& Files, std::string Cert, std::string Key)
      : FFiles(Files), FCert(std::move(Cert)), FKey(std::move(Key)) {}
  ~TSignedUninstallers() {
    std::error_code ec;
    if (!FScratch.empty()) fs::remove_all(FScratch, ec);
  }

  void SignAll(TCustomInstall& Root) {
    int N = 0;
    for (TCustomInstallFile* F : Root.Context().AllInstallFiles.Items()) {
      if (!F->ClassType().InheritsFrom(TUninstallEXE::StaticClass())) continue;
      const std::string Original = FFiles.FullPath(F->SourcePath());
      // A missing one fails the build with its usual message.
      if (!FFiles.FileExists(Original)) continue;
      // One directory per uninstaller: two may have the same name.
      const fs::path Dir = Scratch() / std::to_string(++N);
      fs::create_directories(Dir);
      const fs::path Copy = Dir / ExtractFileName(Original);
      const std::string CopyOnPlatform = CurrentAuthorRuntime().ToPlatform(Copy.string());
      FFiles.Copy(Original, CopyOnPlatform, false);
      SignFile(Copy, FCert, FKey);
      FFiles.SetStamp(CopyOnPlatform, FFiles.GetStamp(Original));
      FFiles.Substitute(Original, CopyOnPlatform);
    }
  }

private:
  const fs::path& Scratch() {
    if (FScratch.empty()) {
      std::string Name = (fs::temp_directory_path() / "quendel-sign-XXXXXX").string();
#ifdef _WIN32
      throw std::runtime_error("--sign needs osslsigncode, which this tool runs only on Linux");
#else
      if (!mkdtemp(Name.data())) throw std::runtime_error("cannot make a scratch directory in " +
                                                          fs::temp_directory_path().string());
#endif
      FScratch = Name;
    }
    return FScratch;
  }

  TSubstitutedFiles& FFiles;
  std::string FCert, FKey;
  fs::path FScratch;
};

// A one-line progress bar on a terminal; nothing when stderr is redirected.
class TProgressBar {
public:
  TProgressBar() : FOn(QUENDEL_ISATTY(QUENDEL_FILENO(stderr)) != 0) {}
  void Show(int Percent, const std::string& File) {
    if (!FOn || (Percent == FLast && File == FLastFile)) return;
    FLast = Percent;
    FLastFile = File;
    const int Width = 30, Filled = Width * std::clamp(Percent, 0, 100) / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%% %-32.32s", std::string(Filled, '#').c_str(),
                 std::string(Width - Filled, ' ').c_str(), Percent, File.c_str());
    std::fflush(stderr);
    FShown = true;
  }
  void Clear() {
    if (FShown) std::fprintf(stderr, "\r%78s\r", "");
    FShown = false;
  }

private:
  bool FOn;
  bool FShown = false;
  int FLast = -1;
  std::string FLastFile;
};

void Build(const TBuildOptions& O) {
  const auto Started = std::chrono::steady_clock::now();
  TAuthorRuntime& Author = CurrentAuthorRuntime();
  const fs::path Out = fs::absolute(O.Output);
  fs::create_directories(Out);
  if (O.Program.empty() || O.Program.find_first_of("/\\:") != std::string::npos)
    throw std::runtime_error("--program takes a plain file name: " + O.Program);
  const fs::path Program = Out / O.Program;

  MakeSetupProgram(O.Definition, Program.string(), O.HasTitle ? &O.Title : nullptr);
  if (O.Sign.size() == 2) SignFile(Program, O.Sign[0], O.Sign[1]);
  fs::last_write_time(Program, ReproducibleDate({O.Definition, SetupRuntimePath()}));

  // The definition as the setup program carries it (make-setup checked it).
  std::vector<std::uint8_t> Definition = ReadBytes(O.Definition);
  if (!IsBinaryStream(Definition)) Definition = WriteObjectBinary(ReadObjectStream(Definition));
  // A definition named without a directory lies in the current one.
  fs::path SourceDir = O.Source.empty() ? fs::path(O.Definition).parent_path() : fs::path(O.Source);
  if (SourceDir.empty()) SourceDir = ".";
  const fs::path Source = fs::absolute(SourceDir);

  TBuildRequest Request;
  Request.ProgramFile = Author.ToPlatform(Program.string());
  Request.BuildDirectory = Author.ToPlatform(Out.string());
  const char* Kit = std::getenv("QUENDEL_KIT");
  TProgressBar Bar;
  Request.OnProgress = [&Bar](int Percent, const std::string& File) { Bar.Show(Percent, File); };

  TBuildSummary Summary;
  {
    platform::TPlatform Platform = platform::CreateDefaultPlatform();
    std::unique_ptr<TSignedUninstallers> Uninstallers;
    if (O.Sign.size() == 2) {
      auto Substituted = std::make_unique<TSubstitutedFiles>(std::move(Platform.Files));
      Uninstallers = std::make_unique<TSignedUninstallers>(*Substituted, O.Sign[0], O.Sign[1]);
      Platform.Files = std::move(Substituted);
      Request.OnLoaded = [&Uninstallers](TCustomInstall& Root) { Uninstallers->SignAll(Root); };
    }
    TSetupRuntime Runtime(std::move(Platform), Request.ProgramFile, {"*q"});
    platform::IFileSystem& Files = *Runtime.Platform().Files;
    Files.SetCurrentDir(Author.ToPlatform(Source.string()));
    Request.KitDirectory =
        LocateKitDirectory(Runtime.Platform(), Kit && *Kit ? Author.ToPlatform(Kit) : std::string(),
                           Author.ToPlatform(AuthorToolDirectory().string()));
    try {
      Summary = BuildSetupDistributables(Runtime.App(), Definition, Request);
    } catch (...) {
      Bar.Clear();
      throw;
    }
  }
  Bar.Clear();
  const fs::path SetupExe = Out / "setup.exe";
  if (O.Sign.size() == 2) SignFile(SetupExe, O.Sign[0], O.Sign[1]);

  const double Seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
  std::printf("quendel build: %d files, %lld bytes in, %lld bytes out, %.2f s: %s\n", Summary.Files,
              static_cast<long long>(Summary.BytesIn),
              static_cast<long long>(fs::file_size(SetupExe)), Seconds, SetupExe.string().c_str());
}

} // namespace

void AddBuildCommands(CLI::App& App) {
  auto o = std::make_shared<TBuildOptions>();
  auto* b = App.add_subcommand("build", "Make a product's distributables (setup.exe and its "
                                        "archives) from its install definition");
  b->add_option("DEFINITION", o->Definition, "Install definition, text or binary")
      ->required()
      ->check(CLI::ExistingFile);
  b->add_option("-o,--output", o->Output, "The build directory (default: build)");
  b->add_option("--title", o->Title, "The application title (task bar)");
  b->add_option("--program", o->Program,
                "File name of the product's setup program (default: ProductSetup.exe)");
  b->add_option("--source", o->Source,
                "Directory that relative source paths are read from (default: the definition's)");
  b->add_option("--sign", o->Sign,
                "Sign the setup program, the uninstallers it packs and setup.exe: CERT KEY "
                "(PEM files)")
      ->expected(2);
  b->callback([o, b] {
    o->HasTitle = b->count("--title") > 0;
    Build(*o);
  });
}

} // namespace quendel::cli
