// Adding files to an archive: each member deflated behind its header.
#include "archive/compress.h"

#include "archive/archive_context.h"
#include "archive/compress_internal.h"
#include "archive/deflate_ahead.h"
#include "core/byte_order.h"
#include "core/strings.h"
#include "system/version_resource.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace quendel {

using namespace compress_detail;

namespace {

// The writing part of an Add. Until committed, ending it (a failure or a
// cancel) puts the archive back as it stood before: its former length and
// member count, so that no half-written member is left behind. It ends
// before the operation's own clean-up closes the archive.
class TAddTransaction {
public:
  explicit TAddTransaction(std::unique_ptr<TPlatformFileStream>& Archive) : FArchive(Archive) {}
  ~TAddTransaction() {
    if (FWriting) Rollback();
  }
  TAddTransaction(const TAddTransaction&) = delete;
  TAddTransaction& operator=(const TAddTransaction&) = delete;

  // The archive is about to be written; it had Length bytes and Count members.
  void Begin(std::int64_t Length, std::int32_t Count) {
    FLength = Length;
    FCount = Count;
    FWriting = true;
  }
  void Commit() { FWriting = false; }

private:
  void Rollback() noexcept {
    if (!FArchive) return;
    try {
      FArchive->SetSize(FLength);
      if (FLength >= ArchivePrologueSize) {
        std::uint8_t count[4];
        PutLE(std::span<std::uint8_t>(count), 0, FCount);
        FArchive->SetPosition(0);
        FArchive->Write(count, 4);
      }
    } catch (...) {
      // Nothing better can be done for an archive that cannot be written.
    }
  }

  std::unique_ptr<TPlatformFileStream>& FArchive;
  std::int64_t FLength = 0;
  std::int32_t FCount = 0;
  bool FWriting = false;
};

} // namespace

void TQndlCompress::Add(TlzhCommand Command, std::int32_t UniqueID) {
  CloseArchive();
  TOpenFiles open;
  open.Files = FFiles;
  auto cleanup = [&]() noexcept {
    FAddedLength = -1;
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
        TAddTransaction transaction(open.Archive);
        std::int64_t keepLength = 0;
        std::int32_t keepCount = 0;

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
        const bool kept = append && KeptDirectoryFits(*open.Archive);
        FAddedLength = -1;
        if (kept) {
          for (int i = 0; i < FHeaders.Count(); ++i) FHeaders.Item(i).Loaded = true;
        } else if (append) {
          try {
            FHeaders.ReadFrom(*open.Archive, 0);
          } catch (const std::exception&) {
            FHeaders.Clear();
            ThrowWithCause(EQndlCompress(MsgReadHeaders));
          }
          if (FHeaders.Spanned) {
            FHeaders.Clear();
            Raise<EQndlCompress>(MsgAppendToSet, {FCompressedFile});
          }
        }
        if (append) {
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
          if (info.Size > MaxArchiveBytes - 1) Raise<EQndlCompress>(MsgTooLarge, {Stored});
          info.Date = StampToFileDate(f->GetStamp());
          f.reset();
          info.Version = GetFileVersionString(&fs, path);
          return info;
        });

        transaction.Begin(keepLength, keepCount);
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
          AddMember(h, i, UniqueID, sources[source], *open.Source, *open.Archive);
          ++source;
          open.Source.reset();
        }
        transaction.Commit();
        FAddedLength = open.Archive->Size();
        FAddedArchive = FCompressedFile;
        open.CloseAll();
        FLoaded = false;
        FFilesToProcess.Clear();
      },
      cleanup, false);
}

bool TQndlCompress::KeptDirectoryFits(TStream& Archive) {
  // The directory the last Add left is still this archive's when the file
  // ends where that Add left it, counts the same members, and its last
  // header on disk is the one in memory: anything that rewrote the archive
  // meanwhile changes at least one of them.
  if (FAddedLength < 0 || !SameText(FAddedArchive, FCompressedFile) || FHeaders.Spanned ||
      FHeaders.Count() == 0)
    return false;
  const TFileHeaderRecord& last = FHeaders.Item(FHeaders.Count() - 1).Record;
  const std::int64_t at = static_cast<std::int64_t>(last.DataStart()) - FileHeaderSize;
  if (Archive.Size() != FAddedLength || last.NextHeader() != FAddedLength ||
      at < ArchivePrologueSize)
    return false;
  std::uint8_t count[4];
  TFileHeaderRecord::TBytes onDisk;
  Archive.SetPosition(0);
  if (ReadFull(Archive, count, sizeof count) != sizeof count ||
      GetLE<std::int32_t>(count, 0) != FHeaders.Count())
    return false;
  Archive.SetPosition(at);
  return ReadFull(Archive, onDisk.data(), onDisk.size()) == onDisk.size() && onDisk == last.Bytes();
}

