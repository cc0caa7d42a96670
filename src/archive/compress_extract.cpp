// Extracting members under the overwrite policy, across the volumes of a set.
#include "archive/compress.h"

#include "archive/compress_internal.h"
#include "archive/inflate_ahead.h"
#include "core/strings.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace quendel {

using namespace compress_detail;

namespace {

struct TInflater {
  z_stream Z{};
  TInflater() {
    if (inflateInit(&Z) != Z_OK) throw EZlibError(Z.msg ? Z.msg : "inflateInit");
  }
  ~TInflater() { inflateEnd(&Z); }
};

} // namespace

void TQndlCompress::Extract() {
  TOpenFiles open;
  open.Files = FFiles;
  Guarded(
      [&] {
        FAbort = false;
        FExtracted.reset();
        FCreatedName.clear();
        FOperation = TCompressOperation::Extracting;
        EnsureDirectory();
        FCurrentVolume = 0;
        FHeaders.Totals(FStats);
        for (int e = 0; e < FFilesToProcess.Count(); ++e) {
          const std::string entry = FFilesToProcess[e];
          const int index = FHeaders.FindByName(entry);
          if (index < 0) Raise<EQndlCompress>(MsgNotFound, {entry, FCompressedFile});
          ExtractMember(index, open);
        }
        FFilesToProcess.Clear();
        DestFileName.clear();
      },
      [&]() noexcept {
        // A failed or cancelled extraction keeps nothing open: the worker
        // inflating ahead is stopped and joined with the archive.
        CloseArchive();
        open.CloseAll();
        FFilesToProcess.Clear();
        DestFileName.clear();
      },
      false);
}

