#include "archive/deflate_ahead.h"

#include "archive/errors.h"

#include <zlib.h>

#include <algorithm>
#include <exception>

namespace quendel {

namespace {
// A planned source that grew past the member limit while it was read.
struct ESourceGrew : std::exception {};
} // namespace

void DeflateMember(int Level, TFunctionRef<std::size_t(std::uint8_t*, std::size_t)> Read,
                   TFunctionRef<void(const std::uint8_t*, std::size_t)> Write,
                   TFunctionRef<void(std::int64_t)> Block) {
  struct TDeflater {
    z_stream Z{};
    explicit TDeflater(int Level) {
      if (deflateInit2(&Z, Level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw EZlibError(Z.msg ? Z.msg : "deflateInit2");
    }
    ~TDeflater() { deflateEnd(&Z); }
  } def(Level);
  z_stream& z = def.Z;
  std::vector<std::uint8_t> in(DeflateBlock), out(DeflateBlock);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  bool eof = false;
  for (;;) {
    if (z.avail_in == 0 && !eof) {
      const std::size_t n = Read(in.data(), in.size());
      if (n == 0) eof = true;
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(n);
    }
    const int rc = deflate(&z, eof ? Z_FINISH : Z_NO_FLUSH);
    if (rc == Z_STREAM_ERROR) throw EZlibError(z.msg ? z.msg : "deflate");
    if (z.avail_out == 0) {
      Write(out.data(), out.size());
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      Block(static_cast<std::int64_t>(z.total_in));
    }
    if (rc == Z_STREAM_END) break;
  }
  Write(out.data(), out.size() - z.avail_out);
}

TDeflateAhead::TDeflateAhead(platform::IFileSystem& Files, int Level,
                             std::vector<std::string> Paths, unsigned Threads)
    : FFiles(Files), FLevel(Level) {
  FSlots.resize(Paths.size());
  for (std::size_t i = 0; i < Paths.size(); ++i) FSlots[i].Path = std::move(Paths[i]);
  {
    platform::TLock Lock(FMutex);
    OpenWindow(Lock);
  }
  if (Threads == 0) Threads = std::clamp(platform::TThread::Processors(), 2u, 8u);
  for (unsigned i = 0; i < Threads; ++i)
    FWorkers.emplace_back([](void* Self) { static_cast<TDeflateAhead*>(Self)->Work(); }, this);
}

TDeflateAhead::~TDeflateAhead() {
  {
    platform::TLock Lock(FMutex);
    FStop = true;
  }
  FChanged.NotifyAll();
  for (platform::TThread& T : FWorkers) T.Join();
  // The files close here, on the thread that opened them.
  FSlots.clear();
}

void TDeflateAhead::OpenWindow(platform::TLock&) {
  const std::size_t End = std::min(FSlots.size(), FCursor + Window);
  bool Opened = false;
  std::uint64_t Held = 0;
  for (std::size_t i = FCursor; i < End; ++i) {
    TSlot& S = FSlots[i];
    if (S.State == msOpen || S.State == msWorking || S.State == msDone) Held += S.Size;
    if (S.State != msPlanned) continue;
    if (!S.File) {
      try {
        S.File = FFiles.OpenRead(S.Path);
        S.Size = S.File->Size();
      } catch (const std::exception&) {
        // Left to the writer, which reports the failure in its own words.
        S.File.reset();
        S.State = msSkipped;
        continue;
      }
      if (S.Size > MaxMemberBytes) {
        S.File.reset();
        S.State = msSkipped;
        continue;
      }
    }
    // Kept open, and started once the window has moved on.
    if (Held > 0 && Held + S.Size > WindowBytes) break;
    Held += S.Size;
    S.State = msOpen;
    Opened = true;
  }
  if (Opened) FChanged.NotifyAll();
}

void TDeflateAhead::Work() {
  platform::TLock Lock(FMutex);
  for (;;) {
    TSlot* Next = nullptr;
    FChanged.Wait(Lock, [&] {
      if (FStop) return true;
      for (std::size_t i = FCursor; i < FSlots.size() && i < FCursor + Window; ++i)
        if (FSlots[i].State == msOpen) {
          Next = &FSlots[i];
          return true;
        }
      return false;
    });
    if (FStop) return;
    Next->State = msWorking;
    platform::IFile& File = *Next->File;
    Lock.Unlock();
    TDeflated Result;
    bool Ok = true;
    try {
      DeflateMember(
          FLevel,
          [&](std::uint8_t* Buffer, std::size_t Count) {
            std::size_t Done = 0;
            while (Done < Count) {
              const std::size_t N = File.Read(Buffer + Done, Count - Done);
              if (N == 0) break;
              Done += N;
            }
            Result.Consumed += static_cast<std::int64_t>(Done);
            if (Result.Consumed > static_cast<std::int64_t>(MaxMemberBytes))
              throw ESourceGrew();
            return Done;
          },
          [&](const std::uint8_t* Data, std::size_t Count) {
            Result.Data.insert(Result.Data.end(), Data, Data + Count);
          },
          [](std::int64_t) {});
    } catch (const std::exception&) {
      // A source that cannot be read (or grew past the limit meanwhile) is
      // compressed by the writer, which then reports or handles it.
      Ok = false;
      Result = {};
    }
    Lock.Lock();
    Next->Result = std::move(Result);
    Next->State = Ok ? msDone : msFailed;
    FChanged.NotifyAll();
  }
}

std::size_t TDeflateAhead::Taken() {
  platform::TLock Lock(FMutex);
  return FTaken;
}

bool TDeflateAhead::Take(const std::string& Path, int Level, TDeflated& Out) {
  platform::TLock Lock(FMutex);
  if (Level != FLevel) return false;
  std::size_t K = FCursor;
  while (K < FSlots.size() && FSlots[K].Path != Path) ++K;
  if (K == FSlots.size()) return false;
  // Members planned before Path were not added after all: drop them, once no
  // worker is on them any more.
  for (std::size_t i = FCursor; i < K; ++i)
    if (FSlots[i].State == msPlanned || FSlots[i].State == msOpen) FSlots[i].State = msSkipped;
  FChanged.Wait(Lock, [&] {
    for (std::size_t i = FCursor; i < K; ++i)
      if (FSlots[i].State == msWorking) return false;
    return true;
  });
  for (std::size_t i = FCursor; i < K; ++i) {
    FSlots[i].File.reset();
    FSlots[i].Result = {};
  }
  FCursor = K;
  OpenWindow(Lock);
  TSlot& S = FSlots[K];
  FChanged.Wait(Lock, [&] { return S.State != msOpen && S.State != msWorking; });
  const bool Ok = S.State == msDone;
  if (Ok) {
    Out = std::move(S.Result);
    ++FTaken;
  }
  S.Result = {};
  S.File.reset();
  S.State = msSkipped;
  FCursor = K + 1;
  OpenWindow(Lock);
  return Ok;
}

} // namespace quendel
