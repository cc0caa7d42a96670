#include "archive/compress.h"

#include "archive/file_stream.h"
#include "core/strings.h"
#include "system/version_resource.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace quendel {

namespace {

const char* const MsgOpenArchive = "Cannot open the compressed file %s";
const char* const MsgWrongDisk = "Could not open the correct disk file %d";
const char* const MsgReadHeaders =
    "Could not read the file headers for the compressed file. The Archive file could possible be "
    "corrupt";
const char* const MsgWriteHeaders = "Could not write the file headers for the compressed file";
const char* const MsgCreate = "Cannot create the file %s";
const char* const MsgOpenFile = "Cannot open the file %s";
const char* const MsgNotFound = "The file <%s> was not found in the archive <%s>";
const char* const MsgCompare = "Error comparing file versions in TQndlCompress";
const char* const MsgSizeMismatch =
    "The decompressed file's size does not match with the actual size of the file.  The file is %s";
const char* const MsgSetDate = "Cannot set the date of the file just extracted.";
const char* const MsgNoNewDisk =
    "There was no event handler for the OnNewDisk event, therefore no new disk could be inserted";
const char* const MsgTooLittleSpace = "There is too little space on this disk to operate";
const char* const MsgNoSuchIndex = "Tried to access the %dth file. This file is not defined";
const char* const MsgAborted = "Operation aborted by user";
const char* const MsgDiskFull = "The disk is full";
const char* const MsgTooLarge =
    "The file %s is 2 GiB or larger; an archive holds only files smaller than 2 GiB";
const char* const MsgArchiveTooLarge = "The archive %s would grow to 2 GiB or more";
const char* const MsgAppendToSet = "Cannot add files to %s: it is the first volume of a volume set";
const char* const MsgSplitSet = "Cannot split %s: it is a volume set already";
const char* const MsgTooManyVolumes = "A volume set cannot have more than 255 volumes";

constexpr std::size_t DeflateBuffer = 65536;
constexpr std::size_t InflateInput = 65536;
constexpr std::size_t InflateOutput = 4096;
constexpr std::size_t ChunkSize = 8192;

// Names a member may not be written under: those that leave the directory
// or name a device instead of a file.
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

struct TDeflater {
  z_stream Z{};
  explicit TDeflater(int Level) {
    if (deflateInit2(&Z, Level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw EZlibError(Z.msg ? Z.msg : "deflateInit2");
  }
  ~TDeflater() { deflateEnd(&Z); }
};

struct TInflater {
  z_stream Z{};
  TInflater() {
    if (inflateInit(&Z) != Z_OK) throw EZlibError(Z.msg ? Z.msg : "inflateInit");
  }
  ~TInflater() { inflateEnd(&Z); }
};

// ".k", the extension of volume k.
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

} // namespace

// The files an operation has open; closed (and an unfinished target removed)
// on every way out.
struct TQndlCompress::TOpenFiles {
  std::unique_ptr<TPlatformFileStream> Archive; // the archive or current volume
  std::unique_ptr<TPlatformFileStream> Source;
  std::unique_ptr<TPlatformFileStream> Target;
  std::string TargetPath; // set while the target is incomplete
  platform::IFileSystem* Files = nullptr;

