#include "archive/inflate_ahead.h"

#include "archive/compress_internal.h"
#include "archive/errors.h"

#include <zlib.h>

#include <algorithm>

namespace quendel {

using compress_detail::InflateInput;
using compress_detail::InflateOutput;
using compress_detail::InflateRound;
using compress_detail::MemberBytesToRead;

TInflateAhead::TInflateAhead(std::size_t Window) : FWindow(Window) {}

TInflateAhead::~TInflateAhead() {
  {
    platform::TLock lock(FMutex);
    FQuit = true;
    ++FGeneration;
  }
  FChanged.NotifyAll();
  if (FThread.Joinable()) FThread.Join();
}

void TInflateAhead::Plan(std::unique_ptr<TPlatformFileStream> Archive,
                         std::vector<TMember> Members) {
  Cancel();
  if (!FThread.Joinable()) FThread = platform::TThread([](void* Self) { static_cast<TInflateAhead*>(Self)->Work(); }, this);
  {
    platform::TLock lock(FMutex);
    FArchive = std::move(Archive);
    FMembers = std::move(Members);
    FCurrent = 0;
    FWorking = 0;
    ++FGeneration;
    FPending = true;
    FBusy = true; // the worker's until it has finished or dropped the plan
    ++FPlans;
  }
  FChanged.NotifyAll();
}

std::unique_ptr<TPlatformFileStream> TInflateAhead::Cancel() {
  platform::TLock lock(FMutex);
  ++FGeneration;
  if (FPending) {
    // Not taken up yet: nothing of it runs.
    FPending = false;
    FBusy = false;
  }
  FChanged.NotifyAll();
  FChanged.Wait(lock, [&] { return !FBusy; });
  DropQueue();
  FMembers.clear();
  return std::move(FArchive);
}

void TInflateAhead::DropQueue() {
  FQueue.clear();
  FQueued = 0;
  if (FWorkerWaiting) FChanged.NotifyAll();
}

void TInflateAhead::Took(std::size_t Bytes) {
  FQueued -= Bytes;
  // The worker, stopped at a full window, goes on only once half of it is
  // free: waking it for every block would cost a switch of threads each.
  if (FWorkerWaiting && FQueued <= FWindow / 2) FChanged.NotifyAll();
}

bool TInflateAhead::Begin(int Index) {
  platform::TLock lock(FMutex);
  if (FMembers.empty() || Index < FMembers.front().Index) return false;
  // A plan holds consecutive members of the directory.
  const auto slot = static_cast<std::size_t>(Index - FMembers.front().Index);
  if (slot >= FMembers.size()) return false;
  while (!FQueue.empty() && FQueue.front().Slot < slot) {
    const std::size_t bytes = FQueue.front().Piece.Data.capacity();
    FQueue.pop_front();
    Took(bytes);
  }
  const bool ready = FQueue.empty() ? FBusy && FWorking == slot : FQueue.front().Slot == slot;
  if (ready) FCurrent = slot;
  return ready;
}

TInflateAhead::TPiece TInflateAhead::Next() {
  platform::TLock lock(FMutex);
  if (FQueue.empty() && FBusy) {
    FWriterWaiting = true;
    FChanged.Wait(lock, [&] { return !FQueue.empty() || !FBusy; });
    FWriterWaiting = false;
  }
  if (FQueue.empty() || FQueue.front().Slot != FCurrent) {
    // The worker stopped without this member's end: only a cancel does
    // that, and the writer cancels only between members.
    TPiece end;
    end.End = true;
    end.Error = std::make_exception_ptr(EQndlCompress("The member read ahead was lost"));
    return end;
  }
  TPiece piece = std::move(FQueue.front().Piece);
  FQueue.pop_front();
  Took(piece.Data.capacity());
  return piece;
}

bool TInflateAhead::Push(std::size_t S, TPiece Piece) {
  platform::TLock lock(FMutex);
  const std::uint64_t generation = FRunning;
  // What the block holds in memory, not what it carries: the last block of
  // a member is short but was allocated whole.
  const std::size_t size = Piece.Data.capacity();
  const auto cancelled = [&] { return FQuit || FGeneration != generation; };
  // At least one piece always fits, so a block larger than the window
  // still moves.
  if (!FQueue.empty() && FQueued + size > FWindow && !cancelled()) {
    FWorkerWaiting = true;
    FChanged.Wait(lock, [&] { return cancelled() || FQueue.empty() || FQueued <= FWindow / 2; });
    FWorkerWaiting = false;
  }
  if (cancelled()) return false;
  // Past a member's end the worker is done with it, even before it takes
  // up the next: the writer must not wait for more of it.
  if (Piece.End) FWorking = S + 1;
  FQueue.push_back({S, std::move(Piece)});
  FQueued += size;
  if (FWriterWaiting) FChanged.NotifyAll();
  return true;
}

namespace {

struct TInflater {
  z_stream Z{};
  bool Ready = false;
  TInflater() { Ready = inflateInit(&Z) == Z_OK; }
  ~TInflater() {
    if (Ready) inflateEnd(&Z);
  }
};

} // namespace

bool TInflateAhead::InflateSlot(std::size_t S, void* Stream, std::vector<std::uint8_t>& In) {
  auto& z = *static_cast<z_stream*>(Stream);
  // FMembers and FArchive are the writer's again only once FBusy is off.
  const TMember m = FMembers[S];
  TPiece end;
  end.End = true;
  try {
    if (inflateReset(&z) != Z_OK) throw EZlibError(z.msg ? z.msg : "inflateReset");
    z.avail_in = 0;
    FArchive->SetPosition(m.First);
    std::int64_t position = m.First;
    std::int64_t produced = 0;
    bool ended = false;
    // The rounds of inflating inline: each fills one output block, until
    // the stream ends, the member's bytes are used up or zlib refuses.
    for (;;) {
      std::vector<std::uint8_t> out(InflateOutput);
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      ended = InflateRound(z, In, [&](std::uint8_t* Buffer, std::size_t Capacity) {
        const std::size_t want = MemberBytesToRead(m.Last - position + 1, Capacity);
        const std::size_t n = want ? FArchive->Read(Buffer, want) : 0;
        position += static_cast<std::int64_t>(n);
        return n;
      });
      const std::size_t got = out.size() - z.avail_out;
      if (got == 0) {
        end.EmptyRound = true;
        end.Ended = ended;
        break;
      }
      out.resize(got);
      produced += static_cast<std::int64_t>(got);
      TPiece block;
      block.Data = std::move(out);
      if (!Push(S, std::move(block))) return false;
      // More than the header promises: the writer refuses the member at
      // this block, so nothing after it is wanted.
      if (produced > m.Size) break;
      if (ended) {
        end.Ended = true;
        break;
      }
    }
  } catch (...) {
    end.Error = std::current_exception();
  }
  return Push(S, std::move(end));
}

void TInflateAhead::Work() {
  TInflater inflater;
  std::vector<std::uint8_t> in(InflateInput);
  platform::TLock lock(FMutex);
  for (;;) {
    FChanged.Wait(lock, [&] { return FQuit || FPending; });
    if (FQuit) break;
    FPending = false;
    const std::uint64_t generation = FRunning = FGeneration;
    for (std::size_t s = 0; s < FMembers.size() && FGeneration == generation && !FQuit; ++s) {
      FWorking = s;
      lock.Unlock();
      bool going = true;
      if (!inflater.Ready) {
        TPiece end;
        end.End = true;
        end.Error = std::make_exception_ptr(EZlibError("inflateInit"));
        going = Push(s, std::move(end));
      } else {
        going = InflateSlot(s, &inflater.Z, in);
      }
      lock.Lock();
      if (!going) break;
    }
    FWorking = FMembers.size();
    FBusy = false;
    FChanged.NotifyAll();
  }
  FBusy = false;
  FChanged.NotifyAll();
}

} // namespace quendel
