#include "archive/compress.h"

#include "archive/compress_internal.h"
#include "archive/inflate_ahead.h"
#include "core/strings.h"

namespace quendel {

namespace compress_detail {

bool IsUnsafeFileName(const std::string& Name) {
  if (Name.empty()) return true;
  bool onlyDots = true;
  for (char c : Name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || std::string_view("<>\"|?*\\/:").find(c) != std::string_view::npos) return true;
    if (c != '.' && c != ' ') onlyDots = false;
  }
  if (onlyDots) return true;
  std::string stem = UpperCase(Name.substr(0, Name.find('.')));
  while (!stem.empty() && stem.back() == ' ')
    stem.pop_back();
  for (const char* dev : {"CON", "PRN", "AUX", "NUL", "CLOCK$"})
    if (stem == dev) return true;
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
      stem[3] >= '1' && stem[3] <= '9')
    return true;
  return false;
}

std::string VolumeExt(int K) {
  std::string ext(1, '.');
  ext += IntToStr(K);
  return ext;
}

std::size_t ReadFull(TStream& S, void* Buffer, std::size_t Count) {
  auto* p = static_cast<std::uint8_t*>(Buffer);
  std::size_t done = 0;
  while (done < Count) {
    const std::size_t n = S.Read(p + done, Count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

} // namespace compress_detail

using namespace compress_detail;

constexpr const char* kCompressionLevelNames[] = {"colNone", "colFastest", "colDefault", "colMax"};
constinit const TEnumInfo CompressionLevelNames("TCompressionLevel", kCompressionLevelNames);

const TEnumInfo& CompressionLevelInfo() {
  return CompressionLevelNames;
}

int ZlibLevel(TCompressionLevel Level) {
  switch (Level) {
  case colNone:
    return 0;
  case colFastest:
    return 1;
  case colDefault:
    return -1;
  case colMax:
    return 9;
  }
  return 9;
}

TQndlCompress::TQndlCompress(TComponent* AOwner, platform::IFileSystem* Files)
    : TComponent(AOwner), FFiles(Files) {
  ResetIdTable();
}

TQndlCompress::~TQndlCompress() = default;

const TClassInfo& TQndlCompress::StaticClass() {
  using T = TQndlCompress;
  return ClassTable([] {
    return TClassBuilder<T>("TQndlCompress", &TComponent::StaticClass)
        .Bool<&T::Abort, &T::SetAbort>("Abort", false)
        .Str<&T::CompressedFile, &T::SetCompressedFile>("CompressedFile")
        .Enum<&T::CompressionLevel, &T::SetCompressionLevel>("CompressionLevel",
                                                             CompressionLevelNames, colMax)
        .Str<&T::ExtractDirectory, &T::SetExtractDirectory>("ExtractDirectory")
        .Strings<static_cast<const TStrings& (T::*)() const>(&T::FilesToProcess)>("FilesToProcess")
        .Int<&T::Offset, &T::SetOffset>("Offset", 0)
        .Enum<&T::Overwrite, &T::SetOverwrite>("Overwrite", OverwriteTypeNames, owAlways)
        .Event<&T::OnAborted>("OnAborted")
        .Event<&T::OnBeforeAdding>("OnBeforeAdding")
        .Event<&T::OnAfterAdding>("OnAfterAdding")
        .Event<&T::OnBeforeExtracting>("OnBeforeExtracting")
        .Event<&T::OnAfterExtracting>("OnAfterExtracting")
        .Event<&T::OnReplace>("OnReplace")
        .Event<&T::OnListing>("OnListing")
        .Event<&T::OnStatus>("OnStatus")
        .Event<&T::OnFullDisk>("OnFullDisk")
        .Event<&T::OnNewDisk>("OnNewDisk");
  });
}

platform::IFileSystem& TQndlCompress::Files() const {
  if (!FFiles) Raise<EQndlCompress>("The compressor has no file system to work on");
  return *FFiles;
}

void TQndlCompress::SetCompressedFile(const std::string& Value) {
  if (SameText(Value, FCompressedFile)) return;
  CloseArchive();
  if (FLoaded && !SameText(ChangeFileExt(Value, ".1"), ChangeFileExt(FCompressedFile, ".1")))
    FLoaded = false;
  FCompressedFile = Value;
}

void TQndlCompress::SetFilesToProcess(const TStrings& Value) {
  FFilesToProcess.Clear();
  for (const std::string& s : Value)
    if (!Trim(s).empty()) FFilesToProcess.Add(s);
}

// ---- Shared steps --------------------------------------------------------------

void TQndlCompress::ResetIdTable() {
  FIds.fill(-1);
}

void TQndlCompress::Pump() {
  if (ProcessMessages) ProcessMessages();
}

void TQndlCompress::CheckAbort() {
  if (FAbort) Raise<EqcAborted>(MsgAborted);
}

void TQndlCompress::FireStatus() const {
  if (OnStatus) OnStatus(const_cast<TQndlCompress&>(*this), FStats);
}

void TQndlCompress::DiskFull() {
  if (OnFullDisk)
    OnFullDisk(this);
  else
    Raise<EqcDiskFull>(MsgDiskFull);
}

int TQndlCompress::AheadPlans() const {
  return FAheadPlans + (FAhead ? FAhead->Plans() : 0);
}

void TQndlCompress::CloseArchive() noexcept {
  if (FAhead) FAheadPlans += FAhead->Plans();
  FAhead.reset();
  FKeptArchive.reset();
  FKeptPath.clear();
  FKeptVolume = 0;
}

void TQndlCompress::LoadDirectory() {
  CloseArchive();
  auto& fs = Files();
  std::unique_ptr<platform::IFile> file;
  std::exception_ptr cause;
  try {
    if (fs.FileExists(FCompressedFile)) file = fs.OpenRead(FCompressedFile);
  } catch (const std::exception&) {
    cause = std::current_exception();
  }
  if (!file) {
    EQndlCompress error(MsgOpenArchive, {FCompressedFile});
    error.SetCause(cause);
    throw error;
  }
  ResetIdTable();
  FLoaded = false;
  TPlatformFileStream stream(std::move(file));
  try {
    FHeaders.ReadFrom(stream, FOffset);
  } catch (const std::exception&) {
    FHeaders.Clear();
    ThrowWithCause(EQndlCompress(MsgReadHeaders));
  }
  for (int i = 0; i < FHeaders.Count(); ++i) {
    const std::int32_t id = FHeaders.Item(i).Record.UniqueID();
    if (id >= 0 && id < MaxUniqueIDs) FIds[static_cast<std::size_t>(id)] = i;
  }
  FLoaded = true;
}

void TQndlCompress::EnsureDirectory() {
  if (!FLoaded) LoadDirectory();
}

std::unique_ptr<TPlatformFileStream> TQndlCompress::OpenVolume(int K, std::string& Path,
                                                               bool Write) {
  // Nothing of this set stays open while the user is asked for a disk.
  CloseArchive();
  auto& fs = Files();
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (FHeaders.Spanned) Path = ChangeFileExt(Path, VolumeExt(K));
    bool exists = fs.FileExists(Path);
    if (!exists) {
      if (!OnNewDisk) Raise<EQndlCompress>(MsgWrongDisk, {K});
      std::string dir = RemoveBackslash(ExtractFilePath(Path));
      OnNewDisk(*this, K, dir);
      // Cancelled at the prompt: stop here rather than ask again.
      CheckAbort();
      Path = AddBackslash(dir) + ExtractFileName(Path);
      exists = fs.FileExists(Path);
    }
    if (exists) {
      try {
        // Read, the archive is shared for everything: an extraction keeps it
        // open between members, which must not keep anyone (this process
        // included) from writing, replacing or removing it meanwhile.
        return std::make_unique<TPlatformFileStream>(
            Write ? fs.OpenReadWrite(Path)
                  : fs.Open(Path, platform::TFileAccess::Read, platform::shareAll,
                            platform::TCreation::OpenExisting));
      } catch (const std::exception&) {
        ThrowWithCause(EQndlCompress(MsgOpenArchive, {Path}));
      }
    }
  }
  Raise<EQndlCompress>(MsgOpenArchive, {Path});
}

void TQndlCompress::Guarded(TFunctionRef<void()> Body, TFunctionRef<void()> Cleanup,
                            bool PassSilentAbort) {
  try {
    Body();
  } catch (const EqcAborted&) {
    Cleanup();
    if (OnAborted) OnAborted(this);
  } catch (const EAbort&) {
    Cleanup();
    if (PassSilentAbort) {
      FAbort = true;
      throw;
    }
  } catch (...) {
    Cleanup();
    FAbort = true;
    throw;
  }
}

// ---- Directory queries ------------------------------------------------------------

int TQndlCompress::Count() {
  if (FOperation != TCompressOperation::Adding) EnsureDirectory();
  return FHeaders.Count();
}

void TQndlCompress::GetFileStats(int Index, TlzhFileStats& Stats) {
  if (FOperation != TCompressOperation::Adding) EnsureDirectory();
  if (Index < 0 || Index >= FHeaders.Count()) Raise<EQndlCompress>(MsgNoSuchIndex, {Index});
  FHeaders.Totals(FStats);
  SetMemberStats(FStats, FHeaders.Item(Index).Record);
  Stats = FStats;
}

int TQndlCompress::IndexOfUniqueID(std::int32_t UniqueID) {
  EnsureDirectory();
  if (UniqueID < 0 || UniqueID >= MaxUniqueIDs) return -1;
  return FIds[static_cast<std::size_t>(UniqueID)];
}

void TQndlCompress::List() {
  EnsureDirectory();
  FHeaders.Totals(FStats);
  for (int i = 0; i < FHeaders.Count(); ++i) {
    SetMemberStats(FStats, FHeaders.Item(i).Record);
    if (OnListing) OnListing(*this, FStats);
  }
}

} // namespace quendel