void TQndlCompress::AddMember(TFileHeader& Header, int Index, std::int32_t UniqueID,
                              const std::string& SourcePath, TStream& Source, TStream& Archive) {
  TFileHeaderRecord& rec = Header.Record;
  const std::int64_t at = Archive.Position();
  if (Archive.Write(rec.Bytes().data(), FileHeaderSize) != FileHeaderSize)
    Raise<EqcDiskFull>(MsgDiskFull);
  const std::int64_t dataStart = Archive.Position();
  if (dataStart > MaxArchiveBytes) Raise<EQndlCompress>(MsgArchiveTooLarge, {FCompressedFile});
  rec.SetDataStart(static_cast<std::int32_t>(dataStart));
  SetMemberStats(FStats, rec);
  FStats.CompressedSize = 0;
  FStats.Ratio = 0;
  if (OnBeforeAdding) OnBeforeAdding(*this, FStats);

  std::int64_t consumed = 0, compressed = 0;
  auto status = [&](std::int64_t done) {
    CheckAbort();
    Pump();
    FStats.TotalBytesDone += done - FStats.FileBytesDone;
    FStats.FileBytesDone = done;
    FStats.CompressedSize = compressed;
    FStats.FilePercent = Percentage(static_cast<double>(FStats.FileBytesDone),
                                    static_cast<double>(FStats.UncompressedSize));
    FStats.TotalPercent = Percentage(static_cast<double>(FStats.TotalBytesDone),
                                     static_cast<double>(FStats.TotalUncompressed));
    FireStatus();
  };
  auto flush = [&](const std::uint8_t* Data, std::size_t Count) {
    if (Archive.Write(Data, Count) != Count) Raise<EqcDiskFull>(MsgDiskFull);
    compressed += static_cast<std::int64_t>(Count);
    if (dataStart + compressed > MaxArchiveBytes)
      Raise<EQndlCompress>(MsgArchiveTooLarge, {FCompressedFile});
  };

  const int level = ZlibLevel(FCompressionLevel);
  TDeflateAhead::TDeflated ready;
  TDeflateAhead* ahead = HasArchiveContext() ? CurrentArchiveContext().Ahead() : nullptr;
  if (ahead && ahead->Take(SourcePath, level, ready)) {
    // Compressed by a worker already: the same bytes, copied in blocks so
    // that progress and Cancel behave as when compressing here.
    consumed = ready.Consumed;
    const std::size_t size = ready.Data.size();
    for (std::size_t at = 0; at < size; at += DeflateBlock) {
      const std::size_t n = std::min(DeflateBlock, size - at);
      flush(ready.Data.data() + at, n);
      if (n == DeflateBlock)
        status(static_cast<std::int64_t>(static_cast<double>(consumed) *
                                         static_cast<double>(at + n) / static_cast<double>(size)));
    }
  } else {
    DeflateMember(
        level,
        [&](std::uint8_t* Buffer, std::size_t Count) {
          // A long run of well-compressing input fills no output block;
          // Cancel must still be seen.
          if (consumed > 0) {
            CheckAbort();
            Pump();
          }
          const std::size_t n = ReadFull(Source, Buffer, Count);
          consumed += static_cast<std::int64_t>(n);
          if (consumed > MaxArchiveBytes - 1) Raise<EQndlCompress>(MsgTooLarge, {rec.FileName()});
          return n;
        },
        flush, status);
  }

  FStats.CompressedSize = compressed;
  FStats.Ratio = Percentage(static_cast<double>(compressed), static_cast<double>(consumed));
  FStats.Finished = true;
  status(consumed);
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
    Raise<EQndlCompress>(MsgWriteHeaders);
  Archive.Seek(0, TSeekOrigin::soEnd);
  if (OnAfterAdding) OnAfterAdding(*this, FStats);
}

} // namespace quendel