void TQndlCompress::ExtractMember(int Index, TOpenFiles& Open) {
  const TFileHeader& Header = FHeaders.Item(Index);
  auto& fs = Files();
  const TFileHeaderRecord rec = Header.Record;
  SetMemberStats(FStats, rec);
  if (Trim(DestFileName).empty()) DestFileName = ExtractFileName(rec.FileName());
  if (OnBeforeExtracting) OnBeforeExtracting(*this, FStats);
  DestFileName = ExtractFileName(DestFileName);
  std::string target = AddBackslash(FExtractDirectory) + DestFileName;
  if (IsUnsafeFileName(DestFileName)) Raise<EQndlCompress>(MsgCreate, {target});

  // Under owAlways whatever is there is replaced, so whether it is there is
  // learnt by creating the file as new, without a lookup of its own: a
  // missing name costs some systems (Wine: a case-blind scan of the whole
  // directory) far more than one that exists.
  const bool looked = FOverwrite != owAlways && !FreshName;
  const bool existed = looked && fs.FileExists(target);
  if (existed) {
    switch (IsFileNewer(fs, rec.FileVersion(), target, FOverwrite, rec.FileDate())) {
    case odError:
      Raise<EQndlCompress>(MsgCompare);
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
      if (IsUnsafeFileName(DestFileName)) Raise<EQndlCompress>(MsgCreate, {target});
      break;
    }
  }

  const int startVolume = rec.StartVolume() == 0 ? 1 : rec.StartVolume();
  Open.Archive.reset();
  const bool ahead = BeginAhead(Index);
  if (!ahead) {
    if ((FKeptArchive || FAhead) && FKeptVolume == startVolume &&
        SameText(FKeptPath, FCompressedFile)) {
      Open.Archive = FKeptArchive ? std::move(FKeptArchive) : FAhead->Cancel();
      CloseArchive();
    }
    if (!Open.Archive) {
      std::string path = FCompressedFile;
      Open.Archive = OpenVolume(startVolume, path, false);
      SetCompressedFile(path);
    }
  }
  FCurrentVolume = rec.StartVolume();
  try {
    // A new file is created as new: creating it "always" truncates it
    // first, which makes some file systems write its data out as soon as it
    // is closed, once for every file extracted.
    std::unique_ptr<platform::IFile> file;
    const platform::TFileAccess access = KeepExtractedFile ? platform::TFileAccess::ReadWriteDelete
                                                           : platform::TFileAccess::ReadWrite;
    // The directory is made when the creation finds it missing: looking for
    // it first would cost every file a lookup for a directory that, but for
    // the first file, is there.
    bool madeDir = false;
    auto open = [&](platform::TCreation creation) {
      for (;;) {
        try {
          return fs.Open(target, access, platform::shareRead, creation);
        } catch (const platform::EPlatformError& e) {
          const std::string dir = ExtractFileDir(target);
          if (madeDir || e.Code() != platform::errPathNotFound || dir.empty()) throw;
          madeDir = true;
          fs.ForceDirectories(dir);
        }
      }
    };
    if (FreshName) {
      for (int attempt = 1; !file; ++attempt) {
        DestFileName = ExtractFileName(FreshName(attempt));
        target = AddBackslash(FExtractDirectory) + DestFileName;
        if (IsUnsafeFileName(DestFileName)) Raise<EQndlCompress>(MsgCreate, {target});
        try {
          file = open(platform::TCreation::CreateNew);
        } catch (const platform::EPlatformError& e) {
          // A directory of that name may refuse with access denied instead.
          platform::TFileAttributes attributes = 0;
          const bool taken = e.Code() == platform::errFileExists ||
                             e.Code() == platform::errAlreadyExists ||
                             (e.Code() == platform::errAccessDenied &&
                              fs.TryGetAttributes(target, attributes) == platform::errSuccess);
          if (!taken) throw;
        }
      }
      FCreatedName = DestFileName;
    } else if (!existed) {
      try {
        file = open(platform::TCreation::CreateNew);
      } catch (const platform::EPlatformError& e) {
        // There already (made in the meantime, or not looked for): replaced,
        // as a file found by the lookup would have been.
        if (e.Code() != platform::errFileExists && e.Code() != platform::errAlreadyExists) throw;
        if (!looked && OnReplace) {
          OnReplace(*this, FStats);
          DestFileName = ExtractFileName(DestFileName);
          target = AddBackslash(FExtractDirectory) + DestFileName;
          if (IsUnsafeFileName(DestFileName)) Raise<EQndlCompress>(MsgCreate, {target});
        }
      }
    }
    if (!file) file = open(platform::TCreation::CreateAlways);
    Open.Target = std::make_unique<TPlatformFileStream>(std::move(file));
  } catch (const std::exception&) {
    ThrowWithCause(EQndlCompress(MsgCreate, {target}));
  }
  Open.TargetPath = target;
  if (ahead) {
    WriteAhead(Header, Open);
  } else {
    Open.Archive->SetPosition(std::int64_t{FOffset} + rec.DataStart());
    InflateMember(Header, Open);
  }
  // A cancel asked for while the last block was written still stops this
  // member: the user's answer does not depend on how large the blocks are.
  CheckAbort();
  FStats.Finished = true;
  FireStatus();
  if (Open.Target->Size() != rec.UncompressedSize())
    Raise<EQndlCompress>(MsgSizeMismatch, {rec.FileName()});
  // The contents are complete; a date that cannot be set leaves them in place.
  Open.TargetPath.clear();
  try {
    Open.Target->File().SetStamp(DateTimeToFileTime(rec.FileDate()));
  } catch (const std::exception&) {
    ThrowWithCause(EQndlCompress(MsgSetDate));
  }
  if (KeepExtractedFile) FExtracted = Open.Target->Release();
  Open.Target.reset();
  // Kept for the next member (by the worker when it reads ahead); any
  // volume change or prompt closes it.
  if (!ahead) FKeptArchive = std::move(Open.Archive);
  FKeptPath = FCompressedFile;
  FKeptVolume = FCurrentVolume == 0 ? 1 : FCurrentVolume;
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
    ended = InflateRound(z, in, [&](std::uint8_t* Buffer, std::size_t Capacity) {
      // Only the member's last volume holds bytes after it.
      const std::size_t want =
          FCurrentVolume == rec.EndVolume()
              ? MemberBytesToRead(lastByte - Open.Archive->Position() + 1, Capacity)
              : Capacity;
      return want ? Open.Archive->Read(Buffer, want) : 0;
    });
    CheckAbort();
    const std::size_t got = out.size() - z.avail_out;
    if (got > 0) {
      WriteBlock(rec, out.data(), got, produced, Open);
      continue;
    }
    Pump();
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

} // namespace quendel