  void CloseAll() noexcept {
    Source.reset();
    Archive.reset();
    Target.reset();
    if (!TargetPath.empty() && Files) Files->TryRemoveFile(TargetPath);
    TargetPath.clear();
  }
  ~TOpenFiles() { CloseAll(); }
};

const TEnumInfo& CompressionLevelInfo() {
  static const TEnumInfo Info("TCompressionLevel",
                              {"colNone", "colFastest", "colDefault", "colMax"});
  return Info;
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
  static const TClassInfo Info =
      TClassBuilder<T>("TQndlCompress", TComponent::StaticClass())
          .Bool("Abort", &T::Abort, &T::SetAbort, false)
          .Str("CompressedFile", &T::CompressedFile, &T::SetCompressedFile)
          .Enum("CompressionLevel", &T::CompressionLevel, &T::SetCompressionLevel,
                CompressionLevelInfo(), colMax)
          .Str("ExtractDirectory", &T::ExtractDirectory, &T::SetExtractDirectory)
          .Strings("FilesToProcess",
                   static_cast<const TStrings& (T::*)() const>(&T::FilesToProcess))
          .Int("Offset", &T::Offset, &T::SetOffset, 0)
          .Enum("Overwrite", &T::Overwrite, &T::SetOverwrite, OverwriteTypeInfo(), owAlways)
          .Event("OnAborted", &T::OnAborted)
          .Event("OnBeforeAdding", &T::OnBeforeAdding)
          .Event("OnAfterAdding", &T::OnAfterAdding)
          .Event("OnBeforeExtracting", &T::OnBeforeExtracting)
          .Event("OnAfterExtracting", &T::OnAfterExtracting)
          .Event("OnReplace", &T::OnReplace)
          .Event("OnListing", &T::OnListing)
          .Event("OnStatus", &T::OnStatus)
          .Event("OnFullDisk", &T::OnFullDisk)
          .Event("OnNewDisk", &T::OnNewDisk)
          .Build();
  return Info;
}

platform::IFileSystem& TQndlCompress::Files() const {
  if (!FFiles) throw EQndlCompress("The compressor has no file system to work on");
  return *FFiles;
}

void TQndlCompress::SetCompressedFile(const std::string& Value) {
  if (SameText(Value, FCompressedFile)) return;
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
  if (FAbort) throw EqcAborted(MsgAborted);
}

void TQndlCompress::FireStatus() const {
  if (OnStatus) OnStatus(const_cast<TQndlCompress&>(*this), FStats);
}

void TQndlCompress::DiskFull() {
  if (OnFullDisk)
    OnFullDisk(this);
  else
    throw EqcDiskFull(MsgDiskFull);
}

void TQndlCompress::LoadDirectory() {
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
  auto& fs = Files();
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (FHeaders.Spanned) Path = ChangeFileExt(Path, VolumeExt(K));
    bool exists = fs.FileExists(Path);
    if (!exists) {
      if (!OnNewDisk) throw EQndlCompress(MsgWrongDisk, {K});
      std::string dir = RemoveBackslash(ExtractFilePath(Path));
      OnNewDisk(*this, K, dir);
      Path = AddBackslash(dir) + ExtractFileName(Path);
      exists = fs.FileExists(Path);
    }
    if (exists) {
      try {
        return std::make_unique<TPlatformFileStream>(Write ? fs.OpenReadWrite(Path)
                                                           : fs.OpenRead(Path));
      } catch (const std::exception&) {
        ThrowWithCause(EQndlCompress(MsgOpenArchive, {Path}));
      }
    }
  }
  throw EQndlCompress(MsgOpenArchive, {Path});
}

void TQndlCompress::Guarded(const std::function<void()>& Body, const std::function<void()>& Cleanup,
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
  if (Index < 0 || Index >= FHeaders.Count()) throw EQndlCompress(MsgNoSuchIndex, {Index});
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

// ---- Add ------------------------------------------------------------------------------

void TQndlCompress::Add(TlzhCommand Command, std::int32_t UniqueID) {
  TOpenFiles open;
  open.Files = FFiles;
  // Where the archive stood before: restored when the Add does not finish,
  // so that a failed or cancelled Add never leaves a half-written member.
  std::int64_t keepLength = 0;
  std::int32_t keepCount = 0;
  bool written = false;

  auto cleanup = [&]() noexcept {
    if (written && open.Archive) {
      try {
        open.Archive->SetSize(keepLength);
        if (keepLength >= ArchivePrologueSize) {
          std::uint8_t count[4];
          for (int i = 0; i < 4; ++i)
            count[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(keepCount) >> (8 * i));
          open.Archive->SetPosition(0);
          open.Archive->Write(count, 4);
        }
      } catch (...) {
      }
    }
    open.CloseAll();
    FLoaded = false;
    FFilesToProcess.Clear();
  };

  Guarded(
      [&] {
        FAbort = false;
        FOperation = TCompressOperation::Adding;
        FHeaders.Spanned = false;
        FOffset = 0;
        auto& fs = Files();

        const std::string dir = ExtractFileDir(FCompressedFile);
        const bool append = Command == lzcOnlyAdd && fs.FileExists(FCompressedFile);
        try {
          if (!dir.empty()) fs.ForceDirectories(dir);
          open.Archive = std::make_unique<TPlatformFileStream>(
              append ? fs.OpenReadWrite(FCompressedFile) : fs.Create(FCompressedFile));
        } catch (const std::exception&) {
          ThrowWithCause(EQndlCompress(MsgCreate, {FCompressedFile}));
        }

        ResetIdTable();
        if (append) {
          try {
            FHeaders.ReadFrom(*open.Archive, 0);
          } catch (const std::exception&) {
            FHeaders.Clear();
            ThrowWithCause(EQndlCompress(MsgReadHeaders));
          }
          if (FHeaders.Spanned) {
            FHeaders.Clear();
            throw EQndlCompress(MsgAppendToSet, {FCompressedFile});
          }
          for (int i = 0; i < FHeaders.Count(); ++i) {
            const std::int32_t id = FHeaders.Item(i).Record.UniqueID();
            if (id >= 0 && id < MaxUniqueIDs) FIds[static_cast<std::size_t>(id)] = i;
          }
          keepLength = open.Archive->Size();
          keepCount = FHeaders.Count();
        }

        // Sources are opened by the path given; the header keeps its first
        // 100 characters.
        std::vector<std::string> sources;
        for (const std::string& entry : FFilesToProcess)
          sources.push_back(GetToken(entry, 1));
        std::size_t next = 0;
        FHeaders.BuildFromList(FFilesToProcess, append, [&](const std::string& Stored) {
          const std::string& path = sources[next++];
          TSourceFileInfo info;
          std::unique_ptr<platform::IFile> f;
          std::exception_ptr cause;
          try {
            if (fs.FileExists(path)) f = fs.OpenRead(path);
          } catch (const std::exception&) {
            cause = std::current_exception();
          }
          if (!f) {
            EQndlCompress error(MsgOpenFile, {Stored});
            error.SetCause(cause);
            throw error;
          }
          info.Size = static_cast<std::int64_t>(f->Size());
          if (info.Size > MaxArchiveBytes - 1) throw EQndlCompress(MsgTooLarge, {Stored});
          info.Date = StampToFileDate(f->GetStamp());
          f.reset();
          info.Version = GetFileVersionString(&fs, path);
          return info;
        });

        written = true;
        FHeaders.WriteTo(*open.Archive);
        open.Archive->Seek(0, TSeekOrigin::soEnd);
        FHeaders.Totals(FStats);
        FStats.TotalCompressed = 0;

        std::size_t source = 0;
        for (int i = 0; i < FHeaders.Count(); ++i) {
          TFileHeader& h = FHeaders.Item(i);
          if (h.Loaded) continue;
          try {
            open.Source = std::make_unique<TPlatformFileStream>(fs.OpenRead(sources[source]));
          } catch (const std::exception&) {
            ThrowWithCause(EQndlCompress(MsgOpenFile, {h.Record.FileName()}));
          }
          ++source;
          AddMember(h, i, UniqueID, *open.Source, *open.Archive);
          open.Source.reset();
        }
        written = false;
        open.CloseAll();
        FLoaded = false;
        FFilesToProcess.Clear();
      },
      cleanup, false);
}

void TQndlCompress::AddMember(TFileHeader& Header, int Index, std::int32_t UniqueID,
                              TStream& Source, TStream& Archive) {
  TFileHeaderRecord& rec = Header.Record;
  const std::int64_t at = Archive.Position();
  if (Archive.Write(rec.Bytes().data(), FileHeaderSize) != FileHeaderSize)
    throw EqcDiskFull(MsgDiskFull);
  const std::int64_t dataStart = Archive.Position();
  if (dataStart > MaxArchiveBytes) throw EQndlCompress(MsgArchiveTooLarge, {FCompressedFile});
  rec.SetDataStart(static_cast<std::int32_t>(dataStart));
  SetMemberStats(FStats, rec);
  FStats.CompressedSize = 0;
  FStats.Ratio = 0;
  if (OnBeforeAdding) OnBeforeAdding(*this, FStats);

  TDeflater def(ZlibLevel(FCompressionLevel));
  z_stream& z = def.Z;
  std::vector<std::uint8_t> in(DeflateBuffer), out(DeflateBuffer);
  std::int64_t consumed = 0, compressed = 0;
  auto status = [&] {
    CheckAbort();
    Pump();
    const std::int64_t done = static_cast<std::int64_t>(z.total_in);
    FStats.TotalBytesDone += done - FStats.FileBytesDone;
    FStats.FileBytesDone = done;
    FStats.CompressedSize = compressed;
    FStats.FilePercent = Percentage(static_cast<double>(FStats.FileBytesDone),
                                    static_cast<double>(FStats.UncompressedSize));
    FStats.TotalPercent = Percentage(static_cast<double>(FStats.TotalBytesDone),
                                     static_cast<double>(FStats.TotalUncompressed));
    FireStatus();
  };
  auto flush = [&](std::size_t Count) {
    if (Archive.Write(out.data(), Count) != Count) throw EqcDiskFull(MsgDiskFull);
    compressed += static_cast<std::int64_t>(Count);
    if (dataStart + compressed > MaxArchiveBytes)
      throw EQndlCompress(MsgArchiveTooLarge, {FCompressedFile});
  };

  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  bool eof = false;
  for (;;) {
    if (z.avail_in == 0 && !eof) {
      // A long run of well-compressing input fills no output block; Cancel
      // must still be seen.
      if (consumed > 0) {
        CheckAbort();
        Pump();
      }
      const std::size_t n = ReadFull(Source, in.data(), in.size());
      consumed += static_cast<std::int64_t>(n);
      if (consumed > MaxArchiveBytes - 1) throw EQndlCompress(MsgTooLarge, {rec.FileName()});
      if (n == 0) eof = true;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(n);
    }
    const int rc = deflate(&z, eof ? Z_FINISH : Z_NO_FLUSH);
    if (rc == Z_STREAM_ERROR) throw EZlibError(z.msg ? z.msg : "deflate");
    if (z.avail_out == 0) {
      flush(out.size());
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      status();
    }
    if (rc == Z_STREAM_END) break;
  }
  flush(out.size() - z.avail_out);

  FStats.CompressedSize = compressed;
  FStats.Ratio = Percentage(static_cast<double>(compressed), static_cast<double>(consumed));
  FStats.Finished = true;
  status();
  FStats.Finished = false;
  FStats.TotalCompressed += compressed;

  const std::int64_t end = dataStart + compressed;
  rec.SetEndPosition(static_cast<std::int32_t>(end - 1));
  rec.SetNextHeader(static_cast<std::int32_t>(end));
  rec.SetCompressedSize(static_cast<std::int32_t>(compressed));
  // A source that changed size since it was described is stored as read.
  rec.SetUncompressedSize(static_cast<std::int32_t>(consumed));
  rec.SetUniqueID(UniqueID);
  if (UniqueID >= 0 && UniqueID < MaxUniqueIDs) FIds[static_cast<std::size_t>(UniqueID)] = Index;
  Archive.SetPosition(at);
  if (Archive.Write(rec.Bytes().data(), FileHeaderSize) != FileHeaderSize)
    throw EQndlCompress(MsgWriteHeaders);
  Archive.Seek(0, TSeekOrigin::soEnd);
  if (OnAfterAdding) OnAfterAdding(*this, FStats);
}

// ---- Extract ----------------------------------------------------------------------------

void TQndlCompress::Extract() {
  TOpenFiles open;
  open.Files = FFiles;
  Guarded(
      [&] {
        FAbort = false;
        FOperation = TCompressOperation::Extracting;
        EnsureDirectory();
        FCurrentVolume = 0;
        FHeaders.Totals(FStats);
        for (int e = 0; e < FFilesToProcess.Count(); ++e) {
          const std::string entry = FFilesToProcess[e];
          const int index = FHeaders.FindByName(entry);
          if (index < 0) throw EQndlCompress(MsgNotFound, {entry, FCompressedFile});
          ExtractMember(FHeaders.Item(index), open);
        }
        FFilesToProcess.Clear();
        DestFileName.clear();
      },
      [&]() noexcept {
        open.CloseAll();
        FFilesToProcess.Clear();
        DestFileName.clear();
      },
      false);
}

void TQndlCompress::ExtractMember(const TFileHeader& Header, TOpenFiles& Open) {
  auto& fs = Files();
  const TFileHeaderRecord rec = Header.Record;
  SetMemberStats(FStats, rec);
  if (Trim(DestFileName).empty()) DestFileName = ExtractFileName(rec.FileName());
  if (OnBeforeExtracting) OnBeforeExtracting(*this, FStats);
  DestFileName = ExtractFileName(DestFileName);
  std::string target = AddBackslash(FExtractDirectory) + DestFileName;
  if (IsUnsafeFileName(DestFileName)) throw EQndlCompress(MsgCreate, {target});

  if (fs.FileExists(target)) {
    switch (IsFileNewer(fs, rec.FileVersion(), target, FOverwrite, rec.FileDate())) {
    case odError:
      throw EQndlCompress(MsgCompare);
    case odEqual:
    case odKeep:
      FStats.Finished = true;
      FireStatus();
      DestFileName.clear();
      return;
    case odReplace:
    case odAsk:
      if (OnReplace) OnReplace(*this, FStats);
      DestFileName = ExtractFileName(DestFileName);
      target = AddBackslash(FExtractDirectory) + DestFileName;
      if (IsUnsafeFileName(DestFileName)) throw EQndlCompress(MsgCreate, {target});
      break;
    }
  }

  std::string path = FCompressedFile;
  Open.Archive.reset();
  Open.Archive = OpenVolume(rec.StartVolume() == 0 ? 1 : rec.StartVolume(), path, false);
  SetCompressedFile(path);
  FCurrentVolume = rec.StartVolume();
  try {
    const std::string dir = ExtractFileDir(target);
    if (!dir.empty()) fs.ForceDirectories(dir);
    Open.Target = std::make_unique<TPlatformFileStream>(fs.Create(target));
  } catch (const std::exception&) {
    ThrowWithCause(EQndlCompress(MsgCreate, {target}));
  }
  Open.TargetPath = target;
  Open.Archive->SetPosition(std::int64_t{FOffset} + rec.DataStart());
  InflateMember(Header, Open);
  FStats.Finished = true;
  FireStatus();
  if (Open.Target->Size() != rec.UncompressedSize())
    throw EQndlCompress(MsgSizeMismatch, {rec.FileName()});
  // The contents are complete; a date that cannot be set leaves them in place.
  Open.TargetPath.clear();
  try {
    Open.Target->File().SetStamp(DateTimeToFileTime(rec.FileDate()));
  } catch (const std::exception&) {
    ThrowWithCause(EQndlCompress(MsgSetDate));
  }
  Open.Target.reset();
  Open.Archive.reset();
  if (OnAfterExtracting) OnAfterExtracting(*this, FStats);
  DestFileName.clear();
}

void TQndlCompress::InflateMember(const TFileHeader& Header, TOpenFiles& Open) {
  const TFileHeaderRecord& rec = Header.Record;
  TInflater inf;
  z_stream& z = inf.Z;
  std::vector<std::uint8_t> in(InflateInput), out(InflateOutput);
  const std::int64_t expected = rec.UncompressedSize();
  const std::int64_t lastByte = std::int64_t{FOffset} + rec.EndPosition();
  std::int64_t produced = 0;
  bool ended = false;
  int rounds = rec.EndVolume() - FCurrentVolume + 1;
  if (rounds < 1) return;

  while (rounds > 0 && !ended) {
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    while (z.avail_out > 0 && !ended) {
      if (z.avail_in == 0) {
        std::size_t want = in.size();
        if (FCurrentVolume == rec.EndVolume()) {
          const std::int64_t left = lastByte - Open.Archive->Position() + 1;
          want = left <= 0 ? 0
                           : static_cast<std::size_t>(std::min<std::int64_t>(
                                 left, static_cast<std::int64_t>(in.size())));
        }
        const std::size_t n = want ? Open.Archive->Read(in.data(), want) : 0;
        if (n == 0) break;
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(n);
      }
      const int rc = inflate(&z, Z_NO_FLUSH);
      if (rc == Z_STREAM_END)
        ended = true;
      else if (rc == Z_BUF_ERROR)
        break;
      else if (rc != Z_OK)
        throw EZlibError(z.msg ? z.msg : "inflate");
    }
    CheckAbort();
    Pump();
    const std::size_t got = out.size() - z.avail_out;
    if (got > 0) {
      produced += static_cast<std::int64_t>(got);
      // More than the header promises: a damaged or hostile member.
      if (produced > expected) throw EQndlCompress(MsgSizeMismatch, {rec.FileName()});
      const std::size_t put = Open.Target->Write(out.data(), got);
      if (put < got) DiskFull();
      FStats.FileBytesDone += static_cast<std::int64_t>(put);
      FStats.TotalBytesDone += static_cast<std::int64_t>(put);
      FStats.FilePercent = Percentage(static_cast<double>(FStats.FileBytesDone),
                                      static_cast<double>(FStats.UncompressedSize));
      FStats.TotalPercent = Percentage(static_cast<double>(FStats.TotalBytesDone),
                                       static_cast<double>(FStats.TotalUncompressed));
      FireStatus();
      continue;
    }
    if (ended) break;
    // Nothing came: this volume is used up.
    if (FCurrentVolume < rec.EndVolume()) {
      ++FCurrentVolume;
      std::string path = FCompressedFile;
      Open.Archive.reset();
      Open.Archive = OpenVolume(FCurrentVolume, path, false);
      SetCompressedFile(path);
      Open.Archive->SetPosition(0);
    }
    --rounds;
  }
  // A stream cut short is as damaged as one that does not decode.
  if (!ended && produced == expected) throw EZlibError("unexpected end of the compressed data");
}

// ---- SplitToVolumes ---------------------------------------------------------------------

void TQndlCompress::SplitToVolumes(const std::string& DestDirectory, const std::string& FileName) {
  TOpenFiles open;
  open.Files = FFiles;
  Guarded(
      [&] {
        FAbort = false;
        EnsureDirectory();
        if (FHeaders.Spanned) throw EQndlCompress(MsgSplitSet, {FCompressedFile});
        auto& fs = Files();
        FCurrentVolume = 1;
        FHeaders.Spanned = true;
        FHeaders.Totals(FStats);
        try {
          open.Source = std::make_unique<TPlatformFileStream>(fs.OpenRead(FCompressedFile));
        } catch (const std::exception&) {
          ThrowWithCause(EQndlCompress(MsgOpenArchive, {FCompressedFile}));
        }
        std::string destDir = DestDirectory;
        std::string path = AddBackslash(destDir) + FileName;
        try {
          if (!destDir.empty()) fs.ForceDirectories(destDir);
          open.Archive = std::make_unique<TPlatformFileStream>(fs.Create(path));
        } catch (const std::exception&) {
          ThrowWithCause(EQndlCompress(MsgCreate, {path}));
        }
        open.Archive->SetCapacity(VolumeCapacity);
        FHeaders.WriteTo(*open.Archive);

        for (int i = 0; i < FHeaders.Count(); ++i) {
          TFileHeader& h = FHeaders.Item(i);
          SetMemberStats(FStats, h.Record);
          open.Source->SetPosition(std::int64_t{h.Record.DataStart()} + FOffset);
          h.Record.SetDataStart(static_cast<std::int32_t>(open.Archive->Position()));
          h.Record.SetStartVolume(static_cast<std::uint8_t>(FCurrentVolume));
          CopyChunks(h, open, FileName, destDir);
          h.Record.SetEndPosition(static_cast<std::int32_t>(open.Archive->Position() - 1));
          h.Record.SetEndVolume(static_cast<std::uint8_t>(FCurrentVolume));
        }
        open.Archive.reset();
        path = AddBackslash(destDir) + ChangeFileExt(FileName, VolumeExt(FCurrentVolume));
        open.Archive = OpenVolume(1, path, true);
        FHeaders.WriteTo(*open.Archive);
        open.CloseAll();
        // The headers in memory now describe the new set, not CompressedFile.
        FLoaded = false;
      },
      [&]() noexcept {
        open.CloseAll();
        FLoaded = false;
      },
      true);
}

void TQndlCompress::CopyChunks(TFileHeader& Header, TOpenFiles& Open, const std::string& FileName,
                               std::string& DestDirectory) {
  auto& fs = Files();
  std::vector<std::uint8_t> buf(ChunkSize);
  const std::int64_t limit = std::int64_t{Header.Record.EndPosition()} + FOffset;
  for (;;) {
    CheckAbort();
    const std::int64_t pos = Open.Source->Position();
    if (pos > limit) break;
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(ChunkSize, limit - pos + 1));
    const std::size_t n = ReadFull(*Open.Source, buf.data(), want);
    Pump();
    if (n == 0) break;
    const std::size_t put = Open.Archive->Write(buf.data(), n);
    if (put < n) {
      // The disk is full: the rest goes to the next one.
      Open.Archive.reset();
      if (FCurrentVolume >= 255) throw EQndlCompress(MsgTooManyVolumes);
      ++FCurrentVolume;
      if (!OnNewDisk) throw EQndlCompress(MsgNoNewDisk);
      OnNewDisk(*this, FCurrentVolume, DestDirectory);
      const std::string path =
          AddBackslash(DestDirectory) + ChangeFileExt(FileName, VolumeExt(FCurrentVolume));
      try {
        Open.Archive = std::make_unique<TPlatformFileStream>(fs.Create(path));
      } catch (const std::exception&) {
        ThrowWithCause(EQndlCompress(MsgCreate, {path}));
      }
      Open.Archive->SetCapacity(VolumeCapacity);
      if (Open.Archive->Write(buf.data() + put, n - put) < n - put)
        throw EQndlCompress(MsgTooLittleSpace);
    }
    FStats.FileBytesDone += static_cast<std::int64_t>(n);
    FStats.TotalBytesDone += static_cast<std::int64_t>(n);
    FStats.FilePercent = Percentage(static_cast<double>(FStats.FileBytesDone),
                                    static_cast<double>(FStats.CompressedSize));
    FStats.TotalPercent = Percentage(static_cast<double>(FStats.TotalBytesDone),
                                     static_cast<double>(FStats.TotalCompressed));
    FireStatus();
  }
}

// ---- CopyPlainFile ------------------------------------------------------------------------

void TQndlCompress::CopyPlainFile(const std::string& Source, const std::string& Dest) {
  auto& fs = Files();
  FAbort = false;
  FOffset = 0;
  FExtractDirectory = ExtractFileDir(Dest);
  DestFileName = ExtractFileName(Dest);
  std::string target = Dest;
  // DestFileName serves this copy only; left set, it would rename the next
  // extracted member.
  struct TClear {
    std::string& S;
    ~TClear() { S.clear(); }
  } clearDest{DestFileName};

  if (fs.FileExists(target)) {
    switch (IsFileNewerByName(fs, Source, target, FOverwrite)) {
    case odError:
      throw EQndlCompress(MsgCompare);
    case odEqual:
    case odKeep:
      return;
    case odReplace:
    case odAsk:
      if (OnReplace) OnReplace(*this, FStats);
      target = AddBackslash(FExtractDirectory) + ExtractFileName(DestFileName);
      break;
    }
  }

  FStats = TlzhFileStats();
  FStats.FileName = Source;
  TOpenFiles open;
  open.Files = FFiles;
  platform::TFileStamp stamp = 0;
  try {
    auto f = fs.OpenRead(Source);
    stamp = f->GetStamp();
    open.Source = std::make_unique<TPlatformFileStream>(std::move(f));
  } catch (const std::exception&) {
    ThrowWithCause(EQndlCompress(MsgOpenFile, {Source}));
  }
  FStats.UncompressedSize = open.Source->Size();
  try {
    const std::string dir = ExtractFileDir(target);
    if (!dir.empty()) fs.ForceDirectories(dir);
    open.Target = std::make_unique<TPlatformFileStream>(fs.Create(target));
  } catch (const std::exception&) {
    ThrowWithCause(EQndlCompress(MsgCreate, {target}));
  }
  open.TargetPath = target;
  std::vector<std::uint8_t> buf(ChunkSize);
  std::int64_t read = 0, put = 0;
  for (;;) {
    // A quiet stop: the caller sees Abort set; the unfinished copy goes.
    if (FAbort) return;
    if (BuildAborted && BuildAborted()) throw EUserAbortInstall();
    const std::size_t n = ReadFull(*open.Source, buf.data(), buf.size());
    const std::size_t w = n ? open.Target->Write(buf.data(), n) : 0;
    if (w < n) DiskFull();
    read += static_cast<std::int64_t>(n);
    put += static_cast<std::int64_t>(w);
    FStats.FileBytesDone += static_cast<std::int64_t>(n);
    FStats.TotalBytesDone += static_cast<std::int64_t>(n);
    FStats.FilePercent = Percentage(static_cast<double>(FStats.FileBytesDone),
                                    static_cast<double>(FStats.UncompressedSize));
    FStats.TotalPercent = FStats.FilePercent;
    FireStatus();
    Pump();
    if (n < buf.size()) break;
  }
  // Bytes a full disk swallowed (with OnFullDisk handling it) make a copy
  // that must not pass for complete.
  if (put != read) throw EqcDiskFull(MsgDiskFull);
  open.Target->File().SetStamp(stamp);
  open.TargetPath.clear();
  FStats.Finished = true;
  FireStatus();
}

} // namespace quendel
