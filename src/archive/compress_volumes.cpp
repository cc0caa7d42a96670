// Splitting an archive into a volume set for removable disks.
#include "archive/compress.h"

#include "archive/compress_internal.h"
#include "core/strings.h"

#include <algorithm>
#include <vector>

namespace quendel {

using namespace compress_detail;

void TQndlCompress::SplitToVolumes(const std::string& DestDirectory, const std::string& FileName) {
  CloseArchive();
  TOpenFiles open;
  open.Files = FFiles;
  Guarded(
      [&] {
        FAbort = false;
        EnsureDirectory();
        if (FHeaders.Spanned) Raise<EQndlCompress>(MsgSplitSet, {FCompressedFile});
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
      if (FCurrentVolume >= 255) Raise<EQndlCompress>(MsgTooManyVolumes);
      ++FCurrentVolume;
      if (!OnNewDisk) Raise<EQndlCompress>(MsgNoNewDisk);
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
        Raise<EQndlCompress>(MsgTooLittleSpace);
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

} // namespace quendel
