// Copying a plain file under the same overwrite policy, keeping its date.
#include "archive/compress.h"

#include "archive/compress_internal.h"
#include "core/strings.h"

#include <vector>

namespace quendel {

using namespace compress_detail;

void TQndlCompress::CopyPlainFile(const std::string& Source, const std::string& Dest) {
  CloseArchive();
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
      Raise<EQndlCompress>(MsgCompare);
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
  if (put != read) Raise<EqcDiskFull>(MsgDiskFull);
  open.Target->File().SetStamp(stamp);
  open.TargetPath.clear();
  FStats.Finished = true;
  FireStatus();
}

} // namespace quendel