namespace quendel {

void TQndlCompress::WriteBlock(const TFileHeaderRecord& Rec, const std::uint8_t* Data,
                               std::size_t Count, std::int64_t& Produced, TOpenFiles& Open) {
  Produced += static_cast<std::int64_t>(Count);
  // More than the header promises: a damaged or hostile member.
  if (Produced > Rec.UncompressedSize()) Raise<EQndlCompress>(MsgSizeMismatch, {Rec.FileName()});
  const std::size_t put = Open.Target->Write(Data, Count);
  if (put < Count) DiskFull();
  FStats.FileBytesDone += static_cast<std::int64_t>(put);
  FStats.TotalBytesDone += static_cast<std::int64_t>(put);
  FStats.FilePercent = Percentage(static_cast<double>(FStats.FileBytesDone),
                                  static_cast<double>(FStats.UncompressedSize));
  FStats.TotalPercent = Percentage(static_cast<double>(FStats.TotalBytesDone),
                                   static_cast<double>(FStats.TotalUncompressed));
  FireStatus();
  // Input is let through after the block's status, so that what the user
  // sees (the file being copied) is this member even when it is a single
  // block.
  Pump();
}

bool TQndlCompress::BeginAhead(int Index) {
  const TFileHeaderRecord& rec = FHeaders.Item(Index).Record;
  if (!ReadAhead || rec.StartVolume() != rec.EndVolume()) return false;
  const int volume = rec.StartVolume() == 0 ? 1 : rec.StartVolume();
  const bool kept = FKeptVolume == volume && SameText(FKeptPath, FCompressedFile);
  if (FAhead && kept && FAhead->Begin(Index)) return true;
  // The plan: this member and the ones after it in the same file, up to the
  // first that spans volumes. A member with none after it is inflated
  // inline: a worker would only have the target's creation to overlap.
  std::vector<TInflateAhead::TMember> plan;
  for (int i = Index; i < FHeaders.Count(); ++i) {
    const TFileHeaderRecord& r = FHeaders.Item(i).Record;
    if (r.StartVolume() != r.EndVolume() || (r.StartVolume() == 0 ? 1 : r.StartVolume()) != volume)
      break;
    plan.push_back({i, std::int64_t{FOffset} + r.DataStart(),
                    std::int64_t{FOffset} + r.EndPosition(), r.UncompressedSize()});
  }
  if (plan.size() < 2) return false;
  std::unique_ptr<TPlatformFileStream> archive;
  if (kept) archive = FAhead ? FAhead->Cancel() : std::move(FKeptArchive);
  if (!archive) {
    std::string path = FCompressedFile;
    archive = OpenVolume(volume, path, false);
    SetCompressedFile(path);
  }
  if (!FAhead) FAhead = std::make_unique<TInflateAhead>();
  FKeptArchive.reset();
  FKeptPath = FCompressedFile;
  FKeptVolume = volume;
  FAhead->Plan(std::move(archive), std::move(plan));
  return FAhead->Begin(Index);
}

void TQndlCompress::WriteAhead(const TFileHeader& Header, TOpenFiles& Open) {
  const TFileHeaderRecord& rec = Header.Record;
  std::int64_t produced = 0;
  bool ended = false;
  // The same checks and events, block for block, as inflating inline.
  for (;;) {
    TInflateAhead::TPiece piece = FAhead->Next();
    if (piece.End) {
      if (piece.Error) std::rethrow_exception(piece.Error);
      if (piece.EmptyRound) {
        CheckAbort();
        Pump();
      }
      ended = piece.Ended;
      break;
    }
    CheckAbort();
    WriteBlock(rec, piece.Data.data(), piece.Data.size(), produced, Open);
  }
  if (!ended && produced == rec.UncompressedSize())
    throw EZlibError("unexpected end of the compressed data");
}

} // namespace quendel
